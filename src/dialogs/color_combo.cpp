#include "dialogs/color_combo.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>
#include <cstdio>

#include "dialogs/custom_colors_file.h"
#include "dialogs/font_dialog.h"
#include "helpers/error_report.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/streams.h"

std::function<bool(TColorDialog&)> TColorDialog::ExecuteHook;

std::array<TComboColor, 19> ComboColors = {{{RGBColor(0x00, 0x00, 0x00), "Black"},
                                            {RGBColor(0x80, 0x00, 0x00), "Maroon"},
                                            {RGBColor(0x00, 0x80, 0x00), "Green"},
                                            {RGBColor(0x80, 0x80, 0x00), "Olive"},
                                            {RGBColor(0x00, 0x00, 0x80), "Navy"},
                                            {RGBColor(0x80, 0x00, 0x80), "Purple"},
                                            {RGBColor(0x00, 0x80, 0x80), "Teal"},
                                            {RGBColor(0x80, 0x80, 0x80), "Gray"},
                                            {RGBColor(0xC0, 0xC0, 0xC0), "Silver"},
                                            {RGBColor(0xFF, 0x00, 0x00), "Red"},
                                            {RGBColor(0x00, 0xFF, 0x00), "Lime"},
                                            {RGBColor(0xFF, 0xFF, 0x00), "Yellow"},
                                            {RGBColor(0x00, 0x00, 0xFF), "Blue"},
                                            {RGBColor(0xFF, 0x00, 0xFF), "Fuchsia"},
                                            {RGBColor(0x00, 0xFF, 0xFF), "Aqua"},
                                            {RGBColor(0xC0, 0xC0, 0xC0), "Light Gray"},
                                            {RGBColor(0x80, 0x80, 0x80), "Dark Gray"},
                                            {RGBColor(0xFF, 0xFF, 0xFF), "White"},
                                            {RGBColor(0x00, 0x00, 0x00), "Custom"}}};

namespace {
QColor ToQColor(TColor c) {
  const TColor rgb = ColorToRGB(c);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}
TColor FromQColor(const QColor& c) { return RGBColor(c.red(), c.green(), c.blue()); }

// Reads the custom colours file into Lines; false when it cannot be read.
bool ReadCustomColorsFile(const std::string& path, std::vector<std::string>& lines) {
  try {
    const auto bytes = ReadWholeFile(path, int64_t(CustomColorsMaxBytes));
    lines = CustomColorLinesFromBytes(bytes.data(), bytes.size());
    return true;
  } catch (const Exception&) {
    return false;
  }
}

void WriteCustomColorsFile(const std::string& path, const std::vector<std::string>& lines) {
  const std::string text = CustomColorsText(lines);
  WriteFileAtomically(path, text.data(), text.size());
}
}  // namespace

bool TColorDialog::Execute() {
  if (OnShow) OnShow();
  if (ExecuteHook) return ExecuteHook(*this);
  // Qt keeps one set of custom colours for all its colour dialogs; the program's set is put in
  // before every run and taken back after it.
  const TCustomColorSet set = CustomColorsFromLines(CustomColors);
  for (int i = 0; i < CustomColorCount; ++i)
    QColorDialog::setCustomColor(i, ToQColor(set[size_t(i)].value_or(0xFFFFFF)));
  QColorDialog dialog(ToQColor(Color), Parent);
  if (!Caption.empty()) dialog.setWindowTitle(QString::fromStdString(Caption));
  if (dialog.exec() != QDialog::Accepted) return false;
  Color = FromQColor(dialog.selectedColor());
  TCustomColorSet chosen{};
  for (int i = 0; i < CustomColorCount; ++i) chosen[size_t(i)] = FromQColor(QColorDialog::customColor(i));
  CustomColors = CustomColorLines(chosen);
  return true;
}

std::string CustomColorsFileName() { return ProgramFile("ZQVCustomClrs.Dat"); }

std::string ColorToHexCode(TColor Color) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%08X", unsigned(Color));
  const std::string s = buf;
  if (s.size() != 9) return "Error";
  return "#" + s.substr(7, 2) + s.substr(5, 2) + s.substr(3, 2);
}

bool ExecuteWithCustomColors(TColorDialog& Dialog, const std::function<void(TColor)>& Apply) {
  std::string path;
  if (ZQVFontDlg1) ZQVFontDlg1->GetCustomColorsFile(path);
  else path = CustomColorsFileName();
  if (FileExists(path)) {
    std::vector<std::string> lines;
    if (ReadCustomColorsFile(path, lines)) Dialog.CustomColors = lines;
  }
  if (!Dialog.Execute()) return false;
  if (Apply) Apply(Dialog.Color);
  bool write = true;
  // A first run has no file to keep a copy of.
  if (FileExists(path) && !CopyFile(path, ChangeFileExt(path, ".bak"))) {
    const int error = GetLastError();
    write = MessageDlg("Unable to write backup file for custom colors.\rReason=" + SysErrorMessage(error) +
                           "\rDo you still want to save these colors?",
                       mtWarning, mbYes | mbNo, 1140) == mrYes;
  }
  if (write) {
    try {
      WriteCustomColorsFile(path, Dialog.CustomColors);
    } catch (const Exception&) {
      MessageBox("Unable to Save Custom Colors", ApplicationTitle(), MB_OK);
    }
  }
  return true;
}

// ---------------------------------------------------------------- TZQVColorCombo

TZQVColorCombo::TZQVColorCombo(QWidget* parent) : QComboBox(parent) {
  ColorDialog.Parent = this;
  ColorDialog.OnShow = [this] { LoadCustomColors(); };
  LoadCustomColors();
  FillColors();
  connect(this, &QComboBox::activated, this, [this](int) { Click(); });
}

void TZQVColorCombo::FillColors() {
  blockSignals(true);
  clear();
  for (const auto& c : ComboColors) addItem(QString::fromLatin1(c.Name), QVariant::fromValue(int(c.Color)));
  for (int i = 0; i < count(); ++i) {
    QPixmap swatch(22, 12);
    swatch.fill(ToQColor(ComboColors[size_t(i)].Color));
    QPainter p(&swatch);
    p.setPen(Qt::black);
    p.drawRect(0, 0, 21, 11);
    setItemIcon(i, QIcon(swatch));
  }
  setIconSize(QSize(22, 12));
  UpdateCustomItem();
  blockSignals(false);
}

void TZQVColorCombo::UpdateCustomItem() {
  const int last = count() - 1;
  if (last < 0) return;
  const TColor c = TColor(itemData(last).toInt());
  setItemText(last, QString::fromStdString(ColorToHexCode(c)));
  QPixmap swatch(22, 12);
  swatch.fill(ToQColor(c));
  QPainter p(&swatch);
  p.setPen(Qt::black);
  p.drawRect(0, 0, 21, 11);
  p.end();
  setItemIcon(last, QIcon(swatch));
}

TColor TZQVColorCombo::GetSelectedColor() const {
  const int i = currentIndex();
  return i < 0 ? TColor(0) : TColor(itemData(i).toInt());
}

void TZQVColorCombo::SetSelectedColor(TColor Color) {
  if (!parentWidget() || count() == 0) return;
  const int last = count() - 1;
  int candidate = last;
  for (int i = 0; i < count(); ++i)
    if (TColor(itemData(i).toInt()) == Color) candidate = i;  // the last match wins
  if (candidate == last) {
    setItemData(last, QVariant::fromValue(int(Color)));
    ComboColors[18].Color = Color;
    UpdateCustomItem();
  }
  if (candidate != currentIndex()) {
    blockSignals(true);
    setCurrentIndex(candidate);
    blockSignals(false);
  }
}

void TZQVColorCombo::Click() {
  const int last = count() - 1;
  if (isVisible() && currentIndex() == last && last >= 0) {
    ColorDialog.Color = GetSelectedColor();
    if (ColorDialog.Execute()) {
      setItemData(last, QVariant::fromValue(int(ColorDialog.Color)));
      ComboColors[18].Color = ColorDialog.Color;
      UpdateCustomItem();
      SaveCustomColors();
    }
  }
  if (OnClick) OnClick(this);
}

void TZQVColorCombo::LoadCustomColors() {
  const std::string path = CustomColorsFileName();
  // The file need not exist: the dialog then starts with the custom colours it has.
  if (!FileExists(path)) return;
  std::vector<std::string> lines;
  if (ReadCustomColorsFile(path, lines)) ColorDialog.CustomColors = lines;
  else MessageBox("Unable to load Custom Colors", ApplicationTitle(), MB_OK);
}

void TZQVColorCombo::SaveCustomColors() {
  try {
    WriteCustomColorsFile(CustomColorsFileName(), ColorDialog.CustomColors);
  } catch (const Exception&) {
    MessageBox("Unable to Save Custom Colors", ApplicationTitle(), MB_OK);
  }
}

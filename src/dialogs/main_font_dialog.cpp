#include "dialogs/main_font_dialog.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <memory>

#include "dialogs/define_font_dialog.h"
#include "dialogs/form_placement.h"
#include "helpers/small_helpers.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/ini_file.h"
#include "platform/messages.h"
#include "platform/numeric.h"
#include "text/page_geometry.h"
#include "text/text_page.h"

TMainFontDlg* MainFontDlg = nullptr;
int32_t MainFontPercentAtShow = 50;
int32_t MainFontOffsetAtShow = -4;
int32_t MainFontLineSpacingAtShow = 13;
bool MainFontChanged = false;

namespace {
// The Charsets list: names and the character-set values they stand for; the item index is what
// is stored.
struct TCharsetName {
  const char* Name;
  TFontCharset Value;
};
const TCharsetName kCharsets[19] = {
    {"ANSI_CHARSET", ANSI_CHARSET},       {"DEFAULT_CHARSET", DEFAULT_CHARSET},   {"SYMBOL_CHARSET", SYMBOL_CHARSET},
    {"MAC_CHARSET", MAC_CHARSET},         {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET}, {"HANGEUL_CHARSET", HANGEUL_CHARSET},
    {"JOHAB_CHARSET", JOHAB_CHARSET},     {"GB2312_CHARSET", GB2312_CHARSET},     {"CHINESEBIG5_CHARSET", CHINESEBIG5_CHARSET},
    {"GREEK_CHARSET", GREEK_CHARSET},     {"TURKISH_CHARSET", TURKISH_CHARSET},   {"VIETNAMESE_CHARSET", VIETNAMESE_CHARSET},
    {"HEBREW_CHARSET", HEBREW_CHARSET},   {"ARABIC_CHARSET", ARABIC_CHARSET},     {"BALTIC_CHARSET", BALTIC_CHARSET},
    {"RUSSIAN_CHARSET", RUSSIAN_CHARSET}, {"THAI_CHARSET", THAI_CHARSET},         {"EASTEUROPE_CHARSET", EASTEUROPE_CHARSET},
    {"OEM_CHARSET", OEM_CHARSET}};

constexpr const char* kSection = "Main_Font";
constexpr const char* kDefaultName = "Times New Roman";

std::string MainIniPath() { return ProgramFile("Main.ini"); }

void ShowHelp(int context) {
  if (OnMessageHelp) OnMessageHelp(context);
}
}  // namespace

TMainFontDlg::TMainFontDlg(TMainFontHost& Host, QWidget* parent)
    : QDialog(parent), SavedFont(kDefaultName, 12), Host(Host), MainFont(kDefaultName, 12, 0, clBlack, DEFAULT_CHARSET) {
  setupUi(this);
  setObjectName("MainFontDlg");
  ftStyleGroup = new QButtonGroup(this);
  ftStyleGroup->addButton(ftStyle0, 0);
  ftStyleGroup->addButton(ftStyle1, 1);
  ftStyleGroup->addButton(ftStyle2, 2);
  ftStyleGroup->addButton(ftStyle3, 3);
  ftStyle0->setChecked(true);
  MainMenu = new QMenuBar(this);
  QMenu* defaults = MainMenu->addMenu("&Defaults");
  Save1 = defaults->addAction("&Save");
  Save1->setShortcut(QKeySequence("Ctrl+S"));
  QMenu* restore = defaults->addMenu("&Restore");
  UserDefaults1 = restore->addAction("&User Defaults");
  UserDefaults1->setShortcut(QKeySequence("Ctrl+U"));
  FactoryDefaults1 = restore->addAction("&Factory Defaults");
  FactoryDefaults1->setShortcut(QKeySequence("Ctrl+F"));
  layout()->setMenuBar(MainMenu);

  FontCombo->addItems(QFontDatabase::families());
  for (const auto& c : kCharsets) Charsets->addItem(c.Name);
  SpinEdit1->SetMinValue(6);
  SpinEdit1->SetMaxValue(40);
  SpinEdit1->SetIncrement(2);
  SpinEdit1->SetValue(12);
  Custom_Offset1->SetMinValue(-20);
  Custom_Offset1->SetMaxValue(20);
  Custom_Offset1->SetValue(-4);
  ScriptPercent1->SetMinValue(20);
  ScriptPercent1->SetMaxValue(99);
  ScriptPercent1->SetValue(50);
  Line_Spacing->SetMinValue(8);
  Line_Spacing->SetMaxValue(100);
  Line_Spacing->SetValue(15);
  Charsets->setCurrentIndex(1);
  MainFontColor1.Parent = this;
  MainFontColor1.OnShow = [this] { MainFontColor1.Caption = "Main Font Color"; };

  SpinEdit1->OnChange = [this](QObject*) { SpinEdit1Change(); };
  ScriptPercent1->OnChange = [this](QObject*) {
    if (isVisible() && ScriptPercent1->AsInteger() != ScriptPercent) ScriptPercent = ScriptPercent1->AsInteger();
  };
  Custom_Offset1->OnChange = [this](QObject*) {
    if (Custom_Offset1->AsInteger() != CustomOffset) CustomOffset = Custom_Offset1->AsInteger();
  };
  connect(FontCombo, &QComboBox::currentIndexChanged, this, [this] { FontComboChange(); });
  connect(Charsets, &QComboBox::currentIndexChanged, this, [this] { CharsetsChange(); });
  connect(ftStyleGroup, &QButtonGroup::idClicked, this, [this] { ftStyleClick(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [] { ShowHelp(350); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  connect(Save1, &QAction::triggered, this, [this] { SaveAsDefaults(); });
  connect(UserDefaults1, &QAction::triggered, this, [this] { LoadUserDefaults(); });
  connect(FactoryDefaults1, &QAction::triggered, this, [this] { FactoryDefaults1Click(); });

  try {
    LoadUserDefaults();
  } catch (...) {
    // An unreadable "Main.ini" is reported by the application settings; the dialog starts with
    // the defaults.
    TMemIniFile empty("");
    LoadUserDefaultsFrom(empty);
  }
  Creating = false;
  SetCaption();
  UpdateColorGlyph();
}

int TMainFontDlg::GetScriptPercent() {
  if (ScriptPercent < 20) ScriptPercent = 20;
  return ScriptPercent;
}

// ---------------------------------------------------------------- small conversions

TFontStyles TMainFontDlg::StyleOfIndex(int Index) {
  switch (Index) {
    case 1: return fsItalic;
    case 2: return fsBold;
    case 3: return TFontStyles(fsBold | fsItalic);
    default: return 0;
  }
}

int TMainFontDlg::IndexOfStyle(TFontStyles Style) {
  const bool bold = Style & fsBold, italic = Style & fsItalic;
  return bold && italic ? 3 : bold ? 2 : italic ? 1 : 0;
}

TFontCharset TMainFontDlg::CharsetOfIndex(int Index) {
  return Index >= 0 && Index < 19 ? kCharsets[Index].Value : ANSI_CHARSET;
}

int TMainFontDlg::IndexOfCharset(TFontCharset Charset) {
  for (int i = 0; i < 19; ++i)
    if (kCharsets[i].Value == Charset) return i;
  return -1;
}

int TMainFontDlg::StyleIndex() const { return ftStyleGroup->checkedId(); }

void TMainFontDlg::SetStyleIndex(int Index) {
  if (QAbstractButton* b = ftStyleGroup->button(Index)) b->setChecked(true);
}

void TMainFontDlg::SetCaption() {
  Label1->setText(QString::fromStdString(MainFont.Name) + "* / #");
  ShowPreview();
}

void TMainFontDlg::ShowPreview() {
  Label1->setFont(MainFont.ToQFont());
  QPalette pal = Label1->palette();
  const TColor rgb = ColorToRGB(MainFont.Color);
  pal.setColor(QPalette::WindowText, QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
  Label1->setPalette(pal);
}

void TMainFontDlg::UpdateColorGlyph() {
  // The button's colour square shows the main font's colour.
  QPixmap square(14, 14);
  const TColor rgb = ColorToRGB(MainFont.Color);
  square.fill(QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
  QPainter p(&square);
  p.setPen(Qt::black);
  p.drawRect(0, 0, 13, 13);
  p.end();
  BitBtn1->setIcon(QIcon(square));
}

// ---------------------------------------------------------------- stored defaults

void TMainFontDlg::LoadUserDefaults() {
  TMemIniFile ini(MainIniPath());
  LoadUserDefaultsFrom(ini);
}

void TMainFontDlg::LoadUserDefaultsFrom(TCustomIniFile& ini) {
  // 1. The standard size; its change handler sets the main font size, the recommendation and the
  //    palette sizes.
  const int size = ini.ReadInteger(kSection, "Size", 12);
  if (SpinEdit1->AsInteger() != size) SpinEdit1->SetValue(size);
  else SpinEdit1Change();
  // 2. and 3. Percentage and offset, kept within the ranges of their spins.
  const int percent = ini.ReadInteger(kSection, "Script_PC", 50);
  ScriptPercent1->SetValue(percent);
  ScriptPercent = ScriptPercent1->AsInteger();
  const int offset = ini.ReadInteger(kSection, "Custom_Offset", -4);
  CustomOffset = offset;
  Custom_Offset1->SetValue(offset);
  CustomOffset = Custom_Offset1->AsInteger();
  // 4. The character set by its item index.
  const int charset = ini.ReadInteger(kSection, "Charset", 1);
  Charsets->blockSignals(true);
  Charsets->setCurrentIndex(charset >= 0 && charset < Charsets->count() ? charset : 0);
  Charsets->blockSignals(false);
  // 5. and 6.
  Line_Spacing->SetValue(ini.ReadInteger(kSection, "Line_Spacing", 13));
  int style = ini.ReadInteger(kSection, "Style", 0);
  if (style < 0 || style > 3) style = 0;
  SetStyleIndex(style);
  MainFont.Style = StyleOfIndex(style);
  // 7. The main font.
  MainFont.SetSize(SpinEdit1->AsInteger());
  MainFont.Charset = CharsetOfIndex(Charsets->currentIndex());
  std::string name = ini.ReadString(kSection, "Name", kDefaultName);
  if (name.empty()) name = kDefaultName;
  MainFont.Name = name;
  MainFont.Color = TColor(ini.ReadColor(kSection, "Color", 0));
  // 8.
  if (isVisible() || Creating) {
    const int index = FontCombo->findText(QString::fromStdString(MainFont.Name), Qt::MatchFixedString);
    if (index >= 0) {
      FontCombo->blockSignals(true);
      FontCombo->setCurrentIndex(index);
      FontCombo->blockSignals(false);
    }
  }
  if (!Creating) {
    SetCaption();
    UpdateColorGlyph();
  }
}

void TMainFontDlg::SaveAsDefaults() {
  TMemIniFile ini(MainIniPath());
  ini.WriteInteger(kSection, "Size", SpinEdit1->AsInteger());
  ini.WriteInteger(kSection, "Script_PC", GetScriptPercent());
  ini.WriteInteger(kSection, "Custom_Offset", Custom_Offset1->AsInteger());
  ini.WriteString(kSection, "Name", MainFont.Name);
  ini.WriteInteger(kSection, "Charset", Charsets->currentIndex());
  ini.WriteInteger(kSection, "Line_Spacing", Line_Spacing->AsInteger());
  ini.WriteInteger(kSection, "Style", StyleIndex());
  ini.WriteInteger(kSection, "Color", int(MainFont.Color));
  ini.UpdateFile();
}

bool TMainFontDlg::SameAsDefaults() {
  std::unique_ptr<TMemIniFile> file;
  try {
    file = std::make_unique<TMemIniFile>(MainIniPath());
  } catch (...) {
    return false;  // stored defaults that cannot be read are no match
  }
  TMemIniFile& ini = *file;
  return ini.ReadInteger(kSection, "Size", 12) == SpinEdit1->AsInteger() &&
         ini.ReadInteger(kSection, "Script_PC", 50) == GetScriptPercent() &&
         ini.ReadInteger(kSection, "Custom_Offset", -4) == GetCustomOffset() &&
         SameFontName(ini.ReadString(kSection, "Name", kDefaultName), MainFont.Name.c_str()) &&
         ini.ReadInteger(kSection, "Charset", 1) == Charsets->currentIndex() &&
         ini.ReadInteger(kSection, "Line_Spacing", 13) == Line_Spacing->AsInteger() &&
         ini.ReadInteger(kSection, "Style", 0) == StyleIndex() && ini.ReadInteger(kSection, "Color", 0) == int(MainFont.Color);
}

void TMainFontDlg::SetFactoryDefaults() {
  SpinEdit1->SetValue(12);
  ScriptPercent1->SetValue(50);
  Custom_Offset1->SetValue(-4);
  Charsets->blockSignals(true);
  Charsets->setCurrentIndex(Charsets->count() > 1 ? 1 : 0);
  Charsets->blockSignals(false);
  Line_Spacing->SetValue(13);
  SetStyleIndex(0);
  MainFont.Style = 0;
  MainFont.SetSize(12);
  MainFont.Charset = DEFAULT_CHARSET;
  MainFont.Name = kDefaultName;
  MainFont.Color = clBlack;
  if (isVisible()) {
    const int index = FontCombo->findText(kDefaultName, Qt::MatchFixedString);
    if (index >= 0) {
      FontCombo->blockSignals(true);
      FontCombo->setCurrentIndex(index);
      FontCombo->blockSignals(false);
    }
  }
  SetCaption();
  UpdateColorGlyph();
}

void TMainFontDlg::FactoryDefaults1Click() {
  SetFactoryDefaults();
  TTextPage* page = Host.MainFontTextPage();
  if (!page || page->LastTextCell() == 0) ResetLineSpacing = true;
}

// ---------------------------------------------------------------- handlers

void TMainFontDlg::SpinEdit1Change() {
  const int s = SpinEdit1->AsInteger();
  MainFont.SetSize(s);
  if (isVisible()) Custom_Offset1->SetValue(-MulDiv(s, GetScriptPercent(), 100));
  Label6->setText(QString("Recommended LineSpacing = %1").arg(s + 1));
  Host.SetLargeBracketPanelSize(s * (s / 12) + 12);
  if (DefineFontDg) {
    const int q = int(Round(s / 12.0));
    DefineFontDg->SpinEdit1->SetValue(s * q + 12);
    DefineFontDg->SpinEdit2->SetValue(s * 2);
    DefineFontDg->SpinEdit1Change();
    DefineFontDg->SpinEdit2Change();
  }
  if (!Creating) ShowPreview();
}

void TMainFontDlg::FontComboChange() {
  if (!isVisible()) return;
  MainFont.Name = FontCombo->currentText().toStdString();
  int index;
  if (SameFontName(MainFont.Name, kZQVSerifFont)) index = IndexOfCharset(DEFAULT_CHARSET);
  else index = IndexOfCharset(Host.MainWindowCharset());
  if (index < 0) index = IndexOfCharset(DEFAULT_CHARSET);
  if (index < 0) index = 0;
  Charsets->blockSignals(true);
  Charsets->setCurrentIndex(index);
  Charsets->blockSignals(false);
  CharsetsChange();
  SetCaption();
}

void TMainFontDlg::CharsetsChange() {
  MainFont.Charset = CharsetOfIndex(Charsets->currentIndex());
  if (!Creating) ShowPreview();
}

void TMainFontDlg::ftStyleClick() {
  if (!isVisible()) return;
  MainFont.Style = StyleOfIndex(StyleIndex());
  ShowPreview();
}

void TMainFontDlg::BitBtn1Click() {
  ExecuteWithCustomColors(MainFontColor1, [this](TColor color) {
    MainFont.Color = color;
    ShowPreview();
    UpdateColorGlyph();
  });
}

void TMainFontDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TMainFontDlg::FormShow() {
  try {
    RestoreFormPlacement(this, ProgramFile("ChildFms.ini"));
  } catch (const Exception&) {
    // An unreadable placement leaves the window where it is.
  }
  KeepFormOnScreen(this);
  SavedFont = MainFont;
  MainFontPercentAtShow = ScriptPercent;
  MainFontOffsetAtShow = GetCustomOffset();
  Line_Spacing->SetValue(LineHeight);
  MainFontLineSpacingAtShow = Line_Spacing->AsInteger();
  const int font = FontCombo->findText(QString::fromStdString(MainFont.Name), Qt::MatchFixedString);
  FontCombo->blockSignals(true);
  FontCombo->setCurrentIndex(font);
  FontCombo->blockSignals(false);
  // Showing the size must not recompute the offset: the values at show are the ones in force.
  SpinEdit1->blockSignals(true);
  SpinEdit1->SetValue(MainFont.Size());
  SpinEdit1->blockSignals(false);
  Label1->setText(QString::fromStdString(MainFont.Name) + "* / #");
  Label6->setText(QString("Recommended LineSpacing = %1").arg(SpinEdit1->AsInteger() + 1));
  int charset = IndexOfCharset(MainFont.Charset);
  if (charset < 0) charset = IndexOfCharset(DEFAULT_CHARSET);
  Charsets->blockSignals(true);
  Charsets->setCurrentIndex(charset);
  Charsets->blockSignals(false);
  SetStyleIndex(IndexOfStyle(MainFont.Style));
  MainFontChanged = false;
  ScriptsRescaled = false;
  ShowPreview();
  UpdateColorGlyph();
  CollectScripts();
}

void TMainFontDlg::CollectScripts() {
  Scripts.clear();
  TTextPage* page = Host.MainFontTextPage();
  if (!page || !page->TextPageReady()) return;
  const int32_t last = page->LastTextCell();
  for (int32_t i = 1; i <= last; ++i) {
    const int32_t kind = page->CellScriptKind(i);
    if (kind != skNone) Scripts.push_back({i, uint8_t(kind)});
  }
}

void TMainFontDlg::RescaleScripts() {
  TTextPage* page = Host.MainFontTextPage();
  if (!page || !page->TextPageReady()) return;
  for (const TScriptRec& s : Scripts) {
    if (s.Index < 1 || s.Index >= CellCount || !page->CharFonts[size_t(s.Index)]) continue;
    const TFont* before = page->FontBefore(s.Index);
    const int base = before ? before->Size() : MainFont.Size();
    page->CharOffsets[size_t(s.Index)] = int16_t(page->ScriptOffset(base, s.Kind));
    page->CharFonts[size_t(s.Index)]->SetSize(page->ScriptFontSize(base));
  }
}

void TMainFontDlg::OKBtnClick() {
  if (!Label1->text().isEmpty()) {
    if (TypingFont) *TypingFont = MainFont;
    if (StandardFont) *StandardFont = MainFont;
  }
  const bool fontDiffers = MainFont.Color != SavedFont.Color || MainFont.Size() != SavedFont.Size() ||
                           MainFont.Style != SavedFont.Style || MainFont.Charset != SavedFont.Charset ||
                           !SameFontName(MainFont.Name, SavedFont.Name.c_str());
  MainFontChanged = MainFontChanged || fontDiffers || GetScriptPercent() != MainFontPercentAtShow ||
                    GetCustomOffset() != MainFontOffsetAtShow || Line_Spacing->AsInteger() != MainFontLineSpacingAtShow;
  done(QDialog::Accepted);
}

void TMainFontDlg::CancelBtnClick() {
  MainFont = SavedFont;
  Label1->setText(QString::fromStdString(MainFont.Name) + "* / #");
  const int font = FontCombo->findText(QString::fromStdString(MainFont.Name), Qt::MatchFixedString);
  FontCombo->blockSignals(true);
  FontCombo->setCurrentIndex(font);
  FontCombo->blockSignals(false);
  int charset = IndexOfCharset(MainFont.Charset);
  if (charset < 0) charset = 0;
  Charsets->blockSignals(true);
  Charsets->setCurrentIndex(charset);
  Charsets->blockSignals(false);
  SpinEdit1->blockSignals(true);
  SpinEdit1->SetValue(MainFont.Size());
  SpinEdit1->blockSignals(false);
  ScriptPercent = MainFontPercentAtShow;
  ScriptPercent1->SetValue(MainFontPercentAtShow);
  MainFontColor1.Color = MainFont.Color;
  LineHeight = uint8_t(MainFontLineSpacingAtShow);
  Custom_Offset1->SetValue(MainFontOffsetAtShow);
  CustomOffset = MainFontOffsetAtShow;
  MainFontChanged = false;
  ShowPreview();
  UpdateColorGlyph();
  done(QDialog::Rejected);
}

void TMainFontDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    CancelBtnClick();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TMainFontDlg::done(int result) {
  QDialog::done(result);
  FormClose(result == QDialog::Accepted);
  // Whatever the way out, the window's place is kept.
  try {
    SaveFormPlacement(this, ProgramFile("ChildFms.ini"));
  } catch (const Exception&) {
  }
}

void TMainFontDlg::FormClose(bool ok) {
  if (!ok) return;
  // 1. The new line spacing, when asked for.
  if (ResetLineSpacing) {
    LineHeight = uint8_t(Line_Spacing->AsInteger());
    Host.RelayoutFromTopMargin();
    Host.InvalidatePageImage();
    ResetLineSpacing = false;
    MainFontChanged = true;
  }
  // 2. The settings as the user's defaults.
  bool prompt = true;
  try {
    TMemIniFile page(ProgramFile("PageIni.ini"));
    prompt = page.ReadBool("Prompts", "Save_Main_Font_Changes", true);
  } catch (...) {
    prompt = true;  // the switch's default
  }
  if (prompt && !SameAsDefaults() && MessageDlg("Save settings as default?", mtConfirmation, mbYes | mbNo, 350) == mrYes) {
    SaveAsDefaults();
    const bool again = MessageDlg("Prompt next time?", mtConfirmation, mbYes | mbNo, 350) == mrYes;
    TMemIniFile page(ProgramFile("PageIni.ini"));
    page.WriteBool("Prompts", "Save_Main_Font_Changes", again);
    page.UpdateFile();
  }
  // 3. The scripts already on the page.
  if ((GetScriptPercent() != MainFontPercentAtShow || GetCustomOffset() != MainFontOffsetAtShow) && !Scripts.empty() &&
      MessageDlg("Change all current scripts?", mtConfirmation, mbYes | mbNo, 350) == mrYes) {
    RescaleScripts();
    if (TTextPage* page = Host.MainFontTextPage()) page->LayoutTextCells();
    ScriptsRescaled = true;
    Scripts.clear();
  }
  // 4.
  if (MainFontChanged) Host.ResetEmptyCellFonts();
}

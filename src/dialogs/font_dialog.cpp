#include "dialogs/font_dialog.h"

#include <QFontDatabase>
#include <QKeyEvent>

#include "dialogs/color_combo.h"
#include "platform/messages.h"

TZQVFontDlg1* ZQVFontDlg1 = nullptr;
std::function<bool(TZQVFontDlg1&)> TZQVFontDlg1::ExecuteHook;

namespace {
const char* const kStyleNames[4] = {"Regular", "Bold", "Italic", "Bold Italic"};
const char* const kSizes[15] = {"8", "9", "10", "11", "12", "14", "16", "18", "22", "24", "26", "28", "36", "48", "72"};

int StyleIndexOf(TFontStyles style) {
  const bool bold = style & fsBold, italic = style & fsItalic;
  return bold && italic ? 3 : italic ? 2 : bold ? 1 : 0;
}
}  // namespace

TZQVFontDlg1::TZQVFontDlg1(QWidget* parent) : QDialog(parent), Font("Times New Roman", 12) {
  setupUi(this);
  setObjectName("ZQVFontDlg1");
  for (QString family : QFontDatabase::families()) FontNames1->addItem(family);
  for (const char* s : kStyleNames) FontStyles1->addItem(s);
  for (const char* s : kSizes) FontSizes1->addItem(s);
  ColorCombo = new TZQVColorCombo(this);
  ColorCombo->setObjectName("ColorCombo");
  ColorCombo->setMinimumWidth(151);
  EffectsLayout->addWidget(ColorCombo);
  ColorLabel->setBuddy(ColorCombo);
  ColorCombo->OnClick = [this](QObject*) {
    Font.Color = ColorCombo->GetSelectedColor();
    FontChanged();
  };
  SelectListText(FontNames1, "Times New Roman");
  if (!FontNames1->currentItem()) SelectListText(FontNames1, "Arial");
  if (FontNames1->currentItem()) FontName1->setText(FontNames1->currentItem()->text());
  FontStyles1->setCurrentRow(0);
  FontStyle1->setText("Regular");

  connect(FontNames1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { FontName1->setText(item->text()); });
  connect(FontStyles1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { FontStyle1->setText(item->text()); });
  connect(FontSizes1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    FontSize1->setText(item->text());
    Font.SetSize(item->text().toInt());
    FontChanged();
  });
  connect(FontName1, &QLineEdit::textChanged, this, [this] { FontName1Change(); });
  connect(FontStyle1, &QLineEdit::textChanged, this, [this] { FontStyle1Change(); });
  connect(FontSize1, &QLineEdit::textChanged, this, [this] { FontSize1Change(); });
  connect(StrikeOut1, &QCheckBox::clicked, this, [this](bool on) {
    if (Filling) return;
    Font.Style = on ? (Font.Style | fsStrikeOut) : (Font.Style & ~fsStrikeOut);
    FontChanged();
  });
  connect(Underline1, &QCheckBox::clicked, this, [this](bool on) {
    if (Filling) return;
    Font.Style = on ? (Font.Style | fsUnderline) : (Font.Style & ~fsUnderline);
    FontChanged();
  });
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  // The dialog previews the keys of its controls (the size list follows every key release).
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  FontChanged();
}

void TZQVFontDlg1::GetCustomColorsFile(std::string& Path) const {
  if (ColorCombo) ColorCombo->GetCustomColorsFile(Path);
  else Path = CustomColorsFileName();
}

bool TZQVFontDlg1::Execute() {
  if (ExecuteHook) {
    FormShow();
    return ExecuteHook(*this);
  }
  return exec() == QDialog::Accepted;
}

void TZQVFontDlg1::FontChanged() {
  QFont f = Font.ToQFont();
  Sample1->setFont(f);
  QPalette pal = Sample1->palette();
  const TColor rgb = ColorToRGB(Font.Color);
  pal.setColor(QPalette::WindowText, QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
  Sample1->setPalette(pal);
}

void TZQVFontDlg1::SelectListText(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchFixedString);
  if (found.isEmpty()) list->setCurrentRow(-1);
  else list->setCurrentItem(found.first());
}

void TZQVFontDlg1::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TZQVFontDlg1::FormShow() {
  Filling = true;
  SelectListText(FontNames1, QString::fromStdString(Font.Name));
  if (!FontNames1->currentItem()) SelectListText(FontNames1, "Arial");
  FontName1->setText(FontNames1->currentItem() ? FontNames1->currentItem()->text() : QString("Arial"));
  const QString size = QString::number(Font.Size());
  SelectListText(FontSizes1, size);
  FontSize1->setText(FontSizes1->currentItem() ? FontSizes1->currentItem()->text() : size);
  StrikeOut1->setChecked(Font.Style & fsStrikeOut);
  Underline1->setChecked(Font.Style & fsUnderline);
  const int style = StyleIndexOf(Font.Style);
  FontStyles1->setCurrentRow(style);
  FontStyle1->setText(kStyleNames[style]);
  try {
    ColorCombo->SetSelectedColor(Font.Color);
  } catch (...) {
    // The colour field only shows the colour; the font keeps it either way.
  }
  FontChanged();
  Filling = false;
}

void TZQVFontDlg1::FontName1Change() {
  if (Filling) return;
  Font.Name = FontName1->text().toStdString();
  Font.Charset = DEFAULT_CHARSET;
  FontChanged();
}

void TZQVFontDlg1::FontStyle1Change() {
  if (Filling) return;
  const int index = FontStyles1->currentRow();
  TFontStyles s = Font.Style & ~(fsBold | fsItalic);
  if (index == 1 || index == 3) s |= fsBold;
  if (index == 2 || index == 3) s |= fsItalic;
  Font.Style = s;
  FontChanged();
}

void TZQVFontDlg1::FontSize1Change() {
  if (Filling) return;
  bool ok = false;
  const int size = FontSize1->text().toInt(&ok);
  if (!ok || size <= 0) return;
  Font.SetSize(size);
  FontChanged();
}

bool TZQVFontDlg1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyRelease) SelectListText(FontSizes1, QString::number(Font.Size()));
  if (watched == FontSize1 && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    // Only digits and Backspace type into the size; editing keys without text pass.
    if (key->key() != Qt::Key_Backspace && !text.isEmpty() && !(text.size() == 1 && text[0].isDigit()) &&
        text[0].isPrint())
      return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TZQVFontDlg1::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() & Qt::AltModifier) {
    switch (event->key()) {
      case Qt::Key_F: FontNames1->setFocus(); return;
      case Qt::Key_L: ColorCombo->setFocus(); return;
      case Qt::Key_S: FontSizes1->setFocus(); return;
      case Qt::Key_Y: FontStyles1->setFocus(); return;
      default: break;
    }
  }
  QDialog::keyPressEvent(event);
}

void TZQVFontDlg1::keyReleaseEvent(QKeyEvent* event) {
  SelectListText(FontSizes1, QString::number(Font.Size()));
  QDialog::keyReleaseEvent(event);
}

void TZQVFontDlg1::OKBtnClick() {
  // The size first: a size that is no number, or not above 0, is reported and the dialog stays
  // open on it, so that a failure is never handed back as the user's choice.
  bool ok = false;
  const QString sizeText = FontSize1->text();
  const int size = sizeText.toInt(&ok);
  if (!ok || size <= 0) {
    MessageDlg("'" + sizeText.toStdString() + (ok ? "' is not a valid font size" : "' is not a valid integer value"),
               mtError, mbOK, 0);
    FontSize1->setFocus();
    FontSize1->selectAll();
    return;
  }
  TFontStyles s = 0;
  const int index = FontStyles1->currentRow();
  if (index == 1 || index == 3) s |= fsBold;
  if (index == 2 || index == 3) s |= fsItalic;
  if (StrikeOut1->isChecked()) s |= fsStrikeOut;
  if (Underline1->isChecked()) s |= fsUnderline;
  Font.Style = s;
  Font.Name = FontName1->text().toStdString();
  Font.SetSize(size);
  FontChanged();
  done(QDialog::Accepted);
}

void TZQVFontDlg1::CancelBtnClick() { done(QDialog::Rejected); }

#include "dialogs/define_font_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "dialogs/font_dialog.h"
#include "dialogs/form_placement.h"
#include "helpers/small_helpers.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/ini_file.h"
#include "platform/messages.h"
#include "platform/process_messages.h"

TDefineFontDg* DefineFontDg = nullptr;

namespace {
void ShowHelp(int context) {
  if (OnMessageHelp) OnMessageHelp(context);
}
}  // namespace

TDefineFontDg::TDefineFontDg(TCustomPaletteHost& Host, QWidget* parent)
    : QDialog(parent), SampleFont("Times New Roman", 12), Host(Host) {
  setupUi(this);
  setObjectName("DefineFontDg");
  setWindowFlag(Qt::Tool, true);
  CustButTag->SetMinValue(1);
  CustButTag->SetMaxValue(42);
  CustButTag->SetValue(1);
  // The number is chosen with the arrows only.
  CustButTag->SetEditorEnabled(false);
  SpinEdit1->SetMinValue(15);
  SpinEdit1->SetMaxValue(60);
  SpinEdit1->SetValue(22);
  SpinEdit2->SetValue(20);
  Character->setMaxLength(255);

  CustButTag->OnChange = [this](QObject*) { CustButTagChange(); };
  SpinEdit1->OnChange = [this](QObject*) { SpinEdit1Change(); };
  SpinEdit2->OnChange = [this](QObject*) { SpinEdit2Change(); };
  connect(Character, &QLineEdit::textChanged, this, [this] { CharacterChange(); });
  connect(SpinButton1Up, &QToolButton::clicked, this, [this] { SpinButton1Click(true); });
  connect(SpinButton1Down, &QToolButton::clicked, this, [this] { SpinButton1Click(false); });
  connect(SelectFont1, &QPushButton::clicked, this, [this] { SelectFont1Click(); });
  connect(Apply1, &QPushButton::clicked, this, [this] { Apply1Click(); });
  connect(SaveFont, &QPushButton::clicked, this, [this] { SaveFontClick(); });
  connect(Close1, &QPushButton::clicked, this, [this] { reject(); });
  connect(Help1, &QPushButton::clicked, this, [] { ShowHelp(699); });

  // The palette sizes stored by the application settings.
  int bracket = 22, root = 20;
  try {
    TMemIniFile ini(ProgramFile("Main.Ini"));
    bracket = ini.ReadInteger("Form_Position", "LargeBracketSize", 22);
    root = ini.ReadInteger("Form_Position", "LargeRootSize", 20);
  } catch (...) {
    // An unreadable settings file leaves the sizes at their defaults; the application settings
    // report the file when they read it.
  }
  SpinEdit1->SetValue(bracket);
  SpinEdit2->SetValue(root);
  SpinEdit1Change();
  SpinEdit2Change();
  ShowSample();
}

void TDefineFontDg::SpinEdit1Change() {
  Host.SetLargeBracketPanelSize(SpinEdit1->AsInteger());
}

void TDefineFontDg::SpinEdit2Change() {
  Host.SetLargeRootPanelSize(SpinEdit2->AsInteger());
}

bool TDefineFontDg::AnyModified() const {
  for (bool m : ButtonModified)
    if (m) return true;
  return false;
}

void TDefineFontDg::ShowSample() {
  SetFontPanel->setFont(SampleFont.ToQFont());
  QPalette pal = SetFontPanel->palette();
  const TColor rgb = ColorToRGB(SampleFont.Color);
  pal.setColor(QPalette::WindowText, QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
  SetFontPanel->setPalette(pal);
  const QString text = BytesToFontText(SampleFont, SampleCaption);
  SetFontPanel->setText(text);
  SetFontPanel->setToolTip(text);
}

void TDefineFontDg::ShowCurrentCharacter() {
  if (SampleCaption.empty()) CurrentCharacter1->clear();
  else CurrentCharacter1->setText(QString("Current Character: #0%1").arg(int(uint8_t(SampleCaption[0]))));
}

// ---------------------------------------------------------------- showing and closing

void TDefineFontDg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TDefineFontDg::FormShow() {
  Host.SetPaletteToolsEnabled(false);
  if (CustButTag->AsInteger() != ButtonNumber + 1) CustButTag->SetValue(ButtonNumber + 1);
  tbAllButtons->setChecked(false);
  try {
    RestoreFormPlacement(this, ProgramFile("ChildFms.ini"));
  } catch (const Exception&) {
    // An unreadable placement leaves the window where it is.
  }
  KeepFormOnScreen(this);
  Character->setFocus();
}

void TDefineFontDg::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  FormHide();
}

void TDefineFontDg::FormHide() {
  Host.SetPaletteToolsEnabled(true);
}

bool TDefineFontDg::FormCloseQuery() {
  if (!AnyModified()) return true;
  const TModalResult answer = MessageDlg("Save changes ?", mtInformation, mbYes | mbNo | mbCancel, 740);
  if (answer == mrCancel) return false;
  if (answer == mrYes) Host.SaveCustomButtons(Host.CurrentCustomSet(), 0);
  else if (answer == mrNo) Host.LoadCustomButtonSet(Host.CurrentCustomSet());
  return true;
}

void TDefineFontDg::FormClose() {
  ButtonModified.fill(false);
  Host.SetCustomButtonRaised(ButtonNumber + 1, true);
  try {
    SaveFormPlacement(this, ProgramFile("ChildFms.ini"));
  } catch (const Exception&) {
  }
}

void TDefineFontDg::reject() {
  if (!isVisible()) {
    QDialog::reject();
    return;
  }
  if (!FormCloseQuery()) return;
  FormClose();
  QDialog::reject();
}

void TDefineFontDg::closeEvent(QCloseEvent* event) {
  // The close box runs the same query as the Close button.
  event->ignore();
  reject();
}

void TDefineFontDg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    reject();
    return;
  }
  QDialog::keyPressEvent(event);
}

// ---------------------------------------------------------------- editing

void TDefineFontDg::CustButTagChange() {
  Loading = true;
  Host.SetCustomButtonRaised(ButtonNumber + 1, true);
  ProcessMessages();
  const int n = CustButTag->AsInteger();
  std::string caption;
  TFont font;
  if (Host.GetCustomButton(n, caption, font)) {
    SampleFont = font;
    SampleCaption = caption;
    Host.SetCustomButtonRaised(n, false);
    ButtonNumber = n - 1;
  }
  TFont shown = SampleFont;
  shown.SetSize(14);
  Character->setFont(shown.ToQFont());
  Character->setText(BytesToFontText(SampleFont, SampleCaption));
  ShowSample();
  ShowCurrentCharacter();
  ProcessMessages();
  Loading = false;
}

void TDefineFontDg::CharacterChange() {
  if (Loading) return;
  SampleCaption = FontTextToBytes(SampleFont, Character->text());
  ShowSample();
  ShowCurrentCharacter();
}

void TDefineFontDg::SpinButton1Click(bool Up) {
  if (SampleCaption.empty()) return;
  const uint8_t code = uint8_t(SampleCaption[0]);
  if (Up && code < 255) SampleCaption[0] = char(code + 1);
  else if (!Up && code > 32) SampleCaption[0] = char(code - 1);
  else return;
  Loading = true;
  Character->setText(BytesToFontText(SampleFont, SampleCaption));
  Loading = false;
  ShowSample();
  ShowCurrentCharacter();
}

void TDefineFontDg::SelectFont1Click() {
  if (!ZQVFontDlg1) return;
  const TFont saved = ZQVFontDlg1->Font;
  const int savedHelp = ZQVFontDlg1->HelpContext;
  ZQVFontDlg1->Font = SampleFont;
  ZQVFontDlg1->HelpContext = 1140;
  if (ZQVFontDlg1->Execute()) {
    SampleFont = ZQVFontDlg1->Font;
    TFont shown = SampleFont;
    shown.SetSize(14);
    Character->setFont(shown.ToQFont());
    ShowSample();
  }
  ZQVFontDlg1->Font = saved;
  ZQVFontDlg1->HelpContext = savedHelp;
}

void TDefineFontDg::Apply1Click() {
  const int n = CustButTag->AsInteger();
  if (SampleCaption.empty() || uint8_t(SampleCaption[0]) < 32) {
    MessageDlg("Character not set please enter the code or character you require", mtWarning, mbOK, 699);
    Character->setFocus();
    return;
  }
  Host.SetCustomButton(n, SampleCaption, SampleFont);
  if (tbAllButtons->isChecked() &&
      MessageDlg("Are you sure you want to apply the font to all buttons?", mtConfirmation, mbYes | mbNo | mbHelp, 776) == mrYes)
    for (int k = 1; k <= 42; ++k) Host.SetCustomButtonFont(k, SampleFont);
  ButtonModified[size_t(n)] = true;
  Character->setFocus();
}

void TDefineFontDg::SaveFontClick() {
  const int n = CustButTag->AsInteger();
  Host.SaveCustomButtons(Host.CurrentCustomSet(), n);
  ButtonModified[size_t(n)] = false;
}

#include "dialogs/tips_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QStyle>
#include <QTextCursor>

#include "dialogs/help_viewer.h"
#include "dialogs/program_pictures.h"
#include "dialogs/tips_text.h"
#include "helpers/zqv_gif.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/process_messages.h"
#include "platform/zqv_ini_file.h"

TTipsDialog* TipsDialog = nullptr;
int CurrentTip = 0;
int TipSearchPos = 0;

namespace {
constexpr const char* kTipsSection = "TipsDlg_Messages";
constexpr const char* kShowTipsKey = "ShowTips";
}  // namespace

TTipsDialog::TTipsDialog(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  T1 = new QTimer(this);
  T1->setObjectName("T1");
  T1->setInterval(1000);
  T1->setSingleShot(false);
  // The decoration: the program's information picture.
  Image2->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  connect(BitBtn2, &QPushButton::clicked, this, [this] { NextTip1Click(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { Previous1Click(); });
  connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
  connect(HelpBtn1, &QPushButton::clicked, this, [this] { HelpBtn1Click(); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(T1, &QTimer::timeout, this, [this] { T1Timer(); });
  SpinEdit1->installEventFilter(this);
  SearchText1->installEventFilter(this);
  FormCreate();
}

TTipsDialog::~TTipsDialog() {
  if (TipsDialog == this) TipsDialog = nullptr;
}

void TTipsDialog::FormCreate() {
  setWindowTitle(QString::fromStdString(ApplicationTitle()) + " Tips");
  LoadTips(ProgramFile("TipsText.txt"));
}

void TTipsDialog::LoadTips(const std::string& FileName) {
  Tips.clear();
  try {
    Tips = ReadTipLines(FileName);
  } catch (const Exception&) {
    Tips.clear();
    ShowMessage("Tips are missing");
  }
  const QSignalBlocker block(SpinEdit1);
  SpinEdit1->setMaximum(std::max(0, TipCount() - 1));
}

void TTipsDialog::SetIniFileName(const std::string& Name) {
  if (QString::fromStdString(Name).compare(QString::fromStdString(FIniFileName), Qt::CaseInsensitive) != 0)
    FIniFileName = Name;
}

void TTipsDialog::ShowTip(int Index) {
  try {
    if (Index < 0 || Index >= TipCount()) throw ERangeError("List index out of bounds (" + std::to_string(Index) + ")");
    const TTipParts tip = ParseTipLine(Tips[Index]);
    setWindowTitle(tip.Title);
    CurrentResourceName = tip.ResourceName;
    TipLbl->setPlainText(tip.Text);
    HelpContext = tip.HelpContext;
    QPixmap picture;
    try {
      TZQVGif gif;
      LoadGifResource(tip.ResourceName.toStdString(), gif);
      picture = GifPixmap(gif);
    } catch (...) {
      picture = QPixmap();
    }
    // A tip without a picture of its own shows the application's icon.
    if (picture.isNull()) picture = QApplication::windowIcon().pixmap(32, 32);
    if (picture.isNull()) picture = style()->standardIcon(QStyle::SP_DesktopIcon).pixmap(32, 32);
    Image1->setPixmap(picture);
    CurrentTip = Index;
    Label1->setText(QString("%1 of %2").arg(Index).arg(TipCount()));
    const QSignalBlocker block(SpinEdit1);
    SpinEdit1->setValue(Index);
  } catch (...) {
    ShowMessage("Unable to show tips.");
  }
}

void TTipsDialog::FormShow() {
  bool flag = false;
  try {
    TZQVIniFile ini(FIniFileName.empty() ? ProgramFile("ChildFms.ini") : FIniFileName);
    flag = ini.ReadBool(kTipsSection, kShowTipsKey, false);
  } catch (...) {
    flag = false;
  }
  CheckBox1->setChecked(flag);
  ShowTip(TipCount() > 0 ? int(QRandomGenerator::global()->bounded(TipCount())) : 0);
}

void TTipsDialog::NextTip1Click() {
  if (TipCount() == 0) return ShowTip(0);
  ShowTip(CurrentTip + 1 >= TipCount() ? 0 : CurrentTip + 1);
}

void TTipsDialog::Previous1Click() {
  if (TipCount() == 0) return ShowTip(0);
  ShowTip(CurrentTip - 1 < 0 || CurrentTip - 1 >= TipCount() ? TipCount() - 1 : CurrentTip - 1);
}

void TTipsDialog::SpinEdit1Change() {
  const int value = SpinEdit1->value();
  if (value != CurrentTip && value >= 0 && value < TipCount()) {
    try {
      ShowTip(value);
    } catch (...) {
    }
  }
}

void TTipsDialog::SpeedButton1Click() {
  TipLbl->setFocus();
  ProcessMessages();
  const QString s = SearchText1->text().trimmed().toLower();
  if (s.size() < 2) return;
  if (TipSearchPos >= TipCount() || TipSearchPos < 0) TipSearchPos = 0;
  const int start = TipSearchPos;
  while (TipSearchPos < TipCount()) {
    // Only the tip's text as shown is searched: not the picture name, the title or the help number.
    const QString text = ParseTipLine(Tips[TipSearchPos]).Text;
    const qsizetype found = text.toLower().indexOf(s);
    if (found >= 0) {
      ShowTip(TipSearchPos);
      QTextCursor cursor = TipLbl->textCursor();
      cursor.setPosition(int(found));
      cursor.setPosition(int(found + s.size()), QTextCursor::KeepAnchor);
      TipLbl->setTextCursor(cursor);
      ++TipSearchPos;
      return;
    }
    ++TipSearchPos;
    if (TipSearchPos == start) {
      ShowMessage(s.toStdString() + " not found in tips");
      TipSearchPos = 0;
      return;
    }
    if (TipSearchPos >= TipCount() && start != 0) TipSearchPos = 0;
  }
  ShowMessage(s.toStdString() + " not found in tips");
  TipSearchPos = 0;
  SearchText1->setFocus();
}

void TTipsDialog::T1Timer() {
  SearchText1->setFocus();
  T1->stop();
}

void TTipsDialog::HelpBtn1Click() { ShowHelpContext(HelpContext); }

void TTipsDialog::OKBtnClick() { close(); }

void TTipsDialog::FormClose() {
  try {
    TZQVIniFile ini(FIniFileName.empty() ? ProgramFile("ChildFms.ini") : FIniFileName);
    ini.WriteBool(kTipsSection, kShowTipsKey, CheckBox1->isChecked());
    ini.UpdateFile();
  } catch (const Exception& e) {
    ShowMessage("Unable to save the tips setting: " + e.Message);
  }
}

void TTipsDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!Shown) {
    Shown = true;
    FormShow();
  }
}

void TTipsDialog::closeEvent(QCloseEvent* event) {
  if (!Closed) {
    Closed = true;
    FormClose();
  }
  QDialog::closeEvent(event);
}

bool TTipsDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == SpinEdit1) {
      // Only the digits reach the jump box.
      const QString text = key->text();
      if (!text.isEmpty() && !(text.size() == 1 && text[0] >= '0' && text[0] <= '9')) return true;
    } else if (watched == SearchText1) {
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_F3) {
        SpeedButton1Click();
        T1->start();
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ShowTipsAtStartup(const std::string& IniFileName, QWidget* Owner) {
  bool dontShow = false;
  try {
    TZQVIniFile ini(IniFileName);
    dontShow = ini.ReadBool(kTipsSection, kShowTipsKey, false);
  } catch (...) {
    dontShow = false;
  }
  if (dontShow) return;
  if (TipsDialog) {
    TipsDialog->raise();
    TipsDialog->activateWindow();
    return;
  }
  TipsDialog = new TTipsDialog(Owner);
  TipsDialog->SetIniFileName(IniFileName);
  // Stays on top of its owner: a dialog with a parent is a transient window above it.
  TipsDialog->setModal(false);
  TipsDialog->show();
  if (Owner) TipsDialog->move(Owner->geometry().center() - TipsDialog->rect().center());
}

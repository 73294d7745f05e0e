#include "dialogs/permissions_dialog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QPainter>
#include <QRandomGenerator>

#include "dialogs/draw_dialog_host.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/process_messages.h"
#include "platform/zqv_ini_file.h"

TSetDimensioningDefaults* SetDimensioningDefaults = nullptr;
const char* const DefaultPermissionsPassword = "8541";

namespace {
constexpr int HelpContext = 100;
const char* const StoreSection = "Form_Position";
const char* const StoreKey = "MetricDisplayDefault";
const char* const DigestPrefix = "sha256$";

QByteArray Digest(const QByteArray& salt, const std::string& password) {
  return QCryptographicHash::hash(salt + QByteArray::fromStdString(password), QCryptographicHash::Sha256);
}

// Equal lengths and bytes, without stopping at the first difference.
bool SameBytes(const QByteArray& a, const QByteArray& b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (qsizetype i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

std::string ReadStoredPassword() {
  try {
    const std::string file = PasswordStoreFileName();
    if (!QFile::exists(QString::fromStdString(file))) return "";
    TZQVIniFile ini(file);
    return ini.ReadString(StoreSection, StoreKey, "");
  } catch (const Exception&) {
    return "";  // an unreadable store is a missing one: the default password is in force
  }
}

// The padlock glyphs of the Verify button.
QIcon LockGlyph(bool Locked) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(QColor(60, 60, 60), 2));
  if (Locked) p.drawArc(4, 1, 8, 10, 0, 180 * 16);
  else p.drawArc(8, 0, 8, 10, 0, 180 * 16);
  p.fillRect(2, 7, 12, 8, Locked ? QColor(200, 160, 0) : QColor(0, 160, 0));
  return QIcon(pm);
}
}  // namespace

std::string PasswordStoreFileName() { return AppDir() + "Software/ZQVWare/Korvalis V"; }

bool PasswordMatches(const std::string& Typed, const std::string& Stored) {
  if (Typed.empty()) return false;
  if (Stored.empty()) return SameBytes(QByteArray::fromStdString(Typed), DefaultPermissionsPassword);
  if (Stored.rfind(DigestPrefix, 0) == 0) {
    const QList<QByteArray> parts = QByteArray::fromStdString(Stored.substr(7)).split('$');
    if (parts.size() != 2) return false;
    const QByteArray salt = QByteArray::fromHex(parts[0]), digest = QByteArray::fromHex(parts[1]);
    if (salt.size() < 8 || digest.size() != 32) return false;  // a damaged value unlocks nothing
    return SameBytes(Digest(salt, Typed), digest);
  }
  return SameBytes(QByteArray::fromStdString(Typed), QByteArray::fromStdString(Stored));
}

std::string StoredPasswordForm(const std::string& Password) {
  QByteArray salt(16, '\0');
  for (auto& b : salt) b = char(QRandomGenerator::system()->bounded(256));
  return DigestPrefix + salt.toHex().toStdString() + "$" + Digest(salt, Password).toHex().toStdString();
}

TSetDimensioningDefaults::TSetDimensioningDefaults(TDrawDialogHost& Host, QWidget* parent) : TDrawDialogBase(Host, parent) {
  setupUi(this);
  setModal(false);
  connect(MaskEdit1, &QLineEdit::textChanged, this, [this] { PasswordTyped = true; });
  connect(Verify1, &QPushButton::clicked, this, [this] { Guarded("Verify1", [&] { Verify1Click(); }); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { Guarded("BitBtn1", [&] { BitBtn1Click(); }); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { close(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { close(); });
  connect(HelpBtn, &QPushButton::clicked, this, [] {
    if (OnMessageHelp) OnMessageHelp(HelpContext);
  });
  // Creation: the stored permissions go to the main window.
  ShowLock(true);
  bool boxes[4] = {true, true, true, true};
  try {
    TZQVIniFile ini(ProgramFile("Main.Ini"));
    for (int i = 0; i < 4; ++i) boxes[i] = ini.ReadBool("Form_Position", "CheckBox" + std::to_string(i + 1), true);
  } catch (const Exception&) {
  }
  CheckBox1->setChecked(boxes[0]);
  CheckBox2->setChecked(boxes[1]);
  CheckBox3->setChecked(boxes[2]);
  CheckBox4->setChecked(boxes[3]);
  {
    TDrawDialogHost* h = &DrawHost;
    h->SetWantDimensionEnabled(boxes[2]);
    h->SetDimensionTrackingEnabled(boxes[3]);
    if (!boxes[3]) h->SetDimensionTrackingChecked(false);
    h->SetCanHaveLength(boxes[1]);
    h->SetCanHaveAngle(boxes[0]);
  }
}

void TSetDimensioningDefaults::ShowLock(bool Locked) { Verify1->setIcon(LockGlyph(Locked)); }

void TSetDimensioningDefaults::SetBitBtn1Kind(TButtonKind Kind) {
  BitBtn1Kind = Kind;
  switch (Kind) {
    case bkRetry: BitBtn1->setText("&Retry"); break;
    case bkOK: BitBtn1->setText("OK"); break;
    case bkNo: BitBtn1->setText("&No"); break;
    default: BitBtn1->setText("Enter New &Password"); break;
  }
}

void TSetDimensioningDefaults::FormShow() {
  PasswordTyped = false;
  Verify1->setEnabled(true);
}

void TSetDimensioningDefaults::Verify1Click() {
  if (PasswordMatches(MaskEdit1->text().toStdString(), ReadStoredPassword())) {
    GroupBox1->setEnabled(true);
    ShowLock(false);
    BitBtn1->setEnabled(true);
    ShowMessage(
        "You may enter a new password now if you like. \rEnter your new password and click the \rEnter New Password "
        "button. You will have the chance to verify \ryour new password.");
    Verify1->setEnabled(false);
    MaskEdit1->clear();
  } else {
    ShowMessage("The password you have entered is incorrect. \rPlease try again.");
    MaskEdit1->clear();
    GroupBox1->setEnabled(false);
    ShowLock(true);
    ProcessMessages();
  }
}

void TSetDimensioningDefaults::BitBtn1Click() {
  // An empty entry counts as nothing typed: no empty password can be set.
  if (!PasswordTyped || MaskEdit1->text().isEmpty()) {
    ShowMessage("Please enter your old password first");
    return;
  }
  if (!FirstEntry) {
    Verify1->setEnabled(false);
    FirstCopy = MaskEdit1->text().toStdString();
    FirstEntry = true;
    ShowMessage("Could you please enter your new password again for verification ");
    MaskEdit1->clear();
    SetBitBtn1Kind(bkRetry);
    MaskEdit1->setFocus();
    return;
  }
  SecondCopy = MaskEdit1->text().toStdString();
  if (SecondCopy == FirstCopy) {
    if (MessageDlg("Your passwords match, changes will take effect \rthe next time you start the application",
                   mtInformation, mbOK | mbCancel, HelpContext) == mrOk) {
      const std::string file = PasswordStoreFileName();
      QDir().mkpath(QFileInfo(QString::fromStdString(file)).absolutePath());
      TZQVIniFile ini(file);
      ini.WriteString(StoreSection, StoreKey, StoredPasswordForm(SecondCopy));
      ini.UpdateFile();
      SetBitBtn1Kind(bkOK);
    } else {
      FirstCopy.clear();
      SecondCopy.clear();
      FirstEntry = false;
      Verify1->setEnabled(true);
      SetBitBtn1Kind(bkCustom);
    }
  } else {
    ShowMessage("The passwords you have entered do not match ,\rplease try again");
    FirstEntry = false;
    SetBitBtn1Kind(bkNo);
    FirstCopy.clear();
    SecondCopy.clear();
    MaskEdit1->clear();
    MaskEdit1->setFocus();
    ShowMessage("You may try again if you wish");
    SetBitBtn1Kind(bkCustom);
  }
}

void TSetDimensioningDefaults::FormClose() {
  const bool angles = CheckBox1->isChecked(), length = CheckBox2->isChecked(), dims = CheckBox3->isChecked(),
             tracking = CheckBox4->isChecked();
  {
    TDrawDialogHost* h = &DrawHost;
    h->SetWantDimensionOnEnabled(dims);
    h->SetWantDimensionChecked(dims);
    h->SetDimensionTrackingEnabled(tracking);
    h->SetDimensionTrackingChecked(tracking);
    h->SetCanHaveLength(length);
    h->SetCanHaveAngle(angles);
  }
  try {
    TZQVIniFile ini(ProgramFile("Main.Ini"));
    ini.WriteBool("Form_Position", "CheckBox1", angles);
    ini.WriteBool("Form_Position", "CheckBox2", length);
    ini.WriteBool("Form_Position", "CheckBox3", dims);
    ini.WriteBool("Form_Position", "CheckBox4", tracking);
    ini.WriteBool("Form_Position", "CanHaveLength", length);
    ini.WriteBool("Form_Position", "CanHaveAngle", angles);
    ini.UpdateFile();
  } catch (const Exception& e) {
    // The permissions are in force for this run; saying that they could not be kept.
    ShowMessage(e.Message);
  }
  GroupBox1->setEnabled(false);
  ShowLock(true);
  MaskEdit1->setText("***********");
}

void TSetDimensioningDefaults::showEvent(QShowEvent* event) {
  TDrawDialogBase::showEvent(event);
  FormShow();
}

TSetDimensioningDefaults::~TSetDimensioningDefaults() {
  if (SetDimensioningDefaults == this) SetDimensioningDefaults = nullptr;
}

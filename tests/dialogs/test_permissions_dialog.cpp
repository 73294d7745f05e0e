// The permissions dialog: the stored boxes reach the main window at creation and at every close,
// the password unlocks the group exactly as typed, and the password store cannot be edited into
// granting more than knowing a password does.
#include <QDir>
#include <QFile>
#include <QTest>

#include "dialog_test_support.h"
#include "dialogs/permissions_dialog.h"
#include "platform/app_dir.h"
#include "platform/zqv_ini_file.h"

class PermissionsDialog : public DialogTest {
protected:
  void SetUp() override {
    DialogTest::SetUp();
    QFile::remove(QString::fromStdString(ProgramFile("Main.Ini")));
    QFile::remove(QString::fromStdString(PasswordStoreFileName()));
  }
  void TearDown() override {
    QFile::remove(QString::fromStdString(PasswordStoreFileName()));
    DialogTest::TearDown();
  }
  void WriteStore(const std::string& value) {
    QDir().mkpath(QString::fromStdString(AppDir() + "Software/ZQVWare"));
    TZQVIniFile ini(PasswordStoreFileName());
    ini.WriteString("Form_Position", "MetricDisplayDefault", value);
    ini.UpdateFile();
  }
  void Type(TSetDimensioningDefaults& d, const char* text) { d.MaskEdit1->setText(text); }
};

TEST_F(PermissionsDialog, StoredBoxesReachTheMainWindow) {
  {
    TZQVIniFile ini(ProgramFile("Main.Ini"));
    ini.WriteBool("Form_Position", "CheckBox1", false);
    ini.WriteBool("Form_Position", "CheckBox4", false);
    ini.UpdateFile();
  }
  TSetDimensioningDefaults d(Host);
  EXPECT_FALSE(Host.CanAngle);
  EXPECT_TRUE(Host.CanLength);
  EXPECT_TRUE(Host.WantDimEnabled);
  EXPECT_FALSE(Host.TrackingEnabled);  // "Allow Dimension Tracking" clear: disabled and unticked
  EXPECT_FALSE(Host.TrackingChecked);
  EXPECT_FALSE(d.GroupBox1->isEnabled());

  // "&Cancel" stores the boxes exactly as "&OK" does.
  for (QPushButton* button : {d.CancelBtn, d.OKBtn}) {
    d.show();
    const bool dims = button == d.OKBtn;
    d.CheckBox3->setChecked(dims);
    d.CheckBox2->setChecked(!dims);
    button->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(Host.WantDimOnEnabled, dims);
    EXPECT_EQ(Host.WantDimChecked, dims);
    EXPECT_EQ(Host.CanLength, !dims);
    TZQVIniFile ini(ProgramFile("Main.Ini"));
    EXPECT_EQ(ini.ReadBool("Form_Position", "CheckBox3", !dims), dims);
    EXPECT_EQ(ini.ReadBool("Form_Position", "CanHaveLength", dims), !dims);
    EXPECT_EQ(d.MaskEdit1->text(), "***********");
  }
}

TEST_F(PermissionsDialog, PasswordUnlocksExactlyAsTyped) {
  TSetDimensioningDefaults d(Host);
  d.show();
  for (const char* wrong : {"", "854", "85410", " 8541"}) {
    Messages().Clear();
    Type(d, wrong);
    d.Verify1->click();
    EXPECT_FALSE(d.Unlocked()) << wrong;
    EXPECT_EQ(Messages().Texts(), std::vector<std::string>{"The password you have entered is incorrect. \rPlease try again."});
    EXPECT_TRUE(d.MaskEdit1->text().isEmpty());
  }
  Messages().Clear();
  Type(d, "8541");
  d.Verify1->click();
  EXPECT_TRUE(d.Unlocked());
  EXPECT_FALSE(d.Verify1->isEnabled());
  EXPECT_TRUE(d.BitBtn1->isEnabled());
  EXPECT_EQ(Messages().Texts().size(), 1u);
  EXPECT_EQ(Messages().Texts()[0].rfind("You may enter a new password now if you like. \r", 0), 0u);
  d.close();
  EXPECT_FALSE(d.Unlocked());  // every close locks again

  // A stored password with letters: a different letter case is refused.
  WriteStore("Secret");
  d.show();
  Type(d, "secret");
  d.Verify1->click();
  EXPECT_FALSE(d.Unlocked());
  Type(d, "Secret");
  d.Verify1->click();
  EXPECT_TRUE(d.Unlocked());
}

TEST_F(PermissionsDialog, NewPasswordEntry) {
  TSetDimensioningDefaults d(Host);
  d.show();
  // Nothing typed since shown: only the request for the old password.
  d.BitBtn1->setEnabled(true);
  d.BitBtn1->click();
  EXPECT_EQ(Messages().Texts(), std::vector<std::string>{"Please enter your old password first"});
  EXPECT_FALSE(d.FirstEntry);

  Type(d, "8541");
  d.Verify1->click();
  Messages().Clear();
  // A mismatch: both messages, Verify stays disabled, and the next press takes a new first copy.
  Type(d, "alpha");
  d.BitBtn1->click();
  EXPECT_EQ(d.BitBtn1Kind, TSetDimensioningDefaults::bkRetry);
  Type(d, "alphb");
  d.BitBtn1->click();
  EXPECT_EQ(Messages().Texts(),
            (std::vector<std::string>{"Could you please enter your new password again for verification ",
                                      "The passwords you have entered do not match ,\rplease try again",
                                      "You may try again if you wish"}));
  EXPECT_FALSE(d.Verify1->isEnabled());
  EXPECT_FALSE(d.FirstEntry);
  EXPECT_EQ(d.BitBtn1Kind, TSetDimensioningDefaults::bkCustom);

  // A match confirmed with OK is stored, never as its plain text, and is in force at once.
  Messages().Clear();
  Type(d, "New-Pass 7");
  d.BitBtn1->click();
  Type(d, "New-Pass 7");
  Messages().Answer(mrOk);
  d.BitBtn1->click();
  EXPECT_EQ(Messages().Last().Text, "Your passwords match, changes will take effect \rthe next time you start the application");
  EXPECT_EQ(Messages().Last().Buttons, mbOK | mbCancel);
  EXPECT_EQ(d.BitBtn1Kind, TSetDimensioningDefaults::bkOK);
  QFile store(QString::fromStdString(PasswordStoreFileName()));
  ASSERT_TRUE(store.open(QIODevice::ReadOnly));
  const QByteArray content = store.readAll();
  EXPECT_FALSE(content.contains("New-Pass 7"));
  EXPECT_TRUE(content.contains("MetricDisplayDefault=sha256$"));
  d.close();
  d.show();
  Type(d, "8541");
  d.Verify1->click();
  EXPECT_FALSE(d.Unlocked());
  Type(d, "New-Pass 7");
  d.Verify1->click();
  EXPECT_TRUE(d.Unlocked());
}

TEST_F(PermissionsDialog, StoreEditedByHand) {
  struct Case {
    const char* stored;
    const char* typed;
    bool unlocks;
  };
  const std::string digest = StoredPasswordForm("abc");
  const std::vector<Case> cases = {
      {"", "8541", true},           // an empty value is a missing one: the default is in force
      {"", "", false},              // an empty password never unlocks
      {"sha256$", "", false},       // damaged digests unlock nothing
      {"sha256$00$00", "8541", false},
      {"sha256$zz$", "anything", false},
      {digest.c_str(), "abc", true},
      {digest.c_str(), "abd", false},
      {digest.c_str(), digest.c_str(), false},  // the stored text itself is no password
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.stored) + " / " + c.typed);
    EXPECT_EQ(PasswordMatches(c.typed, c.stored), c.unlocks);
  }
  // Two stores of one password differ (salted), and both hold it.
  const std::string again = StoredPasswordForm("abc");
  EXPECT_NE(again, digest);
  EXPECT_TRUE(PasswordMatches("abc", again));
}

// The "Set Dimensioning Defaults" dialog: four measurement permissions of the drawing tools
// (angles, lengths, dimension annotations, dimension tracking) for every user of the program on
// this machine, in a group box that only the password unlocks; the dialog also changes the
// password. Created at start-up (applying the stored permissions), shown modeless; every close
// applies and stores the boxes and locks the group again.
#pragma once

#include <string>

#include "dialogs/draw_dialog_base.h"
#include "ui_permissions_dialog.h"

// The password store: an ini file "Korvalis V" in the folder "Software/ZQVWare" of the program
// folder, section "Form_Position", key "MetricDisplayDefault".
std::string PasswordStoreFileName();
// The password in force when the store holds none.
extern const char* const DefaultPermissionsPassword;
// Whether Typed is the password the stored value stands for (a salted digest, or the plain text
// of an older store; a missing or empty value stands for the default password). An empty Typed
// never matches.
bool PasswordMatches(const std::string& Typed, const std::string& Stored);
// The stored form of a new password: "sha256$" salt "$" digest, in hexadecimal.
std::string StoredPasswordForm(const std::string& Password);

class TSetDimensioningDefaults : public TDrawDialogBase, public Ui::TSetDimensioningDefaults {
  Q_OBJECT
public:
  explicit TSetDimensioningDefaults(TDrawDialogHost& Host, QWidget* parent = nullptr);
  ~TSetDimensioningDefaults() override;

  // The look of "Enter New Password": its own, or the standard Retry, OK or No button.
  enum TButtonKind { bkCustom, bkRetry, bkOK, bkNo };
  TButtonKind BitBtn1Kind = bkCustom;
  bool PasswordTyped = false;
  bool FirstEntry = false;
  std::string FirstCopy;
  std::string SecondCopy;
  bool Unlocked() const { return GroupBox1->isEnabled(); }

  void FormShow();
  void Verify1Click();
  void BitBtn1Click();
  void SetBitBtn1Kind(TButtonKind Kind);

protected:
  void FormClose() override;
  void showEvent(QShowEvent* event) override;

private:
  void ShowLock(bool Locked);
};

extern TSetDimensioningDefaults* SetDimensioningDefaults;

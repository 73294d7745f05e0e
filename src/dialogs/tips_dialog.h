// The tip-of-the-day window: one tip at a time from "TipsText.txt" in the program folder, with its
// picture, stepping (wrapping at both ends), jumping by number, searching the tip texts, the tip's
// own help page and the "Don't show tips at start up?" box. Not modal; stays on top of the main
// window; frees itself when closed.
#pragma once

#include <QDialog>
#include <QStringList>
#include <QTimer>
#include <string>

#include "ui_tips_dialog.h"

class TTipsDialog : public QDialog, public Ui::TTipsDialog {
  Q_OBJECT
public:
  explicit TTipsDialog(QWidget* parent = nullptr);
  ~TTipsDialog() override;

  void SetIniFileName(const std::string& Name);
  const std::string& IniFileName() const { return FIniFileName; }
  void LoadTips(const std::string& FileName);
  void ShowTip(int Index);
  int TipCount() const { return int(Tips.size()); }
  const QStringList& TipLines() const { return Tips; }

  // The help context of the window: the tip's own one while a tip is shown.
  int HelpContext = 1450;
  // The name of the current tip's picture resource.
  QString CurrentResourceName;
  QTimer* T1 = nullptr;

  void FormCreate();
  void FormShow();
  void FormClose();
  void NextTip1Click();
  void Previous1Click();
  void SpinEdit1Change();
  void SpeedButton1Click();
  void T1Timer();
  void HelpBtn1Click();
  void OKBtnClick();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QStringList Tips;
  std::string FIniFileName;
  bool Shown = false;
  bool Closed = false;
};

extern TTipsDialog* TipsDialog;
// The tip shown (0-based) and where the next search starts.
extern int CurrentTip;
extern int TipSearchPos;

// Shows the tips window unless "ShowTips" in [TipsDlg_Messages] of IniFileName is true (which
// means: not at start-up). Owner, when given, is the window the tips stay on top of. An open tips
// window is brought to the front instead of making a second one.
void ShowTipsAtStartup(const std::string& IniFileName, QWidget* Owner = nullptr);

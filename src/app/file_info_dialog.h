// The information window: shows the statistics of the current document that File > Information
// writes into its memo. Modeless; created on first use; OK only hides it, so the next Information
// command fills and shows the same window again.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "ui_file_info_dialog.h"

class TFileInfoDlg1 : public QDialog, public Ui::TFileInfoDlg1 {
  Q_OBJECT
public:
  explicit TFileInfoDlg1(QWidget* parent = nullptr);
  ~TFileInfoDlg1() override;
  int HelpContext = 10;

  void FormShow();
  void OKBtnClick();

protected:
  void showEvent(QShowEvent* event) override;
};

extern TFileInfoDlg1* FileInfoDlg1;

class TForm1;
// The lines File > Information shows: the text statistics, then every image object, pasted
// bitmap and picture with its file and rectangle, the shapes, and the list of graphics files.
std::vector<std::string> FileInformationLines(TForm1& Form);
// The window, created when first asked for.
TFileInfoDlg1* GetFileInfoDlg();

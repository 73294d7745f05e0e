// The information window: shows the statistics of the current document that File > Information
// writes into its memo. Modeless; created on first use; OK only hides it, so the next Information
// command fills and shows the same window again.
#pragma once

#include <QDialog>

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
// The window, created when first asked for.
TFileInfoDlg1* GetFileInfoDlg();

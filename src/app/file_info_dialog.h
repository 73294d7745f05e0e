// The information window: shows the lines of the Information command. Created on first use and
// only hidden when closed.
#pragma once

#include <QDialog>

#include "ui_file_info_dialog.h"

class TFileInfoDlg1 : public QDialog, public Ui::TFileInfoDlg1 {
  Q_OBJECT
public:
  explicit TFileInfoDlg1(QWidget* parent = nullptr);
};

extern TFileInfoDlg1* FileInfoDlg1;
// The window, created when first asked for.
TFileInfoDlg1* GetFileInfoDlg();

#include "app/file_info_dialog.h"

#include "app/main_window.h"

TFileInfoDlg1* FileInfoDlg1 = nullptr;

TFileInfoDlg1::TFileInfoDlg1(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  connect(ButtonBox, &QDialogButtonBox::accepted, this, &QDialog::hide);
}

TFileInfoDlg1* GetFileInfoDlg() {
  if (!FileInfoDlg1) FileInfoDlg1 = new TFileInfoDlg1(Form1);
  return FileInfoDlg1;
}

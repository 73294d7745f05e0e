#include "app/file_info_dialog.h"

#include <QScreen>

#include "app/main_window.h"

TFileInfoDlg1* FileInfoDlg1 = nullptr;

TFileInfoDlg1::TFileInfoDlg1(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
}

TFileInfoDlg1::~TFileInfoDlg1() {
  if (FileInfoDlg1 == this) FileInfoDlg1 = nullptr;
}

void TFileInfoDlg1::FormShow() {
  setWindowTitle(QString::fromStdString("Information->" + (Form1 ? Form1->DocFileName : std::string())));
}

void TFileInfoDlg1::OKBtnClick() { hide(); }

void TFileInfoDlg1::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
  if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
}

TFileInfoDlg1* GetFileInfoDlg() {
  if (!FileInfoDlg1) FileInfoDlg1 = new TFileInfoDlg1(Form1);
  return FileInfoDlg1;
}

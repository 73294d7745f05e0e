#include "dialogs/file_info_dialog.h"

#include <QScreen>

TFileInfoDlg1* FileInfoDlg1 = nullptr;

TFileInfoDlg1::TFileInfoDlg1(TFileInfoHost& Host, QWidget* parent) : QDialog(parent), Host(Host) {
  setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
}

TFileInfoDlg1::~TFileInfoDlg1() {
  if (FileInfoDlg1 == this) FileInfoDlg1 = nullptr;
}

void TFileInfoDlg1::FormShow() {
  setWindowTitle(QString::fromStdString("Information->" + Host.InformationFileName()));
}

void TFileInfoDlg1::OKBtnClick() { hide(); }

void TFileInfoDlg1::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
  if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
}

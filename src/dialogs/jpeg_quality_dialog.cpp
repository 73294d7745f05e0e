#include "dialogs/jpeg_quality_dialog.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "dialogs/form_placement.h"
#include "dialogs/help_viewer.h"
#include "platform/app_dir.h"

TJpegImageQuality1* JpegImageQuality1 = nullptr;
int SavedQuality = 75;

TJpegImageQuality1::TJpegImageQuality1(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  setObjectName("JpegImageQuality1");  // its placement section
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  JPegQ->SetValueType(vtInteger);
  JPegQ->SetMinValue(5);
  JPegQ->SetMaxValue(100);
  JPegQ->SetValue(75);
  OKBtn->setAutoDefault(false);
  CancelBtn->setAutoDefault(false);
  HelpBtn->setAutoDefault(false);
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  connect(HelpBtn, &QPushButton::clicked, this, [this] { ShowHelpContext(HelpContext); });
}

void TJpegImageQuality1::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TJpegImageQuality1::FormShow() {
  // Centred on the screen unless a placement was kept.
  if (QScreen* s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
  RestoreFormPlacement(this, AppDir() + "ChildFms.ini");
  SavedQuality = int(std::lround(JPegQ->Value()));
}

void TJpegImageQuality1::OKBtnClick() { accept(); }

void TJpegImageQuality1::CancelBtnClick() { reject(); }

void TJpegImageQuality1::reject() {
  // Cancel, Escape and the close box put back the value shown at opening.
  JPegQ->SetValue(SavedQuality);
  QDialog::reject();
}

void TJpegImageQuality1::FormClose() { SaveFormPlacement(this, AppDir() + "ChildFms.ini"); }

void TJpegImageQuality1::done(int result) {
  FormClose();
  QDialog::done(result);
}

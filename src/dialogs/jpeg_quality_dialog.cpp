#include "dialogs/jpeg_quality_dialog.h"

TJpegImageQuality1* JpegImageQuality1 = nullptr;

TJpegImageQuality1::TJpegImageQuality1(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  JPegQ->SetMinValue(5);
  JPegQ->SetMaxValue(100);
  JPegQ->SetValue(75);
  connect(ButtonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(ButtonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

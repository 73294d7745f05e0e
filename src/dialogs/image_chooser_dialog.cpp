#include "dialogs/image_chooser_dialog.h"

#include <QLineEdit>

#include "dialogs/form_placement.h"
#include "dialogs/help_viewer.h"
#include "dialogs/image_object_host.h"
#include "platform/app_dir.h"

TSelectImageObject1* SelectImageObject1 = nullptr;
TSelectImageObject1::TSelectImageObject1(TImageObjectHost& Host, QWidget* parent) : QDialog(parent), Host(Host) {
  setupUi(this);
  setObjectName("SelectImageObject1");  // its placement section
  setAttribute(Qt::WA_DeleteOnClose);
  SelectImageObject1 = this;
  // Arrows only: the index cannot be typed.
  ImageSpin1->SetValueType(vtInteger);
  ImageSpin1->SetMinValue(0);
  ImageSpin1->SetMaxValue(0);
  ImageSpin1->setMinimum(0);
  ImageSpin1->setMaximum(0);
  ImageSpin1->SetEditorEnabled(false);
  ImageSpin1->setMaxLength(3);
  for (QPushButton* b : {OKBtn, CancelBtn, HelpBtn}) b->setAutoDefault(false);
  OKBtn->setDefault(true);
  ImageSpin1->OnChange = [this](QObject*) { ImageSpin1Change(); };
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  connect(HelpBtn, &QPushButton::clicked, this, [this] { ShowHelpContext(HelpContext); });
}

TSelectImageObject1::~TSelectImageObject1() {
  if (SelectImageObject1 == this) SelectImageObject1 = nullptr;
}

void TSelectImageObject1::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TSelectImageObject1::FormShow() {
  const int count = Host.ImageObjectCount();
  const auto handler = std::move(ImageSpin1->OnChange);
  ImageSpin1->OnChange = nullptr;
  ImageSpin1->SetMaxValue(std::max(0, count - 1));
  ImageSpin1->setMaximum(std::max(0, count - 1));
  ImageSpin1->SetValue(0);
  ImageSpin1->OnChange = handler;
  if (count > 0) {
    Host.SelectImageObject(0);
    Host.SetFrameDynamicResize(true);
  }
  RestoreFormPlacement(this, AppDir() + "ChildFms.ini");
}

void TSelectImageObject1::ImageSpin1Change() {
  const int index = ImageSpin1->AsInteger();
  if (index < 0 || index > Host.ImageObjectCount() - 1) return;
  Host.DeselectImageObject();
  Host.SelectImageObject(index);
  Host.SetFrameDynamicResize(true);
}

void TSelectImageObject1::OKBtnClick() {
  Host.RepaintFrame();
  accept();
}

void TSelectImageObject1::CancelBtnClick() { reject(); }

void TSelectImageObject1::reject() {
  Host.DeselectImageObject();
  QDialog::reject();
}

void TSelectImageObject1::done(int result) {
  SaveFormPlacement(this, AppDir() + "ChildFms.ini");
  QDialog::done(result);
}

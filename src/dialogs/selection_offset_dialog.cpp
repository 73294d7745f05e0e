#include "dialogs/selection_offset_dialog.h"

#include "dialogs/form_placement.h"
#include "dialogs/help_viewer.h"
#include "platform/app_dir.h"
#include "text/selection_offset.h"
#include "text/text_page.h"

TSetSelectionOffset::TSetSelectionOffset(TTextPage& Page, QWidget* parent) : QDialog(parent), Page(Page) {
  setupUi(this);
  setObjectName("SetSelectionOffset");  // its placement section
  OffsetValue1->SetMinValue(-100);
  OffsetValue1->SetMaxValue(100);
  OffsetValue1->SetValue(0);
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(Button1, &QPushButton::clicked, this, [] { ShowHelpContext(315); });
}

void TSetSelectionOffset::OKBtnClick() {
  ApplySelectionOffsetValue(Page, this, OffsetValue1->Value());
  accept();
}

void TSetSelectionOffset::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  RestoreFormPlacement(this, ProgramFile("ChildFms.ini"));
  OffsetValue1->setFocus();
}

void TSetSelectionOffset::done(int r) {
  SaveFormPlacement(this, ProgramFile("ChildFms.ini"));
  QDialog::done(r);
}

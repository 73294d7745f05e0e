#include "dialogs/grid_setup_dialog.h"

#include "cad/engine.h"
#include "dialogs/form_placement.h"
#include "dialogs/help_viewer.h"
#include "platform/app_dir.h"

TSetupGridForm::TSetupGridForm(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  RestoreFormPlacement(this, ProgramFile("ChildFms.ini"));
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  connect(HelpBtn, &QPushButton::clicked, this, [] { ShowHelpContext(270); });
}

TSetupGridForm::~TSetupGridForm() { SaveFormPlacement(this, ProgramFile("ChildFms.ini")); }

void TSetupGridForm::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TSetupGridForm::FormShow() {
  if (!Figures) return;
  const TRealFig* source = Figures->FirstSelectedFigure();
  if (!source) source = Figures->Template.get();
  HCellNum->setValue(source->GridCellsX);
  VCellNum->setValue(source->GridCellsY);
  OldDynamicGrids = Figures->DynamicGrids;
  OldScanGrids = Figures->ScanGrids;
  DynamicGridsCbx->setChecked(OldDynamicGrids);
  ScanGridsCbx->setChecked(OldScanGrids);
}

void TSetupGridForm::OKBtnClick() {
  if (Figures) {
    Figures->Template->SetGridCellsX(HCellNum->value());
    Figures->Template->SetGridCellsY(VCellNum->value());
    Figures->DynamicGrids = DynamicGridsCbx->isChecked();
    Figures->ScanGrids = ScanGridsCbx->isChecked();
  }
  accept();
}

void TSetupGridForm::CancelBtnClick() {
  if (Figures) {
    Figures->DynamicGrids = OldDynamicGrids;
    Figures->ScanGrids = OldScanGrids;
  }
  reject();
}

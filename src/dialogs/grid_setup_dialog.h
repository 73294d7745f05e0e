// The grid dialog: cells across and down of the grid kind, and the engine's dynamic-grids and
// scan-grids options (put back when the dialog is cancelled).
#pragma once

#include <QDialog>

#include "ui_grid_setup_dialog.h"

class TSetupGridForm : public QDialog, public Ui::TSetupGridForm {
  Q_OBJECT
public:
  explicit TSetupGridForm(QWidget* parent = nullptr);
  ~TSetupGridForm() override;

  void FormShow();
  void OKBtnClick();
  void CancelBtnClick();

  bool OldDynamicGrids = true;
  bool OldScanGrids = true;

protected:
  void showEvent(QShowEvent* event) override;
};

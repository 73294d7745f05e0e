// The size dialog: one length of the template (line thickness, rectangle radius, arc radius,
// arrow head length, wavy line height, tick length) in inches or, in a centimetre workspace,
// millimetres.
#pragma once

#include <QDialog>

#include "ui_size_dialog.h"

class TZQVCad;

class TAngleArcFm : public QDialog, public Ui::TAngleArcFm {
  Q_OBJECT
public:
  explicit TAngleArcFm(QWidget* parent = nullptr);

  // Shows the dialog modally for the code; without an engine, a message and 0.
  int Execute(uint8_t Code, TZQVCad* Engine);
  void SetUnits(bool Metric);
  void FormShow();
  void OKBtnClick();

  uint8_t Code = 16;
  TZQVCad* Engine = nullptr;
  bool Metric = false;
  // A maximum in inches the opening command sets in place of the unit's own (0: none).
  double MaximumOverride = 0;

protected:
  void showEvent(QShowEvent* event) override;

private:
  double Factor() const { return Metric ? 10.0 : 1.0; }
};

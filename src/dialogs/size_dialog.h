// The size dialog: one length of the template (line thickness, rectangle radius, arc radius,
// arrow head length, wavy line height, tick length) in inches or, in a centimetre workspace,
// millimetres.
#pragma once

#include <QDialog>

#include "ui_size_dialog.h"

class TZQVCad;
class TRealFig;

class TAngleArcFm : public QDialog, public Ui::TAngleArcFm {
  Q_OBJECT
public:
  explicit TAngleArcFm(QWidget* parent = nullptr);

  // Shows the dialog modally for the code; without an engine, a message and 0.
  int Execute(uint8_t Code, TZQVCad* Engine);
  void SetUnits(bool Metric);
  void FormShow();
  void OKBtnClick();
  // The length a code edits (9, 15, 16, 17, 21, 22; false for other codes), in world units.
  static bool GetSize(const TRealFig& Figure, uint8_t Code, double& Value);
  static void SetSize(TRealFig& Figure, uint8_t Code, double Value);

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

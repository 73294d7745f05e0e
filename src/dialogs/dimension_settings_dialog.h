// The "Dimension Settings" dialog: metric or inch units, the suffix, the multiplier, the number
// format with its precision and digits, whether annotations are shown, and the annotation font
// of the CAD engine's property template; with a selection on the page the changes go to the
// selected figures and the template stays as it was. Created for each use and shown modally.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/draw_dialog_base.h"
#include "ui_dimension_settings_dialog.h"

// Attributes changed since the dialog was shown or last applied (TFigurePropertyIndex bits:
// 1 want dimensions, 4 multiplier, 8 precision, 16 digits, 32 metric, 64 suffix, 16384 format).
extern uint32_t DimChangedAttributes;

class TDimSettings1 : public TDrawDialogBase, public Ui::TDimSettings1 {
  Q_OBJECT
public:
  explicit TDimSettings1(TDrawDialogHost& Host, QWidget* parent = nullptr);

  void FormShow();
  void ApplySettings(QObject* Sender);
  void Cancel1Click();

  // The seven attributes: as read at show (held) and as now (current).
  struct TDimValues {
    bool Metric = false;
    bool WantDimensions = false;
    std::string Suffix;
    uint8_t Multiplier = 5;
    int32_t Precision = 12;
    int32_t Digits = 6;
    uint8_t NumberFormat = 0;
  };
  TDimValues Held;
  TDimValues Current;
  bool Applied = false;

protected:
  bool CloseQuery() override;
  void FormClose() override;
  void showEvent(QShowEvent* event) override;

private:
  void MetricChange(bool Value);
  void WantDimensionsChange(bool Value);
  void SuffixChange(const std::string& Value);
  void MultiplierChange(uint8_t Value);
  void PrecisionChange(int32_t Value);
  void DigitsChange(int32_t Value);
  void NumberFormatChange(uint8_t Value);
  void ShowFont(const class TRealFig& Source);
};

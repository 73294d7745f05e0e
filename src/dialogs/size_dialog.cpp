#include "dialogs/size_dialog.h"

#include "cad/engine.h"
#include "dialogs/help_viewer.h"
#include "helpers/error_report.h"
#include "platform/messages.h"

TAngleArcFm::TAngleArcFm(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  AngleArcSpin1->SetValueType(vtFloat);
  SetUnits(false);
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(HelpBtn, &QPushButton::clicked, this, [] { ShowHelpContext(325); });
}

int TAngleArcFm::Execute(uint8_t NewCode, TZQVCad* NewEngine) {
  if (!NewEngine) {
    ShowMessage(std::string("Cad engine unavailable. Exiting. Please report this to ") + SupportAddress);
    return 0;
  }
  Code = NewCode;
  Engine = NewEngine;
  SetUnits(Engine->Metric);
  return exec();
}

void TAngleArcFm::SetUnits(bool NewMetric) {
  Metric = NewMetric;
  if (Metric) {
    AngleArcSpin1->SetDecimal(5);
    AngleArcSpin1->SetMinValue(Code == 9 ? 0.001 : 0.1);
    AngleArcSpin1->SetMaxValue(50.0);
    AngleArcSpin1->SetIncrement(0.2);
    Label1->setText("mm");
  } else {
    AngleArcSpin1->SetDecimal(6);
    AngleArcSpin1->SetMinValue(Code == 9 ? 0.0001 : 0.01);
    AngleArcSpin1->SetMaxValue(MaximumOverride > 0 ? MaximumOverride : 2.0);
    AngleArcSpin1->SetIncrement(0.01);
    Label1->setText("Inches");
  }
}

void TAngleArcFm::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

bool TAngleArcFm::GetSize(const TRealFig& s, uint8_t Code, double& Value) {
  switch (Code) {
    case 9: Value = s.PenWidth; return true;
    case 15: Value = s.RectangleRadius; return true;
    case 16: Value = s.ArcRadius; return true;
    case 17: Value = s.ArrowHeadLength; return true;
    case 21: Value = s.WavyLineHeight; return true;
    case 22: Value = s.TickLength; return true;
    default: return false;
  }
}

void TAngleArcFm::SetSize(TRealFig& t, uint8_t Code, double v) {
  switch (Code) {
    case 9: t.SetPenWidth(v); break;
    case 15: t.SetRectangleRadius(v); break;
    case 16: t.SetArcRadius(v); break;
    case 17: t.SetArrowHeadLength(v); break;
    case 21: t.SetWavyLineHeight(v); break;
    case 22: t.SetTickLength(v); break;
    default: break;
  }
}

void TAngleArcFm::FormShow() {
  if (!Engine) return;
  const TRealFig* s = Engine->FirstSelectedFigure();
  if (!s) s = Engine->Template.get();
  double v = 0;
  if (GetSize(*s, Code, v)) AngleArcSpin1->SetValue(v * Factor());
}

void TAngleArcFm::OKBtnClick() {
  if (Engine) SetSize(*Engine->Template, Code, static_cast<float>(AngleArcSpin1->Value()) / Factor());
  accept();
}

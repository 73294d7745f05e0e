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

void TAngleArcFm::FormShow() {
  if (!Engine) return;
  const TRealFig* s = Engine->FirstSelectedFigure();
  if (!s) s = Engine->Template.get();
  double v = 0;
  switch (Code) {
    case 9: v = s->PenWidth; break;
    case 15: v = s->RectangleRadius; break;
    case 16: v = s->ArcRadius; break;
    case 17: v = s->ArrowHeadLength; break;
    case 21: v = s->WavyLineHeight; break;
    case 22: v = s->TickLength; break;
    default: return;
  }
  AngleArcSpin1->SetValue(v * Factor());
}

void TAngleArcFm::OKBtnClick() {
  if (Engine) {
    const double v = static_cast<float>(AngleArcSpin1->Value()) / Factor();
    TRealFig& t = *Engine->Template;
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
  accept();
}

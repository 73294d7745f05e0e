#include "dialogs/polygon_setup_dialog.h"

#include "cad/engine.h"
#include "dialogs/help_viewer.h"
#include "helpers/error_report.h"
#include "platform/messages.h"

TSetUpPolygon::TSetUpPolygon(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(HelpBtn, &QPushButton::clicked, this, [] { ShowHelpContext(270); });
}

int TSetUpPolygon::Execute(uint8_t NewCode, TZQVCad* NewEngine) {
  if (!NewEngine) {
    ShowMessage(std::string("Invalid CAD engine. Please report this to ") + SupportAddress +
                " if the problem recurrs");
    return 0;
  }
  Code = NewCode;
  Engine = NewEngine;
  return exec();
}

void TSetUpPolygon::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TSetUpPolygon::FormShow() {
  if (!Engine) return;
  const TRealFig* source = Engine->FirstSelectedFigure();
  if (!source) source = Engine->Template.get();
  // A polygon has at least three sides.
  Sides1->setRange(Code == 19 ? 3 : 1, NodeCount - 3);
  Sides1->setValue(Code == 20 ? source->LineDivisions : source->PolygonSides);
}

void TSetUpPolygon::OKBtnClick() {
  if (Engine) {
    if (Code == 19) Engine->Template->SetPolygonSides(Sides1->value());
    else if (Code == 20) Engine->Template->SetLineDivisions(Sides1->value());
  }
  accept();
}

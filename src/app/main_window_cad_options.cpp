// The Options menu's CAD switches: snapping and its area, grid scanning and drawing, pixel snap,
// node ticks, automatic refresh and bring-to-front, non-filled shapes only, and the same-colour
// divider. The ticks are the stored state (kept with the CAD settings) and are copied into the
// engine here.
#include <QMenu>

#include "app/main_window.h"
#include "app/main_window_menu_items.h"
#include "cad/engine.h"
#include "platform/guarded.h"


void TForm1::WireCadOptionCommands() {
  QAction* small = FindOrAddMenuItem(*this, _Options, "SmallSnapArea1", "Small Snap Area", true, !LargeSnapArea1->isChecked());
  QAction* dynamic = FindOrAddMenuItem(*this, _Options, "DrawGridsDynamically1", "Draw Grids Dynamically", true, true);
  QAction* pixel = FindOrAddMenuItem(*this, _Options, "SnaptoPixel1", "Snap to Pixel", true, false);
  QAction* divider = FindOrAddMenuItem(*this, _Options, "SameColorDivider1", "Same Color Divider", true, true);
  // The snap-area pair stays a radio pair also when the stored settings tick one of them.
  connect(LargeSnapArea1, &QAction::toggled, small, [small](bool on) { small->setChecked(!on); });
  connect(small, &QAction::toggled, LargeSnapArea1, [this](bool on) { LargeSnapArea1->setChecked(!on); });
  for (QAction* a : {ToggleOnOff1, LargeSnapArea1, small})
    connect(a, &QAction::triggered, this, [this, a] { Guarded("ToggleOnOff1", [&] { ToggleOnOff1Click(a); }); });
  connect(ScanGrids1, &QAction::triggered, this, [this] { Guarded("ScanGrids1", [&] { ScanGrids1Click(ScanGrids1); }); });
  connect(dynamic, &QAction::triggered, this,
          [this, dynamic] { Guarded("DrawGridsDynamically1", [&] { DrawGridsDynamically1Click(dynamic); }); });
  connect(pixel, &QAction::triggered, this, [this, pixel] { Guarded("SnaptoPixel1", [&] { SnaptoPixel1Click(pixel); }); });
  connect(divider, &QAction::triggered, this,
          [this, divider] { Guarded("SameColorDivider1", [&] { SameColorDivider1Click(divider); }); });
  for (QAction* a : {DimensionTracking1, AutoBringtoFront1, NonFilledShapesOnly1, AutoRefreshShapes1, WantTicks1,
                     IncDelandBackinUndo1})
    connect(a, &QAction::triggered, this, [this, a] { Guarded("WantTicks1", [&] { WantTicks1Click(a); }); });
}

void TForm1::ToggleOnOff1Click(QObject* Sender) {
  // Qt has already toggled the sender's tick; a snap-area item is always ticked when chosen.
  if (Sender != ToggleOnOff1)
    if (auto* item = qobject_cast<QAction*>(Sender)) item->setChecked(true);
  const bool large = LargeSnapArea1->isChecked();
  SnapAreaSize = large ? 6 : 2;
  if (Figures) Figures->SetLargeSnapArea(large);
  ShowToolStatus();
}

void TForm1::ScanGrids1Click(QObject* Sender) {
  auto* item = qobject_cast<QAction*>(Sender);
  if (!item || !Figures) return;
  Figures->ScanGrids = item->isChecked();
  Figures->Template->Kind = 22;
}

void TForm1::DrawGridsDynamically1Click(QObject* Sender) {
  auto* item = qobject_cast<QAction*>(Sender);
  if (!item || !Figures) return;
  Figures->DynamicGrids = item->isChecked();
  Figures->Template->Kind = 22;
}

void TForm1::SnaptoPixel1Click(QObject* Sender) {
  auto* item = qobject_cast<QAction*>(Sender);
  if (!item || !Figures) return;
  Figures->PixelSnap = !Figures->PixelSnap;
  item->setChecked(Figures->PixelSnap);
}

void TForm1::SameColorDivider1Click(QObject* Sender) {
  auto* item = qobject_cast<QAction*>(Sender);
  if (!item || !Figures) return;
  Figures->SameColorDivider = !Figures->SameColorDivider;
  item->setChecked(Figures->SameColorDivider);
}

void TForm1::WantTicks1Click(QObject*) {
  if (!Figures) return;
  Figures->WantTicks = WantTicks1->isChecked();
  Figures->SetLargeSnapArea(LargeSnapArea1->isChecked());
  Figures->AutoRefresh = AutoRefreshShapes1->isChecked();
  Figures->AutoFront = AutoBringtoFront1->isChecked();
  Figures->NonFilledOnly = NonFilledShapesOnly1->isChecked();
}

// The drawing tools: the tool buttons, the CAD engine instance and its events, the tool status.
#include "app/main_window.h"

#include <QLocale>
#include <algorithm>

#include "app/page_setup_dialog.h"
#include "cad/engine.h"
#include "cad/old_shape_points.h"
#include "codecs/gif_image.h"
#include "codecs/jpeg_image.h"
#include "codecs/png_image.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/app_dir.h"
#include "platform/canvas.h"
#include "platform/exceptions.h"
#include "platform/guarded.h"
#include "platform/screen.h"
#include "platform/zqv_ini_file.h"
#include "text/text_glue.h"

void TForm1::WireToolCommands() {
  // Tool buttons: one group, exactly one down (text at start).
  for (auto* b : {tbText, tbSelect, tbDraw, tbMove}) b->SetGroupIndex(1);
  tbText->SetDown(true);
  int group = 20;
  for (auto* b : {tbPickPen, tbPickBrush, tbPickBackground, tbPickDimFontColor, tbPickMnFontClr}) {
    b->SetGroupIndex(group++);
    b->AllowAllUp = true;
  }
  connect(tbText, &QToolButton::clicked, this, [this] { tbTextClick(tbText); });
  connect(tbSelect, &QToolButton::clicked, this, [this] { tbSelectClick(tbSelect); });
  connect(tbDraw, &QToolButton::clicked, this, [this] { tbDrawClick(tbDraw); });
  connect(tbMove, &QToolButton::clicked, this, [this] { tbMoveClick(tbMove); });
}

void TForm1::CreateCadEngine() {
  // A new engine keeps the drawing properties of the old one's template (not its nodes).
  std::unique_ptr<TStoredProperties> saved;
  if (Figures) {
    saved = std::make_unique<TStoredProperties>();
    saved->AssignWithoutNodes(*Figures->Template);
    delete Figures;
    Figures = nullptr;
  }
  int nodes = 16;
  try {
    TZQVIniFile ini(ProgramFile("Main.Ini"));
    nodes = ini.ReadInteger("General", "Max_Nodes", 16);
  } catch (const Exception&) {
    nodes = 16;  // an unreadable Main.Ini gives the default node count
  }
  nodes = std::clamp(nodes, 16, 123);
  const int ppi = ScreenPixelsPerInch();
  Figures = new TZQVCad(ScrollBox1, nodes, ppi, ppi);
  const bool metric = PageSetupDialog ? PageSetupDialog->DefaultMetric1->isChecked()
                                      : QLocale::system().measurementSystem() == QLocale::MetricSystem;
  Figures->SetMetric(metric);
  Figures->SetBackgroundColor(BackgroundColor);
  Figures->OnChange = [this](TZQVCad*) { CadChange(); };
  Figures->OnBackgroundColorChange = [this](TZQVCad*) { CadBackgroundColorChange(); };
  Figures->OnAfterDraw = [this](TZQVCad*) { CadAfterDraw(); };
  Figures->OnSelectionMoved = [this](TZQVCad*) { CadSelectionMoved(); };
  Figures->OnUnitsChange = [this](TZQVCad*) { CadUnitsChange(); };
  if (saved) Figures->Template->AssignWithoutNodes(*saved);
  Figures->Ready = true;
}

void TForm1::CadChange() {
  Modified = true;
  if (!DocFileName.empty()) FileModified = true;
}

void TForm1::CadAfterDraw() {
  if (!MainImage) return;
  RefreshText(&MainImage->Canvas(), 1.0, 1.0, false, 1);
  MainImage->update();
}

void TForm1::CadSelectionMoved() { Modified = true; }

void TForm1::CadUnitsChange() { ShowToolStatus(); }

void TForm1::CadBackgroundColorChange() {
  if (!Figures) return;
  BackgroundColor = Figures->BackgroundColor;
  if (MainImage) MainImage->update();
}

void TForm1::tbTextClick(QObject*) {
  ReleasePickButtons();
  if (MainImage) MainImage->setCursor(Qt::IBeamCursor);
  ShowToolStatus();
}

void TForm1::tbSelectClick(QObject*) {
  ReleasePickButtons();
  if (MainImage) MainImage->setCursor(Qt::ArrowCursor);
  ShowToolStatus();
}

void TForm1::tbDrawClick(QObject*) {
  ReleasePickButtons();
  if (MainImage) MainImage->setCursor(Qt::CrossCursor);
  ShowToolStatus();
}

void TForm1::tbMoveClick(QObject*) {
  ReleasePickButtons();
  if (MainImage) MainImage->setCursor(Qt::SizeAllCursor);
  ShowToolStatus();
}

void TForm1::ShowToolStatus() {
  QString tool = tbText->Down() ? "Text" : tbSelect->Down() ? "Select" : tbDraw->Down() ? "Draw" : "Move";
  SetPanelText(5, tool + (ToggleOnOff1->isChecked() ? "  Snap" : ""));
}

void TForm1::ReleasePickButtons() {
  for (auto* b : {tbPickPen, tbPickBrush, tbPickBackground, tbPickMnFontClr, tbPickDimFontColor}) b->SetDown(false);
}

void TForm1::UpdateCadSelector() {}

void TForm1::ClearCurrentFigure() {}

bool TForm1::ApplyToSelectedShapes(QObject* Sender, uint32_t Mask) {
  // Only a selection inside a drawn rubber band takes the template's properties.
  const bool rectValid = SelectionRect.Right > SelectionRect.Left && SelectionRect.Bottom > SelectionRect.Top;
  if (!Figures || !Figures->HasSelection() || !rectValid) return false;
  Figures->ChangeSelectedProperties(Mask);
  RefreshAllImages(Sender, false);
  return true;
}

void TForm1::ReadOldShapePoints(bool Flag, const uint8_t* Record, size_t RecordSize, TPoint* Points, size_t PointCount) {
  ReadOldShapePointsFromRecord(Flag, Record, RecordSize, Points, PointCount);
}

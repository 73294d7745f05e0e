// The drawing tools: the tool buttons, the CAD engine's events, the tool status.
#include "app/main_window.h"

#include <QLocale>
#include <algorithm>

#include "dialogs/page_setup_dialog.h"
#include "cad/engine.h"
#include "cad/old_shape_points.h"
#include "cad/selectors.h"
#include "cad/units.h"
#include "cad/zoom.h"
#include "platform/cursors.h"
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
  BuildShapeMenus();
}

void TForm1::CadChange() {
  Modified = true;
  if (!DocFileName.empty()) FileModified = true;
}

void TForm1::CadAfterDraw() {
  if (!MainImage) return;
  // A move with Always Refresh recomposes the whole page; otherwise the text is drawn again over
  // the new shapes.
  if (tbMove->Down() && AlwaysRefresh1->isChecked()) {
    RefreshAllImages(this, false);
    return;
  }
  RefreshText(&MainImage->Canvas(), 1.0, 1.0, false, 1);
  MainImage->update();
}

void TForm1::CadSelectionMoved() {
  Modified = true;
  // The selector's drag is one shape change: its mouse-up records the undo step and composes the
  // page again (SelectorMouseUp). Here the next figure starts again from the template.
  if (Figures && Figures->HasSelection()) Figures->CurrentFigure->Assign(*Figures->Template);
}

void TForm1::CadUnitsChange() {
  // A page set-up puts the engine back at 100 %: the zoom levels are offered again.
  if (Figures) ZoomIn1->setEnabled(Figures->ZoomLevel() == 4);
  ShowToolStatus();
}

void TForm1::CadBackgroundColorChange() {
  if (!Figures) return;
  BackgroundColor = Figures->BackgroundColor;
  // The page is composed again on the new colour; not while a document is being read (it
  // composes the page when it is complete) and not before the window shows.
  if (isVisible() && !FileBusy) RefreshAllImages(this, false);
  else if (MainImage) MainImage->update();
}

void TForm1::EraseSelectionRect() {
  if (SelectionRectShown && MainImage)
    DrawDragRect(MainImage->Canvas(), true, SelectionRect.TopLeft(), SelectionRect.BottomRight());
}

void TForm1::tbTextClick(QObject*) {
  ReleasePickButtons();
  if (MainImage) MainImage->setCursor(Qt::IBeamCursor);
  ShowToolStatus();
  UpdateCadSelector();
}

void TForm1::tbSelectClick(QObject* Sender) {
  if (tbSelect->Down()) {
    ReleasePickButtons();
    HideTextCaret();
    tbDrawClick(Sender);  // takes the rectangle off, refreshes the status and the selector
    if (MainImage) MainImage->setCursor(HasScreenCursor(1) ? ScreenCursor(1) : QCursor(Qt::ArrowCursor));
  } else {
    // Called by another command while the button is up: back to the text caret.
    if (MainImage) MainImage->Canvas().Pen.Mode = pmCopy;
    SetCaretPosition(Sender, 0, 0);
    if (MainImage) MainImage->setCursor(Qt::IBeamCursor);
    if (SelectionRectShown) {
      EraseSelectionRect();
      tbCopy->setEnabled(false);
    }
  }
  if (Figures && MultiNodeKinds.Has(Figures->CurrentFigure->Kind)) ClearCurrentFigure();
  ShowToolStatus();
  UpdateCadSelector();
}

void TForm1::tbDrawClick(QObject*) {
  if (Figures && Figures->Selector) {
    Figures->Selector->setProperty("kvParked", false);
    Figures->Selector->setProperty("kvFigures", Figures->Count());
  }
  if (HasTextSelection()) ClearSelection(true);
  EraseSelectionRect();
  ReleasePickButtons();
  HideTextCaret();
  const QCursor cursor = HasScreenCursor(2) ? ScreenCursor(2) : QCursor(Qt::CrossCursor);
  ScrollBox1->setCursor(cursor);
  if (MainImage) MainImage->setCursor(cursor);
  ShowToolStatus();
  UpdateCadSelector();
  ClearCurrentFigure();
}

void TForm1::tbMoveClick(QObject*) {
  if (Figures && Figures->Selector) {
    Figures->Selector->setProperty("kvParked", false);
    Figures->Selector->setProperty("kvFigures", Figures->Count());
  }
  EraseSelectionRect();
  ReleasePickButtons();
  HideTextCaret();
  const QCursor cursor = HasScreenCursor(7) ? ScreenCursor(7) : QCursor(Qt::SizeAllCursor);
  ScrollBox1->setCursor(cursor);
  if (MainImage) MainImage->setCursor(cursor);
  if (Figures && MainImage && Figures->Count() > 0 && Figures->WantTicks) {
    const int last = Figures->LastSelectedIndex();
    Figures->DrawNodeTicks(MainImage->Canvas(), last, last, NOTSRCCOPY, false, -1);
    MainImage->update();
  }
  ShowToolStatus();
  UpdateCadSelector();
}

void TForm1::ShowToolStatus() {
  if (tbText->Down()) {
    SetPanelText(5, "Text Mode");
    return;
  }
  if (!isVisible() || !Figures || !Figures->CurrentFigure) return;
  const TRealFig& figure = *Figures->CurrentFigure;
  const int kind = figure.Kind < FigureKindNames.size() ? figure.Kind : 0;
  std::string status = "*" + StepFormat(figure.DimMultiplier) + " Tool:" + FigureKindNames[size_t(kind)];
  if (MultiNodeKinds.Has(figure.Kind)) status += "  Right click to complete";
  status += ToggleOnOff1->isChecked() ? "  Snap:On" : "  Snap:Off";
  const bool pageMetric = PageSetupDialog && PageSetupDialog->DefaultMetric1->isChecked();
  status += pageMetric ? "   Default:Metric" : "   Default:Imperial/US";
  status += figure.Metric ? "   Alt:Metric" : "   Alt:Imperial/US";
  const int level = Figures->ZoomLevel();
  status += std::string(" View:") + (level < int(ZoomCaptions.size()) ? ZoomCaptions[size_t(level)] : "");
  SetPanelText(5, QString::fromStdString(status));
}

void TForm1::ReleasePickButtons() {
  for (auto* b : {tbPickPen, tbPickBrush, tbPickBackground, tbPickMnFontClr, tbPickDimFontColor, tbAddColorToPalette})
    if (b) b->SetDown(false);
}

void TForm1::UpdateCadSelector() {
  if (!Figures || !Figures->Selector) return;
  // The reference square is put away when the page loses its last figure (deleted, cut, undone,
  // cleared); a drawing tool pressed again or a new figure brings it back.
  QObject* s = Figures->Selector;
  const int count = Figures->Count();
  bool parked = s->property("kvParked").toBool();
  if (count > 0) parked = false;
  else if (s->property("kvFigures").toInt() > 0) parked = true;
  s->setProperty("kvFigures", count);
  s->setProperty("kvParked", parked);
  const bool on = !tbText->Down() && !parked;
  Figures->Selector->setEnabled(on);
  Figures->Selector->setVisible(on);
  Figures->Selector->raise();
}

void TForm1::ClearCurrentFigure() {
  if (Figures && Figures->CurrentFigure) Figures->CurrentFigure->SetNodeCountUsed(0);
}


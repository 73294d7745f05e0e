// The drawing keys of the page outside text mode: figure parameters from the digit keys, nudges
// of the last figure, deletion of figures, the one-letter drawing shortcuts and the layer
// refresh keys.
#include "app/main_window.h"
#include "app/shape_change.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "cad/mapping.h"
#include "cad/selectors.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/keys.h"
#include "platform/messages.h"

namespace {
// Line divisions as a selection change (property bit 20).
constexpr uint32_t LineDivisionsBit = 1u << 20;
bool NoModifier(TShiftState Shift) { return (Shift & (ssShift | ssCtrl | ssAlt)) == 0; }
}  // namespace

bool TForm1::CadKeyDown(uint16_t Key, TShiftState Shift) {
  if (!Figures || !NoModifier(Shift)) return false;
  const bool digit = (Key >= '0' && Key <= '9') || Key == vk::OemMinus || Key == vk::OemPlus;
  if (digit && (tbDraw->Down() || tbSelect->Down())) {
    const int value = Key == vk::OemMinus ? 11 : Key == vk::OemPlus ? 12 : Key == '0' ? 10 : Key - '0';
    TStoredProperties& t = *Figures->Template;
    if ((t.Kind == fkPolygon || t.Kind == fkFilledPolygon) && Key != '2') t.SetPolygonSides(value);
    const int previous = t.LineDivisions;
    ApplyTemplateChoice(
        LineDivisionsBit, [&] { t.SetLineDivisions(value); }, [&] { t.SetLineDivisions(previous); });
    ShowToolStatus();
    return false;
  }
  const bool nudge = Key == vk::Left || Key == vk::Right || Key == vk::Up || Key == vk::Down || Key == '2' ||
                     Key == vk::Numpad2 || Key == vk::Numpad4 || Key == vk::Numpad6 || Key == vk::Numpad8;
  if (nudge && tbMove->Down() && MainImage) {
    // The engine's nudge records nothing and marks nothing changed: the figure is kept for undo
    // here and the document marked changed, so that the nudge can be taken back and is saved.
    const int last = Figures->LastSelectedIndex();
    if (last < 0 || last >= Figures->Count()) return true;
    const TRealXYZ before = Figures->GetFigure(last)->Point(0);
    const int depth = Figures->UndoDepth();
    Figures->RecordMoveUndo({last}, 0, 0, -1, 1);
    Figures->NudgeLastShape(MainImage->Canvas(), Key);
    if (Figures->GetFigure(last)->Point(0) == before) {
      Figures->Undo();  // nothing moved: the entry goes again
    } else {
      PushShapeUndo(this, depth);
      SetDocumentModified();
      RefreshText(&MainImage->Canvas(), 1.0, 1.0, false, 1);  // the text stays above the figure
    }
    MainImage->update();
    return true;
  }
  return false;
}

void TForm1::DeleteSelectedFigures() {
  if (!Figures || Figures->Count() == 0) return;
  DeleteUndoTaken = true;
  {
    TShapeChange change(*this, this);
    if (!SelectionRect.IsEmpty()) {
      Figures->SelectInRect(SelectionRect);
    } else {
      const int last = Figures->LastSelectedIndex();
      if (last < 0 || last >= Figures->Count()) return;
      Figures->Selection = {last};
    }
    Figures->DeleteSelected(true);
  }
  if (SelectionRectShown) EraseSelectionRect();
  RefreshAllImages(this, false);
}

void TForm1::CadKeyUp(QObject* Sender, uint16_t Key, TShiftState Shift) {
  if (!Figures) return;
  if (Figures->Count() > 0 && NoModifier(Shift) && !NewFigureStarted && !Figures->Dragging && MainImage) {
    TCanvas& canvas = MainImage->Canvas();
    switch (Key) {
      case 'A': AddNode1Click(Sender); break;
      case 'E': DeleteNode1Click(Sender); break;
      case 'D':
        Figures->Template->SetWantDimensions(!Figures->Template->WantDimensions);
        On1->setChecked(Figures->Template->WantDimensions);
        break;
      case 'L':
      case 'T':
        Figures->DrawNodeTicks(canvas, 0, Figures->Count() - 1, NOTSRCCOPY, false, -1);
        MainImage->update();
        break;
      case 'W':
        WantTicks1->setChecked(!WantTicks1->isChecked());
        Figures->WantTicks = WantTicks1->isChecked();
        Figures->DrawNodeTicks(canvas, 0, Figures->Count() - 1, NOTSRCCOPY, false, -1);
        MainImage->update();
        break;
      case 'R': RefreshAllImages(Sender, false); break;
      case 'S': RefreshLayer(Sender, vk::F8); break;
      case 'U': tbUndoClick(Sender); break;
      default: break;
    }
  }
  // Any key ends a figure that was being built click by click.
  const int kind = Figures->CurrentFigure->Kind;
  if (AngleArcKinds.Has(kind) || MultiNodeKinds.Has(kind) || ScaleneKinds.Has(kind)) ClearCurrentFigure();
}

void TForm1::AddNode1Click(QObject*) {
  if (!Figures || !MainImage) return;
  const int last = Figures->LastSelectedIndex();
  if (last < 0 || last >= Figures->Count()) return;
  TRealFig& f = *Figures->GetFigure(last);
  if (!MultiNodeKinds.Has(f.Kind)) return;
  const int limit = NodeCount;
  const bool room = f.Kind == fkBezierEllipse ? limit >= f.NodeCountUsed + 3 : limit > f.NodeCountUsed;
  if (!room) {
    MessageDlg("Node limit (" + std::to_string(limit) +
                   ") reached. You can increase the node limit in\rSettings>Application>Set Node Count. Press F1 "
                   "for more information.",
               mtInformation, mbOK, 1120);
    return;
  }
  int index = std::clamp(Figures->Measure.EndNode, 0, std::max(f.NodeCountUsed - 1, 0));
  if (f.AddNode(index)) {
    Figures->Measure.EndNode = index;
    SetDocumentModified();
    RefreshAllImages(this, false);
  }
  const TPoint p = WorldToScreen(Figures->Mapping, f.Point(std::clamp(index, 0, int(f.Nodes.size()) - 1)));
  Figures->DrawNodeMarker(MainImage->Canvas(), p.X, p.Y, SRCCOPY, false);
  MainImage->update();
}

void TForm1::DeleteNode1Click(QObject*) {
  if (!Figures) return;
  const int last = Figures->LastSelectedIndex();
  if (last < 0 || last >= Figures->Count()) return;
  TRealFig& f = *Figures->GetFigure(last);
  if (!MultiNodeKinds.Has(f.Kind)) return;
  int index = std::clamp(Figures->Measure.EndNode, 0, std::max(f.NodeCountUsed - 1, 0));
  if (f.DeleteNode(index)) {
    Figures->Measure.EndNode = index;
    SetDocumentModified();
    RefreshAllImages(this, false);
  }
}

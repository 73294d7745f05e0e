// Drawing and editing figures with the mouse: one state machine over mouse-down, mouse-move and
// mouse-up. A new figure follows the mouse as a not-xor rubber band until the button is released;
// an edit drags one node (left button) or the whole figure (right button) of a copy of the figure
// and writes the copy back at mouse-up, with a move undo entry.
#include <cmath>

#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "cad/point_operations.h"
#include "platform/messages.h"

namespace {

// Pixels of page a wave is generated for while it is being drawn or dragged.
constexpr int32_t RubberWaveLength = 32766;

// Restores a flag of the engine when the scope ends, whatever happens inside it.
struct TFlagRestore {
  bool& Flag;
  bool Saved;
  explicit TFlagRestore(bool& f) : Flag(f), Saved(f) {}
  ~TFlagRestore() { Flag = Saved; }
};

bool ButtonHeld(TShiftState Shift) { return (Shift & (ssLeft | ssRight)) != 0; }

}  // namespace

TRealPoint TZQVCad::GridPoint(int X, int Y) const { return ScreenToWorldSnapped(Mapping, X, Y); }

void TZQVCad::MouseDownPlain(TCanvas& Canvas, TMouseButton Button, TShiftState Shift, int X, int Y, bool DrawMode,
                             bool MoveMode, bool Snapping, bool DimTracking) {
  MouseDown(Canvas, Button, Shift, X, Y, DrawMode, MoveMode, Snapping, DimTracking, TMouseSpeedRec());
}

void TZQVCad::MouseUpPlain(TCanvas& Canvas, TMouseButton Button, TShiftState Shift, int X, int Y, bool DrawMode,
                           bool MoveMode, bool Snapping, bool DimTracking) {
  MouseUp(Canvas, Button, Shift, X, Y, DrawMode, MoveMode, Snapping, DimTracking, TMouseSpeedRec());
}

void TZQVCad::MouseDown(TCanvas& Canvas, TMouseButton Button, TShiftState Shift, int X, int Y, bool DrawMode,
                        bool MoveMode, bool Snapping, bool /*DimTracking*/, const TMouseSpeedRec& SpeedRec) {
  if (!Ready || Drawing || !CurrentFigure) return;
  const TRect box = HitRect(X, Y);
  PaletteDevice = RealizeHalftonePalette(Canvas);
  NewFigureStarted = false;
  Dragging = false;
  RubberShown = false;
  double x = X, y = Y;
  if (!PixelSnap) {
    const TNodeHitRec current = NodeHit;
    int32_t column = -1, row = -1;
    FindNodeAt(box, x, y, NodeHit, SpeedRec.Speed, ScanGrids, Shift, current, Button, column, row);
  } else if (!MoveMode) {
    FindDrawnPixelNear(Canvas, x, y, NodeHit);
  }
  // With pixel snap and the editing tool both on, NodeHit stays as the last mouse-up left it:
  // nothing found, so nothing is edited.
  if (!NodeHit.Found || !Snapping) {
    const TRealPoint g = GridPoint(X, Y);
    x = g.x;
    y = g.y;
  }
  DragStart = {x, y};
  DragLast = DragStart;

  TRealFig& fig = *CurrentFigure;
  if (ClickBuiltKinds.Has(fig.Kind) && DrawMode) return;  // built point by point at mouse-up

  if (Button == mbLeft && DrawMode) {
    NewFigureStarted = true;
    Canvas.MoveTo(X, Y);
    const TRealXYZ p0{x, y, 0};
    fig.SetNodePoint(0, p0);
    fig.SetNodePoint(2, p0);
    if (WaveKinds.Has(fig.Kind)) {
      CreateWaveData(Mapping, fig, x, y, RubberWaveLength);
    } else if (BezierKinds.Has(fig.Kind)) {
      fig.SetNodePoint(3, p0);
      SpaceControlPoints(fig.Nodes, 4);
    }
  }

  const int index = NodeHit.FigureIndex;
  if (NodeHit.Found && MoveMode && index >= 0 && index < Count()) {
    Dragging = true;
    fig.Assign(*FigureList[size_t(index)]);
    if (WantTicks && !TicksErased)
      DrawNodeTicks(Canvas, index, index, SRCINVERT, false, Button == mbLeft ? NodeHit.NodeIndex : -1);
    TMeasureRec scratch;
    if (WaveKinds.Has(fig.Kind)) {
      const TRealXYZ n0 = fig.Point(0);
      CreateWaveData(Mapping, fig, n0.x, n0.y, RubberWaveLength);
      // A whole wave moved with the right button is painted out; it follows the mouse as a band.
      if (Button == mbRight) DrawShape(Canvas, fig, 2, pmWhite, clWhite, Shift, 0, false, false, scratch);
    }
    if (fig.Kind == fkGrid && !DynamicGrids) {
      TFlagRestore grids(DynamicGrids);
      DynamicGrids = true;
      DrawShape(Canvas, fig, 2, pmWhite, clWhite, Shift, 0, false, false, scratch);
    }
    if (fig.WantDimensions) {
      // The dimension text is drawn over itself in the background colour, which takes it off.
      TFont font;
      fig.AssignTo(font);
      DrawDimensions(Canvas, fig, true, font, BackgroundColor, BackgroundColor, pmNotXor);
    }
  }
}

void TZQVCad::MouseMove(TCanvas& Canvas, TShiftState Shift, int X, int Y, bool DrawMode, bool MoveMode,
                        bool Snapping, bool DimTracking, const TMouseSpeedRec& SpeedRec) {
  if (!Ready || Drawing || !CurrentFigure) return;
  const TRect box = HitRect(X, Y);
  double x = X, y = Y;
  bool found = false;
  if (DrawMode || MoveMode) {
    try {
      TNodeHitRec hit;
      found = FindNodeAt(box, x, y, hit, SpeedRec.Speed, ScanGrids, Shift, NodeHit, mbLeft, Measure.GridColumn,
                         Measure.GridRow);
    } catch (...) {
      found = false;
    }
  }
  if (!found || !Snapping) {
    try {
      const TRealPoint g = GridPoint(X, Y);
      x = g.x;
      y = g.y;
    } catch (...) {
      found = false;
    }
  }
  Dragging = NodeHit.Found && MoveMode && ButtonHeld(Shift);
  const int index = NodeHit.FigureIndex;
  if (Dragging && (index < 0 || index >= Count())) Dragging = false;

  if ((NewFigureStarted || Dragging) && ButtonHeld(Shift)) {
    TRealFig& fig = *CurrentFigure;
    DragLast = {x, y};
    const double dx = DragStart.x - DragLast.x;
    const double dy = DragStart.y - DragLast.y;
    try {
      TMeasureRec scratch;
      // The band drawn by the previous move is drawn once more, which takes it off.
      if (RubberShown) DrawShape(Canvas, fig, 2, pmNotXor, fig.FontColor, Shift, 2, true, DimTracking, scratch);
      RubberShown = false;
      if (NewFigureStarted) {
        if (BezierKinds.Has(fig.Kind)) {
          fig.SetNodePoint(3, {x, y, 0});
          SpaceControlPoints(fig.Nodes, 4);
        } else {
          fig.SetNodePoint(2, {x, y, 0});
        }
      }
      if (Dragging) {
        const TRealXYZPts before = fig.Nodes;
        try {
          DragFigurePoint(Mapping, *FigureList[size_t(index)], fig, Shift, NodeHit.NodeIndex, x, y, dx, dy);
        } catch (...) {
          fig.Nodes = before;  // this move leaves the figure as it was
        }
      }
      TMeasureRec m = Measure;
      DrawShape(Canvas, fig, 2, pmNotXor, fig.FontColor, Shift, 2, true, DimTracking, m);
      RubberShown = true;
      Measure.Angle = m.Angle;
      Measure.GridCellWidth = m.GridCellWidth;
      Measure.GridCellHeight = m.GridCellHeight;
      Measure.Length = m.Length;
      Measure.DX = m.DX;
      Measure.DY = m.DY;
    } catch (...) {
      ShowMessage("Bummer");
    }
  }
  Measure.OnNode = found;
  if (MoveMode) {
    Measure.Cursor = found && (Snapping || (Shift & ssLeft) == 0) ? 19 : 7;
  } else if (DrawMode) {
    Measure.Cursor = found && Snapping && !PixelSnap ? (LargeSnapCursor ? 16 : 15) : -3;
  }
}

void TZQVCad::MouseUp(TCanvas& Canvas, TMouseButton Button, TShiftState Shift, int X, int Y, bool DrawMode,
                      bool MoveMode, bool Snapping, bool DimTracking, const TMouseSpeedRec& SpeedRec) {
  if (!Ready || Drawing || !CurrentFigure) return;
  struct TEndOfUp {
    TZQVCad& e;
    ~TEndOfUp() {
      e.PaletteDevice = false;
      NewFigureStarted = false;
      e.Dragging = false;
      e.RubberShown = false;
      e.ResetEditState();
    }
  } endOfUp{*this};
  (void)Snapping;

  const TRect box = HitRect(X, Y);
  double x = X, y = Y;
  TNodeHitRec local;
  int32_t column = -1, row = -1;
  const bool localFound =
      FindNodeAt(box, x, y, local, SpeedRec.Speed, ScanGrids, Shift, NodeHit, Button, column, row);
  TRealFig& fig = *CurrentFigure;
  bool changed = false;

  if (ClickBuiltKinds.Has(fig.Kind) && DrawMode) {
    // A click on a node takes the node's position, snapping on or off.
    if (!localFound) {
      const TRealPoint g = GridPoint(X, Y);
      x = g.x;
      y = g.y;
    }
    if (Button != mbRight) {
      const TPoint p = WorldToScreen(Mapping, TRealPoint{x, y});
      DrawNodeMarker(Canvas, p.X, p.Y, NOTSRCCOPY, false);
    }
    if (AddClickedPoint(fig, Button, x, y)) {
      DrawShape(Canvas, fig, 2, pmCopy, fig.FontColor, Shift, 0, false, false, Measure);
      if (Count() < FigureLimit) {
        RecordAddUndo();
        AddFigure(&fig);
      }
      Measure.OnNode = NodeHit.Found;
      Measure.EndNode = fig.NodeCountUsed - 1;
      fig.Assign(*Template);
      if (OnAfterDraw) OnAfterDraw(this);
    }
    return;
  }

  if (DrawMode || MoveMode) {
    TFlagRestore grids(DynamicGrids);
    DynamicGrids = true;
    const bool newFigure = NewFigureStarted;
    const int index = NodeHit.FigureIndex;
    const bool editing = Dragging && index >= 0 && index < Count();
    TMeasureRec scratch;
    if (WaveKinds.Has(fig.Kind) && editing && NodeHit.Button == mbRight) {
      const TRealXYZ n0 = fig.Point(0);
      CreateWaveData(Mapping, fig, n0.x, n0.y, RubberWaveLength);
    } else if (fig.Kind != fkFill && RubberShown) {
      // Taken off with exactly the arguments it was drawn with, so it leaves no trace.
      DrawShape(Canvas, fig, 2, pmNotXor, fig.FontColor, Shift, 2, true, DimTracking, scratch);
    }
    RubberShown = false;
    UpdateFigurePoints(fig);

    // A new figure whose two corners fell together is a click without a drag: nothing is kept,
    // except for the kinds a click places (fill and text).
    bool keep = false;
    if (newFigure) {
      const TRealXYZ p0 = fig.Point(0), p2 = fig.Point(2);
      const bool degenerate = std::fabs(p0.x - p2.x) <= 1e-6 && std::fabs(p0.y - p2.y) <= 1e-6;
      keep = !(degenerate && fig.Kind != fkFill && fig.Kind != fkText && fig.Kind != fkTextNoLine) && fig.Kind != fkMeasure &&
             Count() < FigureLimit;
    }
    // The figure is drawn for good as the list draws it, and only when it stays on the page.
    if ((keep || editing) && fig.Kind != fkMeasure) DrawAsListed(Canvas, fig, Shift, Measure);

    if (newFigure) {
      if (keep) {
        if (BezierKinds.Has(fig.Kind)) SpaceControlPoints(fig.Nodes, 4);
        RecordAddUndo();
        AddFigure(&fig);
        Measure.LastIndex = Count() - 1;
        changed = true;
      }
      Measure.EndNode = 2;
    }

    if (editing) {
      TRealFig& original = *FigureList[size_t(index)];
      if (CentredKinds.Has(fig.Kind) || fig.Kind == fkFill) NodeHit.NodeIndex = 2;
      const int n = NodeHit.NodeIndex;
      double offsetX = 0, offsetY = 0;
      if (n >= 0 && n < int(fig.Nodes.size()) && n < int(original.Nodes.size())) {
        const TRealXYZ o = original.Point(n), e = fig.Point(n);
        offsetX = o.x - e.x;
        offsetY = e.y - o.y;
      }
      RecordMoveUndo({index}, offsetX, offsetY, n, NodeHit.Button == mbRight ? 1 : 0);
      original.Assign(fig);
      const bool toFront = fig.Kind == fkFill || (AutoFront && !(NonFilledOnly && FilledKinds.Has(fig.Kind)));
      if (toFront) BringToFront(index);
      else Measure.LastIndex = index;
      Measure.OnNode = NodeHit.Found;
      Measure.EndNode = n;
      fig.Assign(*Template);
      if (OnFigureEdited) OnFigureEdited(this);
      changed = true;
    }
    if (changed && WantTicks && Measure.LastIndex >= 0 && Measure.LastIndex < Count())
      DrawNodeTicks(Canvas, Measure.LastIndex, Measure.LastIndex, NOTSRCCOPY, false, -1);
  }

  if (AutoRefresh && changed) {
    DrawAll(Canvas, 0, 0, false);
    if (OnAfterDraw) OnAfterDraw(this);
    if (WantTicks && Measure.LastIndex >= 0 && Measure.LastIndex < Count())
      DrawNodeTicks(Canvas, Measure.LastIndex, Measure.LastIndex, NOTSRCCOPY, false, -1);
    if (WantTicks && MoveMode && localFound && local.FigureIndex >= 0 && local.FigureIndex < Count())
      DrawNodeTicks(Canvas, local.FigureIndex, local.FigureIndex, NOTSRCCOPY, false, -1);
  }
}

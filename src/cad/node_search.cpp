// The node search under the mouse: the hit box, the speed rule, grid crossings and the node
// excluded while it is being dragged.
#include <cmath>

#include "cad/engine.h"
#include "cad/node_layout.h"
#include "cad/point_operations.h"

TRect TZQVCad::HitRect(int X, int Y) const { return TRect(X - HitSize, Y - HitSize, X + HitSize, Y + HitSize); }

bool TZQVCad::FindNodeAt(const TRect& HitBox, double& X, double& Y, TNodeHitRec& Hit, float Speed, bool ScanGrids,
                         TShiftState Shift, const TNodeHitRec& Current, TMouseButton Button, int32_t& GridColumn,
                         int32_t& GridRow) {
  GridColumn = -1;
  GridRow = -1;
  Hit.Found = false;
  // A mouse moving this fast is not aiming at anything.
  if (Speed >= 3.0f) return false;
  const TPoint p(int(std::lround(X)), int(std::lround(Y)));
  const bool buttonHeld = (Shift & (ssLeft | ssRight)) != 0;
  const int excludedFigure = buttonHeld ? Current.FigureIndex : -1;
  const int excludedNode = buttonHeld ? Current.NodeIndex : -1;
  TRealRect w;
  ScreenRectToWorld(Mapping, HitBox, w);
  for (int i = Count() - 1; i >= 0; --i) {
    const TRealFig& f = *FigureList[size_t(i)];
    if (f.Kind == fkGrid && ScanGrids) {
      TRect r;
      FigureScreenRect(Mapping, f, r);
      if (PtInRectInclusive(NormalizeRect(r), p)) {
        double gx = X, gy = Y;
        int col = -1, row = -1;
        if (FindGridNode(Mapping, HitBox, gx, gy, col, row, f) &&
            !(Button == mbRight && (Shift & ssRight) != 0)) {
          X = gx;
          Y = gy;
          GridColumn = col;
          GridRow = row;
          Hit = TNodeHitRec{i, -1, uint8_t(Button), true, {gx, gy, 0}, p};
          return true;
        }
        continue;
      }
    }
    const int last = std::min(LastPointIndex(f), int(f.Nodes.size()) - 1);
    for (int n = 0; n <= last; ++n) {
      if (n == 1 && !ExtentNode1Kinds.Has(f.Kind)) continue;
      if ((Shift & ssLeft) != 0 && i == excludedFigure && n == excludedNode) continue;
      const TRealXYZ q = f.Point(n);
      if (PtInWorldRect(w, q)) {
        X = q.x;
        Y = q.y;
        Hit = TNodeHitRec{i, n, uint8_t(Button), true, q, p};
        return true;
      }
    }
  }
  return false;
}

bool TZQVCad::SnapToNode(const TRect& HitBox, double& X, double& Y, TNodeHitRec& Hit) {
  int32_t col = -1, row = -1;
  return FindNodeAt(HitBox, X, Y, Hit, 0.0f, true, 0, TNodeHitRec(), mbLeft, col, row);
}

void TZQVCad::ResetEditState() {
  NodeHit = TNodeHitRec();
  NodeHit.Button = uint8_t(mbLeft);
}

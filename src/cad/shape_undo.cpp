// Shape undo: recording and taking back adds, deletes, moves, scales, rotations, mirrors and
// z-order moves of figures.
#include "cad/shape_undo.h"

#include <algorithm>
#include <string>

#include "cad/engine.h"
#include "cad/node_layout.h"
#include "platform/messages.h"

namespace {
std::unique_ptr<TRealFig> CloneFigure(TZQVCad* owner, const TRealFig& src) {
  auto f = std::make_unique<TRealFig>(owner);
  f->Nodes = src.Nodes;
  f->DefaultY = src.DefaultY;
  f->PixelsPerInch = src.PixelsPerInch;
  f->Assign(src);
  return f;
}

// Copies what a figure looks like (pen colour and style, fill, font, text and dimension style)
// from Source. Moves, scales, turns and mirrors never change these (a scale does change the pen
// width and the font size, which come back with the geometry), so taking one of them back keeps the look
// a later command gave the figure (a pen colour picked after a move stays when the move is undone).
void KeepLook(TRealFig& Dest, const TRealFig& Source) {
  Dest.PenColor = Source.PenColor;
  Dest.PenMode = Source.PenMode;
  Dest.PenStyle = Source.PenStyle;
  Dest.BrushColor = Source.BrushColor;
  Dest.BrushStyle = Source.BrushStyle;
  Dest.FontColor = Source.FontColor;
  Dest.FontName = Source.FontName;
  Dest.FontStyle = Source.FontStyle;
  Dest.FontCharset = Source.FontCharset;
  Dest.OutlineFonts = Source.OutlineFonts;
  Dest.Text = Source.Text;
  Dest.WantDimensions = Source.WantDimensions;
  Dest.OpaqueDimensions = Source.OpaqueDimensions;
  Dest.DimSuffix = Source.DimSuffix;
  Dest.DimMultiplier = Source.DimMultiplier;
  Dest.Precision = Source.Precision;
  Dest.Digits = Source.Digits;
  Dest.NumberFormat = Source.NumberFormat;
}

// Puts the copies of a change record back in place. With Geometry, only where and how large the
// figures are comes back; their look stays as it is now.
void RestoreFigures(TZQVCad& e, TFigureChangeRecord& r, bool Geometry = false) {
  for (size_t k = 0; k < r.Items.size() && k < r.Before.size(); ++k) {
    const int32_t i = r.Items[k];
    if (i < 0 || i >= e.Count() || !r.Before[k]) continue;
    if (Geometry && e.FigureList[size_t(i)]) KeepLook(*r.Before[k], *e.FigureList[size_t(i)]);
    e.FigureList[size_t(i)] = std::move(r.Before[k]);
  }
}
}  // namespace

bool TUndo::Undo() {
  if (Engine == nullptr) return false;
  if (Count() == 0) {
    ShowMessage("Nothing to Undo");
    return false;
  }
  const uint8_t kind = Last();
  RemoveAt(Count() - 1);
  switch (kind) {
    case ukAdd: Engine->UndoAdd(); return true;
    case ukDelete: Engine->UndoDelete(); return false;
    case ukMove: Engine->UndoMove(); return true;
    case ukScale: Engine->UndoScale(); return true;
    case ukRotate: Engine->UndoRotate(); return true;
    case ukSwop: Engine->UndoSwop(); return true;
    case ukMirror: Engine->UndoMirror(); return true;
    default: return false;
  }
}

bool TZQVCad::Undo() { return UndoList ? UndoList->Undo() : false; }

void TZQVCad::RecordAddUndo() {
  AddGroups.Add(Count());
  AddGroupOriginals.emplace_back();
  UndoList->Push(ukAdd);
}

void TZQVCad::ClearUndo() {
  if (UndoList) UndoList->Clear();
  AddGroups.Clear();
  AddGroupOriginals.clear();
  MoveUndo.clear();
  ScaleUndo.clear();
  RotateUndo.clear();
  MirrorUndo.clear();
  SwopUndo.clear();
  DeleteUndo.clear();
}

void TZQVCad::SnapshotFigures(const std::vector<int32_t>& Indexes, TFigureChangeRecord& Record) const {
  for (int32_t i : Indexes)
    if (i >= 0 && i < Count()) {
      Record.Items.push_back(i);
      Record.Before.push_back(CloneFigure(const_cast<TZQVCad*>(this), *FigureList[size_t(i)]));
    }
}

// Keeps the recorded indexes valid when figure Index leaves the list, or moves to NewIndex,
// outside the undo records (a delete without undo). An entry whose figure is gone stays on the
// stack as one that does nothing, so the stack keeps its depth.
bool TZQVCad::FixUndoIndexes(int Index, int NewIndex, uint32_t SkipMask) {
  bool changed = false;
  auto fix = [&](TIntegerList& l) {
    for (auto& v : l.Items) {
      if (v == Index) {
        v = NewIndex;
        changed = true;
      } else if (NewIndex < 0 && v > Index) {
        --v;
        changed = true;
      }
    }
  };
  if ((SkipMask & 4) == 0)
    for (auto& r : MoveUndo) fix(r);
  if ((SkipMask & 8) == 0)
    for (auto& r : ScaleUndo) fix(r);
  if ((SkipMask & 16) == 0)
    for (auto& r : RotateUndo) fix(r);
  if ((SkipMask & 64) == 0)
    for (auto& r : MirrorUndo) fix(r);
  if ((SkipMask & 32) == 0)
    for (auto& s : SwopUndo) {
      for (int32_t* v : {&s.NewIndex, &s.OldIndex}) {
        if (*v == Index) *v = NewIndex, changed = true;
        else if (NewIndex < 0 && *v > Index) --*v, changed = true;
      }
    }
  if (NewIndex < 0 && !DeleteUndo.empty()) {
    // Deleted figures go back between the same neighbours, so a place above the figure now gone
    // comes down by one. Each group's places count in the list as it was right after that group
    // was deleted, that is with the newer groups back in: the index is carried from the newest
    // group to the oldest through their places.
    int32_t x = Index;
    for (auto g = DeleteUndo.rbegin(); g != DeleteUndo.rend(); ++g) {
      // Places were taken highest first; from the lowest, k figures of the group lie below.
      const size_t n = g->Indexes.size();
      int32_t older = x;
      for (size_t k = 0; k < n; ++k)
        if (g->Indexes[n - 1 - k] <= older) ++older;
      for (size_t k = 0; k < n; ++k) {
        int32_t& place = g->Indexes[n - 1 - k];
        if (place - int32_t(k) > x) {
          --place;
          changed = true;
        }
      }
      x = older;
    }
  }
  if ((SkipMask & 1) == 0 && NewIndex < 0) {
    // An add group starts at the index of its first figure: only groups after the deleted
    // figure move down.
    for (auto& g : AddGroups.Items)
      if (g > Index && g > 0) --g, changed = true;
    for (auto& r : AddGroupOriginals) fix(r);
  }
  return changed;
}

void TZQVCad::RestoreFiguresOfLastAddGroup() {
  if (!AddGroupOriginals.empty()) RestoreFigures(*this, AddGroupOriginals.back());
}

void TZQVCad::UndoAdd() {
  if (AddGroups.Count() == 0) return;
  const int32_t g = std::max(0, AddGroups.Items.back());
  const bool wasUpdating = Updating;
  Updating = true;
  const bool shrinks = Count() > g;
  while (Count() > g) FigureList.pop_back();
  RestoreFigures(*this, AddGroupOriginals.back());
  AddGroups.Items.pop_back();
  AddGroupOriginals.pop_back();
  if (shrinks) ListShrunk();
  Measure.LastIndex = Count() - 1;
  Updating = wasUpdating;
  Changed();
}

void TZQVCad::DeleteSelected(bool SaveUndo) {
  std::vector<int32_t> chosen = ValidSelection();
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  if (chosen.empty()) return;
  const bool wasUpdating = Updating;
  Updating = true;
  TDeleteGroup record;
  for (auto it = chosen.rbegin(); it != chosen.rend(); ++it) {
    const int i = *it;
    if (SaveUndo) {
      record.Indexes.push_back(i);
      record.Figures.push_back(std::move(FigureList[size_t(i)]));
    }
    FigureList.erase(FigureList.begin() + i);
    if (!SaveUndo) FixUndoIndexes(i, -1, 0);
  }
  if (SaveUndo) {
    DeleteUndo.push_back(std::move(record));
    UndoList->Push(ukDelete);
  }
  ListShrunk();
  SelectRect = TRect();
  Measure.LastIndex = Count() - 1;
  Updating = wasUpdating;
  Changed();
  if (OnDeleteSelected) OnDeleteSelected(this, chosen);
}

void TZQVCad::UndoDelete() {
  if (DeleteUndo.empty()) return;
  TDeleteGroup record = std::move(DeleteUndo.back());
  DeleteUndo.pop_back();
  // The figures go back to the places they had, lowest place first; the figures after them move
  // up, so the selection's indexes no longer hold.
  ClearSelection();
  for (size_t k = record.Figures.size(); k-- > 0;) {
    const int32_t pos = std::clamp(record.Indexes[k], 0, Count());
    FigureList.insert(FigureList.begin() + pos, std::move(record.Figures[k]));
  }
  Measure.LastIndex = Count() - 1;
  Changed();
}

void TZQVCad::UndoMove() {
  if (MoveUndo.empty()) return;
  RestoreFigures(*this, MoveUndo.back(), true);
  MoveUndo.pop_back();
  Changed();
}

void TZQVCad::UndoScale() {
  if (ScaleUndo.empty()) return;
  RestoreFigures(*this, ScaleUndo.back(), true);
  ScaleUndo.pop_back();
  Changed();
}

void TZQVCad::UndoRotate() {
  if (RotateUndo.empty()) return;
  RestoreFigures(*this, RotateUndo.back(), true);
  RotateUndo.pop_back();
  Changed();
}

void TZQVCad::UndoMirror() {
  if (MirrorUndo.empty()) return;
  RestoreFigures(*this, MirrorUndo.back(), true);
  MirrorUndo.pop_back();
  Changed();
}

void TZQVCad::UndoSwop() {
  if (SwopUndo.empty()) return;
  const TSwopIdxs s = SwopUndo.back();
  SwopUndo.pop_back();
  if (s.NewIndex >= 0 && s.OldIndex >= 0 && s.NewIndex < Count() && s.OldIndex < Count() && s.NewIndex != s.OldIndex) {
    Swopping = true;
    MoveFigureInList(s.NewIndex, s.OldIndex);
    Swopping = false;
  }
  Changed();
}

void TZQVCad::MoveFigureInList(int From, int To) {
  if (From < 0 || To < 0 || From >= Count() || To >= Count() || From == To) return;
  auto fig = std::move(FigureList[size_t(From)]);
  FigureList.erase(FigureList.begin() + From);
  FigureList.insert(FigureList.begin() + To, std::move(fig));
  if (!Swopping) {
    SwopUndo.push_back(TSwopIdxs{To, From});
    UndoList->Push(ukSwop);
  }
}

void TZQVCad::RecordMoveUndo(const std::vector<int32_t>& Indexes, double Dx, double Dy, int32_t NodeIndex,
                             uint8_t WholeFigure) {
  TMoveIdxList r;
  r.Dx = Dx;
  r.Dy = Dy;
  r.NodeIndex = NodeIndex;
  r.WholeFigure = WholeFigure;
  SnapshotFigures(Indexes, r);
  if (r.Items.empty()) return;
  MoveUndo.push_back(std::move(r));
  UndoList->Push(ukMove);
}

void TZQVCad::MoveSelection(double Dx, double Dy) {
  const std::vector<int32_t> chosen = ValidSelection();
  if (chosen.empty()) return;
  RecordMoveUndo(chosen, -Dx, Dy, -1, 1);
  for (int32_t i : chosen) {
    TRealFig& f = *FigureList[size_t(i)];
    MoveFigure(Mapping, f, Dx, -Dy);
    if (RegeneratedKinds.Has(f.Kind)) UpdateFigurePoints(f);
  }
  FireSelectionMoved();
  Changed();
}

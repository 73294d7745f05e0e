// Scaling, rotating and mirroring the selected figures, the polar, rectangular and scaled arrays
// of them, and the z-order of figures.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "cad/engine.h"
#include "cad/figure_transforms.h"
#include "cad/node_layout.h"
#include "cad/wave_data.h"
#include "helpers/color_table.h"
#include "platform/messages.h"

namespace {

int Random(int n) {
  static std::mt19937 generator{std::random_device{}()};
  return n <= 0 ? 0 : int(generator() % unsigned(n));
}

TColor TableColour(int entry) {
  const auto& c = ColorTable[size_t(entry) & 255];
  return TColor(c[0] + c[1] * 256 + c[2] * 65536);
}

void RandomColours(TRealFig& f, int n) {
  f.BrushColor = TableColour(Random(n));
  f.PenColor = TableColour(Random(n));
  f.FontColor = TableColour(Random(n));
}

uint8_t Low8(long v) { return uint8_t(v & 255); }

void GradedColours(TRealFig& f, const TRealRGBVector& v, int c) {
  const TColor colour = TColor(Low8(long(std::trunc(c * v.StepR + v.StartR))) |
                               (Low8(long(std::trunc(c * v.StepG + v.StartG))) << 8) |
                               (Low8(long(std::trunc(c * v.StepB + v.StartB))) << 16));
  f.BrushColor = colour;
  f.PenColor = colour;
  f.FontColor = colour;
}

// The step of copy k of N in colour mode 2 (up, then back down) or 3 (one way).
int PolarColourStep(int mode, int k, int n) {
  if (mode == 3) return k;
  return k <= n / 2 ? k : std::max(0, 2 * (n / 2) - k);
}

// Dest becomes a copy of Source, every node included.
void TakeFigure(TRealFig& Dest, const TRealFig& Source) {
  Dest.Nodes = Source.Nodes;
  Dest.Assign(Source);
}

constexpr long double DegToRad = std::numbers::pi_v<long double> / 180;

}  // namespace

std::vector<int32_t> TZQVCad::ValidSelection() const {
  std::vector<int32_t> out;
  for (int32_t i : Selection)
    if (i >= 0 && i < Count()) out.push_back(i);
  return out;
}

// ---- scaling ----

void TZQVCad::ScaleFigure(TRealFig& Figure, TRealPoint Centre, double Fx, double Fy, bool CoordinatesOnly,
                          bool Regenerate) {
  if (Fx == 0 || Fy == 0) return;
  const double m = (Fx + Fy) / 2;
  TRealFig s(this);
  TakeFigure(s, Figure);
  ScaleFigureNodes(s, Centre, Fx, Fy);
  const int kind = s.Kind;
  const bool arcs = AngleArcKinds.Has(kind) || ScaleneKinds.Has(kind);
  if (!CoordinatesOnly) {
    if (arcs) s.ArcRadius = float(s.ArcRadius * m);
    s.PenWidth *= m;
    if (kind == fkRoundRectangle || kind == fkRoundedSquare) s.RectangleRadius = float(s.RectangleRadius * m);
    const double size = std::round(m * s.FontSize);
    s.FontSize = int32_t(std::clamp(size, 1.0, 2147483646.0));
    if (ArrowKinds.Has(kind)) s.ArrowHeadLength = float(s.ArrowHeadLength * m);
    if (SlashKinds.Has(kind)) s.TickLength = float(s.TickLength * m);
  }
  if (arcs && s.ArcRadius == 0) s.ArcRadius = 1e-8f;
  if (s.PenWidth <= 0) s.PenWidth = 1e-11;
  if (WaveKinds.Has(kind)) ScaleWaveRec(s.Wave, Centre, Fx, Fy);
  if (Regenerate) UpdateFigurePoints(s);
  TakeFigure(Figure, s);
}

void TZQVCad::ScaleSelected(bool Copy, TRealPoint Centre, double Fx, double Fy, bool Regenerate) {
  const std::vector<int32_t> chosen = ValidSelection();
  if (chosen.empty() || Fx == 0 || Fy == 0) return;
  const bool wasUpdating = Updating;
  Updating = true;
  const int first = Count();
  if (Copy) {
    RecordAddUndo();
    for (int32_t i : chosen) {
      TRealFig s(this);
      TakeFigure(s, *FigureList[size_t(i)]);
      ScaleFigure(s, Centre, Fx, Fy, false, false);
      AddFigure(&s);
    }
    if (Regenerate)
      for (int i = first; i < Count(); ++i) UpdateFigurePoints(*FigureList[size_t(i)]);
  } else {
    TScaleIdxList r;
    r.Fx = 1 / Fx;
    r.Fy = 1 / Fy;
    r.Centre = Centre;
    SnapshotFigures(chosen, r);
    ScaleUndo.push_back(std::move(r));
    UndoList->Push(ukScale);
    for (int32_t i : chosen) ScaleFigure(*FigureList[size_t(i)], Centre, Fx, Fy, false, Regenerate);
  }
  Updating = wasUpdating;
  Changed();
}

void TZQVCad::ScaleInRect(const TRect& Rect, bool Copy, TRealPoint Centre, double Fx, double Fy, bool Regenerate) {
  SelectInRect(Rect);
  if (ValidSelection().empty()) {
    ShowMessage("Nothing to scale");
    return;
  }
  ScaleSelected(Copy, Centre, Fx, Fy, Regenerate);
}

// ---- rotating ----

bool TZQVCad::RotateFigure(TRealFig& Figure, TRealPoint Centre, bool Regenerate, bool MakeMultiline, long double Angle) {
  if (MakeMultiline && MultilineConvertibleKinds.Has(Figure.Kind)) ConvertToMultiline(Figure);
  RotateFigureByKind(Centre, Figure, Angle);
  if (Regenerate && RegeneratedKinds.Has(Figure.Kind)) UpdateFigurePoints(Figure);
  return true;
}

bool TZQVCad::RotateSelected(TRealPoint Centre, bool MakeMultiline, bool Copy, double AngleDegrees) {
  const std::vector<int32_t> chosen = ValidSelection();
  if (chosen.empty()) return false;
  if (StopRequest) {
    // Stopped before it began: nothing turned, so nothing to take back either.
    StopRequest = false;
    return false;
  }
  bool result = true;
  const long double angle = AngleDegrees * DegToRad;
  Updating = true;
  Busy = true;
  const int first = Count();
  if (Copy) {
    RecordAddUndo();
  } else {
    TRotateIdxList r;
    r.Angle = (-360 - AngleDegrees) * DegToRad;
    r.Centre = Centre;
    SnapshotFigures(chosen, r);
    RotateUndo.push_back(std::move(r));
    UndoList->Push(ukRotate);
  }
  try {
    if (!StopRequest) {
      for (int32_t i : chosen) {
        TRealFig s(this);
        TakeFigure(s, *FigureList[size_t(i)]);
        RotateFigure(s, Centre, false, MakeMultiline, angle);
        if (Copy) {
          AddFigure(&s);
        } else {
          TakeFigure(*FigureList[size_t(i)], s);
        }
      }
      auto regenerate = [](TRealFig& f) {
        try {
          if (RegeneratedKinds.Has(f.Kind)) UpdateFigurePoints(f);
        } catch (...) {
        }
      };
      if (Copy)
        for (int i = first; i < Count(); ++i) regenerate(*FigureList[size_t(i)]);
      else
        for (int32_t i : chosen) regenerate(*FigureList[size_t(i)]);
    }
  } catch (...) {
    result = false;
  }
  Updating = false;
  Busy = false;
  StopRequest = false;
  Changed();
  return result;
}

bool TZQVCad::RotateInRect(TRealPoint Centre, const TRect& Rect, bool Copy, double AngleDegrees, bool MakeMultiline) {
  Selection.clear();
  FirstSelected = SelectFiguresInRect(Rect);
  if (FirstSelected == nullptr) return false;
  return RotateSelected(Centre, MakeMultiline, Copy, AngleDegrees);
}

// ---- mirroring ----

bool TZQVCad::MirrorSelected(uint8_t Side, bool Copy, TRealPoint Axis) {
  const std::vector<int32_t> chosen = ValidSelection();
  if (chosen.empty()) return false;
  std::vector<int32_t> taking;
  for (int32_t i : chosen)
    if (MirrorApplies(*FigureList[size_t(i)], Side, Axis)) taking.push_back(i);
  const bool wasUpdating = Updating;
  Updating = true;
  if (!taking.empty()) {
    if (Copy) {
      RecordAddUndo();
    } else {
      TMirrorIdxList r;
      r.Side = uint8_t(Side ^ 1);
      r.Axis = Axis;
      SnapshotFigures(taking, r);
      MirrorUndo.push_back(std::move(r));
      UndoList->Push(ukMirror);
    }
    for (int32_t i : taking) {
      TRealFig s(this);
      TakeFigure(s, *FigureList[size_t(i)]);
      MirrorFigurePoints(*FigureList[size_t(i)], s, Side, Axis);
      if (Copy) {
        AddFigure(&s);
      } else {
        TakeFigure(*FigureList[size_t(i)], s);
      }
    }
  }
  Updating = wasUpdating;
  Changed();
  return true;
}

bool TZQVCad::MirrorInRect(uint8_t Side, const TRect& Rect, TRealPoint Axis, bool Copy) {
  Selection.clear();
  FirstSelected = SelectFiguresInRect(Rect);
  if (FirstSelected == nullptr) return false;
  return MirrorSelected(Side, Copy, Axis);
}

// ---- arrays ----

void TZQVCad::PolarArray(TRealPoint Centre, bool Positive, int32_t N, bool MakeMultiline, uint8_t ColourMode) {
  if (N < 1) return;
  PolarArrayEx(Centre, Positive, float(360.0 / N), N, MakeMultiline, ColourMode);
}

// Keeps the originals an array is about to recolour, so that undo of its add group restores them.
void TZQVCad::KeepOriginalColours(const std::vector<int32_t>& Chosen) {
  if (!AddGroupOriginals.empty() && AddGroupOriginals.back().Items.empty())
    SnapshotFigures(Chosen, AddGroupOriginals.back());
}

void TZQVCad::DropEmptyAddGroup(int GroupStart) {
  if (Count() > GroupStart || AddGroups.Count() == 0 || UndoList->Last() != ukAdd) return;
  RestoreFiguresOfLastAddGroup();
  AddGroups.Items.pop_back();
  AddGroupOriginals.pop_back();
  UndoList->RemoveAt(UndoList->Count() - 1);
}

void TZQVCad::PolarArrayEx(TRealPoint Centre, bool Positive, float StepDegrees, int32_t N, bool MakeMultiline,
                           uint8_t ColourMode) {
  const std::vector<int32_t> chosen = ValidSelection();
  const int64_t total = int64_t(chosen.size()) * N;
  if (total > 50000 &&
      MessageDlg("This polar operation could take some time. Do you\rwant to carry on?", mtWarning, mbYes | mbNo,
                 825) != mrYes)
    return;
  if (chosen.empty() || N < 1) {
    StopRequest = false;
    Busy = false;
    return;
  }
  const int groupStart = Count();
  RecordAddUndo();
  Updating = true;
  const int sign = Positive ? 1 : -1;
  const long double step = StepDegrees * DegToRad;
  TRealRGBVectorAR steps;
  if (ColourMode == 2 || ColourMode == 3) {
    KeepOriginalColours(chosen);
    BuildColourSteps(ColourMode, N, steps);
  }
  Busy = true;
  auto finish = [&] {
    for (int i = groupStart; i < Count(); ++i) {
      try {
        if (RegeneratedKinds.Has(FigureList[size_t(i)]->Kind)) UpdateFigurePoints(*FigureList[size_t(i)]);
      } catch (...) {
      }
    }
    DropEmptyAddGroup(groupStart);
    StopRequest = false;
    Busy = false;
    Updating = false;
    Changed();
  };
  bool interrupted = false;
  try {
    for (size_t j = 0; j < chosen.size() && !(interrupted && StopRequest); ++j) {
      for (int k = 1; k < N; ++k) {
        if (StopRequest) {
          if (!interrupted || ConfirmInterrupt("polar array", int(total))) {
            interrupted = true;
            StopRequest = true;
            break;
          }
        }
        TRealFig s(nullptr);
        TakeFigure(s, *FigureList[size_t(chosen[j])]);
        if (ColourMode == 1) RandomColours(s, 256);
        if ((ColourMode == 2 || ColourMode == 3) && j < steps.size())
          GradedColours(s, steps[j], PolarColourStep(ColourMode, k, N));
        // The node rotation turns by the full angle, so the copy turns by exactly k steps.
        const long double a = k * step * sign;
        RotateFigure(s, Centre, false, MakeMultiline, a);
        AddFigure(&s);
      }
    }
  } catch (const std::bad_alloc&) {
    finish();
    throw;
  } catch (const std::exception& e) {
    // The copies made so far stay, undoable as one group.
    finish();
    throw EZQVCadException(std::string("Unable to continue Polar array due to\r") + e.what());
  }
  finish();
}

bool TZQVCad::RectArray(int32_t Columns, int32_t Rows, bool ByBounds, uint8_t ColourMode, double HSpacing,
                        double VSpacing) {
  const std::vector<int32_t> chosen = ValidSelection();
  const int64_t total = int64_t(Columns) * Rows * int64_t(chosen.size());
  if (total > 100000 &&
      MessageDlg("This array operation could take some time. Do you\rwant to carry on?", mtWarning, mbYes | mbNo,
                 825) != mrYes)
    return false;
  if (chosen.empty() || Columns < 1 || Rows < 1) {
    StopRequest = false;
    return false;
  }
  if (ByBounds) {
    HSpacing = SelectionBottomRight.x - SelectionTopLeft.x;
    VSpacing = SelectionTopLeft.y - SelectionBottomRight.y;
    if (Columns > 1 && std::fabs(HSpacing) < 1e-6) {
      if (MessageDlg("You have chosen to do " + std::to_string(Columns) +
                         " horizontal iterations\rby bounds when the horizontal bounds are almost zero. You will "
                         "\rprobably see no difference at normal zoom levels as items will be\rsuperimposed on "
                         "each other. Do you wish to continue with the \roperation?",
                     mtInformation, mbYes | mbNo, 825) != mrYes)
        return true;
    } else if (Rows > 1 && std::fabs(VSpacing) < 1e-6) {
      if (MessageDlg("You have chosen to do " + std::to_string(Rows) +
                         " vertical iterations\rby bounds when the vertical bounds are almost zero. You will "
                         "\rprobably see no difference at normal zoom levels as items will be\rsuperimposed on "
                         "each other. Do you wish to continue with the \roperation?",
                     mtInformation, mbYes | mbNo, 299) != mrYes)
        return true;
    }
  }
  const int groupStart = Count();
  // The add group opens first, so that undo restores colours given to the originals too.
  RecordAddUndo();
  Updating = true;
  Busy = true;
  TRealRGBVectorAR steps;
  if (ColourMode == 2 || ColourMode == 3) {
    KeepOriginalColours(chosen);
    BuildColourSteps(ColourMode, Columns + Rows - 2, steps);
  }
  bool result = true;
  bool cancelled = false;
  if (ColourMode == 1) {
    KeepOriginalColours(chosen);
    for (int32_t i : chosen) {
      if (StopRequest && ConfirmInterrupt("rectangular array", int(total))) {
        cancelled = true;
        break;
      }
      RandomColours(*FigureList[size_t(i)], 255);
    }
  }
  const int half = int(std::lround((Columns + Rows) / 2.0));
  auto finish = [&] {
    for (int i = groupStart; i < Count(); ++i) {
      try {
        if (RegeneratedKinds.Has(FigureList[size_t(i)]->Kind)) UpdateFigurePoints(*FigureList[size_t(i)]);
      } catch (...) {
      }
    }
    DropEmptyAddGroup(groupStart);
    Updating = false;
    Busy = false;
    StopRequest = false;
    Changed();
  };
  try {
    for (int r = 1; r <= Rows && !cancelled; ++r) {
      for (int c = 1; c <= Columns && !cancelled; ++c) {
        if (r == 1 && c == 1) continue;
        if (StopRequest && ConfirmInterrupt("rectangular array", int(total))) {
          cancelled = true;
          result = false;
          break;
        }
        for (size_t j = 0; j < chosen.size(); ++j) {
          TRealFig s(nullptr);
          TakeFigure(s, *FigureList[size_t(chosen[j])]);
          if ((ColourMode == 2 || ColourMode == 3) && j < steps.size()) {
            int cc = r + c - 2;
            if (ColourMode == 2 && cc >= half) cc = std::max(0, 2 * (half - 1) - cc);
            GradedColours(s, steps[j], cc);
          }
          MoveFigure(Mapping, s, (c - 1) * HSpacing, (r - 1) * VSpacing);
          AddFigure(&s);
        }
      }
    }
  } catch (const std::bad_alloc&) {
    finish();
    throw;
  } catch (const std::exception& e) {
    finish();
    throw EZQVCadException(std::string("Unable to continue Rectangular array due to\r") + e.what());
  }
  if (cancelled && Count() == groupStart) result = false;
  finish();
  return result;
}

void TZQVCad::ScaledArray(int32_t N, TRealPoint Centre, double FinalFx, double FinalFy, uint8_t ColourMode,
                          bool Regenerate) {
  const std::vector<int32_t> chosen = ValidSelection();
  if (chosen.empty() || N < 1) return;
  const int groupStart = Count();
  Updating = true;
  RecordAddUndo();
  const double stepX = (FinalFx - 1) / N, stepY = (FinalFy - 1) / N;
  Busy = true;
  TRealRGBVectorAR steps;
  if (ColourMode == 2 || ColourMode == 3) {
    KeepOriginalColours(chosen);
    BuildColourSteps(ColourMode, N, steps);
  }
  for (size_t j = 0; j < chosen.size(); ++j) {
    for (int k = 1; k <= N; ++k) {
      TRealFig s(this);
      const TRealFig& original = *FigureList[size_t(chosen[j])];
      TakeFigure(s, original);
      if (ColourMode == 1) RandomColours(s, 256);
      if ((ColourMode == 2 || ColourMode == 3) && j < steps.size())
        GradedColours(s, steps[j], PolarColourStep(ColourMode, k, N));
      ScaleFigure(s, Centre, 1 + k * stepX, 1 + k * stepY, false, Regenerate);
      // Pen widths are not scaled: each copy keeps its own figure's width.
      s.PenWidth = original.PenWidth;
      AddFigure(&s);
    }
  }
  DropEmptyAddGroup(groupStart);
  Busy = false;
  StopRequest = false;
  Updating = false;
  Changed();
}

// ---- z-order ----

void TZQVCad::BringToFront(int Index) {
  const int last = Count() - 1;
  Measure.LastIndex = last;
  if (Index != last) {
    MoveFigureInList(Index, last);
    Measure.LastIndex = last;
  }
}

void TZQVCad::SendToBack(int Index) {
  if (Index != 0) {
    MoveFigureInList(Index, 0);
    Measure.LastIndex = 0;
  }
}

void TZQVCad::SelectionToFrontOrBack(uint8_t Mode) {
  std::vector<int32_t> chosen = ValidSelection();
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  const int n = Count();
  const int s = int(chosen.size());
  if (n < 2 || s == n || s == 0 || Mode > 1) return;
  const bool wasUpdating = Updating;
  Updating = true;
  if (Mode == 0) {
    for (int k = 0; k < s; ++k) {
      const int from = chosen[size_t(s - 1 - k)];
      if (from != n - 1 - k) MoveFigureInList(from, n - 1 - k);
    }
  } else {
    for (int j = 0; j < s; ++j) {
      const int from = chosen[size_t(j)];
      if (from != j) MoveFigureInList(from, j);
    }
  }
  ClearSelection();
  Updating = wasUpdating;
  Changed();
}

// Property template application and the small services of the engine.
#include <algorithm>
#include <cmath>

#include "cad/engine.h"
#include "cad/selectors.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "helpers/text_block_layout.h"
#include "platform/messages.h"

void TZQVCad::ChangeFigureProperty(const TRealFig& Source, int Index, TFigurePropertyIndex Prop) {
  if (Index < 0 || Index >= Count() || Prop < 0 || Prop > MaxFigurePropertyIndex) return;
  TRealFig& f = *FigureList[size_t(Index)];
  const bool symbolText = !f.Text.empty() && IsSymbolFontChar(f.FontName, f.FontCharset, uint8_t(f.Text[0]));
  auto font = [&](bool withName) {
    if (withName) {
      f.SetFontName(Source.FontName);
      f.SetFontCharset(Source.FontCharset);
    }
    f.SetFontSize(Source.FontSize);
    f.SetFontStyle(Source.FontStyle);
    f.SetFontColor(Source.FontColor);
  };
  switch (Prop) {
    case 0:
      f.SetWantDimensions(Source.WantDimensions);
      if (f.WantDimensions) {
        f.SetNumberFormat(Source.NumberFormat);
        f.SetMetric(Source.Metric);
        f.SetDimMultiplier(Source.DimMultiplier);
        f.SetDimSuffix(Source.DimSuffix);
        // The text figures keep the text the user wrote.
        if (f.Kind != fkText && f.Kind != fkTextNoLine) f.SetText("");
        font(true);
      }
      break;
    case 1: font(!symbolText); break;
    case 2: f.SetDimMultiplier(Source.DimMultiplier); break;
    case 3: f.SetPrecision(Source.Precision); break;
    case 4: f.SetDigits(Source.Digits); break;
    case 5: f.SetMetric(Source.Metric); break;
    case 6: f.SetDimSuffix(Source.DimSuffix); break;
    case 7: f.SetPenColor(Source.PenColor); break;
    case 8: f.SetPenStyle(Source.PenStyle); break;
    case 9: f.SetPenWidth(Source.PenWidth); break;
    case 10: f.SetPenMode(Source.PenMode); break;
    case 11: f.SetBrushColor(Source.BrushColor); break;
    case 12: f.SetBrushStyle(Source.BrushStyle); break;
    case 13: f.SetOpaqueDimensions(Source.OpaqueDimensions); break;
    case 14: f.SetNumberFormat(Source.NumberFormat); break;
    case 15: f.SetRectangleRadius(Source.RectangleRadius); break;
    case 16: f.SetArcRadius(Source.ArcRadius); break;
    case 17: f.SetArrowHeadLength(Source.ArrowHeadLength); break;
    case 18:
      f.SetGridCellsX(Source.GridCellsX);
      f.SetGridCellsY(Source.GridCellsY);
      break;
    case 19: f.SetPolygonSides(Source.PolygonSides); break;
    case 20: f.SetLineDivisions(Source.LineDivisions); break;
    case 21: f.SetWavyLineHeight(Source.WavyLineHeight); break;
    case 22: f.SetTickLength(Source.TickLength); break;
    case 23: f.SetWaveRec(Source.Wave); break;
    case 24: f.SetText(Source.Text); break;
    case 25: f.SetOutlineFonts(Source.OutlineFonts); break;
    default: break;
  }
  if (std::find(GeometryProperties.begin(), GeometryProperties.end(), Prop) != GeometryProperties.end())
    UpdateFigurePoints(f);
}

int TZQVCad::ChangeSelectedProperties(uint32_t Mask) {
  int changed = 0;
  const std::vector<int32_t> selection = TouchedSelection;
  for (size_t pos = 0; pos < selection.size(); ++pos) {
    const int32_t index = selection[pos];
    if (index < 0 || index >= Count()) continue;
    int prop = 0;
    try {
      for (prop = 0; prop <= MaxFigurePropertyIndex; ++prop)
        if (Mask & (1u << prop)) ChangeFigureProperty(*Template, index, prop);
      ++changed;
    } catch (...) {
      ShowMessage("Unable to change property(" + std::to_string(prop) + ") for item: " + std::to_string(pos));
    }
  }
  // Changed figures change the document.
  if (changed > 0) Changed();
  return changed;
}

bool TZQVCad::ConfirmInterrupt(const std::string& ProcessName, int Iterations) {
  const std::string text = "The current " + ProcessName + " (" + std::to_string(Iterations) + " iterations)" +
                           " process is being interrupted." + "\r" +
                           "If you interrupted the process intentionally click OK." + "\r" +
                           "The process may not stop immediately, please wait." + "\r" +
                           "It may happen that the following process may" + "\r" +
                           "still take some. Click the stop button or press escape" + "\r" +
                           "again when this dialog has closed if this might be a possibilty." + "\r" + "\r" +
                           "If this operation was a mistake, click the undo button" + "\r" +
                           "when processing has finally halted to prevent repetition";
  if (MessageDlg(text, mtWarning, mbOK | mbIgnore, 1000) == mrOk) return true;
  StopRequest = false;
  return false;
}

void TZQVCad::NudgeLastShape(TCanvas& Canvas, int Key) {
  const int index = LastSelectedIndex();
  if (index < 0) return;
  TRealFig& f = *FigureList[size_t(index)];
  const double s = ZoomStep();
  double dx = 0, dy = 0;
  switch (Key) {
    case 37: dx = -s; break;
    case 38: dy = s; break;
    case 39: dx = s; break;
    case 40: dy = -s; break;
    case 98: dy = -10 * s; break;
    case 100: dx = -10 * s; break;
    case 102: dx = 10 * s; break;
    case 104: dy = 10 * s; break;
    default: return;
  }
  TMeasureRec scratch;
  DrawShape(Canvas, f, 2, pmNotXor, BackgroundColor, 0, 0, false, true, scratch);
  // MoveFigure subtracts its y offset: an upward world move is passed as a negative one.
  MoveFigure(Mapping, f, dx, -dy);
  DrawShape(Canvas, f, 2, f.PenMode, f.FontColor, 0, 0, false, true, scratch);
  // The figure moved: the document changed.
  Changed();
}

bool TZQVCad::RealizeHalftonePalette(TCanvas& Canvas) {
  // True-colour surfaces take colours as they are; a palette is never realised on them.
  (void)Canvas;
  return false;
}

void TZQVCad::SetReferencePoint(double x, double y) {
  if (std::fabs(x) <= 1e-6 && std::fabs(y) <= 1e-6) x = y = 0;
  ReferencePoint = {x, y};
}

void TZQVCad::FindDrawnPixelNear(const TCanvas& Canvas, double& X, double& Y, TNodeHitRec& Hit) const {
  Hit = TNodeHitRec();
  const int px = CadRound(X), py = CadRound(Y);
  TRealPoint w = ScreenToWorldSnapped(Mapping, px, py);
  X = w.x;
  Y = w.y;
  Hit.Point = {w.x, w.y, 0};
  const TColor background = ColorToRGB(BackgroundColor);
  for (int x = px - 5; x <= px + 3; ++x)
    for (int y = py + 5; y >= py - 3; --y) {
      const TColor c = Canvas.Pixel(x, y);
      if (c == clNone || c == background) continue;
      w = ScreenToWorldSnapped(Mapping, x, y);
      X = w.x;
      Y = w.y;
      Hit.Point = {w.x, w.y, 0};
      Hit.Pixel = TPoint(x, y);
      Hit.Found = true;
    }
}

void TZQVCad::BuildColourSteps(int Mode, int Steps, TRealRGBVectorAR& Vectors) {
  if (!HasSelection()) return;
  Vectors.clear();
  const int k = Mode == 2 ? 2 : 1;
  for (int32_t index : Selection) {
    if (index < 0 || index >= Count()) continue;
    TRealFig& f = *FigureList[size_t(index)];
    const TColor pen = ColorToRGB(f.PenColor), brush = ColorToRGB(f.BrushColor);
    TRealRGBVector v;
    v.StartR = GetRValue(pen), v.StartG = GetGValue(pen), v.StartB = GetBValue(pen);
    if (Steps != 0) {
      v.StepR = float((int(GetRValue(brush)) - GetRValue(pen)) * k / double(Steps));
      v.StepG = float((int(GetGValue(brush)) - GetGValue(pen)) * k / double(Steps));
      v.StepB = float((int(GetBValue(brush)) - GetBValue(pen)) * k / double(Steps));
    }
    Vectors.push_back(v);
    f.SetBrushColor(f.PenColor);
  }
}

void TZQVCad::FireSelectionMoved() {
  if (!OnSelectionMoved) return;
  const bool ticks = WantTicks;
  WantTicks = false;
  try {
    OnSelectionMoved(this);
  } catch (...) {
    WantTicks = ticks;
    throw;
  }
  WantTicks = ticks;
}

TRealFig* TZQVCad::FirstSelectedFigure() const {
  if (FirstSelected == nullptr) return nullptr;
  for (const auto& f : FigureList)
    if (f.get() == FirstSelected) return FirstSelected;
  return nullptr;
}

void TZQVCad::ListShrunk() {
  Selection.clear();
  TouchedSelection.clear();
  FirstSelected = nullptr;
  if (Measure.LastIndex >= Count()) Measure.LastIndex = Count() - 1;
  NodeHit = TNodeHitRec();
}

void TZQVCad::ApplyZoom(uint8_t Level, const TRect& Rect) {
  if (Level != Zoom->Level) Zoom->SetLevel(Level);
  Mapping = Zoom->GetLevelMapping(Zoom->Level);
  TRect r = Rect;
  if (r.IsEmpty()) r = TRect(Mapping.PixLeft, Mapping.PixTop, Mapping.PixRight, Mapping.PixBottom);
  const long double cx = r.Left + (static_cast<long double>(r.Right) - r.Left) / 2;
  const long double cy = r.Top + (static_cast<long double>(r.Bottom) - r.Top) / 2;
  if (Zoom->Level != 4) {
    const long double f = ZoomFactor();
    const TPoint centre = Selector ? Selector->GetCentre() : SelectorCentre;
    const int dx = CadRound(cx - centre.X * f), dy = CadRound(cy - centre.Y * f);
    Mapping.PixLeft += dx;
    Mapping.PixRight += dx;
    Mapping.PixTop += dy;
    Mapping.PixBottom += dy;
  }
  if (OnZoomChange) OnZoomChange(this);
}

#include "cad/engine.h"

#include <QAbstractScrollArea>

#include <algorithm>
#include <string>

#include "cad/figure_transforms.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "cad/point_operations.h"
#include "cad/selectors.h"
#include "cad/units.h"
#include "platform/messages.h"

bool NewFigureStarted = false;

TZQVCad::TZQVCad(QWidget* parent, int NodeCountSetting, int32_t xResolution, int32_t yResolution) {
  Ready = false;
  // The setting comes from an ini file the user can edit: it is kept to its range 16 to 123.
  NodeCount = std::clamp(NodeCountSetting, MinNodeCount, MaxNodeCount);
  ScreenPoints.assign(size_t(std::max(NodeCount, 0)), TPoint());
  DataVersion = 2;
  Parent = parent;
  Metric = false;
  CopyMagnification = 1;
  SameColorDivider = false;
  IsNT = true;
  XResolution = xResolution;
  YResolution = yResolution;
  ToolMode = 11;
  Zoom = std::make_unique<TZoom>(this, XResolution, YResolution);
  CurrentFigure = std::make_unique<TRealFig>(this);
  Template = std::make_unique<TStoredProperties>(this);
  Template->OnChange = [this](TRealFig* sender) { TemplateChanged(sender); };
  HitSize = 4;
  SetMappingMode(1);
  TicksErased = true;
  BackgroundColor = clWindow;
  DynamicGrids = true;
  ScanGrids = true;
  NodeMarker = QImage(3, 3, QImage::Format_RGB32);
  NodeMarker.fill(QColor(128, 128, 0));
  RedNodeMarker = QImage(3, 3, QImage::Format_RGB32);
  RedNodeMarker.fill(QColor(255, 0, 0));
  UndoList = std::make_unique<TUndo>(this);
  if (parent != nullptr) {
    // On a scroll box the selector sits on its viewport, above the page.
    auto* area = qobject_cast<QAbstractScrollArea*>(parent);
    QWidget* host = area ? area->viewport() : parent;
    Selector = new TReferenceSelector(host, Mapping, this);
    Selector->SetBounds(200, 200, 9, 9);
    Selector->raise();
    Selector->OnDblClick = [this](QObject* sender) { PasteIfCompatible(sender); };
    Selector->hide();
    // The page may go before the engine; the selector goes with it.
    QObject::connect(Selector, &QObject::destroyed, [this] { Selector = nullptr; });
  }
}

TZQVCad* Figures = nullptr;

TZQVCad::~TZQVCad() {
  if (OnDestroy) OnDestroy(this);
  Ready = false;
  delete Selector;
  Selector = nullptr;
  if (Figures == this) Figures = nullptr;
}

TRealFig* TZQVCad::GetFigure(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("List index out of bounds = " + std::to_string(Index));
  return FigureList[size_t(Index)].get();
}

void TZQVCad::AddFigure(const TRealFig* Source) {
  if (Count() >= FigureLimit) throw EListError("Maximum shapes is: " + std::to_string(FigureLimit));
  auto figure = std::make_unique<TRealFig>(this);
  if (Source != nullptr) figure->Assign(*Source);
  if (figure->Kind == fkMeasure) return;  // the measuring tool is never stored
  try {
    FigureList.push_back(std::move(figure));
  } catch (...) {
    throw EListError("Error adding figure");
  }
  Measure.LastIndex = Count() - 1;
  Changed();
}

void TZQVCad::Pack() {
  FigureList.erase(std::remove(FigureList.begin(), FigureList.end(), nullptr), FigureList.end());
}

void TZQVCad::Changed() {
  if (!Updating && OnChange) OnChange(this);
}

void TZQVCad::TemplateChanged(TRealFig* /*Sender*/) {
  if (CurrentFigure && Template) CurrentFigure->Assign(*Template);
}

void TZQVCad::SetBackgroundColor(TColor Color) {
  BackgroundColor = Color;
  if (OnBackgroundColorChange) OnBackgroundColorChange(this);
}

void TZQVCad::SetCopyMagnification(int32_t Value) {
  if (Value >= 1 && Value <= 10) CopyMagnification = Value;
}

int32_t TZQVCad::PixelsPerInch() const { return Zoom ? Zoom->PixelsPerUnitY() : 90; }

void TZQVCad::GetMapping(TMappingRec& Map) const { Map = GetMapping(); }
TMappingRec TZQVCad::GetMapping() const { return Zoom ? Zoom->GetLevelMapping(Zoom->Level) : Mapping; }
double TZQVCad::ZoomStep() const { return Zoom ? Zoom->GetSnapStep() : Mapping.SnapStep; }
uint8_t TZQVCad::ZoomLevel() const { return Zoom ? Zoom->Level : 4; }
double TZQVCad::ZoomFactor() const { return Zoom ? Zoom->ZoomFactor() : 1.0; }

void TZQVCad::SetZoomLevel(uint8_t Level) {
  if (Level == Zoom->Level) return;
  Zoom->SetLevel(Level);
  Mapping = Zoom->GetLevelMapping(Zoom->Level);
  Changed();
}

void TZQVCad::SetMappingMode(uint8_t NewPaperIndex) {
  if (NewPaperIndex == PaperIndex) return;
  PaperIndex = NewPaperIndex;
  // The page's own resolutions: the current level's pixels per world unit equal them only while
  // the workspace is in inches at 100 %.
  Zoom->Build(PaperIndex, XResolution, YResolution);
  Mapping = Zoom->GetLevelMapping(Zoom->Level);
  Changed();
}

void TZQVCad::SetMetric(bool NewMetric) {
  if (NewMetric == Metric) return;
  const std::string suffix = NewMetric ? "cm" : "''";
  Metric = NewMetric;
  const int dpi = ScreenPixelsPerInch();
  Zoom->Build(PaperIndex, dpi, dpi);
  Mapping = Zoom->GetLevelMapping(4);
  for (TRealFig* f : {static_cast<TRealFig*>(Template.get()), CurrentFigure.get()}) {
    f->SetMetric(NewMetric);
    f->SetDimSuffix(suffix);
  }
  Changed();
}

void TZQVCad::SetupPage(uint8_t NewPaperIndex, bool NewMetric) {
  Updating = true;
  try {
    Metric = NewMetric;
    Zoom->Build(NewPaperIndex, XResolution, YResolution);
    SetZoomLevel(4);
    Mapping = Zoom->GetLevelMapping(4);
  } catch (...) {
    Updating = false;
    throw;
  }
  Updating = false;
  Template->SetMetric(NewMetric);
  if (OnUnitsChange) OnUnitsChange(this);
}

int TZQVCad::MaxUsedNodeCount() const {
  int result = MinNodeCount;
  for (const auto& f : FigureList)
    if (f) result = std::max(result, LastPointIndex(*f) + 1);
  return result;
}

bool TZQVCad::SetNodeCount(int n) {
  const bool wasReady = Ready;
  Ready = false;
  TFigureChangeEvent templateEvent = std::move(Template->OnChange);
  Template->OnChange = nullptr;
  bool result = false;
  if (n < MinNodeCount) {
    ShowMessage("Minimum node setting is 16. Aborting node reset");
  } else if (MaxUsedNodeCount() > n) {
    ShowMessage(
        "The vectors in the current workspace are using more\rnodes than the requested value. This may be due "
        "to a\rhigh value of line divisions. If so, try selecting all\rvectors and setting line divisions to a "
        "reduced value,\rthis will allow you to reduce the node setting.");
  } else if (n > MaxNodeCount) {
    ShowMessage("The requested value exceeds the absolute maximum (123) node setting for\rthis version.");
  } else {
    const int old = NodeCount;
    NodeCount = n;
    for (auto& f : FigureList)
      if (f) f->ResizeNodes(n);
    for (TRealFig* f : {CurrentFigure.get(), static_cast<TRealFig*>(Template.get())}) {
      f->ResizeNodes(n);
      if (n < old) {
        if (f->LineDivisions > n - 3) f->SetLineDivisions(n - 3);
        if (f->PolygonSides > n - 3) f->SetPolygonSides(n - 3);
      }
    }
    ScreenPoints.resize(size_t(n), TPoint());
    result = true;
  }
  Template->OnChange = std::move(templateEvent);
  Ready = wasReady;
  return result;
}

// ---- selection ----

bool TZQVCad::FigureHasNodeInRect(const TRealFig& Figure, const TRect& Rect) const {
  // Only the figure's real points count: unused node slots (node 1 of most kinds, cleared to the
  // world origin) would otherwise make every figure touch a rectangle at the page corner.
  const int last = LastPointIndex(Figure);
  for (int i = 0; i <= last; ++i)
    if (NodeInUse(Figure, i) && PointInScreenRect(Mapping, Rect, Figure.Point(i))) return true;
  return false;
}

bool TZQVCad::HasSelection() const { return !Selection.empty() || !TouchedSelection.empty(); }

void TZQVCad::ClearSelection() {
  if (!Selection.empty()) Selection.clear();
  TouchedSelection.clear();
  // The first selected figure belongs to the selection: it goes with it.
  FirstSelected = nullptr;
}

TRealFig* TZQVCad::SelectFiguresInRect(const TRect& Rect) {
  ClearSelection();
  TRealFig* result = nullptr;
  try {
    for (int i = 0; i < Count(); ++i) {
      const TRealFig& f = *FigureList[size_t(i)];
      const bool inside = FigureInRect(Mapping, f, Rect);
      const bool touched = FigureHasNodeInRect(f, Rect);
      if (inside) Selection.push_back(i);
      if (touched) TouchedSelection.push_back(i);
      if ((inside || touched) && result == nullptr) result = FigureList[size_t(i)].get();
    }
  } catch (...) {
    return nullptr;
  }
  return result;
}

void TZQVCad::SelectInRect(const TRect& Rect) {
  SelectRect = Rect;
  if (Rect.IsEmpty()) {
    ClearSelection();
    return;
  }
  SelectionTopLeft = GetExtentsTopLeft(Count(), Rect);
  SelectionBottomRight = GetExtentsBottomRight(Count(), Rect);
  if (Count() > 0) {
    ClearSelection();
    FirstSelected = SelectFiguresInRect(Rect);
  }
  if (OnSelectRect) OnSelectRect(this);
}

void TZQVCad::GetSelectionBounds(double& x1, double& y1, double& x2, double& y2) const {
  x1 = SelectionTopLeft.x;
  y1 = SelectionTopLeft.y;
  x2 = SelectionBottomRight.x;
  y2 = SelectionBottomRight.y;
}

namespace {
bool ExtentNode(const TRealFig& f, int i) { return i != 1 || ExtentNode1Kinds.Has(f.Kind); }
}  // namespace

TRealPoint TZQVCad::GetExtentsTopLeft(int32_t FigureCount, const TRect& Rect) const {
  TRealPoint result{0, 0};
  long double minX = ScreenToWorldX(Mapping, Rect.Right);
  long double maxY = ScreenToWorldY(Mapping, Rect.Bottom);
  const long double leftX = ScreenToWorldX(Mapping, Rect.Left);
  const long double topY = ScreenToWorldY(Mapping, Rect.Top);
  for (int i = 0; i < std::min(FigureCount, Count()); ++i) {
    const TRealFig& f = *FigureList[size_t(i)];
    if (!FigureInRect(Mapping, f, Rect)) continue;
    const int last = LastPointIndex(f);
    for (int n = 0; n <= last; ++n) {
      if (!ExtentNode(f, n)) continue;
      const TRealXYZ p = f.Point(n);
      if (p.x < minX && p.x > leftX) {
        minX = p.x;
        result.x = p.x;
      }
      const double y = WaveKinds.Has(f.Kind) ? p.y + f.GetWaveHeight(1) : p.y;
      if (y > maxY && y < topY && !SameValueEps(y, 0, 1e-7)) {
        maxY = y;
        result.y = y;
      }
    }
  }
  return result;
}

TRealPoint TZQVCad::GetExtentsBottomRight(int32_t FigureCount, const TRect& Rect) const {
  TRealPoint result{0, 0};
  long double maxX = 0;
  long double minY = ScreenToWorldY(Mapping, Rect.Top);
  for (int i = 0; i < std::min(FigureCount, Count()); ++i) {
    const TRealFig& f = *FigureList[size_t(i)];
    if (!FigureInRect(Mapping, f, Rect)) continue;
    const int last = LastPointIndex(f);
    for (int n = 0; n <= last; ++n) {
      if (!ExtentNode(f, n)) continue;
      const double x = f.Point(n).x;
      if (x > maxX && x > 0.001) {
        maxX = x;
        result.x = x;
      }
    }
    for (int n = 0; n <= last; ++n) {
      if (!ExtentNode(f, n)) continue;
      const double y = WaveKinds.Has(f.Kind) ? f.Point(2).y - 2 * f.GetWaveHeight(1) : f.Point(n).y;
      if (y < minY && !SameValueEps(y, 0, 1e-7)) {
        minY = y;
        result.y = y;
      }
    }
  }
  return result;
}

void TZQVCad::GetExtents(const TRect& Rect, TRect& Result) const {
  if (Count() == 0) {
    Result = TRect(0, 0, 0, 0);
    return;
  }
  const TPoint a = WorldToScreen(Mapping, GetExtentsTopLeft(Count(), Rect));
  const TPoint b = WorldToScreen(Mapping, GetExtentsBottomRight(Count(), Rect));
  NormalizeRect(TRect(a.X, a.Y, b.X, b.Y), Result);
}

void TZQVCad::ConvertSelectedToMultiline() {
  if (!HasSelection()) {
    ShowMessage("Nothing Selected");
    return;
  }
  if (Count() == 0) return;
  std::vector<int32_t> convertible;
  for (int32_t index : ValidSelection())
    if (MultilineConvertibleKinds.Has(FigureList[size_t(index)]->Kind)) convertible.push_back(index);
  std::sort(convertible.begin(), convertible.end());
  convertible.erase(std::unique(convertible.begin(), convertible.end()), convertible.end());
  if (convertible.empty()) return;
  // Recorded as a turn by nothing that makes multilines: undo puts the figures back as they were.
  TRotateIdxList r;
  SnapshotFigures(convertible, r);
  RotateUndo.push_back(std::move(r));
  UndoList->Push(ukRotate);
  for (int32_t index : convertible) {
    try {
      ConvertToMultiline(*FigureList[size_t(index)]);
    } catch (...) {
      ShowMessage("Conversion failed");
    }
  }
  Changed();
}

int32_t TZQVCad::LastSelectedIndex() {
  if (Count() == 0) return -1;
  if (Measure.LastIndex >= 0 && Measure.LastIndex < Count()) return Measure.LastIndex;
  Measure.LastIndex = Count() - 1;
  return -1;
}

void TZQVCad::SetLargeSnapArea(bool Value) {
  if (LargeSnapArea == Value) return;
  LargeSnapArea = Value;
  LargeSnapCursor = Value;
}

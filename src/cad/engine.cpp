#include "cad/engine.h"

#include <algorithm>
#include <string>

#include "platform/messages.h"
#include "cad/node_layout.h"
#include "cad/units.h"

bool NewFigureStarted = false;

TZQVCad::TZQVCad(QWidget* parent, int NodeCountSetting, int32_t xResolution, int32_t yResolution) {
  Ready = false;
  NodeCount = NodeCountSetting;
  ScreenPoints.assign(size_t(std::max(NodeCount, 0)), TPoint());
  DataVersion = 2;
  Parent = parent;
  Metric = false;
  CopyMagnification = 1;
  SameColorDivider = false;
  WaveBuffer.assign(WaveBufferPoints, TPoint());
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
}

TZQVCad::~TZQVCad() {
  if (OnDestroy) OnDestroy(this);
  Ready = false;
  if (Figures == this) Figures = nullptr;
}

TRealFig* TZQVCad::GetFigure(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FigureList[size_t(Index)].get();
}

void TZQVCad::AddFigure(const TRealFig* Source) {
  if (Count() >= MaxFigureCount) throw EListError("Maximum shapes is: " + std::to_string(MaxFigureCount));
  auto figure = std::make_unique<TRealFig>(this);
  if (Source != nullptr) figure->Assign(*Source);
  if (figure->Kind == 55) return;  // the measuring tool is never stored
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
  Zoom->Build(PaperIndex, Zoom->PixelsPerUnitX(), Zoom->PixelsPerUnitY());
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

#include "cad/figure.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/units.h"
#include "helpers/small_helpers.h"
#include "platform/canvas.h"
#include "platform/font.h"
#include "platform/font.h"
#include "platform/messages.h"
#include "platform/streams.h"

int NodeCount = 16;

const std::array<const char*, 56> FigureKindNames = {
    "Line", "Line Right Arrow", "Line Left Arrow", "Line Both Arrows", "Focused Rectangle",
    "Rectangle", "Ellipse", "Round Rectangle", "Rectangular Frame", "Square Frame", "Circle",
    "Square", "Rounded Square", "Triangle", "Arc NWSE", "Arc NESW", "Fill", "Text",
    "Horizontal Line", "Vertical Line", "Underlines", "Horizontal Wavy Line", "Grid",
    "Bezier Curve", "Polygon", "Filled Polygon", "Filled Triangle", "Sine Wave", "Half Wave",
    "Full Wave", "Half Wave Negative", "Full Wave Negative", "Square Wave", "Pulse",
    "Negative Pulse", "Wave Sum", "AM", "FM", "Angle Arc", "Double Angle Arc",
    "Angle Arc 1 Slash", "Angle Arc 2 Slash", "Scalar TA", "Fill Scalar TA", "Scalar TA + Arcs",
    "Fill Scalar TA + Arcs", "Line 1 Slash", "Line 2 Slash", "Text No Line",
    "Closed irreg Polygon", "Open irreg Polygon", "Bezier Left Arrow", "Bezier Right Arrow",
    "Bezier Both Arrows", "Bezier Ellipse", "Measure"};

// ---- nodes ----

void TRealXYZObj::ScaleAbout(const TRealXYZ& Centre, double FactorX, double FactorY) {
  X = (X - Centre.x) * FactorX + Centre.x;
  Y = (Y - Centre.y) * FactorY + Centre.y;
}

long double TRealXYZObj::AngleFrom(const TRealXYZ& Centre) const {
  const long double t = std::atan2(static_cast<long double>(Y) - Centre.y, static_cast<long double>(X) - Centre.x);
  if (!std::isfinite(t)) return 0;
  return t > 0 ? 2 * std::numbers::pi_v<long double> - t : -t;
}

void TRealXYZObj::RotateAbout(const TRealXYZ& Centre, long double Angle) {
  // The full angle is applied: an angle of pi or more turns the node by that angle too.
  const long double dx = static_cast<long double>(X) - Centre.x;
  const long double dy = static_cast<long double>(Y) - Centre.y;
  const long double r = Hypot(dx, dy);
  const long double a0 = AngleFrom(Centre);
  X = static_cast<double>(Centre.x + r * std::cos(a0 + Angle));
  Y = static_cast<double>(Centre.y - r * std::sin(a0 + Angle));
}

void TRealXYZObj::WriteToStream(TStream& stream) const {
  stream.WriteValue(X);
  stream.WriteValue(Y);
  stream.WriteValue(Z);
}

void TRealXYZObj::ReadFromStream(TStream& stream) {
  const double x = stream.ReadValue<double>();
  const double y = stream.ReadValue<double>();
  const double z = stream.ReadValue<double>();
  X = x;
  Y = y;
  Z = z;
}

void ProjectPoints(const TMappingRec& Map, const TRealXYZPts& nodes, int Count, std::vector<TPoint>& points) {
  Count = std::min({Count, int(nodes.size()), int(points.size())});
  for (int i = 0; i < Count; ++i) points[size_t(i)] = WorldToScreen(Map, nodes[size_t(i)].GetPoint());
}

TWaveRec DefaultWaveRec() {
  TWaveRec w{};
  w.WaveWidth[0] = w.WaveWidth[1] = 0.5;
  w.PulseWidth[0] = w.PulseWidth[1] = 30;
  w.PulseRise = 0;
  w.PulseFall = 0;
  w.FMIndex = 4.0f;
  w.Params[0] = w.Params[1] = 0;
  w.WaveHeight[0] = w.WaveHeight[1] = 0.3;
  w.StartAngle[0] = w.StartAngle[1] = 0;
  w.PointX = w.PointY = 0;
  w.Rotation = 0;
  return w;
}

namespace {
template <typename T>
void PutLE(uint8_t* out, size_t& at, T v) {
  std::memcpy(out + at, &v, sizeof v);  // the platform is little-endian
  at += sizeof v;
}
template <typename T>
T GetLE(const uint8_t* in, size_t& at) {
  T v;
  std::memcpy(&v, in + at, sizeof v);
  at += sizeof v;
  return v;
}
}  // namespace

std::array<uint8_t, WaveRecSize> WaveRecToBytes(const TWaveRec& w) {
  std::array<uint8_t, WaveRecSize> out{};
  size_t at = 0;
  for (double v : w.WaveWidth) PutLE(out.data(), at, v);
  for (double v : w.PulseWidth) PutLE(out.data(), at, v);
  PutLE(out.data(), at, w.PulseRise);
  PutLE(out.data(), at, w.PulseFall);
  PutLE(out.data(), at, w.FMIndex);
  for (int32_t v : w.Params) PutLE(out.data(), at, v);
  for (double v : w.WaveHeight) PutLE(out.data(), at, v);
  for (int32_t v : w.StartAngle) PutLE(out.data(), at, v);
  PutLE(out.data(), at, w.PointX);
  PutLE(out.data(), at, w.PointY);
  PutLE(out.data(), at, w.Rotation);
  return out;
}

TWaveRec WaveRecFromBytes(const uint8_t* in) {
  TWaveRec w{};
  size_t at = 0;
  for (double& v : w.WaveWidth) v = GetLE<double>(in, at);
  for (double& v : w.PulseWidth) v = GetLE<double>(in, at);
  w.PulseRise = GetLE<double>(in, at);
  w.PulseFall = GetLE<double>(in, at);
  w.FMIndex = GetLE<float>(in, at);
  for (int32_t& v : w.Params) v = GetLE<int32_t>(in, at);
  for (double& v : w.WaveHeight) v = GetLE<double>(in, at);
  for (int32_t& v : w.StartAngle) v = GetLE<int32_t>(in, at);
  w.PointX = GetLE<double>(in, at);
  w.PointY = GetLE<double>(in, at);
  w.Rotation = GetLE<int32_t>(in, at);
  return w;
}

// ---- figures ----

TRealFig::TRealFig(TZQVCad* owner) : Owner(owner) {
  Flags = ffConstructing;
  DefaultY = owner != nullptr ? owner->Mapping.WorldTop : 0.0;
  PixelsPerInch = owner != nullptr ? owner->PixelsPerInch() : ScreenPixelsPerInch();
  if (PixelsPerInch <= 0) PixelsPerInch = 96;
  Nodes.assign(size_t(std::max(NodeCount, 0)), TRealXYZObj(DefaultY));
  PenWidth = 1.0 / PixelsPerInch;
  if (owner != nullptr && owner->Metric) {
    ConvertUnits(true);
    Metric = true;
    DimSuffix = "cm";
  }
  Flags = 0;
}

std::unique_ptr<TRealFig> TRealFig::Create(TFigureClass cls, TZQVCad* owner) {
  if (cls == TFigureClass::StoredProperties) return std::make_unique<TStoredProperties>(owner);
  return std::make_unique<TRealFig>(owner);
}

TRealXYZObj* TRealFig::GetNode(int Index) {
  if (Index < 0 || Index >= int(Nodes.size())) throw ERangeError("Node index out of range");
  return &Nodes[size_t(Index)];
}

const TRealXYZObj* TRealFig::GetNode(int Index) const {
  if (Index < 0 || Index >= int(Nodes.size())) throw ERangeError("Node index out of range");
  return &Nodes[size_t(Index)];
}

void TRealFig::ResizeNodes(int count) { Nodes.resize(size_t(std::max(count, 0)), TRealXYZObj()); }

void TRealFig::Changed() {
  if ((Flags & ffConstructing) != 0 || (Flags & ffLoading) != 0 || Assigning || !OnChange) return;
  OnChange(this);
}

void TRealFig::ConvertUnits(bool NewMetric) {
  if (NewMetric == Metric) return;
  const double f = NewMetric ? 2.54 : 1 / 2.54;
  PenWidth *= f;
  RectangleRadius = float(RectangleRadius * f);
  ArcRadius = float(ArcRadius * f);
  WavyLineHeight = float(WavyLineHeight * f);
  ArrowHeadLength = float(ArrowHeadLength * f);
  TickLength = float(TickLength * f);
  for (int i = 0; i < 2; ++i) {
    Wave.WaveWidth[i] = Wave.WaveWidth[i] * f;
    Wave.WaveHeight[i] = Wave.WaveHeight[i] * f;
  }
}

void TRealFig::CopyProperties(const TRealFig& s) {
  NodeCountUsed = s.NodeCountUsed;
  PolygonSides = s.PolygonSides;
  PenWidth = s.PenWidth;
  PenColor = s.PenColor;
  PenMode = s.PenMode;
  PenStyle = s.PenStyle;
  BrushColor = s.BrushColor;
  BrushStyle = s.BrushStyle;
  Kind = s.Kind;
  RectangleRadius = s.RectangleRadius;
  ArcRadius = s.ArcRadius;
  WantDimensions = s.WantDimensions;
  FontColor = s.FontColor;
  FontName = s.FontName;
  FontSize = s.FontSize;
  FontStyle = s.FontStyle;
  FontCharset = s.FontCharset;
  DimMultiplier = s.DimMultiplier;
  Precision = s.Precision;
  Digits = s.Digits;
  NumberFormat = s.NumberFormat;
  Metric = s.Metric;
  DimSuffix = s.DimSuffix;
  Text = s.Text;
  LegacyFlag = s.LegacyFlag;
  GridCellsX = s.GridCellsX;
  GridCellsY = s.GridCellsY;
  SetWaveRec(s.Wave);
  WavyLineHeight = s.WavyLineHeight;
  OpaqueDimensions = s.OpaqueDimensions;
  SetLineDivisions(s.LineDivisions);
  ArrowHeadLength = s.ArrowHeadLength;
  TickLength = s.TickLength;
  OutlineFonts = s.OutlineFonts;
}

void TRealFig::Assign(const TRealFig& Source) {
  if (&Source == this || Assigning) return;
  Assigning = true;
  try {
    if (!SkipNodes) {
      const size_t n = std::min(Nodes.size(), Source.Nodes.size());
      for (size_t i = 0; i < n; ++i) Nodes[i].Assign(Source.Nodes[i]);
    }
    CopyProperties(Source);
  } catch (...) {
    Assigning = false;
    throw;
  }
  Assigning = false;
  Changed();
}

void TRealFig::AssignWithoutNodes(const TRealFig& Source) {
  SkipNodes = true;
  try {
    Assign(Source);
  } catch (...) {
    SkipNodes = false;
    throw;
  }
  SkipNodes = false;
}

void TStoredProperties::Assign(const TRealFig& Source) {
  TRealFig::Assign(Source);
  for (auto& node : Nodes) node.SetPoint({0, 0, 0});
  NodeCountUsed = 0;
}

bool TRealFig::AddNode(int& Index) {
  if (!MultiNodeKinds.Has(Kind) || Index < 0) return false;
  const int s = Kind == fkBezierEllipse ? 3 : 1;
  const int count = int(Nodes.size());
  // The inserted nodes Index + 1 .. Index + s must lie inside the node array.
  if (Index + s >= count || NodeCountUsed + s > count) {
    MessageDlg("Node limit reached. You can increase the node limit in\rSettings>Application>Set Node Count",
               mtInformation, mbOK, 1120);
    return false;
  }
  NodeCountUsed += s;
  for (int i = NodeCountUsed - 1; i >= Index + s + 1; --i) {
    Nodes[size_t(i)].X = Nodes[size_t(i - s)].X;
    Nodes[size_t(i)].Y = Nodes[size_t(i - s)].Y;
  }
  for (int i = Index + 1; i <= Index + s; ++i) {
    Nodes[size_t(i)].X = Nodes[size_t(Index)].X;
    Nodes[size_t(i)].Y = Nodes[size_t(Index)].Y;
  }
  Index += s;
  return true;
}

bool TRealFig::DeleteNode(int& Index) {
  if (!MultiNodeKinds.Has(Kind) || NodeCountUsed < 4) return false;
  const int count = int(Nodes.size());
  const int used = std::min(NodeCountUsed, count);
  if (Index < 0 || Index >= used) return false;
  if (Kind == fkBezierEllipse) {
    if (NodeCountUsed < 7) return false;
    for (int i = Index; i < used; ++i)
      if (i + 3 < count) Nodes[size_t(i)].Assign(Nodes[size_t(i + 3)]);
    NodeCountUsed -= 3;
    Index = std::max(Index - 3, 0);
  } else {
    for (int i = Index; i < used; ++i)
      if (i + 1 < count) Nodes[size_t(i)].Assign(Nodes[size_t(i + 1)]);
    NodeCountUsed -= 1;
    if (Index > 0) --Index;
  }
  Changed();
  return true;
}

void TRealFig::SetWaveRec(const TWaveRec& rec) {
  Wave = rec;
  // A rotation outside -359 .. 359 is stored as 0.
  if (Wave.Rotation <= -360 || Wave.Rotation >= 360) Wave.Rotation = 0;
  Changed();
}

double TRealFig::GetWaveHeight(int Index) const {
  if (Index < 1 || Index > 2) throw EWaveRecError("Index out of range");
  return Wave.WaveHeight[Index - 1];
}

void TRealFig::SetWaveAngle(int32_t Degrees) {
  if (Degrees > -360 && Degrees < 360) {
    if (Wave.Rotation != Degrees) {
      Wave.Rotation = Degrees;
      Changed();
    }
  } else if (Wave.Rotation != 0) {
    Wave.Rotation = 0;
    Changed();
  }
}

template <typename T>
static bool StoreChanged(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

void TRealFig::SetNodeCountUsed(int32_t n) { NodeCountUsed = n > int(Nodes.size()) ? int(Nodes.size()) : n; }

void TRealFig::SetPolygonSides(int32_t n) {
  n = std::clamp(n, 3, std::max(3, MaxPolygonSides()));
  if (StoreChanged(PolygonSides, n)) Changed();
}

void TRealFig::SetLineDivisions(int32_t n) {
  n = std::clamp(n, 1, std::max(1, MaxLineDivisions()));
  if (StoreChanged(LineDivisions, n)) Changed();
}

void TRealFig::SetPenWidth(double v) {
  if (SameValueEps(PenWidth, v, 1e-10)) return;
  PenWidth = v;
  Changed();
}

static bool StoreSize(float& field, double v, long double eps) {
  if (SameValueEps(field, v, eps)) return false;
  field = float(v);
  return true;
}

void TRealFig::SetRectangleRadius(double v) { if (StoreSize(RectangleRadius, v, 0.001L)) Changed(); }
void TRealFig::SetWavyLineHeight(double v) { if (StoreSize(WavyLineHeight, v, 0.001L)) Changed(); }
void TRealFig::SetArcRadius(double v) { if (StoreSize(ArcRadius, v, 0.0001L)) Changed(); }
void TRealFig::SetArrowHeadLength(double v) { if (StoreSize(ArrowHeadLength, v, 0.0001L)) Changed(); }
void TRealFig::SetTickLength(double v) { if (StoreSize(TickLength, v, 0.0001L)) Changed(); }

void TRealFig::SetPenColor(TColor v) { if (StoreChanged(PenColor, v)) Changed(); }
void TRealFig::SetPenMode(uint8_t v) { if (StoreChanged(PenMode, v)) Changed(); }
void TRealFig::SetPenStyle(uint8_t v) { if (StoreChanged(PenStyle, v)) Changed(); }
void TRealFig::SetBrushColor(TColor v) { if (StoreChanged(BrushColor, v)) Changed(); }
void TRealFig::SetBrushStyle(uint8_t v) { if (StoreChanged(BrushStyle, v)) Changed(); }
void TRealFig::SetFontColor(TColor v) { if (StoreChanged(FontColor, v)) Changed(); }
void TRealFig::SetFontSize(int32_t v) { if (StoreChanged(FontSize, v)) Changed(); }
void TRealFig::SetFontStyle(uint8_t v) { if (StoreChanged(FontStyle, v)) Changed(); }
void TRealFig::SetFontCharset(uint8_t v) { if (StoreChanged(FontCharset, v)) Changed(); }
void TRealFig::SetDimMultiplier(uint8_t v) { if (StoreChanged(DimMultiplier, v)) Changed(); }
void TRealFig::SetPrecision(int32_t v) { if (StoreChanged(Precision, v)) Changed(); }
void TRealFig::SetDigits(int32_t v) { if (StoreChanged(Digits, v)) Changed(); }
void TRealFig::SetNumberFormat(uint8_t v) { if (StoreChanged(NumberFormat, v)) Changed(); }
void TRealFig::SetLegacyFlag(uint8_t v) { if (StoreChanged(LegacyFlag, v)) Changed(); }

void TRealFig::SetKind(TFigureKind k) {
  if (Kind == k) return;
  Kind = k;
  if (k == 55) WantDimensions = false;
  Changed();
}

void TRealFig::SetWantDimensions(bool b) {
  if (Kind == fkMeasure) {
    WantDimensions = false;
    return;
  }
  if (StoreChanged(WantDimensions, b)) Changed();
}

void TRealFig::SetOpaqueDimensions(bool b) {
  if (b) {
    OpaqueDimensions = true;
    BrushStyle = 0;
    OutlineFonts = false;
    Changed();
  } else if (StoreChanged(OpaqueDimensions, b)) {
    Changed();
  }
}

void TRealFig::SetOutlineFonts(bool b) {
  if (OutlineFonts == b) return;
  OutlineFonts = b;
  if (b) OpaqueDimensions = false;
  Changed();
}

static bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'a' && ca <= 'z') ca = static_cast<unsigned char>(ca - 32);
    if (cb >= 'a' && cb <= 'z') cb = static_cast<unsigned char>(cb - 32);
    if (ca != cb) return false;
  }
  return true;
}

void TRealFig::SetFontName(const std::string& s) {
  // Kept as the figure record's 32-byte field gives it back.
  const std::string cut = StoredFontName(s, 32);
  if (SameTextIgnoringCase(cut, FontName)) return;
  FontName = cut;
  Changed();
}

void TRealFig::SetDimSuffix(const std::string& s) { if (StoreChanged(DimSuffix, s.substr(0, 255))) Changed(); }
void TRealFig::SetText(const std::string& s) { if (StoreChanged(Text, s.substr(0, 255))) Changed(); }

void TRealFig::SetGridCellsX(int32_t n) { if (n >= 1 && StoreChanged(GridCellsX, n)) Changed(); }
void TRealFig::SetGridCellsY(int32_t n) { if (n >= 1 && StoreChanged(GridCellsY, n)) Changed(); }

void TRealFig::SetMetric(bool b) {
  ConvertUnits(b);
  if (Metric == b) return;
  Metric = b;
  DimSuffix = b ? "cm" : "\"";
  Changed();
}

// ---- copying to and from the platform's font, pen and brush ----

int32_t ZoomedPenWidth(const TMappingRec& Map, double PenWidth) {
  // The pixel width of the mapping, not its right edge: a view need not start at pixel 0.
  const long double worldW = static_cast<long double>(Map.WorldRight) - Map.WorldLeft;
  if (worldW == 0) return 0;
  return CadRound(PenWidth * (static_cast<long double>(Map.PixRight) - Map.PixLeft) / worldW);
}

namespace {
// Runs a copy with the figure's events held back, then fires one change.
template <typename F>
void AssignGuarded(TRealFig& fig, F&& copy) {
  if (fig.Assigning) return;
  fig.Assigning = true;
  try {
    copy();
  } catch (...) {
    fig.Assigning = false;
    throw;
  }
  fig.Assigning = false;
  fig.Changed();
}
}  // namespace

void TRealFig::Assign(const TFont& Source) {
  AssignGuarded(*this, [&] {
    FontColor = Source.Color;
    FontName = Source.Name.substr(0, 32);
    FontSize = Source.Size() * 10000;
    FontStyle = Source.Style;
    FontCharset = Source.Charset;
  });
}

void TRealFig::Assign(const TPen& Source) {
  AssignGuarded(*this, [&] {
    PenWidth = double(Source.Width) / (PixelsPerInch != 0 ? PixelsPerInch : 96);
    PenColor = Source.Color;
    PenMode = uint8_t(Source.Mode);
    PenStyle = uint8_t(Source.Style);
  });
}

void TRealFig::Assign(const TBrush& Source) {
  AssignGuarded(*this, [&] {
    BrushStyle = uint8_t(Source.Style);
    BrushColor = Source.Color;
  });
}

void TRealFig::AssignTo(TFont& Dest) const {
  TFont font;
  font.Color = FontColor;
  font.Name = FontName;
  font.SetSize(CadRound(FontSize / 1e4L));
  font.Style = FontStyle;
  font.Charset = FontCharset;
  Dest.Assign(font);
}

void TRealFig::AssignTo(TPen& Dest) const {
  if (Owner == nullptr) throw EConvertError("Cannot assign a TRealFig to a TPen");
  TPen pen;
  pen.Width = ZoomedPenWidth(Owner->Mapping, PenWidth);
  pen.Color = PenColor;
  pen.Mode = PenMode <= pmNotXor ? TPenMode(PenMode) : pmCopy;
  pen.Style = PenStyle <= psInsideFrame ? TPenStyle(PenStyle) : psSolid;
  Dest = pen;
}

void TRealFig::AssignTo(TBrush& Dest) const {
  Dest.Color = BrushColor;
  Dest.Style = BrushStyle <= bsDiagCross ? TBrushStyle(BrushStyle) : bsSolid;
}

void TRealFig::AssignTo(TCanvas& Dest) const {
  AssignTo(Dest.Font);
  AssignTo(Dest.Pen);
}

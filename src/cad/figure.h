// The figure model of the CAD engine: nodes, figures, the property template, figure kinds and
// the kind sets that class them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cad/cad_types.h"
#include "cad/figure_kinds.h"

class TStream;
class TZQVCad;
class TFont;
class TCanvas;
struct TPen;
struct TBrush;

// Nodes of every figure (a setting from 16 to 123).
extern int NodeCount;
constexpr int MinNodeCount = 16;
constexpr int MaxNodeCount = 123;
inline int MaxPolygonSides() { return NodeCount - 3; }
inline int MaxLineDivisions() { return NodeCount - 3; }

extern const std::array<const char*, 56> FigureKindNames;

// A fixed set of figure kinds; a kind above 55 is in no set. The sets below are written as ranges of
// kind numbers (see figure_kinds.h), the way the kind families are numbered.
struct TKindSet {
  uint64_t Bits = 0;
  constexpr bool Has(int kind) const { return kind >= 0 && kind <= MaxFigureKind && ((Bits >> kind) & 1u) != 0; }
};
constexpr TKindSet KindSet(std::initializer_list<std::pair<int, int>> ranges) {
  uint64_t bits = 0;
  for (auto [from, to] : ranges)
    for (int k = from; k <= to; ++k) bits |= uint64_t(1) << k;
  return {bits};
}

inline constexpr TKindSet StraightLineKinds = KindSet({{0, 3}, {46, 47}});
inline constexpr TKindSet DivisionNodeKinds = KindSet({{0, 3}, {10, 10}, {17, 21}, {46, 48}});
inline constexpr TKindSet ExtentNode1Kinds = KindSet({{5, 8}, {22, 23}, {38, 45}, {49, 54}});
inline constexpr TKindSet ArrowKinds = KindSet({{1, 3}, {51, 53}});
inline constexpr TKindSet HorizontalLineKinds = KindSet({{18, 18}, {20, 21}});
inline constexpr TKindSet CentredKinds = KindSet({{9, 12}});
inline constexpr TKindSet RectangleKinds = KindSet({{5, 8}, {22, 22}});
inline constexpr TKindSet ScaleneKinds = KindSet({{42, 45}});
inline constexpr TKindSet RightTriangleKinds = KindSet({{13, 13}, {26, 26}});
inline constexpr TKindSet AngleArcKinds = KindSet({{38, 41}});
inline constexpr TKindSet QuarterArcKinds = KindSet({{14, 15}});
inline constexpr TKindSet NoDimensionKinds =
    KindSet({{14, 15}, {18, 25}, {27, 41}, {46, 47}, {49, 50}});
inline constexpr TKindSet BezierKinds = KindSet({{23, 23}, {51, 53}});
inline constexpr TKindSet FilledKinds =
    KindSet({{5, 7}, {10, 12}, {16, 17}, {25, 26}, {43, 43}, {45, 45}, {48, 49}, {54, 54}});
inline constexpr TKindSet WaveKinds = KindSet({{27, 37}});
inline constexpr TKindSet RotatePointKinds = KindSet({{0, 3}, {16, 17}, {23, 23}, {38, 54}});
inline constexpr TKindSet MultilineConvertibleKinds = KindSet({{4, 9}, {11, 13}, {18, 19}, {26, 26}});
inline constexpr TKindSet RegeneratedKinds = KindSet({{0, 13}, {17, 20}, {22, 22}, {24, 25}, {48, 48}});
inline constexpr TKindSet ClickBuiltKinds = KindSet({{38, 45}, {49, 50}});
inline constexpr TKindSet MultiNodeKinds = KindSet({{49, 50}, {54, 54}});
inline constexpr TKindSet SlashKinds = KindSet({{40, 41}, {46, 47}});
// Property indexes after whose change the figure's geometry is regenerated.
inline constexpr std::array<int, 3> GeometryProperties = {18, 19, 20};

// One node of a figure, in world units.
class TRealXYZObj {
public:
  TRealXYZObj() = default;
  explicit TRealXYZObj(double defaultY) : Y(defaultY), DefaultY(defaultY) {}

  double X = 0;
  double Y = 0;
  double Z = 0;
  double DefaultY = 0;

  TRealXYZ GetPoint() const { return {X, Y, Z}; }
  void GetPoint(TRealXYZ& p) const { p = GetPoint(); }
  void SetPoint(const TRealXYZ& p) { X = p.x; Y = p.y; Z = p.z; }
  // Copies x, y and z.
  void Assign(const TRealXYZObj& source) { X = source.X; Y = source.Y; Z = source.Z; }
  void AssignTo(TRealXYZObj& dest) const { dest.Assign(*this); }
  void ScaleAbout(const TRealXYZ& Centre, double FactorX, double FactorY);
  // Turns the node clockwise (world y up) by Angle radians about Centre.
  void RotateAbout(const TRealXYZ& Centre, long double Angle);
  // The node's clockwise angle seen from Centre, in [0, 2 pi).
  long double AngleFrom(const TRealXYZ& Centre) const;
  void WriteToStream(TStream& stream) const;
  void ReadFromStream(TStream& stream);
};

using TRealXYZPts = std::vector<TRealXYZObj>;

// A world pen width in pixels under the mapping (its own pixel and world widths).
int32_t ZoomedPenWidth(const TMappingRec& Map, double PenWidth);

// Pixel positions of nodes[0 .. Count - 1]; Count is limited to the sizes of both arrays.
void ProjectPoints(const TMappingRec& Map, const TRealXYZPts& nodes, int Count, std::vector<TPoint>& points);

// The parameters of the wave kinds. In memory the fields are naturally aligned; their stored form
// is the packed 104-byte record (WaveRecToBytes, WaveRecFromBytes).
struct TWaveRec {
  double WaveWidth[2];    // period of wave 1 and 2, world units
  double PulseWidth[2];   // pulse width of wave 1 and 2, percent
  double PulseRise;       // percent
  double PulseFall;       // percent
  float FMIndex;          // frequency-modulation index
  int32_t Params[2];      // passed unchanged to the wave generator
  double WaveHeight[2];   // amplitude of wave 1 and 2, world units
  int32_t StartAngle[2];  // degrees (delay for the pulse kinds)
  double PointX;          // a world point of the wave, scaled with the figure
  double PointY;
  int32_t Rotation;       // degrees, -359 .. 359
  friend bool operator==(const TWaveRec&, const TWaveRec&) = default;
};
constexpr size_t WaveRecSize = 104;
TWaveRec DefaultWaveRec();
// The packed little-endian 104-byte form: widths at 0, pulse widths at 16, rise 32, fall 40,
// FM index 48, integer parameters 52, heights 60, start angles 76, point 84, rotation 100.
std::array<uint8_t, WaveRecSize> WaveRecToBytes(const TWaveRec& rec);
TWaveRec WaveRecFromBytes(const uint8_t* bytes);

// Figure state bits.
constexpr uint16_t ffLoading = 8;
constexpr uint16_t ffConstructing = 64;

class TRealFig;
class TStoredProperties;
using TFigureChangeEvent = std::function<void(TRealFig* Sender)>;

enum class TFigureClass { RealFig, StoredProperties };

// One vector shape of the page.
class TRealFig {
public:
  explicit TRealFig(TZQVCad* owner = nullptr);
  virtual ~TRealFig() = default;
  TRealFig(const TRealFig&) = delete;
  TRealFig& operator=(const TRealFig&) = delete;

  // Builds a figure of the given class with the defaults.
  static std::unique_ptr<TRealFig> Create(TFigureClass cls, TZQVCad* owner);

  uint16_t Flags = 0;
  TZQVCad* Owner = nullptr;
  TRealXYZPts Nodes;
  int32_t NodeCountUsed = 0;
  int32_t PolygonSides = 7;
  double PenWidth = 0;
  TColor PenColor = 0;
  uint8_t PenMode = 4;
  uint8_t PenStyle = 0;
  TColor BrushColor = clAqua;
  uint8_t BrushStyle = 0;
  TFigureKind Kind = fkLine;
  float RectangleRadius = 0.25f;
  float ArcRadius = 0.25f;
  bool WantDimensions = false;
  TColor FontColor = 0;
  std::string FontName = "Arial";
  int32_t FontSize = 80000;
  uint8_t FontStyle = 0;
  uint8_t FontCharset = 1;
  uint8_t DimMultiplier = 5;
  int32_t Precision = 12;
  int32_t Digits = 6;
  uint8_t NumberFormat = 0;
  bool Metric = false;
  std::string DimSuffix = "\"";
  std::string Text = "Hello";
  uint8_t LegacyFlag = 0;
  int32_t GridCellsX = 10;
  int32_t GridCellsY = 10;
  double DefaultY = 0;
  int32_t PixelsPerInch = 96;
  TWaveRec Wave = DefaultWaveRec();
  float WavyLineHeight = 0.033f;
  bool OpaqueDimensions = false;
  int32_t LineDivisions = 10;
  float ArrowHeadLength = 0.1f;
  float TickLength = 0.04f;
  TFigureChangeEvent OnChange;
  bool Assigning = false;
  bool SkipNodes = false;
  bool OutlineFonts = false;

  // Copies another figure (nodes unless SkipNodes; every property from NodeCountUsed on).
  virtual void Assign(const TRealFig& Source);
  void AssignTo(TRealFig& Dest) const { Dest.Assign(*this); }
  void AssignWithoutNodes(const TRealFig& Source);
  // From the platform's font (colour, name, size, style, character set), pen (width in pixels
  // over PixelsPerInch, colour, mode, style) and brush (style, colour).
  void Assign(const TFont& Source);
  void Assign(const TPen& Source);
  void Assign(const TBrush& Source);
  // Onto the platform's font, pen (zoomed by the owner's current mapping; needs an owner), brush,
  // and a canvas (its font and pen; its brush is left alone).
  void AssignTo(TFont& Dest) const;
  void AssignTo(TPen& Dest) const;
  void AssignTo(TBrush& Dest) const;
  void AssignTo(TCanvas& Dest) const;

  // The node at Index; an index outside the node array raises ERangeError.
  TRealXYZObj* GetNode(int Index);
  const TRealXYZObj* GetNode(int Index) const;
  TRealXYZ Point(int Index) const { return GetNode(Index)->GetPoint(); }
  void SetNodePoint(int Index, const TRealXYZ& p) { GetNode(Index)->SetPoint(p); }
  // Resizes the node array; new nodes start at (0, 0, 0).
  void ResizeNodes(int count);

  bool AddNode(int& Index);
  bool DeleteNode(int& Index);

  std::pair<int32_t, int32_t> GetGridCells() const { return {GridCellsX, GridCellsY}; }
  void GetWaveRec(TWaveRec& rec) const { rec = Wave; }
  TWaveRec GetWaveRec() const { return Wave; }
  void SetWaveRec(const TWaveRec& rec);
  double GetWaveHeight(int Index) const;
  void SetWaveAngle(int32_t Degrees);
  std::string GetFontName() const { return FontName; }
  std::string GetDimSuffix() const { return DimSuffix; }
  std::string GetText() const { return Text; }

  void SetNodeCountUsed(int32_t n);
  void SetPolygonSides(int32_t n);
  void SetPenWidth(double v);
  void SetPenColor(TColor v);
  void SetPenMode(uint8_t v);
  void SetPenStyle(uint8_t v);
  void SetBrushColor(TColor v);
  void SetBrushStyle(uint8_t v);
  void SetKind(TFigureKind k);
  void SetRectangleRadius(double v);
  void SetArcRadius(double v);
  void SetWantDimensions(bool b);
  void SetFontColor(TColor v);
  void SetFontName(const std::string& s);
  void SetFontSize(int32_t v);
  void SetFontStyle(uint8_t v);
  void SetFontCharset(uint8_t v);
  void SetDimMultiplier(uint8_t v);
  void SetPrecision(int32_t v);
  void SetDigits(int32_t v);
  void SetNumberFormat(uint8_t v);
  void SetMetric(bool b);
  void SetDimSuffix(const std::string& s);
  void SetText(const std::string& s);
  void SetLegacyFlag(uint8_t v);
  void SetGridCellsX(int32_t n);
  void SetGridCellsY(int32_t n);
  void SetWavyLineHeight(double v);
  void SetOpaqueDimensions(bool b);
  void SetLineDivisions(int32_t n);
  void SetArrowHeadLength(double v);
  void SetTickLength(double v);
  void SetOutlineFonts(bool b);

  // Appends one figure record (nodes, then the fixed 734-byte property block); a missing stream
  // writes nothing.
  void SaveToStream(TStream* Stream) const;
  // Reads one figure record. DataVersion 1 records lack the last byte; -1 takes the owner's data
  // version (1 without an owner). Every value from the stream is checked or kept to its range
  // before use; a record that cannot be trusted raises EZQVCadException and leaves the figure
  // with its nodes cleared.
  void LoadFromStream(TStream& Stream, int DataVersion = -1);

  // Converts the sizes between inches and centimetres when NewMetric differs from Metric.
  void ConvertUnits(bool NewMetric);
  // Raises OnChange unless constructing, loading or assigning.
  void Changed();

protected:
  void CopyProperties(const TRealFig& Source);
};

// The engine's property template: never holds geometry.
class TStoredProperties : public TRealFig {
public:
  explicit TStoredProperties(TZQVCad* owner = nullptr) : TRealFig(owner) {}
  void Assign(const TRealFig& Source) override;
};

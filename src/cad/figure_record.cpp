// The figure record: the nodes a figure stores, then a fixed 734-byte block of its properties.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "cad/engine.h"
#include "cad/figure.h"
#include "cad/node_layout.h"
#include "platform/font.h"
#include "platform/streams.h"

namespace {

constexpr size_t PropertyBlockSize = 734;  // with the outline-fonts byte of data version 2

class TBlockWriter {
public:
  explicit TBlockWriter(uint8_t* out) : Out(out) {}
  template <typename T>
  void Put(T v) {
    std::memcpy(Out + At, &v, sizeof v);  // the platform is little-endian
    At += sizeof v;
  }
  // A short string field: the length byte, the characters, zero filler up to Size bytes.
  void PutShortString(const std::string& s, size_t Size) {
    const size_t n = std::min(s.size(), Size - 1);
    Out[At] = uint8_t(n);
    std::memcpy(Out + At + 1, s.data(), n);
    std::memset(Out + At + 1 + n, 0, Size - 1 - n);
    At += Size;
  }
  void PutBytes(const uint8_t* p, size_t n) {
    std::memcpy(Out + At, p, n);
    At += n;
  }
  size_t At = 0;

private:
  uint8_t* Out;
};

class TBlockReader {
public:
  explicit TBlockReader(const uint8_t* in) : In(in) {}
  template <typename T>
  T Get() {
    T v;
    std::memcpy(&v, In + At, sizeof v);
    At += sizeof v;
    return v;
  }
  // The characters of a short string field; a length byte beyond the field is no record.
  std::string GetShortString(size_t Size) {
    if (In[At] > Size - 1) Refuse("a text longer than its field");
    const size_t n = In[At];
    std::string s(reinterpret_cast<const char*>(In + At + 1), n);
    At += Size;
    return s;
  }
  [[noreturn]] static void Refuse(const std::string& what) {
    throw EZQVCadException("Damaged shape record (" + what + ") in data stream");
  }
  const uint8_t* Here() const { return In + At; }
  size_t At = 0;

private:
  const uint8_t* In;
};

// What a record's fields must hold for the record to be taken: the writer never writes anything
// else, so a value outside is damage (the file has no checksum to tell).
template <typename T>
T Finite(T v) {
  if (!std::isfinite(v)) TBlockReader::Refuse("a number that is not finite");
  return v;
}
// Node coordinates are page pixels. One beyond this bound is damage; below it the points the node
// layout derives from two nodes (their sums and differences) stay finite, so that a figure that
// was taken always writes a record that is taken again.
constexpr double MostCoordinate = 1e12;
double Coordinate(double v) {
  Finite(v);
  if (std::fabs(v) > MostCoordinate) TBlockReader::Refuse("a point far beyond any page");
  return v;
}
void InRange(int64_t v, int64_t min, int64_t max, const char* what) {
  if (v < min || v > max) TBlockReader::Refuse(what);
}
bool Flag(uint8_t v, const char* what) {
  InRange(v, 0, 1, what);
  return v != 0;
}

}  // namespace

void TRealFig::SaveToStream(TStream* Stream) const {
  if ((Flags & ffLoading) != 0) throw EStreamError("Error: Can't save while loading");
  if (Stream == nullptr) return;
  const int n = MultiNodeKinds.Has(Kind) ? std::clamp(NodeCountUsed, 0, int(Nodes.size())) : 5;
  std::vector<uint8_t> out(4 + 24 * size_t(n) + PropertyBlockSize);
  TBlockWriter w(out.data());
  w.Put(uint32_t(n));
  for (int i = 0; i < n; ++i) {
    const TRealXYZObj* p = i < int(Nodes.size()) ? &Nodes[size_t(i)] : nullptr;
    w.Put(p ? p->X : 0.0);
    w.Put(p ? p->Y : 0.0);
    w.Put(p ? p->Z : 0.0);
  }
  w.Put(NodeCountUsed);
  w.Put(PolygonSides);
  w.Put(PenWidth);
  w.Put(uint32_t(PenColor));
  w.Put(PenMode);
  w.Put(PenStyle);
  w.Put(uint32_t(BrushColor));
  w.Put(BrushStyle);
  w.Put(Kind);
  w.Put(RectangleRadius);
  w.Put(ArcRadius);
  w.Put(uint8_t(WantDimensions));
  w.Put(uint32_t(FontColor));
  w.PutShortString(FontNameToStoredBytes(FontName, 32), 33);
  w.Put(FontSize);
  w.Put(FontStyle);
  w.Put(FontCharset);
  w.Put(DimMultiplier);
  w.Put(Precision);
  w.Put(Digits);
  w.Put(NumberFormat);
  w.Put(uint8_t(Metric));
  w.PutShortString(DimSuffix, 256);
  w.PutShortString(Text, 256);
  w.Put(LegacyFlag);
  w.Put(GridCellsX);
  w.Put(GridCellsY);
  const auto wave = WaveRecToBytes(Wave);
  w.PutBytes(wave.data(), wave.size());
  w.Put(WavyLineHeight);
  w.Put(uint8_t(OpaqueDimensions));
  w.Put(LineDivisions);
  w.Put(ArrowHeadLength);
  w.Put(TickLength);
  w.Put(uint8_t(OutlineFonts));
  Stream->WriteBuffer(out.data(), int64_t(out.size()));
}

void TRealFig::LoadFromStream(TStream& Stream, int DataVersion) {
  if (DataVersion < 0) DataVersion = Owner != nullptr ? Owner->DataVersion : 1;
  Flags |= ffLoading;
  Assigning = true;
  struct TLoadingMarks {
    TRealFig* Fig;
    ~TLoadingMarks() {
      Fig->Flags &= uint16_t(~ffLoading);
      Fig->Assigning = false;
    }
  } marks{this};

  const uint32_t n = Stream.ReadDWord();
  if (n > uint32_t(NodeCount) || n > Nodes.size())
    throw EZQVCadException("Unable to load from stream as source nodes (" + std::to_string(n) +
                           ") > Current settings (" + std::to_string(NodeCount) + ")");
  std::vector<uint8_t> nodeBytes(24 * size_t(n));
  Stream.ReadBuffer(nodeBytes.data(), int64_t(nodeBytes.size()));
  uint8_t block[PropertyBlockSize] = {};
  Stream.ReadBuffer(block, int64_t(PropertyBlockSize - 1));

  TBlockReader r(block);
  const auto kindAt = block[27];
  if (kindAt > MaxFigureKind)
    throw EZQVCadException("Unknown shape kind (" + std::to_string(kindAt) + ") in data stream");

  TBlockReader nr(nodeBytes.data());
  std::vector<TRealXYZObj> nodes(Nodes.size());
  for (size_t i = 0; i < n; ++i) {
    nodes[i].X = Coordinate(nr.Get<double>());
    nodes[i].Y = Coordinate(nr.Get<double>());
    nodes[i].Z = Coordinate(nr.Get<double>());
  }

  // Every field is checked before the figure changes: a record that holds what no figure of its
  // kind can hold is refused whole.
  TRealFig f;
  f.NodeCountUsed = r.Get<int32_t>();
  f.PolygonSides = r.Get<int32_t>();
  f.PenWidth = Finite(r.Get<double>());
  f.PenColor = TColor(r.Get<uint32_t>());
  f.PenMode = r.Get<uint8_t>();
  f.PenStyle = r.Get<uint8_t>();
  f.BrushColor = TColor(r.Get<uint32_t>());
  f.BrushStyle = r.Get<uint8_t>();
  f.Kind = r.Get<uint8_t>();
  f.RectangleRadius = Finite(r.Get<float>());
  f.ArcRadius = Finite(r.Get<float>());
  f.WantDimensions = Flag(r.Get<uint8_t>(), "a yes-or-no field holding another value");
  f.FontColor = TColor(r.Get<uint32_t>());
  f.FontName = FontNameFromStoredBytes(r.GetShortString(33));
  f.FontSize = r.Get<int32_t>();
  f.FontStyle = r.Get<uint8_t>();
  f.FontCharset = r.Get<uint8_t>();
  f.DimMultiplier = r.Get<uint8_t>();
  f.Precision = r.Get<int32_t>();
  f.Digits = r.Get<int32_t>();
  f.NumberFormat = r.Get<uint8_t>();
  f.Metric = Flag(r.Get<uint8_t>(), "a yes-or-no field holding another value");
  f.DimSuffix = r.GetShortString(256);
  f.Text = r.GetShortString(256);
  f.LegacyFlag = r.Get<uint8_t>();
  f.GridCellsX = r.Get<int32_t>();
  f.GridCellsY = r.Get<int32_t>();
  f.Wave = WaveRecFromBytes(r.Here());
  r.At += WaveRecSize;
  f.WavyLineHeight = Finite(r.Get<float>());
  const bool opaque = Flag(r.Get<uint8_t>(), "a yes-or-no field holding another value");
  f.LineDivisions = r.Get<int32_t>();
  f.ArrowHeadLength = Finite(r.Get<float>());
  f.TickLength = Finite(r.Get<float>());

  const int maxUsed = MultiNodeKinds.Has(f.Kind) ? int(n) : int(Nodes.size());
  InRange(f.NodeCountUsed, 0, maxUsed, "more nodes in use than the record holds");
  InRange(f.PolygonSides, 3, std::max(3, MaxPolygonSides()), "a side count beyond the node count");
  InRange(f.LineDivisions, 1, std::max(1, MaxLineDivisions()), "a division count beyond the node count");
  InRange(f.GridCellsX, 1, INT32_MAX, "a grid without cells");
  InRange(f.GridCellsY, 1, INT32_MAX, "a grid without cells");
  InRange(f.DimMultiplier, 0, 9, "an unknown dimension multiplier");
  InRange(f.NumberFormat, 0, 4, "an unknown number format");
  InRange(f.PenMode, 0, 15, "an unknown pen mode");
  InRange(f.PenStyle, 0, 6, "an unknown pen style");
  InRange(f.BrushStyle, 0, 7, "an unknown brush style");
  InRange(f.Wave.Rotation, -359, 359, "a rotation beyond a turn");
  for (double v : {f.Wave.WaveWidth[0], f.Wave.WaveWidth[1], f.Wave.PulseWidth[0], f.Wave.PulseWidth[1],
                   f.Wave.PulseRise, f.Wave.PulseFall, f.Wave.WaveHeight[0], f.Wave.WaveHeight[1], f.Wave.PointX,
                   f.Wave.PointY, double(f.Wave.FMIndex)})
    Finite(v);
  uint8_t outline = OutlineFonts ? 1 : 0;
  const bool hasOutline = DataVersion > 1 && Stream.Remaining() >= 1;
  if (hasOutline) {
    outline = Stream.ReadByte();
    InRange(outline, 0, 1, "a yes-or-no field holding another value");
  }

  // The record is sound: the figure takes it.
  for (size_t i = 0; i < Nodes.size(); ++i) {
    Nodes[i].X = nodes[i].X;
    Nodes[i].Y = nodes[i].Y;
    Nodes[i].Z = nodes[i].Z;
  }
  NodeCountUsed = f.NodeCountUsed;
  PolygonSides = f.PolygonSides;
  PenWidth = f.PenWidth;
  PenColor = f.PenColor;
  PenMode = f.PenMode;
  PenStyle = f.PenStyle;
  BrushColor = f.BrushColor;
  BrushStyle = f.BrushStyle;
  Kind = f.Kind;
  RectangleRadius = f.RectangleRadius;
  ArcRadius = f.ArcRadius;
  WantDimensions = f.WantDimensions;
  FontColor = f.FontColor;
  FontName = f.FontName;
  FontSize = f.FontSize;
  FontStyle = f.FontStyle;
  FontCharset = f.FontCharset;
  DimMultiplier = f.DimMultiplier;
  Precision = f.Precision;
  Digits = f.Digits;
  NumberFormat = f.NumberFormat;
  Metric = f.Metric;
  DimSuffix = f.DimSuffix;
  Text = f.Text;
  LegacyFlag = f.LegacyFlag;
  // Grids beyond this many cells a side are drawn with this many: the cap bounds the drawing.
  constexpr int32_t MaxGridCells = 10000;
  GridCellsX = std::min(f.GridCellsX, MaxGridCells);
  GridCellsY = std::min(f.GridCellsY, MaxGridCells);
  Wave = f.Wave;
  WavyLineHeight = f.WavyLineHeight;
  LineDivisions = f.LineDivisions;
  ArrowHeadLength = f.ArrowHeadLength;
  TickLength = f.TickLength;

  if (opaque) {
    OpaqueDimensions = true;
    BrushStyle = 0;
    OutlineFonts = false;
  } else {
    OpaqueDimensions = false;
  }
  if (hasOutline && (outline != 0) != OutlineFonts) {
    OutlineFonts = outline != 0;
    if (OutlineFonts) OpaqueDimensions = false;
  }
  UpdateFigurePoints(*this);
  Flags &= uint16_t(~ffLoading);
  Assigning = false;
  Changed();
}

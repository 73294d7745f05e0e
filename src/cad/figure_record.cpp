// The figure record: the nodes a figure stores, then a fixed 734-byte block of its properties.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "cad/engine.h"
#include "cad/figure.h"
#include "cad/node_layout.h"
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
  // The characters of a short string field; a length byte beyond the field is cut to the field.
  std::string GetShortString(size_t Size) {
    const size_t n = std::min<size_t>(In[At], Size - 1);
    std::string s(reinterpret_cast<const char*>(In + At + 1), n);
    At += Size;
    return s;
  }
  const uint8_t* Here() const { return In + At; }
  size_t At = 0;

private:
  const uint8_t* In;
};

double Finite(double v) { return std::isfinite(v) ? v : 0.0; }
float Finite(float v) { return std::isfinite(v) ? v : 0.0f; }

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
  w.PutShortString(FontName, 33);
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
  for (size_t i = 0; i < Nodes.size(); ++i) {
    TRealXYZObj& p = Nodes[i];
    if (i < n) {
      p.X = Finite(nr.Get<double>());
      p.Y = Finite(nr.Get<double>());
      p.Z = Finite(nr.Get<double>());
    } else {
      p.X = p.Y = p.Z = 0;
    }
  }

  // Values are kept to the ranges the drawing and editing code relies on; valid values pass
  // unchanged.
  NodeCountUsed = r.Get<int32_t>();
  PolygonSides = r.Get<int32_t>();
  PenWidth = Finite(r.Get<double>());
  PenColor = TColor(r.Get<uint32_t>());
  PenMode = r.Get<uint8_t>();
  PenStyle = r.Get<uint8_t>();
  BrushColor = TColor(r.Get<uint32_t>());
  BrushStyle = r.Get<uint8_t>();
  Kind = r.Get<uint8_t>();
  RectangleRadius = Finite(r.Get<float>());
  ArcRadius = Finite(r.Get<float>());
  WantDimensions = r.Get<uint8_t>() != 0;
  FontColor = TColor(r.Get<uint32_t>());
  FontName = r.GetShortString(33);
  FontSize = r.Get<int32_t>();
  FontStyle = r.Get<uint8_t>();
  FontCharset = r.Get<uint8_t>();
  DimMultiplier = r.Get<uint8_t>();
  Precision = r.Get<int32_t>();
  Digits = r.Get<int32_t>();
  NumberFormat = r.Get<uint8_t>();
  Metric = r.Get<uint8_t>() != 0;
  DimSuffix = r.GetShortString(256);
  Text = r.GetShortString(256);
  LegacyFlag = r.Get<uint8_t>();
  GridCellsX = r.Get<int32_t>();
  GridCellsY = r.Get<int32_t>();
  Wave = WaveRecFromBytes(r.Here());
  r.At += WaveRecSize;
  WavyLineHeight = Finite(r.Get<float>());
  const bool opaque = r.Get<uint8_t>() != 0;
  LineDivisions = r.Get<int32_t>();
  ArrowHeadLength = Finite(r.Get<float>());
  TickLength = Finite(r.Get<float>());

  const int maxUsed = MultiNodeKinds.Has(Kind) ? int(n) : int(Nodes.size());
  NodeCountUsed = std::clamp(NodeCountUsed, 0, maxUsed);
  PolygonSides = std::clamp(PolygonSides, 3, std::max(3, MaxPolygonSides()));
  LineDivisions = std::clamp(LineDivisions, 1, std::max(1, MaxLineDivisions()));
  constexpr int32_t MaxGridCells = 10000;
  GridCellsX = std::clamp(GridCellsX, 1, MaxGridCells);
  GridCellsY = std::clamp(GridCellsY, 1, MaxGridCells);
  if (DimMultiplier > 9) DimMultiplier = 5;
  if (NumberFormat > 4) NumberFormat = 0;
  if (PenMode > 15) PenMode = 4;
  if (PenStyle > 6) PenStyle = 0;
  if (BrushStyle > 7) BrushStyle = 0;
  for (double* v : {&Wave.WaveWidth[0], &Wave.WaveWidth[1], &Wave.PulseWidth[0], &Wave.PulseWidth[1],
                    &Wave.PulseRise, &Wave.PulseFall, &Wave.WaveHeight[0], &Wave.WaveHeight[1], &Wave.PointX,
                    &Wave.PointY})
    *v = Finite(*v);
  Wave.FMIndex = Finite(Wave.FMIndex);
  Wave.Rotation = std::clamp(Wave.Rotation, -359, 359);

  if (opaque) {
    OpaqueDimensions = true;
    BrushStyle = 0;
    OutlineFonts = false;
  } else {
    OpaqueDimensions = false;
  }
  if (DataVersion > 1 && Stream.Remaining() >= 1) {
    const uint8_t outline = Stream.ReadByte();
    if (outline <= 1 && (outline != 0) != OutlineFonts) {
      OutlineFonts = outline != 0;
      if (OutlineFonts) OpaqueDimensions = false;
    }
  }
  UpdateFigurePoints(*this);
  Flags &= uint16_t(~ffLoading);
  Assigning = false;
  Changed();
}

// Figure records and shapes streams: the byte layout, every data version, the checks of untrusted
// streams, and shapes files.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <vector>

#include "cad/engine.h"
#include "cad/node_layout.h"
#include "cad_test_support.h"
#include "platform/streams.h"

namespace {

// Bytes written at fixed offsets, for records laid out by hand.
struct TBytes {
  std::vector<uint8_t> B;
  explicit TBytes(size_t n) : B(n, 0) {}
  template <typename T>
  void At(size_t off, T v) {
    std::memcpy(B.data() + off, &v, sizeof v);
  }
  void Str(size_t off, const std::string& s) {
    B[off] = uint8_t(s.size());
    std::memcpy(B.data() + off + 1, s.data(), s.size());
  }
};

std::vector<uint8_t> Bytes(TStream& s) {
  auto& m = dynamic_cast<TMemoryStream&>(s);
  return m.Data;
}

std::vector<std::vector<uint8_t>> PageState(const TZQVCad& e) {
  std::vector<std::vector<uint8_t>> out;
  for (const auto& f : e.FigureList) out.push_back(FigureFields(*f));
  return out;
}

// A hand-made header.
TBytes Header(uint32_t version, uint32_t count, uint32_t nodeCount, uint8_t metric = 0) {
  TBytes h(ShapesHeaderSize);
  h.At<uint32_t>(0, version);
  h.At<uint32_t>(4, count);
  h.At<uint8_t>(8, metric);
  h.At<uint8_t>(9, 1);
  h.At<uint32_t>(32, nodeCount);
  return h;
}

}  // namespace

class ShapesStream : public CadTest {};

TEST_F(ShapesStream, LineRecordByteForByte) {
  TRealFig f;
  f.Kind = 0;
  for (int i = 0; i < 5; ++i) f.SetNodePoint(i, {1.5 + i, -2.25 * i, 0.125 * i});
  f.NodeCountUsed = 3;
  f.PolygonSides = 6;
  f.PenWidth = 0.0625;
  f.PenColor = 0x00112233;
  f.PenMode = 13;
  f.PenStyle = 2;
  f.BrushColor = 0x00445566;
  f.BrushStyle = 1;
  f.RectangleRadius = 0.5f;
  f.ArcRadius = 0.75f;
  f.WantDimensions = true;
  f.FontColor = 0x00778899;
  f.FontName = "Arial";
  f.FontSize = 120000;
  f.FontStyle = 3;
  f.FontCharset = 0;
  f.DimMultiplier = 7;
  f.Precision = 9;
  f.Digits = 4;
  f.NumberFormat = 2;
  f.Metric = true;
  f.DimSuffix = "cm";
  f.Text = "Hello";
  f.LegacyFlag = 1;
  f.GridCellsX = 12;
  f.GridCellsY = 8;
  f.WavyLineHeight = 0.25f;
  f.OpaqueDimensions = false;
  f.LineDivisions = 5;
  f.ArrowHeadLength = 0.125f;
  f.TickLength = 0.0625f;
  f.OutlineFonts = true;

  TBytes g(858);
  g.At<uint32_t>(0, 5);
  for (int i = 0; i < 5; ++i) {
    g.At<double>(4 + 24 * i, 1.5 + i);
    g.At<double>(12 + 24 * i, -2.25 * i);
    g.At<double>(20 + 24 * i, 0.125 * i);
  }
  const size_t R = 124;
  g.At<int32_t>(R + 0, 3);
  g.At<int32_t>(R + 4, 6);
  g.At<double>(R + 8, 0.0625);
  g.At<uint32_t>(R + 16, 0x00112233);
  g.At<uint8_t>(R + 20, 13);
  g.At<uint8_t>(R + 21, 2);
  g.At<uint32_t>(R + 22, 0x00445566);
  g.At<uint8_t>(R + 26, 1);
  g.At<uint8_t>(R + 27, 0);
  g.At<float>(R + 28, 0.5f);
  g.At<float>(R + 32, 0.75f);
  g.At<uint8_t>(R + 36, 1);
  g.At<uint32_t>(R + 37, 0x00778899);
  g.Str(R + 41, "Arial");
  g.At<int32_t>(R + 74, 120000);
  g.At<uint8_t>(R + 78, 3);
  g.At<uint8_t>(R + 79, 0);
  g.At<uint8_t>(R + 80, 7);
  g.At<int32_t>(R + 81, 9);
  g.At<int32_t>(R + 85, 4);
  g.At<uint8_t>(R + 89, 2);
  g.At<uint8_t>(R + 90, 1);
  g.Str(R + 91, "cm");
  g.Str(R + 347, "Hello");
  g.At<uint8_t>(R + 603, 1);
  g.At<int32_t>(R + 604, 12);
  g.At<int32_t>(R + 608, 8);
  const auto wave = WaveRecToBytes(f.Wave);
  std::memcpy(g.B.data() + R + 612, wave.data(), wave.size());
  g.At<float>(R + 716, 0.25f);
  g.At<uint8_t>(R + 720, 0);
  g.At<int32_t>(R + 721, 5);
  g.At<float>(R + 725, 0.125f);
  g.At<float>(R + 729, 0.0625f);
  g.At<uint8_t>(R + 733, 1);

  TMemoryStream m;
  f.SaveToStream(&m);
  EXPECT_EQ(Bytes(m), g.B);

  // And back: the hand-made record reads into a figure that writes it again unchanged.
  TRealFig back;
  TBytesStream in(g.B.data(), g.B.size());
  back.LoadFromStream(in, 2);
  EXPECT_EQ(in.Remaining(), 0);
  EXPECT_EQ(back.FontName, "Arial");
  EXPECT_EQ(back.DimSuffix, "cm");
  EXPECT_EQ(back.FontSize, 120000);
  EXPECT_TRUE(back.OutlineFonts);
  // Nodes beyond the defining ones are regenerated on reading; the rest comes back as stored.
  TMemoryStream again;
  back.SaveToStream(&again);
  EXPECT_EQ(std::vector<uint8_t>(again.Data.begin() + R, again.Data.end()), std::vector<uint8_t>(g.B.begin() + R, g.B.end()));
  EXPECT_EQ(back.Point(0), f.Point(0));
  EXPECT_EQ(back.Point(2), f.Point(2));
}

TEST_F(ShapesStream, MultiNodeRecordStoresTheNodesInUse) {
  TRealFig f;
  f.Kind = 54;
  f.NodeCountUsed = 9;
  TMemoryStream m;
  f.SaveToStream(&m);
  EXPECT_EQ(m.Data.size(), 4u + 9 * 24 + 734);
  NodeCount = 40;  // a larger setting does not change what a line stores
  TRealFig line;
  TMemoryStream l;
  line.SaveToStream(&l);
  EXPECT_EQ(l.Data.size(), 858u);
}

TEST_F(ShapesStream, EveryDataVersionIsRead) {
  TZQVCad source(nullptr, 16, 96, 96);
  for (int k : {0, 9, 54}) {
    TRealFig f(&source);
    f.Kind = uint8_t(k);
    f.NodeCountUsed = 6;
    f.OutlineFonts = true;
    source.AddFigure(&f);
  }
  TMemoryStream v2;
  source.SaveToStream(v2);
  // Version 1: the same records without their last byte.
  TBytes v1 = Header(1, 3, 16);
  std::vector<uint8_t> body(v2.Data.begin() + ShapesHeaderSize, v2.Data.end());
  size_t at = 0;
  for (const auto& f : source.FigureList) {
    TMemoryStream r;
    f->SaveToStream(&r);
    v1.B.insert(v1.B.end(), r.Data.begin(), r.Data.end() - 1);
    at += r.Data.size();
  }
  ASSERT_EQ(at, body.size());
  for (auto* bytes : {&v1.B, &v2.Data}) {
    TZQVCad e(nullptr, 16, 96, 96);
    TBytesStream in(bytes->data(), bytes->size());
    EXPECT_TRUE(e.LoadFromStream(in, false));
    ASSERT_EQ(e.Count(), 3);
    EXPECT_EQ(in.Remaining(), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(e.GetFigure(i)->Kind, source.GetFigure(i)->Kind);
    EXPECT_EQ(e.GetFigure(2)->OutlineFonts, bytes == &v2.Data);
    EXPECT_EQ(e.DataVersion, 2);
  }
}

TEST_F(ShapesStream, RecordFlagsOfTheLastBytes) {
  TRealFig f;
  f.BrushStyle = 5;
  f.OutlineFonts = true;
  TMemoryStream m;
  f.SaveToStream(&m);
  struct Case {
    uint8_t opaque, outline;
    bool expectOpaque, expectOutline;
    uint8_t expectBrush;
  } cases[] = {
      {1, 0, true, false, 0},  // opaque dimensions: solid brush whatever was stored
      {0, 1, false, true, 5},
  };
  for (const auto& c : cases) {
    auto b = m.Data;
    b[124 + 720] = c.opaque;
    b[124 + 733] = c.outline;
    TRealFig g;
    TBytesStream in(b.data(), b.size());
    g.LoadFromStream(in, 2);
    EXPECT_EQ(g.OpaqueDimensions, c.expectOpaque);
    EXPECT_EQ(g.OutlineFonts, c.expectOutline);
    EXPECT_EQ(g.BrushStyle, c.expectBrush);
  }
}

TEST_F(ShapesStream, RecordsHoldingWhatNoFigureOfTheirKindCanAreRefused) {
  // The writer never writes these values; a file that has them is damaged (it has no checksum),
  // and the record is refused whole instead of being loaded as some other figure.
  TRealFig f;
  f.Kind = 9;
  f.FontName = "Arial";
  TMemoryStream m;
  f.SaveToStream(&m);
  const size_t R = 124;  // after the node count and five nodes
  const int32_t big = 1 << 30, zero = 0, minusOne = -1;
  const double nan = std::nan(""), inf = HUGE_VAL;
  const float finf = HUGE_VALF;
  struct Case {
    const char* name;
    size_t at;
    std::vector<uint8_t> bytes;
  };
  auto of = [](const auto& v) {
    std::vector<uint8_t> b(sizeof v);
    std::memcpy(b.data(), &v, sizeof v);
    return b;
  };
  const Case cases[] = {
      {"nodes in use beyond the nodes", R + 0, of(big)},
      {"negative nodes in use", R + 0, of(minusOne)},
      {"polygon sides beyond the node count", R + 4, of(big)},
      {"polygon of two sides", R + 4, of(int32_t(2))},
      {"pen width not a number", R + 8, of(nan)},
      {"pen mode 16", R + 20, {16}},
      {"pen style 7", R + 21, {7}},
      {"brush style 8", R + 26, {8}},
      {"rectangle radius infinite", R + 28, of(finf)},
      {"dimensions flag 2", R + 36, {2}},
      {"font name longer than its field", R + 41, {250}},
      {"dimension multiplier 200", R + 80, {200}},
      {"number format 9", R + 89, {9}},
      {"metric flag 7", R + 90, {7}},
      {"grid of no cells", R + 608, of(zero)},
      {"opaque flag 3", R + 720, {3}},
      {"line divisions beyond the node count", R + 721, of(big)},
      {"no line divisions", R + 721, of(zero)},
      {"tick length infinite", R + 729, of(finf)},
      {"outline flag 2", R + 733, {2}},
      {"node not a number", 4, of(nan)},
      {"node infinite", 4 + 8, of(inf)},
      // Finite, but the points laid out from it overflow: the figure would write infinities.
      {"node far beyond any page", 4, of(-1.5e308)},
      {"node beyond a million pages", 4 + 24, of(2e12)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto b = m.Data;
    std::memcpy(&b[c.at], c.bytes.data(), c.bytes.size());
    TRealFig g;
    g.Kind = 3;
    const auto before = FigureFields(g);
    TBytesStream in(b.data(), b.size());
    EXPECT_THROW(g.LoadFromStream(in, 2), EZQVCadException);
    EXPECT_EQ(FigureFields(g), before) << "a refused record changes nothing";
  }
  // The same record unchanged loads; grids beyond 10000 cells a side are drawn with 10000.
  auto b = m.Data;
  std::memcpy(&b[R + 604], &big, 4);
  TRealFig g;
  TBytesStream in(b.data(), b.size());
  g.LoadFromStream(in, 2);
  EXPECT_EQ(g.Kind, 9);
  EXPECT_EQ(g.FontName, "Arial");
  EXPECT_EQ(g.GridCellsX, 10000);
}

TEST_F(ShapesStream, BadStreamsAreRefusedAndThePageKept) {
  TRealFig line;
  TMemoryStream rec;
  line.SaveToStream(&rec);
  auto withKind = [&](uint8_t kind) {
    auto b = rec.Data;
    b[124 + 27] = kind;
    return b;
  };
  auto withNodes = [&](uint32_t n) {
    auto b = rec.Data;
    std::memcpy(b.data(), &n, 4);
    return b;
  };
  struct Case {
    const char* name;
    TBytes header;
    std::vector<uint8_t> records;
    const char* message;
  } cases[] = {
      {"newer version", Header(3, 1, 16), rec.Data, "ZQVCad data version error. Please update your software"},
      {"count beyond the data", Header(2, 1000000, 16), rec.Data, "Can't load from data stream"},
      {"kind 56", Header(2, 1, 16), withKind(56), "Can't load from data stream"},
      {"node count beyond the setting", Header(2, 1, 16), withNodes(17), "Can't load from data stream"},
      {"cut record", Header(2, 2, 16), std::vector<uint8_t>(rec.Data.begin(), rec.Data.end()), "Can't load from data stream"},
  };
  // The cut case needs two records' worth of bytes minus some, so the count check passes.
  cases[4].records.insert(cases[4].records.end(), rec.Data.begin(), rec.Data.end() - 200);
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    TZQVCad e(nullptr, 16, 96, 96);
    TRealFig keep(&e);
    keep.Kind = 9;
    e.AddFigure(&keep);
    const auto before = PageState(e);
    auto bytes = c.header.B;
    bytes.insert(bytes.end(), c.records.begin(), c.records.end());
    TBytesStream in(bytes.data(), bytes.size());
    std::string message;
    try {
      e.LoadFromStream(in, true);
    } catch (const std::exception& ex) {
      message = ex.what();
    }
    EXPECT_EQ(message, c.message);
    // Complete records before the failure stay; the page's own figures are untouched.
    ASSERT_GE(e.Count(), 1);
    EXPECT_EQ(FigureFields(*e.GetFigure(0)), before[0]);
    for (int i = 1; i < e.Count(); ++i) EXPECT_EQ(FigureRecord(*e.GetFigure(i)), FigureRecord(line));
    EXPECT_FALSE(e.Updating);
  }
}

TEST_F(ShapesStream, HeaderNodeCounts) {
  TRealFig line;
  TMemoryStream rec;
  line.SaveToStream(&rec);
  struct Case {
    uint32_t headerNodes;
    int setting;
    bool result;
    int figures;
    int nodeCountAfter;
    const char* message;
  } cases[] = {
      {0, 16, true, 1, 16, nullptr},
      {124, 16, false, 0, 16, "Aborting vector load"},
      {40, 16, true, 1, 40, "Node count reset to 40"},
      {16, 40, true, 1, 40, nullptr},  // a smaller count in the file reads as it is
  };
  for (const auto& c : cases) {
    NodeCount = c.setting;
    TZQVCad e(nullptr, c.setting, 96, 96);
    auto bytes = Header(2, 1, c.headerNodes).B;
    bytes.insert(bytes.end(), rec.Data.begin(), rec.Data.end());
    TBytesStream in(bytes.data(), bytes.size());
    const size_t before = Messages().size();
    EXPECT_EQ(e.LoadFromStream(in, true), c.result) << c.headerNodes;
    EXPECT_EQ(e.Count(), c.figures);
    EXPECT_EQ(NodeCount, c.nodeCountAfter);
    if (c.message) {
      ASSERT_GT(Messages().size(), before);
      EXPECT_NE(Messages().back().find(c.message), std::string::npos);
    } else {
      EXPECT_EQ(Messages().size(), before);
    }
  }
}

TEST_F(ShapesStream, MergeOfOtherUnitsAsksAndConverts) {
  TZQVCad cm(nullptr, 16, 96, 96);
  cm.SetMetric(true);
  TRealFig f(&cm);
  f.Kind = 0;
  SetXY(f, 0, 2.54, 5.08);
  SetXY(f, 2, 7.62, 0);
  f.WavyLineHeight = 2.54f;
  cm.AddFigure(&f);
  TMemoryStream m;
  cm.SaveToStream(m);

  TZQVCad inch(nullptr, 16, 96, 96);
  (*Recorder)->Answer(mrNo);
  m.SetPosition(0);
  EXPECT_FALSE(inch.LoadFromStream(m, true));
  EXPECT_EQ(inch.Count(), 0);
  EXPECT_NE(Messages().back().find("Dimension format (Metric) is incompatible"), std::string::npos);

  (*Recorder)->Answer(mrYes);
  m.SetPosition(0);
  EXPECT_TRUE(inch.LoadFromStream(m, true));
  ASSERT_EQ(inch.Count(), 1);
  EXPECT_NODE(*inch.GetFigure(0), 0, 1.0, 2.0);
  EXPECT_NODE(*inch.GetFigure(0), 2, 3.0, 0.0);
  EXPECT_NEAR(inch.GetFigure(0)->WavyLineHeight, 1.0, 1e-6);
  EXPECT_EQ(inch.Selection, std::vector<int32_t>{0});
}

TEST_F(ShapesStream, ShapesFiles) {
  QTemporaryDir dir;
  const std::string base = dir.path().toStdString() + "/page";
  TZQVCad e(nullptr, 16, 96, 96);
  e.SaveSelectedShapesFile(base + ".txt");
  EXPECT_FALSE(FileExists(base + ".zqs"));  // nothing selected: no file

  for (int k : {0, 9, 27}) {
    TRealFig f(&e);
    f.Kind = uint8_t(k);
    SetXY(f, 0, k * 0.1, 1);
    SetXY(f, 2, 2, k * 0.05);
    UpdateFigurePoints(f);
    e.AddFigure(&f);
  }
  e.SaveShapesFile(base + ".txt");
  ASSERT_TRUE(FileExists(base + ".zqs"));
  EXPECT_EQ(FileSizeOf(base + ".zqs"), int64_t(ShapesHeaderSize + 3 * 858));
  RenameFile(base + ".zqs", base + ".ZQS");

  TZQVCad back(nullptr, 16, 96, 96);
  EXPECT_TRUE(back.LoadShapesFile(base + ".ZQS", false));
  // Nodes beyond the stored ones start at (0, 0, 0) in a loaded figure: the records are compared.
  auto records = [](const TZQVCad& page) {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& f : page.FigureList) out.push_back(FigureRecord(*f));
    return out;
  };
  EXPECT_EQ(records(back), records(e));
  EXPECT_EQ(back.UndoDepth(), 1);
  try {
    back.LoadShapesFile(base + ".txt", false);
    ADD_FAILURE() << "a .txt name was accepted";
  } catch (const EFOpenError& ex) {
    EXPECT_STREQ(ex.what(), "Incompatible file type. File must be of type*.zqs");
  }
  EXPECT_EQ(back.Count(), 3);

}

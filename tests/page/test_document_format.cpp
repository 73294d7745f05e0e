// The document file: the payload's bytes against a page laid out by hand from the format's offset
// table, the container an independent LHA tool extracts, old versions built byte by byte, and
// damaged files the reader refuses.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <random>

#include "cad/engine.h"
#include "cad/figure.h"
#include "codecs/compress.h"
#include "page/document_format.h"
#include "page/old_documents.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"

namespace {
using Bytes = std::vector<uint8_t>;

// Little-endian writers over a byte buffer, used to lay out pages by hand.
void W8(Bytes& b, size_t at, uint8_t v) { b.at(at) = v; }
void W16(Bytes& b, size_t at, uint16_t v) {
  for (int i = 0; i < 2; ++i) b.at(at + size_t(i)) = uint8_t(v >> (8 * i));
}
void W32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + size_t(i)) = uint8_t(v >> (8 * i));
}
void WF(Bytes& b, size_t at, float f) {
  uint32_t v;
  std::memcpy(&v, &f, 4);
  W32(b, at, v);
}
void WS(Bytes& b, size_t at, const std::string& s) {
  b.at(at) = uint8_t(s.size());
  for (size_t i = 0; i < s.size(); ++i) b.at(at + 1 + i) = uint8_t(s[i]);
}

// A small page: three characters, one in the front layer, a picture, an image object, shapes.
TDocument SmallPage() {
  TDocument d;
  const char* text = "xAB";
  for (int i = 0; i <= 3; ++i) {
    TDocumentCell& c = d.Cells[size_t(i)];
    c.FontName = i == 2 ? "Symbol" : "Times New Roman";
    c.Style = i == 3 ? 3 : 0;
    c.Charset = i == 2 ? 2 : 0;
    c.Size = uint16_t(12 + i);
    c.Color = 0x00112233u + uint32_t(i);
    c.Front = i == 2;
    c.Offset = i == 3 ? -4 : 0;
    c.Position = TPoint(5 + 10 * i, i == 0 ? 0 : 28);
    c.Code = i == 0 ? 0 : uint8_t(text[i - 1]);
  }
  d.PictureTable[0].SetName("/home/u/a.bmp");
  d.PictureTable[0].Rect = {10, 20, 110, 220};
  d.PictureCount = 1;
  d.LineHeight = 16;
  d.MainFontSize = 12;
  d.CurrentI = 3;
  d.MetricFlag = 1;
  d.CaretY = 44;
  d.LeftMargin = 0.5f, d.TopMargin = 0.75f, d.BottomMargin = 1.0f, d.RightMargin = 1.25f;
  d.FontComboText = "Times New Roman";
  d.CharsetText = "ANSI_CHARSET";
  d.PageStyle = 1;
  d.SavedPixelsPerInch = 96;
  d.MainFont = {0x000000FF, "Arial", 14, 1, 0, 60, -5};
  d.ImageCount = 1;
  d.ImageRecs[0].SetName("/home/u/i.png");
  d.ImageRecs[0].Rect = {1, 2, 3, 4};
  d.Shapes = {0xDE, 0xAD, 0xBE, 0xEF};
  return d;
}

// The same page written by hand from the offset table (record offsets + 11 for the head).
Bytes SmallPageByHand() {
  Bytes b(584819 + 4, 0);
  W32(b, 0, 6);
  std::memcpy(b.data() + 4, "ZQVWARE", 7);
  const size_t R = 11;
  const char* text = "xAB";
  for (size_t i = 0; i <= 3; ++i) {
    WS(b, R + 0x00000 + 33 * i, i == 2 ? "Symbol" : "Times New Roman");
    W8(b, R + 0x21000 + i, i == 3 ? 3 : 0);
    W8(b, R + 0x22000 + i, i == 2 ? 2 : 0);
    W16(b, R + 0x23000 + 2 * i, uint16_t(12 + i));
    W32(b, R + 0x25000 + 4 * i, 0x00112233u + uint32_t(i));
    W8(b, R + 0x29000 + i, i == 2 ? 1 : 0);
    W32(b, R + 0x2A000 + 4 * i, uint32_t(i == 3 ? -4 : 0));
    W32(b, R + 0x2E000 + 8 * i, uint32_t(5 + 10 * i));
    W32(b, R + 0x2E000 + 8 * i + 4, i == 0 ? 0 : 28);
    W8(b, R + 0x36000 + i, i == 0 ? 0 : uint8_t(text[i - 1]));
  }
  // The main font block inside old shape record 0.
  W32(b, R + 0x3709C, 0x000000FF);
  WS(b, R + 0x370A0, "Arial");
  W16(b, R + 0x370C2, 14);
  W8(b, R + 0x370C4, 1);
  W8(b, R + 0x370C5, 0);
  W32(b, R + 0x372DC, 60);
  W32(b, R + 0x372E0, uint32_t(-5));
  // Picture 0: name, rectangle, not missing.
  WS(b, R + 0x65400, "/home/u/a.bmp");
  W32(b, R + 0x65400 + 256, 10);
  W32(b, R + 0x65400 + 260, 20);
  W32(b, R + 0x65400 + 264, 110);
  W32(b, R + 0x65400 + 268, 220);
  W8(b, R + 0x88000, 1);   // PictureCount
  W8(b, R + 0x88001, 0);   // OldShapeCount
  W8(b, R + 0x88002, 0);   // PasteCount
  W8(b, R + 0x88003, 16);  // LineHeight
  W16(b, R + 0x88004, 12);
  W16(b, R + 0x88006, 3);
  W8(b, R + 0x88008, 1);
  W16(b, R + 0x88009, 44);
  WF(b, R + 0x8800B, 0.5f);
  WF(b, R + 0x8800F, 0.75f);
  WF(b, R + 0x88013, 1.0f);
  WF(b, R + 0x88017, 1.25f);
  WS(b, R + 0x8801B, "Times New Roman");
  WS(b, R + 0x8811B, "ANSI_CHARSET");
  W8(b, R + 0x8821B, 1);
  W32(b, R + 0x8821C, 96);
  W32(b, R + 0x88220, 96);
  // Image objects: count, then record 0.
  W32(b, 557615, 1);
  WS(b, 557619, "/home/u/i.png");
  W32(b, 557619 + 256, 1);
  W32(b, 557619 + 260, 2);
  W32(b, 557619 + 264, 3);
  W32(b, 557619 + 268, 4);
  for (int i = 0; i < 4; ++i) b[584819 + size_t(i)] = Bytes{0xDE, 0xAD, 0xBE, 0xEF}[size_t(i)];
  return b;
}

Bytes Compressed(const Bytes& payload, uint8_t method = cmLH5) {
  TCompress c;
  TMemoryStream src(payload), dst;
  c.CompressStream(dst, src, method);
  return dst.Data;
}

struct DocumentFormatTest : ::testing::Test {
  TMessageRecorderScope rec;
  TCompress compress;
  void SetUp() override { SetScreenPixelsPerInch(96); }
};
}  // namespace

TEST_F(DocumentFormatTest, PayloadMatchesThePageLaidOutByHand) {
  const Bytes payload = BuildDocumentPayload(SmallPage());
  const Bytes expected = SmallPageByHand();
  ASSERT_EQ(payload.size(), expected.size());
  for (size_t i = 0; i < payload.size(); ++i)
    ASSERT_EQ(payload[i], expected[i]) << "first difference at payload offset " << i << " (record offset 0x"
                                       << std::hex << (i >= 11 ? i - 11 : 0) << ")";
}

TEST_F(DocumentFormatTest, EmptyPageHasTheFixedLengthAndZeroOldShapesAndPastes) {
  TDocument d;
  d.LineHeight = 16;
  d.MainFont.Name = "Arial";
  d.MainFont.Size = 12;
  const Bytes p = BuildDocumentPayload(d);
  EXPECT_EQ(p.size(), 584819u);
  EXPECT_EQ(Bytes(p.begin(), p.begin() + 11), (Bytes{6, 0, 0, 0, 'Z', 'Q', 'V', 'W', 'A', 'R', 'E'}));
  // Old shapes: zero but for the main font block; the paste table all zero.
  for (size_t i = 0x37000; i < 0x65400; ++i)
    if (i < 0x3709C || i >= 0x372E4) {
      ASSERT_EQ(p[11 + i], 0) << i;
    }
  for (size_t i = 0x76800; i < 0x88000; ++i) ASSERT_EQ(p[11 + i], 0) << i;
}

TEST_F(DocumentFormatTest, ContainerIsLh5ThatLhasaExtracts) {
  if (!QFile::exists("/usr/bin/lhasa")) GTEST_SKIP() << "lhasa is not installed";
  const Bytes payload = BuildDocumentPayload(SmallPage());
  const Bytes file = Compressed(payload);
  ASSERT_GT(file.size(), 21u);
  ASSERT_EQ(std::string(file.begin() + 5, file.begin() + 8), "LH5");
  // A level-0 LHA archive around the coded data after the container's 21-byte head.
  const Bytes coded(file.begin() + 21, file.end());
  auto put32 = [](Bytes& h, uint32_t v) {
    for (int i = 0; i < 4; ++i) h.push_back(uint8_t(v >> (8 * i)));
  };
  uint16_t crc = 0;
  for (uint8_t x : payload) {
    crc ^= x;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
  }
  Bytes h{0, 0};
  for (char c : std::string("-lh5-")) h.push_back(uint8_t(c));
  put32(h, uint32_t(coded.size()));
  put32(h, uint32_t(payload.size()));
  put32(h, 0x5A210000);
  h.push_back(0x20);
  h.push_back(0);
  const std::string name = "page.bin";
  h.push_back(uint8_t(name.size()));
  for (char c : name) h.push_back(uint8_t(c));
  h.push_back(uint8_t(crc));
  h.push_back(uint8_t(crc >> 8));
  h[0] = uint8_t(h.size() - 2);
  uint8_t sum = 0;
  for (size_t i = 2; i < h.size(); ++i) sum = uint8_t(sum + h[i]);
  h[1] = sum;
  h.insert(h.end(), coded.begin(), coded.end());
  h.push_back(0);
  QTemporaryDir dir;
  QFile arc(dir.filePath("page.lzh"));
  ASSERT_TRUE(arc.open(QIODevice::WriteOnly));
  arc.write(reinterpret_cast<const char*>(h.data()), qint64(h.size()));
  arc.close();
  QProcess p;
  p.setWorkingDirectory(dir.path());
  p.start("/usr/bin/lhasa", {"xq", arc.fileName()});
  ASSERT_TRUE(p.waitForFinished(60000));
  ASSERT_EQ(p.exitCode(), 0);
  QFile out(dir.filePath("page.bin"));
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  const QByteArray got = out.readAll();
  EXPECT_EQ(Bytes(got.begin(), got.end()), payload);
}

TEST_F(DocumentFormatTest, ReaderGivesBackEveryFieldOfVersion6) {
  const TDocument page = SmallPage();
  TDocument back;
  const TDocReadResult r = ReadDocumentBytes(Compressed(BuildDocumentPayload(page)), compress, back);
  ASSERT_EQ(r.Status, TDocReadStatus::Ok) << r.Detail;
  EXPECT_EQ(back.Version, 6u);
  EXPECT_EQ(back.Cells, page.Cells);
  EXPECT_EQ(back.PictureTable, page.PictureTable);
  EXPECT_EQ(back.PasteTable, page.PasteTable);
  EXPECT_EQ(back.ImageRecs, page.ImageRecs);
  EXPECT_EQ(back.MainFont, page.MainFont);
  EXPECT_EQ(back.Shapes, page.Shapes);
  EXPECT_EQ(back.CurrentI, 3);
  EXPECT_EQ(back.LineHeight, 16);
  EXPECT_EQ(back.PictureCount, 1);
  EXPECT_EQ(back.ImageCount, 1);
  EXPECT_FLOAT_EQ(back.RightMargin, 1.25f);
  EXPECT_EQ(back.CharsetText, "ANSI_CHARSET");
  EXPECT_EQ(back.PageStyle, 1);
  EXPECT_EQ(back.SavedPixelsPerInch, 96u);
}

TEST_F(DocumentFormatTest, CaretCellsUpTo4095SurviveTheSixteenBitField) {
  for (int16_t caret : {int16_t(1), int16_t(2047), int16_t(4095)}) {
    TDocument page = SmallPage();
    page.CurrentI = caret;
    TDocument back;
    ASSERT_EQ(ReadDocumentBytes(Compressed(BuildDocumentPayload(page)), compress, back).Status, TDocReadStatus::Ok);
    EXPECT_EQ(back.CurrentI, caret);
  }
}

// Old versions, built byte by byte.
namespace {
Bytes OldRecord(uint8_t oldShapeCount) {
  Bytes rec(557604, 0);
  WS(rec, 0x00000 + 33 * 1, "Arial");
  W16(rec, 0x23000 + 2 * 1, 10);
  W8(rec, 0x36000 + 1, 'Q');
  W32(rec, 0x2E000 + 8, 5);
  W32(rec, 0x2E000 + 12, 28);
  W8(rec, 0x88001, oldShapeCount);
  W8(rec, 0x88003, 15);
  W16(rec, 0x88006, 1);
  WS(rec, 0x8811B, "SYMBOL_CHARSET");
  W32(rec, 0x8821C, 96);
  return rec;
}

// Old shape record 1: a line (kind 0) from (10, 20) to (110, 20) with pen width 2 (version 2
// whole pixels), a version-3 number format "0.0000", unit factor 2.54 and multiplier 0.0105.
void PutOldLine(Bytes& rec) {
  const size_t s = 0x37000 + 740;
  W32(rec, s + 0, 10);
  W32(rec, s + 4, 20);
  W32(rec, s + 8, 110);
  W32(rec, s + 12, 20);
  W16(rec, s + 128, 2);
  W32(rec, s + 132, 0x0000FF);
  W8(rec, s + 145, 0);
  WS(rec, s + 160, "Arial");
  W16(rec, s + 194, 9);
  WF(rec, s + 200, 0.0105f);
  WS(rec, s + 205, "0.0000");
  WF(rec, s + 212, 2.54f);
  WS(rec, s + 216, "cm");
}

Bytes Head(uint32_t version) {
  Bytes b(11, 0);
  W32(b, 0, version);
  std::memcpy(b.data() + 4, "ZQVWARE", 7);
  return b;
}
}  // namespace

TEST_F(DocumentFormatTest, ReadsVersionOnePlainFiles) {
  Bytes rec = OldRecord(2);
  PutOldLine(rec);
  // Version 1: the record straight after the head.
  Bytes v1 = Head(1);
  v1.insert(v1.end(), rec.begin(), rec.end());
  {
    TDocument d;
    const TDocReadResult r = ReadDocumentBytes(v1, compress, d);
    ASSERT_EQ(r.Status, TDocReadStatus::Ok) << r.Detail;
    EXPECT_EQ(d.Version, 1u);
    EXPECT_EQ(d.Cells[1].FontName, "Arial");
    EXPECT_EQ(d.Cells[1].Code, 'Q');
    EXPECT_EQ(d.OldShapeCount, 2);
    EXPECT_EQ(d.CharsetText, "SYMBOL_CHARSET");
    EXPECT_EQ(d.ImageCount, 0);
    EXPECT_TRUE(d.Shapes.empty());
    EXPECT_EQ(Bytes(d.OldShapes.begin() + 740, d.OldShapes.begin() + 1480), Bytes(rec.begin() + 0x37000 + 740, rec.begin() + 0x37000 + 1480));
  }
}

TEST_F(DocumentFormatTest, VersionTwoRunsRebuildTheRecord) {
  Bytes rec = OldRecord(1);
  // Runs over the whole record: every maximal run of equal bytes becomes one entry.
  Bytes data, runs;
  uint32_t read = 0, entries = 0;
  for (size_t i = 0; i < rec.size();) {
    size_t j = i + 1;
    while (j < rec.size() && rec[j] == rec[i]) ++j;
    data.push_back(rec[i]);
    ++read;
    if (j - i > 1 || j == rec.size()) {
      Bytes e(8, 0);
      W32(e, 0, read);
      W32(e, 4, uint32_t(j - i));
      runs.insert(runs.end(), e.begin(), e.end());
      ++entries;
    } else {
      // A single byte needs no entry of its own.
    }
    i = j;
  }
  Bytes file = Head(2);
  Bytes words(8, 0);
  W32(words, 4, entries - 1);
  file.insert(file.end(), words.begin(), words.end());
  file.insert(file.end(), runs.begin(), runs.end());
  file.insert(file.end(), data.begin(), data.end());
  TDocument d;
  const TDocReadResult r = ReadDocumentBytes(file, compress, d);
  ASSERT_EQ(r.Status, TDocReadStatus::Ok) << r.Detail;
  EXPECT_EQ(d.Version, 2u);
  EXPECT_EQ(d.LineHeight, 15);
  EXPECT_EQ(d.Cells[1].FontName, "Arial");
  EXPECT_EQ(d.CharsetText, "SYMBOL_CHARSET");
}

TEST_F(DocumentFormatTest, ReadsVersionsThreeAndFourFromTheContainer) {
  for (uint32_t version : {3u, 4u}) {
    SCOPED_TRACE(version);
    Bytes rec = OldRecord(2);
    PutOldLine(rec);
    Bytes payload = Head(version);
    payload.insert(payload.end(), rec.begin(), rec.end());
    Bytes images(4 + 27200, 0);
    W32(images, 0, 1);
    WS(images, 4, "/x/obj.bmp");
    payload.insert(payload.end(), images.begin(), images.end());
    TDocument d;
    const TDocReadResult r = ReadDocumentBytes(Compressed(payload), compress, d);
    ASSERT_EQ(r.Status, TDocReadStatus::Ok) << r.Detail;
    EXPECT_EQ(d.Version, version);
    EXPECT_EQ(d.ImageCount, 1);
    EXPECT_EQ(d.ImageRecs[0].Name(), "/x/obj.bmp");
    EXPECT_EQ(d.OldShapeCount, 2);
    EXPECT_TRUE(d.MainFont.Name.empty());  // no main font block before version 6
  }
}

TEST_F(DocumentFormatTest, OldShapeRecordsBecomeFigures) {
  SetScreenPixelsPerInch(96);
  Bytes rec = OldRecord(2);
  PutOldLine(rec);
  std::vector<uint8_t> shapes(rec.begin() + 0x37000, rec.begin() + 0x37000 + 256 * 740);
  ScaleOldPenWidths(shapes.data(), shapes.size());  // version 2: whole pixels
  UpgradeOldShapeRecords(shapes.data(), shapes.size());
  const uint8_t* s = shapes.data() + 740;
  EXPECT_EQ(s[205], 3);  // "0.0000"
  EXPECT_EQ(s[206], 1);  // 2.54: metric
  EXPECT_EQ(s[207], 3);  // 0.0105 is 1e-2
  TZQVCad engine(nullptr, 16, 96, 96);
  EXPECT_EQ(ImportOldShapes(engine, shapes.data(), shapes.size(), 2, 96), 1);
  ASSERT_EQ(engine.Count(), 1);
  const TRealFig& f = *engine.FigureList[0];
  EXPECT_EQ(f.Kind, 0);
  // Pen width 200 / 100 / D in inches; the figure is metric, so it holds it in centimetres.
  EXPECT_NEAR(f.PenWidth, 200.0 / 100.0 / 96.0 * 2.54, 1e-9);
  EXPECT_EQ(f.Precision, 9);
  EXPECT_EQ(f.Digits, 4);
  EXPECT_TRUE(f.Metric);
  EXPECT_EQ(f.DimSuffix, "cm");
  // A count of 1 imports nothing.
  TZQVCad empty(nullptr, 16, 96, 96);
  EXPECT_EQ(ImportOldShapes(empty, shapes.data(), shapes.size(), 1, 96), 0);
  EXPECT_EQ(empty.Count(), 0);
}

// An old wave figure keeps its wave in points P9 to P14 and the two integers at 120 and 124.
TEST_F(DocumentFormatTest, OldWaveRecordTakesItsWaveFromTheOldPoints) {
  Bytes shapes(2 * 740, 0);
  const size_t s = 740;
  const int32_t points[6][2] = {{20, 30}, {3, 0}, {5, 6}, {96, 192}, {48, 24}, {90, 180}};  // P9 .. P14
  for (int i = 0; i < 6; ++i) {
    W32(shapes, s + size_t(9 + i) * 8, uint32_t(points[i][0]));
    W32(shapes, s + size_t(9 + i) * 8 + 4, uint32_t(points[i][1]));
  }
  W32(shapes, s + 120, 96);
  W32(shapes, s + 124, 192);
  W8(shapes, s + 145, fkFullWave);
  TZQVCad engine(nullptr, 16, 96, 96);
  ASSERT_EQ(ImportOldShapes(engine, shapes.data(), shapes.size(), 2, 96), 1);
  const TWaveRec& w = engine.FigureList[0]->Wave;
  const double pulse = DefaultWaveRec().PulseWidth[0];
  EXPECT_NEAR(w.PulseRise, 20 * 100.0 / pulse, 1e-9);
  EXPECT_NEAR(w.PulseFall, 30 * 100.0 / pulse, 1e-9);
  EXPECT_FLOAT_EQ(w.FMIndex, 3);
  EXPECT_EQ(w.Params[0], 5);
  EXPECT_EQ(w.Params[1], 6);
  EXPECT_NEAR(w.WaveWidth[0], 1.0, 1e-9);
  EXPECT_NEAR(w.WaveWidth[1], 2.0, 1e-9);
  EXPECT_NEAR(w.WaveHeight[0], 0.5, 1e-9);
  EXPECT_NEAR(w.WaveHeight[1], 0.25, 1e-9);
  EXPECT_EQ(w.StartAngle[0], 90);
  EXPECT_EQ(w.StartAngle[1], 180);
  EXPECT_NEAR(w.PointX, 1.0, 1e-9);
  EXPECT_NEAR(w.PointY, 2.0, 1e-9);
}

TEST_F(DocumentFormatTest, UnknownNumberFormatAndMultiplierTakeTheDefaults) {
  std::vector<uint8_t> shapes(256 * 740, 0);
  Bytes r(740, 0);
  WS(r, 205, "0.0#");
  WF(r, 200, 0.5f);
  WF(r, 212, 1.0f);
  std::copy(r.begin(), r.end(), shapes.begin() + 740);
  UpgradeOldShapeRecords(shapes.data(), shapes.size());
  EXPECT_EQ(shapes[740 + 205], 2);
  EXPECT_EQ(shapes[740 + 206], 0);
  EXPECT_EQ(shapes[740 + 207], 5);
}

// Damaged files: every case is refused with a status, never read past its bytes.
TEST_F(DocumentFormatTest, RefusesDamagedFiles) {
  const Bytes good = BuildDocumentPayload(SmallPage());
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
    TDocReadStatus status;
  };
  const size_t R = 11;
  const std::vector<Case> cases = {
      {"image count 101", [](Bytes& b) { W32(b, 557615, 101); }, TDocReadStatus::Damaged},
      {"image count -1", [](Bytes& b) { W32(b, 557615, uint32_t(-1)); }, TDocReadStatus::Damaged},
      {"caret cell 0", [&](Bytes& b) { W16(b, R + 0x88006, 0); }, TDocReadStatus::Damaged},
      {"caret cell negative", [&](Bytes& b) { W16(b, R + 0x88006, 0x8000); }, TDocReadStatus::Damaged},
      {"line height 0", [&](Bytes& b) { W8(b, R + 0x88003, 0); }, TDocReadStatus::Damaged},
      {"pixels per inch huge", [&](Bytes& b) { W32(b, R + 0x8821C, 0x7FFFFFFF); }, TDocReadStatus::Damaged},
      {"margin NaN", [&](Bytes& b) { WF(b, R + 0x8800B, std::nanf("")); }, TDocReadStatus::Damaged},
      {"margin negative", [&](Bytes& b) { WF(b, R + 0x88013, -1.0f); }, TDocReadStatus::Damaged},
      {"font size huge", [&](Bytes& b) { W16(b, R + 0x23000 + 2, 60000); }, TDocReadStatus::Damaged},
      {"main font size 0", [&](Bytes& b) { W16(b, R + 0x370C2, 0); }, TDocReadStatus::Damaged},
      {"font name length 40", [&](Bytes& b) { W8(b, R + 33 * 7, 40); }, TDocReadStatus::Damaged},
      {"main font name length 33", [&](Bytes& b) { W8(b, R + 0x370A0, 33); }, TDocReadStatus::Damaged},
      {"cut inside the record", [](Bytes& b) { b.resize(300000); }, TDocReadStatus::Damaged},
      {"cut inside the image table", [](Bytes& b) { b.resize(570000); }, TDocReadStatus::Damaged},
      {"wrong signature", [](Bytes& b) { b[6] = 'X'; }, TDocReadStatus::BadSignature},
      {"version 7", [](Bytes& b) { W32(b, 0, 7); }, TDocReadStatus::BadVersion},
      {"version 0", [](Bytes& b) { W32(b, 0, 0); }, TDocReadStatus::BadVersion},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes payload = good;
    c.damage(payload);
    TDocument d;
    EXPECT_EQ(ReadDocumentBytes(Compressed(payload), compress, d).Status, c.status);
  }
  // The container itself: empty, cut, a checksum that does not match, a huge announced size.
  TDocument d;
  EXPECT_EQ(ReadDocumentBytes({}, compress, d).Status, TDocReadStatus::Empty);
  Bytes file = Compressed(good);
  Bytes cut(file.begin(), file.begin() + long(file.size() / 2));
  EXPECT_NE(ReadDocumentBytes(cut, compress, d).Status, TDocReadStatus::Ok);
  Bytes sum = file;
  sum[13] ^= 1;
  EXPECT_EQ(ReadDocumentBytes(sum, compress, d).Status, TDocReadStatus::BadChecksum);
  Bytes huge = file;
  W32(huge, 8, 0xFFFFFFF0u);
  EXPECT_NE(ReadDocumentBytes(huge, compress, d).Status, TDocReadStatus::Ok);
  // A plain file whose first word is a version takes its signature from the next seven bytes.
  Bytes plain = Head(3);
  plain[5] = 'X';
  EXPECT_EQ(ReadDocumentBytes(plain, compress, d).Status, TDocReadStatus::BadSignature);
}

TEST_F(DocumentFormatTest, VersionTwoRunTablesOutsideTheRecordAreRefused) {
  struct Case {
    const char* name;
    uint32_t n;
    std::vector<std::pair<uint32_t, uint32_t>> runs;
    size_t dataBytes;
  };
  const std::vector<Case> cases = {
      {"huge count", 0x7FFFFFFF, {{1, 1}}, 10},
      {"positions not rising", 1, {{5, 2}, {5, 2}}, 10},
      {"count 0", 0, {{3, 0}}, 10},
      {"past the record", 0, {{2, 600000}}, 10},
      {"past the bytes present", 0, {{50, 1}}, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = Head(2);
    Bytes words(8, 0);
    W32(words, 4, c.n);
    file.insert(file.end(), words.begin(), words.end());
    for (const auto& [pos, count] : c.runs) {
      Bytes e(8, 0);
      W32(e, 0, pos);
      W32(e, 4, count);
      file.insert(file.end(), e.begin(), e.end());
    }
    file.resize(file.size() + c.dataBytes, 7);
    TDocument d;
    EXPECT_EQ(ReadDocumentBytes(file, compress, d).Status, TDocReadStatus::Damaged);
  }
}

TEST_F(DocumentFormatTest, RandomDamageNeverReadsOutsideTheFile) {
  // Flipped bytes anywhere in the first part of the payload: the reader either refuses or gives
  // a document that passes its own checks.
  const Bytes good = BuildDocumentPayload(SmallPage());
  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    Bytes p = good;
    for (int k = 0; k < 8; ++k) p[rng() % p.size()] = uint8_t(rng());
    TDocument d;
    const TDocReadResult r = ReadDocumentBytes(p, compress, d);
    if (r.Status == TDocReadStatus::Ok) {
      EXPECT_EQ(CheckDocument(d), "");
    }
  }
}

// Writes the fuzz target's seeds when KV_DOCUMENT_SEEDS names a folder: a small page in the
// LH5 container, patches of a sound page, and version-2 run tables.
TEST_F(DocumentFormatTest, WritesFuzzSeedsWhenAsked) {
  const QString folder = qEnvironmentVariable("KV_DOCUMENT_SEEDS");
  if (folder.isEmpty()) GTEST_SKIP() << "KV_DOCUMENT_SEEDS not set";
  QDir().mkpath(folder);
  auto save = [&](const char* name, uint8_t mode, const Bytes& body) {
    QFile f(QDir(folder).filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.putChar(char(mode));
    f.write(reinterpret_cast<const char*>(body.data()), qint64(body.size()));
  };
  save("v6_small_page", 0, Compressed(BuildDocumentPayload(SmallPage())));
  Bytes rec = OldRecord(2);
  PutOldLine(rec);
  Bytes v4 = Head(4);
  v4.insert(v4.end(), rec.begin(), rec.end());
  v4.resize(v4.size() + 4 + 27200, 0);
  save("v4_old_shapes", 0, Compressed(v4));
  Bytes patches;
  auto patch = [&](uint32_t at, uint8_t v) {
    for (int i = 0; i < 4; ++i) patches.push_back(uint8_t(at >> (8 * i)));
    patches.push_back(v);
  };
  patch(0, 4);                    // version 4
  patch(11 + 0x88001, 3);         // three old shape records
  patch(11 + 0x37000 + 740 + 145, 49);
  patch(11 + 0x37000 + 740 + 120, 40);
  patch(11 + 0x37000 + 1480 + 145, 30);
  patch(11 + 0x37000 + 1480 + 160, 200);
  save("patched_old_shapes", 1, patches);
  patches.clear();
  patch(557615, 100);
  patch(11 + 0x88006, 0xFF);
  save("patched_counts", 1, patches);
  Bytes v2(8, 0);
  W32(v2, 4, 1);
  for (auto [pos, count] : {std::pair<uint32_t, uint32_t>{3, 5}, {6, 557590}}) {
    Bytes e(8, 0);
    W32(e, 0, pos);
    W32(e, 4, count);
    v2.insert(v2.end(), e.begin(), e.end());
  }
  v2.insert(v2.end(), {1, 2, 3, 4, 5, 6});
  save("v2_runs", 2, v2);
}

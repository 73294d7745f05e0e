// Metafile pictures: what the recording canvas writes plays back in the same places, in both
// formats; damaged files are refused with a clear message or stop at the damaged record.
#include <gtest/gtest.h>

#include <QImage>
#include <cstring>

#include "platform/canvas.h"
#include "platform/graphic.h"
#include "platform/metafile.h"
#include "support/metafile_support.h"
#include "platform/screen.h"
#include "platform/streams.h"

namespace {
// A few shapes of every call kind, drawn on any canvas.
void DrawSample(TCanvas& c) {
  c.Pen = TPen{clBlack, 1, psSolid, pmCopy};
  c.Brush = TBrush{clBlue, bsSolid};
  c.MoveTo(10, 10);
  c.LineTo(90, 10);
  c.Rectangle(10, 20, 40, 50);
  c.Ellipse(50, 20, 90, 60);
  c.Pen.Color = clRed;
  c.Polyline(std::vector<TPoint>{{10, 70}, {30, 90}, {50, 70}});
  c.Brush.Style = bsClear;
  c.Arc(60, 65, 95, 95, 95, 80, 60, 80);
  c.SetPixel(5, 95, clGreen);
}

bool Ink(const QImage& img, int x, int y) { return (img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF; }

uint32_t U32(const std::vector<uint8_t>& b, size_t o) {
  uint32_t v;
  std::memcpy(&v, b.data() + o, 4);
  return v;
}
}  // namespace

TEST(Metafile, RecordedPicturePlaysBackLikeTheDirectDrawing) {
  SetScreenPixelsPerInch(96);
  QImage direct(100, 100, QImage::Format_RGB32);
  direct.fill(Qt::white);
  TCanvas dc(&direct);
  DrawSample(dc);

  TMetafile m;
  {
    TMetafileCanvas mc(m, 100, 100, 96);
    DrawSample(mc);
  }
  ASSERT_FALSE(m.Empty());
  EXPECT_EQ(m.Width(), 100);
  // Seeds for the metafile fuzzer, when asked for.
  if (const QString seeds = qEnvironmentVariable("KV_METAFILE_SEEDS"); !seeds.isEmpty()) {
    WriteFileAtomically((seeds + "/sample.emf").toStdString(), m.Records.data(), m.Records.size());
    const std::vector<uint8_t> old = m.OldFileImage();
    WriteFileAtomically((seeds + "/sample.wmf").toStdString(), old.data(), old.size());
  }
  // Every record's size is a multiple of four and the records fill the file exactly.
  size_t off = 0, records = 0;
  while (off + 8 <= m.Records.size()) {
    const uint32_t size = U32(m.Records, off + 4);
    ASSERT_GE(size, 8u);
    ASSERT_EQ(size % 4, 0u);
    off += size;
    ++records;
  }
  EXPECT_EQ(off, m.Records.size());
  EXPECT_EQ(U32(m.Records, 48), m.Records.size());
  EXPECT_EQ(U32(m.Records, 52), records);

  for (bool enhanced : {true, false}) {
    SCOPED_TRACE(enhanced);
    TMetafile loaded = ReloadedMetafile(m, enhanced);
    EXPECT_EQ(loaded.Width(), 100);
    QImage played(100, 100, QImage::Format_RGB32);
    played.fill(Qt::white);
    TCanvas pc(&played);
    loaded.Draw(pc, TRect(0, 0, 100, 100));
    for (auto [x, y] : {std::pair{50, 10}, {10, 35}, {25, 20}, {70, 20}, {20, 80}, {77, 65}})
      EXPECT_TRUE(Ink(played, x, y)) << x << "," << y;
    EXPECT_EQ(played.pixel(25, 35) & 0xFFFFFF, 0x0000FFu);  // the blue brush inside the rectangle
    EXPECT_EQ(played.pixel(70, 40) & 0xFFFFFF, 0x0000FFu);
    EXPECT_FALSE(Ink(played, 45, 90));
    EXPECT_EQ(played.pixel(5, 95) & 0xFFFFFF, 0x008000u);
    // Stretched to twice the size, the picture is twice as large.
    QImage big(200, 200, QImage::Format_RGB32);
    big.fill(Qt::white);
    TCanvas bc(&big);
    loaded.Draw(bc, TRect(0, 0, 200, 200));
    EXPECT_EQ(big.pixel(50, 70) & 0xFFFFFF, 0x0000FFu);
    EXPECT_TRUE(Ink(big, 100, 20));
  }
}

TEST(Metafile, GraphicClassesAndDamagedFiles) {
  auto emf = CreateGraphicForFile("picture.EMF");
  auto wmf = CreateGraphicForFile("picture.wmf");
  ASSERT_NE(dynamic_cast<TMetafile*>(emf.get()), nullptr);
  ASSERT_NE(dynamic_cast<TMetafile*>(wmf.get()), nullptr);
  EXPECT_FALSE(dynamic_cast<TMetafile*>(wmf.get())->Enhanced);

  TMetafile m;
  {
    TMetafileCanvas mc(m, 50, 50);
    DrawSample(mc);
  }
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool enhanced;
    const char* message;
  };
  std::vector<uint8_t> badSig = m.Records;
  badSig[40] = 'X';
  std::vector<uint8_t> badFrame = m.Records;
  const int32_t leftOfStart = -5;  // the frame's right edge left of its left edge
  std::memset(badFrame.data() + 24, 0, 16);
  std::memcpy(badFrame.data() + 32, &leftOfStart, 4);
  const std::vector<Case> refused = {
      {"empty", {}, true, "Not an enhanced metafile"},
      {"short", std::vector<uint8_t>(m.Records.begin(), m.Records.begin() + 40), true, "Not an enhanced metafile"},
      {"signature", badSig, true, "Not an enhanced metafile"},
      {"frame", badFrame, true, "The metafile frame is empty or too large"},
      {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!', '!', '!', '!', '!'}, false, "Not a metafile"},
  };
  for (const auto& c : refused) {
    TMetafile t;
    try {
      if (c.enhanced) t.LoadEnhanced(c.bytes.data(), c.bytes.size());
      else t.LoadOld(c.bytes.data(), c.bytes.size());
      ADD_FAILURE() << c.name << " was accepted";
    } catch (const EMetafileError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.name;
    }
    EXPECT_TRUE(t.Empty()) << c.name;
  }
  // A record whose size runs past the end, or is not a multiple of four, ends the picture there.
  QImage img(50, 50, QImage::Format_RGB32);
  TCanvas c(&img);
  for (uint32_t size : {0u, 6u, 0xFFFFFFF0u}) {
    std::vector<uint8_t> broken = m.Records;
    const uint32_t first = U32(broken, 4);
    std::memcpy(broken.data() + first + 4, &size, 4);
    img.fill(Qt::white);
    PlayEnhancedRecords(broken.data(), broken.size(), c, TRect(0, 0, 50, 50));
    EXPECT_EQ(img.pixel(25, 5) & 0xFFFFFF, 0xFFFFFFu) << size;
  }
  // Counts larger than their records are not trusted.
  std::vector<uint8_t> counts = m.Records;
  for (size_t off = U32(counts, 4); off + 8 <= counts.size(); off += U32(counts, off + 4))
    if (U32(counts, off) == 4 /* polyline */) {
      const uint32_t huge = 0x40000000;
      std::memcpy(counts.data() + off + 24, &huge, 4);
    }
  img.fill(Qt::white);
  PlayEnhancedRecords(counts.data(), counts.size(), c, TRect(0, 0, 50, 50));
}

// Bitmaps in old-style files: a recorded bitmap goes into the file as a stretched bitmap record
// and comes back where it was drawn; an 8-bit bitmap with a colour table, as other programs write
// it, plays too.
TEST(Metafile, OldStyleFilesCarryBitmaps) {
  SetScreenPixelsPerInch(96);
  QImage picture(20, 10, QImage::Format_RGB32);
  picture.fill(Qt::red);
  for (int x = 0; x < 10; ++x)
    for (int y = 0; y < 10; ++y) picture.setPixel(x, y, qRgb(0, 0, 255));  // left half blue
  TMetafile m;
  {
    TMetafileCanvas mc(m, 100, 60, 96);
    mc.StretchBltImage(TRect(10, 20, 50, 40), picture, TRect(0, 0, 20, 10), SRCCOPY);
  }
  const std::vector<uint8_t> file = m.OldFileImage();
  // The record is there: function 0x0F43 after the 22-byte placeable and 18-byte headers.
  bool found = false;
  for (size_t off = 40; off + 6 <= file.size();) {
    const uint32_t words = U32(file, off);
    const uint16_t fn = uint16_t(file[off + 4] | file[off + 5] << 8);
    if (fn == 0x0F43) found = true;
    if (words < 3) break;
    off += size_t(words) * 2;
  }
  EXPECT_TRUE(found);
  TMetafile back;
  back.LoadOld(file.data(), file.size());
  QImage played(100, 60, QImage::Format_RGB32);
  played.fill(Qt::white);
  TCanvas pc(&played);
  back.Draw(pc, TRect(0, 0, 100, 60));
  EXPECT_EQ(played.pixel(15, 30) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(played.pixel(45, 30) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(played.pixel(5, 30) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(played.pixel(30, 45) & 0xFFFFFF, 0xFFFFFFu);

  // A hand-made file: placeable header, standard header, one 2 x 2 8-bit bitmap stretched from
  // (0, 0, 2, 2) into (10, 10, 30, 30) with a bitmap stretch-blit record, end of file.
  std::vector<uint8_t> w;
  auto w16 = [&](int v) { w.push_back(uint8_t(v)), w.push_back(uint8_t(v >> 8)); };
  auto w32 = [&](uint32_t v) { w16(int(v & 0xFFFF)), w16(int(v >> 16)); };
  w32(0x9AC6CDD7u), w16(0), w16(0), w16(0), w16(40), w16(40), w16(96), w32(0);
  uint16_t sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= uint16_t(w[i] | w[i + 1] << 8);
  w16(sum);
  const uint32_t recordWords = 3 + 2 + 8 + 20 + 2 * 256 + 4;  // rop, 8 shorts, header, table, 2 rows of 4 bytes
  w16(1), w16(9), w16(0x0300), w32(9 + recordWords + 3), w16(0), w32(recordWords), w16(0);
  w32(recordWords), w16(0x0B41);
  w32(0x00CC0020u);
  for (int v : {2, 2, 0, 0, 20, 20, 10, 10}) w16(v);  // source h, w, y, x; destination h, w, y, x
  w32(40), w32(2), w32(2), w16(1), w16(8), w32(0), w32(8), w32(0), w32(0), w32(0), w32(0);
  for (int i = 0; i < 256; ++i) w32(i == 1 ? 0x00FF00u : i == 2 ? 0x0000FFu : 0);  // 1 green, 2 blue
  // Bottom row first: bottom row green, green; top row blue, green.
  w.insert(w.end(), {1, 1, 0, 0, 2, 1, 0, 0});
  w32(3), w16(0);
  TMetafile other;
  other.LoadOld(w.data(), w.size());
  QImage shown(40, 40, QImage::Format_RGB32);
  shown.fill(Qt::white);
  TCanvas sc(&shown);
  other.Draw(sc, TRect(0, 0, 40, 40));
  EXPECT_EQ(shown.pixel(14, 14) & 0xFFFFFF, 0x0000FFu);  // top left: blue
  EXPECT_EQ(shown.pixel(26, 14) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(shown.pixel(14, 26) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(shown.pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);
}

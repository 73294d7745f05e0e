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

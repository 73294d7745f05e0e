// Raster coding: the LZW decoder on hand-made and damaged code streams, and both encoders.
#include <random>

#include "test_gif_support.h"

using namespace giftest;

namespace {

// A 4-colour frame of w x h whose raster is given.
Bytes FrameGif(int w, int h, const Bytes& raster, bool interlace = false, int transparent = -1) {
  GifBuilder b;
  b.Header(w, h, Grey4());
  if (transparent >= 0) b.Gce(0, 0, transparent);
  return b.Image(0, 0, w, h, raster, interlace).Trailer().B;
}

TEST(GifLzwDecode, HandMadeCodeStreams) {
  // Clear 4, end 5; codes 3 bits wide. Without a leading clear code; code 6 (not yet in the table
  // when it is used) is the previous string plus its own first value.
  auto a = LoadGif(FrameGif(5, 1, PackCodes(2, {{1, 3}, {6, 3}, {2, 3}, {5, 4}})));
  EXPECT_EQ(a->Image->Images[0]->Data, (Bytes{1, 1, 1, 2, 0})) << "no leading clear, KwKwK code";
  EXPECT_TRUE(a->Warnings.empty());

  // Data stop in the middle of a sub-block: the rest keeps the transparent index (or 0), with
  // no exception.
  for (int transparent : {-1, 2}) {
    TGIFImage image;
    image.Header.ColorMap.ImportPalette(MakePalette({clBlack, clWhite, clRed, clBlue}));
    auto* f = new TGIFSubImage(&image);
    f->SetBounds(0, 0, 200, 1);
    for (int i = 0; i < 200; ++i) f->Data[size_t(i)] = uint8_t(i * 7 % 3 == 0 ? 1 : 3);
    image.Add(f);
    Bytes raster;
    {
      TMemoryStream s;
      f->Compress(s);
      raster = s.Data;
    }
    raster.resize(raster.size() / 2);
    auto b = LoadGif(FrameGif(200, 1, raster, false, transparent));
    const Bytes& got = b->Image->Images[0]->Data;
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 20, f->Data.begin()));
    EXPECT_EQ(got.back(), transparent < 0 ? 0 : transparent);
    EXPECT_EQ(b->Warnings, std::vector<std::string>{"Premature end of data"});
  }

  // A clear after the table has filled resets the width: 8-bit codes grow to 12 bits, stay
  // there, and a clear code brings them back to 9 bits.
  std::vector<std::pair<int, int>> codes{{256, 9}};
  int next = 258, width = 9;
  Bytes expected;
  for (int i = 0; i < 4000; ++i) {
    codes.push_back({i % 251, width});
    expected.push_back(uint8_t(i % 251));
    if (i > 0 && next < 4096) {
      ++next;
      if (next >= (1 << width) && width < 12) ++width;
    }
  }
  codes.push_back({256, width});
  codes.push_back({7, 9});
  codes.push_back({257, 9});
  expected.push_back(7);
  auto d = LoadGif(GifBuilder().Header(int(expected.size()), 1).Image(0, 0, int(expected.size()), 1, PackCodes(8, codes)).Trailer().B);
  EXPECT_EQ(d->Image->Images[0]->Data, expected);
}

TEST(GifLzwDecode, InterlacedHeights) {
  for (int h = 1; h <= 9; ++h) {
    Bytes rows;  // the row index as the pixel value, written in interlace order
    for (int pass = 0; pass < 4; ++pass) {
      static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int y = start[pass]; y < h; y += step[pass]) rows.insert(rows.end(), {uint8_t(y % 4), uint8_t(y % 4)});
    }
    auto a = LoadGif(FrameGif(2, h, PlainRaster(2, rows), true));
    Bytes expected;
    for (int y = 0; y < h; ++y) expected.insert(expected.end(), {uint8_t(y % 4), uint8_t(y % 4)});
    EXPECT_EQ(a->Image->Images[0]->Data, expected) << "height " << h;
  }
}

TEST(GifLzwDecode, DataAfterTheLastPixelAreSkipped) {
  // The first frame's raster carries codes beyond its last pixel before the end code; the second
  // frame must still load from the right place.
  std::vector<std::pair<int, int>> codes{{4, 3}, {1, 3}, {2, 3}, {3, 3}, {0, 3}, {1, 3}, {2, 3}, {5, 3}};
  Bytes first = PackCodes(2, codes);
  // Split the data into several sub-blocks of one byte.
  Bytes split{first[0]};
  for (size_t i = 2; i + 1 < first.size(); ++i) split.insert(split.end(), {1, first[i]});
  split.push_back(0);
  auto a = LoadGif(GifBuilder().Header(2, 1, Grey4()).Image(0, 0, 2, 1, split).Image(0, 0, 2, 1, PlainRaster(2, {3, 3}))
                       .Trailer().B);
  ASSERT_EQ(a->Image->Images.Count(), 2);
  EXPECT_EQ(a->Image->Images[0]->Data, (Bytes{1, 2}));
  EXPECT_EQ(a->Image->Images[1]->Data, (Bytes{3, 3}));
  EXPECT_TRUE(a->Warnings.empty());
}

TEST(GifLzwDecode, HostileRastersStayInsideTheTables) {
  // A minimum code size above 11: the raster is passed over with a warning, the next frame loads.
  Bytes big{12, 3, 0xFF, 0xFF, 0xFF, 0};
  auto a = LoadGif(GifBuilder().Header(2, 1, Grey4()).Image(0, 0, 2, 1, big).Image(0, 0, 2, 1, PlainRaster(2, {2, 1}))
                       .Trailer().B);
  ASSERT_EQ(a->Image->Images.Count(), 2);
  EXPECT_EQ(a->Image->Images[0]->Data, (Bytes{0, 0}));
  EXPECT_EQ(a->Image->Images[1]->Data, (Bytes{2, 1}));
  EXPECT_EQ(a->Warnings, std::vector<std::string>{"Invalid LZW code size"});

  // Random code streams of every code size: never outside the buffers (the sanitizers watch),
  // at most the decoder's own error.
  std::mt19937 rng(7);
  for (int trial = 0; trial < 300; ++trial) {
    Bytes raster{uint8_t(trial % 12)};
    const int blocks = 1 + trial % 5;
    for (int b = 0; b < blocks; ++b) {
      const int n = 1 + int(rng() % 255);
      raster.push_back(uint8_t(n));
      for (int i = 0; i < n; ++i) raster.push_back(uint8_t(rng()));
    }
    raster.push_back(0);
    const Bytes gif = GifBuilder().Header(40, 40, Grey4()).Image(0, 0, 40, 40, raster, trial % 2).Trailer().B;
    try {
      LoadGif(gif);
    } catch (const GIFException& e) {
      EXPECT_EQ(Msg(e), "Circular decoder table entry");
    }
  }
}

// ---- Encoding

TEST(GifEncode, SmallFramesAndSubBlocks) {
  TGIFImage image;
  image.Header.ColorMap.ImportPalette(MakePalette({clBlack, clWhite}));
  auto* f = new TGIFSubImage(&image);
  f->SetBounds(0, 0, 1, 1);
  f->Data = {1};
  image.Add(f);
  const Bytes out = SaveGif(image);
  // Header 13, 2 colours, descriptor 10: then code size 2, one sub-block: clear 4, pixel 1, end 5
  // at 3 bits, least significant first -> 0x4C 0x01.
  const size_t r = 13 + 6 + 10;
  EXPECT_EQ(Bytes(out.begin() + long(r), out.end()), (Bytes{2, 2, 0x4C, 0x01, 0, 0x3B}));

  // Codes filling exactly 255 bytes end with the terminator right after the full sub-block.
  TGIFImage wide;
  wide.Header.ColorMap.ImportPalette(MakePalette({clBlack, clWhite, clRed, clBlue}));
  wide.Coding = gcRLE;
  auto* g = new TGIFSubImage(&wide);
  // Alternating pixels cost one 3-bit code each with clears every 9 codes (RLE), so find a width
  // whose raster is 255 bytes long.
  int found = -1;
  for (int w = 300; w < 800 && found < 0; ++w) {
    g->SetBounds(0, 0, w, 1);
    for (int i = 0; i < w; ++i) g->Data[size_t(i)] = uint8_t(i % 2);
    TMemoryStream s;
    g->Compress(s);
    if (s.Size() == 1 + 256 + 1) found = w;
  }
  ASSERT_GE(found, 0);
  TMemoryStream s;
  g->Compress(s);
  EXPECT_EQ(s.Data[1], 255);
  EXPECT_EQ(s.Data[257], 0);
  delete g;
}

// Frames of many kinds written with both coders and read back by the decoder.
TEST(GifEncode, RoundTripBothCoders) {
  std::mt19937 rng(3);
  struct Case {
    int W, H, Colors;
    bool Interlace;
    int Kind;  // 0 noise, 1 runs, 2 one colour, 3 alternating
  };
  const Case cases[] = {{1, 1, 2, false, 0},   {3, 2, 2, true, 3},    {7, 4, 4, true, 0},  {64, 64, 256, false, 0},
                        {200, 50, 16, true, 1}, {300, 300, 2, false, 2}, {513, 17, 8, false, 3},
                        {600, 400, 256, false, 1}};
  for (TGIFCoding coding : {gcLZW, gcRLE})
    for (const Case& c : cases) {
      TGIFImage image;
      image.Coding = coding;
      auto* f = new TGIFSubImage(&image);
      f->SetBounds(0, 0, c.W, c.H);
      for (int i = 0; i < c.Colors; ++i) f->ColorMap.Add(RGBColor(i, 255 - i, i / 2));
      f->SetInterlaced(c.Interlace);
      int run = 0, value = 0;
      for (size_t i = 0; i < f->Data.size(); ++i) {
        switch (c.Kind) {
          case 0: value = int(rng() % unsigned(c.Colors)); break;
          case 1:
            if (run-- <= 0) run = int(rng() % 700), value = int(rng() % unsigned(c.Colors));
            break;
          case 2: value = c.Colors - 1; break;
          default: value = int(i % 2); break;
        }
        f->Data[i] = uint8_t(value);
      }
      image.Add(f);
      const Bytes out = SaveGif(image);
      auto back = LoadGif(out);
      ASSERT_EQ(back->Image->Images.Count(), 1);
      EXPECT_EQ(back->Image->Images[0]->Data, f->Data) << "coding " << int(coding) << " size " << c.W << "x" << c.H;
      EXPECT_TRUE(back->Warnings.empty());
      EXPECT_EQ(back->Image->Images[0]->Interlaced(), c.Interlace);
    }
}

TEST(GifEncode, RunLengthCoderDetails) {
  EXPECT_EQ(ISqrt(0), 0u);
  EXPECT_EQ(ISqrt(15), 3u);
  EXPECT_EQ(ISqrt(16), 4u);
  EXPECT_EQ(ISqrt(1000000), 1000u);
  EXPECT_EQ(TriangleCount(6, 100), 3u);  // runs 1, 2, 3
  EXPECT_EQ(TriangleCount(7, 100), 4u);

  // One colour compresses to a few codes of growing runs.
  TGIFImage image;
  image.Coding = gcRLE;
  auto* f = new TGIFSubImage(&image);
  f->SetBounds(0, 0, 1000, 10);
  f->ColorMap.ImportPalette(MakePalette({clBlack, clWhite}));
  std::fill(f->Data.begin(), f->Data.end(), 1);
  image.Add(f);
  TMemoryStream s;
  f->Compress(s);
  EXPECT_LT(s.Size(), 400);

  // A pixel beyond the colour table.
  f->Data[5] = 7;
  for (TGIFCoding coding : {gcLZW, gcRLE}) {
    image.Coding = coding;
    TMemoryStream t;
    try {
      f->Compress(t);
      FAIL();
    } catch (const GIFException& e) {
      EXPECT_EQ(Msg(e), "Color not in color table");
    }
  }
}

TEST(GifEncode, LzwStaysWithinTwelveBitsAndClears) {
  // A long, varied frame: our decoder checks that codes never need more than 12 bits, and the
  // stream holds clear codes after the start.
  std::mt19937 rng(11);
  TGIFImage image;
  auto* f = new TGIFSubImage(&image);
  f->SetBounds(0, 0, 512, 256);
  for (int i = 0; i < 256; ++i) f->ColorMap.Add(RGBColor(i, i, i));
  for (auto& p : f->Data) p = uint8_t(rng());
  image.Add(f);
  auto back = LoadGif(SaveGif(image));
  EXPECT_EQ(back->Image->Images[0]->Data, f->Data);
}

}  // namespace

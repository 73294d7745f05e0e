// The program's GIF picture class and the regional LZW test.
#include <gtest/gtest.h>

#include "helpers/zqv_gif.h"
#include "platform/streams.h"

namespace {

TEST(ZQVGif, RegionalLzwTest) {
  const double may22at2300 = 38129.0 + 23.0 / 24.0;
  const double may23 = 38130.5;
  struct Case {
    const char* Country;
    double When;
    bool Allowed;
  };
  const Case cases[] = {{"USA", 30000.0, true},        {"", 30000.0, true},          {"DEU", may22at2300, false},
                        {"DEU", may23, true},          {"can", 38148.99, false},     {"CAN", 38149.0, true},
                        {"JPN", 38131.9, false},       {"JPN", 38131.92, true},      {"SWE", may22at2300, false},
                        {"CHE", may22at2300, true}};
  for (const Case& c : cases) EXPECT_EQ(GifLzwAllowedAt(c.Country, c.When), c.Allowed) << c.Country << " " << c.When;
  // Today is long past every cut-off.
  EXPECT_TRUE(GifLzwAllowed());
}

// Writes a frame of alternating pixels and returns the file.
std::vector<uint8_t> Written(TGIFImage& image) {
  auto* f = new TGIFSubImage(&image);
  f->SetBounds(0, 0, 64, 8);
  f->ColorMap.ImportPalette(MakePalette({clBlack, clWhite}));
  for (size_t i = 0; i < f->Data.size(); ++i) f->Data[i] = uint8_t(i % 2);
  image.Add(f);
  TMemoryStream s;
  image.SaveToStream(s);
  return s.Data;
}

TEST(ZQVGif, DefaultsAndCoding) {
  TZQVGif lzw(true), rle(false);
  EXPECT_EQ(lzw.Coding, gcLZW);
  EXPECT_EQ(rle.Coding, gcRLE);
  EXPECT_EQ(rle.ColorReduction, rmOctreeWindows);
  EXPECT_EQ(rle.ReductionBits, 8);
  EXPECT_EQ(rle.DitherMode, dkNearest);

  TGIFImage plainRle;
  plainRle.Coding = gcRLE;
  TGIFImage plainLzw;
  EXPECT_EQ(Written(rle), Written(plainRle));
  EXPECT_EQ(Written(lzw), Written(plainLzw));
  EXPECT_NE(Written(plainRle), Written(plainLzw));

  TZQVGif made;
  EXPECT_EQ(made.Coding, gcLZW) << "the regional test passes today";
}

TEST(ZQVGif, RegisteredForZqgFiles) {
  RegisterZQVGif();
  auto g = CreateGraphicForFile("page.zqg");
  EXPECT_TRUE(dynamic_cast<TZQVGif*>(g.get()));
  bool listed = false;
  for (const auto& f : RegisteredFileFormats())
    if (f.Extension == ".ZQG") listed = f.Description == "ZQVWare picture file";
  EXPECT_TRUE(listed);
}

}  // namespace

// Display names of graphic classes and the bounds of turned objects.
#include <gtest/gtest.h>

#include <memory>

#include "codecs/gif_image.h"
#include "codecs/jpeg_image.h"
#include "codecs/png_image.h"
#include "helpers/zqv_gif.h"
#include "page/graphic_names.h"
#include "platform/bitmap.h"
#include "platform/metafile.h"

TEST(GraphicNames, EachClassHasItsName) {
  TMetafile meta;
  TBitmap bmp;
  TPNGImage png;
  TJPEGImage jpeg;
  TZQVGif zgif;
  TGIFImage gif;
  struct Case { const TGraphic* g; const char* name; } cases[] = {
      {&meta, "Metafile Image"}, {&bmp, "Bitmap Image"}, {&png, "PNG Image"}, {&jpeg, "JPeg Image"},
      {&gif, "GIF Image"}, {&zgif, "ZQV Image"}, {nullptr, "Unknown Graphics Format"},
  };
  for (const Case& c : cases) {
    std::string name;
    GraphicClassName(c.g, name);
    EXPECT_EQ(name, c.name);
  }
}

TEST(GraphicNames, QuarterTurnsSwapTheSize) {
  const TRect r(10, 20, 110, 70);
  EXPECT_EQ(QuarterTurnedBounds(r, 0), TRect(10, 20, 60, 120));
  EXPECT_EQ(QuarterTurnedBounds(r, 1), r);
  EXPECT_EQ(QuarterTurnedBounds(r, 2), TRect(10, 20, 60, 120));
}

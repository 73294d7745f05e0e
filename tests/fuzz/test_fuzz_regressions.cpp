// Every seed of the fuzz targets and every input a fuzz run has found (fuzz/seeds/<target> and
// fuzz/regressions/<target>) runs through the target's own code here, under the sanitizers of
// the test build; and the picture limit that keeps the picture targets fast refuses pictures
// above it with the readers' messages.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "codecs/gif_image.h"
#include "codecs/picture_limits.h"
#include "codecs/png_image.h"
#include "codecs/test_gif_support.h"
#include "platform/canvas.h"
#include "platform/curve_limit.h"
#include "platform/streams.h"

extern "C" int FuzzOne_gif(const uint8_t* data, size_t size);
extern "C" int FuzzOne_png(const uint8_t* data, size_t size);
extern "C" int FuzzOne_compress(const uint8_t* data, size_t size);
extern "C" int FuzzOne_ini_file(const uint8_t* data, size_t size);
extern "C" int FuzzOne_metafile(const uint8_t* data, size_t size);
extern "C" int FuzzOne_shapes_stream(const uint8_t* data, size_t size);
extern "C" int FuzzOne_text_clipboard(const uint8_t* data, size_t size);
extern "C" int FuzzOne_macro_file(const uint8_t* data, size_t size);

namespace {

int RunFolder(const QString& folder, int (*target)(const uint8_t*, size_t)) {
  int files = 0;
  const QDir dir(QString(KV_SOURCE_DIR) + "/fuzz/" + folder);
  for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::ReadOnly)) ADD_FAILURE() << "cannot read " << name.toStdString();
    const QByteArray bytes = f.readAll();
    SCOPED_TRACE(name.toStdString());
    EXPECT_EQ(target(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())), 0);
    ++files;
  }
  return files;
}

}  // namespace

TEST(FuzzTargets, SeedsAndFoundInputsRunCleanly) {
  struct TTarget {
    const char* Name;
    int (*Run)(const uint8_t*, size_t);
  } targets[] = {{"gif", FuzzOne_gif}, {"png", FuzzOne_png}, {"compress", FuzzOne_compress}, {"ini_file", FuzzOne_ini_file},
                   {"metafile", FuzzOne_metafile}, {"shapes_stream", FuzzOne_shapes_stream},
                   {"text_clipboard", FuzzOne_text_clipboard},
                   {"macro_file", FuzzOne_macro_file}};
  for (const TTarget& t : targets) {
    SCOPED_TRACE(t.Name);
    EXPECT_GT(RunFolder(QString("seeds/") + t.Name, t.Run), 0) << "every target has seeds";
    RunFolder(QString("regressions/") + t.Name, t.Run);
  }
  EXPECT_EQ(MaxPicturePixels, DefaultMaxPicturePixels) << "the targets put the picture limit back";
  EXPECT_EQ(MostCurvePoints(), 1 << 16) << "the metafile target puts the curve limit back";
}

TEST(FuzzTargets, CurveLimitBoundsOutlinesForItsTime) {
  const size_t full = TCanvas::EllipsePoints(0, 0, 200000, 100000).size();
  EXPECT_GT(full, 60000u);
  {
    const TCurveDetailLimit limit(512);
    EXPECT_LE(TCanvas::EllipsePoints(0, 0, 200000, 100000).size(), 512u);
    EXPECT_LE(TCanvas::ArcPoints(0, 0, 200000, 100000, 0, 0, 200000, 0, false).size(), 513u);  // and its end
    EXPECT_EQ(TCanvas::EllipsePoints(0, 0, 10, 10), [] {
      const TCurveDetailLimit none(1 << 16);
      return TCanvas::EllipsePoints(0, 0, 10, 10);
    }()) << "small outlines are not touched";
  }
  EXPECT_EQ(TCanvas::EllipsePoints(0, 0, 200000, 100000).size(), full);
}

TEST(FuzzTargets, PictureLimitRefusesLargerPictures) {
  const TPictureLimit limit(399);
  // A 20 x 20 GIF frame and a 20 x 20 PNG: one pixel over the limit.
  const giftest::Bytes gif =
      giftest::GifBuilder().Header(20, 20, giftest::Grey4()).Image(0, 0, 20, 20, giftest::PlainRaster(2, giftest::Bytes(400, 1))).Trailer().B;
  TGIFImage image;
  TBytesStream gifStream(gif.data(), gif.size());
  try {
    image.LoadFromStream(gifStream);
    ADD_FAILURE() << "the GIF frame was taken";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Frame size exceeds the supported maximum");
  }
  TBitmap bitmap(20, 20, pf24bit);
  TPNGImage png;
  png.Assign(bitmap);
  TMemoryStream file;
  png.SaveToStream(file);
  TPNGImage back;
  file.SetPosition(0);
  try {
    back.LoadFromStream(file);
    ADD_FAILURE() << "the PNG was taken";
  } catch (const EPNGImageException& e) {
    EXPECT_EQ(e.Message, "Portable Network Graphics format handler error\r\n\r\nThe image size in the IHDR chunk is invalid or too large.");
  }
  // At the limit both are read.
  const TPictureLimit enough(400);
  TBytesStream again(gif.data(), gif.size());
  image.LoadFromStream(again);
  EXPECT_EQ(image.Images.Count(), 1);
  file.SetPosition(0);
  back.LoadFromStream(file);
  EXPECT_EQ(back.Width(), 20);
}

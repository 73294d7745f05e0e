// JPEG picture over libjpeg: quality and progressive mode, reading back close to the source,
// libjpeg's own djpeg reading what we write, grey pictures and damaged data; the progressive
// writer against libjpeg's own multi-scan coder.
#include <gtest/gtest.h>

#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstdlib>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include "codecs/jpeg_image.h"
#include "platform/streams.h"

namespace {

// A smooth picture with some edges, as photographs have.
TBitmap Scene(int w, int h) {
  TBitmap bmp(w, h, pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int r = int(128 + 100 * std::sin(x * 0.05)), g = int(128 + 100 * std::cos(y * 0.07));
      const int b = int(128 + 80 * std::sin((x + y) * 0.03)) + ((x / 24 + y / 24) % 2 ? 20 : -20);
      bmp.SetPixel(x, y, RGBColor(r, g, b));
    }
  return bmp;
}

double Psnr(const TBitmap& a, const TBitmap& b) {
  double sum = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      const TColor p = a.Pixel(x, y), q = b.Pixel(x, y);
      const int d[3] = {GetRValue(p) - GetRValue(q), GetGValue(p) - GetGValue(q), GetBValue(p) - GetBValue(q)};
      for (int v : d) sum += v * v;
    }
  const double mse = sum / (3.0 * a.Width() * a.Height());
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::vector<uint8_t> Save(TJPEGImage& jpeg) {
  TMemoryStream out;
  jpeg.SaveToStream(out);
  return out.Data;
}

bool HasMarker(const std::vector<uint8_t>& d, uint8_t marker) {
  for (size_t i = 0; i + 1 < d.size(); ++i)
    if (d[i] == 0xFF && d[i + 1] == marker) return true;
  return false;
}

// libjpeg's own progressive coding of an RGB32 picture by spectral selection: the DC coefficients
// of every component in one scan, then coefficients 1..63 of each component in a scan of its own.
std::vector<uint8_t> LibjpegProgressive(const QImage& image, int quality, bool grey) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = JDIMENSION(image.width());
  cinfo.image_height = JDIMENSION(image.height());
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&cinfo);
  if (grey) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  jpeg_set_quality(&cinfo, quality, TRUE);
  static const jpeg_scan_info colour[] = {{3, {0, 1, 2, 0}, 0, 0, 0, 0},
                                          {1, {0, 0, 0, 0}, 1, 63, 0, 0},
                                          {1, {1, 0, 0, 0}, 1, 63, 0, 0},
                                          {1, {2, 0, 0, 0}, 1, 63, 0, 0}};
  static const jpeg_scan_info mono[] = {{1, {0, 0, 0, 0}, 0, 0, 0, 0}, {1, {0, 0, 0, 0}, 1, 63, 0, 0}};
  cinfo.scan_info = grey ? mono : colour;
  cinfo.num_scans = grey ? 2 : 4;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> data(out, out + size);
  std::free(out);
  return data;
}

// A page: white with dark bars and a coloured block, whose blocks are mostly empty (long runs of
// blocks without AC coefficients).
TBitmap PageLike(int w, int h) {
  TBitmap bmp(w, h, pf24bit);
  QImage& image = bmp.Image();
  image.fill(Qt::white);
  QPainter p(&image);
  for (int y = 9; y < h; y += 18) p.fillRect(5, y, w - 12, 9, QColor(20, 20, 20));
  p.fillRect(w / 4, h / 3, w / 4, h / 6, QColor(200, 30, 30));
  return bmp;
}

}  // namespace

// The progressive writer codes libjpeg's coefficients itself: its files are byte for byte the ones
// libjpeg writes with the same scans, over picture sizes that leave partial blocks and MCUs at
// either edge, grey and colour, qualities from the lowest (tables with steps above 255 cut to
// 255) to the highest (the largest coefficients and categories), and a page with runs of empty
// blocks longer than one count can hold.
TEST(JpegImage, ProgressiveWriterMatchesLibjpegsMultiScanCoder) {
  struct Case {
    const char* name;
    TBitmap picture;
  };
  Case pictures[] = {{"1x1", Scene(1, 1)},
                     {"7x9", Scene(7, 9)},
                     {"17x33", Scene(17, 33)},
                     {"333x257", Scene(333, 257)},
                     {"noise", Scene(64, 48)},
                     {"page", PageLike(794, 1123)},
                     {"blank", TBitmap(2048, 1200, pf24bit)}};
  // Noise: the largest coefficients. Blank: more empty blocks in a row than one EOB run counts.
  TBitmap& noise = pictures[4].picture;
  TBitmap& blank = pictures[6].picture;
  blank.Image().fill(Qt::white);
  blank.Image().setPixel(2040, 1190, qRgb(0, 0, 0));
  uint32_t r = 1;
  for (int y = 0; y < noise.Height(); ++y)
    for (int x = 0; x < noise.Width(); ++x) {
      r = r * 1103515245u + 12345u;
      noise.SetPixel(x, y, TColor(r >> 8 & 0xFFFFFF));
    }
  for (const Case& c : pictures)
    for (bool grey : {false, true})
      for (int quality : {1, 5, 75, 100}) {
        if (c.picture.Width() > 1000 && quality != 75) continue;
        SCOPED_TRACE(testing::Message() << c.name << " grey " << grey << " quality " << quality);
        TJPEGImage jpeg;
        jpeg.SetProgressiveEncoding(true);
        jpeg.SetGrayscale(grey);
        jpeg.SetCompressionQuality(quality);
        jpeg.Assign(c.picture);
        const auto ours = Save(jpeg);
        const QImage rgb = c.picture.Image().convertToFormat(QImage::Format_RGB32);
        EXPECT_TRUE(ours == LibjpegProgressive(rgb, quality, grey));
      }
}

TEST(JpegImage, QualityProgressiveAndReadBack) {
  const TBitmap source = Scene(96, 64);
  QTemporaryDir dir;
  size_t previousSize = 0;
  for (int quality : {20, 75, 95}) {
    for (bool progressive : {false, true}) {
      SCOPED_TRACE(testing::Message() << "quality " << quality << " progressive " << progressive);
      TJPEGImage jpeg;
      jpeg.SetCompressionQuality(quality);
      jpeg.SetProgressiveEncoding(progressive);
      jpeg.Assign(source);
      // A grey progressive picture has its own scans; it must read back as well.
      if (quality == 20 && progressive) {
        TJPEGImage grey;
        grey.SetProgressiveEncoding(true);
        grey.SetGrayscale(true);
        grey.Assign(source);
        const auto greyFile = Save(grey);
        EXPECT_TRUE(HasMarker(greyFile, 0xC2));
        TJPEGImage back;
        TBytesStream in(greyFile.data(), greyFile.size());
        back.LoadFromStream(in);
        EXPECT_EQ(back.Width(), 96);
        const QString name = dir.path() + "/grey.jpg";
        WriteFileAtomically(name.toStdString(), greyFile.data(), greyFile.size());
        QProcess p;
        p.start("/usr/bin/djpeg", {"-outfile", dir.path() + "/grey.pgm", name});
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
      }
      const auto file = Save(jpeg);
      EXPECT_EQ(HasMarker(file, 0xC2), progressive);  // progressive frame header
      EXPECT_EQ(HasMarker(file, 0xC0), !progressive);
      if (!progressive) {
        EXPECT_GT(file.size(), previousSize);  // higher quality, larger file
        previousSize = file.size();
      }
      TJPEGImage back;
      TBytesStream in(file.data(), file.size());
      back.LoadFromStream(in);
      EXPECT_EQ(back.Width(), 96);
      EXPECT_EQ(back.Height(), 64);
      EXPECT_GT(Psnr(source, back.Bitmap()), quality >= 95 ? 38.0 : quality >= 75 ? 32.0 : 26.0);
      // libjpeg's own decoder reads it.
      const QString name = dir.path() + QString("/q%1_%2.jpg").arg(quality).arg(progressive);
      WriteFileAtomically(name.toStdString(), file.data(), file.size());
      if (QFile::exists("/usr/bin/djpeg")) {
        QProcess p;
        p.start("/usr/bin/djpeg", {"-outfile", dir.path() + "/out.ppm", name});
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        const auto ppm = ReadWholeFile((dir.path() + "/out.ppm").toStdString());
        EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + 2), "P6");
      }
    }
  }
}

TEST(JpegImage, LoadedDataIsWrittenUnchangedUntilASettingChanges) {
  TJPEGImage jpeg;
  jpeg.Assign(Scene(40, 30));
  const auto first = Save(jpeg);
  TJPEGImage loaded;
  TBytesStream in(first.data(), first.size());
  loaded.LoadFromStream(in);
  EXPECT_EQ(Save(loaded), first);
  loaded.SetCompressionQuality(30);
  EXPECT_NE(Save(loaded), first);
  EXPECT_EQ(loaded.CompressionQuality(), 30);
  loaded.SetCompressionQuality(500);
  EXPECT_EQ(loaded.CompressionQuality(), 100);
  // Copies carry data and settings.
  TJPEGImage copy;
  copy.Assign(loaded);
  EXPECT_EQ(copy.CompressionQuality(), 100);
  EXPECT_EQ(Save(copy), Save(loaded));
}

TEST(JpegImage, Grayscale) {
  TJPEGImage jpeg;
  jpeg.SetGrayscale(true);
  jpeg.Assign(Scene(32, 32));
  const auto file = Save(jpeg);
  TJPEGImage back;
  TBytesStream in(file.data(), file.size());
  back.LoadFromStream(in);
  EXPECT_EQ(back.Bitmap().PixelFormat(), pf8bit);
  const TColor c = back.Bitmap().Pixel(5, 5);
  EXPECT_EQ(GetRValue(c), GetGValue(c));
  EXPECT_EQ(GetGValue(c), GetBValue(c));
  // A colour picture decoded as grey on request.
  TJPEGImage colour;
  colour.Assign(Scene(32, 32));
  const auto colourFile = Save(colour);
  TJPEGImage grey;
  TBytesStream in2(colourFile.data(), colourFile.size());
  grey.LoadFromStream(in2);
  EXPECT_EQ(grey.Bitmap().PixelFormat(), pf24bit);
  grey.SetGrayscale(true);
  EXPECT_EQ(grey.Bitmap().PixelFormat(), pf8bit);
}

TEST(JpegImage, DamagedDataFailsCleanly) {
  TJPEGImage jpeg;
  jpeg.Assign(Scene(64, 64));
  auto file = Save(jpeg);
  const std::vector<uint8_t> garbage = {0xFF, 0xD8, 0x12, 0x34, 0x56};
  TJPEGImage bad;
  TBytesStream in(garbage.data(), garbage.size());
  EXPECT_THROW(bad.LoadFromStream(in), EJPEG);
  EXPECT_TRUE(bad.Empty());
  // Cut short: the header reads, the pixels decode as far as they go (libjpeg's warning).
  size_t sos = 0;
  for (size_t i = 0; i + 1 < file.size() && !sos; ++i)
    if (file[i] == 0xFF && file[i + 1] == 0xDA) sos = i;
  ASSERT_GT(sos, 0u);
  file.resize(sos + 60);
  TJPEGImage half;
  TBytesStream in2(file.data(), file.size());
  half.LoadFromStream(in2);
  EXPECT_EQ(half.Bitmap().Width(), 64);
  // An empty picture cannot be compressed.
  TJPEGImage empty;
  EXPECT_THROW(Save(empty), EJPEG);
}

TEST(JpegImage, NewJpegFromBitmapCompressesProgressiveAtOnce) {
  const TBitmap source = Scene(48, 32);
  TJPEGImage slow;  // a JPEG at quality 30, not progressive: its settings must not carry over
  slow.SetCompressionQuality(30);
  slow.Assign(source);
  slow.Compress();
  const struct {
    const TGraphic* graphic;
    int quality, expect;
  } cases[] = {{&source, 150, 100}, {&source, 101, 100}, {&source, 100, 100}, {&source, 40, 40}, {&slow, 80, 80}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "quality " << c.quality);
    const std::unique_ptr<TJPEGImage> jpeg = NewJpegFromBitmap(*c.graphic, c.quality);
    EXPECT_EQ(jpeg->CompressionQuality(), c.expect);
    EXPECT_TRUE(jpeg->ProgressiveEncoding());
    ASSERT_FALSE(jpeg->Data().empty());  // compressed already
    EXPECT_TRUE(HasMarker(jpeg->Data(), 0xC2));
    EXPECT_EQ(jpeg->Width(), 48);
    // The same bytes as compressing the pixels by hand with those settings.
    TJPEGImage byHand;
    byHand.SetCompressionQuality(c.expect);
    byHand.SetProgressiveEncoding(true);
    byHand.Assign(c.graphic == &source ? source : slow.Bitmap());
    EXPECT_EQ(jpeg->Data(), Save(byHand));
  }
  EXPECT_THROW(NewJpegFromBitmap(TBitmap(), 75), EJPEG);  // nothing to compress: a clear error
}

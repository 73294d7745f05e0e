// The same figure list drawn on the raster canvas and through the device back-end into a PDF,
// rendered by an independent reader (pdftoppm), puts ink in the same places.
#include <gtest/gtest.h>

#include <QPageSize>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "cad_drawing_support.h"
#include "platform/device_canvas.h"
#include "platform/metafile.h"
#include "support/metafile_support.h"
#include "platform/streams.h"

#ifdef KV_HAVE_EMF2SVG
#include <emf2svg.h>
#endif

namespace {
bool InkPixel(const QImage& img, int x, int y) {
  if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) return false;
  const QRgb c = img.pixel(x, y);
  return qRed(c) < 230 || qGreen(c) < 230 || qBlue(c) < 230;
}

QRect InkBox(const QImage& img) {
  int l = img.width(), t = img.height(), r = -1, b = -1;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (InkPixel(img, x, y)) l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
  return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

// img mapped so that its ink box falls on the ink box of like (nearest pixel).
QImage AlignedByInk(const QImage& img, const QImage& like) {
  if (img.isNull()) return img;
  const QRect from = InkBox(img), to = InkBox(like);
  if (from.isEmpty() || to.isEmpty()) return QImage();
  QImage out(like.size(), QImage::Format_RGB32);
  out.fill(Qt::white);
  for (int y = to.top(); y <= to.bottom(); ++y)
    for (int x = to.left(); x <= to.right(); ++x) {
      const int sx = from.left() + int(std::lround(double(x - to.left()) * std::max(1, from.width() - 1) / std::max(1, to.width() - 1)));
      const int sy = from.top() + int(std::lround(double(y - to.top()) * std::max(1, from.height() - 1) / std::max(1, to.height() - 1)));
      out.setPixel(x, y, img.pixel(sx, sy));
    }
  return out;
}

// Outline pixels: dark ink (the fills of these figures are light).
bool DarkPixel(const QImage& img, int x, int y) {
  if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) return false;
  return qGray(img.pixel(x, y)) < 100;
}

// Ink pixels of a that have no ink of b within d pixels.
int Unmatched(const QImage& a, const QImage& b, int d, bool (*ink)(const QImage&, int, int) = InkPixel) {
  int count = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      if (!ink(a, x, y)) continue;
      bool found = false;
      for (int dy = -d; dy <= d && !found; ++dy)
        for (int dx = -d; dx <= d && !found; ++dx) found = ink(b, x + dx, y + dy);
      if (!found) ++count;
    }
  return count;
}
}  // namespace

class DrawingDevices : public CadDrawTest {
protected:
  // The figure list of the comparisons, drawn on the raster canvas (300 x 300 pixels).
  void DrawList() {
    SetScale(150);
    // All inside the picture: a reader that sizes the picture to its drawing sees the same extent.
    for (int kind : {1, 3, 6, 8, 10, 15, 22, 23, 25, 27, 32, 38, 43, 46, 47, 50, 53}) {
      auto f = ExampleFigure(*Engine, kind);
      if (kind == 22) f->GridCellsX = f->GridCellsY = 4;
      Engine->AddFigure(f.get());
    }
    Engine->DrawAll(*Canvas, 0, 0, false);
  }
  int InkCount() const {
    int ink = 0;
    for (int y = 0; y < Image.height(); ++y)
      for (int x = 0; x < Image.width(); ++x) ink += InkPixel(Image, x, y);
    return ink;
  }
  // An SVG rendered by rsvg-convert at the raster canvas's size.
  QImage RenderSvg(const QString& svg, const QTemporaryDir& dir) {
    const QString rsvg = QStandardPaths::findExecutable("rsvg-convert");
    if (rsvg.isEmpty()) return QImage();
    QProcess p;
    p.start(rsvg, {"-w", "300", "-h", "300", "-b", "white", "-o", dir.filePath("svg.png"), svg});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return QImage();
    return QImage(dir.filePath("svg.png")).convertToFormat(QImage::Format_RGB32);
  }
  // The figure list recorded as a metafile of 300 x 300 pixels.
  TMetafile Recorded() {
    TMetafile m;
    TMetafileCanvas mc(m, 300, 300, 96);
    Engine->DrawAll(mc, 0, 0, false);
    mc.Finish();
    return m;
  }
};

TEST_F(DrawingDevices, RasterAndPdfPutInkInTheSamePlaces) {
  const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
  if (pdftoppm.isEmpty()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
  DrawList();

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString pdf = dir.filePath("figures.pdf");
  {
    QPdfWriter writer(pdf);
    writer.setResolution(96);
    writer.setPageSize(QPageSize(QSizeF(300.0 / 96, 300.0 / 96), QPageSize::Inch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    auto device = CreateDeviceCanvas(&writer, 96);
    Engine->DrawAll(*device, 0, 0, false);
  }
  QProcess p;
  p.start(pdftoppm, {"-r", "96", "-aa", "no", "-aaVector", "no", "-png", "-singlefile", pdf, dir.filePath("page")});
  ASSERT_TRUE(p.waitForFinished(60000));
  ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  const QImage rendered(dir.filePath("page.png"));
  ASSERT_FALSE(rendered.isNull());
  ASSERT_EQ(rendered.size(), Image.size());
  const int ink = InkCount();
  ASSERT_GT(ink, 2000);
  // Within two pixels either way; a handful of stray end pixels is allowed for.
  EXPECT_LE(Unmatched(Image, rendered, 2), ink / 200);
  EXPECT_LE(Unmatched(rendered, Image, 2), ink / 200);
}

TEST_F(DrawingDevices, MetafilePlayedBackPutsInkWhereTheRasterDrawingDoes) {
  DrawList();
  const QImage raster = Image.copy();
  const int ink = InkCount();
  TMetafile m = Recorded();
  for (bool enhanced : {true, false}) {
    SCOPED_TRACE(enhanced);
    TMetafile loaded = ReloadedMetafile(m, enhanced);
    Image.fill(Qt::white);
    loaded.Draw(*Canvas, TRect(0, 0, 300, 300));
    EXPECT_LE(Unmatched(raster, Image, 2), ink / 200);
    EXPECT_LE(Unmatched(Image, raster, 2), ink / 200);
  }
}

TEST_F(DrawingDevices, IndependentReadersRenderOurMetafilesWithInkInTheSamePlaces) {
  DrawList();
  const QImage raster = Image.copy();
  const int ink = InkCount();
  TMetafile m = Recorded();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  int checked = 0;
#ifdef KV_HAVE_EMF2SVG
  {
    generatorOptions options{};
    options.svgDelimiter = true;
    options.imgWidth = 300;
    options.imgHeight = 300;
    char* out = nullptr;
    size_t outLength = 0;
    std::vector<char> bytes(m.Records.begin(), m.Records.end());
    ASSERT_EQ(emf2svg(bytes.data(), bytes.size(), &out, &outLength, &options), 1);
    const std::string svg(out, outLength);
    free(out);
    WriteFileAtomically(dir.filePath("emf.svg").toStdString(), svg.data(), svg.size());
    const QImage rendered = RenderSvg(dir.filePath("emf.svg"), dir);
    if (!rendered.isNull()) {
      EXPECT_LE(Unmatched(raster, rendered, 2), ink / 50) << "libemf2svg";
      EXPECT_LE(Unmatched(rendered, raster, 2), ink / 50) << "libemf2svg";
      ++checked;
    }
  }
#endif
  // libwmf draws the old-style file with its own rasteriser (its SVG output fills polylines).
  const QString wmf2gd = QStandardPaths::findExecutable("wmf2gd");
  if (!wmf2gd.isEmpty()) {
    const std::vector<uint8_t> old = m.OldFileImage();
    WriteFileAtomically(dir.filePath("figures.wmf").toStdString(), old.data(), old.size());
    QProcess p;
    p.start(wmf2gd, {"-t", "png", "--maxwidth=300", "--maxheight=300", "--maxpect", "-o", dir.filePath("wmf.png"),
                     dir.filePath("figures.wmf")});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    // libwmf sizes its picture to the drawing's own extent: the two are laid over each other by
    // their ink before the places are compared.
    const QImage rendered =
        AlignedByInk(QImage(dir.filePath("wmf.png")).convertToFormat(QImage::Format_RGB32), raster);
    ASSERT_FALSE(rendered.isNull());
    // Outlines are compared: libwmf's own rasteriser leaves the insides of ellipses unfilled.
    int dark = 0;
    for (int y = 0; y < raster.height(); ++y)
      for (int x = 0; x < raster.width(); ++x) dark += DarkPixel(raster, x, y);
    EXPECT_LE(Unmatched(raster, rendered, 2, DarkPixel), dark / 50) << "libwmf";
    EXPECT_LE(Unmatched(rendered, raster, 2, DarkPixel), dark / 50) << "libwmf";
    ++checked;
  }
  if (checked == 0) GTEST_SKIP() << "no independent metafile reader is installed";
}

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

namespace {
bool InkPixel(const QImage& img, int x, int y) {
  if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) return false;
  const QRgb c = img.pixel(x, y);
  return qRed(c) < 230 || qGreen(c) < 230 || qBlue(c) < 230;
}

// Ink pixels of a that have no ink of b within d pixels.
int Unmatched(const QImage& a, const QImage& b, int d) {
  int count = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      if (!InkPixel(a, x, y)) continue;
      bool found = false;
      for (int dy = -d; dy <= d && !found; ++dy)
        for (int dx = -d; dx <= d && !found; ++dx) found = InkPixel(b, x + dx, y + dy);
      if (!found) ++count;
    }
  return count;
}
}  // namespace

using DrawingDevices = CadDrawTest;

TEST_F(DrawingDevices, RasterAndPdfPutInkInTheSamePlaces) {
  const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
  if (pdftoppm.isEmpty()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
  SetScale(150);  // 300 x 300 pixels
  for (int kind : {1, 3, 6, 8, 10, 14, 22, 23, 25, 27, 32, 38, 43, 46, 47, 50, 53}) {
    auto f = ExampleFigure(*Engine, kind);
    if (kind == 22) f->GridCellsX = f->GridCellsY = 4;
    Engine->AddFigure(f.get());
  }
  Engine->DrawAll(*Canvas, 0, 0, false);

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
  int ink = 0;
  for (int y = 0; y < Image.height(); ++y)
    for (int x = 0; x < Image.width(); ++x) ink += InkPixel(Image, x, y);
  ASSERT_GT(ink, 2000);
  // Within two pixels either way; a handful of stray end pixels is allowed for.
  EXPECT_LE(Unmatched(Image, rendered, 2), ink / 200);
  EXPECT_LE(Unmatched(rendered, Image, 2), ink / 200);
}

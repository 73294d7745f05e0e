// Repainting a page that holds four 2,000 x 1,500 pictures (PNG, JPEG, GIF, BMP) and four image
// objects made from the same files, beside the reference of the same work: the files decoded once
// with Qt's own readers and drawn scaled with QPainter. Also the repaint when nothing changed (the
// page image paints its composed bitmap).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "app/startup.h"
#include "helpers/page_surface.h"
#include "helpers/picture_export.h"
#include "platform/app_dir.h"
#include "platform/bitmap.h"
#include "platform/messages.h"
#include "platform/streams.h"
#include "widgets_bench_main.h"

namespace {
QTemporaryDir& Folder() {
  static QTemporaryDir dir;
  return dir;
}
std::string PathOf(const std::string& name) { return Folder().filePath(QString::fromStdString(name)).toStdString(); }

// The four picture files, written once.
const std::vector<std::string>& PictureFiles() {
  static std::vector<std::string> files;
  if (!files.empty()) return files;
  QImage img(2000, 1500, QImage::Format_RGB32);
  for (int y = 0; y < 1500; ++y)
    for (int x = 0; x < 2000; ++x) img.setPixel(x, y, qRgb(x & 255, (y / 6) & 255, ((x / 8) * (y / 8)) & 255));
  TBitmap bitmap;
  bitmap.SetImage(img);
  for (const char* ext : {".png", ".jpg", ".gif", ".bmp"}) {
    const std::string name = PathOf(std::string("picture") + ext);
    if (std::string(ext) == ".gif") WriteGifPicture(bitmap, name);
    else if (std::string(ext) == ".jpg") WriteJpegPicture(bitmap, name, 75);
    else if (std::string(ext) == ".png") WritePngPicture(bitmap, name);
    else WriteBitmapPicture(bitmap, name);
    files.push_back(name);
  }
  return files;
}

TRect PictureRect(int i) { return {20 + 190 * i, 40, 200 + 190 * i, 175}; }
TRect ObjectRect(int i) { return {20 + 190 * i, 600, 200 + 190 * i, 735}; }

TForm1* PicturePage() {
  static TForm1* form = nullptr;
  if (form) return form;
  static TMessageRecorderScope quiet;
  WriteFileAtomically(AppDir() + "MnSymFt.dat", "Symbol\r\n", 8);
  form = CreateStartupWindows();
  form->FillCanvas();
  const auto& files = PictureFiles();
  for (int i = 0; i < 4; ++i) {
    Pictures[size_t(i)].SetName(files[size_t(i)]);
    Pictures[size_t(i)].Rect = TStoredRect::From(PictureRect(i));
    form->LoadImageObject(files[size_t(i)], TPoint(ObjectRect(i).Left, ObjectRect(i).Top));
  }
  form->PictureCount = 4;
  form->DeselectImage(form, true);
  return form;
}

void BM_RepaintPicturePage(benchmark::State& state) {
  TForm1* form = PicturePage();
  form->RefreshAllImages(nullptr, true);
  for (auto _ : state) form->RefreshAllImages(nullptr, true);
  state.counters["objects"] = form->ImageCount;
}

void BM_PaintUnchangedPage(benchmark::State& state) {
  TForm1* form = PicturePage();
  form->RefreshAllImages(nullptr, true);
  QImage target(form->MainImage->size(), QImage::Format_RGB32);
  for (auto _ : state) {
    form->MainImage->render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
}

void BM_ReferenceQtPictures(benchmark::State& state) {
  TForm1* form = PicturePage();
  std::vector<std::pair<QImage, QRect>> pictures;
  const auto& files = PictureFiles();
  for (int i = 0; i < 4; ++i) {
    const QImage img = QImageReader(QString::fromStdString(files[size_t(i)])).read();
    for (const TRect& r : {PictureRect(i), form->ImageRecs[size_t(i)].Rect.ToRect()})
      pictures.emplace_back(img, QRect(r.Left, r.Top, r.Width(), r.Height()));
  }
  QImage page(form->MainImage->width(), form->MainImage->height(), QImage::Format_RGB32);
  for (auto _ : state) PaintPicturesWithQt(page, pictures);
}
}  // namespace

BENCHMARK(BM_RepaintPicturePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceQtPictures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintUnchangedPage)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunWidgetBenchmarks(argc, argv); }

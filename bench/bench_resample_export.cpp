// The bitmap resampler against QImage::scaled (smooth transformation) on a 4,000 x 3,000 24-bit
// picture, to half and to double size, with the bilinear (triangle) and the widest (Lanczos3)
// filter; and the page export to PNG and JPEG against QImage::save, side by side in one run. The
// JPEG export is also measured apart from its file (compressed in memory against QImage::save into
// a buffer), and against QImage::save through QSaveFile, which like our writer writes a temporary
// file, syncs it to the disk and renames it over the target.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QThreadPool>
#include <random>

#include "codecs/jpeg_image.h"
#include "helpers/picture_export.h"
#include "helpers/resampler.h"
#include "platform/streams.h"

namespace {

TBitmap& Photo() {
  static TBitmap b = [] {
    TBitmap bm(4000, 3000, pf24bit);
    std::mt19937 rng(7);
    for (int y = 0; y < bm.Height(); ++y) {
      uint8_t* p = bm.ScanLine(y);
      for (int x = 0; x < bm.Width(); ++x) {
        p[x * 4 + 0] = uint8_t((x + y) / 32 + rng() % 16);
        p[x * 4 + 1] = uint8_t(x / 16);
        p[x * 4 + 2] = uint8_t(y / 12);
      }
    }
    return bm;
  }();
  return b;
}

void BM_Resample(benchmark::State& state) {
  const int filter = int(state.range(0));
  const double factor = state.range(1) / 2.0;
  TBitmap& src = Photo();
  for (auto _ : state) {
    TBitmap dst;
    ResampleBitmap(int(4000 * factor), int(3000 * factor), uint8_t(filter), 0, src, dst);
    benchmark::DoNotOptimize(dst.ScanLine(0));
  }
}
BENCHMARK(BM_Resample)->Args({1, 1})->Args({1, 4})->Args({5, 1})->Args({5, 4})->Unit(benchmark::kMillisecond);

// The same on the calling thread alone, with and without the processor's wide vectors: the
// work itself, apart from how many processors the machine has free.
void BM_ResampleOneThread(benchmark::State& state) {
  const double factor = state.range(1) / 2.0;
  TBitmap& src = Photo();
  const int threads = QThreadPool::globalInstance()->maxThreadCount();
  QThreadPool::globalInstance()->setMaxThreadCount(1);
  const bool wide = ResamplerUseWideVectors(state.range(2) != 0);
  for (auto _ : state) {
    TBitmap dst;
    ResampleBitmap(int(4000 * factor), int(3000 * factor), uint8_t(state.range(0)), 0, src, dst);
    benchmark::DoNotOptimize(dst.ScanLine(0));
  }
  ResamplerUseWideVectors(wide);
  QThreadPool::globalInstance()->setMaxThreadCount(threads);
}
BENCHMARK(BM_ResampleOneThread)->Args({1, 1, 0})->Args({1, 1, 1})->Unit(benchmark::kMillisecond);

void BM_QImageScaled(benchmark::State& state) {
  const double factor = state.range(0) / 2.0;
  const QImage& src = Photo().Image();
  for (auto _ : state) {
    QImage dst = src.scaled(int(4000 * factor), int(3000 * factor), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    benchmark::DoNotOptimize(dst.constBits());
  }
}
BENCHMARK(BM_QImageScaled)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// A page-like picture: A4 at 96 dots per inch, white with lines and blocks.
TBitmap& Page() {
  static TBitmap b = [] {
    TBitmap bm(794, 1123, pf24bit);
    QPainter p(&bm.Image());
    p.fillRect(bm.Image().rect(), Qt::white);
    for (int y = 40; y < 1100; y += 18) p.fillRect(60, y, 600 - (y % 200), 9, QColor(20, 20, 20));
    p.fillRect(100, 300, 200, 150, QColor(200, 30, 30));
    return bm;
  }();
  return b;
}

void BM_ExportPng(benchmark::State& state) {
  for (auto _ : state) WritePngPicture(Page(), "/tmp/bench_export.png");
}
void BM_QImageSavePng(benchmark::State& state) {
  for (auto _ : state) Page().Image().save("/tmp/bench_export_qt.png", "PNG");
}
void BM_ExportJpeg(benchmark::State& state) {
  for (auto _ : state) WriteJpegPicture(Page(), "/tmp/bench_export.jpg", 75);
}
void BM_QImageSaveJpeg(benchmark::State& state) {
  for (auto _ : state) Page().Image().save("/tmp/bench_export_qt.jpg", "JPEG", 75);
}
void BM_CompressJpegInMemory(benchmark::State& state) {
  for (auto _ : state) {
    auto jpeg = NewJpegFromBitmap(Page(), 75);
    benchmark::DoNotOptimize(jpeg->Data().data());
  }
}
void BM_QImageSaveJpegInMemory(benchmark::State& state) {
  for (auto _ : state) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    Page().Image().save(&buffer, "JPEG", 75);
    benchmark::DoNotOptimize(data.data());
  }
}
void BM_QImageSaveJpegSafely(benchmark::State& state) {
  for (auto _ : state) {
    QSaveFile file("/tmp/bench_export_qt_safe.jpg");
    file.open(QIODevice::WriteOnly);
    Page().Image().save(&file, "JPEG", 75);
    file.commit();
  }
}
BENCHMARK(BM_ExportPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QImageSavePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QImageSaveJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QImageSaveJpegSafely)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressJpegInMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QImageSaveJpegInMemory)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}

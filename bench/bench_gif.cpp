// GIF decoding and encoding side by side with giflib on the same pictures (among them a 4000 x 3000
// photo), and colour reduction (octree palette, Floyd-Steinberg) of a 4-megapixel photo-like picture.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <QGuiApplication>
#include <cmath>
#include <cstring>
#include <random>

#include "codecs/color_reduction.h"
#include "codecs/gif_image.h"
#include "platform/streams.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Picture {
  int Width = 0, Height = 0;
  Bytes Pixels;                // indices
  std::vector<TColor> Colors;  // palette
  Bytes GiflibFile;            // the picture written by giflib
};

// A photo-like picture: smooth shapes with grain.
TBitmap PhotoBitmap(int w = 2048, int h = 2048) {
  TBitmap b(w, h, pf24bit);
  std::mt19937 rng(1);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      const double fx = x / double(w), fy = y / double(h);
      const int grain = int(rng() % 24) - 12;
      const double r = 128 + 100 * std::sin(fx * 6.1 + fy * 2.3) + grain;
      const double g = 120 + 90 * std::cos(fy * 5.2 - fx * 1.7) + grain;
      const double bl = 110 + 80 * std::sin((fx + fy) * 4.0) * std::cos(fx * 3.0) + grain;
      row[x * 4 + 0] = uint8_t(std::clamp(bl, 0.0, 255.0));
      row[x * 4 + 1] = uint8_t(std::clamp(g, 0.0, 255.0));
      row[x * 4 + 2] = uint8_t(std::clamp(r, 0.0, 255.0));
      row[x * 4 + 3] = 255;
    }
  }
  return b;
}

int ReadMem(GifFileType* gif, GifByteType* buf, int n) {
  auto* s = static_cast<std::pair<const Bytes*, size_t>*>(gif->UserData);
  const size_t k = std::min<size_t>(size_t(n), s->first->size() - s->second);
  std::memcpy(buf, s->first->data() + s->second, k);
  s->second += k;
  return int(k);
}

int WriteMem(GifFileType* gif, const GifByteType* buf, int n) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), buf, buf + n);
  return n;
}

Bytes GiflibEncode(const Picture& p) {
  Bytes out;
  out.reserve(p.Pixels.size() / 2);
  int err = 0;
  GifFileType* gif = EGifOpen(&out, WriteMem, &err);
  std::vector<GifColorType> colors(256, GifColorType{0, 0, 0});
  int n = 2;
  while (n < int(p.Colors.size())) n *= 2;
  for (size_t i = 0; i < p.Colors.size(); ++i)
    colors[i] = {uint8_t(GetRValue(p.Colors[i])), uint8_t(GetGValue(p.Colors[i])), uint8_t(GetBValue(p.Colors[i]))};
  ColorMapObject* map = GifMakeMapObject(n, colors.data());
  EGifPutScreenDesc(gif, p.Width, p.Height, 8, 0, map);
  EGifPutImageDesc(gif, 0, 0, p.Width, p.Height, false, nullptr);
  for (int y = 0; y < p.Height; ++y)
    EGifPutLine(gif, const_cast<GifPixelType*>(p.Pixels.data()) + size_t(y) * size_t(p.Width), p.Width);
  EGifCloseFile(gif, &err);
  GifFreeMapObject(map);
  return out;
}

void GiflibDecode(const Bytes& file) {
  std::pair<const Bytes*, size_t> src{&file, 0};
  int err = 0;
  GifFileType* gif = DGifOpen(&src, ReadMem, &err);
  DGifSlurp(gif);
  benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
  DGifCloseFile(gif, &err);
}

Picture FromBitmap(TBitmap& indexed) {
  Picture p;
  p.Width = indexed.Width();
  p.Height = indexed.Height();
  p.Colors = indexed.Palette();
  p.Pixels.resize(size_t(p.Width) * size_t(p.Height));
  for (int y = 0; y < p.Height; ++y) std::memcpy(p.Pixels.data() + size_t(y) * size_t(p.Width), indexed.ScanLine(y), size_t(p.Width));
  p.GiflibFile = GiflibEncode(p);
  return p;
}

const Picture& Photo() {
  static const Picture p = [] {
    TBitmap b = PhotoBitmap();
    auto reduced = ReduceColors(b, rmOctree, dkFloydSteinberg, 8, nullptr);
    return FromBitmap(*reduced);
  }();
  return p;
}

// A page: black text-like strokes and ruled lines on white, a few greys, 1700 x 2200.
const Picture& Page() {
  static const Picture p = [] {
    Picture q;
    q.Width = 1700, q.Height = 2200;
    q.Colors = {clWhite, clBlack, RGBColor(128, 128, 128), RGBColor(192, 192, 192)};
    q.Pixels.assign(size_t(q.Width) * size_t(q.Height), 0);
    std::mt19937 rng(4);
    for (int line = 0; line < 60; ++line) {
      const int top = 120 + line * 34;
      int x = 150;
      while (x < 1550) {
        const int word = 20 + int(rng() % 90);
        for (int cx = x; cx < x + word && cx < 1550; cx += 9) {
          const unsigned glyph = rng();
          for (int gy = 0; gy < 18; ++gy)
            for (int gx = 0; gx < 7; ++gx)
              if ((glyph >> ((gy * 7 + gx) % 31)) & 1 && (gy < 3 || gx < 2 || gy > 15 || int(glyph & 7) == gy % 8))
                q.Pixels[size_t(top + gy) * size_t(q.Width) + size_t(cx + gx)] = 1;
        }
        x += word + 14;
      }
      for (int gx = 100; gx < 1600; ++gx) q.Pixels[size_t(top + 24) * size_t(q.Width) + size_t(gx)] = 3;
    }
    for (int y = 100; y < 2150; ++y) q.Pixels[size_t(y) * size_t(q.Width) + 100] = 2;
    q.GiflibFile = GiflibEncode(q);
    return q;
  }();
  return p;
}

const Picture& Flat() {
  static const Picture p = [] {
    Picture q;
    q.Width = 2048, q.Height = 2048;
    q.Colors = {RGBColor(30, 90, 160), clWhite};
    q.Pixels.assign(size_t(q.Width) * size_t(q.Height), 0);
    q.GiflibFile = GiflibEncode(q);
    return q;
  }();
  return p;
}

const Picture& LargePhoto() {
  static const Picture p = [] {
    TBitmap b = PhotoBitmap(4000, 3000);
    auto reduced = ReduceColors(b, rmOctree, dkFloydSteinberg, 8, nullptr);
    return FromBitmap(*reduced);
  }();
  return p;
}

const Picture& Pick(int which) {
  return which == 0 ? Photo() : which == 1 ? Page() : which == 2 ? Flat() : LargePhoto();
}
const char* Name(int which) { return which == 0 ? "photo" : which == 1 ? "page" : which == 2 ? "flat" : "photo 4000x3000"; }

void BM_DecodeOurs(benchmark::State& state) {
  const Picture& p = Pick(int(state.range(0)));
  state.SetLabel(Name(int(state.range(0))));
  for (auto _ : state) {
    TGIFImage image;
    TBytesStream s(p.GiflibFile.data(), p.GiflibFile.size());
    image.LoadFromStream(s);
    benchmark::DoNotOptimize(image.Images[0]->Data.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(p.Pixels.size()));
}

void BM_DecodeGiflib(benchmark::State& state) {
  const Picture& p = Pick(int(state.range(0)));
  state.SetLabel(Name(int(state.range(0))));
  for (auto _ : state) GiflibDecode(p.GiflibFile);
  state.SetItemsProcessed(state.iterations() * int64_t(p.Pixels.size()));
}

void BM_EncodeOurs(benchmark::State& state) {
  const Picture& p = Pick(int(state.range(0)));
  state.SetLabel(Name(int(state.range(0))));
  TGIFImage image;
  for (TColor c : p.Colors) image.Header.ColorMap.Add(c);
  auto* f = new TGIFSubImage(&image);
  f->SetBounds(0, 0, p.Width, p.Height);
  f->Data = p.Pixels;
  image.Add(f);
  size_t size = 0;
  for (auto _ : state) {
    TMemoryStream s;
    s.Data.reserve(p.Pixels.size() / 2);
    image.SaveToStream(s);
    size = s.Data.size();
    benchmark::DoNotOptimize(s.Data.data());
  }
  state.counters["bytes"] = double(size);
  state.SetItemsProcessed(state.iterations() * int64_t(p.Pixels.size()));
}

void BM_EncodeGiflib(benchmark::State& state) {
  const Picture& p = Pick(int(state.range(0)));
  state.SetLabel(Name(int(state.range(0))));
  size_t size = 0;
  for (auto _ : state) {
    Bytes out = GiflibEncode(p);
    size = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = double(size);
  state.SetItemsProcessed(state.iterations() * int64_t(p.Pixels.size()));
}

void BM_ReduceOctreeFloydSteinberg(benchmark::State& state) {
  const TBitmap photo = PhotoBitmap();
  for (auto _ : state) {
    state.PauseTiming();
    TBitmap copy = photo;
    copy.Image().detach();
    state.ResumeTiming();
    auto r = ReduceColors(copy, rmOctree, dkFloydSteinberg, 8, nullptr);
    benchmark::DoNotOptimize(r->ScanLine(0));
  }
  state.SetItemsProcessed(state.iterations() * int64_t(photo.Width()) * photo.Height());
}

}  // namespace

BENCHMARK(BM_DecodeOurs)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeGiflib)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeOurs)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeGiflib)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReduceOctreeFloydSteinberg)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// PNG decode and encode, ours against libpng, side by side on the same pictures: a 4-megapixel
// photo-like image, a page-like image with text and lines, a flat image and a large flat document
// page (A4 at 300 dots per inch: mostly white, with lines of text). Both decoders read
// the same file (written by libpng with its defaults); both encoders start from the same pixels.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstring>
#include <random>
#include <vector>

#include "codecs/png_image.h"
#include "platform/streams.h"

namespace {

struct TPicture {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Rgb;   // 3 bytes per pixel, for libpng
  std::vector<uint8_t> File;  // written by libpng
  TBitmap Bitmap;             // the same pixels, for our encoder
};

void Sink(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}
void NoFlush(png_structp) {}

std::vector<uint8_t> LibpngEncode(const std::vector<uint8_t>& rgb, int w, int h) {
  std::vector<uint8_t> out;
  out.reserve(rgb.size() / 2);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) std::abort();
  png_set_write_fn(png, &out, Sink, NoFlush);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) png_write_row(png, rgb.data() + size_t(y) * w * 3);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct TSource {
  const uint8_t* Data;
  size_t Size, Pos;
};
void Source(png_structp png, png_bytep data, png_size_t size) {
  auto* s = static_cast<TSource*>(png_get_io_ptr(png));
  if (size > s->Size - s->Pos) png_error(png, "short");
  std::memcpy(data, s->Data + s->Pos, size);
  s->Pos += size;
}

std::vector<uint8_t> LibpngDecode(const std::vector<uint8_t>& file) {
  TSource src{file.data(), file.size(), 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) std::abort();
  png_set_read_fn(png, &src, Source);
  png_read_info(png, info);
  const int w = int(png_get_image_width(png, info)), h = int(png_get_image_height(png, info));
  png_read_update_info(png, info);
  std::vector<uint8_t> pixels(png_get_rowbytes(png, info) * size_t(h));
  std::vector<png_bytep> rows(static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) rows[size_t(y)] = pixels.data() + png_get_rowbytes(png, info) * size_t(y);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  (void)w;
  return pixels;
}

TPicture Make(int kind) {
  TPicture p;
  std::mt19937 rng(42);
  if (kind == 0) {  // photo-like: smooth shapes, shading and sensor noise, 2304 x 1728
    p.Width = 2304, p.Height = 1728;
  } else if (kind == 1) {  // a page: white, text-like strokes in lines, rules and a frame
    p.Width = 1654, p.Height = 2339;
  } else if (kind == 3) {  // a document page at 300 dots per inch
    p.Width = 2480, p.Height = 3508;
  } else {  // flat
    p.Width = 2000, p.Height = 2000;
  }
  const int w = p.Width, h = p.Height;
  p.Rgb.assign(size_t(w) * h * 3, 255);
  auto put = [&](int x, int y, int r, int g, int b) {
    uint8_t* q = &p.Rgb[(size_t(y) * w + x) * 3];
    q[0] = uint8_t(std::clamp(r, 0, 255)), q[1] = uint8_t(std::clamp(g, 0, 255)), q[2] = uint8_t(std::clamp(b, 0, 255));
  };
  if (kind == 0) {
    std::normal_distribution<double> noise(0, 3);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const double u = x / double(w), v = y / double(h);
        const double sky = 180 - 90 * v + 25 * std::sin(u * 7 + v * 3);
        const double hill = v > 0.55 + 0.1 * std::sin(u * 9) ? 1 : 0;
        const double sun = std::exp(-((u - 0.7) * (u - 0.7) + (v - 0.25) * (v - 0.25)) * 60);
        int r = int(sky * 0.6 + hill * (60 + 40 * std::sin(x * 0.05) * std::cos(y * 0.03)) + sun * 90 + noise(rng));
        int g = int(sky * 0.8 + hill * (90 + 30 * std::sin(x * 0.021 + y * 0.013)) + sun * 80 + noise(rng));
        int b = int(sky * (1 - hill * 0.7) + hill * 30 + sun * 40 + noise(rng));
        put(x, y, r, g, b);
      }
  } else if (kind == 1 || kind == 3) {
    // Lines of "words": clusters of glyph-sized strokes.
    for (int line = 0; line < (kind == 1 ? 60 : (h - 300) / 34); ++line) {
      const int top = 150 + line * 34;
      int x = 120;
      while (x < w - 200) {
        const int word = 3 + int(rng() % 8);
        for (int c = 0; c < word; ++c, x += 13) {
          const unsigned glyph = rng();
          for (int gy = 0; gy < 18; ++gy)
            for (int gx = 0; gx < 10; ++gx)
              if ((glyph >> ((gy / 3) * 4 + gx / 3) % 32) & 1) put(x + gx, top + gy, 0, 0, 0);
        }
        x += 14;
      }
    }
    for (int y = 100; y < h - 100; y += 680)
      for (int x = 100; x < w - 100; ++x) put(x, y, 0, 0, 128);
    for (int y = 100; y < h - 100; ++y) put(100, y, 0, 0, 0), put(w - 101, y, 0, 0, 0);
  } else {
    for (size_t i = 0; i < p.Rgb.size(); i += 3) p.Rgb[i] = 200, p.Rgb[i + 1] = 220, p.Rgb[i + 2] = 240;
    for (int y = 500; y < 900; ++y)
      for (int x = 300; x < 1700; ++x) put(x, y, 255, 128, 0);
  }
  p.File = LibpngEncode(p.Rgb, w, h);
  p.Bitmap = TBitmap(w, h, pf24bit);
  for (int y = 0; y < h; ++y) {
    auto* line = reinterpret_cast<uint32_t*>(p.Bitmap.ScanLine(y));
    const uint8_t* s = &p.Rgb[size_t(y) * w * 3];
    for (int x = 0; x < w; ++x, s += 3) line[x] = 0xFF000000u | uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
  }
  return p;
}

const TPicture& Picture(int kind) {
  static TPicture pictures[4] = {Make(0), Make(1), Make(2), Make(3)};
  return pictures[kind];
}

const char* const kNames[4] = {"photo", "page", "flat", "document"};

void DecodeOurs(benchmark::State& state) {
  const TPicture& p = Picture(int(state.range(0)));
  state.SetLabel(kNames[state.range(0)]);
  for (auto _ : state) {
    TPNGImage img;
    TBytesStream in(p.File.data(), p.File.size());
    img.LoadFromStream(in);
    benchmark::DoNotOptimize(img.ScanLine(0));
  }
}

void DecodeLibpng(benchmark::State& state) {
  const TPicture& p = Picture(int(state.range(0)));
  state.SetLabel(kNames[state.range(0)]);
  for (auto _ : state) benchmark::DoNotOptimize(LibpngDecode(p.File));
}

void EncodeOurs(benchmark::State& state) {
  const TPicture& p = Picture(int(state.range(0)));
  state.SetLabel(kNames[state.range(0)]);
  TPNGImage img;
  img.Assign(p.Bitmap);
  size_t size = 0;
  for (auto _ : state) {
    TMemoryStream out;
    img.SaveToStream(out);
    size = out.Data.size();
    benchmark::DoNotOptimize(out.Memory());
  }
  state.counters["bytes"] = double(size);
}

void EncodeLibpng(benchmark::State& state) {
  const TPicture& p = Picture(int(state.range(0)));
  state.SetLabel(kNames[state.range(0)]);
  size_t size = 0;
  for (auto _ : state) {
    auto out = LibpngEncode(p.Rgb, p.Width, p.Height);
    size = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = double(size);
}

}  // namespace

// Ours and libpng alternate, picture by picture, so that both see the same machine load.
BENCHMARK(DecodeOurs)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeLibpng)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeOurs)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeLibpng)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeOurs)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeLibpng)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeOurs)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeLibpng)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeOurs)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeLibpng)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeOurs)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeLibpng)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeOurs)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeLibpng)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeOurs)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeLibpng)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

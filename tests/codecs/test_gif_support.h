// Helpers of the GIF tests: a byte-level GIF builder, a code packer for hand-made rasters and a
// loader that records warnings.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "codecs/gif_image.h"
#include "platform/streams.h"

namespace giftest {

using Bytes = std::vector<uint8_t>;

struct Rgb {
  uint8_t R, G, B;
};

inline void Put16(Bytes& b, int v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

inline void PutColors(Bytes& b, const std::vector<Rgb>& colors) {
  for (const Rgb& c : colors) b.insert(b.end(), {c.R, c.G, c.B});
}

// Packs codes of the given widths, least significant bit first, into data sub-blocks with the
// minimum code size byte in front and the terminator behind.
inline Bytes PackCodes(int minCodeSize, const std::vector<std::pair<int, int>>& codes, bool terminator = true) {
  Bytes data;
  uint32_t acc = 0;
  int bits = 0;
  for (auto [code, width] : codes) {
    acc |= uint32_t(code) << bits;
    bits += width;
    while (bits >= 8) data.push_back(uint8_t(acc)), acc >>= 8, bits -= 8;
  }
  if (bits > 0) data.push_back(uint8_t(acc));
  Bytes out{uint8_t(minCodeSize)};
  for (size_t i = 0; i < data.size(); i += 255) {
    const size_t n = std::min<size_t>(255, data.size() - i);
    out.push_back(uint8_t(n));
    out.insert(out.end(), data.begin() + long(i), data.begin() + long(i + n));
  }
  if (terminator) out.push_back(0);
  return out;
}

// Uncompressed raster: every pixel as its own code, with a clear code often enough that the code
// width never grows.
inline Bytes PlainRaster(int minCodeSize, const Bytes& pixels) {
  const int clear = 1 << minCodeSize, width = minCodeSize + 1;
  std::vector<std::pair<int, int>> codes;
  const int perClear = (1 << minCodeSize) - 2;
  for (size_t i = 0; i < pixels.size(); ++i) {
    if (i % size_t(perClear) == 0) codes.push_back({clear, width});
    codes.push_back({pixels[i], width});
  }
  codes.push_back({clear + 1, width});
  return PackCodes(minCodeSize, codes);
}

struct GifBuilder {
  Bytes B;
  GifBuilder& Header(int w, int h, const std::vector<Rgb>& global = {}, int bg = 0, const char* version = "GIF89a") {
    B.insert(B.end(), version, version + 6);
    Put16(B, w);
    Put16(B, h);
    int packed = 0;
    if (!global.empty()) {
      int bits = 1;
      while ((1 << bits) < int(global.size())) ++bits;
      packed = 0x80 | ((bits - 1) << 4) | (bits - 1);
    }
    B.push_back(uint8_t(packed));
    B.push_back(uint8_t(bg));
    B.push_back(0);
    PutColors(B, global);
    return *this;
  }
  GifBuilder& Gce(int disposal, int delay, int transparentIndex = -1) {
    B.insert(B.end(), {0x21, 0xF9, 4});
    B.push_back(uint8_t((disposal << 2) | (transparentIndex >= 0 ? 1 : 0)));
    Put16(B, delay);
    B.push_back(uint8_t(transparentIndex >= 0 ? transparentIndex : 0));
    B.push_back(0);
    return *this;
  }
  GifBuilder& Loop(int loops) {
    B.insert(B.end(), {0x21, 0xFF, 11});
    const char* id = "NETSCAPE2.0";
    B.insert(B.end(), id, id + 11);
    B.insert(B.end(), {3, 1});
    Put16(B, loops);
    B.push_back(0);
    return *this;
  }
  GifBuilder& Image(int l, int t, int w, int h, const Bytes& raster, bool interlace = false,
                    const std::vector<Rgb>& local = {}) {
    B.push_back(0x2C);
    Put16(B, l);
    Put16(B, t);
    Put16(B, w);
    Put16(B, h);
    int packed = interlace ? 0x40 : 0;
    if (!local.empty()) {
      int bits = 1;
      while ((1 << bits) < int(local.size())) ++bits;
      packed |= 0x80 | (bits - 1);
    }
    B.push_back(uint8_t(packed));
    PutColors(B, local);
    B.insert(B.end(), raster.begin(), raster.end());
    return *this;
  }
  GifBuilder& Raw(const Bytes& bytes) {
    B.insert(B.end(), bytes.begin(), bytes.end());
    return *this;
  }
  GifBuilder& Trailer() {
    B.push_back(';');
    return *this;
  }
};

inline std::vector<Rgb> Grey4() { return {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 0, 255}}; }

struct Loaded {
  std::unique_ptr<TGIFImage> Image = std::make_unique<TGIFImage>();
  std::vector<std::string> Warnings;
};

inline std::unique_ptr<Loaded> LoadGif(const Bytes& bytes) {
  auto out = std::make_unique<Loaded>();
  auto* warnings = &out->Warnings;
  out->Image->OnWarning = [warnings](const void*, int, const std::string& m) { warnings->push_back(m); };
  TBytesStream stream(bytes.data(), bytes.size());
  out->Image->LoadFromStream(stream);
  return out;
}

inline Bytes SaveGif(TGIFImage& image) {
  TMemoryStream stream;
  image.SaveToStream(stream);
  return stream.Data;
}

inline std::string Msg(const std::exception& e) { return e.what(); }

}  // namespace giftest

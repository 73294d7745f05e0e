// libpng as the independent reference for the PNG tests: writes files of any colour type, bit
// depth and interlace method, and reads files back to 8-bit RGB.
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace pngref {

struct TWriteSpec {
  int Width = 1, Height = 1, ColorType = PNG_COLOR_TYPE_RGB, Depth = 8;
  bool Interlaced = false;
  // Samples of every row, each row packed as the format stores it (without filter bytes).
  std::vector<std::vector<uint8_t>> Rows;
  std::vector<png_color> Palette;
  std::vector<uint8_t> PaletteAlpha;      // tRNS for palette images
  bool HasTransparentColor = false;       // tRNS for grey and truecolour images
  png_color_16 TransparentColor{};
  double Gamma = 0;                       // gAMA when above 0 (file gamma, e.g. 0.45455)
  size_t IdatSize = 0;                    // > 0: split the image data in IDAT chunks of this size
  std::vector<png_unknown_chunk> Extra;   // chunks written before the image data
  int Filters = PNG_ALL_FILTERS;          // the row filters libpng may choose from
};

inline void WriteToVector(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}
inline void NoFlush(png_structp) {}

inline std::vector<uint8_t> Write(const TWriteSpec& s) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write the test image");
  }
  png_set_write_fn(png, &out, WriteToVector, NoFlush);
  if (s.IdatSize) png_set_compression_buffer_size(png, s.IdatSize);
  png_set_filter(png, 0, s.Filters);
  png_set_IHDR(png, info, png_uint_32(s.Width), png_uint_32(s.Height), s.Depth, s.ColorType,
               s.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.Palette.empty()) png_set_PLTE(png, info, s.Palette.data(), int(s.Palette.size()));
  if (!s.PaletteAlpha.empty())
    png_set_tRNS(png, info, s.PaletteAlpha.data(), int(s.PaletteAlpha.size()), nullptr);
  if (s.HasTransparentColor) png_set_tRNS(png, info, nullptr, 0, const_cast<png_color_16p>(&s.TransparentColor));
  if (s.Gamma > 0) png_set_gAMA(png, info, s.Gamma);
  if (!s.Extra.empty()) {
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
    png_set_unknown_chunks(png, info, s.Extra.data(), int(s.Extra.size()));
  }
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (const auto& r : s.Rows) rows.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct TReadSource {
  const uint8_t* Data;
  size_t Size, Pos;
};
inline void ReadFromSource(png_structp png, png_bytep data, png_size_t size) {
  auto* src = static_cast<TReadSource*>(png_get_io_ptr(png));
  if (size > src->Size - src->Pos) png_error(png, "read past the end");
  std::memcpy(data, src->Data + src->Pos, size);
  src->Pos += size;
}

struct TRgbImage {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Rgb;  // 3 bytes per pixel
  int ColorType = -1, Depth = 0, Interlace = 0;
};

// Reads with libpng into 8-bit RGB: palettes and low-depth greys expanded, 16-bit samples cut to
// their high byte, alpha dropped; no gamma correction.
inline TRgbImage ReadRgb(const std::vector<uint8_t>& file) {
  TRgbImage result;
  TReadSource src{file.data(), file.size(), 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    throw std::runtime_error("libpng could not read the image");
  }
  png_set_read_fn(png, &src, ReadFromSource);
  png_read_info(png, info);
  result.Width = int(png_get_image_width(png, info));
  result.Height = int(png_get_image_height(png, info));
  result.ColorType = png_get_color_type(png, info);
  result.Depth = png_get_bit_depth(png, info);
  result.Interlace = png_get_interlace_type(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(result.Width) * 3) png_error(png, "unexpected row size");
  result.Rgb.resize(size_t(result.Width) * result.Height * 3);
  for (int y = 0; y < result.Height; ++y) rows.push_back(result.Rgb.data() + size_t(y) * result.Width * 3);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return result;
}

}  // namespace pngref

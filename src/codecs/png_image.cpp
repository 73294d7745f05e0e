#include "codecs/png_image.h"

#include <zlib.h>

#include <QImage>
#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <sys/mman.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <typeinfo>
#include <utility>

#include "codecs/deflate_stream.h"
#include "codecs/jpeg_image.h"
#include "codecs/picture_limits.h"
#include "platform/canvas.h"
#include "platform/numeric.h"

namespace {
const char* const kHandlerError = "Portable Network Graphics format handler error\r\n\r\n";
const char* const kCriticalUnknown =
    "The currently being loaded image contains critical(s) chunk(s) not reconized by the decoder.";
const char* const kCorrupted = "Can't read the PNG image, it has corrupted data. ";
const char* const kInvalidSignature = "Invalid Portable Graphics Network image, it has an invalid file header.";
const char* const kNoHeader =
    "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first chunk.";
const char* const kNoImageData = "The current image being loaded has no data and could not be loaded.";
const char* const kNoPalette = "The current image requeries a palette but it is not avaliable.";
const char* const kInvalidPalette = "The current image being loaded has an invalid palette!";
const char* const kUnknownColorType = "Could not read the image because it has an unknown color type.";
const char* const kUnknownInterlace = "The image has an unknown interlace method.";
const char* const kUnknownFilter = "The image could not be loaded because it uses an unknown set of filter types.";
const char* const kIndexOutOfRange = "The chunk index especified is out of the range.";
const char* const kClassIndexOutOfRange = "The chunk class index especified is  out of range.";
const char* const kNotInList =
    "The especified chunk is not inside the chunk list containing the method being used. The funcion could not "
    "be completed.";
const char* const kNotRGB =
    "Can not get transparency information because the current image color type is not RGB (value 3)";
// Checks of our own on values that the file states and the reader must not trust.
const char* const kBadHeaderSize = "The IHDR chunk of this PNG image has an invalid size.";
const char* const kBadDimensions = "The image size in the IHDR chunk is invalid or too large.";
const char* const kBadBitDepth = "The image has a bit depth that its color type does not allow.";
const char* const kDataTooShort = "The image data are too short for the image size in the IHDR chunk.";
const char* const kNothingToSave = "The image could not be saved because it has no pixels.";
const char* const kTooLargeToSave = "The image could not be saved because it is too large.";

const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// zlib's largest possible expansion.
constexpr int64_t kMaxInflateRatio = 1032;
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFF;

[[noreturn]] void Fail(const char* message) { throw EPNGImageException(message); }

constexpr TChunkType T(const char (&s)[5]) { return {s[0], s[1], s[2], s[3]}; }
const TChunkType kIHDR = T("IHDR"), kIDAT = T("IDAT"), kIEND = T("IEND"), kPLTE = T("PLTE"), kTRNS = T("tRNS"),
                 kGAMA = T("gAMA");

uint32_t GetBE32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
void PutBE32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

uint32_t ChunkCRC(const TChunkType& type, const uint8_t* data, size_t size) {
  uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type.data()), 4);
  while (size > 0) {
    const uInt piece = uInt(std::min<size_t>(size, 1u << 30));
    crc = crc32(crc, data, piece);
    data += piece;
    size -= piece;
  }
  return uint32_t(crc);
}

bool ValidDepth(int colorType, int depth) {
  switch (colorType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
  }
}

// Bytes of one row of width pixels, without the filter byte.
int64_t RowBytesOf(int colorType, int depth, int64_t width) {
  switch (colorType) {
    case 0:
    case 3: return (depth * width + 7) / 8;
    case 2: return depth * width * 3 / 8;
    case 4: return depth * width * 2 / 8;
    case 6: return depth * width * 4 / 8;
    default: Fail(kUnknownColorType);
  }
}

// Distance in bytes between a byte and the same sample of the pixel on its left.
int FilterBytesPerPixel(int colorType, int depth) {
  switch (colorType) {
    case 0: return depth <= 8 ? 1 : 2;
    case 3: return 1;
    case 2: return depth * 3 / 8;
    case 4: return depth / 4;
    case 6: return depth * 4 / 8;
    default: Fail(kUnknownColorType);
  }
}

struct TAdam7Pass {
  int RowStart, ColStart, RowStep, ColStep;
};
const TAdam7Pass kPasses[7] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                               {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}};

inline uint8_t Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return uint8_t(a);
  return uint8_t(pb <= pc ? b : c);
}

template <int BPP>
void UnfilterRow(int type, uint8_t* cur, const uint8_t* prev, size_t n) {
  const size_t bpp = BPP;
  switch (type) {
    case 0: break;
    case 1:
      for (size_t i = bpp; i < n; ++i) cur[i] = uint8_t(cur[i] + cur[i - bpp]);
      break;
    case 2:
      for (size_t i = 0; i < n; ++i) cur[i] = uint8_t(cur[i] + prev[i]);
      break;
    case 3:
      for (size_t i = 0; i < bpp && i < n; ++i) cur[i] = uint8_t(cur[i] + (prev[i] >> 1));
      for (size_t i = bpp; i < n; ++i) cur[i] = uint8_t(cur[i] + ((cur[i - bpp] + prev[i]) >> 1));
      break;
    case 4:
      for (size_t i = 0; i < bpp && i < n; ++i) cur[i] = uint8_t(cur[i] + prev[i]);
      for (size_t i = bpp; i < n; ++i) cur[i] = uint8_t(cur[i] + Paeth(cur[i - bpp], prev[i], prev[i - bpp]));
      break;
    default: Fail(kUnknownFilter);
  }
}

#if defined(__SSE2__)
// Sub, Average and Paeth for 3- and 4-byte pixels, one pixel per step in the 16-bit lanes of an
// SSE2 register: the left pixel is carried in a register instead of being read back.
// Three-byte pixels are put together in a general register (a partial write to memory followed
// by a wider read would stall on every pixel).
template <int BPP>
inline __m128i LoadPixel(const uint8_t* p) {
  uint32_t v;
  if constexpr (BPP == 4) {
    std::memcpy(&v, p, 4);
  } else {
    uint16_t low;
    std::memcpy(&low, p, 2);
    v = uint32_t(low) | uint32_t(p[2]) << 16;
  }
  return _mm_cvtsi32_si128(int(v));
}
template <int BPP>
inline void StorePixel(uint8_t* p, __m128i x) {
  const uint32_t v = uint32_t(_mm_cvtsi128_si32(x));
  if constexpr (BPP == 4) {
    std::memcpy(p, &v, 4);
  } else {
    const uint16_t low = uint16_t(v);
    std::memcpy(p, &low, 2);
    p[2] = uint8_t(v >> 16);
  }
}

// One pixel of a Sub (1), Average (3) or Paeth (4) row: x is the filtered pixel, b the pixel
// above; a (left) and c (upper left) carry over from the pixel before. Bytes in the low lanes.
template <int T>
inline __m128i UnfilterPixel(__m128i x, __m128i b, __m128i& a, __m128i& c) {
  const __m128i zero = _mm_setzero_si128();
  if constexpr (T == 1) {
    a = _mm_add_epi8(x, a);
  } else if constexpr (T == 3) {
    // Rounding-down average: the rounding-up average less the carried low bit.
    __m128i avg = _mm_avg_epu8(a, b);
    avg = _mm_sub_epi8(avg, _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1)));
    a = _mm_add_epi8(x, avg);
  } else {
    const __m128i a16 = _mm_unpacklo_epi8(a, zero), b16 = _mm_unpacklo_epi8(b, zero);
    const __m128i c16 = _mm_unpacklo_epi8(c, zero);
    const __m128i pas = _mm_sub_epi16(b16, c16), pbs = _mm_sub_epi16(a16, c16);
    const __m128i pcs = _mm_add_epi16(pas, pbs);
    const __m128i pa = _mm_max_epi16(pas, _mm_sub_epi16(zero, pas));
    const __m128i pb = _mm_max_epi16(pbs, _mm_sub_epi16(zero, pbs));
    const __m128i pc = _mm_max_epi16(pcs, _mm_sub_epi16(zero, pcs));
    const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
    const __m128i useB = _mm_cmpeq_epi16(pb, smallest), useA = _mm_cmpeq_epi16(pa, smallest);
    __m128i pred = _mm_or_si128(_mm_and_si128(useB, b16), _mm_andnot_si128(useB, c16));
    pred = _mm_or_si128(_mm_and_si128(useA, a16), _mm_andnot_si128(useA, pred));
    a = _mm_add_epi8(x, _mm_packus_epi16(pred, zero));
    c = b;
  }
  return a;
}

template <int BPP, int T>
void UnfilterRowSimd(uint8_t* cur, const uint8_t* prev, size_t n) {
  __m128i a = _mm_setzero_si128(), c = a;
  for (size_t i = 0; i < n; i += BPP)
    StorePixel<BPP>(cur + i, UnfilterPixel<T>(LoadPixel<BPP>(cur + i), LoadPixel<BPP>(prev + i), a, c));
}

template <int BPP>
bool UnfilterSimd(int type, uint8_t* cur, const uint8_t* prev, size_t n) {
  if (n % BPP != 0) return false;
  switch (type) {
    case 1: UnfilterRowSimd<BPP, 1>(cur, prev, n); return true;
    case 3: UnfilterRowSimd<BPP, 3>(cur, prev, n); return true;
    case 4: UnfilterRowSimd<BPP, 4>(cur, prev, n); return true;
    default: return false;
  }
}

// Two consecutive rows at once: each pixel of the second row needs only the pixel just made above
// it, so the two dependency chains (each pixel waits for its left neighbour) run side by side.
template <int BPP, int T1, int T2>
void UnfilterTwoRowsSimd(uint8_t* first, uint8_t* second, const uint8_t* prev, size_t n) {
  __m128i a1 = _mm_setzero_si128(), c1 = a1, a2 = a1, c2 = a1;
  for (size_t i = 0; i < n; i += BPP) {
    const __m128i up = UnfilterPixel<T1>(LoadPixel<BPP>(first + i), LoadPixel<BPP>(prev + i), a1, c1);
    StorePixel<BPP>(first + i, up);
    StorePixel<BPP>(second + i, UnfilterPixel<T2>(LoadPixel<BPP>(second + i), up, a2, c2));
  }
}

template <int BPP, int T1>
bool UnfilterTwoSimd(int type2, uint8_t* first, uint8_t* second, const uint8_t* prev, size_t n) {
  switch (type2) {
    case 1: UnfilterTwoRowsSimd<BPP, T1, 1>(first, second, prev, n); return true;
    case 3: UnfilterTwoRowsSimd<BPP, T1, 3>(first, second, prev, n); return true;
    case 4: UnfilterTwoRowsSimd<BPP, T1, 4>(first, second, prev, n); return true;
    default: return false;
  }
}

template <int BPP>
bool UnfilterTwoSimd(int type1, int type2, uint8_t* first, uint8_t* second, const uint8_t* prev, size_t n) {
  if (n % BPP != 0) return false;
  switch (type1) {
    case 1: return UnfilterTwoSimd<BPP, 1>(type2, first, second, prev, n);
    case 3: return UnfilterTwoSimd<BPP, 3>(type2, first, second, prev, n);
    case 4: return UnfilterTwoSimd<BPP, 4>(type2, first, second, prev, n);
    default: return false;
  }
}
#endif

void Unfilter(int type, uint8_t* cur, const uint8_t* prev, size_t n, int bpp) {
#if defined(__SSE2__)
  if (bpp == 3 && UnfilterSimd<3>(type, cur, prev, n)) return;
  if (bpp == 4 && UnfilterSimd<4>(type, cur, prev, n)) return;
#endif
  switch (bpp) {
    case 1: return UnfilterRow<1>(type, cur, prev, n);
    case 2: return UnfilterRow<2>(type, cur, prev, n);
    case 3: return UnfilterRow<3>(type, cur, prev, n);
    case 4: return UnfilterRow<4>(type, cur, prev, n);
    case 6: return UnfilterRow<6>(type, cur, prev, n);
    default: return UnfilterRow<8>(type, cur, prev, n);
  }
}

// Unfilters two consecutive rows (second follows first); false when the pair has no faster
// path and the rows are to be done one by one.
bool UnfilterPair(uint8_t* first, uint8_t* second, const uint8_t* prev, size_t n, int bpp) {
#if defined(__SSE2__)
  if (bpp == 3) return UnfilterTwoSimd<3>(first[-1], second[-1], first, second, prev, n);
  if (bpp == 4) return UnfilterTwoSimd<4>(first[-1], second[-1], first, second, prev, n);
#endif
  return false;
}

#if defined(__x86_64__)
bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}

// Red, green, blue rows to 32-bit pixels, four at a time (reads 16 bytes for 12: the row buffer
// has room after its end). Returns how many pixels were done.
__attribute__((target("ssse3"))) int64_t StoreRgbSsse3(const uint8_t* raw, int64_t count, uint32_t* out) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
  const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
  int64_t k = 0;
  for (; k + 4 <= count; k += 4, raw += 12) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_or_si128(_mm_shuffle_epi8(v, order), opaque));
  }
  return k;
}
#endif

// Turns one unfiltered row of count pixels into bitmap pixels at x0, x0 + dx, ...
struct TRowStore {
  int ColorType, Depth;
  const uint8_t* Gamma;  // null: no correction

  void operator()(const uint8_t* raw, int64_t count, uint8_t* line, int64_t x0, int64_t dx) const {
    switch (ColorType) {
      case 0:
      case 3:
        StoreIndexed(raw, count, line, x0, dx);
        break;
      case 4: {
        const int step = Depth == 8 ? 2 : 4;
        for (int64_t k = 0; k < count; ++k) line[x0 + k * dx] = raw[k * step];
        break;
      }
      case 2:
      case 6: {
        const int step = (ColorType == 2 ? 3 : 4) * (Depth / 8), sample = Depth / 8;
        auto* out = reinterpret_cast<uint32_t*>(line);
        if (Gamma) {
          for (int64_t k = 0; k < count; ++k, raw += step)
            out[x0 + k * dx] = 0xFF000000u | uint32_t(Gamma[raw[0]]) << 16 | uint32_t(Gamma[raw[sample]]) << 8 |
                               Gamma[raw[2 * sample]];
        } else if (step == 3 && dx == 1) {
          // One 4-byte read per pixel (the row buffer has room after its end); byte-swapped, the
          // red, green, blue bytes land where the bitmap wants them.
          uint32_t* o = out + x0;
          int64_t k = 0;
#if defined(__x86_64__)
          if (HasSsse3()) {
            k = StoreRgbSsse3(raw, count, o);
            raw += 3 * k;
          }
#endif
          for (; k < count; ++k, raw += 3) {
            uint32_t v;
            std::memcpy(&v, raw, 4);
            o[k] = 0xFF000000u | __builtin_bswap32(v) >> 8;
          }
        } else {
          for (int64_t k = 0; k < count; ++k, raw += step)
            out[x0 + k * dx] = 0xFF000000u | uint32_t(raw[0]) << 16 | uint32_t(raw[sample]) << 8 | raw[2 * sample];
        }
        break;
      }
    }
  }

  void StoreIndexed(const uint8_t* raw, int64_t count, uint8_t* line, int64_t x0, int64_t dx) const {
    switch (Depth) {
      case 1:
        for (int64_t k = 0; k < count; ++k) line[x0 + k * dx] = (raw[k >> 3] >> (7 - (k & 7))) & 1;
        break;
      case 2:  // held as 4-bit pixels: 0, 5, 10, 15
        for (int64_t k = 0; k < count; ++k) line[x0 + k * dx] = uint8_t(((raw[k >> 2] >> (6 - 2 * (k & 3))) & 3) * 5);
        break;
      case 4:
        for (int64_t k = 0; k < count; ++k) line[x0 + k * dx] = (raw[k >> 1] >> (k & 1 ? 0 : 4)) & 15;
        break;
      case 8:
        if (dx == 1)
          std::memcpy(line + x0, raw, size_t(count));
        else
          for (int64_t k = 0; k < count; ++k) line[x0 + k * dx] = raw[k];
        break;
      case 16:
        for (int64_t k = 0; k < count; ++k) line[x0 + k * dx] = raw[2 * k];
        break;
    }
  }
};

TPaletteEntries GreyPalette(int depth, const uint8_t* gamma) {
  const int entries = depth >= 8 ? 256 : 1 << depth;
  TPaletteEntries pal;
  for (int i = 0; i < entries; ++i) {
    int v = MulDiv(i, 255, entries - 1);
    if (gamma) v = gamma[v];
    pal.push_back(RGBColor(v, v, v));
  }
  return pal;
}

// The bitmap's palette for a file palette: 2-bit images repeat entries 0..3 over 16 entries
// (their pixels are 0, 5, 10, 15); other palettes are padded with black or cut to the bitmap's
// 2, 16 or 256 entries, so that every pixel value names an entry.
TPaletteEntries FitPalette(const TPaletteEntries& source, int depth) {
  if (depth == 2) {
    TPaletteEntries pal(16, clBlack);
    for (int i = 0; i < 16; ++i)
      if (size_t(i % 4) < source.size()) pal[size_t(i)] = source[size_t(i % 4)];
    return pal;
  }
  const size_t size = depth == 1 ? 2 : depth == 4 ? 16 : 256;
  TPaletteEntries pal = source;
  pal.resize(size, clBlack);
  return pal;
}

// Pixel memory for a decoded image. Blocks of 32 MB and more (a page at 300 dots per inch) come
// fresh from the system on every allocation, and taking them in 4 KB pages costs several times
// the decoding itself: such images ask for huge pages where the system gives them on request.
// Smaller blocks are reused by the allocator.
QImage NewDecodeImage(int width, int height, QImage::Format format) {
  constexpr int64_t kHugePage = int64_t(2) << 20;
  const int64_t lineBytes = (int64_t(width) * (format == QImage::Format_Indexed8 ? 8 : 32) + 31) / 32 * 4;
  const int64_t bytes = lineBytes * height;
  if (bytes < 16 * kHugePage || lineBytes > INT_MAX) return QImage(width, height, format);
  const size_t size = size_t((bytes + kHugePage - 1) / kHugePage * kHugePage);
  void* memory = nullptr;
  if (posix_memalign(&memory, size_t(kHugePage), size) != 0) return QImage(width, height, format);
#if defined(MADV_HUGEPAGE)
  madvise(memory, size, MADV_HUGEPAGE);
#endif
  QImage image(static_cast<uchar*>(memory), width, height, qsizetype(lineBytes), format,
               [](void* block) { std::free(block); }, memory);
  if (image.isNull()) std::free(memory);
  return image;
}

// Inflates the image data straight from the chunk's bytes, as a deflate reading stream would,
// without copying them through a buffer first. The zlib header is checked here and the deflate
// data are inflated raw: the chunk CRCs already guard every byte, and zlib's running Adler-32 sum
// over the decoded image (a tenth of the decoding time) would be checked only when a read
// happened to reach the end of the stream.
class TImageInflater {
public:
  TImageInflater(const uint8_t* data, size_t size) : Next(data), Left(size) {
    if (size < 2 || (data[0] & 0x0F) != Z_DEFLATED || (data[0] >> 4) > 7 || (data[0] << 8 | data[1]) % 31 != 0 ||
        (data[1] & 0x20) != 0)
      DCheck(Z_DATA_ERROR);
    Next += 2;
    Left -= 2;
    DCheck(inflateInit2(&Z, -MAX_WBITS));
  }
  ~TImageInflater() { inflateEnd(&Z); }
  TImageInflater(const TImageInflater&) = delete;
  TImageInflater& operator=(const TImageInflater&) = delete;

  // Fills count bytes, or fewer when the deflate data (or the chunk) end.
  int64_t Read(void* buffer, int64_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count && !Ended) {
      if (Z.avail_in == 0 && Left > 0) {
        const size_t piece = std::min<size_t>(Left, 1u << 30);
        Z.next_in = const_cast<Bytef*>(Next);
        Z.avail_in = uInt(piece);
        Next += piece;
        Left -= piece;
      }
      Z.next_out = out + done;
      Z.avail_out = uInt(std::min<int64_t>(count - done, 1 << 30));
      const uInt room = Z.avail_out;
      const int result = inflate(&Z, Z_NO_FLUSH);
      done += room - Z.avail_out;
      if (result == Z_STREAM_END) {
        Ended = true;
      } else if (result == Z_BUF_ERROR) {
        if (Z.avail_in == 0 && Left == 0) break;  // the data end before the image does
      } else {
        DCheck(result);
      }
    }
    return done;
  }

private:
  z_stream Z{};
  const uint8_t* Next;
  size_t Left;
  bool Ended = false;
};

TPixelFormat BitmapFormatFor(int colorType, int depth) {
  if (colorType == 2 || colorType == 6) return pf24bit;
  if (colorType == 4) return pf8bit;
  return depth == 1 ? pf1bit : depth <= 4 ? pf4bit : pf8bit;
}

// Filtering for the writer: the filtered row of one type into out.
void FilterRow(int type, const uint8_t* raw, const uint8_t* prev, uint8_t* out, size_t n, size_t bpp) {
  switch (type) {
    case pfSub:
      for (size_t i = 0; i < bpp && i < n; ++i) out[i] = raw[i];
      for (size_t i = bpp; i < n; ++i) out[i] = uint8_t(raw[i] - raw[i - bpp]);
      break;
    case pfUp:
      for (size_t i = 0; i < n; ++i) out[i] = uint8_t(raw[i] - prev[i]);
      break;
    case pfAverage:
      for (size_t i = 0; i < bpp && i < n; ++i) out[i] = uint8_t(raw[i] - (prev[i] >> 1));
      for (size_t i = bpp; i < n; ++i) out[i] = uint8_t(raw[i] - ((raw[i - bpp] + prev[i]) >> 1));
      break;
    case pfPaeth:
      for (size_t i = 0; i < bpp && i < n; ++i) out[i] = uint8_t(raw[i] - prev[i]);
      for (size_t i = bpp; i < n; ++i) out[i] = uint8_t(raw[i] - Paeth(raw[i - bpp], prev[i], prev[i - bpp]));
      break;
    default:
      std::memcpy(out, raw, n);
      break;
  }
}

// Positions whose byte equals each of the four bytes before it: the writer's measure of how well
// a filtered row will compress.
int64_t RunScore(const uint8_t* f, size_t n) {
  int64_t score = 0;
  int run = 0;
  for (size_t i = 1; i < n; ++i) {
    run = f[i] == f[i - 1] ? run + 1 : 0;
    if (run >= 4) ++score;
  }
  return score;
}

bool IsHeader(const TChunk* chunk) { return dynamic_cast<const TChunkIHDR*>(chunk) != nullptr; }

TChunk* FindChunk(const TChunkList& list, const TChunkType& type) {
  for (int i = 0; i < list.Count(); ++i)
    if (list.Item(i)->ChunkType == type) return list.Item(i);
  return nullptr;
}

// A colour profile whose compressed data inflate to an RGB profile (the writer writes colour
// images only; a grey profile belongs to grey images).
bool IsRgbProfile(const std::vector<uint8_t>& d) {
  const auto nul = std::find(d.begin(), d.end(), uint8_t(0));
  const size_t nameLength = size_t(nul - d.begin());
  if (nul == d.end() || nameLength < 1 || nameLength > 79 || nameLength + 2 >= d.size() || d[nameLength + 1] != 0)
    return false;
  for (size_t i = 0; i < nameLength; ++i)
    if (d[i] < 32 || (d[i] > 126 && d[i] < 161)) return false;
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(d.data() + nameLength + 2);
  z.avail_in = uInt(std::min<size_t>(d.size() - nameLength - 2, 0x7FFFFFFF));
  uint8_t head[132], scratch[4096];
  size_t total = 0;
  int result = Z_OK;
  while (result == Z_OK && total < (size_t(64) << 20)) {
    const bool inHead = total < sizeof head;
    z.next_out = inHead ? head + total : scratch;
    z.avail_out = uInt(inHead ? sizeof head - total : sizeof scratch);
    const uInt before = z.avail_out;
    result = inflate(&z, Z_NO_FLUSH);
    total += before - z.avail_out;
    if (result == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  inflateEnd(&z);
  return result == Z_STREAM_END && total >= sizeof head && GetBE32(head) == total &&
         std::memcmp(head + 16, "RGB ", 4) == 0 && std::memcmp(head + 36, "acsp", 4) == 0;
}

// Chunks without a class of their own that a re-saved image keeps: the time stamp and the
// colour space of the samples (which the writer keeps), each only when well formed.
bool KeptOnResave(const TChunkType& type, const std::vector<uint8_t>& d) {
  if (type == T("tIME"))
    return d.size() == 7 && d[2] >= 1 && d[2] <= 12 && d[3] >= 1 && d[3] <= 31 && d[4] <= 23 && d[5] <= 59 &&
           d[6] <= 60;
  if (type == T("sRGB")) return d.size() == 1 && d[0] <= 3;
  if (type == T("cHRM")) return d.size() == 32;
  if (type == T("iCCP")) return IsRgbProfile(d);
  return false;
}

int TypeRank(const TChunkType& t) {
  if (t == kIHDR) return 0;
  if (t == kGAMA || t == T("cHRM") || t == T("sRGB") || t == T("iCCP") || t == T("sBIT")) return 1;
  if (t == kPLTE) return 2;
  if (t == kIDAT) return 4;
  if (t == kIEND) return 5;
  return 3;  // tRNS and other ancillary chunks: after the palette, before the image data
}
}  // namespace

EPNGImageException::EPNGImageException(const std::string& message) : Exception(kHandlerError + message) {}

// ---------------------------------------------------------------------------------------------
// Chunks

TChunk::TChunk(TChunkList* owner) : FOwner(owner) {}

TPNGImage& TChunk::Image() const { return FOwner->Owner(); }

void TChunk::Assign(const TChunk& source) {
  Data.Data = source.Data.Data;
  Data.SetPosition(0);
  ChunkType = source.ChunkType;
}

void TChunk::WriteChunk(TStream& stream) {
  if (Data.Data.size() > kMaxChunkLength) Fail(kTooLargeToSave);
  uint8_t head[8];
  PutBE32(head, uint32_t(Data.Data.size()));
  std::memcpy(head + 4, ChunkType.data(), 4);
  stream.WriteBuffer(head, 8);
  if (!Data.Data.empty()) stream.WriteBuffer(Data.Data.data(), int64_t(Data.Data.size()));
  uint8_t crc[4];
  PutBE32(crc, ChunkCRC(ChunkType, Data.Data.data(), Data.Data.size()));
  stream.WriteBuffer(crc, 4);
}

void TChunk::SaveToStream(TStream& stream) {
  const char last = ChunkType[3];
  if (!(last >= 'A' && last <= 'Z')) return;
  WriteChunk(stream);
}

// IHDR

TChunkIHDR::TChunkIHDR(TChunkList* owner) : TChunk(owner) { EnsureSize(); }

void TChunkIHDR::EnsureSize() {
  if (Data.Data.size() < 13) Data.Data.resize(13, 0);
}

uint32_t TChunkIHDR::ReadU32(int at) const {
  return Data.Data.size() >= size_t(at + 4) ? GetBE32(Data.Data.data() + at) : 0;
}

void TChunkIHDR::WriteU32(int at, uint32_t value) {
  EnsureSize();
  PutBE32(Data.Data.data() + at, value);
}

void TChunkIHDR::SetByte(int at, uint8_t value) {
  EnsureSize();
  Data.Data[size_t(at)] = value;
}

void TChunkIHDR::SetWidth(uint32_t value) {
  WriteU32(0, value);
  TPNGImage& img = Image();
  if (uint32_t(img.Width()) != value) {
    if (value > 0x7FFFFFFF) Fail(kBadDimensions);
    img.SetSize(int(value), img.Height());
  }
}

void TChunkIHDR::SetHeight(uint32_t value) {
  WriteU32(4, value);
  TPNGImage& img = Image();
  if (uint32_t(img.Height()) != value) {
    if (value > 0x7FFFFFFF) Fail(kBadDimensions);
    img.SetSize(img.Width(), int(value));
  }
}

void TChunkIHDR::SaveToStream(TStream& stream) {
  TPNGImage& img = Image();
  if (img.Empty()) Fail(kNothingToSave);
  Data.Data.assign(13, 0);
  WriteU32(0, uint32_t(img.Width()));
  WriteU32(4, uint32_t(img.Height()));
  if (img.IsIndexed()) {
    SetColorType(3);
    SetBitDepth(img.PixelFormat() == pf1bit ? 1 : img.PixelFormat() == pf4bit ? 4 : 8);
  } else {
    if (img.PixelFormat() != pf24bit) img.SetPixelFormat(pf24bit);
    SetColorType(2);
    SetBitDepth(8);
  }
  WriteChunk(stream);
}

// PLTE

TPaletteEntries TChunkPLTE::Palette() const {
  const size_t size = Data.Data.size();
  if (size % 3 != 0 || size / 3 > 256) Fail(kInvalidPalette);
  const TChunkGAMA* gamma = Owner()->Find<TChunkGAMA>();
  const uint8_t* table = gamma ? gamma->GammaTable() : nullptr;
  TPaletteEntries pal;
  for (size_t i = 0; i < size; i += 3) {
    const uint8_t* e = Data.Data.data() + i;
    pal.push_back(table ? RGBColor(table[e[0]], table[e[1]], table[e[2]]) : RGBColor(e[0], e[1], e[2]));
  }
  return pal;
}

void TChunkPLTE::SaveToStream(TStream& stream) {
  TPNGImage& img = Image();
  TPaletteEntries pal = img.Palette();
  if (pal.empty() && img.IsIndexed()) {
    // An indexed image needs a palette: greys in place of a missing one.
    const int depth = img.PixelFormat() == pf1bit ? 1 : img.PixelFormat() == pf4bit ? 4 : 8;
    pal = GreyPalette(depth, nullptr);
  }
  if (pal.empty()) return;
  if (img.IsIndexed()) {
    const size_t most = img.PixelFormat() == pf1bit ? 2 : img.PixelFormat() == pf4bit ? 16 : 256;
    if (pal.size() > most) pal.resize(most);
  } else if (pal.size() > 256) {
    pal.resize(256);
  }
  const TChunkGAMA* gamma = Owner()->Find<TChunkGAMA>();
  const uint8_t* inv = gamma ? gamma->InverseTable() : nullptr;
  Data.Data.resize(pal.size() * 3);
  uint8_t* p = Data.Data.data();
  for (TColor c : pal) {
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    *p++ = inv ? inv[r] : uint8_t(r);
    *p++ = inv ? inv[g] : uint8_t(g);
    *p++ = inv ? inv[b] : uint8_t(b);
  }
  WriteChunk(stream);
}

// tRNS

TColor TChunkTRNS::TransparentColor() const {
  const TChunkIHDR* header = Owner()->Find<TChunkIHDR>();
  if (!header || header->ColorType() != 2) Fail(kNotRGB);
  const auto& d = Data.Data;
  if (d.size() >= 6) {
    // Three 16-bit samples; the bitmap keeps the high byte of 16-bit images.
    const int at = header->BitDepth() == 16 ? 0 : 1;
    return RGBColor(d[size_t(at)], d[size_t(at + 2)], d[size_t(at + 4)]);
  }
  if (d.size() == 3) return RGBColor(d[0], d[1], d[2]);  // the old three-byte form
  return clNone;
}

void TChunkTRNS::SaveToStream(TStream& stream) {
  TPNGImage& img = Image();
  if (img.IsIndexed() || img.Empty()) return;
  const TColor c = img.EffectiveTransparentColor();
  const uint8_t d[6] = {0, uint8_t(GetRValue(c)), 0, uint8_t(GetGValue(c)), 0, uint8_t(GetBValue(c))};
  Data.Data.assign(d, d + 6);
  WriteChunk(stream);
}

// gAMA

TChunkGAMA::TChunkGAMA(TChunkList* owner) : TChunk(owner) { SetGamma(1); }

uint32_t TChunkGAMA::Gamma() const { return Data.Data.size() >= 4 ? GetBE32(Data.Data.data()) : 0; }

void TChunkGAMA::SetGamma(uint32_t value) {
  Data.Data.resize(4);
  PutBE32(Data.Data.data(), value);
  Built = false;
}

void TChunkGAMA::Assign(const TChunk& source) {
  TChunk::Assign(source);
  Built = false;
}

void TChunkGAMA::AfterLoad() { BuildTables(); }

void TChunkGAMA::BuildTables() const {
  const uint32_t g = Gamma();
  if (Built && BuiltFor == g) return;
  if (g == 0) {
    // No usable gamma: no correction.
    for (int i = 0; i < 256; ++i) Forward[i] = Inverse[i] = uint8_t(i);
  } else {
    const double exponent = double(g) / 100000.0 * 2.2;
    for (int i = 0; i < 256; ++i) {
      const double f = std::nearbyint(255.0 * std::pow(i / 255.0, 1.0 / exponent));
      Forward[i] = uint8_t(std::clamp(f, 0.0, 255.0));
    }
    // Every entry of the inverse gets a value (entries that no forward value reaches would turn
    // colours black); values that the forward table does reach map back exactly.
    for (int j = 0; j < 256; ++j) {
      const double v = std::nearbyint(255.0 * std::pow(j / 255.0, exponent));
      Inverse[j] = uint8_t(std::clamp(v, 0.0, 255.0));
    }
    for (int i = 0; i < 256; ++i) Inverse[Forward[i]] = uint8_t(i);
  }
  Built = true;
  BuiltFor = g;
}

const uint8_t* TChunkGAMA::GammaTable() const {
  BuildTables();
  return Forward;
}

const uint8_t* TChunkGAMA::InverseTable() const {
  BuildTables();
  return Inverse;
}

// IDAT: decoding

void TChunkIDAT::AfterLoad() {
  TPNGImage& img = Image();
  const TChunkList& list = *Owner();
  const TChunkIHDR* header = list.Find<TChunkIHDR>();
  if (!header) Fail(kNoHeader);
  if (header->Data.Data.size() != 13) Fail(kBadHeaderSize);
  const int colorType = header->ColorType(), depth = header->BitDepth();
  if (colorType != 0 && colorType != 2 && colorType != 3 && colorType != 4 && colorType != 6) Fail(kUnknownColorType);
  if (!ValidDepth(colorType, depth)) Fail(kBadBitDepth);
  const int64_t width = header->Width(), height = header->Height();
  if (width < 1 || height < 1 || width > 0x7FFFFFFF || height > 0x7FFFFFFF || width * height > MaxPicturePixels)
    Fail(kBadDimensions);
  const int interlace = header->InterlaceMethod();
  if (interlace > 1) Fail(kUnknownInterlace);

  const TChunkGAMA* gamma = list.Find<TChunkGAMA>();
  const uint8_t* forward = gamma ? gamma->GammaTable() : nullptr;

  // The bitmap's format and palette.
  TPaletteEntries palette;
  if (colorType == 3) {
    const TChunkPLTE* plte = list.Find<TChunkPLTE>();
    if (!plte) Fail(kNoPalette);
    palette = FitPalette(plte->Palette(), depth);
  } else if (colorType == 0 || colorType == 4) {
    palette = FitPalette(GreyPalette(colorType == 4 ? 8 : depth, forward), colorType == 4 ? 8 : depth);
  }

  // The image cannot need more bytes than its compressed data can possibly inflate to.
  int64_t needed = 0;
  if (interlace == 0) {
    needed = height * (RowBytesOf(colorType, depth, width) + 1);
  } else {
    for (const TAdam7Pass& p : kPasses) {
      const int64_t pw = (width - p.ColStart + p.ColStep - 1) / p.ColStep;
      const int64_t ph = (height - p.RowStart + p.RowStep - 1) / p.RowStep;
      if (pw > 0 && ph > 0) needed += ph * (RowBytesOf(colorType, depth, pw) + 1);
    }
  }
  if (needed > int64_t(Data.Data.size()) * kMaxInflateRatio + 1024) Fail(kDataTooShort);

  // The pixels are decoded into a new image that the bitmap takes over at the end, also when the
  // data fail part way (the rows not reached stay white, or colour 0).
  const TPixelFormat format = BitmapFormatFor(colorType, depth);
  const bool indexed = format != pf24bit;
  QImage q = NewDecodeImage(int(width), int(height), indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32);
  if (q.isNull()) throw EOutOfResources("Not enough storage is available to process this command.");
  if (indexed) {
    QList<QRgb> table;
    for (TColor c : palette) table.push_back(qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
    q.setColorTable(table);
  }
  uint8_t* bits = q.bits();
  const int64_t stride = q.bytesPerLine();
  const uint8_t blank = indexed ? 0 : 0xFF;
  if (interlace != 0) std::memset(bits, blank, size_t(stride * height));
  int64_t rowsDone = 0;
  try {
    DecodeRows(img, q, colorType, depth, interlace, forward, rowsDone);
  } catch (...) {
    if (interlace == 0) std::memset(bits + rowsDone * stride, blank, size_t(stride * (height - rowsDone)));
    img.SetImage(q);
    throw;
  }
  img.SetImage(q);
}

void TChunkIDAT::DecodeRows(TPNGImage& img, QImage& q, int colorType, int depth, int interlace,
                            const uint8_t* forward, int64_t& rowsDone) {
  const int64_t width = q.width(), height = q.height();
  const int bpp = FilterBytesPerPixel(colorType, depth);
  uint8_t* bits = q.bits();
  const int64_t stride = q.bytesPerLine();
  const TRowStore store{colorType, depth, forward};

  TImageInflater inflater(Data.Data.data(), Data.Data.size());
  const bool reporting = bool(img.OnProgress);

  if (interlace == 0) {
    // Rows are inflated many at a time (zlib works fastest with a large output buffer), then
    // unfiltered in place, each against the row before it.
    const int64_t rowBytes = RowBytesOf(colorType, depth, width);
    const int64_t stride1 = rowBytes + 1;
    const int64_t rowsPerBlock = std::clamp<int64_t>((int64_t(1) << 18) / stride1, 1, height);
    // Room for a 4-byte read at the last sample of the last row.
    std::vector<uint8_t> block(size_t(rowsPerBlock * stride1 + 4), 0);
    std::vector<uint8_t> last(size_t(rowBytes + 4), 0);
    const uint8_t* prev = last.data();
    bool pairDone = false;
    for (int64_t y0 = 0; y0 < height; y0 += rowsPerBlock) {
      const int64_t n = std::min(rowsPerBlock, height - y0);
      const int64_t got = inflater.Read(block.data(), n * stride1);
      const int64_t whole = got / stride1;
      for (int64_t r = 0; r < whole; ++r) {
        uint8_t* row = block.data() + r * stride1;
        if (r % 2 == 0) {
          // Rows in pairs where that is faster; the second of a pair is then already done.
          if (r + 1 < whole && UnfilterPair(row + 1, row + 1 + stride1, prev, size_t(rowBytes), bpp))
            pairDone = true;
          else
            Unfilter(row[0], row + 1, prev, size_t(rowBytes), bpp);
        } else if (!pairDone) {
          Unfilter(row[0], row + 1, prev, size_t(rowBytes), bpp);
        } else {
          pairDone = false;
        }
        const int64_t y = y0 + r;
        store(row + 1, width, bits + y * stride, 0, 1);
        rowsDone = y + 1;
        prev = row + 1;
        if (reporting) img.Progress(psRunning, int(y * 100 / height), "Drawing...");
      }
      if (whole < n) Fail(kCorrupted);
      std::memcpy(last.data(), prev, size_t(rowBytes));
      prev = last.data();
    }
  } else {
    std::vector<uint8_t> rows;
    for (int pass = 0; pass < 7; ++pass) {
      const TAdam7Pass& p = kPasses[pass];
      const int64_t pw = (width - p.ColStart + p.ColStep - 1) / p.ColStep;
      const int64_t ph = (height - p.RowStart + p.RowStep - 1) / p.RowStep;
      if (pw <= 0 || ph <= 0) continue;
      const int64_t rowBytes = RowBytesOf(colorType, depth, pw);
      const int64_t span = rowBytes + 1 + 4;
      rows.assign(size_t(2 * span), 0);
      uint8_t* cur = rows.data();
      uint8_t* prev = cur + span;
      for (int64_t r = 0; r < ph; ++r) {
        if (inflater.Read(cur, rowBytes + 1) != rowBytes + 1) Fail(kCorrupted);
        Unfilter(cur[0], cur + 1, prev + 1, size_t(rowBytes), bpp);
        const int64_t y = p.RowStart + r * p.RowStep;
        store(cur + 1, pw, bits + y * stride, p.ColStart, p.ColStep);
        std::swap(cur, prev);
      }
      if (reporting) img.Progress(psRunning, pass * 100 / 6, "Drawing...");
    }
  }
}

// IDAT: encoding

void TChunkIDAT::SaveToStream(TStream& stream) {
  TPNGImage& img = Image();
  if (img.Empty()) Fail(kNothingToSave);
  const int width = img.Width(), height = img.Height();
  int depth = 8, bpp = 3;
  const bool indexed = img.IsIndexed();
  if (indexed) {
    depth = img.PixelFormat() == pf1bit ? 1 : img.PixelFormat() == pf4bit ? 4 : 8;
    bpp = 1;
  } else if (img.PixelFormat() != pf24bit) {
    img.SetPixelFormat(pf24bit);
  }
  const size_t rowBytes = size_t(indexed ? (int64_t(depth) * width + 7) / 8 : int64_t(width) * 3);
  const TChunkGAMA* gamma = Owner()->Find<TChunkGAMA>();
  const uint8_t* inv = gamma ? gamma->InverseTable() : nullptr;
  const TFilters filters = TFilters(img.Filter() | 1);
  const QImage& q = img.Image();

  Data.Clear();
  TZCompressionStream deflater(zcDefault, Data);
  std::vector<uint8_t> raw(rowBytes), prev(rowBytes, 0), trial(rowBytes);
  std::vector<uint8_t> pending;
  pending.reserve(std::max<size_t>(1 << 17, 2 * (rowBytes + 1)));
  for (int y = 0; y < height; ++y) {
    const uint8_t* line = q.constScanLine(y);
    if (!indexed) {
      const auto* px = reinterpret_cast<const uint32_t*>(line);
      uint8_t* o = raw.data();
      if (inv) {
        for (int x = 0; x < width; ++x, o += 3) {
          o[0] = inv[(px[x] >> 16) & 0xFF];
          o[1] = inv[(px[x] >> 8) & 0xFF];
          o[2] = inv[px[x] & 0xFF];
        }
      } else {
        for (int x = 0; x < width; ++x, o += 3) {
          o[0] = uint8_t(px[x] >> 16);
          o[1] = uint8_t(px[x] >> 8);
          o[2] = uint8_t(px[x]);
        }
      }
    } else if (depth == 8) {
      std::memcpy(raw.data(), line, rowBytes);
    } else if (depth == 4) {
      std::fill(raw.begin(), raw.end(), 0);
      for (int x = 0; x < width; ++x) raw[size_t(x >> 1)] |= uint8_t((line[x] & 15) << (x & 1 ? 0 : 4));
    } else {
      std::fill(raw.begin(), raw.end(), 0);
      for (int x = 0; x < width; ++x) raw[size_t(x >> 3)] |= uint8_t((line[x] & 1) << (7 - (x & 7)));
    }

    // The filter whose row has the most runs of equal bytes; ties keep the lower type.
    int chosen = pfNone;
    const size_t start = pending.size();
    pending.resize(start + 1 + rowBytes);
    uint8_t* out = pending.data() + start + 1;
    std::memcpy(out, raw.data(), rowBytes);
    if (filters != 1 && rowBytes >= 5) {
      int64_t best = RunScore(raw.data(), rowBytes);
      // No row scores above rowBytes - 4: once that is reached, later filters can only tie.
      const int64_t most = int64_t(rowBytes) - 4;
      for (int type = pfSub; type <= pfPaeth && best < most; ++type) {
        if (!(filters & (1 << type))) continue;
        FilterRow(type, raw.data(), prev.data(), trial.data(), rowBytes, size_t(bpp));
        const int64_t score = RunScore(trial.data(), rowBytes);
        if (score > best) {
          best = score;
          chosen = type;
          std::memcpy(out, trial.data(), rowBytes);
        }
      }
    }
    pending[start] = uint8_t(chosen);
    std::swap(raw, prev);
    if (pending.size() >= (1 << 16)) {
      deflater.WriteBuffer(pending.data(), int64_t(pending.size()));
      pending.clear();
    }
  }
  if (!pending.empty()) deflater.WriteBuffer(pending.data(), int64_t(pending.size()));
  deflater.Finish();
  WriteChunk(stream);
}

// ---------------------------------------------------------------------------------------------
// Registry and list

const TChunkClassInfo& TChunkClasses::Item(int index) const {
  if (index < 0 || index >= Count()) Fail(kClassIndexOutOfRange);
  return Items[size_t(index)];
}

void TChunkClasses::Add(const TChunkType& type, const std::type_info& cls, TChunkFactory create) {
  Items.push_back({type, &cls, std::move(create)});
}

int TChunkClasses::IndexOfType(const TChunkType& type) const {
  for (size_t i = 0; i < Items.size(); ++i)
    if (Items[i].Type == type) return int(i);
  return -1;
}

int TChunkClasses::IndexOfClass(const std::type_info& cls) const {
  for (size_t i = 0; i < Items.size(); ++i)
    if (*Items[i].Class == cls) return int(i);
  return -1;
}

TChunkClasses& ChunkClasses() {
  static TChunkClasses classes = [] {
    TChunkClasses c;
    c.Add(kIEND, typeid(TChunkIEND), [](TChunkList* o) { return std::make_unique<TChunkIEND>(o); });
    c.Add(kIHDR, typeid(TChunkIHDR), [](TChunkList* o) { return std::make_unique<TChunkIHDR>(o); });
    c.Add(kGAMA, typeid(TChunkGAMA), [](TChunkList* o) { return std::make_unique<TChunkGAMA>(o); });
    c.Add(kIDAT, typeid(TChunkIDAT), [](TChunkList* o) { return std::make_unique<TChunkIDAT>(o); });
    c.Add(kPLTE, typeid(TChunkPLTE), [](TChunkList* o) { return std::make_unique<TChunkPLTE>(o); });
    c.Add(kTRNS, typeid(TChunkTRNS), [](TChunkList* o) { return std::make_unique<TChunkTRNS>(o); });
    return c;
  }();
  return classes;
}

TChunk* TChunkList::Item(int index) const {
  if (index < 0 || index >= Count()) Fail(kIndexOutOfRange);
  return Items[size_t(index)].get();
}

int TChunkList::IndexOf(const TChunk* chunk) const {
  for (size_t i = 0; i < Items.size(); ++i)
    if (Items[i].get() == chunk) return int(i);
  return -1;
}

int TChunkList::IndexOfClass(const std::type_info& cls) const {
  for (size_t i = 0; i < Items.size(); ++i)
    if (const TChunk& item = *Items[i]; typeid(item) == cls) return int(i);
  return -1;
}

TChunk* TChunkList::Add(std::unique_ptr<TChunk> chunk) {
  Items.push_back(std::move(chunk));
  return Items.back().get();
}

TChunk* TChunkList::CreateAndAdd(const std::type_info& cls) {
  const TChunkClasses& classes = ChunkClasses();
  const int index = classes.IndexOfClass(cls);
  if (index < 0) return Add(std::make_unique<TChunk>(this));
  std::unique_ptr<TChunk> chunk = classes.Item(index).Create(this);
  chunk->ChunkType = classes.Item(index).Type;
  return Add(std::move(chunk));
}

void TChunkList::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count()) Fail(kIndexOutOfRange);
  std::unique_ptr<TChunk> chunk = std::move(Items[size_t(from)]);
  Items.erase(Items.begin() + from);
  Items.insert(Items.begin() + to, std::move(chunk));
}

void TChunkList::Remove(TChunk* chunk) {
  const int index = IndexOf(chunk);
  if (index < 0) Fail(kNotInList);
  Items.erase(Items.begin() + index);
}

TChunk* TChunkList::LoadFromStream(TStream& stream) {
  uint8_t head[8];
  if (stream.Read(head, 8) != 8) Fail(kCorrupted);
  const uint32_t length = GetBE32(head);
  TChunkType type;
  std::memcpy(type.data(), head + 4, 4);
  // The length is checked against what the stream holds before anything is allocated for it.
  if (length > kMaxChunkLength || int64_t(length) + 4 > stream.Remaining()) Fail(kCorrupted);

  uint8_t crc[4];
  if (type == kIDAT) {
    if (TChunkIDAT* first = Find<TChunkIDAT>()) {
      // Joined to the first image data chunk: read straight onto its end.
      auto& d = first->Data.Data;
      const size_t at = d.size();
      if (d.capacity() < at + length) d.reserve(at + size_t(std::max<int64_t>(length, stream.Remaining())));
      d.resize(at + length);
      if (length > 0) stream.ReadBuffer(d.data() + at, length);
      stream.ReadBuffer(crc, 4);
      if (GetBE32(crc) != ChunkCRC(type, d.data() + at, length)) Fail(kCorrupted);
      return first;
    }
  }

  const TChunkClasses& classes = ChunkClasses();
  const int index = classes.IndexOfType(type);
  if (index < 0 && !(uint8_t(type[0]) & 0x20)) Fail(kCriticalUnknown);
  std::unique_ptr<TChunk> chunk = index < 0 ? std::make_unique<TChunk>(this) : classes.Item(index).Create(this);
  chunk->ChunkType = type;
  chunk->Data.Data.resize(length);
  if (length > 0) stream.ReadBuffer(chunk->Data.Data.data(), length);
  stream.ReadBuffer(crc, 4);
  if (GetBE32(crc) != ChunkCRC(type, chunk->Data.Data.data(), length)) Fail(kCorrupted);
  return Add(std::move(chunk));
}

void TChunkList::SortStandard() {
  std::stable_sort(Items.begin(), Items.end(), [](const std::unique_ptr<TChunk>& a, const std::unique_ptr<TChunk>& b) {
    return TypeRank(a->ChunkType) < TypeRank(b->ChunkType);
  });
}

// ---------------------------------------------------------------------------------------------
// The image

TPNGImage::TPNGImage() : FChunks(this) {
  DefaultChunks();
  SetPalette({});
}

TPNGImage::~TPNGImage() = default;

void TPNGImage::DefaultChunks() {
  FChunks.Clear();
  auto* header = FChunks.CreateAndAdd<TChunkIHDR>();
  header->Data.Data.assign(13, 0);
  header->SetBitDepth(2);
  header->SetColorType(3);
  FChunks.CreateAndAdd<TChunkIDAT>();
  FChunks.CreateAndAdd<TChunkIEND>();
}

void TPNGImage::Assign(const TGraphic& source) {
  if (&source == this) return;
  if (const auto* png = dynamic_cast<const TPNGImage*>(&source)) {
    FChunks.Clear();
    for (int i = 0; i < png->FChunks.Count(); ++i) {
      const TChunk& from = *png->FChunks.Item(i);
      TChunk* to = FChunks.CreateAndAdd(typeid(from));
      to->Assign(from);
    }
    FFilter = png->FFilter;
    FInterlaced = png->FInterlaced;
    TBitmap::operator=(*png);
  } else if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
    TBitmap::operator=(*bitmap);
  } else if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(&source)) {
    TBitmap::operator=(const_cast<TJPEGImage*>(jpeg)->Bitmap());
  } else {
    // Any other picture: drawn onto a bitmap of its size.
    auto& other = const_cast<TGraphic&>(source);
    TBitmap pixels(other.Width(), other.Height(), pf24bit);
    if (!pixels.Empty()) other.Draw(pixels.Canvas(), TRect{0, 0, other.Width(), other.Height()});
    TBitmap::operator=(pixels);
    Transparent = source.Transparent;
  }
}

void TPNGImage::LoadFromStream(TStream& stream) {
  DefaultChunks();
  FChunks.Clear();
  uint8_t signature[8];
  if (stream.Read(signature, 8) != 8 || std::memcmp(signature, kSignature, 8) != 0) Fail(kInvalidSignature);
  while (stream.Position() < stream.Size()) {
    const TChunk* chunk = FChunks.LoadFromStream(stream);
    if (chunk->ChunkType == kIEND) break;
  }
  if (FChunks.Count() == 0 || !IsHeader(FChunks.Item(0))) Fail(kNoHeader);
  if (!FChunks.Find<TChunkIDAT>()) Fail(kNoImageData);
  for (int i = 0; i < FChunks.Count(); ++i) FChunks.Item(i)->AfterLoad();
  if (const TChunkTRNS* trns = FChunks.Find<TChunkTRNS>()) {
    if (FChunks.Find<TChunkIHDR>()->ColorType() == 2) {
      const TColor c = trns->TransparentColor();
      if (c != clNone) {
        TransparentColor = c;
        Transparent = true;
      }
    }
  }
}

void TPNGImage::SaveToStream(TStream& stream) {
  if (Empty()) Fail(kNothingToSave);
  if (FChunks.Count() == 0) DefaultChunks();
  if (!IsHeader(FChunks.Item(0))) {
    TChunk* header = FChunks.CreateAndAdd<TChunkIHDR>();
    FChunks.Move(FChunks.IndexOf(header), 0);
  }
  if (IsIndexed() && !FChunks.Find<TChunkPLTE>()) FChunks.Move(FChunks.IndexOf(FChunks.CreateAndAdd<TChunkPLTE>()), 1);
  if (Transparent) {
    if (!FChunks.Find<TChunkTRNS>()) FChunks.Move(FChunks.IndexOf(FChunks.CreateAndAdd<TChunkTRNS>()), 1);
  } else {
    while (TChunkTRNS* trns = FChunks.Find<TChunkTRNS>()) FChunks.Remove(trns);
  }
  DropUnfitChunks();
  if (!FChunks.Find<TChunkIEND>()) FChunks.CreateAndAdd<TChunkIEND>();
  if (!FChunks.Find<TChunkIDAT>()) FChunks.Move(FChunks.IndexOf(FChunks.CreateAndAdd<TChunkIDAT>()), 1);
  // One chunk of each kind that may occur once, in the order the format requires.
  for (const std::type_info* cls : {&typeid(TChunkIHDR), &typeid(TChunkPLTE), &typeid(TChunkTRNS),
                                    &typeid(TChunkGAMA), &typeid(TChunkIDAT), &typeid(TChunkIEND)}) {
    const int first = FChunks.IndexOfClass(*cls);
    for (int i = FChunks.Count() - 1; i > first && first >= 0; --i)
      if (TChunk* chunk = FChunks.Item(i); typeid(*chunk) == *cls) FChunks.Remove(chunk);
  }
  FChunks.SortStandard();

  // The header comes first and switches bitmaps that are not indexed to 24 bits.
  TMemoryStream out;
  out.WriteBuffer(kSignature, 8);
  for (int i = 0; i < FChunks.Count(); ++i) FChunks.Item(i)->SaveToStream(out);
  stream.WriteBuffer(out.Memory(), out.Size());
}

void TPNGImage::DropUnfitChunks() {
  // The image data are always written anew, often in another colour type and bit depth than the
  // file they came from. Chunks that describe the old data (significant bits, background,
  // histogram, suggested palettes, animation frames, chunks of other programs that are not safe
  // to copy) would no longer fit them; only those that hold whatever the data are stay.
  for (int i = FChunks.Count() - 1; i >= 0; --i) {
    TChunk& chunk = *FChunks.Item(i);
    if (const auto* gamma = dynamic_cast<const TChunkGAMA*>(&chunk)) {
      if (gamma->Gamma() == 0 || chunk.Data.Data.size() != 4) FChunks.Remove(&chunk);
      continue;
    }
    if (typeid(chunk) != typeid(TChunk)) continue;  // chunks with a class of their own
    if (!KeptOnResave(chunk.ChunkType, chunk.Data.Data)) FChunks.Remove(&chunk);
  }
  // Each of these may occur once: the first is kept. A colour profile and the sRGB chunk exclude
  // each other: sRGB is kept.
  for (const TChunkType& type : {T("tIME"), T("cHRM"), T("sRGB"), T("iCCP")}) {
    bool first = true;
    for (int i = 0; i < FChunks.Count();) {
      TChunk* chunk = FChunks.Item(i);
      if (chunk->ChunkType == type && !std::exchange(first, false))
        FChunks.Remove(chunk);
      else
        ++i;
    }
  }
  if (FindChunk(FChunks, T("sRGB")))
    while (TChunk* profile = FindChunk(FChunks, T("iCCP"))) FChunks.Remove(profile);
}

void RegisterPNGImageFormat() {
  RegisterFileFormat(".PNG", "Portable Network Graphics", [] { return std::make_unique<TPNGImage>(); });
}

namespace {
const bool kPNGRegistered = (RegisterPNGImageFormat(), true);
}

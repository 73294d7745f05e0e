#include "helpers/resampler.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

#include <QImage>
#include <QSemaphore>
#include <QThreadPool>

#include "platform/bitmap.h"

float SincFunction(float u) {
  if (u == 0.0f) return 1.0f;
  const float pu = float(std::numbers::pi) * u;
  return std::sin(pu) / pu;
}

float BoxFilter(float t) { return (t > -0.5f && t <= 0.5f) ? 1.0f : 0.0f; }

float TriangleFilter(float t) {
  const float x = std::fabs(t);
  return x < 1.0f ? 1.0f - x : 0.0f;
}

float HermiteFilter(float t) {
  const float x = std::fabs(t);
  return x < 1.0f ? (2.0f * x - 3.0f) * x * x + 1.0f : 0.0f;
}

float BellFilter(float t) {
  const float x = std::fabs(t);
  if (x < 0.5f) return 0.75f - x * x;
  if (x < 1.5f) return 0.5f * (x - 1.5f) * (x - 1.5f);
  return 0.0f;
}

float SplineFilter(float t) {
  const float x = std::fabs(t);
  if (x < 1.0f) return 0.5f * x * x * x - x * x + 2.0f / 3.0f;
  if (x < 2.0f) return (2.0f - x) * (2.0f - x) * (2.0f - x) / 6.0f;
  return 0.0f;
}

float Lanczos3Filter(float t) {
  const float x = std::fabs(t);
  return x < 3.0f ? SincFunction(x) * SincFunction(x / 3.0f) : 0.0f;
}

float MitchellFilter(float t) {
  const float x = std::fabs(t);
  if (x < 1.0f) return (7.0f * x * x * x - 12.0f * x * x + 16.0f / 3.0f) / 6.0f;
  if (x < 2.0f) return (-7.0f / 3.0f * x * x * x + 12.0f * x * x - 20.0f * x + 32.0f / 3.0f) / 6.0f;
  return 0.0f;
}

const TFilterProc FilterProcs[FilterCount] = {BoxFilter,    TriangleFilter, HermiteFilter, BellFilter,
                                              SplineFilter, Lanczos3Filter, MitchellFilter};
const float FilterSupports[FilterCount] = {0.5f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
const TFilterChoice FilterChoices[FilterCount] = {{0, 0.5f}, {1, 1.0f}, {2, 1.0f}, {3, 1.5f},
                                                  {4, 2.0f}, {5, 3.0f}, {6, 2.0f}};

namespace {

// One reflection at each edge; a window longer than the source is brought inside by reflecting
// again and, for what still falls outside, clamping to the edge pixel.
int32_t ReflectIndex(long j, int n) {
  for (int k = 0; k < 4 && (j < 0 || j >= n); ++k) {
    if (j < 0) j = -j;
    else if (j >= n) j = 2L * n - 1 - j;
  }
  if (j < 0) j = 0;
  if (j >= n) j = n - 1;
  return int32_t(j);
}

// Pixels of this platform's 24-bit bitmaps are 4 bytes in memory (B, G, R, unused).
constexpr int PixelBytes = 4;
// Weight totals up to this are divided by multiplying with their reciprocal (see Quotients).
constexpr int32_t QuickDivisionLimit = 16384;

// The contributor lists laid out flat for the passes: per destination position its first
// weight, its count (made even with a zero weight, so the passes can take contributors two at a
// time), the sum of its weights and that sum's reciprocal; Pair holds each two weights as the
// two 16-bit halves of one word.
struct FlatContributors {
  std::vector<int32_t> First, Count, Total;
  std::vector<float> Inverse;
  std::vector<int32_t> Weight, Index, Pair;
  // The contributors are neighbouring pixels, in order, and the total takes the quick division.
  std::vector<uint8_t> Simple;
  std::vector<int32_t> Runs;  // where the count or simplicity changes, and the end
  int MaxCount = 0;
#if defined(__SSE2__)
  // Pair and Inverse repeated across a vector, read as they are by the passes' arithmetic.
  struct Words {
    __m128i Value;
  };
  struct Floats {
    __m128 Value;
  };
  std::vector<Words> PairVector;
  std::vector<Floats> InverseVector;
  std::vector<int32_t> Start, PairFirst;  // per position: Index and Pair of its first contributor
#endif
};

// 1 / Total, rounded up to the next float where rounding went down.
float RoundedUpReciprocal(int32_t total) {
  if (total <= 0) return 0.0f;
  float inverse = 1.0f / float(total);
  if (double(inverse) * double(total) < 1.0) inverse = std::nextafter(inverse, 2.0f);
  return inverse;
}

// NextLimit: the padding of an odd count takes the next index when it is below this (so that
// neighbouring pixels stay neighbours), otherwise it repeats the last one.
FlatContributors Flatten(const TContributorList& list, int nextLimit, int indexScale) {
  FlatContributors f;
  const size_t n = list.size();
  f.First.resize(n), f.Count.resize(n), f.Total.resize(n), f.Inverse.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const TContributorEntry& e = list[i];
    f.First[i] = int32_t(f.Weight.size());
    int32_t total = 0;
    for (int k = 0; k < e.Count; ++k) {
      total += e.Contributors[size_t(k)].Weight;
      f.Weight.push_back(e.Contributors[size_t(k)].Weight);
      f.Index.push_back(e.Contributors[size_t(k)].Pixel * indexScale);
    }
    if (e.Count % 2 != 0) {
      f.Weight.push_back(0);
      const int32_t last = f.Index.back();
      f.Index.push_back(last + indexScale < nextLimit * indexScale ? last + indexScale : last);
    }
    f.Count[i] = int32_t(f.Weight.size()) - f.First[i];
    f.MaxCount = std::max(f.MaxCount, f.Count[i]);
    f.Total[i] = total;
    f.Inverse[i] = RoundedUpReciprocal(total);
  }
  f.Simple.resize(n);
  for (size_t i = 0; i < n; ++i) {
    bool simple = f.Count[i] > 0 && f.Total[i] > 0 && f.Total[i] <= QuickDivisionLimit;
    for (int k = 1; k < f.Count[i]; ++k)
      simple = simple && f.Index[size_t(f.First[i] + k)] == f.Index[size_t(f.First[i])] + k * indexScale;
    f.Simple[i] = simple;
  }
  for (size_t i = 0; i < n; ++i)
    if (i == 0 || f.Count[i] != f.Count[i - 1] || f.Simple[i] != f.Simple[i - 1]) f.Runs.push_back(int32_t(i));
  f.Runs.push_back(int32_t(n));
  for (size_t k = 0; k < f.Weight.size(); k += 2)
    f.Pair.push_back(int32_t(uint32_t(f.Weight[k]) & 0xFFFFu) | int32_t(uint32_t(f.Weight[k + 1]) << 16));
#if defined(__SSE2__)
  for (const int32_t pair : f.Pair) f.PairVector.push_back({_mm_set1_epi32(pair)});
  for (const float inverse : f.Inverse) f.InverseVector.push_back({_mm_set1_ps(inverse)});
  for (size_t i = 0; i < n; ++i) {
    f.Start.push_back(f.Count[i] > 0 ? f.Index[size_t(f.First[i])] : 0);
    f.PairFirst.push_back(f.First[i] / 2);
  }
#endif
  return f;
}

// The quotient of one channel's sum by its weight total as the passes define it: truncated, and
// the sum shifted down by 8 bits when the weights cancel out; clamped to a byte.
inline int32_t ChannelQuotient(int32_t sum, int32_t total) {
  return Clamp255(total != 0 ? sum / total : sum >> 8);
}

#if defined(__SSE2__)

// Every weight fits 16 bits (at most 256 in size), so two contributors at a time are one
// multiply-add of 16-bit pixel values; a pixel's four byte lanes give four 32-bit sums.

// Pixels a and b as 16-bit lanes ordered (B a, B b, G a, G b, R a, R b, X a, X b).
inline __m128i PixelPair(const uint8_t* a, const uint8_t* b) {
  int32_t pa, pb;
  std::memcpy(&pa, a, 4);
  std::memcpy(&pb, b, 4);
  return _mm_unpacklo_epi8(_mm_unpacklo_epi8(_mm_cvtsi32_si128(pa), _mm_cvtsi32_si128(pb)), _mm_setzero_si128());
}

// The quick division of Quotients, for totals known to take it.
inline __m128i QuickQuotients(__m128i sum, float inverse) {
  return _mm_cvttps_epi32(_mm_min_ps(_mm_mul_ps(_mm_cvtepi32_ps(sum), _mm_set1_ps(inverse)), _mm_set1_ps(256.0f)));
}

// The four quotients of Sum by Total, not yet clamped (the packing clamps). For totals up to
// QuickDivisionLimit the division is a multiplication by Inverse, the reciprocal rounded up: for quotients up to
// 256 the product then lies at or above the true quotient and below the next whole number, so it
// truncates to the exact quotient; larger and negative ones clamp the same either way.
inline __m128i Quotients(__m128i sum, int32_t total, float inverse) {
  if (total > 0 && total <= QuickDivisionLimit) return QuickQuotients(sum, inverse);
  alignas(16) int32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sum);
  for (int32_t& lane : lanes) lane = ChannelQuotient(lane, total);
  return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes));
}

inline uint32_t PackPixel(__m128i q) {
  const __m128i words = _mm_packs_epi32(q, q);
  return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(words, words))) | 0xFF000000u;
}

// The weighted sum of one destination pixel's N source pixels (N even; 0 means count).
template <int N>
inline __m128i PixelSum(const uint8_t* source, const int32_t* index, const int32_t* pair, int count) {
  const int n = N > 0 ? N : count;
  __m128i sum = _mm_setzero_si128();
  for (int k = 0; k < n; k += 2)
    sum = _mm_add_epi32(sum, _mm_madd_epi16(PixelPair(source + index[k], source + index[k + 1]),
                                            _mm_set1_epi32(pair[k / 2])));
  return sum;
}

// The same for N source pixels side by side in memory, read four at a time.
template <int N>
inline __m128i AdjacentPixelSum(const uint8_t* p, const FlatContributors::Words* pair) {
  const __m128i zero = _mm_setzero_si128();
  __m128i sum = zero;
  int k = 0;
  for (; k + 4 <= N; k += 4, p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i next = _mm_srli_si128(v, 4);
    // Low halves: pixels 0 and 1, then 2 and 3, their bytes interleaved.
    const __m128i first = _mm_unpacklo_epi8(_mm_unpacklo_epi8(v, next), zero);
    const __m128i second = _mm_unpacklo_epi8(_mm_unpackhi_epi8(v, next), zero);
    sum = _mm_add_epi32(sum, _mm_madd_epi16(first, pair[k / 2].Value));
    sum = _mm_add_epi32(sum, _mm_madd_epi16(second, pair[k / 2 + 1].Value));
  }
  if (k < N) {
    const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    const __m128i both = _mm_unpacklo_epi8(_mm_unpacklo_epi8(v, _mm_srli_si128(v, 4)), zero);
    sum = _mm_add_epi32(sum, _mm_madd_epi16(both, pair[k / 2].Value));
  }
  return sum;
}

template <int N>
void HorizontalRun(const uint8_t* source, uint32_t* out, const FlatContributors& h, int x, int end) {
  for (; x < end; ++x) {
    const int first = h.First[size_t(x)];
    const __m128i sum = PixelSum<N>(source, h.Index.data() + first, h.Pair.data() + first / 2, h.Count[size_t(x)]);
    out[x] = PackPixel(Quotients(sum, h.Total[size_t(x)], h.Inverse[size_t(x)]));
  }
}

// Pixels whose contributors are neighbours and whose totals take the quick division, four
// destination pixels at a time.
template <int N>
void SimpleHorizontalRun(const uint8_t* source, uint32_t* out, const FlatContributors& h, int x, int end) {
  const __m128i unused = _mm_set1_epi32(int32_t(0xFF000000u));
  const auto quotients = [&](int i) {
    const __m128i sum = AdjacentPixelSum<N>(source + uint32_t(h.Start[size_t(i)]), h.PairVector.data() + uint32_t(h.PairFirst[size_t(i)]));
    return _mm_cvttps_epi32(_mm_min_ps(_mm_mul_ps(_mm_cvtepi32_ps(sum), h.InverseVector[size_t(i)].Value), _mm_set1_ps(256.0f)));
  };
  for (; x + 4 <= end; x += 4) {
    const __m128i words01 = _mm_packs_epi32(quotients(x), quotients(x + 1));
    const __m128i words23 = _mm_packs_epi32(quotients(x + 2), quotients(x + 3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(_mm_packus_epi16(words01, words23), unused));
  }
  for (; x < end; ++x) out[x] = PackPixel(quotients(x));
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define RESAMPLER_WIDE_VECTORS 1

// The same passes on 256-bit vectors where the processor has them (two pixels' sums per vector),
// chosen at run time.
#define WIDE __attribute__((target("avx2")))

bool WideVectors = __builtin_cpu_supports("avx2");

template <int N, bool Quick>
void VerticalRun(const uint32_t* const* rows, const int32_t* pair, int count, uint32_t* out, int width,
                 int32_t total, float inverse, int from);

WIDE inline __m256i BothLanes(__m128i low, __m128i high) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

// Sums of destination pixels i (low lane) and i + 1 (high lane), both with N neighbouring
// contributors.
template <int N>
WIDE inline __m256i AdjacentPixelSums(const uint8_t* source, const FlatContributors& h, int i) {
  const __m256i zero = _mm256_setzero_si256();
  const uint8_t* p0 = source + uint32_t(h.Start[size_t(i)]);
  const uint8_t* p1 = source + uint32_t(h.Start[size_t(i) + 1]);
  const FlatContributors::Words* w0 = h.PairVector.data() + uint32_t(h.PairFirst[size_t(i)]);
  const FlatContributors::Words* w1 = h.PairVector.data() + uint32_t(h.PairFirst[size_t(i) + 1]);
  __m256i sum = zero;
  int k = 0;
  for (; k + 4 <= N; k += 4) {
    const __m256i v = BothLanes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p0 + 4 * k)),
                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(p1 + 4 * k)));
    const __m256i next = _mm256_srli_si256(v, 4);
    const __m256i first = _mm256_unpacklo_epi8(_mm256_unpacklo_epi8(v, next), zero);
    const __m256i second = _mm256_unpacklo_epi8(_mm256_unpackhi_epi8(v, next), zero);
    sum = _mm256_add_epi32(sum, _mm256_madd_epi16(first, BothLanes(w0[k / 2].Value, w1[k / 2].Value)));
    sum = _mm256_add_epi32(sum, _mm256_madd_epi16(second, BothLanes(w0[k / 2 + 1].Value, w1[k / 2 + 1].Value)));
  }
  if (k < N) {
    const __m256i v = BothLanes(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p0 + 4 * k)),
                                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p1 + 4 * k)));
    const __m256i both = _mm256_unpacklo_epi8(_mm256_unpacklo_epi8(v, _mm256_srli_si256(v, 4)), zero);
    sum = _mm256_add_epi32(sum, _mm256_madd_epi16(both, BothLanes(w0[k / 2].Value, w1[k / 2].Value)));
  }
  return sum;
}

template <int N>
WIDE void SimpleHorizontalRunWide(const uint8_t* source, uint32_t* out, const FlatContributors& h, int x, int end) {
  const __m256 top = _mm256_set1_ps(256.0f);
  const __m128i unused = _mm_set1_epi32(int32_t(0xFF000000u));
  for (; x + 4 <= end; x += 4) {
    const __m256 inverse01 = _mm256_insertf128_ps(_mm256_castps128_ps256(h.InverseVector[size_t(x)].Value),
                                                  h.InverseVector[size_t(x) + 1].Value, 1);
    const __m256 inverse23 = _mm256_insertf128_ps(_mm256_castps128_ps256(h.InverseVector[size_t(x) + 2].Value),
                                                  h.InverseVector[size_t(x) + 3].Value, 1);
    const __m256i q01 = _mm256_cvttps_epi32(
        _mm256_min_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(AdjacentPixelSums<N>(source, h, x)), inverse01), top));
    const __m256i q23 = _mm256_cvttps_epi32(
        _mm256_min_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(AdjacentPixelSums<N>(source, h, x + 2)), inverse23), top));
    // Words of pixels (0, 2 | 1, 3), put in order, then bytes.
    const __m256i words = _mm256_permute4x64_epi64(_mm256_packs_epi32(q01, q23), _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(bytes, unused));
  }
  SimpleHorizontalRun<N>(source, out, h, x, end);
}

// A destination row whose total takes the quick division, eight pixels at a time.
template <int N>
WIDE void QuickVerticalRunWide(const uint32_t* const* rows, const int32_t* pair, int count, uint32_t* out, int width,
                               int32_t total, float inverse) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i unused = _mm256_set1_epi32(int32_t(0xFF000000u));
  const __m256 top = _mm256_set1_ps(256.0f), reciprocal = _mm256_set1_ps(inverse);
  __m256i weights[N / 2];
  for (int k = 0; k < N; k += 2) weights[k / 2] = _mm256_set1_epi32(pair[k / 2]);
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    __m256i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
    for (int k = 0; k < N; k += 2) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k] + x));
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k + 1] + x));
      const __m256i lo = _mm256_unpacklo_epi8(a, b), hi = _mm256_unpackhi_epi8(a, b);
      s0 = _mm256_add_epi32(s0, _mm256_madd_epi16(_mm256_unpacklo_epi8(lo, zero), weights[k / 2]));
      s1 = _mm256_add_epi32(s1, _mm256_madd_epi16(_mm256_unpackhi_epi8(lo, zero), weights[k / 2]));
      s2 = _mm256_add_epi32(s2, _mm256_madd_epi16(_mm256_unpacklo_epi8(hi, zero), weights[k / 2]));
      s3 = _mm256_add_epi32(s3, _mm256_madd_epi16(_mm256_unpackhi_epi8(hi, zero), weights[k / 2]));
    }
    // Each 128-bit lane holds pixels in the same order as the narrow pass, so the packing does too.
    const __m256i q0 = _mm256_cvttps_epi32(_mm256_min_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(s0), reciprocal), top));
    const __m256i q1 = _mm256_cvttps_epi32(_mm256_min_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(s1), reciprocal), top));
    const __m256i q2 = _mm256_cvttps_epi32(_mm256_min_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(s2), reciprocal), top));
    const __m256i q3 = _mm256_cvttps_epi32(_mm256_min_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(s3), reciprocal), top));
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(q0, q1), _mm256_packs_epi32(q2, q3));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), _mm256_or_si256(bytes, unused));
  }
  VerticalRun<N, true>(rows, pair, count, out, width, total, inverse, x);
}

#undef WIDE
#else
constexpr bool WideVectors = false;
#endif

// One source row through the horizontal contributors into a row of the intermediate width. Away
// from the edges every pixel has the same number of contributors, whose loop is then unrolled.
void HorizontalRow(const uint8_t* source, uint32_t* out, const FlatContributors& h, int width) {
  for (size_t r = 0; r + 1 < h.Runs.size(); ++r) {
    const int x = h.Runs[r], end = h.Runs[r + 1], count = h.Count[size_t(x)];
#if defined(RESAMPLER_WIDE_VECTORS)
    if (WideVectors && h.Simple[size_t(x)]) {
      switch (count) {
        case 2: SimpleHorizontalRunWide<2>(source, out, h, x, end); continue;
        case 4: SimpleHorizontalRunWide<4>(source, out, h, x, end); continue;
        case 6: SimpleHorizontalRunWide<6>(source, out, h, x, end); continue;
        case 8: SimpleHorizontalRunWide<8>(source, out, h, x, end); continue;
        case 10: SimpleHorizontalRunWide<10>(source, out, h, x, end); continue;
        case 12: SimpleHorizontalRunWide<12>(source, out, h, x, end); continue;
        default: break;
      }
    }
#endif
    switch (h.Simple[size_t(x)] ? count : -count) {
      case 2: SimpleHorizontalRun<2>(source, out, h, x, end); break;
      case 4: SimpleHorizontalRun<4>(source, out, h, x, end); break;
      case 6: SimpleHorizontalRun<6>(source, out, h, x, end); break;
      case 8: SimpleHorizontalRun<8>(source, out, h, x, end); break;
      case 10: SimpleHorizontalRun<10>(source, out, h, x, end); break;
      case 12: SimpleHorizontalRun<12>(source, out, h, x, end); break;
      case -2: HorizontalRun<2>(source, out, h, x, end); break;
      case -4: HorizontalRun<4>(source, out, h, x, end); break;
      default: HorizontalRun<0>(source, out, h, x, end); break;
    }
  }
  (void)width;
}

// One destination row from its contributing intermediate rows, four pixels at a time; N is the
// count of rows when known (0: Count), Quick whether the total takes the quick division.
template <int N, bool Quick>
void VerticalRun(const uint32_t* const* rows, const int32_t* pair, int count, uint32_t* out, int width,
                 int32_t total, float inverse, int from) {
  const int n = N > 0 ? N : count;
  const __m128i zero = _mm_setzero_si128();
  const __m128i unused = _mm_set1_epi32(int32_t(0xFF000000u));
  const auto quotients = [&](__m128i sum) { return Quick ? QuickQuotients(sum, inverse) : Quotients(sum, total, inverse); };
  // The weights held in registers for the whole row (the output could alias them in memory).
  __m128i weights[N > 0 ? N / 2 : 1];
  if constexpr (N > 0)
    for (int k = 0; k < N; k += 2) weights[k / 2] = _mm_set1_epi32(pair[k / 2]);
  const auto weight = [&](int k) { return N > 0 ? weights[k / 2] : _mm_set1_epi32(pair[k / 2]); };
  int x = from;
  for (; x + 4 <= width; x += 4) {
    __m128i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
    for (int k = 0; k < n; k += 2) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + x));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + x));
      const __m128i w = weight(k);
      const __m128i lo = _mm_unpacklo_epi8(a, b), hi = _mm_unpackhi_epi8(a, b);
      s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), w));
      s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), w));
      s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), w));
      s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), w));
    }
    const __m128i words01 = _mm_packs_epi32(quotients(s0), quotients(s1));
    const __m128i words23 = _mm_packs_epi32(quotients(s2), quotients(s3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(_mm_packus_epi16(words01, words23), unused));
  }
  for (; x < width; ++x) {
    __m128i sum = zero;
    for (int k = 0; k < n; k += 2)
      sum = _mm_add_epi32(sum, _mm_madd_epi16(PixelPair(reinterpret_cast<const uint8_t*>(rows[k] + x),
                                                        reinterpret_cast<const uint8_t*>(rows[k + 1] + x)),
                                              _mm_set1_epi32(pair[k / 2])));
    out[x] = PackPixel(quotients(sum));
  }
}

void VerticalRow(const uint32_t* const* rows, const int32_t* pair, int count, uint32_t* out, int width,
                 int32_t total, float inverse) {
  if (total > 0 && total <= QuickDivisionLimit) {
#if defined(RESAMPLER_WIDE_VECTORS)
    if (WideVectors) {
      switch (count) {
        case 2: return QuickVerticalRunWide<2>(rows, pair, count, out, width, total, inverse);
        case 4: return QuickVerticalRunWide<4>(rows, pair, count, out, width, total, inverse);
        case 6: return QuickVerticalRunWide<6>(rows, pair, count, out, width, total, inverse);
        case 8: return QuickVerticalRunWide<8>(rows, pair, count, out, width, total, inverse);
        case 10: return QuickVerticalRunWide<10>(rows, pair, count, out, width, total, inverse);
        case 12: return QuickVerticalRunWide<12>(rows, pair, count, out, width, total, inverse);
        default: break;
      }
    }
#endif
    switch (count) {
      case 2: return VerticalRun<2, true>(rows, pair, count, out, width, total, inverse, 0);
      case 4: return VerticalRun<4, true>(rows, pair, count, out, width, total, inverse, 0);
      case 6: return VerticalRun<6, true>(rows, pair, count, out, width, total, inverse, 0);
      case 8: return VerticalRun<8, true>(rows, pair, count, out, width, total, inverse, 0);
      case 10: return VerticalRun<10, true>(rows, pair, count, out, width, total, inverse, 0);
      case 12: return VerticalRun<12, true>(rows, pair, count, out, width, total, inverse, 0);
      default: return VerticalRun<0, true>(rows, pair, count, out, width, total, inverse, 0);
    }
  }
  VerticalRun<0, false>(rows, pair, count, out, width, total, inverse, 0);
}

#else

inline uint32_t DividePixel(const int32_t* sum, int32_t total) {
  uint32_t pixel = 0xFF000000u;
  for (int c = 0; c < 3; ++c) pixel |= uint32_t(ChannelQuotient(sum[c], total)) << (8 * c);
  return pixel;
}

void HorizontalRow(const uint8_t* source, uint32_t* out, const FlatContributors& h, int width) {
  for (int x = 0; x < width; ++x) {
    const int first = h.First[size_t(x)];
    int32_t sum[3] = {0, 0, 0};
    for (int k = 0, n = h.Count[size_t(x)]; k < n; ++k)
      for (int c = 0; c < 3; ++c) sum[c] += h.Weight[size_t(first + k)] * source[h.Index[size_t(first + k)] + c];
    out[x] = DividePixel(sum, h.Total[size_t(x)]);
  }
}

void VerticalRow(const uint32_t* const* rows, const int32_t* pair, int count, uint32_t* out, int width,
                 int32_t total, float) {
  for (int x = 0; x < width; ++x) {
    int32_t sum[3] = {0, 0, 0};
    for (int k = 0; k < count; ++k) {
      const int32_t weight = int16_t(uint32_t(pair[k / 2]) >> (k % 2 == 0 ? 0 : 16));
      for (int c = 0; c < 3; ++c) sum[c] += weight * int32_t((rows[k][x] >> (8 * c)) & 0xFFu);
    }
    out[x] = DividePixel(sum, total);
  }
}

#endif

// The destination rows [First, Last): each takes its intermediate rows from a small cache of
// horizontally scaled source rows, computed when first needed. Successive destination rows share
// most of their source rows, so each is scaled about once per band.
void ResampleBand(int First, int Last, const std::vector<const uint8_t*>& sourceRows,
                  const std::vector<uint8_t*>& destRows, const FlatContributors& h, const FlatContributors& v,
                  int width) {
  const int sourceHeight = int(sourceRows.size());
  const int slotCount = std::min(sourceHeight, v.MaxCount + 2);
  std::vector<uint32_t> cache(size_t(slotCount) * size_t(width));
  std::vector<int> slotRow(size_t(slotCount), -1), slotUsed(size_t(slotCount), -1);
  std::vector<const uint32_t*> rows(size_t(v.MaxCount));
  for (int y = First; y < Last; ++y) {
    const int count = v.Count[size_t(y)];
    const int32_t* index = v.Index.data() + v.First[size_t(y)];
    for (int k = 0; k < count; ++k) {
      const int row = index[k];
      int slot = -1;
      for (int s = 0; s < slotCount; ++s)
        if (slotRow[size_t(s)] == row) slot = s;
      if (slot < 0) {
        // The least recently used slot that this row does not need.
        for (int s = 0; s < slotCount; ++s)
          if (slotUsed[size_t(s)] < y && (slot < 0 || slotUsed[size_t(s)] < slotUsed[size_t(slot)])) slot = s;
        slotRow[size_t(slot)] = row;
        HorizontalRow(sourceRows[size_t(row)], cache.data() + size_t(slot) * size_t(width), h, width);
      }
      slotUsed[size_t(slot)] = y;
      rows[size_t(k)] = cache.data() + size_t(slot) * size_t(width);
    }
    VerticalRow(rows.data(), v.Pair.data() + v.First[size_t(y)] / 2, count, reinterpret_cast<uint32_t*>(destRows[size_t(y)]),
                width, v.Total[size_t(y)], v.Inverse[size_t(y)]);
  }
}

}  // namespace

bool ResamplerUseWideVectors(bool On) {
#if defined(RESAMPLER_WIDE_VECTORS)
  const bool was = WideVectors;
  WideVectors = On && __builtin_cpu_supports("avx2");
  return was;
#else
  (void)On;
  return false;
#endif
}

float ResampleScale(int oldSize, int newSize) {
  if (oldSize == 1 || newSize == 1) return float(newSize) / float(oldSize);
  return float(newSize - 1) / float(oldSize - 1);
}

TContributorList BuildContributors(int n, int m, float s, float f, TFilterProc Filter) {
  TContributorList list(static_cast<size_t>(m));
  const bool shrinking = s < 1.0f;
  const float w = shrinking ? f / s : f;
  for (int i = 0; i < m; ++i) {
    const float c = float(i) / s;
    TContributorEntry& e = list[size_t(i)];
    const long lo = long(std::floor(c - w));
    const long hi = long(std::ceil(c + w));
    // The window holds at most hi - lo + 1 positions; sized once, never grown.
    e.Contributors.resize(size_t(std::max<long>(long(2 * w + 1), hi - lo + 1)));
    e.Count = 0;
    for (long j = lo; j <= hi; ++j) {
      const float d = c - float(j);
      int32_t weight;
      if (shrinking) weight = int32_t(std::lrint(double(Filter(d * s) * s * 256.0f)));
      else weight = int32_t(std::lrint(double(Filter(d) * 256.0f)));
      if (weight == 0) continue;
      e.Contributors[size_t(e.Count)] = {weight, ReflectIndex(j, n)};
      ++e.Count;
    }
  }
  return list;
}

void ImageResample(TFilterProc Filter, TBitmap& Source, TBitmap& Dest, float Support) {
  const int sw = Source.Width(), sh = Source.Height();
  const int dw = Dest.Width(), dh = Dest.Height();
  if (sw == 0 || sh == 0 || dw == 0 || dh == 0) return;
  // Rows first (into the intermediate width), then columns, as two separable passes; the
  // intermediate rows are whole bytes, as a bitmap between the passes would hold them.
  const FlatContributors h = Flatten(BuildContributors(sw, dw, ResampleScale(sw, dw), Support, Filter), sw, PixelBytes);
  const FlatContributors v = Flatten(BuildContributors(sh, dh, ResampleScale(sh, dh), Support, Filter), 0, 1);
  std::vector<const uint8_t*> sourceRows(static_cast<size_t>(sh));
  for (int y = 0; y < sh; ++y) sourceRows[size_t(y)] = Source.ScanLine(y);
  std::vector<uint8_t*> destRows(static_cast<size_t>(dh));
  for (int y = 0; y < dh; ++y) destRows[size_t(y)] = Dest.ScanLine(y);

  // Large pictures are cut into bands of destination rows that the application's worker threads
  // (kept alive between calls) and this thread take in turn; the bands write disjoint rows and only
  // read what is shared. Bands are a few times more than the threads, so a thread held up elsewhere
  // does not hold up the picture.
  const double work = double(dw) * (double(dh) * v.MaxCount + double(sh) * h.MaxCount);
  const int threads = std::clamp(int(work / 4.0e6), 1, std::max(1, QThreadPool::globalInstance()->maxThreadCount()));
  if (threads == 1) {
    ResampleBand(0, dh, sourceRows, destRows, h, v, dw);
    return;
  }
  const int bands = std::min(threads * 4, std::max(1, dh / 16));
  // Shared with the workers by value: one that starts after every band was taken finds nothing
  // to do and touches nothing else of this call.
  struct Bands {
    std::atomic<int> Next{0};
    QSemaphore Done;
  };
  const auto shared = std::make_shared<Bands>();
  const auto run = [&, shared, bands] {
    for (int b; (b = shared->Next.fetch_add(1)) < bands;) {
      ResampleBand(int(int64_t(dh) * b / bands), int(int64_t(dh) * (b + 1) / bands), sourceRows, destRows, h, v, dw);
      shared->Done.release();
    }
  };
  for (int t = 1; t < threads; ++t) QThreadPool::globalInstance()->start(run);
  run();
  // Every band is taken by now; wait for those still being scaled elsewhere.
  shared->Done.acquire(bands);
}

void ResampleBitmap(int NewWidth, int NewHeight, uint8_t FilterIndex, float Support, TBitmap& Source,
                    TBitmap& Dest) {
  if (FilterIndex >= FilterCount) FilterIndex = FilterCount - 1;
  if (Support == 0.0f || Support < FilterSupports[FilterIndex]) Support = FilterSupports[FilterIndex];
  const int width = std::max(NewWidth, 0), height = std::max(NewHeight, 0);
  Dest = TBitmap();
  Dest.SetPixelFormat(pf24bit);
  if (Source.Width() > 0 && Source.Height() > 0 && width > 0 && height > 0 &&
      int64_t(width) * height <= (int64_t(1) << 28)) {
    // Every pixel is about to be written, by the band that owns its row: the picture is not
    // cleared first (clearing a large one took longer than scaling it).
    const QImage image(width, height, QImage::Format_RGB32);
    if (!image.isNull()) Dest.SetImage(image);
  }
  // Otherwise (or when that memory is not there) the usual way, with its size limit and message.
  if (Dest.Width() != width || Dest.Height() != height) Dest.SetSize(width, height);
  if (Source.PixelFormat() != pf24bit) Source.SetPixelFormat(pf24bit);
  ImageResample(FilterProcs[FilterIndex], Source, Dest, Support);
}

#include "helpers/resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

thread_local std::vector<int32_t> ChannelR, ChannelG, ChannelB;

struct ChannelRelease {
  ~ChannelRelease() {
    std::vector<int32_t>().swap(ChannelR);
    std::vector<int32_t>().swap(ChannelG);
    std::vector<int32_t>().swap(ChannelB);
  }
};

// Pixels of this platform's 24-bit bitmaps are 4 bytes in memory (B, G, R, unused).
constexpr int PixelBytes = 4;

void LoadChannels(int Count, ptrdiff_t Stride, const uint8_t* First) {
  const uint8_t* p = First;
  for (int i = 0; i < Count; ++i, p += Stride) {
    ChannelB[size_t(i)] = p[0];
    ChannelG[size_t(i)] = p[1];
    ChannelR[size_t(i)] = p[2];
  }
}

// Clamp255(Sum div Total) for a positive Total, with the division done as a multiplication by
// Inverse (1 / Total) and corrected to the exact truncated quotient: an integer division per
// channel and pixel was most of the resampler's time.
inline uint8_t DivideClamped(int32_t Sum, int32_t Total, float Inverse) {
  if (Sum < Total) return 0;  // the quotient truncates to 0 or below
  if (int64_t(Sum) >= int64_t(Total) * 255) return 255;
  int32_t q = int32_t(float(Sum) * Inverse);
  const int32_t r = Sum - q * Total;
  if (r >= Total) ++q;
  else if (r < 0) --q;
  return uint8_t(q);
}

void ApplyContributors(int Count, const TContributors& Contributors, uint8_t* Pixel) {
  int32_t w = 0, r = 0, g = 0, b = 0;
  for (int k = 0; k < Count; ++k) {
    const TContributor& c = Contributors[size_t(k)];
    w += c.Weight;
    r += c.Weight * ChannelR[size_t(c.Pixel)];
    g += c.Weight * ChannelG[size_t(c.Pixel)];
    b += c.Weight * ChannelB[size_t(c.Pixel)];
  }
  if (w > 0) {
    const float inverse = 1.0f / float(w);
    r = DivideClamped(r, w, inverse);
    g = DivideClamped(g, w, inverse);
    b = DivideClamped(b, w, inverse);
  } else if (w != 0) {
    r = Clamp255(r / w);
    g = Clamp255(g / w);
    b = Clamp255(b / w);
  } else {
    r = Clamp255(r >> 8);
    g = Clamp255(g >> 8);
    b = Clamp255(b >> 8);
  }
  Pixel[0] = uint8_t(b);
  Pixel[1] = uint8_t(g);
  Pixel[2] = uint8_t(r);
}

}  // namespace

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
  ChannelRelease release;
  const float xscale = ResampleScale(sw, dw);
  const float yscale = ResampleScale(sh, dh);

  TBitmap work(dw, sh, pf24bit);
  {
    const TContributorList list = BuildContributors(sw, dw, xscale, Support, Filter);
    ChannelR.assign(size_t(sw), 0);
    ChannelG.assign(size_t(sw), 0);
    ChannelB.assign(size_t(sw), 0);
    for (int y = 0; y < sh; ++y) {
      LoadChannels(sw, PixelBytes, Source.ScanLine(y));
      uint8_t* out = work.ScanLine(y);
      for (int x = 0; x < dw; ++x)
        ApplyContributors(list[size_t(x)].Count, list[size_t(x)].Contributors, out + x * PixelBytes);
    }
  }
  {
    // The vertical pass walks the intermediate bitmap row by row: each destination row sums its
    // contributing rows whole, which gives the same integer sums as a column at a time without
    // striding through memory.
    const TContributorList list = BuildContributors(sh, dh, yscale, Support, Filter);
    ChannelR.assign(size_t(dw), 0);
    ChannelG.assign(size_t(dw), 0);
    ChannelB.assign(size_t(dw), 0);
    int32_t* const sr = ChannelR.data();
    int32_t* const sg = ChannelG.data();
    int32_t* const sb = ChannelB.data();
    for (int y = 0; y < dh; ++y) {
      const TContributorEntry& e = list[size_t(y)];
      std::fill(ChannelR.begin(), ChannelR.end(), 0);
      std::fill(ChannelG.begin(), ChannelG.end(), 0);
      std::fill(ChannelB.begin(), ChannelB.end(), 0);
      int32_t total = 0;
      for (int k = 0; k < e.Count; ++k) {
        const TContributor& c = e.Contributors[size_t(k)];
        total += c.Weight;
        const int32_t weight = c.Weight;
        const uint8_t* row = work.ScanLine(c.Pixel);
        for (int x = 0; x < dw; ++x) {
          const uint8_t* p = row + x * PixelBytes;
          sb[x] += weight * p[0];
          sg[x] += weight * p[1];
          sr[x] += weight * p[2];
        }
      }
      uint8_t* out = Dest.ScanLine(y);
      if (total > 0) {
        const float inverse = 1.0f / float(total);
        for (int x = 0; x < dw; ++x, out += PixelBytes) {
          out[0] = DivideClamped(sb[x], total, inverse);
          out[1] = DivideClamped(sg[x], total, inverse);
          out[2] = DivideClamped(sr[x], total, inverse);
        }
      } else if (total != 0) {
        for (int x = 0; x < dw; ++x, out += PixelBytes) {
          out[0] = uint8_t(Clamp255(sb[x] / total));
          out[1] = uint8_t(Clamp255(sg[x] / total));
          out[2] = uint8_t(Clamp255(sr[x] / total));
        }
      } else {
        for (int x = 0; x < dw; ++x, out += PixelBytes) {
          out[0] = uint8_t(Clamp255(sb[x] >> 8));
          out[1] = uint8_t(Clamp255(sg[x] >> 8));
          out[2] = uint8_t(Clamp255(sr[x] >> 8));
        }
      }
    }
  }
}

void ResampleBitmap(int NewWidth, int NewHeight, uint8_t FilterIndex, float Support, TBitmap& Source,
                    TBitmap& Dest) {
  if (FilterIndex >= FilterCount) FilterIndex = FilterCount - 1;
  if (Support == 0.0f || Support < FilterSupports[FilterIndex]) Support = FilterSupports[FilterIndex];
  Dest = TBitmap();
  Dest.SetPixelFormat(pf24bit);
  Dest.SetSize(std::max(NewWidth, 0), std::max(NewHeight, 0));
  if (Source.PixelFormat() != pf24bit) Source.SetPixelFormat(pf24bit);
  ImageResample(FilterProcs[FilterIndex], Source, Dest, Support);
}

// The bitmap resampler: its weights at the documented positions, every filter against a
// floating-point evaluation of the same filter, and sizes from 1 x 1 to a large upscale.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "helpers/resampler.h"
#include "platform/bitmap.h"

namespace {

std::vector<std::pair<int, int>> Weights(const TContributorEntry& e) {
  std::vector<std::pair<int, int>> out;
  for (int k = 0; k < e.Count; ++k) out.push_back({e.Contributors[size_t(k)].Weight, e.Contributors[size_t(k)].Pixel});
  return out;
}

using WP = std::vector<std::pair<int, int>>;

TEST(Resampler, WeightsAtDocumentedPositions) {
  // Scale 1.
  EXPECT_EQ(Weights(BuildContributors(9, 9, 1.0f, 1.5f, BellFilter)[4]), (WP{{32, 3}, {192, 4}, {32, 5}}));
  EXPECT_EQ(Weights(BuildContributors(9, 9, 1.0f, 2.0f, SplineFilter)[4]), (WP{{43, 3}, {171, 4}, {43, 5}}));
  EXPECT_EQ(Weights(BuildContributors(9, 9, 1.0f, 2.0f, MitchellFilter)[4]), (WP{{14, 3}, {228, 4}, {14, 5}}));
  for (TFilterProc f : {BoxFilter, TriangleFilter, HermiteFilter, Lanczos3Filter})
    EXPECT_EQ(Weights(BuildContributors(9, 9, 1.0f, 3.0f, f)[4]), (WP{{256, 4}}));
  // Nine to five: destination 2 is centred on source 4.
  const float half = ResampleScale(9, 5);
  EXPECT_EQ(half, 0.5f);
  EXPECT_EQ(Weights(BuildContributors(9, 5, half, 0.5f, BoxFilter)[2]), (WP{{128, 3}, {128, 4}}));
  EXPECT_EQ(Weights(BuildContributors(9, 5, half, 1.0f, TriangleFilter)[2]), (WP{{64, 3}, {128, 4}, {64, 5}}));
  EXPECT_EQ(Weights(BuildContributors(9, 5, half, 1.0f, HermiteFilter)[2]), (WP{{64, 3}, {128, 4}, {64, 5}}));
  EXPECT_EQ(Weights(BuildContributors(9, 5, half, 1.5f, BellFilter)[2]),
            (WP{{16, 2}, {64, 3}, {96, 4}, {64, 5}, {16, 6}}));
  // Five to nine: destination 1 is centred on 0.5; position -1 reflects onto pixel 1.
  const float twice = ResampleScale(5, 9);
  EXPECT_EQ(twice, 2.0f);
  EXPECT_EQ(Weights(BuildContributors(5, 9, twice, 1.0f, TriangleFilter)[1]), (WP{{128, 0}, {128, 1}}));
  EXPECT_EQ(Weights(BuildContributors(5, 9, twice, 2.0f, SplineFilter)[1]),
            (WP{{5, 1}, {123, 0}, {123, 1}, {5, 2}}));
}

TEST(Resampler, EveryStoredIndexLiesInsideTheSource) {
  for (int f = 0; f < FilterCount; ++f)
    for (int n : {1, 2, 3, 5})
      for (int m : {1, 2, 3, 7, 40}) {
        const TContributorList list = BuildContributors(n, m, ResampleScale(n, m), FilterSupports[f], FilterProcs[f]);
        for (const auto& e : list)
          for (int k = 0; k < e.Count; ++k) {
            ASSERT_GE(e.Contributors[size_t(k)].Pixel, 0);
            ASSERT_LT(e.Contributors[size_t(k)].Pixel, n) << "filter " << f << " " << n << "->" << m;
          }
      }
}

// A floating-point evaluation of the same two passes: exact weights, normalised by their sum,
// each pass cut to whole bytes (toward zero, as the passes divide) as the bitmaps hold them.
int Reflect(long j, int n) {
  for (int k = 0; k < 4 && (j < 0 || j >= n); ++k) j = j < 0 ? -j : 2L * n - 1 - j;
  return int(std::clamp<long>(j, 0, n - 1));
}

std::vector<double> Pass(const std::vector<double>& src, int n, int m, int filter) {
  const TFilterProc F = FilterProcs[filter];
  const double f = FilterSupports[filter];
  const float s = ResampleScale(n, m);
  std::vector<double> out(static_cast<size_t>(m));
  for (int i = 0; i < m; ++i) {
    const float c = float(i) / s;
    const double w = s < 1 ? f / s : f;
    double sum = 0, wsum = 0;
    for (long j = long(std::floor(c - w)); j <= long(std::ceil(c + w)); ++j) {
      const float d = c - float(j);
      const double wt = s < 1 ? double(F(d * s)) * s : double(F(d));
      sum += wt * src[size_t(Reflect(j, n))];
      wsum += wt;
    }
    out[size_t(i)] = std::clamp(std::trunc(wsum != 0 ? sum / wsum : 0), 0.0, 255.0);
  }
  return out;
}

TBitmap TestPicture(int w, int h, unsigned seed) {
  TBitmap b(w, h, pf24bit);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      // A smooth ramp with a sharp step and some noise: edges of the picture and inside it.
      const int base = (x * 255) / std::max(1, w - 1);
      const int step = (x > w / 2) ? 200 : 20;
      p[x * 4 + 0] = uint8_t(std::clamp(base + int(rng() % 9) - 4, 0, 255));
      p[x * 4 + 1] = uint8_t(step);
      p[x * 4 + 2] = uint8_t((y * 255) / std::max(1, h - 1));
    }
  }
  return b;
}

TEST(Resampler, EveryFilterMatchesAFloatingPointEvaluation) {
  const std::pair<int, int> sizes[] = {{1, 1}, {2, 3}, {5, 4}, {9, 1}, {17, 11}, {40, 3}, {3, 40}, {64, 48}, {4, 1}, {25, 1}};
  for (int filter = 0; filter < FilterCount; ++filter)
    for (auto [sw, sh] : {std::pair{7, 5}, std::pair{12, 9}, std::pair{1, 6}, std::pair{11, 1}})
      for (auto [dw, dh] : sizes) {
        TBitmap src = TestPicture(sw, sh, unsigned(filter * 100 + sw));
        TBitmap dst;
        ResampleBitmap(dw, dh, uint8_t(filter), 0, src, dst);
        ASSERT_EQ(dst.Width(), dw);
        ASSERT_EQ(dst.Height(), dh);
        // Weights held in 1/256 steps: one pass (a single row) within 2 in 255, each pass adding its own.
        // Shrinking below about a third leaves weights of a few units in 256, whose rounding shows more.
        const bool strongShrink = ResampleScale(sw, dw) < 0.3f || ResampleScale(sh, dh) < 0.3f;
        const double tolerance = strongShrink ? 6.0 : (sh == 1 && dh == 1) ? 2.0 : 3.0;
        for (int ch = 0; ch < 3; ++ch) {
          std::vector<std::vector<double>> rows;
          for (int y = 0; y < sh; ++y) {
            std::vector<double> row;
            for (int x = 0; x < sw; ++x) row.push_back(src.ScanLine(y)[x * 4 + ch]);
            rows.push_back(Pass(row, sw, dw, filter));
          }
          for (int x = 0; x < dw; ++x) {
            std::vector<double> col;
            for (int y = 0; y < sh; ++y) col.push_back(rows[size_t(y)][size_t(x)]);
            const std::vector<double> ref = Pass(col, sh, dh, filter);
            for (int y = 0; y < dh; ++y)
              ASSERT_NEAR(dst.ScanLine(y)[x * 4 + ch], ref[size_t(y)], tolerance)
                  << "filter " << filter << " " << sw << "x" << sh << " -> " << dw << "x" << dh << " at " << x
                  << "," << y << " channel " << ch;
          }
        }
      }
}

TEST(Resampler, EqualSizesReproduceTheSourceWithInterpolatingFilters) {
  for (int filter : {0, 1, 2, 5}) {
    TBitmap src = TestPicture(13, 7, 3);
    TBitmap dst;
    ResampleBitmap(13, 7, uint8_t(filter), 0, src, dst);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x)
        for (int ch = 0; ch < 3; ++ch) ASSERT_EQ(dst.ScanLine(y)[x * 4 + ch], src.ScanLine(y)[x * 4 + ch]);
  }
}

TEST(Resampler, ZeroSizesComputeNothingAndLargeUpscalesWork) {
  TBitmap src = TestPicture(4, 4, 1);
  TBitmap dst;
  ResampleBitmap(0, 5, 5, 0, src, dst);
  EXPECT_EQ(dst.Width(), 0);
  TBitmap empty;
  ResampleBitmap(3, 3, 1, 0, empty, dst);
  EXPECT_EQ(dst.Width(), 3);
  TBitmap one(1, 1, pf24bit);
  one.ScanLine(0)[0] = 10, one.ScanLine(0)[1] = 20, one.ScanLine(0)[2] = 30;
  ResampleBitmap(300, 200, 5, 0, one, dst);
  EXPECT_EQ(dst.ScanLine(199)[299 * 4 + 2], 30);
  EXPECT_EQ(dst.ScanLine(0)[0], 10);
  // A source converted from another format keeps its new 24-bit format.
  TBitmap indexed(3, 3, pf8bit);
  ResampleBitmap(2, 2, 1, 0, indexed, dst);
  EXPECT_EQ(indexed.PixelFormat(), pf24bit);
}

}  // namespace

// The passes as the fixed-point design states them: per destination pixel the weighted sum over
// its contributors, divided by the weights present (truncated), clamped; the vertical pass one
// column at a time. The resampler must give exactly these bytes.
namespace {
void ExpectFixedPointSums(TBitmap& src, int dw, int dh, int filter) {
  auto apply = [](const TContributorEntry& e, const std::vector<int>& line) {
    int32_t w = 0, sum = 0;
    for (int k = 0; k < e.Count; ++k) {
      w += e.Contributors[size_t(k)].Weight;
      sum += e.Contributors[size_t(k)].Weight * line[size_t(e.Contributors[size_t(k)].Pixel)];
    }
    return Clamp255(w != 0 ? sum / w : sum >> 8);
  };
  const int sw = src.Width(), sh = src.Height();
  // With and without the processor's wide vectors (where it has them): the same bytes.
  TBitmap results[2];
  for (int wide : {0, 1}) {
    const bool was = ResamplerUseWideVectors(wide != 0);
    ResampleBitmap(dw, dh, uint8_t(filter), 0, src, results[wide]);
    ResamplerUseWideVectors(was);
  }
  const float f = FilterSupports[filter];
  const TContributorList h = BuildContributors(sw, dw, ResampleScale(sw, dw), f, FilterProcs[filter]);
  const TContributorList v = BuildContributors(sh, dh, ResampleScale(sh, dh), f, FilterProcs[filter]);
  for (int ch = 0; ch < 3; ++ch) {
    std::vector<std::vector<int>> mid(static_cast<size_t>(sh), std::vector<int>(static_cast<size_t>(dw)));
    for (int y = 0; y < sh; ++y) {
      std::vector<int> row;
      for (int x = 0; x < sw; ++x) row.push_back(src.ScanLine(y)[x * 4 + ch]);
      for (int x = 0; x < dw; ++x) mid[size_t(y)][size_t(x)] = apply(h[size_t(x)], row);
    }
    for (int x = 0; x < dw; ++x) {
      std::vector<int> col;
      for (int y = 0; y < sh; ++y) col.push_back(mid[size_t(y)][size_t(x)]);
      for (int y = 0; y < dh; ++y)
        for (TBitmap& dst : results)
          ASSERT_EQ(dst.ScanLine(y)[x * 4 + ch], apply(v[size_t(y)], col))
              << "filter " << filter << " " << sw << "x" << sh << " -> " << dw << "x" << dh << " at " << x << ","
              << y << (&dst == &results[0] ? " narrow" : " wide");
    }
  }
  // The unused byte of every pixel is set, as in any 24-bit picture of this platform.
  for (TBitmap& dst : results)
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x) ASSERT_EQ(dst.ScanLine(y)[x * 4 + 3], 255);
}
}  // namespace

TEST(Resampler, PassesGiveTheFixedPointSumsExactly) {
  for (int filter = 0; filter < FilterCount; ++filter)
    for (auto [sw, sh, dw, dh] : {std::array{31, 23, 13, 9}, std::array{13, 9, 40, 29}, std::array{50, 7, 50, 19},
                                  std::array{6, 33, 2, 5}, std::array{2, 2, 1, 7}, std::array{70, 3, 5, 2},
                                  std::array{80, 60, 40, 30}}) {
      TBitmap src = TestPicture(sw, sh, unsigned(filter + sw * 7));
      ExpectFixedPointSums(src, dw, dh, filter);
    }
}

// Pictures large enough to be scaled in bands of rows on several threads give the same bytes,
// rows at the bands' edges included.
TEST(Resampler, LargePicturesScaledInBandsGiveTheFixedPointSums) {
  for (auto [filter, sw, sh, dw, dh] : {std::array{5, 1100, 700, 900, 800}, std::array{1, 900, 1400, 1900, 700}}) {
    TBitmap src = TestPicture(sw, sh, unsigned(sw));
    ExpectFixedPointSums(src, dw, dh, filter);
  }
}

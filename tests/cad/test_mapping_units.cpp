// World-to-pixel mapping, snapping, plane geometry, unit texts, paper sizes and calibration.
#include <gtest/gtest.h>

#include <QLocale>
#include <cmath>
#include <numbers>

#include "cad/mapping.h"
#include "cad/units.h"
#include "cad/zoom.h"

namespace {
constexpr long double kPi = std::numbers::pi_v<long double>;

TMappingRec PageMap(uint8_t paper, bool metric, int dpi = 96) {
  TMappingRec m{};
  SetPaperSize(paper, dpi, dpi, metric, m);
  return m;
}
}  // namespace

TEST(Mapping, A4LandscapeCentimetresCorners) {
  const TMappingRec m = PageMap(0, true);
  EXPECT_EQ(m.PixRight, 1123);
  EXPECT_EQ(m.PixBottom, 794);
  EXPECT_EQ(WorldToScreen(m, 0.0L, 0.0L), TPoint(0, 794));
  EXPECT_EQ(WorldToScreen(m, 29.7L, 21.0L), TPoint(1123, 0));
}

TEST(Mapping, ExactHalvesRoundToEven) {
  TMappingRec m{};
  m.WorldRight = 10;
  m.WorldTop = 10;
  m.PixRight = 10;
  m.PixBottom = 10;
  EXPECT_EQ(WorldToScreenX(m, 2.5L), 2);
  EXPECT_EQ(WorldToScreenX(m, 3.5L), 4);
  EXPECT_EQ(WorldToScreenY(m, 7.5L), 2);  // 10 - 7.5 = 2.5
  EXPECT_EQ(CadRound(-2.5L), -2);
}

TEST(Mapping, PixelRoundTripAtEveryZoomLevelAndOrigin) {
  for (bool metric : {false, true}) {
    TZoom zoom(nullptr, 96, 96);
    zoom.Build(metric ? 1 : 0, 96, 96);
    for (int level = 0; level < 12; ++level) {
      TMappingRec m = zoom.GetLevelMapping(level);
      for (int shift : {0, -357}) {  // a view moved away from pixel 0
        m.PixLeft += shift;
        m.PixRight += shift;
        m.PixTop += shift;
        m.PixBottom += shift;
        const int stepX = std::max(1, (m.PixRight - m.PixLeft) / 997);
        for (int px = m.PixLeft; px <= m.PixRight; px += stepX)
          ASSERT_EQ(WorldToScreenX(m, ScreenToWorldX(m, px)), px) << level;
        const int stepY = std::max(1, (m.PixBottom - m.PixTop) / 997);
        for (int py = m.PixTop; py <= m.PixBottom; py += stepY)
          ASSERT_EQ(WorldToScreenY(m, ScreenToWorldY(m, py)), py) << level;
      }
    }
  }
}

TEST(Mapping, SnappedPointsLieOnTheStepAndNearThePixel) {
  TZoom zoom(nullptr, 96, 96);
  for (int level = 0; level < 12; ++level) {
    const TMappingRec m = zoom.GetLevelMapping(level);
    const long double pixPerUnit = (m.PixRight - m.PixLeft) / (m.WorldRight - m.WorldLeft);
    for (int px = 0; px < m.PixRight; px += std::max(1, m.PixRight / 101)) {
      const TRealPoint p = ScreenToWorldSnapped(m, px, px);
      const long double q = p.x / m.SnapStep;
      EXPECT_NEAR(double(q), std::round(double(q)), 1e-6);
      // Snapping moves the point by at most half a step (plus rounding) in pixels.
      EXPECT_LE(std::abs(WorldToScreenX(m, p.x) - px), int(m.SnapStep * pixPerUnit / 2) + 1);
    }
  }
}

TEST(Mapping, RoundToStepCases) {
  EXPECT_DOUBLE_EQ(RoundToStep(0.26, 0.125), 0.25);
  EXPECT_DOUBLE_EQ(RoundToStep(0.1875, 0.125), 0.25);
  EXPECT_DOUBLE_EQ(RoundToStep(0.0625, 0.125), 0.0);
  // No step (the default snap step is 0) or a negative one leaves the value alone.
  for (const double step : {0.0, -0.5, std::nan("")}) EXPECT_DOUBLE_EQ(RoundToStep(1.37, step), 1.37) << step;
  TMappingRec m = PageMap(99, false);  // 500 pixels on five units
  m.SnapStep = 0;
  const TRealPoint p = ScreenToWorldSnapped(m, 137, 250);
  EXPECT_DOUBLE_EQ(p.x, 1.37);
  EXPECT_DOUBLE_EQ(p.y, 2.5);
}

TEST(Mapping, DegenerateMappingGivesZero) {
  TMappingRec m{};
  m.WorldRight = 0;
  m.WorldTop = 5;
  m.PixRight = 100;
  m.PixBottom = 100;
  EXPECT_EQ(WorldToScreenX(m, 3.0L), 0);
  m.PixRight = 0;
  EXPECT_EQ(ScreenToWorldX(m, 50), 0);
}

TEST(Geometry, AnglesRotationsAndDistances) {
  EXPECT_NEAR(double(SegmentAngle({0, 0}, {10, -10})), double(kPi / 4), 1e-12);
  EXPECT_NEAR(double(SegmentAngle({0, 0}, {10, 10})), double(7 * kPi / 4), 1e-12);
  EXPECT_EQ(SegmentAngle({3, 3}, {3, 3}), 0);
  EXPECT_NEAR(double(RealSegmentAngle({0, 0, 0}, {0, -1, 0})), double(3 * kPi / 2), 1e-12);
  TPoint p{10, 0};
  RotatePoint({0, 0}, p, kPi / 2);
  EXPECT_EQ(p, TPoint(0, -10));
  TRealXYZ r{1, 0, 7};
  RotateRealPoint({0, 0}, r, kPi / 2);
  EXPECT_NEAR(r.x, 0, 1e-12);
  EXPECT_NEAR(r.y, -1, 1e-12);
  EXPECT_EQ(r.z, 7);
  EXPECT_DOUBLE_EQ(double(PointDistance({0, 0}, {3, 4})), 5.0);
  EXPECT_DOUBLE_EQ(double(RealPointDistance({1, 1, 9}, {4, 5, -9})), 5.0);
}

TEST(Units, FactorsAndCalibration) {
  EXPECT_EQ(UnitFactor(false, false), 1.0L);
  EXPECT_EQ(UnitFactor(false, true), 2.54L);
  TScreenCmRec rec = {2.5L, 2.54L}, previous{};
  CalibrateCmFactor(rec, 120, previous);
  EXPECT_EQ(previous[0], 2.5L);
  EXPECT_NEAR(double(rec[0]), 120.0 / 47.0, 1e-15);
  CalibrateCmFactor(rec, 96, previous);
  EXPECT_NEAR(double(rec[0]), 2.526315789, 1e-9);
  EXPECT_NEAR(double(rec[1]), 0.994612515, 1e-9);
  TDefMetricRec m;
  SetMetricRec(true, m);
  EXPECT_EQ(m.Suffix, "cm");
  EXPECT_EQ(m.Factor, 2.54L);
  SetMetricRec(false, m);
  EXPECT_EQ(m.Suffix, "''");
}

TEST(Units, NumberTexts) {
  struct Case {
    std::string got, want;
  } cases[] = {
      {FormatDimension(3, "cm", 96, 96, 2.54f), "2.54000cm"},
      {FormatDimension(3, "cm", 96, 0, 2.54f), ""},
      {FormatDimension(0, "''", 3, 2, 1.0f), "1.50''"},
      {FormatLength(true, 1), "25.4000"},
      {FormatLength(false, 1), "1.0000"},
      // Exact halves round away from zero: eighths of an inch, and lengths of 1/32 inch.
      {FormatDimension(0, "''", 1, 8, 1.0f), "0.13''"},
      {FormatDimension(0, "''", 3, 8, 1.0f), "0.38''"},
      {FormatDimension(0, "''", -5, 8, 1.0f), "-0.63''"},
      {FormatDimension(1, "cm", 5, 2, 1.0f), "2.500cm"},
      {FormatDimension(1, "''", 1, 16, 1.0f), "0.063''"},
      {FormatLength(false, 0.03125), "0.0313"},
      {FormatLength(false, -0.40625), "-0.4063"},
      {FormatFloat("0", 2.5L), "3"},
      {FormatFloat("0.00", 0.125L), "0.13"},
      {DecimalsFormat(0), "0.00"},
      {DecimalsFormat(10), "0.000000000000"},
      {StepFormat(0), "0.00001"},
      {StepFormat(5), "1"},
      {StepFormat(8), "1000"},
      {StepFormat(9), "10000"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
  EXPECT_EQ(DimMultiplierTable[5], 1.0L);
  EXPECT_TRUE(SameValueEps(1.0, 1.0 + 1e-11, 1e-10));
  EXPECT_FALSE(SameValueEps(1.0, 1.0001, 1e-6));
  EXPECT_TRUE(SameValueEps(2.0, 2.5, 0.5));
}

TEST(Units, PaperTable) {
  struct Case {
    int index;
    double cmW, cmH;
    int pxW, pxH;
  } cases[] = {{0, 29.7, 21.0, 1123, 794}, {1, 21.0, 29.7, 794, 1123}, {2, 21.0, 14.8, 794, 559},
               {3, 14.8, 21.0, 559, 794},  {4, 35.3, 25.0, 1334, 945}, {5, 25.0, 35.3, 945, 1334},
               {6, 25.0, 17.6, 945, 665},  {7, 17.6, 25.0, 665, 945}};
  for (const auto& c : cases) {
    for (bool metric : {true, false}) {
      const TMappingRec m = PageMap(uint8_t(c.index), metric);
      const double unit = metric ? 1.0 : 2.54;
      EXPECT_NEAR(m.WorldRight, c.cmW / unit, 1e-12) << c.index;
      EXPECT_NEAR(m.WorldTop, c.cmH / unit, 1e-12) << c.index;
      EXPECT_EQ(m.WorldLeft, 0);
      EXPECT_EQ(m.WorldBottom, 0);
      EXPECT_EQ(m.PixRight, c.pxW) << c.index;
      EXPECT_EQ(m.PixBottom, c.pxH) << c.index;
    }
  }
  EXPECT_EQ(PageMap(129, false), PageMap(1, false));
  TMappingRec odd{};
  odd.SnapStep = 0.25;
  SetPaperSize(9, 96, 96, false, odd);
  EXPECT_EQ(odd.PixRight, 500);
  EXPECT_EQ(odd.PixBottom, 500);
  EXPECT_EQ(odd.SnapStep, 0.25);
}

TEST(Units, LocaleMeasurementSystem) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_FALSE(LocaleIsMetric());
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_TRUE(LocaleIsMetric());
  QLocale::setDefault(saved);
}

// Wave parameters in pixels and the generated wave points.
#include <gtest/gtest.h>

#include "cad/wave_data.h"
#include "cad_drawing_support.h"

namespace {
// A mapping of 96 pixels per world unit.
TMappingRec Map96() { return TMappingRec{0, 10, 10, 0, 0, 0, 960, 960, 0.0125}; }
}  // namespace

TEST(WavePixels, ParametersBecomeWholePixels) {
  TWaveRec w = DefaultWaveRec();
  w.WaveWidth[0] = 0.5;
  w.PulseWidth[0] = 30;
  w.PulseRise = 10;
  w.PulseFall = 10;
  w.FMIndex = 4.4f;
  TWavePixelRec p;
  FigureParamsToPixels(Map96(), w, p);
  EXPECT_EQ(p.PeriodPix1, 48);
  EXPECT_EQ(p.PulsePix1, 14);  // Round(14.4)
  EXPECT_EQ(p.RisePix, 1);     // Round(1.44)
  EXPECT_EQ(p.FallPix, 3);     // Round(3.36)
  EXPECT_EQ(p.FMIndexPix, 4);
  // Absurd sizes stay within the 32-bit range.
  w.WaveWidth[0] = 1e300;
  FigureParamsToPixels(Map96(), w, p);
  EXPECT_EQ(p.PeriodPix1, 2147483647);
}

TEST(WavePixels, PulseEdgesAreShortenedToFitThePeriod) {
  struct Case {
    int kind, rise, fall, pulse, period;
    bool fits;
    int riseAfter, fallAfter;
  } cases[] = {
      {33, 21, 3, 14, 48, true, 14, 3},     // a rise of 150 % is cut to the pulse
      {34, 0, 5, 48, 48, false, 0, 0},      // a 100 % pulse leaves no room for anything
      {33, 0, 40, 10, 48, true, 0, 37},     // the fall is cut to the rest of the period
      {27, 99, 99, 1, 2, true, 99, 99},     // not a pulse: nothing changes
      {33, 2000000000, 0, 5, 8, true, 5, 0},  // far out, cut at once
  };
  for (const auto& c : cases) {
    TWavePixelRec p;
    p.RisePix = c.rise, p.FallPix = c.fall, p.PulsePix1 = c.pulse, p.PeriodPix1 = c.period;
    EXPECT_EQ(FitPulseEdges(c.kind, p), c.fits) << c.rise << " " << c.fall;
    EXPECT_EQ(p.RisePix, c.riseAfter);
    EXPECT_EQ(p.FallPix, c.fallAfter);
  }
}

TEST(WavePixels, ScalingTheRecordScalesWidthsAndHeightsByFx) {
  TWaveRec w = DefaultWaveRec();
  w.FMIndex = 4;
  w.WaveWidth[0] = 0.5, w.WaveHeight[0] = 0.2;
  w.PointX = 2, w.PointY = 3;
  TWaveRec a = w;
  ScaleWaveRec(a, {1, 1}, 2, 1);
  EXPECT_DOUBLE_EQ(a.WaveWidth[0], 1.0);
  EXPECT_DOUBLE_EQ(a.WaveHeight[0], 0.4);
  EXPECT_EQ(a.FMIndex, 4.0f);
  EXPECT_DOUBLE_EQ(a.PointX, 3.0);
  EXPECT_DOUBLE_EQ(a.PointY, 3.0);
  ScaleWaveRec(w, {0, 0}, 1, 0.6);
  EXPECT_EQ(w.FMIndex, 2.0f);  // Round(2.4)
}

using WaveData = CadDrawTest;

TEST_F(WaveData, PlainWavesFollowTheirLevels) {
  // 40 px periods of height 10 at 100 px per unit, from pixel (50, 100).
  struct Case {
    int kind, point, dx, dy;
  } cases[] = {{27, 10, 10, -10}, {27, 20, 20, 0}, {27, 30, 30, 10}, {28, 30, 30, 0}, {28, 10, 10, -10},
               {29, 30, 30, -10}, {30, 10, 10, 10}, {31, 30, 30, 10},  {31, 10, 10, 10}};
  for (const auto& c : cases) {
    auto f = Figure(c.kind, {{0.5, 1}, {0, 0}, {1.5, 1}});
    f->Wave.WaveWidth[0] = 0.4;
    f->Wave.WaveHeight[0] = 0.1;
    f->Wave.StartAngle[0] = 0;
    EXPECT_EQ(Engine->CreateWaveData(Engine->Mapping, *f, 0.5, 1, 100), 100);
    EXPECT_EQ(Engine->WaveBuffer[size_t(c.point)], TPoint(50 + c.dx, 100 + c.dy)) << c.kind << " " << c.point;
  }
}

TEST_F(WaveData, SquareWaveInsertsItsEdges) {
  auto f = Figure(32, {{0.5, 1}, {0, 0}, {1.5, 1}});
  f->Wave.WaveWidth[0] = 0.4;
  f->Wave.WaveHeight[0] = 0.1;
  const int n = Engine->CreateWaveData(Engine->Mapping, *f, 0.5, 1, 100);
  const auto& b = Engine->WaveBuffer;
  EXPECT_EQ(b[0], TPoint(50, 100));
  EXPECT_EQ(b[1], TPoint(50, 90));  // the vertical edge
  EXPECT_EQ(b[2], TPoint(52, 90));
  EXPECT_EQ(b[3], TPoint(53, 90));  // no extra points along a level
  EXPECT_LE(n, 100);
}

TEST_F(WaveData, PulsesWaitForTheirDelayAndStandOnTheirSide) {
  for (int kind : {33, 34}) {
    auto f = Figure(kind, {{0.5, 1}, {0, 0}, {1.5, 1}});
    f->Wave.WaveWidth[0] = 0.4;
    f->Wave.WaveHeight[0] = 0.1;
    f->Wave.PulseWidth[0] = 25;
    f->Wave.PulseRise = 0, f->Wave.PulseFall = 0;
    f->Wave.StartAngle[0] = 20;
    const int n = Engine->CreateWaveData(Engine->Mapping, *f, 0.5, 1, 100);
    EXPECT_EQ(n, 98);  // at most points 0 .. Count - 3
    for (int i = 0; i < 20; ++i) EXPECT_EQ(Engine->WaveBuffer[size_t(i)], TPoint(50 + i, 100)) << i;
    int extreme = 0;
    for (int i = 20; i < n; ++i) extreme = kind == 33 ? std::min(extreme, Engine->WaveBuffer[size_t(i)].Y - 100)
                                                     : std::max(extreme, Engine->WaveBuffer[size_t(i)].Y - 100);
    EXPECT_EQ(extreme, kind == 33 ? -10 : 10);
  }
  // A delay beyond the buffer, or below 0, stays within the points wanted.
  auto f = Figure(33, {{0.5, 1}, {0, 0}, {1.5, 1}});
  for (int delay : {-5, 1000000}) {
    f->Wave.StartAngle[0] = delay;
    EXPECT_LE(Engine->CreateWaveData(Engine->Mapping, *f, 0.5, 1, 50), 50);
  }
  EXPECT_TRUE(Messages().empty());
}

TEST_F(WaveData, APulseThatCannotFitIsReportedAndGeneratesNothing) {
  auto f = Figure(33, {{0.5, 1}, {0, 0}, {1.5, 1}});
  f->Wave.PulseWidth[0] = 100;
  f->Wave.PulseFall = 50;
  EXPECT_EQ(Engine->CreateWaveData(Engine->Mapping, *f, 0.5, 1, 100), 0);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].rfind("Unable to modify or scale wave data with current settings\r\r", 0), 0u);
  // While the list is drawn it is left out without a box per repaint.
  Engine->AddFigure(f.get());
  Engine->DrawAll(*Canvas, 0, 0, false);
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_FALSE(InkIn(TRect(0, 0, 200, 200)));
}

TEST_F(WaveData, PeriodsBelowOnePixelGiveAFlatLine) {
  // 0.004 units at 100 px per unit round to 0 px: no division by zero, a line on the base.
  // (A pulse of no period does not fit it and is reported, as any pulse that does not fit.)
  for (int kind : {27, 32, 35, 36, 37}) {
    auto f = Figure(kind, {{0.5, 1}, {0, 0}, {1.5, 1}});
    f->Wave.WaveWidth[0] = f->Wave.WaveWidth[1] = 0.004;
    const int n = Engine->CreateWaveData(Engine->Mapping, *f, 0.5, 1, 60);
    ASSERT_EQ(n, 60) << kind;
    for (int i = 0; i < n; ++i) EXPECT_EQ(Engine->WaveBuffer[size_t(i)].Y, 100) << kind;
  }
}

TEST_F(WaveData, RotationTurnsThePointsAboutTheStart) {
  auto f = Figure(27, {{0.5, 1}, {0, 0}, {1.5, 1}});
  f->Wave.WaveWidth[0] = 0.4;
  f->Wave.WaveHeight[0] = 0.1;
  f->Wave.Rotation = 90;
  Engine->CreateWaveData(Engine->Mapping, *f, 0.5, 1, 100);
  // Point 20 lies on the base line 20 px right of the start; turned by 90 degrees it is above.
  EXPECT_EQ(Engine->WaveBuffer[20], TPoint(50, 80));
}

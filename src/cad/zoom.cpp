#include "cad/zoom.h"

#include <cmath>

#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/units.h"

const std::array<int, 12> ZoomPercentTable = {20, 40, 60, 80, 100, 150, 200, 400, 800, 1000, 2000, 5000};

const std::array<double, 30> SnapStepTable = {
    0.00001, 0.0000125, 0.00002, 0.000025, 0.00004, 0.00005,  //
    0.0001,  0.000125,  0.0002,  0.00025,  0.0004,  0.0005,   //
    0.001,   0.00125,   0.002,   0.0025,   0.004,   0.005,    //
    0.01,    0.0125,    0.02,    0.025,    0.04,    0.05,     //
    0.1,     0.125,     0.2,     0.25,     0.4,     0.5};

const std::array<const char*, 12> ZoomCaptions = {"*0.2", "*0.4", "*0.6", "*0.8", "*1",  "*1.5",
                                                  "*2",   "*4",   "*8",   "*10",  "*20", "*50"};

double SnapStepForPixelsPerUnit(int32_t ppu) {
  if (ppu <= 0) return 1.0;
  const long double wanted = 1.0L / ppu;
  for (double step : SnapStepTable)
    if (step >= wanted) return step;
  // Fewer than two pixels per unit: the same 1, 1.25, 2, 2.5, 4, 5 series goes on above 0.5.
  static const double mantissas[6] = {1, 1.25, 2, 2.5, 4, 5};
  for (double decade = 1; decade < 1e9; decade *= 10)
    for (double m : mantissas)
      if (m * decade >= wanted) return m * decade;
  return 1e9;
}

TZoom::TZoom(TZQVCad* engine, int32_t DpiA, int32_t DpiB) : Engine(engine) {
  Level = 4;
  Build(1, DpiA, DpiB);
}

void TZoom::Build(uint8_t PaperIndex, int32_t DpiA, int32_t DpiB) {
  TMappingRec base{};
  SetPaperSize(PaperIndex, DpiA, DpiB, Engine != nullptr && Engine->Metric, base);
  const int64_t W = int64_t(base.PixRight) - base.PixLeft;
  const int64_t H = int64_t(base.PixBottom) - base.PixTop;
  const long double U = static_cast<long double>(base.WorldRight) - base.WorldLeft;
  for (size_t i = 0; i < Levels.size(); ++i) {
    TMappingRec m = base;
    const int64_t w = ZoomPercentTable[i] * W / 100;
    // The height keeps the page's aspect, in integers, so that level 4 is the page itself.
    const int64_t h = W != 0 ? w * H / W : ZoomPercentTable[i] * H / 100;
    m.PixRight = int32_t(w);
    m.PixBottom = int32_t(h);
    const int32_t ppu = U != 0 ? CadRound(w / U) : 0;
    m.SnapStep = SnapStepForPixelsPerUnit(ppu);
    Levels[i] = m;
  }
}

TMappingRec TZoom::GetLevelMapping(int level) const {
  const int l = level & 0xFF;
  return Levels[size_t(l < 12 ? l : 4)];
}

TRealRect TZoom::GetWorldRect() const {
  const TMappingRec& m = Levels[Level];
  return {m.WorldLeft, m.WorldTop, m.WorldRight, m.WorldBottom};
}

TRect TZoom::GetPixelRect() const {
  const TMappingRec& m = Levels[Level];
  return {m.PixLeft, m.PixTop, m.PixRight, m.PixBottom};
}

double TZoom::GetSnapStep() const { return Levels[Level].SnapStep; }

int32_t TZoom::PixelsPerUnitX() const {
  const TMappingRec& m = Levels[Level];
  const long double u = static_cast<long double>(m.WorldRight) - m.WorldLeft;
  if (u == 0) return 120;
  return CadRound((m.PixRight - m.PixLeft) / u);
}

int32_t TZoom::PixelsPerUnitY() const {
  const TMappingRec& m = Levels[Level];
  const long double u = static_cast<long double>(m.WorldTop) - m.WorldBottom;
  if (u == 0) return 120;
  return CadRound((m.PixBottom - m.PixTop) / u);
}

double TZoom::ZoomFactor() const {
  const int32_t w = Levels[Level].PixRight - Levels[Level].PixLeft;
  const int32_t w4 = Levels[4].PixRight - Levels[4].PixLeft;
  if (w == 0 || w4 == 0) return 1.0;
  return double(w) / double(w4);
}

void TZoom::SetLevel(int n) { Level = uint8_t(n >= 0 && n <= 11 ? n : 4); }

#include "cad/wave_data.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>
#include <cmath>
#include <numbers>
#include <vector>

#include "cad/engine.h"
#include "cad/figure_transforms.h"
#include "cad/mapping.h"
#include "platform/messages.h"

namespace {
constexpr long double Pi = std::numbers::pi_v<long double>;

// The sine of an angle in degrees. Whole turns and quadrants are taken off in degrees first, so
// that the library's sine only ever sees arguments up to a quarter of pi, where it is both exact
// and fast.
long double SinDeg(long double deg) {
  if (!std::isfinite(static_cast<double>(deg))) return 0;
  long double d = std::fmod(deg, 360.0L);
  if (d < 0) d += 360;
  const int q = std::min(3, int(d / 90));
  const long double r = d - 90.0L * q;
  // Quadrants 0 and 2 take the sine of r, 1 and 3 its cosine; only the one needed is worked out.
  long double v;
  if (q % 2 == 0) v = r <= 45 ? std::sin(r * Pi / 180) : std::cos((90 - r) * Pi / 180);
  else v = r <= 45 ? std::cos(r * Pi / 180) : std::sin((90 - r) * Pi / 180);
  return q < 2 ? v : -v;
}

// Everything a generated wave depends on, as plain bytes (compared bit for bit).
struct TKeptWaveKey {
  double Map[5];
  int32_t Pix[4];
  std::array<uint8_t, WaveRecSize> Wave;
  int32_t Kind, Count;
  double X, Y;
};
static_assert(sizeof(TKeptWaveKey) == 184, "the key is compared as bytes: no padding");
TKeptWaveKey WaveKeyOf(const TMappingRec& Map, const TRealFig& Figure, double X, double Y, int32_t Count) {
  TKeptWaveKey k;
  std::memset(&k, 0, sizeof k);
  const double m[5] = {Map.WorldLeft, Map.WorldTop, Map.WorldRight, Map.WorldBottom, Map.SnapStep};
  std::memcpy(k.Map, m, sizeof m);
  k.Pix[0] = Map.PixLeft, k.Pix[1] = Map.PixTop, k.Pix[2] = Map.PixRight, k.Pix[3] = Map.PixBottom;
  k.Wave = WaveRecToBytes(Figure.Wave);
  k.Kind = Figure.Kind;
  k.Count = Count;
  k.X = X, k.Y = Y;
  return k;
}
struct TKeptWave {
  bool Valid = false;
  TKeptWaveKey Key;
  std::vector<TPoint> Points;
};
// Per figure (by address; a figure at a reused address simply misses), per thread, forgotten
// wholesale past a bound of points kept (a million: 8 MB).
struct TKeptWaves {
  std::unordered_map<const TRealFig*, TKeptWave> Waves;
  size_t Points = 0;
};
TKeptWaves& KeptWaves() {
  thread_local TKeptWaves kept;
  if (kept.Points > (size_t(1) << 20) || kept.Waves.size() > 20000) {
    kept.Waves.clear();
    kept.Points = 0;
  }
  return kept;
}

// A pixel coordinate: whole, within the 32-bit range (non-finite values give 0).
int32_t PixelOf(long double v) {
  if (!std::isfinite(static_cast<double>(v))) return 0;
  return CadRound(std::clamp(v, -2147483647.0L, 2147483647.0L));
}
}  // namespace

void FigureParamsToPixels(const TMappingRec& Map, const TWaveRec& Wave, TWavePixelRec& Pix) {
  const double ww = Map.WorldRight - Map.WorldLeft;
  const long double s = ww == 0 ? 0.0L : static_cast<long double>(double((Map.PixRight - Map.PixLeft) / ww));
  const long double w1 = Wave.WaveWidth[0] * s, w2 = Wave.WaveWidth[1] * s;
  const long double p1 = Wave.PulseWidth[0], p2 = Wave.PulseWidth[1];
  Pix.RisePix = PixelOf(w1 * p1 / 100 * Wave.PulseRise / 100);
  Pix.FallPix = PixelOf((w1 - w1 * p1 / 100) * Wave.PulseFall / 100);
  Pix.PulsePix1 = PixelOf(w1 * p1 / 100);
  Pix.PulsePix2 = PixelOf(w2 * p2 / 100);
  Pix.FMIndexPix = PixelOf(Wave.FMIndex);
  Pix.FMIndexHigh = 0;
  Pix.ReservedInts[0] = Wave.Params[0];
  Pix.ReservedInts[1] = Wave.Params[1];
  Pix.PeriodPix1 = PixelOf(w1);
  Pix.PeriodPix2 = PixelOf(w2);
  Pix.HeightPix1 = PixelOf(Wave.WaveHeight[0] * s);
  Pix.HeightPix2 = PixelOf(Wave.WaveHeight[1] * s);
  Pix.StartAngle1 = Wave.StartAngle[0];
  Pix.StartAngle2 = Wave.StartAngle[1];
  Pix.ReservedPix[0] = PixelOf(Wave.PointX * s);
  Pix.ReservedPix[1] = PixelOf(Wave.PointY * s);
}

bool FitPulseEdges(int Kind, TWavePixelRec& Pix) {
  if (Kind != fkPulse && Kind != fkNegativePulse) return true;
  // Each edge is shortened one pixel at a time until it fits or is gone; the same end value is
  // reached here in one step, however far the edge was out.
  int64_t r = Pix.RisePix, f = Pix.FallPix;
  const int64_t w = Pix.PulsePix1, period = Pix.PeriodPix1;
  if (r > w && r != 0) r = r > 0 ? std::max<int64_t>(w, 0) : w;
  const int64_t room = period - 1 - w;
  if (w + f > period - 1 && f != 0) f = f > 0 ? std::max<int64_t>(room, 0) : room;
  Pix.RisePix = int32_t(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
  Pix.FallPix = int32_t(std::clamp<int64_t>(f, INT32_MIN, INT32_MAX));
  return !(w + f > period - 1);
}

void ScaleWaveRec(TWaveRec& Wave, TRealPoint Origin, long double Fx, long double Fy) {
  Wave.FMIndex = float(CadRound(static_cast<long double>(Wave.FMIndex) * Fy));
  for (int i = 0; i < 2; ++i) {
    Wave.WaveWidth[i] = double(Wave.WaveWidth[i] * Fx);
    Wave.WaveHeight[i] = double(Wave.WaveHeight[i] * Fx);
  }
  TRealXYZ p{Wave.PointX, Wave.PointY, 0};
  ScaleRealPoint(p, Origin, Fx, Fy);
  Wave.PointX = p.x;
  Wave.PointY = p.y;
}

int32_t TZQVCad::CreateWaveData(TMappingRec Map, const TRealFig& Figure, double X, double Y, int32_t Count) {
  TWavePixelRec pix;
  FigureParamsToPixels(Map, Figure.Wave, pix);
  const int32_t x0 = WorldToScreenX(Map, X), y0 = WorldToScreenY(Map, Y);
  if (!FitPulseEdges(Figure.Kind, pix)) {
    // During a redraw of the list the figure is simply left out: a box per figure and repaint
    // would stop the user from reaching the editor that mends it.
    if (!Drawing)
      ShowMessage(
          "Unable to modify or scale wave data with current settings\r\rUse the Edit>Object Editor to modify the "
          "rise/fall/pulse\rin order to perform the operation sucessfully\rClick the undo button to get back to where "
          "you were.");
    WavePointCount = 0;
    return 0;
  }
  if (WaveBuffer.empty()) WaveBuffer.assign(WaveBufferPoints, TPoint());
  Count = std::clamp(Count, 0, int32_t(WaveBuffer.size()) - 1);
  TPoint* buf = WaveBuffer.data();
  // A wave generated before from the very same figure values, position, mapping and length gives
  // the same points: they are copied from the last time instead of being worked out again.
  TKeptWaves& store = KeptWaves();
  TKeptWave& kept = store.Waves[&Figure];
  const TKeptWaveKey key = WaveKeyOf(Map, Figure, X, Y, Count);
  if (kept.Valid && std::memcmp(&kept.Key, &key, sizeof key) == 0) {
    std::copy(kept.Points.begin(), kept.Points.end(), buf);
    WavePointCount = int32_t(kept.Points.size());
    return WavePointCount;
  }
  kept.Valid = false;
  int32_t written = 0;
  auto put = [&](int32_t i, int64_t x, int64_t y) {
    if (i < 0 || i >= Count) return;
    buf[i] = TPoint(int(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)), int(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX)));
    written = std::max(written, i + 1);
  };
  const int kind = Figure.Kind;
  const int32_t P1 = pix.PeriodPix1, P2 = pix.PeriodPix2, H1 = pix.HeightPix1, H2 = pix.HeightPix2;
  const int32_t S1 = pix.StartAngle1, S2 = pix.StartAngle2;
  // A period of less than one pixel has no shape to show at this zoom: the wave is a flat line.
  const bool usesP2 = kind == fkWaveSum || kind == fkAM || kind == fkFM;
  const bool flat = P1 <= 0 || (usesP2 && P2 <= 0);
  auto theta1 = [&](int32_t i) { return i == 0 ? static_cast<long double>(S1) : S1 + static_cast<long double>(360 * i) / P1; };
  auto theta2 = [&](int32_t i) { return i == 0 ? static_cast<long double>(S2) : S2 + static_cast<long double>(360 * i) / P2; };
  auto rad = [](long double deg) { return deg * Pi / 180; };
  try {
    if (flat) {
      for (int32_t i = 0; i < Count; ++i) put(i, int64_t(x0) + i, y0);
    } else if (kind == fkSquareWave) {
      int32_t i = 0;
      while (i < Count - 1) {
        float v = float(H1 * SinDeg(theta1(i)));
        if (v > 0) v = float(H1);
        else if (v < 0) v = float(-H1);
        const int64_t y = int64_t(y0) - PixelOf(v);
        if (i > 0 && y != buf[i - 1].Y) {
          put(i, buf[i - 1].X, y);
          ++i;
        }
        put(i, int64_t(x0) + i, y);
        ++i;
      }
    } else if (kind == fkPulse || kind == fkNegativePulse) {
      const int32_t R = pix.RisePix, F = pix.FallPix, W = pix.PulsePix1;
      // Only the first 32,767 points of a period are ever placed.
      const int32_t patternLen = std::min<int32_t>(P1, 32768) + 4;
      std::vector<TPoint> pat(static_cast<size_t>(patternLen));
      auto at = [&](int64_t k, int64_t x, int64_t y) {
        if (k >= 0 && k < patternLen) pat[size_t(k)] = TPoint(int(x), int(y));
      };
      int64_t m;
      if (R == 0 && F == 0 && W == 0) {
        at(0, 0, 0), at(1, 0, H1), at(2, 0, 0);
        m = 3;
      } else if (R == 0 && F == 0 && W == 1) {
        at(0, 0, 0), at(1, 0, H1), at(2, 1, H1), at(3, 1, 0);
        m = 4;
      } else if (R == 0 && F == 1 && W == 0) {
        at(0, 0, 0), at(1, 0, H1), at(2, 1, 0);
        m = 3;
      } else {
        int64_t e;
        if (R > 0) {
          for (int64_t k = 0; k < std::min<int64_t>(R, patternLen); ++k) at(k, 0, 0);
          e = R;
        } else {
          at(0, 0, 0), at(1, 0, H1);
          e = 2;
        }
        if (e <= W) {
          for (int64_t k = e; k <= std::min<int64_t>(W, patternLen); ++k) at(k, k, H1);
          e = W;
        }
        if (F > 0) {
          for (int64_t k = e; k <= std::min<int64_t>(int64_t(W) + F, patternLen); ++k) at(k, e - 1, H1);
          m = int64_t(W) + F;
        } else {
          at(e + 1, e, 0);
          m = e + 2;
        }
      }
      for (int64_t k = std::max<int64_t>(m, 0); k < std::min<int64_t>(P1, patternLen); ++k) at(k, k, 0);
      const int sign = kind == fkPulse ? -1 : 1;
      // The delay is a count of pixels; it cannot reach past the points wanted.
      const int32_t delay = std::clamp(S1, 0, Count);
      for (int32_t t = 0; t < delay; ++t) put(t, int64_t(x0) + t, y0);
      int64_t j = delay;
      while (j < Count - 1) {
        for (int64_t t = j; t < j + P1; ++t) {
          if (t >= Count - 2 || t - j >= 32767) break;
          const TPoint q = pat[size_t(t - j)];
          put(int32_t(t), int64_t(x0) + j + q.X, int64_t(y0) + int64_t(sign) * q.Y);
        }
        j += P1;
      }
    } else {
      for (int32_t i = 0; i < Count; ++i) {
        const long double s1 = SinDeg(theta1(i));
        long double level;
        switch (kind) {
          case 28: level = std::max<int32_t>(0, PixelOf(H1 * s1)); break;
          case 29: level = std::abs(PixelOf(H1 * s1)); break;
          case 30: level = -std::max<int32_t>(0, PixelOf(H1 * s1)); break;
          case 31: level = -std::abs(PixelOf(H1 * s1)); break;
          case 35: level = H1 * s1 + H2 * SinDeg(theta2(i)); break;
          case 36: level = PixelOf(SinDeg(theta2(i)) * (H1 * s1 + H2)); break;
          case 37: level = PixelOf(H2 * std::sin(pix.FMIndexPix * std::cos(rad(theta1(i))) + rad(theta2(i)))); break;
          default: level = PixelOf(H1 * s1); break;
        }
        put(i, int64_t(x0) + i, PixelOf(y0 - level));
      }
    }
    const long double a = Figure.Wave.Rotation * Pi / 180;
    if (a != 0)
      for (int32_t i = 1; i < written; ++i) RotatePoint(buf[0], buf[i], a);
  } catch (...) {
    ShowMessage("Exception in Create Sine Data");
    WavePointCount = written;
    return written;
  }
  kept.Key = key;
  store.Points += size_t(std::max(written, 0)) - std::min(kept.Points.size(), store.Points);
  kept.Points.assign(buf, buf + written);
  kept.Valid = true;
  WavePointCount = written;
  return written;
}

#include "cad/units.h"

#include <QLocale>
#include <cmath>

#include "cad/mapping.h"
#include "platform/numeric.h"

TScreenCmRec ScreenCmRec = {2.5L, 2.54L};

const std::array<long double, 10> DimMultiplierTable = {1e-5L, 1e-4L, 1e-3L, 1e-2L, 1e-1L,
                                                        1.0L,  1e1L,  1e2L,  1e3L,  1e4L};

void InitializeDrawUnit() {
  TScreenCmRec previous{};
  try {
    CalibrateCmFactor(ScreenCmRec, ScreenPixelsPerInch(), previous);
  } catch (...) {
    // The default factors stay.
  }
}

void SetMetricRec(bool Metric, TDefMetricRec& Rec) {
  if (Metric) {
    Rec.Factor = 2.54L;
    Rec.Suffix = "cm";
  } else {
    Rec.Factor = 1.0L;
    Rec.Suffix = "''";
  }
}

long double UnitFactor(bool PageMetric, bool FigureMetric) {
  if (PageMetric) return FigureMetric ? ScreenCmRec[0] : ScreenCmRec[1];
  return FigureMetric ? 2.54L : 1.0L;
}

bool LocaleIsMetric() {
  // The default locale is the user's, unless the program or a test has set another.
  return QLocale().measurementSystem() == QLocale::MetricSystem;
}

bool SameValueEps(long double a, long double b, long double eps) {
  const double da = static_cast<double>(a);
  const double db = static_cast<double>(b);
  const long double hi = da > db ? da : db;
  const long double lo = da > db ? db : da;
  return hi - lo <= eps;
}

std::string DecimalsFormat(uint8_t Index) {
  if (Index > 10) Index = 10;
  return "0." + std::string(size_t(Index) + 2, '0');
}

std::string StepFormat(uint8_t Index) {
  static const char* const table[10] = {"0.00001", "0.0001", "0.001", "0.01", "0.1",
                                        "1",       "10",     "100",   "1000", "10000"};
  return table[Index > 9 ? 9 : Index];
}

std::string FormatFloat(const std::string& Format, long double Value) {
  const auto dot = Format.find('.');
  const int decimals = dot == std::string::npos ? 0 : int(Format.size() - dot - 1);
  return FormatFixed(Value, decimals);
}

std::string FormatDimension(uint8_t Precision, const std::string& Suffix, int32_t Numerator,
                            int32_t Denominator, float Scale) {
  if (Denominator == 0) return {};
  try {
    const long double v = static_cast<long double>(Numerator) / Denominator * Scale;
    return FormatFloat(DecimalsFormat(Precision), v) + Suffix;
  } catch (...) {
    return " ";
  }
}

std::string FormatLength(bool Metric, double Value) {
  return FormatFloat("0.0000", Metric ? static_cast<long double>(Value) * 25.4L : Value);
}

namespace {
struct PaperMm {
  int Width;
  int Height;
};
constexpr PaperMm PaperTable[8] = {{297, 210}, {210, 297}, {210, 148}, {148, 210},
                                   {353, 250}, {250, 353}, {250, 176}, {176, 250}};
}  // namespace

void SetPaperSize(uint8_t Index, int32_t VertDpi, int32_t HorzDpi, bool Metric, TMappingRec& Map) {
  Index &= 127;
  Map.WorldLeft = 0;
  Map.WorldBottom = 0;
  Map.PixLeft = 0;
  Map.PixTop = 0;
  if (Index <= 7) {
    const PaperMm p = PaperTable[Index];
    if (Metric) {
      Map.WorldRight = p.Width / 10.0;
      Map.WorldTop = p.Height / 10.0;
    } else {
      Map.WorldRight = p.Width / 25.4;
      Map.WorldTop = p.Height / 25.4;
    }
    Map.PixRight = CadRound(static_cast<long double>(int32_t(HorzDpi * p.Width)) / 25.4L);
    Map.PixBottom = CadRound(static_cast<long double>(int32_t(VertDpi * p.Height)) / 25.4L);
  } else {
    // Not a paper of the table: a 500 by 500 pixel page of five by five units.
    Map.PixRight = 500;
    Map.PixBottom = 500;
    Map.WorldRight = 5;
    Map.WorldTop = 5;
  }
}

void CalibrateCmFactor(TScreenCmRec& Rec, int32_t Dpi, TScreenCmRec& Previous) {
  Previous = Rec;
  const int32_t n = CadRound(static_cast<long double>(Dpi) / 2.54L);
  if (n == 0) throw EZeroDivide("Floating point division by zero");
  Rec[0] = static_cast<long double>(Dpi) / n;
  Rec[1] = Rec[0] / 2.54L;
}

// Units of lengths shown to the user, number texts, the paper table and the screen centimetre.
#pragma once

#include <array>
#include <string>

#include "cad/cad_types.h"
#include "platform/screen.h"

// A unit factor (inches per inch, or centimetres per inch) with the suffix shown after lengths.
struct TDefMetricRec {
  long double Factor = 1.0L;
  std::string Suffix = "''";
};

// Element 0: screen-calibrated centimetres per inch; element 1: element 0 / 2.54.
using TScreenCmRec = std::array<long double, 2>;
extern TScreenCmRec ScreenCmRec;

// Powers of ten from 1e-5 (index 0) to 1e4 (index 9); index 5 is 1.
extern const std::array<long double, 10> DimMultiplierTable;

// Calibrates ScreenCmRec from the screen; run once at start-up, after the application object exists.
void InitializeDrawUnit();

void SetMetricRec(bool Metric, TDefMetricRec& Rec);
long double UnitFactor(bool PageMetric, bool FigureMetric);
bool LocaleIsMetric();
bool SameValueEps(long double a, long double b, long double eps);
std::string DecimalsFormat(uint8_t Index);
std::string StepFormat(uint8_t Index);
// A float formatted with a fixed-decimals pattern such as "0.0000" (dot as decimal separator).
std::string FormatFloat(const std::string& Format, long double Value);
std::string FormatDimension(uint8_t Precision, const std::string& Suffix, int32_t Numerator,
                            int32_t Denominator, float Scale);
std::string FormatLength(bool Metric, double Value);
void SetPaperSize(uint8_t Index, int32_t VertDpi, int32_t HorzDpi, bool Metric, TMappingRec& Map);
void CalibrateCmFactor(TScreenCmRec& Rec, int32_t Dpi, TScreenCmRec& Previous);

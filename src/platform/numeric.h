// Number rules of the program: rounding to the nearest integer with halves to even (raising on
// overflow), integer scaling between resolutions with halves away from zero.
#pragma once

#include <cstdint>
#include <string>

// Nearest integer, exact halves to the even neighbour; raises EIntOverflow outside 64 bits or NaN.
int64_t Round(double value);
// Round() narrowed to 32 bits; raises EIntOverflow outside the 32-bit range.
int32_t Round32(double value);
// Toward zero; raises EIntOverflow outside the 64-bit range or for NaN.
int64_t Trunc(double value);
// number * numerator / denominator with a 64-bit intermediate, rounded half away from zero.
// A zero denominator or a result outside 32 bits gives -1, as the platform's MulDiv does.
int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator);

// Value written with Decimals digits after the decimal point (none and no point for 0), rounded
// half away from zero on the exact value: 0.125 gives "0.13" with two decimals, 2.5 gives "3" with
// none. A value that rounds to zero has no sign. Raises EConvertError for an infinite or NaN
// value, or one too long to write in fixed notation.
std::string FormatFixed(long double Value, int Decimals);

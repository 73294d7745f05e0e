#include "platform/numeric.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/exceptions.h"

int64_t Round(double value) {
  if (!std::isfinite(value) || value >= 9.2233720368547758e18 || value < -9.2233720368547758e18)
    throw EIntOverflow("Integer overflow");
  return static_cast<int64_t>(std::nearbyint(value));  // default rounding mode: halves to even
}

int32_t Round32(double value) {
  const int64_t r = Round(value);
  if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
    throw EIntOverflow("Integer overflow");
  return static_cast<int32_t>(r);
}

int64_t Trunc(double value) {
  if (!std::isfinite(value) || value >= 9.2233720368547758e18 || value < -9.2233720368547758e18)
    throw EIntOverflow("Integer overflow");
  return static_cast<int64_t>(value);
}

int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator) {
  if (denominator == 0) return -1;
  const int64_t product = int64_t(number) * numerator;
  int64_t q = product / denominator;
  const int64_t r = product % denominator;
  // Halves and more go away from zero.
  if (r != 0 && 2 * (r < 0 ? -r : r) >= (denominator < 0 ? -int64_t(denominator) : denominator))
    q += ((product < 0) != (denominator < 0)) ? -1 : 1;
  if (q < std::numeric_limits<int32_t>::min() || q > std::numeric_limits<int32_t>::max()) return -1;
  return static_cast<int32_t>(q);
}

std::string FormatFixed(long double Value, int Decimals) {
  if (!std::isfinite(Value)) throw EConvertError("Invalid floating point value");
  if (Decimals < 0) Decimals = 0;
  if (Decimals > 30) Decimals = 30;
  // The printed digits are correctly rounded, but exact ties go to the even neighbour. So the
  // value is printed with more digits than wanted and rounded here. A long double that is not a
  // tie lies at least 2^-(e+1) * 10^-Decimals from one (e: its binary exponent below the point,
  // at most 65 + 3.33 * Decimals); 20 + Decimals extra digits show that distance, so the first
  // extra digit decides correctly.
  const int Extra = 22 + Decimals;
  const long double magnitude = std::fabs(Value);
  char buffer[512];
  const int n = std::snprintf(buffer, sizeof buffer, "%.*Lf", Decimals + Extra, magnitude);
  if (n < 0 || n >= int(sizeof buffer)) throw EConvertError("Invalid floating point value");
  std::string digits(buffer, size_t(n));
  const bool up = digits[size_t(n - Extra)] >= '5';
  digits.resize(size_t(n - Extra));
  if (Decimals == 0) digits.pop_back();  // the point
  if (up) {
    size_t i = digits.size();
    for (;;) {
      if (i == 0) {
        digits.insert(digits.begin(), '1');
        break;
      }
      --i;
      if (digits[i] == '.') continue;
      if (digits[i] == '9') {
        digits[i] = '0';
        continue;
      }
      ++digits[i];
      break;
    }
  }
  const bool zero = digits.find_first_not_of("0.") == std::string::npos;
  return (Value < 0 && !zero) ? "-" + digits : digits;
}

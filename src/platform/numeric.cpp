#include "platform/numeric.h"

#include <cmath>
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

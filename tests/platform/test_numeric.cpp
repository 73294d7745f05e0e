#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/exceptions.h"
#include "platform/numeric.h"

TEST(Numeric, RoundHalvesToEven) {
  const struct { double in; int64_t out; } cases[] = {
      {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {-7.2, -7}};
  for (const auto& c : cases) EXPECT_EQ(Round(c.in), c.out) << c.in;
}

TEST(Numeric, RoundRaisesOnOverflow) {
  EXPECT_THROW(Round(1e30), EIntOverflow);
  EXPECT_THROW(Round(std::numeric_limits<double>::quiet_NaN()), EIntOverflow);
  EXPECT_THROW(Round32(3e9), EIntOverflow);
  EXPECT_EQ(Round32(-2147483648.0), INT32_MIN);
}

TEST(Numeric, MulDivRoundsHalvesAwayFromZero) {
  const struct { int n, num, den, out; } cases[] = {
      {12, 96, 72, 16}, {5, 1, 2, 3}, {-5, 1, 2, -3}, {5, -1, 2, -3}, {7, 1, 3, 2}, {8, 1, 3, 3},
      {10, 72, 96, 8}, {1, 1, 0, -1}, {INT32_MAX, 2, 1, -1}, {-5, -1, -2, -3}};
  for (const auto& c : cases) EXPECT_EQ(MulDiv(c.n, c.num, c.den), c.out) << c.n << "*" << c.num << "/" << c.den;
}

TEST(Numeric, FormatFixedRoundsExactHalvesAwayFromZero) {
  const long double tie13 = std::ldexp(1.0L, -13);  // 0.0001220703125, a tie at twelve decimals
  const struct { long double in; int decimals; const char* out; } cases[] = {
      {0.125L, 2, "0.13"}, {-0.125L, 2, "-0.13"}, {0.375L, 2, "0.38"}, {2.5L, 0, "3"}, {-2.5L, 0, "-3"},
      {0.5L, 0, "1"}, {999.5L, 0, "1000"}, {9.96875L, 4, "9.9688"}, {0.0625L, 3, "0.063"},
      {tie13, 12, "0.000122070313"}, {std::nextafter(tie13, 0.0L), 12, "0.000122070312"},
      {std::nextafter(0.125L, 0.0L), 2, "0.12"}, {std::nextafter(2.5L, 0.0L), 0, "2"},
      {0.285, 2, "0.28"},  // the double nearest 0.285 lies below it
      {std::ldexp(1.0L, 62) + 0.5L, 0, "4611686018427387905"},
      {-0.001L, 2, "0.00"}, {0.0L, 0, "0"}, {1.0L, 4, "1.0000"}, {-7.25L, 1, "-7.3"}};
  for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.in, c.decimals), c.out) << double(c.in) << " " << c.decimals;
  EXPECT_THROW(FormatFixed(std::numeric_limits<long double>::infinity(), 2), EConvertError);
  EXPECT_THROW(FormatFixed(std::numeric_limits<long double>::quiet_NaN(), 0), EConvertError);
}

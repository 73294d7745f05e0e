#include <gtest/gtest.h>

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

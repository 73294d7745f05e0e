#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codecs/byte_sum.h"

TEST(ByteSum, EveryLengthAndAlignmentSumsEveryByte) {
  std::mt19937 rng(7);
  std::vector<uint8_t> bytes(300);
  for (auto& b : bytes) b = uint8_t(rng());
  bytes[5] = bytes[6] = bytes[7] = 0xFF;
  for (size_t start = 0; start < 9; ++start)
    for (size_t n = 0; start + n <= bytes.size(); n += 1 + n / 7) {
      uint32_t expected = 0;
      for (size_t i = start; i < start + n; ++i) expected += bytes[i];
      EXPECT_EQ(ByteSum(bytes.data() + start, n), expected) << start << " " << n;
    }
  const std::vector<uint8_t> ones(1 << 20, 0xFF);
  EXPECT_EQ(ByteSum(ones.data(), ones.size()), uint32_t(255u << 20));
}

#include "codecs/byte_sum.h"

#include <cstring>

// Eight bytes at a time: every stream's checksum runs over all its bytes, and under the
// sanitizers of the test and fuzz builds each load is checked, so fewer, wider loads count.
uint32_t ByteSum(const uint8_t* data, size_t size) {
  constexpr uint64_t LowBytes = 0x00FF00FF00FF00FFull;
  uint64_t sum = 0;
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    uint64_t w;
    std::memcpy(&w, data + i, 8);
    const uint64_t pairs = (w & LowBytes) + ((w >> 8) & LowBytes);  // four sums of two bytes
    sum += (pairs * 0x0001000100010001ull) >> 48;                   // their total
  }
  for (; i < size; ++i) sum += data[i];
  return uint32_t(sum);
}

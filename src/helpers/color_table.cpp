#include "helpers/color_table.h"

namespace {
std::array<std::array<uint8_t, 3>, 256> MakeColorTable() {
  // A 6x6x6 colour cube followed by a ramp of 40 greys, so that random choices spread over the
  // whole colour space.
  std::array<std::array<uint8_t, 3>, 256> table{};
  int i = 0;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) table[size_t(i++)] = {uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)};
  for (int k = 0; i < 256; ++k) table[size_t(i++)] = {uint8_t(k * 255 / 39), uint8_t(k * 255 / 39), uint8_t(k * 255 / 39)};
  return table;
}
}  // namespace

const std::array<std::array<uint8_t, 3>, 256> ColorTable = MakeColorTable();

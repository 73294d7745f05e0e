// The fixed colour table that random figure colours and the pen-and-brush dialog's choices are
// taken from.
#pragma once

#include <array>
#include <cstdint>

// 256 colours, red, green, blue per entry.
extern const std::array<std::array<uint8_t, 3>, 256> ColorTable;

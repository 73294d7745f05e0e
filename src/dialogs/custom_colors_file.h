// The sixteen custom colours that every colour dialog of the program shares, and their text form
// in "ZQVCustomClrs.Dat": sixteen lines "ColorA=" to "ColorP=" followed by the colour as six
// hexadecimal digits (blue, green, red). Plain text handling, without widgets.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/win_types.h"

constexpr int CustomColorCount = 16;
using TCustomColorSet = std::array<std::optional<TColor>, CustomColorCount>;

// The file's lines (LF or CR LF ends); a file is at most CustomColorsMaxBytes long and yields at
// most CustomColorsMaxLines lines, so a damaged file costs nothing.
constexpr size_t CustomColorsMaxBytes = 64 * 1024;
constexpr size_t CustomColorsMaxLines = 256;
std::vector<std::string> CustomColorLinesFromBytes(const uint8_t* Data, size_t Size);
// The colours a list names: "ColorA" to "ColorP" (letters in either case) with a hexadecimal
// value of at most eight digits; missing, empty and unreadable entries are unset. A later line
// for the same letter replaces an earlier one.
TCustomColorSet CustomColorsFromLines(const std::vector<std::string>& Lines);
// The sixteen lines of a set; unset entries are written as white, as the dialog shows them.
std::vector<std::string> CustomColorLines(const TCustomColorSet& Colors);
// The written file text (CR LF line ends).
std::string CustomColorsText(const std::vector<std::string>& Lines);

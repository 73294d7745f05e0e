// The characters a reader sees for the bytes of page text, for text that leaves the program.
#pragma once

#include <cstdint>

#include "platform/font.h"

// The character a reader sees for a byte drawn in the given font: the glyphs of "Symbol",
// "ZQVSerif" and "ZQVRelMath" as their Unicode characters (the Greek letters, operators, arrows,
// primes; the tab cell as a tab), every other font through Windows-1252. 0 for a byte that draws
// nothing (control bytes of the symbol fonts, the micro space, the marker cell, the empty codes).
char32_t ByteToVisibleChar(const TFont& font, uint8_t byte);

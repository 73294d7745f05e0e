#include "dialogs/app_palette.h"

#include <algorithm>
#include <vector>

namespace {
using Rgb = std::array<uint8_t, 3>;

constexpr Rgb Hex(uint32_t v) { return {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

std::array<Rgb, 256> MakeTable() {
  std::array<Rgb, 256> t{};
  const uint32_t low[10] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                            0x800080, 0x008080, 0xc0c0c0, 0xc0dcc0, 0xa6caf0};
  const uint32_t high[10] = {0xfffbf0, 0xa0a0a4, 0x808080, 0xff0000, 0x00ff00,
                             0xffff00, 0x0000ff, 0xff00ff, 0x00ffff, 0xffffff};
  const uint32_t greys[12] = {0x040404, 0x080808, 0x0c0c0c, 0x111111, 0x161616, 0x1c1c1c,
                              0x222222, 0x292929, 0x555555, 0x4d4d4d, 0x424242, 0x393939};
  const uint32_t picked[7] = {0xff7c80, 0xff5050, 0xd60093, 0xccecff, 0xefd6c6, 0xe7e7d6, 0xada990};
  const uint32_t cubeStart[9] = {0x330000, 0x660000, 0x990000, 0xcc0000, 0x003300,
                                 0x333300, 0x000000, 0x000000, 0xcc3300};
  const uint32_t cubeEnd[3] = {0x6666ff, 0xff66ff, 0x66ffff};
  const uint32_t tail[13] = {0xa50021, 0x5f5f5f, 0x777777, 0x868686, 0x969696, 0xcbcbcb, 0xb2b2b2,
                             0xd7d7d7, 0xdddddd, 0xe3e3e3, 0xeaeaea, 0xf1f1f1, 0xf8f8f8};
  for (int i = 0; i < 10; ++i) t[size_t(i)] = Hex(low[i]);
  for (int i = 0; i < 10; ++i) t[size_t(246 + i)] = Hex(high[i]);
  for (int i = 0; i < 12; ++i) t[size_t(10 + i)] = Hex(greys[i]);
  for (int i = 0; i < 7; ++i) t[size_t(22 + i)] = Hex(picked[i]);
  for (int i = 0; i < 9; ++i) t[size_t(29 + i)] = Hex(cubeStart[i]);
  for (int i = 0; i < 3; ++i) t[size_t(230 + i)] = Hex(cubeEnd[i]);
  for (int i = 0; i < 13; ++i) t[size_t(233 + i)] = Hex(tail[i]);
  // Entries 38-229: the cube colours not placed yet, red changing fastest, then green, then blue.
  std::vector<uint32_t> used;
  for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}) used.push_back(low[i]);
  for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}) used.push_back(high[i]);
  for (uint32_t c : cubeStart) used.push_back(c);
  for (uint32_t c : cubeEnd) used.push_back(c);
  size_t next = 38;
  for (int b = 0; b < 6 && next <= 229; ++b)
    for (int g = 0; g < 6 && next <= 229; ++g)
      for (int r = 0; r < 6 && next <= 229; ++r) {
        const uint32_t c = uint32_t(r * 0x33) << 16 | uint32_t(g * 0x33) << 8 | uint32_t(b * 0x33);
        if (std::find(used.begin(), used.end(), c) != used.end()) continue;
        t[next++] = Hex(c);
      }
  return t;
}
}  // namespace

const std::array<std::array<uint8_t, 3>, 256> AppPaletteRGB = MakeTable();
int32_t SystemPaletteEntryCount = 0;

TColor AppPaletteColor(int Index) {
  const Rgb& c = AppPaletteRGB[size_t(Index) & 255];
  return RGBColor(c[0], c[1], c[2]);
}

int GetColorDepth() { return ScreenColorDepth(); }

HPALETTE CreateAppPalette(int Depth) {
  SystemPaletteEntryCount = 0;
  std::vector<TColor> entries(256, TColor(0));
  if (Depth <= 8) {
    // The system palette is read (its count kept) and every entry then takes the table's colour.
    SystemPaletteEntryCount = int32_t(std::min<size_t>(256, GetSystemPaletteEntries().size()));
    for (int i = 0; i < 256; ++i) entries[size_t(i)] = AppPaletteColor(i);
    return CreatePalette(entries);
  }
  const std::vector<TColor> system = GetSystemPaletteEntries();
  SystemPaletteEntryCount = int32_t(std::min<size_t>(256, system.size()));
  if (SystemPaletteEntryCount == 0) {
    for (int i = 10; i <= 245; ++i) entries[size_t(i)] = AppPaletteColor(i);
  } else {
    for (int i = 0; i < SystemPaletteEntryCount && i < 256; ++i) entries[size_t(i)] = system[size_t(i)];
    // Table entry n goes to palette entry n + 10.
    for (int i = 19; i <= 255; ++i) entries[size_t(i)] = AppPaletteColor(i - 10);
  }
  return CreatePalette(entries);
}

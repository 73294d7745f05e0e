#include "dialogs/custom_colors_file.h"

#include <cstdio>

std::vector<std::string> CustomColorLinesFromBytes(const uint8_t* Data, size_t Size) {
  std::vector<std::string> lines;
  if (Size > CustomColorsMaxBytes) Size = CustomColorsMaxBytes;
  std::string line;
  for (size_t i = 0; i < Size && lines.size() < CustomColorsMaxLines; ++i) {
    const char c = char(Data[i]);
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty() && lines.size() < CustomColorsMaxLines) {
    if (line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

TCustomColorSet CustomColorsFromLines(const std::vector<std::string>& Lines) {
  TCustomColorSet colors{};
  for (const std::string& line : Lines) {
    const auto eq = line.find('=');
    if (eq != 6 || (line.compare(0, 5, "Color") != 0 && line.compare(0, 5, "color") != 0 && line.compare(0, 5, "COLOR") != 0))
      continue;
    char letter = line[5];
    if (letter >= 'a' && letter <= 'p') letter = char(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'P') continue;
    const std::string value = line.substr(eq + 1);
    std::optional<TColor> color;
    if (!value.empty() && value.size() <= 8) {
      uint32_t v = 0;
      bool ok = true;
      for (char ch : value) {
        int d;
        if (ch >= '0' && ch <= '9') d = ch - '0';
        else if (ch >= 'a' && ch <= 'f') d = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F') d = ch - 'A' + 10;
        else {
          ok = false;
          break;
        }
        v = v * 16 + uint32_t(d);
      }
      if (ok) color = TColor(v & 0x00FFFFFF);
    }
    colors[size_t(letter - 'A')] = color;
  }
  return colors;
}

std::vector<std::string> CustomColorLines(const TCustomColorSet& Colors) {
  std::vector<std::string> lines;
  for (int i = 0; i < CustomColorCount; ++i) {
    const TColor c = Colors[size_t(i)].value_or(0xFFFFFF);
    char buf[32];
    std::snprintf(buf, sizeof buf, "Color%c=%06X", char('A' + i), unsigned(c) & 0xFFFFFFu);
    lines.emplace_back(buf);
  }
  return lines;
}

std::string CustomColorsText(const std::vector<std::string>& Lines) {
  std::string text;
  for (const auto& l : Lines) text += l + "\r\n";
  return text;
}

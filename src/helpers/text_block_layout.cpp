#include "helpers/text_block_layout.h"

#include <algorithm>
#include <cmath>

#include "platform/canvas.h"
#include "platform/font.h"

const std::array<uint8_t, 11> SymbolSerifCodes = {127, 128, 136, 141, 142, 143, 144, 157, 158, 167, 182};
const std::string RelationChars = "<=>@~";

namespace {
std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return s;
}

bool IsRelationChar(char c) { return RelationChars.find(c) != std::string::npos; }
bool IsRelationRunChar(char c) { return IsRelationChar(c) || c == '*' || c == '+' || c == '-' || c == '/'; }
bool IsStripped(char c) { return static_cast<unsigned char>(c) < 32 || c == '/' || c == '='; }
}  // namespace

bool IsSymbolFontChar(const std::string& FontName, uint8_t Charset, uint8_t Ch) {
  const std::string name = Upper(FontName);
  if (name == "ZQVSERIF" && std::find(SymbolSerifCodes.begin(), SymbolSerifCodes.end(), Ch) != SymbolSerifCodes.end())
    return true;
  return Charset == 2 || name == "ZQVRELMATH" || name == "PERIOD" || name == "SYMBOL";
}

int WidestLine(const TTextWidthFunc& TextWidth, const TTextLines& Lines) {
  if (Lines.size() < 2) return 0;
  int best = 0;
  int bestWidth = TextWidth(Lines[0]);
  for (size_t i = 1; i < Lines.size(); ++i) {
    const int w = TextWidth(Lines[i]);
    if (w > bestWidth) {
      bestWidth = w;
      best = int(i);
    }
  }
  return best;
}

int PadLines(const TTextWidthFunc& TextWidth, TTextLines& Lines, bool MeasureOnly, uint8_t Align) {
  if (Lines.empty()) return 0;
  if (Lines.size() < 2) return TextWidth(Lines[0]);
  for (std::string& line : Lines) line.erase(0, line.find_first_not_of(' ') == std::string::npos ? line.size() : line.find_first_not_of(' '));
  const int widest = WidestLine(TextWidth, Lines);
  const int W = TextWidth(Lines[size_t(widest)]);
  if (MeasureOnly) return W;
  const int space = TextWidth(" ");
  for (size_t i = 0; i < Lines.size(); ++i) {
    if (int(i) == widest) continue;
    std::string& line = Lines[i];
    int width = TextWidth(line);
    if (width >= W) continue;
    if (Align == 1) {
      // Spaces go in front until the line is wider than the widest; a space that adds no width
      // (or a line grown past any sensible length) ends the padding.
      while (width <= W && line.size() < 1024) {
        line.insert(0, 1, ' ');
        const int grown = TextWidth(line);
        if (grown <= width) break;
        width = grown;
      }
    } else if (Align == 2) {
      if (space <= 0) continue;
      const long n = std::lround(double(W - width) / 2.0 / double(space));
      if (n > 0) {
        line.insert(0, size_t(n), ' ');
        line.append(size_t(n), ' ');
      }
    }
  }
  return W;
}

namespace {
// Reads the characters of one column into lines; in the right column the first relation run is
// taken out into Relation.
void ReadColumn(const std::string& chars, TTextLines& lines, bool rightColumn, std::string& Relation) {
  lines.assign(1, std::string());
  bool relationTaken = false;
  size_t i = 0;
  while (i < chars.size()) {
    const char c = chars[i];
    if (rightColumn && !relationTaken && IsRelationChar(c)) {
      size_t j = i;
      std::string rel;
      while (j < chars.size() && IsRelationRunChar(chars[j])) {
        if (chars[j] != '@') rel += chars[j];
        ++j;
      }
      Relation += rel;
      Relation = " " + Relation + " ";
      relationTaken = true;
      i = j;
      continue;
    }
    if (c == '/') {
      if (i + 1 < chars.size() && chars[i + 1] == '/') {
        lines.back() += '/';
        i += 2;
        continue;
      }
      lines.emplace_back();
      ++i;
      continue;
    }
    if (static_cast<unsigned char>(c) < 32) {
      lines.emplace_back();
      ++i;
      continue;
    }
    lines.back() += c;
    ++i;
  }
}
}  // namespace

void LayoutTextBlock(const TTextWidthFunc& TextWidth, const std::string& Text, TTextLines* Lists[2],
                     bool MeasureOnly, std::string& Relation, uint8_t Align, int32_t Widths[2]) {
  Relation.clear();
  Widths[0] = 0;
  Widths[1] = 0;
  if (Lists == nullptr || Lists[0] == nullptr || Lists[1] == nullptr || Text.empty()) return;
  TTextLines& left = *Lists[0];
  TTextLines& right = *Lists[1];
  left.clear();
  right.clear();
  try {
    if (Text.size() == 1) {
      left.push_back(Text);
      Widths[0] = TextWidth(Text);
      return;
    }
    size_t from = 0;
    size_t to = Text.size();
    while (from < to && IsStripped(Text[from])) ++from;
    while (to > from && IsStripped(Text[to - 1])) --to;
    if (from == to) return;
    const std::string text = Text.substr(from, std::min<size_t>(to - from, 255));
    size_t s = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i)
      if (IsRelationChar(text[i])) {
        s = (i > 0 && text[i - 1] == ' ') ? i - 1 : i;
        break;
      }
    const bool hasRelation = s != std::string::npos;
    ReadColumn(hasRelation ? text.substr(0, s) : text, left, false, Relation);
    if (hasRelation) ReadColumn(text.substr(s), right, true, Relation);
    Widths[0] = PadLines(TextWidth, left, MeasureOnly, Align);
    if (hasRelation)
      Widths[1] = PadLines(TextWidth, right, MeasureOnly, Align);
    else
      right.clear();
  } catch (...) {
    left.clear();
    right.clear();
  }
}

bool IsSymbolFontChar(const TFont* Font, uint8_t Ch) {
  if (Font == nullptr) return false;
  return IsSymbolFontChar(Font->Name, Font->Charset, Ch);
}

void LayoutTextBlock(TCanvas* Canvas, const std::string& Text, TTextLines* Lists[2], bool MeasureOnly,
                     std::string& Relation, uint8_t Align, int32_t Widths[2]) {
  if (Canvas == nullptr) {
    Relation.clear();
    Widths[0] = Widths[1] = 0;
    return;
  }
  const TTextWidthFunc width = [Canvas](const std::string& s) { return Canvas->TextWidthBytes(s); };
  LayoutTextBlock(width, Text, Lists, MeasureOnly, Relation, Align, Widths);
}

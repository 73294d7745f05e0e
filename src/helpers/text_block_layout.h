// Which characters of which fonts are symbols, and the layout of the text of a CAD text or
// dimension figure into lines and a left and right column around a relational sign.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Codes of the font "ZQVSerif" that are symbols (kept when text attributes change).
extern const std::array<uint8_t, 11> SymbolSerifCodes;
// Characters that start a relation in a figure text.
extern const std::string RelationChars;

class TCanvas;
class TFont;

// True when Ch drawn in the named font is a symbol that must keep its font.
bool IsSymbolFontChar(const std::string& FontName, uint8_t Charset, uint8_t Ch);
// The same for a font; False when Font is missing.
bool IsSymbolFontChar(const TFont* Font, uint8_t Ch);

// Text lines of one column; the width of a text in pixels with the current font.
using TTextLines = std::vector<std::string>;
using TTextWidthFunc = std::function<int(const std::string&)>;

// Fills Lists[0] (left column) and Lists[1] (right column), Relation and the two column widths.
void LayoutTextBlock(const TTextWidthFunc& TextWidth, const std::string& Text, TTextLines* Lists[2],
                     bool MeasureOnly, std::string& Relation, uint8_t Align, int32_t Widths[2]);
// The same, measured with the canvas's current font (figure texts are bytes).
void LayoutTextBlock(TCanvas* Canvas, const std::string& Text, TTextLines* Lists[2], bool MeasureOnly,
                     std::string& Relation, uint8_t Align, int32_t Widths[2]);
// Index of the first line of greatest width; 0 for fewer than two lines.
int WidestLine(const TTextWidthFunc& TextWidth, const TTextLines& Lines);
// Aligns the lines of one column (1 right, 2 centre) and returns its width.
int PadLines(const TTextWidthFunc& TextWidth, TTextLines& Lines, bool MeasureOnly, uint8_t Align);

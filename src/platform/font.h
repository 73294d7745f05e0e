// The program's font value and the byte encoding of page text.
//
// QFont has no character set and measures in points or pixels only, so the program carries its own
// font value: name, size in points, pixel height, colour, style, character set, pitch and
// escapement. ToQFont turns it into a QFont of an exact pixel size without antialiasing.
//
// Cells and figure texts hold bytes. A font of the symbol character set and the program's two
// special fonts draw each byte's own glyph; every other font maps bytes through Windows-1252.
#pragma once

#include <QFont>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win_types.h"

// Style bits; the values are those of the stored one-byte style set.
enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;

enum TFontPitch : uint8_t { fpDefault = 0, fpVariable = 1, fpFixed = 2 };

// Character sets (the platform's numbering).
using TFontCharset = uint8_t;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset SHIFTJIS_CHARSET = 128;
constexpr TFontCharset HANGEUL_CHARSET = 129;
constexpr TFontCharset GB2312_CHARSET = 134;
constexpr TFontCharset CHINESEBIG5_CHARSET = 136;
constexpr TFontCharset OEM_CHARSET = 255;
constexpr TFontCharset JOHAB_CHARSET = 130;
constexpr TFontCharset HEBREW_CHARSET = 177;
constexpr TFontCharset ARABIC_CHARSET = 178;
constexpr TFontCharset GREEK_CHARSET = 161;
constexpr TFontCharset TURKISH_CHARSET = 162;
constexpr TFontCharset VIETNAMESE_CHARSET = 163;
constexpr TFontCharset THAI_CHARSET = 222;
constexpr TFontCharset EASTEUROPE_CHARSET = 238;
constexpr TFontCharset RUSSIAN_CHARSET = 204;
constexpr TFontCharset MAC_CHARSET = 77;
constexpr TFontCharset BALTIC_CHARSET = 186;

// The program's special fonts.
inline constexpr const char* kZQVSerifFont = "ZQVSerif";
inline constexpr const char* kZQVRelMathFont = "ZQVRelMath";

class TFont {
public:
  TFont();  // "Arial", 8 points, black, no style, default character set, screen resolution
  TFont(const std::string& name, int size, TFontStyles style = 0, TColor color = clBlack,
        TFontCharset charset = DEFAULT_CHARSET);

  std::string Name = "Arial";  // family name (UTF-8)
  TColor Color = clBlack;
  TFontStyles Style = 0;
  TFontCharset Charset = DEFAULT_CHARSET;
  TFontPitch Pitch = fpDefault;
  int Escapement = 0;  // direction of the base line, tenths of a degree counter-clockwise

  // Size in points and Height in pixels are two views of one value, linked by PixelsPerInch:
  // Height = -MulDiv(Size, PixelsPerInch, 72). A negative height is the character (em) height, a
  // positive one the cell height (ascent + descent).
  int Size() const;
  void SetSize(int points);
  int Height() const { return HeightPx; }
  void SetHeight(int pixels);
  int PixelsPerInch() const { return Ppi; }
  // Keeps the size in points and recomputes the height for the new resolution.
  void SetPixelsPerInch(int ppi);

  bool Bold() const { return Style & fsBold; }
  bool Italic() const { return Style & fsItalic; }

  // Copies everything but the resolution, keeping the point size (as assigning a font does).
  void Assign(const TFont& other);

  friend bool operator==(const TFont& a, const TFont& b);

  // The QFont: exact pixel size, no antialiasing, no hinting surprises, no kerning.
  QFont ToQFont() const;
  // The em pixel size used for the QFont (a positive cell height is converted by the metrics).
  int PixelSize() const;

  // True for the symbol character set and the program's two special fonts: these draw the byte's
  // own glyph instead of mapping the byte through Windows-1252.
  bool DrawsByteGlyphs() const;

private:
  int HeightPx = -11;
  int Ppi = 96;
};

// Font metrics in pixels of one font at its resolution.
struct TTextMetric {
  int Height = 0;           // ascent + descent
  int Ascent = 0;
  int Descent = 0;
  int InternalLeading = 0;  // Height - em size
  int ExternalLeading = 0;
  int AveCharWidth = 0;
  int MaxCharWidth = 0;
};
TTextMetric GetTextMetrics(const TFont& font);

// Windows-1252 <-> Unicode. The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) map to the C1 control of the same number and back, as the platform's converter does, so
// every byte survives a round trip.
char32_t Win1252ToUnicode(uint8_t byte);
// ok is false when the character has no Windows-1252 byte; the result is then '?'.
uint8_t UnicodeToWin1252(char32_t ch, bool& ok);
QString Win1252ToQString(std::string_view bytes);
// Characters without a byte become '?'.
std::string QStringToWin1252(const QString& text);

// Font names as every stored record holds them (the 64-byte font record of text undo, macro lines
// and the text clipboard; the document's and the figures' font name fields): Windows-1252 bytes,
// at most Capacity of them. A name with a character Windows-1252 cannot hold is stored as UTF-8
// instead, cut before a character that would not fit whole, so that no font name is lost.
std::string FontNameToStoredBytes(const std::string& Name, size_t Capacity);
// The reverse, for records written by anyone: bytes that are well-formed UTF-8 with characters
// beyond ASCII read as UTF-8 (such names, and records of earlier builds, which stored names as
// UTF-8); any other bytes read as Windows-1252.
std::string FontNameFromStoredBytes(std::string_view Bytes);
// The name as a field of Capacity bytes gives it back.
std::string StoredFontName(const std::string& Name, size_t Capacity);

// The Unicode text that draws the bytes in the given font: byte glyphs for symbol and special
// fonts (U+F000 + b when the font has that code point, else b itself), Windows-1252 otherwise.
QString BytesToFontText(const TFont& font, std::string_view bytes);
char32_t ByteToFontChar(const TFont& font, uint8_t byte);
// The reverse, for typing and pasting into a cell of the given font; unmappable characters give '?'.
std::string FontTextToBytes(const TFont& font, const QString& text);
// Which code points the byte-glyph fonts have is learnt once per family; call this after adding
// fonts to the application (QFontDatabase::addApplicationFont) so that it is learnt again.
void ForgetFontGlyphTables();

#include <gtest/gtest.h>

#include <QFontInfo>

#include "platform/font.h"
#include "platform/font_unicode.h"
#include "platform/screen.h"

TEST(Font, EveryDefinedWindows1252ByteRoundTripsAndUndefinedOnesStayThemselves) {
  for (int b = 0; b < 256; ++b) {
    const char32_t u = Win1252ToUnicode(uint8_t(b));
    bool ok = false;
    EXPECT_EQ(UnicodeToWin1252(u, ok), b) << b;
    EXPECT_TRUE(ok) << b;
  }
  // The defined high bytes map to their typographic characters, and the five undefined ones to
  // the C1 control of the same number.
  EXPECT_EQ(Win1252ToUnicode(0x80), U'\u20AC');
  EXPECT_EQ(Win1252ToUnicode(0x93), U'\u201C');
  EXPECT_EQ(Win1252ToUnicode(0x9F), U'\u0178');
  for (uint8_t b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(Win1252ToUnicode(b), char32_t(b));
  // A C1 control whose byte is defined differently, and characters outside the code page, fail.
  bool ok = true;
  EXPECT_EQ(UnicodeToWin1252(0x80, ok), '?');
  EXPECT_FALSE(ok);
  EXPECT_EQ(UnicodeToWin1252(U'\u03B1', ok), '?');
  EXPECT_FALSE(ok);

  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(char(b));
  EXPECT_EQ(QStringToWin1252(Win1252ToQString(all)), all);
  EXPECT_EQ(Win1252ToQString("caf\xE9 \x80"), QString::fromUtf8("café €"));
}

TEST(Font, SymbolAndSpecialFontsDrawTheBytesOwnGlyph) {
  TFont arial("Arial", 10);
  EXPECT_FALSE(arial.DrawsByteGlyphs());
  EXPECT_EQ(BytesToFontText(arial, "\x80"), QString(QChar(0x20AC)));

  TFont symbol("Symbol", 10);
  symbol.Charset = SYMBOL_CHARSET;
  TFont serif("zqvserif", 10);  // names compare without case
  TFont relmath(kZQVRelMathFont, 10);
  for (const TFont* f : {&symbol, &serif, &relmath}) {
    EXPECT_TRUE(f->DrawsByteGlyphs()) << f->Name;
    for (int b : {0x41, 0x80, 0xE5}) {
      const char32_t c = ByteToFontChar(*f, uint8_t(b));
      EXPECT_TRUE(c == char32_t(b) || c == 0xF000u + b) << f->Name << " " << b;
      EXPECT_EQ(FontTextToBytes(*f, BytesToFontText(*f, std::string(1, char(b)))), std::string(1, char(b)));
    }
  }
}

TEST(Font, SizeAndHeightFollowTheResolution) {
  SetScreenPixelsPerInch(96);
  TFont f("DejaVu Sans", 12);
  EXPECT_EQ(f.Height(), -16);
  EXPECT_EQ(f.Size(), 12);
  f.SetPixelsPerInch(300);
  EXPECT_EQ(f.Height(), -50);  // MulDiv(12, 300, 72) = 50
  EXPECT_EQ(f.Size(), 12);
  f.SetHeight(-20);
  f.SetPixelsPerInch(96);
  EXPECT_EQ(f.Size(), 5);  // MulDiv(20, 72, 300) = 4.8 -> 5

  TFont g("DejaVu Sans", 10, fsBold | fsItalic);
  const QFont q = g.ToQFont();
  EXPECT_EQ(q.pixelSize(), 13);
  EXPECT_TRUE(q.bold());
  EXPECT_TRUE(q.italic());
  EXPECT_TRUE(q.styleStrategy() & QFont::NoAntialias);
  // A positive height is the cell height: the em size is smaller.
  TFont cell("DejaVu Sans", 10);
  cell.SetHeight(20);
  const TTextMetric m = GetTextMetrics(cell);
  EXPECT_LE(m.Height, 20);
  EXPECT_GE(m.Height, 17);
  EXPECT_LT(cell.PixelSize(), 20);
}

// Text leaving the program carries the characters the user sees, font by font.
TEST(Font, BytesOfTheSymbolFontsReadAsTheCharactersTheyDraw) {
  auto font = [](const char* name, TFontCharset charset) {
    TFont f;
    f.Name = name;
    f.Charset = charset;
    return f;
  };
  const TFont symbol = font("Symbol", SYMBOL_CHARSET), serif = font("ZQVSerif", DEFAULT_CHARSET),
              relmath = font("ZQVRelMath", DEFAULT_CHARSET), times = font("Times New Roman", ANSI_CHARSET),
              other = font("Wingdings", SYMBOL_CHARSET);
  struct Case {
    const TFont& Font;
    uint8_t Byte;
    char32_t Seen;
  };
  const Case cases[] = {
      // Greek capitals and small letters, by their Greek code points.
      {symbol, 'a', U'\u03B1'}, {symbol, 'b', U'\u03B2'}, {symbol, 'g', U'\u03B3'}, {symbol, 'p', U'\u03C0'},
      {symbol, 'w', U'\u03C9'}, {symbol, 'D', U'\u0394'}, {symbol, 'q', U'\u03B8'}, {symbol, 't', U'\u03C4'},
      {symbol, 'S', U'\u03A3'}, {symbol, 'P', U'\u03A0'}, {symbol, 'W', U'\u03A9'}, {symbol, 'm', U'\u03BC'},
      // Digits and operators; the ends of the table.
      {symbol, '7', U'7'}, {symbol, '"', U'\u2200'}, {symbol, 0xA0, U'\u20AC'}, {symbol, 0xB6, U'\u2202'},
      {symbol, 0xD6, U'\u221A'}, {symbol, 0xE5, U'\u2211'}, {symbol, 0xF2, U'\u222B'}, {symbol, 0xFE, U'\u23AD'},
      {symbol, 0x80, 0}, {symbol, 0xFF, 0}, {symbol, 0x09, 0},
      // The special serif codes, and its ordinary text.
      {serif, 158, U'\u221A'}, {serif, 160, U'\u2032'}, {serif, 185, U'\t'}, {serif, 216, U'\u2234'},
      {serif, 136, 0}, {serif, 168, 0}, {serif, 'A', U'A'}, {serif, 0xE9, U'\u00E9'},
      // Relations and arrows.
      {relmath, 33, U'\u2264'}, {relmath, 41, U'\u2192'}, {relmath, 90, U'\u21AF'}, {relmath, 126, U'\u2234'},
      {relmath, 154, U'\u21CB'}, {relmath, 200, 0}, {relmath, ' ', U' '},
      // Other fonts read through Windows-1252.
      {times, 'a', U'a'}, {times, 0x80, U'\u20AC'}, {other, 'a', U'a'},
  };
  for (const Case& c : cases)
    EXPECT_EQ(uint32_t(ByteToVisibleChar(c.Font, c.Byte)), uint32_t(c.Seen)) << c.Font.Name << " byte " << int(c.Byte);
}

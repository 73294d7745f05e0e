#include <gtest/gtest.h>

#include <QFontInfo>

#include "platform/font.h"
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

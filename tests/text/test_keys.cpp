// The caret keys, Tab and the special fonts' glyphs.
#include <QFontDatabase>

#include "fake_text_host.h"
#include "platform/canvas.h"

using Keys = TextPageTest;

TEST_F(Keys, HomeAndEndStopAtTheLineEndsAndEndSkipsTrailingBlanks) {
  Type("ab  \ncd");
  form->CurrentI = 2;
  Key(vk::End);
  EXPECT_EQ(form->CurrentI, 3);  // after the b, before the trailing spaces
  Key(vk::Home);
  EXPECT_EQ(form->CurrentI, 1);  // a line that starts at cell 1
  const int beeps = Beeps();
  Key(vk::Left);
  EXPECT_EQ(form->CurrentI, 1);
  EXPECT_EQ(Beeps(), beeps + 1);
  form->CurrentI = 7;
  Key(vk::Home);
  EXPECT_EQ(form->CurrentI, 6);
  Key(vk::End);
  EXPECT_EQ(form->CurrentI, 8);
  // Right on the last cell of the table does nothing.
  form->CurrentI = MaxCharacters;
  Key(vk::Right);
  EXPECT_EQ(form->CurrentI, MaxCharacters);
}

TEST_F(Keys, TabInsertsTheTabGlyph) {
  Type("ab");
  form->CharFonts[1]->Style = fsBold | fsUnderline;
  uint16_t tab = vk::Tab;
  form->FormKeyUp(&host.Window, tab, 0);
  EXPECT_EQ(form->CharCodes[3], chTabMark);
  EXPECT_EQ(form->CharFonts[3]->Name, "ZQVSerif");
  EXPECT_EQ(form->CharFonts[3]->Size(), 12);
  EXPECT_EQ(form->CharFonts[3]->Style, fsBold);  // the style before, less underline and strikeout
  EXPECT_EQ(form->CharFonts[3]->Charset, DEFAULT_CHARSET);
  EXPECT_EQ(form->CharOffsets[3], 0);
  EXPECT_TRUE(form->IsSpecialCell(3));
  EXPECT_TRUE(form->IsPrefixCell(3));
  // With a selection a tab goes to the start of each selected line, after one snapshot.
  Type("\ncd");
  ASSERT_EQ(Cells(1, 7), "ab" + std::string(1, char(chTabMark)) + "|cd|");
  form->SelStart = 1;
  form->SelEnd = 7;
  host.Snapshots = 0;
  tab = vk::Tab;
  form->FormKeyUp(&host.Window, tab, 0);
  const std::string t(1, char(chTabMark));
  EXPECT_EQ(Cells(1, 9), t + "ab" + t + "|" + t + "cd|");
  EXPECT_EQ(host.Snapshots, 1);
}

TEST_F(Keys, TheSpecialFontsDrawTheirGlyphs) {
  ASSERT_TRUE(QFontDatabase::families().contains("ZQVSerif"));
  ASSERT_TRUE(QFontDatabase::families().contains("ZQVRelMath"));
  const TFont serif("ZQVSerif", 12);
  const TFont rel("ZQVRelMath", 12);
  // The micro space is a one-pixel cell (no advance) and draws nothing; the marker likewise.
  EXPECT_EQ(CellTextWidth(serif, chMicroSpace), 0);
  EXPECT_EQ(CellTextWidth(serif, chMarker), 0);
  EXPECT_GT(CellTextWidth(serif, chTabMark), 8);
  EXPECT_GT(CellTextWidth(serif, 'A'), 5);
  EXPECT_GT(CellTextWidth(rel, '!'), 3);
  QImage img(60, 40, QImage::Format_RGB32);
  auto inked = [&](const TFont& f, uint8_t ch) {
    img.fill(Qt::white);
    TCanvas c(&img);
    DrawCellGlyph(&c, 10, 30, f, ch, clBlack, clNone);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) n += qGray(img.pixel(x, y)) < 128;
    return n;
  };
  EXPECT_EQ(inked(serif, chMicroSpace), 0);
  EXPECT_GT(inked(serif, chTabMark), 10);
  EXPECT_GT(inked(serif, 143), 10);  // large brace
  EXPECT_GT(inked(serif, 167), 10);  // over-brace
  EXPECT_GT(inked(rel, '('), 10);     // an arrow
}

TEST_F(Keys, ThePagePainterDrawsGlyphsAsTheCanvasDoes) {
  const TFont fonts[] = {TFont("Times New Roman", 12), TFont("Times New Roman", 20, fsBold | fsItalic, clRed),
                         TFont("ZQVSerif", 14), TFont("Symbol", 12, 0, clBlue, SYMBOL_CHARSET)};
  for (const TFont& f : fonts) {
    for (uint8_t ch : {uint8_t('g'), uint8_t('W'), uint8_t(229), uint8_t(143)}) {
      QImage a(80, 60, QImage::Format_RGB32), b(80, 60, QImage::Format_RGB32);
      a.fill(Qt::white);
      b.fill(Qt::white);
      TCanvas ca(&a), cb(&b);
      DrawCellGlyph(&ca, 20, 40, f, ch, f.Color, clNone);
      {
        TCellPainter p(&cb);
        p.Draw(20, 40, f, ch, f.Color);
      }
      EXPECT_EQ(a, b) << f.Name << " " << int(ch);
    }
  }
}

TEST_F(Keys, ThePagePainterGivesTheCanvasPixelsForRunsOfGlyphs) {
  // Glyphs drawn again and again in one painter (kept glyphs), overlapping in different colours,
  // cut by the edges of the page, underlined and struck out, and large: the same pixels as the
  // canvas draws one call at a time.
  struct TCell {
    int X, Y;
    TFont Font;
    uint8_t Ch;
  };
  const TFont plain("Times New Roman", 12), red("Times New Roman", 12, 0, clRed);
  const TFont lined("Arial", 15, fsUnderline | fsStrikeOut, clGreen), slanted("Times New Roman", 18, fsItalic, clBlue);
  const TFont symbol("Symbol", 14, 0, clPurple, SYMBOL_CHARSET), serif("ZQVSerif", 16), big("Arial", 150);
  const std::vector<TCell> cells = {
      {10, 30, plain, 'W'},   {14, 30, red, 'A'},     {18, 31, plain, 'W'},  {-4, 12, slanted, 'f'},
      {110, 70, lined, 'q'},  {121, 70, lined, 'q'},  {40, 62, symbol, 'p'}, {60, 62, serif, 143},
      {70, 62, serif, 229},   {5, 79, plain, 'g'},    {125, 3, red, 'j'},    {30, 45, plain, ' '},
      {20, 140, big, 'M'},    {50, 45, slanted, 'W'}, {52, 45, red, 'W'},    {10, 30, plain, 'W'},
  };
  QImage a(128, 80, QImage::Format_RGB32), b(128, 80, QImage::Format_RGB32);
  a.fill(qRgb(250, 240, 230));
  b.fill(qRgb(250, 240, 230));
  TCanvas ca(&a), cb(&b);
  for (int pass = 0; pass < 2; ++pass) {
    for (const TCell& c : cells) DrawCellGlyph(&ca, c.X, c.Y, c.Font, c.Ch, c.Font.Color, clNone);
    {
      TCellPainter p(&cb);
      for (const TCell& c : cells) p.Draw(c.X, c.Y, c.Font, c.Ch, c.Font.Color);
    }
    EXPECT_EQ(a, b) << "pass " << pass;
  }
}

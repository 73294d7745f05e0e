// Line prefixes, their removal and trimming: only the selected lines change.
#include "fake_text_host.h"

using Prefixes = TextPageTest;

namespace {

// Selects whole lines first..last (1-based line numbers of the typed text).
void SelectLines(TTextPage& page, int first, int last) {
  int line = 1, i = 1;
  while (line < first) line += page.CharCodes[size_t(i++)] == 0;
  page.SelStart = i;
  while (line <= last) line += page.CharCodes[size_t(i++)] == 0;
  page.SelEnd = i;  // just after the last line's line end
}

}  // namespace

TEST_F(Prefixes, NumberedListsCountOneToNineAndStartAgain) {
  Type("a\nb\nc\nd\ne\nf\ng\nh\ni\nj\nk\nl");
  SelectLines(page, 1, 12);
  host.Snapshots = 0;
  form->Tab1Click(host.Menus[0].get(), 4);
  EXPECT_EQ(host.Snapshots, 1);
  EXPECT_EQ(Cells(1, 10), "1.a|2.b|3.");
  // The tenth line starts again at 1.
  int line = 1, i = 1;
  while (line < 10) line += form->CharCodes[i++] == 0;
  EXPECT_EQ(Cells(i, i + 3), "1.j|");
  EXPECT_EQ(Cells(i + 4, i + 7), "2.k|");
  EXPECT_TRUE(host.Modified);
  // Only from a menu item.
  const auto before = form->CharCodes;
  form->Tab1Click(&host.Window, 1);
  EXPECT_EQ(form->CharCodes, before);
}

TEST_F(Prefixes, PrefixFontsFollowTheLine) {
  Type("ab\n\ncd");
  form->CharFonts[1]->Color = clRed;
  // The second line's second cell is in a symbol font.
  form->CharFonts[6]->Name = "Symbol";
  form->CharFonts[6]->Charset = SYMBOL_CHARSET;
  form->CharCodes[6] = 0xB6;
  form->SelStart = 1;
  form->SelEnd = 7;
  form->Tab1Click(host.Menus[0].get(), 0);  // bullet and space
  // ab line: bullet in Symbol, then a space; the empty line gets nothing.
  EXPECT_EQ(form->CharCodes[1], 183);
  EXPECT_EQ(form->CharFonts[1]->Name, "Symbol");
  EXPECT_EQ(form->CharFonts[1]->Charset, SYMBOL_CHARSET);
  EXPECT_EQ(form->CharFonts[1]->Color, clRed);
  EXPECT_EQ(form->CharFonts[1]->Style, 0);
  EXPECT_EQ(Cells(2, 6), " ab||");
  EXPECT_EQ(form->CharCodes[7], 183);
  // The space prefix before a symbol-font character takes the main font.
  EXPECT_EQ(form->CharCodes[8], ' ');
  EXPECT_EQ(form->CharFonts[8]->Name, host.Main.Name);
  EXPECT_EQ(form->CharFonts[8]->Charset, DEFAULT_CHARSET);
  EXPECT_TRUE(form->IsPrefixCell(1));
}

TEST_F(Prefixes, OnlyTheSelectedLinesChange) {
  Type("one\ntwo\nthree");
  // The selection ends on the second line's line end: the third line is outside it.
  SelectLines(page, 1, 2);
  form->Tab1Click(host.Menus[0].get(), 2);
  EXPECT_EQ(Cells(1, 16), "\xbbone|\xbbtwo|three|");
  // Removing prefixes: the bullet of the line after the selection stays.
  form->FillCanvas();
  Type("a\nb");
  form->SelStart = 1;
  form->SelEnd = 5;
  form->Tab1Click(host.Menus[0].get(), 1);  // tab glyphs: t a | t b
  ASSERT_EQ(form->CharCodes[4], chTabMark);
  form->SelStart = 1;
  form->SelEnd = 4;  // ends on the first line's line end
  rec->Answer(mrYes);
  EXPECT_TRUE(form->RemoveBullets());
  EXPECT_EQ(form->CharCodes[1], 'a');
  EXPECT_EQ(form->CharCodes[3], chTabMark);
  // A » inside running text is text, not a prefix.
  form->FillCanvas();
  Type("x \xbb y");
  form->SelStart = 1;
  form->SelEnd = 6;
  EXPECT_FALSE(form->RemoveBullets());
  EXPECT_EQ(rec->Messages().size(), 1u);
}

TEST_F(Prefixes, NoToTheQuestionKeepsEveryPrefix) {
  Type("a\nb");
  form->SelStart = 1;
  form->SelEnd = 4;
  form->Tab1Click(host.Menus[0].get(), 1);
  const auto before = form->CharCodes;
  form->SelStart = 1;
  form->SelEnd = 6;
  rec->Answer(mrNo);
  EXPECT_FALSE(form->RemoveBullets());
  EXPECT_EQ(rec->Last().Text, "Remove bullets and/or tabs?");
  EXPECT_EQ(form->CharCodes, before);
}

TEST_F(Prefixes, TrimRemovesBlanksOfTheSelectedLinesOnly) {
  Type("ab   \n  cd\nx  ");
  // Trim Right: trailing spaces go; a trailing tab glyph stays.
  form->CurrentI = 3;
  uint16_t tab = vk::Tab;
  form->FormKeyUp(&host.Window, tab, 0);  // ab TAB ...
  ASSERT_EQ(form->CharCodes[3], chTabMark);  // ab TAB ␣␣␣ |
  form->SelStart = 1;
  form->SelEnd = 8;
  form->Right1Click(host.Menus[0].get(), 1);
  EXPECT_EQ(Cells(1, 6), std::string("ab") + char(chTabMark) + "|  ");
  // Trim Left on the second line: its leading blanks go, the third line is untouched.
  form->FillCanvas();
  Type("ab\n  cd\n  x");
  form->SelStart = 4;
  form->SelEnd = 9;  // the second line with its line end
  form->Right1Click(host.Menus[0].get(), 0);
  EXPECT_EQ(Cells(1, 10), "ab|cd|  x|");
  // The first pass at the last selected cell never reaches past the selection.
  form->FillCanvas();
  Type("ab   cd");
  form->SelStart = 1;
  form->SelEnd = 4;  // "ab " : its blank is selected, the next two are not
  form->TrimLineStarts(form->SelStart, form->SelEnd);
  EXPECT_EQ(Cells(1, 6), "ab  cd");
  EXPECT_EQ(form->SelEnd, 3);
}

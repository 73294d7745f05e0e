// Typing, inserting and overtyping, line breaks, Delete and Backspace.
#include "fake_text_host.h"

using Typing = TextPageTest;

namespace {
const char* const kLimit =
    "The maximum number of characters per page is 4095.\rThis limit has been reached which can happen with\r"
    "very small font sizes. Removing some of the spaces\rand replacing them with spaces from a larger font\r"
    "size will reduce the total number of characters and\rallow you to carry on";
}

TEST_F(Typing, CharactersGoIntoTheCaretCellInTheTypingFontAndTheLineEndMoves) {
  Type("ab");
  EXPECT_EQ(Cells(1, 4), "ab||");
  EXPECT_EQ(form->CurrentI, 3);
  EXPECT_EQ(form->CharPositions[2], TPoint(48 + W(1) + 1, 48));
  EXPECT_EQ(form->CharPositions[3], TPoint(form->CharPositions[2].X + W(2) + 1, 48));
  EXPECT_EQ(form->CharPositions[4], TPoint(48, 68));  // the next line stays
  EXPECT_EQ(form->CharFonts[1]->Name, "Times New Roman");
  EXPECT_EQ(form->CharFonts[2]->Size(), 12);
  EXPECT_EQ(form->CharOffsets[2], 0);
  EXPECT_TRUE(host.Modified);
  EXPECT_EQ(CaretPos, form->CharPositions[3]);
  // Typing inside the line pushes the rest of it right.
  form->CurrentI = 2;
  Type("X");
  EXPECT_EQ(Cells(1, 4), "aXb|");
  EXPECT_EQ(form->CharPositions[3].X, form->CharPositions[2].X + W(2) + 1);
  EXPECT_EQ(form->CharPositions[4].X, form->CharPositions[3].X + W(3) + 1);
  EXPECT_EQ(rec->BeepCount(), 0);
  EXPECT_EQ(host.Snapshots, 0);  // typed characters take no snapshot
}

TEST_F(Typing, OvertypeReplacesTheCaretCellAndShiftsTheRestByTheWidthChange) {
  Type("abc");
  Key(vk::Home);
  SetInsertMode(false);  // overtype
  Key(vk::Insert);  // the key handler shows the toggle
  EXPECT_EQ(host.Panels[4], "Ovr");
  const TPoint before3 = form->CharPositions[3];
  Type("a");  // same width and offset: only the cell changes
  EXPECT_EQ(Cells(1, 4), "abc|");
  EXPECT_EQ(form->CharPositions[3], before3);
  EXPECT_EQ(form->CurrentI, 2);
  Type("W");
  const int d = CellTextWidth(*form->CharFonts[2], 'W') - CellTextWidth(*form->CharFonts[2], 'b');
  EXPECT_EQ(Cells(1, 4), "aWc|");
  EXPECT_EQ(form->CharPositions[3].X, before3.X + d);
  EXPECT_EQ(form->CharPositions[4].X, form->CharPositions[3].X + W(3) + 1);
  // On the line end overtype inserts.
  Key(vk::End);
  Type("d");
  EXPECT_EQ(Cells(1, 5), "aWcd|");
}

TEST_F(Typing, ScriptButtonsAndNudgesDecideOffsetAndSize) {
  Type("a");
  host.Click(TextButton::tbSuperScript, &TTextPage::_SuperScriptClick);
  ASSERT_TRUE(host.Down[TextButton::tbSuperScript]);
  EXPECT_TRUE(host.Checked[TextMenu::Superscripts1]);
  Type("2");
  EXPECT_EQ(form->CharOffsets[2], -10);  // 6 div 3 - 12
  EXPECT_EQ(form->CharFonts[2]->Size(), 6);
  host.Click(TextButton::tbSuperScript, &TTextPage::_SuperScriptClick);  // released
  EXPECT_FALSE(host.Checked[TextMenu::Superscripts1]);
  Type("b");  // back to the base line and the size before the script
  EXPECT_EQ(form->CharOffsets[3], 0);
  EXPECT_EQ(form->CharFonts[3]->Size(), 12);
  // Without a button, a character after a superscript returns too.
  form->CurrentI = 3;
  Type("c");
  EXPECT_EQ(form->CharOffsets[3], 0);
  EXPECT_EQ(form->CharFonts[3]->Size(), 12);
  // A one-pixel nudge continues.
  form->CharOffsets[4] = -1;
  form->CurrentI = 5;
  Type("d");
  EXPECT_EQ(form->CharOffsets[5], -1);
  // A space while the subscript button is down releases it and goes to the base line.
  host.Click(TextButton::tbSubscript, &TTextPage::_SubscriptsClick);
  Type("e");
  EXPECT_EQ(form->CharOffsets[6], 3);
  Type(" ");
  EXPECT_FALSE(host.Down[TextButton::tbSubscript]);
  EXPECT_EQ(form->CharOffsets[7], 0);
  EXPECT_EQ(form->CharFonts[7]->Size(), 12);
}

TEST_F(Typing, StyleButtonsGiveTheNextCharacterItsStyle) {
  host.Click(TextButton::tbBold, &TTextPage::tbBoldClick);
  host.Click(TextButton::tbItalics, &TTextPage::tbItalicsClick);
  Type("a");
  EXPECT_EQ(form->CharFonts[1]->Style, fsBold | fsItalic);
  host.Click(TextButton::tbBold, &TTextPage::tbBoldClick);
  Type("b");
  EXPECT_EQ(form->CharFonts[2]->Style, fsItalic);
}

TEST_F(Typing, InsertCharCentresALargeSummationSign) {
  Type("a");
  TFont sigma("Symbol", 24, 0, clBlack, SYMBOL_CHARSET);
  ASSERT_TRUE(form->InsertChar(nullptr, host.PageCanvas(), true, sigma, 0, 229));
  EXPECT_EQ(form->CharOffsets[2], -6);
  EXPECT_TRUE(form->InsertChar(nullptr, host.PageCanvas(), true, sigma, 0, 20));  // below 32: nothing
  EXPECT_EQ(form->CurrentI, 3);
}

TEST_F(Typing, TheCellLimitRefusesWithItsMessage) {
  for (int i = 1; i <= 4092; ++i) form->CharCodes[i] = 'x';
  form->CurrentI = 10;
  EXPECT_FALSE(form->InsertChar(nullptr, host.PageCanvas(), true, *TypingFont, 0, 'y'));
  EXPECT_EQ(rec->Texts(), std::vector<std::string>{kLimit});
  EXPECT_EQ(form->CharCodes[4093], 0);
  rec->Clear();
  EXPECT_TRUE(form->NewLine(&host.Window, 0, false));
  ASSERT_EQ(rec->Messages().size(), 0u);  // LastTextCell was 4092: Enter still has room
  form->CharCodes[4094] = 'x';
  EXPECT_FALSE(form->NewLine(&host.Window, 0, true));
  ASSERT_EQ(rec->Messages().size(), 1u);
  EXPECT_EQ(rec->Last().Text, "Maximum character limit reached");
  EXPECT_EQ(rec->Last().DlgType, mtWarning);
  EXPECT_EQ(rec->Last().HelpCtx, 20);
}

TEST_F(Typing, TypingAtTheLastCellOfTheTableWritesNothingPastIt) {
  form->CurrentI = MaxCharacters;
  form->CharPositions[MaxCharacters] = TPoint(100, 100);
  Type("z");
  EXPECT_EQ(form->CharCodes[MaxCharacters], 0);
  EXPECT_EQ(form->CurrentI, MaxCharacters);
  EXPECT_EQ(rec->Texts(), std::vector<std::string>{kLimit});
  rec->Clear();
  form->CurrentI = MaxCharacters;
  EXPECT_FALSE(form->InsertChar(&host.Window, host.PageCanvas(), true, *TypingFont, 0, 'y'));
  EXPECT_FALSE(form->NewLine(&host.Window, 0, true));
}

TEST_F(Typing, APaletteCountReachingBeforeTheTableIsClamped) {
  Type("ab");
  form->PaletteInsertCount = 1000;
  Type("c");
  EXPECT_EQ(Cells(1, 4), "abc|");
  EXPECT_EQ(form->PaletteInsertCount, 0);
  EXPECT_EQ(form->CharFonts[3]->Name, form->CharFonts[0]->Name);
  // A caret move resets the count.
  form->PaletteInsertCount = 2;
  Key(vk::Left);
  EXPECT_EQ(form->PaletteInsertCount, 0);
}

TEST_F(Typing, TheRightMarginBellsAndTypingBeyondItIsRefused) {
  int guard = 0;
  while (form->CharPositions[form->CurrentI].X <= rMargin && guard++ < 300) Type("m");
  EXPECT_GE(Beeps(), 1);
  const int beeps = Beeps();
  const std::string before = Cells(1, form->CurrentI);
  Type("m");
  EXPECT_EQ(Cells(1, form->CurrentI), before);
  EXPECT_EQ(Beeps(), beeps + 1);
}

TEST_F(Typing, EnterBreaksTheLineOncePerBurstSnapshotAndNotBelowTheBottomMargin) {
  Type("abcd");
  form->CurrentI = 3;
  Key(vk::Return);
  EXPECT_EQ(Cells(1, 6), "ab|cd|");
  EXPECT_EQ(form->CharPositions[4], TPoint(48, 68));
  EXPECT_EQ(form->CurrentI, 4);
  EXPECT_EQ(host.Snapshots, 1);
  // Within one key burst (no release) only the first break takes a snapshot.
  uint16_t k = vk::Return;
  form->FormKeyDown(&host.Window, k, 0);
  form->FormKeyDown(&host.Window, k, 0);
  EXPECT_EQ(host.Snapshots, 2);
  // Shift+Enter only beeps.
  Key(vk::Return, ssShift);
  EXPECT_EQ(Beeps(), 1);
  // On the last line above the bottom margin Enter is refused and the caret stays.
  int cell = 1;
  while (form->CharPositions[cell].Y + 20 + 6 < bMargin) ++cell;
  form->CurrentI = cell;
  form->MoveCaretTo(form->CharPositions[cell]);
  const int last = form->LastTextCell();
  Key(vk::Return);
  EXPECT_EQ(form->CurrentI, cell);
  EXPECT_EQ(form->LastTextCell(), last);
  EXPECT_EQ(Beeps(), 2);
}

TEST_F(Typing, DeleteRemovesCharactersAndJoinsLinesWithOneSnapshotPerBurst) {
  Type("abc\ndef");
  host.Checked[TextMenu::IncDelandBackinUndo1] = true;
  host.Snapshots = 0;
  form->CurrentI = 2;
  uint16_t k = vk::Delete;
  form->FormKeyDown(&host.Window, k, 0);  // auto-repeat: key-downs without a release
  form->FormKeyDown(&host.Window, k, 0);
  EXPECT_EQ(Cells(1, 6), "a|def|");
  EXPECT_EQ(host.Snapshots, 1);
  form->FormKeyUp(&host.Window, k, 0);
  // On the line end the next line joins this one.
  form->FormKeyDown(&host.Window, k, 0);
  EXPECT_EQ(host.Snapshots, 2);
  EXPECT_EQ(Cells(1, 5), "adef|");
  EXPECT_EQ(form->CharPositions[2].Y, 48);
  EXPECT_EQ(form->CharPositions[2].X, 48 + W(1) + 1);
  EXPECT_EQ(form->CharPositions[6], TPoint(48, 68));
  form->FormKeyUp(&host.Window, k, 0);
  // Without the option no snapshot; with a modifier only a beep.
  host.Checked[TextMenu::IncDelandBackinUndo1] = false;
  Key(vk::Delete);
  EXPECT_EQ(host.Snapshots, 2);
  EXPECT_EQ(Cells(1, 4), "aef|");
  Key(vk::Delete, ssCtrl);
  EXPECT_EQ(Cells(1, 4), "aef|");
  EXPECT_EQ(Beeps(), 1);
}

TEST_F(Typing, BackspaceAtALineStartLeavesEveryCellWhereLayoutPutsIt) {
  const struct {
    const char* text;
    int caret;
    const char* after;
  } cases[] = {
      {"ab\ncd\nef", 4, "abcd|ef|"},     // joins "cd" to the line above
      {"ab\n\ncd\nef", 5, "ab|cd|ef|"},  // removes the empty line above "cd"
  };
  for (const auto& c : cases) {
    form->ClearTextBuffers();
    form->FillCanvas();
    Type(c.text);
    form->CurrentI = c.caret;
    form->MoveCaretTo(form->CharPositions[c.caret]);
    Key(vk::Back);
    const int n = int(std::string(c.after).size());
    EXPECT_EQ(Cells(1, n), c.after) << c.text;
    const auto got = form->CharPositions;
    form->LayoutTextCells();
    for (int i = 1; i <= n + 3; ++i) EXPECT_EQ(got[size_t(i)], form->CharPositions[size_t(i)]) << c.text << " cell " << i;
  }
}

TEST_F(Typing, BackspaceDeletesJoinsAndRemovesEmptyLines) {
  Type("abc");
  Key(vk::Back);
  EXPECT_EQ(Cells(1, 3), "ab|");
  EXPECT_EQ(form->CurrentI, 3);
  EXPECT_EQ(form->CharPositions[3].X, form->CharPositions[2].X + W(2) + 1);
  // Backspace at the start of a line joins it to the line above.
  Type("\ncd");
  form->CurrentI = 4;
  Key(vk::Back);
  EXPECT_EQ(Cells(1, 5), "abcd|");
  EXPECT_EQ(form->CurrentI, 3);
  EXPECT_EQ(form->CharPositions[3], TPoint(form->CharPositions[2].X + W(2) + 1, 48));
  EXPECT_EQ(form->CharPositions[6], TPoint(48, 68));
  // After an empty line: the empty line goes and the text below moves up one line.
  form->CurrentI = 5;
  Type("\n\nx");
  EXPECT_EQ(Cells(1, 8), "abcd||x|");
  EXPECT_EQ(form->CharPositions[7], TPoint(48, 88));
  form->CurrentI = 7;
  Key(vk::Back);
  EXPECT_EQ(Cells(1, 7), "abcd|x|");
  EXPECT_EQ(form->CharPositions[6], TPoint(48, 68));
  EXPECT_EQ(form->CharPositions[8], TPoint(48, 88));
  // The first character of a line, then cell 1.
  form->CurrentI = 7;
  Key(vk::Back);
  EXPECT_EQ(Cells(1, 6), "abcd||");
  form->CurrentI = 2;
  Key(vk::Back);
  EXPECT_EQ(Cells(1, 5), "bcd||");
  const int beeps = Beeps();
  Key(vk::Back);
  EXPECT_EQ(Beeps(), beeps + 1);
  EXPECT_EQ(form->CharPositions[1], TPoint(48, 48));
}

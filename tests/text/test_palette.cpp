// Palette insertion, the micro-spacing steps and the font size steps.
#include "fake_text_host.h"

using Palette = TextPageTest;
using G = TTextPage::PaletteGroup;

TEST_F(Palette, SizesAndOffsetsFollowTheTextAroundTheCaret) {
  Type("x");
  QObject* button = host.ButtonObject(TextButton::tbPaste);  // any toolbar-like sender
  const TFont serif("ZQVSerif", 12, 0, clBlack, DEFAULT_CHARSET);
  struct Case {
    G Group;
    int Size, Offset;
  };
  // After 12-point text: a large bracket at round(12 x 2.75) = 33 points, offset (33 - 12) div 2;
  // the large root at round(12 x 3.33) = 40 points, offset 2; custom buttons at 3/2 of their size.
  const Case cases[] = {{G::LgBkts, 33, 10}, {G::LgRoot, 40, 2}, {G::Custom, 18, 0}, {G::LgCust, 18, 0}};
  for (const Case& c : cases) {
    form->FillCanvas();
    Type("x");
    form->Panel20Click(button, c.Group, "\x8d", serif);
    EXPECT_EQ(form->CharCodes[2], 0x8d);
    EXPECT_EQ(form->CharFonts[2]->Size(), c.Size);
    EXPECT_EQ(form->CharOffsets[2], c.Offset);
    EXPECT_EQ(form->CurrentI, 3);
    EXPECT_TRUE(host.Modified);
  }
  // A Greek letter after a superscript continues the script: its size and offset.
  form->FillCanvas();
  Type("x");
  form->CharFonts[1]->SetSize(6);
  form->CharOffsets[1] = -10;
  const TFont symbol("Symbol", 12, 0, clBlue, SYMBOL_CHARSET);
  form->Panel20Click(button, G::StdGreek, "a", symbol);
  EXPECT_EQ(form->CharFonts[2]->Size(), 6);
  EXPECT_EQ(form->CharOffsets[2], -10);
  EXPECT_EQ(form->CharFonts[2]->Name, "Symbol");
  EXPECT_EQ(form->CharFonts[2]->Color, clBlack);  // the colour of the text before
  EXPECT_EQ(form->PaletteInsertCount, 0);
}

TEST_F(Palette, TypingAfterCustomSymbolsContinuesInTheFontBefore) {
  Type("k");
  form->CharFonts[1]->SetSize(20);
  form->CharFonts[1]->Style = fsItalic;
  QObject* button = host.ButtonObject(TextButton::tbPaste);
  const TFont relmath("ZQVRelMath", 12, 0, clRed, DEFAULT_CHARSET);
  for (int k = 0; k < 3; ++k) form->Panel20Click(button, G::Custom, "!", relmath);
  EXPECT_EQ(form->PaletteInsertCount, 3);
  Type("m");
  EXPECT_EQ(form->CharFonts[5]->Name, form->CharFonts[1]->Name);
  EXPECT_EQ(form->CharFonts[5]->Size(), 20);
}

TEST_F(Palette, RefusalsBeepAndInsertNothing) {
  Type("x");
  const auto before = form->CharCodes;
  const TFont symbol("Symbol", 12, 0, clBlack, SYMBOL_CHARSET);
  // Caret beyond the right margin.
  form->CharPositions[form->CurrentI].X = rMargin + 1;
  int beeps = Beeps();
  form->Panel20Click(nullptr, G::StdGreek, "a", symbol);
  EXPECT_EQ(Beeps(), beeps + 1);
  EXPECT_EQ(form->CharCodes, before);
  form->LayoutTextCells();
  // An undefined button.
  form->Panel20Click(nullptr, G::Custom, "", symbol);
  EXPECT_EQ(Beeps(), beeps + 2);
  // Outside text mode nothing happens.
  host.Down[TextButton::tbText] = false;
  form->Panel20Click(nullptr, G::StdGreek, "a", symbol);
  EXPECT_EQ(form->CharCodes, before);
  host.Down[TextButton::tbText] = true;
  // The last cell of the table takes nothing.
  form->CurrentI = MaxCharacters;
  form->CharPositions[MaxCharacters] = TPoint(100, 100);
  form->Panel20Click(nullptr, G::StdGreek, "a", symbol);
  EXPECT_EQ(form->CharCodes[MaxCharacters], 0);
}

TEST_F(Palette, NudgesAndMicroSpacesMarkTheDocumentModified) {
  Type("ab");
  form->CharOffsets[2] = -6;
  host.Modified = false;
  ASSERT_TRUE(form->CanNudgeCharBefore());
  for (int k = 0; k < 10; ++k) form->Timer1Timer(nullptr);
  EXPECT_EQ(form->CharOffsets[2], -16);
  EXPECT_EQ(host.Panels[1], " Font Offset: -16");
  EXPECT_TRUE(host.Modified);
  form->Timer2Timer(nullptr);
  EXPECT_EQ(form->CharOffsets[2], -15);
  // After a space (or a micro space) there is nothing to nudge.
  Type(" ");
  EXPECT_FALSE(form->CanNudgeCharBefore());
  const auto offsets = form->CharOffsets;
  form->Timer1Timer(nullptr);
  EXPECT_EQ(form->CharOffsets, offsets);
  host.Modified = false;
  form->Timer3Timer(host.ButtonObject(TextButton::tbPaste));
  EXPECT_EQ(form->CharCodes[4], chMicroSpace);
  EXPECT_EQ(form->CharFonts[4]->Name, "ZQVSerif");
  EXPECT_EQ(form->CharFonts[4]->Color, clNone);
  EXPECT_TRUE(host.Modified);
  EXPECT_FALSE(form->CanNudgeCharBefore());
}

TEST_F(Palette, FontStepsScaleTheCharacterBeforeTheCaret) {
  QObject* up = host.ButtonObject(TextButton::FontUp);
  QObject* down = host.ButtonObject(TextButton::FontDown1);
  struct Case {
    int Size;
    bool Up;
    int Expected;
  };
  const Case cases[] = {{12, true, 15}, {15, false, 12}, {4, false, 4}, {250, true, 250}, {5, false, 4}};
  for (const Case& c : cases) {
    form->FillCanvas();
    Type("qz");
    form->CharFonts[2]->SetSize(c.Size);
    form->LayoutTextCells();
    host.Snapshots = 0;
    if (c.Up)
      form->FontUpClick(up);
    else
      form->FontDown1Click(down);
    EXPECT_EQ(form->CharCodes[2], 'z') << c.Size;
    EXPECT_EQ(form->CharFonts[2]->Size(), c.Expected) << c.Size;
    EXPECT_EQ(form->CharOffsets[2], 0) << c.Size;  // offset 0 stays 0
    EXPECT_EQ(form->CurrentI, 3) << c.Size;
    EXPECT_EQ(host.Snapshots, c.Expected != c.Size ? 1 : 0) << c.Size;
  }
  // With a selection every selected cell steps by the same ratio.
  form->FillCanvas();
  Type("ab");
  form->CharFonts[2]->SetSize(24);
  form->SelStart = 1;
  form->SelEnd = 3;
  form->FontUpClick(up);
  EXPECT_EQ(form->CharFonts[1]->Size(), 15);
  EXPECT_EQ(form->CharFonts[2]->Size(), 30);
}

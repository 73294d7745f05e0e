// Styles and scripts of the selection and of the next character; Normal; the font of a
// selection; the Format menu state.
#include "fake_text_host.h"

using Styles = TextPageTest;

namespace {
void Select(TTextPage* f, int start, int end) {
  f->SelStart = start;
  f->SelEnd = end;
}
}  // namespace

TEST_F(Styles, BoldOnOneCellTakesNoSnapshotOnTwoItDoes) {
  Type("abc");
  Select(form, 2, 3);
  host.Click(TextButton::tbBold, &TTextPage::tbBoldClick);
  EXPECT_EQ(form->CharFonts[2]->Style, fsBold);
  EXPECT_EQ(form->CharFonts[1]->Style, 0);
  EXPECT_EQ(host.Snapshots, 0);
  EXPECT_FALSE(form->HasTextSelection());  // the selection is emptied
  EXPECT_FALSE(host.Checked[TextMenu::Bold]);   // the buttons follow the caret, after the plain c
  Select(form, 1, 3);
  host.Trigger(TextMenu::Bold, &TTextPage::BoldClick);  // the menu item checks itself: bold is added
  EXPECT_EQ(form->CharFonts[1]->Style, fsBold);
  EXPECT_EQ(form->CharFonts[2]->Style, fsBold);
  EXPECT_EQ(host.Snapshots, 1);
  // After a bold character the button is down; clicking it up removes bold.
  form->CurrentI = 3;
  form->UpdateStyleButtons(nullptr, false, 0);
  ASSERT_TRUE(host.Down[TextButton::tbBold]);
  Select(form, 1, 3);
  host.Click(TextButton::tbBold, &TTextPage::tbBoldClick);
  EXPECT_EQ(form->CharFonts[1]->Style, 0);
  EXPECT_EQ(form->CharFonts[2]->Style, 0);
  // Italic, underline and strikeout add their own bits.
  Select(form, 1, 4);
  form->ApplyStyleToSelection(nullptr, 1, false);
  Select(form, 1, 2);
  form->ApplyStyleToSelection(nullptr, 2, false);
  Select(form, 3, 4);
  form->ApplyStyleToSelection(nullptr, 3, false);
  EXPECT_EQ(form->CharFonts[1]->Style, fsItalic | fsUnderline);
  EXPECT_EQ(form->CharFonts[2]->Style, fsItalic);
  EXPECT_EQ(form->CharFonts[3]->Style, fsItalic | fsStrikeOut);
}

TEST_F(Styles, SuperscriptOnASelectionSparesSpecialCellsAndRemovingRestoresTheBase) {
  Type("abcd");
  form->CharFonts[3]->Assign(TFont("ZQVRelMath", 12));
  form->CharCodes[3] = '!';
  Select(form, 2, 5);
  host.Click(TextButton::tbSuperScript, &TTextPage::_SuperScriptClick);
  EXPECT_EQ(form->CharOffsets[2], -10);
  EXPECT_EQ(form->CharFonts[2]->Size(), 6);
  EXPECT_EQ(form->CharOffsets[3], 0);  // the relation sign keeps size and offset
  EXPECT_EQ(form->CharFonts[3]->Size(), 12);
  EXPECT_EQ(form->CharOffsets[4], -10);
  EXPECT_EQ(form->CharFonts[4]->Size(), 6);  // measured from the unscripted character before the run
  // Removing: every cell offset 0 and the size of the character before the run.
  form->CharFonts[1]->SetSize(14);
  Select(form, 2, 5);
  host.Click(TextButton::tbSuperScript, &TTextPage::_SuperScriptClick);  // up again
  for (int i = 2; i <= 4; ++i) {
    EXPECT_EQ(form->CharOffsets[i], 0) << i;
    EXPECT_EQ(form->CharFonts[i]->Size(), 14) << i;
  }
  // Subscript and mid-script.
  Select(form, 4, 5);
  host.Click(TextButton::tbSubscript, &TTextPage::_SubscriptsClick);
  EXPECT_EQ(form->CharOffsets[4], 3);
  Select(form, 4, 5);
  host.Click(TextButton::tbMidscript, &TTextPage::_MidScriptClick);
  EXPECT_EQ(form->CharOffsets[4], -4);
  EXPECT_FALSE(host.Down[TextButton::tbSubscript]);
}

TEST_F(Styles, NormalTakesTheMainFontOrOnlyClearsTheStyleOfSymbols) {
  Type("ab");
  form->CharFonts[1]->Assign(TFont("Arial", 20, fsBold));
  form->CharOffsets[1] = -3;
  form->CharFonts[2]->Assign(TFont("Symbol", 20, fsBold | fsItalic, clBlack, SYMBOL_CHARSET));
  Select(form, 1, 3);
  form->Normal1Click(nullptr);
  EXPECT_EQ(*form->CharFonts[1], host.MainFont());
  EXPECT_EQ(form->CharOffsets[1], 0);
  EXPECT_EQ(form->CharFonts[2]->Name, "Symbol");
  EXPECT_EQ(form->CharFonts[2]->Size(), 20);
  EXPECT_EQ(form->CharFonts[2]->Style, 0);
  // Without a selection: the next character takes the main font.
  host.Click(TextButton::tbBold, &TTextPage::tbBoldClick);
  host.Click(TextButton::tbSubscript, &TTextPage::_SubscriptsClick);
  form->Normal1Click(nullptr);
  EXPECT_FALSE(host.Down[TextButton::tbBold]);
  EXPECT_FALSE(host.Down[TextButton::tbSubscript]);
  EXPECT_TRUE(MainFontPending);
  Type("c");
  EXPECT_FALSE(MainFontPending);
  EXPECT_EQ(form->CharFonts[3]->Name, "Times New Roman");
  EXPECT_EQ(form->CharFonts[3]->Size(), 12);
  EXPECT_EQ(form->CharOffsets[3], 0);
}

TEST_F(Styles, FontOfASelectionScalesScriptsAndNudgesAndSurvivesADamagedSize) {
  Type("abc");
  form->CharOffsets[2] = -10;  // a superscript of the 12-point a
  form->CharFonts[2]->SetSize(6);
  form->CharOffsets[3] = -2;  // a nudge
  Select(form, 1, 4);
  TFont bigger("Times New Roman", 24);
  form->ApplyFontToSelection(nullptr, 1, bigger, 12);
  EXPECT_EQ(form->CharFonts[1]->Size(), 24);
  EXPECT_EQ(form->CharFonts[2]->Size(), 12);  // scaled
  EXPECT_EQ(form->CharOffsets[2], form->ScriptOffset(24, skSuperscript));  // recomputed from the new base
  EXPECT_EQ(form->CharOffsets[3], -4);  // scaled
  EXPECT_EQ(form->CharFonts[3]->Size(), 24);
  EXPECT_EQ(host.Snapshots, 1);
  EXPECT_TRUE(InsertModeOn());  // the toggle is as it was
  // Old size 0 (a damaged cell): the ratio is 1.
  Select(form, 2, 4);
  form->ApplyFontToSelection(host.ButtonObject(TextButton::FontUp), 1, bigger, 0);
  EXPECT_EQ(form->CharFonts[2]->Size(), 12);
  EXPECT_EQ(form->CharOffsets[3], -4);
  // Colour goes to every cell, the name not to symbol characters of a longer selection.
  form->CharFonts[2]->Assign(TFont("Symbol", 12, 0, clBlack, SYMBOL_CHARSET));
  Select(form, 1, 4);
  TFont green("Arial", 12, 0, clGreen);
  form->ApplyFontToSelection(nullptr, 2 | 4, green, 12);
  EXPECT_EQ(form->CharFonts[1]->Name, "Arial");
  EXPECT_EQ(form->CharFonts[2]->Name, "Symbol");
  EXPECT_EQ(form->CharFonts[2]->Color, clGreen);
}

TEST_F(Styles, StyleButtonsAndTheFormatMenuFollowTheTextUnderTheCaret) {
  Type("ab");
  form->CharFonts[1]->Style = fsBold | fsUnderline;
  form->CharOffsets[2] = -10;
  form->CharFonts[2]->SetSize(6);
  form->CurrentI = 2;
  Key(vk::Right);
  Key(vk::Left);  // the key release makes the buttons follow the cell before the caret
  EXPECT_TRUE(host.Down[TextButton::tbBold]);
  EXPECT_TRUE(host.Down[TextButton::tbUnderline]);
  EXPECT_FALSE(host.Down[TextButton::tbItalics]);
  EXPECT_TRUE(host.Checked[TextMenu::Bold]);
  form->CurrentI = 3;
  form->UpdateStyleButtons(nullptr, false, 0);
  EXPECT_TRUE(host.Down[TextButton::tbSuperScript]);
  EXPECT_TRUE(host.Checked[TextMenu::Superscripts1]);
  form->CurrentI = 2;
  form->Format1Click(nullptr);
  EXPECT_TRUE(host.Checked[TextMenu::Bold1]);
  EXPECT_TRUE(host.Checked[TextMenu::Underline1]);
  EXPECT_FALSE(host.Checked[TextMenu::Italic1]);
  EXPECT_TRUE(host.MenuDisabled[TextMenu::Indent1]);
  Select(form, 1, 2);
  form->Format1Click(nullptr);
  EXPECT_FALSE(host.MenuDisabled[TextMenu::Indent1]);
  // With a selection the union of the selected cells' styles and scripts shows.
  Select(form, 1, 3);
  form->UpdateStyleButtons(nullptr, true, 0);
  EXPECT_TRUE(host.Down[TextButton::tbBold]);
  EXPECT_TRUE(host.Down[TextButton::tbSuperScript]);
}

TEST_F(Styles, SwapTextLayerAndDeleteText) {
  Type("abc");
  Select(form, 1, 3);
  form->BringToFront1Click(nullptr);
  EXPECT_TRUE(form->CharZOrder[1]);
  EXPECT_TRUE(form->CharZOrder[2]);
  EXPECT_FALSE(form->CharZOrder[3]);
  EXPECT_FALSE(form->HasTextSelection());
  Select(form, 2, 4);
  host.Modified = false;
  form->DeleteText1Click(nullptr);
  EXPECT_EQ(Cells(1, 2), "a|");
  EXPECT_EQ(form->CurrentI, 2);
  EXPECT_TRUE(host.Modified);
  EXPECT_EQ(host.Snapshots, 1);
}

TEST_F(Styles, TheFontDialogSamplesTheFirstPlainCellAndAppliesWhatChanged) {
  Type("xab");
  form->CharFonts[1]->Assign(TFont("Symbol", 12, 0, clBlack, SYMBOL_CHARSET));
  TFont seen;
  host.FontDialog = [&](TFont& f) {
    seen = f;
    f.SetSize(18);
    f.Color = clRed;
    return true;
  };
  form->SelStart = 1;
  form->SelEnd = 4;
  form->ChangeSelectedTextAttributes1Click(host.Menus[size_t(TextMenu::ChangeSelectedTextAttributes1)].get());
  host.FontDialog = nullptr;
  EXPECT_EQ(seen.Name, "Times New Roman");  // the a, not the symbol
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(form->CharFonts[i]->Size(), 18) << i;
    EXPECT_EQ(form->CharFonts[i]->Color, clRed) << i;
  }
  EXPECT_EQ(form->CharFonts[1]->Name, "Symbol");  // symbols keep their name
  EXPECT_FALSE(form->HasTextSelection());
  EXPECT_TRUE(host.Modified);
}

// Styles and scripts of the selection and of the next character; Normal; the font of a
// selection; the Format menu state.
#include "helpers/speed_button.h"
#include "text_window_fixture.h"

using Styles = TextPageTest;

namespace {
void Select(TForm1* f, int start, int end) {
  f->SelStart = start;
  f->SelEnd = end;
}
}  // namespace

TEST_F(Styles, BoldOnOneCellTakesNoSnapshotOnTwoItDoes) {
  Type("abc");
  Select(form, 2, 3);
  form->tbBold->click();
  EXPECT_EQ(form->CharFonts[2]->Style, fsBold);
  EXPECT_EQ(form->CharFonts[1]->Style, 0);
  EXPECT_EQ(TextUndoCount, 0);
  EXPECT_FALSE(form->HasTextSelection());  // the selection is emptied
  EXPECT_FALSE(form->Bold->isChecked());   // the buttons follow the caret, after the plain c
  Select(form, 1, 3);
  form->Bold->trigger();  // the menu item checks itself: bold is added
  EXPECT_EQ(form->CharFonts[1]->Style, fsBold);
  EXPECT_EQ(form->CharFonts[2]->Style, fsBold);
  EXPECT_EQ(TextUndoCount, 1);
  // After a bold character the button is down; clicking it up removes bold.
  form->CurrentI = 3;
  form->UpdateStyleButtons(nullptr, false, 0);
  ASSERT_TRUE(form->tbBold->Down());
  Select(form, 1, 3);
  form->tbBold->click();
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
  form->tbSuperScript->click();
  EXPECT_EQ(form->CharOffsets[2], -10);
  EXPECT_EQ(form->CharFonts[2]->Size(), 6);
  EXPECT_EQ(form->CharOffsets[3], 0);  // the relation sign keeps size and offset
  EXPECT_EQ(form->CharFonts[3]->Size(), 12);
  EXPECT_EQ(form->CharOffsets[4], -10);
  EXPECT_EQ(form->CharFonts[4]->Size(), 6);  // measured from the unscripted character before the run
  // Removing: every cell offset 0 and the size of the character before the run.
  form->CharFonts[1]->SetSize(14);
  Select(form, 2, 5);
  form->tbSuperScript->click();  // up again
  for (int i = 2; i <= 4; ++i) {
    EXPECT_EQ(form->CharOffsets[i], 0) << i;
    EXPECT_EQ(form->CharFonts[i]->Size(), 14) << i;
  }
  // Subscript and mid-script.
  Select(form, 4, 5);
  form->tbSubscript->click();
  EXPECT_EQ(form->CharOffsets[4], 3);
  Select(form, 4, 5);
  form->tbMidscript->click();
  EXPECT_EQ(form->CharOffsets[4], -4);
  EXPECT_FALSE(form->tbSubscript->Down());
}

TEST_F(Styles, NormalTakesTheMainFontOrOnlyClearsTheStyleOfSymbols) {
  Type("ab");
  form->CharFonts[1]->Assign(TFont("Arial", 20, fsBold));
  form->CharOffsets[1] = -3;
  form->CharFonts[2]->Assign(TFont("Symbol", 20, fsBold | fsItalic, clBlack, SYMBOL_CHARSET));
  Select(form, 1, 3);
  form->Normal1Click(nullptr);
  EXPECT_EQ(*form->CharFonts[1], MainFontDlg->GetMainFont());
  EXPECT_EQ(form->CharOffsets[1], 0);
  EXPECT_EQ(form->CharFonts[2]->Name, "Symbol");
  EXPECT_EQ(form->CharFonts[2]->Size(), 20);
  EXPECT_EQ(form->CharFonts[2]->Style, 0);
  // Without a selection: the next character takes the main font.
  form->tbBold->click();
  form->tbSubscript->click();
  form->Normal1Click(nullptr);
  EXPECT_FALSE(form->tbBold->Down());
  EXPECT_FALSE(form->tbSubscript->Down());
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
  EXPECT_EQ(TextUndoCount, 1);
  EXPECT_TRUE(InsertModeOn());  // the toggle is as it was
  // Old size 0 (a damaged cell): the ratio is 1.
  Select(form, 2, 4);
  form->ApplyFontToSelection(form->FontUp, 1, bigger, 0);
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
  EXPECT_TRUE(form->tbBold->Down());
  EXPECT_TRUE(form->tbUnderline->Down());
  EXPECT_FALSE(form->tbItalics->Down());
  EXPECT_TRUE(form->Bold->isChecked());
  form->CurrentI = 3;
  form->UpdateStyleButtons(nullptr, false, 0);
  EXPECT_TRUE(form->tbSuperScript->Down());
  EXPECT_TRUE(form->Superscripts1->isChecked());
  form->CurrentI = 2;
  form->Format1Click(form->Format1);
  EXPECT_TRUE(form->Bold1->isChecked());
  EXPECT_TRUE(form->Underline1->isChecked());
  EXPECT_FALSE(form->Italic1->isChecked());
  EXPECT_FALSE(form->Indent1->isEnabled());
  Select(form, 1, 2);
  form->Format1Click(form->Format1);
  EXPECT_TRUE(form->Indent1->isEnabled());
  // With a selection the union of the selected cells' styles and scripts shows.
  Select(form, 1, 3);
  form->UpdateStyleButtons(nullptr, true, 0);
  EXPECT_TRUE(form->tbBold->Down());
  EXPECT_TRUE(form->tbSuperScript->Down());
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
  form->Modified = false;
  form->DeleteText1Click(nullptr);
  EXPECT_EQ(Cells(1, 2), "a|");
  EXPECT_EQ(form->CurrentI, 2);
  EXPECT_TRUE(form->Modified);
  EXPECT_EQ(TextUndoCount, 1);
}

TEST_F(Styles, TheFontDialogSamplesTheFirstPlainCellAndAppliesWhatChanged) {
  Type("xab");
  form->CharFonts[1]->Assign(TFont("Symbol", 12, 0, clBlack, SYMBOL_CHARSET));
  TFont seen;
  TextFontDialogHook = [&](TFont& f) {
    seen = f;
    f.SetSize(18);
    f.Color = clRed;
    return true;
  };
  form->SelStart = 1;
  form->SelEnd = 4;
  form->ChangeSelectedTextAttributes1Click(form->ChangeSelectedTextAttributes1);
  TextFontDialogHook = nullptr;
  EXPECT_EQ(seen.Name, "Times New Roman");  // the a, not the symbol
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(form->CharFonts[i]->Size(), 18) << i;
    EXPECT_EQ(form->CharFonts[i]->Color, clRed) << i;
  }
  EXPECT_EQ(form->CharFonts[1]->Name, "Symbol");  // symbols keep their name
  EXPECT_FALSE(form->HasTextSelection());
  EXPECT_TRUE(form->Modified);
}

TEST_F(Styles, CtrlArrowsWithASelectionMoveTheIndentMarker) {
  Type("abc");
  form->SelStart = 1;
  form->SelEnd = 3;
  const int start = form->ParaPanel1->GetMarkerPos();
  const int inc = form->ParaPanel1->Increment();
  Key(vk::Numpad6, ssCtrl);
  EXPECT_EQ(form->ParaPanel1->GetMarkerPos(), std::min(start + inc, form->ParaPanel1->Max()));
  EXPECT_TRUE(form->HasTextSelection());
}

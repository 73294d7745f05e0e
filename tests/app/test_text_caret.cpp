// The caret over the caret cell, the status bar readouts, clicks and vertical moves, the
// highlighted selection.
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include "dialogs/page_setup_dialog.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/canvas.h"
#include "platform/caret.h"
#include "text_window_fixture.h"

using Caret = TextPageTest;

TEST_F(Caret, TheCaretRisesFromTheBaselineByThePrecedingSizeAndFollowsItsOffset) {
  form->CharFonts[1]->SetSize(24);
  form->CharCodes[1] = 'A';
  form->LayoutTextCells();
  form->CurrentI = 2;
  form->SetCaretPosition(nullptr, 0, 0);
  const TPoint p = form->CharPositions[2];
  EXPECT_EQ(TextCaretRect(), TRect(p.X, p.Y - 26, p.X + 1, p.Y));  // 24 + 2 high, standing on the baseline
  EXPECT_EQ(form->CaretPoint, p);
  // After a superscript the caret is raised by that character's offset.
  form->CharOffsets[1] = -10;
  form->SetCaretPosition(nullptr, 0, 0);
  EXPECT_EQ(TextCaretRect(), TRect(p.X, p.Y - 36, p.X + 1, p.Y - 10));
  // Not moved while the left mouse button is held, nor outside text mode.
  form->CurrentI = 1;
  form->SetCaretPosition(nullptr, ssLeft, 0);
  EXPECT_EQ(TextCaretRect().Left, p.X);
  form->tbDraw->SetDown(true);
  form->SetCaretPosition(nullptr, 0, 0);
  EXPECT_EQ(TextCaretRect().Left, p.X);
}

TEST_F(Caret, TheStatusBarShowsTheCellBeforeTheCaretAndThePosition) {
  Type("ab");
  form->CharOffsets[2] = -3;
  form->CharPositions[3] = TPoint(72, 96);
  form->InPixels1->setChecked(true);
  form->SetCaretPosition(nullptr, 0, 0);
  EXPECT_EQ(form->PanelText(0).toStdString(), " Font Size: 12");
  EXPECT_EQ(form->PanelText(1).toStdString(), " Font Offset: -3");
  EXPECT_EQ(form->PanelText(2).toStdString(), "Times New Roman");
  EXPECT_EQ(form->PanelText(3).toStdString(), "X:72  Y:96 Pixels");
  form->InPixels1->setChecked(false);
  PageSetupDialog->DefaultMetric1->setChecked(false);
  form->SetCaretPosition(nullptr, 0, 0);
  EXPECT_EQ(form->PanelText(3).toStdString(), "> 0.750''   ^ 1.000''");
  PageSetupDialog->DefaultMetric1->setChecked(true);
  form->SetCaretPosition(nullptr, 0, 0);
  EXPECT_EQ(form->PanelText(3).toStdString(), "> 1.905cm   ^ 2.540cm");
}

TEST_F(Caret, ClicksAndVerticalMovesFindTheNearestCell) {
  Type("a long first line\nshort\nthird line here");
  // Beyond the end of a line: that line's end. Left of the margin: its first cell.
  MouseClickActive = true;
  form->CaretFromPoint(700, 68, 1);
  EXPECT_EQ(form->CurrentI, 24);  // the line end after "short"
  form->CaretFromPoint(5, 68, 1);
  EXPECT_EQ(form->CurrentI, 19);
  MouseClickActive = false;
  // Down from the long first line onto the shorter one: its end.
  form->CurrentI = 17;  // after "a long first lin"
  form->MoveCaretTo(form->CharPositions[17]);
  Key(vk::Down);
  EXPECT_EQ(form->CurrentI, 24);
  Key(vk::Up);
  EXPECT_EQ(form->CharPositions[form->CurrentI].Y, 48);
  // Up above the top margin beeps.
  const int beeps = Beeps();
  Key(vk::Up);
  EXPECT_EQ(Beeps(), beeps + 1);
  EXPECT_EQ(form->CharPositions[form->CurrentI].Y, 48);
  // A real click on the page image.
  form->MainImage->OnMouseDown(Qt::LeftButton, Qt::NoModifier, form->CharPositions[21].X, 60);
  EXPECT_EQ(form->CurrentI, 21);
  EXPECT_EQ(form->SelStart, 21);
  EXPECT_EQ(form->SelEnd, 21);
}

TEST_F(Caret, SelectAllHighlightsTheTextAndABlankPageSelectsNothing) {
  form->SelectAll1Click(form->SelectAll1);
  EXPECT_EQ(form->SelStart, 0);
  EXPECT_EQ(form->SelEnd, 0);
  Type("xy\nz");
  form->RefreshAllImages(nullptr, false);
  form->SelectAll1Click(form->SelectAll1);
  EXPECT_EQ(form->SelStart, 1);
  EXPECT_EQ(form->SelEnd, 5);
  // The selected glyphs stand on the highlight colour; unselected text does not.
  const QImage& page = form->MainImage->Bitmap().Image();
  const TColor h = ColorToRGB(clHighlight);
  const QRgb highlight = qRgb(GetRValue(h), GetGValue(h), GetBValue(h));
  auto count = [&](int x0, int x1, int y0, int y1, QRgb c) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += (page.pixel(x, y) | 0xFF000000u) == (c | 0xFF000000u);
    return n;
  };
  const TPoint x = form->CharPositions[1];
  EXPECT_GT(count(x.X + 1, x.X + 1 + W(1), x.Y - 10, x.Y, highlight), 10);
  form->ClearSelection(true);
  EXPECT_FALSE(form->HasTextSelection());
  EXPECT_EQ(count(x.X + 1, x.X + 1 + W(1), x.Y - 10, x.Y, highlight), 0);
  // The caret itself: a one-pixel column inverted over the page in the scroll box.
  form->show();
  form->ScrollBox1->verticalScrollBar()->setValue(0);
  form->ScrollBox1->horizontalScrollBar()->setValue(0);
  form->CurrentI = 3;
  form->SetCaretPosition(nullptr, 0, 0);
  const TRect caret = TextCaretRect();
  ASSERT_EQ(caret.Width(), 1);
  ASSERT_EQ(caret.Height(), 14);
  const TCaretState state = CaretState();
  EXPECT_TRUE(state.Visible);
  EXPECT_EQ(state.Owner, form->ScrollBox1->viewport());
  // A caret just placed shows at once: its column is dark over the white page, the column beside
  // it white. In the other blink phase the page shows through.
  const int y = caret.Top + caret.Height() / 2;
  ASSERT_TRUE(state.BlinkOn);
  const QImage on = form->ScrollBox1->viewport()->grab().toImage();
  EXPECT_LT(qGray(on.pixel(caret.Left, y)), 60);
  EXPECT_GT(qGray(on.pixel(caret.Left + 3, y)), 200);
  ASSERT_TRUE(QTest::qWaitFor([] { return !CaretState().BlinkOn; }, 4 * GetCaretBlinkTime()));
  const QImage off = form->ScrollBox1->viewport()->grab().toImage();
  EXPECT_GT(qGray(off.pixel(caret.Left, y)), 200);
  EXPECT_GT(qGray(off.pixel(caret.Left + 3, y)), 200);
}

TEST_F(Caret, HighlightFillsEachLineBandAndTakingItOffGivesBackThePage) {
  // Two lines closer than the font's own height, of mixed sizes and scripts.
  LineHeight = 15;
  Type("Bold x2y\nRa2");
  form->CharFonts[7]->SetSize(6);  // "2" a superscript
  form->CharOffsets[7] = -10;
  form->CharFonts[10]->SetSize(24);  // "R" large
  form->CharFonts[11]->Name = "Symbol";  // "a" in Symbol: alpha
  form->CharFonts[11]->Charset = SYMBOL_CHARSET;
  form->CharFonts[12]->SetSize(6);  // "2" a subscript
  form->CharOffsets[12] = 3;
  form->LayoutTextCells();
  form->RefreshAllImages(nullptr, false);
  const QImage& page = form->MainImage->Bitmap().Image();
  const QImage blank = page.copy();
  const TColor h = ColorToRGB(clHighlight);
  const QRgb highlight = qRgb(GetRValue(h), GetGValue(h), GetBValue(h));

  form->SelectAll1Click(form->SelectAll1);
  ASSERT_EQ(form->SelEnd, 13);
  auto same = [](QRgb a, QRgb b) { return (a | 0xFF000000u) == (b | 0xFF000000u); };
  for (const int line : {1, 10}) {
    // Along the line, every pixel of the page colour between its first glyph and its line end
    // turns into the highlight colour: no gaps between the cells.
    const TPoint first = form->CharPositions[size_t(line)];
    const int end = line == 1 ? 9 : 13;
    for (int x = first.X; x < form->CharPositions[size_t(end)].X; ++x)
      if (same(blank.pixel(x, first.Y - 2), qRgb(255, 255, 255))) {
        EXPECT_TRUE(same(page.pixel(x, first.Y - 2), highlight)) << "line " << line << " x " << x;
      }
  }
  form->ClearSelection(true);
  EXPECT_EQ(page, blank);

  // The highlight of one line is at most one line spacing high.
  for (const int line : {1, 10}) {
    const int end = line == 1 ? 9 : 13;
    for (int i = line; i < end; ++i) form->HighlightChar(i);
    int most = 0;
    for (int x = form->CharPositions[size_t(line)].X; x < form->CharPositions[size_t(end)].X; ++x) {
      int rows = 0;
      for (int y = 0; y < page.height(); ++y) rows += same(page.pixel(x, y), highlight);
      most = std::max(most, rows);
    }
    EXPECT_GT(most, 5) << line;
    EXPECT_LE(most, int(LineHeight)) << line;
    for (int i = line; i < end; ++i) form->UnhighlightChar(i);
    EXPECT_EQ(page, blank);
  }

  // Cell by cell, taken off in another order.
  const int on[] = {4, 10, 2, 7, 12, 1, 11, 3, 8, 6, 5};
  const int off[] = {7, 1, 12, 5, 4, 11, 10, 2, 6, 8, 3};
  for (int i : on) form->HighlightChar(i);
  EXPECT_NE(page, blank);
  for (int i : off) form->UnhighlightChar(i);
  EXPECT_EQ(page, blank);

  // A highlighted cell that something painted over since is drawn again from the text.
  form->HighlightChar(10);
  form->MainImage->Canvas().SetPixel(form->CharPositions[10].X + 2, form->CharPositions[10].Y - 3, clRed);
  form->UnhighlightChar(10);
  EXPECT_EQ(page, blank);
}

TEST_F(Caret, ShiftArrowsGrowAndShrinkTheSelection) {
  Type("abcdef");
  form->CurrentI = 3;
  Key(vk::Right, ssShift);
  EXPECT_EQ(form->SelStart, 3);
  EXPECT_EQ(form->SelEnd, 4);
  Key(vk::Left, ssShift);
  EXPECT_FALSE(form->HasTextSelection());
  Key(vk::Left, ssShift);
  Key(vk::Left, ssShift);
  EXPECT_EQ(form->SelStart, 1);
  EXPECT_EQ(form->SelEnd, 3);
  EXPECT_EQ(form->CurrentI, 1);
  Key(vk::End, ssShift);
  EXPECT_EQ(form->SelStart, 3);
  EXPECT_EQ(form->SelEnd, 7);
  // An arrow without Shift drops the selection.
  Key(vk::Left);
  EXPECT_FALSE(form->HasTextSelection());
  // Home with Shift from the line's end selects the line.
  Key(vk::End);
  Key(vk::Home, ssShift);
  EXPECT_EQ(form->SelStart, 1);
  EXPECT_EQ(form->SelEnd, 7);
  EXPECT_EQ(form->CurrentI, 1);
}

TEST_F(Caret, RestoringTheMinimisedWindowPlacesTheCaretAgain) {
  form->CharCodes[1] = 'A';
  form->CharCodes[2] = 'B';
  form->LayoutTextCells();
  form->show();
  form->CurrentI = 3;
  form->SetCaretPosition(nullptr, 0, 0);
  const TRect before = TextCaretRect();
  form->setWindowState(Qt::WindowMinimized);
  form->CurrentI = 1;  // moved while minimised, not yet shown
  form->setWindowState(Qt::WindowNoState);
  EXPECT_EQ(TextCaretRect().Left, form->CharPositions[1].X);
  EXPECT_NE(TextCaretRect(), before);
  // Outside text mode the caret stays where it was.
  form->tbDraw->SetDown(true);
  form->setWindowState(Qt::WindowMinimized);
  form->CurrentI = 3;
  form->setWindowState(Qt::WindowNoState);
  EXPECT_EQ(TextCaretRect().Left, form->CharPositions[1].X);
}

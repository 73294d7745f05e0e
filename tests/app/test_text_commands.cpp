// The text editing commands as the window wires them: palette buttons, the micro buttons, the
// Indent submenu, the Zoom menu, and the page copied as a picture.
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include "app/main_window_custom_palette.h"
#include "app/palette_button.h"
#include "cad/engine.h"
#include "helpers/page_surface.h"
#include "text_window_fixture.h"

using TextCommands = TextPageTest;

TEST_F(TextCommands, PaletteButtonsInsertTheirCharacters) {
  Type("x");
  auto* alpha = form->findChild<TPaletteButton*>("Greek1");
  ASSERT_NE(alpha, nullptr);
  EXPECT_EQ(alpha->Caption, "a");
  QTest::mouseClick(alpha, Qt::LeftButton);
  EXPECT_EQ(form->CharCodes[2], 'a');
  EXPECT_EQ(form->CharFonts[2]->Name, "Symbol");
  EXPECT_EQ(form->CurrentI, 3);
  EXPECT_TRUE(form->Modified);
  auto* bracket = form->findChild<TPaletteButton*>("LgBkt1");
  ASSERT_NE(bracket, nullptr);
  QTest::mouseClick(bracket, Qt::LeftButton);
  EXPECT_EQ(form->CharFonts[3]->Size(), 33);
  // Every custom button exists; a defined one types its character.
  for (int n = 1; n <= 42; ++n) EXPECT_NE(form->CustomButton(n), nullptr) << n;
  TCustButPanel* custom = form->CustomButton(5);
  TFont font("Symbol", 12, 0, clBlack, SYMBOL_CHARSET);
  custom->SetFont(font);
  custom->SetCaption("b");
  const int at = form->CurrentI;
  // Pressed it looks lowered, and raised again when released.
  QTest::mousePress(custom, Qt::LeftButton);
  EXPECT_FALSE(custom->Raised());
  EXPECT_EQ(custom->frameShadow(), QFrame::Sunken);
  QTest::mouseRelease(custom, Qt::LeftButton);
  EXPECT_TRUE(custom->Raised());
  EXPECT_EQ(custom->frameShadow(), QFrame::Raised);
  EXPECT_EQ(form->CharCodes[size_t(at)], 'b');
  EXPECT_EQ(form->CurrentI, at + 1);
}

TEST_F(TextCommands, AMicroButtonPressStepsAtOnceWithOneSnapshot) {
  Type("ab");
  form->Modified = false;
  // The one-time notice takes the first press; then never again.
  QTest::mouseClick(form->Micro_Space_Up, Qt::LeftButton);
  ASSERT_EQ(rec->Messages().size(), 1u);
  EXPECT_EQ(rec->Last().HelpCtx, 280);
  EXPECT_EQ(form->CharOffsets[2], 0);
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_EQ(TextUndoCount, 0);
  QTest::mousePress(form->Micro_Space_Up, Qt::LeftButton);
  EXPECT_EQ(form->CharOffsets[2], -1);
  EXPECT_EQ(TextUndoCount, 1);
  EXPECT_TRUE(form->Modified);
  EXPECT_TRUE(form->Timer1->isActive());
  form->MicroTimerTick(form->Timer1);
  EXPECT_EQ(form->CharOffsets[2], -2);
  QTest::mouseRelease(form->Micro_Space_Up, Qt::LeftButton);
  EXPECT_FALSE(form->Timer1->isActive());
  // A release the button never saw (another window took the mouse) ends the steps at the next tick.
  QTest::mousePress(form->Micro_Space_Up, Qt::LeftButton);
  EXPECT_EQ(form->CharOffsets[2], -3);
  form->Micro_Space_Up->setDown(true);
  QTest::mouseRelease(form, Qt::LeftButton);
  form->Micro_Space_Up->setDown(true);
  form->MicroTimerTick(form->Timer1);
  EXPECT_EQ(form->CharOffsets[2], -3);
  EXPECT_FALSE(form->Timer1->isActive());
  form->Micro_Space_Up->setDown(false);
  form->Timer1->stop();
  EXPECT_EQ(rec->Messages().size(), 1u);
  QTest::mouseClick(form->Micro_Space_Down, Qt::LeftButton);
  EXPECT_EQ(form->CharOffsets[2], -2);
  EXPECT_EQ(rec->Messages().size(), 1u);
  EXPECT_EQ(TextUndoCount, 3);
  QTest::mouseClick(form->Micro_Space, Qt::LeftButton);
  EXPECT_EQ(form->CharCodes[3], chMicroSpace);
}

TEST_F(TextCommands, IndentAndTrimSubmenus) {
  ASSERT_NE(form->Indent1->menu(), nullptr);
  ASSERT_NE(form->TrimSelection1->menu(), nullptr);
  Type("a\nb");
  form->SelStart = 1;
  form->SelEnd = 4;
  form->findChild<QAction*>("NumberedList1")->trigger();
  EXPECT_EQ(Cells(1, 8), "1.a|2.b|");
  ASSERT_NE(form->findChild<QAction*>("StripBlankLines1"), nullptr);
  ASSERT_NE(form->findChild<QAction*>("Information1"), nullptr);
}

TEST_F(TextCommands, ZoomLevelsAndFullSize) {
  ASSERT_NE(Figures, nullptr);
  QAction* z8 = form->findChild<QAction*>("Z8");
  z8->trigger();
  EXPECT_EQ(Figures->ZoomLevel(), 7);
  EXPECT_FALSE(form->ZoomIn1->isEnabled());
  EXPECT_FALSE(form->FullSize1->isChecked());
  form->FullSize1->trigger();
  EXPECT_EQ(Figures->ZoomLevel(), 4);
  EXPECT_TRUE(form->ZoomIn1->isEnabled());
  EXPECT_TRUE(z8->isChecked());
  EXPECT_TRUE(form->FullSize1->isChecked());
  form->Toggles1->trigger();
  EXPECT_EQ(Figures->ZoomLevel(), 7);
  form->Toggles1->trigger();
  EXPECT_EQ(Figures->ZoomLevel(), 4);
}

TEST_F(TextCommands, PageCopyAsAPicture) {
  // A rectangle from (10, 20) to (110, 70) gives a 101 x 51 picture with a metafile beside it.
  form->MainImage->Bitmap().Image().setPixel(10, 20, qRgb(255, 0, 0));
  SelectionRect = TRect(10, 20, 110, 70);
  form->tbCopyClick(form->tbCopy);
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_TRUE(data->hasImage());
  const QImage img = qvariant_cast<QImage>(data->imageData());
  EXPECT_EQ(img.size(), QSize(101, 51));
  EXPECT_EQ(QColor(img.pixel(0, 0)), QColor(255, 0, 0));
  EXPECT_TRUE(data->hasFormat("image/emf"));
  EXPECT_TRUE(SelectionRect.IsEmpty());
  // Without a rectangle: the whole page, no metafile.
  form->tbCopyClick(form->tbCopy);
  data = QGuiApplication::clipboard()->mimeData();
  EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).size(), form->MainImage->Bitmap().Image().size());
  EXPECT_FALSE(data->hasFormat("image/emf"));
  // With text selected the text is copied.
  Type("hi");
  form->SelStart = 1;
  form->SelEnd = 3;
  form->tbCopyClick(form->tbCopy);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "hi");
}

TEST_F(TextCommands, AFormulaWithSymbolsAndMicroSpacesRecomposes) {
  Type("x");
  QTest::mouseClick(form->findChild<TPaletteButton*>("Greek1"), Qt::LeftButton);
  form->Timer3Timer(form->Micro_Space);
  Type(" + 1");
  form->RefreshAllImages(form, true);
  // Every character after the micro space is on the page again.
  const QImage& page = form->MainImage->Bitmap().Image();
  const int from = form->CharPositions[4].X, to = form->CharPositions[8].X;
  const int y = form->CharPositions[4].Y;
  int dark = 0;
  for (int px = from; px < to; ++px)
    for (int py = y - 15; py <= y + 3; ++py) dark += qGray(page.pixel(px, py)) < 128;
  EXPECT_GT(dark, 10);
  // Typed after the micro space, the text keeps the font before it.
  EXPECT_EQ(form->CharFonts[5]->Name, "Symbol");
  EXPECT_NE(form->CharFonts[5]->Color, clNone);
}

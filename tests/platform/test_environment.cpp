#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QWidget>

#include "platform/app_dir.h"
#include "platform/caret.h"
#include "platform/cursors.h"
#include "platform/keys.h"
#include "platform/screen.h"
#include "platform/streams.h"

TEST(AppDir, ComesFromKorvalisHomeAndMatchesFileNamesWithoutCase) {
  QTemporaryDir home;
  const QByteArray old = qgetenv("KORVALIS_HOME");
  qputenv("KORVALIS_HOME", home.path().toUtf8());
  ResetAppDir();
  const std::string dir = AppDir();
  EXPECT_EQ(dir, QDir(home.path()).absolutePath().toStdString() + "/");

  WriteFileAtomically(dir + "Main.ini", "x", 1);
  QDir(home.path()).mkpath("Macro Images");
  WriteFileAtomically(dir + "Macro Images/Pic.GIF", "y", 1);
  EXPECT_EQ(ProgramFile("Main.Ini"), dir + "Main.ini");
  EXPECT_EQ(ProgramFile("MAIN.INI"), dir + "Main.ini");
  EXPECT_EQ(ProgramFile("macro images/pic.gif"), dir + "Macro Images/Pic.GIF");
  EXPECT_EQ(ProgramFile("Buttons.Ini"), dir + "Buttons.Ini");  // missing: the given name
  // An exact match wins over another spelling.
  WriteFileAtomically(dir + "Main.Ini", "z", 1);
  EXPECT_EQ(ProgramFile("Main.Ini"), dir + "Main.Ini");

  // Seeding copies what the folder lacks and keeps what it has.
  QTemporaryDir shipped;
  WriteFileAtomically(shipped.path().toStdString() + "/MAIN.INI", "shipped", 7);
  WriteFileAtomically(shipped.path().toStdString() + "/TipsText.txt", "tips", 4);
  SeedFolder(shipped.path().toStdString(), dir);
  EXPECT_EQ(ReadWholeFile(dir + "Main.ini").size(), 1u);
  EXPECT_EQ(ReadWholeFile(dir + "TipsText.txt").size(), 4u);

  qputenv("KORVALIS_HOME", old);
  ResetAppDir();
  EXPECT_EQ(TempFolder().back(), '/');
}

TEST(Caret, HideCountingAndPlacement) {
  QWidget page;
  page.resize(200, 100);
  EXPECT_FALSE(ShowCaret());  // no caret yet
  ASSERT_TRUE(CreateCaret(&page, 2, 16));
  TCaretState s = CaretState();
  EXPECT_TRUE(s.Exists);
  EXPECT_FALSE(s.Visible);  // a new caret is hidden
  EXPECT_EQ(s.Size, QSize(2, 16));
  EXPECT_TRUE(ShowCaret(&page));
  EXPECT_TRUE(CaretState().Visible);
  EXPECT_FALSE(ShowCaret());  // nothing left to undo
  EXPECT_TRUE(HideCaret());
  EXPECT_TRUE(HideCaret());
  EXPECT_TRUE(ShowCaret());
  EXPECT_FALSE(CaretState().Visible);  // one hide still counts
  EXPECT_TRUE(SetCaretPos(30, 40));
  EXPECT_EQ(GetCaretPos(), QPoint(30, 40));
  EXPECT_TRUE(ShowCaret());
  s = CaretState();
  EXPECT_TRUE(s.Visible);
  EXPECT_EQ(s.Position, QPoint(30, 40));
  QWidget other;
  EXPECT_FALSE(HideCaret(&other));  // not the owner
  EXPECT_GE(GetCaretBlinkTime(), 0);
  EXPECT_TRUE(DestroyCaret());
  EXPECT_FALSE(CaretState().Exists);
  EXPECT_FALSE(SetCaretPos(1, 1));
}

TEST(Keys, InsertToggleVirtualKeysAndAutoRepeat) {
  SetInsertMode(true);
  ToggleInsertMode();
  EXPECT_FALSE(InsertModeOn());
  ToggleInsertMode();
  EXPECT_TRUE(InsertModeOn());
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Left), 37);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Return), 13);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_A), 'A');
  EXPECT_EQ(VirtualKeyOf(Qt::Key_5, Qt::KeypadModifier), VK_NUMPAD0 + 5);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_F3), VK_F1 + 2);
  QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a", true);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, "A", false);
  EXPECT_TRUE(IsAutoRepeatRelease(repeatRelease));
  EXPECT_FALSE(IsAutoRepeatRelease(release));
  EXPECT_EQ(ShiftStateOf(release), ssShift);
}

TEST(Screen, ResolutionOverrideCursorsAndPalettes) {
  SetScreenPixelsPerInch(120);
  EXPECT_EQ(ScreenPixelsPerInch(), 120);
  SetScreenPixelsPerInch(96);
  EXPECT_EQ(ScreenPixelsPerInch(), 96);
  EXPECT_GT(ScreenColorDepth(), 8);
  EXPECT_EQ(StockPalette[0], clBlack);
  EXPECT_EQ(StockPalette[255], clWhite);
  EXPECT_EQ(HalftonePalette[NearestPaletteIndex(HalftonePalette.data(), 256, RGBColor(250, 2, 3))], clRed);

  EXPECT_EQ(ScreenCursor(crIBeam).shape(), Qt::IBeamCursor);
  EXPECT_EQ(ScreenCursor(crHandPoint).shape(), Qt::PointingHandCursor);
  EXPECT_EQ(ScreenCursor(42).shape(), Qt::ArrowCursor);
  SetScreenCursor(42, QCursor(Qt::CrossCursor));
  EXPECT_EQ(ScreenCursor(42).shape(), Qt::CrossCursor);
}

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

  // Seeding copies the named files the folder lacks, keeps what it has, and copies no folder.
  QTemporaryDir shipped;
  const std::string from = shipped.path().toStdString() + "/";
  WriteFileAtomically(from + "MAIN.INI", "shipped", 7);
  WriteFileAtomically(from + "Macros.zqm", "macros", 6);
  QDir(shipped.path()).mkpath("help");
  WriteFileAtomically(from + "help/1.html", "<html/>", 7);
  WriteFileAtomically(from + "Other.txt", "other", 5);
  SeedFiles(from, dir, {"Main.Ini", "Macros.zqm", "help", "Missing.dat"});
  EXPECT_EQ(ReadWholeFile(dir + "Main.ini").size(), 1u);
  EXPECT_EQ(ReadWholeFile(dir + "Macros.zqm").size(), 6u);
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(dir + "help")));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(dir + "Other.txt")));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(dir + "Missing.dat")));

  qputenv("KORVALIS_HOME", old);
  ResetAppDir();
  EXPECT_EQ(TempFolder().back(), '/');
}

// The environment of one test, put back when it ends.
struct TEnvScope {
  std::vector<std::pair<const char*, QByteArray>> Saved;
  std::vector<bool> WasSet;
  void Set(const char* name, const QByteArray& value) {
    Remember(name);
    qputenv(name, value);
  }
  void Unset(const char* name) {
    Remember(name);
    qunsetenv(name);
  }
  void Remember(const char* name) {
    Saved.emplace_back(name, qgetenv(name));
    WasSet.push_back(qEnvironmentVariableIsSet(name));
  }
  ~TEnvScope() {
    for (size_t i = Saved.size(); i-- > 0;) {
      if (WasSet[i]) qputenv(Saved[i].first, Saved[i].second);
      else qunsetenv(Saved[i].first);
    }
    ResetAppDir();
  }
};

TEST(AppDir, EachUserKeepsSettingsAndDataFilesInTheirOwnFolders) {
  TEnvScope env;
  env.Unset("KORVALIS_HOME");
  env.Unset("XDG_CONFIG_HOME");
  env.Unset("XDG_DATA_HOME");
  QTemporaryDir first, second;
  struct Case {
    const char* File;
    const char* Folder;  // under the user's home
  };
  const Case cases[] = {
      {"Main.Ini", ".config/korvalis/"},          {"ChildFms.ini", ".config/korvalis/"},
      {"PageIni.ini", ".config/korvalis/"},       {"Buttons.Ini", ".config/korvalis/"},
      {"McroFils.ini", ".config/korvalis/"},      {"InstData.ini", ".config/korvalis/"},
      {"ZQVCustomClrs.Dat", ".local/share/korvalis/"}, {"Macros.zqm", ".local/share/korvalis/"},
      {"UserDefs.zqt", ".local/share/korvalis/"}, {"Shapes Backup.bak", ".local/share/korvalis/"},
      {"logfile.txt", ".local/share/korvalis/"},
  };
  env.Set("HOME", first.path().toUtf8());
  ResetAppDir();
  EXPECT_EQ(AppDir(), first.path().toStdString() + "/.config/korvalis/");
  EXPECT_EQ(UserDataDir(), first.path().toStdString() + "/.local/share/korvalis/");
  for (const Case& c : cases) {
    const std::string path = ProgramFile(c.File);
    EXPECT_EQ(path, first.path().toStdString() + "/" + c.Folder + c.File);
    WriteFileAtomically(path, "first", 5);
  }
  // The second user sees none of the first user's files and writes files of their own.
  env.Set("HOME", second.path().toUtf8());
  ResetAppDir();
  for (const Case& c : cases) {
    const std::string path = ProgramFile(c.File);
    EXPECT_EQ(path, second.path().toStdString() + "/" + c.Folder + c.File);
    EXPECT_FALSE(FileExists(path)) << c.File;
    WriteFileAtomically(path, "second!", 7);
  }
  env.Set("HOME", first.path().toUtf8());
  ResetAppDir();
  for (const Case& c : cases) EXPECT_EQ(ReadWholeFile(ProgramFile(c.File)).size(), 5u) << c.File;
  // The XDG variables name the folders when they are set.
  env.Set("XDG_CONFIG_HOME", (second.path() + "/cfg").toUtf8());
  env.Set("XDG_DATA_HOME", (second.path() + "/data").toUtf8());
  ResetAppDir();
  EXPECT_EQ(ProgramFile("Main.Ini"), second.path().toStdString() + "/cfg/korvalis/Main.Ini");
  EXPECT_EQ(ProgramFile("Macros.zqm"), second.path().toStdString() + "/data/korvalis/Macros.zqm");
  // Shipped files are read where they were installed; nothing was written beside the executable.
  EXPECT_EQ(ProgramFile("TipsText.txt"), ShippedDataDir() + "TipsText.txt");
  EXPECT_EQ(ProgramFile("docs/license.txt"), ShippedDataDir() + "docs/license.txt");
  for (const Case& c : cases) EXPECT_EQ(FindFileNoCase(ShippedDataDir(), c.File), "") << c.File;
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
  // Drawn by inverting what lies below it.
  page.setAutoFillBackground(true);
  QPalette pal = page.palette();
  pal.setColor(QPalette::Window, QColor(255, 255, 0));
  page.setPalette(pal);
  ASSERT_TRUE(CaretState().BlinkOn);  // showing starts a blink phase with the caret on
  const QImage shot = page.grab().toImage();
  EXPECT_EQ(shot.pixel(31, 50) & 0xFFFFFF, 0x0000FFu);  // yellow inverted
  EXPECT_EQ(shot.pixel(32, 50) & 0xFFFFFF, 0xFFFF00u);
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
  EXPECT_EQ(ShiftStateOf(release), 1);  // Shift
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

  const HPALETTE pal = CreatePalette({clBlack, clWhite, RGBColor(200, 0, 0)});
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGBColor(180, 20, 10)), 2);
  EXPECT_EQ(GetNearestPaletteIndex(nullptr, clRed), -1);
  EXPECT_EQ(CreateHalftonePalette()->size(), 256u);

  EXPECT_EQ(ScreenCursor(crIBeam).shape(), Qt::IBeamCursor);
  EXPECT_EQ(ScreenCursor(crHandPoint).shape(), Qt::PointingHandCursor);
  EXPECT_EQ(ScreenCursor(42).shape(), Qt::ArrowCursor);
  SetScreenCursor(42, QCursor(Qt::CrossCursor));
  EXPECT_EQ(ScreenCursor(42).shape(), Qt::CrossCursor);
}

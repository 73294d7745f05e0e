// Test main: a headless application on Qt's offscreen platform, 96 pixels per inch, and a fresh
// temporary program folder (KORVALIS_HOME) for every test program.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_FONT_DPI", "96");
  QTemporaryDir home;
  qputenv("KORVALIS_HOME", home.path().toUtf8());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// Test main: a headless application on Qt's offscreen platform, 96 pixels per inch, and a fresh
// temporary program folder (KORVALIS_HOME) for every test program.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  // A test that needs a real display runs a child with KV_TEST_PLATFORM (xcb on an Xvfb display).
  const QByteArray platform = qgetenv("KV_TEST_PLATFORM");
  qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);
  qputenv("QT_FONT_DPI", "96");
  QTemporaryDir home;
  qputenv("KORVALIS_HOME", home.path().toUtf8());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

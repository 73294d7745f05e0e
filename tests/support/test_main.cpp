// Test main: a headless application on Qt's offscreen platform (unless KV_TEST_PLATFORM names another), 96 pixels per inch, and a fresh
// temporary program folder (KORVALIS_HOME) for every test program.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  // KV_TEST_PLATFORM=xcb runs the tests against a real X server (the clipboard checks need one).
  const QByteArray platform = qgetenv("KV_TEST_PLATFORM");
  qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);
  qputenv("QT_FONT_DPI", "96");
  QTemporaryDir home;
  qputenv("KORVALIS_HOME", home.path().toUtf8());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

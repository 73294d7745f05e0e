// The window titles as the window system shows them (read back from a real X server with
// xdotool): the main window names the open document once, File > New drops the old name, and
// other windows keep their own titles with nothing appended. Runs when the test program is on the
// xcb platform (the xserver tests start it under xvfb-run); skipped elsewhere.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QWindow>
#include <functional>

#include "dialogs/about_box.h"
#include "text_window_fixture.h"

namespace {
bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// The title the X server holds for a window.
QString XTitle(const QString& xdotool, QWidget* w) {
  QProcess p;
  p.start(xdotool, {"getwindowname", QString::number(w->winId())});
  p.waitForFinished(5000);
  return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Waits until the X server shows the expected title; gives the last title seen.
QString XTitleBecomes(const QString& xdotool, QWidget* w, const QString& expected) {
  QString seen;
  WaitFor([&] {
    seen = XTitle(xdotool, w);
    return seen == expected;
  });
  return seen;
}
}  // namespace

using XWindowTitleTest = TextPageTest;

TEST_F(XWindowTitleTest, TheTitleNamesTheOpenDocumentOnceAndNothingIsAppendedToOtherWindows) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X server (the xserver tests)";
  const QString xdotool = QStandardPaths::findExecutable("xdotool");
  if (xdotool.isEmpty()) GTEST_SKIP() << "xdotool is not installed";
  form->resize(900, 600);
  form->show();
  ASSERT_TRUE(WaitFor([&] { return form->windowHandle() && form->windowHandle()->isExposed(); }));
  EXPECT_EQ(XTitleBecomes(xdotool, form, "Korvalis V"), "Korvalis V");

  // A document saved and opened again through File > Open.
  Type("title");
  const std::string doc = AppDir() + "first.zqv";
  ASSERT_TRUE(form->SaveFile(form, doc));
  form->Modified = false;
  DocumentDialogHook = [&](const std::string&, const std::string&) { return doc; };
  form->_Open->trigger();
  DocumentDialogHook = nullptr;
  ASSERT_EQ(form->DocFileName, doc);
  EXPECT_EQ(XTitleBecomes(xdotool, form, "first.zqv - Korvalis V"), "first.zqv - Korvalis V");

  // Another window shows its own title only.
  form->About2->trigger();
  ASSERT_NE(AboutBox, nullptr);
  QWidget* about = AboutBox;
  ASSERT_TRUE(WaitFor([&] { return about->windowHandle() && about->windowHandle()->isExposed(); }));
  const QString own = about->windowTitle();
  EXPECT_TRUE(own.startsWith("About Korvalis V")) << own.toStdString();
  EXPECT_EQ(XTitleBecomes(xdotool, about, own), own);
  about->close();

  // File > New: the old name goes.
  form->New1->trigger();
  EXPECT_EQ(form->DocFileName, "");
  EXPECT_EQ(XTitleBecomes(xdotool, form, "Korvalis V"), "Korvalis V");
  EXPECT_TRUE(rec->Texts().empty()) << rec->Texts().front();
}

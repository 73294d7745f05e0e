// Typing overtaken by a click, through real events in a real X server: keys and a click on the
// Draw tool sent by another program (xdotool) in one burst while the window is busy, so that all
// of them wait in the queue together. The keys pressed before the click are typed; the click
// then switches the tool. Runs when the test program is on the xcb platform (the xserver test
// starts it under xvfb-run); skipped elsewhere.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QWindow>
#include <functional>

#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "text_window_fixture.h"

namespace {
bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

void Pause(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}
}  // namespace

using XTypingTest = TextPageTest;

TEST_F(XTypingTest, KeysSentBeforeAClickOnTheDrawToolAreTyped) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X server (the xserver tests)";
  const QString xdotool = QStandardPaths::findExecutable("xdotool");
  if (xdotool.isEmpty()) GTEST_SKIP() << "xdotool is not installed";
  form->resize(1000, 700);
  form->show();
  form->raise();
  form->activateWindow();
  ASSERT_TRUE(WaitFor([&] { return form->isVisible() && form->windowHandle() && form->windowHandle()->isExposed(); }));
  ASSERT_TRUE(form->ButtonDown(TextButton::tbText));
  const QPoint page = form->MainImage->mapToGlobal(QPoint(200, 100));
  const QPoint draw = form->tbDraw->mapToGlobal(form->tbDraw->rect().center());
  // The pointer over the page and the keyboard focus on the window first.
  QProcess::execute(xdotool, {"mousemove", "--sync", QString::number(page.x()), QString::number(page.y()),
                              "windowfocus", "--sync", QString::number(form->winId())});
  Pause(300);
  form->MainImage->setFocus();
  Pause(100);
  // One burst: while it is sent this process handles nothing, as a busy window would not.
  const QString typed = "typed before the click";
  // (xdotool takes every word after "type" as text: the click is a second command.)
  const QString burst = QString("'%1' type --delay 1 '%2' && '%1' mousemove %3 %4 click 1")
                            .arg(xdotool, typed, QString::number(draw.x()), QString::number(draw.y()));
  ASSERT_EQ(QProcess::execute("/bin/sh", {"-c", burst}), 0);
  ASSERT_TRUE(WaitFor([&] { return form->ButtonDown(TextButton::tbDraw); })) << "the click switched the tool";
  Pause(300);
  EXPECT_EQ(Cells(1, int(typed.size())), typed.toStdString());
}

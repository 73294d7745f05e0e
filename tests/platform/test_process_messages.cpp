// ProcessMessages lets every pending event run while the program is idle; while it is busy only
// repaints and timers run, and Escape or a stop control become the stop request.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "platform/process_messages.h"

namespace {

// Counts the user input that reaches it.
class TInputCounter : public QWidget {
public:
  int Keys = 0, Clicks = 0, Closes = 0;

protected:
  void keyPressEvent(QKeyEvent*) override { ++Keys; }
  void mousePressEvent(QMouseEvent*) override { ++Clicks; }
  void closeEvent(QCloseEvent* e) override {
    ++Closes;
    e->accept();
  }
};

void PostKey(QWidget* w, int key) {
  QCoreApplication::postEvent(
      w, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_Escape ? "\x1b" : "a"));
}
void PostClick(QWidget* w) {
  QCoreApplication::postEvent(w, new QMouseEvent(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                                                 Qt::LeftButton, Qt::NoModifier));
}

TEST(ProcessMessages, BusyLetsNoUserCommandInButTheStopRequest) {
  TInputCounter w;
  QPushButton stop("Stop");
  MarkAsStopControl(&stop);
  int stops = 0, ticks = 0;
  SetStopHandler([&] { ++stops; });
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });

  // Idle: keys and clicks are delivered.
  PostKey(&w, Qt::Key_A);
  PostClick(&w);
  ProcessMessages();
  EXPECT_EQ(w.Keys, 1);
  EXPECT_EQ(w.Clicks, 1);
  EXPECT_FALSE(ProgramBusy());

  {
    TBusyScope busy;
    EXPECT_TRUE(ProgramBusy());
    EXPECT_FALSE(StopRequested());
    timer.start(0);
    PostKey(&w, Qt::Key_A);
    PostClick(&w);
    QCoreApplication::postEvent(&w, new QCloseEvent);
    ProcessMessages();
    EXPECT_EQ(w.Keys, 1) << "a key is no command while busy";
    EXPECT_EQ(w.Clicks, 1);
    EXPECT_EQ(w.Closes, 0);
    EXPECT_GE(ticks, 1) << "timers still run";
    EXPECT_FALSE(StopRequested());

    PostKey(&w, Qt::Key_Escape);
    ProcessMessages();
    EXPECT_TRUE(StopRequested());
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(w.Keys, 1) << "Escape is the stop request, not a key of the page";

    // A click on the stop control is delivered and stops as well.
    QCoreApplication::postEvent(&stop, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2),
                                                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    ProcessMessages();
    EXPECT_EQ(stops, 2);
    {
      TBusyScope nested;
      EXPECT_TRUE(StopRequested()) << "a nested busy operation keeps the request";
    }
  }
  EXPECT_FALSE(ProgramBusy());
  timer.stop();
  // Idle again: input flows, and the next busy operation starts without a stop request.
  PostKey(&w, Qt::Key_A);
  ProcessMessages();
  EXPECT_EQ(w.Keys, 2);
  TBusyScope again;
  EXPECT_FALSE(StopRequested());
  SetStopHandler(nullptr);
}

}  // namespace

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <csignal>

#include "platform/terminate_signal.h"

TEST(TerminateSignal, ArrivesAsACallInTheEventLoop) {
  int calls = 0;
  ASSERT_TRUE(OnTerminateSignal([&] { ++calls; }));
  raise(SIGTERM);  // the process lives on: the signal only asks
  EXPECT_EQ(calls, 0);
  QElapsedTimer t;
  t.start();
  while (calls == 0 && t.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_EQ(calls, 1);
  OnTerminateSignal(nullptr);
  raise(SIGTERM);
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, 1);
}

// The start of every main-window test: a fixed screen resolution, the window module's start-up
// code, a one-line symbol-font list in the program folder and a message recorder; the windows
// made by a test are freed and the program folder restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>

#include "app/main_window.h"
#include "app/startup.h"
#include "platform/app_dir.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"

struct MainWindowFixture : ::testing::Test {
  TMessageRecorderScope rec;
  QByteArray savedHome = qgetenv("KORVALIS_HOME");
  void SetUp() override {
    SetScreenPixelsPerInch(96);
    InitMainWindowModule();
    WriteFileAtomically(AppDir() + "MnSymFt.dat", "Symbol\r\n", 8);
  }
  void TearDown() override {
    FreeStartupWindows();
    qputenv("KORVALIS_HOME", savedHome);
    ResetAppDir();
  }
};

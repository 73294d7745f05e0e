// The start of every main-window test: a fixed screen resolution, the window module's start-up
// code, a program folder of its own with a one-line symbol-font list, and a message recorder; the
// windows made by a test are freed and the process's program folder restored afterwards, so that
// no settings file one test writes is read by the next. No test may wait on a
// person: a file dialog the test did not answer counts as cancelled and fails the test, and a
// modal window still open after twenty seconds is failed and closed.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "app/main_window.h"
#include "app/print_preview.h"
#include "app/startup.h"
#include "helpers/error_report.h"
#include "platform/app_dir.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"

struct MainWindowFixture : ::testing::Test {
  TMessageRecorderScope rec;
  QByteArray savedHome = qgetenv("KORVALIS_HOME");
  std::unique_ptr<QTemporaryDir> programFolder;
  QTimer modalWatch;
  QWidget* modalSeen = nullptr;
  int modalTicks = 0;
  void SetUp() override {
    DocumentDialogHook = [](const std::string& title, const std::string&) {
      ADD_FAILURE() << "unanswered file dialog: " << title;
      return std::string();
    };
    PictureDialogHook = [](const std::string& title, const std::string&, const std::string&, int&) {
      ADD_FAILURE() << "unanswered picture dialog: " << title;
      return std::string();
    };
    PrinterDialogHook = [](QPrinter&) {
      ADD_FAILURE() << "unanswered print dialog";
      return false;
    };
    PrintPreviewHook = [](TPrintPreview&) {
      ADD_FAILURE() << "unanswered print preview";
      return 0;
    };
    modalWatch.setInterval(500);
    QObject::connect(&modalWatch, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      modalTicks = modal && modal == modalSeen ? modalTicks + 1 : 0;
      modalSeen = modal;
      if (modal && modalTicks >= 40) {
        ADD_FAILURE() << "modal window left open: " << modal->windowTitle().toStdString();
        modal->close();
      }
    });
    modalWatch.start();
    SetScreenPixelsPerInch(96);
    programFolder = std::make_unique<QTemporaryDir>();
    qputenv("KORVALIS_HOME", programFolder->path().toUtf8());
    ResetAppDir();
    InitMainWindowModule();
    PageIniName = AppDir() + "PageIni.ini";
    LogFileName = AppDir() + "logfile.txt";
    WriteFileAtomically(AppDir() + "MnSymFt.dat", "Symbol\r\n", 8);
  }
  void TearDown() override {
    modalWatch.stop();
    DocumentDialogHook = nullptr;
    PictureDialogHook = nullptr;
    PrinterDialogHook = nullptr;
    PrintPreviewHook = nullptr;
    FreeStartupWindows();
    qputenv("KORVALIS_HOME", savedHome);
    ResetAppDir();
    PageIniName = AppDir() + "PageIni.ini";
    LogFileName = AppDir() + "logfile.txt";
    programFolder.reset();
  }
};

// A main-window test whose window is made at the start.
struct StartedWindowFixture : MainWindowFixture {
  TForm1* form = nullptr;
  void SetUp() override {
    MainWindowFixture::SetUp();
    form = CreateStartupWindows();
  }
};

// A left-button drag on the page from (X1, Y) to (X2, Y) through the window's mouse handlers:
// with the drawing tool down it draws the template's figure.
inline void DragOnPage(TForm1* form, int X1, int X2, int Y) {
  form->MainImageMouseDown(Qt::LeftButton, Qt::NoModifier, X1, Y);
  form->MainImageMouseMove(Qt::LeftButton, Qt::NoModifier, (X1 + X2) / 2, Y);
  form->MainImageMouseUp(Qt::LeftButton, Qt::NoModifier, X2, Y);
}

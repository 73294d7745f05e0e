// A main window with a blank page of known geometry, a message recorder, and helpers that type and
// press keys through the text engine's handlers.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/main_window.h"
#include "app/startup.h"
#include "dialogs/main_font_dialog.h"
#include "page/page_part.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "text/text_glue.h"
#include "text/text_keystrokes.h"
#include "text/text_page.h"

struct TextPageTest : ::testing::Test {
  TMessageRecorderScope rec;
  TForm1* form = nullptr;

  void SetUp() override {
    SetScreenPixelsPerInch(96);
    InitMainWindowModule();
    const std::string symbols = "Symbol\r\nPeriod\r\nZQVRelMath\r\n";
    WriteFileAtomically(AppDir() + "MnSymFt.dat", symbols.data(), symbols.size());
    ASSERT_TRUE(AddSpecialFonts());
    // A picture dialog the test did not answer counts as cancelled and fails the test.
    PictureDialogHook = [](const std::string& title, const std::string&, const std::string&, int&) {
      ADD_FAILURE() << "unanswered picture dialog: " << title;
      return std::string();
    };
    form = CreateStartupWindows();
    UseTestPage();
    form->FillCanvas();
    rec->Clear();
    TextUndoCount = 0;
  }
  void TearDown() override {
    FreeStartupWindows();
    PictureDialogHook = nullptr;
  }

  void Type(const std::string& text) { TypeText(*form, form, text); }
  void Key(uint16_t key, TShiftState shift = 0) { PressKey(*form, form, key, shift); }
  std::string Cells(int first, int last) { return CellText(*form, first, last); }
  int W(int cell) { return CellTextWidth(*form->CharFonts[cell], form->CharCodes[cell]); }
  int Beeps() { return rec->BeepCount(); }
};

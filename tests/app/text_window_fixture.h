// A main window with a blank page of known geometry, a message recorder, and helpers that type and
// press keys through the text engine's handlers.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
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
    form = CreateStartupWindows();
    SetInsertMode(true);  // typing inserts
    MainFontPending = false;
    lMargin = 48;
    tMargin = 48;
    rMargin = 746;
    bMargin = 1075;
    LineHeight = 20;
    form->FillCanvas();
    rec->Clear();
    TextUndoCount = 0;
  }
  void TearDown() override { FreeStartupWindows(); }

  void Type(const std::string& text) {
    for (char c : text) {
      if (c == '\n') {
        Key(vk::Return);
        continue;
      }
      // The key code of a letter is its capital; other printable characters need none here.
      uint16_t k = std::isalnum(uint8_t(c)) ? uint16_t(std::toupper(uint8_t(c))) : c == ' ' ? vk::Space : 0;
      form->FormKeyDown(form, k, 0);
      char ch = c;
      form->FormKeyPress(form, ch);
      form->FormKeyUp(form, k, 0);
    }
  }
  void Key(uint16_t key, TShiftState shift = 0) {
    uint16_t k = key;
    form->FormKeyDown(form, k, shift);
    k = key;
    form->FormKeyUp(form, k, shift);
  }
  // The characters of cells first .. last as text ('|' for a line end).
  std::string Cells(int first, int last) {
    std::string s;
    for (int i = first; i <= last; ++i) s += form->CharCodes[i] ? char(form->CharCodes[i]) : '|';
    return s;
  }
  int W(int cell) { return CellTextWidth(*form->CharFonts[cell], form->CharCodes[cell]); }
  int Beeps() { return rec->BeepCount(); }
};

// Typing and key strokes through the text engine's key handlers, as the window delivers them,
// and the page text read back; shared by the fake-host and the main-window fixtures.
#pragma once

#include <cctype>
#include <string>

#include "platform/keys.h"
#include "text/page_geometry.h"
#include "text/text_page.h"

// The known page of the text tests: typing inserts, no main font waits, margins 48 / 48 / 746 /
// 1075 and lines 20 pixels apart.
inline void UseTestPage() {
  SetInsertMode(true);
  MainFontPending = false;
  lMargin = 48;
  tMargin = 48;
  rMargin = 746;
  bMargin = 1075;
  LineHeight = 20;
}

// Presses and releases a key.
inline void PressKey(TTextPage& page, QObject* sender, uint16_t key, TShiftState shift = 0) {
  uint16_t k = key;
  page.FormKeyDown(sender, k, shift);
  k = key;
  page.FormKeyUp(sender, k, shift);
}

// Types the text key by key; '\n' is Enter.
inline void TypeText(TTextPage& page, QObject* sender, const std::string& text) {
  for (char c : text) {
    if (c == '\n') {
      PressKey(page, sender, vk::Return);
      continue;
    }
    // The key code of a letter is its capital; other printable characters need none here.
    uint16_t k = std::isalnum(uint8_t(c)) ? uint16_t(std::toupper(uint8_t(c))) : c == ' ' ? vk::Space : 0;
    page.FormKeyDown(sender, k, 0);
    char ch = c;
    page.FormKeyPress(sender, ch);
    page.FormKeyUp(sender, k, 0);
  }
}

// The characters of cells first .. last as text ('|' for a line end).
inline std::string CellText(const TTextPage& page, int first, int last) {
  std::string s;
  for (int i = first; i <= last; ++i) s += page.CharCodes[i] ? char(page.CharCodes[i]) : '|';
  return s;
}

// What the text engine uses of the platform, gathered in one place: messages and beeps, glyph
// widths and drawing of cell bytes, the Insert toggle, key events and the caret. What it needs of
// the window is in text_host.h.
#pragma once

#include <cstdint>
#include <string>

#include "platform/font.h"
#include "platform/win_types.h"

class QObject;
class QKeyEvent;
class TCanvas;
class TTextPage;

// ---- Messages ----
void TextShowMessage(const std::string& text);
void TextWarningDlg(const std::string& text, int helpCtx);
void TextBeep(unsigned type);
void TextUnknownError(const std::string& routine);

// ---- Drawing cell glyphs ----
int TextPixelsPerInch();
// One cell glyph with its left edge at x and its baseline at y; background clNone = transparent.
void DrawCellGlyph(TCanvas* canvas, int x, int y, const TFont& font, uint8_t ch, TColor color, TColor background);
// Draws many cell glyphs (transparent background) with one painter on a raster canvas; falls
// back to the canvas's own text calls on other canvases and on clipped ones.
class TCellPainter {
public:
  explicit TCellPainter(TCanvas* canvas);
  ~TCellPainter();
  TCellPainter(const TCellPainter&) = delete;
  TCellPainter& operator=(const TCellPainter&) = delete;
  void Draw(int x, int y, const TFont& font, uint8_t ch, TColor color);

private:
  TCanvas* Canvas;
  struct Impl;
  Impl* P = nullptr;
};

// ---- Keyboard ----
bool InsertToggleOn();
void SetInsertToggle(bool on);
// Turns a key event of the page into the key-down, key-press and key-up calls of the text
// engine; key releases caused by auto-repeat are not key releases and are dropped.
bool TextKeyEvent(TTextPage& page, QKeyEvent* event);
// Drops the keys waiting behind the one being handled: after a refusal with a message the keys
// typed ahead are not typed blind (and do not repeat the message).
void TextDropQueuedKeys();

// ---- Caret ----
// Where the caret stands, in viewport pixels of its widget.
TRect TextCaretRect();

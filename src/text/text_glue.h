// What the text engine uses of the main window, its dialogs and the platform, gathered in one
// place: the main font, messages and beeps, the page canvas, the caret, the scroll box, the
// status bar, the toolbar buttons and menu checks the text commands read and set.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/font.h"
#include "platform/win_types.h"

class QObject;
class QKeyEvent;
class TCanvas;

// Key codes of the platform (virtual keys) used by the key handlers.
namespace vk {
constexpr uint16_t Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Menu = 18, Escape = 27, Space = 32,
                   Prior = 33, Next = 34, End = 35, Home = 36, Left = 37, Up = 38, Right = 39, Down = 40,
                   Insert = 45, Delete = 46, Numpad0 = 96, Numpad2 = 98, Numpad4 = 100, Numpad6 = 102,
                   Numpad8 = 104, F1 = 112, F5 = 116, F6 = 117, F7 = 118, F8 = 119, F9 = 120, F12 = 123,
                   OemPlus = 187, OemMinus = 189;
}

// ---- Main font dialog ----
const TFont& TextMainFont();
int TextScriptPercent();   // at least 20
int TextCustomOffset();    // mid-script offset in pixels
int TextStandardSize();    // the standard font size (half of it is kept free above the bottom margin)
bool TextInSymbolFontList(const std::string& name);

// ---- Messages ----
void TextShowMessage(const std::string& text);
void TextWarningDlg(const std::string& text, int helpCtx);
void TextBeep(unsigned type);
void TextUnknownError(const std::string& routine);

// ---- Page image and drawing ----
TCanvas* TextPageCanvas();
bool TextPageImageExists();
void TextMovePagePen(TPoint p);
void TextInvalidatePage();
void TextRepaintPageImage();
TColor TextBackgroundColor();
int TextPixelsPerInch();
int TextPageTextWidth(const char* text);  // in the page canvas's font
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
void TextSetPageCursorIBeam();
void TextRefreshAllImages(QObject* sender);

// Pixel width of a cell glyph, cached per font.
int CellTextWidth(const TFont& font, uint8_t ch);

// ---- Keyboard ----
bool InsertToggleOn();
void SetInsertToggle(bool on);
// Turns a key event of the page into the key-down, key-press and key-up calls of the text
// engine; key releases caused by auto-repeat are not key releases and are dropped.
bool TextKeyEvent(QKeyEvent* event);
// Drops the keys waiting behind the one being handled: after a refusal with a message the keys
// typed ahead are not typed blind (and do not repeat the message).
void TextDropQueuedKeys();

// ---- Caret, scroll box, status bar ----
bool TextCaretAllowed(QObject* sender);
void TextPlaceCaret(int width, int height, int x, int y);
void TextHideCaret();
// Where the caret stands, in viewport pixels of the scroll box.
TRect TextCaretRect();
TPoint TextScrollPosition();
int TextScrollClientHeight();
int TextScrollClientWidth();
void TextScrollVertically(int delta);
void TextScrollHorizontallyTo(int pos, bool onlyWhenVisible);
bool TextMetricUnits();
bool TextStatusBarEnabled();
void TextSetStatusPanel(int index, const std::string& text);

// ---- Buttons and menu items ----
enum class TextButton {
  tbText, tbDraw, tbSelect, tbMove,
  tbBold, tbItalics, tbUnderline, tbStrikeOut,
  tbSuperScript, tbSubscript, tbMidscript,
  tbCutText, tbCopy, tbPaste, tbUndo, FontUp, FontDown1,
};
enum class TextMenu {
  Bold, _Italics, Underline2, Strikeout2, Superscripts1, Subscripts1, MidScripts1,
  Bold1, Italic1, Underline1, Strikeout1, Indent1, WrapSelectiontoMargin1, WraptoX1, TrimSelection1,
  ChangeSelectedTextAttributes1, ChangeSelectedTextAttributes3, SpecialFonts1, MainFont1,
  InPixels1, IncDelandBackinUndo1, AlwaysRefresh1,
};
QObject* TextButtonObject(TextButton b);
bool TextButtonDown(TextButton b);
void TextSetButtonDown(TextButton b, bool down);
void TextSetButtonEnabled(TextButton b, bool enabled);
bool TextMenuChecked(TextMenu m);
void TextSetMenuChecked(TextMenu m, bool checked);
void TextSetMenuEnabled(TextMenu m, bool enabled);
bool TextIsMenu(QObject* sender, TextMenu m);
bool TextIsToolbarButton(QObject* sender);
bool TextIsMenuItem(QObject* sender);
bool TextIsFontStepButton(QObject* sender);
QObject* TextMainWindowObject();
void TextClickTextTool();
bool TextCustomPanelVisible();
// The font dialog of Change Selected Text Attributes; true when confirmed. Tests answer it
// through the hook.
bool TextExecuteFontDialog(TFont& font);
extern std::function<bool(TFont&)> TextFontDialogHook;

// ---- Neighbours of the key handlers (image objects, selection rectangle, CAD engine, ruler) ----
bool TextMoveImageFrameByKey(uint16_t key);
void TextKeyMoveSelectionRect(uint16_t key, uint8_t shift);
void TextFinishKeyMovedSelectionRect();
void TextMoveIndentMarker(uint16_t key);
void TextEscapeOnPage();
void TextAltShortcut(uint16_t key);
void TextHideCadReferenceSelector();
bool TextDeleteSelectedImageObject();
void TextDeleteSelectedFigures();
void TextClearSelectionRect();

// What the text engine asks of the window that holds the page.
//
// Contract
// - The text engine (TTextPage) owns the cell table (codes, fonts, positions, offsets, layers),
//   the caret cell, the selection, the typing fonts and its typing state (palette insertions,
//   key bursts). Nobody else changes them except through TTextPage's routines or fields.
// - The host owns everything else the text commands touch: the page image and its canvas, the
//   scroll box and the caret's widget, the status bar, the tool and style buttons and the menu
//   items, the main font settings, the document's modified flag, the page selection rectangle,
//   the image objects and the figures, the undo store and page composition.
// - The engine reaches the host only through this interface, never through a window class or a
//   global. The host may be a fake: every operation must be answerable without widgets (a host
//   without a page image returns null from PageCanvas and the engine then draws nothing).
// - A host operation may call back into the engine (RefreshAllImages places the caret again,
//   DeleteSelectedText shifts cells), but it never runs a user command of its own: the engine is
//   inside one.
// - Buttons and menu items are named by the enums below; the host maps them to its controls. An
//   item the host does not have reads as up / unchecked and ignores changes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/font.h"
#include "platform/keys.h"
#include "platform/win_types.h"

class QObject;
class TCanvas;

// The tool and style buttons the text commands read and set.
enum class TextButton {
  tbText,
  tbDraw,
  tbSelect,
  tbMove,
  tbBold,
  tbItalics,
  tbUnderline,
  tbStrikeOut,
  tbSuperScript,
  tbSubscript,
  tbMidscript,
  tbCutText,
  tbCopy,
  tbPaste,
  tbUndo,
  FontUp,
  FontDown1
};
// The menu items the text commands read and set.
enum class TextMenu {
  Bold,
  _Italics,
  Underline2,
  Strikeout2,
  Superscripts1,
  Subscripts1,
  MidScripts1,
  Bold1,
  Italic1,
  Underline1,
  Strikeout1,
  Indent1,
  WrapSelectiontoMargin1,
  WraptoX1,
  TrimSelection1,
  ChangeSelectedTextAttributes1,
  ChangeSelectedTextAttributes3,
  SpecialFonts1,
  MainFont1,
  InPixels1,
  IncDelandBackinUndo1,
  AlwaysRefresh1,
  StatusBarEnabled1
};

class TTextHost {
public:
  virtual ~TTextHost() = default;

  // ---- Main font settings
  virtual const TFont& MainFont() = 0;
  virtual int ScriptPercent() = 0;  // at least 20
  virtual int CustomOffset() = 0;   // mid-script offset in pixels
  virtual int StandardSize() = 0;   // half of it is kept free above the bottom margin
  virtual bool InSymbolFontList(const std::string& name) = 0;
  // The font dialog of Change Selected Text Attributes, started on font; true when confirmed.
  virtual bool ExecuteFontDialog(TFont& font) = 0;

  // ---- Page image
  virtual TCanvas* PageCanvas() = 0;  // null while there is no page image
  virtual void InvalidatePage() = 0;
  virtual TColor PageBackgroundColor() = 0;
  virtual void SetPageCursorIBeam() = 0;

  // ---- Page composition, image objects, undo (the page part of the host)
  virtual void RefreshAllImages(QObject* Sender, bool NoHourglass) = 0;
  virtual void RefreshText(TCanvas* Canvas, double XScale, double YScale, bool UseBackgroundColour, int FirstCell) = 0;
  virtual bool DeselectImage(QObject* Sender, bool StoreRect) = 0;
  virtual void DeleteSelectedText(QObject* Sender) = 0;
  virtual void TrimSelectionToText() = 0;
  // A text snapshot for undo, taken before the page text changes.
  virtual void PushTextUndo(QObject* Sender) = 0;
  // Puts the page text back as the latest text snapshot holds it (a failed paste or wrap).
  virtual void UndoText(QObject* Sender) = 0;

  // ---- Clipboard neighbours (shapes and graphics are the page's)
  // Cuts the selected figures inside the page selection rectangle when that is valid and the
  // engine has selected figures; true when it did (the text is then left alone).
  virtual bool CutSelectedShapes(QObject* Sender) = 0;
  // Pastes the clipboard in Format: the text formats come back to the text engine's paste
  // routines, shapes go to the engine, pictures become image objects. True when it pasted.
  virtual bool PasteByFormat(QObject* Sender, unsigned Format) = 0;

  // ---- Document and window state
  virtual void SetDocumentModified() = 0;
  virtual bool IsPageDisabled() = 0;      // the page is closed; no text key works
  virtual bool IsMouseClickActive() = 0;  // a click on the page is being handled
  virtual void ShowInsertMode() = 0;
  virtual void UpdateEditButtons() = 0;
  virtual void UpdateCadSelector() = 0;
  virtual void SaveApplicationDefaults() = 0;
  virtual bool MetricUnits() = 0;

  // ---- Caret, scroll box, status bar
  // The caret may be shown for a command that Sender started (the text tool is down and the
  // window is active).
  virtual bool CaretAllowed(QObject* sender) = 0;
  virtual void PlaceTextCaret(int width, int height, int x, int y) = 0;
  virtual void HideTextCaret() = 0;
  virtual TPoint ScrollPosition() = 0;
  virtual int ScrollClientHeight() = 0;
  virtual int ScrollClientWidth() = 0;
  virtual void ScrollVertically(int delta) = 0;
  virtual void ScrollHorizontallyTo(int pos, bool onlyWhenVisible) = 0;
  virtual bool StatusBarEnabled() = 0;
  virtual void SetStatusPanel(int index, const std::string& text) = 0;

  // ---- Buttons and menu items
  virtual QObject* ButtonObject(TextButton b) = 0;
  virtual bool ButtonDown(TextButton b) = 0;
  virtual void SetButtonDown(TextButton b, bool down) = 0;
  virtual void SetButtonEnabled(TextButton b, bool enabled) = 0;
  virtual bool MenuChecked(TextMenu m) = 0;
  virtual void SetMenuChecked(TextMenu m, bool checked) = 0;
  virtual void SetMenuEnabled(TextMenu m, bool enabled) = 0;
  virtual bool IsMenu(QObject* sender, TextMenu m) = 0;
  virtual bool IsToolbarButton(QObject* sender) = 0;
  virtual bool IsMenuItem(QObject* sender) = 0;
  virtual bool IsFontStepButton(QObject* sender) = 0;
  // The object that stands for the window itself as a command's sender.
  virtual QObject* MainWindowObject() = 0;
  virtual void ClickTextTool() = 0;
  virtual bool CustomPanelVisible() = 0;

  // ---- Neighbours of the key handlers (image objects, selection rectangle, figures, ruler)
  virtual bool MoveImageFrameByKey(uint16_t key) = 0;
  virtual void KeyMoveSelectionRect(uint16_t key, TShiftState shift) = 0;
  // Ends a keyboard move of the page selection rectangle, if one is going on.
  virtual void FinishKeyMovedSelectionRect() = 0;
  virtual void MoveIndentMarker(uint16_t key) = 0;
  virtual void EscapeOnPage() = 0;
  virtual void AltShortcut(uint16_t key) = 0;
  virtual void HideCadReferenceSelector() = 0;
  virtual bool DeleteSelectedImageObject() = 0;
  virtual void DeleteSelectedFigures() = 0;
  // The drawing keys outside text mode. Key-down: digits, minus and equals set the figure
  // parameters (draw or select tool), arrows nudge the last figure (move tool), Ctrl+Shift+arrows
  // move the reference selector; true when the key was taken. Key-up: the one-letter drawing
  // shortcuts, and the end of a figure built click by click.
  virtual bool CadKeyDown(uint16_t Key, TShiftState Shift) = 0;
  virtual void CadKeyUp(QObject* Sender, uint16_t Key, TShiftState Shift) = 0;
  // F6 pictures, F7 pastes, F8 the figures: one layer of the page drawn again.
  virtual void RefreshLayer(QObject* Sender, uint16_t Key) = 0;
  virtual void ClearSelectionRect() = 0;
};

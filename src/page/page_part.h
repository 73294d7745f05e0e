// The page part of the main window: page composition, the text painter, image-object selection,
// the text clipboard's selection helpers and the undo store's text snapshot. The main window
// inherits it.
//
// Contract
// - The page part works on the page text it is given (a TTextPage that lives as long as it) and
//   on the page tables it owns. It answers the page operations the text engine asks of its host
//   (composition, image-object selection, deleting the selected text, the text undo snapshot);
//   the rest of TTextHost (controls, caret, scroll box, status bar) is the window's to answer.
// - Only what the text engine calls is here so far; the page code completes it.
#pragma once

#include <array>
#include <cstdint>

#include "text/text_host.h"

class QObject;
class TCanvas;
class TTextPage;

class TPagePart : public TTextHost {
public:
  explicit TPagePart(TTextPage& text) : PageText(text) {}
  ~TPagePart() override = default;

  // Recomposes the page: background, the text layers, the highlight of the selected text, and
  // the caret placed again.
  void RefreshAllImages(QObject* Sender, bool NoHourglass) override;
  // Paints text cells FirstCell .. the last text cell onto Canvas, back layer first; with
  // UseBackgroundColour the glyphs are painted out in the page colour.
  void RefreshText(TCanvas* Canvas, double XScale, double YScale, bool UseBackgroundColour, int FirstCell) override;
  // Removes the resize frame of the selected image object; true when there was one.
  bool DeselectImage(QObject* Sender, bool StoreRect) override;
  // Removes the selected cells after a text undo snapshot and recomposes the page.
  void DeleteSelectedText(QObject* Sender) override;
  // Shrinks the selection to printable ends.
  void TrimSelectionToText() override;
  // The undo store's text snapshot, taken before a change of the page text.
  void PushTextUndo(QObject* Sender) override;

private:
  TTextPage& PageText;
};

// The page's clipboard formats: its own formatted text and rich text (registered at start-up),
// and the formats it can paste, in the order it prefers them.
extern unsigned FormattedTextFormat;
extern unsigned RichTextFormat;
extern std::array<unsigned, 9> HandledClipboardFormats;
// The clipboard holds a format the page can paste (one of HandledClipboardFormats); enables the
// paste button and menu item.
bool ClipboardHasPasteFormat();

// Text snapshots taken since start (the undo store keeps them).
extern int TextUndoCount;

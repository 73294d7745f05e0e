// The page part of the main window: page composition, the text painter, image-object selection,
// the text clipboard's selection helpers and the undo store's text snapshot. TForm1 inherits it.
//
// Only what the text engine calls is here so far; the page code completes it.
#pragma once

#include <cstdint>

class QObject;
class TCanvas;
class TForm1;

class TPagePart {
public:
  virtual ~TPagePart() = default;

  // Recomposes the page: background, the text layers, the highlight of the selected text, and
  // the caret placed again.
  void RefreshAllImages(QObject* Sender, bool NoHourglass);
  // Paints text cells FirstCell .. the last text cell onto Canvas, back layer first; with
  // UseBackgroundColour the glyphs are painted out in the page colour.
  void RefreshText(TCanvas* Canvas, double XScale, double YScale, bool UseBackgroundColour, int FirstCell);
  // Removes the resize frame of the selected image object; true when there was one.
  bool DeselectImage(QObject* Sender, bool StoreRect);
  // Removes the selected cells after a text undo snapshot and recomposes the page.
  void DeleteSelectedText(QObject* Sender);
  // Shrinks the selection to printable ends.
  void TrimSelectionToText();

private:
  TForm1* Form();
};

// The clipboard holds a format the page can paste (one of HandledClipboardFormats); enables the
// paste button and menu item.
bool ClipboardHasPasteFormat();

// The undo store's text snapshot, taken before a change of the page text.
void PushTextUndo(QObject* Sender);
// Text snapshots taken since start (the undo store keeps them).
extern int TextUndoCount;

// The page part of the main window: the picture, paste and image-object tables, page composition,
// the text painter, the undo store, and the text clipboard's selection helpers. The main window
// inherits it.
//
// Contract
// - The page part works on the page text it is given (a TTextPage that lives as long as it), on
//   the page tables it owns (`Pictures`, `Pastes` as globals, the counts and the image objects
//   here) and on the CAD engine `Figures`.
// - It answers the page operations the text engine asks of its host (composition, image-object
//   selection, deleting the selected text, the text undo snapshot); the rest of TTextHost
//   (controls, caret, scroll box, status bar) is the window's to answer, and so are the few
//   window services declared below (undo items, the back buffer, the rubber band, the Save command).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "page/page_tables.h"
#include "page/undo_store.h"
#include "text/text_host.h"

class QObject;
class TBitmap;
class TCanvas;
class TGraphic;
class TSizeChangedImage;
class TTextPage;

class TPagePart : public TTextHost {
public:
  explicit TPagePart(TTextPage& text);
  ~TPagePart() override;

  // ---- the page tables (the picture and paste tables are the globals Pictures and Pastes)
  uint8_t PictureCount = 0;
  uint8_t PasteCount = 0;
  int ImageCount = 0;
  TImageRecTable ImageRecs{};
  // The controls of the image objects 0 .. ImageCount - 1 (owned by the window's widgets).
  std::array<TSizeChangedImage*, MaxImageObjects> Images{};
  // The object under the resize frame, which the frame paints; -1 for none.
  int FramedImage = -1;

  // ---- composition
  // Recomposes the whole page into the back buffer (background, pictures, pastes, image objects,
  // shapes, back text, front text) and copies it onto the page image in one step; then the
  // rubber band and the text highlight are drawn again.
  void RefreshAllImages(QObject* Sender, bool NoHourglass) override;
  // Paints text cells FirstCell .. the last text cell onto Canvas, back layer first; with
  // UseBackgroundColour the glyphs are painted out in the page colour.
  void RefreshText(TCanvas* Canvas, double XScale, double YScale, bool UseBackgroundColour, int FirstCell) override;
  void RefreshPicsFmTo(int First, int Last, TCanvas& Canvas);
  void RefreshPstsFmTo(int First, int Last, TCanvas& Canvas);
  void RefreshImagesFmTo(int First, int Last, TCanvas& Canvas, int DX, int DY);
  void RedrawShapes(TCanvas& Canvas);
  // The decoded picture of a file, kept while the file's size and time stay the same; null when
  // the file is missing or cannot be decoded.
  TGraphic* CachedPicture(const std::string& FileName);
  void ClearPictureCache();

  // ---- image objects, selection helpers
  bool DeselectImage(QObject* Sender, bool StoreRect) override;
  void DeleteSelectedText(QObject* Sender) override;
  void TrimSelectionToText() override;

  // ---- the undo store
  void PushTextUndo(QObject* Sender) override;
  void PushPictureUndo(QObject* Sender);
  void PushPasteUndo(QObject* Sender);
  // Called after the CAD engine recorded a shape change: one page entry that takes back every
  // engine entry recorded since the store last looked. Nothing when the engine recorded nothing.
  void PushShapeUndo();
  void UndoText(QObject* Sender) override;
  void UndoPicture(QObject* Sender);
  void UndoPaste(QObject* Sender);
  // Undoes engine entries until the engine is back at the newest shape entry's depth.
  void UndoShape();
  void RemoveUndoKind(uint8_t Kind);
  // Called when an image object was deleted: the entry gives it back on undo.
  void PushImageObjectUndo(TDeletedImageObject Entry);
  // Gives back the newest deleted image object (RestoreImageObject puts it on the page).
  void UndoImageObject(QObject* Sender);
  // The undo button and Undo > Last: the newest change of any kind; with ShapesOnly the newest
  // shape change.
  void UndoLast(QObject* Sender, bool ShapesOnly);
  void CheckUndoSpace(QObject* Sender, std::string& SizeText);
  void AskRecoverUndoSpace(const std::string& Drive, const std::string& PercentText);
  static int64_t UndoStreamSize(const TUndoFile& File);
  void InitUndoFiles();
  bool CreateUndoFiles();
  bool DeleteUndoFiles();
  // A new page: every undo entry goes (the files are created again).
  void ResetUndo();
  void SyncFontStyleButtons();
  TUndoState UndoState;

  // ---- what the window answers for the page part
  // The Undo menu items of a kind (Undo menu and the page pop-up's Undo menu).
  virtual void SetUndoItemsEnabled(TUndoKind Kind, bool Enabled) = 0;
  virtual void SetUndoMenuEnabled(bool Enabled) = 0;
  // The Save command, run when the user wants to save before the undo files are reset.
  virtual void SaveBeforeUndoReset(QObject* Sender) = 0;
  // Puts a deleted image object back on the page at its place in the drawing order.
  virtual void RestoreImageObject(TDeletedImageObject& Entry) = 0;
  // The back buffer of the page renderer.
  virtual TBitmap* PageBackBuffer() = 0;
  // Draws the rubber band again when it is shown (the copied buffer wiped it).
  virtual void RedrawSelectionBand() = 0;

protected:
  void EnableUndoButton();
  TTextPage& PageText;

private:
  void TakeSnapshot(int Kind, std::vector<uint8_t>& Out);
  void RestoreSnapshot(int Kind, const std::vector<uint8_t>& In);
  void PushSnapshot(int Kind, QObject* Sender);
  bool UndoSnapshot(int Kind);
  void PushKind(uint8_t Kind);
  struct TCachedPicture;
  std::map<std::string, std::unique_ptr<TCachedPicture>> PictureCache;
};

// Decodes the whole of a loaded picture (some classes read only a header on loading), so that a
// damaged or oversized picture raises its error now and not when it is first drawn.
void DecodeWholePicture(TGraphic& Graphic);

// The page's clipboard formats: its own formatted text and rich text (registered at start-up),
// and the formats it can paste, in the order it prefers them.
extern unsigned FormattedTextFormat;
extern unsigned RichTextFormat;
extern std::array<unsigned, 9> HandledClipboardFormats;
// The clipboard holds a format the page can paste (one of HandledClipboardFormats); enables the
// paste button and menu item.
bool ClipboardHasPasteFormat();

// The undo store's state: the three snapshot files (text, pictures, pastes) with one held
// snapshot per kind, the stack of undo kinds that keeps the order of every undoable change, and
// the per-entry engine depth of shape changes. The routines are those of the page part
// (page_part.h); this header gives the records and the state they work on.
//
// A push writes the held snapshot at the file's position (the top of the stack) and takes a new
// held snapshot from the page; an undo restores the page from the held snapshot and reads the
// record below the position back into it. The files are never truncated: records beyond the
// position are stale and never read.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "page/page_tables.h"
#include "platform/graphic.h"
#include "platform/win_types.h"

#include <QFile>

enum TUndoKind : uint8_t { ukText = 1, ukPicture = 2, ukPaste = 3, ukShape = 4, ukImageObject = 5 };

constexpr int MaxUndoKinds = 2000;
// Free space below which the guard asks to reset the undo files.
constexpr int64_t UndoDangerFreeSpace = 2230416;

// Sizes and offsets of the snapshot records.
constexpr size_t TextUndoRecSize = 286796;
constexpr size_t TextUndoFonts = 0;
constexpr size_t TextUndoOffsets = 262144;
constexpr size_t TextUndoCodes = 278528;
constexpr size_t TextUndoLayers = 282624;  // the cells' layer flags (kept so undo restores them)
constexpr size_t TextUndoLineHeight = 286720;
constexpr size_t TextUndoMargins = 286722;  // lMargin, tMargin, bMargin, rMargin as i16
constexpr size_t TextUndoCurrentI = 286730;
constexpr size_t TextUndoTypingFont = 286732;
constexpr size_t PictureUndoRecSize = 256 * 276 + 4;
constexpr size_t PasteUndoRecSize = 256 * 280 + 4;

// One kind's snapshot file.
struct TUndoFile {
  std::string Name;
  std::unique_ptr<QFile> Stream;  // null: this kind of undo is unavailable
  std::vector<uint8_t> Held;            // the state before the latest change of this kind
  int64_t Position = 0;                 // top of the stack, in bytes
};

// An image object taken off the page, kept in memory so that its deletion can be taken back: its
// place in the drawing order, its record, its graphic and the control's bounds.
struct TDeletedImageObject {
  int Index = 0;
  TImageObjectRec Rec{};
  std::unique_ptr<TGraphic> Graphic;
  TRect Bounds;
};

struct TUndoState {
  TUndoFile Files[3];  // text, pictures, pastes
  std::array<uint8_t, MaxUndoKinds> UndoKinds{};
  int UndoKindCount = 0;
  int PictureUndoCount = 0;
  int PasteUndoCount = 0;
  // Shape entries, oldest first: the engine's undo depth before each change.
  std::vector<int> ShapeDepths;
  // Deleted image objects, oldest first, one per image-object entry on the kind stack.
  std::vector<TDeletedImageObject> DeletedImages;
  // The engine's undo depth when the store last looked at it (a push, an undo or a reset).
  int ShapeDepthMark = 0;
  int64_t StartUpFreeSpace = 0;
  bool IntervalWarnings = true;
  std::array<bool, 9> BandWarned{};
  bool FreeSpaceWarned = false;
  bool CreateFailureShown = false;
};

int ShapeUndoCount(const TUndoState& s);
// Text snapshots that can still be read back (kept as a global: the text engine's tests read it).
extern int TextUndoCount;

// The image-object tables as a whole: the records saved with the document and the controls that
// hold the graphics, kept in drawing order (later over earlier). These routines move entries
// within the tables; the window frees controls and recomposes the page.
#pragma once

#include <array>
#include <string>

#include "page/page_tables.h"

class TSizeChangedImage;

using TImageControls = std::array<TSizeChangedImage*, MaxImageObjects>;

// What every creator says when the tables are full.
extern const char* const ImageLimitMessage;

struct TImageObjectTables {
  TImageRecTable& Recs;
  TImageControls& Controls;
  int& Count;
  int& Selected;
};

// Makes the selected object the last (topmost); false, and nothing changed, when there are fewer
// than two objects or it is last already.
bool BringImageObjectToFront(TImageObjectTables t);
// Makes the selected object the first (lowest); false when fewer than two or first already.
bool SendImageObjectToBack(TImageObjectTables t);
// Removes entry Index (its control must have been freed by the caller): the later entries move
// down one place, the vacated last slot is cleared, and the selection is lowered to the last
// object when it lay past it. Returns the removed record's file name; empty for a bad index.
std::string RemoveImageObjectEntry(TImageObjectTables t, int Index);
// The file name without its folder, cut before its last dot; an empty name leaves Base as it is.
void FileBaseName(const std::string& FileName, std::string& Base);

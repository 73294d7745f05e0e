// The shapes of documents of versions 1 to 4: 256 records of 740 bytes in page pixels inside the
// page record (record 0 is never a shape). They are brought up to the version-4 layout and turned
// into figures of the CAD engine.
#pragma once

#include <cstddef>
#include <cstdint>

class TZQVCad;

// Versions 1 and 2 stored pen widths in whole pixels: the u16 at offset 128 of every record is
// multiplied by 100 (16-bit arithmetic).
void ScaleOldPenWidths(uint8_t* Records, size_t Size);
// Versions below 4: number format string -> index, unit factor -> metric flag, kind 16 P2 := P0,
// dimension multiplier value -> index, for records 1 to 255.
void UpgradeOldShapeRecords(uint8_t* Records, size_t Size);
// Appends the figures of records 1 .. Count - 1 (version-4 layout) to the engine; FileDpi is the
// file's pixels per inch. Records of an unknown kind are skipped; counts and string lengths are
// held to their fields. Returns how many figures were appended.
int ImportOldShapes(TZQVCad& Engine, const uint8_t* Records, size_t Size, int Count, int FileDpi);

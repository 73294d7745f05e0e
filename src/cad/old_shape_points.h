// Points of the shape records of the older document format (740-byte records in page pixels).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

constexpr size_t OldShapeRecordSize = 740;
constexpr int OldShapeRecordPoints = 15;

// When Flag is set: Points[0] := P9, Points[2 .. 6] := P10 .. P14, Points[7] := the two 32-bit
// integers at offsets 120 and 124; Points[1] is left as it was. Nothing changes when Flag is clear or the
// record or the point list is too short (a record needs 740 bytes, the list 8 points).
void ReadOldShapePointsFromRecord(bool Flag, const uint8_t* Record, size_t RecordSize, TPoint* Points,
                                  size_t PointCount);

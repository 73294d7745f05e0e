#include "cad/old_shape_points.h"

#include <cstring>

namespace {
int32_t ReadI32(const uint8_t* p) {
  return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
TPoint ReadPoint(const uint8_t* record, int index) {
  return {ReadI32(record + index * 8), ReadI32(record + index * 8 + 4)};
}
}  // namespace

void ReadOldShapePointsFromRecord(bool Flag, const uint8_t* Record, size_t RecordSize, TPoint* Points,
                                  size_t PointCount) {
  if (!Flag || Record == nullptr || Points == nullptr || RecordSize < OldShapeRecordSize || PointCount < 8) return;
  Points[0] = ReadPoint(Record, 9);
  for (int i = 2; i <= 6; ++i) Points[i] = ReadPoint(Record, 8 + i);
  Points[7] = TPoint(ReadI32(Record + 120), ReadI32(Record + 124));
}

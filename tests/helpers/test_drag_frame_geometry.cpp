// The resize frame's handles, the bounds a drag by each gives, and the size readout.
#include <gtest/gtest.h>

#include "helpers/drag_frame_geometry.h"

TEST(DragFrameGeometry, PointsFindTheirHandle) {
  struct Case { int x, y, id; } cases[] = {
      {2, 2, 1}, {97, 1, 2}, {99, 59, 3}, {0, 57, 4}, {50, 1, 5}, {98, 30, 6}, {49, 58, 7}, {1, 29, 8},
      {50, 30, 0}, {4, 4, 0}, {100, 60, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(HandleAt(c.x, c.y, 100, 60), c.id) << c.x << "," << c.y;
}

TEST(DragFrameGeometry, EachHandleMovesItsOwnEdges) {
  const TRect s(100, 50, 200, 130);
  struct Case { int handle; TRect want; } cases[] = {
      {0, TRect(110, 45, 210, 125)}, {1, TRect(110, 45, 200, 130)}, {2, TRect(100, 45, 210, 130)},
      {3, TRect(100, 50, 210, 125)}, {4, TRect(110, 50, 200, 125)}, {5, TRect(100, 45, 200, 130)},
      {6, TRect(100, 50, 210, 130)}, {7, TRect(100, 50, 200, 125)}, {8, TRect(110, 50, 200, 130)},
  };
  for (const Case& c : cases) EXPECT_EQ(DraggedFrame(c.handle, s, 10, -5), c.want) << "handle " << c.handle;
}

TEST(DragFrameGeometry, FramesNeverShrinkBelowTheMinimum) {
  const TRect s(0, 0, 100, 60);
  EXPECT_EQ(DraggedFrame(3, s, -90, 0), TRect(0, 0, 15, 60));
  EXPECT_EQ(DraggedFrame(7, s, 0, -200), TRect(0, 0, 100, 15));
  EXPECT_EQ(DraggedFrame(1, s, 95, 58), TRect(95, 58, 110, 73));
}

TEST(DragFrameGeometry, ReadoutInInchesOrCentimetres) {
  EXPECT_EQ(FrameSizeReadout(96, 96, false, 96), "W/H = 1.00 : 1.00");
  EXPECT_EQ(FrameSizeReadout(96, 96, true, 96), "W/H = 2.54 : 2.54");
  EXPECT_EQ(FrameSizeReadout(144, 48, false, 96), "W/H = 1.50 : 0.50");
  // Exact halves round away from zero, as every number the program shows.
  EXPECT_EQ(FrameSizeReadout(108, 12, false, 96), "W/H = 1.13 : 0.13");
}

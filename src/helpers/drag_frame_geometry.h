// The geometry of the resize frame laid over a selected image object: its eight grab handles,
// what a drag by each does to the frame's bounds, and the size readout.
#pragma once

#include <array>
#include <string>

#include "platform/win_types.h"

constexpr int MinFrameSize = 15;  // the smallest frame width and height
constexpr int HandleSize = 4;

// The rectangle of handle Id (1..8) in a frame of Width x Height, in the frame's own coordinates:
// 1 top-left, 2 top-right, 3 bottom-right, 4 bottom-left, 5 top middle, 6 right middle,
// 7 bottom middle, 8 left middle. An empty rectangle for any other id.
TRect HandleRect(int Id, int Width, int Height);
// The first handle (in id order) holding the point, 0 when none does (inside the frame).
int HandleAt(int X, int Y, int Width, int Height);

// The frame's bounds after a drag by Handle (0 moves the whole frame) of (DX, DY) from the bounds
// it had at mouse down. A frame narrower or lower than MinFrameSize is widened or heightened to
// it, its left and top kept.
TRect DraggedFrame(int Handle, const TRect& Start, int DX, int DY);

// "W/H = w : h" with the size in inches (centimetres when Metric), each to two decimals, at
// PixelsPerInch pixels to the inch.
std::string FrameSizeReadout(int Width, int Height, bool Metric, int PixelsPerInch);

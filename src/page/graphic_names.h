// Names of image objects for the user: the display name of a graphic's class, and the bounds of
// an object after a quarter-turn command.
#pragma once

#include <string>

#include "platform/win_types.h"

class TGraphic;

// "Metafile Image", "PNG Image", "Bitmap Image", "JPeg Image", "ZQV Image" (the program's own
// GIF class), "GIF Image", or "Unknown Graphics Format" for none or any other class.
void GraphicClassName(const TGraphic* Graphic, std::string& Name);
// The bounds of an object turned by the rotate submenu's item Position (0 a quarter turn, 1 a half
// turn, 2 three quarters): the size is swapped for quarter turns; the corner stays.
TRect QuarterTurnedBounds(const TRect& Bounds, int Position);
// The one message for a picture that failed to load, as a picture or as an image object.
std::string PictureLoadFailedText(const std::string& FileName);

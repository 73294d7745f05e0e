// The pictures compiled into the program: GIF pictures by resource name (the splash, the logo, the
// pictures of the tips) and the splash's bitmap. Resource names are matched without regard to
// case, as the program's resources always were.
#pragma once

#include <QPixmap>
#include <string>

#include "platform/exceptions.h"

class TGIFImage;

// A resource the program does not have.
KV_DECLARE_EXCEPTION(EResNotFound, Exception)

// Loads the GIF resource Name into Gif (its contents cleared first). Raises EResNotFound when the
// program has no such resource, and the picture's own error when it cannot be read.
void LoadGifResource(const std::string& Name, TGIFImage& Gif);
// The first frame of a GIF picture as a pixmap.
QPixmap GifPixmap(TGIFImage& Gif);
// A bitmap resource ("SPLASH"); raises EResNotFound when there is none.
QPixmap LoadBitmapResource(const std::string& Name);
// True when the program has a resource of that name and type ("GIF" or "BMP").
bool HasProgramResource(const std::string& Name, const std::string& Type);

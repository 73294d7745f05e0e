#include "page/graphic_names.h"

#include "codecs/jpeg_image.h"
#include "codecs/png_image.h"
#include "helpers/zqv_gif.h"
#include "platform/bitmap.h"
#include "platform/metafile.h"

void GraphicClassName(const TGraphic* Graphic, std::string& Name) {
  // Derived classes first: a PNG picture is a bitmap, the program's GIF class a GIF picture.
  if (dynamic_cast<const TMetafile*>(Graphic)) Name = "Metafile Image";
  else if (dynamic_cast<const TPNGImage*>(Graphic)) Name = "PNG Image";
  else if (dynamic_cast<const TBitmap*>(Graphic)) Name = "Bitmap Image";
  else if (dynamic_cast<const TJPEGImage*>(Graphic)) Name = "JPeg Image";
  else if (dynamic_cast<const TZQVGif*>(Graphic)) Name = "ZQV Image";
  else if (dynamic_cast<const TGIFImage*>(Graphic)) Name = "GIF Image";
  else Name = "Unknown Graphics Format";
}

TRect QuarterTurnedBounds(const TRect& Bounds, int Position) {
  if (Position != 0 && Position != 2) return Bounds;
  return TRect(Bounds.Left, Bounds.Top, Bounds.Left + Bounds.Height(), Bounds.Top + Bounds.Width());
}

std::string PictureLoadFailedText(const std::string& FileName) { return "Sorry, picture failed to load: " + FileName; }

// GIF pictures on the clipboard: "GIF Image" bytes (image/gif) with the rendered bitmap beside
// them. The codec itself stays free of the clipboard; these are the picture class's clipboard
// operations.
#pragma once

#include "codecs/gif_image.h"

class QMimeData;

// Loads the picture from "GIF Image" bytes or from a bitmap; data null reads the system clipboard.
// Other formats raise EInvalidGraphic.
void GIFLoadFromClipboardFormat(TGIFImage& image, unsigned format, const QMimeData* data);
// Fills data with the rendered bitmap and the GIF file bytes; format receives the bitmap format.
void GIFSaveToClipboardFormat(TGIFImage& image, unsigned& format, QMimeData& data);

// Writing a bitmap of the page (or of a part of it) to a picture file chosen by its extension:
// bitmaps in full colour or reduced (16 colours, 256 colours, the web palette, 256 greys), JPEG,
// GIF and ".zqg", PNG. Metafiles are drawn by the main window itself.
#pragma once

#include <memory>
#include <string>

#include "codecs/color_reduction.h"
#include "platform/bitmap.h"

// Extension of save-dialog filter index 1..7 (".bmp", ".emf", ".wmf", ".jpg", ".zqg", ".gif",
// ".png"); "" for any other index.
std::string ExportFilterExtension(int FilterIndex);
// The name a picture save dialog's answer is written under: a name that already ends in one of the
// picture extensions the program writes keeps it (the user typed the format); any other name takes
// the filter's extension. Unchanged for a filter index outside 1..7.
std::string ApplyExportFilterExtension(const std::string& FileName, int FilterIndex);
// The name with its extension replaced by FilterExt unless it already ends in a picture extension
// the program writes (".bmp", ".emf", ".wmf", ".jpg", ".jpeg", ".zqg", ".gif", ".png", any case).
std::string KeepTypedPictureExtension(const std::string& FileName, const std::string& FilterExt);

// The bitmap written for menu variant 0..5 (0 and 1 full colour, 2 sixteen colours, 3 256 colours,
// 4 the web palette, 5 256 greys); null for any other index. LowColourScreen with a palette
// reduces variant 3 to that palette without dithering. Base is switched to 24 bits in place.
std::unique_ptr<TBitmap> ExportBitmapVariant(TBitmap& Base, int VariantIndex, bool LowColourScreen,
                                             const HPALETTE& AppPalette);

enum class TRasterExportKind { None, Jpeg, Gif, Bitmap, Png, Metafile };
// The writer of an upper-case extension.
TRasterExportKind ExportKindOf(const std::string& UpperExt);

// Writes Base as a JPEG (quality 1..100, progressive), GIF/".zqg" or PNG. Raises the codec's
// exception on failure; the file is replaced only when complete.
void WriteJpegPicture(const TBitmap& Base, const std::string& FileName, int Quality);
void WriteGifPicture(const TBitmap& Base, const std::string& FileName);
void WritePngPicture(const TBitmap& Base, const std::string& FileName);
// Writes a bitmap file; a bitmap deeper than 8 bits is written without palette.
void WriteBitmapPicture(TBitmap& Bitmap, const std::string& FileName);

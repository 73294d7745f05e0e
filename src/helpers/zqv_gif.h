// The program's own GIF picture class: the GIF picture with the program's colour-reduction
// defaults, writing run-length coded rasters where LZW-coded GIF must not be written, and the
// ".zqg" picture files.
#pragma once

#include <string>

#include "codecs/gif_image.h"

// False on systems of the regions where LZW-coded GIF files are not written before the region's
// cut-off date (Canada, Japan and fifteen European countries).
bool GifLzwAllowed();
// The same test for a three-letter locale country abbreviation and a local date-time given as
// days since 30 December 1899 with the fraction of the day.
bool GifLzwAllowedAt(const std::string& country, double localNow);
// The three-letter abbreviation of the system locale's country ("" when unknown).
std::string SystemLocaleCountryAbbrev();
// The local date and time now, as days since 30 December 1899.
double LocalNowAsDateTime();

class TZQVGif : public TGIFImage {
public:
  TZQVGif() : TZQVGif(GifLzwAllowed()) {}
  // The constructor with the outcome of the regional test given.
  explicit TZQVGif(bool lzwAllowed);
};

// Registers ".zqg" pictures ("ZQVWare picture file") with the graphic registry; repeated calls
// do nothing.
void RegisterZQVGif();

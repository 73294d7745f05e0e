// The largest picture the picture readers take: width × height in pixels. A larger picture (or GIF
// frame) is refused with the reader's message before any pixel memory is taken, so that a few
// bytes in a file cannot ask for gigabytes. Programs that run the readers over very many inputs,
// such as the fuzz targets, lower it.
#pragma once

#include <cstdint>

inline constexpr int64_t DefaultMaxPicturePixels = int64_t(1) << 28;
extern int64_t MaxPicturePixels;

// Sets the limit for as long as it lives, then puts the old one back.
class TPictureLimit {
public:
  explicit TPictureLimit(int64_t pixels) : Saved(MaxPicturePixels) { MaxPicturePixels = pixels; }
  ~TPictureLimit() { MaxPicturePixels = Saved; }
  TPictureLimit(const TPictureLimit&) = delete;
  TPictureLimit& operator=(const TPictureLimit&) = delete;

private:
  int64_t Saved;
};

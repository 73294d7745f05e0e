#include "codecs/picture_limits.h"

int64_t MaxPicturePixels = DefaultMaxPicturePixels;

// A metafile read back from the file image of either format.
#pragma once

#include "platform/metafile.h"

inline TMetafile ReloadedMetafile(const TMetafile& m, bool enhanced) {
  TMetafile loaded;
  if (enhanced) {
    loaded.LoadEnhanced(m.Records.data(), m.Records.size());
  } else {
    const std::vector<uint8_t> old = m.OldFileImage();
    loaded.LoadOld(old.data(), old.size());
  }
  return loaded;
}

// Fuzz target: the PNG reader on arbitrary bytes; images that load are written again and read
// back, which exercises the writer on whatever the reader accepted. Pictures are limited to
// 16,384 pixels through the reader's own picture limit, so that a run tries millions of inputs.
#include <cstddef>
#include <cstdint>

#include "codecs/picture_limits.h"
#include "codecs/png_image.h"
#include "fuzz_options.h"
#include "platform/exceptions.h"
#include "platform/streams.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  AddDefaultOptions(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const TPictureLimit limit(1 << 14);
  TPNGImage img;
  try {
    TBytesStream in(data, size);
    img.LoadFromStream(in);
  } catch (const Exception&) {
    return 0;
  }
  try {
    TMemoryStream out;
    img.SaveToStream(out);
    TPNGImage back;
    out.SetPosition(0);
    back.LoadFromStream(out);
    if (back.Width() != img.Width() || back.Height() != img.Height()) __builtin_trap();
  } catch (const Exception&) {
  }
  return 0;
}

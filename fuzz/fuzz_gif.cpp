// Fuzz target: the GIF reader on arbitrary bytes, then rendering and writing what it read.
//
// Pictures are limited to 16,384 pixels a frame through the readers' own picture limit, so that
// each input costs microseconds and a run tries millions of them; rendering and drawing, which
// are linear in the pixels and well covered by small frames, run only on small images.
#include <cstddef>
#include <cstdint>

#include "codecs/gif_image.h"
#include "codecs/picture_limits.h"
#include "fuzz_options.h"
#include "platform/canvas.h"
#include "platform/streams.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  AddDefaultOptions(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const TPictureLimit limit(1 << 14);
  TGIFImage image;
  int warnings = 0;
  image.OnWarning = [&](const void*, int, const std::string&) { ++warnings; };
  try {
    TBytesStream stream(data, size);
    image.LoadFromStream(stream);
  } catch (const Exception&) {
    return 0;
  }
  int64_t pixels = 0;
  for (TGIFSubImage* frame : image.Images.Items) pixels += int64_t(frame->Width()) * frame->Height();
  if (pixels <= (1 << 12) && image.Images.Count() <= 4) {
    try {
      for (TGIFSubImage* frame : image.Images.Items) {
        frame->GetBitmap();
        frame->HasMask();
      }
    } catch (const Exception&) {
    }
    try {
      // Drawing the first frame, placed and scaled from the logical screen (no animation).
      image.DrawOptions = gdoTransparent | gdoTile;
      TBitmap target(16, 12, pf24bit);
      image.Draw(target.Canvas(), TRect(0, 0, 16, 12));
    } catch (const Exception&) {
    }
  }
  try {
    TMemoryStream out;
    image.SaveToStream(out);
    TGIFImage again;
    out.SetPosition(0);
    again.LoadFromStream(out);
  } catch (const Exception&) {
  }
  return 0;
}

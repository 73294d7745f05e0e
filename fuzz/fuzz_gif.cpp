// Fuzz target: the GIF reader on arbitrary bytes, then rendering and writing what it read.
#include <cstddef>
#include <cstdint>

#include "codecs/gif_image.h"
#include "platform/canvas.h"
#include "platform/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TGIFImage image;
  int warnings = 0;
  image.OnWarning = [&](const void*, int, const std::string&) { ++warnings; };
  try {
    TBytesStream stream(data, size);
    image.LoadFromStream(stream);
  } catch (const Exception&) {
    return 0;
  }
  // Rendering and writing are linear in the pixels: only small pictures, to keep the runs fast.
  int64_t pixels = 0;
  for (TGIFSubImage* frame : image.Images.Items) pixels += int64_t(frame->Width()) * frame->Height();
  if (pixels > (1 << 20)) return 0;
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
    TBitmap target(48, 32, pf24bit);
    image.Draw(target.Canvas(), TRect(0, 0, 48, 32));
  } catch (const Exception&) {
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

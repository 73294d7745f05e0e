// Fuzz target: the metafile reader and player on arbitrary bytes, as an enhanced file and as an
// old-style one; pictures that load are played onto a small raster canvas and written again.
#include <QGuiApplication>
#include <QImage>
#include <cstddef>
#include <cstdint>

#include "fuzz_options.h"
#include "platform/canvas.h"
#include "platform/curve_limit.h"
#include "platform/exceptions.h"
#include "platform/metafile.h"
#include "platform/streams.h"

namespace {
// Text needs fonts, and fonts an application object: one is made unless the program has its own.
void Init() {
  static int argc = 1;
  static char name[] = "fuzz_metafile";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(argc, argv);
  }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  AddDefaultOptions(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Init();
  // Outlines of at most 512 points: the canvas is 64 pixels square, and an input of a few
  // hundred huge ellipses otherwise builds tens of thousands of points for each (30 inputs a
  // second); the outline code runs the same either way.
  const TCurveDetailLimit curves(512);
  QImage image(64, 64, QImage::Format_RGB32);
  image.fill(Qt::white);
  TCanvas canvas(&image);
  // Played directly, with whatever header the bytes carry.
  PlayEnhancedRecords(data, size, canvas, TRect(0, 0, 64, 64));
  for (int pass = 0; pass < 2; ++pass) {
    TMetafile m;
    try {
      if (pass == 0) m.LoadEnhanced(data, size);
      else m.LoadOld(data, size);
    } catch (const Exception&) {
      continue;
    }
    m.Draw(canvas, TRect(0, 0, 64, 64));
    const std::vector<uint8_t> old = m.OldFileImage();
    TMetafile back;
    try {
      back.LoadOld(old.data(), old.size());
    } catch (const Exception&) {
      __builtin_trap();  // what we write must read again
    }
  }
  return 0;
}

// Fuzzes the shapes stream reader: any bytes load or are refused with the engine's own errors,
// and whatever loads saves and loads again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz_options.h"  // IWYU pragma: keep
#include "cad/engine.h"
#include "platform/messages.h"
#include "platform/streams.h"

namespace {
TMessageRecorder& Quiet() {
  static TMessageRecorder recorder;
  static bool installed = (SetMessageService(&recorder), true);
  (void)installed;
  recorder.Calls.clear();
  recorder.DefaultAnswer = mrYes;
  return recorder;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  AddDefaultOptions(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Quiet();
  NodeCount = 16;
  TZQVCad engine(nullptr, 16, 96, 96);
  TBytesStream in(data, size);
  try {
    engine.LoadFromStream(in, (size & 1) != 0);
  } catch (const EZQVCadException&) {
  } catch (const EStreamError&) {
  }
  TMemoryStream out;
  engine.SaveToStream(out);
  TZQVCad again(nullptr, NodeCount, 96, 96);
  out.SetPosition(0);
  again.LoadFromStream(out, false);
  TMemoryStream out2;
  again.SaveToStream(out2);
  // The headers may differ in units and background; the records must not.
  if (out.Data.size() != out2.Data.size() ||
      !std::equal(out.Data.begin() + ShapesHeaderSize, out.Data.end(), out2.Data.begin() + ShapesHeaderSize))
    std::abort();
  return 0;
}

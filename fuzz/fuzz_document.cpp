// Fuzzes the document reader. The first byte chooses how the rest is used:
//   0: the bytes are a whole document file (container or plain);
//   1: the bytes are patches (u32 offset, byte) applied to a sound version-6 page, given to the
//      reader as a plain file, so that every field check of the reader is reached;
//   2: the bytes follow a version-2 head (run table and run-coded record).
// Whatever the reader accepts passes its own checks, and the old shape records of what it accepts
// are converted into figures without reading outside the record.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cad/engine.h"
#include "codecs/compress.h"
#include "fuzz_options.h"  // IWYU pragma: keep
#include "page/document_format.h"
#include "page/old_documents.h"
#include "platform/messages.h"
#include "platform/streams.h"

namespace {
void Quiet() {
  static TMessageRecorder recorder;
  static bool installed = (SetMessageService(&recorder), true);
  (void)installed;
  recorder.Calls.clear();
}

const std::vector<uint8_t>& SoundPayload() {
  static const std::vector<uint8_t> payload = [] {
    TDocument d;
    d.LineHeight = 16;
    d.CurrentI = 3;
    d.MainFont.Name = "Arial";
    d.MainFont.Size = 12;
    d.SavedPixelsPerInch = 96;
    for (int i = 0; i < 4; ++i) {
      d.Cells[size_t(i)].FontName = "Times New Roman";
      d.Cells[size_t(i)].Size = 12;
      d.Cells[size_t(i)].Code = uint8_t('a' + i);
    }
    d.PictureCount = 1;
    d.PictureTable[0].SetName("/p.bmp");
    d.ImageCount = 1;
    d.ImageRecs[0].SetName("/i.png");
    return BuildDocumentPayload(d);
  }();
  return payload;
}

void Check(const TDocReadResult& r, const TDocument& d) {
  if (r.Status != TDocReadStatus::Ok) return;
  if (!CheckDocument(d).empty()) abort();
  if (d.Version < 5 && d.OldShapeCount > 1) {
    std::vector<uint8_t> shapes = d.OldShapes;
    if (d.Version < 3) ScaleOldPenWidths(shapes.data(), shapes.size());
    if (d.Version < 4) UpgradeOldShapeRecords(shapes.data(), shapes.size());
    static TZQVCad* engine = [] {
      NodeCount = 16;
      return new TZQVCad(nullptr, 16, 96, 96);
    }();
    engine->Clear();
    const int fileDpi = d.SavedPixelsPerInch == 0 ? 96 : int(d.SavedPixelsPerInch);
    ImportOldShapes(*engine, shapes.data(), shapes.size(), d.OldShapeCount, fileDpi);
  }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  AddDefaultOptions(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Quiet();
  if (size < 1) return 0;
  const uint8_t mode = data[0] % 3;
  ++data, --size;
  static TCompress compress;
  // The patched page and the document live across inputs (the page alone is over half a
  // megabyte): their blocks are reused instead of mapped afresh by the sanitizer's allocator for
  // every input. The document is reset to a new one's state before each read; the page's spare
  // capacity is unaddressable while it is read.
  static std::vector<uint8_t> patched;
  std::vector<uint8_t> file;
  if (mode == 0) {
    file.assign(data, data + size);
  } else if (mode == 1) {
    patched.assign(SoundPayload().begin(), SoundPayload().end());
    // Offsets below 1 MB reach the whole payload and a little past its end (growing it).
    // A plain file: the reader takes a payload without container header as it stands.
    PatchBytes(patched, data, size, 1u << 20);
  } else {
    static const uint8_t head[] = {2, 0, 0, 0, 'Z', 'Q', 'V', 'W', 'A', 'R', 'E'};
    file.assign(head, head + sizeof head);
    file.insert(file.end(), data, data + size);
  }
  static const TDocument blank;
  static TDocument d;
  d = blank;
  // Expanded payloads are kept to 1 MB (a page and a small shapes stream): the reader's own limit
  // is far above what a fuzz input needs, and every expansion zeroes its whole announced size.
  const std::vector<uint8_t>& read = mode == 1 ? patched : file;
  const TGuardedTail guard(read);
  const TDocReadResult r = ReadDocumentBytes(read, compress, d, 1u << 20);
  Check(r, d);
  return 0;
}

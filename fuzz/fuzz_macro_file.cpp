// Fuzzes the macro file reader. The first byte chooses how the rest is used:
//   0: the bytes are a whole macro file (container or not);
//   1: the bytes are patches (u32 offset, byte) applied to a sound stream of four macros, which is
//      then put in a stored container with a correct checksum, so that every field check of the
//      list reader is reached.
// A file the reader refuses leaves the list as it was; one it takes writes back and reads again
// to the same stream.
//
// The lists have four lines, not the macro window's 35: the reader takes a stream of any count
// that agrees with its size and checks every record of it, whatever the list's length, and reads
// the first lines of a longer stream. With 35 lines every input made and cleared about 1.5 MB of
// lists and streams in blocks the sanitizer maps afresh each time (page faults were most of the
// target's time); with four every block stays below 128 KB and is recycled.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/byte_sum.h"
#include "codecs/compress.h"
#include "fuzz_options.h"  // IWYU pragma: keep
#include "page/macro_list.h"
#include "platform/messages.h"
#include "platform/streams.h"

namespace {
void Quiet() {
  static TMessageRecorder recorder;
  static bool installed = (SetMessageService(&recorder), true);
  (void)installed;
  recorder.Calls.clear();
}

std::vector<uint8_t> StreamOf(TMacroList& list) {
  TMemoryStream s;
  list.SaveToStream(s);
  return s.Data;
}

constexpr int FuzzLines = 4;

const std::vector<uint8_t>& SoundStream() {
  static const std::vector<uint8_t> stream = [] {
    TMacroList list(FuzzLines);
    list.ClearAll();
    for (int n = 0; n < 4; ++n) {
      TMacroLine& l = list.Lines[size_t(n)];
      l.Buffer.Chars[0] = uint8_t('a' + n);
      l.Buffer.Chars[2] = 'b';
      l.Buffer.Offsets[0] = int16_t(-3 * n);
      SetShortString(l.Buffer.Fonts[0].Name, 50, "Times New Roman");
      l.Description = "d";
      l.Spacing = n;
    }
    return StreamOf(list);
  }();
  return stream;
}

// A stored ("NON") container around the plain bytes, in `file` (kept across inputs, so that its
// block is reused).
void Stored(const std::vector<uint8_t>& plain, std::vector<uint8_t>& file) {
  TCompressHeader h{};
  std::memcpy(h.Signature, "VELK\x1A", 5);
  std::memcpy(h.MethodId, MethodIds[cmNON], 3);
  h.UncompressedSize = uint32_t(plain.size());
  h.Checksum = ByteSum(plain.data(), plain.size());
  file.resize(sizeof h + plain.size());
  std::memcpy(file.data(), &h, sizeof h);
  std::memcpy(file.data() + sizeof h, plain.data(), plain.size());
}

// A refused file must leave the list as it was. Compared field by field with an untouched list
// (a few hundred kilobytes of plain memory), not by writing both lists out: writing the list for
// every refused input made this the slowest target (3 inputs a second).
bool SameLine(const TMacroLine& a, const TMacroLine& b) {
  return a.Buffer.Chars == b.Buffer.Chars && a.Buffer.Offsets == b.Buffer.Offsets &&
         std::memcmp(a.Buffer.Fonts.data(), b.Buffer.Fonts.data(), sizeof a.Buffer.Fonts) == 0 &&
         a.Description == b.Description && a.Spacing == b.Spacing && a.Checked == b.Checked;
}

const TMacroList& Marker() {
  static const TMacroList marker = [] {
    TMacroList l(FuzzLines);
    l.Lines[2].Description = "untouched";
    return l;
  }();
  return marker;
}

bool Untouched(const TMacroList& list) {
  const TMacroList& marker = Marker();
  if (list.Lines.size() != marker.Lines.size() || list.Modified != marker.Modified ||
      list.CurrentLine != marker.CurrentLine)
    return false;
  for (size_t i = 0; i < list.Lines.size(); ++i)
    if (!SameLine(list.Lines[i], marker.Lines[i])) return false;
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  AddDefaultOptions(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Quiet();
  if (size < 1) return 0;
  const uint8_t mode = data[0] % 2;
  ++data, --size;
  // The patched stream and its container are kept across inputs (their blocks are reused); the
  // container's spare capacity is unaddressable while it is read.
  static std::vector<uint8_t> stored, plain;
  std::vector<uint8_t> file;
  if (mode == 0) {
    // Expanded files are kept to 576 KB (room for the older form of 35 blocks, 550 KB): a few
    // bytes of LH5 expand to megabytes, and every input would cost what it expands to. A file
    // announcing more than the reader's own limit still reaches the reader, which refuses it
    // before expanding anything.
    constexpr uint32_t MostExpanded = 576u << 10;
    if (size >= size_t(CompressHeaderSize) && std::memcmp(data, "VELK\x1A", 5) == 0) {
      uint32_t announced;
      std::memcpy(&announced, data + 8, 4);
      if (announced > MostExpanded && announced <= MaxMacroFileExpanded) return 0;
    }
    file.assign(data, data + size);
  } else {
    plain.assign(SoundStream().begin(), SoundStream().end());
    // Offsets reach the whole stream and a little past its end (growing it).
    PatchBytes(plain, data, size, uint32_t(plain.size() + 64));
    Stored(plain, stored);
  }
  static TCompress compress;
  // The lists live across inputs: the one read into is untouched whenever an input was refused,
  // and is made untouched again after an input was taken.
  static TMacroList list = Marker();
  static TMacroList again(FuzzLines);
  const std::vector<uint8_t>& read = mode == 1 ? stored : file;
  TMacroReadResult r;
  {
    const TGuardedTail guard(read);
    r = ReadMacroFileBytes(read, compress, list, "f.zqm");
  }
  if (r.Status != TMacroReadStatus::Ok) {
    if (r.Message.empty() || !Untouched(list)) abort();
    return 0;
  }
  // What the reader takes is a sound list: written again and read back it gives the same stream.
  const std::vector<uint8_t> once = StreamOf(list);
  list = Marker();
  TMemoryStream s(once);
  again.LoadFromStream(s);
  if (StreamOf(again) != once) abort();
  return 0;
}

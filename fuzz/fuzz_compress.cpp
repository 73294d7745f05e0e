// Fuzzes the compressed stream reader over all its methods, and the round trip of every method.
//
// The first byte chooses what the rest is: a stream with a header for one of the methods (stored,
// run-length, LZH, custom, LH5; size, checksum and lock flag taken from the next bytes), the raw
// bytes as a stream, or a method and a source to compress and expand again.
//
// Inputs are tens of kilobytes (the seeds are compressed documents and texts), enough for the
// coders' later blocks and table rebuilds; the expanded size is kept to 64 KB. Round trips are
// kept to 8 KB: the encoders cost far more per byte than the decoders, and 8 KB still spans the
// adaptive coder's rebuilds and several of the LH5 coder's blocks.
#include <cstdint>
#include <cstring>
#include <vector>

#include "codecs/compress.h"
#include "fuzz_options.h"

namespace {

constexpr uint32_t kMostExpanded = 1u << 16;
constexpr size_t kMostRoundTrip = 8192;

uint32_t Sum(const uint8_t* p, size_t n) {
  uint32_t s = 0;
  for (size_t i = 0; i < n; ++i) s += p[i];
  return s;
}

void ExpandChecked(TCompress& c, const std::vector<uint8_t>& stream, bool headed) {
  TBytesStream src(stream.data(), stream.size());
  TMemoryStream dst;
  try {
    c.ExpandStream(dst, src);
  } catch (const Exception&) {
    return;  // refused with a message: fine
  }
  if (!headed || stream.size() < size_t(CompressHeaderSize)) return;
  TCompressHeader h;
  std::memcpy(&h, stream.data(), sizeof h);
  if (std::memcmp(h.Signature, "VELK\x1A", 5) != 0) return;
  // A stream accepted with a built-in method gave exactly the size its header announced.
  if (std::memcmp(h.MethodId, "CUS", 3) != 0 && dst.Size() != int64_t(h.UncompressedSize)) __builtin_trap();
}

void RoundTrip(TCompress& c, const uint8_t* data, size_t size, uint8_t method) {
  TBytesStream src(data, size);
  TMemoryStream packed;
  c.CompressStream(packed, src, method);
  TBytesStream in(packed.Memory(), size_t(packed.Size()));
  TMemoryStream out;
  c.ExpandStream(out, in);
  if (out.Size() != int64_t(size) || (size && std::memcmp(out.Memory(), data, size) != 0)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  AddDefaultOptions(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0] % 8;
  ++data;
  --size;
  TCompress c;
  if (mode < 5) {
    // A header for method `mode`, then the coded data.
    if (size < 8) return 0;
    const uint32_t expanded = uint32_t(data[0]) | uint32_t(data[1]) << 8;
    const uint32_t checksumMode = data[3];
    const bool locked = data[4] & 1;
    data += 8;
    size -= 8;
    static const char* ids[] = {"NON", "RLE", "LZH", "CUS", "LH5"};
    TCompressHeader h{};
    std::memcpy(h.Signature, "VELK\x1A", 5);
    std::memcpy(h.MethodId, ids[mode], 3);
    h.UncompressedSize = expanded;
    h.Checksum = checksumMode & 1 ? Sum(data, size) : checksumMode;
    h.Flags = locked ? 2 : 0;
    if (locked) c.Key = 0x5A5A;
    std::vector<uint8_t> stream(sizeof h + size);
    std::memcpy(stream.data(), &h, sizeof h);
    if (size) std::memcpy(stream.data() + sizeof h, data, size);
    ExpandChecked(c, stream, true);
  } else if (mode == 5) {
    TCompressHeader h{};
    if (size >= sizeof h) std::memcpy(&h, data, sizeof h);
    if (h.UncompressedSize > kMostExpanded) return 0;
    ExpandChecked(c, std::vector<uint8_t>(data, data + size), true);
  } else if (size >= 1 && size <= kMostRoundTrip) {
    // One method per input, chosen by the next byte; mode 7 with a key.
    static const uint8_t methods[] = {cmRLE, cmLZH, cmLH5};
    const uint8_t method = methods[data[0] % 3];
    if (mode == 7) c.Key = int32_t(0x01020304);
    RoundTrip(c, data + 1, size - 1, method);
  }
  return 0;
}

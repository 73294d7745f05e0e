#include "codecs/gif_common.h"

#include <algorithm>
#include <cstring>

#include "platform/streams.h"

int BytesPerScanline(int pixels, int bitsPerPixel, int alignment) {
  const int64_t bits = int64_t(pixels) * bitsPerPixel + alignment - 1;
  return int((bits & ~int64_t(alignment - 1)) / 8);
}

int BitsForColors(int n) {
  if (n <= 0) return 0;
  if (n <= 2) return 1;
  int b = 1;
  while ((1 << b) < n) ++b;
  return b;
}

void StreamWriteByte(TStream& stream, uint8_t value) { stream.WriteBuffer(&value, 1); }

int StreamReadByte(TStream& stream) {
  uint8_t b;
  return stream.Read(&b, 1) == 1 ? b : -1;
}

void ReadExact(TStream& stream, void* buffer, int64_t count) {
  if (count <= 0) return;
  if (stream.Read(buffer, count) != count) RaiseGifError("Premature end of data");
}

void WriteSubBlocks(TStream& stream, const TStrings& lines) {
  for (const std::string& line : lines) {
    size_t pos = 0;
    while (pos < line.size()) {
      const size_t n = std::min<size_t>(255, line.size() - pos);
      uint8_t block[256];
      block[0] = uint8_t(n);
      std::memcpy(block + 1, line.data() + pos, n);
      stream.WriteBuffer(block, int64_t(n + 1));
      pos += n;
    }
  }
  StreamWriteByte(stream, 0);
}

void ReadSubBlocks(TStream& stream, TStrings& lines) {
  lines.clear();
  for (;;) {
    const int n = StreamReadByte(stream);
    if (n <= 0) break;
    std::string line(size_t(n), '\0');
    ReadExact(stream, line.data(), n);
    lines.push_back(std::move(line));
  }
}

void SkipSubBlocks(TStream& stream) {
  for (;;) {
    const int n = StreamReadByte(stream);
    if (n <= 0) break;
    stream.Seek(n, soCurrent);
  }
}

void RaiseGifError(const std::string& message) { throw GIFException(message); }

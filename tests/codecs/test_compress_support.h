// Payloads and helpers shared by the compression tests.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "codecs/compress.h"
#include "codecs/compress_coders.h"
#include "platform/streams.h"

namespace compress_test {

using Bytes = std::vector<uint8_t>;

inline Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = uint8_t(rng());
  return b;
}

// About 600 KB shaped like a saved document: mostly zero cell records with text, fonts and
// numbers scattered through them.
inline Bytes DocumentLike(size_t n = 600 * 1024) {
  Bytes b(n, 0);
  std::mt19937 rng(7);
  const char* words[] = {"Times New Roman", "Symbol", "ZQVSerif", "alpha", "x^2 + y^2 = r^2", "integral",
                         "sum", "Arial", "matrix", "equation", "dx/dt"};
  size_t pos = 64;
  while (pos + 80 < n) {
    // A 67-byte cell record: a character, a font name, a size, colours and flags.
    b[pos] = uint8_t('A' + rng() % 26);
    const std::string w = words[rng() % 11];
    std::copy(w.begin(), w.end(), b.begin() + long(pos) + 4);
    b[pos + 40] = uint8_t(rng() % 3 ? 12 : 10);
    b[pos + 44] = uint8_t(rng() % 4 == 0 ? 0xFF : 0);
    pos += 67 + (rng() % 8 == 0 ? 67 * (rng() % 40) : 0);
  }
  return b;
}

// English-like text from a word list.
inline Bytes EnglishLike(size_t n, uint32_t seed = 3) {
  static const char* words[] = {
      "the", "of", "and", "to", "in", "a", "is", "that", "for", "it", "as", "was", "with", "be", "by",
      "on", "not", "he", "this", "are", "or", "his", "from", "at", "which", "but", "have", "an", "had",
      "they", "you", "were", "their", "one", "all", "we", "can", "her", "has", "there", "been", "if",
      "more", "when", "will", "would", "who", "so", "no", "program", "license", "software", "copy",
      "distribute", "modify", "terms", "conditions", "work", "source", "code", "equation", "figure",
      "drawing", "page", "document", "number", "value", "between", "without", "under", "other"};
  std::mt19937 rng(seed);
  Bytes b;
  b.reserve(n + 32);
  int line = 0;
  bool capital = true;
  while (b.size() < n) {
    std::string w = words[rng() % (sizeof words / sizeof *words)];
    if (capital) w[0] = char(std::toupper(w[0])), capital = false;
    for (char c : w) b.push_back(uint8_t(c));
    line += int(w.size()) + 1;
    const unsigned r = rng() % 16;
    if (r == 0) {
      b.push_back('.');
      capital = true;
    } else if (r == 1) {
      b.push_back(',');
    }
    if (line > 68) {
      b.push_back('\n');
      line = 0;
    } else {
      b.push_back(' ');
    }
  }
  b.resize(n);
  return b;
}

// Runs one coder directly on the working state, without the container around it. With
// checkOverrun, an expansion that needed input beyond the end fails as the container would.
inline Bytes CodeDirect(bool compressing, int method, const Bytes& in, uint32_t size = 0, bool checkOverrun = true) {
  TCompThreadSafety s;
  TBytesStream src(in.data(), in.size());
  TMemoryStream dst;
  s.InStream = &src;
  s.OutStream = &dst;
  s.InBuf = std::make_unique<uint8_t[]>(TCompThreadSafety::BufferSize);
  s.OutBuf = std::make_unique<uint8_t[]>(TCompThreadSafety::BufferSize);
  s.BytesLeft = int64_t(in.size());
  s.Budget = INT64_MAX;
  switch (method) {
    case cmNON: StoreCopy(s); break;
    case cmRLE: compressing ? RLECompress(s) : RLEExpand(s); break;
    case cmLZH: compressing ? LZHCompress(s) : LZHExpand(s, size); break;
    case cmLH5: compressing ? LH5Compress(s) : LH5Expand(s, size); break;
  }
  s.FlushOutput();
  if (checkOverrun && !compressing && s.InputOverrun) throw EBadChecksum("overrun");
  return dst.Data;
}

}  // namespace compress_test

// Method "LZH": LZSS over a 4096-byte ring (matches of 3 to 60 bytes) with adaptive Huffman coding
// of literals and match lengths (314 symbols) and a fixed prefix code for the upper 6 bits of the
// match distance. The match finder keeps the strings in binary search trees whose roots are
// chosen by the first byte and a 4-bit hash of the next two.
#include <algorithm>
#include <cstring>

#include "codecs/compress_coders.h"

using namespace lzh;

namespace {

// The fixed prefix code of the upper 6 bits of a distance: value 0 has 3 bits, 1..3 have 4,
// 4..11 have 5, 12..23 have 6, 24..47 have 7 and 48..63 have 8; canonical, shortest first.
struct TPositionCode {
  uint8_t Len[64];
  uint8_t Code[64];     // left-aligned in 8 bits
  uint8_t DCode[256];   // by first byte: the value
  uint8_t DLen[256];    // by first byte: the code length
  TPositionCode() {
    static const int counts[9] = {0, 0, 0, 1, 3, 8, 12, 24, 16};
    int value = 0;
    unsigned code = 0;
    for (int len = 3; len <= 8; ++len) {
      for (int k = 0; k < counts[len]; ++k, ++value, ++code) {
        Len[value] = uint8_t(len);
        Code[value] = uint8_t(code << (8 - len));
        for (unsigned b = 0; b < (1u << (8 - len)); ++b) {
          DCode[(code << (8 - len)) | b] = uint8_t(value);
          DLen[(code << (8 - len)) | b] = uint8_t(len);
        }
      }
      code <<= 1;
    }
  }
};
const TPositionCode PositionCode;

// -- adaptive Huffman tree, shared by both directions

void StartHuff(TLZHState& h) {
  for (int i = 0; i < NChar; ++i) {
    h.Freq[i] = 1;
    h.Son[i] = uint16_t(i + T);
    h.Prnt[i + T] = uint16_t(i);
  }
  int i = 0;
  for (int j = NChar; j <= R; ++j, i += 2) {
    h.Freq[j] = uint16_t(h.Freq[i] + h.Freq[i + 1]);
    h.Son[j] = uint16_t(i);
    h.Prnt[i] = h.Prnt[i + 1] = uint16_t(j);
  }
  h.Freq[T] = 0xFFFF;
  h.Prnt[R] = 0;
}

// Rebuilds the tree with halved frequencies.
void Reconst(TLZHState& h) {
  int j = 0;
  for (int i = 0; i < T; ++i) {
    if (h.Son[i] >= T) {
      h.Freq[j] = uint16_t((h.Freq[i] + 1) / 2);
      h.Son[j] = h.Son[i];
      ++j;
    }
  }
  for (int i = 0, j2 = NChar; j2 < T; i += 2, ++j2) {
    const unsigned f = unsigned(h.Freq[i]) + h.Freq[i + 1];
    h.Freq[j2] = uint16_t(f);
    int k = j2 - 1;
    while (f < h.Freq[k]) --k;
    ++k;
    const size_t l = size_t(j2 - k);
    std::memmove(&h.Freq[k + 1], &h.Freq[k], l * sizeof(uint16_t));
    h.Freq[k] = uint16_t(f);
    std::memmove(&h.Son[k + 1], &h.Son[k], l * sizeof(uint16_t));
    h.Son[k] = uint16_t(i);
  }
  for (int i = 0; i < T; ++i) {
    const int k = h.Son[i];
    if (k >= T)
      h.Prnt[k] = uint16_t(i);
    else
      h.Prnt[k] = h.Prnt[k + 1] = uint16_t(i);
  }
}

void Update(TLZHState& h, int c) {
  if (h.Freq[R] == MaxFreq) Reconst(h);
  c = h.Prnt[c + T];
  do {
    const unsigned k = ++h.Freq[c];
    int l = c + 1;
    if (k > h.Freq[l]) {
      while (k > h.Freq[++l]) {
      }
      --l;
      h.Freq[c] = h.Freq[l];
      h.Freq[l] = uint16_t(k);

      const int i = h.Son[c];
      h.Prnt[i] = uint16_t(l);
      if (i < T) h.Prnt[i + 1] = uint16_t(l);

      const int j = h.Son[l];
      h.Son[l] = uint16_t(i);

      h.Prnt[j] = uint16_t(c);
      if (j < T) h.Prnt[j + 1] = uint16_t(c);
      h.Son[c] = uint16_t(j);

      c = l;
    }
  } while ((c = h.Prnt[c]) != 0);
}

// ======================================================================== encoder

class TLZHEncoder {
public:
  TLZHEncoder(TCompThreadSafety& s, TLZHState& h) : s(s), h(h), Bits(s) {}
  void Run();

private:
  TCompThreadSafety& s;
  TLZHState& h;
  TCompressBitWriter Bits;

  int RootOf(int r) const {
    const int c1 = h.TextBuf[r + 1], c2 = h.TextBuf[r + 2];
    const int x = c1 ^ c2;
    const int hash = (x & 15) ^ (x >> 4);
    return N + 1 + h.TextBuf[r] + 256 * hash;
  }
  void InitTree();
  void InsertNode(int r);
  void DeleteNode(int p);
  void EncodeChar(int c);
  void EncodePosition(unsigned c);
};

void TLZHEncoder::InitTree() {
  for (int i = N + 1; i <= N + RootCount; ++i) h.RSon[i] = Nil;
  for (int i = 0; i < N; ++i) h.Dad[i] = Nil;
}

void TLZHEncoder::InsertNode(int r) {
  int cmp = 1;
  const uint8_t* key = &h.TextBuf[r];
  int p = RootOf(r);
  h.RSon[r] = h.LSon[r] = Nil;
  h.MatchLength = 0;
  for (;;) {
    if (cmp >= 0) {
      if (h.RSon[p] != Nil) {
        p = h.RSon[p];
      } else {
        h.RSon[p] = int16_t(r);
        h.Dad[r] = int16_t(p);
        return;
      }
    } else {
      if (h.LSon[p] != Nil) {
        p = h.LSon[p];
      } else {
        h.LSon[p] = int16_t(r);
        h.Dad[r] = int16_t(p);
        return;
      }
    }
    const uint8_t* other = &h.TextBuf[p];
    int i;
    for (i = 1; i < F; ++i)
      if ((cmp = int(key[i]) - int(other[i])) != 0) break;
    if (i > Threshold) {
      const int d = ((r - p) & (N - 1)) - 1;
      if (i > h.MatchLength) {
        h.MatchPosition = d;
        if ((h.MatchLength = i) >= F) break;
      } else if (i == h.MatchLength && d < h.MatchPosition) {
        h.MatchPosition = d;
      }
    }
  }
  // A match of the longest length: r takes p's place in the tree.
  h.Dad[r] = h.Dad[p];
  h.LSon[r] = h.LSon[p];
  h.RSon[r] = h.RSon[p];
  h.Dad[h.LSon[p]] = int16_t(r);
  h.Dad[h.RSon[p]] = int16_t(r);
  if (h.RSon[h.Dad[p]] == p)
    h.RSon[h.Dad[p]] = int16_t(r);
  else
    h.LSon[h.Dad[p]] = int16_t(r);
  h.Dad[p] = Nil;
}

void TLZHEncoder::DeleteNode(int p) {
  if (h.Dad[p] == Nil) return;
  int q;
  if (h.RSon[p] == Nil) {
    q = h.LSon[p];
  } else if (h.LSon[p] == Nil) {
    q = h.RSon[p];
  } else {
    q = h.LSon[p];
    if (h.RSon[q] != Nil) {
      do {
        q = h.RSon[q];
      } while (h.RSon[q] != Nil);
      h.RSon[h.Dad[q]] = h.LSon[q];
      h.Dad[h.LSon[q]] = h.Dad[q];
      h.LSon[q] = h.LSon[p];
      h.Dad[h.LSon[p]] = int16_t(q);
    }
    h.RSon[q] = h.RSon[p];
    h.Dad[h.RSon[p]] = int16_t(q);
  }
  h.Dad[q] = h.Dad[p];
  if (h.RSon[h.Dad[p]] == p)
    h.RSon[h.Dad[p]] = int16_t(q);
  else
    h.LSon[h.Dad[p]] = int16_t(q);
  h.Dad[p] = Nil;
}

void TLZHEncoder::EncodeChar(int c) {
  // Walk from the leaf up to the root; the bit of the node nearest the root goes first.
  uint64_t code = 0;
  int len = 0;
  int k = h.Prnt[c + T];
  do {
    code |= uint64_t(k & 1) << len;
    ++len;
  } while ((k = h.Prnt[k]) != R);
  // Long codes go out in pieces of 16 bits, most significant first.
  while (len > 16) {
    Bits.Put(16, uint32_t(code >> (len - 16)));
    len -= 16;
  }
  Bits.Put(len, uint32_t(code));
  Update(h, c);
}

void TLZHEncoder::EncodePosition(unsigned c) {
  const unsigned i = c >> 6;
  Bits.Put(PositionCode.Len[i], PositionCode.Code[i] >> (8 - PositionCode.Len[i]));
  Bits.Put(6, c & 0x3F);
}

void TLZHEncoder::Run() {
  StartHuff(h);
  InitTree();
  std::memset(h.TextBuf, 0, sizeof h.TextBuf);
  int s0 = 0;
  int r = N - F;
  std::memset(h.TextBuf, ' ', size_t(r));
  int len = 0;
  for (; len < F; ++len) {
    const uint8_t c = s.ReadSourceByte();
    if (s.EndOfInput) break;
    h.TextBuf[r + len] = c;
  }
  if (len == 0) return;
  for (int i = 1; i <= F; ++i) InsertNode(r - i);
  InsertNode(r);
  bool inputDone = false;
  do {
    if (h.MatchLength > len) h.MatchLength = len;
    if (h.MatchLength <= Threshold) {
      h.MatchLength = 1;
      EncodeChar(h.TextBuf[r]);
    } else {
      EncodeChar(255 - Threshold + h.MatchLength);
      EncodePosition(unsigned(h.MatchPosition));
    }
    const int lastMatchLength = h.MatchLength;
    int i = 0;
    for (; i < lastMatchLength && !inputDone; ++i) {
      const uint8_t c = s.ReadSourceByte();
      if (s.EndOfInput) {
        inputDone = true;
        break;
      }
      DeleteNode(s0);
      h.TextBuf[s0] = c;
      if (s0 < F - 1) h.TextBuf[s0 + N] = c;
      s0 = (s0 + 1) & (N - 1);
      r = (r + 1) & (N - 1);
      InsertNode(r);
    }
    while (i++ < lastMatchLength) {
      DeleteNode(s0);
      s0 = (s0 + 1) & (N - 1);
      r = (r + 1) & (N - 1);
      if (--len) InsertNode(r);
    }
  } while (len > 0);
  Bits.Flush();
}

// ======================================================================== decoder

void Expand(TCompThreadSafety& s, TLZHState& h, uint32_t size) {
  TCompressBitReader bits(s);
  StartHuff(h);
  std::memset(h.TextBuf, 0, sizeof h.TextBuf);
  std::memset(h.TextBuf, ' ', N - F);
  int r = N - F;
  uint8_t out[4096] = {};  // zeroed: a partly filled block is written at the end
  int outLen = 0;
  uint64_t count = 0;
  while (count < size) {
    if (bits.Count < 48) {
      bits.Refill();
      if (bits.Overrun()) break;
    }
    // Character or length: walk down from the root, one bit per level.
    unsigned c = h.Son[R];
    while (c < unsigned(T)) {
      if (bits.Count < 1) bits.Refill();
      c += unsigned(bits.Get(1));
      c = h.Son[c];
    }
    c -= T;
    Update(h, int(c));
    if (c < 256) {
      out[outLen++] = uint8_t(c);
      h.TextBuf[r] = uint8_t(c);
      r = (r + 1) & (N - 1);
      ++count;
    } else {
      if (bits.Count < 16) bits.Refill();
      unsigned i = bits.Get(8);
      const unsigned upper = unsigned(PositionCode.DCode[i]) << 6;
      const int extra = PositionCode.DLen[i] - 2;
      i = (i << extra) | bits.Get(extra);
      const unsigned d = upper | (i & 0x3F);
      unsigned from = (unsigned(r) - d - 1) & (N - 1);
      const int j = int(c) - 255 + Threshold;
      for (int k = 0; k < j; ++k) {
        const uint8_t b = h.TextBuf[from];
        from = (from + 1) & (N - 1);
        out[outLen++] = b;
        h.TextBuf[r] = b;
        r = (r + 1) & (N - 1);
      }
      count += uint64_t(j);
    }
    if (outLen > int(sizeof out) - F) {
      s.WriteDestBlock(out, outLen);
      outLen = 0;
    }
  }
  s.WriteDestBlock(out, outLen);
  if (bits.Overrun()) s.InputOverrun = true;
}

}  // namespace

void LZHCompress(TCompThreadSafety& s) {
  s.LZH = std::make_unique<TLZHState>();
  TLZHEncoder(s, *s.LZH).Run();
  s.LZH.reset();
}

void LZHExpand(TCompThreadSafety& s, uint32_t uncompressedSize) {
  if (uncompressedSize == 0) return;
  s.LZH = std::make_unique<TLZHState>();
  Expand(s, *s.LZH, uncompressedSize);
  s.LZH.reset();
}

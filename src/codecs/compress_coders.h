// Shared pieces of the dictionary coders: the bit reader over the container's byte reader and the
// tables the "LZH" and "LH5" coders keep in the working state.
#pragma once

#include <cstdint>
#include <vector>

#include "codecs/compress.h"

// Reads bits most significant first from the container's input. Past the end of the input it
// delivers zero bits and counts them, so that a decoder can tell a cut stream from a whole one.
struct TCompressBitReader {
  explicit TCompressBitReader(TCompThreadSafety& state) : s(state) {}

  TCompThreadSafety& s;
  uint64_t Buf = 0;    // the next bits, most significant first
  int Count = 0;       // valid bits in Buf
  int64_t ZeroBytes = 0;  // bytes supplied after the input ended
  bool Ended = false;

  // Fills Buf to at least 57 valid bits.
  inline void Refill() {
    while (Count <= 56) {
      uint8_t b = 0;
      if (!Ended) {
        b = s.ReadSourceByte();
        if (s.EndOfInput) {
          Ended = true;
          b = 0;
        }
      }
      if (Ended) ++ZeroBytes;
      Buf |= uint64_t(b) << (56 - Count);
      Count += 8;
    }
  }
  // n = 1..32; needs n valid bits.
  inline uint32_t Peek(int n) const { return uint32_t(Buf >> (64 - n)); }
  inline void Skip(int n) {
    Buf <<= n;
    Count -= n;
  }
  // n = 0..32.
  inline uint32_t Get(int n) {
    if (n == 0) return 0;
    if (Count < n) Refill();
    const uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  // More bits were consumed than the input held.
  bool Overrun() const { return ZeroBytes * 8 > Count; }
};

// Writes bits most significant first to the container's output, byte by byte.
struct TCompressBitWriter {
  explicit TCompressBitWriter(TCompThreadSafety& state) : s(state) {}

  TCompThreadSafety& s;
  uint64_t Acc = 0;
  int Count = 0;  // pending bits in the low end of Acc

  // n = 0..32.
  inline void Put(int n, uint32_t value) {
    if (n == 0) return;
    Acc = (Acc << n) | (value & (n == 32 ? 0xFFFFFFFFu : ((1u << n) - 1)));
    Count += n;
    while (Count >= 8) {
      Count -= 8;
      s.WriteDestByte(uint8_t(Acc >> Count));
    }
  }
  // Writes the last partial byte padded with zero bits.
  void Flush() {
    if (Count > 0) Put(8 - Count, 0);
  }
};

// ---- "LH5": LHA -lh5- (8 KB dictionary, static Huffman blocks)

namespace lh5 {
constexpr int DicBit = 13;
constexpr int DicSize = 1 << DicBit;  // 8192
constexpr int MaxMatch = 256;
constexpr int Threshold = 3;
constexpr int NC = 255 + MaxMatch + 2 - Threshold;  // 510 characters and lengths
constexpr int NP = DicBit + 1;                      // 14 position classes
constexpr int NT = 16 + 3;                          // 19 pre-tree symbols
constexpr int CBit = 9;
constexpr int PBit = 4;
constexpr int TBit = 5;
constexpr int NPT = NT;  // the larger of NT and NP
constexpr int BlockBufSize = 16384;
// Encoder: the farthest distance it uses, the sliding text (one dictionary of history, the stretch
// being parsed and its look-ahead), the hash table of the match finder and the parse stretch.
constexpr int MaxDistance = DicSize - 1;
constexpr int EncodeBufSize = 1 << 17;
constexpr int HashBits = 13;
constexpr int HashSize = 1 << HashBits;
constexpr int Hash3Bits = 12;
constexpr int ParseChunk = 4096;
// Decoder window: 8 KB of history followed by a stretch of fresh output written out in one go.
constexpr int DecodeChunk = 1 << 16;
}  // namespace lh5

struct TLH5State {
  // Decoder tables.
  uint8_t CLen[lh5::NC];
  uint8_t PtLen[lh5::NPT];
  uint16_t CTable[4096];
  uint16_t PtTable[256];
  uint16_t CLeft[2 * lh5::NC], CRight[2 * lh5::NC];
  uint16_t PtLeft[2 * lh5::NPT], PtRight[2 * lh5::NPT];
  std::vector<uint8_t> Window;

  // Encoder: sliding text and hash-chain match finder. Positions are indexes into Text; Head holds
  // the latest position of each hash, ChainPrev (indexed by position modulo the dictionary) the
  // one before it with the same hash; -1 ends a chain.
  uint8_t Text[lh5::EncodeBufSize + 16];
  int32_t Head[lh5::HashSize];
  int32_t ChainPrev[lh5::DicSize];
  int32_t Head3[1 << lh5::Hash3Bits];  // the latest position of each three-byte string
  int Pos = 0, Fill = 0;   // next position to code; end of the bytes read
  bool AtEnd = false;      // the input is used up
  int RunStart = 0, RunEnd = 0;  // a stretch of equal bytes around the last inserted position

  // Encoder: the parse of one stretch (cheapest cost of reaching each offset and the last step
  // of that path) and the estimated bit costs of the symbols.
  uint32_t ArrivalCost[lh5::ParseChunk + 1];
  uint16_t ArrivalLen[lh5::ParseChunk + 1];
  uint16_t ArrivalDist[lh5::ParseChunk + 1];
  uint16_t PathLen[lh5::ParseChunk];
  uint16_t PathDist[lh5::ParseChunk];
  uint8_t SymbolCost[lh5::NC];
  uint8_t PosClassCost[lh5::NP];

  // Encoder: block buffer and Huffman trees.
  uint8_t Buf[lh5::BlockBufSize];
  int OutputPos = 0, OutputMask = 0, CPos = 0;
  uint16_t CFreq[2 * lh5::NC - 1];
  uint16_t PFreq[2 * lh5::NP - 1];
  uint16_t TFreq[2 * lh5::NT - 1];
  uint8_t ECLen[lh5::NC];
  uint8_t EPtLen[lh5::NPT];
  uint16_t CCode[lh5::NC];
  uint16_t PtCode[lh5::NPT];
  uint16_t TreeLeft[2 * lh5::NC - 1], TreeRight[2 * lh5::NC - 1];
  int16_t Heap[lh5::NC + 1];
  uint16_t LenCnt[17];
};

// ---- "LZH": LZSS over a 4 KB ring with adaptive Huffman coding

namespace lzh {
constexpr int N = 4096;
constexpr int F = 60;
constexpr int Threshold = 2;
constexpr int Nil = N;
constexpr int NChar = 256 - Threshold + F;  // 314
constexpr int T = NChar * 2 - 1;            // 627
constexpr int R = T - 1;                    // 626
constexpr unsigned MaxFreq = 0x8000;
constexpr int RootCount = 4096;
}  // namespace lzh

struct TLZHState {
  uint8_t TextBuf[lzh::N + lzh::F - 1];
  int16_t LSon[lzh::N + 1 + lzh::RootCount];
  int16_t RSon[lzh::N + 1 + lzh::RootCount];
  int16_t Dad[lzh::N + 1 + lzh::RootCount];
  int MatchPosition = 0, MatchLength = 0;
  uint16_t Freq[lzh::T + 1];
  uint16_t Son[lzh::T];
  uint16_t Prnt[lzh::T + lzh::NChar];
};

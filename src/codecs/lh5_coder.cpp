// Method "LH5": the LHA -lh5- format. LZ77 over an 8 KB sliding dictionary (matches of 3 to 256
// bytes) with static Huffman coding in blocks: each block carries its own character/length tree
// (510 symbols, lengths sent through a 19-symbol pre-tree) and position tree (14 symbols).
//
// The encoder finds matches with hash chains and chooses among them by the code lengths of the
// previous block (see the parser below). The decoder decodes most symbols with one look-up in a
// 12-bit (characters) or 8-bit (positions, pre-tree) table.
#include <algorithm>
#include <bit>
#include <cstring>

#include "codecs/compress_coders.h"

using namespace lh5;

namespace {

const char* const MsgBadTable = "Bad decode table in archive!";

[[noreturn]] void BadTable() { throw ELZHBadDecodeTable(MsgBadTable); }

// ======================================================================== encoder

struct TMatch {
  int Len;
  int Dist;
};

class TLH5Encoder {
public:
  TLH5Encoder(TCompThreadSafety& s, TLH5State& e) : s(s), e(e), Bits(s) {}

  void Run();

private:
  TCompThreadSafety& s;
  TLH5State& e;
  TCompressBitWriter Bits;
  int TreeN = 0, HeapSize = 0, Depth = 0;
  int BlocksSent = 0;
  uint16_t* TreeFreq = nullptr;
  uint8_t* TreeLen = nullptr;
  uint16_t* SortPtr = nullptr;

  // -- match finder
  void ReadMore();
  int RunLength(int p);
  uint32_t HashOf(int p, int run) const;
  void Insert(int p);
  void InsertRange(int from, int stop);
  int FindMatches(int p, int maxLen, TMatch* out);

  // -- parser
  void InitCosts();
  void UpdateCosts();
  void CostsFromCounts();
  uint32_t DistCost(int dist) const {
    const unsigned v = unsigned(dist - 1);
    const int c = v ? 32 - __builtin_clz(v) : 0;
    return e.PosClassCost[c] + (c > 1 ? unsigned(c - 1) : 0u);
  }
  void ParseStretch();
  void EmitPath(int start, int k);

  // -- Huffman
  void Output(unsigned c, unsigned p);
  void SendBlock();
  int MakeTree(int n, uint16_t* freq, uint8_t* len, uint16_t* code);
  void DownHeap(int i);
  void CountLen(int i);
  void MakeLen(int root);
  void MakeCode(int n, const uint8_t* len, uint16_t* code);
  void CountTFreq();
  void WritePtLen(int n, int nbit, int special);
  void WriteCLen();
  void EncodeC(int c) { Bits.Put(e.ECLen[c], e.CCode[c]); }
  void EncodeP(unsigned p) {
    const unsigned c = unsigned(std::bit_width(p));
    Bits.Put(e.EPtLen[c], e.PtCode[c]);
    if (c > 1) Bits.Put(int(c - 1), p & (0xFFFFu >> (17 - c)));
  }
};

// The match finder keeps hash chains over the last 8191 positions. A position whose next three
// bytes differ is chained under a hash of its next four bytes, and the nearest position with the
// same three bytes is kept in a table of its own (Head3). A position inside a stretch of one repeated
// byte is chained under that byte and the number of repeats left from it (up to 256) instead: a
// later string of n repeats followed by something else can only be matched beyond the n repeats
// by a position with exactly n repeats left, so those share a chain, and long zero-filled areas
// do not bury every other candidate of "000" under thousands of positions.
namespace {
constexpr int MaxChain = 12;   // candidates looked at per position
constexpr int RunChain = 128;  // the same in a chain of repeats (mostly cheap to reject)
constexpr int GoodLen = 64;    // past this length, only a quarter of the chain is searched
constexpr int NiceLen = 48;    // a match this long ends the search and is taken at once
constexpr int SkipLen = 8;     // the positions inside a match this long are not searched
}  // namespace

// Reads more input, sliding the text down first when the buffer is full. Keeps at least one
// dictionary of history before Pos; the shift is a multiple of the dictionary size, so positions
// keep their chain slots.
void TLH5Encoder::ReadMore() {
  if (e.AtEnd) return;
  if (e.Fill > EncodeBufSize - ParseChunk - 2 * MaxMatch) {
    const int shift = (e.Pos - DicSize) & ~(DicSize - 1);
    if (shift > 0) {
      std::memmove(&e.Text[0], &e.Text[shift], size_t(e.Fill - shift));
      e.Fill -= shift;
      e.Pos -= shift;
      for (int32_t& h : e.Head) h = h >= shift ? h - shift : -1;
      for (int32_t& h : e.ChainPrev) h = h >= shift ? h - shift : -1;
      for (int32_t& h : e.Head3) h = h >= shift ? h - shift : -1;
      e.RunStart = e.RunEnd = 0;
    }
  }
  const int want = EncodeBufSize - e.Fill;
  const int n = s.ReadSourceBlock(&e.Text[e.Fill], want);
  e.Fill += n;
  // The hashes look at up to four bytes, which may lie past the end of the input.
  std::memset(&e.Text[e.Fill], 0, 16);
  if (n < want) e.AtEnd = true;
}

// The first offset from `from` on (at most limit) whose byte is not b, eight bytes at a time.
inline int ScanRepeats(const uint8_t* t, int from, int limit, uint8_t b) {
  const uint64_t pattern = 0x0101010101010101ull * b;
  if constexpr (std::endian::native == std::endian::little) {
    while (from + 8 <= limit) {
      uint64_t x;
      std::memcpy(&x, t + from, 8);
      if (x != pattern) return from + (__builtin_ctzll(x ^ pattern) >> 3);
      from += 8;
    }
  }
  while (from < limit && t[from] == b) ++from;
  return from;
}

// The number of bytes from p on equal to Text[p], at most MaxMatch. Positions are asked in
// increasing order, so the end of the current stretch is found once.
inline int TLH5Encoder::RunLength(int p) {
  if (p < e.RunStart || p >= e.RunEnd) {
    e.RunStart = p;
    e.RunEnd = p + 1;
  }
  const uint8_t b = e.Text[p];
  const int limit = std::min(e.Fill, p + MaxMatch);
  if (e.RunEnd < limit) e.RunEnd = ScanRepeats(e.Text, e.RunEnd, limit, b);
  return std::min(e.RunEnd - p, MaxMatch);
}

inline uint32_t Load32(const uint8_t* t) {
  uint32_t v;
  std::memcpy(&v, t, 4);
  return v;
}

inline uint32_t Hash3(const uint8_t* t) { return ((Load32(t) << 8) * 2654435761u) >> (32 - Hash3Bits); }

inline uint32_t TLH5Encoder::HashOf(int p, int run) const {
  const uint8_t* t = &e.Text[p];
  if (run >= Threshold) return ((0x01000000u | (uint32_t(run) << 8) | t[0]) * 2654435761u) >> (32 - HashBits);
  return (Load32(t) * 0x9E3779B1u) >> (32 - HashBits);
}

// Enters p into its chain (p has at least three bytes after it).
inline void TLH5Encoder::Insert(int p) {
  const int run = RunLength(p);
  // Deep inside a long stretch of repeats any position gives the longest match; every 64th is
  // enough to keep one near.
  if (run == MaxMatch && (p & 63) != 0 && e.Text[p - 1] == e.Text[p]) return;  // p > 0 here
  const uint32_t h = HashOf(p, run);
  e.ChainPrev[p & (DicSize - 1)] = e.Head[h];
  e.Head[h] = p;
  if (run < Threshold) e.Head3[Hash3(&e.Text[p])] = p;
}

// Enters the positions from..stop-1 into their chains. Deep inside a stretch of repeats only
// every 64th position is entered (see Insert), so the ones between are stepped over.
void TLH5Encoder::InsertRange(int from, int stop) {
  int end = 0;  // the end of the stretch of repeats q is in, once found
  for (int q = from; q < stop; ++q) {
    const uint8_t b = e.Text[q];
    if (q >= end && e.Text[q - 1] == b) {
      const int limit = std::min(stop + MaxMatch, e.Fill);
      end = ScanRepeats(e.Text, q + 1, limit, b);
      const int deep = std::min(end - MaxMatch + 1, stop);  // positions before it have MaxMatch left
      if (deep > q + 1) {
        for (int r = (q + 63) & ~63; r < deep; r += 64) Insert(r);
        q = deep - 1;
        continue;
      }
    }
    Insert(q);
  }
}

inline int MatchLength(const uint8_t* a, const uint8_t* b, int maxLen) {
  int len = 0;
  if constexpr (std::endian::native == std::endian::little) {
    while (len + 8 <= maxLen) {
      uint64_t x, y;
      std::memcpy(&x, a + len, 8);
      std::memcpy(&y, b + len, 8);
      if (x != y) return len + (__builtin_ctzll(x ^ y) >> 3);
      len += 8;
    }
  }
  while (len < maxLen && a[len] == b[len]) ++len;
  return len;
}

// Enters p into its chain and lists the matches for the string at p (3 <= maxLen bytes available):
// each longer than the one before and at the nearest distance found for its length. Returns their
// number.
int TLH5Encoder::FindMatches(int p, int maxLen, TMatch* out) {
  const int run = RunLength(p);
  const uint32_t h = HashOf(p, run);
  int cand = e.Head[h];
  e.ChainPrev[p & (DicSize - 1)] = cand;
  e.Head[h] = p;

  const uint8_t* cur = &e.Text[p];
  const int limit = std::max(p - MaxDistance, 0);
  int best = Threshold - 1;
  int n = 0;
  if (run >= Threshold) {
    // Repeats: the previous byte gives them all at the cheapest distance; the chain holds the
    // positions with the same number of repeats left, which may match further.
    const int r = std::min(run, maxLen);
    if (p - 1 >= limit && e.Text[p - 1] == cur[0]) {
      best = r;
      out[n++] = {r, 1};
    } else if (run < MaxMatch) {
      // Any position with more repeats left gives them too.
      const int c = e.Head[HashOf(p, MaxMatch)];
      if (c >= limit && c < p && e.Text[c] == cur[0] && MatchLength(&e.Text[c], cur, r) == r) {
        best = r;
        out[n++] = {r, p - c};
      }
    }
    if (best >= maxLen) return n;
  } else {
    // The chains hold strings of four equal bytes; the nearest string of three comes from its own
    // table.
    int32_t& h3 = e.Head3[Hash3(cur)];
    const int c = h3;
    h3 = p;
    if (c >= limit && c < p && e.Text[c] == cur[0] && e.Text[c + 1] == cur[1] && e.Text[c + 2] == cur[2]) {
      best = MatchLength(&e.Text[c], cur, maxLen);
      out[n++] = {best, p - c};
      if (best >= maxLen || best >= NiceLen) return n;
    }
  }
  const int depth = run >= Threshold ? RunChain : MaxChain;
  int chain = best >= GoodLen ? depth / 4 : depth;
  while (cand >= limit && chain-- > 0) {
    const uint8_t* m = &e.Text[cand];
    if (m[best] == cur[best] && Load32(m) == Load32(cur)) {
      const int len = MatchLength(m, cur, maxLen);
      if (len > best) {
        best = len;
        out[n++] = {len, p - cand};
        if (len >= maxLen || len >= NiceLen) break;
        if (len >= GoodLen && chain > depth / 4) chain = depth / 4;
      }
    }
    cand = e.ChainPrev[cand & (DicSize - 1)];
  }
  return n;
}

// -- parser: the cheapest way, by the code lengths of the last block sent, to code each stretch
// of up to ParseChunk bytes as literals and matches. A match of NiceLen or more ends the stretch
// and is taken as it is, and the positions inside a match of SkipLen or more (but the last) are
// only chained, not searched: this keeps text and long repeats fast, at a small cost in size.

void TLH5Encoder::InitCosts() {
  for (int c = 0; c < 256; ++c) e.SymbolCost[c] = 8;
  for (int l = Threshold; l <= MaxMatch; ++l) {
    int b = 0;
    for (unsigned v = unsigned(l - Threshold + 1); v; v >>= 1) ++b;
    e.SymbolCost[l + 256 - Threshold] = uint8_t(3 + 2 * b);
  }
  for (int c = 0; c < NP; ++c) e.PosClassCost[c] = 4;
}

// Takes the code lengths of the block just sent as the costs of the next one. Symbols the block
// did not use get a price above its longest code.
void TLH5Encoder::UpdateCosts() {
  int longest = 0;
  for (int i = 0; i < NC; ++i) longest = std::max<int>(longest, e.ECLen[i]);
  if (longest == 0) {
    InitCosts();
    return;
  }
  for (int i = 0; i < NC; ++i) e.SymbolCost[i] = uint8_t(e.ECLen[i] ? e.ECLen[i] : longest + 2);
  longest = 0;
  for (int i = 0; i < NP; ++i) longest = std::max<int>(longest, e.EPtLen[i]);
  for (int i = 0; i < NP; ++i) e.PosClassCost[i] = uint8_t(e.EPtLen[i] ? e.EPtLen[i] : longest ? longest + 2 : 4);
}

// Before the first block is sent, the counts of the symbols coded so far give the costs.
void TLH5Encoder::CostsFromCounts() {
  // log2 to about a hundredth of a bit, which is all a rounded cost needs.
  auto log2 = [](unsigned v) {
    const int e = std::bit_width(v) - 1;
    const float x = float(v) / float(uint64_t(1) << e) - 1.0f;  // 0 <= x < 1
    return float(e) + x * (1.3465f - 0.3465f * x);
  };
  unsigned total = 0;
  for (int i = 0; i < NC; ++i) total += e.CFreq[i];
  if (total < 64) return;
  const float lt = log2(total);
  for (int i = 0; i < NC; ++i) {
    const float c = e.CFreq[i] ? lt - log2(e.CFreq[i]) : lt + 2;
    e.SymbolCost[i] = uint8_t(std::clamp(int(c + 0.5f), 1, 18));
  }
  total = 0;
  for (int i = 0; i < NP; ++i) total += e.PFreq[i];
  if (total < 16) return;
  const float lp = log2(total);
  for (int i = 0; i < NP; ++i) {
    const float c = e.PFreq[i] ? lp - log2(e.PFreq[i]) : lp + 2;
    e.PosClassCost[i] = uint8_t(std::clamp(int(c + 0.5f), 1, 18));
  }
}

// Outputs the cheapest path from start to offset k of the current stretch.
void TLH5Encoder::EmitPath(int start, int k) {
  int n = 0;
  while (k > 0) {
    const int len = e.ArrivalLen[k];
    e.PathLen[n] = uint16_t(len);
    e.PathDist[n] = e.ArrivalDist[k];
    ++n;
    k -= len;
  }
  int p = start;
  while (n > 0) {
    --n;
    const int len = e.PathLen[n];
    if (len == 1)
      Output(e.Text[p], 0);
    else
      Output(unsigned(len + 256 - Threshold), unsigned(e.PathDist[n] - 1));
    p += len;
  }
}

void TLH5Encoder::ParseStretch() {
  const int start = e.Pos;
  const int end = std::min(start + ParseChunk, e.Fill);
  const int span = end - start;
  e.ArrivalCost[0] = 0;
  int cleared = 0;  // the offsets up to here have their costs set; those past it are unreached
  TMatch m[MaxMatch];
  int reach = 0;  // the farthest offset a match found in this stretch reaches
  int skip = 0;   // positions before this offset are entered into the chains but not searched
  for (int k = 0; k < span; ++k) {
    const int p = start + k;
    const int maxLen = std::min(MaxMatch, span - k);
    // Offsets are cleared only as far as a match from here can reach: a stretch cut short by a
    // long match does not pay for the rest.
    if (const int need = std::min(span, k + MaxMatch); need > cleared) {
      std::fill(&e.ArrivalCost[cleared + 1], &e.ArrivalCost[need + 1], UINT32_MAX);
      cleared = need;
    }
    const uint32_t base = e.ArrivalCost[k];
    const uint32_t lit = base + e.SymbolCost[e.Text[p]];
    if (lit < e.ArrivalCost[k + 1]) {
      e.ArrivalCost[k + 1] = lit;
      e.ArrivalLen[k + 1] = 1;
    }
    if (maxLen < Threshold) {
      if (p + Threshold <= e.Fill) Insert(p);
      continue;
    }
    if (k < skip) {
      Insert(p);
      continue;
    }
    const uint8_t b = e.Text[p];
    if (k >= 2 && k < reach && e.Text[p - 2] == b && e.Text[p - 1] == b && p + Threshold <= e.Fill &&
        e.Text[p + 1] == b && e.Text[p + 2] == b) {
      // Third or later byte of a stretch of repeats, inside a match found before: the positions
      // before offer every match this one could, one byte longer.
      Insert(p);
      continue;
    }
    const int n = FindMatches(p, maxLen, m);
    if (n == 0) continue;
    reach = std::max(reach, k + m[n - 1].Len);
    if (m[n - 1].Len >= SkipLen) skip = k + m[n - 1].Len - 1;
    if (m[n - 1].Len >= NiceLen) {
      // Long enough to take without comparing: code up to here, then the match, and enter the
      // positions it covers into the chains.
      EmitPath(start, k);
      const int len = m[n - 1].Len;
      Output(unsigned(len + 256 - Threshold), unsigned(m[n - 1].Dist - 1));
      InsertRange(p + 1, std::min(p + len, e.Fill - Threshold + 1));
      e.Pos = p + len;
      return;
    }
    int len = Threshold;
    for (int i = 0; i < n; ++i) {
      const uint32_t dc = base + DistCost(m[i].Dist);
      for (; len <= m[i].Len; ++len) {
        const uint32_t c = dc + e.SymbolCost[len + 256 - Threshold];
        if (c < e.ArrivalCost[k + len]) {
          e.ArrivalCost[k + len] = c;
          e.ArrivalLen[k + len] = uint16_t(len);
          e.ArrivalDist[k + len] = uint16_t(m[i].Dist);
        }
      }
    }
  }
  EmitPath(start, span);
  e.Pos = end;
}

// -- block assembly

void TLH5Encoder::Output(unsigned c, unsigned p) {
  if ((e.OutputMask >>= 1) == 0) {
    e.OutputMask = 0x80;
    if (e.OutputPos >= BlockBufSize - 24) {
      SendBlock();
      e.OutputPos = 0;
    }
    e.CPos = e.OutputPos++;
    e.Buf[e.CPos] = 0;
  }
  e.Buf[e.OutputPos++] = uint8_t(c);
  ++e.CFreq[c];
  if (c >= 256) {
    e.Buf[e.CPos] |= uint8_t(e.OutputMask);
    e.Buf[e.OutputPos++] = uint8_t(p >> 8);
    e.Buf[e.OutputPos++] = uint8_t(p);
    ++e.PFreq[std::bit_width(p)];
  }
}

void TLH5Encoder::CountTFreq() {
  for (int i = 0; i < NT; ++i) e.TFreq[i] = 0;
  int n = NC;
  while (n > 0 && e.ECLen[n - 1] == 0) --n;
  int i = 0;
  while (i < n) {
    const int k = e.ECLen[i++];
    if (k == 0) {
      int count = 1;
      while (i < n && e.ECLen[i] == 0) {
        ++i;
        ++count;
      }
      if (count <= 2)
        e.TFreq[0] += uint16_t(count);
      else if (count <= 18)
        ++e.TFreq[1];
      else if (count == 19) {
        ++e.TFreq[0];
        ++e.TFreq[1];
      } else
        ++e.TFreq[2];
    } else {
      ++e.TFreq[k + 2];
    }
  }
}

void TLH5Encoder::WritePtLen(int n, int nbit, int special) {
  while (n > 0 && e.EPtLen[n - 1] == 0) --n;
  Bits.Put(nbit, unsigned(n));
  int i = 0;
  while (i < n) {
    const int k = e.EPtLen[i++];
    if (k <= 6)
      Bits.Put(3, unsigned(k));
    else
      Bits.Put(k - 3, (1u << (k - 3)) - 2);
    if (i == special) {
      while (i < 6 && e.EPtLen[i] == 0) ++i;
      Bits.Put(2, unsigned(i - 3) & 3);
    }
  }
}

void TLH5Encoder::WriteCLen() {
  int n = NC;
  while (n > 0 && e.ECLen[n - 1] == 0) --n;
  Bits.Put(CBit, unsigned(n));
  int i = 0;
  while (i < n) {
    const int k = e.ECLen[i++];
    if (k == 0) {
      int count = 1;
      while (i < n && e.ECLen[i] == 0) {
        ++i;
        ++count;
      }
      if (count <= 2) {
        for (int j = 0; j < count; ++j) Bits.Put(e.EPtLen[0], e.PtCode[0]);
      } else if (count <= 18) {
        Bits.Put(e.EPtLen[1], e.PtCode[1]);
        Bits.Put(4, unsigned(count - 3));
      } else if (count == 19) {
        Bits.Put(e.EPtLen[0], e.PtCode[0]);
        Bits.Put(e.EPtLen[1], e.PtCode[1]);
        Bits.Put(4, 15);
      } else {
        Bits.Put(e.EPtLen[2], e.PtCode[2]);
        Bits.Put(CBit, unsigned(count - 20));
      }
    } else {
      Bits.Put(e.EPtLen[k + 2], e.PtCode[k + 2]);
    }
  }
}

void TLH5Encoder::SendBlock() {
  int root = MakeTree(NC, e.CFreq, e.ECLen, e.CCode);
  const unsigned size = e.CFreq[root];
  Bits.Put(16, size);
  if (root >= NC) {
    CountTFreq();
    root = MakeTree(NT, e.TFreq, e.EPtLen, e.PtCode);
    if (root >= NT) {
      WritePtLen(NT, TBit, 3);
    } else {
      Bits.Put(TBit, 0);
      Bits.Put(TBit, unsigned(root));
    }
    WriteCLen();
  } else {
    Bits.Put(TBit, 0);
    Bits.Put(TBit, 0);
    Bits.Put(CBit, 0);
    Bits.Put(CBit, unsigned(root));
  }
  root = MakeTree(NP, e.PFreq, e.EPtLen, e.PtCode);
  if (root >= NP) {
    WritePtLen(NP, PBit, -1);
  } else {
    Bits.Put(PBit, 0);
    Bits.Put(PBit, unsigned(root));
  }
  int pos = 0;
  unsigned flags = 0;
  for (unsigned i = 0; i < size; ++i) {
    if (i % 8 == 0)
      flags = e.Buf[pos++];
    else
      flags <<= 1;
    if (flags & 0x80) {
      EncodeC(e.Buf[pos++] + 256);
      unsigned k = unsigned(e.Buf[pos++]) << 8;
      k += e.Buf[pos++];
      EncodeP(k);
    } else {
      EncodeC(e.Buf[pos++]);
    }
  }
  for (int i = 0; i < NC; ++i) e.CFreq[i] = 0;
  for (int i = 0; i < NP; ++i) e.PFreq[i] = 0;
  UpdateCosts();
  ++BlocksSent;
}

// -- Huffman trees

void TLH5Encoder::DownHeap(int i) {
  const int k = e.Heap[i];
  int j;
  while ((j = 2 * i) <= HeapSize) {
    if (j < HeapSize && TreeFreq[e.Heap[j]] > TreeFreq[e.Heap[j + 1]]) ++j;
    if (TreeFreq[k] <= TreeFreq[e.Heap[j]]) break;
    e.Heap[i] = e.Heap[j];
    i = j;
  }
  e.Heap[i] = int16_t(k);
}

void TLH5Encoder::CountLen(int i) {
  if (i < TreeN) {
    ++e.LenCnt[Depth < 16 ? Depth : 16];
  } else {
    ++Depth;
    CountLen(e.TreeLeft[i]);
    CountLen(e.TreeRight[i]);
    --Depth;
  }
}

void TLH5Encoder::MakeLen(int root) {
  for (int i = 0; i <= 16; ++i) e.LenCnt[i] = 0;
  Depth = 0;
  CountLen(root);
  unsigned cum = 0;
  for (int i = 16; i > 0; --i) cum += unsigned(e.LenCnt[i]) << (16 - i);
  cum &= 0xFFFF;
  // Codes deeper than 16 were counted at 16: move codes down until the lengths fit.
  if (cum) {
    e.LenCnt[16] = uint16_t(e.LenCnt[16] - cum);
    do {
      for (int i = 15; i > 0; --i) {
        if (e.LenCnt[i]) {
          --e.LenCnt[i];
          e.LenCnt[i + 1] = uint16_t(e.LenCnt[i + 1] + 2);
          break;
        }
      }
    } while (--cum);
  }
  for (int i = 16; i > 0; --i) {
    int k = e.LenCnt[i];
    while (--k >= 0) TreeLen[*SortPtr++] = uint8_t(i);
  }
}

void TLH5Encoder::MakeCode(int n, const uint8_t* len, uint16_t* code) {
  uint16_t start[18];
  start[1] = 0;
  for (int i = 1; i <= 16; ++i) start[i + 1] = uint16_t((start[i] + e.LenCnt[i]) << 1);
  for (int i = 0; i < n; ++i) code[i] = start[len[i]]++;
}

// Builds the Huffman tree of n symbols, sets the code lengths and codes and returns the root (a
// symbol when fewer than two symbols occur).
int TLH5Encoder::MakeTree(int n, uint16_t* freq, uint8_t* len, uint16_t* code) {
  TreeN = n;
  TreeFreq = freq;
  TreeLen = len;
  int avail = n;
  HeapSize = 0;
  e.Heap[1] = 0;
  for (int i = 0; i < n; ++i) {
    len[i] = 0;
    if (freq[i]) e.Heap[++HeapSize] = int16_t(i);
  }
  if (HeapSize < 2) {
    code[e.Heap[1]] = 0;
    return e.Heap[1];
  }
  for (int i = HeapSize / 2; i >= 1; --i) DownHeap(i);
  SortPtr = code;
  int k;
  do {
    const int i = e.Heap[1];
    if (i < n) *SortPtr++ = uint16_t(i);
    e.Heap[1] = e.Heap[HeapSize--];
    DownHeap(1);
    const int j = e.Heap[1];
    if (j < n) *SortPtr++ = uint16_t(j);
    k = avail++;
    freq[k] = uint16_t(freq[i] + freq[j]);
    e.Heap[1] = int16_t(k);
    DownHeap(1);
    e.TreeLeft[k] = uint16_t(i);
    e.TreeRight[k] = uint16_t(j);
  } while (HeapSize > 1);
  SortPtr = code;
  MakeLen(k);
  MakeCode(n, len, code);
  return k;
}

void TLH5Encoder::Run() {
  for (int i = 0; i < NC; ++i) e.CFreq[i] = 0;
  for (int i = 0; i < NP; ++i) e.PFreq[i] = 0;
  e.OutputPos = e.OutputMask = 0;
  e.Buf[0] = 0;
  for (int32_t& h : e.Head) h = -1;
  for (int32_t& h : e.ChainPrev) h = -1;
  for (int32_t& h : e.Head3) h = -1;
  e.Pos = e.Fill = 0;
  e.AtEnd = false;
  e.RunStart = e.RunEnd = 0;
  InitCosts();

  ReadMore();
  if (e.Fill == 0) return;
  int counted = 0;
  while (e.Pos < e.Fill) {
    if (e.Fill - e.Pos < ParseChunk + MaxMatch) {
      counted -= e.Pos;
      ReadMore();
      counted += e.Pos;
    }
    ParseStretch();
    if (BlocksSent == 0 && e.Pos - counted >= 4096) {
      counted = e.Pos;
      CostsFromCounts();
    }
  }
  SendBlock();
  Bits.Put(7, 0);
}

// ======================================================================== decoder

// Builds the look-up table of a canonical code. Only a code that fills the code space exactly is
// accepted, so that every table entry and every tree branch below it is set.
void MakeTable(int nchar, const uint8_t* bitlen, int tablebits, uint16_t* table, uint16_t* left, uint16_t* right) {
  unsigned count[17] = {0};
  unsigned weight[17];
  unsigned start[18];
  for (int i = 0; i < nchar; ++i) {
    if (bitlen[i] > 16) BadTable();
    ++count[bitlen[i]];
  }
  start[1] = 0;
  for (int i = 1; i <= 16; ++i) start[i + 1] = start[i] + (count[i] << (16 - i));
  if (start[17] != (1u << 16)) BadTable();

  const int jutbits = 16 - tablebits;
  int i;
  for (i = 1; i <= tablebits; ++i) {
    start[i] >>= jutbits;
    weight[i] = 1u << (tablebits - i);
  }
  for (; i <= 16; ++i) weight[i] = 1u << (16 - i);
  // Entries under which the longer codes hang their trees start empty.
  for (unsigned k = start[tablebits + 1] >> jutbits; k < (1u << tablebits); ++k) table[k] = 0;

  unsigned avail = unsigned(nchar);
  const unsigned mask = 1u << (15 - tablebits);
  for (int ch = 0; ch < nchar; ++ch) {
    const int len = bitlen[ch];
    if (len == 0) continue;
    const unsigned nextcode = start[len] + weight[len];
    if (len <= tablebits) {
      for (unsigned k = start[len]; k < nextcode; ++k) table[k] = uint16_t(ch);
    } else {
      unsigned k = start[len];
      uint16_t* p = &table[k >> jutbits];
      for (int n = len - tablebits; n != 0; --n) {
        if (*p == 0) {
          right[avail] = left[avail] = 0;
          *p = uint16_t(avail++);
        }
        p = (k & mask) ? &right[*p] : &left[*p];
        k <<= 1;
      }
      *p = uint16_t(ch);
    }
    start[len] = nextcode;
  }
}

class TLH5Decoder {
public:
  TLH5Decoder(TCompThreadSafety& s, TLH5State& d) : s(s), d(d), Bits(s) {}
  void Run(uint32_t size);

private:
  TCompThreadSafety& s;
  TLH5State& d;
  TCompressBitReader Bits;

  void ReadPtLen(int nn, int nbit, int special);
  void ReadCLen();
  inline int DecodePtSymbol(int nn) {
    int j = d.PtTable[Bits.Buf >> 56];
    if (j >= nn) {
      uint64_t mask = uint64_t(1) << 55;
      do {
        j = (Bits.Buf & mask) ? d.PtRight[j] : d.PtLeft[j];
        mask >>= 1;
      } while (j >= nn);
    }
    Bits.Skip(d.PtLen[j]);
    return j;
  }
};

void TLH5Decoder::ReadPtLen(int nn, int nbit, int special) {
  const int n = int(Bits.Get(nbit));
  if (n == 0) {
    const int c = int(Bits.Get(nbit));
    if (c >= nn) BadTable();
    std::memset(d.PtLen, 0, sizeof d.PtLen);
    for (int i = 0; i < 256; ++i) d.PtTable[i] = uint16_t(c);
    return;
  }
  if (n > nn) BadTable();
  int i = 0;
  while (i < n) {
    if (Bits.Count < 32) Bits.Refill();
    int c = int(Bits.Peek(3));
    if (c == 7) {
      // Lengths above 6 continue in unary: one more for each further one bit.
      uint64_t mask = uint64_t(1) << (63 - 3);
      while (Bits.Buf & mask) {
        mask >>= 1;
        if (++c > 16) BadTable();
      }
    }
    Bits.Skip(c < 7 ? 3 : c - 3);
    d.PtLen[i++] = uint8_t(c);
    if (i == special) {
      int zeros = int(Bits.Get(2));
      while (--zeros >= 0) d.PtLen[i++] = 0;
    }
  }
  while (i < nn) d.PtLen[i++] = 0;
  MakeTable(nn, d.PtLen, 8, d.PtTable, d.PtLeft, d.PtRight);
}

void TLH5Decoder::ReadCLen() {
  const int n = int(Bits.Get(CBit));
  if (n == 0) {
    const int c = int(Bits.Get(CBit));
    if (c >= NC) BadTable();
    std::memset(d.CLen, 0, sizeof d.CLen);
    for (int i = 0; i < 4096; ++i) d.CTable[i] = uint16_t(c);
    return;
  }
  if (n > NC) BadTable();
  int i = 0;
  while (i < n) {
    if (Bits.Count < 32) Bits.Refill();
    int c = DecodePtSymbol(NT);
    if (c <= 2) {
      int zeros;
      if (c == 0)
        zeros = 1;
      else if (c == 1)
        zeros = int(Bits.Get(4)) + 3;
      else
        zeros = int(Bits.Get(CBit)) + 20;
      if (i + zeros > NC) BadTable();
      std::memset(&d.CLen[i], 0, size_t(zeros));
      i += zeros;
    } else {
      d.CLen[i++] = uint8_t(c - 2);
    }
  }
  while (i < NC) d.CLen[i++] = 0;
  MakeTable(NC, d.CLen, 12, d.CTable, d.CLeft, d.CRight);
}

void TLH5Decoder::Run(uint32_t size) {
  d.Window.assign(size_t(DicSize + DecodeChunk + MaxMatch + 16), 0);
  uint8_t* w = d.Window.data();
  std::memset(w, ' ', DicSize);
  const int flushAt = DicSize + DecodeChunk;
  int pos = DicSize;
  uint64_t flushed = 0;
  unsigned blockLeft = 0;

  while (flushed + uint64_t(pos - DicSize) < size) {
    if (blockLeft == 0) {
      if (Bits.Overrun()) break;
      blockLeft = Bits.Get(16);
      if (blockLeft == 0) blockLeft = 65536;  // the 16-bit count wraps
      ReadPtLen(NT, TBit, 3);
      ReadCLen();
      ReadPtLen(NP, PBit, -1);
    }
    --blockLeft;
    if (Bits.Count < 48) Bits.Refill();
    int c = d.CTable[Bits.Buf >> 52];
    if (c >= NC) {
      uint64_t mask = uint64_t(1) << 51;
      do {
        c = (Bits.Buf & mask) ? d.CRight[c] : d.CLeft[c];
        mask >>= 1;
      } while (c >= NC);
    }
    Bits.Skip(d.CLen[c]);
    if (c < 256) {
      w[pos++] = uint8_t(c);
    } else {
      const int len = c - (256 - Threshold);
      const int j = DecodePtSymbol(NP);
      unsigned p = unsigned(j);
      if (j > 1) p = (1u << (j - 1)) + Bits.Get(j - 1);
      const int dist = int(p) + 1;
      uint8_t* dst = w + pos;
      const uint8_t* src = dst - dist;
      if (dist >= len) {
        std::memcpy(dst, src, size_t(len));
      } else if (dist == 1) {
        std::memset(dst, *src, size_t(len));
      } else if (dist >= 8) {
        for (int k = 0; k < len; k += 8) std::memcpy(dst + k, src + k, 8);
      } else {
        for (int k = 0; k < len; ++k) dst[k] = src[k];
      }
      pos += len;
    }
    if (pos >= flushAt) {
      s.WriteDestBlock(w + DicSize, pos - DicSize);
      flushed += uint64_t(pos - DicSize);
      std::memmove(w, w + pos - DicSize, DicSize);
      pos = DicSize;
    }
  }
  if (pos > DicSize) s.WriteDestBlock(w + DicSize, pos - DicSize);
  if (Bits.Overrun()) s.InputOverrun = true;
}

}  // namespace

void LH5Compress(TCompThreadSafety& s) {
  // Not cleared: Run sets up every table the encoder reads.
  s.LH5 = std::make_unique_for_overwrite<TLH5State>();
  TLH5Encoder(s, *s.LH5).Run();
  s.LH5.reset();
}

void LH5Expand(TCompThreadSafety& s, uint32_t uncompressedSize) {
  if (uncompressedSize == 0) return;
  // Not cleared: the decoder sets every table entry it reads (see MakeTable), and clearing the
  // encoder's half of the state cost more than decoding a short stream.
  s.LH5 = std::make_unique_for_overwrite<TLH5State>();
  TLH5Decoder(s, *s.LH5).Run(uncompressedSize);
  s.LH5.reset();
}

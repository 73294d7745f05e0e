// Method "LH5": the LHA -lh5- format. LZ77 over an 8 KB sliding dictionary (matches of 3 to 256
// bytes) with static Huffman coding in blocks: each block carries its own character/length tree
// (510 symbols, lengths sent through a 19-symbol pre-tree) and position tree (14 symbols).
//
// The encoder finds matches with a PATRICIA tree over the dictionary and defers a match by one
// position when the next position offers a strictly longer one. The decoder decodes most symbols
// with one look-up in a 12-bit (characters) or 8-bit (positions, pre-tree) table.
#include <algorithm>
#include <cstring>

#include "codecs/compress_coders.h"

using namespace lh5;

namespace {

const char* const MsgBadTable = "Bad decode table in archive!";

[[noreturn]] void BadTable() { throw ELZHBadDecodeTable(MsgBadTable); }

// ======================================================================== encoder

class TLH5Encoder {
public:
  TLH5Encoder(TCompThreadSafety& s, TLH5State& e) : s(s), e(e), Bits(s) {}

  void Run();

private:
  TCompThreadSafety& s;
  TLH5State& e;
  TCompressBitWriter Bits;
  int TreeN = 0, HeapSize = 0, Depth = 0;
  uint16_t* TreeFreq = nullptr;
  uint8_t* TreeLen = nullptr;
  uint16_t* SortPtr = nullptr;

  // -- match finder
  static int Hash(int p, int c) { return p + (c << (DicBit - 9)) + DicSize * 2; }
  void InitSlide();
  int Child(int q, int c);
  void MakeChild(int q, int c, int r);
  void Split(int old);
  void InsertNode();
  void DeleteNode();
  void GetNextMatch();

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
    unsigned c = 0;
    for (unsigned q = p; q; q >>= 1) ++c;
    Bits.Put(e.EPtLen[c], e.PtCode[c]);
    if (c > 1) Bits.Put(int(c - 1), p & (0xFFFFu >> (17 - c)));
  }
};

void TLH5Encoder::InitSlide() {
  for (int i = DicSize; i <= DicSize + 255; ++i) {
    e.Level[i] = 1;
    e.Position[i] = Nil;
  }
  for (int i = DicSize; i < DicSize * 2; ++i) e.Parent[i] = Nil;
  e.Avail = 1;
  for (int i = 1; i < DicSize - 1; ++i) e.Next[i] = uint16_t(i + 1);
  e.Next[DicSize - 1] = Nil;
  for (int i = DicSize * 2; i <= MaxHashVal; ++i) e.Next[i] = Nil;
}

// q's child for character c, or Nil.
inline int TLH5Encoder::Child(int q, int c) {
  int r = e.Next[Hash(q, c)];
  e.Parent[Nil] = uint16_t(q);  // sentinel
  while (e.Parent[r] != q) r = e.Next[r];
  return r;
}

// Makes r the child of q for character c.
inline void TLH5Encoder::MakeChild(int q, int c, int r) {
  const int h = Hash(q, c);
  const int t = e.Next[h];
  e.Next[h] = uint16_t(r);
  e.Next[r] = uint16_t(t);
  e.Prev[t] = uint16_t(r);
  e.Prev[r] = uint16_t(h);
  e.Parent[r] = uint16_t(q);
  ++e.ChildCount[q];
}

// Puts a new internal node between old and its parent, at the level where the current string
// and old's string part.
void TLH5Encoder::Split(int old) {
  const int n = e.Avail;
  e.Avail = e.Next[n];
  e.ChildCount[n] = 0;
  int t = e.Prev[old];
  e.Prev[n] = uint16_t(t);
  e.Next[t] = uint16_t(n);
  t = e.Next[old];
  e.Next[n] = uint16_t(t);
  e.Prev[t] = uint16_t(n);
  e.Parent[n] = e.Parent[old];
  e.Level[n] = uint8_t(e.MatchLen);
  e.Position[n] = uint16_t(e.Pos);
  MakeChild(n, e.Text[e.MatchPos + e.MatchLen], old);
  MakeChild(n, e.Text[e.Pos + e.MatchLen], e.Pos);
}

// Inserts the string at Pos and sets MatchLen and MatchPos to its longest (most recent) match.
void TLH5Encoder::InsertNode() {
  int q, r, t;
  if (e.MatchLen >= 4) {
    // Start from the node of the previous match, one byte further on.
    --e.MatchLen;
    r = (e.MatchPos + 1) | DicSize;
    while ((q = e.Parent[r]) == Nil) r = e.Next[r];
    while (e.Level[q] >= e.MatchLen) {
      r = q;
      q = e.Parent[q];
    }
    t = q;
    while (e.Position[t] & PercFlag) {
      e.Position[t] = uint16_t(e.Pos);
      t = e.Parent[t];
    }
    if (t < DicSize) e.Position[t] = uint16_t(e.Pos | PercFlag);
  } else {
    q = e.Text[e.Pos] + DicSize;
    const int c = e.Text[e.Pos + 1];
    if ((r = Child(q, c)) == Nil) {
      MakeChild(q, c, e.Pos);
      e.MatchLen = 1;
      return;
    }
    e.MatchLen = 2;
  }
  for (;;) {
    int j;
    if (r >= DicSize) {
      j = MaxMatch;
      e.MatchPos = r;
    } else {
      j = e.Level[r];
      e.MatchPos = e.Position[r] & ~PercFlag;
    }
    if (e.MatchPos >= e.Pos) e.MatchPos -= DicSize;
    const uint8_t* t1 = &e.Text[e.Pos + e.MatchLen];
    const uint8_t* t2 = &e.Text[e.MatchPos + e.MatchLen];
    while (e.MatchLen < j) {
      if (*t1 != *t2) {
        Split(r);
        return;
      }
      ++e.MatchLen;
      ++t1;
      ++t2;
    }
    if (e.MatchLen >= MaxMatch) break;
    e.Position[r] = uint16_t(e.Pos);
    q = r;
    if ((r = Child(q, *t1)) == Nil) {
      MakeChild(q, *t1, e.Pos);
      return;
    }
    ++e.MatchLen;
  }
  // A match of the longest length: the new position replaces the old leaf.
  t = e.Prev[r];
  e.Prev[e.Pos] = uint16_t(t);
  e.Next[t] = uint16_t(e.Pos);
  t = e.Next[r];
  e.Next[e.Pos] = uint16_t(t);
  e.Prev[t] = uint16_t(e.Pos);
  e.Parent[e.Pos] = e.Parent[r];
  e.Parent[r] = Nil;
  e.Next[r] = uint16_t(e.Pos);  // lets a later search find the replacement
}

// Removes the string that leaves the dictionary (the leaf numbered Pos).
void TLH5Encoder::DeleteNode() {
  if (e.Parent[e.Pos] == Nil) return;
  int r = e.Prev[e.Pos];
  int s = e.Next[e.Pos];
  e.Next[r] = uint16_t(s);
  e.Prev[s] = uint16_t(r);
  r = e.Parent[e.Pos];
  e.Parent[e.Pos] = Nil;
  if (r >= DicSize || --e.ChildCount[r] > 1) return;
  // r has one child left: merge it away after refreshing the positions above it.
  int t = e.Position[r] & ~PercFlag;
  if (t >= e.Pos) t -= DicSize;
  s = t;
  int q = e.Parent[r];
  int u;
  while ((u = e.Position[q]) & PercFlag) {
    u &= ~PercFlag;
    if (u >= e.Pos) u -= DicSize;
    if (u > s) s = u;
    e.Position[q] = uint16_t(s | DicSize);
    q = e.Parent[q];
  }
  if (q < DicSize) {
    if (u >= e.Pos) u -= DicSize;
    if (u > s) s = u;
    e.Position[q] = uint16_t(s | DicSize | PercFlag);
  }
  s = Child(r, e.Text[t + e.Level[r]]);
  t = e.Prev[s];
  u = e.Next[s];
  e.Next[t] = uint16_t(u);
  e.Prev[u] = uint16_t(t);
  t = e.Prev[r];
  e.Next[t] = uint16_t(s);
  e.Prev[s] = uint16_t(t);
  t = e.Next[r];
  e.Prev[t] = uint16_t(s);
  e.Next[s] = uint16_t(t);
  e.Parent[s] = e.Parent[r];
  e.Parent[r] = Nil;
  e.Next[r] = uint16_t(e.Avail);
  e.Avail = r;
}

void TLH5Encoder::GetNextMatch() {
  --e.Remainder;
  if (++e.Pos == DicSize * 2) {
    std::memmove(&e.Text[0], &e.Text[DicSize], DicSize + MaxMatch);
    const int n = s.ReadSourceBlock(&e.Text[DicSize + MaxMatch], DicSize);
    e.Remainder += n;
    e.Pos = DicSize;
  }
  DeleteNode();
  InsertNode();
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
    unsigned bits = 0;
    while (p) {
      p >>= 1;
      ++bits;
    }
    ++e.PFreq[bits];
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
  InitSlide();
  for (int i = 0; i < NC; ++i) e.CFreq[i] = 0;
  for (int i = 0; i < NP; ++i) e.PFreq[i] = 0;
  e.OutputPos = e.OutputMask = 0;
  e.Buf[0] = 0;

  e.Pos = DicSize + MaxMatch;
  const int n = s.ReadSourceBlock(&e.Text[e.Pos], DicSize);
  e.Remainder = n;
  std::memset(&e.Text[e.Pos + n], ' ', size_t(DicSize - n));
  if (e.Remainder == 0) return;

  e.MatchLen = 0;
  e.MatchPos = 0;
  InsertNode();
  while (e.Remainder > 0) {
    int lastMatchLen = e.MatchLen;
    const int lastMatchPos = e.MatchPos;
    GetNextMatch();
    if (e.MatchLen > e.Remainder) e.MatchLen = e.Remainder;
    if (lastMatchLen >= Threshold && lastMatchLen >= e.MatchLen) {
      Output(unsigned(lastMatchLen + 256 - Threshold), unsigned(e.Pos - lastMatchPos - 2) & (DicSize - 1));
      while (--lastMatchLen > 0) GetNextMatch();
      if (e.MatchLen > e.Remainder) e.MatchLen = e.Remainder;
    } else {
      Output(e.Text[e.Pos - 1], 0);
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
  s.LH5 = std::make_unique<TLH5State>();
  TLH5Encoder(s, *s.LH5).Run();
  s.LH5.reset();
}

void LH5Expand(TCompThreadSafety& s, uint32_t uncompressedSize) {
  if (uncompressedSize == 0) return;
  s.LH5 = std::make_unique<TLH5State>();
  TLH5Decoder(s, *s.LH5).Run(uncompressedSize);
  s.LH5.reset();
}

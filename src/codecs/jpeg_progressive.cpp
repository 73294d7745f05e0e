#include "codecs/jpeg_progressive.h"

// clang-format off
#include <jpegint.h>
// clang-format on
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The position in a block (rows of eight) of the k-th coefficient in zigzag order.
constexpr uint8_t kNatural[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                  35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                  58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The zigzag index of each position in a block.
constexpr auto kZigzag = [] {
  std::array<uint8_t, 64> z{};
  for (int k = 0; k < 64; ++k) z[kNatural[k]] = uint8_t(k);
  return z;
}();

constexpr int kMaxEobRun = 0x7FFF;

// A coded symbol: the Huffman symbol in the low byte, the number of extra bits next, the extra
// bits in the high half.
inline uint32_t Code(unsigned symbol, unsigned nbits, unsigned bits) { return symbol | nbits << 8 | bits << 16; }

// The magnitude category of v and the bits that follow its symbol.
inline void Category(int v, unsigned& nbits, unsigned& bits) {
  unsigned a = unsigned(v < 0 ? -v : v);
  nbits = unsigned(std::bit_width(a));
  bits = unsigned(v < 0 ? v - 1 : v) & ((1u << nbits) - 1);
}

// A Huffman table as the file carries it (counts of codes per length, symbols by length) and
// the codes for coding.
struct THuffTable {
  uint8_t Bits[17] = {};
  uint8_t Values[256] = {};
  int ValueCount = 0;
  uint16_t Code[256] = {};
  uint8_t Size[256] = {};
};

// Code lengths of at most 16 bits for the symbol counts freq (an optimal code, then adjusted to the
// length limit as the JPEG standard describes), then the canonical codes.
void MakeTable(const uint32_t* counts, THuffTable& t) {
  // One reserved code point keeps any code from being all ones.
  uint64_t freq[257];
  for (int i = 0; i < 256; ++i) freq[i] = counts[i];
  freq[256] = 1;
  int used[257];
  int n = 0;
  for (int i = 0; i <= 256; ++i)
    if (freq[i]) used[n++] = i;
  int codesize[257] = {};
  int others[257];
  std::fill(std::begin(others), std::end(others), -1);
  for (;;) {
    // The two least frequent live symbols (the higher number first on ties).
    int c1 = -1, c2 = -1;
    uint64_t v1 = UINT64_MAX, v2 = UINT64_MAX;
    for (int k = 0; k < n; ++k) {
      const int i = used[k];
      if (freq[i] == 0) continue;
      if (freq[i] <= v1) {
        v2 = v1;
        c2 = c1;
        v1 = freq[i];
        c1 = i;
      } else if (freq[i] <= v2) {
        v2 = freq[i];
        c2 = i;
      }
    }
    if (c2 < 0) break;
    freq[c1] += freq[c2];
    freq[c2] = 0;
    ++codesize[c1];
    while (others[c1] >= 0) {
      c1 = others[c1];
      ++codesize[c1];
    }
    others[c1] = c2;
    ++codesize[c2];
    while (others[c2] >= 0) {
      c2 = others[c2];
      ++codesize[c2];
    }
  }
  int bits[65] = {};
  for (int k = 0; k < n; ++k) ++bits[codesize[used[k]]];
  for (int i = 64; i > 16; --i) {
    while (bits[i] > 0) {
      int j = i - 2;
      while (bits[j] == 0) --j;
      bits[i] -= 2;
      bits[i - 1] += 1;
      bits[j + 1] += 2;
      bits[j] -= 1;
    }
  }
  int longest = 16;
  while (bits[longest] == 0) --longest;
  bits[longest] -= 1;  // the reserved code point
  for (int i = 1; i <= 16; ++i) t.Bits[i] = uint8_t(bits[i]);
  t.ValueCount = 0;
  for (int len = 1; len <= 64; ++len)
    for (int k = 0; k < n; ++k)
      if (used[k] < 256 && codesize[used[k]] == len) t.Values[t.ValueCount++] = uint8_t(used[k]);
  // Canonical codes: by length, then in the order of Values.
  unsigned code = 0;
  int p = 0;
  for (int len = 1; len <= 16; ++len) {
    for (int i = 0; i < t.Bits[len]; ++i, ++p) {
      t.Code[t.Values[p]] = uint16_t(code++);
      t.Size[t.Values[p]] = uint8_t(len);
    }
    code <<= 1;
  }
}

// Bytes of a file, written into room the caller made for all of it; the entropy-coded data stuffs
// a zero after 0xFF.
class TOut {
public:
  explicit TOut(uint8_t* room) : Start(room), P(room) {}
  size_t Size() const { return size_t(P - Start); }
  void Byte(unsigned b) { *P++ = uint8_t(b); }
  void Word(unsigned w) {
    Byte(w >> 8);
    Byte(w & 0xFF);
  }
  void Marker(unsigned m) {
    Byte(0xFF);
    Byte(m);
  }
  // Entropy-coded bits, most significant first (len at most 32).
  void Bits(uint32_t code, int len) {
    Acc = Acc << len | code;
    N += len;
    if (N >= 32) Spill();
  }
  // Pads the last byte with one bits and writes out what is left.
  void EndBits() {
    Bits(0x7F, 7);
    while (N >= 8) {
      N -= 8;
      const unsigned b = unsigned(Acc >> N) & 0xFF;
      Byte(b);
      if (b == 0xFF) Byte(0);
    }
    Acc = 0;
    N = 0;
  }

private:
  void Spill() {
    const uint32_t w = uint32_t(Acc >> (N - 32));
    N -= 32;
    // Four bytes at once unless one of them is 0xFF (a zero byte in ~w).
    if ((((~w) - 0x01010101u) & w & 0x80808080u) == 0) {
      P[0] = uint8_t(w >> 24);
      P[1] = uint8_t(w >> 16);
      P[2] = uint8_t(w >> 8);
      P[3] = uint8_t(w);
      P += 4;
      return;
    }
    for (int s = 24; s >= 0; s -= 8) {
      const unsigned b = (w >> s) & 0xFF;
      Byte(b);
      if (b == 0xFF) Byte(0);
    }
  }

  uint8_t* Start;
  uint8_t* P;
  uint64_t Acc = 0;
  int N = 0;
};

void WriteTable(TOut& out, int tableClass, int id, const THuffTable& t) {
  out.Marker(0xC4);
  out.Word(unsigned(2 + 1 + 16 + t.ValueCount));
  out.Byte(unsigned(tableClass << 4 | id));
  for (int i = 1; i <= 16; ++i) out.Byte(t.Bits[i]);
  for (int i = 0; i < t.ValueCount; ++i) out.Byte(t.Values[i]);
}

// Bits the coded symbols take, with their extra bits.
size_t CodedBits(const uint32_t* freq, const THuffTable& t, bool ac) {
  size_t bits = 0;
  for (int s = 0; s < 256; ++s) {
    if (!freq[s]) continue;
    const unsigned extra = !ac ? unsigned(s) : (s & 15) ? unsigned(s & 15) : s == 0xF0 ? 0 : unsigned(s >> 4);
    bits += size_t(freq[s]) * (t.Size[s] + extra);
  }
  return bits;
}

void WriteCodes(TOut& out, const std::vector<uint32_t>& codes, const THuffTable* const* tables,
                const uint8_t* tableOfCode) {
  for (size_t i = 0; i < codes.size(); ++i) {
    const uint32_t c = codes[i];
    const THuffTable& t = *tables[tableOfCode ? tableOfCode[i] : 0];
    const unsigned s = c & 0xFF, nbits = (c >> 8) & 0xFF;
    out.Bits(uint32_t(t.Code[s]) << nbits | c >> 16, t.Size[s] + int(nbits));
  }
}

}  // namespace

bool TProgressiveJpegWriter::Handles(const jpeg_compress_struct& cinfo) {
  if (cinfo.data_precision != 8 || cinfo.arith_code || cinfo.restart_interval || cinfo.restart_in_rows ||
      cinfo.scan_info || cinfo.write_Adobe_marker || !cinfo.write_JFIF_header)
    return false;
  if (!((cinfo.num_components == 3 && cinfo.jpeg_color_space == JCS_YCbCr) ||
        (cinfo.num_components == 1 && cinfo.jpeg_color_space == JCS_GRAYSCALE)))
    return false;
  for (int ci = 0; ci < cinfo.num_components; ++ci) {
    const jpeg_component_info& c = cinfo.comp_info[ci];
    if (c.dc_tbl_no < 0 || c.dc_tbl_no > 1 || c.ac_tbl_no < 0 || c.ac_tbl_no > 3 || c.quant_tbl_no < 0 ||
        c.quant_tbl_no >= NUM_QUANT_TBLS || !cinfo.quant_tbl_ptrs[c.quant_tbl_no])
      return false;
  }
  return true;
}

void TProgressiveJpegWriter::Attach(j_compress_ptr cinfo) {
  Count = cinfo->num_components;
  Width = cinfo->image_width;
  Height = cinfo->image_height;
  JfifMajor = cinfo->JFIF_major_version;
  JfifMinor = cinfo->JFIF_minor_version;
  DensityUnit = cinfo->density_unit;
  XDensity = cinfo->X_density;
  YDensity = cinfo->Y_density;
  McusPerRow = int(cinfo->MCUs_per_row);
  McuRows = int(cinfo->MCU_rows_in_scan);
  BlocksInMcu = cinfo->blocks_in_MCU;
  for (int b = 0; b < BlocksInMcu; ++b) McuMembership[b] = cinfo->MCU_membership[b];
  for (int ci = 0; ci < Count; ++ci) {
    const jpeg_component_info& s = cinfo->comp_info[ci];
    TComponent& c = Comp[ci];
    c.Id = s.component_id;
    c.H = s.h_samp_factor;
    c.V = s.v_samp_factor;
    c.QuantTable = s.quant_tbl_no;
    if (const JQUANT_TBL* q = cinfo->quant_tbl_ptrs[c.QuantTable])
      for (int k = 0; k < DCTSIZE2; ++k) Quant[c.QuantTable][k] = q->quantval[k];
    c.DcTable = s.dc_tbl_no;
    c.AcTable = s.ac_tbl_no;
    c.WidthInBlocks = int(s.width_in_blocks);
    c.HeightInBlocks = int(s.height_in_blocks);
    c.McuWidth = s.MCU_width;
    c.McuHeight = s.MCU_height;
  }
  try {
    DcCodes.reserve(size_t(McusPerRow) * size_t(McuRows) * size_t(BlocksInMcu));
    for (int ci = 0; ci < Count; ++ci) {
      TComponent& c = Comp[ci];
      c.Row.assign(size_t(c.McuHeight) * size_t(McusPerRow) * size_t(c.McuWidth) * DCTSIZE2, 0);
      // Room for the most a block can take (a symbol per coefficient and one for a run of
      // blocks), so that the list never moves: pages of it that are not written are not used.
      c.AcCodes.reserve(size_t(c.WidthInBlocks) * size_t(c.HeightInBlocks) * (DCTSIZE2 + 1));
    }
  } catch (const std::bad_alloc&) {
    OutOfMemory = true;
  }
  cinfo->client_data = this;
  cinfo->entropy->encode_mcu = EncodeMcu;
}

boolean TProgressiveJpegWriter::EncodeMcu(j_compress_ptr cinfo, JBLOCKROW* blocks) {
  auto* w = static_cast<TProgressiveJpegWriter*>(cinfo->client_data);
  if (!w->OutOfMemory) {
    try {
      w->AddMcu(blocks);
    } catch (const std::bad_alloc&) {
      w->OutOfMemory = true;
    }
  }
  return TRUE;
}

// One MCU: its DC coefficients are coded at once (the DC scan goes MCU by MCU), its blocks kept
// for the AC scans, which go through each component's blocks row by row.
void TProgressiveJpegWriter::AddMcu(JBLOCKROW* blocks) {
  const int mcuRow = McuIndex / McusPerRow, mcuCol = McuIndex % McusPerRow;
  ++McuIndex;
  int b = 0;
  for (int ci = 0; ci < Count; ++ci) {
    TComponent& c = Comp[ci];
    const size_t rowBlocks = size_t(McusPerRow) * size_t(c.McuWidth);
    for (int yi = 0; yi < c.McuHeight; ++yi)
      for (int xi = 0; xi < c.McuWidth; ++xi, ++b) {
        const JCOEF* block = blocks[b][0];
        unsigned nbits, bits;
        Category(block[0] - c.LastDc, nbits, bits);
        c.LastDc = block[0];
        DcCodes.push_back(Code(nbits, nbits, bits));
        ++DcFreq[c.DcTable][nbits];
        std::memcpy(&c.Row[(size_t(yi) * rowBlocks + size_t(mcuCol * c.McuWidth + xi)) * DCTSIZE2], block,
                    sizeof(JCOEF) * DCTSIZE2);
      }
  }
  if (mcuCol == McusPerRow - 1)
    for (int ci = 0; ci < Count; ++ci) CodeRowAc(Comp[ci], mcuRow);
}

void TProgressiveJpegWriter::FlushEobRun(TComponent& c) {
  const unsigned nbits = unsigned(std::bit_width(unsigned(c.EobRun))) - 1;
  const unsigned symbol = nbits << 4;
  c.AcCodes.push_back(Code(symbol, nbits, unsigned(c.EobRun) & ((1u << nbits) - 1)));
  ++c.AcFreq[symbol];
  c.EobRun = 0;
}

// Coefficients 1 to 63 of the blocks of one MCU row that lie inside the component, as the first
// AC scan of spectral selection codes them: runs of zeros with each non-zero coefficient, and runs
// of blocks that end in zeros (EOBRUN) counted across blocks.
void TProgressiveJpegWriter::CodeRowAc(TComponent& c, int mcuRow) {
  const size_t rowBlocks = size_t(McusPerRow) * size_t(c.McuWidth);
  for (int yi = 0; yi < c.McuHeight; ++yi) {
    if (mcuRow * c.McuHeight + yi >= c.HeightInBlocks) break;
    for (int x = 0; x < c.WidthInBlocks; ++x) {
      const JCOEF* block = &c.Row[(size_t(yi) * rowBlocks + size_t(x)) * DCTSIZE2];
      // Which coefficients are not zero, first by their place in the block, then in zigzag order.
      uint64_t placed = 0;
#if defined(__SSE2__)
      const __m128i zero = _mm_setzero_si128();
      for (int k = 0; k < 64; k += 16) {
        const __m128i a = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k)), zero);
        const __m128i b = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k + 8)), zero);
        placed |= uint64_t(uint16_t(~_mm_movemask_epi8(_mm_packs_epi16(a, b)))) << k;
      }
#else
      for (int k = 0; k < 64; ++k) placed |= uint64_t(block[k] != 0) << k;
#endif
      placed &= ~uint64_t(1);  // the DC coefficient has its own scan
      if (placed == 0) {
        if (++c.EobRun == kMaxEobRun) FlushEobRun(c);
        continue;
      }
      uint64_t nonzero = 0;
      for (uint64_t m = placed; m; m &= m - 1) nonzero |= uint64_t(1) << kZigzag[std::countr_zero(m)];
      if (c.EobRun > 0) FlushEobRun(c);
      int last = 0;  // the last coefficient coded
      while (nonzero) {
        const int k = std::countr_zero(nonzero);
        nonzero &= nonzero - 1;
        int run = k - last - 1;
        while (run > 15) {
          c.AcCodes.push_back(Code(0xF0, 0, 0));
          ++c.AcFreq[0xF0];
          run -= 16;
        }
        unsigned nbits, bits;
        Category(block[kNatural[k]], nbits, bits);
        const unsigned symbol = unsigned(run) << 4 | nbits;
        c.AcCodes.push_back(Code(symbol, nbits, bits));
        ++c.AcFreq[symbol];
        last = k;
      }
      if (last < 63 && ++c.EobRun == kMaxEobRun) FlushEobRun(c);
    }
  }
}

bool TProgressiveJpegWriter::Finish(std::vector<uint8_t>& out) {
  if (OutOfMemory || McuIndex != McusPerRow * McuRows) return false;
  try {
    for (int ci = 0; ci < Count; ++ci)
      if (Comp[ci].EobRun > 0) FlushEobRun(Comp[ci]);
    // The tables of every scan first: they give the most room the file can take (every byte of
    // coded data stuffed).
    THuffTable dc[2];
    bool usedDc[2] = {};
    for (int ci = 0; ci < Count; ++ci) usedDc[Comp[ci].DcTable] = true;
    size_t bits = 0;
    for (int t = 0; t < 2; ++t)
      if (usedDc[t]) {
        MakeTable(DcFreq[t], dc[t]);
        bits += CodedBits(DcFreq[t], dc[t], false) + 8;
      }
    THuffTable ac[3];
    for (int ci = 0; ci < Count; ++ci) {
      MakeTable(Comp[ci].AcFreq, ac[ci]);
      bits += CodedBits(Comp[ci].AcFreq, ac[ci], true) + 8;
    }
    const size_t room = bits / 4 + 4096;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[room]);
    TOut o(buffer.get());
    o.Marker(0xD8);  // start of image
    // JFIF header.
    o.Marker(0xE0);
    o.Word(16);
    for (char ch : {'J', 'F', 'I', 'F', '\0'}) o.Byte(uint8_t(ch));
    o.Byte(JfifMajor);
    o.Byte(JfifMinor);
    o.Byte(DensityUnit);
    o.Word(XDensity);
    o.Word(YDensity);
    o.Byte(0);
    o.Byte(0);
    // Quantisation tables in use, in zigzag order.
    bool written[NUM_QUANT_TBLS] = {};
    for (int ci = 0; ci < Count; ++ci) {
      const int q = Comp[ci].QuantTable;
      if (written[q]) continue;
      written[q] = true;
      const uint16_t* t = Quant[q];
      bool wide = false;
      for (int k = 0; k < 64; ++k) wide |= t[k] > 255;
      o.Marker(0xDB);
      o.Word(wide ? 2 + 1 + 128 : 2 + 1 + 64);
      o.Byte(unsigned((wide ? 0x10 : 0) | q));
      for (int k = 0; k < 64; ++k) {
        if (wide) o.Byte(t[kNatural[k]] >> 8);
        o.Byte(t[kNatural[k]] & 0xFFu);
      }
    }
    // Progressive frame header.
    o.Marker(0xC2);
    o.Word(unsigned(8 + 3 * Count));
    o.Byte(8);
    o.Word(Height);
    o.Word(Width);
    o.Byte(unsigned(Count));
    for (int ci = 0; ci < Count; ++ci) {
      o.Byte(unsigned(Comp[ci].Id));
      o.Byte(unsigned(Comp[ci].H << 4 | Comp[ci].V));
      o.Byte(unsigned(Comp[ci].QuantTable));
    }

    // The DC scan.
    for (int t = 0; t < 2; ++t)
      if (usedDc[t]) WriteTable(o, 0, t, dc[t]);
    o.Marker(0xDA);
    o.Word(unsigned(6 + 2 * Count));
    o.Byte(unsigned(Count));
    for (int ci = 0; ci < Count; ++ci) {
      o.Byte(unsigned(Comp[ci].Id));
      o.Byte(unsigned(Comp[ci].DcTable << 4));
    }
    o.Byte(0);
    o.Byte(0);
    o.Byte(0);
    {
      // The table of each DC code follows the block's component.
      const THuffTable* tables[2] = {&dc[0], &dc[1]};
      std::vector<uint8_t> tableOf;
      if (usedDc[0] && usedDc[1]) {
        uint8_t perBlock[10];
        for (int b = 0; b < BlocksInMcu; ++b) perBlock[b] = uint8_t(Comp[McuMembership[b]].DcTable);
        tableOf.resize(DcCodes.size());
        for (size_t i = 0; i < tableOf.size(); ++i) tableOf[i] = perBlock[i % size_t(BlocksInMcu)];
        WriteCodes(o, DcCodes, tables, tableOf.data());
      } else {
        const THuffTable* only[1] = {usedDc[0] ? &dc[0] : &dc[1]};
        WriteCodes(o, DcCodes, only, nullptr);
      }
    }
    o.EndBits();

    // One AC scan per component.
    for (int ci = 0; ci < Count; ++ci) {
      TComponent& c = Comp[ci];
      WriteTable(o, 1, c.AcTable, ac[ci]);
      o.Marker(0xDA);
      o.Word(8);
      o.Byte(1);
      o.Byte(unsigned(c.Id));
      o.Byte(unsigned(c.AcTable));
      o.Byte(1);
      o.Byte(63);
      o.Byte(0);
      const THuffTable* tables[1] = {&ac[ci]};
      WriteCodes(o, c.AcCodes, tables, nullptr);
      o.EndBits();
    }
    o.Marker(0xD9);  // end of image
    out.assign(buffer.get(), buffer.get() + o.Size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

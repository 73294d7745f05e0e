// GIF raster coding: the variable-width LZW decoder, and the LZW and run-length encoders that
// write the codes into data sub-blocks.
#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codecs/gif_image.h"
#include "platform/streams.h"

// ---- Decoding

namespace {

class TLZWDecoder {
public:
  TLZWDecoder(TGIFSubImage& frame, TStream& stream) : Frame(frame), Stream(stream) {}

  void Run();

private:
  int GetCode(int size);
  int DecodeNext() { return DecodeCode(GetCode(CodeSize)); }
  // The first pixel of code's string (the others wait on the stack), or a negative value at the
  // end of the data.
  int DecodeCode(int code);
  void Push(int value) {
    // A table whose prefix chains run in a circle would push forever: a valid chain is shorter
    // than the table.
    if (Sp >= StackSize) RaiseGifError("Circular decoder table entry");
    Stack[Sp++] = uint16_t(value);
  }
  int ReadPixel() { return Sp > 0 ? Stack[--Sp] : DecodeNext(); }
  // Adds the entry of the last code's string and the first pixel of this one (FirstCode), and
  // widens the codes when the table reaches the next power of two.
  void AddEntry();
  // Fills count pixels at out (stopping at the end of the data); false when the data ended.
  bool FillRun(uint8_t* out, int64_t count);
  // The same for pixels that follow one another in the output (frames that are not interlaced):
  // the string of a table entry is then already in the output, where the code before it was
  // written, and is copied from there instead of being walked back through the table.
  bool FillLinear(uint8_t* out, int64_t count);
  void FillRows();

  static constexpr int TableSize = 4096;
  static constexpr int StackSize = 8192;

  TGIFSubImage& Frame;
  TStream& Stream;
  int64_t StreamSize = 0;
  int InitCodeSize = 0, ClearCode = 0, EndCode = 0, CodeSize = 0, MaxCode = 0, MaxCodeSize = 0;
  int FirstCode = 0, OldCode = 0;
  uint16_t Prefix[TableSize];
  uint16_t Suffix[TableSize];
  uint16_t Stack[StackSize];
  int Sp = 0;
  // Where the string of each table entry lies in the output (-1: not known) and its length.
  int64_t Pos[TableSize];
  uint16_t Len[TableSize];
  // Where the last code's string was written, and whether it is that code's string as the table
  // gives it. After a code that the table does not hold, copying stays off for the frame.
  int64_t PrevPos = -1;
  int PrevLen = 0;
  bool PrevValid = false, CopyOff = false;
  uint8_t Buf[2 + 255 + 3] = {};
  int CurBit = 0, LastBit = 0, LastByte = 2;
  bool Done = false, ZeroBlock = false, Fresh = true;
  bool EndSkipped = false;  // the end code skipped the sub-blocks up to the terminator
  bool EndSeen = false;     // the end code has been read
};

int TLZWDecoder::GetCode(int size) {
  if (Fresh) {
    Fresh = false;
    return ClearCode;
  }
  if (EndSeen) return -1;
  if (CurBit + size >= LastBit) {
    if (Done) {
      if (CurBit >= LastBit) Frame.Warning(1, "Decoder bit buffer under-run");
      return -1;
    }
    Buf[0] = Buf[LastByte - 2];
    Buf[1] = Buf[LastByte - 1];
    uint8_t len;
    if (Stream.Read(&len, 1) != 1) return -1;
    int count = len;
    if (count > 0) {
      const int64_t left = StreamSize - Stream.Position();
      if (left < count) {
        Frame.Warning(1, "Premature end of data");
        count = int(std::max<int64_t>(left, 0));
      }
      if (count > 0) ReadExact(Stream, Buf + 2, count);
    } else {
      Done = true;
      ZeroBlock = true;
    }
    LastByte = 2 + count;
    CurBit = CurBit - LastBit + 16;
    LastBit = LastByte * 8;
  }
  const int i = CurBit >> 3;
  if (i < 0 || i + 2 >= int(sizeof Buf)) return -1;
  const uint32_t bits = uint32_t(Buf[i]) | (uint32_t(Buf[i + 1]) << 8) | (uint32_t(Buf[i + 2]) << 16);
  CurBit += size;
  return int((bits >> ((CurBit - size) & 7)) & ((1u << size) - 1));
}

int TLZWDecoder::DecodeCode(int code) {
  if (code < 0) return code;
  if (code == ClearCode) {
    for (int i = 0; i < ClearCode; ++i) Prefix[i] = 0, Suffix[i] = uint16_t(i);
    std::memset(Prefix + ClearCode, 0, sizeof(uint16_t) * size_t(TableSize - ClearCode));
    std::memset(Suffix + ClearCode, 0, sizeof(uint16_t) * size_t(TableSize - ClearCode));
    CodeSize = InitCodeSize + 1;
    MaxCodeSize = 2 * ClearCode;
    MaxCode = ClearCode + 2;
    Sp = 0;
    PrevValid = false;
    do code = GetCode(CodeSize);
    while (code == ClearCode);
    FirstCode = OldCode = code;
    if (code >= ClearCode) CopyOff = true;
    return code;
  }
  if (code == EndCode) {
    // Nothing after the end code belongs to this raster: later reads must not take the next
    // block's bytes for codes.
    EndSeen = true;
    if (!ZeroBlock) {
      SkipSubBlocks(Stream);
      EndSkipped = true;
    }
    return -2;
  }
  const int inCode = code;
  if (code > MaxCode) CopyOff = true;
  if (code >= MaxCode) {
    Push(FirstCode);
    code = OldCode;
  }
  while (code >= ClearCode) {
    Push(Suffix[code]);
    if (Prefix[code] == code) RaiseGifError("Circular decoder table entry");
    code = Prefix[code];
  }
  FirstCode = Suffix[code];
  Push(FirstCode);
  AddEntry();
  OldCode = inCode;
  return Stack[--Sp];
}

void TLZWDecoder::AddEntry() {
  if (MaxCode >= TableSize) return;
  Prefix[MaxCode] = uint16_t(OldCode < 0 ? 0 : OldCode);
  Suffix[MaxCode] = uint16_t(FirstCode);
  Pos[MaxCode] = PrevValid ? PrevPos : -1;
  Len[MaxCode] = uint16_t(PrevLen + 1);
  ++MaxCode;
  if (MaxCode >= MaxCodeSize && MaxCodeSize < TableSize) {
    MaxCodeSize *= 2;
    ++CodeSize;
  }
}

bool TLZWDecoder::FillRun(uint8_t* out, int64_t count) {
  while (count > 0) {
    if (Sp > 0) {
      const int n = int(std::min<int64_t>(Sp, count));
      for (int k = 0; k < n; ++k) out[k] = uint8_t(Stack[--Sp]);
      out += n;
      count -= n;
    } else {
      const int v = DecodeNext();
      if (v < 0) return false;
      *out++ = uint8_t(v);
      --count;
    }
  }
  return true;
}

bool TLZWDecoder::FillLinear(uint8_t* out, int64_t count) {
  int64_t pos = 0;
  while (pos < count) {
    if (Sp > 0) {
      out[pos++] = uint8_t(Stack[--Sp]);
      continue;
    }
    const int code = GetCode(CodeSize);
    // Room for whole 16-byte pieces behind the string.
    if (code >= ClearCode + 2 && code < MaxCode && !CopyOff && Pos[code] >= 0 && pos + Len[code] + 16 <= count) {
      const int len = Len[code];
      const uint8_t* src = out + Pos[code];
      uint8_t* dst = out + pos;
      // The string ends before the place it goes to; each piece is read whole before it is
      // written, so the bytes past the string that a piece carries along are overwritten later.
      for (int k = 0; k < len; k += 16) {
#if defined(__SSE2__)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + k), _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k)));
#else
        uint8_t piece[16];
        std::memcpy(piece, src + k, 16);
        std::memcpy(dst + k, piece, 16);
#endif
      }
      FirstCode = dst[0];
      AddEntry();
      OldCode = code;
      PrevPos = pos;
      PrevLen = len;
      PrevValid = true;
      pos += len;
      continue;
    }
    const int v = DecodeCode(code);
    if (v < 0) return false;
    PrevPos = pos;
    PrevLen = 1 + Sp;
    PrevValid = !CopyOff;
    out[pos++] = uint8_t(v);
  }
  return true;
}

void TLZWDecoder::FillRows() {
  const int w = Frame.Width(), h = Frame.Height();
  uint8_t* data = Frame.Data.data();
  if (!Frame.Interlaced()) {
    FillLinear(data, int64_t(w) * h);
    return;
  }
  static const int start[4] = {0, 4, 2, 1};
  static const int step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = start[pass]; y < h; y += step[pass])
      if (!FillRun(data + int64_t(y) * w, w)) return;
}

void TLZWDecoder::Run() {
  StreamSize = Stream.Size();
  const int first = StreamReadByte(Stream);
  if (first < 0) return;
  InitCodeSize = first;
  if (InitCodeSize > 11) {
    // Codes would address entries beyond the 4096 of the string table: the raster cannot be
    // decoded. Its sub-blocks are passed over so that the frames after it still load.
    Frame.Warning(1, "Invalid LZW code size");
    SkipSubBlocks(Stream);
    return;
  }
  ClearCode = 1 << InitCodeSize;
  EndCode = ClearCode + 1;
  CodeSize = InitCodeSize + 1;
  MaxCodeSize = 2 * ClearCode;
  MaxCode = ClearCode + 2;
  std::memset(Prefix, 0, sizeof Prefix);
  std::memset(Suffix, 0, sizeof Suffix);
  try {
    FillRows();
  } catch (...) {
    try {
      ReadPixel();
    } catch (...) {
      // The error that ended the rows is the one raised below; this one adds nothing.
    }
    throw;
  }
  ReadPixel();
  // Codes left over after the last pixel: pass over the rest of the raster up to its terminator,
  // so that the next block is read from the right place.
  if (!ZeroBlock && !EndSkipped) SkipSubBlocks(Stream);
}

}  // namespace

void LZWDecode(TGIFSubImage& frame, TStream& stream) {
  frame.NewImage();
  if (!frame.Data.empty()) {
    const uint8_t fill = frame.Transparent ? frame.TransparentColorIndex() : 0;
    if (fill) std::memset(frame.Data.data(), fill, frame.Data.size());
  }
  if (frame.Data.empty()) {
    // Nothing to fill; the raster is still passed over.
    if (StreamReadByte(stream) >= 0) SkipSubBlocks(stream);
    return;
  }
  auto decoder = std::make_unique<TLZWDecoder>(frame, stream);
  decoder->Run();
}

// ---- Encoding: shared part

void TGIFEncoder::FlushWriter() {
  Buffer[0] = uint8_t(BufferCount - 1);
  Stream->WriteBuffer(Buffer, BufferCount);
  BufferCount = 1;
  Dirty = false;
}

void TGIFEncoder::Compress(TStream& stream, int bitsPerPixel, int colorCount, const uint8_t* data, bool interlace,
                           int height, int width) {
  Stream = &stream;
  BitsPerPixel = std::max(2, bitsPerPixel);
  ColorCount = colorCount;
  Data = data;
  Interlace = interlace;
  Height = height;
  Width = width;
  StreamWriteByte(stream, uint8_t(BitsPerPixel));
  InitBits = BitsPerPixel + 1;
  CodeBits = InitBits;
  MaxCodeValue = (1 << InitBits) - 1;
  ClearCode = 1 << BitsPerPixel;
  EndCode = ClearCode + 1;
  BaseCode = ClearCode + 2;
  Accumulator = 0;
  AccumulatorBits = 0;
  RowLeft = Interlace ? int64_t(Width) : int64_t(Width) * Height;
  Row = 0;
  Pass = 0;
  Pixel = Data;
  BufferCount = 1;
  Dirty = false;
  if (Data && Width >= 1 && Height >= 1) DoCompress();
  Output(EndCode);
  if (Dirty) FlushWriter();
  StreamWriteByte(stream, 0);
}

void TGIFEncoder::Output(int code) {
  Accumulator |= uint32_t(code) << AccumulatorBits;
  AccumulatorBits += CodeBits;
  while (AccumulatorBits >= 8) {
    WriteByte(uint8_t(Accumulator));
    Accumulator >>= 8;
    AccumulatorBits -= 8;
  }
  if (code == EndCode && AccumulatorBits > 0) {
    WriteByte(uint8_t(Accumulator));
    Accumulator = 0;
    AccumulatorBits = 0;
  }
}

void TGIFEncoder::Clear() {
  JustCleared = true;
  Output(ClearCode);
}

bool TGIFEncoder::NextPixel() {
  if (--RowLeft > 0) return true;
  if (!Interlace) return false;
  RowLeft = Width;
  static const int start[4] = {0, 4, 2, 1};
  static const int step[4] = {8, 8, 4, 2};
  Row += step[Pass];
  while (Row >= Height) {
    if (++Pass > 3) return false;
    Row = start[Pass];
  }
  Pixel = Data + int64_t(Row) * Width;
  return true;
}

// ---- LZW

namespace {
// The string table: one 32-bit word per slot holding key * 4096 + code (a probe is one
// comparison), all bits set marking an empty slot; a key is prefix code * 256 + pixel (20 bits).
// 8192 slots, a mask for the hash and linear probing keep the per-pixel dependency chain short:
// a division on it (a prime table size) would cost more than the probing saves.
constexpr int HashSize = 8192;
constexpr uint32_t HashEmpty = 0xFFFFFFFFu;
inline int HashKey(uint32_t key) { return int(((key >> 12) ^ key) & (HashSize - 1)); }
inline int NextHash(int h) { return (h + 1) & (HashSize - 1); }
}  // namespace

void TLZWEncoder::Output(int code) {
  TGIFEncoder::Output(code);
  if (FreeCode > MaxCodeValue || JustCleared) {
    if (JustCleared) {
      CodeBits = InitBits;
      MaxCodeValue = (1 << CodeBits) - 1;
      JustCleared = false;
    } else {
      ++CodeBits;
      MaxCodeValue = CodeBits == 12 ? 4096 : (1 << CodeBits) - 1;
    }
  }
}

void TLZWEncoder::Clear() {
  TGIFEncoder::Clear();
  static_assert(HashEmpty == 0xFFFFFFFFu, "an empty slot is all bits set");
  std::memset(HashTable.data(), 0xFF, HashTable.size() * sizeof(uint32_t));
  FreeCode = ClearCode + 2;
}

void TLZWEncoder::DoCompress() {
  HashTable.resize(HashSize);  // emptied by Clear
  uint32_t* table = HashTable.data();
  Clear();
  int c = *Pixel++;
  if (c >= ColorCount) RaiseGifError("Color not in color table");
  int prefix = c;
  // The pixels come in runs of the walk (the whole frame, or one row of an interlaced frame);
  // each run is coded in a tight loop.
  for (;;) {
    const int64_t run = RowLeft - 1;
    const uint8_t* p = Pixel;
    const uint8_t* const end = p + run;
    while (p < end) {
      c = *p++;
      if (c >= ColorCount) RaiseGifError("Color not in color table");
      const uint32_t key = (uint32_t(prefix) << 8) | uint32_t(c);
      // Lookup: a slot holds key * 4096 + code; all upper bits set marks an empty slot.
      int h = HashKey(key);
      uint32_t e = table[h];
      while ((e >> 12) != key && (e >> 12) != (HashEmpty >> 12)) {
        h = NextHash(h);
        e = table[h];
      }
      if ((e >> 12) == key) {
        prefix = int(e & 0xFFF);
        continue;
      }
      Output(prefix);
      prefix = c;
      if (FreeCode >= 4095) {
        Clear();
      } else {
        table[h] = (key << 12) | uint32_t(FreeCode & 0xFFF);  // h is the empty slot the lookup ended at
        ++FreeCode;
      }
    }
    Pixel = p;
    RowLeft = 1;
    if (!NextPixel()) break;
    // NextPixel moved to the next row of an interlaced frame: its first pixel goes through the
    // same step as every other.
    ++RowLeft;
  }
  Prefix = prefix;
  Output(Prefix);
  HashTable.clear();
  HashTable.shrink_to_fit();
}

// ---- Run-length coding

unsigned ISqrt(unsigned x) {
  if (x < 2) return x;
  unsigned r = 1;
  for (unsigned v = x; v; v >>= 2) r <<= 1;
  for (;;) {
    const unsigned v = (x / r + r) / 2;
    if (v == r || v == r + 1) return r;
    r = v;
  }
}

unsigned TriangleCount(unsigned count, unsigned repCodes) {
  unsigned cost = 0;
  const unsigned perRep = repCodes * (repCodes + 1) / 2;
  while (count >= perRep) {
    cost += repCodes;
    count -= perRep;
  }
  if (count > 0) {
    unsigned n = ISqrt(count);
    while (n * (n + 1) >= 2 * count) --n;
    while (n * (n + 1) < 2 * count) ++n;
    cost += n;
  }
  return cost;
}

void TRLEEncoder::Clear() {
  OutBump = OutBumpInit;
  OutClear = OutClearInit;
  OutCount = 0;
  TableMax = 0;
  TGIFEncoder::Clear();
  CodeBits = InitBits;
}

void TRLEEncoder::OutputPlain(int code) {
  JustCleared = false;
  Output(code);
  ++OutCount;
  if (OutCount >= OutBump) {
    ++CodeBits;
    OutBump += 1 << (CodeBits - 1);
  }
  if (OutCount >= OutClear) Clear();
}

void TRLEEncoder::ResetOutClear() {
  OutClear = OutClearInit;
  if (OutCount >= OutClear) Clear();
}

void TRLEEncoder::FlushFromClear(int count) {
  OutClear = MaxCodes;
  TablePixel = RunPixel;
  int n = 1;
  while (count > 0) {
    if (n == 1) {
      TableMax = 1;
      OutputPlain(RunPixel);
      --count;
    } else if (count >= n) {
      TableMax = n;
      OutputPlain(BaseCode + n - 2);
      count -= n;
    } else if (count == 1) {
      ++TableMax;
      OutputPlain(RunPixel);
      count = 0;
    } else {
      ++TableMax;
      OutputPlain(BaseCode + count - 2);
      count = 0;
    }
    n = OutCount == 0 ? 1 : n + 1;
  }
  ResetOutClear();
}

void TRLEEncoder::FlushClearOrRepeat(int count) {
  const int withClear = 1 + int(TriangleCount(unsigned(count), unsigned(MaxCodes)));
  if (withClear < count) {
    Clear();
    FlushFromClear(count);
  } else {
    for (; count > 0; --count) OutputPlain(RunPixel);
  }
}

void TRLEEncoder::FlushWithTable(int count) {
  int reps = count / TableMax;
  int leftover = count % TableMax;
  int repLeft = leftover > 0 ? 1 : 0;
  if (OutCount + reps + repLeft > MaxCodes) {
    reps = MaxCodes - OutCount;
    leftover = count - reps * TableMax;
    repLeft = 1 + int(TriangleCount(unsigned(leftover), unsigned(MaxCodes)));
  }
  if (1 + int(TriangleCount(unsigned(count), unsigned(MaxCodes))) < reps + repLeft) {
    Clear();
    FlushFromClear(count);
    return;
  }
  OutClear = MaxCodes;
  for (; reps > 0; --reps) OutputPlain(BaseCode + TableMax - 2);
  if (leftover > 0) {
    if (JustCleared)
      FlushFromClear(leftover);
    else if (leftover == 1)
      OutputPlain(RunPixel);
    else
      OutputPlain(BaseCode + leftover - 2);
  }
  ResetOutClear();
}

void TRLEEncoder::Flush(int count) {
  if (count == 1)
    OutputPlain(RunPixel);
  else if (JustCleared)
    FlushFromClear(count);
  else if (TableMax < 2 || TablePixel != RunPixel)
    FlushClearOrRepeat(count);
  else
    FlushWithTable(count);
}

void TRLEEncoder::DoCompress() {
  MaxCodes = 4095 - BaseCode;
  OutBumpInit = ClearCode - 1;
  OutClearInit = BitsPerPixel > 3 ? OutBumpInit - 1 : 9;
  Clear();
  Pixel = Data;
  RunPixel = -1;
  int runCount = 0;
  do {
    const int c = *Pixel++;
    if (c >= ColorCount) RaiseGifError("Color not in color table");
    if (runCount >= 1 && c != RunPixel) {
      Flush(runCount);
      runCount = 0;
    }
    if (c != RunPixel) {
      RunPixel = c;
      runCount = 1;
    } else {
      ++runCount;
    }
  } while (NextPixel());
  Flush(runCount);
}

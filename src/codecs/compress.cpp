// The compressed stream container: header, the two stream operations, the buffered byte reader
// and writer of the working state, and the stored and run-length methods.
#include "codecs/compress.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "codecs/byte_sum.h"
#include "codecs/compress_coders.h"

const char* const MethodIds[CompressMethodCount] = {"NON", "RLE", "LZH", "CUS", "LH5"};

namespace {

constexpr char Signature[5] = {'V', 'E', 'L', 'K', 0x1A};

const char* const MsgUnableToCompress = "Could not compress data, will store instead";
const char* const MsgMultiArchive = "Expand can't handle caMulti archive type in compressed header";
const char* const MsgBadChecksum = "Bad checksum during expansion -- data may be invalid";
const char* const MsgLocked = "File locked -- valid key required";
const char* const MsgEndsEarly = "Compressed data ends early -- data may be invalid";
const char* const MsgSizeTooLarge = "Uncompressed size in compressed header is larger than its data can hold";

int64_t MillisecondsNow() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The most bytes that `left` bytes of coded data can expand to with a method; a header that
// claims more is refused before anything is allocated for it.
int64_t MaxExpandedSize(int method, int64_t left) {
  switch (method) {
    case cmNON:
      return left;
    case cmRLE:  // an escape and a count repeat the last byte up to 254 times
      return left * 128 + 256;
    case cmLZH:  // a match of 60 bytes costs at least 10 bits, a literal at least 1
      return left * 48 + 64;
    case cmLH5: {  // a block header costs at least 52 bits and carries at most 65536 symbols
      const int64_t blocks = left * 8 / 52 + 1;
      return blocks * 65536 * 256;
    }
    default:
      return INT64_MAX;
  }
}

}  // namespace

int64_t PercentOf(int64_t part, int64_t whole) {
  if (whole <= 0) return 0;
  if (whole <= 100000) return part * 100 / whole;
  return part / (whole / 100);
}

// ---- working state

TCompThreadSafety::TCompThreadSafety() = default;
TCompThreadSafety::~TCompThreadSafety() = default;

void TCompThreadSafety::ThrowUnableToCompress() { throw EUnableToCompress(MsgUnableToCompress); }

bool TCompThreadSafety::Refill() {
  EndOfInput = true;
  InPos = InEnd = 0;
  if (BytesLeft <= 0) return false;
  if (ChunkSize > BytesLeft) ChunkSize = BytesLeft;
  int64_t n = InStream->Read(InBuf.get(), ChunkSize);
  if (n < 0) n = 0;
  BytesLeft -= n;
  if (n == 0) {
    BytesLeft = 0;  // the stream is shorter than announced: the input ends here
    return false;
  }
  InEnd = int(n);
  if (Progress && *Progress) {
    ReadSoFar += n;
    int32_t percent = int32_t(PercentOf(ReadSoFar, ReadSoFar + BytesLeft));
    (*Progress)(percent);
    if (percent == -1) {  // abandoned: the input ends here
      InPos = InEnd = 0;
      BytesLeft = 0;
      return false;
    }
  }
  EndOfInput = false;
  return true;
}

int TCompThreadSafety::ReadSourceBlock(uint8_t* dest, int count) {
  int got = 0;
  while (got < count) {
    if (InPos >= InEnd && !Refill()) break;
    const int n = std::min(count - got, InEnd - InPos);
    const uint8_t* src = InBuf.get() + InPos;
    InSum += ByteSum(src, size_t(n));
    if (XorOnRead) {
      for (int i = 0; i < n; ++i) {
        dest[got + i] = src[i] ^ KeyBytes[KeyIndex];
        KeyIndex = (KeyIndex + 1) & 3;
      }
    } else {
      std::memcpy(dest + got, src, size_t(n));
    }
    InPos += n;
    got += n;
  }
  return got;
}

void TCompThreadSafety::WriteDestBlock(const uint8_t* data, int64_t count) {
  if (XorOnWrite || count > Budget) {
    for (int64_t i = 0; i < count; ++i) WriteDestByte(data[i]);
    return;
  }
  Budget -= count;
  OutCount += count;
  OutSum += ByteSum(data, size_t(count));
  while (count > 0) {
    if (OutPos >= BufferSize) FlushOutput();
    const int n = int(std::min<int64_t>(count, BufferSize - OutPos));
    std::memcpy(OutBuf.get() + OutPos, data, size_t(n));
    OutPos += n;
    data += n;
    count -= n;
  }
}

void TCompThreadSafety::FlushOutput() {
  if (OutPos > 0) OutStream->WriteBuffer(OutBuf.get(), OutPos);
  OutPos = 0;
}

// ---- stored and run-length methods

void StoreCopy(TCompThreadSafety& s) {
  uint8_t buffer[TCompThreadSafety::BufferSize];
  for (;;) {
    const int n = s.ReadSourceBlock(buffer, int(sizeof buffer));
    s.WriteDestBlock(buffer, n);
    if (n < int(sizeof buffer)) return;
  }
}

namespace {
// A run of n = 3..255 equal bytes follows its first byte as the escape and n; n = 0 codes the
// escape byte itself; a pair stays two literal bytes.
void PutRun(TCompThreadSafety& s, int n, uint8_t c) {
  if (n == 1 || n == 2) {
    for (int i = 0; i < n - 1; ++i) s.WriteDestByte(c);
  } else {
    s.WriteDestByte(RLEEscape);
    s.WriteDestByte(uint8_t(n));
  }
}
}  // namespace

void RLECompress(TCompThreadSafety& s) {
  for (;;) {
    const uint8_t c = s.ReadSourceByte();
    if (s.EndOfInput) break;
    if (s.InRun) {
      if (c != s.LastByte || s.RunCount >= 255) {
        PutRun(s, s.RunCount, s.LastByte);
        s.LastByte = c;
        if (c == RLEEscape)
          PutRun(s, 0, RLEEscape);
        else
          s.WriteDestByte(c);
        s.InRun = false;
      } else {
        ++s.RunCount;
      }
    } else {
      if (c == RLEEscape) {
        PutRun(s, 0, c);
      } else if (c == s.LastByte && !s.FirstByte) {
        s.RunCount = 2;
        s.InRun = true;
      } else {
        s.WriteDestByte(c);
      }
      s.LastByte = c;
    }
    s.FirstByte = false;
  }
  if (s.InRun) PutRun(s, s.RunCount, s.LastByte);
}

void RLEExpand(TCompThreadSafety& s) {
  for (;;) {
    const uint8_t c = s.ReadSourceByte();
    if (s.EndOfInput) return;
    if (c == RLEEscape) {
      const uint8_t n = s.ReadSourceByte();
      if (s.EndOfInput) return;
      if (n == 0) {
        s.WriteDestByte(RLEEscape);
      } else {
        for (int i = 0; i < n - 1; ++i) s.WriteDestByte(s.LastByte);
      }
    } else {
      s.WriteDestByte(c);
    }
    s.LastByte = c;
  }
}

// ---- the component

TCompress::TCompress() : State(std::make_unique<TCompThreadSafety>()) {}
TCompress::~TCompress() = default;

void TCompress::SetTargetPath(const std::string& value) {
  FTargetPath = value;
  if (!FTargetPath.empty() && FTargetPath.back() != '\\') FTargetPath += '\\';
}

int TCompress::MethodIndexOf(const std::string& id) {
  for (int i = 0; i < CompressMethodCount; ++i)
    if (id == MethodIds[i]) return i;
  bool recognized = false;
  if (OnRecognize) OnRecognize(id, recognized);
  if (recognized) return cmCUS;
  throw EUnrecognizedCompressionMethod("Unrecognized compression method: \"" + id + "\" in header");
}

int64_t TCompress::CodeStream(bool compressing, int method, TStream& dest, TStream& source, int64_t count,
                              uint32_t uncompressedSize, uint32_t flags, int headerSize, uint32_t& checksum) {
  checksum = 0;
  if (OnShowProgress) {
    int32_t percent = 0;
    OnShowProgress(percent);
    if (percent == -1) return 0;
  }
  TCompThreadSafety& s = *State;
  s.InStream = &source;
  s.OutStream = &dest;
  s.InBuf = std::make_unique<uint8_t[]>(TCompThreadSafety::BufferSize);
  s.OutBuf = std::make_unique<uint8_t[]>(TCompThreadSafety::BufferSize);
  s.InPos = s.InEnd = 0;
  s.OutPos = 0;
  s.EndOfInput = false;
  s.FirstByte = true;
  s.InRun = false;
  s.LastByte = 0;
  s.RunCount = 0;
  s.BytesLeft = std::max<int64_t>(count, 0);
  s.ChunkSize = TCompThreadSafety::BufferSize;
  s.InSum = s.OutSum = 0;
  s.ReadSoFar = 0;
  s.InputOverrun = false;
  s.Budget = compressing ? s.BytesLeft - headerSize : 0x7FFFFFFF;
  s.XorOnWrite = compressing && Key != 0;
  s.XorOnRead = !compressing && Key != 0 && flags == 2;
  const uint32_t key = uint32_t(Key);
  for (int i = 0; i < 4; ++i) s.KeyBytes[i] = uint8_t(key >> (8 * i));
  s.KeyIndex = 0;
  s.OutCount = 0;
  s.Progress = OnShowProgress ? &OnShowProgress : nullptr;
  struct FreeBuffers {
    TCompThreadSafety& s;
    ~FreeBuffers() {
      s.InBuf.reset();
      s.OutBuf.reset();
      s.LZH.reset();
      s.LH5.reset();
      s.Progress = nullptr;
    }
  } freeBuffers{s};

  switch (method) {
    case cmNON:
      StoreCopy(s);
      break;
    case cmRLE:
      compressing ? RLECompress(s) : RLEExpand(s);
      break;
    case cmLZH:
      compressing ? LZHCompress(s) : LZHExpand(s, uncompressedSize);
      break;
    case cmLH5:
      compressing ? LH5Compress(s) : LH5Expand(s, uncompressedSize);
      break;
    default:
      break;
  }
  checksum = compressing ? s.InSum : s.OutSum;
  s.FlushOutput();
  const int64_t written = s.OutCount;
  if (OnShowProgress) {
    int32_t percent = 100;
    OnShowProgress(percent);
  }
  return written;
}

void TCompress::CompressStream(TStream& Dest, TStream& Source, uint8_t Method) {
  const int64_t started = MillisecondsNow();
  CompressionRatio = 100;
  if (Method >= CompressMethodCount)
    throw EUnrecognizedCompressionMethod("Unrecognized compression method: \"" + std::to_string(Method) + "\"");
  int method = Method;
  if (method == cmCUS && !OnCompress) method = cmNON;
  const int64_t size = Source.Size();
  if (size > int64_t(UINT32_MAX)) throw EInvalidOperation("Stream too large to compress");
  if (size < CompressHeaderSize) method = cmNON;
  const int64_t start = Dest.Position();
  // Plain stored bytes that begin with the signature would be read back as a header: such a
  // source gets a header (method "NON") even without a key.
  bool startsLikeHeader = false;
  if (size >= CompressHeaderSize) {
    const int64_t at = Source.Position();
    char first[5];
    startsLikeHeader = Source.Read(first, 5) == 5 && std::memcmp(first, Signature, 5) == 0;
    Source.SetPosition(at);
  }
  const bool headedEvenIfStored = Key != 0 || startsLikeHeader;

  TCompressHeader header{};
  std::memcpy(header.Signature, Signature, 5);
  std::memcpy(header.MethodId, MethodIds[method], 3);
  header.UncompressedSize = uint32_t(size);
  header.ArchiveType = 0;
  header.Checksum = 0;
  // Any key locks the stream: the data are XORed with it whatever its sign.
  header.Flags = Key != 0 ? 2 : 0;
  if (method != cmNON || headedEvenIfStored) Dest.WriteBuffer(&header, CompressHeaderSize);
  int headerSize = method != cmNON ? CompressHeaderSize : 0;

  std::string methodId = MethodIds[method];
  uint32_t checksum = 0;
  int64_t outCount = 0;
  auto compressWithMethod = [&] {
    if (method == cmCUS) {
      int32_t sum = 0, outputSize = 0;
      OnCompress(Dest, Source, methodId, outputSize, sum);
      checksum = uint32_t(sum);
      outCount = outputSize;
    } else {
      outCount = CodeStream(true, method, Dest, Source, size, 0, 0, headerSize, checksum);
    }
    checksum += uint32_t(Key);
  };
  try {
    compressWithMethod();
  } catch (const EUnableToCompress&) {
    // Store instead; the stored copy covers every byte the failed attempt wrote.
    headerSize = 0;
    method = cmNON;
    methodId = MethodIds[cmNON];
    Source.SetPosition(0);
    Dest.SetPosition(headedEvenIfStored ? start + CompressHeaderSize : start);
    compressWithMethod();
  }
  headerSize = 0;

  if (method != cmNON || headedEvenIfStored) {
    if (size > 0) CompressionRatio = PercentOf(outCount + CompressHeaderSize, size);
    const int64_t end = Dest.Position();
    Dest.SetPosition(start);
    std::memset(header.MethodId, ' ', 3);
    std::memcpy(header.MethodId, methodId.data(), std::min<size_t>(methodId.size(), 3));
    header.Checksum = checksum;
    Dest.WriteBuffer(&header, CompressHeaderSize);
    Dest.SetPosition(end);
  }
  Duration = MillisecondsNow() - started;
}

void TCompress::ExpandStream(TStream& Dest, TStream& Source) {
  const int64_t started = MillisecondsNow();
  struct SetDuration {
    TCompress& c;
    int64_t started;
    ~SetDuration() { c.Duration = MillisecondsNow() - started; }
  } setDuration{*this, started};

  const int64_t start = Source.Position();
  int64_t left = Source.Size() - start;
  uint32_t sum = 0;
  // Fewer bytes than a header are plain data. A stream of exactly a header's length is read as a
  // header when it has the signature (a keyed empty source, or a compression abandoned at once),
  // so that it is not taken for 21 bytes of data.
  if (left < CompressHeaderSize) {
    CodeStream(false, cmNON, Dest, Source, left, 0, 0, 0, sum);
    return;
  }
  TCompressHeader header;
  Source.ReadBuffer(&header, CompressHeaderSize);
  if (std::memcmp(header.Signature, Signature, 5) != 0) {
    Source.SetPosition(start);
    Dest.CopyFrom(Source, left);
    return;
  }
  if (header.ArchiveType != 0) throw EInvalidHeaderArchiveType(MsgMultiArchive);
  const std::string id(header.MethodId, 3);
  const int method = MethodIndexOf(id);
  left -= CompressHeaderSize;
  const int32_t flags = int32_t(header.Flags);
  const uint32_t size = header.UncompressedSize;
  if (flags > 0 && Key == 0) throw EInvalidKey(MsgLocked);
  if (int64_t(size) > MaxExpandedSize(method, left)) throw EBadChecksum(MsgSizeTooLarge);
  // Room for the announced size is reserved, not filled: a header that announces megabytes costs
  // nothing until the bytes are written, and a stream that ends early costs what it wrote. A custom
  // method's hook still finds the announced size in place, as it always has.
  if (auto* memory = dynamic_cast<TMemoryStream*>(&Dest)) {
    if (method == cmCUS) memory->SetSize(memory->Size() + size);
    else memory->Data.reserve(size_t(memory->Size()) + size);
  }

  if (method == cmCUS) {
    if (OnExpand) {
      int32_t checksum = 0;
      OnExpand(Dest, Source, int32_t(left), int32_t(size), id, checksum);
      sum = uint32_t(checksum);
    }
  } else {
    int64_t written = 0;
    try {
      written = CodeStream(false, method, Dest, Source, left, size, uint32_t(flags), 0, sum);
    } catch (const ELZHBadDecodeTable&) {
      if (flags > 0) throw EInvalidKey(MsgLocked);
      throw;
    }
    // A cut or overlong stream never passes as a short or long result.
    const bool cut = State->InputOverrun || written < int64_t(size);
    if (cut || written > int64_t(size)) {
      if (flags > 0) throw EInvalidKey(MsgLocked);
      throw EBadChecksum(cut ? MsgEndsEarly : MsgBadChecksum);
    }
  }

  const uint32_t stored = header.Checksum;
  if (sum == stored) return;
  if (stored == 0 && method == cmNON) return;
  if (flags > 0) {
    if (uint32_t(sum + uint32_t(Key)) == stored) return;
    throw EInvalidKey(MsgLocked);
  }
  throw EBadChecksum(MsgBadChecksum);
}

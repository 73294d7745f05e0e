#include "codecs/deflate_stream.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace {
const char* const kInvalidOperation = "Invalid ZStream operation!";
const int kLevels[4] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION, Z_BEST_COMPRESSION};
// zlib takes counts as unsigned int: larger transfers go in pieces of this size.
constexpr int64_t kMaxPiece = int64_t(1) << 30;
}  // namespace

std::string ZLibErrorText(int code) {
  switch (code) {
    case Z_OK: return "";
    case Z_STREAM_END: return "stream end";
    case Z_NEED_DICT: return "need dictionary";
    case Z_ERRNO: return "file error";
    case Z_STREAM_ERROR: return "stream error";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "insufficient memory";
    case Z_BUF_ERROR: return "buffer error";
    case Z_VERSION_ERROR: return "incompatible version";
    default: return "";
  }
}

int CCheck(int code) {
  if (code < 0) throw EZCompressionError(ZLibErrorText(code));
  return code;
}

int DCheck(int code) {
  if (code < 0) throw EZDecompressionError(ZLibErrorText(code));
  return code;
}

// ---------------------------------------------------------------------------------------------

TCustomZStream::TCustomZStream(TStream& strm) : FStrm(strm), FStrmPos(strm.Position()) {
  std::memset(&FZRec, 0, sizeof FZRec);
}

void TCustomZStream::RestorePosition() {
  if (FStrm.Position() != FStrmPos) FStrm.SetPosition(FStrmPos);
}

// ---------------------------------------------------------------------------------------------

TZCompressionStream::TZCompressionStream(int levelIndex, TStream& dest) : TCustomZStream(dest) {
  if (levelIndex < 0 || levelIndex > 3) levelIndex = zcDefault;
  FZRec.next_out = FBuffer;
  FZRec.avail_out = BufferSize;
  CCheck(deflateInit2(&FZRec, kLevels[levelIndex], Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY));
}

TZCompressionStream::~TZCompressionStream() {
  // Destroying the object completes the compressed data, also while an exception unwinds.
  try {
    Finish();
  } catch (...) {
  }
  if (!Finished) deflateEnd(&FZRec);
}

void TZCompressionStream::FlushBuffer() {
  FStrm.WriteBuffer(FBuffer, BufferSize);
  FZRec.next_out = FBuffer;
  FZRec.avail_out = BufferSize;
  FStrmPos = FStrm.Position();
  Progress();
}

void TZCompressionStream::Finish() {
  if (Finished) return;
  FZRec.next_in = nullptr;
  FZRec.avail_in = 0;
  RestorePosition();
  while (CCheck(deflate(&FZRec, Z_FINISH)) != Z_STREAM_END && FZRec.avail_out == 0) FlushBuffer();
  if (FZRec.avail_out < unsigned(BufferSize)) {
    FStrm.WriteBuffer(FBuffer, BufferSize - FZRec.avail_out);
    FZRec.next_out = FBuffer;
    FZRec.avail_out = BufferSize;
    FStrmPos = FStrm.Position();
  }
  Finished = true;
  deflateEnd(&FZRec);
}

int64_t TZCompressionStream::Read(void*, int64_t) { throw EZCompressionError(kInvalidOperation); }

int64_t TZCompressionStream::Write(const void* buffer, int64_t count) {
  if (Finished) throw EZCompressionError(kInvalidOperation);
  if (count <= 0) return 0;
  RestorePosition();
  const auto* src = static_cast<const unsigned char*>(buffer);
  int64_t left = count;
  while (left > 0) {
    const int64_t piece = std::min(left, kMaxPiece);
    FZRec.next_in = const_cast<unsigned char*>(src);
    FZRec.avail_in = uInt(piece);
    while (FZRec.avail_in > 0) {
      CCheck(deflate(&FZRec, Z_NO_FLUSH));
      if (FZRec.avail_out == 0) FlushBuffer();
    }
    src += piece;
    left -= piece;
  }
  return count;
}

int64_t TZCompressionStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (offset == 0 && origin == soCurrent) return int64_t(FZRec.total_in);
  throw EZCompressionError(kInvalidOperation);
}

void TZCompressionStream::SetSize(int64_t) { throw EZCompressionError(kInvalidOperation); }

// ---------------------------------------------------------------------------------------------

TZDecompressionStream::TZDecompressionStream(TStream& source) : TCustomZStream(source) {
  FZRec.next_in = FBuffer;
  FZRec.avail_in = 0;
  DCheck(inflateInit(&FZRec));
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(&FZRec); }

int64_t TZDecompressionStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  auto* dst = static_cast<unsigned char*>(buffer);
  int64_t done = 0;
  RestorePosition();
  while (done < count && !Ended) {
    const int64_t piece = std::min(count - done, kMaxPiece);
    FZRec.next_out = dst + done;
    FZRec.avail_out = uInt(piece);
    while (FZRec.avail_out > 0) {
      if (FZRec.avail_in == 0) {
        const int64_t got = FStrm.Read(FBuffer, BufferSize);
        if (got <= 0) return done + (piece - FZRec.avail_out);
        FZRec.next_in = FBuffer;
        FZRec.avail_in = uInt(got);
        FStrmPos = FStrm.Position();
        Progress();
      }
      const int result = DCheck(inflate(&FZRec, Z_NO_FLUSH));
      if (result == Z_STREAM_END) {
        // The zlib stream is complete: whatever follows it is not ours to inflate.
        Ended = true;
        break;
      }
      // A preset dictionary is never supplied: inflate would make no progress again and again.
      if (result == Z_NEED_DICT) throw EZDecompressionError(ZLibErrorText(Z_NEED_DICT));
    }
    done += piece - FZRec.avail_out;
  }
  return done;
}

int64_t TZDecompressionStream::Write(const void*, int64_t) { throw EZDecompressionError(kInvalidOperation); }

int64_t TZDecompressionStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (offset == 0 && origin == soBeginning) {
    DCheck(inflateReset(&FZRec));
    FZRec.next_in = FBuffer;
    FZRec.avail_in = 0;
    Ended = false;
    FStrm.SetPosition(0);
    FStrmPos = 0;
  } else if ((offset >= 0 && origin == soCurrent) ||
             (origin == soBeginning && offset > int64_t(FZRec.total_out))) {
    if (origin == soBeginning) offset -= int64_t(FZRec.total_out);
    unsigned char discard[4096];
    while (offset > 0) {
      const int64_t n = std::min<int64_t>(offset, sizeof discard);
      ReadBuffer(discard, n);
      offset -= n;
    }
  } else {
    throw EZDecompressionError(kInvalidOperation);
  }
  return int64_t(FZRec.total_out);
}

void TZDecompressionStream::SetSize(int64_t) { throw EZDecompressionError(kInvalidOperation); }

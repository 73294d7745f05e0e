// Deflate streams: zlib's deflate and inflate behind the stream interface. TZCompressionStream
// compresses what is written into another stream; TZDecompressionStream inflates another stream's
// contents as it is read. Both move all data to and from the wrapped stream through one
// 65536-byte buffer, so the wrapped stream sees few, large transfers.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/exceptions.h"
#include "platform/streams.h"

KV_DECLARE_EXCEPTION(EZLibError, Exception)
KV_DECLARE_EXCEPTION(EZCompressionError, EZLibError)
KV_DECLARE_EXCEPTION(EZDecompressionError, EZLibError)

// Compression level indexes 0..3: none, fastest, zlib's default, best.
enum TZCompressionLevel { zcNone = 0, zcFastest = 1, zcDefault = 2, zcMax = 3 };

class TCustomZStream : public TStream {
public:
  static constexpr int BufferSize = 65536;

  ~TCustomZStream() override = default;
  TCustomZStream(const TCustomZStream&) = delete;
  TCustomZStream& operator=(const TCustomZStream&) = delete;

  // Fired whenever the buffer has been exchanged with the wrapped stream.
  std::function<void(TCustomZStream* sender)> OnProgress;

protected:
  explicit TCustomZStream(TStream& strm);
  void Progress() {
    if (OnProgress) OnProgress(this);
  }
  // Puts the wrapped stream back where this object last left it when somebody else moved it.
  void RestorePosition();

  TStream& FStrm;
  int64_t FStrmPos;
  z_stream FZRec{};
  unsigned char FBuffer[BufferSize];
};

class TZCompressionStream : public TCustomZStream {
public:
  // levelIndex 0..3 selects zlib level 0, 1, -1 (default) or 9.
  TZCompressionStream(int levelIndex, TStream& dest);
  // Finishes the compressed data when Finish has not run yet; errors are swallowed here, so call
  // Finish to see them.
  ~TZCompressionStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // Only (0, soCurrent): the number of bytes written so far.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;

  // Completes the zlib stream and writes the rest of it to the destination. Runs once.
  void Finish();

private:
  void FlushBuffer();
  bool Finished = false;
};

class TZDecompressionStream : public TCustomZStream {
public:
  explicit TZDecompressionStream(TStream& source);
  ~TZDecompressionStream() override;

  // Fills the buffer and returns count, or fewer bytes when the zlib stream (or the source) ends.
  // Data that follow the end of the zlib stream are not read as more compressed data.
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // (0, soBeginning) restarts; forward moves are done by reading and discarding. The result is
  // the number of bytes produced so far.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;

  // True once the end of the zlib stream has been reached.
  bool StreamEnded() const { return Ended; }

private:
  bool Ended = false;
};

// zlib's result texts; raise the direction's class for results below 0, return others unchanged.
std::string ZLibErrorText(int code);
int CCheck(int code);  // compression
int DCheck(int code);  // decompression

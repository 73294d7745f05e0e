// The stream compression component: a 21-byte header followed by the coded data, with the
// methods stored ("NON"), run-length ("RLE"), LZSS with adaptive Huffman coding ("LZH"), custom
// ("CUS", coded by event handlers) and the LHA -lh5- format ("LH5").
//
// Stream layout (little-endian):
//   0  5  signature "VELK" 0x1A
//   5  3  method id
//   8  4  uncompressed size
//  12  1  archive type (0: one stream)
//  13  4  checksum: sum of the uncompressed bytes plus Key, modulo 2^32
//  17  4  flags: 2 when written with a key (locked), else 0
//  21  .. coded data
// Data stored without key and without header are the plain source bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "platform/streams.h"

KV_DECLARE_EXCEPTION(EUnableToCompress, Exception)
KV_DECLARE_EXCEPTION(EUnrecognizedCompressionMethod, Exception)
KV_DECLARE_EXCEPTION(EInvalidHeaderArchiveType, Exception)
KV_DECLARE_EXCEPTION(EBadChecksum, Exception)
KV_DECLARE_EXCEPTION(EInvalidKey, Exception)
KV_DECLARE_EXCEPTION(ELZHBadDecodeTable, Exception)

constexpr int CompressHeaderSize = 21;
constexpr uint8_t RLEEscape = 0x94;
constexpr int CompressMethodCount = 5;
// Index = the method argument of TCompress::CompressStream.
extern const char* const MethodIds[CompressMethodCount];
enum : uint8_t { cmNON = 0, cmRLE = 1, cmLZH = 2, cmCUS = 3, cmLH5 = 4 };

#pragma pack(push, 1)
struct TCompressHeader {
  char Signature[5];
  char MethodId[3];
  uint32_t UncompressedSize;
  uint8_t ArchiveType;
  uint32_t Checksum;
  uint32_t Flags;
};
#pragma pack(pop)
static_assert(sizeof(TCompressHeader) == CompressHeaderSize);

// The mode of the file-archive side's file check.
enum TCProcessMode { cmCompressFile, cmExpandFile };

using TCompressEvent = std::function<void(TStream& dest, TStream& source, std::string& CompressID,
                                          int32_t& Outputsize, int32_t& checksum)>;
using TExpandEvent = std::function<void(TStream& dest, TStream& source, int32_t Sourcesize, int32_t Destsize,
                                        const std::string& CompressID, int32_t& checksum)>;
using TRecognizeEvent = std::function<void(const std::string& CompressID, bool& recognized)>;
using TShowProgressEvent = std::function<void(int32_t& PercentageDone)>;
using TFilenameCheckEvent = std::function<void(std::string& filepath, TCProcessMode mode)>;

struct TLZHState;
struct TLH5State;

// part * 100 div whole, computed without overflow for large wholes.
int64_t PercentOf(int64_t part, int64_t whole);

// The working state of one operation: buffered byte reader and writer, sums, key and the coders'
// tables. One per component; the coders keep nothing in globals.
class TCompThreadSafety {
public:
  static constexpr int BufferSize = 8192;

  // Input.
  TStream* InStream = nullptr;
  std::unique_ptr<uint8_t[]> InBuf;
  int InPos = 0;
  int InEnd = 0;
  int64_t BytesLeft = 0;
  int64_t ChunkSize = BufferSize;
  int64_t ReadSoFar = 0;
  // Output.
  TStream* OutStream = nullptr;
  std::unique_ptr<uint8_t[]> OutBuf;
  int OutPos = 0;
  bool EndOfInput = false;
  int64_t Budget = 0;
  uint32_t InSum = 0;
  uint32_t OutSum = 0;
  int64_t OutCount = 0;
  // Key.
  uint8_t KeyBytes[4] = {0, 0, 0, 0};
  int KeyIndex = 0;
  bool XorOnWrite = false;
  bool XorOnRead = false;
  // Run-length coder.
  uint8_t LastByte = 0;
  int RunCount = 0;
  bool FirstByte = true;
  bool InRun = false;
  // Set by a dictionary decoder that needed bits beyond the end of its input: the stream was cut.
  bool InputOverrun = false;
  const TShowProgressEvent* Progress = nullptr;

  std::unique_ptr<TLZHState> LZH;
  std::unique_ptr<TLH5State> LH5;

  TCompThreadSafety();
  ~TCompThreadSafety();

  // The next input byte; at the end of the input 0 with EndOfInput set.
  inline uint8_t ReadSourceByte() {
    if (InPos >= InEnd && !Refill()) return 0;
    uint8_t b = InBuf[InPos++];
    InSum += b;
    if (XorOnRead) {
      b ^= KeyBytes[KeyIndex];
      KeyIndex = (KeyIndex + 1) & 3;
    }
    return b;
  }
  // Reads up to count bytes as count calls of ReadSourceByte would; returns how many were read.
  int ReadSourceBlock(uint8_t* dest, int count);

  inline void WriteDestByte(uint8_t b) {
    if (Budget < 1) ThrowUnableToCompress();
    --Budget;
    if (OutPos >= BufferSize) FlushOutput();
    if (XorOnWrite) {
      b ^= KeyBytes[KeyIndex];
      KeyIndex = (KeyIndex + 1) & 3;
    }
    OutBuf[OutPos++] = b;
    OutSum += b;
    ++OutCount;
  }
  // Writes count bytes as count calls of WriteDestByte would.
  void WriteDestBlock(const uint8_t* data, int64_t count);

  void FlushOutput();

private:
  bool Refill();
  [[noreturn]] static void ThrowUnableToCompress();
};

// Coders of the methods; each reads with ReadSourceByte and writes with WriteDestByte.
void StoreCopy(TCompThreadSafety& s);
void RLECompress(TCompThreadSafety& s);
void RLEExpand(TCompThreadSafety& s);
void LZHCompress(TCompThreadSafety& s);
void LZHExpand(TCompThreadSafety& s, uint32_t uncompressedSize);
void LH5Compress(TCompThreadSafety& s);
void LH5Expand(TCompThreadSafety& s, uint32_t uncompressedSize);

class TCompress {
public:
  TCompress();
  ~TCompress();
  TCompress(const TCompress&) = delete;
  TCompress& operator=(const TCompress&) = delete;

  // Compresses all of Source (positioned at its start) into Dest at Dest's position.
  void CompressStream(TStream& Dest, TStream& Source, uint8_t Method);
  // Expands Source from its position to its end into Dest at Dest's position.
  void ExpandStream(TStream& Dest, TStream& Source);

  int32_t Key = 0;
  TCompressEvent OnCompress;
  TExpandEvent OnExpand;
  TRecognizeEvent OnRecognize;
  TShowProgressEvent OnShowProgress;
  const std::string& TargetPath() const { return FTargetPath; }
  void SetTargetPath(const std::string& value);
  bool MakeDirectories = false;
  bool ExceptionOnFileError = false;
  bool CheckSpaceBeforeExpand = false;
  TFilenameCheckEvent OnCheckFile;

  // Kept after each operation; not read by the program.
  int64_t CompressionRatio = 100;  // percent
  int64_t Duration = 0;            // milliseconds

private:
  // One coder run. Returns the number of bytes written; checksum receives the input sum when
  // compressing, the output sum when expanding.
  int64_t CodeStream(bool compressing, int method, TStream& dest, TStream& source, int64_t count,
                     uint32_t uncompressedSize, uint32_t flags, int headerSize, uint32_t& checksum);
  int MethodIndexOf(const std::string& id);

  std::string FTargetPath;
  std::unique_ptr<TCompThreadSafety> State;
};

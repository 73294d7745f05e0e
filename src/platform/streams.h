// Byte streams: memory and file streams with little-endian records. A short read raises
// EReadError; files opened with fmCreate are written to a temporary file beside the target and
// renamed over it only when the write is complete (Commit, or destruction outside an exception).
// The temporary file is created new and private; the finished file keeps the permissions of the
// file it replaces (a new file gets the user's default), and a name that is a symbolic link is
// written through to the file the link names.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
public:
  virtual ~TStream() = default;
  // Reads up to count bytes and returns how many were read.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes count bytes and returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual void SetSize(int64_t newSize) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
  virtual int64_t Size();
  // Bytes between the position and the end.
  int64_t Remaining() { return Size() - Position(); }

  // Read exactly count bytes or raise EReadError("Stream read error").
  void ReadBuffer(void* buffer, int64_t count);
  // Write exactly count bytes or raise EWriteError("Stream write error").
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes from source at its position; count 0 copies the whole source from its start.
  int64_t CopyFrom(TStream& source, int64_t count);

  template <typename T>
  T ReadValue() {
    static_assert(std::is_trivially_copyable_v<T>);
    T v;
    ReadBuffer(&v, sizeof v);
    return v;
  }
  template <typename T>
  void WriteValue(const T& v) {
    static_assert(std::is_trivially_copyable_v<T>);
    WriteBuffer(&v, sizeof v);
  }
  uint8_t ReadByte() { return ReadValue<uint8_t>(); }
  uint16_t ReadWord() { return ReadValue<uint16_t>(); }
  uint32_t ReadDWord() { return ReadValue<uint32_t>(); }
  int32_t ReadInt() { return ReadValue<int32_t>(); }
  void WriteByte(uint8_t v) { WriteValue(v); }
  void WriteWord(uint16_t v) { WriteValue(v); }
  void WriteDWord(uint32_t v) { WriteValue(v); }
  void WriteInt(int32_t v) { WriteValue(v); }
};

class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> data) : Data(std::move(data)) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  int64_t Size() override { return int64_t(Data.size()); }

  uint8_t* Memory() { return Data.data(); }
  const uint8_t* Memory() const { return Data.data(); }
  void Clear() { Data.clear(); Pos = 0; }
  void LoadFromStream(TStream& source);
  void SaveToStream(TStream& dest) { dest.WriteBuffer(Data.data(), int64_t(Data.size())); }
  void LoadFromFile(const std::string& fileName);
  // Written through the safe file writer.
  void SaveToFile(const std::string& fileName);

  std::vector<uint8_t> Data;

private:
  int64_t Pos = 0;
};

// A read-only view of bytes owned elsewhere.
class TBytesStream : public TStream {
public:
  TBytesStream(const void* data, size_t size) : Bytes(static_cast<const uint8_t*>(data)), Length(int64_t(size)) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t) override;
  int64_t Size() override { return Length; }

private:
  const uint8_t* Bytes;
  int64_t Length;
  int64_t Pos = 0;
};

enum TFileMode : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmCreate = 0xFF00,
};

class TFileStream : public TStream {
public:
  // fmCreate writes a new file through a temporary file; the open modes work on the file itself.
  TFileStream(const std::string& fileName, unsigned mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;

  // For fmCreate: flushes and renames the temporary file over the target; raises EWriteError on
  // failure (the old file stays as it was). Does nothing for other modes or when done already.
  void Commit();
  // For fmCreate: drops the temporary file; the target stays untouched.
  void Discard();
  // For fmCreate: the permission bits the finished file gets instead of the replaced file's.
  void SetFinalMode(unsigned mode);
  const std::string& FileName() const { return Name; }

private:
  std::string Name;
  std::string Target;  // Name with symbolic links followed
  std::string TempName;
  unsigned FinalMode = 0644;
  int64_t OwnerId = -1, GroupId = -1;
  FILE* File = nullptr;
  bool Creating = false;
  bool Failed = false;
  int UncaughtAtOpen = 0;
};

// Writes a whole file through a temporary file beside it; raises EWriteError on failure. A mode
// of 0 or more gives the file those permission bits; otherwise it keeps those of the file it
// replaces.
void WriteFileAtomically(const std::string& fileName, const void* data, size_t size, int mode = -1);
// The name of a temporary file written beside fileName by process pid: the file's name, cut
// where needed so that the whole name stays a valid length, then TempFileSuffix.
std::string TempNameBeside(const std::string& fileName, int pid, unsigned number);
std::string TempFileSuffix(int pid, unsigned number);  // ".~PID-NNNNNNNN.tmp"
int FileModeOf(const std::string& fileName);
// The file a name stands for: symbolic links followed to the file they name (which need not
// exist yet); a relative link is taken from the link's folder.
std::string FileLinkTarget(const std::string& fileName);  // permission bits; -1 when missing
// Reads a whole file; raises EFOpenError when it cannot be opened. maxSize bounds what is read.
std::vector<uint8_t> ReadWholeFile(const std::string& fileName, int64_t maxSize = INT64_MAX);
bool FileExists(const std::string& fileName);
bool DirectoryExists(const std::string& dirName);
int64_t FileSizeOf(const std::string& fileName);  // -1 when missing
bool DeleteFile(const std::string& fileName);
bool RenameFile(const std::string& oldName, const std::string& newName);
// Copies a file through the safe writer, with the source's permission bits; false on any failure.
bool CopyFile(const std::string& source, const std::string& dest);
bool ForceDirectories(const std::string& dirName);
std::string ExtractFilePath(const std::string& fileName);   // with trailing separator
std::string ExtractFileName(const std::string& fileName);
std::string ExtractFileExt(const std::string& fileName);    // with the dot
std::string ChangeFileExt(const std::string& fileName, const std::string& ext);
std::string UpperCase(const std::string& s);               // ASCII letters only
std::string LowerCase(const std::string& s);
bool SameText(const std::string& a, const std::string& b);  // ASCII case-insensitive

#include "platform/streams.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <exception>
#include <filesystem>
#include <random>

#include "platform/exceptions.h"

namespace fs = std::filesystem;

int64_t TStream::Size() {
  const int64_t pos = Seek(0, soCurrent);
  const int64_t end = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return end;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count < 0 || (count != 0 && Read(buffer, count) != count)) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count < 0 || (count != 0 && Write(buffer, count) != count)) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<uint8_t> buffer(size_t(std::min<int64_t>(count, 1 << 16)));
  int64_t left = count;
  while (left > 0) {
    const int64_t n = std::min<int64_t>(left, int64_t(buffer.size()));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

// ---- TMemoryStream

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || Pos >= int64_t(Data.size())) return 0;
  const int64_t n = std::min<int64_t>(count, int64_t(Data.size()) - Pos);
  std::memcpy(buffer, Data.data() + Pos, size_t(n));
  Pos += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const int64_t end = Pos + count;
  if (end > int64_t(Data.size())) {
    if (end > int64_t(Data.capacity())) Data.reserve(size_t(std::max<int64_t>(end, int64_t(Data.capacity()) * 2)));
    Data.resize(size_t(end));
  }
  std::memcpy(Data.data() + Pos, buffer, size_t(count));
  Pos = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t p = origin == soBeginning ? offset : origin == soCurrent ? Pos + offset : int64_t(Data.size()) + offset;
  Pos = std::max<int64_t>(0, p);
  return Pos;
}

void TMemoryStream::SetSize(int64_t newSize) {
  Data.resize(size_t(std::max<int64_t>(0, newSize)));
  Pos = std::min<int64_t>(Pos, int64_t(Data.size()));
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  const int64_t n = source.Size();
  Data.resize(size_t(n));
  source.ReadBuffer(Data.data(), n);
  Pos = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  Data = ReadWholeFile(fileName);
  Pos = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
  WriteFileAtomically(fileName, Data.data(), Data.size());
}

// ---- TBytesStream

int64_t TBytesStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || Pos >= Length) return 0;
  const int64_t n = std::min(count, Length - Pos);
  std::memcpy(buffer, Bytes + Pos, size_t(n));
  Pos += n;
  return n;
}

int64_t TBytesStream::Write(const void*, int64_t) { throw EWriteError("Stream write error"); }

int64_t TBytesStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t p = origin == soBeginning ? offset : origin == soCurrent ? Pos + offset : Length + offset;
  Pos = std::max<int64_t>(0, p);
  return Pos;
}

void TBytesStream::SetSize(int64_t) { throw EWriteError("Stream write error"); }

// ---- TFileStream

namespace {
std::string TempNameBeside(const std::string& fileName) {
  static std::mt19937 rng{std::random_device{}()};
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".~%d-%08x.tmp", int(getpid()), unsigned(rng()));
  return fileName + suffix;
}
}  // namespace

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : Name(fileName) {
  UncaughtAtOpen = std::uncaught_exceptions();
  if (mode == fmCreate) {
    Creating = true;
    TempName = TempNameBeside(fileName);
    File = std::fopen(TempName.c_str(), "w+b");
    if (!File) throw EFCreateError("Cannot create file \"" + fileName + "\". " + std::strerror(errno));
    return;
  }
  const char* how = (mode & 3) == fmOpenRead ? "rb" : "r+b";
  File = std::fopen(fileName.c_str(), how);
  if (!File) throw EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
}

TFileStream::~TFileStream() {
  if (!File) return;
  if (Creating) {
    // Closing normally completes the write; unwinding from an exception leaves the target alone.
    if (std::uncaught_exceptions() > UncaughtAtOpen || Failed) {
      Discard();
    } else {
      try {
        Commit();
      } catch (...) {
      }
    }
    return;
  }
  std::fclose(File);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  return int64_t(std::fread(buffer, 1, size_t(count), File));
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const size_t n = std::fwrite(buffer, 1, size_t(count), File);
  if (int64_t(n) != count) Failed = true;
  return int64_t(n);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  if (fseeko(File, offset, whence) != 0) return -1;
  return ftello(File);
}

void TFileStream::SetSize(int64_t newSize) {
  std::fflush(File);
  if (ftruncate(fileno(File), newSize) != 0) throw EWriteError("Stream write error");
  if (Position() > newSize) Seek(newSize, soBeginning);
}

void TFileStream::Commit() {
  if (!Creating || !File) return;
  bool ok = !Failed && std::fflush(File) == 0 && fsync(fileno(File)) == 0;
  ok = (std::fclose(File) == 0) && ok;
  File = nullptr;
  if (ok && std::rename(TempName.c_str(), Name.c_str()) == 0) return;
  const std::string reason = std::strerror(errno);
  std::remove(TempName.c_str());
  throw EWriteError("Cannot write file \"" + Name + "\". " + reason);
}

void TFileStream::Discard() {
  if (!Creating || !File) return;
  std::fclose(File);
  File = nullptr;
  std::remove(TempName.c_str());
}

// ---- file helpers

void WriteFileAtomically(const std::string& fileName, const void* data, size_t size) {
  TFileStream f(fileName, fmCreate);
  try {
    f.WriteBuffer(data, int64_t(size));
  } catch (...) {
    f.Discard();
    throw EWriteError("Cannot write file \"" + fileName + "\". The disk may be full.");
  }
  f.Commit();
}

std::vector<uint8_t> ReadWholeFile(const std::string& fileName, int64_t maxSize) {
  TFileStream f(fileName, fmOpenRead);
  const int64_t size = f.Size();
  if (size < 0 || size > maxSize) throw EReadError("The file \"" + fileName + "\" is too large.");
  std::vector<uint8_t> data(static_cast<size_t>(size));
  f.ReadBuffer(data.data(), size);
  return data;
}

bool FileExists(const std::string& fileName) {
  struct stat st;
  return stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& dirName) {
  struct stat st;
  return stat(dirName.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t FileSizeOf(const std::string& fileName) {
  struct stat st;
  if (stat(fileName.c_str(), &st) != 0) return -1;
  return int64_t(st.st_size);
}

bool DeleteFile(const std::string& fileName) { return std::remove(fileName.c_str()) == 0; }

bool RenameFile(const std::string& oldName, const std::string& newName) {
  return std::rename(oldName.c_str(), newName.c_str()) == 0;
}

bool CopyFile(const std::string& source, const std::string& dest) {
  try {
    const auto data = ReadWholeFile(source);
    WriteFileAtomically(dest, data.data(), data.size());
    return true;
  } catch (const Exception&) {
    return false;
  }
}

bool ForceDirectories(const std::string& dirName) {
  std::error_code ec;
  if (DirectoryExists(dirName)) return true;
  fs::create_directories(fs::path(dirName), ec);
  return DirectoryExists(dirName);
}

std::string ExtractFilePath(const std::string& fileName) {
  const auto p = fileName.find_last_of('/');
  return p == std::string::npos ? std::string() : fileName.substr(0, p + 1);
}

std::string ExtractFileName(const std::string& fileName) {
  const auto p = fileName.find_last_of('/');
  return p == std::string::npos ? fileName : fileName.substr(p + 1);
}

std::string ExtractFileExt(const std::string& fileName) {
  const auto p = fileName.find_last_of("./");
  if (p == std::string::npos || fileName[p] != '.') return std::string();
  return fileName.substr(p);
}

std::string ChangeFileExt(const std::string& fileName, const std::string& ext) {
  const auto p = fileName.find_last_of("./");
  if (p == std::string::npos || fileName[p] != '.') return fileName + ext;
  return fileName.substr(0, p) + ext;
}

std::string UpperCase(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return r;
}

std::string LowerCase(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return r;
}

bool SameText(const std::string& a, const std::string& b) { return UpperCase(a) == UpperCase(b); }

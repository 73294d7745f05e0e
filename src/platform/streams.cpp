#include "platform/streams.h"

#include <fcntl.h>
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
// The longest name one folder entry can have on the file systems the program writes to.
constexpr size_t MaxNameLength = 255;

// The process's file-creation mask, read without changing it (setting it to read it back would
// race with files other threads create).
unsigned CurrentUmask() {
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(f);
    if (found) return mask & 0777;
  }
  const mode_t m = umask(022);
  umask(m);
  return unsigned(m);
}

}  // namespace

std::string FileLinkTarget(const std::string& fileName) {
  std::string name = fileName;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return name;
    std::vector<char> buffer(size_t(std::max<off_t>(st.st_size, 0)) + 4096);
    const ssize_t n = readlink(name.c_str(), buffer.data(), buffer.size());
    if (n <= 0 || size_t(n) >= buffer.size()) return name;
    std::string target(buffer.data(), size_t(n));
    if (target[0] != '/') target = ExtractFilePath(name) + target;
    name = target;
  }
  return name;
}

namespace {

// Cuts a name to at most max bytes without splitting a UTF-8 sequence.
std::string CutName(const std::string& name, size_t max) {
  if (name.size() <= max) return name;
  size_t n = max;
  while (n > 0 && (uint8_t(name[n]) & 0xC0) == 0x80) --n;
  return name.substr(0, n);
}

void SyncFolderOf(const std::string& fileName) {
  const std::string folder = ExtractFilePath(fileName);
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}
}  // namespace

std::string TempFileSuffix(int pid, unsigned number) {
  char suffix[40];
  std::snprintf(suffix, sizeof suffix, ".~%d-%08x.tmp", pid, number);
  return suffix;
}

std::string TempNameBeside(const std::string& fileName, int pid, unsigned number) {
  const std::string suffix = TempFileSuffix(pid, number);
  const std::string base = CutName(ExtractFileName(fileName), MaxNameLength - suffix.size());
  return ExtractFilePath(fileName) + base + suffix;
}

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : Name(fileName) {
  UncaughtAtOpen = std::uncaught_exceptions();
  if (mode == fmCreate) {
    Creating = true;
    // A link is saved through: the file it names is replaced, the link stays.
    Target = FileLinkTarget(fileName);
    struct stat st;
    if (stat(Target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      FinalMode = unsigned(st.st_mode & 07777);
      OwnerId = int64_t(st.st_uid);
      GroupId = int64_t(st.st_gid);
    } else {
      FinalMode = 0666u & ~CurrentUmask();
    }
    // The temporary file is new (never an existing file or a link planted under its name) and
    // private until it is complete.
    static std::mt19937 rng{std::random_device{}()};
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
      TempName = TempNameBeside(Target, int(getpid()), unsigned(rng()));
      fd = open(TempName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd < 0 && errno != EEXIST) break;
    }
    if (fd >= 0) File = fdopen(fd, "w+b");
    if (!File) {
      const std::string reason = std::strerror(errno);
      if (fd >= 0) {
        close(fd);
        unlink(TempName.c_str());
      }
      throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
    }
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

void TFileStream::SetFinalMode(unsigned mode) {
  FinalMode = mode & 07777;
  OwnerId = GroupId = -1;
}

void TFileStream::Commit() {
  if (!Creating || !File) return;
  bool ok = !Failed && std::fflush(File) == 0;
  if (ok) {
    const int fd = fileno(File);
    // The replaced file's owner where the user may give it (a group the user belongs to), then
    // its permissions; the owner change comes first because it clears set-id bits.
    if (OwnerId >= 0 && GroupId >= 0) {
      struct stat st;
      if (fstat(fd, &st) == 0 && (int64_t(st.st_uid) != OwnerId || int64_t(st.st_gid) != GroupId))
        if (fchown(fd, uid_t(OwnerId), gid_t(GroupId)) != 0) (void)fchown(fd, uid_t(-1), gid_t(GroupId));
    }
    ok = fchmod(fd, mode_t(FinalMode)) == 0 && fsync(fd) == 0;
  }
  ok = (std::fclose(File) == 0) && ok;
  File = nullptr;
  if (ok && std::rename(TempName.c_str(), Target.c_str()) == 0) {
    SyncFolderOf(Target);
    return;
  }
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

void WriteFileAtomically(const std::string& fileName, const void* data, size_t size, int mode) {
  TFileStream f(fileName, fmCreate);
  if (mode >= 0) f.SetFinalMode(unsigned(mode));
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

int FileModeOf(const std::string& fileName) {
  struct stat st;
  if (stat(fileName.c_str(), &st) != 0) return -1;
  return int(st.st_mode & 07777);
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
    WriteFileAtomically(dest, data.data(), data.size(), FileModeOf(source));
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

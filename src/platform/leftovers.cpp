#include "platform/leftovers.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/streams.h"

namespace {
bool AllDigits(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool AllHex(const std::string& s) {
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// An entry of folder that is itself a file or folder of this user (a link is neither).
bool OwnEntry(const std::string& path, bool folder) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 || st.st_uid != geteuid()) return false;
  return folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode);
}

template <typename F>
void ForEachEntry(const std::string& folder, F f) {
  DIR* d = opendir(folder.empty() ? "." : folder.c_str());
  if (!d) return;
  while (const dirent* e = readdir(d)) f(std::string(e->d_name));
  closedir(d);
}
}  // namespace

bool ProcessIsGone(int pid) {
  if (pid <= 0) return false;
  if (kill(pid_t(pid), 0) != 0) return errno == ESRCH;
  // A process that has ended but whose parent has not collected it yet (a zombie) is gone too:
  // a run killed a moment ago is one until then.
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
  FILE* f = std::fopen(path, "r");
  if (!f) return false;
  char line[512] = {};
  const bool read = std::fgets(line, sizeof line, f) != nullptr;
  std::fclose(f);
  const char* end = read ? std::strrchr(line, ')') : nullptr;  // the name may hold anything but ')' ends it
  return end && end[1] == ' ' && (end[2] == 'Z' || end[2] == 'X');
}

int TempFileOwner(const std::string& name, const std::string& documentName) {
  // name = (the document's name, or its start when the whole name would be too long)
  //        + ".~" + PID + "-" + eight hex digits + ".tmp"
  const std::string end = ".tmp";
  if (name.size() < 2 + 1 + 1 + 8 + end.size() || name.compare(name.size() - end.size(), end.size(), end) != 0)
    return 0;
  const size_t hex = name.size() - end.size() - 8;
  if (name[hex - 1] != '-' || !AllHex(name.substr(hex, 8))) return 0;
  const size_t mark = name.rfind(".~", hex - 1);
  if (mark == std::string::npos) return 0;
  const std::string pid = name.substr(mark + 2, hex - 1 - (mark + 2));
  if (!AllDigits(pid)) return 0;
  const int id = std::stoi(pid);
  if (TempNameBeside(documentName, id, std::stoul(name.substr(hex, 8), nullptr, 16)) != name) return 0;
  return id;
}

int RemoveStaleTempFilesBeside(const std::string& documentName) {
  // Temporary files are written beside the file a link names.
  const std::string target = FileLinkTarget(documentName);
  const std::string folder = ExtractFilePath(target), base = ExtractFileName(target);
  if (base.empty()) return 0;
  int removed = 0;
  ForEachEntry(folder, [&](const std::string& name) {
    const int pid = TempFileOwner(name, base);
    if (pid == 0 || !ProcessIsGone(pid)) return;
    const std::string path = folder + name;
    if (OwnEntry(path, false) && unlink(path.c_str()) == 0) ++removed;
  });
  return removed;
}

int ProcessFolderOwner(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return 0;
  const size_t dash = name.find('-', prefix.size());
  if (dash == std::string::npos || dash + 1 >= name.size()) return 0;
  const std::string pid = name.substr(prefix.size(), dash - prefix.size());
  if (!AllDigits(pid)) return 0;
  for (char c : name.substr(dash + 1))
    if (!std::isalnum(uint8_t(c))) return 0;
  return std::stoi(pid);
}

int RemoveStaleProcessFolders(const std::string& root, const std::string& prefix) {
  int removed = 0;
  ForEachEntry(root, [&](const std::string& name) {
    const int pid = ProcessFolderOwner(name, prefix);
    if (pid == 0 || !ProcessIsGone(pid)) return;
    const std::string path = root + name;
    if (!OwnEntry(path, true)) return;
    // remove_all removes links inside the folder, never what they point to.
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(path), ec);
    if (!ec) ++removed;
  });
  return removed;
}

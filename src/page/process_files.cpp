// The process's folder of temporary files.
#include "page/process_files.h"

#include <unistd.h>
#include <QDir>
#include <QTemporaryDir>
#include <atomic>
#include <memory>

#include "platform/app_dir.h"
#include "platform/leftovers.h"

const char* const ProcessFolderPrefix = "korvalis-";

namespace {
std::unique_ptr<QTemporaryDir>& Folder() {
  static std::unique_ptr<QTemporaryDir> folder;
  return folder;
}
std::atomic<unsigned long long> NextNumber{1};
}  // namespace

std::string ProcessTempFolder() {
  auto& f = Folder();
  if (!f) {
    // The name carries the process id, so that a later run can tell the folder of a run that was
    // killed from the folder of one still running.
    f = std::make_unique<QTemporaryDir>(QString::fromStdString(TempFolder() + ProcessFolderPrefix) +
                                        QString::number(getpid()) + "-XXXXXX");
    if (!f->isValid()) {
      f.reset();
      return {};
    }
  }
  return f->path().toStdString() + "/";
}

std::string NewProcessFileName(const std::string& Prefix, const std::string& Extension) {
  const std::string folder = ProcessTempFolder();
  if (folder.empty()) return {};
  return folder + Prefix + std::to_string(NextNumber++) + Extension;
}


int RemoveFoldersOfEndedRuns() { return RemoveStaleProcessFolders(TempFolder(), ProcessFolderPrefix); }

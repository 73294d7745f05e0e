// The process's folder of temporary files.
#include "page/process_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <atomic>
#include <memory>

#include "platform/app_dir.h"

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
    f = std::make_unique<QTemporaryDir>(QString::fromStdString(TempFolder()) + "korvalis-XXXXXX");
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

void RemoveProcessTempFolder() { Folder().reset(); }

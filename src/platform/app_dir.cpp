#include "platform/app_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <mutex>

namespace {
std::mutex Lock;
std::string Cached;

std::string WithSlash(QString path) {
  path = QDir::cleanPath(path);
  if (!path.endsWith('/')) path += '/';
  return path.toStdString();
}

bool FolderWritable(const QString& folder) {
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
  QTemporaryFile probe(folder + "/.korvalis-probe-XXXXXX");
  return probe.open();
}

QString ExecutableDir() {
  if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
  return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section('/', 0, -2);
}

std::string Decide() {
  const QString home = qEnvironmentVariable("KORVALIS_HOME");
  if (!home.isEmpty()) {
    QDir().mkpath(home);
    return WithSlash(QDir(home).absolutePath());
  }
  const QString exe = ExecutableDir();
  if (FolderWritable(exe)) return WithSlash(exe);
  const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/korvalis";
  if (!QFileInfo(user).isDir()) {
    QDir().mkpath(user);
    SeedFolder(ShippedDataDir(), user.toStdString());
  }
  return WithSlash(user);
}
}  // namespace

std::string AppDir() {
  std::lock_guard<std::mutex> guard(Lock);
  if (Cached.empty()) Cached = Decide();
  return Cached;
}

void ResetAppDir() {
  std::lock_guard<std::mutex> guard(Lock);
  Cached.clear();
}

std::string ShippedDataDir() {
  const QString exe = ExecutableDir();
  const QString share = QDir::cleanPath(exe + "/../share/korvalis");
  return WithSlash(QFileInfo(share).isDir() ? share : exe);
}

void SeedFolder(const std::string& source, const std::string& dest) {
  const QDir from(QString::fromStdString(source));
  if (!from.exists()) return;
  QDir().mkpath(QString::fromStdString(dest));
  for (const QFileInfo& entry : from.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
    const std::string name = entry.fileName().toStdString();
    const std::string existing = FindFileNoCase(dest, name);
    const std::string target = existing.empty() ? WithSlash(QString::fromStdString(dest)) + name : existing;
    if (entry.isDir()) {
      SeedFolder(entry.absoluteFilePath().toStdString(), target);
    } else if (existing.empty() && entry.isExecutable() == false) {
      QFile::copy(entry.absoluteFilePath(), QString::fromStdString(target));
    }
  }
}

std::string FindFileNoCase(const std::string& folder, const std::string& name) {
  QString current = QString::fromStdString(folder);
  const QStringList parts = QString::fromStdString(name).split('/', Qt::SkipEmptyParts);
  if (parts.isEmpty()) return {};
  for (const QString& part : parts) {
    QDir dir(current);
    if (!dir.exists()) return {};
    if (QFileInfo::exists(dir.filePath(part))) {
      current = dir.filePath(part);
      continue;
    }
    QString found;
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
      if (entry.compare(part, Qt::CaseInsensitive) == 0) {
        found = entry;
        break;
      }
    if (found.isEmpty()) return {};
    current = dir.filePath(found);
  }
  return QDir::cleanPath(current).toStdString();
}

std::string ProgramFile(const std::string& name) {
  const std::string dir = AppDir();
  const std::string found = FindFileNoCase(dir, name);
  return found.empty() ? dir + name : found;
}

std::string TempFolder() { return WithSlash(QDir::tempPath()); }

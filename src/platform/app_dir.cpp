#include "platform/app_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <mutex>

namespace {
struct TFolders {
  std::string Settings, UserData;
};
std::mutex Lock;
TFolders Cached;

std::string WithSlash(QString path) {
  path = QDir::cleanPath(path);
  if (!path.endsWith('/')) path += '/';
  return path.toStdString();
}

QString ExecutableDir() {
  if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
  return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section('/', 0, -2);
}

QString HomeOverride() { return qEnvironmentVariable("KORVALIS_HOME"); }

TFolders Decide() {
  const QString home = HomeOverride();
  if (!home.isEmpty()) {
    QDir().mkpath(home);
    const std::string dir = WithSlash(QDir(home).absolutePath());
    return {dir, dir};
  }
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/korvalis";
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/korvalis";
  TFolders f{WithSlash(config), WithSlash(data)};
  QDir().mkpath(config);
  QDir().mkpath(data);
  // The files a user edits in the user's folders start as the shipped ones.
  const std::string shipped = ShippedDataDir();
  for (const std::string& name : UserSeedFiles())
    SeedFiles(shipped, ProgramFileKind(name) == TProgramFileKind::UserData ? f.UserData : f.Settings, {name});
  return f;
}

TFolders Folders() {
  std::lock_guard<std::mutex> guard(Lock);
  if (Cached.Settings.empty()) Cached = Decide();
  return Cached;
}

bool SameName(const std::string& a, const char* b) {
  return QString::fromStdString(a).compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

// The first folder of a '/'-separated name, or the name itself.
std::string FirstPart(const std::string& name) {
  const auto slash = name.find('/');
  return slash == std::string::npos ? name : name.substr(0, slash);
}

constexpr const char* kSymbolFontList = "MnSymFt.dat";
constexpr const char* kDefaultMacroFile = "Macros.zqm";
}  // namespace

std::string AppDir() { return Folders().Settings; }

std::string UserDataDir() { return Folders().UserData; }

void ResetAppDir() {
  std::lock_guard<std::mutex> guard(Lock);
  Cached = TFolders{};
}

std::string ShippedDataDir() {
  const QString home = HomeOverride();
  if (!home.isEmpty()) return WithSlash(QDir(home).absolutePath());
  const QString exe = ExecutableDir();
  const QString share = QDir::cleanPath(exe + "/../share/korvalis");
  return WithSlash(QFileInfo(share).isDir() ? share : exe);
}

std::string ShippedFile(const std::string& name) {
  const std::string dir = ShippedDataDir();
  const std::string found = FindFileNoCase(dir, name);
  return found.empty() ? dir + name : found;
}

TProgramFileKind ProgramFileKind(const std::string& name) {
  static const char* const userData[] = {"ZQVCustomClrs.Dat", "ZQVCustomClrs.bak", "UserDefs.zqt", "UserDefs.zqs",
                                         "ProgDefs.zqt",      "ProgDefs.zqs",      "Shapes Backup.bak",
                                         "Macro Images",      "logfile.txt"};
  static const char* const shipped[] = {"TipsText.txt", "version-compare.html", "docs", "fonts", "help", "zqveq6kv.hlp"};
  const std::string first = FirstPart(name);
  for (const char* n : userData)
    if (SameName(first, n)) return TProgramFileKind::UserData;
  if (QString::fromStdString(name).endsWith(".zqm", Qt::CaseInsensitive)) return TProgramFileKind::UserData;
  for (const char* n : shipped)
    if (SameName(first, n)) return TProgramFileKind::Shipped;
  return TProgramFileKind::Settings;
}

const std::vector<std::string>& UserSeedFiles() {
  static const std::vector<std::string> names{kSymbolFontList, kDefaultMacroFile};
  return names;
}

void SeedFiles(const std::string& source, const std::string& dest, const std::vector<std::string>& names) {
  QDir().mkpath(QString::fromStdString(dest));
  for (const std::string& name : names) {
    const std::string from = FindFileNoCase(source, name);
    if (from.empty() || !QFileInfo(QString::fromStdString(from)).isFile()) continue;
    if (!FindFileNoCase(dest, name).empty()) continue;
    // Copied under a temporary name and renamed, so that a copy cut short is never taken for the file.
    const QString target = QString::fromStdString(WithSlash(QString::fromStdString(dest)) + name);
    const QString part = target + ".part";
    QFile::remove(part);
    if (QFile::copy(QString::fromStdString(from), part)) {
      QFile(part).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                 QFileDevice::ReadOther);
      if (!QFile::rename(part, target)) QFile::remove(part);
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
  const TProgramFileKind kind = ProgramFileKind(name);
  if (kind == TProgramFileKind::Shipped) return ShippedFile(name);
  const std::string dir = kind == TProgramFileKind::UserData ? UserDataDir() : AppDir();
  const std::string found = FindFileNoCase(dir, name);
  if (!found.empty()) return found;
  // The symbol-font list is read from the shipped data until the user has a copy of it.
  if (SameName(name, kSymbolFontList)) {
    const std::string shipped = ShippedFile(name);
    if (QFileInfo::exists(QString::fromStdString(shipped))) return shipped;
  }
  return dir + name;
}

std::string TempFolder() { return WithSlash(QDir::tempPath()); }

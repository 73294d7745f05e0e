#include "dialogs/help_viewer.h"

#include <QDesktopServices>
#include <QFileInfo>

#include "platform/app_dir.h"
#include "platform/messages.h"

std::function<bool(const QUrl&)> OpenUrlHook;

namespace {
std::string& StoredHelpFileName() {
  static std::string name;
  return name;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}
}  // namespace

std::string HelpFileName() {
  if (StoredHelpFileName().empty()) return ShippedFile("zqveq6kv.hlp");
  return StoredHelpFileName();
}

void SetHelpFileName(const std::string& name) { StoredHelpFileName() = name; }

std::string HelpPageFolder(const std::string& helpFile) { return FolderOf(helpFile) + "help/"; }

std::string HelpPageFor(const std::string& helpFile, int ctx) {
  const std::string folder = HelpPageFolder(helpFile);
  if (ctx > 0) {
    const std::string own = FindFileNoCase(folder, std::to_string(ctx) + ".html");
    if (!own.empty()) return own;
  }
  return FindFileNoCase(folder, "index.html");
}

bool OpenDesktopUrl(const QUrl& url) {
  if (OpenUrlHook) return OpenUrlHook(url);
  return QDesktopServices::openUrl(url);
}

bool ShowHelpContext(int ctx, const std::string& helpFile) {
  const std::string file = helpFile.empty() ? HelpFileName() : helpFile;
  const std::string page = HelpPageFor(file, ctx);
  if (page.empty()) {
    MessageDlg("Unable to open the help file " + file + ".\rThe help pages are missing from the folder " +
                   HelpPageFolder(file) + ".",
               mtWarning, mbOK, 0);
    return false;
  }
  if (!OpenDesktopUrl(QUrl::fromLocalFile(QFileInfo(QString::fromStdString(page)).absoluteFilePath()))) {
    MessageDlg("Unable to start a browser for the help page " + page + ".", mtWarning, mbOK, 0);
    return false;
  }
  return true;
}

bool ShowHelpContents(const std::string& helpFile) { return ShowHelpContext(0, helpFile); }

// The Tools and Help menus: the two companion programs beside the editor (shown only when their
// files exist), the help pages, the About box and the maker's web site; the shell routine they
// share; and the theme manager the window carries.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "app/main_window.h"
#include "dialogs/about_box.h"
#include "dialogs/help_viewer.h"
#include "platform/app_dir.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"
#include "theme/theme_manager.h"

namespace {
// The companion programs, by their names on this platform (the names without ".exe").
constexpr const char* kImageEditor = "ZQVImgEditor";
constexpr const char* kFlumbricFolder = "Flumbric";
constexpr const char* kFlumbricProgram = "convert";
// The maker's web site (scheme and host are this installation's choice).
constexpr const char* kWebSite = "https://www.zqvware.example";

// The shipped data folder, where the help pages and companion programs are installed.
std::string ProgramFolderNoSlash() {
  std::string folder = ShippedDataDir();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string ImageEditorFile() { return FindFileNoCase(ShippedDataDir(), kImageEditor); }
std::string FlumbricFile() { return FindFileNoCase(ShippedDataDir(), std::string(kFlumbricFolder) + "/" + kFlumbricProgram); }
}  // namespace

void TForm1::WireHelpCommands() {
  // Tools and Help captions as the menus show them.
  Flumbric1->setText("Flumbric");
  About2->setText("&About");
  ImageEditor1->setEnabled(false);
  connect(Tools1, &QMenu::aboutToShow, this, [this] { Guarded("TForm1.Tools1Click", [this] { Tools1Click(); }); });
  QAction* web = findChild<QAction*>("ZQVWarewebsite1");
  if (!web) {
    web = new QAction("&ZQVWare web site", this);
    web->setObjectName("ZQVWarewebsite1");
    Help2->insertAction(About2, web);
  }

  // The help file: "zqveq6kv.hlp" in the folder the installation names.
  try {
    TZQVIniFile inst(ProgramFile("InstData.ini"));
    const std::string folder = inst.ReadString("InstallSettings", "HelpFileFolder", ProgramFolderNoSlash());
    SetHelpFileName(folder + "/zqveq6kv.hlp");
  } catch (...) {
    SetHelpFileName(ShippedFile("zqveq6kv.hlp"));
  }

  // The theme manager: every property at its default.
  auto* manager = new TThemeManager(this);
  manager->setObjectName("ThemeManager1");
  manager->Loaded();
}

void TForm1::Tools1Click() {
  Flumbric1->setVisible(!FlumbricFile().empty());
  const bool editor = !ImageEditorFile().empty();
  ImageEditor1->setVisible(editor);
  ImageEditor1->setEnabled(editor);
}

void TForm1::ImageEditor1Click() {
  const std::string file = ImageEditorFile();
  ShellRun(file.empty() ? kImageEditor : ExtractFileName(file), "", 1, ProgramFolderNoSlash());
}

void TForm1::Flumbric1Click() {
  const std::string file = FlumbricFile();
  if (file.empty()) return;
  ShellRun(ExtractFileName(file), "", 1, ShippedDataDir() + kFlumbricFolder + "/");
}

void TForm1::Contents1Click() { ShowHelpContents(); }

std::string TForm1::WebSiteAddress() const { return std::string(kWebSite) + "/?source=webmenu" + WebLinkSuffix; }

void TForm1::ZQVWarewebsite1Click() { OpenDesktopUrl(QUrl(QString::fromStdString(WebSiteAddress()))); }

void TForm1::About2Click() {
  if (AboutBox) return;  // it is already open
  AboutBox = new TAboutBox(this);
  AboutBox->setEnabled(true);
  AboutBox->show();
}

int TForm1::ShellRun(const std::string& FileName, const std::string& Parameters, int ShowCommand, const std::string& Folder) {
  (void)ShowCommand;
  // Names, parameters and folders are passed whole, however long.
  QString program = QString::fromStdString(FileName);
  const QString folder = QString::fromStdString(Folder);
  if (QFileInfo(program).isRelative() && !folder.isEmpty()) program = QDir(folder).filePath(program);
  const QStringList arguments = QProcess::splitCommand(QString::fromStdString(Parameters));
  bool started = false;
  if (QFileInfo(program).isExecutable() && !QFileInfo(program).isDir()) {
    started = QProcess::startDetached(program, arguments, folder);
  } else {
    // A document opens with the desktop's program for it.
    started = OpenDesktopUrl(QUrl::fromLocalFile(QFileInfo(program).absoluteFilePath()));
  }
  if (!started) {
    MessageDlg("Unable to start " + program.toStdString(), mtWarning, mbOK, 345);
    return 0;
  }
  return 33;  // above 32: the shell's success
}

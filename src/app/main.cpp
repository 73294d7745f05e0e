// Program entry: module initialisation, the special-font check, the windows that live for the
// whole run, the file named on the command line, and the message loop.

#include "app/main_window.h"
#include "app/startup.h"
#include "dialogs/splash_window.h"
#include "dialogs/tips_dialog.h"
#include "platform/app_dir.h"
#include "platform/guarded.h"

int main(int argc, char** argv) {
  TApplication app(argc, argv);  // every event is delivered guarded
  QApplication::setApplicationName("Korvalis V");
  InitMainWindowModule();
  if (!TForm1::CheckSpecialFonts()) return 1;

  TForm1* form = CreateStartupWindows();
  // The splash shows for a second; closing it makes the main window visible. Then the tip of the
  // day, unless the user asked not to see it at start.
  RunSplashWindow(form);
  ShowTipsAtStartup(AppDir() + "ChildFms.ini", form);
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) form->AutoOpenFile(args[1].toStdString());
  const int result = app.exec();
  FreeStartupWindows();
  return result;
}

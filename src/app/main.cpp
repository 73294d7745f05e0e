// Program entry: module initialisation, the special-font check, the windows that live for the
// whole run, the file named on the command line, and the message loop.

#include "app/main_window.h"
#include "app/startup.h"
#include "dialogs/splash_window.h"
#include "dialogs/tips_dialog.h"
#include "helpers/window_memory.h"
#include "platform/app_dir.h"
#include "platform/guarded.h"
#include "platform/leftovers.h"
#include "platform/terminate_signal.h"
#include "page/process_files.h"

namespace {
// Qt's own diagnostics (a missing runtime folder, a font it substitutes, a platform plugin's
// notes) are for developers, not for the person at the keyboard: they reach the terminal only
// when KORVALIS_QT_MESSAGES is set. Critical and fatal messages always do.
QtMessageHandler DefaultHandler = nullptr;
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  static const bool shown = qEnvironmentVariableIsSet("KORVALIS_QT_MESSAGES");
  if (shown || type == QtCriticalMsg || type == QtFatalMsg) DefaultHandler(type, context, text);
}
}  // namespace

int main(int argc, char** argv) {
  DefaultHandler = qInstallMessageHandler(QuietMessages);
  TApplication app(argc, argv);  // every event is delivered guarded
  QApplication::setApplicationName("Korvalis V");
  ReleaseHiddenWindowImages(app);
  InitMainWindowModule();
  if (!TForm1::CheckSpecialFonts()) return 1;

  // What runs that were killed left in the temporary root goes first.
  RemoveFoldersOfEndedRuns();
  TForm1* form = CreateStartupWindows();
  // The system's request to end (log-out, shutdown, kill) ends the run as closing the window does,
  // without the close questions nobody may be there to answer; nested dialogs end with it.
  OnTerminateSignal([form] {
    form->CloseQueryAnswered = true;
    form->close();
    QApplication::exit(0);
  });
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

// Program entry: module initialisation, the special-font check, the windows that live for the
// whole run, the file named on the command line, and the message loop.
#include <QApplication>

#include "app/main_window.h"
#include "app/page_setup_dialog.h"
#include "dialogs/color_dialog.h"
#include "dialogs/define_font_dialog.h"
#include "dialogs/jpeg_quality_dialog.h"
#include "dialogs/main_font_dialog.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Korvalis V");
  InitMainWindowModule();
  if (!TForm1::CheckSpecialFonts()) return 1;

  auto* form = new TForm1();
  CreateAppPalette();
  MainFontDlg = new TMainFontDlg(form);
  DefineFontDg = new TDefineFontDg(form);
  PageSetupDialog = new TPageSetupDialog(form);
  JpegImageQuality1 = new TJpegImageQuality1(form);
  form->show();

  const QStringList args = QApplication::arguments();
  if (args.size() > 1) form->AutoOpenFile(args[1].toStdString());
  const int result = app.exec();
  delete form;
  return result;
}

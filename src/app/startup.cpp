#include "app/startup.h"

#include "app/main_window.h"
#include "app/window_hosts.h"
#include "dialogs/page_setup_dialog.h"
#include "dialogs/color_dialog.h"
#include "dialogs/define_font_dialog.h"
#include "dialogs/font_dialog.h"
#include "dialogs/jpeg_quality_dialog.h"
#include "dialogs/main_font_dialog.h"

TForm1* CreateStartupWindows() {
  InitMainWindowModule();
  auto* form = new TForm1();
  CreateAppPalette();
  MainFontDlg = new TMainFontDlg(form->Hosts(), form);
  DefineFontDg = new TDefineFontDg(form->Hosts(), form);
  PageSetupDialog = new TPageSetupDialog(form->Hosts(), form);
  JpegImageQuality1 = new TJpegImageQuality1(form);
  ZQVFontDlg1 = new TZQVFontDlg1(form);
  return form;
}

void FreeStartupWindows() {
  delete Form1;  // owns the dialogs
  MainFontDlg = nullptr;
  DefineFontDg = nullptr;
  PageSetupDialog = nullptr;
  JpegImageQuality1 = nullptr;
  ZQVFontDlg1 = nullptr;
}

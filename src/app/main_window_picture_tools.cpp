// The picture tools of the Edit and Settings menus: the image-object chooser, the image-files
// window and the JPEG quality dialog; and the window's side of what the chooser asks.
#include <QAction>
#include <QMenu>

#include "app/main_window.h"
#include "app/window_hosts.h"
#include "app/main_window_menu_items.h"
#include "dialogs/image_chooser_dialog.h"
#include "dialogs/image_files_window.h"
#include "dialogs/image_object_host.h"
#include "dialogs/jpeg_quality_dialog.h"
#include "helpers/drag_rect.h"
#include "helpers/page_surface.h"
#include "platform/guarded.h"

void TForm1::SelectImageObjectClick(QObject*) {
  if (ImageCount <= 0) return;
  if (ImageCount == 1) {
    Hosts().SelectImageObject(0);
    return;
  }
  auto* chooser = new TSelectImageObject1(Hosts(), this);
  chooser->exec();
}

void TForm1::MacroImages1Click(QObject*) {
  // A second click while the window exists does nothing.
  if (EquationImageFiles1) return;
  auto* window = new TEquationImageFiles1(this);
  window->show();
}

void TForm1::JPegQuality1Click(QObject*) {
  if (JpegImageQuality1) JpegImageQuality1->exec();
}

void TForm1::WirePictureToolCommands() {
  FindOrAddMenuItem(*this, _Edit, "MacroImages1", "Macro &Images");
  JPegQuality1->setText("&JPeg Quality ");
}

// The picture tools of the Edit and Settings menus: the image-object chooser, the image-files
// window and the JPEG quality dialog; and the window's side of what the chooser asks.
#include <QAction>
#include <QMenu>

#include "app/main_window.h"
#include "app/main_window_menu_items.h"
#include "dialogs/image_chooser_dialog.h"
#include "dialogs/image_files_window.h"
#include "dialogs/image_object_host.h"
#include "dialogs/jpeg_quality_dialog.h"
#include "helpers/drag_rect.h"
#include "helpers/page_surface.h"
#include "platform/guarded.h"

namespace {
// The chooser's view of the page's image objects.
class TWindowImageObjectHost : public QObject, public TImageObjectHost {
public:
  explicit TWindowImageObjectHost(TForm1* form) : QObject(form), Form(form) { ImageObjectHost = this; }
  ~TWindowImageObjectHost() override {
    if (ImageObjectHost == this) ImageObjectHost = nullptr;
  }
  int ImageObjectCount() override { return Form->ImageCount; }
  void SelectImageObject(int Index) override {
    if (Index < 0 || Index >= Form->ImageCount) return;
    Form->ChosenImage = Index;
    if (Index != Form->SelectedImage) Form->DeselectImage(Form, true);
    Form->SelectImage(Index);
  }
  void DeselectImageObject() override {
    Form->DeselectImage(Form, true);
    Form->ChosenImage = -1;
  }
  void SetFrameDynamicResize(bool On) override {
    if (Form->SelectedImage >= 0 && Form->SelectedImage < Form->ImageCount && Form->Images[size_t(Form->SelectedImage)])
      Form->Images[size_t(Form->SelectedImage)]->SetDynamicResize(On);
  }
  void RepaintFrame() override {
    if (Form->aDrag) Form->aDrag->update();
  }

private:
  TForm1* Form;
};
}  // namespace

void TForm1::SelectImageObjectClick(QObject*) {
  if (ImageCount <= 0) return;
  if (!ImageObjectHost) return;
  if (ImageCount == 1) {
    ImageObjectHost->SelectImageObject(0);
    return;
  }
  auto* chooser = new TSelectImageObject1(this);
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
  new TWindowImageObjectHost(this);
  FindOrAddMenuItem(*this, _Edit, "MacroImages1", "Macro &Images");
  JPegQuality1->setText("&JPeg Quality ");
}

// The drawing dialogs' side of the main window: the host they ask (selection, page refresh,
// permissions' menu items, fonts, shape undo), the dialogs that live for the whole run, and the
// commands that open them.
#include <QMenu>
#include <QMenuBar>
#include <memory>
#include <vector>

#include "app/main_window.h"
#include "app/window_hosts.h"
#include "dialogs/page_setup_dialog.h"
#include "cad/engine.h"
#include "dialogs/angled_text_dialog.h"
#include "dialogs/dimension_settings_dialog.h"
#include "dialogs/font_dialog.h"
#include "dialogs/draw_dialog_host.h"
#include "dialogs/pen_brush_dialog.h"
#include "dialogs/permissions_dialog.h"
#include "dialogs/transforms_window.h"
#include "dialogs/wave_dialog.h"
#include "helpers/page_surface.h"
#include "platform/guarded.h"
#include "platform/screen.h"

namespace {
QAction* FindAction(TForm1& w, const char* name) { return w.findChild<QAction*>(name); }

// The command's menu item: the one the layout has, or one made here in the given menu.
QAction* Command(TForm1& w, QMenu* menu, const char* name, const char* text, bool checkable = false) {
  QAction* a = FindAction(w, name);
  if (!a) {
    a = new QAction(QString::fromUtf8(text), &w);
    a->setObjectName(name);
    a->setCheckable(checkable);
    menu->addAction(a);
  }
  return a;
}
}  // namespace

void TForm1::WireDrawDialogCommands() {
  // The Settings menu (Setup1) takes the items the layout does not have yet.
  QMenu* settings = Setup1;
  settings->addSeparator();
  Command(*this, settings, "PenandBrushAttributes1", "&Pen and Brush Attributes");
  Command(*this, settings, "Transforms1", "Transforms");
  Command(*this, settings, "SetupSine1", "&Waves");
  Command(*this, settings, "DimensionSettings1", "Dimension &Settings");
  Command(*this, settings, "WantDimension1", "Want Di&mensions", true);
  Command(*this, settings, "AngledText2", "Angled Te&xt");
  Command(*this, settings, "Permissions1", "Pe&rmissions");
  // The dialogs that live for the whole run; the permissions apply the stored boxes as they come.
  if (!ColorDlg) ColorDlg = new TColorDlg(Hosts(), this);
  if (!SetDimensioningDefaults) SetDimensioningDefaults = new TSetDimensioningDefaults(Hosts(), this);
  if (!AngledTextFm) AngledTextFm = new TAngledTextFm(Hosts(), this);
}

void TForm1::PenandBrushAttributes1Click(QObject*) {
  if (!ColorDlg) return;
  ColorDlg->SetTrueColorMode(ScreenColorDepth() >= 9);
  ColorDlg->show();
  ColorDlg->raise();
  ColorDlg->activateWindow();
  ColorDlg->FormActivate();
}

void TForm1::TransformShapesClick(QObject*) {
  if (TransformsWindowOpen || !Figures) return;
  auto* w = new TTransformShapes1(Hosts(), this, Figures, MainImage);
  TransformShapes1 = w;
  TransformsWindowOpen = true;
  w->OnTransformed = [this](QObject* Sender) { TransformsApplied(Sender); };
  w->show();
}

void TForm1::SetupSine1Click(QObject* Sender) {
  if (!Figures) return;
  const TWaveRec saved = Figures->Template->GetWaveRec();
  // Cancel changes nothing: the selection takes the wave only when the dialog kept its values.
  bool confirmed = !qobject_cast<QAction*>(Sender);
  if (!confirmed) {
    TSineWaveSetup dialog(Hosts(), this);
    confirmed = dialog.exec() == QDialog::Accepted;
  }
  ShowToolStatus();
  if (confirmed && ApplyToSelectedShapes(Sender, PropertyBit(23))) Figures->Template->SetWaveRec(saved);
}

void TForm1::DimensionSettings1Click(QObject*) {
  TDimSettings1 dialog(Hosts(), this);
  dialog.exec();
  ShowToolStatus();
}

void TForm1::Permissions1Click(QObject*) {
  if (!SetDimensioningDefaults) return;
  SetDimensioningDefaults->show();
  SetDimensioningDefaults->raise();
}

void TForm1::AngledText2Click(QObject*) {
  if (AngledTextFm) AngledTextFm->exec();
}

void TForm1::NoLine1Click(QObject* Sender) { AngledText2Click(Sender); }

void TForm1::ChooseDimensionFont(QObject* Sender) {
  if (!Figures) return;
  TFont saved;
  Figures->Template->AssignTo(saved);
  TFont font = saved;
  const TRealFig* first = Figures->FirstSelectedFigure();
  if (Figures->HasSelection() && first && ::SelectionRectShown) first->AssignTo(font);
  // The program's own font dialog, whose colour field gives the annotation its colour.
  if (!ZQVFontDlg1) return;
  ZQVFontDlg1->Font = font;
  if (!ZQVFontDlg1->Execute()) return;
  font = ZQVFontDlg1->Font;
  if (font.Size() < 1) font.SetSize(1);
  static_cast<TRealFig&>(*Figures->Template).Assign(font);
  if (ApplyToSelectedShapes(Sender, PropertyBit(1))) static_cast<TRealFig&>(*Figures->Template).Assign(saved);
  SetModified();
}


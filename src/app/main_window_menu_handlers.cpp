// Menus and buttons the layout does not carry, and the opening handlers of some menus: the status
// bar's pop-up (Copy, In Pixels), the node ticks button, the Toggle Line Snapping submenu, the Zoom
// In submenu's opening, the selection pop-up's opening, the dimension font items, the help topics;
// then the command table is installed over all of them.
#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>

#include "app/command_table.h"
#include "app/main_window.h"
#include "dialogs/page_setup_dialog.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "dialogs/help_viewer.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/guarded.h"
#include "platform/process_messages.h"

void TForm1::WireCommandTable() {
  // The status bar's pop-up: Copy, and In Pixels (the Options menu's item too).
  auto* statBar = new QMenu(this);
  statBar->setObjectName("StatBarPopup");
  statBar->addAction(InPixels1);
  StatusBar1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(StatusBar1, &QWidget::customContextMenuRequested, this,
          [this, statBar](const QPoint& p) { statBar->popup(StatusBar1->mapToGlobal(p)); });
  // Options > Toggle Line Snapping: the snapping items.
  auto* snapping = new QMenu("Toggle Line Snapping", this);
  snapping->setObjectName("ToggleLineSnapping1");
  snapping->menuAction()->setObjectName("ToggleLineSnapping1");
  _Options->insertMenu(ToggleOnOff1, snapping);
  for (const char* name : {"ToggleOnOff1", "LargeSnapArea1", "SmallSnapArea1", "ScanGrids1", "SnaptoPixel1"})
    if (QAction* a = findChild<QAction*>(name)) {
      _Options->removeAction(a);
      snapping->addAction(a);
    }
  connect(snapping, &QMenu::aboutToShow, this, [this] { Guarded("TForm1.ToggleLineSnapping1Click", [this] { ToggleLineSnapping1Click(); }); });
  if (QMenu* levels = ZoomIn1->menu())
    connect(levels, &QMenu::aboutToShow, this, [this] { Guarded("TForm1.ZoomIn1Click", [this] { ZoomIn1Click(); }); });
  connect(PopupMenu2, &QMenu::aboutToShow, this, [this] { Guarded("TForm1.PopupMenu2Popup", [this] { PopupMenu2Popup(PopupMenu2); }); });
  // The node ticks button, after the move tool.
  auto* ticks = new TZQVSpeedButton(ToolBar4);
  ticks->setObjectName("DrawShapeTicks1");
  ticks->setText("Ticks");
  ticks->setToolTip(
      "Places tick marks at all vector endpoints.\r\nIf you want ticks while you are drawing you\r\n"
      "need to have want ticks checked in options.\r\nShortcut when drawing = T or t");
  if (auto* row = qobject_cast<QBoxLayout*>(ToolBar4->layout())) row->insertWidget(row->indexOf(tbMove) + 1, ticks);

  Commands = std::make_unique<TCommandTable>(*this);
  Commands->Install();
  if (!Commands->Faults().empty()) {
    std::string list;
    for (const std::string& f : Commands->Faults()) list += "\n  " + f;
    qFatal("The command table does not match the window's menus:%s", list.c_str());
  }
}

void TForm1::PageSettings1Click(QObject*) {
  // The page set-up dialog is modeless: the page stays usable while it is open.
  if (!PageSetupDialog) return;
  PageSetupDialog->show();
  PageSetupDialog->raise();
  PageSetupDialog->activateWindow();
}

void TForm1::Copy3Click(QObject*) {
  QString text;
  for (int i = 0; i < 6; ++i) text += PanelText(i) + "\r\n";
  QApplication::clipboard()->setText(text);
}

void TForm1::DimensionFont1Click(QObject* Sender) { ChooseDimensionFont(Sender); }

void TForm1::Shortcuts1Click(QObject*) { ShowHelpContext(375); }

void TForm1::Gettingstarted1Click(QObject*) { ShowHelpContext(1030); }

void TForm1::ZoomIn1Click() {
  // The four highest levels ("8", "10", "20", "50*").
  for (QAction* z : {Z9, Z10, Z11, Z12}) z->setEnabled(true);
}

void TForm1::ToggleLineSnapping1Click() {
  if (Figures) ScanGrids1->setChecked(Figures->ScanGrids);
}

void TForm1::PopupMenu2Popup(QObject*) {
  if (QAction* a = findChild<QAction*>("SaveSelectionAs1")) a->setText("Save Selection As");
  if (QMenu* m = findChild<QMenu*>("SaveSelectionAs1")) m->setTitle("Save Selection As");
  gifjpgemf1->setText("*.gif *.jpg *.emf *.wmf *.zqg *.png");
  // A click-built figure half drawn is abandoned.
  if (Figures && Figures->CurrentFigure &&
      (MultiNodeKinds.Has(Figures->CurrentFigure->Kind) || ClickBuiltKinds.Has(Figures->CurrentFigure->Kind)))
    Figures->CurrentFigure->SetNodeCountUsed(0);
  // The items' enabling: the rows' rules (applied when the menu opens, after this handler).
  const bool sel = SelectionRect.Right > SelectionRect.Left && SelectionRect.Bottom > SelectionRect.Top;
  const QMimeData* d = QApplication::clipboard()->mimeData();
  if (sel && d && d->hasImage()) {
    if (MainImage) MainImage->update();
    ProcessMessages();
  }
  if (QAction* on = findChild<QAction*>("On1")) on->setChecked(Figures && Figures->Template->WantDimensions);
}

// The Settings menu's size commands: the size dialog for six lengths, the grid and polygon
// dialogs, and the node count. A new value goes to the selected figures when there are any, and
// the template then keeps its previous value.
#include <QMenu>

#include "app/main_window.h"
#include "app/main_window_menu_items.h"
#include "cad/engine.h"
#include "dialogs/draw_dialog_host.h"
#include "dialogs/grid_setup_dialog.h"
#include "dialogs/node_settings_dialog.h"
#include "dialogs/polygon_setup_dialog.h"
#include "dialogs/size_dialog.h"
#include "platform/guarded.h"

namespace {
struct TSizeCommand {
  const char* Name;
  const char* Text;
  uint8_t Code;
  const char* Caption;  // empty: the dialog's own caption
  double Maximum;       // 0: the dialog's own limit
};
constexpr TSizeCommand SizeCommands[] = {
    {"ArrowHeadLength1", "&Arrow Head Length", 17, "Arrow Head Length", 0},
    {"ArcRadius2", "A&rc Radius", 16, "", 0},
    {"WavyLineSize1", "Wa&vy Line Size", 21, "Wavy Line Height", 2.0},
    {"RectangleRadius1", "R&ectangle Radius", 15, "Rectangle Radius", 5.0},
    {"TickLength1", "&Tick Length", 22, "Tick Length", 0},
    {"LineThickness1", "Line Thic&kness", 9, "Line Thickness", 0},
};

}  // namespace

void TForm1::WireShapeSizeCommands() {
  QMenu* settings = Setup1;
  settings->addSeparator();
  for (const TSizeCommand& c : SizeCommands) FindOrAddMenuItem(*this, settings, c.Name, c.Text);
  FindOrAddMenuItem(*this, settings, "GridCells1", "&Grid Cells");
  FindOrAddMenuItem(*this, settings, "PolygonSides1", "&Polygon Sides");
  FindOrAddMenuItem(*this, settings, "LineDivisions1", "&Line Divisions");
  FindOrAddMenuItem(*this, settings, "SetNodeCount1", "Set Node Count");
}

void TForm1::ArcRadius2Click(QObject* Sender) {
  if (!Figures) return;
  const TSizeCommand* command = nullptr;
  for (const TSizeCommand& c : SizeCommands)
    if (Sender && Sender->objectName() == QLatin1String(c.Name)) command = &c;
  if (!command) return;
  double saved = 0;
  TAngleArcFm::GetSize(*Figures->Template, command->Code, saved);
  TAngleArcFm dialog(this);
  if (*command->Caption) dialog.setWindowTitle(QString::fromUtf8(command->Caption));
  dialog.MaximumOverride = command->Maximum;
  if (dialog.Execute(command->Code, Figures) == 1 && ApplyToSelectedShapes(Sender, PropertyBit(command->Code)))
    TAngleArcFm::SetSize(*Figures->Template, command->Code, saved);
}

void TForm1::SetupGrid1Click(QObject* Sender) {
  if (!Figures) return;
  TRealFig& t = *Figures->Template;
  const int32_t cellsX = t.GridCellsX, cellsY = t.GridCellsY;
  const TFigureKind kind = t.Kind;
  TSetupGridForm dialog(this);
  if (QAction* g = findChild<QAction*>("Grid1")) g->setChecked(true);
  t.Kind = fkGrid;
  if (dialog.exec() == QDialog::Accepted && ApplyToSelectedShapes(Sender, PropertyBit(18))) {
    t.SetGridCellsX(cellsX);
    t.SetGridCellsY(cellsY);
    t.Kind = kind;
  }
}

void TForm1::SetupPolyGon1Click(QObject* Sender) {
  if (!Figures) return;
  TRealFig& t = *Figures->Template;
  TSetUpPolygon dialog(this);
  if (Sender && Sender->objectName() == QLatin1String("LineDivisions1")) {
    const int32_t saved = t.LineDivisions;
    dialog.setWindowTitle("Setup Line Dividers");
    dialog.Label1->setText("Divisions");
    // Cancel changes nothing: the selection takes the value only when it was confirmed.
    if (dialog.Execute(20, Figures) == QDialog::Accepted && ApplyToSelectedShapes(Sender, PropertyBit(20)))
      t.SetLineDivisions(saved);
    return;
  }
  const int32_t saved = t.PolygonSides;
  if (dialog.Execute(19, Figures) == QDialog::Accepted && ApplyToSelectedShapes(Sender, PropertyBit(19)))
    t.SetPolygonSides(saved);
  else
    t.Kind = fkPolygon;  // the polygon becomes the shape drawn next
}

void TForm1::SetNodeCount1Click(QObject*) {
  if (!Figures) return;
  Figures->Ready = false;
  TNodeSettings1 dialog(this);
  dialog.exec();
  Figures->Ready = true;
}

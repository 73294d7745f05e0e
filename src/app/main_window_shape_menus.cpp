// The drawing-tool front end: the shape, line-thickness, line-style, pen-mode and brush popups and
// the colour buttons. Every choice goes into the engine's property template; with figures
// selected it goes to them instead and the template keeps its value.
#include <QActionGroup>
#include <QMenu>

#include "app/main_window.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "dialogs/color_combo.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/canvas.h"
#include "platform/numeric.h"
#include "cad/units.h"


namespace {

// Multipliers of the radius and thickness items.
constexpr int RadiusSteps[19] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 14, 16, 18, 20, 30, 40, 50, 60};
constexpr int ThicknessSteps[25] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 35, 40, 45, 50, 60};

// Property bits of the selection changes.
constexpr uint32_t PenColorBit = 1u << 7, PenStyleBit = 1u << 8, PenWidthBit = 1u << 9, PenModeBit = 1u << 10,
                   BrushColorBit = 1u << 11, BrushStyleBit = 1u << 12, RadiusBit = 1u << 15, WaveBit = 1u << 23;

QAction* Item(QMenu* menu, const char* name, const QString& caption, QActionGroup* group = nullptr) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  a->setCheckable(group != nullptr);
  if (group) group->addAction(a);
  return a;
}

// A member of a family of the command table: the family's handler, the item's place and what else
// the handler reads.
void Member(QAction* a, const char* command, int position, QMenu* group = nullptr, int kind = 0, bool clear = false) {
  a->setProperty("Command", command);
  a->setProperty("Position", position);
  a->setProperty("Group", QVariant::fromValue<QObject*>(group));
  a->setProperty("Kind", kind);
  a->setProperty("Clear", clear);
}

QMenu* Submenu(QMenu* parent, const char* name, const QString& caption) {
  QMenu* m = parent->addMenu(caption);
  m->setObjectName(name);
  m->menuAction()->setObjectName(QString(name) + "Item");
  m->menuAction()->setCheckable(true);
  return m;
}

}  // namespace

QMenu* TForm1::ShapeMenu(const char* Name) const { return findChild<QMenu*>(Name); }

void TForm1::PopupUnder(TZQVSpeedButton* Button, const char* MenuName) {
  if (QMenu* menu = ShapeMenu(MenuName)) menu->popup(Button->mapToGlobal(QPoint(0, Button->height())));
}

void TForm1::BuildShapeMenus() {
  // ---- the shape menu
  auto* shapes = new QMenu(this);
  shapes->setObjectName("Shapes1");
  auto* kinds = new QActionGroup(shapes);
  auto* groupTicks = new QActionGroup(shapes);
  groupTicks->setExclusive(true);
  struct TKindItem {
    const char* name;
    const char* caption;
    int kind;
    bool clear;
  };
  auto addKinds = [&](QMenu* menu, std::initializer_list<TKindItem> items) {
    for (const TKindItem& k : items) {
      Member(Item(menu, k.name, k.caption, kinds), "ShapeKindClick", 0, menu, k.kind, k.clear);
    }
  };
  QMenu* lines = Submenu(shapes, "Lines1", "Lines");
  addKinds(lines, {{"NoArrows1", "No Arrows", 0, false},
                   {"OneArrow1", "Right Arrow", 1, false},
                   {"TwoArrows1", "Left Arrow", 2, false},
                   {"BothArrows1", "Both Arrows", 3, false},
                   {"OneSlash1", "One Slash", 46, false},
                   {"TwoSlash1", "Two Slash", 47, false},
                   {"HorizontalLine1", "Horizontal Line", 18, false},
                   {"VerticalLine1", "Vertical Line", 19, false},
                   {"Underlines1", "Underlines", 20, false}});
  addKinds(Submenu(lines, "BezierCurve1", "Bezier Curve"), {{"Bezier1", "Bezier", 23, false},
                                                             {"LeftArrow1", "Left Arrow", 51, false},
                                                             {"RightArrow1", "Right Arrow", 52, false},
                                                             {"BothArrows2", "Both Arrows", 53, false}});
  addKinds(Submenu(lines, "Multilines1", "Multilines"), {{"Closed1", "Closed", 49, true}, {"Open1", "Open", 50, true}});
  addKinds(Submenu(lines, "HorizontalWavyLine1", "Horizontal Wavy Line"), {{"WavyLine1", "Wavy Line", 21, false}});
  addKinds(shapes, {{"Rectangle1", "Rectangle (Filled)", 5, false}});
  // Round rectangles and rounded squares: the first item keeps the radius, the others set one.
  auto addRadii = [&](QMenu* menu, const char* first, const char* caption, int kind, int count, const char* lastName) {
    Member(Item(menu, first, caption, kinds), "Radius1", 0, menu, kind);
    for (int p = 1; p <= count; ++p) {
      const QString name = p == 1 ? QString(kind == fkRoundRectangle ? "N102" : "N12")
                                  : p == count ? QString(lastName) : QString("%1Radius%2").arg(first).arg(p);
      QAction* a = Item(menu, "", QString(), kinds);
      a->setObjectName(name);
      Member(a, "Radius1", p, menu, kind);
    }
  };
  addRadii(Submenu(shapes, "Roundrectangle1", "Round rectangle (Filled)"), "RoundRectangle2", "Round Rectangle", 7, 19,
           "N1401");
  addKinds(shapes, {{"Squarefilled1", "Square (filled)", 11, false}});
  addRadii(Submenu(shapes, "RoundedSquare1", "Rounded Square (Filled)"), "RoundedSquare2", "Rounded Square", 12, 18,
           "N30");
  addKinds(shapes, {{"Frame1", "Frame", 8, false}, {"SquareFrame1", "Square Frame", 9, false}});
  QMenu* triangles = Submenu(shapes, "Triangles1", "Triangles");
  addKinds(Submenu(triangles, "RightAngled1", "RightAngled"), {{"Empty2", "Empty", 13, false}, {"Filled2", "Filled", 26, false}});
  addKinds(Submenu(triangles, "Scalar1", "Scalar"), {{"Empty1", "Empty", 42, true},
                                                     {"EmptywithArcs1", "Empty with Arcs", 44, true},
                                                     {"Filled1", "Filled", 43, true},
                                                     {"FilledwithArcs1", "Filled with Arcs", 45, true}});
  addKinds(Submenu(shapes, "AngleArc1", "Angle Arcs"), {{"AngleArc2", "Angle Arc", 38, true},
                                                       {"DoubleArc1", "Double Arc", 39, true},
                                                       {"AngleArc1Slash1", "Angle Arc 1 Slash", 40, true},
                                                       {"AngleArc2Slash1", "Angle Arc 2 Slash", 41, true}});
  addKinds(shapes, {{"Ellipse1", "Ellipse", 6, false}, {"Circle1", "Circle", 10, false}, {"FillArea1", "Fill Area", 16, false}});
  addKinds(Submenu(shapes, "Arcs1", "Arcs"), {{"NWSE1", "NWSE", 14, false}, {"NESW1", "NESW", 15, false}});
  Item(shapes, "AngledText1", "Angled Text", kinds);
  Item(shapes, "SineWave1", "Waves", kinds);
  QMenu* grid = Submenu(shapes, "Grid1", "Grid");
  addKinds(grid, {{"Grid2", "Grid", 22, false}});
  connect(grid, &QMenu::aboutToShow, this, [this, grid] {
    if (!Figures) return;
    if (QAction* g = grid->findChild<QAction*>("Grid2"))
      g->setText(QString("Grid H:%1 V:%2").arg(Figures->Template->GridCellsX).arg(Figures->Template->GridCellsY));
  });
  QMenu* polygons = Submenu(shapes, "Polygon1", "Regular Polygons");
  addKinds(polygons, {{"Polygon2", "Polygon", 24, false}, {"FilledPolygon1", "Filled Polygon", 25, false}});
  connect(shapes, &QMenu::aboutToShow, this, [this] { Shapes1Popup(this); });
  // The window's defaults: "No Arrows" and the radius item 5 of both radius menus.
  if (QAction* a = shapes->findChild<QAction*>("NoArrows1")) a->setChecked(true);

  // ---- line thickness
  auto* thickness = new QMenu(this);
  thickness->setObjectName("LineThickness");
  auto* thicknessGroup = new QActionGroup(thickness);
  for (int p = 0; p <= 25; ++p) {
    QAction* a = Item(thickness, p == 0 ? "Minimum1" : "", p == 0 ? "Minimum" : QString(), thicknessGroup);
    if (p == 6) a->setObjectName("P6");
    Member(a, "P6Click", p);
  }
  thicknessGroup->actions().front()->setChecked(true);
  connect(thickness, &QMenu::aboutToShow, this, [this] { LineThicknessPopup(this); });

  // ---- line style
  auto* styles = new QMenu(this);
  styles->setObjectName("LineStyles1");
  auto* styleGroup = new QActionGroup(styles);
  const char* styleNames[5] = {"Solid1", "Dash1", "Dot1", "DashDot1", "DashDotDot1"};
  const char* styleCaptions[5] = {"Solid", "Dash", "Dot", "Dash Dot", "Dash Dot Dot"};
  for (int p = 0; p < 5; ++p) {
    Member(Item(styles, styleNames[p], styleCaptions[p], styleGroup), "DashDotDot1Click", p);
  }
  styleGroup->actions().front()->setChecked(true);
  connect(styles, &QMenu::aboutToShow, this, [this] { ReleasePickButtons(); });

  // ---- pen mode
  auto* modes = new QMenu(this);
  modes->setObjectName("PenMode1");
  QAction* title = modes->addAction("Pen Modes");
  title->setObjectName("PenModes1");
  title->setEnabled(false);
  title->setProperty("Title", true);
  auto* modeGroup = new QActionGroup(modes);
  const char* modeCaptions[13] = {"Not",       "Copy (Color)", "Not Copy", "Merge Pen Not", "Mask Pen Not",
                                  "Merge Not Pen", "Mask Not Pen", "Merge",   "Not Merge",     "Mask",
                                  "Not Mask",  "Xor",          "NotXor"};
  for (int p = 1; p <= 13; ++p) {
    Member(Item(modes, p == 13 ? "NotXor1" : p == 2 ? "CopyColor1" : "", modeCaptions[p - 1], modeGroup), "NotXor1Click", p);
  }
  modeGroup->actions()[1]->setChecked(true);
  connect(modes, &QMenu::aboutToShow, this, [this] { PenMode1Popup(this); });

  // ---- brush
  auto* brushes = new QMenu(this);
  brushes->setObjectName("BrushStyles1");
  brushes->addAction("Fill Color")->setObjectName("BrushColor1");
  brushes->addSeparator();
  QAction* stylesTitle = brushes->addAction("Styles");
  stylesTitle->setEnabled(false);
  stylesTitle->setProperty("Title", true);
  auto* brushGroup = new QActionGroup(brushes);
  const char* brushCaptions[8] = {"Solid", "Clear", "Horizontal", "Vertical", "Fwd Diagonal", "Bwd Diagonal", "Cross",
                                  "Diagonal Cross"};
  for (int p = 3; p <= 10; ++p) {
    Member(Item(brushes, p == 10 ? "DiagonalCross1" : "", brushCaptions[p - 3], brushGroup), "DiagonalCross1Click", p);
  }
  brushGroup->actions().front()->setChecked(true);
  connect(brushes, &QMenu::aboutToShow, this, [this] { ReleasePickButtons(); });

}

void TForm1::ApplyTemplateChoice(uint32_t Mask, const std::function<void()>& Set, const std::function<void()>& Restore) {
  Set();
  if (ApplyToSelectedShapes(this, Mask)) Restore();
}

void TForm1::ShapeKindClick(QAction* Item, QMenu* Group, int Kind, bool Clear) {
  if (!Figures) return;
  Figures->Template->SetKind(uint8_t(Kind));
  Item->setChecked(true);
  TickShapeGroups(Group);
  if (Clear) ClearCurrentFigure();
  ShowToolStatus();
}

void TForm1::TickShapeGroups(QMenu* Group) {
  // The groups leading to the chosen item are ticked, every other group item is not.
  QMenu* shapes = ShapeMenu("Shapes1");
  if (!shapes) return;
  for (QMenu* m : shapes->findChildren<QMenu*>()) m->menuAction()->setChecked(false);
  for (QObject* o = Group; o && o != shapes; o = o->parent())
    if (auto* m = qobject_cast<QMenu*>(o)) m->menuAction()->setChecked(true);
}

void TForm1::Shapes1Popup(QObject*) {
  if (!Figures) return;
  const bool metric = Figures->Metric;
  const double s = metric ? 0.5 : 0.025;
  const std::string suffix = metric ? "mm" : "\"";
  const std::string format = metric ? "0.00" : "0.000";
  if (!tbDraw->Down()) {
    tbDraw->SetDown(true);
    tbDrawClick(this);
  }
  ClearCurrentFigure();
  ReleasePickButtons();
  QMenu* round = ShapeMenu("Roundrectangle1");
  QMenu* square = ShapeMenu("RoundedSquare1");
  if (!round || !square) return;
  const QList<QAction*> r = round->actions();
  for (int p = 1; p <= 19 && p < r.size(); ++p)
    r[p]->setText(QString::fromStdString(FormatFloat(format, RadiusSteps[p - 1] * s) + suffix));
  // The rounded-square items show the radius they store (the round-rectangle item of the same
  // position).
  const QList<QAction*> q = square->actions();
  for (int p = 1; p <= 18 && p < q.size() && p < r.size(); ++p) q[p]->setText(r[p]->text());
}

void TForm1::Radius1(QAction* Item, QMenu* Group, int Kind, int Position) {
  if (!Figures) return;
  Item->setChecked(true);
  TickShapeGroups(Group);
  Figures->Template->SetKind(uint8_t(Kind));
  if (Position >= 1 && Position <= 19) {
    const double r = Figures->Metric ? 0.1 : 0.05;
    const double previous = Figures->Template->RectangleRadius;
    ApplyTemplateChoice(
        RadiusBit, [&] { Figures->Template->SetRectangleRadius(RadiusSteps[Position - 1] * r); },
        [&] { Figures->Template->SetRectangleRadius(previous); });
  }
  ShowToolStatus();
}

void TForm1::LineThicknessPopup(QObject*) {
  ReleasePickButtons();
  QMenu* menu = ShapeMenu("LineThickness");
  if (!menu || !Figures) return;
  const bool metric = Figures->Metric;
  const double t = metric ? 0.1 : 0.005;
  const std::string suffix = metric ? "mm" : "\"";
  const std::string format = metric ? "0.00" : "0.000";
  const QList<QAction*> items = menu->actions();
  for (int p = 1; p <= 25 && p < items.size(); ++p)
    items[p]->setText(QString::fromStdString(FormatFloat(format, ThicknessSteps[p - 1] * t) + suffix));
}

void TForm1::P6Click(QAction* Item, int Position) {
  if (!Figures) return;
  Item->setChecked(true);
  const double w = Figures->Metric ? 0.01 : 0.005;
  const double width = Position == 0 ? 0.0001 : ThicknessSteps[std::clamp(Position, 1, 25) - 1] * w;
  const double previous = Figures->Template->PenWidth;
  ApplyTemplateChoice(
      PenWidthBit, [&] { Figures->Template->SetPenWidth(width); }, [&] { Figures->Template->SetPenWidth(previous); });
}

void TForm1::DashDotDot1Click(QAction* Item, int Position) {
  if (!Figures) return;
  Item->setChecked(true);
  const uint8_t previous = Figures->Template->PenStyle;
  ApplyTemplateChoice(
      PenStyleBit, [&] { Figures->Template->SetPenStyle(uint8_t(Position)); },
      [&] {
        Figures->Template->SetPenStyle(previous);
        if (QMenu* m = ShapeMenu("LineStyles1"); m && previous < m->actions().size())
          m->actions()[previous]->setChecked(true);
      });
}

void TForm1::PenMode1Popup(QObject*) {
  ReleasePickButtons();
  QMenu* menu = ShapeMenu("PenMode1");
  if (!menu || !Figures) return;
  const QList<QAction*> items = menu->actions();
  for (int p = 1; p < items.size(); ++p)
    if (items[p]->isChecked()) Figures->Template->SetPenMode(uint8_t(p + 2));
}

void TForm1::NotXor1Click(QAction* Item, int Position) {
  if (!Figures) return;
  QMenu* menu = ShapeMenu("PenMode1");
  int mode = Position + 2;
  if (Position < 1 || Position > 13) {
    mode = pmCopy;
    if (menu) menu->actions()[2]->setChecked(true);
  } else {
    Item->setChecked(true);
  }
  const uint8_t previous = Figures->Template->PenMode;
  ApplyTemplateChoice(
      PenModeBit, [&] { Figures->Template->SetPenMode(uint8_t(mode)); },
      [&] {
        Figures->Template->SetPenMode(previous);
        if (menu && previous >= 3 && previous - 2 < menu->actions().size()) menu->actions()[previous - 2]->setChecked(true);
      });
}

void TForm1::DiagonalCross1Click(QAction* Item, int Position) {
  if (!Figures) return;
  Item->setChecked(true);
  const uint8_t previous = Figures->Template->BrushStyle;
  ApplyTemplateChoice(
      BrushStyleBit, [&] { Figures->Template->SetBrushStyle(uint8_t(Position - 3)); },
      [&] {
        Figures->Template->SetBrushStyle(previous);
        QMenu* m = ShapeMenu("BrushStyles1");
        if (m && previous + 3 < m->actions().size()) m->actions()[previous + 3]->setChecked(true);
      });
}

// The pen and fill colours go through the custom colours sequence: the shared custom colours are
// loaded before the dialog runs and, when it is confirmed, written back after a ".bak" copy.
void TForm1::tbPenColorClick(QObject*) {
  if (!Figures) return;
  TColorDialog dialog;
  dialog.Parent = this;
  dialog.Color = Figures->Template->PenColor;
  dialog.Caption = "Pen Color";
  ExecuteWithCustomColors(dialog, [this](TColor colour) {
    ReleasePickButtons();
    const TColor previous = Figures->Template->PenColor;
    ApplyTemplateChoice(
        PenColorBit, [&] { Figures->Template->SetPenColor(colour); },
        [&] { Figures->Template->SetPenColor(previous); });
  });
}

void TForm1::BrushColor1Click(QObject*) {
  if (!Figures) return;
  TColorDialog dialog;
  dialog.Parent = this;
  dialog.Color = Figures->Template->BrushColor;
  dialog.Caption = "Brush or Fill Color";
  ExecuteWithCustomColors(dialog, [this](TColor colour) {
    ReleasePickButtons();
    const TColor previous = Figures->Template->BrushColor;
    ApplyTemplateChoice(
        BrushColorBit, [&] { Figures->Template->SetBrushColor(colour); },
        [&] { Figures->Template->SetBrushColor(previous); });
  });
}

void TForm1::Measure1Click(QObject*) {
  if (!Figures) return;
  Figures->Template->SetKind(fkMeasure);
  tbDraw->SetDown(true);
  tbDrawClick(this);
}

void TForm1::DrawshapeTicks1Click(QObject*) {
  if (!Figures || !MainImage || Figures->Count() == 0) return;
  Figures->DrawNodeTicks(MainImage->Canvas(), 0, Figures->Count() - 1, NOTSRCCOPY, false, -1);
  MainImage->update();
}

bool TForm1::ApplyToSelectedShapes(QObject* Sender, uint32_t Mask) {
  const bool rectValid = SelectionRect.Right > SelectionRect.Left && SelectionRect.Bottom > SelectionRect.Top;
  if (!Figures || !Figures->HasSelection() || !rectValid) return false;
  Figures->ChangeSelectedProperties(Mask);
  RefreshAllImages(Sender, false);
  return true;
}

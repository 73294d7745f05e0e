// The Options menu's CAD switches: snapping and its area, grid scanning and drawing, pixel snap,
// node ticks, automatic refresh and bring-to-front, non-filled shapes only, and the same-colour
// divider. The ticks are the stored state (kept with the CAD settings) and are copied into the
// engine here.
#include <QActionGroup>
#include <QApplication>
#include <QMenu>

#include "app/main_window.h"
#include "app/main_window_menu_items.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "platform/guarded.h"


void TForm1::WireCadOptionCommands() {
  QAction* small = FindOrAddMenuItem(*this, _Options, "SmallSnapArea1", "Small Snap Area", true, !LargeSnapArea1->isChecked());
  FindOrAddMenuItem(*this, _Options, "DrawGridsDynamically1", "Draw Grids Dynamically", true, true);
  FindOrAddMenuItem(*this, _Options, "SnaptoPixel1", "Snap to Pixel", true, false);
  FindOrAddMenuItem(*this, _Options, "SameColorDivider1", "Same Color Divider", true, true);
  // The snap-area pair stays a radio pair also when the stored settings tick one of them.
  connect(LargeSnapArea1, &QAction::toggled, small, [small](bool on) { small->setChecked(!on); });
  connect(small, &QAction::toggled, LargeSnapArea1, [this](bool on) { LargeSnapArea1->setChecked(!on); });
  WireDimensionOptionCommands();
}

void TForm1::ToggleOnOff1Click(QObject* Sender) {
  // Qt has already toggled the sender's tick; a snap-area item is always ticked when chosen.
  if (Sender != ToggleOnOff1)
    if (auto* item = qobject_cast<QAction*>(Sender)) item->setChecked(true);
  const bool large = LargeSnapArea1->isChecked();
  SnapAreaSize = large ? 6 : 2;
  if (Figures) Figures->SetLargeSnapArea(large);
  ShowToolStatus();
}

void TForm1::ScanGrids1Click(QObject* Sender) {
  auto* item = qobject_cast<QAction*>(Sender);
  if (!item || !Figures) return;
  Figures->ScanGrids = item->isChecked();
  Figures->Template->Kind = fkGrid;
}

void TForm1::DrawGridsDynamically1Click(QObject* Sender) {
  auto* item = qobject_cast<QAction*>(Sender);
  if (!item || !Figures) return;
  Figures->DynamicGrids = item->isChecked();
  Figures->Template->Kind = fkGrid;
}

void TForm1::SnaptoPixel1Click(QObject* Sender) {
  auto* item = qobject_cast<QAction*>(Sender);
  if (!item || !Figures) return;
  Figures->PixelSnap = !Figures->PixelSnap;
  item->setChecked(Figures->PixelSnap);
}

void TForm1::SameColorDivider1Click(QObject* Sender) {
  auto* item = qobject_cast<QAction*>(Sender);
  if (!item || !Figures) return;
  Figures->SameColorDivider = !Figures->SameColorDivider;
  item->setChecked(Figures->SameColorDivider);
}

void TForm1::WantTicks1Click(QObject*) {
  if (!Figures) return;
  Figures->WantTicks = WantTicks1->isChecked();
  Figures->SetLargeSnapArea(LargeSnapArea1->isChecked());
  Figures->AutoRefresh = AutoRefreshShapes1->isChecked();
  Figures->AutoFront = AutoBringtoFront1->isChecked();
  Figures->NonFilledOnly = NonFilledShapesOnly1->isChecked();
}

// ---- dimension switches, copy magnification, view options

namespace {
// A submenu of the given parent holding two radio items; the items are found by name when the
// layout already has them.
QMenu* OnOffMenu(TForm1& f, QMenu* parent, QAction* owner, const char* title, const char* offName, const char* offText,
                 const char* onName, const char* onText, bool onFirst) {
  auto* menu = new QMenu(title, &f);
  QAction* on = FindOrAddMenuItem(f, nullptr, onName, onText, true);
  QAction* off = FindOrAddMenuItem(f, nullptr, offName, offText, true, !on->isChecked());
  for (QMenu* m : f.findChildren<QMenu*>()) m->removeAction(on);
  if (onFirst) menu->addActions({on, off});
  else menu->addActions({off, on});
  if (owner) {
    owner->setCheckable(false);
    owner->setMenu(menu);
  } else if (parent) {
    parent->addMenu(menu);
  }
  return menu;
}

constexpr int kMagnifications[5] = {1, 2, 4, 8, 10};
const char* const kMagnificationNames[5] = {"N11", "N21", "N41", "N81", "N101"};
const char* const kMagnificationTexts[5] = {"*1", "*2", "*4", "*8", "*10"};
}  // namespace

void TForm1::WireDimensionOptionCommands() {
  // Settings > Want Dimensions: On, Off.
  QAction* want = findChild<QAction*>("WantDimension1");
  QMenu* wantMenu = OnOffMenu(*this, Setup1, want, "Want Di&mensions", "Off1", "Off", "On1", "On", true);
  wantMenu->setObjectName("WantDimensionMenu1");
  connect(wantMenu, &QMenu::aboutToShow, this, [this] { WantDimension1Click(findChild<QAction*>("On1")); });
  // The shape pop-up's Shape Attributes > Want Dimensions: On, Off.
  QMenu* attributes = PopupMenu2->addMenu("Shape Attributes");
  attributes->setObjectName("ShapeAttributes1");
  QMenu* want2 = attributes->addMenu("Want Dimensions");
  want2->setObjectName("WantDimensions2");
  want2->addAction(FindOrAddMenuItem(*this, nullptr, "On2", "On", true));
  want2->addAction(FindOrAddMenuItem(*this, nullptr, "Off2", "Off", true, true));
  connect(attributes, &QMenu::aboutToShow, this, [this, want2] {
    want2->menuAction()->setEnabled(findChild<QAction*>("WantDimension1")->isEnabled());
  });
  connect(want2, &QMenu::aboutToShow, this, [this] { WantDimension1Click(findChild<QAction*>("On2")); });
  // Opaque dimensions and outline fonts: Off, On.
  QMenu* opaque = Setup1->addMenu("&Opaque Dimensions");
  opaque->setObjectName("OpaqueDimensions1");
  opaque->addAction(FindOrAddMenuItem(*this, nullptr, "Off3", "O&ff", true, true));
  opaque->addAction(FindOrAddMenuItem(*this, nullptr, "On3", "&On", true));
  connect(opaque, &QMenu::aboutToShow, this, [this] { OpaqueDimensions1Click(); });
  QMenu* outline = Setup1->addMenu("Ou&tline fonts");
  outline->setObjectName("Outlinefonts1");
  outline->addAction(FindOrAddMenuItem(*this, nullptr, "Off5", "O&ff", true, true));
  outline->addAction(FindOrAddMenuItem(*this, nullptr, "On5", "&On", true));
  connect(outline, &QMenu::aboutToShow, this, [this] { Outlinefonts1Click(); });
  // Options > Large Bitmaps: the magnification of bitmaps copied to the clipboard.
  QMenu* large = _Options->addMenu("Large &Bitmaps");
  large->setObjectName("LargeBitmaps1");
  auto* group = new QActionGroup(large);
  for (int i = 0; i < 5; ++i) {
    QAction* a = FindOrAddMenuItem(*this, large, kMagnificationNames[i], kMagnificationTexts[i], true, i == 0);
    group->addAction(a);
  }
  connect(large, &QMenu::aboutToShow, this, [this] { LargeBitmaps1Click(); });
  // Toggled, not triggered: the tick restored from the settings applies too.
  connect(Showpalettehints1, &QAction::toggled, this, [this](bool on) { SetPaletteHints(on); });
}

// The figure whose flags a dimension submenu shows: the engine's first selected figure, else the template.
static const TRealFig* DimensionFlagsFigure() {
  if (!Figures) return nullptr;
  const std::vector<int32_t> chosen = Figures->ValidSelection();
  if (!chosen.empty()) return Figures->GetFigure(chosen.front());
  return Figures->Template.get();
}

void TForm1::WantDimension1Click(QAction* OnItem) {
  const TRealFig* f = DimensionFlagsFigure();
  QAction* want = findChild<QAction*>("WantDimension1");
  const bool on = want && want->isEnabled() && f && f->WantDimensions;
  const bool second = OnItem && OnItem->objectName() == "On2";
  OnItem->setChecked(on);
  if (QAction* off = findChild<QAction*>(second ? "Off2" : "Off1")) off->setChecked(!on);
}

void TForm1::Off1Click(QAction* Sender) {
  if (!Figures) return;
  const bool on = Sender->objectName().startsWith("On");
  Sender->setChecked(true);
  const bool previous = Figures->Template->WantDimensions;
  Figures->Template->SetWantDimensions(on);
  // With figures selected only they take the flag; the template keeps its own.
  if (ApplyToSelectedShapes(Sender, 1u << 0)) Figures->Template->SetWantDimensions(previous);
  On1->setChecked(Figures->Template->WantDimensions);
  if (QAction* off = findChild<QAction*>("Off1")) off->setChecked(!Figures->Template->WantDimensions);
}

void TForm1::OpaqueDimensions1Click() {
  const bool on = Figures && Figures->Template->OpaqueDimensions;
  findChild<QAction*>("On3")->setChecked(on);
  findChild<QAction*>("Off3")->setChecked(!on);
}

void TForm1::Outlinefonts1Click() {
  const TRealFig* f = DimensionFlagsFigure();
  const bool on = f && f->OutlineFonts;
  findChild<QAction*>("On5")->setChecked(on);
  findChild<QAction*>("Off5")->setChecked(!on);
}

// An On/Off item of a template flag: the template takes it, unless figures are selected, which
// take it instead (the template then gets its own value back and the item is not ticked).
static void ApplyDimensionFlag(TForm1& Form, QAction* Sender, bool On, uint32_t Mask, bool (TRealFig::*Flag),
                               void (TRealFig::*Set)(bool)) {
  if (!Figures) return;
  TRealFig& t = *Figures->Template;
  const bool previous = t.*Flag;
  (t.*Set)(On);
  const bool applied = Form.ApplyToSelectedShapes(Sender, Mask);
  if (applied) (t.*Set)(previous);
  Sender->setChecked(!applied);
}

void TForm1::On3Click(QAction* Sender) {
  ApplyDimensionFlag(*this, Sender, Sender->objectName() == "On3", 1u << 13, &TRealFig::OpaqueDimensions,
                     &TRealFig::SetOpaqueDimensions);
}

void TForm1::On5Click(QAction* Sender) {
  ApplyDimensionFlag(*this, Sender, Sender->objectName() == "On5", 1u << 25, &TRealFig::OutlineFonts,
                     &TRealFig::SetOutlineFonts);
}

void TForm1::LargeBitmaps1Click() {
  const int m = Figures ? Figures->CopyMagnification : 1;
  int index = 0;
  for (int i = 0; i < 5; ++i)
    if (kMagnifications[i] == m) index = i;
  findChild<QAction*>(kMagnificationNames[index])->setChecked(true);
}

void TForm1::N101Click(QAction* Sender) {
  Sender->setChecked(true);
  for (int i = 0; i < 5; ++i)
    if (Sender->objectName() == kMagnificationNames[i] && Figures) Figures->SetCopyMagnification(kMagnifications[i]);
}

void TForm1::TransparentImages1Click(QObject* Sender) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  struct TRestore {
    ~TRestore() { QApplication::restoreOverrideCursor(); }
  } restore;
  RefreshAllImages(Sender, false);
}

void TForm1::AlwaysRefresh1Click(QObject* Sender) {
  if (AlwaysRefresh1->isChecked()) RefreshAllImages(Sender, false);
}

void TForm1::SetPaletteHints(bool Show) {
  for (QWidget* panel : {static_cast<QWidget*>(LgCustPnl), static_cast<QWidget*>(HorzBktsPnl),
                         static_cast<QWidget*>(CustomPanel), static_cast<QWidget*>(ArrowsPnl),
                         static_cast<QWidget*>(RightCharacterPanel)})
    if (panel) panel->setProperty("HideHints", !Show);
}

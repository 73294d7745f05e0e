// Menu states and option commands: the File, Edit and Settings > Application menus decide the
// state of their items when they open; the option items toggle a check mark or a property of the
// window (some also write their ini key); Custom Sets switches the palette button set; the
// openers of the custom-palette, main-font and selection-offset dialogs; the hints of the custom
// palette buttons; and the transforms window's report of applied transforms.
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollBar>

#include "app/main_window.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "dialogs/define_font_dialog.h"
#include "dialogs/main_font_dialog.h"
#include "helpers/page_surface.h"
#include "app/main_window_menu_items.h"
#include "helpers/speed_button.h"
#include "platform/app_dir.h"
#include "platform/caret.h"
#include "platform/clipboard_formats.h"
#include "platform/guarded.h"
#include "platform/process_messages.h"
#include "platform/zqv_ini_file.h"


namespace {
// A menu item by its component name, else by its caption; null when the menu has no such item
// (yet): the states are applied to whatever items the menus hold when they open.
QAction* FindItem(TForm1& f, const char* name, const char* caption) {
  if (name)
    if (auto* a = f.findChild<QAction*>(name)) return a;
  if (caption)
    for (QAction* a : f.findChildren<QAction*>())
      if (a->text() == caption) return a;
  return nullptr;
}

// An item this concern owns: found, or made in menu.
QAction* OwnItem(TForm1& f, QMenu* menu, const char* name, const char* caption, bool checkable) {
  QAction* a = FindItem(f, name, caption);
  if (!a) {
    a = new QAction(caption, &f);
    a->setObjectName(name);
    menu->addAction(a);
  }
  a->setCheckable(checkable);
  return a;
}

QMenu* OwnMenu(TForm1& f, QMenu* parent, const char* name, const char* title) {
  if (auto* m = f.findChild<QMenu*>(name)) return m;
  auto* m = new QMenu(title, parent);
  m->setObjectName(name);
  parent->addMenu(m);
  return m;
}

void SetEnabled(TForm1& f, const char* name, const char* caption, bool on) {
  if (QAction* a = FindItem(f, name, caption)) a->setEnabled(on);
}
void SetVisible(TForm1& f, const char* name, const char* caption, bool on) {
  if (QAction* a = FindItem(f, name, caption)) a->setVisible(on);
}

bool PageSelectionRectValid() { return SelectionRect.Right > SelectionRect.Left && SelectionRect.Bottom > SelectionRect.Top; }

bool ClipboardHasMime(const QString& mime) {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  return data && data->hasFormat(mime);
}

// The MIME type a registered clipboard format travels as.
QString RegisteredMime(const std::string& name) {
  return QString("application/x-qt-windows-mime;value=\"%1\"").arg(QString::fromStdString(name));
}


// The macro window and its ticked lines belong to the macros; until it exists nothing is ticked.
bool MacroLinesTicked() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "MacroText1" && w->isVisible()) return w->property("AnyChecked").toBool();
  return false;
}

// Tool tips of the main window's controls are shown only while its ShowHint is on.
class THintFilter : public QObject {
public:
  explicit THintFilter(TForm1* form) : QObject(form), Form(form) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w->window() != Form) return false;
    if (!Form->ShowHint) return true;
    // A palette panel whose hints are switched off hides its buttons' hints.
    for (QWidget* p = w; p && p != Form; p = p->parentWidget())
      if (p->property("HideHints").toBool()) return true;
    return false;
  }
  TForm1* Form;
};

// Mouse moves over the custom palette buttons set their hints.
class TPaletteHintFilter : public QObject {
public:
  explicit TPaletteHintFilter(TForm1* form) : QObject(form), Form(form) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) Form->Panel61MouseMove(watched);
    return false;
  }
  TForm1* Form;
};

constexpr int kSnoozeValues[4] = {0, 30, 100, 200};
const char* const kSnoozeNames[4] = {"None1", "Short1", "Medium1", "Long1"};
const char* const kSnoozeCaptions[4] = {"None", "Short", "Medium", "Long"};
}  // namespace

void TForm1::WireMenuStateCommands() {
  connect(_File, &QMenu::aboutToShow, this, [this] { Guarded("TForm1._FileClick", [this] { _FileClick(); }); });
  connect(_Edit, &QMenu::aboutToShow, this, [this] { Guarded("TForm1._EditClick", [this] { _EditClick(); }); });
  connect(_Options, &QMenu::aboutToShow, this, [this] { Guarded("TForm1._OptionsClick", [this] { _OptionsClick(); }); });

  // Options: the scroll bars and the metafile copy option.
  auto* horz = OwnItem(*this, _Options, "_HorzScrollBars", "Hori&zontal Scroll Bars", true);
  auto* vert = OwnItem(*this, _Options, "_VerticalScrollBars", "&Vertical Scroll Bars", true);
  horz->setChecked(ScrollBox1->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff);
  vert->setChecked(ScrollBox1->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff);
  // The item's own click inverts the check mark here, not the action's checkable toggle.
  _SetCopyMetafileDefault->setCheckable(true);
  _SetCopyMetafileDefault->setProperty("kvOwnToggle", true);

  // Settings > Application.
  QMenu* app = OwnMenu(*this, Setup1, "ApplicationSettings1", "&Application");
  connect(app, &QMenu::aboutToShow, this, [this] { ApplicationSettings1Click(); });
  QMenu* speed = OwnMenu(*this, app, "ScrollSpeed1", "Scroll Speed");
  connect(speed, &QMenu::aboutToShow, this, [this] { ScrollSpeed1Click(); });
  auto* speeds = new QActionGroup(this);
  for (int i = 0; i < 4; ++i) {
    QAction* a = OwnItem(*this, speed, kSnoozeNames[i], kSnoozeCaptions[i], true);
    a->setProperty("Tag", i);
    speeds->addAction(a);
  }
  auto* stay = OwnItem(*this, app, "StayonTop1", "St&ay on Top", true);
  auto* shortMenus = OwnItem(*this, app, "ShortMenus1", "&Short Menus", true);
  auto* insertAfter = OwnItem(*this, app, "InsertAfterPaste1", "&Insert After Paste", true);
  // Show Hints keeps its place in the Options menu of the layout; its tick shows ShowHint.
  ToggleHints1->setChecked(ShowHint);
  qApp->installEventFilter(new THintFilter(this));

  // The checkable items above invert their own check marks in their handlers.
  for (QAction* a : {shortMenus, insertAfter, stay, horz, vert, _SetCopyMetafileDefault, ToggleHints1})
    a->setProperty("kvOwnToggle", true);


  // The hints of the 42 custom palette buttons.
  auto* hints = new TPaletteHintFilter(this);
  static const QRegularExpression custBut("^CustBut\\d+$");
  for (QWidget* w : findChildren<QWidget*>(custBut)) {
    w->setMouseTracking(true);
    w->installEventFilter(hints);
  }
}

void TForm1::_OptionsClick() {
  StatusBarEnabled1->setChecked(StatusBar1->isEnabled());
  ToggleHints1->setChecked(ShowHint);
  if (QAction* h = FindItem(*this, "_HorzScrollBars", nullptr))
    h->setChecked(ScrollBox1->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff);
  if (QAction* v = FindItem(*this, "_VerticalScrollBars", nullptr))
    v->setChecked(ScrollBox1->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff);
  const bool full = !findChild<QAction*>("ShortMenus1")->isChecked();
  for (const char* name : {"_HorzScrollBars", "_VerticalScrollBars", "AutoBringtoFront1", "AutoRefreshShapes1",
                           "StatusBarEnabled1", "ReduceFlicker1", "JPegQuality1"})
    SetVisible(*this, name, nullptr, full);
  if (auto* large = findChild<QMenu*>("LargeBitmaps1")) large->menuAction()->setVisible(full);
}

void TForm1::_FileClick() {
  DeselectImage(this, false);
  SetEnabled(*this, "SetupPrinter1", nullptr, PrinterPresent);
  SetEnabled(*this, "Print1", nullptr, PrinterPresent);
  SetEnabled(*this, "Savezqsshapes1", "Save *.zqs shapes", PageSelectionRectValid() && Figures && Figures->HasSelection());
  SetEnabled(*this, "SaveSelectionAsGraphic1", "Save Se&lection As Graphic", PageSelectionRectValid());
  for (QAction* a : Reopen1->actions()) a->setVisible(!a->text().isEmpty());
  const bool needsSave = DocumentNeedsSave();
  if (needsSave) _SaveAs->setEnabled(true);
  _Save->setEnabled(needsSave);
  Close1->setEnabled(_Save->isEnabled());
  _Open->setEnabled(true);
}

void TForm1::_EditClick() {
  const bool T = HasTextSelection();
  const QMimeData* data = QApplication::clipboard()->mimeData();
  const bool anyFormat = ClipboardHasMime("image/emf") || ClipboardHasMime("image/wmf") ||
                         (data && (data->hasImage() || data->hasText())) ||
                         ClipboardHasMime(RegisteredMime(GetClipboardFormatName(FormattedTextFormat))) || ClipboardHasShapes(false);
  SetEnabled(*this, "PasteSpecial1", "Pa&ste Special", anyFormat);
  const bool shapes = ClipboardHasShapes(true);
  SetEnabled(*this, "PasteCutFiguresatCaret1", "Paste Cut/Copy  Shapes at Caret", shapes);
  SetEnabled(*this, "PasteCutFiguresAtCaret2", "&Paste Cut  Shapes At Caret", shapes);
  if (MainImage) SetCaretPosition(this, 0, 0);
  SetEnabled(*this, "DeleteText1", "&Delete Text", T);
  SetEnabled(*this, "ChangeSelectedTextAttributes2", "Cha&nge Selected Text Attributes", T);
  SetEnabled(*this, "SwapTextZOrder1", "Swap Text '&Z' Order", T);
  SetEnabled(*this, "SetSelectionOffset2", "Set Selection &Offset", T);
  SetEnabled(*this, "StripBlankLines1", "Strip Blank &Lines", T);
  SetEnabled(*this, "InsertBlankLines1", "Insert Blan&k Lines", T);
  UpdateClipboardItems();
  SetEnabled(*this, "PasteMacro1", "Paste &Macro", MacroLinesTicked());
  if (EditShapes1) EditShapes1->menuAction()->setEnabled(Figures && Figures->Count() > 0);
  const bool full = !findChild<QAction*>("ShortMenus1")->isChecked();
  SetVisible(*this, "Images1", "&Images", full);
  SetVisible(*this, "SetSelectionOffset2", "Set Selection &Offset", full);
  SetVisible(*this, "SwapTextZOrder1", "Swap Text '&Z' Order", full);
  SetVisible(*this, "ObjectEditor1", "O&bject Editor", full);
  SetVisible(*this, "StripBlankLines1", "Strip Blank &Lines", full);
  SetVisible(*this, "InsertBlankLines1", "Insert Blan&k Lines", full);
}

void TForm1::ApplicationSettings1Click() {
  const bool full = !findChild<QAction*>("ShortMenus1")->isChecked();
  if (auto* speed = findChild<QMenu*>("ScrollSpeed1")) speed->menuAction()->setVisible(full);
  SetVisible(*this, "BeepTicks1", "Beep &Ticks", full);
  SetVisible(*this, "BackGroundColor1", "&Back Ground Color", full);
  SetVisible(*this, "StayonTop1", "St&ay on Top", full);
  SetVisible(*this, "Permissions1", "Pe&rmissions", full);
  SetVisible(*this, "SetNodeCount1", "Set Node Count", full);
  SetVisible(*this, "SameColorDivider1", "Same Color Divider", full);
  if (QAction* a = FindItem(*this, "SetNodeCount1", nullptr))
    a->setText(QString("Set Node Count  (%1)").arg(NodeCount));
  if (QAction* a = FindItem(*this, "SameColorDivider1", "Same Color Divider"))
    if (Figures) a->setChecked(Figures->SameColorDivider);
}

void TForm1::ScrollSpeed1Click() {
  int index = -1;
  for (int i = 0; i < 4; ++i)
    if (ScrollBarSnooze == kSnoozeValues[i]) index = i;
  if (index < 0) {
    ScrollBarSnooze = 30;
    index = 1;
  }
  if (auto* a = findChild<QAction*>(kSnoozeNames[index])) a->setChecked(true);
}

void TForm1::None1Click(QObject* Sender) {
  auto* item = qobject_cast<QAction*>(Sender);
  if (!item) return;
  const int index = item->property("Tag").toInt();
  if (index < 0 || index > 3) return;
  ScrollBarSnooze = kSnoozeValues[index];
  TZQVIniFile child(ProgramFile("ChildFms.ini"));
  child.WriteInteger("Form1General", "ScrollBarSnooze", ScrollBarSnooze);
  child.UpdateFile();
}

void TForm1::_HorzScrollBarsClick() {
  const bool show = ScrollBox1->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff;
  ScrollBox1->setHorizontalScrollBarPolicy(show ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  findChild<QAction*>("_HorzScrollBars")->setChecked(show);
}

void TForm1::_VerticalScrollBarsClick() {
  const bool show = ScrollBox1->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff;
  ScrollBox1->setVerticalScrollBarPolicy(show ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  findChild<QAction*>("_VerticalScrollBars")->setChecked(show);
  resize(width() - 1, height());
}

void TForm1::_SetCopyMetafileDefaultClick() {
  // The action toggled its own mark already; the mark is the new state.
  const bool on = _SetCopyMetafileDefault->isChecked();
  TZQVIniFile main(ProgramFile("Main.Ini"));
  main.WriteBool("Form_Position", "Copy_Metafile_Default", on);
  main.UpdateFile();
}

void TForm1::ToggleHints1Click() {
  ShowHint = !ShowHint;
  ToggleHints1->setChecked(ShowHint);
}

void TForm1::StayonTop1Click() {
  const bool onTop = windowFlags() & Qt::WindowStaysOnTopHint;
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, !onTop);
  if (visible) show();  // changing the window's flags hides it
  findChild<QAction*>("StayonTop1")->setChecked(!onTop);
}

void TForm1::ShortMenus1Click(QObject* Sender) {
  // A checkable action has toggled its mark by the time its click arrives: that is the inversion.
  (void)qobject_cast<QAction*>(Sender);
}

void TForm1::InsertAfterPaste1Click(QObject* Sender) { (void)qobject_cast<QAction*>(Sender); }

void TForm1::SpecialFonts1Click() {
  if (DefineFontDg) DefineFontDg->exec();
}

void TForm1::MainFont1Click() {
  ClearScriptButtons();
  DestroyCaret();
  if (MainFontDlg && MainFontDlg->exec() == QDialog::Accepted) {
    SetStyleButtonsFromFont(MainFontDlg->GetMainFont());
    if (MainFontDlg->ScriptsRescaled) RefreshAllImages(this, false);
  }
  ProcessMessages();
  if (MainImage) SetCaretPosition(this, 0, 0);
}

void TForm1::Panel61MouseMove(QObject* Sender) {
  auto* panel = qobject_cast<QWidget*>(Sender);
  if (!panel) return;
  const bool drawing = tbDraw->Down();
  panel->setProperty("DragMode", drawing ? "dmAutomatic" : "dmManual");
  panel->setCursor(drawing ? Qt::DragMoveCursor : Qt::ArrowCursor);
  if (panel->property("Tag").toInt() == 100) return;
  QString caption;
  if (auto* b = qobject_cast<QAbstractButton*>(panel)) caption = b->text();
  else caption = panel->property("Caption").toString();
  if (caption.size() > 1) panel->setToolTip(caption);
  else
    panel->setToolTip("Right click to define.\nClick to insert first character in text mode.\nLeft mouse drag and drop text when drawing.");
}

void TForm1::TransformsApplied(QObject* Sender) {
  if (!Sender || Sender->objectName() != "TransformShapes1") return;
  TPagePart::PushShapeUndo();  // what the transform recorded since its run began
  SetModified();
  RefreshAllImages(this, false);
  if (MainImage) MainImage->repaint();
}

bool ClipboardHasShapes(bool currentUnitsOnly) {
  if (currentUnitsOnly) return Figures && ClipboardHasMime(RegisteredMime(Figures->GetClipboardFormat().Name));
  return ClipboardHasMime(RegisteredMime(InchShapesFormatName)) || ClipboardHasMime(RegisteredMime(CentimetreShapesFormatName));
}

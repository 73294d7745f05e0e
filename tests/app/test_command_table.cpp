// The command table over the real window: every row has its item and every menu item its row; and
// every row, triggered through its item in each of several page states, with every dialog answered
// Cancel, crashes nothing and leaves nothing open; a row that changes the page marks the document
// modified and one press of the toolbar's Undo gives the page back; a row that changes nothing
// leaves the page and the modified mark alone; a disabled row's handler does not run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <set>
#include <sstream>
#include <tuple>

#include "app/command_table.h"
#include "app/main_window_fixture.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "dialogs/help_viewer.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "page/page_part.h"
#include "platform/streams.h"
#include "text/text_keystrokes.h"

namespace {

// What the saved document holds of the page: text cells, figures, pictures, pastes, image objects.
// The caret and the view are left out: an undo need not give them back.
struct PageModel {
  std::vector<uint8_t> codes;
  std::vector<std::string> fonts;
  std::vector<int32_t> offsets;
  std::vector<bool> layers;
  std::vector<uint8_t> figures;
  TPictureTable pictures;
  TPasteTable pastes;
  int pictureCount = 0, pasteCount = 0, imageCount = 0;
  std::vector<TImageObjectRec> images;
  friend bool operator==(const PageModel&, const PageModel&) = default;
};

PageModel ModelOf(TForm1& f) {
  PageModel m;
  for (int i = 1; i < CellCount; ++i) {
    m.codes.push_back(f.CharCodes[size_t(i)]);
    const TFont& font = *f.CharFonts[size_t(i)];
    m.fonts.push_back(font.Name + "/" + std::to_string(font.Size()) + "/" + std::to_string(font.Style) + "/" +
                      std::to_string(font.Color));
    m.offsets.push_back(f.CharOffsets[size_t(i)]);
    m.layers.push_back(f.CharZOrder[size_t(i)]);
  }
  if (Figures) {
    TMemoryStream s;
    Figures->SaveToStream(s);
    m.figures = s.Data;
  }
  m.pictures = Pictures;
  m.pastes = Pastes;
  m.pictureCount = f.PictureCount;
  m.pasteCount = f.PasteCount;
  m.imageCount = f.ImageCount;
  for (int i = 0; i < f.ImageCount; ++i) m.images.push_back(f.ImageRecs[size_t(i)]);
  return m;
}

std::string Difference(const PageModel& a, const PageModel& b) {
  if (a.codes != b.codes) return "text";
  if (a.fonts != b.fonts) return "fonts";
  if (a.offsets != b.offsets) return "offsets";
  if (a.layers != b.layers) return "layers";
  if (a.figures != b.figures) return "figures";
  if (!(a.pictures == b.pictures) || a.pictureCount != b.pictureCount) return "pictures";
  if (!(a.pastes == b.pastes) || a.pasteCount != b.pasteCount) return "pastes";
  if (a.imageCount != b.imageCount || !(a.images == b.images)) return "image objects";
  return "";
}

enum class State { Empty, Text, Figures, SelectedFigures, Images, Zoomed, Scrolled };

std::string StateName(State s) {
  switch (s) {
    case State::Empty: return "Empty";
    case State::Text: return "Text";
    case State::Figures: return "Figures";
    case State::SelectedFigures: return "SelectedFigures";
    case State::Images: return "PicturesPastesImageObjects";
    case State::Zoomed: return "Zoomed";
    case State::Scrolled: return "Scrolled";
  }
  return "";
}

constexpr int Parts = 5;

// Faults this test found that are still open (see the design notes, "The command table"): the
// text style commands change a selection's fonts without marking the document; the text layer
// swap neither marks it nor is undone; the font steps on a selection and Convert to Image Object
// are not given back by one Undo.
const std::set<std::string> KnownFaults = {
    "Bold1: unmarked", "Bold: unmarked", "Italic1: unmarked", "_Italics: unmarked", "Underline1: unmarked",
    "Underline2: unmarked", "Strikeout1: unmarked", "Strikeout2: unmarked", "Superscripts1: unmarked",
    "Subscripts1: unmarked", "MidScripts1: unmarked", "tbBold: unmarked", "tbItalics: unmarked",
    "tbUnderline: unmarked", "tbStrikeOut: unmarked", "tbSuperScript: unmarked", "tbSubscript: unmarked",
    "tbMidscript: unmarked", "BringToFront1: unmarked", "BringToFront1: not undone (layers)",
    "SwopTextZOrder1: unmarked", "SwopTextZOrder1: not undone (layers)", "FontUp: not undone (fonts)",
    "FontDown1: not undone (fonts)", "ConverttoImageObject1: not undone (figures)",
    "ConverttoImageObject2: not undone (figures)", "ConverttoImageObject3: not undone (figures)",
    "ConverttoImageObject1: not undone (pastes)", "ConverttoImageObject2: not undone (pastes)",
    "ConverttoImageObject3: not undone (pastes)"};

struct CommandTableTest : StartedWindowFixture {
  QTemporaryDir files;
  QTimer cancel;
  void SetUp() override {
    StartedWindowFixture::SetUp();
    // Every dialog is answered Cancel: the file dialogs, the message boxes, and any modal window
    // (font and colour dialogs, the size dialogs) is rejected as soon as it shows.
    DocumentDialogHook = [](const std::string&, const std::string&) { return std::string(); };
    PictureDialogHook = [](const std::string&, const std::string&, const std::string&, int&) { return std::string(); };
    PrinterDialogHook = [](QPrinter&) { return false; };
    PrintPreviewHook = [](TPrintPreview&) { return 0; };
    TextFontDialogHook = [](TFont&) { return false; };
    OpenUrlHook = [](const QUrl&) { return true; };
    rec->DefaultAnswer = mrCancel;
    cancel.setInterval(20);
    QObject::connect(&cancel, &QTimer::timeout, [] {
      if (QWidget* w = QApplication::activeModalWidget()) {
        if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
        else w->close();
      }
      if (QWidget* p = QApplication::activePopupWidget()) p->close();
    });
    cancel.start();
    form->resize(900, 700);
    form->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    cancel.stop();
    TextFontDialogHook = nullptr;
    OpenUrlHook = nullptr;
    StartedWindowFixture::TearDown();
  }

  std::string Picture(const char* name, Qt::GlobalColor colour) {
    const QString path = files.filePath(name);
    if (!QFileInfo::exists(path)) {
      QImage img(12, 9, QImage::Format_RGB32);
      img.fill(colour);
      EXPECT_TRUE(img.save(path));
    }
    return path.toStdString();
  }
  void Draw(int kind, int x1, int y1, int x2, int y2) {
    Figures->Template->SetKind(kind);
    form->MainImageMouseDown(Qt::LeftButton, Qt::NoModifier, x1, y1);
    form->MainImageMouseMove(Qt::LeftButton, Qt::NoModifier, (x1 + x2) / 2, (y1 + y2) / 2);
    form->MainImageMouseUp(Qt::LeftButton, Qt::NoModifier, x2, y2);
  }
  void Type(const std::string& text) { TypeText(*form, form, text); }

  // A new page, then the state's contents; the document is then marked saved, so that a command's
  // mark shows.
  void Build(State s) {
    // Windows a command left open go first.
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != form && w->isVisible() && !qobject_cast<QMenu*>(w)) w->hide();
    rec->DefaultAnswer = mrNo;
    form->Modified = false;
    form->FileModified = false;
    form->_NewWorkSpaceClick(form);
    form->tbText->SetDown(true);
    form->tbTextClick(form->tbText);
    QApplication::clipboard()->clear();
    SelectionRect = TRect();
    SelectionRectShown = false;
    switch (s) {
      case State::Empty:
        break;
      case State::Text:
        Type("ab cd");
        form->SelStart = 2;
        form->SelEnd = 4;
        break;
      case State::Figures:
      case State::SelectedFigures:
      case State::Zoomed:
      case State::Scrolled:
        Type("xy");
        form->tbDraw->SetDown(true);
        form->tbDrawClick(form->tbDraw);
        Draw(5, 100, 100, 200, 160);
        Draw(0, 100, 260, 300, 260);
        // A figure's text copied to the clipboard: the shape paste commands have something to paste.
        if (s == State::SelectedFigures) {
          SelectionRect = TRect(60, 60, 260, 200);
          Figures->SelectInRect(SelectionRect);
          Figures->CopySelected(SelectionRect);
          form->DrawDragRect(form->MainImage->Canvas(), false, SelectionRect.TopLeft(), SelectionRect.BottomRight());
          SelectionRectShown = true;
        }
        if (s == State::Zoomed) form->ApplyZoom(7, TRect(0, 0, 400, 300));
        if (s == State::Scrolled) {
          form->ScrollBox1->verticalScrollBar()->setValue(150);
          form->ScrollBox1->horizontalScrollBar()->setValue(40);
        }
        break;
      case State::Images: {
        Type("pq");
        ASSERT_TRUE(form->AddPicture(form, Picture("a.png", Qt::red), TRect(20, 20, 32, 29)));
        ++form->PictureCount;
        QImage img(7, 5, QImage::Format_RGB32);
        img.fill(Qt::blue);
        QApplication::clipboard()->setImage(img);
        form->CaretPoint = TPoint(200, 200);
        form->PastePictureClick(form->PasteImageatCaret1);
        ASSERT_TRUE(form->LoadImageObject(Picture("b.png", Qt::green), TPoint(300, 100)));
        form->SelectImage(form->ImageCount - 1);
        SelectionRect = TRect(10, 10, 60, 60);
        form->DrawDragRect(form->MainImage->Canvas(), false, SelectionRect.TopLeft(), SelectionRect.BottomRight());
        SelectionRectShown = true;
        break;
      }
    }
    QApplication::processEvents();
    form->Modified = false;
    form->FileModified = false;
    rec->DefaultAnswer = mrCancel;
    rec->Clear();
  }

  // The menus that hold the item open (their opening handlers decide its state), as the user
  // opens them on the way to it.
  void OpenMenusOf(QAction* a) {
    std::vector<QMenu*> chain;
    for (QObject* o : a->associatedObjects())
      if (auto* m = qobject_cast<QMenu*>(o))
        for (QMenu* p = m; p; p = qobject_cast<QMenu*>(p->parentWidget())) chain.insert(chain.begin(), p);
    std::set<QMenu*> done;
    for (QMenu* m : chain)
      if (done.insert(m).second) emit m->aboutToShow();
  }

  // Lets the command finish; closes what it left open.
  void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    if (QWidget* p = QApplication::activePopupWidget()) p->close();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != form && w->isVisible()) w->hide();
    QApplication::processEvents();
  }

  // The rows of one part (a third of the table) in one state.
  void RunState(State state, int part) {
    ASSERT_TRUE(form->Commands);
    std::vector<std::string> faults;
    int triggered = 0, disabled = 0, undone = 0, index = 0, known = 0;
    for (const TCommand& row : form->Commands->Rows()) {
      for (QAction* a : row.Actions) {
        if (index++ % Parts != part) continue;
        const std::string item = a->objectName().isEmpty() ? row.Name + "/" + a->text().toStdString()
                                                           : a->objectName().toStdString();
        SCOPED_TRACE(item + " in state " + StateName(state));
        Build(state);
        if (HasFatalFailure()) return;
        OpenMenusOf(a);
        // A hidden item (hidden also by its menu's opening) is out of the user's reach, its keys too.
        if (!a->isVisible()) continue;
        const PageModel before = ModelOf(*form);
        const bool modifiedBefore = form->Modified;
        const int ranBefore = row.Ran;
        if (!a->isEnabled()) {
          ++disabled;
          a->trigger();
          Settle();
          EXPECT_EQ(row.Ran, ranBefore) << "a disabled item ran its handler";
          EXPECT_EQ(Difference(ModelOf(*form), before), "");
          continue;
        }
        // An item whose rule says no, though the item was left enabled (its key pressed while its
        // menu is closed), does not run either.
        if (row.Enabled && !row.Enabled(*form)) {
          ++disabled;
          a->trigger();
          Settle();
          EXPECT_EQ(row.Ran, ranBefore) << "a disabled row ran its handler";
          EXPECT_FALSE(a->isEnabled());
          continue;
        }
        ++triggered;
        a->trigger();
        Settle();
        ASSERT_TRUE(form->isVisible()) << "the window closed";
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a modal window stayed open";
        const PageModel after = ModelOf(*form);
        const std::string changed = Difference(after, before);
        if (!(row.Changes & ccPage)) {
          if (!changed.empty()) faults.push_back(item + ": changed the page (" + changed + ")");
          if (form->Modified != modifiedBefore) faults.push_back(item + ": changed the modified mark");
          continue;
        }
        if (changed.empty() || row.NoUndo) continue;
        auto fault = [&](const std::string& what) {
          if (KnownFaults.count(item + ": " + what)) ++known;
          else faults.push_back(item + ": " + what);
        };
        if (!form->Modified) fault("unmarked");
        // Image objects have no undo: a change of them alone is not taken back.
        if (changed == "image objects") continue;
        form->tbUndo->click();
        Settle();
        const std::string left = Difference(ModelOf(*form), before);
        if (!left.empty()) fault("not undone (" + left + ")");
        ++undone;
      }
    }
    std::ostringstream list;
    for (const std::string& f : faults) list << "\n  " << f;
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults:" << list.str();
    EXPECT_GT(triggered, 20);
    RecordProperty("triggered", triggered);
    RecordProperty("disabled", disabled);
    RecordProperty("undone", undone);
    RecordProperty("known_faults", known);
  }
};

}  // namespace

TEST_F(CommandTableTest, EveryRowHasItsItemAndEveryItemItsRow) {
  ASSERT_TRUE(form->Commands);
  std::ostringstream list;
  for (const std::string& f : form->Commands->Faults()) list << "\n  " << f;
  EXPECT_TRUE(form->Commands->Faults().empty()) << list.str();
  // The rows the older wiring missed are there, on items of their menus.
  for (const char* name : {"Measure1", "Select1", "DrawShapeTicks1", "ToggleOnOff1", "Toggles1", "DimensionFont1",
                           "DimensionFont2", "DimensionFont3", "Shortcuts1", "Gettingstarted1", "Copy3", "InPixels1",
                           "Undo_", "TextOnly1", "Pictures4", "Pastes4", "RefreshLines1", "All1"}) {
    const TCommand* row = form->Commands->Find(name);
    ASSERT_NE(row, nullptr) << name;
    EXPECT_FALSE(row->Actions.empty()) << name;
  }
  EXPECT_EQ(form->Commands->Find("Select1")->Actions.front()->shortcut(), QKeySequence("Ctrl+E"));
  EXPECT_EQ(form->Commands->Find("ToggleOnOff1")->Actions.front()->shortcut(), QKeySequence("Ctrl+L"));
  EXPECT_EQ(form->Commands->Find("Toggles1")->Actions.front()->shortcut(), QKeySequence("Ctrl+Z"));
}

TEST_F(CommandTableTest, TheStatusBarPopupCopiesAllSixPanels) {
  for (int i = 0; i < 6; ++i) form->SetPanelText(i, QString("panel %1").arg(i));
  form->findChild<QAction*>("Copy3")->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "panel 0\r\npanel 1\r\npanel 2\r\npanel 3\r\npanel 4\r\npanel 5\r\n");
  auto* popup = form->findChild<QMenu*>("StatBarPopup");
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(popup->actions().contains(form->InPixels1));
}

TEST_F(CommandTableTest, TheSelectionPopupEnablesItsItemsByTheSelection) {
  // Nothing selected: the shape items, Copy and the picture items are disabled.
  SelectionRect = TRect();
  SelectionRectShown = false;
  emit form->PopupMenu2->aboutToShow();
  for (const char* name : {"CutSelectedShapes1", "CopySelectedFigures1", "DeleteSelectedShapes1", "RemoveSelectedShapes1",
                           "BringShapestoFront1", "SendShapestoBack1", "Transforms2", "ConverttoMultiline1",
                           "ConverttoImageObject3", "LoadPicture", "PastePicture", "CopySelection1"})
    EXPECT_FALSE(form->findChild<QAction*>(name)->isEnabled()) << name;
  // A valid rubber band: Load Picture and Convert to Image Object.
  SelectionRect = TRect(10, 10, 80, 60);
  SelectionRectShown = true;
  emit form->PopupMenu2->aboutToShow();
  EXPECT_TRUE(form->findChild<QAction*>("LoadPicture")->isEnabled());
  EXPECT_TRUE(form->findChild<QAction*>("ConverttoImageObject3")->isEnabled());
  EXPECT_FALSE(form->findChild<QAction*>("DeleteSelectedShapes1")->isEnabled());
}

// Each state in five parts of the table, so that each test stays within its time.
struct CommandTableInState : CommandTableTest, ::testing::WithParamInterface<std::tuple<State, int>> {};

TEST_P(CommandTableInState, EveryRowThroughItsItem) { RunState(std::get<0>(GetParam()), std::get<1>(GetParam())); }

INSTANTIATE_TEST_SUITE_P(States, CommandTableInState,
                         ::testing::Combine(::testing::Values(State::Empty, State::Text, State::Figures,
                                                              State::SelectedFigures, State::Images, State::Zoomed,
                                                              State::Scrolled),
                                            ::testing::Range(0, Parts)),
                         [](const ::testing::TestParamInfo<std::tuple<State, int>>& i) {
                           return StateName(std::get<0>(i.param)) + "_Part" + std::to_string(std::get<1>(i.param));
                         });

TEST_F(CommandTableTest, HelpShortcutsAndGettingStartedOpenTheirTopics) {
  QDir().mkpath(QString::fromStdString(AppDir() + "help"));
  for (const char* page : {"375.html", "1030.html", "index.html"}) {
    QFile f(QString::fromStdString(AppDir() + "help/" + page));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  std::vector<QString> opened;
  OpenUrlHook = [&](const QUrl& url) {
    opened.push_back(url.fileName());
    return true;
  };
  form->findChild<QAction*>("Shortcuts1")->trigger();
  form->findChild<QAction*>("Gettingstarted1")->trigger();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "375.html");
  EXPECT_EQ(opened[1], "1030.html");
  // Both are on the Help menu.
  EXPECT_TRUE(form->Help2->actions().contains(form->findChild<QAction*>("Shortcuts1")));
  EXPECT_TRUE(form->Help2->actions().contains(form->findChild<QAction*>("Gettingstarted1")));
}

TEST_F(CommandTableTest, OpeningTheSnappingAndZoomInSubmenusShowsTheEngineState) {
  auto* snapping = form->findChild<QMenu*>("ToggleLineSnapping1");
  ASSERT_NE(snapping, nullptr);
  EXPECT_TRUE(snapping->actions().contains(form->ToggleOnOff1));
  EXPECT_TRUE(snapping->actions().contains(form->ScanGrids1));
  for (bool scan : {true, false}) {
    Figures->ScanGrids = scan;
    form->ScanGrids1->setChecked(!scan);
    emit snapping->aboutToShow();
    EXPECT_EQ(form->ScanGrids1->isChecked(), scan);
  }
  for (QAction* z : {form->Z9, form->Z10, form->Z11, form->Z12}) z->setEnabled(false);
  emit form->ZoomIn1->menu()->aboutToShow();
  for (QAction* z : {form->Z9, form->Z10, form->Z11, form->Z12}) EXPECT_TRUE(z->isEnabled());
}

TEST_F(CommandTableTest, TheDimensionFontItemsOpenTheFontDialogFromEachMenu) {
  // Format, Settings and the shape pop-up's Shape Attributes.
  const std::pair<const char*, const char*> places[] = {
      {"DimensionFont1", "Format1"}, {"DimensionFont2", "Setup1"}, {"DimensionFont3", "ShapeAttributes1"}};
  for (const auto& [item, menu] : places) {
    SCOPED_TRACE(item);
    QAction* a = form->findChild<QAction*>(item);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(form->findChild<QMenu*>(menu)->actions().contains(a));
    const int ran = form->Commands->Find(item)->Ran;
    bool shown = false;
    QTimer::singleShot(0, [&] {
      if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        shown = true;
        d->reject();
      }
    });
    a->trigger();
    EXPECT_EQ(form->Commands->Find(item)->Ran, ran + 1);
    EXPECT_TRUE(shown) << "no font dialog";
    EXPECT_FALSE(form->Modified);
  }
}

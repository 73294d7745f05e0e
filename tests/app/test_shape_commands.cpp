// Edit > Shapes, File > Clear Shapes, the shapes-file commands and the undo states in the real main
// window, with figures drawn through the page's mouse handlers.
#include <gtest/gtest.h>

#include <QMenu>

#include "app/main_window_fixture.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/app_dir.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"

namespace {
struct ShapeCommands : StartedWindowFixture {
  void SetUp() override {
    StartedWindowFixture::SetUp();
    Figures->Template->SetKind(0);
    Figures->Template->SetPenColor(clBlack);
    form->tbDraw->SetDown(true);
    form->tbDraw->click();
  }
  void Line(int y) { DragOnPage(form, 100, 300, y); }
  QAction* Item(const char* name) { return form->findChild<QAction*>(name); }
  void OpenEditShapes() { form->EditShapes1Click(); }
  // Answers the next file dialog with Name.
  void Answer(const std::string& name) {
    DocumentDialogHook = [name](const std::string&, const std::string&) { return name; };
  }
};
}  // namespace

TEST_F(ShapeCommands, MenuStatesFollowTheFiguresAndTheSelection) {
  Line(200);
  Line(300);
  ASSERT_EQ(Figures->Count(), 2);
  Figures->Measure.LastIndex = 1;
  SelectionRect = TRect();
  OpenEditShapes();
  EXPECT_FALSE(Item("BringLastShapetoFront1")->isEnabled());
  EXPECT_TRUE(Item("SendLastShapetoBack1")->isEnabled());
  EXPECT_TRUE(Item("DeleteLastSelectedShape1")->isEnabled());
  EXPECT_FALSE(Item("CopySelectedFigures2")->isEnabled());  // no page selection rectangle
  EXPECT_FALSE(Item("Savezqsshapes1")->isEnabled());
  EXPECT_FALSE(Item("AddNode1")->isEnabled());  // a line has no node list
  SelectionRect = TRect(50, 150, 350, 350);
  OpenEditShapes();
  EXPECT_TRUE(Item("CopySelectedFigures2")->isEnabled());
  EXPECT_TRUE(Item("DeleteSelectedShapes2")->isEnabled());
  EXPECT_TRUE(Item("Savezqsshapes1")->isEnabled());
  // Send the last one to the back: the first figure is now the line at 300.
  Item("SendLastShapetoBack1")->trigger();
  EXPECT_EQ(Figures->Count(), 2);
  EXPECT_TRUE(Figures->Selection.empty());
  // Short menus hide the editing items.
  Item("ShortMenus1")->setChecked(true);
  OpenEditShapes();
  EXPECT_FALSE(Item("Transforms3")->isVisible());
  EXPECT_TRUE(Item("BringLastShapetoFront1")->isVisible());
}

TEST_F(ShapeCommands, DeleteCanBeUndoneRemoveCannot) {
  Line(200);
  Line(300);
  SelectionRect = TRect(50, 150, 350, 250);
  Item("DeleteSelectedShapes2")->trigger();
  EXPECT_EQ(Figures->Count(), 1);
  form->Undo1Click();
  EXPECT_TRUE(form->Shapes2->isEnabled());
  EXPECT_EQ(form->UndoButtonHint(), "Undo Shapes operation");
  form->Shapes2->trigger();
  EXPECT_EQ(Figures->Count(), 2);
  const int entries = form->UndoState.UndoKindCount;
  SelectionRect = TRect(50, 150, 350, 250);
  Item("RemoveSelectedShapes2")->trigger();
  EXPECT_EQ(Figures->Count(), 1);
  EXPECT_EQ(form->UndoState.UndoKindCount, entries);  // nothing to take back
}

TEST_F(ShapeCommands, ClearShapesBacksUpEverythingAndDropsShapeUndo) {
  Item("ClearShapes1")->trigger();  // an empty drawing: a backup of the header alone
  const int64_t empty = FileSizeOf(ProgramFile("Shapes Backup.bak"));
  EXPECT_GT(empty, 0);
  Line(200);
  Line(300);
  ASSERT_GT(form->UndoState.UndoKindCount, 0);
  Item("ClearShapes1")->trigger();
  EXPECT_EQ(Figures->Count(), 0);
  EXPECT_GT(FileSizeOf(ProgramFile("Shapes Backup.bak")), empty);
  EXPECT_EQ(ShapeUndoCount(form->UndoState), 0);
  EXPECT_EQ(form->UndoState.UndoKindCount, 0);
  EXPECT_EQ(form->UndoButtonHint(), "Nothing to Undo");
  form->Undo1Click();
  EXPECT_FALSE(form->Shapes2->isEnabled());
  EXPECT_FALSE(form->UndoLast1->isEnabled());
}

TEST_F(ShapeCommands, ShapesFileWrittenFromTheSelectionAndAddedBack) {
  Line(200);
  Line(300);
  const std::string file = AppDir() + "two.zqs";
  // Nothing selected: the user is told so, no file name is asked for and nothing is written.
  Figures->ClearSelection();
  bool asked = false;
  DocumentDialogHook = [&](const std::string&, const std::string&) {
    asked = true;
    return file;
  };
  rec->Clear();
  Item("Savezqsshapes1")->trigger();
  EXPECT_FALSE(asked);
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(rec->Texts(), std::vector<std::string>{"Nothing Selected"});
  Figures->SelectInRect(TRect(50, 150, 350, 350));
  Answer(file);
  Item("Savezqsshapes1")->trigger();
  ASSERT_TRUE(FileExists(file));
  EXPECT_EQ(TZQVIniFile(PageIniName).ReadString("General", "Shapes_Directory", ""), AppDir().substr(0, AppDir().size() - 1));
  std::vector<TRealXYZ> before;
  for (int i = 0; i < 2; ++i) before.push_back(Figures->GetFigure(i)->Point(0));
  Item("ClearShapes1")->trigger();
  Item("LoadShapes1")->trigger();
  ASSERT_EQ(Figures->Count(), 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(Figures->GetFigure(i)->Point(0).x, before[size_t(i)].x, 1e-9);
    EXPECT_NEAR(Figures->GetFigure(i)->Point(0).y, before[size_t(i)].y, 1e-9);
  }
  Item("LoadShapes1")->trigger();  // twice: the figures twice
  EXPECT_EQ(Figures->Count(), 4);
  form->Shapes2->trigger();  // and the second load is taken back by shape undo
  EXPECT_EQ(Figures->Count(), 2);
  // Reserved names and missing files change nothing.
  const struct { std::string name; std::string message; } refused[] = {
      {AppDir() + "UserDefs.zqs", "The file " + AppDir() + "UserDefs.zqs is reserved for defaults.\rExiting save shapes"},
      {AppDir() + "missing.zqs", "The file " + AppDir() + "missing.zqs does not appear to exist"},
  };
  WriteFileAtomically(AppDir() + "UserDefs.zqs", "x", 1);
  for (const auto& r : refused) {
    rec->Clear();
    Answer(r.name);
    Item("LoadShapes1")->trigger();
    ASSERT_EQ(rec->Texts().size(), 1u);
    EXPECT_EQ(rec->Texts()[0], r.message);
    EXPECT_EQ(Figures->Count(), 2);
  }
  // A file of the other unit system goes through the conversion question; No adds nothing.
  Answer(file);
  const bool metric = Figures->Metric;
  Figures->SetMetric(!metric);
  rec->Clear();
  rec->Answer(mrNo);
  Item("LoadShapes1")->trigger();
  ASSERT_EQ(rec->Texts().size(), 1u);
  EXPECT_EQ(rec->Texts()[0].rfind("Dimension format ", 0), 0u);
  EXPECT_EQ(Figures->Count(), 2);
  rec->Clear();
  rec->Answer(mrYes);
  Item("LoadShapes1")->trigger();
  EXPECT_EQ(Figures->Count(), 4);
  Figures->SetMetric(metric);
  rec->Clear();
  Answer(AppDir() + "UserDefs.zqs");
  Item("Savezqsshapes1")->trigger();
  EXPECT_EQ(rec->Texts().size(), 1u);
  EXPECT_EQ(FileSizeOf(AppDir() + "UserDefs.zqs"), 1);
}

// The Options menu's CAD switches: each command toggles its tick and the engine's option, and the
// tick comes back in the next main window after the window was closed.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "app/main_window.h"
#include "app/main_window_fixture.h"
#include "app/startup.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "helpers/speed_button.h"
#include "platform/app_dir.h"

namespace {
struct CadOptions : MainWindowFixture {
  void SetUp() override {
    MainWindowFixture::SetUp();
    PageIniName = AppDir() + "PageIni.ini";
    for (const char* f : {"PageIni.ini", "ChildFms.ini"}) std::remove((AppDir() + f).c_str());
  }
  static QAction* Item(TForm1* form, const char* name) {
    auto* a = form->findChild<QAction*>(name);
    EXPECT_NE(a, nullptr) << name;
    return a;
  }
};
}  // namespace

TEST_F(CadOptions, EachSwitchReachesTheEngineAndSurvivesARestart) {
  struct Case {
    const char* Item;
    std::function<bool()> Engine;
  };
  const std::vector<Case> cases = {
      {"WantTicks1", [] { return Figures->WantTicks; }},
      {"AutoRefreshShapes1", [] { return Figures->AutoRefresh; }},
      {"AutoBringtoFront1", [] { return Figures->AutoFront; }},
      {"NonFilledShapesOnly1", [] { return Figures->NonFilledOnly; }},
      {"ScanGrids1", [] { return Figures->ScanGrids; }},
      {"DrawGridsDynamically1", [] { return Figures->DynamicGrids; }},
      {"SameColorDivider1", [] { return Figures->SameColorDivider; }},
      {"LargeSnapArea1", [] { return Figures->LargeSnapArea; }},
  };
  TForm1* form = CreateStartupWindows();
  form->show();
  std::map<std::string, bool> ticks;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Item);
    QAction* a = Item(form, c.Item);
    const bool before = a->isChecked();
    a->trigger();
    if (std::string(c.Item) == "LargeSnapArea1") {
      // Choosing the ticked snap area keeps it; the small one switches it off.
      EXPECT_TRUE(a->isChecked());
      Item(form, "SmallSnapArea1")->trigger();
      EXPECT_FALSE(a->isChecked());
      EXPECT_TRUE(Item(form, "SmallSnapArea1")->isChecked());
      EXPECT_EQ(SnapAreaSize, 2);
    } else {
      EXPECT_NE(a->isChecked(), before);
    }
    EXPECT_EQ(c.Engine(), a->isChecked());
    ticks[c.Item] = a->isChecked();
  }
  EXPECT_EQ(Figures->Template->Kind, 22) << "the grid switches make the grid current";
  const bool snapping = form->ToggleOnOff1->isChecked();
  form->ToggleOnOff1->trigger();
  EXPECT_NE(form->ToggleOnOff1->isChecked(), snapping);

  // The user ends the run (No to the questions) and starts the program again.
  rec->DefaultAnswer = mrNo;
  ASSERT_TRUE(form->close());
  rec->DefaultAnswer = 0;
  FreeStartupWindows();
  form = CreateStartupWindows();
  form->show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Item);
    EXPECT_EQ(Item(form, c.Item)->isChecked(), ticks[c.Item]);
    EXPECT_EQ(c.Engine(), ticks[c.Item]);
  }
  EXPECT_NE(form->ToggleOnOff1->isChecked(), snapping);
}

TEST_F(CadOptions, SnapToPixelFollowsTheEngine) {
  TForm1* form = CreateStartupWindows();
  QAction* pixel = Item(form, "SnaptoPixel1");
  const bool before = Figures->PixelSnap;
  pixel->trigger();
  EXPECT_NE(Figures->PixelSnap, before);
  EXPECT_EQ(pixel->isChecked(), Figures->PixelSnap);
  pixel->trigger();
  EXPECT_EQ(Figures->PixelSnap, before);
  EXPECT_EQ(pixel->isChecked(), before);
}

TEST_F(CadOptions, DimensionSwitchesActOnTheTemplateOrOnlyOnTheSelection) {
  TForm1* form = CreateStartupWindows();
  Figures->Template->SetWantDimensions(false);
  // Item, its opposite, and the flag it sets.
  const struct {
    const char *on, *off;
    std::function<bool(const TRealFig&)> flag;
  } cases[] = {
      {"On1", "Off1", [](const TRealFig& f) { return f.WantDimensions; }},
      {"On3", "Off3", [](const TRealFig& f) { return f.OpaqueDimensions; }},
      {"On5", "Off5", [](const TRealFig& f) { return f.OutlineFonts; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.on);
    Item(form, c.on)->trigger();
    EXPECT_TRUE(c.flag(*Figures->Template));
    EXPECT_TRUE(Item(form, c.on)->isChecked());
    Item(form, c.off)->trigger();
    EXPECT_FALSE(c.flag(*Figures->Template));
  }
  // Opaque on switches outline fonts off, and the other way round.
  Item(form, "On5")->trigger();
  Item(form, "On3")->trigger();
  EXPECT_FALSE(Figures->Template->OutlineFonts);
  // With a figure selected only the figure takes Want Dimensions.
  form->tbDraw->SetDown(true);
  form->tbDraw->click();
  Figures->Template->SetKind(0);
  DragOnPage(form, 100, 300, 200);
  ASSERT_EQ(Figures->Count(), 1);
  SelectionRect = TRect(50, 150, 350, 250);
  Figures->SelectInRect(SelectionRect);
  Item(form, "On1")->trigger();
  EXPECT_TRUE(Figures->GetFigure(0)->WantDimensions);
  EXPECT_FALSE(Figures->Template->WantDimensions);
  EXPECT_FALSE(Item(form, "On1")->isChecked());
  // The submenu shows the selected figure's flag.
  form->WantDimension1Click(Item(form, "On1"));
  EXPECT_TRUE(Item(form, "On1")->isChecked());
  EXPECT_FALSE(Item(form, "Off1")->isChecked());
}

TEST_F(CadOptions, CopyMagnificationItems) {
  TForm1* form = CreateStartupWindows();
  const struct { const char* item; int value; } cases[] = {{"N41", 4}, {"N101", 10}, {"N11", 1}, {"N81", 8}};
  for (const auto& c : cases) {
    Item(form, c.item)->trigger();
    EXPECT_EQ(Figures->CopyMagnification, c.value) << c.item;
  }
  Figures->SetCopyMagnification(3);  // any other value ticks "*1"
  form->LargeBitmaps1Click();
  EXPECT_TRUE(Item(form, "N11")->isChecked());
  Figures->SetCopyMagnification(2);
  form->LargeBitmaps1Click();
  EXPECT_TRUE(Item(form, "N21")->isChecked());
  EXPECT_FALSE(Item(form, "N11")->isChecked());
}

// The Settings menu's size commands on the real main window: a value confirmed with figures
// selected goes to them and the template keeps its own; without a selection the template takes
// it; the node count dialog opens with the engine ignoring the mouse.
#include <gtest/gtest.h>

#include <QTimer>

#include "app/main_window.h"
#include "app/main_window_fixture.h"
#include "app/startup.h"
#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "dialogs/node_settings_dialog.h"
#include "dialogs/polygon_setup_dialog.h"
#include "dialogs/size_dialog.h"
#include "dialogs/wave_dialog.h"
#include "helpers/page_surface.h"

namespace {
struct ShapeSizes : MainWindowFixture {
  TForm1* form = nullptr;
  QAction* Action(const char* name) { return form->findChild<QAction*>(name); }
  // Runs Act on the next modal dialog once it is shown.
  void OnModal(std::function<void(QWidget*)> Act) {
    QTimer::singleShot(0, [Act] {
      QWidget* w = QApplication::activeModalWidget();
      ASSERT_NE(w, nullptr);
      Act(w);
    });
  }
  int AddSelectedRectangle() {
    const TMappingRec m = Figures->GetMapping();
    const double left = m.WorldLeft + 1, top = m.WorldTop - 1;
    TRealFig rect(Figures);
    rect.AssignWithoutNodes(*Figures->Template);
    rect.Kind = 5;
    rect.SetNodePoint(0, {left + 1, top - 1, 0});
    rect.SetNodePoint(2, {left + 2, top - 2, 0});
    UpdateFigurePoints(rect);
    Figures->AddFigure(&rect);
    const TPoint a = WorldToScreen(Figures->Mapping, left + 0.5, top - 0.5);
    const TPoint b = WorldToScreen(Figures->Mapping, left + 2.5, top - 2.5);
    SelectionRect = TRect(a.X, a.Y, b.X, b.Y);
    SelectionRectShown = true;
    Figures->SelectInRect(SelectionRect);
    return int(Figures->FigureList.size()) - 1;
  }
};
}  // namespace

TEST_F(ShapeSizes, SizeGoesToTheSelectionOrTheTemplate) {
  form = CreateStartupWindows();
  ASSERT_NE(Figures, nullptr);
  Figures->SetMetric(false);  // the dialog speaks inches (in centimetre drawings it shows millimetres)
  Figures->Template->SetArrowHeadLength(0.1);
  const int index = AddSelectedRectangle();
  ASSERT_TRUE(Figures->HasSelection());
  OnModal([](QWidget* w) {
    auto* d = qobject_cast<TAngleArcFm*>(w);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Arrow Head Length");
    d->AngleArcSpin1->SetValue(0.3);
    d->OKBtn->click();
  });
  Action("ArrowHeadLength1")->trigger();
  EXPECT_NEAR(Figures->GetFigure(index)->ArrowHeadLength, 0.3, 1e-6);
  EXPECT_NEAR(Figures->Template->ArrowHeadLength, 0.1, 1e-6);

  Figures->ClearSelection();
  SelectionRectShown = false;
  SelectionRect = TRect();
  OnModal([](QWidget* w) {
    auto* d = qobject_cast<TAngleArcFm*>(w);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Rectangle Radius");
    EXPECT_DOUBLE_EQ(d->AngleArcSpin1->MaxValue(), 5.0);
    d->AngleArcSpin1->SetValue(3.5);
    d->OKBtn->click();
  });
  Action("RectangleRadius1")->trigger();
  EXPECT_NEAR(Figures->Template->RectangleRadius, 3.5, 1e-6);
}

TEST_F(ShapeSizes, PolygonCancelStillMakesThePolygonCurrent) {
  form = CreateStartupWindows();
  ASSERT_NE(Figures, nullptr);
  Figures->Template->Kind = 5;
  const int32_t sides = Figures->Template->PolygonSides;
  OnModal([](QWidget* w) {
    auto* d = qobject_cast<TSetUpPolygon*>(w);
    ASSERT_NE(d, nullptr);
    d->Sides1->setValue(d->Sides1->value() + 1);
    d->CancelBtn->click();
  });
  Action("PolygonSides1")->trigger();
  EXPECT_EQ(Figures->Template->Kind, 24);
  EXPECT_EQ(Figures->Template->PolygonSides, sides);

  OnModal([](QWidget* w) {
    auto* d = qobject_cast<TSetUpPolygon*>(w);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Setup Line Dividers");
    EXPECT_EQ(d->Label1->text(), "Divisions");
    d->Sides1->setValue(5);
    d->OKBtn->click();
  });
  Action("LineDivisions1")->trigger();
  EXPECT_EQ(Figures->Template->LineDivisions, 5);
}

// Cancel in the polygon, line-division and wave dialogs leaves the selected figure as it was
// (and the template too).
TEST_F(ShapeSizes, CancelChangesNothingOnTheSelection) {
  form = CreateStartupWindows();
  ASSERT_NE(Figures, nullptr);
  TWaveRec ownWave = Figures->Template->GetWaveRec();
  ownWave.WaveHeight[0] += 0.25;
  ownWave.Rotation = 30;
  const struct {
    const char* item;
    std::function<void(TRealFig&)> giveOwnValue;
    std::function<bool(const TRealFig&)> keptOwnValue;
    std::function<void(QWidget*)> cancel;
  } cases[] = {
      {"PolygonSides1", [](TRealFig& f) { f.SetPolygonSides(f.PolygonSides + 2); },
       [this](const TRealFig& f) { return f.PolygonSides == Figures->Template->PolygonSides + 2; },
       [](QWidget* w) {
         auto* d = qobject_cast<TSetUpPolygon*>(w);
         ASSERT_NE(d, nullptr);
         d->Sides1->setValue(d->Sides1->value() + 1);
         d->CancelBtn->click();
       }},
      {"LineDivisions1", [](TRealFig& f) { f.SetLineDivisions(f.LineDivisions + 3); },
       [this](const TRealFig& f) { return f.LineDivisions == Figures->Template->LineDivisions + 3; },
       [](QWidget* w) {
         auto* d = qobject_cast<TSetUpPolygon*>(w);
         ASSERT_NE(d, nullptr);
         d->Sides1->setValue(d->Sides1->value() + 1);
         d->CancelBtn->click();
       }},
      {"SetupSine1", [&ownWave](TRealFig& f) { f.SetWaveRec(ownWave); },
       [&ownWave](const TRealFig& f) { return f.GetWaveRec() == ownWave; },
       [](QWidget* w) {
         auto* d = qobject_cast<TSineWaveSetup*>(w);
         ASSERT_NE(d, nullptr);
         d->CancelBtn->click();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    Figures->Clear();
    const int index = AddSelectedRectangle();
    ASSERT_TRUE(Figures->HasSelection());
    c.giveOwnValue(*Figures->GetFigure(index));
    const int32_t sides = Figures->Template->PolygonSides, divisions = Figures->Template->LineDivisions;
    const TWaveRec wave = Figures->Template->GetWaveRec();
    OnModal(c.cancel);
    Action(c.item)->trigger();
    EXPECT_TRUE(c.keptOwnValue(*Figures->GetFigure(index)));
    EXPECT_EQ(Figures->Template->PolygonSides, sides);
    EXPECT_EQ(Figures->Template->LineDivisions, divisions);
    EXPECT_TRUE(Figures->Template->GetWaveRec() == wave);
  }
}

TEST_F(ShapeSizes, NodeCountDialogHoldsTheEngineMouse) {
  form = CreateStartupWindows();
  ASSERT_NE(Figures, nullptr);
  bool readyWhileOpen = true;
  OnModal([&readyWhileOpen](QWidget* w) {
    auto* d = qobject_cast<TNodeSettings1*>(w);
    ASSERT_NE(d, nullptr);
    readyWhileOpen = Figures->Ready;
    EXPECT_EQ(d->NodeSpin1->minimum(), Figures->MaxUsedNodeCount());
    d->NodeSpin1->setValue(40);
    d->OKBtn->click();
  });
  Action("SetNodeCount1")->trigger();
  EXPECT_FALSE(readyWhileOpen);
  EXPECT_TRUE(Figures->Ready);
  EXPECT_EQ(NodeCount, 40);
}

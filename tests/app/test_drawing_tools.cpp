// The drawing tools' buttons and pop-up menus: every item writes its value into the template, and
// with figures selected it goes to them instead while the template keeps its value.
#include <gtest/gtest.h>

#include <QMenu>

#include "app/main_window_fixture.h"
#include "dialogs/color_combo.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"

namespace {
struct DrawingTools : StartedWindowFixture {
  void SetUp() override {
    StartedWindowFixture::SetUp();
    Figures->SetMetric(false);  // line widths in steps of 0.005 inch
  }
  QAction* Item(const char* name) {
    auto* a = form->findChild<QAction*>(name);
    EXPECT_NE(a, nullptr) << name;
    return a;
  }
  QAction* ItemAt(const char* menu, int index) { return form->findChild<QMenu*>(menu)->actions()[index]; }
};

struct TChoice {
  const char* label;
  std::function<QAction*(DrawingTools&)> item;
  std::function<double(const TRealFig&)> value;
  double expected;
};
}  // namespace

TEST_F(DrawingTools, EachItemWritesTheTemplateOrOnlyTheSelection) {
  const std::vector<TChoice> choices = {
      {"thinnest", [](DrawingTools& t) { return t.Item("Minimum1"); }, [](const TRealFig& f) { return f.PenWidth; }, 0.0001},
      {"thickness 6", [](DrawingTools& t) { return t.Item("P6"); }, [](const TRealFig& f) { return f.PenWidth; }, 6 * 0.005},
      {"thickness 25", [](DrawingTools& t) { return t.ItemAt("LineThickness", 25); },
       [](const TRealFig& f) { return f.PenWidth; }, 60 * 0.005},
      {"dash", [](DrawingTools& t) { return t.Item("Dash1"); }, [](const TRealFig& f) { return f.PenStyle; }, 1},
      {"dash dot dot", [](DrawingTools& t) { return t.Item("DashDotDot1"); }, [](const TRealFig& f) { return f.PenStyle; }, 4},
      {"not xor", [](DrawingTools& t) { return t.Item("NotXor1"); }, [](const TRealFig& f) { return f.PenMode; }, 15},
      {"copy", [](DrawingTools& t) { return t.Item("CopyColor1"); }, [](const TRealFig& f) { return f.PenMode; }, 4},
      {"diagonal cross", [](DrawingTools& t) { return t.Item("DiagonalCross1"); },
       [](const TRealFig& f) { return f.BrushStyle; }, 7},
      {"clear brush", [](DrawingTools& t) { return t.ItemAt("BrushStyles1", 4); },
       [](const TRealFig& f) { return f.BrushStyle; }, 1},
  };
  // Into the template, with nothing selected.
  for (const TChoice& c : choices) {
    SCOPED_TRACE(c.label);
    c.item(*this)->trigger();
    EXPECT_DOUBLE_EQ(c.value(*Figures->Template), c.expected);
    EXPECT_TRUE(c.item(*this)->isChecked());
  }
  // The shape kinds of the shape menu.
  const struct { const char* item; int kind; } kinds[] = {
      {"OneArrow1", 1}, {"Closed1", 49}, {"Bezier1", 23}, {"Rectangle1", 5}, {"Polygon2", 24}, {"WavyLine1", 21}};
  for (const auto& k : kinds) {
    Item(k.item)->trigger();
    EXPECT_EQ(Figures->Template->Kind, k.kind) << k.item;
  }
  // A selected line takes the choice; the template keeps what it had.
  Item("NoArrows1")->trigger();
  Item("Solid1")->trigger();
  Item("Minimum1")->trigger();
  Item("CopyColor1")->trigger();
  ItemAt("BrushStyles1", 3)->trigger();
  form->tbDraw->SetDown(true);
  form->tbDraw->click();
  DragOnPage(form, 100, 300, 200);
  ASSERT_EQ(Figures->Count(), 1);
  SelectionRect = TRect(50, 150, 350, 250);
  Figures->SelectInRect(SelectionRect);
  for (const TChoice& c : choices) {
    SCOPED_TRACE(c.label);
    const double before = c.value(*Figures->Template);
    c.item(*this)->trigger();
    EXPECT_DOUBLE_EQ(c.value(*Figures->GetFigure(0)), c.expected);
    EXPECT_DOUBLE_EQ(c.value(*Figures->Template), before);
  }
}

TEST_F(DrawingTools, ColourButtonsTakeTheChosenColour) {
  TColorDialog::ExecuteHook = [](TColorDialog& d) {
    d.Color = clTeal;
    return true;
  };
  form->tbPenColor->click();
  EXPECT_EQ(Figures->Template->PenColor, clTeal);
  Item("BrushColor1")->trigger();
  EXPECT_EQ(Figures->Template->BrushColor, clTeal);
  TColorDialog::ExecuteHook = [](TColorDialog&) { return false; };  // cancelled: nothing changes
  Figures->Template->SetPenColor(clRed);
  form->tbPenColor->click();
  EXPECT_EQ(Figures->Template->PenColor, clRed);
  TColorDialog::ExecuteHook = nullptr;
}

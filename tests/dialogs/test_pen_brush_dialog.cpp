// The pen and brush window: control changes and the template or figure fields they give, the
// "changed only if different" rule, the close question, and the colour grid.
#include <QMouseEvent>
#include <set>
#include <QTest>

#include "dialog_test_support.h"
#include "dialogs/app_palette.h"
#include "dialogs/pen_brush_dialog.h"

class PenBrushDialog : public DialogTest {
protected:
  void SetUp() override {
    DialogTest::SetUp();
    Engine->Template->PenColor = clBlack;
    Engine->Template->BrushColor = clAqua;
    Engine->Template->PenWidth = 0.01;
    Engine->Template->PenStyle = 0;
    Engine->Template->PenMode = 4;
    Engine->Template->BrushStyle = 0;
    Dlg = std::make_unique<TColorDlg>(Host);
    ChangedAttributes = 0;
  }
  void TearDown() override {
    Dlg.reset();
    DialogTest::TearDown();
  }
  // Clicks the centre of grid cell Index with Button.
  void ClickCell(int Index, Qt::MouseButton Button) {
    const QPoint p = Dlg->CellRect(Index).center();
    Dlg->GridMouseDown(p);
    Dlg->GridMouseUp(Button);
  }
  std::unique_ptr<TColorDlg> Dlg;
};

TEST_F(PenBrushDialog, EachControlGivesItsTemplateField) {
  struct Case {
    const char* name;
    std::function<void(TColorDlg&)> act;
    uint32_t bit;
    std::function<bool(const TRealFig&)> check;
  };
  const TColor red = AppPaletteColor(249);
  const std::vector<Case> cases = {
      {"pen colour (left click)", [&](TColorDlg& d) { d.GridMouseDown(d.CellRect(249).center()); d.GridMouseUp(Qt::LeftButton); },
       128, [&](const TRealFig& t) { return t.PenColor == red; }},
      {"brush colour (right click)", [&](TColorDlg& d) { d.GridMouseDown(d.CellRect(249).center()); d.GridMouseUp(Qt::RightButton); },
       2048, [&](const TRealFig& t) { return t.BrushColor == red; }},
      {"pen style", [](TColorDlg& d) { d.PenStyles1->activated(2); }, 256, [](const TRealFig& t) { return t.PenStyle == 2; }},
      {"pen width", [](TColorDlg& d) { d.PenWidth1->SetValue(0.05); }, 512,
       [](const TRealFig& t) { return std::abs(t.PenWidth - 0.05) < 1e-12; }},
      {"pen mode", [](TColorDlg& d) { d.PenModes1->activated(11); }, 1024, [](const TRealFig& t) { return t.PenMode == 14; }},
      {"brush style", [](TColorDlg& d) { d.BrushStyle1->activated(6); }, 4096,
       [](const TRealFig& t) { return t.BrushStyle == 6; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Dlg->FormActivate();
    c.act(*Dlg);
    EXPECT_EQ(ChangedAttributes, c.bit);
    EXPECT_TRUE(Dlg->Apply1->isEnabled());
    QTest::mouseClick(Dlg->Apply1, Qt::LeftButton);
    EXPECT_TRUE(c.check(*Engine->Template));
    EXPECT_EQ(ChangedAttributes, 0u);
    EXPECT_FALSE(Dlg->Apply1->isEnabled());
  }
}

TEST_F(PenBrushDialog, ChangedOnlyWhenDifferentFromActivation) {
  Dlg->FormActivate();
  EXPECT_EQ(ChangedAttributes, 0u);
  // Black is already the pen colour and was so at activation: no bit. Cell 0 is black.
  ClickCell(0, Qt::LeftButton);
  EXPECT_EQ(ChangedAttributes, 0u);
  // Another colour and back again: the bit stays.
  ClickCell(249, Qt::LeftButton);
  ClickCell(0, Qt::LeftButton);
  EXPECT_EQ(ChangedAttributes, 128u);
  EXPECT_EQ(Dlg->PenColor, clBlack);

  // Pen widths within 0.001 count as equal: 0.0100 to 0.0105 stores nothing and sets no bit.
  Dlg->FormActivate();
  Dlg->PenWidth1->SetValue(0.0105);
  EXPECT_DOUBLE_EQ(Dlg->PenWidth, 0.01);
  EXPECT_EQ(ChangedAttributes, 0u);

  // A width of exactly 0 is kept as 1e-7.
  Engine->Template->PenWidth = 0;
  Dlg->FormActivate();
  EXPECT_DOUBLE_EQ(Dlg->PenWidth, 1e-7);
  EXPECT_EQ(ChangedAttributes, 0u);

  // The middle button picks nothing but enables Apply.
  Dlg->FormActivate();
  EXPECT_FALSE(Dlg->Apply1->isEnabled());
  ClickCell(249, Qt::MiddleButton);
  EXPECT_TRUE(Dlg->Apply1->isEnabled());
  EXPECT_EQ(ChangedAttributes, 0u);
  EXPECT_EQ(Dlg->PenColor, clBlack);
}

TEST_F(PenBrushDialog, SelectionTakesTheChangeAndTheTemplateKeepsItsValues) {
  TRealFig& a = AddFigure(5, 1, 2, 2, 1);
  a.PenColor = clBlue;
  a.BrushColor = clYellow;
  a.PenWidth = 0.02;
  TRealFig& b = AddFigure(5, 3, 2, 4, 1);
  Select({0, 1});
  Dlg->FormActivate();
  // The first selected figure's values are shown.
  EXPECT_EQ(Dlg->PenColor, clBlue);
  EXPECT_DOUBLE_EQ(Dlg->PenWidth, 0.02);
  ClickCell(249, Qt::RightButton);
  Dlg->BrushStyle1->activated(7);
  Dlg->ApplyChanges(Dlg->Apply1);
  EXPECT_EQ(Host.AppliedMasks.back(), 2048u | 4096u);
  for (TRealFig* f : {&a, &b}) {
    EXPECT_EQ(f->BrushColor, AppPaletteColor(249));
    EXPECT_EQ(f->BrushStyle, 7);
  }
  EXPECT_EQ(a.PenColor, clBlue);  // not among the changes
  EXPECT_EQ(Engine->Template->BrushColor, clAqua);
  EXPECT_EQ(Engine->Template->BrushStyle, 0);
  EXPECT_EQ(Engine->Template->PenColor, clBlack);
  EXPECT_TRUE(Dlg->AppliedToSelection);

  // "&Cancel" after an Apply that reached the selection redraws the page, without a question.
  Dlg->show();
  Dlg->PenModes1->activated(0);
  Dlg->Cancel1Click();
  EXPECT_EQ(Host.Refreshes, 1);
  EXPECT_TRUE(Messages().Texts().empty());
  EXPECT_FALSE(Dlg->isVisible());
}

TEST_F(PenBrushDialog, CloseAsksApplyChanges) {
  for (int answer : {mrYes, mrNo}) {
    SCOPED_TRACE(answer);
    Engine->Template->PenStyle = 0;
    Messages().Clear();
    Dlg->show();
    Dlg->FormActivate();
    Dlg->PenStyles1->activated(1);
    Messages().Answer(answer);
    QTest::mouseClick(Dlg->CancelBtn, Qt::LeftButton);
    EXPECT_FALSE(Dlg->isVisible());
    ASSERT_EQ(Messages().Texts(), std::vector<std::string>{"Apply changes?"});
    EXPECT_EQ(Messages().Last().HelpCtx, 785);
    EXPECT_EQ(Messages().Last().Buttons, mbYes | mbNo);
    EXPECT_EQ(Engine->Template->PenStyle, answer == mrYes ? 1 : 0);
  }
  // Nothing changed: no question.
  Messages().Clear();
  Dlg->show();
  Dlg->FormActivate();
  Dlg->close();
  EXPECT_TRUE(Messages().Texts().empty());
}

TEST_F(PenBrushDialog, WidePenAsksForSolidStyle) {
  Engine->Template->PenWidth = 1.5;  // only a figure or the template can hold such a width
  Dlg->show();
  Dlg->FormActivate();
  Messages().Answer(mrYes);
  Dlg->PenStyles1->setCurrentIndex(2);
  Dlg->PenStyles1->activated(2);
  ASSERT_EQ(Messages().Texts().size(), 1u);
  EXPECT_EQ(Messages().Texts()[0].substr(0, 54), "Pen style has no effect for pen widths greater than 1\r");
  EXPECT_EQ(Dlg->PenStyles1->currentIndex(), 0);
  EXPECT_EQ(Dlg->PenStyle, 2);  // the stored style is kept
  Dlg->hide();
}

TEST_F(PenBrushDialog, PaletteTableAndGrid) {
  // Fixed entries of the table.
  const std::vector<std::pair<int, TColor>> fixed = {
      {0, RGBColor(0, 0, 0)},           {1, RGBColor(0x80, 0, 0)},       {9, RGBColor(0xa6, 0xca, 0xf0)},
      {10, RGBColor(4, 4, 4)},          {22, RGBColor(0xff, 0x7c, 0x80)}, {29, RGBColor(0x33, 0, 0)},
      {35, RGBColor(0, 0, 0)},          {37, RGBColor(0xcc, 0x33, 0)},   {232, RGBColor(0x66, 0xff, 0xff)},
      {233, RGBColor(0xa5, 0, 0x21)},   {246, RGBColor(0xff, 0xfb, 0xf0)}, {255, RGBColor(0xff, 0xff, 0xff)}};
  for (auto [i, c] : fixed) EXPECT_EQ(AppPaletteColor(i), c) << i;
  // Entries 29-232 are cube colours, 203 different ones.
  std::set<TColor> cube;
  for (int i = 29; i <= 232; ++i) {
    const auto& e = AppPaletteRGB[size_t(i)];
    for (uint8_t v : e) EXPECT_EQ(v % 0x33, 0) << i;
    cube.insert(AppPaletteColor(i));
  }
  EXPECT_EQ(cube.size(), 203u);
  // On a true-colour screen each cell shows its table colour.
  for (int i : {0, 17, 100, 249, 255}) {
    const QRgb p = Dlg->GridBitmap().pixel(Dlg->CellRect(i).center());
    EXPECT_EQ(RGBColor(qRed(p), qGreen(p), qBlue(p)), AppPaletteColor(i)) << i;
  }
  // A palette screen: every cell shows its palette entry.
  SetScreenColorDepth(8);
  TColorDlg eight(Host);
  ASSERT_TRUE(eight.Palette());
  for (int i : {0, 12, 40, 200, 255}) {
    const QRgb p = eight.GridBitmap().pixel(eight.CellRect(i).center());
    EXPECT_EQ(RGBColor(qRed(p), qGreen(p), qBlue(p)), (*eight.Palette())[size_t(i)]) << i;
  }
  SetScreenColorDepth(0);
}

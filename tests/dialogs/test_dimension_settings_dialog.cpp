// The dimension settings dialog: control changes and the template or figure fields they give,
// the "changed only if different" rule with its case-blind suffix, the close paths and the ini.
#include <QTest>

#include "dialog_test_support.h"
#include "dialogs/dimension_settings_dialog.h"
#include "platform/app_dir.h"
#include "platform/zqv_ini_file.h"

class DimensionSettings : public DialogTest {
protected:
  void SetUp() override {
    DialogTest::SetUp();
    ResetTemplate();
  }
  void ResetTemplate() {
    TRealFig& t = *Engine->Template;
    t.Metric = false;
    t.DimSuffix = "\"";
    t.DimMultiplier = 5;
    t.Precision = 12;
    t.Digits = 6;
    t.NumberFormat = 0;
    t.WantDimensions = false;
  }
  std::unique_ptr<TDimSettings1> Open() {
    auto d = std::make_unique<TDimSettings1>(Host);
    d->show();
    return d;
  }
};

TEST_F(DimensionSettings, EachControlGivesItsTemplateField) {
  struct Case {
    const char* name;
    std::function<void(TDimSettings1&)> act;
    uint32_t bits;
    std::function<bool(const TRealFig&)> check;
  };
  const std::vector<Case> cases = {
      {"want dimensions", [](TDimSettings1& d) { QTest::mouseClick(d.WantDimensions2_0, Qt::LeftButton); }, 1,
       [](const TRealFig& t) { return t.WantDimensions; }},
      {"multiplier", [](TDimSettings1& d) { d.DimMultiplier1->activated(7); }, 4,
       [](const TRealFig& t) { return t.DimMultiplier == 7; }},
      {"precision", [](TDimSettings1& d) { d.Precision1->SetValue(4); }, 8, [](const TRealFig& t) { return t.Precision == 4; }},
      {"digits", [](TDimSettings1& d) { d.Digits1->SetValue(2); }, 16, [](const TRealFig& t) { return t.Digits == 2; }},
      {"suffix", [](TDimSettings1& d) { d.DimensionSuffixEdit->setText("mm"); }, 64,
       [](const TRealFig& t) { return t.DimSuffix == "mm"; }},
      {"number format", [](TDimSettings1& d) { d.NumberFormat1->activated(2); }, 16384,
       [](const TRealFig& t) { return t.NumberFormat == 2; }},
      // Metric also writes "cm" into the suffix, as if typed: both bits.
      {"metric", [](TDimSettings1& d) { d.Metric1->click(); }, 32 | 64,
       [](const TRealFig& t) { return t.Metric && t.DimSuffix == "cm"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetTemplate();
    auto d = Open();
    EXPECT_EQ(DimChangedAttributes, 0u);
    c.act(*d);
    EXPECT_EQ(DimChangedAttributes, c.bits);
    QTest::mouseClick(d->Apply1, Qt::LeftButton);
    EXPECT_TRUE(c.check(*Engine->Template));
    EXPECT_EQ(DimChangedAttributes, 0u);
    d->close();
    EXPECT_TRUE(Messages().Texts().empty());
  }
}

TEST_F(DimensionSettings, UnchangedValuesSetNoBit) {
  auto d = Open();
  d->DimensionSuffixEdit->setText("\"");  // unchanged
  d->Precision1->SetValue(12);
  EXPECT_EQ(DimChangedAttributes, 0u);
  Engine->Template->DimSuffix = "in";
  auto e = Open();
  e->DimensionSuffixEdit->setText("IN");  // a change of letter case only
  EXPECT_EQ(DimChangedAttributes, 0u);
  // Changed and back: the bit stays.
  e->Digits1->SetValue(3);
  e->Digits1->SetValue(6);
  EXPECT_EQ(DimChangedAttributes, 16u);
}

TEST_F(DimensionSettings, SelectionTakesTheChangesAndTheTemplateKeepsItsValues) {
  TRealFig& a = AddFigure(0, 1, 1, 2, 1);
  a.Precision = 3;
  Select({0});
  auto d = Open();
  EXPECT_EQ(d->Precision1->AsInteger(), 3);  // shown from the selected figure
  d->Precision1->SetValue(9);
  d->NumberFormat1->activated(3);
  d->ApplySettings(d->Apply1);
  EXPECT_EQ(a.Precision, 9);
  EXPECT_EQ(a.NumberFormat, 3);
  EXPECT_EQ(Engine->Template->Precision, 12);
  EXPECT_EQ(Engine->Template->NumberFormat, 0);
  // The ini keys get the template's (kept) values.
  TZQVIniFile ini(ProgramFile("Main.Ini"));
  EXPECT_EQ(ini.ReadInteger("Form_Position", "Dim_Precision", -1), 12);
  EXPECT_EQ(ini.ReadInteger("Form_Position", "Float_Format", -1), 0);
  EXPECT_EQ(ini.ReadString("Form_Position", "Dimension_Suffix", ""), "\"");
  // Without a rubber band on the page the template is shown, even with figures selected.
  Host.RectShown = false;
  auto e = Open();
  EXPECT_EQ(e->Precision1->AsInteger(), 12);
}

TEST_F(DimensionSettings, ClosePaths) {
  struct Case {
    const char* name;
    bool viaCancel;
    int answer;
    bool applied;
  };
  for (const Case& c : {Case{"OK, Yes", false, mrYes, true}, Case{"OK, No", false, mrNo, false},
                        Case{"Cancel", true, 0, false}}) {
    SCOPED_TRACE(c.name);
    ResetTemplate();
    Messages().Clear();
    auto d = Open();
    d->Digits1->SetValue(1);
    if (c.answer) Messages().Answer(c.answer);
    QTest::mouseClick(c.viaCancel ? d->CancelBtn : d->ExitBtn, Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(Messages().Texts(), c.viaCancel ? std::vector<std::string>{} : std::vector<std::string>{"Apply changes?"});
    EXPECT_EQ(Engine->Template->Digits, c.applied ? 1 : 6);
  }
  // "&Cancel" redraws the page only after an Apply.
  Host.Refreshes = 0;
  auto d = Open();
  d->CancelBtn->click();
  EXPECT_EQ(Host.Refreshes, 0);
  auto e = Open();
  e->Digits1->SetValue(2);
  e->Apply1->click();
  e->CancelBtn->click();
  EXPECT_EQ(Host.Refreshes, 1);
}

TEST_F(DimensionSettings, CaptionAndPermissions) {
  Host.DefaultMetric = true;
  Host.WantDimEnabled = false;
  auto d = Open();
  EXPECT_EQ(d->windowTitle(), "Page Default = Metric");
  EXPECT_FALSE(d->WantDimensions2->isEnabled());
  Host.DefaultMetric = false;
  auto e = Open();
  EXPECT_EQ(e->windowTitle(), "Page Default = Imperial/US");
  e->DimFont1->click();
  EXPECT_EQ(Host.DimensionFontCalls, 1);
}

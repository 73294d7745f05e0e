// The grid, polygon, size and node-count dialogs: what they show from a selection or the
// template, and what OK, Cancel and "Set as Default" write to the template, the engine and the
// ini files.
#include <QTemporaryDir>

#include "dialog_test_support.h"
#include "dialogs/grid_setup_dialog.h"
#include "dialogs/node_settings_dialog.h"
#include "dialogs/polygon_setup_dialog.h"
#include "dialogs/size_dialog.h"
#include "platform/app_dir.h"
#include "platform/zqv_ini_file.h"

class SmallShapeDialogs : public DialogTestInOwnFolder {};

TEST_F(SmallShapeDialogs, GridOkWritesTemplateAndFlagsCancelRestoresFlags) {
  Engine->Template->SetGridCellsX(4);
  Engine->Template->SetGridCellsY(5);
  Engine->DynamicGrids = true;
  Engine->ScanGrids = false;
  {
    TSetupGridForm dlg;
    dlg.FormShow();
    EXPECT_EQ(dlg.HCellNum->value(), 4);
    EXPECT_EQ(dlg.VCellNum->value(), 5);
    dlg.DynamicGridsCbx->setChecked(false);
    dlg.ScanGridsCbx->setChecked(true);
    dlg.HCellNum->setValue(12);
    dlg.CancelBtnClick();
    EXPECT_TRUE(Engine->DynamicGrids);
    EXPECT_FALSE(Engine->ScanGrids);
    EXPECT_EQ(Engine->Template->GridCellsX, 4);
  }
  TSetupGridForm dlg;
  dlg.FormShow();
  dlg.HCellNum->setValue(12);
  dlg.VCellNum->setValue(200);
  dlg.DynamicGridsCbx->setChecked(false);
  dlg.ScanGridsCbx->setChecked(true);
  dlg.OKBtnClick();
  EXPECT_EQ(Engine->Template->GridCellsX, 12);
  EXPECT_EQ(Engine->Template->GridCellsY, 200);
  EXPECT_FALSE(Engine->DynamicGrids);
  EXPECT_TRUE(Engine->ScanGrids);
}

TEST_F(SmallShapeDialogs, GridShowsTheSelectedFigureAndKeepsPlacement) {
  TRealFig& f = AddFigure(22, 0, 0, 1, 1);
  f.SetGridCellsX(7);
  f.SetGridCellsY(3);
  Select({0});
  {
    TSetupGridForm dlg;
    dlg.FormShow();
    EXPECT_EQ(dlg.HCellNum->value(), 7);
    EXPECT_EQ(dlg.VCellNum->value(), 3);
    dlg.HCellNum->setValue(9);
    dlg.OKBtnClick();
    EXPECT_EQ(f.GridCellsX, 7) << "only the template takes the value";
    EXPECT_EQ(Engine->Template->GridCellsX, 9);
  }
  TZQVIniFile ini(ProgramFile("ChildFms.ini"));
  EXPECT_NE(ini.ReadInteger("SetupGridForm", "Width", -1), -1);
}

TEST_F(SmallShapeDialogs, PolygonWritesOnlyItsCode) {
  NodeCount = 40;
  Engine->Template->SetPolygonSides(6);
  Engine->Template->SetLineDivisions(11);
  TSetUpPolygon dlg;
  dlg.Code = 20;
  dlg.Engine = Engine.get();
  dlg.FormShow();
  EXPECT_EQ(dlg.Sides1->value(), 11);
  EXPECT_EQ(dlg.Sides1->minimum(), 1);
  EXPECT_EQ(dlg.Sides1->maximum(), 37);
  dlg.Sides1->setValue(20);
  dlg.OKBtnClick();
  EXPECT_EQ(Engine->Template->LineDivisions, 20);
  EXPECT_EQ(Engine->Template->PolygonSides, 6);
  dlg.Code = 19;
  dlg.FormShow();
  EXPECT_EQ(dlg.Sides1->value(), 6);
  EXPECT_EQ(dlg.Sides1->minimum(), 3) << "a polygon has at least three sides";
  dlg.Sides1->setValue(9);
  dlg.OKBtnClick();
  EXPECT_EQ(Engine->Template->PolygonSides, 9);
  EXPECT_EQ(Engine->Template->LineDivisions, 20);
}

TEST_F(SmallShapeDialogs, WithoutAnEngineTheMessageAndZero) {
  TSetUpPolygon polygon;
  EXPECT_EQ(polygon.Execute(19, nullptr), 0);
  TAngleArcFm size;
  EXPECT_EQ(size.Execute(16, nullptr), 0);
  ASSERT_EQ(Messages().Texts().size(), 2u);
  EXPECT_EQ(Messages().Texts()[0],
            "Invalid CAD engine. Please report this to support@korvalis.example if the problem recurrs");
  EXPECT_EQ(Messages().Texts()[1], "Cad engine unavailable. Exiting. Please report this to support@korvalis.example");
}

TEST_F(SmallShapeDialogs, SizeInInchesAndMillimetres) {
  struct Case {
    uint8_t Code;
    bool Metric;
    double Shown;   // with the template at 0.5
    double Entry;
    double Stored;
    const char* Label;
  };
  for (const Case& c : {Case{15, true, 5.0, 12.5, 1.25, "mm"}, Case{17, false, 0.5, 0.25, 0.25, "Inches"},
                        Case{9, true, 5.0, 0.5, 0.05, "mm"}, Case{22, false, 0.5, 1.5, 1.5, "Inches"}}) {
    SCOPED_TRACE(int(c.Code));
    TRealFig& t = *Engine->Template;
    t.SetRectangleRadius(0.5);
    t.SetArrowHeadLength(0.5);
    t.SetPenWidth(0.5);
    t.SetTickLength(0.5);
    TAngleArcFm dlg;
    dlg.Code = c.Code;
    dlg.Engine = Engine.get();
    dlg.SetUnits(c.Metric);
    EXPECT_EQ(dlg.Label1->text(), c.Label);
    dlg.FormShow();
    EXPECT_NEAR(dlg.AngleArcSpin1->Value(), c.Shown, 1e-6);
    dlg.AngleArcSpin1->SetValue(c.Entry);
    dlg.OKBtnClick();
    const double stored = c.Code == 15 ? t.RectangleRadius : c.Code == 17 ? t.ArrowHeadLength
                          : c.Code == 9 ? t.PenWidth : t.TickLength;
    EXPECT_NEAR(stored, c.Stored, 1e-6);
  }
}

TEST_F(SmallShapeDialogs, NodeCountNeverBelowTheLargestUsed) {
  NodeCount = 30;
  ASSERT_TRUE(Engine->SetNodeCount(30));
  TRealFig& f = AddFigure(33, 0, 0, 1, 1);
  (void)f;
  const int used = Engine->MaxUsedNodeCount();
  TNodeSettings1 dlg;
  dlg.FormShow();
  EXPECT_EQ(dlg.NodeSpin1->minimum(), used);
  EXPECT_EQ(dlg.NodeSpin1->maximum(), 123);
  EXPECT_EQ(dlg.MinLbl1->text(), QString("Minimum=%1").arg(used));
  EXPECT_EQ(dlg.MaxLbl1->text(), "Maximum=123");
  EXPECT_EQ(dlg.NodeSpin1->value(), 30);
  dlg.NodeSpin1->setValue(50);
  dlg.OKBtnClick();
  EXPECT_EQ(NodeCount, 50);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(SmallShapeDialogs, NodeCountSetAsDefaultWritesMainIni) {
  TNodeSettings1 dlg;
  dlg.FormShow();
  dlg.NodeSpin1->setValue(64);
  dlg.SetDefaultBtnClick();
  TZQVIniFile ini(ProgramFile("Main.Ini"));
  EXPECT_EQ(ini.ReadInteger("General", "Max_Nodes", 0), 64);
}

TEST_F(SmallShapeDialogs, NodeCountFailureAsksToTryAgain) {
  for (int answer : {mrYes, mrNo}) {
    TNodeSettings1 dlg;
    dlg.FormShow();
    Figures = nullptr;
    Messages().Answer(answer);
    dlg.setResult(-1);
    dlg.OKBtnClick();
    Figures = Engine.get();
    EXPECT_EQ(dlg.result(), answer == mrYes ? -1 : int(QDialog::Rejected));
  }
  const auto texts = Messages().Texts();
  EXPECT_EQ(texts, std::vector<std::string>(2, "Unable to reset nodes, try again?"));
}

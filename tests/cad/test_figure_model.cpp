// Figure defaults, setters and their change events, units, copying, node insertion and deletion.
#include <gtest/gtest.h>

#include <cstring>
#include <numbers>

#include "cad/engine.h"
#include "cad/units.h"
#include "cad_test_support.h"

namespace {
constexpr long double kPi = std::numbers::pi_v<long double>;

struct FigureTest : CadTest {
  void SetUp() override {
    CadTest::SetUp();
    fig = std::make_unique<TRealFig>(nullptr);
    fig->OnChange = [this](TRealFig*) { ++events; };
  }
  std::unique_ptr<TRealFig> fig;
  int events = 0;
};
}  // namespace

TEST_F(FigureTest, DefaultsWithoutOwner) {
  EXPECT_EQ(fig->Nodes.size(), 16u);
  EXPECT_EQ(fig->Point(7), (TRealXYZ{0, 0, 0}));
  EXPECT_EQ(fig->PixelsPerInch, ScreenPixelsPerInch());
  EXPECT_DOUBLE_EQ(fig->PenWidth, 1.0 / fig->PixelsPerInch);
  EXPECT_FALSE(fig->Metric);
  EXPECT_EQ(fig->DimSuffix, "\"");
  EXPECT_EQ(fig->FontName, "Arial");
  EXPECT_EQ(fig->FontSize, 80000);
  EXPECT_EQ(fig->BrushColor, RGBColor(0, 255, 255));
  EXPECT_EQ(fig->PolygonSides, 7);
  EXPECT_EQ(fig->LineDivisions, 10);
  EXPECT_EQ(fig->Text, "Hello");
  EXPECT_EQ(fig->Wave.WaveWidth[1], 0.5);
  EXPECT_EQ(fig->Wave.FMIndex, 4.0f);
  EXPECT_EQ(fig->Flags, 0);
  auto stored = TRealFig::Create(TFigureClass::StoredProperties, nullptr);
  EXPECT_NE(dynamic_cast<TStoredProperties*>(stored.get()), nullptr);
}

TEST_F(FigureTest, SettersStoreOnlyChangesAndFireOnce) {
  fig->SetPenColor(clRed);
  fig->SetPenColor(clRed);
  EXPECT_EQ(events, 1);
  fig->SetPenWidth(fig->PenWidth + 1e-11);  // within the tolerance
  EXPECT_EQ(events, 1);
  fig->SetRectangleRadius(0.2505);
  fig->SetArcRadius(0.25005);
  EXPECT_EQ(events, 1);
  fig->SetArrowHeadLength(0.2);
  EXPECT_EQ(events, 2);
  fig->SetFontName("arial");
  EXPECT_EQ(events, 2);
  fig->SetFontName(std::string(40, 'x'));
  EXPECT_EQ(fig->FontName.size(), 32u);
  fig->SetText(std::string(300, 't'));
  EXPECT_EQ(fig->Text.size(), 255u);
  EXPECT_EQ(events, 4);
  fig->SetGridCellsX(0);
  EXPECT_EQ(fig->GridCellsX, 10);
  fig->SetNodeCountUsed(500);
  EXPECT_EQ(fig->NodeCountUsed, 16);
  EXPECT_EQ(events, 4);
}

TEST_F(FigureTest, ClampingSetters) {
  struct Case {
    void (TRealFig::*set)(int32_t);
    int32_t TRealFig::*field;
    int32_t value, stored;
  } cases[] = {{&TRealFig::SetPolygonSides, &TRealFig::PolygonSides, 2, 3},
               {&TRealFig::SetPolygonSides, &TRealFig::PolygonSides, 500, 13},
               {&TRealFig::SetLineDivisions, &TRealFig::LineDivisions, 0, 1},
               {&TRealFig::SetLineDivisions, &TRealFig::LineDivisions, 500, 13}};
  for (const auto& c : cases) {
    (fig.get()->*c.set)(c.value);
    EXPECT_EQ(fig.get()->*c.field, c.stored);
  }
  NodeCount = 123;
  fig->SetLineDivisions(500);
  EXPECT_EQ(fig->LineDivisions, 120);
}

TEST_F(FigureTest, KindDimensionsOpaqueAndOutline) {
  fig->SetWantDimensions(true);
  fig->SetKind(55);
  EXPECT_FALSE(fig->WantDimensions);
  const int before = events;
  fig->SetWantDimensions(true);
  EXPECT_FALSE(fig->WantDimensions);
  EXPECT_EQ(events, before);

  fig->SetBrushStyle(3);
  fig->SetOutlineFonts(true);
  fig->SetOpaqueDimensions(true);
  EXPECT_FALSE(fig->OutlineFonts);
  EXPECT_EQ(fig->BrushStyle, 0);
  const int again = events;
  fig->SetOpaqueDimensions(true);  // fires even when already set
  EXPECT_EQ(events, again + 1);
  fig->SetOutlineFonts(true);
  EXPECT_FALSE(fig->OpaqueDimensions);
}

TEST_F(FigureTest, WaveRecord) {
  EXPECT_THROW(fig->GetWaveHeight(3), EWaveRecError);
  EXPECT_THROW(fig->GetWaveHeight(0), EWaveRecError);
  EXPECT_DOUBLE_EQ(fig->GetWaveHeight(2), 0.3);
  TWaveRec w = fig->GetWaveRec();
  fig->SetWaveRec(w);
  EXPECT_EQ(events, 1);  // always fires
  fig->SetWaveAngle(400);
  EXPECT_EQ(events, 1);
  fig->SetWaveAngle(-359);
  EXPECT_EQ(fig->Wave.Rotation, -359);
  fig->SetWaveAngle(360);
  EXPECT_EQ(fig->Wave.Rotation, 0);
  EXPECT_EQ(events, 3);
}

TEST_F(FigureTest, MetricRoundTrip) {
  const double pen = fig->PenWidth;
  fig->SetMetric(true);
  EXPECT_NEAR(fig->PenWidth, pen * 2.54, 1e-15);
  EXPECT_NEAR(fig->Wave.WaveHeight[0], 0.762, 1e-12);
  EXPECT_EQ(fig->Wave.PulseWidth[0], 30);
  EXPECT_EQ(fig->FontSize, 80000);
  EXPECT_EQ(fig->DimSuffix, "cm");
  const float tick = fig->TickLength;
  fig->SetMetric(true);
  EXPECT_EQ(fig->TickLength, tick);
  fig->SetMetric(false);
  EXPECT_NEAR(fig->PenWidth, pen, 1e-15);
  EXPECT_NEAR(fig->RectangleRadius, 0.25, 1e-6);
  EXPECT_NEAR(fig->TickLength, 0.04, 1e-7);
  EXPECT_NEAR(fig->Wave.WaveWidth[1], 0.5, 1e-12);
  EXPECT_EQ(fig->DimSuffix, "\"");
}

TEST_F(FigureTest, EventsSuppressedWhileLoadingOrAssigning) {
  fig->Flags = ffLoading;
  fig->SetPenColor(clBlue);
  EXPECT_EQ(fig->PenColor, clBlue);
  EXPECT_EQ(events, 0);
  fig->Flags = 0;
  TRealFig source(nullptr);
  source.SetKind(24);
  source.SetPenColor(clGreen);
  source.LineDivisions = 900;  // out of range in the source: clamped on the way in
  SetXY(source, 3, 1, 2);
  fig->Assign(source);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(fig->Kind, 24);
  EXPECT_EQ(fig->LineDivisions, 13);
  EXPECT_EQ(fig->Point(3).y, 2);
  EXPECT_FALSE(fig->OnChange == nullptr);

  SetXY(source, 3, 5, 5);
  fig->AssignWithoutNodes(source);
  EXPECT_EQ(fig->Point(3).y, 2);
  EXPECT_FALSE(fig->SkipNodes);

  TStoredProperties tmpl(nullptr);
  source.NodeCountUsed = 6;
  tmpl.Assign(source);
  EXPECT_EQ(tmpl.PenColor, clGreen);
  EXPECT_EQ(tmpl.NodeCountUsed, 0);
  for (const auto& n : tmpl.Nodes) EXPECT_EQ(n.GetPoint(), (TRealXYZ{0, 0, 0}));
}

TEST_F(FigureTest, AddAndDeleteNodes) {
  int index = 0;
  fig->SetKind(0);
  EXPECT_FALSE(fig->AddNode(index));
  EXPECT_TRUE(Messages().empty());

  fig->SetKind(49);
  fig->NodeCountUsed = 3;
  for (int i = 0; i < 3; ++i) SetXY(*fig, i, i, 10 * i);
  index = 1;
  ASSERT_TRUE(fig->AddNode(index));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(fig->NodeCountUsed, 4);
  EXPECT_NODE(*fig, 2, 1, 10);
  EXPECT_NODE(*fig, 3, 2, 20);
  ASSERT_TRUE(fig->DeleteNode(index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(fig->NodeCountUsed, 3);
  EXPECT_NODE(*fig, 2, 2, 20);
  EXPECT_FALSE(fig->DeleteNode(index));  // three nodes in use

  fig->SetKind(54);
  fig->NodeCountUsed = NodeCount - 2;
  index = 0;
  EXPECT_FALSE(fig->AddNode(index));
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].Text, "Node limit reached. You can increase the node limit in\rSettings>Application>Set Node Count");
  EXPECT_EQ(Calls()[0].Kind, mcMessageDlg);
  EXPECT_EQ(Calls()[0].DlgType, mtInformation);
  EXPECT_EQ(Calls()[0].Buttons, mbOK);
  EXPECT_EQ(Calls()[0].HelpCtx, 1120);
  // Inserting after the last node of the array would write past it.
  fig->NodeCountUsed = 4;
  index = NodeCount - 3;
  EXPECT_FALSE(fig->AddNode(index));
  fig->NodeCountUsed = 6;
  index = 0;
  EXPECT_FALSE(fig->DeleteNode(index));
  fig->NodeCountUsed = 7;
  EXPECT_TRUE(fig->DeleteNode(index));
  EXPECT_EQ(index, 0);
  EXPECT_EQ(fig->NodeCountUsed, 4);
}

TEST(NodeObject, RotateAboutTurnsByTheFullAngle) {
  struct Case {
    long double angle;
    double x, y;
  } cases[] = {{kPi / 2, 0, -1}, {3 * kPi / 2, 0, 1}, {kPi, -1, 0}, {2 * kPi, 1, 0}, {-kPi / 2, 0, 1}};
  for (const auto& c : cases) {
    TRealXYZObj n;
    n.X = 1;
    n.Z = 3;
    n.RotateAbout({0, 0, 0}, c.angle);
    EXPECT_NEAR(n.X, c.x, 1e-12) << double(c.angle);
    EXPECT_NEAR(n.Y, c.y, 1e-12) << double(c.angle);
    EXPECT_EQ(n.Z, 3);
  }
  TRealXYZObj n;
  n.X = 0;
  n.Y = -1;
  EXPECT_NEAR(double(n.AngleFrom({0, 0, 0})), double(kPi / 2), 1e-12);
  n.ScaleAbout({1, 1, 0}, 2, 3);
  EXPECT_EQ(n.X, -1);
  EXPECT_EQ(n.Y, -5);
}

TEST(WaveRecord, PackedFormOffsets) {
  TWaveRec w = DefaultWaveRec();
  w.WaveHeight[1] = 1.25;
  w.StartAngle[0] = -7;
  w.Rotation = 123;
  const auto bytes = WaveRecToBytes(w);
  double height2;
  std::memcpy(&height2, bytes.data() + 68, 8);
  EXPECT_EQ(height2, 1.25);
  int32_t angle1, rotation;
  std::memcpy(&angle1, bytes.data() + 76, 4);
  std::memcpy(&rotation, bytes.data() + 100, 4);
  EXPECT_EQ(angle1, -7);
  EXPECT_EQ(rotation, 123);
  float fm;
  std::memcpy(&fm, bytes.data() + 48, 4);
  EXPECT_EQ(fm, 4.0f);
  EXPECT_EQ(WaveRecFromBytes(bytes.data()), w);
}

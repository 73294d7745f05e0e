// The transforms window: each operation and array on a small selection gives the hand-worked node
// positions, one undo takes back one operation exactly, the key repeat, and the settings.
#include <QTest>
#include <cmath>

#include "cad/mapping.h"
#include "dialog_test_support.h"
#include "dialogs/transforms_window.h"
#include "platform/app_dir.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"

namespace {
std::vector<uint8_t> Records(const TZQVCad& e) {
  TMemoryStream m;
  for (const auto& f : e.FigureList) f->SaveToStream(&m);
  return m.Data;
}
}  // namespace

class TransformsWindow : public DialogTest {
protected:
  void SetUp() override {
    DialogTest::SetUp();
    QFile::remove(QString::fromStdString(ProgramFile("ChildFms.ini")));
    Window = new TTransformShapes1(Host, nullptr, Engine.get(), nullptr);
    Window->setAttribute(Qt::WA_DeleteOnClose, false);
    Window->OnTransformed = [this](QObject*) { ++Transformed; };
  }
  void TearDown() override {
    delete Window;
    DialogTest::TearDown();
  }
  // A line (kind 0) from (x0, y0) to (x2, y2), selected.
  TRealFig& SelectedLine(double x0, double y0, double x2, double y2) {
    TRealFig& f = AddFigure(0, x0, y0, x2, y2);
    Select({Engine->Count() - 1});
    return f;
  }
  void ExpectEnds(int index, double x0, double y0, double x2, double y2) {
    const TRealFig& f = *Engine->GetFigure(index);
    EXPECT_NEAR(f.Point(0).x, x0, 1e-9) << "figure " << index;
    EXPECT_NEAR(f.Point(0).y, y0, 1e-9) << "figure " << index;
    EXPECT_NEAR(f.Point(2).x, x2, 1e-9) << "figure " << index;
    EXPECT_NEAR(f.Point(2).y, y2, 1e-9) << "figure " << index;
  }
  void Apply(int page) {
    Window->PageControl1->setCurrentIndex(page);
    Window->Apply1Click(Window->Apply1);
  }
  TTransformShapes1* Window = nullptr;
  int Transformed = 0;
};

TEST_F(TransformsWindow, OperationsGiveTheHandWorkedNodesAndUndoRestoresExactly) {
  struct Case {
    const char* name;
    int page;
    std::function<void(TTransformShapes1&)> set;
    // Expected figures after the operation: ends (x0, y0, x2, y2) of each.
    std::vector<std::array<double, 4>> expected;
  };
  const double c60 = 0.5, s60 = std::sqrt(3.0) / 2;
  const std::vector<Case> cases = {
      {"scale 2 (vertical follows)", 0, [](TTransformShapes1& w) { w.Horz1->SetValue(2); },
       {{2, 0, 4, 0}}},
      {"scale 2 x 3", 0, [](TTransformShapes1& w) { w.Horz1->SetValue(2); w.Vert1->SetValue(3); },
       {{2, 0, 4, 0}}},
      {"mirror left about x = 0, adding", 1, [](TTransformShapes1& w) { w.sbLeft->setChecked(true); },
       {{1, 0, 2, 0}, {-1, 0, -2, 0}}},
      {"mirror down about y = -1, moving", 1,
       [this](TTransformShapes1& w) {
         w.sbDown->setChecked(true);
         w.AddMirrorShapes1->setChecked(false);
         Host.Reference = {0, -1};
       },
       {{1, -2, 2, -2}}},
      {"rotate 90 anticlockwise", 2, [](TTransformShapes1& w) { w.AngleSpin->SetValue(90); },
       {{0, 1, 0, 2}}},
      {"rotate 30, adding", 2, [](TTransformShapes1& w) { w.AngleSpin->SetValue(30); w.Add1->setChecked(true); },
       {{1, 0, 2, 0}, {s60, 0.5, 2 * s60, 1}}},
      {"polar 3 at 60 degrees", 3,
       [](TTransformShapes1& w) { w.PolarAngle->SetValue(60); w.PolarIter->SetValue(3); },
       {{1, 0, 2, 0}, {c60, s60, 2 * c60, 2 * s60}, {-c60, s60, -2 * c60, 2 * s60}}},
      {"polar 4 over 360, clockwise", 3,
       [](TTransformShapes1& w) { w.deg360->setChecked(true); w.PolarIter->SetValue(4); w.Clockwise1->setChecked(true); },
       {{1, 0, 2, 0}, {0, -1, 0, -2}, {-1, 0, -2, 0}, {0, 1, 0, 2}}},
      {"rectangular 2 x 2", 4,
       [](TTransformShapes1& w) {
         w.HorzIter->SetValue(2); w.VertIter->SetValue(2); w.HorzSpace->SetValue(3); w.VertSpace->SetValue(0.5);
         w.Bounds->setChecked(false);
       },
       {{1, 0, 2, 0}, {4, 0, 5, 0}, {1, -0.5, 2, -0.5}, {4, -0.5, 5, -0.5}}},
      {"scale array 2 to 2", 5,
       [](TTransformShapes1& w) { w.ScaleIterSpin->SetValue(2); w.hFinalScale->SetValue(2); w.vFinalScale->SetValue(2); },
       {{1, 0, 2, 0}, {1.5, 0, 3, 0}, {2, 0, 4, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Engine->Clear();
    delete Window;
    Window = new TTransformShapes1(Host, nullptr, Engine.get(), nullptr);
    Window->OnTransformed = [this](QObject*) { ++Transformed; };
    SelectedLine(1, 0, 2, 0);
    Host.Reference = {0, 0};
    Host.UndoDepths.clear();
    const std::vector<uint8_t> before = Records(*Engine);
    Transformed = 0;
    c.set(*Window);
    Apply(c.page);
    EXPECT_EQ(Transformed, 1);
    ASSERT_EQ(Engine->Count(), int(c.expected.size()));
    for (size_t i = 0; i < c.expected.size(); ++i)
      ExpectEnds(int(i), c.expected[i][0], c.expected[i][1], c.expected[i][2], c.expected[i][3]);
    // One undo takes the whole operation back, every field exact.
    ASSERT_EQ(Host.UndoDepths.size(), 1u);
    Host.UndoShape(nullptr);
    EXPECT_EQ(Records(*Engine), before);
  }
}

TEST_F(TransformsWindow, WithoutSelectionTheLastRectangleIsUsed) {
  AddFigure(0, 1, 0, 2, 0);
  AddFigure(0, 5, 5, 6, 5);
  Engine->ClearSelection();
  // The rubber band around the first line only (page pixels under the engine's mapping).
  const TPoint a = WorldToScreen(Engine->Mapping, 0.5, 0.5), b = WorldToScreen(Engine->Mapping, 2.5, -0.5);
  Engine->SelectRect = TRect(a.X, a.Y, b.X, b.Y);
  Host.Reference = {0, 0};
  Window->Horz1->SetValue(2);
  Apply(0);
  ExpectEnds(0, 2, 0, 4, 0);
  ExpectEnds(1, 5, 5, 6, 5);
  // An empty rectangle: the engine says so and the figures stay.
  Engine->ClearSelection();
  Engine->SelectRect = TRect(0, 0, 1, 1);
  Apply(0);
  EXPECT_EQ(Messages().Texts(), std::vector<std::string>{"Nothing to scale"});
}

TEST_F(TransformsWindow, RotationOfZeroOr360DoesNothing) {
  SelectedLine(1, 0, 2, 0);
  for (double v : {0.0, 360.0}) {
    Window->AngleSpin->SetValue(v);
    const int depth = Engine->UndoDepth();
    Apply(2);
    EXPECT_EQ(Engine->UndoDepth(), depth) << v;
    ExpectEnds(0, 1, 0, 2, 0);
  }
}

TEST_F(TransformsWindow, KeyRepeatScalesAndRotatesAboutTheFirstReference) {
  SelectedLine(1, 0, 2, 0);
  Window->PageControl1->setCurrentIndex(0);
  Window->Horz1->SetValue(0.5);  // "+" grows by 2 whatever side of 1 the factor is
  Host.Reference = {0, 0};
  Window->FormKeyPress('+');
  Host.Reference = {10, 10};  // the selector moves: the run keeps its first point
  Window->FormKeyPress('+');
  ExpectEnds(0, 4, 0, 8, 0);
  Window->FormKeyUp();
  EXPECT_EQ(Host.UndoDepths.size(), 1u);  // one document entry for the held key
  Window->Horz1->SetValue(2);
  Host.Reference = {0, 0};
  Window->FormKeyPress('-');
  Window->FormKeyUp();
  ExpectEnds(0, 2, 0, 4, 0);
  EXPECT_EQ(Host.UndoDepths.size(), 2u);

  // Rotate page: "+" turns as Apply does (anticlockwise), "-" the other way; a value of 360
  // gives -360 on "+", which is carried out.
  Window->PageControl1->setCurrentIndex(2);
  Window->AngleSpin->SetValue(90);
  Window->FormKeyPress('+');
  Window->FormKeyUp();
  ExpectEnds(0, 0, 2, 0, 4);
  Window->FormKeyPress('-');
  Window->FormKeyUp();
  ExpectEnds(0, 2, 0, 4, 0);
  Window->FormKeyPress('+');
  Window->FormKeyUp();
  Window->AngleSpin->SetValue(360);
  const int depth = Engine->UndoDepth();
  Window->FormKeyPress('+');
  Window->FormKeyUp();
  EXPECT_EQ(Engine->UndoDepth(), depth + 1);
  ExpectEnds(0, 0, 2, 0, 4);
  // Other pages and other keys do nothing.
  Window->PageControl1->setCurrentIndex(3);
  Window->FormKeyPress('+');
  Window->PageControl1->setCurrentIndex(0);
  Window->FormKeyPress('x');
  EXPECT_EQ(Engine->UndoDepth(), depth + 1);
}

TEST_F(TransformsWindow, TypingAHorizontalFactorSetsBoth) {
  Window->Vert1->SetValue(3);
  Window->Horz1->SetValue(1.5);
  EXPECT_DOUBLE_EQ(Window->Vert1->Value(), 1.5);
  Window->Vert1->SetValue(4);
  EXPECT_DOUBLE_EQ(Window->Horz1->Value(), 1.5);
}

TEST_F(TransformsWindow, SettingsAreKeptAcrossWindows) {
  EXPECT_DOUBLE_EQ(Window->AngleSpin->Value(), 90);  // defaults of a missing file
  EXPECT_EQ(Window->PolarIter->AsInteger(), 10);
  EXPECT_TRUE(Window->Bounds->isChecked());
  Window->AngleSpin->SetValue(45.5);
  Window->PolarIter->SetValue(6);
  Window->Bounds->setChecked(false);
  TTransformShapes1::SetColorModeIndex(Window->RectColorMode, 2);
  Window->sbUp->setChecked(true);
  Window->show();
  Window->PageControl1->setCurrentIndex(1);
  Window->Apply1Click(Window->Apply1);  // the axis is taken at an operation
  Window->close();
  TZQVIniFile ini(ProgramFile("ChildFms.ini"));
  EXPECT_EQ(ini.ReadInteger("TTransformShapes1", "PolarIter_Value", 0), 6);
  EXPECT_EQ(ini.ReadInteger("TTransformShapes1", "RectColorMode_ItemIndex", 0), 2);
  TTransformShapes1 next(Host, nullptr, Engine.get(), nullptr);
  EXPECT_DOUBLE_EQ(next.AngleSpin->Value(), 45.5);
  EXPECT_FALSE(next.Bounds->isChecked());
  EXPECT_EQ(TTransformShapes1::ColorModeIndex(next.RectColorMode), 2);
  EXPECT_TRUE(next.sbUp->isChecked());
  MirrorAxis = 1;
}

TEST_F(TransformsWindow, StopRequestAndEngineless) {
  SelectedLine(1, 0, 2, 0);
  Engine->StopRequest = true;
  Window->Horz1->SetValue(2);
  Apply(0);
  ExpectEnds(0, 1, 0, 2, 0);  // nothing runs while a stop request is set
  Window->show();
  Window->close();
  EXPECT_FALSE(Engine->StopRequest);  // closing clears it

  TTransformShapes1 none(Host, nullptr);
  ASSERT_FALSE(Messages().Texts().empty());
  EXPECT_EQ(Messages().Texts().back().rfind("Cad engine not available. Please report this to ", 0), 0u);
}

// Values written where the decimal separator is a comma read back the same.
TEST_F(TransformsWindow, FloatsWithADecimalCommaReadBack) {
  {
    TZQVIniFile ini(ProgramFile("ChildFms.ini"));
    ini.WriteString("TTransformShapes1", "AngleSpin_Value", "45,5");
    ini.WriteString("TTransformShapes1", "PolarAngle_Value", "12.25");
    ini.WriteString("TTransformShapes1", "Horz1_Value", "1,5,5");  // no number: the default
    ini.UpdateFile();
  }
  TTransformShapes1 next(Host, nullptr, Engine.get(), nullptr);
  EXPECT_DOUBLE_EQ(next.AngleSpin->Value(), 45.5);
  EXPECT_DOUBLE_EQ(next.PolarAngle->Value(), 12.25);
  EXPECT_DOUBLE_EQ(next.Horz1->Value(), 1.0);
}

// The wave dialog: values and the template fields they give, the "Keep changes" question, the
// presets, and the preview drawing the wave as the page does.
#include <QTest>

#include "cad/mapping.h"
#include "dialog_test_support.h"
#include "dialogs/wave_dialog.h"
#include "platform/canvas.h"

class WaveDialog : public DialogTest {
protected:
  void SetUp() override {
    DialogTest::SetUp();
    WaveComponent = 1;
    TWaveRec w = DefaultWaveRec();
    w.WaveHeight[0] = 0.25;
    w.WaveWidth[0] = 1.0;
    w.WaveHeight[1] = 0.5;
    w.WaveWidth[1] = 0.2;
    w.StartAngle[0] = -30;
    Engine->Template->SetWaveRec(w);
    Engine->Template->SetKind(27);
    Before = Engine->Template->GetWaveRec();
  }
  // Shows a dialog (its show handler reads the record).
  std::unique_ptr<TSineWaveSetup> Open() {
    auto d = std::make_unique<TSineWaveSetup>(Host);
    d->show();
    return d;
  }
  TWaveRec Before{};
};

TEST_F(WaveDialog, OkGivesTypeAndRecordToTheTemplate) {
  struct Case {
    int type;
    std::function<void(TSineWaveSetup&)> set;
    std::function<void(TWaveRec&)> expect;
  };
  const std::vector<Case> cases = {
      {0, [](TSineWaveSetup& d) { d.WaveHeight->SetValue(0.5); }, [](TWaveRec& w) { w.WaveHeight[0] = 0.5; }},
      {5, [](TSineWaveSetup& d) { d.WaveWidth->SetValue(2); }, [](TWaveRec& w) { w.WaveWidth[0] = 2; }},
      {2, [](TSineWaveSetup& d) { d.StartAngle->SetValue(45); }, [](TWaveRec& w) { w.StartAngle[0] = 45; }},
      {4, [](TSineWaveSetup& d) { d.RotAngle1->SetValue(-90); }, [](TWaveRec& w) { w.Rotation = -90; }},
      {6, [](TSineWaveSetup& d) { d.PulseWidth1->SetValue(30); d.Rise1->SetValue(10); d.Fall1->SetValue(20); },
       [](TWaveRec& w) { w.StartAngle[0] = 0; w.PulseWidth[0] = 30; w.PulseRise = 10; w.PulseFall = 20; }},
      {9, [](TSineWaveSetup& d) { d.ModIndex1->SetValue(3); }, [](TWaveRec& w) { w.FMIndex = 3; }},
      {10, [](TSineWaveSetup& d) { d.WaveSelect1->setValue(2); d.WaveHeight->SetValue(0.75); },
       [](TWaveRec& w) { w.WaveHeight[1] = 0.75; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    Engine->Template->SetWaveRec(Before);
    Engine->Template->SetKind(27);
    WaveComponent = 1;
    auto d = Open();
    EXPECT_FALSE(d->ValuesChanged);
    d->SetWaveType(c.type);
    c.set(*d);
    EXPECT_TRUE(d->ValuesChanged);
    QTest::mouseClick(d->OKBtn, Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(Messages().Texts().empty());
    TWaveRec expected = Before;
    c.expect(expected);
    EXPECT_EQ(Engine->Template->GetWaveRec(), expected);
    EXPECT_EQ(Engine->Template->Kind, WaveTypeKinds[c.type]);
  }
}

TEST_F(WaveDialog, KeepChangesQuestion) {
  // Changed and set back: still asked. No: closes and the template keeps its record.
  {
    auto d = Open();
    d->WaveHeight->SetValue(0.5);
    d->WaveHeight->SetValue(0.25);
    Messages().Answer(mrNo);
    QTest::mouseClick(d->CancelBtn, Qt::LeftButton);
    EXPECT_EQ(Messages().Texts(), std::vector<std::string>{"Keep changes"});
    EXPECT_EQ(Messages().Last().HelpCtx, 890);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(Engine->Template->GetWaveRec(), Before);
  }
  // Yes: kept as OK keeps them, and the dialog stays open; the next close asks nothing.
  {
    Messages().Clear();
    auto d = Open();
    d->SetWaveType(9);
    d->WaveHeight->SetValue(0.5);
    Messages().Answer(mrYes);
    d->close();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(Engine->Template->Kind, 37);
    EXPECT_DOUBLE_EQ(Engine->Template->GetWaveRec().WaveHeight[0], 0.5);
    d->close();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(Messages().Texts().size(), 1u);
  }
  // Nothing changed: no question.
  Messages().Clear();
  auto d = Open();
  d->close();
  EXPECT_TRUE(Messages().Texts().empty());
}

TEST_F(WaveDialog, TypeSelectionPanelsAndLabels) {
  auto d = Open();
  EXPECT_EQ(d->PulseAngleLbl->text(), "Start Angle");
  EXPECT_EQ(d->StartAngle->AsInteger(), -30);
  d->SetWaveType(6);  // "Pulse": a negative start becomes 0, the label reads "Delay"
  EXPECT_EQ(d->PulseAngleLbl->text(), "Delay");
  EXPECT_EQ(d->StartAngle->AsInteger(), 0);
  EXPECT_TRUE(d->PulsePanel->isEnabled());
  EXPECT_FALSE(d->SumPanel->isEnabled());
  d->SetWaveType(8);  // "AM"
  EXPECT_TRUE(d->SumPanel->isEnabled());
  EXPECT_FALSE(d->PulsePanel->isEnabled());
  EXPECT_EQ(d->Label1->text(), "Signal");
  EXPECT_EQ(d->Label7->text(), "Carrier");
  EXPECT_FALSE(d->ModIndex1->isEnabled());
  EXPECT_EQ(d->AMLbl->text(), "AM Modulation = 50.00%");
  d->WaveHeight->SetValue(0.2);
  EXPECT_EQ(d->AMLbl->text(), "AM Modulation = 40.00%");
  d->Work.WaveHeight[1] = 0;
  d->UpdateModulationLabel();
  EXPECT_EQ(d->AMLbl->text(), "AM Modulation = Error%");
  d->SetWaveType(10);  // "Add"
  EXPECT_EQ(d->Label1->text(), "1");
  EXPECT_EQ(d->Label7->text(), "2");
  Messages().Answer(mrNo);
  d->close();
}

TEST_F(WaveDialog, PresetsScaleWithTheWorkspaceUnits) {
  struct Case {
    int preset;
    bool metric;
    int kind;
    double h1, p1, h2, p2;
    int rotation, start;
  };
  const double u = 2.54;
  const std::vector<Case> cases = {
      {0, false, 27, 0.25, 1.0, 0.5, 0.2, 0, 0},
      {1, true, 27, 0.25 * u, u, 0.5, 0.2, 0, 90},
      {5, true, 33, 0.3 * u, 0.225 * u, 0.5, 0.2, -90, 0},
      {6, false, 37, 0.25, 1.25, 0.25, 0.125, 0, 0},
      {9, true, 35, 0.2 * u, u, 0.1 * u, u / 3, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.preset);
    Engine->Metric = c.metric;
    WaveComponent = 1;
    auto d = Open();
    d->Presets1Click(c.preset);
    EXPECT_TRUE(d->ValuesChanged);
    d->OKBtnClick();
    const TWaveRec w = Engine->Template->GetWaveRec();
    EXPECT_EQ(Engine->Template->Kind, c.kind);
    EXPECT_NEAR(w.WaveHeight[0], c.h1, 1e-4);
    EXPECT_NEAR(w.WaveWidth[0], c.p1, 1e-4);
    EXPECT_NEAR(w.WaveHeight[1], c.h2, 1e-4);
    EXPECT_NEAR(w.WaveWidth[1], c.p2, 1e-4);
    EXPECT_EQ(w.Rotation, c.rotation);
    EXPECT_EQ(w.StartAngle[0], c.start);
    Engine->Template->SetWaveRec(Before);
  }
}

TEST_F(WaveDialog, SelectedWaveIsShownWhenTheRectangleTookOne) {
  TRealFig& f = AddFigure(36, 1, 1, 3, 1);
  TWaveRec w = Before;
  w.WaveHeight[0] = 0.75;
  f.SetWaveRec(w);
  Select({0});
  auto d = Open();
  EXPECT_DOUBLE_EQ(d->WaveHeight->Value(), 0.75);
  EXPECT_EQ(d->WaveTypeIndex(), 8);  // AM
  d->close();
  // A rectangle that took no figure: the template.
  Engine->ClearSelection();
  auto e = Open();
  EXPECT_DOUBLE_EQ(e->WaveHeight->Value(), 0.25);
  EXPECT_EQ(e->WaveTypeIndex(), 0);
}

TEST_F(WaveDialog, PreviewDrawsTheWaveAsThePageDoes) {
  Engine->Template->PenColor = clBlack;
  Engine->Template->PenWidth = 0;
  TWaveRec small = Before;
  small.WaveHeight[1] = 0.2;
  Engine->Template->SetWaveRec(small);
  for (int type : {0, 5, 6, 8, 9, 10}) {
    SCOPED_TRACE(type);
    auto d = Open();
    d->SetWaveType(type);
    d->WaveHeight->SetValue(0.3);
    d->UpdatePreview();
    const QImage preview = d->PreviewImage();
    // The page: the same record and kind between the same pixels as the preview's (the wave's
    // pixels follow the world position of its start, so the page wave starts where the preview's
    // does).
    QImage page(preview.size(), QImage::Format_RGB32);
    page.fill(Qt::white);
    const TMappingRec m = Engine->GetMapping();
    TRealFig f(Engine.get());
    f.AssignWithoutNodes(*Engine->Template);
    f.Kind = TFigureKind(WaveTypeKinds[type]);
    f.Wave = d->Work;
    const double y = double(ScreenToWorldY(m, preview.height() / 2));
    f.SetNodePoint(0, {double(ScreenToWorldX(m, 10)), y, 0});
    f.SetNodePoint(2, {double(ScreenToWorldX(m, preview.width() - 10)), y, 0});
    Engine->Clear();
    Engine->AddFigure(&f);
    TCanvas canvas(&page);
    canvas.SetPixelsPerInch(96);
    Engine->DrawAll(canvas, 0, 0, false);
    auto inkBox = [](const QImage& img) {
      QRect r;
      for (int yy = 0; yy < img.height(); ++yy)
        for (int xx = 0; xx < img.width(); ++xx)
          if ((img.pixel(xx, yy) & 0xFFFFFF) != 0xFFFFFF) r |= QRect(xx, yy, 1, 1);
      return r;
    };
    const QRect a = inkBox(preview), b = inkBox(page);
    ASSERT_FALSE(a.isEmpty());
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(preview.copy(a), page.copy(b));
    Messages().Answer(mrNo);
    d->close();
  }
}

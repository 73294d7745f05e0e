// Shared fixture of the drawing dialog tests: an engine installed as `Figures`, a fake main
// window behind the dialogs' host interface, and a message recorder.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "cad/engine.h"
#include "cad/node_layout.h"
#include "dialogs/draw_dialog_host.h"
#include "platform/app_dir.h"
#include "platform/messages.h"
#include "platform/screen.h"

// Answers as the main window does: the selection takes the template's properties when the engine
// has a selection and the page's selection rectangle is shown.
class FakeDrawHost : public TDrawDialogHost {
public:
  bool RectShown = false;
  bool WantDimEnabled = true, WantDimChecked = false, WantDimOnEnabled = true;
  bool TrackingEnabled = true, TrackingChecked = true;
  bool CanLength = false, CanAngle = false;
  int Refreshes = 0;
  std::vector<uint32_t> AppliedMasks;
  std::vector<int> UndoDepths;  // engine undo depth at each PushShapeUndo
  TRealPoint Reference{};
  int DimensionFontCalls = 0;
  bool DefaultMetric = false;

  bool ApplyToSelectedShapes(QObject*, uint32_t Mask) override {
    AppliedMasks.push_back(Mask);
    if (!Figures || !RectShown || !Figures->HasSelection()) return false;
    Figures->ChangeSelectedProperties(Mask);
    return true;
  }
  void RefreshAllImages(QObject*, bool) override { ++Refreshes; }
  bool SelectionRectShown() override { return RectShown; }
  bool PageDefaultMetric() override { return DefaultMetric; }
  bool WantDimensionEnabled() override { return WantDimEnabled; }
  void SetWantDimensionEnabled(bool On) override { WantDimEnabled = On; }
  void SetWantDimensionChecked(bool On) override { WantDimChecked = On; }
  void SetWantDimensionOnEnabled(bool On) override { WantDimOnEnabled = On; }
  void SetDimensionTrackingEnabled(bool On) override { TrackingEnabled = On; }
  void SetDimensionTrackingChecked(bool On) override { TrackingChecked = On; }
  void SetCanHaveLength(bool On) override { CanLength = On; }
  void SetCanHaveAngle(bool On) override { CanAngle = On; }
  void ChooseDimensionFont(QObject*) override { ++DimensionFontCalls; }
  void PushShapeUndo(QObject*) override { UndoDepths.push_back(Figures ? Figures->UndoDepth() : 0); }
  void UndoShape(QObject*) override {
    if (UndoDepths.empty() || !Figures) return;
    const int depth = UndoDepths.back();
    UndoDepths.pop_back();
    while (Figures->UndoDepth() > depth)
      if (!Figures->Undo()) break;
  }
  TRealPoint ReferencePosition() override { return Reference; }
};

class DialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    savedNodeCount = NodeCount;
    NodeCount = 16;
    SetScreenPixelsPerInch(96);
    Recorder = std::make_unique<TMessageRecorderScope>();
    Engine = std::make_unique<TZQVCad>(nullptr, 16, 96, 96);
    Engine->Ready = true;
    Figures = Engine.get();
  }
  void TearDown() override {
    Figures = nullptr;
    Engine.reset();
    Recorder.reset();
    SetScreenPixelsPerInch(0);
    NodeCount = savedNodeCount;
  }
  TMessageRecorder& Messages() { return **Recorder; }

  // A figure of Kind with nodes 0 and 2 at the given corners, appended to the engine.
  TRealFig& AddFigure(int Kind, double x0, double y0, double x2, double y2) {
    TRealFig f(Engine.get());
    f.Kind = uint8_t(Kind);
    f.SetNodePoint(0, {x0, y0, 0});
    f.SetNodePoint(2, {x2, y2, 0});
    UpdateFigurePoints(f);
    Engine->AddFigure(&f);
    return *Engine->FigureList.back();
  }
  // Selects figure indexes as a rubber band around them would, with the rectangle shown.
  void Select(std::vector<int32_t> Indexes) {
    Engine->Selection = Indexes;
    Engine->TouchedSelection = Indexes;
    Engine->FirstSelected = Indexes.empty() ? nullptr : Engine->GetFigure(Indexes.front());
    Host.RectShown = !Indexes.empty();
  }

  std::unique_ptr<TZQVCad> Engine;
  FakeDrawHost Host;
  std::unique_ptr<TMessageRecorderScope> Recorder;

private:
  int savedNodeCount = 16;
};

// A dialog test whose program folder (settings files, placement) is a temporary one of its own.
class DialogTestInOwnFolder : public DialogTest {
protected:
  void SetUp() override {
    DialogTest::SetUp();
    qputenv("KORVALIS_HOME", Home.path().toUtf8());
    ResetAppDir();
  }
  void TearDown() override {
    qputenv("KORVALIS_HOME", SavedHome);
    ResetAppDir();
    DialogTest::TearDown();
  }
  QTemporaryDir Home;
  QByteArray SavedHome = qgetenv("KORVALIS_HOME");
};

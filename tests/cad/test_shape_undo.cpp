// Shape undo in step with the engine: random sequences of every recorded operation are taken back
// one command at a time, each to the exact figure list before it.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "cad/engine.h"
#include "cad/node_layout.h"
#include "cad_test_support.h"
#include "platform/streams.h"

namespace {

std::vector<std::vector<uint8_t>> PageState(const TZQVCad& e) {
  std::vector<std::vector<uint8_t>> out;
  for (const auto& f : e.FigureList) out.push_back(FigureFields(*f));
  return out;
}

// What the page does for one shape command: keep the engine's depth, and take back entries until
// the engine is at that depth again.
void UndoCommand(TZQVCad& e, int depthBefore) {
  while (e.UndoDepth() > depthBefore) e.Undo();
}

const int Kinds[] = {0, 1, 5, 7, 9, 11, 13, 16, 23, 24, 27, 38, 44, 48, 54};

void AddRandomFigure(TZQVCad& e, std::mt19937& rng) {
  std::uniform_real_distribution<double> pos(0.5, 7.5);
  TRealFig f(&e);
  f.Kind = uint8_t(Kinds[rng() % std::size(Kinds)]);
  f.NodeCountUsed = 6;
  for (int i = 0; i < 6; ++i) f.SetNodePoint(i, {pos(rng), pos(rng), 0});
  f.PenColor = TColor(rng() & 0xFFFFFF);
  f.BrushColor = TColor(rng() & 0xFFFFFF);
  UpdateFigurePoints(f);
  e.AddFigure(&f);
}

void RandomSelection(TZQVCad& e, std::mt19937& rng) {
  e.Selection.clear();
  for (int i = 0; i < e.Count(); ++i)
    if (rng() % 3 == 0) e.Selection.push_back(i);
  // A stale index left in the selection must be skipped, never followed.
  if (rng() % 5 == 0) e.Selection.push_back(e.Count() + 3);
}

}  // namespace

class ShapeUndo : public CadTest {};

TEST_F(ShapeUndo, RandomCommandsUndoneOneByOne) {
  (*Recorder)->DefaultAnswer = mrYes;
  for (unsigned seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    TZQVCad e(nullptr, 16, 96, 96);
    for (int i = 0; i < 5; ++i) AddRandomFigure(e, rng);
    TMemoryStream clip;  // the last copied selection, for pastes
    struct Step {
      int depth;
      std::vector<std::vector<uint8_t>> before;
      int op;
    };
    std::vector<Step> steps;
    for (int n = 0; n < 40; ++n) {
      RandomSelection(e, rng);
      // Arrays and pastes multiply the list: past 60 figures they give way to deletes.
      int op = int(rng() % 13);
      if (e.Count() > 60 && (op >= 3 && op <= 11)) op = 12;
      Step step{e.UndoDepth(), PageState(e), op};
      std::uniform_real_distribution<double> d(-1.0, 1.0);
      const TRealPoint centre{d(rng) + 4, d(rng) + 4};
      switch (step.op) {
        case 0:
          e.RecordAddUndo();
          AddRandomFigure(e, rng);
          break;
        case 1: {  // a node drag
          if (e.Count() == 0) break;
          const int i = int(rng() % unsigned(e.Count()));
          e.RecordMoveUndo({i}, 0, 0, 0, 0);
          TRealFig& f = *e.GetFigure(i);
          f.SetNodePoint(0, {f.Point(0).x + d(rng), f.Point(0).y + d(rng), 0});
          UpdateFigurePoints(f);
          break;
        }
        case 2: e.MoveSelection(d(rng), d(rng)); break;
        case 3: e.ScaleSelected(rng() % 2 == 0, centre, 1.5 + d(rng), 0.75, true); break;
        case 4: e.RotateSelected(centre, rng() % 2 == 0, rng() % 2 == 0, 200 * d(rng)); break;
        case 5: e.MirrorSelected(uint8_t(rng() % 4), rng() % 2 == 0, centre); break;
        case 6: e.PolarArray(centre, rng() % 2 == 0, 3, false, uint8_t(rng() % 4)); break;
        case 7: e.RectArray(2, 2, false, uint8_t(rng() % 4), 0.5, 0.5); break;
        case 8: e.ScaledArray(2, centre, 1.5, 1.5, uint8_t(rng() % 4), true); break;
        case 9:
          if (e.Count() > 1) e.MoveFigureInList(int(rng() % unsigned(e.Count())), int(rng() % unsigned(e.Count())));
          break;
        case 10: e.SelectionToFrontOrBack(uint8_t(rng() % 2)); break;
        case 11:
          if (clip.Data.empty() || rng() % 2 == 0) {
            clip.Clear();
            e.SaveSelectedToStream(clip);
          } else {
            clip.SetPosition(0);
            e.PasteFromStream(clip, centre.x, centre.y);
          }
          break;
        case 12: e.DeleteSelected(true); break;
      }
      steps.push_back(std::move(step));
    }
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
      UndoCommand(e, it->depth);
      ASSERT_EQ(PageState(e), it->before) << "after undoing a command of kind " << it->op;
    }
    EXPECT_EQ(e.UndoDepth(), 0);
  }
}

TEST_F(ShapeUndo, CommandsThatChangeNothingRecordNothing) {
  TZQVCad e(nullptr, 16, 96, 96);
  std::mt19937 rng(7);
  for (int i = 0; i < 3; ++i) AddRandomFigure(e, rng);
  const auto before = PageState(e);
  e.Selection = {0, 1};
  e.ScaleSelected(false, {1, 1}, 0, 2, true);  // a factor of 0
  e.PolarArray({1, 1}, true, 1, false, 0);     // one copy is the original
  e.PolarArray({1, 1}, true, 0, false, 0);
  e.ScaledArray(0, {1, 1}, 2, 2, 0, true);
  e.RectArray(1, 1, false, 0, 1, 1);
  TRealFig wave(&e);
  wave.Kind = 27;
  e.AddFigure(&wave);
  e.Selection = {3};
  e.MirrorSelected(0, false, {1, 1});  // waves never mirror
  e.FigureList.pop_back();
  e.Selection = {7, 9};  // only stale indexes
  e.MoveSelection(1, 1);
  e.DeleteSelected(true);
  e.SelectionToFrontOrBack(0);
  EXPECT_EQ(e.UndoDepth(), 0);
  EXPECT_EQ(PageState(e), before);
  e.Undo();
  EXPECT_EQ(PageState(e), before);
  EXPECT_EQ(Messages().back(), "Nothing to Undo");
}

TEST_F(ShapeUndo, DeletionsOutsideTheUndoKeepTheRecordedIndexes) {
  TZQVCad e(nullptr, 16, 96, 96);
  std::mt19937 rng(3);
  for (int i = 0; i < 3; ++i) AddRandomFigure(e, rng);
  e.RecordAddUndo();  // a group starting at 3
  AddRandomFigure(e, rng);
  AddRandomFigure(e, rng);
  e.Selection = {4};
  e.MoveSelection(1, 0);
  e.Selection = {2};
  e.DeleteSelected(false);  // not undoable: the group now starts at 2, the move names figure 3
  EXPECT_EQ(e.AddGroups.Items, std::vector<int32_t>{2});
  EXPECT_EQ(e.MoveUndo.back().Items, std::vector<int32_t>{3});
  e.Selection = {0};
  e.DeleteSelected(false);  // deleting the figure before the group lowers it once more
  EXPECT_EQ(e.AddGroups.Items, std::vector<int32_t>{1});
  e.Undo();  // the move
  e.Undo();  // the group: two figures go, two stay
  EXPECT_EQ(e.Count(), 1);
}

TEST_F(ShapeUndo, ArrayUndoRestoresTheOriginalsColours) {
  TZQVCad e(nullptr, 16, 96, 96);
  std::mt19937 rng(5);
  for (int i = 0; i < 2; ++i) AddRandomFigure(e, rng);
  const auto before = PageState(e);
  for (uint8_t mode : {1, 2, 3}) {
    e.Selection = {0, 1};
    const int depth = e.UndoDepth();
    if (mode == 1) e.RectArray(2, 1, false, mode, 1, 1);
    else e.PolarArray({3, 3}, true, 4, false, mode);
    EXPECT_NE(PageState(e)[0], before[0]) << int(mode);
    UndoCommand(e, depth);
    EXPECT_EQ(PageState(e), before) << int(mode);
  }
}

TEST_F(ShapeUndo, TakingBackAGeometricChangeKeepsTheFiguresLaterLook) {
  // Each geometric command, then a new pen, fill and font colour: undo puts the figure back in
  // place with the colours it has now.
  struct Row {
    const char* name;
    std::function<void(TZQVCad&)> command;
  };
  const Row rows[] = {
      {"move", [](TZQVCad& e) { e.MoveSelection(1, 0.5); }},
      {"scale", [](TZQVCad& e) { e.ScaleSelected(false, {1, 1}, 2, 3, true); }},
      {"rotate", [](TZQVCad& e) { e.RotateSelected({1, 1}, false, false, 30); }},
      {"mirror", [](TZQVCad& e) { e.MirrorSelected(0, false, {1, 1}); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TZQVCad e(nullptr, 16, 96, 96);
    std::mt19937 rng(11);
    AddRandomFigure(e, rng);
    e.FigureList[0]->Kind = 5;
    const TRealXYZ where = e.FigureList[0]->Point(0);
    e.Selection = {0};
    row.command(e);
    ASSERT_EQ(e.UndoDepth(), 1);
    ASSERT_NE(e.FigureList[0]->Point(0), where);
    e.FigureList[0]->PenColor = clRed;
    e.FigureList[0]->BrushColor = clLime;
    e.FigureList[0]->FontColor = clBlue;
    e.Undo();
    EXPECT_EQ(e.FigureList[0]->Point(0), where);
    EXPECT_EQ(e.FigureList[0]->PenColor, clRed);
    EXPECT_EQ(e.FigureList[0]->BrushColor, clLime);
    EXPECT_EQ(e.FigureList[0]->FontColor, clBlue);
  }
}

TEST_F(ShapeUndo, ConversionToMultilineIsOneEntryAndAStoppedTurnNone) {
  TZQVCad e(nullptr, 16, 96, 96);
  std::mt19937 rng(5);
  AddRandomFigure(e, rng);
  AddRandomFigure(e, rng);
  e.FigureList[0]->Kind = 5;  // a kind that converts
  e.FigureList[1]->Kind = 0;  // a line: left as it is
  const auto before = PageState(e);
  e.Selection = {0, 1};
  e.ConvertSelectedToMultiline();
  EXPECT_EQ(e.UndoDepth(), 1);
  EXPECT_NE(PageState(e), before);
  e.Undo();
  EXPECT_EQ(PageState(e), before);
  // A turn stopped before it began changes and records nothing.
  e.Selection = {0, 1};
  e.StopRequest = true;
  EXPECT_FALSE(e.RotateSelected({1, 1}, false, false, 45));
  EXPECT_EQ(e.UndoDepth(), 0);
  EXPECT_FALSE(e.StopRequest);
  EXPECT_EQ(PageState(e), before);
}

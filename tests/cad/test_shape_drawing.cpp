// Drawing of every figure kind through the canvas: hand-checked pixels per kind family at two
// scales, erasing by drawing twice in not-xor mode, and the drawing of the list.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <cmath>

#include "cad/shape_renderers.h"
#include "cad_drawing_support.h"

namespace {
struct PixelCase {
  const char* name;
  int kind;
  std::vector<std::pair<double, double>> nodes;
  int scale;
  std::vector<std::pair<int, int>> ink;     // must be ink (within one pixel when `near`)
  std::vector<std::pair<int, int>> clear;   // must stay white (no ink within one pixel when `near`)
  std::vector<std::pair<int, int>> brush;   // must be the aqua brush colour
  bool near = false;
};
}  // namespace

using ShapeDrawing = CadDrawTest;

TEST_F(ShapeDrawing, KindFamiliesPutInkWhereExpected) {
  // World (x, y) is pixel (x s, (2 - y) s); the expected pixels are worked out by hand.
  const std::vector<PixelCase> cases = {
      {"line", 0, {{0.5, 1}, {0, 0}, {1.5, 1}}, 100, {{50, 100}, {149, 100}}, {{150, 100}, {100, 99}, {100, 101}}, {}},
      {"line x4", 0, {{0.5, 1}, {0, 0}, {1.5, 1}}, 400, {{200, 400}, {599, 400}}, {{600, 400}, {400, 401}}, {}},
      // Head 10 px long, 2 px half base: (150,100), (140,98), (140,102).
      {"arrow end", 1, {{0.5, 1}, {0, 0}, {1.5, 1}}, 100, {{143, 101}, {143, 99}}, {{143, 104}, {152, 100}}, {}},
      {"arrow end x4", 1, {{0.5, 1}, {0, 0}, {1.5, 1}}, 400, {{570, 405}, {570, 395}}, {{570, 410}, {604, 400}}, {}},
      {"arrow start", 2, {{0.5, 1}, {0, 0}, {1.5, 1}}, 100, {{57, 101}}, {{57, 104}, {143, 101}}, {}},
      // Tick 0.04: half length 4, the stroke from y 96 to 104 at the middle x 60.
      {"one slash", 46, {{0.5, 1}, {0, 0}, {0.7, 1}}, 100, {{60, 96}, {60, 104}}, {{60, 95}, {60, 105}}, {}},
      {"two slashes", 47, {{0.5, 1}, {0, 0}, {0.7, 1}}, 100, {{58, 96}, {62, 104}}, {{60, 96}, {60, 104}}, {}},
      {"one slash x4", 46, {{0.5, 1}, {0, 0}, {0.7, 1}}, 400, {{240, 384}, {240, 416}}, {{240, 383}, {240, 417}}, {}},
      {"underlines", 20, {{0.5, 1}, {0, 0}, {1.5, 1.3}}, 100, {{100, 100}, {100, 105}}, {{100, 104}, {100, 106}, {100, 70}}, {}},
      {"underlines x4", 20, {{0.5, 1}, {0, 0}, {1.5, 1.3}}, 400, {{400, 400}, {400, 417}}, {{400, 416}, {400, 418}}, {}},
      {"vertical", 19, {{0.5, 1}, {0, 0}, {0.8, 0.5}}, 100, {{50, 120}}, {{65, 125}, {80, 150}}, {}},
      {"frame", 8, {{0.5, 1.5}, {0, 0}, {1.5, 0.5}}, 100, {{100, 50}, {150, 100}, {50, 100}, {100, 150}},
       {{100, 100}, {49, 100}, {151, 100}}, {}},
      {"filled rectangle", 5, {{0.5, 1.5}, {0, 0}, {1.5, 0.5}}, 100, {{100, 50}}, {{151, 100}}, {{100, 100}}},
      // Ellipse(50, 50, 151, 151): both end pixels of the drag are covered.
      {"ellipse", 6, {{0.5, 1.5}, {0, 0}, {1.5, 0.5}}, 100, {{100, 50}, {100, 150}, {50, 100}, {150, 100}},
       {{55, 55}, {100, 49}, {100, 151}}, {{100, 100}}},
      {"ellipse dragged back", 6, {{1.5, 0.5}, {0, 0}, {0.5, 1.5}}, 100, {{100, 50}, {100, 150}, {50, 100}, {150, 100}},
       {{55, 55}, {100, 49}, {100, 151}}, {}},
      {"ellipse x4", 6, {{0.5, 1.5}, {0, 0}, {1.5, 0.5}}, 400, {{400, 200}, {400, 600}, {200, 400}, {600, 400}},
       {{215, 215}, {400, 199}}, {{400, 400}}},
      {"circle", 10, {{1, 1}, {0, 0}, {1.5, 1}}, 100, {{150, 100}, {50, 100}, {100, 50}, {100, 150}}, {{100, 151}}, {{100, 100}}},
      // The radius is the distance to node 2 (0.3, 0.4 away: 0.5).
      {"circle off level", 10, {{1, 1}, {0, 0}, {1.3, 1.4}}, 100, {{150, 100}, {50, 100}, {100, 50}}, {{100, 151}}, {}},
      {"square frame", 9, {{1, 1}, {0, 0}, {1.4, 1}}, 100, {{100, 60}, {60, 100}, {140, 100}, {100, 140}},
       {{100, 100}, {100, 55}}, {}},
      {"round rectangle", 7, {{0.5, 1.5}, {0, 0}, {1.5, 0.5}}, 100, {{100, 50}, {50, 100}}, {{51, 51}}, {{100, 100}}},
      // The right angle sits at (node 0.x, node 2.y): pixel (50, 150).
      {"right triangle", 13, {{0.5, 1.5}, {0, 0}, {1.5, 0.5}}, 100, {{100, 100}, {50, 100}, {100, 150}},
       {{120, 60}, {70, 130}}, {}},
      {"quarter arc NESW", 15, {{0.5, 1.5}, {0, 0}, {1.5, 0.5}}, 100, {{120, 80}, {50, 50}}, {{32, 52}}, {}, true},
      {"quarter arc NWSE", 14, {{0.5, 1.5}, {0, 0}, {1.5, 0.5}}, 100, {{32, 52}, {50, 50}}, {{120, 80}}, {}, true},
      {"hexagon", 24, {{1, 1}, {0, 0}, {1.5, 1}}, 100, {{150, 100}, {137, 78}}, {{100, 100}}, {}, true},
      {"filled hexagon", 25, {{1, 1}, {0, 0}, {1.5, 1}}, 100, {{150, 100}}, {}, {{100, 100}}},
      // A right angle: radius 0.25 sqrt(2) / 2, 18 px; the quarter from east to north.
      {"angle arc", 38, {{1, 1}, {1.5, 1}, {1, 1.5}}, 100, {{113, 88}}, {{88, 113}, {88, 88}, {113, 113}}, {}, true},
      {"angle arc x4", 38, {{1, 1}, {1.5, 1}, {1, 1.5}}, 400, {{450, 351}}, {{350, 450}, {350, 350}}, {}, true},
      {"scalene", 42, {{0.5, 0.5}, {1.5, 0.5}, {1, 1.5}}, 100, {{100, 150}, {75, 100}}, {{100, 120}}, {}},
      {"filled scalene", 43, {{0.5, 0.5}, {1.5, 0.5}, {1, 1.5}}, 100, {{100, 150}}, {}, {{100, 120}}},
      // Bezier (50,100) (80,70) (120,70) (150,100): its middle is at (100, 77.5).
      {"bezier", 23, {{0.5, 1}, {0.8, 1.3}, {1.2, 1.3}, {1.5, 1}}, 100, {{100, 78}, {50, 100}}, {{100, 72}, {100, 100}}, {}, true},
      {"open multiline", 50, {{0.5, 0.5}, {1, 1.5}, {1.5, 0.5}}, 100, {{75, 100}, {125, 100}}, {{100, 150}}, {}, true},
      {"closed multiline", 49, {{0.5, 0.5}, {1, 1.5}, {1.5, 0.5}}, 100, {{100, 150}}, {}, {{100, 120}}},
      {"wavy line", 21, {{0.5, 1}, {0, 0}, {1.5, 1}}, 100, {{100, 100}}, {{100, 90}, {100, 110}}, {}, true},
      {"wavy line dragged back", 21, {{1.5, 1}, {0, 0}, {0.5, 1}}, 100, {{100, 100}}, {{100, 90}}, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetScale(c.scale);
    auto f = Figure(c.kind, {});
    int i = 0;
    for (auto [x, y] : c.nodes) f->SetNodePoint(i++, {x, y, 0});
    f->NodeCountUsed = i;
    f->PolygonSides = 6;
    UpdateFigurePoints(*f);
    Draw(*f);
    for (auto [x, y] : c.ink) EXPECT_TRUE(c.near ? InkNear(x, y) : Ink(x, y)) << x << "," << y;
    for (auto [x, y] : c.clear) EXPECT_FALSE(c.near ? InkNear(x, y) : Ink(x, y)) << x << "," << y;
    for (auto [x, y] : c.brush) EXPECT_EQ(Image.pixel(x, y) & 0xFFFFFF, 0x00FFFFu) << x << "," << y;
  }
}

TEST_F(ShapeDrawing, WavesPlaceTheirPeriodsAtBothScales) {
  // Width 0.4 and height 0.1 from (0.5, 1): 40 px periods of 10 px at scale 100, 160 of 40 at 400.
  for (int s : {100, 400}) {
    SetScale(s);
    auto f = Figure(27, {{0.5, 1}, {0, 0}, {1.5, 1}});
    f->Wave.WaveWidth[0] = 0.4;
    f->Wave.WaveHeight[0] = 0.1;
    Draw(*f);
    const int x0 = s / 2, y0 = s, q = s / 10, h = s / 10;
    EXPECT_TRUE(Ink(x0 + q, y0 - h)) << s;
    EXPECT_TRUE(Ink(x0 + 3 * q, y0 + h)) << s;
    EXPECT_FALSE(InkNear(x0 + q, y0 + h)) << s;
    EXPECT_FALSE(InkNear(x0 + 3 * q, y0 - h)) << s;
    EXPECT_FALSE(InkNear(x0 - 3, y0)) << s;  // nothing before the start
  }
}

TEST_F(ShapeDrawing, GridDrawsInnerLinesInThePenAndItsOutlineInTheBrushColour) {
  auto f = Figure(22, {{0.5, 1.5}, {0, 0}, {1.5, 0.5}});
  f->GridCellsX = f->GridCellsY = 2;
  Draw(*f);
  EXPECT_EQ(Image.pixel(100, 75) & 0xFFFFFF, 0u);
  EXPECT_EQ(Image.pixel(75, 100) & 0xFFFFFF, 0u);
  EXPECT_FALSE(Ink(75, 75));
  EXPECT_EQ(Image.pixel(50, 75) & 0xFFFFFF, 0x00FFFFu);
  TGridCellSize cell;
  EXPECT_TRUE(IsSnapMultiple(0.25, 0.125));
  EXPECT_FALSE(IsSnapMultiple(0.2, 0.125));
  EXPECT_FALSE(IsSnapMultiple(0.25, 0));
  // In mode 2 the sides are olive and only where the cell size is a multiple of the snap step.
  SetScale(100);
  Engine->Mapping.SnapStep = 0.125;
  f->SetNodePoint(2, {1.0, 0.5, 0});  // cells 0.25 wide, 0.5 high
  DrawGridFigure(Engine->Mapping, *Canvas, *f, cell, 2, false);
  EXPECT_FLOAT_EQ(cell.Width, 0.25f);
  EXPECT_EQ(Image.pixel(50, 100) & 0xFFFFFF, 0x808000u);  // olive
  f->SetNodePoint(2, {1.1, 0.5, 0});  // 0.3 wide: vertical sides are left out
  SetScale(100);
  Engine->Mapping.SnapStep = 0.125;
  DrawGridFigure(Engine->Mapping, *Canvas, *f, cell, 2, false);
  EXPECT_FALSE(Ink(50, 100));
}

TEST_F(ShapeDrawing, ArrowHeadNeedsASegmentLongerThanItself) {
  // Head 0.1 at 96 px per unit: 9.6 px. A 9 px segment gets none, a 10 px one gets one.
  for (auto [len, head] : {std::pair{9, false}, std::pair{10, true}}) {
    Image.fill(Qt::white);
    DrawArrowHead(96, *Canvas, TPoint(20, 20), TPoint(20 + len, 20), 0.1f);
    EXPECT_EQ(InkIn(TRect(0, 0, 60, 60)), head) << len;
  }
  // The head is 10 px long and 4 px wide.
  Image.fill(Qt::white);
  DrawArrowHead(96, *Canvas, TPoint(0, 20), TPoint(40, 20), 0.1f);
  EXPECT_TRUE(Ink(31, 22) && Ink(31, 18));
  EXPECT_FALSE(Ink(29, 20) || Ink(31, 23) || Ink(31, 17));
}

TEST_F(ShapeDrawing, MeasuringToolAndFillUseTheirOwnPaint) {
  auto tool = Figure(55, {{0.5, 1}, {0, 0}, {1.5, 1}});
  tool->PenColor = clRed;
  Draw(*tool);
  EXPECT_EQ(Image.pixel(50, 100) & 0xFFFFFF, 0x808000u);  // olive, dotted
  EXPECT_FALSE(Ink(53, 100));
  SetScale(100);
  auto frame = Figure(8, {{0.5, 1.5}, {0, 0}, {1.5, 0.5}});
  Draw(*frame);
  auto fill = Figure(16, {{0, 0}, {0, 0}, {1, 1}});
  fill->BrushStyle = bsClear;  // a fill with a clear brush fills solid
  Draw(*fill);
  EXPECT_EQ(Image.pixel(100, 100) & 0xFFFFFF, 0x00FFFFu);
  EXPECT_FALSE(Ink(30, 30));
}

TEST_F(ShapeDrawing, TextAndDimensionsSitBelowAHorizontalSideAndScaleWithTheView) {
  for (int s : {100, 400}) {
    for (int kind : {0, 48}) {
      SCOPED_TRACE(kind);
      SetScale(s);
      auto f = Figure(kind, {{0.5, 1}, {0, 0}, {1.5, 1}});
      f->WantDimensions = true;
      Draw(*f);
      // Below the side (drawn left to right), never above it.
      EXPECT_TRUE(InkIn(TRect(s / 2, s + 2, 3 * s / 2, s + s / 3))) << s;
      EXPECT_FALSE(InkIn(TRect(0, 0, 2 * s, s - 1))) << s;
    }
  }
  // Kind 48 draws no line of its own.
  SetScale(100);
  auto t = Figure(48, {{0.5, 1}, {0, 0}, {1.5, 1}});
  Draw(*t);
  EXPECT_FALSE(Ink(100, 100));
}

TEST_F(ShapeDrawing, SmallestPenIsOneDevicePixelAtScreenResolution) {
  auto f = Figure(0, {{0.5, 1}, {0, 0}, {1.5, 1}});
  f->PenWidth = 0.05;  // 5 px
  Draw(*f);
  EXPECT_TRUE(Ink(100, 102) && Ink(100, 98));
  EXPECT_FALSE(Ink(100, 104));
  SetScale(100);
  Canvas->SetPixelsPerInch(600);  // a 600 dpi device: at least 2 px
  f->PenWidth = 0;
  Draw(*f);
  EXPECT_TRUE(Ink(100, 100) && (Ink(100, 101) || Ink(100, 99)));
}

TEST_F(ShapeDrawing, EveryKindDrawnTwiceInNotXorLeavesTheCanvasAsItWas) {
  Engine->TicksErased = false;  // Bezier handles shown as while dragging
  for (int kind = 0; kind <= MaxFigureKind; ++kind) {
    if (kind == 16) continue;  // a fill is not a rubber band: it recolours an area
    SCOPED_TRACE(kind);
    SetScale(100);
    // A pattern under the figure, away from where its text goes.
    for (int y = 0; y < 200; y += 7) Canvas->Pen.Color = clGray, Canvas->MoveTo(0, y), Canvas->LineTo(200, y + 40);
    const QImage before = Image.copy();
    auto f = ExampleFigure(*Engine, kind);
    f->WantDimensions = true;
    f->PenWidth = kind % 3 == 0 ? 0.02 : 0;  // wide pens too
    f->PenStyle = kind % 4 == 1 ? psDash : psSolid;
    if (f->Kind == 17 || f->Kind == 48 || (!NoDimensionKinds.Has(kind) && kind != 4)) {
      // Text is erased by drawing it in the background colour: it needs the background under it.
      Image.fill(Qt::white);
    }
    const QImage start = Image.copy();
    Draw(*f, pmNotXor, 2, clBlack);
    if (kind != 4) {
      EXPECT_NE(Image, start) << "kind " << kind << " drew nothing";
    }
    Draw(*f, pmNotXor, 2, clWhite);
    EXPECT_EQ(Image, start) << "kind " << kind;
    (void)before;
  }
}

TEST_F(ShapeDrawing, ListDrawsAFigureWhoseOutlineCrossesTheViewWithNoNodeInIt) {
  Engine->AddFigure(Figure(10, {{1, 1}, {0, 0}, {1.9, 1}}).get());  // radius 90 px around (100, 100)
  Engine->AddFigure(Figure(0, {{5, 5}, {0, 0}, {6, 5}}).get());     // far off the page
  Canvas->SetClipRect(TRect(90, 0, 110, 20));
  Engine->DrawAll(*Canvas, 0, 0, false);
  EXPECT_TRUE(InkIn(TRect(95, 8, 105, 12)));
  // Shifted by (DX, DY) the circle lands elsewhere.
  SetScale(100);
  Engine->DrawAll(*Canvas, 20, 0, false);
  EXPECT_TRUE(Ink(120 + 90, 100) == false);
  EXPECT_TRUE(InkNear(30, 100));
  EXPECT_TRUE(Engine->TicksErased);
  EXPECT_FALSE(Engine->Drawing || Engine->Busy || Engine->StopRequest);
}

TEST_F(ShapeDrawing, AFigureThatCannotBeDrawnIsReportedOnceAndTheRestIsDrawn) {
  Engine->AddFigure(Figure(0, {{0.5, 1}, {0, 0}, {1.5, 1}}).get());
  for (int k = 0; k < 2; ++k) {
    Engine->AddFigure(Figure(0, {{0.5, 0.5}, {0, 0}, {1.5, 0.5}}).get());
    Engine->FigureList.back()->Nodes.resize(2);  // damaged: no node 2
  }
  Engine->AddFigure(Figure(0, {{0.5, 1.5}, {0, 0}, {1.5, 1.5}}).get());
  Engine->DrawAll(*Canvas, 0, 0, false);
  EXPECT_TRUE(Ink(100, 100));
  EXPECT_TRUE(Ink(100, 50));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].rfind("Unknown error.", 0), 0u);  // the routine's name stays out of the message
  EXPECT_FALSE(Engine->Drawing || Engine->Busy);
}

TEST_F(ShapeDrawing, RangeOutsideTheListDrawsNothingButRestoresTheEngine) {
  Engine->AddFigure(Figure(0, {{0.5, 1}, {0, 0}, {1.5, 1}}).get());
  const TMappingRec map = Engine->Mapping;
  Engine->StopRequest = true;
  Engine->TicksErased = false;
  Engine->Draw(*Canvas, 5, 5, 0, 3, false);
  EXPECT_FALSE(InkIn(TRect(0, 0, 200, 200)));
  EXPECT_EQ(Engine->Mapping, map);
  EXPECT_FALSE(Engine->StopRequest);
  EXPECT_TRUE(Engine->TicksErased);
  EXPECT_TRUE(Engine->DynamicGrids);
}

TEST_F(ShapeDrawing, NodeMarkersToggleAndNumbersMarkMultilines) {
  Engine->AddFigure(Figure(8, {{0.5, 1.5}, {0, 0}, {1.5, 0.5}}).get());
  const QImage start = Image.copy();
  Engine->DrawNodeTicks(*Canvas, 0, 0, SRCINVERT, false, -1);
  EXPECT_FALSE(Engine->TicksErased);
  EXPECT_NE(Image, start);
  Engine->DrawNodeTicks(*Canvas, 0, 0, SRCINVERT, false, -1);
  EXPECT_EQ(Image, start);
  // Beyond the list nothing is drawn and the flag stays.
  Engine->TicksErased = true;
  Engine->DrawNodeTicks(*Canvas, 0, 5, NOTSRCCOPY, false, -1);
  EXPECT_TRUE(Engine->TicksErased);
  EXPECT_EQ(Image, start);
  // A side count read from a file is held to the nodes there are.
  auto poly = Figure(24, {{1, 1}, {0, 0}, {1.5, 1}});
  poly->PolygonSides = 1000;
  Engine->AddFigure(poly.get());
  Engine->DrawNodeTicks(*Canvas, 1, 1, SRCCOPY, true, -1);
  EXPECT_EQ(Image.pixel(150, 100) & 0xFFFFFF, 0xFF0000u);
}

TEST_F(ShapeDrawing, WhileALongListIsDrawnOnlyEscapeGetsThrough) {
  // 30,002 figures off the page: drawn quickly, but enough for the message pump to run.
  auto far = Figure(0, {{50, 50}, {0, 0}, {51, 50}});
  for (int i = 0; i < 30002; ++i) Engine->AddFigure(far.get());
  struct Counter : QObject {
    int keys = 0;
    bool event(QEvent* e) override {
      if (e->type() == QEvent::KeyPress) ++keys;
      return QObject::event(e);
    }
  } receiver;
  QCoreApplication::postEvent(&receiver, new QKeyEvent(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier));
  QCoreApplication::postEvent(&receiver, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  (*Recorder)->Answer(mrOk);
  Engine->DrawAll(*Canvas, 0, 0, false);
  EXPECT_EQ(receiver.keys, 0);  // no command reached the program while the list was drawn
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].rfind("The current redrawing (30001 iterations) process is being interrupted.", 0), 0u);
  EXPECT_FALSE(Engine->StopRequest || Engine->Busy || Engine->Drawing);
}

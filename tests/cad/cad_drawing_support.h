// Shared set-up of the drawing tests: an engine with a simple mapping (a 2 by 2 world on a square
// of pixels), a white raster canvas, and figures of every kind at hand-picked places.
#pragma once

#include <QImage>
#include <memory>

#include "cad/engine.h"
#include "cad/node_layout.h"
#include "cad_test_support.h"
#include "platform/canvas.h"

class CadDrawTest : public CadTest {
protected:
  void SetUp() override {
    CadTest::SetUp();
    Engine = std::make_unique<TZQVCad>(nullptr, 16, 96, 96);
    Engine->Ready = true;
    Engine->BackgroundColor = clWhite;
    SetScale(100);
  }
  void TearDown() override {
    Canvas.reset();
    Engine.reset();
    CadTest::TearDown();
  }
  // World (0, 0) .. (2, 2) onto pixels (0, 0) .. (2s, 2s): world (x, y) is pixel (x s, (2 - y) s).
  void SetScale(int s) {
    Engine->Mapping = TMappingRec{0, 2, 2, 0, 0, 0, 2 * s, 2 * s, 0.0125};
    Image = QImage(2 * s, 2 * s, QImage::Format_RGB32);
    Image.fill(Qt::white);
    Canvas = std::make_unique<TCanvas>(&Image);
    Canvas->SetPixelsPerInch(96);
  }
  // A figure of Kind with the given nodes (x, y pairs), its dependent nodes laid out.
  std::unique_ptr<TRealFig> Figure(int Kind, std::initializer_list<std::pair<double, double>> nodes) {
    auto f = std::make_unique<TRealFig>(Engine.get());
    f->Kind = uint8_t(Kind);
    f->PenColor = clBlack;
    f->PenWidth = 0;
    f->BrushColor = clAqua;
    f->WantDimensions = false;
    int i = 0;
    for (auto [x, y] : nodes) f->SetNodePoint(i++, {x, y, 0});
    f->NodeCountUsed = i;
    UpdateFigurePoints(*f);
    return f;
  }
  void Draw(TRealFig& f, int penMode = pmCopy, uint8_t state = 0, TColor text = clBlack) {
    if (WaveKinds.Has(f.Kind)) Engine->CreateWaveData(Engine->Mapping, f, f.Point(0).x, f.Point(0).y, 32000);
    TMeasureRec m;
    Engine->DrawShape(*Canvas, f, 2, penMode, text, state == 2 ? ssLeft : 0, state, state == 2, true, m);
  }
  bool Ink(int x, int y) const {
    return x >= 0 && y >= 0 && x < Image.width() && y < Image.height() && (Image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
  }
  bool InkNear(int x, int y, int d = 1) const {
    for (int dy = -d; dy <= d; ++dy)
      for (int dx = -d; dx <= d; ++dx)
        if (Ink(x + dx, y + dy)) return true;
    return false;
  }
  bool InkIn(const TRect& r) const {
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (Ink(x, y)) return true;
    return false;
  }

  std::unique_ptr<TZQVCad> Engine;
  QImage Image;
  std::unique_ptr<TCanvas> Canvas;
};

// A figure of every kind at a size that fits inside (0, 0) .. (2, 2), in black on an aqua brush.
inline std::unique_ptr<TRealFig> ExampleFigure(TZQVCad& engine, int kind) {
  auto f = std::make_unique<TRealFig>(&engine);
  f->Kind = uint8_t(kind);
  f->PenColor = clBlack;
  f->PenWidth = 0;
  f->BrushColor = clAqua;
  f->PolygonSides = 6;
  f->Text = "Hello";
  std::vector<std::pair<double, double>> n;
  if (kind <= 3 || (kind >= 17 && kind <= 21) || (kind >= 46 && kind <= 48) || kind == 55) n = {{0.4, 0.8}, {0, 0}, {1.5, 1.2}};
  else if ((kind >= 4 && kind <= 8) || kind == 22 || kind == 13 || kind == 26) n = {{0.5, 1.5}, {0, 0}, {1.5, 0.6}};
  else if ((kind >= 9 && kind <= 12) || kind == 24 || kind == 25) n = {{1, 1}, {0, 0}, {1.4, 1.1}};
  else if (kind == 14 || kind == 15) n = {{0.6, 1.5}, {0, 0}, {1.5, 0.6}};
  else if (kind == 16) n = {{1, 1}, {0, 0}, {1.9, 1.9}};
  else if (kind == 23 || (kind >= 51 && kind <= 53)) n = {{0.5, 1}, {0.8, 1.4}, {1.2, 0.6}, {1.5, 1}};
  else if (kind >= 27 && kind <= 37) n = {{0.3, 1}, {0, 0}, {1.7, 1}};
  else if (kind >= 38 && kind <= 41) n = {{1, 1}, {1.6, 1.1}, {1.1, 1.6}};
  else if (kind >= 42 && kind <= 45) n = {{0.5, 0.5}, {1.5, 0.6}, {1, 1.6}};
  else n = {{0.3, 0.5}, {0.5, 1.5}, {0.8, 0.7}, {1.0, 1.4}, {1.2, 0.6}, {1.5, 1.3}, {1.7, 0.8}};
  for (size_t i = 0; i < n.size(); ++i) f->SetNodePoint(int(i), {n[i].first, n[i].second, 0});
  f->NodeCountUsed = int(n.size());
  if (kind >= 27 && kind <= 37) {
    TWaveRec w = f->Wave;
    w.WaveWidth[0] = 0.4, w.WaveWidth[1] = 0.1;
    w.WaveHeight[0] = 0.2, w.WaveHeight[1] = 0.1;
    w.PulseRise = 10, w.PulseFall = 10;
    f->Wave = w;
  }
  UpdateFigurePoints(*f);
  return f;
}

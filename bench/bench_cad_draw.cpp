// A page of 1,000 mixed figures (lines with arrows, circles, filled polygons, Beziers, a grid,
// waves, dimensioned rectangles) drawn by the engine onto the page back buffer; the budget is one
// frame at 60 Hz (16.7 ms). For reference, the same outlines drawn straight with QPainter
// (antialiasing off) on an image of the same size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <random>

#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "platform/canvas.h"
#include "platform/canvas_spans.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "widgets_bench_main.h"

namespace {

constexpr int PageW = 794, PageH = 1123;

struct Page {
  std::unique_ptr<TZQVCad> Engine;
  QImage Buffer{PageW, PageH, QImage::Format_RGB32};
  std::unique_ptr<TCanvas> Canvas;
};

Page& MixedPage() {
  static Page* page = nullptr;
  if (page) return *page;
  static TMessageRecorderScope quiet;
  NodeCount = 16;
  page = new Page;
  page->Engine = std::make_unique<TZQVCad>(nullptr, 16, 96, 96);
  TZQVCad& e = *page->Engine;
  e.Ready = true;
  e.BackgroundColor = clWhite;
  e.Mapping = e.GetMapping();  // A4 at 100 %, inches
  page->Canvas = std::make_unique<TCanvas>(&page->Buffer);
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> X(0.3, 7.9), Y(0.4, 11.3), S(0.2, 0.9);
  const int kinds[] = {1, 3, 10, 25, 23, 27, 8};
  for (int i = 0; i < 1000; ++i) {
    TRealFig f(&e);
    const int kind = i == 0 ? 22 : kinds[i % 7];
    f.Kind = uint8_t(kind);
    f.PenColor = RGBColor(int(rng() % 200), int(rng() % 200), int(rng() % 200));
    f.BrushColor = RGBColor(128 + int(rng() % 128), 128 + int(rng() % 128), 255);
    f.PolygonSides = 6;
    const double x = X(rng), y = Y(rng), s = S(rng);
    if (kind == 22) {
      f.SetNodePoint(0, {1, 10, 0});
      f.SetNodePoint(2, {7, 2, 0});
    } else if (kind == 23) {
      f.SetNodePoint(0, {x, y, 0});
      f.SetNodePoint(1, {x + s / 3, y + s, 0});
      f.SetNodePoint(2, {x + 2 * s / 3, y - s, 0});
      f.SetNodePoint(3, {x + s, y, 0});
    } else if (kind == 8) {
      f.WantDimensions = true;
      f.Precision = 3;
      f.SetNodePoint(0, {x, y + s / 2, 0});
      f.SetNodePoint(2, {x + s, y, 0});
    } else {
      f.SetNodePoint(0, {x, y, 0});
      f.SetNodePoint(2, {x + s * 0.8, y + (kind == 27 ? 0 : s * 0.4), 0});
    }
    f.NodeCountUsed = 4;
    UpdateFigurePoints(f);
    e.AddFigure(&f);
  }
  return *page;
}

void BM_EngineDrawAllMixedPage(benchmark::State& state) {
  Page& p = MixedPage();
  for (auto _ : state) {
    p.Buffer.fill(Qt::white);
    p.Engine->DrawAll(*p.Canvas, 0, 0, false);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_EngineDrawAllMixedPage)->Unit(benchmark::kMillisecond);

// The same page through the canvas's plain rule (byte masks per call, fills rasterised by
// QPainter), for comparison.
void BM_EngineDrawAllMixedPagePlainRule(benchmark::State& state) {
  Page& p = MixedPage();
  SetRasterFastPaths(false);
  for (auto _ : state) {
    p.Buffer.fill(Qt::white);
    p.Engine->DrawAll(*p.Canvas, 0, 0, false);
    benchmark::ClobberMemory();
  }
  SetRasterFastPaths(true);
}
BENCHMARK(BM_EngineDrawAllMixedPagePlainRule)->Unit(benchmark::kMillisecond);

// The page drawn at a new place every time (the view scrolled by a pixel): nothing drawn before
// is met again, as after a zoom or a scroll, so every figure's outlines are worked out anew.
void BM_EngineDrawAllMixedPageScrolled(benchmark::State& state) {
  Page& p = MixedPage();
  int step = 0;
  for (auto _ : state) {
    ++step;
    p.Buffer.fill(Qt::white);
    p.Engine->DrawAll(*p.Canvas, step % 64 - 32, step / 64 % 64 - 32, false);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_EngineDrawAllMixedPageScrolled)->Unit(benchmark::kMillisecond);

// The page with every figure selected: the list, then the node ticks of every figure (inverted
// 3 x 3 markers), as the window repaints a selection.
void BM_EngineDrawAllMixedPageSelected(benchmark::State& state) {
  Page& p = MixedPage();
  TZQVCad& e = *p.Engine;
  for (auto _ : state) {
    p.Buffer.fill(Qt::white);
    e.DrawAll(*p.Canvas, 0, 0, false);
    e.DrawNodeTicks(*p.Canvas, 0, e.Count() - 1, NOTSRCCOPY, false, -1);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_EngineDrawAllMixedPageSelected)->Unit(benchmark::kMillisecond);

// Dragging one figure over the drawn page: per mouse move, the band of the previous move is drawn
// again in not-xor (which takes it off) and the figure is drawn at its new place, through the
// engine's own mouse handling. One iteration is one mouse move (one frame).
void BM_EngineDragOneFigureOverMixedPage(benchmark::State& state) {
  Page& p = MixedPage();
  TZQVCad& e = *p.Engine;
  p.Buffer.fill(Qt::white);
  e.DrawAll(*p.Canvas, 0, 0, false);
  // A circle (kind 10) of the list, taken by its centre.
  int index = 0;
  while (e.FigureList[size_t(index)]->Kind != 10) ++index;
  const TPoint c = WorldToScreen(e.Mapping, e.FigureList[size_t(index)]->Point(0));
  if (!e.CurrentFigure) e.CurrentFigure = std::make_unique<TRealFig>(&e);
  TMouseSpeedRec speed{};
  e.MouseDown(*p.Canvas, mbLeft, ssLeft, c.X, c.Y, false, true, true, false, speed);
  int step = 0;
  for (auto _ : state) {
    const int dx = (step++ % 40) - 20;
    e.MouseMove(*p.Canvas, ssLeft, c.X + dx, c.Y + dx / 2, false, true, true, false, speed);
    benchmark::ClobberMemory();
  }
  e.MouseUp(*p.Canvas, mbLeft, ssLeft, c.X, c.Y, false, true, true, false, speed);
  e.ClearSelection();
}
BENCHMARK(BM_EngineDragOneFigureOverMixedPage)->Unit(benchmark::kMicrosecond);

// A frame while dragging when the window repaints the whole page under the band: the list (the
// dragged figure's place changed), then the band.
void BM_EngineRepaintWhileDraggingMixedPage(benchmark::State& state) {
  Page& p = MixedPage();
  TZQVCad& e = *p.Engine;
  TRealFig& moved = *e.FigureList[7];
  const TRealXYZ start = moved.Point(0);
  int step = 0;
  for (auto _ : state) {
    TRealXYZ q = start;
    q.x += 0.01 * (step++ % 40);
    moved.SetNodePoint(0, q);
    p.Buffer.fill(Qt::white);
    e.DrawAll(*p.Canvas, 0, 0, false);
    TMeasureRec m;
    e.DrawShape(*p.Canvas, moved, 2, pmNotXor, moved.FontColor, ssLeft, 2, true, false, m);
    benchmark::ClobberMemory();
  }
  moved.SetNodePoint(0, start);
}
BENCHMARK(BM_EngineRepaintWhileDraggingMixedPage)->Unit(benchmark::kMillisecond);

// The same outlines with QPainter: points projected the same way, waves computed per pixel.
void BM_ReferenceQPainterMixedPage(benchmark::State& state) {
  Page& p = MixedPage();
  TZQVCad& e = *p.Engine;
  QImage img(PageW, PageH, QImage::Format_RGB32);
  QFont font("Arial");
  font.setPixelSize(11);
  for (auto _ : state) {
    img.fill(Qt::white);
    QPainter g(&img);
    g.setRenderHint(QPainter::Antialiasing, false);
    g.setRenderHint(QPainter::TextAntialiasing, false);
    g.setFont(font);
    for (const auto& f : e.FigureList) {
      auto px = [&](int n) {
        const TPoint q = WorldToScreen(e.Mapping, f->Point(n));
        return QPoint(q.X, q.Y);
      };
      const QColor pen(GetRValue(f->PenColor), GetGValue(f->PenColor), GetBValue(f->PenColor));
      const QColor brush(GetRValue(f->BrushColor), GetGValue(f->BrushColor), GetBValue(f->BrushColor));
      g.setPen(pen);
      g.setBrush(Qt::NoBrush);
      const QPoint a = px(0), b = px(2);
      switch (f->Kind) {
        case 1:
        case 3: {
          g.drawLine(a, b);
          const QPointF d = QPointF(b - a) / std::max(1.0, std::hypot(b.x() - a.x(), b.y() - a.y()));
          for (int end = 0; end < (f->Kind == 3 ? 2 : 1); ++end) {
            const QPointF tip = end ? QPointF(a) : QPointF(b), dir = end ? -d : d;
            const QPointF base = tip - dir * 9.6, n(-dir.y() * 2, dir.x() * 2);
            g.setBrush(pen);
            g.drawPolygon(QPolygonF({tip, base + n, base - n}));
            g.setBrush(Qt::NoBrush);
          }
          break;
        }
        case 10: {
          g.setBrush(brush);
          const int r = int(std::lround(std::hypot(b.x() - a.x(), b.y() - a.y())));
          g.drawEllipse(a, r, r);
          break;
        }
        case 25: {
          g.setBrush(brush);
          QPolygon poly;
          const double r = std::hypot(b.x() - a.x(), b.y() - a.y());
          for (int k = 0; k < 6; ++k)
            poly << QPoint(int(std::lround(a.x() + r * std::cos(k * M_PI / 3))), int(std::lround(a.y() + r * std::sin(k * M_PI / 3))));
          g.drawPolygon(poly);
          break;
        }
        case 23: {
          QPainterPath path(px(0));
          path.cubicTo(px(1), px(2), px(3));
          g.drawPath(path);
          break;
        }
        case 22: {
          for (int k = 0; k <= 10; ++k) {
            const int x = a.x() + (b.x() - a.x()) * k / 10, y = a.y() + (b.y() - a.y()) * k / 10;
            g.drawLine(x, a.y(), x, b.y());
            g.drawLine(a.x(), y, b.x(), y);
          }
          break;
        }
        case 27: {
          const int len = b.x() - a.x();
          const double period = f->Wave.WaveWidth[0] * 96, h = f->Wave.WaveHeight[0] * 96;
          QPolygon wave;
          for (int i = 0; i <= len; ++i)
            wave << QPoint(a.x() + i, a.y() - int(std::lround(h * std::sin(2 * M_PI * i / period))));
          g.drawPolyline(wave);
          break;
        }
        case 8: {
          g.drawRect(QRect(a, b).normalized());
          g.drawText(QPoint(a.x(), b.y() + 14), "0.123\"");
          g.save();
          g.translate(a.x() - 4, (a.y() + b.y()) / 2);
          g.rotate(-90);
          g.drawText(QPoint(0, 0), "0.456\"");
          g.restore();
          break;
        }
        default: break;
      }
    }
    g.end();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ReferenceQPainterMixedPage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunWidgetBenchmarks(argc, argv); }

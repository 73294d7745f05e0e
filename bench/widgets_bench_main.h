// The main routine of a benchmark program that draws through widgets-backed canvases: an
// offscreen application at a fixed 96 pixels per inch, then every benchmark named on the command
// line.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <utility>
#include <vector>

#include "platform/screen.h"

// The reference repaint of the picture benchmarks: a white page with each picture drawn scaled
// into its rectangle by QPainter.
inline void PaintPicturesWithQt(QImage& Page, const std::vector<std::pair<QImage, QRect>>& Pictures) {
  Page.fill(Qt::white);
  QPainter p(&Page);
  for (const auto& [img, rect] : Pictures) p.drawImage(rect, img);
}

inline int RunWidgetBenchmarks(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  SetScreenPixelsPerInch(96);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

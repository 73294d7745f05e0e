// The main routine of a benchmark program that draws through widgets-backed canvases: an
// offscreen application at a fixed 96 pixels per inch, then every benchmark named on the command
// line.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

#include "platform/screen.h"

inline int RunWidgetBenchmarks(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  SetScreenPixelsPerInch(96);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// Saving, loading and pasting 1,000 figures (goal: each under 50 ms). For reference, the
// same number of bytes written and read as one block through the same safe file writer, which is
// the floor any record format pays for its file.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <memory>

#include "cad/engine.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "widgets_bench_main.h"

namespace {

struct Fixture {
  QTemporaryDir Dir;
  std::unique_ptr<TZQVCad> Engine;
  std::string FileName;
};

Fixture& Page() {
  static Fixture* f = nullptr;
  if (f) return *f;
  static TMessageRecorderScope quiet;
  NodeCount = 16;
  f = new Fixture;
  f->Engine = std::make_unique<TZQVCad>(nullptr, 16, 96, 96);
  const int kinds[] = {0, 1, 5, 9, 11, 16, 23, 27, 48, 54};
  for (int i = 0; i < 1000; ++i) {
    TRealFig fig(f->Engine.get());
    fig.Kind = uint8_t(kinds[i % 10]);
    fig.NodeCountUsed = 8;
    for (int n = 0; n < 8; ++n) fig.SetNodePoint(n, {0.5 + (i % 40) * 0.2 + n * 0.1, 10.0 - (i / 40) * 0.4, 0});
    f->Engine->AddFigure(&fig);
  }
  f->FileName = f->Dir.path().toStdString() + "/page.zqs";
  f->Engine->SaveShapesFile(f->FileName);
  return *f;
}

void BM_SaveShapesFile1000(benchmark::State& state) {
  Fixture& f = Page();
  for (auto _ : state) f.Engine->SaveShapesFile(f.FileName);
  state.counters["figures/s"] = benchmark::Counter(1000.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SaveShapesFile1000)->Unit(benchmark::kMillisecond);

void BM_LoadShapesFile1000(benchmark::State& state) {
  Fixture& f = Page();
  TZQVCad e(nullptr, 16, 96, 96);
  for (auto _ : state) {
    e.LoadShapesFile(f.FileName, false);
    benchmark::DoNotOptimize(e.Count());
  }
  if (e.Count() != 1000) state.SkipWithError("the file did not load");
  state.counters["figures/s"] = benchmark::Counter(1000.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadShapesFile1000)->Unit(benchmark::kMillisecond);

// Paste of 1,000 figures from the clipboard (the copied page's shapes stream), each paste taken
// back outside the timing.
void BM_Paste1000(benchmark::State& state) {
  Fixture& f = Page();
  TZQVCad e(nullptr, 16, 96, 96);
  TMemoryStream m;
  f.Engine->SaveToStream(m);
  e.PutStreamOnClipboard(&m, e.GetClipboardFormat().FormatId);
  for (auto _ : state) {
    e.PasteAt(0, 0);
    state.PauseTiming();
    if (e.Count() != 1000) state.SkipWithError("nothing was pasted");
    e.Undo();
    state.ResumeTiming();
  }
  state.counters["figures/s"] = benchmark::Counter(1000.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Paste1000)->Unit(benchmark::kMillisecond);

void BM_ReferenceBlockWriteRead(benchmark::State& state) {
  Fixture& f = Page();
  const auto bytes = ReadWholeFile(f.FileName);
  const std::string name = f.Dir.path().toStdString() + "/block.bin";
  for (auto _ : state) {
    WriteFileAtomically(name, bytes.data(), bytes.size());
    benchmark::DoNotOptimize(ReadWholeFile(name).size());
  }
}
BENCHMARK(BM_ReferenceBlockWriteRead)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunWidgetBenchmarks(argc, argv); }

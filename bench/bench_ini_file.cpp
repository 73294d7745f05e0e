// Reading a settings file of many sections (a 4 MB file of 200,000 sections took seconds when
// each lookup searched the sections from the top): loading it and reading one key of every
// section. For reference, splitting the same bytes into lines, the floor of any reader.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/zqv_ini_file.h"

namespace {
std::string& BigFile() {
  static std::string text;
  if (text.empty())
    for (int i = 0; i < 200000; ++i) text += "[Section" + std::to_string(i) + "]\r\nFontSize=12\r\n";
  return text;
}

void BM_LoadAndReadEverySection(benchmark::State& state) {
  const std::string& text = BigFile();
  for (auto _ : state) {
    TZQVIniFile ini("");
    ini.LoadFromBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    int64_t sum = 0;
    for (int i = 0; i < 200000; i += 1) sum += ini.ReadInteger("section" + std::to_string(i), "fontsize", 0);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_LoadAndReadEverySection)->Unit(benchmark::kMillisecond);

void BM_ReferenceSplitLines(benchmark::State& state) {
  const std::string& text = BigFile();
  for (auto _ : state) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] == '\n') {
        lines.emplace_back(text, start, i - start);
        start = i + 1;
      }
    benchmark::DoNotOptimize(lines.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ReferenceSplitLines)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();

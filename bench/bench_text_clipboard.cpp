// Pasting a full page (4000 cells) of the page's own clipboard format and of rich text, and
// rewrapping a full page of words to the margin; the budget of each is one frame at 60 Hz
// (16.7 ms). For reference, one layout of the full page (what every paste ends with).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "app/startup.h"
#include "helpers/rich_text.h"
#include "platform/app_dir.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "text/text_glue.h"
#include "text/text_page.h"

namespace {

const char* const kText = "The quick brown fox jumps over the lazy dog; 0123456789 + x^2 = y and so on.  ";

TForm1* Window() {
  static TForm1* form = nullptr;
  if (form) return form;
  SetScreenPixelsPerInch(96);
  AddSpecialFonts();
  static TMessageRecorderScope quiet;  // no message box may wait for an answer here
  const std::string symbols = "Symbol\r\nPeriod\r\nZQVRelMath\r\n";
  WriteFileAtomically(AppDir() + "MnSymFt.dat", symbols.data(), symbols.size());
  form = CreateStartupWindows();
  SetInsertMode(true);
  lMargin = 48;
  tMargin = 48;
  LineHeight = 16;
  rMargin = 746;
  bMargin = 1075;
  return form;
}

void BlankPage(TForm1* form) {
  form->FillCanvas();
  form->CharCodes.fill(0);
  form->CurrentI = 1;
  form->LayoutTextCells();
  form->TextBurst = true;
}

// 4000 cells: lines of 79 characters and a line end, every fifth character raised and in italics.
std::vector<TCellRecord> PageRecords() {
  std::vector<TCellRecord> recs;
  const TFont plain("Times New Roman", 12, 0, clBlack, ANSI_CHARSET);
  TFont raised("Times New Roman", 8, fsItalic, clBlue, ANSI_CHARSET);
  for (int i = 1; i <= 4000; ++i) {
    const uint8_t ch = (i % 80 == 0) ? 0 : uint8_t(kText[(i - 1) % 80]);
    recs.push_back({i % 5 ? plain : raised, ch, int16_t(i % 5 ? 0 : -6)});
  }
  return recs;
}

void BM_PasteOwnFormatFullPage(benchmark::State& state) {
  TForm1* form = Window();
  const auto block = textclip::EncodeClipText(PageRecords());
  auto* data = new QMimeData;
  data->setData("application/x-qt-windows-mime;value=\"ZQVWare Korvalis V formatted text\"",
                QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size())));
  QGuiApplication::clipboard()->setMimeData(data);
  for (auto _ : state) {
    state.PauseTiming();
    BlankPage(form);
    state.ResumeTiming();
    form->PasteZQVText(form->tbPaste);
  }
  if (form->LastTextCell() < 3990) state.SkipWithError("page not full");
}
BENCHMARK(BM_PasteOwnFormatFullPage)->Unit(benchmark::kMillisecond);

void BM_PasteRichTextFullPage(benchmark::State& state) {
  TForm1* form = Window();
  std::vector<TRichRun> runs;
  for (const auto& r : PageRecords()) {
    TRichCharFormat f;
    f.FaceName = r.Font.Name;
    f.SizeHalfPoints = r.Font.Size() * 2;
    f.Style = r.Font.Style;
    f.Color = r.Font.Color;
    f.Superscript = r.Offset != 0;
    if (runs.empty() || !(runs.back().Format == f)) runs.push_back({std::string(), f});
    runs.back().Text += r.Ch ? std::string(1, char(r.Ch)) : std::string("\r\n");
  }
  const std::string rtf = WriteRtf(runs);
  auto* data = new QMimeData;
  data->setData("text/rtf", QByteArray(rtf.data(), qsizetype(rtf.size())));
  QGuiApplication::clipboard()->setMimeData(data);
  for (auto _ : state) {
    state.PauseTiming();
    BlankPage(form);
    state.ResumeTiming();
    form->PasteRichText();
  }
  if (form->LastTextCell() < 3990) state.SkipWithError("page not full");
}
BENCHMARK(BM_PasteRichTextFullPage)->Unit(benchmark::kMillisecond);

void BM_RewrapFullPage(benchmark::State& state) {
  TForm1* form = Window();
  for (auto _ : state) {
    state.PauseTiming();
    BlankPage(form);
    // One paragraph per 800 cells, each a single long line.
    for (int i = 1; i <= 4000; ++i) form->CharCodes[i] = (i % 800 == 0) ? 0 : uint8_t(kText[(i - 1) % 80]);
    form->LayoutTextCells();
    form->SelStart = 1;
    form->SelEnd = 4001;
    state.ResumeTiming();
    form->WrapCells(lMargin, rMargin, true, form->SelEnd, form->SelStart);
  }
}
BENCHMARK(BM_RewrapFullPage)->Unit(benchmark::kMillisecond);

// Reference: one layout of the full page.
void BM_ReferenceLayoutFullPage(benchmark::State& state) {
  TForm1* form = Window();
  BlankPage(form);
  for (int i = 1; i <= 4000; ++i) form->CharCodes[i] = (i % 80 == 0) ? 0 : uint8_t(kText[(i - 1) % 80]);
  for (auto _ : state) form->LayoutTextCells();
}
BENCHMARK(BM_ReferenceLayoutFullPage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir home;
  qputenv("KORVALIS_HOME", home.path().toUtf8());
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  FreeStartupWindows();
  return 0;
}

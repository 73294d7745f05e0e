// One character inserted at cell 1 of a full page (4000 laid-out cells), the line's redraw on the
// page image included; the budget is one frame at 60 Hz (16.7 ms). For reference, the same run of
// glyphs drawn straight with QPainter (one drawText per glyph, as the page draws cells).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "app/startup.h"
#include "dialogs/main_font_dialog.h"
#include "platform/app_dir.h"
#include "platform/canvas.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "text/text_glue.h"
#include "text/text_page.h"

namespace {

// A page of 4000 cells: lines of 79 characters and a line end, laid out.
TForm1* FullPage() {
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
  form->FillCanvas();
  const char* text = "The quick brown fox jumps over the lazy dog; 0123456789 + x^2 = y and so on.  ";
  for (int i = 1; i <= 4000; ++i) form->CharCodes[i] = (i % 80 == 0) ? 0 : uint8_t(text[(i - 1) % 80]);
  for (int i = 4001; i < MaxCharacters; ++i) form->CharCodes[i] = 0;
  form->LayoutTextCells();
  form->RefreshAllImages(nullptr, true);
  return form;
}

// Inserts one character at cell 1 of a full page per round, redraw included; fullRepaint adds
// the whole page recomposed afterwards (what the "Always Refresh" option adds).
void InsertAtCell1(benchmark::State& state, bool fullRepaint) {
  TForm1* form = FullPage();
  const TFont font = *form->CharFonts[1];
  for (auto _ : state) {
    form->CurrentI = 1;
    form->MoveCaretTo(form->CharPositions[1]);
    form->InsertChar(form, form->PageCanvas(), true, font, 0, 'Q');
    if (fullRepaint) form->RefreshAllImages(form, true);
    else form->SetCaretPosition(form, 0, 0);
    state.PauseTiming();
    // Take the character out again so that every round starts from the same page.
    form->CurrentI = 1;
    form->ShiftDataDown(1, 1);
    form->LayoutTextCells();
    state.ResumeTiming();
  }
  if (Form1->LastTextCell() < 3990) state.SkipWithError("page not full");
}

void BM_InsertCharAtCell1OfFullPage(benchmark::State& state) { InsertAtCell1(state, false); }
BENCHMARK(BM_InsertCharAtCell1OfFullPage)->Unit(benchmark::kMillisecond);

void BM_InsertCharAtCell1WithFullRepaint(benchmark::State& state) { InsertAtCell1(state, true); }
BENCHMARK(BM_InsertCharAtCell1WithFullRepaint)->Unit(benchmark::kMillisecond);

// Reference: erase and draw the same 81 glyphs with QPainter directly.
void BM_ReferenceQPainterLine(benchmark::State& state) {
  TForm1* form = FullPage();
  QImage img(794, 200, QImage::Format_RGB32);
  QFont f = form->CharFonts[1]->ToQFont();
  for (auto _ : state) {
    for (int pass = 0; pass < 2; ++pass) {
      for (int i = 1; i <= 80; ++i) {
        QPainter p(&img);
        p.setFont(f);
        p.setPen(pass ? Qt::black : Qt::white);
        p.drawText(QPoint(form->CharPositions[i].X + 1, 48), QString(QChar(char16_t(form->CharCodes[i] ? form->CharCodes[i] : 32))));
      }
    }
  }
}
BENCHMARK(BM_ReferenceQPainterLine)->Unit(benchmark::kMillisecond);

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

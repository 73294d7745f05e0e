// Saving and reopening a full document (4,095 cells, 1,000 figures, 4 pictures, 4 image objects)
// and recomposing its page, each beside a reference of the same work: the same payload written
// and read back through zlib level 6, and the page's pictures drawn with QPainter.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "app/startup.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "cad/node_layout.h"
#include "codecs/compress.h"
#include "helpers/page_surface.h"
#include "page/document_format.h"
#include "platform/app_dir.h"
#include "platform/graphic.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "text/page_geometry.h"
#include "text/text_page.h"
#include "widgets_bench_main.h"

namespace {
QTemporaryDir& Folder() {
  static QTemporaryDir dir;
  return dir;
}
std::string PathOf(const std::string& name) { return Folder().filePath(QString::fromStdString(name)).toStdString(); }

TForm1* FullDocument() {
  static TForm1* form = nullptr;
  if (form) return form;
  AddSpecialFonts();
  static TMessageRecorderScope quiet;
  const std::string symbols = "Symbol\r\nPeriod\r\nZQVRelMath\r\n";
  WriteFileAtomically(AppDir() + "MnSymFt.dat", symbols.data(), symbols.size());
  form = CreateStartupWindows();
  form->FillCanvas();
  // 4,095 cells: lines of 79 characters.
  for (int i = 1; i < CellCount; ++i) {
    form->CharCodes[size_t(i)] = i % 80 == 0 ? 0 : uint8_t('a' + i % 26);
    form->CharFonts[size_t(i)]->Assign(TFont("Times New Roman", 10 + i % 3));
  }
  form->LayoutTextCells();
  // 1,000 figures.
  const TMappingRec map = Figures->GetMapping();
  for (int k = 0; k < 1000; ++k) {
    TRealFig f(Figures);
    f.Kind = uint8_t(k % 14);
    f.NodeCountUsed = 6;
    const double x = map.WorldLeft + (k % 40) * 0.2, y = map.WorldBottom + 1 + (k / 40) * 0.35;
    for (int i = 0; i < 6; ++i) f.SetNodePoint(i, {x + 0.1 * (i % 3), y + 0.1 * (i / 3), 0});
    UpdateFigurePoints(f);
    Figures->AddFigure(&f);
  }
  // Four pictures and four image objects, 400 x 300 each.
  const char* exts[4] = {".png", ".jpg", ".bmp", ".png"};  // Qt writes no GIF
  for (int i = 0; i < 4; ++i) {
    QImage img(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 400; ++x) img.setPixel(x, y, qRgb((x + 60 * i) & 255, y & 255, (x * y) & 255));
    const std::string pic = PathOf("pic" + std::to_string(i) + exts[i]);
    img.save(QString::fromStdString(pic));
    Pictures[size_t(i)].SetName(pic);
    Pictures[size_t(i)].Rect = {20 + 180 * i, 40, 220 + 180 * i, 190};
    const std::string obj = PathOf("obj" + std::to_string(i) + exts[i]);
    img.save(QString::fromStdString(obj));
    auto* image = new TSizeChangedImage(form->ScrollBox1->widget());
    image->hide();
    image->setGeometry(40 + 180 * i, 600, 160, 120);
    std::unique_ptr<TGraphic> g = CreateGraphicForFile(obj);
    g->LoadFromFile(obj);
    image->Picture.SetGraphic(std::move(g));
    form->Images[size_t(i)] = image;
    form->ImageRecs[size_t(i)].SetName(obj);
    form->ImageRecs[size_t(i)].Rect = {40 + 180 * i, 600, 200 + 180 * i, 720};
  }
  form->PictureCount = 4;
  form->ImageCount = 4;
  return form;
}

void BM_SaveAndReopenDocument(benchmark::State& state) {
  TForm1* form = FullDocument();
  const std::string doc = PathOf("full.zqv");
  for (auto _ : state) {
    if (!form->SaveFile(form, doc)) state.SkipWithError("save failed");
    form->Modified = form->FileModified = false;
    if (!form->Open_File(form, doc)) state.SkipWithError("open failed");
  }
  state.counters["file_bytes"] = double(FileSizeOf(doc));
}

void BM_ReferenceZlibSaveAndRead(benchmark::State& state) {
  TForm1* form = FullDocument();
  const std::string doc = PathOf("full.zqv");
  form->SaveFile(form, doc);
  TCompress c;
  TMemoryStream raw(ReadWholeFile(doc)), payload;
  c.ExpandStream(payload, raw);
  const std::string ref = PathOf("full.zlib");
  for (auto _ : state) {
    uLongf size = compressBound(uLong(payload.Data.size()));
    std::vector<uint8_t> packed(size);
    compress2(packed.data(), &size, payload.Data.data(), uLong(payload.Data.size()), 6);
    WriteFileAtomically(ref, packed.data(), size);
    const std::vector<uint8_t> back = ReadWholeFile(ref);
    std::vector<uint8_t> out(payload.Data.size());
    uLongf outSize = uLongf(out.size());
    uncompress(out.data(), &outSize, back.data(), uLong(back.size()));
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["file_bytes"] = double(FileSizeOf(ref));
}

void BM_RecomposeFullPage(benchmark::State& state) {
  TForm1* form = FullDocument();
  form->RefreshAllImages(nullptr, true);
  for (auto _ : state) form->RefreshAllImages(nullptr, true);
}

void BM_ReferenceDrawPictures(benchmark::State& state) {
  TForm1* form = FullDocument();
  std::vector<std::pair<QImage, QRect>> pictures;
  for (int i = 0; i < 4; ++i) {
    const TRect r = Pictures[size_t(i)].Rect.ToRect();
    pictures.emplace_back(QImage(QString::fromStdString(Pictures[size_t(i)].Name())),
                          QRect(r.Left, r.Top, r.Width(), r.Height()));
    const TRect o = form->ImageRecs[size_t(i)].Rect.ToRect();
    pictures.emplace_back(QImage(QString::fromStdString(form->ImageRecs[size_t(i)].Name())),
                          QRect(o.Left, o.Top, o.Width(), o.Height()));
  }
  QImage page(form->MainImage->width(), form->MainImage->height(), QImage::Format_RGB32);
  for (auto _ : state) PaintPicturesWithQt(page, pictures);
}
}  // namespace

BENCHMARK(BM_SaveAndReopenDocument)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceZlibSaveAndRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecomposeFullPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceDrawPictures)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunWidgetBenchmarks(argc, argv); }

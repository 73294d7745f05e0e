// Printing the page to a PDF file, rendered again by poppler's pdftoppm: the page's ink lands at
// its physical size and place on the sheet (from the printable area's corner) for A4 and A5 in
// both orientations with margins; the preview's sizes and its window answered by the test; the
// orientation question; the state a print puts back; the printer set-up command.
#include <sys/stat.h>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <cmath>

#include "app/main_window.h"
#include "dialogs/page_setup_dialog.h"
#include "app/print_preview.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "helpers/page_surface.h"
#include "main_window_fixture.h"
#include "platform/bitmap.h"
#include "text/page_geometry.h"

namespace {

struct PrintingTest : MainWindowFixture {
  // A started window with an A4 portrait page, printing on A4 with margins of 10 mm.
  TForm1* StartA4Page() {
    TForm1* form = CreateStartupWindows();
    PageSetupDialog->SetPageStyle(1);
    PageSetupDialog->SetUpPage(nullptr, false, 1);
    Printer().setPageSize(QPageSize(QPageSize::A4));
    Printer().setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    return form;
  }
  void TearDown() override {
    Printer().setPageOrientation(QPageLayout::Portrait);
    MainWindowFixture::TearDown();
  }
};

constexpr int RenderDpi = 150;
// Within one pixel of the render (and the rounding of its arithmetic).
constexpr double OnePixel = 1.001;

// The first page of a PDF rendered by pdftoppm at RenderDpi; null when that failed.
QImage RenderPdf(const std::string& pdf) {
  const QString base = QString::fromStdString(pdf) + ".render";
  QProcess p;
  p.start("/usr/bin/pdftoppm", {"-r", QString::number(RenderDpi), "-png", "-singlefile", "-aa", "no", "-aaVector", "no",
                                QString::fromStdString(pdf), base});
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return QImage();
  return QImage(base + ".png").convertToFormat(QImage::Format_RGB32);
}

// The bounding box of the pixels that Match, as (left, top, right, bottom) exclusive; empty
// when there are none.
template <typename F>
TRect InkBox(const QImage& img, F Match) {
  TRect r(img.width(), img.height(), -1, -1);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (Match(img.pixel(x, y)))
        r = TRect(std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1));
  return r.Right < 0 ? TRect() : r;
}
bool IsRed(QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; }
bool IsBlue(QRgb p) { return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60; }
bool IsDark(QRgb p) { return qRed(p) < 100 && qGreen(p) < 100 && qBlue(p) < 100; }

// A page pixel position (screen 96 pixels per inch) on the rendered sheet, from the printable
// area's corner (offset in printer pixels at dpi).
double OnSheet(int offset, int dpi, double pagePixels) {
  return (double(offset) / dpi + pagePixels / 96.0) * RenderDpi;
}

// A solid picture file placed on the page as picture 0. Its bottom-left pixel is white, the
// colour a transparent picture leaves out.
void PlacePicture(TForm1* form, const std::string& name, QColor colour, const TRect& r) {
  QImage img(r.Width(), r.Height(), QImage::Format_RGB32);
  img.fill(colour);
  img.setPixel(0, r.Height() - 1, qRgb(255, 255, 255));
  ASSERT_TRUE(img.save(QString::fromStdString(name), "BMP"));
  Pictures[0] = TPictureRec();
  Pictures[0].SetName(name);
  Pictures[0].Rect = TStoredRect::From(r);
  form->PictureCount = 1;
}

// A solid image object over the page rectangle r.
TSizeChangedImage* PlaceImageObject(TForm1* form, QColor colour, const TRect& r) {
  auto* image = new TSizeChangedImage(form->ScrollBox1->widget());
  image->setGeometry(r.Left, r.Top, r.Width(), r.Height());
  auto bitmap = std::make_unique<TBitmap>(r.Width(), r.Height());
  bitmap->Image().fill(colour);
  image->Picture.SetGraphic(std::move(bitmap));
  form->Images[0] = image;
  form->ImageRecs[0] = TImageObjectRec();
  form->ImageRecs[0].Rect = TStoredRect::From(r);
  form->ImageCount = 1;
  return image;
}

void ClearTables(TForm1* form) {
  form->PictureCount = 0;
  Pictures[0] = TPictureRec();
  form->ImageCount = 0;
  delete form->Images[0];
  form->Images[0] = nullptr;
}

// Answers the PDF file dialog of the next print with name.
void AnswerPdf(const std::string& name, int* asked = nullptr) {
  PictureDialogHook = [name, asked](const std::string& title, const std::string&, const std::string& filter, int&) {
    EXPECT_EQ(title, "Korvalis V - Print to File");
    EXPECT_EQ(filter, "PDF Document (*.pdf)|*.pdf");
    if (asked) ++*asked;
    return name;
  };
}

TEST(PreviewSizes, ShrinkUntilTheSheetFitsTheScreen) {
  struct Case {
    int dpi, paperW, paperH, screenW, screenH;
    int steps, width, height;
  };
  const Case cases[] = {
      {600, 4960, 7016, 1280, 1024, 26, 611, 864},  // A4 at 600 dpi
      {600, 4960, 7016, 4000, 3000, 0, 794, 1123},  // fits: full size, scale 1
      {0, 2480, 3508, 1280, 1024, 26, 611, 864},    // no resolution reported: 300 dpi, no hang
  };
  for (const Case& c : cases) {
    const TPreviewSizes s = ComputePreviewSizes(96, c.dpi, c.dpi, c.paperW, c.paperH, c.screenW, c.screenH);
    EXPECT_EQ(s.ShrinkSteps, c.steps) << c.paperW;
    EXPECT_EQ(int(std::nearbyint(s.W)), c.width);
    EXPECT_EQ(int(std::nearbyint(s.H)), c.height);
    EXPECT_NEAR(s.Scale, double(c.width) / (c.paperW * 96.0 / (c.dpi ? c.dpi : 300)), 0.002);
  }
}

TEST_F(PrintingTest, PageRectanglesToPrinterPixels) {
  TForm1* form = CreateStartupWindows();
  struct Case {
    int dpi;
    TRect page, printer;
  };
  const Case cases[] = {
      {600, TRect(0, 0, 794, 1123), TRect(0, 0, 4963, 7019)},  // A4 portrait at 96 ppi
      {600, TRect(96, 48, 192, 96), TRect(600, 300, 1200, 600)},
      {300, TRect(-1, -1, 2, 2), TRect(-3, -3, 6, 6)},
  };
  for (const Case& c : cases) {
    TRect r;
    form->PageRectToPrinter(c.dpi, c.dpi, c.page, r);
    EXPECT_EQ(r, c.printer);
  }
  TRect s;
  form->ScaleRect(TRect(10, 20, 110, 70), s, 0.5);
  EXPECT_EQ(s, TRect(5, 10, 55, 35));
}

// A filled black rectangle figure over the page rectangle r.
void AddFilledRectangle(const TRect& r) {
  const TMappingRec map = Figures->GetMapping();
  auto f = std::make_unique<TRealFig>(Figures);
  f->Kind = 5;
  f->PenColor = clBlack;
  f->BrushColor = clBlack;
  f->BrushStyle = 0;
  f->SetNodePoint(0, {double(ScreenToWorldX(map, r.Left)), double(ScreenToWorldY(map, r.Top)), 0});
  f->SetNodePoint(2, {double(ScreenToWorldX(map, r.Right)), double(ScreenToWorldY(map, r.Bottom)), 0});
  f->NodeCountUsed = 3;
  UpdateFigurePoints(*f);
  Figures->AddFigure(f.get());
}

bool IsGreen(QRgb p) { return qGreen(p) > 100 && qRed(p) < 60 && qBlue(p) < 60; }

// A page box (page pixels, exclusive) on the sheet rendered at RenderDpi, when the page lies at
// the sheet's corner.
TRect PageBoxOnSheet(const TRect& r) {
  auto at = [](int px) { return int(std::lround(px * RenderDpi / 96.0)); };
  return TRect(at(r.Left), at(r.Top), at(r.Right), at(r.Bottom));
}

void ExpectBoxNear(const TRect& printed, const TRect& exported, double tolerance, const std::string& what) {
  const TRect want = PageBoxOnSheet(exported);
  EXPECT_NEAR(printed.Left, want.Left, tolerance) << what;
  EXPECT_NEAR(printed.Top, want.Top, tolerance) << what;
  EXPECT_NEAR(printed.Right, want.Right, tolerance) << what;
  EXPECT_NEAR(printed.Bottom, want.Bottom, tolerance) << what;
}

// The printed PDF holds the page as Save All As Graphic writes it: every layer at the same place
// (within a pixel of the render), nothing cut off at the right or bottom edge, on a sheet of the
// paper chosen in the page settings, whatever paper and margins the printer object had.
TEST_F(PrintingTest, PrintedPageMatchesTheExportedPage) {
  TForm1* form = CreateStartupWindows();
  ASSERT_NE(Figures, nullptr);
  struct Case {
    int pageStyle;
    QPageSize::PageSizeId paper;
    bool landscape;
  };
  const Case cases[] = {
      {1, QPageSize::A4, false},
      {0, QPageSize::A4, true},
      {3, QPageSize::A5, false},
      {2, QPageSize::A5, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pageStyle);
    PageSetupDialog->SetPageStyle(c.pageStyle);
    PageSetupDialog->SetUpPage(nullptr, false, 1);
    Figures->Clear();
    QPrinter& printer = Printer();
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(10, 15, 10, 15), QPageLayout::Millimeter);
    const TRect picture(100, 120, 196, 168);  // one inch by half an inch
    const TRect object(250, 40, 298, 88);     // half an inch square
    const TRect figure(96, 300, 192, 348);
    // A picture on the page's bottom-right corner.
    const TRect corner(PageWidth - 30, PageHeight - 24, PageWidth - 2, PageHeight - 2);
    PlacePicture(form, AppDir() + "red.bmp", Qt::red, picture);
    PlaceImageObject(form, Qt::blue, object);
    {
      QImage img(corner.Width(), corner.Height(), QImage::Format_RGB32);
      img.fill(QColor(0, 160, 0));
      img.setPixel(0, corner.Height() - 1, qRgb(255, 255, 255));
      ASSERT_TRUE(img.save(QString::fromStdString(AppDir() + "green.bmp"), "BMP"));
      Pictures[1] = TPictureRec();
      Pictures[1].SetName(AppDir() + "green.bmp");
      Pictures[1].Rect = TStoredRect::From(corner);
      form->PictureCount = 2;
    }
    AddFilledRectangle(figure);
    form->RefreshAllImages(nullptr, true);
    // The page as exported.
    const std::string png = AppDir() + "exported" + std::to_string(c.pageStyle) + ".png";
    PictureDialogHook = [png](const std::string&, const std::string&, const std::string&, int& index) {
      index = 7;
      return png;
    };
    form->SaveAllAsbmp1->trigger();
    const QImage exported = QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(exported.isNull());
    ASSERT_EQ(exported.size(), QSize(PageWidth, PageHeight));
    // Printed; a landscape page asks to turn the printer.
    const std::string pdf = AppDir() + "page" + std::to_string(c.pageStyle) + ".pdf";
    int asked = 0;
    AnswerPdf(pdf, &asked);
    rec->Clear();
    if (c.landscape) rec->Answer(mrOk);
    form->Print1->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(rec->Messages().size(), c.landscape ? 1u : 0u);
    // A new file with the usual permissions; nothing left beside it.
    struct stat st {};
    ASSERT_EQ(stat(pdf.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(QDir(QString::fromStdString(AppDir())).entryList({"*.pdf.??????"}, QDir::Files), QStringList());
    const QImage sheet = RenderPdf(pdf);
    ASSERT_FALSE(sheet.isNull()) << pdf;
    // The sheet is the chosen paper in the page's orientation.
    QSizeF mm = QPageSize(c.paper).size(QPageSize::Millimeter);
    if (c.landscape) mm.transpose();
    EXPECT_NEAR(sheet.width(), mm.width() / 25.4 * RenderDpi, 1.5);
    EXPECT_NEAR(sheet.height(), mm.height() / 25.4 * RenderDpi, 1.5);
    // Each layer where the export has it.
    ExpectBoxNear(InkBox(sheet, IsRed), InkBox(exported, IsRed), OnePixel, "picture");
    ExpectBoxNear(InkBox(sheet, IsBlue), InkBox(exported, IsBlue), OnePixel, "image object");
    ExpectBoxNear(InkBox(sheet, IsGreen), InkBox(exported, IsGreen), OnePixel, "corner picture");
    const TRect around(figure.Left - 10, figure.Top - 10, figure.Right + 10, figure.Bottom + 10);
    const TRect onSheet = PageBoxOnSheet(around);
    const TRect printedFigure =
        InkBox(sheet.copy(onSheet.Left, onSheet.Top, onSheet.Width(), onSheet.Height()), IsDark);
    const TRect exportedFigure =
        InkBox(exported.copy(around.Left, around.Top, around.Width(), around.Height()), IsDark);
    ASSERT_GT(printedFigure.Right, 0);
    ASSERT_GT(exportedFigure.Right, 0);
    // The figure's one-pixel outline is drawn at the printer's resolution: within the width of
    // one page pixel.
    ExpectBoxNear(TRect(printedFigure.Left + onSheet.Left, printedFigure.Top + onSheet.Top,
                        printedFigure.Right + onSheet.Left, printedFigure.Bottom + onSheet.Top),
                  TRect(exportedFigure.Left + around.Left, exportedFigure.Top + around.Top,
                        exportedFigure.Right + around.Left, exportedFigure.Bottom + around.Top),
                  RenderDpi / 96.0 + 0.01, "figure");
    ClearTables(form);
    Pictures[1] = TPictureRec();
  }
}

// Only the page prints: a figure dragged off the page stays off the paper even where the paper
// reaches further than the page (a landscape page printed, by the user's choice, on a portrait
// sheet).
TEST_F(PrintingTest, NothingBeyondThePageEdgesPrints) {
  TForm1* form = CreateStartupWindows();
  ASSERT_NE(Figures, nullptr);
  PageSetupDialog->SetPageStyle(2);  // A5 landscape, 794 x 559
  PageSetupDialog->SetUpPage(nullptr, false, 1);
  Printer().setPageOrientation(QPageLayout::Portrait);
  const TRect inside(100, 400, 200, 450), below(100, 620, 200, 680);
  AddFilledRectangle(inside);
  AddFilledRectangle(below);
  const std::string pdf = AppDir() + "beyond.pdf";
  AnswerPdf(pdf);
  rec->Answer(mrIgnore);
  form->Print1->trigger();
  ASSERT_EQ(rec->Messages().size(), 1u);
  const QImage sheet = RenderPdf(pdf);
  ASSERT_FALSE(sheet.isNull());
  ASSERT_LT(sheet.width(), sheet.height());
  const TRect in = PageBoxOnSheet(inside), out = PageBoxOnSheet(below);
  EXPECT_GT(InkBox(sheet.copy(in.Left, in.Top, in.Width(), in.Height()), IsDark).Right, 0);
  EXPECT_EQ(InkBox(sheet.copy(out.Left - 5, out.Top - 5, out.Width() + 10, out.Height() + 10), IsDark), TRect());
}

TEST_F(PrintingTest, FiguresAndTextPrintAtThePagesScale) {
  TForm1* form = StartA4Page();
  QPrinter& printer = Printer();
  ASSERT_NE(Figures, nullptr);
  // A filled black rectangle from page pixel (96, 192) to (192, 240).
  const TMappingRec map = Figures->GetMapping();
  auto f = std::make_unique<TRealFig>(Figures);
  f->Kind = 5;
  f->PenColor = clBlack;
  f->BrushColor = clBlack;
  f->BrushStyle = 0;
  f->SetNodePoint(0, {double(ScreenToWorldX(map, 96)), double(ScreenToWorldY(map, 192)), 0});
  f->SetNodePoint(2, {double(ScreenToWorldX(map, 192)), double(ScreenToWorldY(map, 240)), 0});
  f->NodeCountUsed = 3;
  UpdateFigurePoints(*f);
  Figures->AddFigure(f.get());
  // Some text far from the figure.
  form->CurrentI = 1;
  form->InsertChar(nullptr, nullptr, false, form->MainFont(), 0, 'W');
  const TPoint anchor = form->CharPositions[1];
  // The figure's ink on the page at 100 %.
  form->RefreshAllImages(nullptr, true);
  const QImage page = form->MainImage->Bitmap().Image().convertToFormat(QImage::Format_RGB32);
  const TRect onPage = InkBox(page.copy(80, 180, 130, 80), IsDark);
  ASSERT_GT(onPage.Right, 0);
  // At another zoom level: printing puts it back and the document is not changed by it.
  Figures->SetZoomLevel(6);
  form->Modified = false;
  form->FileModified = false;
  const std::string pdf = AppDir() + "figures.pdf";
  AnswerPdf(pdf);
  form->tbPrint->click();
  EXPECT_EQ(Figures->ZoomLevel(), 6);
  EXPECT_FALSE(form->Modified);
  EXPECT_FALSE(form->FileModified);
  EXPECT_EQ(SelectionRect, TRect(0, 0, 0, 0));
  const QImage sheet = RenderPdf(pdf);
  ASSERT_FALSE(sheet.isNull());
  const TPrinterValues v = ReadPrinterValues(printer);
  auto X = [&](double px) { return OnSheet(v.OffX, v.DpiX, px); };
  auto Y = [&](double px) { return OnSheet(v.OffY, v.DpiY, px); };
  // The figure's ink at its physical size and place on the sheet.
  const TRect figureArea(int(X(80)), int(Y(180)), int(X(210)), int(Y(260)));
  const TRect ink =
      InkBox(sheet.copy(figureArea.Left, figureArea.Top, figureArea.Width(), figureArea.Height()), IsDark);
  EXPECT_NEAR(ink.Left + figureArea.Left, X(80 + onPage.Left), 1.5);
  EXPECT_NEAR(ink.Top + figureArea.Top, Y(180 + onPage.Top), 1.5);
  EXPECT_NEAR(ink.Right + figureArea.Left, X(80 + onPage.Right), 1.5);
  EXPECT_NEAR(ink.Bottom + figureArea.Top, Y(180 + onPage.Bottom), 1.5);
  // The character's ink sits on its baseline, right of its anchor.
  const int ax = int(X(anchor.X)), ay = int(Y(anchor.Y));
  const TRect glyph = InkBox(sheet.copy(ax - 30, ay - 60, 90, 90), IsDark);
  ASSERT_GT(glyph.Right, 0);
  EXPECT_LE(std::abs(glyph.Bottom - 60), 3);
}

TEST_F(PrintingTest, OrientationQuestionAndNoPrinter) {
  TForm1* form = CreateStartupWindows();
  PageSetupDialog->SetPageStyle(0);  // A4 landscape
  PageSetupDialog->SetUpPage(nullptr, false, 1);
  QPrinter& printer = Printer();
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Portrait);
  // Cancel: nothing is asked for and nothing is printed.
  rec->Answer(mrCancel);
  form->Print1->trigger();
  ASSERT_EQ(rec->Messages().size(), 1u);
  EXPECT_EQ(
      rec->Messages()[0].Text.rfind("Your printer is currently set to portrait \rbut your page is in landscape", 0),
      0u);
  EXPECT_EQ(rec->Messages()[0].HelpCtx, 90);
  EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
  EXPECT_TRUE(form->tbPrint->isEnabled());
  // OK turns the printer and prints.
  rec->Clear();
  rec->Answer(mrOk);
  const std::string pdf = AppDir() + "turned.pdf";
  AnswerPdf(pdf);
  form->Print1->trigger();
  EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
  const QImage sheet = RenderPdf(pdf);
  ASSERT_FALSE(sheet.isNull());
  EXPECT_GT(sheet.width(), sheet.height());
  // Without a printer the commands only say so.
  rec->Clear();
  PrinterPresent = false;
  form->Print1->trigger();
  form->SetupPrinter1->trigger();
  PrinterPresent = true;
  EXPECT_EQ(rec->Texts(),
            (std::vector<std::string>{
                "No default printer installed. Please select a default printer\rand restart the application.",
                "Default Printer not set. To avoid this message install HP Laser Jet III\rprinter from your "
                "Windows disk even though you do not need it"}));
  // With one, set-up shows the print dialog (answered here); the check alone shows nothing.
  rec->Clear();
  int dialogs = 0;
  PrinterDialogHook = [&dialogs](QPrinter&) { return ++dialogs > 0; };
  form->SetupPrinter1->trigger();
  form->SetupPrinter1Click(nullptr);
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(rec->Texts().empty());
}

TEST_F(PrintingTest, PreviewShowsTheSheetAndPrintsOnlyWhenAsked) {
  TForm1* form = StartA4Page();
  QPrinter& printer = Printer();
  PlacePicture(form, AppDir() + "red.bmp", Qt::red, TRect(100, 120, 196, 168));
  PlaceImageObject(form, Qt::blue, TRect(250, 40, 346, 136));
  struct Case {
    const char* how;
    bool prints;
  };
  for (const Case& c : {Case{"cancel", false}, Case{"escape", false}, Case{"print", true}}) {
    const std::string pdf = AppDir() + "preview-" + c.how + ".pdf";
    int asked = 0;
    AnswerPdf(pdf, &asked);
    TRect page, printable;
    QImage sheet;
    std::string title;
    PrintPreviewHook = [&](TPrintPreview& w) {
      EXPECT_EQ(PrintPreview, &w);
      title = w.windowTitle().toStdString();
      page = w.SheetPageRect;
      printable = w.SheetPrintableRect;
      sheet = w.SheetBitmap->Image().convertToFormat(QImage::Format_RGB32);
      EXPECT_EQ(w.width(), sheet.width() + 20);
      EXPECT_EQ(w.OKBtn->y(), sheet.height() + w.SheetTop + 5);
      EXPECT_EQ(w.OKBtn->text(), "&Print");
      if (std::string(c.how) == "escape") {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&w, &esc);
        return w.result();
      }
      return std::string(c.how) == "print" ? int(QDialog::Accepted) : int(QDialog::Rejected);
    };
    form->PrintPreview1->trigger();
    EXPECT_EQ(PrintPreview, nullptr);
    EXPECT_EQ(title, "Korvalis V: Print Preview");
    EXPECT_EQ(asked, c.prints ? 1 : 0) << c.how;
    EXPECT_EQ(FileExists(pdf), c.prints) << c.how;
    // The sheet: the page from its corner, the printable area inside the margins.
    const TPrinterValues v = ReadPrinterValues(printer);
    QSize screen = QGuiApplication::primaryScreen()->size();
    const TPreviewSizes s =
        ComputePreviewSizes(96, v.DpiX, v.DpiY, v.PaperWidth, v.PaperHeight, screen.width(), screen.height());
    EXPECT_EQ(sheet.size(), QSize(int(std::nearbyint(s.W)), int(std::nearbyint(s.H))));
    EXPECT_EQ(page, TRect(0, 0, int(std::nearbyint(PageWidth * s.Scale)), int(std::nearbyint(PageHeight * s.Scale))));
    EXPECT_NEAR(printable.Left, std::nearbyint(v.OffX * s.Scale * s.sx), 1.0);
    // The picture in the preview's scale, and the object's red name label in its centre.
    const TRect red = InkBox(sheet.copy(0, 0, sheet.width(), int(100 * s.Scale)), IsRed);
    const TRect blue = InkBox(sheet, IsBlue);
    EXPECT_NEAR(blue.Left, 250 * s.Scale, 1.5);
    EXPECT_NEAR(blue.Top, 40 * s.Scale, 1.5);
    EXPECT_GT(red.Right, 0) << "label";
    EXPECT_GT(red.Left, blue.Left);
    EXPECT_LT(red.Right, blue.Right);
  }
  ClearTables(form);
}

// Image objects are children of the page image: their bounds are page pixels however the page is
// scrolled. The preview and the print put them where the page has them, with the page scrolled.
TEST_F(PrintingTest, ImageObjectsKeepTheirPagePlaceWhenThePageIsScrolled) {
  TForm1* form = StartA4Page();
  form->show();
  form->resize(700, 500);
  QApplication::processEvents();
  QScrollBar* bar = form->ScrollBox1->verticalScrollBar();
  ASSERT_TRUE(bar->isVisible());
  bar->setValue(300);
  QApplication::processEvents();
  ASSERT_EQ(form->GetScrollOffset().Y, 300);
  const TRect object(250, 40, 298, 88);
  PlaceImageObject(form, Qt::blue, object);
  // The preview.
  TRect blueInPreview;
  double scale = 0;
  PrintPreviewHook = [&](TPrintPreview& w) {
    const QImage sheet = w.SheetBitmap->Image().convertToFormat(QImage::Format_RGB32);
    blueInPreview = InkBox(sheet, IsBlue);
    scale = double(w.SheetPageRect.Right) / PageWidth;
    return int(QDialog::Rejected);
  };
  form->PrintPreview1->trigger();
  ASSERT_GT(scale, 0);
  EXPECT_NEAR(blueInPreview.Left, object.Left * scale, 1.5);
  EXPECT_NEAR(blueInPreview.Top, object.Top * scale, 1.5);
  // The print.
  const std::string pdf = AppDir() + "scrolled.pdf";
  AnswerPdf(pdf);
  form->Print1->trigger();
  const QImage sheet = RenderPdf(pdf);
  ASSERT_FALSE(sheet.isNull());
  const TRect blue = InkBox(sheet, IsBlue);
  EXPECT_NEAR(blue.Left, object.Left * RenderDpi / 96.0, OnePixel + 0.6);
  EXPECT_NEAR(blue.Top, object.Top * RenderDpi / 96.0, OnePixel + 0.6);
  ClearTables(form);
}

// The name label of an image object is red; the page's text drawn after it keeps its own colour.
TEST_F(PrintingTest, PreviewTextKeepsItsColourBesideAnImageObject) {
  TForm1* form = StartA4Page();
  form->CurrentI = 1;
  for (char ch : std::string("WWWW")) form->InsertChar(nullptr, nullptr, false, form->MainFont(), 0, ch);
  const TPoint anchor = form->CharPositions[1];
  PlaceImageObject(form, Qt::blue, TRect(400, 300, 496, 396));
  QImage sheet;
  double scale = 0;
  PrintPreviewHook = [&](TPrintPreview& w) {
    sheet = w.SheetBitmap->Image().convertToFormat(QImage::Format_RGB32);
    scale = double(w.SheetPageRect.Right) / PageWidth;
    return int(QDialog::Rejected);
  };
  form->PrintPreview1->trigger();
  ASSERT_FALSE(sheet.isNull());
  // The text's ink around its anchor: dark, none of it red.
  const int x = int(anchor.X * scale), y = int(anchor.Y * scale);
  const QImage text = sheet.copy(x - 5, y - 30, 80, 40);
  EXPECT_GT(InkBox(text, IsDark).Right, 0);
  EXPECT_EQ(InkBox(text, IsRed), TRect());
  // The label is still there, red, in the object's centre.
  EXPECT_GT(InkBox(sheet.copy(int(400 * scale), int(300 * scale), int(96 * scale), int(96 * scale)), IsRed).Right, 0);
  ClearTables(form);
}

}  // namespace

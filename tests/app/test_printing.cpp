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
#include <cmath>

#include "app/main_window.h"
#include "app/page_setup_dialog.h"
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

// A solid picture file placed on the page as picture 0.
void PlacePicture(TForm1* form, const std::string& name, QColor colour, const TRect& r) {
  QImage img(r.Width(), r.Height(), QImage::Format_RGB32);
  img.fill(colour);
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
      {600, TRect(1, 1, 795, 1124), TRect(0, 0, 4963, 7019)},  // A4 portrait at 96 ppi
      {600, TRect(97, 49, 193, 97), TRect(600, 300, 1200, 600)},
      {300, TRect(0, 0, 3, 3), TRect(-3, -3, 6, 6)},
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

TEST_F(PrintingTest, InkLandsAtItsPhysicalSizeAndPlace) {
  TForm1* form = CreateStartupWindows();
  struct Case {
    int pageStyle;
    QPageSize::PageSizeId paper;
    QPageLayout::Orientation orientation;
    QMarginsF margins;  // left, top, right, bottom in millimetres
  };
  const Case cases[] = {
      {1, QPageSize::A4, QPageLayout::Portrait, QMarginsF(10, 15, 10, 15)},
      {0, QPageSize::A4, QPageLayout::Landscape, QMarginsF(20, 5, 5, 5)},
      {3, QPageSize::A5, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)},
      {2, QPageSize::A5, QPageLayout::Landscape, QMarginsF(7.5, 12.5, 5, 5)},
  };
  const TRect picture(100, 120, 196, 168);  // one inch by half an inch
  const TRect object(250, 40, 298, 88);     // half an inch square
  for (const Case& c : cases) {
    PageSetupDialog->SetPageStyle(c.pageStyle);
    PageSetupDialog->SetUpPage(nullptr, false, 1);
    QPrinter& printer = Printer();
    printer.setPageSize(QPageSize(c.paper));
    printer.setPageOrientation(c.orientation);
    printer.setPageMargins(c.margins, QPageLayout::Millimeter);
    PlacePicture(form, AppDir() + "red.bmp", Qt::red, picture);
    PlaceImageObject(form, Qt::blue, object);
    const std::string pdf = AppDir() + "page" + std::to_string(c.pageStyle) + ".pdf";
    int asked = 0;
    AnswerPdf(pdf, &asked);
    form->Print1->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(rec->Texts().empty()) << (rec->Texts().empty() ? "" : rec->Texts()[0]);
    // A new file with the usual permissions; nothing left beside it.
    struct stat st {};
    ASSERT_EQ(stat(pdf.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(QDir(QString::fromStdString(AppDir())).entryList({"*.pdf.??????"}, QDir::Files), QStringList());
    const QImage sheet = RenderPdf(pdf);
    ASSERT_FALSE(sheet.isNull()) << pdf;
    // The printable area's corner as the printer reports it (the PDF writer keeps margins in
    // whole points).
    const TPrinterValues v = ReadPrinterValues(printer);
    EXPECT_NEAR(v.OffX * 25.4 / v.DpiX, c.margins.left(), 0.2);
    EXPECT_NEAR(v.OffY * 25.4 / v.DpiY, c.margins.top(), 0.2);
    auto X = [&](double px) { return OnSheet(v.OffX, v.DpiX, px); };
    auto Y = [&](double px) { return OnSheet(v.OffY, v.DpiY, px); };
    // The sheet itself: the paper in the chosen orientation.
    QSizeF mm = QPageSize(c.paper).size(QPageSize::Millimeter);
    if (c.orientation == QPageLayout::Landscape) mm.transpose();
    EXPECT_NEAR(sheet.width(), mm.width() / 25.4 * RenderDpi, 1.5);
    EXPECT_NEAR(sheet.height(), mm.height() / 25.4 * RenderDpi, 1.5);
    // The picture layer at page positions.
    const TRect red = InkBox(sheet, IsRed);
    EXPECT_NEAR(red.Left, X(picture.Left), OnePixel) << c.pageStyle;
    EXPECT_NEAR(red.Top, Y(picture.Top), OnePixel) << c.pageStyle;
    EXPECT_NEAR(red.Right, X(picture.Right), OnePixel) << c.pageStyle;
    EXPECT_NEAR(red.Bottom, Y(picture.Bottom), OnePixel) << c.pageStyle;
    // The image object, one page pixel up and to the left of its own corner.
    const TRect blue = InkBox(sheet, IsBlue);
    EXPECT_NEAR(blue.Left, X(object.Left - 1), OnePixel) << c.pageStyle;
    EXPECT_NEAR(blue.Top, Y(object.Top - 1), OnePixel) << c.pageStyle;
    EXPECT_NEAR(blue.Width(), object.Width() * RenderDpi / 96.0, 1.5) << c.pageStyle;
    EXPECT_NEAR(blue.Height(), object.Height() * RenderDpi / 96.0, 1.5) << c.pageStyle;
    ClearTables(form);
  }
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

}  // namespace

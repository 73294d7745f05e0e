// Picture export of the page and of a part of it: every format read back by independent readers
// (Pillow, djpeg, pngcheck, libwmf), the Save All and Save Selection As commands with their
// dialogs answered by the test, the overwrite checks and a write into a folder that cannot be
// written.
#include <sys/stat.h>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QTimer>
#include <deque>

#include "cad/engine.h"
#include "cad/figure.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "platform/metafile.h"
#include "platform/zqv_ini_file.h"

#include "app/main_window.h"
#include "helpers/page_surface.h"
#include "main_window_fixture.h"

namespace {

struct ExportTest : MainWindowFixture {};

// Flat areas of colours every reduced palette holds: white, black, red, blue, yellow.
void PaintPage(TForm1* form) {
  QImage& page = form->MainImage->Bitmap().Image();
  QPainter p(&page);
  p.fillRect(page.rect(), Qt::white);
  p.fillRect(10, 10, 40, 30, QColor(255, 0, 0));
  p.fillRect(60, 15, 30, 50, QColor(0, 0, 255));
  p.fillRect(20, 60, 50, 20, QColor(255, 255, 0));
  p.fillRect(95, 5, 10, 70, QColor(0, 0, 0));
}

double MeanDifference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
    }
  return sum / (3.0 * a.width() * a.height());
}

QImage PageArea(TForm1* form, const TRect& r) {
  return form->MainImage->Bitmap().Image().copy(r.Left, r.Top, r.Right - r.Left + 1, r.Bottom - r.Top + 1);
}

int MaxDifference(const QImage& a, const QImage& b) {
  int worst = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      worst = std::max(
          {worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
    }
  return worst;
}

// Runs a program; true when it ran and ended with exit code 0.
bool RunProgram(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(60000)) return false;
  if (out) *out = p.readAllStandardOutput();
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The picture file decoded by Pillow (its own decoders), as RGB laid on white (the page colour,
// which a transparent export leaves out); null when Pillow refused it.
QImage ReadWithPillow(const std::string& name) {
  const QString ppm = QString::fromStdString(name) + ".pillow.ppm";
  const bool ok = RunProgram("/usr/bin/python3", {"-c",
                                                  "import sys\nfrom PIL import Image\n"
                                                  "im = Image.open(sys.argv[1]).convert('RGBA')\n"
                                                  "Image.alpha_composite(Image.new('RGBA', im.size, 'white'), im)"
                                                  ".convert('RGB').save(sys.argv[2], 'PPM')",
                                                  QString::fromStdString(name), ppm});
  return ok ? QImage(ppm).convertToFormat(QImage::Format_RGB32) : QImage();
}

// Pillow's own JPEG of the same pixels at the same quality, decoded again: what JPEG itself
// loses on this picture.
QImage PillowJpegRoundTrip(const QImage& image, int quality) {
  const QString png = QString::fromStdString(AppDir()) + "reference.png";
  const QString ppm = QString::fromStdString(AppDir()) + "reference.ppm";
  image.save(png);
  const bool ok = RunProgram("/usr/bin/python3",
                             {"-c",
                              "import sys, io\nfrom PIL import Image\nb = io.BytesIO()\n"
                              "Image.open(sys.argv[1]).convert('RGB').save(b, 'JPEG', quality=int(sys.argv[3]))\n"
                              "b.seek(0)\nImage.open(b).convert('RGB').save(sys.argv[2], 'PPM')",
                              png, ppm, QString::number(quality)});
  return ok ? QImage(ppm).convertToFormat(QImage::Format_RGB32) : QImage();
}

TEST_F(ExportTest, EveryRasterFormatHoldsThePageArea) {
  TForm1* form = CreateStartupWindows();
  PaintPage(form);
  // The page colour is the transparent colour of a transparent export; the pixels stay.
  struct Case {
    const char* name;
    int variant;
    bool transparency;  // the format carries the option
  };
  const Case cases[] = {{"full.bmp", 0, false}, {"full1.bmp", 1, false}, {"c16.bmp", 2, false}, {"c256.bmp", 3, false},
                        {"web.bmp", 4, false},  {"p.png", 0, true},      {"g.gif", 0, true},    {"z.zqg", 0, true}};
  struct Pass {
    bool transparent;
    TRect area;
  };
  for (const Pass pass :
       {Pass{true, TRect(0, 0, 119, 89)}, Pass{true, TRect(12, 8, 70, 40)}, Pass{false, TRect(12, 8, 70, 40)}}) {
    const bool transparent = pass.transparent;
    const TRect area = pass.area;
    form->TransparentImages1->setChecked(transparent);
    {
      const QImage expected = PageArea(form, area).convertToFormat(QImage::Format_RGB32);
      for (const Case& c : cases) {
        if (!transparent && !c.transparency) continue;
        const std::string name = AppDir() + c.name;
        form->SaveGraphic(name, area, c.variant);
        EXPECT_TRUE(rec->Texts().empty()) << c.name << ": " << (rec->Texts().empty() ? "" : rec->Texts()[0]);
        const QImage back = ReadWithPillow(name);
        ASSERT_FALSE(back.isNull()) << c.name;
        ASSERT_EQ(back.size(), expected.size()) << c.name;
        EXPECT_EQ(MaxDifference(back, expected), 0) << c.name << " transparent " << transparent;
      }
      EXPECT_TRUE(RunProgram("/usr/bin/pngcheck", {"-q", QString::fromStdString(AppDir() + "p.png")}));
      // The GIF leaves the page colour out exactly when the option is on.
      QByteArray info;
      EXPECT_TRUE(RunProgram("/usr/bin/python3",
                             {"-c",
                              "import sys\nfrom PIL import Image\n"
                              "print(Image.open(sys.argv[1]).convert('RGBA').getpixel((0, 0))[3])",
                              QString::fromStdString(AppDir() + "g.gif")},
                             &info));
      EXPECT_EQ(info.trimmed().toInt(), transparent ? 0 : 255);
      if (!transparent) continue;
      // JPEG loses what JPEG loses: no more than Pillow's own encoder at the same quality.
      const std::string jpg = AppDir() + "j.jpg";
      form->SaveGraphic(jpg, area, 0);
      const QImage back = ReadWithPillow(jpg), reference = PillowJpegRoundTrip(expected, 75);
      ASSERT_EQ(back.size(), expected.size());
      ASSERT_EQ(reference.size(), expected.size());
      EXPECT_LE(MeanDifference(back, expected), MeanDifference(reference, expected) + 1.0);
      EXPECT_LE(MaxDifference(back, expected), MaxDifference(reference, expected) + 16);
      QByteArray djpeg;
      EXPECT_TRUE(RunProgram("/usr/bin/djpeg", {"-pnm", QString::fromStdString(jpg)}, &djpeg));
      EXPECT_EQ(QImage::fromData(djpeg).size(), expected.size());
    }
  }
  // 256 greys: every pixel grey, darker where the page is darker.
  const TRect area(0, 0, 119, 89);
  form->SaveGraphic(AppDir() + "grey.bmp", area, 5);
  QImage grey = ReadWithPillow(AppDir() + "grey.bmp");
  ASSERT_EQ(grey.size(), QSize(120, 90));
  for (int y = 0; y < 90; y += 3)
    for (int x = 0; x < 120; x += 3) {
      const QRgb p = grey.pixel(x, y);
      ASSERT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
    }
  EXPECT_GT(qRed(grey.pixel(0, 0)), qRed(grey.pixel(15, 15)));
  EXPECT_EQ(qRed(grey.pixel(100, 10)), 0);
}

TEST_F(ExportTest, SmallestAreaAndUnknownVariantOrExtension) {
  TForm1* form = CreateStartupWindows();
  PaintPage(form);
  form->SaveGraphic(AppDir() + "two.bmp", TRect(10, 10, 11, 11), 0);
  EXPECT_EQ(QImage(QString::fromStdString(AppDir() + "two.bmp")).size(), QSize(2, 2));
  form->SaveGraphic(AppDir() + "none.txt", TRect(10, 10, 11, 11), 0);
  EXPECT_FALSE(FileExists(AppDir() + "none.txt"));
  form->SaveGraphic(AppDir() + "bad.bmp", TRect(10, 10, 11, 11), 9);
  EXPECT_FALSE(FileExists(AppDir() + "bad.bmp"));
  ASSERT_EQ(rec->Texts().size(), 1u);
  EXPECT_EQ(rec->Texts()[0], "Unable to save the picture " + AppDir() + "bad.bmp\rNo picture of the chosen colours could be made");
  form->SaveGraphic("", TRect(10, 10, 11, 11), 0);
  EXPECT_EQ(rec->Texts().size(), 1u);
}

TEST_F(ExportTest, UnwritableFolderLeavesNoFileAndSaysSo) {
  TForm1* form = CreateStartupWindows();
  PaintPage(form);
  const std::string folder = "/proc/no-such-folder/";
  struct Case {
    const char* name;
    const char* message;
  };
  // Every format says the same: which file could not be saved, and why.
  for (const char* name : {"a.png", "a.jpg", "a.bmp", "a.gif", "a.emf", "a.wmf"}) {
    const Case c{name, nullptr};
    rec->Clear();
    form->SaveGraphic(folder + c.name, TRect(0, 0, 20, 20), 0);
    ASSERT_EQ(rec->Texts().size(), 1u) << c.name;
    EXPECT_EQ(rec->Texts()[0].rfind("Unable to save the picture " + folder + c.name + "\r", 0), 0u) << rec->Texts()[0];
    EXPECT_FALSE(FileExists(folder + c.name));
  }
}

TEST_F(ExportTest, ReadOnlyTargetIsRefusedWithTheOperationsName) {
  TForm1* form = CreateStartupWindows();
  const std::string name = AppDir() + "ro.bmp";
  WriteFileAtomically(name, "x", 1);
  chmod(name.c_str(), 0444);
  EXPECT_FALSE(form->ConfirmOverwrite(name, "Save Selection As"));
  EXPECT_EQ(rec->Texts(),
            (std::vector<std::string>{"The file " + name + " is a read only file. Exiting Save Selection As"}));
  chmod(name.c_str(), 0644);
}

// The answers a test gives the picture save dialogs, and what the dialogs were shown.
struct TDialogScript {
  struct TAnswer {
    std::string name;
    int filterIndex;
  };
  std::deque<TAnswer> answers;
  std::vector<std::string> titles, filters, folders;
  decltype(PictureDialogHook) previous = PictureDialogHook;
  void Install() {
    PictureDialogHook = [this](const std::string& title, const std::string& folder, const std::string& filter,
                               int& index) {
      titles.push_back(title), filters.push_back(filter), folders.push_back(folder);
      if (answers.empty()) return std::string();
      const TAnswer a = answers.front();
      answers.pop_front();
      index = a.filterIndex;
      return a.name;
    };
  }
  ~TDialogScript() { PictureDialogHook = previous; }
};

// Some pixel within two of (x, y) is not white.
bool InkNear(const QImage& img, int x, int y) {
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx)
      if (img.valid(x + dx, y + dy) && (img.pixel(x + dx, y + dy) & 0xFFFFFF) != 0xFFFFFF) return true;
  return false;
}

// Puts a shown selection band on the page, as the select tool leaves it.
void ShowBand(TForm1* form, const TRect& r) {
  SelectionRect = r;
  form->DrawDragRect(form->MainImage->Canvas(), false, r.TopLeft(), r.BottomRight());
  SelectionRectShown = true;
}

TEST_F(ExportTest, SaveSelectionAsWritesTheBandsAreaByTheItemsVariant) {
  TForm1* form = CreateStartupWindows();
  PaintPage(form);
  const TRect area(12, 8, 70, 40);
  const QImage expected = PageArea(form, area).convertToFormat(QImage::Format_RGB32);
  struct Case {
    QAction* item;
    const char* typed;
    int filterIndex;
    const char* written;
  };
  const Case cases[] = {
      {form->gifjpgemf2, "sel.png", 4, "sel.png"},         // a typed picture extension picks the format
      {form->gifjpgemf2, "typed_as.jpg", 1, "typed_as.jpg"},  // also against the bitmap filter
      {form->gifjpgemf1, "sel2", 7, "sel2.png"},           // the popup's first item, PNG filter
      {form->N16ColorBitmap2, "sel3.gif", 6, "sel3.bmp"},  // bitmap items always write ".bmp"
      {form->FullColorBitmap1, "sel4.txt", 1, "sel4.bmp"},
  };
  for (const Case& c : cases) {
    TDialogScript script;
    script.answers.push_back({AppDir() + c.typed, c.filterIndex});
    script.Install();
    ShowBand(form, area);
    const QImage bandless = form->MainImage->Bitmap().Image().copy();
    c.item->trigger();
    EXPECT_TRUE(rec->Texts().empty()) << c.written << ": " << (rec->Texts().empty() ? "" : rec->Texts()[0]);
    ASSERT_EQ(script.titles.size(), 1u);
    EXPECT_EQ(script.filters[0].find("Device Independant Bitmap (*.bmp)|*.bmp"), 0u);
    const QImage back = ReadWithPillow(AppDir() + c.written);
    ASSERT_EQ(back.size(), expected.size()) << c.written;
    if (std::string(c.written).find(".jpg") != std::string::npos) {
      std::string head(2, '\0');
      FILE* f = fopen((AppDir() + c.written).c_str(), "rb");
      ASSERT_NE(f, nullptr);
      ASSERT_EQ(fread(head.data(), 1, 2, f), 2u);
      fclose(f);
      EXPECT_EQ(head, "\xFF\xD8") << "written as a JPEG";
    }
    if (std::string(c.written).find(".jpg") == std::string::npos) {
      EXPECT_EQ(MaxDifference(back, expected), 0) << c.written;
    }
    // The band is gone from the page and from the picture; the selection is cleared.
    EXPECT_FALSE(SelectionRectShown);
    EXPECT_EQ(SelectionRect, TRect(0, 0, 0, 0));
    EXPECT_EQ(TZQVIniFile(PageIniName).ReadString("General", "Picture_Directory", ""),
              AppDir().substr(0, AppDir().size() - 1));
    (void)bandless;
  }
  // Without a selection nothing is asked and nothing is said.
  TDialogScript script;
  script.Install();
  form->N16ColorBitmap2->trigger();
  EXPECT_TRUE(script.titles.empty());
  EXPECT_TRUE(rec->Texts().empty());
}

TEST_F(ExportTest, SaveSelectionAsAsksAboutNamesOfThePagesPictures) {
  TForm1* form = CreateStartupWindows();
  PaintPage(form);
  const std::string taken = AppDir() + "taken.bmp";
  Pictures[0].SetName(taken);
  Pictures[0].Rect = TStoredRect::From(TRect(200, 200, 210, 210));
  form->PictureCount = 1;
  // Abort abandons the name; Yes keeps it; No asks again and a free name is taken.
  struct Case {
    std::vector<int> answers;
    std::vector<std::string> names;
    std::string message;
    std::string written;
  };
  const Case cases[] = {
      {{mrAbort}, {"taken.bmp"}, "Invalid file name.", ""},
      {{mrYes}, {"taken.bmp"}, "", "taken.bmp"},
      {{mrNo}, {"taken.bmp", "free.bmp"}, "", "free.bmp"},
  };
  for (const Case& c : cases) {
    rec->Clear();
    for (int a : c.answers) rec->Answer(a);
    TDialogScript script;
    for (const auto& n : c.names) script.answers.push_back({AppDir() + n, 1});
    script.Install();
    std::remove((AppDir() + "taken.bmp").c_str());
    std::remove((AppDir() + "free.bmp").c_str());
    SelectionRect = TRect(0, 0, 30, 30);
    form->FullColorBitmap2->trigger();
    ASSERT_FALSE(rec->Messages().empty());
    EXPECT_EQ(rec->Messages()[0].Text.rfind("The file name you have chosen already belongs", 0), 0u);
    EXPECT_EQ(rec->Messages()[0].HelpCtx, 290);
    if (!c.message.empty()) {
      EXPECT_EQ(rec->Texts().back(), c.message);
    }
    if (!c.written.empty()) {
      EXPECT_TRUE(FileExists(AppDir() + c.written)) << c.written;
    } else {
      EXPECT_FALSE(FileExists(AppDir() + "taken.bmp"));
    }
  }
  form->PictureCount = 0;
  Pictures[0] = TPictureRec();
}

TEST_F(ExportTest, SaveAllWritesTheWholePageAndLeavesTheDocumentUnsaved) {
  TForm1* form = CreateStartupWindows();
  PaintPage(form);
  const QImage page = form->MainImage->Bitmap().Image().convertToFormat(QImage::Format_RGB32);
  form->Modified = true;
  ShowBand(form, TRect(5, 5, 40, 40));
  struct Case {
    const char* typed;
    int filterIndex;
    const char* written;
  };
  for (const Case& c : {Case{"all.txt", 1, "all.bmp"}, Case{"all", 7, "all.png"}, Case{"all", 6, "all.gif"},
                        Case{"typed.bmp", 5, "typed.bmp"}, Case{"typed_as.gif", 1, "typed_as.gif"}}) {
    TDialogScript script;
    script.answers.push_back({AppDir() + c.typed, c.filterIndex});
    script.Install();
    form->SaveAllAsbmp1->trigger();
    ASSERT_EQ(script.titles, std::vector<std::string>{"Korvalis V - Save Picture File"});
    EXPECT_EQ(script.filters[0].find("Device Independant Bitmap (*.bmp)|*.bmp|Enhanced Metafile"), 0u);
    EXPECT_TRUE(rec->Texts().empty()) << (rec->Texts().empty() ? "" : rec->Texts()[0]);
    const QImage back = ReadWithPillow(AppDir() + c.written);
    ASSERT_EQ(back.size(), page.size()) << c.written;
    // The band was taken off the page before it was written.
    EXPECT_EQ(MaxDifference(back, page), 0) << c.written;
  }
  EXPECT_TRUE(form->Modified);
  EXPECT_EQ(SelectionRect, TRect(0, 0, 0, 0));
  // An existing read-only file is refused with the command's name.
  const std::string ro = AppDir() + "ro.bmp";
  WriteFileAtomically(ro, "x", 1);
  chmod(ro.c_str(), 0444);
  TDialogScript script;
  script.answers.push_back({ro, 1});
  script.Install();
  form->SaveAllAsbmp1->trigger();
  EXPECT_EQ(rec->Texts(),
            std::vector<std::string>{"The file " + ro + " is a read only file. Exiting Save All As Graphic"});
  chmod(ro.c_str(), 0644);
}

// The export's own save dialog: it asks nothing about overwriting (the command asks, about the
// final name), and a name typed without an extension takes the type the user picked.
TEST_F(ExportTest, SaveDialogLeavesTheOverwriteQuestionToTheCommand) {
  TForm1* form = CreateStartupWindows();
  const auto previous = PictureDialogHook;
  PictureDialogHook = nullptr;
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    seen = true;
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog->defaultSuffix(), "bmp");
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    types->setCurrentIndex(6);
    emit types->activated(6);
    emit types->textActivated(types->itemText(6));
    EXPECT_EQ(dialog->defaultSuffix(), "png");
    dialog->reject();
  });
  form->SaveAllAsbmp1->trigger();
  PictureDialogHook = previous;
  EXPECT_TRUE(seen);
  EXPECT_TRUE(rec->Texts().empty());
}

TEST_F(ExportTest, MetafileExportsDrawTheFiguresOfTheArea) {
  TForm1* form = CreateStartupWindows();
  ASSERT_NE(Figures, nullptr);
  // A black rectangle outline from page pixel (20, 20) to (80, 60).
  auto f = std::make_unique<TRealFig>(Figures);
  f->Kind = 8;
  f->PenColor = clBlack;
  const TMappingRec map = Figures->GetMapping();
  f->SetNodePoint(0, {double(ScreenToWorldX(map, 20)), double(ScreenToWorldY(map, 20)), 0});
  f->SetNodePoint(2, {double(ScreenToWorldX(map, 80)), double(ScreenToWorldY(map, 60)), 0});
  f->NodeCountUsed = 3;
  UpdateFigurePoints(*f);
  Figures->AddFigure(f.get());
  form->RefreshAllImages(nullptr, true);
  const TRect area(10, 10, 100, 100);
  for (const char* name : {"m.emf", "m.wmf"}) {
    const std::string file = AppDir() + name;
    form->SaveGraphic(file, area, 0);
    EXPECT_TRUE(rec->Texts().empty());
    TMetafile back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.Enhanced, std::string(name) == "m.emf") << name;
    EXPECT_EQ(back.Width(), 90);
    EXPECT_EQ(back.Height(), 90);
    TBitmap drawn(90, 90);
    back.Draw(drawn.Canvas(), TRect(0, 0, 90, 90));
    const QImage img = drawn.Image();
    // The outline's corners at (10, 10) and (70, 50) inside the area.
    EXPECT_TRUE(InkNear(img, 10, 30)) << name;
    EXPECT_TRUE(InkNear(img, 40, 10)) << name;
    EXPECT_TRUE(InkNear(img, 70, 30)) << name;
    EXPECT_FALSE(InkNear(img, 40, 30)) << name;
  }
  // libwmf reads the old-style file and draws the outline (it fits the drawing's own extent to
  // its picture).
  const QString png = QString::fromStdString(AppDir() + "m.png");
  ASSERT_TRUE(RunProgram("/usr/bin/wmf2gd", {"-t", "png", "-o", png, QString::fromStdString(AppDir() + "m.wmf")}));
  const QImage wmf(png);
  ASSERT_FALSE(wmf.isNull());
  const int w = wmf.width(), h = wmf.height();
  EXPECT_TRUE(InkNear(wmf, w / 2, 1));
  EXPECT_TRUE(InkNear(wmf, 1, h / 2));
  EXPECT_TRUE(InkNear(wmf, w - 2, h / 2));
  EXPECT_FALSE(InkNear(wmf, w / 2, h / 2));
}

// Readers that ignore transparency show the transparent entry's own colour: a transparent GIF or
// ".zqg" export keeps the page's background colour there, not black.
TEST_F(ExportTest, TransparentGifKeepsTheBackgroundColourInItsTransparentEntry) {
  TForm1* form = CreateStartupWindows();
  PaintPage(form);
  form->TransparentImages1->setChecked(true);
  for (const auto& [typed, filterIndex] : {std::pair{"opaque.gif", 6}, std::pair{"opaque.zqg", 5}}) {
    const std::string name = AppDir() + typed;
    // The whole page through Save All As Graphic, then a part through Save Selection As.
    for (bool selection : {false, true}) {
      SCOPED_TRACE(std::string(typed) + (selection ? " selection" : " page"));
      TDialogScript script;
      script.answers.push_back({name, filterIndex});
      script.Install();
      std::remove(name.c_str());
      if (selection) {
        SelectionRect = TRect(0, 0, 119, 89);
        form->gifjpgemf2->trigger();
      } else {
        form->SaveAllAsbmp1->trigger();
      }
      ASSERT_TRUE(FileExists(name));
      EXPECT_TRUE(rec->Texts().empty()) << (rec->Texts().empty() ? "" : rec->Texts()[0]);
      QByteArray out;
      ASSERT_TRUE(RunProgram("/usr/bin/python3",
                             {"-c",
                              "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
                              "t = im.info.get('transparency')\n"
                              "rgb = im.convert('RGB')\n"
                              "print(t is not None, *rgb.getpixel((0, 0)), *rgb.getpixel((15, 15)))",
                              QString::fromStdString(name)},
                             &out));
      EXPECT_EQ(out.trimmed().toStdString(), "True 255 255 255 255 0 0");
    }
  }
}

// The old-style metafile export holds the pictures and image objects of the page, as the
// enhanced one does: libwmf draws them.
TEST_F(ExportTest, OldStyleMetafileExportHoldsPicturesAndImageObjects) {
  TForm1* form = CreateStartupWindows();
  // A red picture and a blue image object.
  const TRect picture(20, 20, 80, 60), object(100, 40, 140, 100);
  {
    QImage img(picture.Width(), picture.Height(), QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(QString::fromStdString(AppDir() + "red.bmp"), "BMP"));
    Pictures[0] = TPictureRec();
    Pictures[0].SetName(AppDir() + "red.bmp");
    Pictures[0].Rect = TStoredRect::From(picture);
    form->PictureCount = 1;
  }
  auto* image = new TSizeChangedImage(form->ScrollBox1->widget());
  image->setGeometry(object.Left, object.Top, object.Width(), object.Height());
  auto bitmap = std::make_unique<TBitmap>(object.Width(), object.Height());
  bitmap->Image().fill(Qt::blue);
  image->Picture.SetGraphic(std::move(bitmap));
  form->Images[0] = image;
  form->ImageRecs[0] = TImageObjectRec();
  form->ImageRecs[0].Rect = TStoredRect::From(object);
  form->ImageCount = 1;
  form->RefreshAllImages(nullptr, true);
  auto coloured = [](const QImage& img, auto match) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) n += match(img.pixel(x, y));
    return n;
  };
  auto red = [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; };
  auto blue = [](QRgb p) { return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60; };
  for (bool selection : {false, true}) {
    SCOPED_TRACE(selection ? "selection" : "page");
    const std::string wmf = AppDir() + (selection ? "sel.wmf" : "page.wmf");
    TDialogScript script;
    script.answers.push_back({wmf, 3});
    script.Install();
    if (selection) {
      SelectionRect = TRect(10, 10, 150, 110);
      form->gifjpgemf2->trigger();
    } else {
      form->SaveAllAsbmp1->trigger();
    }
    EXPECT_TRUE(rec->Texts().empty()) << (rec->Texts().empty() ? "" : rec->Texts()[0]);
    // libwmf: the picture and the object in their colours, the picture left of the object.
    const QString png = QString::fromStdString(wmf + ".png");
    ASSERT_TRUE(RunProgram("/usr/bin/wmf2gd", {"-t", "png", "-o", png, QString::fromStdString(wmf)}));
    const QImage drawn = QImage(png).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(drawn.isNull());
    EXPECT_GT(coloured(drawn, red), 20);
    EXPECT_GT(coloured(drawn, blue), 20);
    QByteArray svg;
    ASSERT_TRUE(RunProgram("/usr/bin/wmf2svg", {QString::fromStdString(wmf)}, &svg));
    EXPECT_EQ(svg.count("<image"), 2);
    // The program reads its own file back with the pictures where they were.
    TMetafile back;
    back.LoadFromFile(wmf);
    TBitmap again(back.Width(), back.Height());
    again.Image().fill(Qt::white);
    back.Draw(again.Canvas(), TRect(0, 0, back.Width(), back.Height()));
    const QImage a = again.Image().convertToFormat(QImage::Format_RGB32);
    const int dx = selection ? 10 : 0, dy = selection ? 10 : 0;
    EXPECT_TRUE(red(a.pixel(picture.Left - dx + 5, picture.Top - dy + 5)));
    EXPECT_TRUE(blue(a.pixel(object.Left - dx + 5, object.Top - dy + 5)));
  }
  form->PictureCount = 0;
  Pictures[0] = TPictureRec();
}

}  // namespace

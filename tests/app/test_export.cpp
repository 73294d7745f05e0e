// Picture export of the page and of a part of it: every format read back by Qt's own readers,
// the overwrite checks and a write into a folder that cannot be written.
#include <QImage>
#include <QPainter>
#include <sys/stat.h>

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

QImage PageArea(TForm1* form, const TRect& r) {
  return form->MainImage->Bitmap().Image().copy(r.Left, r.Top, r.Right - r.Left + 1, r.Bottom - r.Top + 1);
}

int MaxDifference(const QImage& a, const QImage& b) {
  int worst = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                        std::abs(qBlue(p) - qBlue(q))});
    }
  return worst;
}

TEST_F(ExportTest, EveryRasterFormatHoldsThePageArea) {
  TForm1* form = CreateStartupWindows();
  PaintPage(form);
  struct Case {
    const char* name;
    int variant;
    int tolerance;
  };
  const Case cases[] = {{"full.bmp", 0, 0},  {"full1.bmp", 1, 0}, {"c16.bmp", 2, 0},   {"c256.bmp", 3, 0},
                        {"web.bmp", 4, 0},   {"p.png", 0, 0}};
  for (const TRect area : {TRect(0, 0, 119, 89), TRect(12, 8, 70, 40)}) {
    const QImage expected = PageArea(form, area);
    for (const Case& c : cases) {
      const std::string name = AppDir() + c.name;
      form->SaveGraphic(name, area, c.variant);
      EXPECT_TRUE(rec->Texts().empty()) << c.name << ": " << (rec->Texts().empty() ? "" : rec->Texts()[0]);
      QImage back(QString::fromStdString(name));
      ASSERT_FALSE(back.isNull()) << c.name;
      ASSERT_EQ(back.size(), expected.size()) << c.name;
      EXPECT_LE(MaxDifference(back, expected), c.tolerance) << c.name;
    }
  }
  // 256 greys: every pixel grey, darker where the page is darker.
  const TRect area(0, 0, 119, 89);
  form->SaveGraphic(AppDir() + "grey.bmp", area, 5);
  QImage grey(QString::fromStdString(AppDir() + "grey.bmp"));
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
  EXPECT_NE(rec->Texts()[0].find("TForm1.SaveGraphic: Bitmap unnassigned"), std::string::npos);
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
  for (const Case& c : {Case{"a.png", "TForm1.SaveGraphic saving PNG->"}, Case{"a.jpg", "TForm1.SaveGraphic saving JPEG->"},
                        Case{"a.bmp", "TForm1.SaveGraphic saving bitmap->"}}) {
    rec->Clear();
    form->SaveGraphic(folder + c.name, TRect(0, 0, 20, 20), 0);
    ASSERT_EQ(rec->Texts().size(), 1u) << c.name;
    EXPECT_EQ(rec->Texts()[0].rfind(c.message, 0), 0u) << rec->Texts()[0];
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

}  // namespace

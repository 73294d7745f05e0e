// File > Information: the text of the information window for a page with image objects (on disk,
// gone from disk, never saved), pasted bitmaps and pictures.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QImage>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include "app/file_information.h"
#include "app/text_window_fixture.h"
#include "helpers/page_surface.h"
#include "cad/engine.h"
#include "page/graphic_names.h"
#include "page/page_tables.h"
#include "platform/graphic.h"
#include "platform/streams.h"

namespace {

struct FileInformationTest : TextPageTest {
  QTemporaryDir dir;
  void SetUp() override {
    TextPageTest::SetUp();
    form->TransparentImages1->setChecked(false);
    form->resize(1000, 800);
    form->show();
  }
  std::string Picture(const std::string& name, const char* format, int w, int h) {
    const QString path = dir.filePath(QString::fromStdString(name));
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    EXPECT_TRUE(image.save(path, format));
    return path.toStdString();
  }
  static std::string Units() {
    return Figures && Figures->Metric ? "Measurement system: Metric" : "Measurement system: US/Imperial";
  }
  // What a graphic takes written out, and its class name.
  static std::string Memory(TSizeChangedImage* c) {
    TMemoryStream m;
    c->Picture.Graphic()->SaveToStream(m);
    return std::to_string(m.Size());
  }
  static std::string ClassName(TSizeChangedImage* c) {
    std::string name;
    GraphicClassName(c->Picture.Graphic(), name);
    return name;
  }
  std::string Size(const std::string& file) { return std::to_string(QFile(QString::fromStdString(file)).size()); }
  std::vector<std::string> Shown() {
    form->findChild<QAction*>("Information1")->trigger();
    TFileInfoDlg1* info = GetFileInfoDlg();
    EXPECT_TRUE(info->isVisible());
    std::vector<std::string> lines;
    for (const QString& l : info->Memo1->toPlainText().split('\n')) lines.push_back(l.toStdString());
    return lines;
  }
};

}  // namespace

TEST_F(FileInformationTest, ABlankPageShowsOnlyTheCounts) {
  const std::vector<std::string> lines = Shown();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Last character: 0");
  EXPECT_EQ(lines[2], "Approximate word count: 0");
  const std::vector<std::string> rest(lines.begin() + 4, lines.end());
  EXPECT_EQ(rest, (std::vector<std::string>{"Floating Images: 0", " ", "Pasted images: 0", "Pictures: 0", " ",
                                            "Vector shapes: 0", Units()}));
}

TEST_F(FileInformationTest, EveryObjectPasteAndPictureIsListed) {
  const std::string a = Picture("a.png", "PNG", 20, 10);
  const std::string b = Picture("b.bmp", "BMP", 8, 8);
  const std::string c = Picture("c.png", "PNG", 6, 5);
  ASSERT_TRUE(form->LoadImageObject(a, TPoint(30, 40)));
  ASSERT_TRUE(form->LoadImageObject(b, TPoint(200, 60)));
  ASSERT_TRUE(form->LoadImageObject(c, TPoint(300, 90)));
  form->DeselectImage(form, true);
  // The second object turned a quarter: it has no file any more and is marked modified.
  form->SelectedImage = 1;
  form->N902Click(form, 0);
  form->DeselectImage(form, true);
  ASSERT_TRUE(form->ImageRecs[1].Name().empty());
  // The third object's file went away.
  QFile::remove(QString::fromStdString(c));
  const std::string p = Picture("p.bmp", "BMP", 4, 4);
  const std::string gone = dir.filePath("gone.bmp").toStdString();
  form->PasteCount = 2;
  Pastes[0].SetName(p);
  Pastes[0].Rect = {1, 2, 11, 22};
  Pastes[1].SetName(gone);
  Pastes[1].Rect = {5, 6, 7, 8};
  form->PictureCount = 2;
  Pictures[0].SetName(gone);
  Pictures[0].Rect = {0, 0, 4, 4};
  Pictures[1].SetName(a);
  Pictures[1].Rect = {10, 20, 30, 30};

  const std::vector<std::string> lines = Shown();
  ASSERT_GT(lines.size(), 4u);
  const std::vector<std::string> rest(lines.begin() + 4, lines.end());
  const std::vector<std::string> expected{
      "Floating Images: 3",
      "\t" + a,
      "\t\tSize on Disk: " + Size(a),
      "\t\tLeft: 30",
      "\t\tTop: 40",
      "\t\tWidth: 20",
      "\t\tHeight: 10",
      "\tUnsave Image->1",
      "\tSize in memory:246",  // an 8 x 8 bitmap of 24 bits written out
      "\tGraphic class: " + ClassName(form->Images[1]),
      "\t\tLeft: 200",
      "\t\tTop: 60",
      "\t\tWidth: 8",
      "\t\tHeight: 8",
      "\t\tModified",
      "\t" + c,
      "\tFile not on Disk->" + c,
      "\tSize in memory:" + Memory(form->Images[2]),
      "\tGraphic class: " + ClassName(form->Images[2]),
      "\t\tLeft: 300",
      "\t\tTop: 90",
      "\t\tWidth: 6",
      "\t\tHeight: 5",
      " ",
      "Pasted images: 2",
      "\t" + p,
      "\t\tSize on Disk: " + Size(p),
      "\t\tLeft: 1",
      "\t\tTop: 2",
      "\t\tWidth: 10",
      "\t\tHeight: 20",
      "\t" + gone,
      "Missing file: " + gone,
      "\t\tLeft: 5",
      "\t\tTop: 6",
      "\t\tWidth: 2",
      "\t\tHeight: 2",
      "Pictures: 2",
      "\t" + gone,
      "Missing file. Index: 0",
      "\t\tLeft: 0",
      "\t\tTop: 0",
      "\t\tWidth: 4",
      "\t\tHeight: 4",
      "\t" + a,
      "\t\tSize on Disk: " + Size(a),
      "\t\tLeft: 10",
      "\t\tTop: 20",
      "\t\tWidth: 20",
      "\t\tHeight: 10",
      " ",
      "Vector shapes: 0",
      Units(),
      " ",
      "All graphics files:",
      a,
      c,
      p,
      gone,
      gone,
      a,
  };
  EXPECT_EQ(rest, expected);
}

// The file named on the command line: a document opens, a shapes file loads, a missing file is
// ignored and anything else is refused with the program's message.
#include <gtest/gtest.h>

#include <QImage>

#include "app/main_window_fixture.h"
#include "cad/engine.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/app_dir.h"

namespace {

struct CommandLineOpen : MainWindowFixture {
  TForm1* form = nullptr;
  void SetUp() override {
    MainWindowFixture::SetUp();
    form = CreateStartupWindows();
  }
  void DrawLine() {
    form->tbDraw->SetDown(true);
    form->tbDrawClick(form->tbDraw);
    form->MainImageMouseDown(Qt::LeftButton, Qt::NoModifier, 100, 200);
    form->MainImageMouseMove(Qt::LeftButton, Qt::NoModifier, 300, 200);
    form->MainImageMouseUp(Qt::LeftButton, Qt::NoModifier, 300, 200);
  }
};

TEST_F(CommandLineOpen, EachKindOfArgument) {
  // A document and a shapes file, each holding one line.
  DrawLine();
  ASSERT_EQ(Figures->Count(), 1);
  const std::string doc = AppDir() + "Page.ZqV";
  const std::string shapes = AppDir() + "line.zqs";
  const std::string other = AppDir() + "notes.doc";
  Figures->SaveShapesFile(shapes);
  DocumentDialogHook = [&](const std::string&, const std::string&) { return doc; };
  ASSERT_TRUE(form->_SaveClick(form->_SaveAs));
  WriteFileAtomically(other, "x", 1);
  // A picture, placed as an image object.
  const std::string picture = AppDir() + "dot.Png";
  {
    QImage dot(6, 4, QImage::Format_RGB32);
    dot.fill(Qt::red);
    ASSERT_TRUE(dot.save(QString::fromStdString(picture), "PNG"));
  }

  const struct {
    std::string argument;
    std::string docName;  // the page's name afterwards
    int figures;
    int images;
    std::vector<std::string> messages;
  } cases[] = {
      {"  " + doc + "  ", doc, 1, 0, {}},  // blanks trimmed, extension in any case
      {shapes, "", 1, 0, {}},
      {picture, "", 0, 1, {}},
      {AppDir() + "missing.zqv", "", 0, 0, {}},
      {other, "", 0, 0, {"Unable to auto open " + other}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argument);
    form->Modified = false;
    form->NewFile(form->New1);
    ASSERT_EQ(Figures->Count(), 0);
    rec->Clear();
    form->AutoOpenFile(c.argument);
    EXPECT_EQ(form->DocFileName, c.docName);
    EXPECT_EQ(Figures->Count(), c.figures);
    EXPECT_EQ(form->ImageCount, c.images);
    if (c.images == 1) {
      EXPECT_EQ(form->ImageRecs[0].Name(), picture);
      ASSERT_NE(form->Images[0], nullptr);
      EXPECT_EQ(form->Images[0]->Picture.Graphic()->Width(), 6);
    }
    EXPECT_EQ(rec->Texts(), c.messages);
  }
}

TEST_F(CommandLineOpen, ADamagedShapesFileLeavesAnEmptyDrawingAndSaysNothing) {
  const std::string shapes = AppDir() + "bad.zqs";
  WriteFileAtomically(shapes, "not shapes at all", 17);
  rec->Clear();
  form->AutoOpenFile(shapes);
  EXPECT_EQ(Figures->Count(), 0);
  EXPECT_TRUE(rec->Texts().empty());
}

}  // namespace

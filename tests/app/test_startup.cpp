// The file named on the command line: a document opens, a shapes file loads, a missing file is
// ignored and anything else is refused with the program's message.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include "app/main_window_fixture.h"
#include "cad/engine.h"
#include "helpers/page_surface.h"
#include "dialogs/macro_line_controls.h"
#include "dialogs/macro_text_window.h"
#include "helpers/speed_button.h"
#include "page/macro_list.h"
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

TEST_F(CommandLineOpen, ADamagedShapesFileIsReportedAsLoadShapesReportsIt) {
  // A file that is no shapes file, and a sound one whose one figure has a pen mode no figure has.
  DrawLine();
  ASSERT_EQ(Figures->Count(), 1);
  const std::string good = AppDir() + "good.zqs";
  Figures->SaveShapesFile(good);
  auto bytes = ReadWholeFile(good);
  const size_t penMode = ShapesHeaderSize + 4 + 24 * 5 + 20;
  ASSERT_GT(bytes.size(), penMode);
  bytes[penMode] = 200;
  const std::string damaged = AppDir() + "damaged.zqs", junk = AppDir() + "junk.zqs";
  WriteFileAtomically(damaged, bytes.data(), bytes.size());
  WriteFileAtomically(junk, "not shapes at all", 17);
  for (const std::string& shapes : {damaged, junk}) {
    SCOPED_TRACE(shapes);
    // The same file through Load Shapes: the message the command line must give too.
    form->Modified = false;
    form->NewFile(form->New1);
    rec->Clear();
    DocumentDialogHook = [&](const std::string&, const std::string&) { return shapes; };
    form->findChild<QAction*>("LoadShapes1")->trigger();
    DocumentDialogHook = nullptr;
    ASSERT_EQ(rec->Texts().size(), 1u);
    // The same words: no routine's name tells the two apart.
    const std::string expected = rec->Texts()[0];
    EXPECT_EQ(expected.find("LoadShapes1Click"), std::string::npos) << expected;

    form->NewFile(form->New1);
    rec->Clear();
    form->AutoOpenFile(shapes);
    EXPECT_EQ(Figures->Count(), 0) << "nothing of a damaged file is loaded";
    EXPECT_EQ(rec->Texts(), std::vector<std::string>{expected});
  }
}

}  // namespace

// The shipped default macro file: the Macro Text window opens it without a word, and a macro file
// named on the command line (opened from the desktop) opens in that window.
TEST_F(CommandLineOpen, TheShippedMacroFileOpensQuietlyAndMacroFilesOpenInTheMacroWindow) {
  const std::string shipped = std::string(KV_SOURCE_DIR) + "/resources/Macros.zqm";
  ASSERT_TRUE(QFile::copy(QString::fromStdString(shipped), QString::fromStdString(AppDir() + "Macros.zqm")));
  ASSERT_TRUE(QFile::copy(QString::fromStdString(shipped), QString::fromStdString(AppDir() + "Mine.ZQM")));
  rec->Clear();
  form->WriteMacros1Click(nullptr);
  ASSERT_NE(MacroText1, nullptr);
  EXPECT_EQ(MacroText1->CurrentFile, AppDir() + "Macros.zqm");
  EXPECT_TRUE(rec->Texts().empty()) << rec->Texts().front();
  ASSERT_EQ(MacroText1->List->Data.LineCount(), MacroLines);
  for (const TMacroLine& line : MacroText1->List->Data.Lines) EXPECT_TRUE(line.IsBlank());
  MacroText1->List->SetModified(false);
  MacroText1->Modified = false;
  delete MacroText1;
  rec->Clear();
  form->AutoOpenFile(AppDir() + "Mine.ZQM");
  ASSERT_NE(MacroText1, nullptr);
  EXPECT_EQ(MacroText1->CurrentFile, AppDir() + "Mine.ZQM");
  EXPECT_TRUE(rec->Texts().empty()) << rec->Texts().front();
}

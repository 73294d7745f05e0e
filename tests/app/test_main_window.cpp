#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>

#include "app/main_window.h"
#include "app/page_setup_dialog.h"
#include "app/startup.h"
#include "cad/engine.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "helpers/zqv_gif.h"
#include "platform/app_dir.h"
#include "platform/canvas.h"
#include "platform/clipboard_formats.h"
#include "platform/cursors.h"
#include "platform/exceptions.h"
#include "platform/graphic.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "text/page_geometry.h"

namespace {
struct MainWindowTest : ::testing::Test {
  TMessageRecorderScope rec;
  QByteArray savedHome = qgetenv("KORVALIS_HOME");
  void SetUp() override {
    SetScreenPixelsPerInch(96);
    InitMainWindowModule();
    WriteFileAtomically(AppDir() + "MnSymFt.dat", "Symbol\r\n", 8);
  }
  void TearDown() override {
    FreeStartupWindows();
    qputenv("KORVALIS_HOME", savedHome);
    ResetAppDir();
  }
};
}  // namespace

TEST_F(MainWindowTest, StartsWithTitleAndEmptyWhiteA4Page) {
  TForm1* form = CreateStartupWindows();
  EXPECT_EQ(form->windowTitle(), "Korvalis V");
  ASSERT_NE(form->MainImage, nullptr);
  // A4 portrait at 96 pixels per inch.
  EXPECT_EQ(PageWidth, 794);
  EXPECT_EQ(PageHeight, 1123);
  EXPECT_EQ(form->MainImage->width(), 794);
  const QImage& page = form->MainImage->Bitmap().Image();
  EXPECT_EQ(page.size(), QSize(794, 1123));
  EXPECT_EQ(page.pixel(400, 500), qRgb(255, 255, 255));
  EXPECT_EQ(form->ScrollBox1->widget(), form->MainImage);
  EXPECT_EQ(form->PanelText(0), " Font Size: 12");
  EXPECT_EQ(form->PanelText(4), "Ins");
  EXPECT_TRUE(form->tbText->Down());
  ASSERT_NE(form->Compress1, nullptr);
  // Toolbar glyphs come from the GIF resources SB1..SB29 by Tag.
  EXPECT_FALSE(form->tbBold->icon().isNull());
  EXPECT_FALSE(form->_NewWorkSpace->icon().isNull());
  EXPECT_EQ(form->SymbolFontList, std::vector<std::string>{"Symbol"});
  EXPECT_TRUE(rec->Texts().empty());
  // Every named control exists for the parts that read it.
  for (const char* name : {"tbBold", "tbSuperScript", "InPixels1", "Z12", "EigthFile", "Shapes3", "ParaPanel1", "StatusBar1"})
    EXPECT_NE(form->findChild<QObject*>(name), nullptr) << name;
}

TEST_F(MainWindowTest, ToolAndScriptButtonGroups) {
  TForm1* form = CreateStartupWindows();
  form->tbDraw->click();
  EXPECT_TRUE(form->tbDraw->Down());
  EXPECT_FALSE(form->tbText->Down());
  form->tbDraw->click();  // the down tool stays down
  EXPECT_TRUE(form->tbDraw->Down());
  form->tbSuperScript->click();
  form->tbSubscript->click();
  EXPECT_FALSE(form->tbSuperScript->Down());
  EXPECT_TRUE(form->tbSubscript->Down());
  form->tbSubscript->click();  // scripts may all be up
  EXPECT_FALSE(form->tbSubscript->Down());
  form->tbBold->click();
  form->tbItalics->click();
  EXPECT_TRUE(form->tbBold->Down() && form->tbItalics->Down());
}

TEST_F(MainWindowTest, DocumentNameSetsCaptionAndTitle) {
  TForm1* form = CreateStartupWindows();
  form->ProductCaption = "Korvalis V";
  form->SetDocumentFileName("");
  EXPECT_EQ(form->windowTitle(), "Korvalis V. File->");
  EXPECT_EQ(ApplicationTitle(), "Korvalis V");
  form->SetDocumentFileName("/docs/a.zqv");
  EXPECT_EQ(form->windowTitle(), "Korvalis V. File->/docs/a.zqv");
  EXPECT_EQ(ApplicationTitle(), "a.zqv-Korvalis V");
}

TEST_F(MainWindowTest, SymbolFontListFromFileOrDefaults) {
  TForm1* form = CreateStartupWindows();
  const std::string name = AppDir() + "MnSymFt.dat";
  WriteFileAtomically(name, ";c\r\nSymbol\r\nMyMath\r\n", 20);
  form->InitializeSymbolList();
  EXPECT_EQ(form->SymbolFontList, (std::vector<std::string>{"Symbol", "MyMath"}));
  EXPECT_TRUE(rec->Texts().empty());

  WriteFileAtomically(name, ";only\r\n", 7);
  rec->Answer(mrNo);
  form->InitializeSymbolList();
  EXPECT_TRUE(form->SymbolFontList.empty());
  ASSERT_EQ(rec->Messages().size(), 1u);
  EXPECT_EQ(rec->Last().Text, "Unable to load Symbol font definitions or the definition file\r" + name +
                                  ".\rThe file has been removed or is damaged\r\rLoad defaults?");
  EXPECT_EQ(rec->Last().DlgType, mtError);
  EXPECT_EQ(rec->Last().HelpCtx, 1130);

  DeleteFile(name);
  rec->Answer(mrYes);
  rec->Answer(mrYes);
  form->InitializeSymbolList();
  EXPECT_EQ(form->SymbolFontList, (std::vector<std::string>{"Symbol", "Period", "ZQVRelMath"}));
  const auto bytes = ReadWholeFile(name);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "Symbol\r\nPeriod\r\nZQVRelMath\r\n");
  rec->Clear();
  form->InitializeSymbolList();
  EXPECT_TRUE(rec->Texts().empty());
}

TEST_F(MainWindowTest, SpecialFontCheck) {
  QDir(QString::fromStdString(AppDir() + "fonts")).removeRecursively();
  EXPECT_TRUE(TForm1::CheckSpecialFonts());
  ASSERT_EQ(rec->Texts().size(), 1u);
  EXPECT_EQ(rec->Texts()[0], "Unable to retrieve or verify special fonts installed\rsome of the button captions and special characters may\rbe available.");
  rec->Clear();
  // A fonts folder without the font files: one message per missing font, then the summary.
  ForceDirectories(AppDir() + "fonts");
  EXPECT_FALSE(TForm1::CheckSpecialFonts());
  const auto texts = rec->Texts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "The Font file ZQVSerif.TTF is either incorrect or missing. The application needs this in order work correctly. Please see the ReadMeEq.Text document that came with this program.");
  EXPECT_NE(texts[1].find("RelMath.TTF"), std::string::npos);
  EXPECT_EQ(rec->Messages()[2].DlgType, mtInformation);
  EXPECT_EQ(rec->Messages()[2].HelpCtx, 390);
}

TEST(MainWindowHelpers, WebLinkSuffix) {
  const struct { const char* in; const char* out; } cases[] = {
      {"setup_ab12.exe", "&a=ab12"}, {"setup.exe", ""}, {"a_b_c12.exe", "&a=c12"}, {"", ""}, {"/x/y/inst_q.tar.gz", "&a=q.tar"}};
  for (const auto& c : cases) EXPECT_EQ(WebLinkSuffixOf(c.in), c.out) << c.in;
}

TEST_F(MainWindowTest, UnwritableProgramFolderIsReportedAndStartUpGoesOn) {
  qputenv("KORVALIS_HOME", "/proc/no-such-folder/korvalis");
  ResetAppDir();
  TForm1* form = CreateStartupWindows();
  ASSERT_FALSE(rec->Texts().empty());
  EXPECT_EQ(rec->Texts()[0].rfind("Unable to create user data folder:/proc/no-such-folder/korvalis\r", 0), 0u);
  EXPECT_NE(rec->Texts()[0].find("Terminating application."), std::string::npos);
  EXPECT_NE(form->MainImage, nullptr);
}

TEST_F(MainWindowTest, ConfirmOverwrite) {
  TForm1* form = CreateStartupWindows();
  const std::string name = AppDir() + "x.bmp";
  EXPECT_TRUE(form->ConfirmOverwrite(name, "Save"));
  WriteFileAtomically(name, "x", 1);
  rec->Answer(mrNo);
  EXPECT_FALSE(form->ConfirmOverwrite(name, "Save"));
  EXPECT_EQ(rec->Texts(), (std::vector<std::string>{"The File: " + name + " already exists. Overwrite?", "Exiting Save"}));
  rec->Answer(mrYes);
  EXPECT_TRUE(form->ConfirmOverwrite(name, "Save"));
}

TEST_F(MainWindowTest, EscapedExceptionIsLoggedAndShownWithStopIcon) {
  TForm1* form = CreateStartupWindows();
  (void)form;
  DebugLevel = 0;
  LogErrorCount = 0;
  Guarded("tbUndoClick", [] { throw EReadError("Stream read error"); });
  ASSERT_EQ(rec->Messages().size(), 1u);
  EXPECT_NE(rec->Last().Text.find("Stream read error"), std::string::npos);
  EXPECT_EQ(rec->Last().Flags & MB_ICONMASK, MB_ICONSTOP);
  EXPECT_EQ(LogErrorCount, 1);
  const auto log = ReadWholeFile(AppDir() + "logfile.txt");
  EXPECT_NE(std::string(log.begin(), log.end()).find("[Name]:ApplicationException:0;"), std::string::npos);
}

TEST_F(MainWindowTest, CadEngineTakesNodeCountSettingAndKeepsTemplate) {
  const std::string ini = "[General]\r\nMax_Nodes=40\r\n";
  WriteFileAtomically(AppDir() + "main.ini", ini.data(), ini.size());
  TForm1* form = CreateStartupWindows();
  ASSERT_NE(Figures, nullptr);
  EXPECT_EQ(NodeCount, 40);
  EXPECT_TRUE(Figures->Ready);
  Figures->Template->SetPenWidth(7);
  form->CreateCadEngine();
  EXPECT_EQ(Figures->Template->PenWidth, 7);
  Figures->Changed();
  EXPECT_TRUE(form->Modified);
}

TEST_F(MainWindowTest, PictureClassesAreRegisteredAtStartUp) {
  for (const char* ext : {".BMP", ".PNG", ".JPG", ".JPEG", ".GIF", ".ZQG"}) EXPECT_NE(CreateGraphicForFile(std::string("x") + ext), nullptr) << ext;
}

TEST_F(MainWindowTest, ImageExtensionsFollowTheGifGate) {
  CreateStartupWindows();
  ASSERT_EQ(ImageExtensions.size(), GifLzwAllowed() ? 8u : 7u);
  EXPECT_TRUE(IsImageFileName("/a/b.jpeg"));
  EXPECT_EQ(IsImageFileName("/a/b.gif"), GifLzwAllowed());
  EXPECT_FALSE(IsImageFileName("/a/b.zqv"));
  // The page's own formats come first among the ones it can paste.
  EXPECT_EQ(HandledClipboardFormats[0], FormattedTextFormat);
  EXPECT_EQ(HandledClipboardFormats[8], RichTextFormat);
  EXPECT_EQ(GetClipboardFormatName(FormattedTextFormat), "ZQVWare Korvalis V formatted text");
}

TEST_F(MainWindowTest, RubberBandDrawnTwiceErasesItself) {
  TForm1* form = CreateStartupWindows();
  TCanvas& canvas = form->MainImage->Canvas();
  canvas.Brush = TBrush{clYellow, bsSolid};
  canvas.FillRect(TRect(0, 0, 60, 40));
  const QImage before = form->MainImage->Bitmap().Image().copy();
  form->DrawDragRect(canvas, false, TPoint(10, 10), TPoint(100, 80));
  EXPECT_NE(form->MainImage->Bitmap().Image(), before);
  SelectionRect = TRect(10, 10, 100, 80);
  SelectionRectShown = true;
  form->DrawDragRect(canvas, true, TPoint(10, 10), TPoint(100, 80));
  EXPECT_EQ(form->MainImage->Bitmap().Image(), before);
  EXPECT_FALSE(SelectionRectShown);
  EXPECT_TRUE(SelectionRect.IsEmpty());
  EXPECT_TRUE(HasScreenCursor(7) && HasScreenCursor(19));
}

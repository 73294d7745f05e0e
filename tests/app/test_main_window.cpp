#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QMimeData>
#include <set>

#include "app/main_window_fixture.h"
#include "app/main_window.h"
#include "dialogs/page_setup_dialog.h"
#include "app/startup.h"
#include "cad/engine.h"
#include "codecs/gif_image.h"
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
#include "text/text_glue.h"
#include "text/text_page.h"

namespace {
struct MainWindowTest : MainWindowFixture {};
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

// Each toolbar button carries a fixed glyph number, whatever the order the buttons were made in;
// the glyph it shows is the picture of that number. Buttons without a number show no glyph.
TEST_F(MainWindowTest, ToolbarButtonsHaveTheirFixedGlyphNumbers) {
  TForm1* form = CreateStartupWindows();
  const struct {
    const char* name;
    int tag;
  } buttons[] = {
      {"_NewWorkSpace", 0}, {"tbOpen", 1}, {"tbSave", 2}, {"tbPrint", 3}, {"tbPrintPreview", 4}, {"tbUndo", 5},
      {"tbCopy", 6}, {"tbCutText", 7}, {"tbPaste", 8}, {"tbBold", 9}, {"tbItalics", 10}, {"tbUnderline", 11},
      {"tbStrikeOut", 12}, {"tbSuperScript", 13}, {"tbSubscript", 14}, {"tbMidscript", 15}, {"tbText", 16},
      {"tbSelect", 17}, {"tbDraw", 18}, {"tbMove", 19}, {"tbShapes", 20}, {"tbLineWidth", 21},
      {"tbLineStyle", 22}, {"tbBrushProperties", 23}, {"tbPenColor", 24}, {"tbPenMode", 25}, {"tbPickPen", 26},
      {"tbPickBrush", 27}, {"tbPickMnFontClr", 28}, {"WriteMacros1", 29},
  };
  const auto glyphOf = [](int tag) {
    QFile file(QString(":/glyphs/SB%1.gif").arg(tag + 1));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << tag;
    const QByteArray bytes = file.readAll();
    TGIFImage gif;
    TBytesStream stream(bytes.constData(), size_t(bytes.size()));
    gif.LoadFromStream(stream);
    TZQVSpeedButton b;
    b.SetGlyphFromGraphic(gif);
    return b.icon().pixmap(QSize(64, 16)).toImage();
  };
  std::set<const QObject*> numbered;
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.name);
    auto* button = form->findChild<TZQVSpeedButton*>(b.name);
    ASSERT_NE(button, nullptr);
    numbered.insert(button);
    EXPECT_EQ(button->Tag, b.tag);
    ASSERT_FALSE(button->icon().isNull());
    EXPECT_EQ(button->icon().pixmap(QSize(64, 16)).toImage(), glyphOf(b.tag));
  }
  for (auto* button : form->ToolPanel1->findChildren<TZQVSpeedButton*>())
    if (!numbered.count(button)) EXPECT_EQ(button->Tag, -1) << button->objectName().toStdString();
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
  EXPECT_EQ(form->windowTitle(), "Korvalis V");
  EXPECT_EQ(ApplicationTitle(), "Korvalis V");
  form->SetDocumentFileName("/docs/a.zqv");
  EXPECT_EQ(form->windowTitle(), "a.zqv - Korvalis V");
  EXPECT_EQ(ApplicationTitle(), "a.zqv-Korvalis V");
  // Nothing is appended to the titles of other windows.
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());
  form->SetDocumentFileName("");
  EXPECT_EQ(form->windowTitle(), "Korvalis V");
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
  // The check is of a machine without the special fonts: those that earlier tests of this process
  // gave the application are taken away for it, and given back afterwards.
  QFontDatabase::removeAllApplicationFonts();
  struct TFontsBack {
    ~TFontsBack() { AddSpecialFonts(); }
  } fontsBack;
  ASSERT_FALSE(QFontDatabase::families().contains("ZQVSerif"));
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

// Paints a yellow corner on the page, so that a rubber band crosses two colours; the page's
// pixels then.
static QImage PaintYellowCorner(TForm1* form) {
  TCanvas& canvas = form->MainImage->Canvas();
  canvas.Brush = TBrush{clYellow, bsSolid};
  canvas.FillRect(TRect(0, 0, 60, 40));
  return form->MainImage->Bitmap().Image().copy();
}

TEST_F(MainWindowTest, RubberBandDrawnTwiceErasesItself) {
  TForm1* form = CreateStartupWindows();
  TCanvas& canvas = form->MainImage->Canvas();
  const QImage before = PaintYellowCorner(form);
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

TEST_F(MainWindowTest, ToolbarTooltipsSayWhatEachButtonDoes) {
  TForm1* form = CreateStartupWindows();
  const struct { TZQVSpeedButton* button; const char* tip; } cases[] = {
      {form->tbBold, "Bold"},           {form->tbItalics, "Italic"},   {form->tbUnderline, "Underline"},
      {form->tbStrikeOut, "Strikeout"}, {form->tbSuperScript, "Superscript"}, {form->tbSubscript, "Subscript"},
      {form->tbMidscript, "Midscript"}, {form->_NewWorkSpace, "New file"},
      {form->tbDraw, "Click to Enable Drawing (Alt+D)"},
      {form->tbPenMode, "Pen Mode (Alt+M)\nIf you're not sure about this leave it on Copy."}};
  for (const auto& c : cases) EXPECT_EQ(c.button->toolTip().toStdString(), c.tip) << c.tip;
  // No button's tooltip merely repeats its caption.
  for (auto* b : form->ToolPanel1->findChildren<TZQVSpeedButton*>()) {
    EXPECT_FALSE(b->toolTip().isEmpty()) << b->objectName().toStdString();
    EXPECT_NE(b->toolTip(), b->text()) << b->objectName().toStdString();
  }
}

TEST_F(MainWindowTest, EditButtonsFollowTheSelectionsAndTheClipboard) {
  TForm1* form = CreateStartupWindows();
  auto* mime = [] {
    auto* m = new QMimeData;
    m->setData(QString::fromStdString(ClipboardFormatMimeType(FormattedTextFormat)), QByteArray(4, '\0'));
    return m;
  }();
  QMimeData* clipboards[3] = {nullptr, new QMimeData, mime};
  clipboards[1]->setText("x");
  const struct {
    bool text;   // cells selected
    bool rect;   // the rubber band shown
    int clip;    // 0 empty clipboard, 1 plain text, 2 the page's own text format
    bool copy, cut, paste;
  } cases[] = {
      {false, false, 0, false, false, false},
      {true, false, 1, true, true, true},
      {false, true, 2, true, false, true},
      {true, true, 0, true, true, false},
  };
  for (const auto& c : cases) {
    form->SelStart = c.text ? 1 : 0;
    form->SelEnd = c.text ? 3 : 0;
    SelectionRectShown = c.rect;
    SelectionRect = c.rect ? TRect(10, 10, 60, 50) : TRect();
    if (clipboards[c.clip])
      QGuiApplication::clipboard()->setMimeData(clipboards[c.clip]);
    else
      QGuiApplication::clipboard()->clear();
    clipboards[c.clip] = nullptr;  // the clipboard owns it now
    form->UpdateEditButtons();
    EXPECT_EQ(form->tbCopy->isEnabled(), c.copy);
    EXPECT_EQ(form->tbCutText->isEnabled(), c.cut);
    EXPECT_EQ(form->tbPaste->isEnabled(), c.paste);
    EXPECT_EQ(form->Paste1->isEnabled(), c.paste);
  }
  for (QMimeData* m : clipboards) delete m;
  SelectionRectShown = false;
  SelectionRect = TRect();
}

TEST_F(MainWindowTest, KeysMoveTheRubberBandAndEscapeRemovesIt) {
  TForm1* form = CreateStartupWindows();
  TCanvas& canvas = form->MainImage->Canvas();
  const QImage blank = PaintYellowCorner(form);
  form->tbSelect->click();
  SelectionRect = TRect(10, 10, 100, 80);
  SelectionRectShown = true;
  form->DrawDragRect(canvas, false, TPoint(10, 10), TPoint(100, 80));
  const struct { uint16_t key; TShiftState shift; TRect after; } moves[] = {
      {vk::Right, ssCtrl, TRect(11, 10, 101, 80)},
      {vk::Numpad2, ssShift, TRect(11, 20, 101, 90)},
      {'W', ssShift, TRect(11, 20, 100, 90)},
  };
  for (const auto& m : moves) {
    uint16_t key = m.key;
    form->FormKeyDown(form, key, m.shift);
    EXPECT_EQ(SelectionRect, m.after);
    // Only the rectangle at its new place is on the page: drawing it there again leaves the page
    // as it was without it.
    QImage page = form->MainImage->Bitmap().Image().copy();
    TCanvas probe(&page);
    form->DrawDragRect(probe, false, TPoint(m.after.Left, m.after.Top), TPoint(m.after.Right, m.after.Bottom));
    EXPECT_EQ(page, blank);
    key = m.key;
    form->FormKeyUp(form, key, m.shift);
  }
  uint16_t esc = vk::Escape;
  form->FormKeyDown(form, esc, 0);
  EXPECT_EQ(form->MainImage->Bitmap().Image(), blank);
  EXPECT_FALSE(SelectionRectShown);
  EXPECT_TRUE(SelectionRect.IsEmpty());
}

TEST_F(MainWindowTest, PositionPanelStartsInTheUnitOfThePageSettings) {
  const struct { const char* metric; const char* margin; const char* panel; } cases[] = {
      {"1", "1.27", "> 1.270cm   ^ 1.270cm"},
      {"0", "0.5", "> 0.500''   ^ 0.500''"},
  };
  for (const auto& c : cases) {
    const std::string ini = std::string("[Margin_Defaults]\r\nMetric=") + c.metric + "\r\nLeft_Margin=" + c.margin +
                            "\r\nTop_Margin=" + c.margin + "\r\n";
    WriteFileAtomically(AppDir() + "PageIni.ini", ini.data(), ini.size());
    TForm1* form = CreateStartupWindows();
    EXPECT_EQ(form->PanelText(3).toStdString(), c.panel) << c.metric;
    FreeStartupWindows();
  }
}

TEST_F(MainWindowTest, PageCursorsAreTheProgramsOwnPicturesInTheirSlots) {
  CreateStartupWindows();
  // Slot, and the hot spot of the picture loaded there.
  const struct {
    int slot, hotX, hotY;
  } table[] = {{1, 1, 1},   {2, 2, 29},  {5, 1, 1},   {7, 15, 15},  {10, 27, 28}, {11, 27, 28}, {12, 1, 1},
               {15, 15, 15}, {16, 15, 15}, {17, 1, 1}, {19, 15, 15}, {20, 15, 15}, {21, 2, 29}};
  for (const auto& s : table) {
    SCOPED_TRACE(s.slot);
    ASSERT_TRUE(HasScreenCursor(s.slot));
    const QCursor c = ScreenCursor(s.slot);
    EXPECT_EQ(c.shape(), Qt::BitmapCursor);
    EXPECT_EQ(c.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(c.hotSpot(), QPoint(s.hotX, s.hotY));
  }
}

// The page's text context menu (item states when it opens) and the small Tools and Help commands:
// clearing the custom colours, showing the tips again, the version page and the message board.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <cstdio>
#include <functional>

#include "app/main_window.h"
#include "app/main_window_fixture.h"
#include "cad/engine.h"
#include "dialogs/help_viewer.h"
#include "dialogs/tips_dialog.h"
#include "platform/app_dir.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"

namespace {

QString ShapesMime(const char* name) { return QString("application/x-qt-windows-mime;value=\"%1\"").arg(name); }

struct ContextMenuTest : MainWindowFixture {
  TForm1* form = nullptr;
  void SetUp() override {
    MainWindowFixture::SetUp();
    std::remove((AppDir() + "ChildFms.ini").c_str());
    form = CreateStartupWindows();
    QApplication::clipboard()->clear();
  }
  void TearDown() override {
    OpenUrlHook = nullptr;
    QApplication::clipboard()->clear();
    MainWindowFixture::TearDown();
  }
  QAction* Item(const char* name) {
    auto* a = form->findChild<QAction*>(name);
    EXPECT_NE(a, nullptr) << name;
    return a;
  }
  void Open() { emit form->PopupMenu1->aboutToShow(); }
  void SetClipboard(QMimeData* data) { QApplication::clipboard()->setMimeData(data); }
};

const char* const kSelectionItems[] = {"CutSelectedText1", "CopySelectedText1", "ChangeSelectedTextAttributes1",
                                       "DeleteText2", "BringToFront1", "SetSelectionOffset1"};
const char* const kPasteItems[] = {"PasteSpecial1", "PasteImageatCaret1", "PasteCutShapes1", "PasteCutFiguresatCaret1"};

// Every item the opening handler sets is in the page menu.
TEST_F(ContextMenuTest, ItemsAreInThePageMenu) {
  const auto actions = form->PopupMenu1->actions();
  for (const char* name : {"CutSelectedText1", "CopySelectedText1", "PasteSelectedText1", "PasteCutShapes1",
                           "PasteCutFiguresatCaret1", "PasteSpecial1", "PasteImageatCaret1", "PasteMacro2",
                           "DeleteText2", "ChangeSelectedTextAttributes1", "BringToFront1", "SetSelectionOffset1",
                           "ConverttoImageObject1", "Bold", "_Italics", "Underline2", "Strikeout2"})
    EXPECT_TRUE(actions.contains(Item(name))) << name;
  EXPECT_EQ(Item("PasteCutFiguresatCaret1")->text(), "Paste Cut/Copy  Shapes at Caret");
}

// No text selection and an empty clipboard: the selection and paste items are off.
TEST_F(ContextMenuTest, EmptyClipboardAndNoSelection) {
  form->SelStart = form->SelEnd = 0;
  SelectionRect = TRect();
  Open();
  for (const char* name : kSelectionItems) EXPECT_FALSE(Item(name)->isEnabled()) << name;
  for (const char* name : kPasteItems) EXPECT_FALSE(Item(name)->isEnabled()) << name;
  EXPECT_FALSE(Item("ConverttoImageObject1")->isEnabled());
  EXPECT_FALSE(Item("PasteMacro2")->isEnabled());
}

// Which clipboard contents enable which paste items, with and without a text selection.
TEST_F(ContextMenuTest, ItemStatesFollowClipboardAndSelection) {
  ASSERT_NE(Figures, nullptr);
  const std::string current = Figures->GetClipboardFormat().Name;
  const std::string other = current == InchShapesFormatName ? CentimetreShapesFormatName : InchShapesFormatName;
  struct Case {
    const char* name;
    std::function<QMimeData*()> data;
    bool special, image, shapes;
  };
  const Case cases[] = {
      {"text", [] { auto* d = new QMimeData; d->setText("x"); return d; }, true, false, false},
      {"bitmap", [] { auto* d = new QMimeData; d->setImageData(QImage(4, 4, QImage::Format_RGB32)); return d; }, true, true, false},
      {"shapes of the current units", [&] { auto* d = new QMimeData; d->setData(ShapesMime(current.c_str()), "s"); return d; }, true, false, true},
      {"shapes of the other units", [&] { auto* d = new QMimeData; d->setData(ShapesMime(other.c_str()), "s"); return d; }, true, false, false},
      {"an unknown format", [] { auto* d = new QMimeData; d->setData("application/x-unknown", "u"); return d; }, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetClipboard(c.data());
    form->SelStart = 1;
    form->SelEnd = 2;
    Open();
    EXPECT_EQ(form->AnyPasteableFormat(), c.special);
    EXPECT_EQ(Item("PasteSpecial1")->isEnabled(), c.special);
    EXPECT_EQ(Item("PasteImageatCaret1")->isEnabled(), c.image);
    EXPECT_EQ(Item("PasteCutShapes1")->isEnabled(), c.shapes);
    EXPECT_EQ(Item("PasteCutFiguresatCaret1")->isEnabled(), c.shapes);
    for (const char* name : kSelectionItems) EXPECT_EQ(Item(name)->isEnabled(), form->HasTextSelection()) << name;
  }
}

// The style items show the style of the character before the caret; Convert to Image Object
// follows the page selection rectangle.
TEST_F(ContextMenuTest, StyleTicksAndConvertItem) {
  form->CurrentI = 3;
  form->CharFonts[2]->Style = fsBold | fsStrikeOut;
  SelectionRect = TRect(10, 10, 60, 40);
  Open();
  EXPECT_TRUE(form->Bold->isChecked());
  EXPECT_FALSE(form->_Italics->isChecked());
  EXPECT_FALSE(form->Underline2->isChecked());
  EXPECT_TRUE(form->Strikeout2->isChecked());
  EXPECT_TRUE(Item("ConverttoImageObject1")->isEnabled());
  form->CharFonts[2]->Style = fsItalic | fsUnderline;
  SelectionRect = TRect(10, 10, 10, 40);
  Open();
  EXPECT_FALSE(form->Bold->isChecked());
  EXPECT_TRUE(form->_Italics->isChecked());
  EXPECT_TRUE(form->Underline2->isChecked());
  EXPECT_FALSE(form->Strikeout2->isChecked());
  EXPECT_FALSE(Item("ConverttoImageObject1")->isEnabled());
  SelectionRect = TRect();
}

// Clear custom colors: the question, "Show this message again?" and the file.
TEST_F(ContextMenuTest, ClearCustomColors) {
  std::vector<std::string> cleared;
  TForm1::ResetCustomColors(&cleared);
  ASSERT_EQ(cleared.size(), 16u);
  EXPECT_EQ(cleared.front(), "ColorA=000000");
  EXPECT_EQ(cleared.back(), "ColorP=000000");
  TForm1::ResetCustomColors(nullptr);  // no list: nothing to fill

  std::string clearedText;
  for (const auto& l : cleared) clearedText += l + "\r\n";
  const std::string colours = "ColorA=FF0000\r\nColorB=00FF00\r\n";
  struct Case {
    const char* name;
    bool dontAsk;
    std::vector<int> answers;
    int questions;
    bool clearedAfter;
    bool dontAskAfter;
  };
  const Case cases[] = {
      {"not asked when switched off", true, {}, 0, true, true},
      {"Yes, show again", false, {mrYes, mrYes}, 2, true, false},
      {"No, show again", false, {mrNo, mrYes}, 2, false, false},
      {"No, do not show again", false, {mrNo, mrNo}, 2, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileAtomically(AppDir() + "ZQVCustomClrs.Dat", colours.data(), colours.size());
    {
      TZQVIniFile child(AppDir() + "ChildFms.ini");
      child.WriteBool("Messages", "ClearCustomColors", c.dontAsk);
      child.UpdateFile();
    }
    rec->Clear();
    for (int a : c.answers) rec->Answer(a);
    form->Clearcustomcolors1Click(nullptr);
    ASSERT_EQ(int(rec->Messages().size()), c.questions);
    if (c.questions) {
      EXPECT_EQ(rec->Messages()[0].Text, "Are you sure you want to clear all your custom colors from the palette?");
      EXPECT_EQ(rec->Messages()[1].Text, "Show this message again?");
    }
    const auto bytes = ReadWholeFile(AppDir() + "ZQVCustomClrs.Dat");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.clearedAfter ? clearedText : colours);
    EXPECT_EQ(TZQVIniFile(AppDir() + "ChildFms.ini").ReadBool("Messages", "ClearCustomColors", false), c.dontAskAfter);
  }
}

// Help > Show tips: shows the tips and switches them on at start; with the tips open, nothing.
TEST_F(ContextMenuTest, ShowTipsAgain) {
  {
    TZQVIniFile child(AppDir() + "ChildFms.ini");
    child.WriteBool("TipsDlg_Messages", "ShowTips", true);
    child.UpdateFile();
  }
  ASSERT_EQ(TipsDialog, nullptr);
  form->Showtips1Click(nullptr);
  EXPECT_FALSE(TZQVIniFile(AppDir() + "ChildFms.ini").ReadBool("TipsDlg_Messages", "ShowTips", true));
  ASSERT_NE(TipsDialog, nullptr);
  {
    TZQVIniFile child(AppDir() + "ChildFms.ini");
    child.WriteBool("TipsDlg_Messages", "ShowTips", true);
    child.UpdateFile();
  }
  form->Showtips1Click(nullptr);
  EXPECT_TRUE(TZQVIniFile(AppDir() + "ChildFms.ini").ReadBool("TipsDlg_Messages", "ShowTips", false));
  delete TipsDialog;
}

// The version page and the message board open in the desktop's browser; the version item is
// hidden, and so is Add user.
TEST_F(ContextMenuTest, VersionPageAndMessageBoard) {
  std::vector<QUrl> opened;
  OpenUrlHook = [&](const QUrl& url) {
    opened.push_back(url);
    return true;
  };
  form->WebLinkSuffix = "&a=ab12";
  form->Versioncomparisons1Click(nullptr);
  form->Messageboard1Click(nullptr);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_TRUE(opened[0].isLocalFile());
  EXPECT_TRUE(opened[0].toLocalFile().endsWith("/version-compare.html"));
  EXPECT_TRUE(opened[1].toString().startsWith("https://"));
  EXPECT_TRUE(opened[1].toString().endsWith("&a=ab12"));
  EXPECT_FALSE(Item("Versioncomparisons1")->isVisible());
  EXPECT_FALSE(Item("Adduser1")->isVisible());
  EXPECT_TRUE(Item("Showtips1")->isVisible());
  EXPECT_TRUE(Item("Clearcustomcolors1")->isVisible());
}

}  // namespace

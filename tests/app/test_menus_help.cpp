// The menu states when File, Edit and Settings > Application open, the option commands, Custom
// Sets, the Tools menu's companion programs, Help and the information window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMimeData>

#include "app/file_information.h"
#include "app/main_window.h"
#include "app/main_window_fixture.h"
#include "cad/engine.h"
#include "dialogs/about_box.h"
#include "dialogs/help_viewer.h"
#include "platform/app_dir.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"
#include "theme/theme_manager.h"

namespace {
struct MenuTest : MainWindowFixture {
  TForm1* form = nullptr;
  void SetUp() override {
    MainWindowFixture::SetUp();
    form = CreateStartupWindows();
  }
  void TearDown() override {
    OpenUrlHook = nullptr;
    MainWindowFixture::TearDown();
  }
  QAction* Item(const char* name) {
    auto* a = form->findChild<QAction*>(name);
    EXPECT_NE(a, nullptr) << name;
    return a;
  }
  QAction* Caption(const char* caption) {
    for (QAction* a : form->findChildren<QAction*>())
      if (a->text() == caption) return a;
    return nullptr;
  }
  void Open(QMenu* menu) { emit menu->aboutToShow(); }
};

// File: which items are enabled in which page state.
TEST_F(MenuTest, FileMenuStates) {
  struct Case {
    bool printer, modified, selRect;
    bool print, save, close;
  };
  const Case cases[] = {
      {false, false, false, false, false, false},
      {true, false, false, true, false, false},
      {true, true, true, true, true, true},
      {false, true, false, false, true, true},
  };
  const bool savedPrinter = PrinterPresent;
  // A document that needs saving: named, on disk, changed since it was saved.
  const std::string doc = AppDir() + "menu_states.zqv";
  WriteFileAtomically(doc, "x", 1);
  form->DocFileName = doc;
  auto* graphic = new QAction("Save Se&lection As Graphic", form);
  graphic->setObjectName("SaveSelectionAsGraphic1");
  form->_File->addAction(graphic);
  QAction* shapes = form->findChild<QAction*>("Savezqsshapes1");
  ASSERT_NE(shapes, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.printer << c.modified << c.selRect);
    PrinterPresent = c.printer;
    form->FileModified = c.modified;
    SelectionRect = c.selRect ? TRect(10, 10, 50, 40) : TRect();
    Open(form->_File);
    EXPECT_EQ(form->Print1->isEnabled(), c.print);
    EXPECT_EQ(form->SetupPrinter1->isEnabled(), c.print);
    EXPECT_EQ(form->_Save->isEnabled(), c.save);
    EXPECT_EQ(form->Close1->isEnabled(), c.close);
    EXPECT_TRUE(form->_Open->isEnabled());
    EXPECT_EQ(graphic->isEnabled(), c.selRect);
    EXPECT_FALSE(shapes->isEnabled());  // a rectangle without selected figures
  }
  // Reopen shows only the entries that hold a name.
  form->FirstFile->setText("a.zqv");
  form->SecondFile->setText("");
  Open(form->_File);
  EXPECT_TRUE(form->FirstFile->isVisible());
  EXPECT_FALSE(form->SecondFile->isVisible());
  PrinterPresent = savedPrinter;
  SelectionRect = TRect();
}

// Edit and Settings > Application: text selection and short menus.
TEST_F(MenuTest, EditAndApplicationMenusFollowSelectionAndShortMenus) {
  QMenu* imagesMenu = form->findChild<QMenu*>("Images1");
  ASSERT_NE(imagesMenu, nullptr);
  QAction* images = imagesMenu->menuAction();
  QApplication::clipboard()->clear();
  for (bool selection : {false, true}) {
    form->SelStart = 1;
    form->SelEnd = selection ? 3 : 1;
    Open(form->_Edit);
    EXPECT_EQ(form->Cut1->isEnabled(), selection);
    EXPECT_EQ(form->DeleteText1->isEnabled(), selection);
    EXPECT_EQ(form->Copy2->isEnabled(), selection);
    EXPECT_FALSE(form->Paste1->isEnabled());
  }
  QApplication::clipboard()->setText("words");
  Open(form->_Edit);
  EXPECT_TRUE(form->Paste1->isEnabled());
  EXPECT_TRUE(form->PasteSpecial1->isEnabled());
  QMenu* app = form->findChild<QMenu*>("ApplicationSettings1");
  ASSERT_NE(app, nullptr);
  QMenu* speed = form->findChild<QMenu*>("ScrollSpeed1");
  for (bool shortMenus : {false, true}) {
    Item("ShortMenus1")->setChecked(shortMenus);
    Open(form->_Edit);
    Open(app);
    EXPECT_EQ(images->isVisible(), !shortMenus);
    EXPECT_EQ(speed->menuAction()->isVisible(), !shortMenus);
    EXPECT_EQ(Item("StayonTop1")->isVisible(), !shortMenus);
    EXPECT_EQ(form->BeepTicks1->isVisible(), !shortMenus);
  }
  QApplication::clipboard()->clear();
}

TEST_F(MenuTest, ScrollSpeedAndCustomSetsWriteTheirKeys) {
  ScrollBarSnooze = 50;
  Open(form->findChild<QMenu*>("ScrollSpeed1"));
  EXPECT_EQ(ScrollBarSnooze, 30);
  EXPECT_TRUE(Item("Short1")->isChecked());
  Item("Long1")->trigger();
  EXPECT_EQ(ScrollBarSnooze, 200);
  {
    TZQVIniFile child(ProgramFile("ChildFms.ini"));
    EXPECT_EQ(child.ReadInteger("Form1General", "ScrollBarSnooze", 0), 200);
  }
  Item("Accents1")->trigger();
  EXPECT_EQ(form->CustomSet, 2);
  EXPECT_TRUE(Item("Accents1")->isChecked());
  TZQVIniFile main(ProgramFile("Main.Ini"));
  EXPECT_EQ(main.ReadInteger("Form_Position", "CustomSets1Checked", -1), 2);
  EXPECT_EQ(main.ReadInteger("Form_Position", "Custom Set", -1), 2);
}

TEST_F(MenuTest, OptionCommands) {
  const int width = form->width();
  Item("_VerticalScrollBars")->trigger();
  EXPECT_FALSE(Item("_VerticalScrollBars")->isChecked());
  EXPECT_EQ(form->ScrollBox1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  Item("_VerticalScrollBars")->trigger();
  EXPECT_TRUE(Item("_VerticalScrollBars")->isChecked());
  EXPECT_EQ(form->width(), width - 2);
  Item("_HorzScrollBars")->trigger();
  EXPECT_EQ(form->ScrollBox1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  const bool metafile = form->_SetCopyMetafileDefault->isChecked();
  form->_SetCopyMetafileDefault->trigger();
  TZQVIniFile main(ProgramFile("Main.Ini"));
  EXPECT_EQ(main.ReadBool("Form_Position", "Copy_Metafile_Default", metafile), !metafile);
  form->ToggleHints1->trigger();
  EXPECT_FALSE(form->ShowHint);
  EXPECT_FALSE(form->ToggleHints1->isChecked());
  Item("StayonTop1")->trigger();
  EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(Item("StayonTop1")->isChecked());
  Item("StayonTop1")->trigger();
  EXPECT_FALSE(form->windowFlags() & Qt::WindowStaysOnTopHint);
  const bool insertAfter = Item("InsertAfterPaste1")->isChecked();
  Item("InsertAfterPaste1")->trigger();
  EXPECT_NE(Item("InsertAfterPaste1")->isChecked(), insertAfter);
}

TEST_F(MenuTest, PaletteButtonHints) {
  QPushButton one("x", form), word("sum", form), fixed("y", form);
  fixed.setProperty("Tag", 100);
  fixed.setToolTip("layout hint");
  for (QPushButton* b : {&one, &word, &fixed}) form->Panel61MouseMove(b);
  EXPECT_EQ(one.toolTip(), "Right click to define.\nClick to insert first character in text mode.\nLeft mouse drag and drop text when drawing.");
  EXPECT_EQ(word.toolTip(), "sum");
  EXPECT_EQ(fixed.toolTip(), "layout hint");
}

TEST_F(MenuTest, ToolsShowTheCompanionProgramsThatExist) {
  const std::string editor = AppDir() + "ZQVImgEditor";
  const std::string convert = AppDir() + "Flumbric/convert";
  std::remove(editor.c_str());
  Open(form->Tools1);
  EXPECT_FALSE(form->ImageEditor1->isVisible());
  EXPECT_FALSE(form->Flumbric1->isVisible());
  WriteFileAtomically(editor, "#!/bin/sh\n", 10);
  QDir().mkpath(QString::fromStdString(AppDir() + "Flumbric"));
  WriteFileAtomically(convert, "#!/bin/sh\n", 10);
  Open(form->Tools1);
  EXPECT_TRUE(form->ImageEditor1->isVisible());
  EXPECT_TRUE(form->ImageEditor1->isEnabled());
  EXPECT_TRUE(form->Flumbric1->isVisible());
  EXPECT_EQ(form->Flumbric1->text(), "Flumbric");
  std::remove(convert.c_str());
  Open(form->Tools1);
  EXPECT_FALSE(form->Flumbric1->isVisible());
  std::remove(editor.c_str());
  // A program that cannot be started is reported.
  rec->Clear();
  form->ShellRun("no-such-program-here", "", 1, AppDir());
  ASSERT_EQ(rec->Texts().size(), 1u);
  EXPECT_EQ(rec->Texts()[0].rfind("Unable to start ", 0), 0u);
}

TEST_F(MenuTest, HelpAboutAndTheWebSite) {
  std::vector<QUrl> opened;
  OpenUrlHook = [&](const QUrl& url) {
    opened.push_back(url);
    return true;
  };
  form->WebLinkSuffix.clear();
  EXPECT_TRUE(QString::fromStdString(form->WebSiteAddress()).endsWith("/?source=webmenu"));
  form->WebLinkSuffix = "&a=ab12";
  form->findChild<QAction*>("ZQVWarewebsite1")->trigger();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(opened[0].toString().endsWith("/?source=webmenu&a=ab12"));
  // Help > Contents: the contents page of the help file, or the message when it is missing.
  rec->Clear();
  form->Contents1->trigger();
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_EQ(rec->Texts().size(), 1u);
  QDir().mkpath(QString::fromStdString(AppDir() + "help"));
  WriteFileAtomically(AppDir() + "help/index.html", "<html/>", 7);
  form->Contents1->trigger();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_TRUE(opened[1].toLocalFile().endsWith("help/index.html"));
  // About twice: one box; after closing it the next one is new.
  form->About2->trigger();
  TAboutBox* box = AboutBox;
  ASSERT_NE(box, nullptr);
  form->About2->trigger();
  EXPECT_EQ(AboutBox, box);
  box->OKButton->click();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(AboutBox, nullptr);
  form->About2->trigger();
  EXPECT_NE(AboutBox, nullptr);
}

TEST_F(MenuTest, InformationWindowCaptionAndReuse) {
  TFileInfoDlg1* info = GetFileInfoDlg();
  EXPECT_EQ(info->objectName(), "TFileInfoDlg1");
  EXPECT_EQ(info->Memo1->isReadOnly(), true);
  info->show();
  EXPECT_EQ(info->windowTitle(), "Information->");
  info->OKBtn->click();
  EXPECT_FALSE(info->isVisible());
  form->DocFileName = "/tmp/a.zqv";
  EXPECT_EQ(GetFileInfoDlg(), info);
  info->show();
  EXPECT_EQ(info->windowTitle(), "Information->/tmp/a.zqv");
}

TEST_F(MenuTest, TheWindowCarriesAThemeManager) {
  auto* manager = form->findChild<TThemeManager*>("ThemeManager1");
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(manager->Options(), DefaultThemeOptions);
  EXPECT_TRUE(manager->IsSubclassed(form));
  EXPECT_TRUE(manager->IsSubclassed(form->tbBold));
  EXPECT_TRUE(manager->IsSubclassed(form->StatusBar1));
}
}  // namespace

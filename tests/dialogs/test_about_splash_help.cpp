// The About box (memory status, licence, version listing, printing), the splash window and the
// help pages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>

#include "dialogs/about_box.h"
#include "dialogs/help_viewer.h"
#include "dialogs/splash_window.h"
#include "platform/app_dir.h"
#include "platform/messages.h"
#include "platform/streams.h"

namespace {
void WriteText(const std::string& name, const std::string& text) { WriteFileAtomically(name, text.data(), text.size()); }

TEST(AboutBox, VersionListing) {
  TVersionRecord r;
  r.FileVersionMS = 2u << 16 | 3u;
  r.FileVersionLS = 2u << 16 | 1u;
  r.FileFlags = VS_FF_PRERELEASE | VS_FF_SPECIALBUILD | VS_FF_DEBUG;
  r.FileFlagsMask = VS_FF_PRERELEASE | VS_FF_SPECIALBUILD;  // debug flag not in the mask
  for (int i = 0; i < 8; ++i) r.Strings[i] = "v" + std::to_string(i);
  const QStringList lines = VersionListing(r);
  const QStringList expected = {"Signature: 00000000FEEF04BD", "Major version number: 2", "Minor version number: 3",
                                "Release version number: 2",   "Build version number: 1", "Pre-release (beta) version",
                                "Special Build",               "Company Name: v0",        "File Description: v1",
                                "File Version: v2",            "Internal Name: v3",       "Legal Copyright: v4",
                                "Original File Name: v5",      "Product Name: v6",        "Product Version: v7",
                                "Translation: 040904E4"};
  EXPECT_EQ(lines, expected);
}

TEST(AboutBox, MemoryStatus) {
  uint64_t total = 0;
  int load = 0;
  ASSERT_TRUE(ReadMemoryStatus(total, load, "MemTotal:  524288 kB\nMemFree: 1 kB\nMemAvailable:  131072 kB\n"));
  EXPECT_EQ(total, 524288u);
  EXPECT_EQ(load, 75);
  EXPECT_FALSE(ReadMemoryStatus(total, load, "garbage\n"));
  EXPECT_TRUE(ReadMemoryStatus(total, load));  // this machine's /proc/meminfo
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(PhysicalMemoryText(524288), "Physical memory: 524,288 KB");
  QLocale::setDefault(saved);
  EXPECT_EQ(MemoryLoadText(7), "Memory in use:   7 %");
  EXPECT_EQ(MemoryLoadText(100), "Memory in use: 100 %");
}

struct AboutBoxWindow : ::testing::Test {
  TMessageRecorderScope rec;
  void TearDown() override {
    delete AboutBox;
    VersionRecordSource = nullptr;
    AboutPrinterSetup = nullptr;
    QDir(QString::fromStdString(AppDir() + "docs")).removeRecursively();
  }
  TAboutBox* Open() {
    AboutBox = new TAboutBox();
    AboutBox->show();
    return AboutBox;
  }
};

TEST_F(AboutBoxWindow, LicenceAndVersionInTheViewer) {
  TAboutBox* box = Open();
  EXPECT_EQ(box->windowTitle(), "About Korvalis V(tm)");
  EXPECT_EQ(box->Label3->text(), "Korvalis V(tm)");
  EXPECT_TRUE(box->PhysMem->text().startsWith("Physical memory: "));
  EXPECT_TRUE(box->PhysMem->text().endsWith(" KB"));
  EXPECT_TRUE(box->FreeRes->text().endsWith(" %"));
  const QStringList lines = box->RichEdit1->toPlainText().split('\n');
  EXPECT_EQ(lines[0], "MISSING LICENSE FILE. PLEASE READ THE RELEVANT SECTIONS IN THE HELP FILE FOR IMPORTANT INFORMATION");
  EXPECT_EQ(lines[1], " ");
  EXPECT_EQ(lines[2], "Signature: 00000000FEEF04BD");
  EXPECT_TRUE(lines.contains("Product Name: Korvalis V"));
  EXPECT_TRUE(lines.contains("Translation: 040904E4"));
  EXPECT_EQ(box->RichEdit1->textCursor().position(), 0);
  delete AboutBox;
  EXPECT_EQ(AboutBox, nullptr);

  QDir().mkpath(QString::fromStdString(AppDir() + "docs"));
  WriteText(AppDir() + "docs/license.txt", "Line one.\nLine two.\n");
  VersionRecordSource = [](TVersionRecord&) { return false; };  // no version record
  box = Open();
  EXPECT_EQ(box->RichEdit1->toPlainText(), "Line one.\nLine two.\n \n");
}

TEST_F(AboutBoxWindow, PrintsToAPrinterAndReportsAFailure) {
  TAboutBox* box = Open();
  QTemporaryDir dir;
  const QString pdf = dir.filePath("about.pdf");
  AboutPrinterSetup = [pdf](QPrinter& p) {
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(pdf);
  };
  box->Button1->click();
  EXPECT_TRUE(rec->Texts().empty());
  ASSERT_TRUE(QFileInfo::exists(pdf));
  EXPECT_GT(QFileInfo(pdf).size(), 500);
  AboutPrinterSetup = [](QPrinter& p) {  // no printer: output that goes nowhere
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName("");
  };
  box->Button1->click();
  ASSERT_EQ(rec->Texts().size(), 1u);
  EXPECT_NE(rec->Texts()[0].find("Unable to print \"About Korvalis V.txt\""), std::string::npos);
  EXPECT_TRUE(box->isVisible());  // the window stays open
}

struct SplashWindow : ::testing::Test {
  void SetUp() override {
    SplashGifInterval = 50;
    SplashBitmapInterval = 150;
  }
  void TearDown() override {
    SplashGifResource = "SPLASH_GIF";
    SplashGifInterval = 1000;
    SplashBitmapInterval = 3000;
  }
};

TEST_F(SplashWindow, GifFirstThenTheMainWindow) {
  QWidget main;
  bool visibleDuring = true;
  QTimer::singleShot(10, [&] { visibleDuring = main.isVisible(); });
  QElapsedTimer clock;
  clock.start();
  RunSplashWindow(&main);
  EXPECT_FALSE(visibleDuring);
  EXPECT_TRUE(main.isVisible());
  EXPECT_GE(clock.elapsed(), 40);
  TSplashFm splash(&main);
  EXPECT_TRUE(splash.ShowsGif);
  EXPECT_EQ(splash.Timer1->interval(), 50);
  EXPECT_EQ(splash.size(), QSize(302, 297));
  EXPECT_FALSE(splash.Image1->pixmap().isNull());
  EXPECT_EQ(splash.Image1->parentWidget(), splash.Panel);
}

TEST_F(SplashWindow, BitmapWhenTheGifIsMissing) {
  SplashGifResource = "NO_SUCH_GIF";
  QWidget main;
  TSplashFm splash(&main);
  EXPECT_FALSE(splash.ShowsGif);
  EXPECT_EQ(splash.Timer1->interval(), 150);
  EXPECT_FALSE(splash.Image1->pixmap().isNull());
  QElapsedTimer clock;
  clock.start();
  RunSplashWindow(&main);
  EXPECT_GE(clock.elapsed(), 140);
  EXPECT_TRUE(main.isVisible());
}

TEST(HelpPages, ContextPageContentsOrMessage) {
  TMessageRecorderScope rec;
  QTemporaryDir dir;
  const std::string helpFile = dir.filePath("zqveq6kv.hlp").toStdString();
  std::vector<QUrl> opened;
  OpenUrlHook = [&](const QUrl& url) {
    opened.push_back(url);
    return true;
  };
  // No pages: the help file is missing.
  EXPECT_FALSE(ShowHelpContext(1450, helpFile));
  EXPECT_TRUE(opened.empty());
  ASSERT_EQ(rec->Texts().size(), 1u);
  EXPECT_NE(rec->Texts()[0].find("Unable to open the help file"), std::string::npos);
  QDir(dir.path()).mkpath("help");
  WriteText(dir.filePath("help/index.html").toStdString(), "<html/>");
  WriteText(dir.filePath("help/1450.html").toStdString(), "<html/>");
  EXPECT_TRUE(ShowHelpContext(1450, helpFile));
  EXPECT_TRUE(ShowHelpContext(77, helpFile));  // no page of its own: the contents
  EXPECT_TRUE(ShowHelpContents(helpFile));
  ASSERT_EQ(opened.size(), 3u);
  EXPECT_TRUE(opened[0].toLocalFile().endsWith("help/1450.html"));
  EXPECT_TRUE(opened[1].toLocalFile().endsWith("help/index.html"));
  EXPECT_TRUE(opened[2].toLocalFile().endsWith("help/index.html"));
  OpenUrlHook = nullptr;
}

TEST(HelpPages, EveryShippedPageIsThere) {
  // The pages made by the resources script: the contents and the pages of the tips.
  const std::string shipped = std::string(KV_SOURCE_DIR) + "/resources/zqveq6kv.hlp";
  for (int ctx : {10, 20, 345, 960, 1030, 1450}) {
    const std::string page = HelpPageFor(shipped, ctx);
    EXPECT_TRUE(QString::fromStdString(page).endsWith(QString("help/%1.html").arg(ctx))) << ctx;
  }
  EXPECT_TRUE(QString::fromStdString(HelpPageFor(shipped, 4242)).endsWith("help/index.html"));
}
}  // namespace

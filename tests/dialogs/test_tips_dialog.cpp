// The tips file's lines and the tips window: parsing, missing and malformed files, stepping,
// jumping, searching and the start-up flag.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTest>

#include "dialogs/tips_dialog.h"
#include "dialogs/tips_text.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"

namespace {
void WriteText(const std::string& name, const std::string& text) { WriteFileAtomically(name, text.data(), text.size()); }

struct TipCase {
  const char* Line;
  const char* Resource;
  const char* Title;
  const char* Text;
  int Context;
};

TEST(TipLines, PartsOfALine) {
  const TipCase cases[] = {
      {"WC1=Welcome.Press F1 for help. Or not.1200", "WC1", "Welcome.", "Press F1 for help. Or not.", 1200},
      {"WC1=Welcome.Press F1 for help. Or not.", "WC1", "Welcome.", "Press F1 for help. Or not.", 10},
      {"WC1=Welcome.  Press F1.  1200", "WC1", "Welcome.", "Press F1.", 1200},
      {"WC1=Welcome.Press F1. Or not.x12", "WC1", "Welcome.", "Press F1. Or not.x12", 10},
      {"P=Title.1350", "P", "Title.", "", 1350},
      {"P=Title.no stop at all", "P", "Title.", "no stop at all", 10},
      {"P=Title.", "P", "Title.", "", 10},
      // Lines the format does not cover: no picture, all title, help context 10.
      {"No equals sign. Text.20", "", "No equals sign. Text.20", "", 10},
      {"P=No full stop", "P", "No full stop", "", 10},
      {"=Title.Text.5", "", "Title.", "Text.", 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Line);
    const TTipParts p = ParseTipLine(QString::fromUtf8(c.Line));
    EXPECT_EQ(p.ResourceName, QString::fromUtf8(c.Resource));
    EXPECT_EQ(p.Title, QString::fromUtf8(c.Title));
    EXPECT_EQ(p.Text, QString::fromUtf8(c.Text));
    EXPECT_EQ(p.HelpContext, c.Context);
  }
}

TEST(TipLines, BlankLinesDroppedAndOldEncodingsRead) {
  const std::string name = AppDir() + "tips_lines.txt";
  WriteText(name, "\r\nA=One.Text one.10\r\n   \r\n\tB=Two.Text two.20\r\n\r\n\r\n");
  const QStringList lines = ReadTipLines(name);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(ParseTipLine(lines[1]).Text, "Text two.");
  // Windows-1252 bytes (not valid UTF-8) are read as such.
  WriteText(name, "A=Caf\xe9.Un caf\xe9.10\n");
  EXPECT_EQ(ParseTipLine(ReadTipLines(name)[0]).Title, QString::fromUtf8("Café."));
  EXPECT_THROW(ReadTipLines(AppDir() + "no_such_tips.txt"), EFOpenError);
}

struct TipsWindow : ::testing::Test {
  TMessageRecorderScope rec;
  std::string ini;
  void SetUp() override {
    ini = AppDir() + "ChildFms.ini";
    CurrentTip = 0;
    TipSearchPos = 0;
  }
  void TearDown() override {
    delete TipsDialog;
    std::remove((AppDir() + "TipsText.txt").c_str());
    std::remove(ini.c_str());
  }
  // A tips file of n tips: "Tn" pictures, "Title n." titles, texts naming the tip.
  void WriteTips(int n, bool blanks = false) {
    std::string text;
    for (int i = 0; i < n; ++i) {
      text += "T" + std::to_string(i) + "=Title " + std::to_string(i) + ".Text of tip " + std::to_string(i) +
              (i % 5 == 0 ? " with a needle." : ".") + std::to_string(100 + i) + "\n";
      if (blanks) text += "   \n\n";
    }
    WriteText(AppDir() + "TipsText.txt", text);
  }
  TTipsDialog* Open() {
    TipsDialog = new TTipsDialog();
    TipsDialog->SetIniFileName(ini);
    TipsDialog->show();
    return TipsDialog;
  }
};

TEST_F(TipsWindow, CountsOnlyTipsAndStepsWithWrap) {
  WriteTips(25, true);
  TTipsDialog* d = Open();
  ASSERT_EQ(d->TipCount(), 25);
  EXPECT_EQ(d->SpinEdit1->maximum(), 24);
  d->ShowTip(0);
  EXPECT_EQ(d->Label1->text(), "0 of 25");
  EXPECT_EQ(d->windowTitle(), "Title 0.");
  EXPECT_EQ(d->TipLbl->toPlainText(), "Text of tip 0 with a needle.");
  EXPECT_EQ(d->HelpContext, 100);
  d->BitBtn1->click();
  EXPECT_EQ(d->Label1->text(), "24 of 25");
  EXPECT_EQ(CurrentTip, 24);
  d->BitBtn2->click();
  EXPECT_EQ(CurrentTip, 0);
  d->SpinEdit1->setValue(7);
  EXPECT_EQ(CurrentTip, 7);
  EXPECT_EQ(d->windowTitle(), "Title 7.");
  EXPECT_TRUE(rec->Texts().empty());
}

TEST_F(TipsWindow, MissingEmptyAndMalformedFilesNeverCrash) {
  // Missing: the window opens empty; showing a tip then fails with its own message.
  TTipsDialog* d = Open();
  EXPECT_EQ(rec->Texts(), (std::vector<std::string>{"Tips are missing", "Unable to show tips."}));
  d->BitBtn2->click();
  d->BitBtn1->click();
  d->SearchText1->setText("word");
  d->SpeedButton1->click();
  delete TipsDialog;
  rec->Clear();
  // Empty (blank lines only): nothing to show.
  WriteText(AppDir() + "TipsText.txt", "\n   \n\r\n");
  d = Open();
  EXPECT_EQ(d->TipCount(), 0);
  EXPECT_EQ(rec->Texts(), (std::vector<std::string>{"Unable to show tips."}));
  delete TipsDialog;
  rec->Clear();
  // Malformed lines show what they have.
  WriteText(AppDir() + "TipsText.txt", "just words\n=\n==..\nX=.\n");
  d = Open();
  for (int i = 0; i < d->TipCount(); ++i) d->ShowTip(i);
  EXPECT_EQ(d->TipCount(), 4);
  EXPECT_TRUE(rec->Texts().empty());
  d->ShowTip(4);
  EXPECT_EQ(rec->Texts(), (std::vector<std::string>{"Unable to show tips."}));
}

TEST_F(TipsWindow, PictureFromResourceOrTheApplicationIcon) {
  WriteText(AppDir() + "TipsText.txt", "DRAW=Drawing.Draw shapes.10\nWC1=Welcome.Hello.10\n");
  TTipsDialog* d = Open();
  d->ShowTip(0);
  EXPECT_EQ(d->CurrentResourceName, "DRAW");
  const QImage drawn = d->Image1->pixmap().toImage();
  EXPECT_EQ(drawn.size(), QSize(40, 40));
  d->ShowTip(1);  // no resource of that name
  EXPECT_FALSE(d->Image1->pixmap().isNull());
  EXPECT_NE(d->Image1->pixmap().toImage(), drawn);
}

TEST_F(TipsWindow, SearchFindsTextsInTurnAndReportsMissesOnce) {
  WriteTips(12);  // "needle" in tips 0, 5 and 10; "Title" only in titles
  TTipsDialog* d = Open();
  auto search = [&](const char* s) {
    d->SearchText1->setText(s);
    d->SpeedButton1->click();
  };
  search("n");  // one character: nothing happens
  EXPECT_EQ(TipSearchPos, 0);
  EXPECT_TRUE(rec->Texts().empty());
  search(" NEEDLE ");
  EXPECT_EQ(CurrentTip, 0);
  EXPECT_EQ(d->TipLbl->textCursor().selectedText(), "needle");
  search("needle");
  EXPECT_EQ(CurrentTip, 5);
  search("needle");
  EXPECT_EQ(CurrentTip, 10);
  EXPECT_EQ(d->TipLbl->textCursor().selectionStart(), QString("Text of tip 10 with a ").size());
  search("needle");
  EXPECT_EQ(CurrentTip, 0);  // round again from the first tip
  EXPECT_TRUE(rec->Texts().empty());
  search("title");  // in titles only
  EXPECT_EQ(rec->Texts(), (std::vector<std::string>{"title not found in tips"}));
  EXPECT_EQ(TipSearchPos, 0);
  search("needle");
  EXPECT_EQ(CurrentTip, 0);
  // Enter in the search box searches again and starts the timer that gives it the focus back.
  QTest::keyClick(d->SearchText1, Qt::Key_Return);
  EXPECT_EQ(CurrentTip, 5);
  EXPECT_TRUE(d->T1->isActive());
}

TEST_F(TipsWindow, JumpBoxTakesOnlyDigits) {
  WriteTips(25);
  TTipsDialog* d = Open();
  d->ShowTip(3);
  d->SpinEdit1->setFocus();
  QTest::keyClick(d->SpinEdit1, Qt::Key_A);
  EXPECT_EQ(d->SpinEdit1->value(), 3);
  EXPECT_EQ(CurrentTip, 3);
  d->SpinEdit1->selectAll();
  QTest::keyClicks(d->SpinEdit1, "12");
  EXPECT_EQ(CurrentTip, 12);
}

TEST_F(TipsWindow, StartUpFlagReadAtStartAndWrittenOnClose) {
  WriteTips(3);
  {
    TZQVIniFile f(ini);
    f.WriteBool("TipsDlg_Messages", "ShowTips", true);
    f.UpdateFile();
  }
  ShowTipsAtStartup(ini);
  EXPECT_EQ(TipsDialog, nullptr);
  {
    TZQVIniFile f(ini);
    f.WriteBool("TipsDlg_Messages", "ShowTips", false);
    f.UpdateFile();
  }
  ShowTipsAtStartup(ini);
  ASSERT_NE(TipsDialog, nullptr);
  EXPECT_TRUE(TipsDialog->isVisible());
  EXPECT_FALSE(TipsDialog->CheckBox1->isChecked());
  TTipsDialog* first = TipsDialog;
  ShowTipsAtStartup(ini);
  EXPECT_EQ(TipsDialog, first);  // one window
  TipsDialog->CheckBox1->setChecked(true);
  TipsDialog->OKBtn->click();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(TipsDialog, nullptr);
  TZQVIniFile f(ini);
  EXPECT_TRUE(f.ReadBool("TipsDlg_Messages", "ShowTips", false));
}
}  // namespace

#include "dialogs/program_pictures.h"

namespace {
TEST(TipLines, ShippedTipsHaveTheirPicturesAndHelpPages) {
  const QStringList lines = ReadTipLines(std::string(KV_SOURCE_DIR) + "/resources/TipsText.txt");
  ASSERT_GE(lines.size(), 10);
  for (const QString& line : lines) {
    const TTipParts tip = ParseTipLine(line);
    SCOPED_TRACE(line.toStdString());
    EXPECT_TRUE(HasProgramResource(tip.ResourceName.toStdString(), "gif"));
    EXPECT_FALSE(tip.Text.isEmpty());
    EXPECT_TRUE(QFile::exists(QString("%1/resources/help/%2.html").arg(KV_SOURCE_DIR).arg(tip.HelpContext)));
  }
}
}  // namespace

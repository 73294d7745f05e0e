// Closing the window and File > New with and without unsaved work: the questions asked, what
// each answer does, and that work is never thrown away after a save that did not happen; what the
// close writes and the next window shows (option ticks, engine options, hints, placement); what
// New gives back; the undo files made afresh when one cannot be read; the caret and activation.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <map>

#include "app/main_window_fixture.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "dialogs/main_font_dialog.h"
#include "dialogs/transforms_window.h"
#include "helpers/num_spin_edit.h"
#include "helpers/speed_button.h"
#include "page/page_part.h"
#include "platform/caret.h"
#include "text/page_geometry.h"

namespace {

struct Closing : MainWindowFixture {
  TForm1* form = nullptr;
  void SetUp() override {
    MainWindowFixture::SetUp();
    form = CreateStartupWindows();
    rec->Clear();
  }
  // Yes is answered with a file in a folder that does not exist, so the save fails.
  void SaveFails() {
    DocumentDialogHook = [](const std::string&, const std::string&) { return AppDir() + "no-such-folder/page.zqv"; };
  }
  std::vector<std::string> Questions() {
    std::vector<std::string> texts;
    for (const TMessageCall& c : rec->Messages()) texts.push_back(c.Text);
    return texts;
  }
  // The user ends the run (No to every question) and starts the program again.
  void Restart() {
    form->show();
    rec->DefaultAnswer = mrNo;
    ASSERT_TRUE(form->close());
    rec->DefaultAnswer = 0;
    FreeStartupWindows();
    form = CreateStartupWindows();
    form->show();
  }
};

// The keys of one section of a settings file as its text has them (an ini reader of its own).
std::map<std::string, std::string> IniSection(const std::string& file, const std::string& section) {
  const auto bytes = ReadWholeFile(AppDir() + file);
  const std::string text(bytes.begin(), bytes.end());
  std::map<std::string, std::string> keys;
  bool inside = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inside = line == "[" + section + "]";
    } else if (inside) {
      const auto eq = line.find('=');
      if (eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  return keys;
}

// Runs Act on the next modal dialog once it is shown.
void OnModal(std::function<void(QWidget*)> Act) {
  QTimer::singleShot(0, [Act] {
    QWidget* w = QApplication::activeModalWidget();
    ASSERT_NE(w, nullptr);
    Act(w);
  });
}

TEST_F(Closing, TheCloseQuestionsAndTheirAnswers) {
  const std::string work = "Save Changes to untitled ?";
  const std::string defaults = "Do you want to save changes to application defaults";
  const std::string SaveFailure = "Unable to create file stream due to \rCannot create file";
  SaveFails();
  const struct {
    bool modified;
    std::vector<int> answers;
    bool closes;
    std::vector<std::string> asked;
  } cases[] = {
      {false, {mrNo}, true, {defaults}},                       // nothing changed: only the defaults
      {false, {mrCancel}, false, {defaults}},                  // Cancel there keeps the window open
      {true, {mrNo, mrNo}, true, {work, defaults}},            // No discards the work
      {true, {mrCancel}, false, {work}},                       // Cancel keeps working
      {true, {mrYes}, false, {work, SaveFailure}},             // a failed save keeps it open
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.answers));
    rec->Clear();
    form->Modified = c.modified;
    for (int a : c.answers) rec->Answer(a);
    EXPECT_EQ(form->FormCloseQuery(form), c.closes);
    // Each message begins with the expected text (the failure goes on with the path and reason).
    const std::vector<std::string> asked = Questions();
    ASSERT_EQ(asked.size(), c.asked.size());
    for (size_t i = 0; i < asked.size(); ++i) EXPECT_EQ(asked[i].substr(0, c.asked[i].size()), c.asked[i]);
  }
  // A named page whose file is gone is still asked about through its changed flag.
  rec->Clear();
  form->DocFileName = AppDir() + "gone.zqv";
  form->Modified = true;
  rec->Answer(mrCancel);
  EXPECT_FALSE(form->FormCloseQuery(form));
  EXPECT_EQ(Questions().front(), "Save changes to " + form->DocFileName + " ?");
}

TEST_F(Closing, ClosingTheWindowRespectsTheAnswers) {
  form->Modified = true;
  rec->Answer(mrCancel);
  form->show();
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->isVisible());
  EXPECT_NE(Figures, nullptr);
  rec->Answer(mrNo);
  rec->Answer(mrNo);
  EXPECT_TRUE(form->close());
  EXPECT_EQ(Figures, nullptr);  // the engine went with the window's belongings
}

TEST_F(Closing, NewAsksOnlyAboutChangedWorkAndGivesAFreshPage) {
  // An unchanged page is emptied at once.
  form->_NewWorkSpaceClick(form->New1);
  EXPECT_TRUE(Questions().empty());
  // A changed page: Cancel keeps everything, No empties it.
  form->tbDraw->SetDown(true);
  form->tbDrawClick(form->tbDraw);
  form->MainImageMouseDown(Qt::LeftButton, Qt::NoModifier, 100, 200);
  form->MainImageMouseMove(Qt::LeftButton, Qt::NoModifier, 300, 200);
  form->MainImageMouseUp(Qt::LeftButton, Qt::NoModifier, 300, 200);
  ASSERT_EQ(Figures->Count(), 1);
  ASSERT_TRUE(form->Modified);
  rec->Answer(mrCancel);
  form->_NewWorkSpaceClick(form->New1);
  EXPECT_EQ(Questions(), std::vector<std::string>{"Save Untitled ?"});
  EXPECT_EQ(Figures->Count(), 1);
  // Yes with a save that did not happen keeps the page.
  rec->Clear();
  SaveFails();
  rec->Answer(mrYes);
  form->_NewWorkSpaceClick(form->New1);
  EXPECT_EQ(Figures->Count(), 1);
  rec->Clear();
  rec->Answer(mrNo);
  form->_NewWorkSpaceClick(form->New1);
  EXPECT_EQ(Figures->Count(), 0);
  EXPECT_FALSE(form->Modified);
  EXPECT_FALSE(form->tbUndo->isEnabled());
  EXPECT_EQ(form->windowTitle().toStdString(), form->ProductCaption);
  // The new engine takes the options from the menu ticks.
  form->AutoBringtoFront1->setChecked(true);
  form->NewFile(form->New1);
  EXPECT_TRUE(Figures->AutoFront);
  EXPECT_NE(Figures->Selector, nullptr);
}

TEST_F(Closing, OptionTicksEngineOptionsAndPlacementSurviveARestart) {
  form->show();
  form->BeepTicks1->trigger();
  ASSERT_TRUE(form->BeepTicks1->isChecked());
  form->findChild<QAction*>("N41")->trigger();  // copy magnification *4
  ASSERT_EQ(Figures->CopyMagnification, 4);
  form->findChild<QAction*>("SmallSnapArea1")->trigger();
  form->setGeometry(40, 30, 760, 420);
  Restart();
  // What the close wrote.
  const auto mainForm = IniSection("ChildFms.ini", "Main Form");
  EXPECT_EQ(mainForm.at("BeepTicks1_Checked"), "1");
  EXPECT_EQ(mainForm.at("LargeSnapArea1_Checked"), "0");
  EXPECT_EQ(mainForm.at("SmallSnapArea1_Checked"), "1");
  EXPECT_EQ(IniSection("PageIni.ini", "General").at("Large_Bitmaps"), "4");
  const auto placement = IniSection("ChildFms.ini", "Form1");
  EXPECT_EQ(placement.at("Window_State"), "0");
  EXPECT_EQ(placement.at("Left"), "40");
  EXPECT_EQ(placement.at("Top"), "30");
  EXPECT_EQ(placement.at("Width"), "760");
  EXPECT_EQ(placement.at("Height"), "420");
  // And what the next run shows.
  EXPECT_TRUE(form->BeepTicks1->isChecked());
  EXPECT_FALSE(form->LargeSnapArea1->isChecked());
  EXPECT_EQ(SnapAreaSize, 2);
  EXPECT_EQ(Figures->CopyMagnification, 4);
  EXPECT_EQ(form->geometry(), QRect(40, 30, 760, 420));
}

TEST_F(Closing, ShowHintsOffIsWrittenOffAndStaysOff) {
  form->show();
  form->ToggleHints1->trigger();
  ASSERT_FALSE(form->ShowHint);
  // Yes to the defaults question writes the application defaults as well.
  form->show();
  rec->Answer(mrYes);
  ASSERT_TRUE(form->close());
  EXPECT_EQ(IniSection("PageIni.ini", "General").at("Hints"), "0");
  EXPECT_EQ(IniSection("ChildFms.ini", "Main Form").at("ToggleHints1_Checked"), "0");
  FreeStartupWindows();
  form = CreateStartupWindows();
  form->show();
  EXPECT_FALSE(form->ShowHint);
  EXPECT_FALSE(form->ToggleHints1->isChecked());
  form->_Options->popup(QPoint(0, 0));  // the Options menu shows the switch as it is
  EXPECT_FALSE(form->ToggleHints1->isChecked());
  form->_Options->hide();
}

TEST_F(Closing, HintsFollowTheTickKeptWithTheWindow) {
  // The application defaults say no hints, the window's own settings say nothing: the item is
  // ticked and the hints are on, as the tick says.
  FreeStartupWindows();
  const std::string text = "[General]\r\nHints=0\r\n";
  WriteFileAtomically(AppDir() + "PageIni.ini", text.data(), text.size());
  form = CreateStartupWindows();
  form->show();
  EXPECT_TRUE(form->ToggleHints1->isChecked());
  EXPECT_TRUE(form->ShowHint);
}

TEST_F(Closing, WindowPlacementCases) {
  const QRect desk = QGuiApplication::primaryScreen()->virtualGeometry();
  const struct {
    const char* name;
    const char* placement;  // the [Form1] section, or null for none
    bool maximised;
    QRect expected;  // for a window that is not maximised
  } cases[] = {
      {"never saved: centred at its designed size", nullptr, false,
       QRect((desk.width() - 1000) / 2, (desk.height() - 760) / 2, 1000, 760)},
      {"off the desktop to the left and above", "Window_State=0\r\nLeft=-700\r\nTop=-20\r\nWidth=760\r\nHeight=400\r\n",
       false, QRect(1, 1, 760, 400)},
      {"beyond the right and bottom edges", "Window_State=0\r\nLeft=5000\r\nTop=5000\r\nWidth=760\r\nHeight=400\r\n",
       false, QRect(desk.width() - 760, desk.height() - 400, 760, 400)},
      {"closed minimised: shown", "Window_State=1\r\nLeft=10\r\nTop=20\r\nWidth=760\r\nHeight=400\r\n", false,
       QRect(10, 20, 760, 400)},
      {"closed maximised: maximised", "Window_State=2\r\nLeft=10\r\nTop=20\r\nWidth=760\r\nHeight=400\r\n", true,
       QRect()},
  };
  FreeStartupWindows();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove((AppDir() + "ChildFms.ini").c_str());
    if (c.placement) {
      const std::string text = std::string("[Form1]\r\n") + c.placement;
      WriteFileAtomically(AppDir() + "ChildFms.ini", text.data(), text.size());
    }
    form = CreateStartupWindows();
    form->show();
    EXPECT_EQ(form->isMaximized(), c.maximised);
    EXPECT_FALSE(form->isMinimized());
    if (!c.maximised && (c.placement || (desk.width() >= 1000 && desk.height() >= 760))) {
      // The platform may keep a frame pixel on the desktop.
      EXPECT_EQ(form->geometry().size(), c.expected.size());
      EXPECT_NEAR(form->geometry().x(), c.expected.x(), 1);
      EXPECT_NEAR(form->geometry().y(), c.expected.y(), 1);
    }
    EXPECT_TRUE(desk.contains(form->frameGeometry().topLeft()));
    FreeStartupWindows();
  }
  form = CreateStartupWindows();
}

TEST_F(Closing, NewClosesTheTransformsWindowFirst) {
  form->show();
  form->findChild<QAction*>("Transforms1")->trigger();
  ASSERT_NE(TransformShapes1, nullptr);
  ASSERT_TRUE(TransformShapes1->isVisible());
  form->New1->trigger();
  QApplication::processEvents();
  EXPECT_EQ(TransformShapes1, nullptr);
  EXPECT_FALSE(TransformsWindowOpen);
  // The window opens again on the new engine.
  form->findChild<QAction*>("Transforms1")->trigger();
  ASSERT_NE(TransformShapes1, nullptr);
  EXPECT_EQ(TransformShapes1->Engine, Figures);
  TransformShapes1->close();
}

TEST_F(Closing, NewGivesBackTheMainFontDefaultsAndTheirLineSpacing) {
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  std::string chosen;
  OnModal([&chosen](QWidget* w) {
    auto* d = qobject_cast<TMainFontDlg*>(w);
    ASSERT_NE(d, nullptr);
    for (int i = 0; i < d->FontCombo->count() && chosen.empty(); ++i)
      if (d->FontCombo->itemText(i) != "Times New Roman") {
        d->FontCombo->setCurrentIndex(i);
        chosen = d->FontCombo->itemText(i).toStdString();
      }
    d->SpinEdit1->SetValue(20);
    d->Line_Spacing->SetValue(30);
    d->Button1->click();  // the page takes the new line spacing
    d->OKBtn->click();
  });
  rec->DefaultAnswer = mrNo;  // not as the defaults
  form->MainFont1->trigger();
  ASSERT_FALSE(chosen.empty());
  ASSERT_EQ(MainFontDlg->GetMainFont().Name, chosen);
  ASSERT_EQ(LineHeight, 30);
  form->Modified = false;
  form->New1->trigger();
  EXPECT_EQ(MainFontDlg->GetMainFont().Name, "Times New Roman");
  EXPECT_EQ(MainFontDlg->GetMainFont().Size(), 12);
  EXPECT_EQ(LineHeight, 13);
  EXPECT_EQ(form->CharPositions[2].Y - form->CharPositions[1].Y, 13);
  // What is typed on the new page takes the main font.
  form->activateWindow();
  QTest::keyClicks(form, "a");
  ASSERT_EQ(form->CharCodes[1], 'a');
  EXPECT_EQ(form->CharFonts[1]->Name, "Times New Roman");
  EXPECT_EQ(form->CharFonts[1]->Size(), 12);
}

TEST_F(Closing, AnUndoFileThatCannotBeReadIsReportedAndMadeAfresh) {
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  // Two line breaks: two text undo records, the older one in the file.
  QTest::keyClicks(form, "ab");
  QTest::keyClick(form, Qt::Key_Return);
  QTest::keyClicks(form, "c");
  QTest::keyClick(form, Qt::Key_Return);
  ASSERT_EQ(TextUndoCount, 2);
  // Something outside the program empties the text undo file.
  const std::string file = form->UndoState.Files[ukText - 1].Name;
  ASSERT_FALSE(file.empty());
  std::filesystem::resize_file(file, 0);
  rec->Clear();
  form->tbUndo->click();
  ASSERT_EQ(rec->Texts().size(), 1u);
  EXPECT_EQ(rec->Texts()[0], "A problem occured writing the undo operation. \rPlease wait while new files are created. "
                             "Your undo operations will be lost. Sorry :-(.");
  // A fresh, empty undo store that works.
  EXPECT_EQ(TextUndoCount, 0);
  EXPECT_EQ(form->UndoState.UndoKindCount, 0);
  EXPECT_TRUE(form->Undo1->isEnabled());
  EXPECT_EQ(std::filesystem::file_size(file), 0u);
  QTest::keyClick(form, Qt::Key_Return);
  EXPECT_EQ(TextUndoCount, 1);
  form->tbUndo->click();
  EXPECT_EQ(rec->Texts().size(), 1u);
  EXPECT_EQ(TextUndoCount, 0);
}

TEST_F(Closing, TheCaretGoesWithTheActivationAndTheRulerGivesItBack) {
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  QWidget* page = form->ScrollBox1->viewport();
  ASSERT_TRUE(CaretState().Exists);
  ASSERT_EQ(CaretState().Owner, page);
  // Another window takes the keyboard: the caret goes; it comes back with the main window.
  QWidget other;
  other.resize(200, 100);
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  EXPECT_FALSE(CaretState().Exists);
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  EXPECT_TRUE(CaretState().Exists);
  EXPECT_EQ(CaretState().Owner, page);
  // A drag of the ruler's marker ends with the caret in its cell.
  DestroyCaret();
  QWidget* marker = nullptr;
  for (QWidget* w : form->ParaPanel1->findChildren<QWidget*>()) marker = w;
  ASSERT_NE(marker, nullptr);
  QTest::mousePress(marker, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
  QTest::mouseMove(marker, QPoint(-20, 2));
  QTest::mouseRelease(marker, Qt::LeftButton, Qt::NoModifier, QPoint(-20, 2));
  EXPECT_TRUE(CaretState().Exists);
  EXPECT_EQ(CaretState().Owner, page);
}

}  // namespace

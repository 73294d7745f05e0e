// Closing the window and File > New with and without unsaved work: the questions asked, what
// each answer does, and that work is never thrown away after a save that did not happen.
#include <gtest/gtest.h>

#include "app/main_window_fixture.h"
#include "cad/engine.h"
#include "helpers/speed_button.h"

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
};

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
  EXPECT_EQ(form->windowTitle().toStdString(), form->ProductCaption + ". File->");
  // The new engine takes the options from the menu ticks.
  form->AutoBringtoFront1->setChecked(true);
  form->NewFile(form->New1);
  EXPECT_TRUE(Figures->AutoFront);
  EXPECT_NE(Figures->Selector, nullptr);
}

}  // namespace

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>

#include "platform/exceptions.h"
#include "platform/guarded.h"
#include "platform/messages.h"

TEST(Messages, RecorderKeepsEveryCallAndAnswersFromItsScript) {
  TMessageRecorderScope rec;
  rec->Answer(mrNo);
  rec->Answer(IDRETRY);
  EXPECT_EQ(MessageDlg("Show this message again?", mtConfirmation, mbYes | mbNo, 20), mrNo);
  EXPECT_EQ(MessageBox("Disk full", "Korvalis V", MB_RETRYCANCEL | MB_ICONHAND), IDRETRY);
  // Script empty: the dialog's own default button, unless a default answer is set.
  EXPECT_EQ(MessageDlg("Apply changes?", mtConfirmation, mbYesNoCancel, 0), mrYes);
  EXPECT_EQ(MessageBox("Sure?", "", MB_YESNO | MB_DEFBUTTON2), IDNO);
  rec->DefaultAnswer = mrCancel;
  EXPECT_EQ(MessageDlg("Save?", mtWarning, mbYesNoCancel, 0), mrCancel);
  ShowMessage("Nothing Selected");
  MessageBeep(1);

  ASSERT_EQ(rec->Calls.size(), 7u);
  EXPECT_EQ(rec->BeepCount(), 1);
  EXPECT_EQ(rec->Calls[6].Flags, 1u);
  const auto first = rec->Calls[0];
  EXPECT_EQ(first.Kind, mcMessageDlg);
  EXPECT_EQ(first.Text, "Show this message again?");
  EXPECT_EQ(first.DlgType, mtConfirmation);
  EXPECT_EQ(first.Buttons, mbYes | mbNo);
  EXPECT_EQ(first.HelpCtx, 20);
  EXPECT_EQ(rec->Calls[1].Flags & MB_ICONMASK, MB_ICONSTOP);
  EXPECT_EQ(rec->Calls[1].Caption, "Korvalis V");
  EXPECT_EQ(rec->Last().Text, "Nothing Selected");
  EXPECT_EQ(rec->Last().Kind, mcShowMessage);
  EXPECT_EQ(rec->Texts().size(), 6u);
}

TEST(Messages, TheRecorderScopePutsThePreviousServiceBack) {
  TMessageService* outer = &MessageService();
  {
    TMessageRecorderScope rec;
    EXPECT_EQ(&MessageService(), &rec.Recorder);
    {
      TMessageRecorderScope inner;
      ShowMessage("inner");
      EXPECT_EQ(inner->Calls.size(), 1u);
    }
    EXPECT_EQ(&MessageService(), &rec.Recorder);
    EXPECT_TRUE(rec->Calls.empty());
  }
  EXPECT_EQ(&MessageService(), outer);
}

TEST(Guarded, AnEscapingExceptionGoesToTheHookAndAStopBox) {
  TMessageRecorderScope rec;
  std::vector<std::pair<std::string, std::string>> logged;
  auto previous = SetApplicationExceptionHook([&](const std::string& where, const std::string& msg) {
    logged.emplace_back(where, msg);
  });
  bool after = false;
  Guarded("TForm1.Save1Click", [] { throw EWriteError("Stream write error"); });
  Guarded("silent", [] { throw EAbort("Operation aborted"); });
  const int v = GuardedValue("value", 7, []() -> int { throw std::runtime_error("boom"); });
  Guarded("fine", [&] { after = true; });
  SetApplicationExceptionHook(previous);

  EXPECT_TRUE(after);
  EXPECT_EQ(v, 7);
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_EQ(logged[0].first, "TForm1.Save1Click");
  EXPECT_EQ(logged[0].second, "Stream write error");
  ASSERT_EQ(rec->Calls.size(), 2u);
  EXPECT_EQ(rec->Calls[0].Kind, mcMessageBox);
  EXPECT_EQ(rec->Calls[0].Text, "Stream write error");
  EXPECT_EQ(rec->Calls[0].Flags & MB_ICONMASK, MB_ICONSTOP);
  EXPECT_EQ(rec->Calls[1].Text, "boom");
}


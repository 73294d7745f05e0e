#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "helpers/error_report.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/streams.h"

namespace {
std::string ReadText(const std::string& name) {
  const auto b = ReadWholeFile(name);
  return std::string(b.begin(), b.end());
}

struct LogFixture : ::testing::Test {
  QTemporaryDir dir;
  std::string saved = LogFileName;
  void SetUp() override { LogFileName = dir.filePath("logfile.txt").toStdString(); }
  void TearDown() override { LogFileName = saved; }
};
}  // namespace

TEST_F(LogFixture, FirstEntryWritesDateLineThenEntries) {
  TMessageRecorderScope rec;
  int32_t count = 0;
  LogError("Form1 Create:0", 2, 0, 0, count);
  LogError("Step", 0, 0, 13, count);
  EXPECT_EQ(count, 2);
  EXPECT_TRUE(rec->Calls.empty());  // ShowLevel 0 shows nothing
  const std::string text = ReadText(LogFileName);
  // Date line, then one entry line per call, each entry line ending in CR CR LF.
  const auto first = text.find("\r\r\n");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(text.find("[Time]"), first + 3);
  EXPECT_NE(text.find("[Time]:Error Count:0 - Time:"), std::string::npos);
  EXPECT_NE(text.find("[Name]:Form1 Create:0; error:" + SysErrorMessage(2) + ";\r\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Time]:Error Count:1 - Time:"), std::string::npos);
  // The second line of the second entry carries SecondCode's message right after the name.
  EXPECT_NE(text.find("[Name]:Step" + SysErrorMessage(13) + "\r\r\n"), std::string::npos);
  // Only one date line.
  size_t lines = 0;
  for (size_t p = text.find("\r\r\n"); p != std::string::npos; p = text.find("\r\r\n", p + 1)) ++lines;
  EXPECT_EQ(lines, 4u);
}

TEST_F(LogFixture, LogRestartsPast60000BytesInWhole128ByteUnits) {
  for (const auto& [size, restarted] : {std::pair{60032, true}, std::pair{60031, false}}) {
    const std::string filler(size_t(size), 'x');
    WriteFileAtomically(LogFileName, filler.data(), filler.size());
    int32_t count = 5;
    LogError("n", 0, 0, 0, count);
    const std::string text = ReadText(LogFileName);
    EXPECT_EQ(text.rfind("xx", 0) == std::string::npos, restarted) << size;
    EXPECT_EQ(count, 6);
  }
}

TEST_F(LogFixture, ShowLevelOneShowsEachEntryAndSecondCode) {
  TMessageRecorderScope rec;
  int32_t count = 3;
  LogError("n", 2, 1, 0, count);
  EXPECT_EQ(rec->Messages().size(), 1u);
  EXPECT_EQ(rec->Texts()[0], SysErrorMessage(2) + "\r\rError Count: 3");
  LogError("n", 2, 1, 13, count);
  EXPECT_EQ(rec->Messages().size(), 3u);
  EXPECT_EQ(rec->Texts()[2], SysErrorMessage(13) + "\r\rError Count: 4");
}

TEST_F(LogFixture, NoLogFileNameOrUnwritableLogIsReportedNotRaised) {
  TMessageRecorderScope rec;
  int32_t count = 0;
  LogFileName.clear();
  LogError("n", 0, 0, 0, count);
  EXPECT_EQ(count, 0);
  ASSERT_EQ(rec->Texts().size(), 1u);
  EXPECT_EQ(rec->Texts()[0].rfind("Unable to create log file for the following reason:\r\r", 0), 0u);

  LogFileName = dir.filePath("no/such/folder/logfile.txt").toStdString();
  LogError("n", 0, 0, 0, count);
  EXPECT_EQ(count, 0);
  ASSERT_EQ(rec->Texts().size(), 2u);
  EXPECT_EQ(rec->Texts()[1].rfind(std::string("De Bugging Problem. Please contact: ") + SupportAddress + "\r\r", 0), 0u);
}

TEST(ShowUnknownError, NamesTheExceptionTextAsReason) {
  TMessageRecorderScope rec;
  try {
    throw EReadError("Stream read error");
  } catch (...) {
    ShowUnknownError("RefreshAllImages RefreshText");
  }
  ASSERT_EQ(rec->Texts().size(), 1u);
  // The routine's name is not shown: it means nothing to the user.
  EXPECT_EQ(rec->Texts()[0], std::string("Unknown error. Possible reason: \rStream read error\r") +
                                 "Please report this to:" + SupportAddress + " if the problem recurrs.");
  errno = 2;
  ShowUnknownError("FillCanvas");
  EXPECT_NE(rec->Texts()[1].find("Possible reason: \r" + SysErrorMessage(2) + "\r"), std::string::npos);
}

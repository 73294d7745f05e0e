#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/leftovers.h"
#include "platform/streams.h"

extern char** environ;

namespace {
std::string Contents(const std::string& name) {
  const auto bytes = ReadWholeFile(name);
  return std::string(bytes.begin(), bytes.end());
}

// A process id that is certainly gone: a child that has ended and been waited for.
int EndedProcessId() {
  const pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return int(pid);
}
}  // namespace

TEST(Leftovers, NamesOfTheProgramsOwnTemporaryFilesAndFolders) {
  EXPECT_EQ(TempFileOwner("a.zqv.~123-0badf00d.tmp", "a.zqv"), 123);
  EXPECT_EQ(TempFileOwner(ExtractFileName(TempNameBeside(std::string(250, 'x'), 77, 5)), std::string(250, 'x')), 77);
  for (const char* other : {"a.zqv.~123-0badf00d.tmp.keep", "b.zqv.~123-0badf00d.tmp", "a.zqv.~12x-0badf00d.tmp",
                            "a.zqv.~123-0BADF00D.tmp", "a.zqv.~123-0badf00.tmp", "a.zqv", "a.zq.~123-0badf00d.tmp",
                            ".~123-0badf00d.tmp"})
    EXPECT_EQ(TempFileOwner(other, "a.zqv"), 0) << other;
  EXPECT_EQ(ProcessFolderOwner("korvalis-123-AbC9x1", "korvalis-"), 123);
  for (const char* other : {"korvalis-AbC9x1", "korvalis-123-", "korvalis-12a-AbC9x1", "korvalis-123-a/b", "other-123-x"})
    EXPECT_EQ(ProcessFolderOwner(other, "korvalis-"), 0) << other;
  EXPECT_FALSE(ProcessIsGone(int(getpid())));
  EXPECT_TRUE(ProcessIsGone(EndedProcessId()));
  // A child that has ended but was not waited for yet (a zombie) is gone too.
  const pid_t zombie = fork();
  if (zombie == 0) _exit(0);
  for (int i = 0; i < 500 && !ProcessIsGone(int(zombie)); ++i) QThread::msleep(10);
  EXPECT_TRUE(ProcessIsGone(int(zombie)));
  EXPECT_EQ(kill(zombie, 0), 0) << "still a zombie";
  waitpid(zombie, nullptr, 0);
}

// Run only as the child of the test below: starts a save, announces it and waits to be killed.
TEST(Leftovers, ChildKilledDuringASave) {
  const char* doc = std::getenv("KV_LEFTOVERS_DOC");
  if (!doc) GTEST_SKIP() << "runs as a child process of KillDuringASaveLeavesTheDocumentAndIsCleanedUp";
  const std::string folder = std::string(std::getenv("KV_LEFTOVERS_ROOT")) + "korvalis-" + std::to_string(getpid()) + "-Xy12Zq";
  mkdir(folder.c_str(), 0700);
  WriteFileAtomically(folder + "/undo1.tmp", "undo", 4);
  TFileStream f(doc, fmCreate);
  const std::string half(1 << 16, 'n');
  f.WriteBuffer(half.data(), int64_t(half.size()));
  fflush(nullptr);
  WriteFileAtomically(std::string(doc) + ".ready", "1", 1);
  for (;;) pause();
}

TEST(Leftovers, KillDuringASaveLeavesTheDocumentAndIsCleanedUp) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString() + "/";
  const std::string doc = root + "real.zqv";
  WriteFileAtomically(doc, "the saved document", 18);
  chmod(doc.c_str(), 0600);
  // What must survive: entries of running processes, names that only look alike, other files.
  const std::string mine = root + ExtractFileName(TempNameBeside(doc, int(getpid()), 1));
  WriteFileAtomically(mine, "a save of a running process", 27);
  WriteFileAtomically(root + "other.zqv.~1-00000001.tmp", "not beside this document", 24);
  WriteFileAtomically(root + "notes.txt", "unrelated", 9);
  const std::string liveFolder = root + "korvalis-" + std::to_string(getpid()) + "-Live01";
  ASSERT_EQ(mkdir(liveFolder.c_str(), 0700), 0);
  ASSERT_EQ(mkdir((root + "korvalis-plain").c_str(), 0700), 0);
  // A killed run's folder that holds a link: the link goes, never what it names.
  const std::string deadFolder = root + "korvalis-" + std::to_string(EndedProcessId()) + "-Dead01";
  ASSERT_EQ(mkdir(deadFolder.c_str(), 0700), 0);
  ASSERT_EQ(symlink(doc.c_str(), (deadFolder + "/link").c_str()), 0);

  const std::string filter = "--gtest_filter=Leftovers.ChildKilledDuringASave";
  const std::string docVar = "KV_LEFTOVERS_DOC=" + doc, rootVar = "KV_LEFTOVERS_ROOT=" + root;
  std::vector<char*> env;
  for (char** e = environ; *e; ++e) env.push_back(*e);
  env.push_back(const_cast<char*>(docVar.c_str()));
  env.push_back(const_cast<char*>(rootVar.c_str()));
  env.push_back(nullptr);
  char exe[] = "/proc/self/exe";
  char* argv[] = {exe, const_cast<char*>(filter.c_str()), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, exe, nullptr, nullptr, argv, env.data()), 0);
  // Until the child is in the middle of its save (its own start-up takes a moment).
  for (int i = 0; i < 3000 && !FileExists(doc + ".ready"); ++i) QThread::msleep(10);
  ASSERT_TRUE(FileExists(doc + ".ready"));
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  DeleteFile(doc + ".ready");

  // The document is whole; the killed run left its folder and its temporary file.
  EXPECT_EQ(Contents(doc), "the saved document");
  const std::string childFolder = root + "korvalis-" + std::to_string(child) + "-Xy12Zq";
  EXPECT_TRUE(DirectoryExists(childFolder));
  const QStringList temps = QDir(dir.path()).entryList({"real.zqv.~*.tmp"}, QDir::Files | QDir::Hidden);
  EXPECT_EQ(temps.size(), 2);

  // The next start removes what the killed runs left, and nothing else.
  EXPECT_EQ(RemoveStaleTempFilesBeside(doc), 1);
  EXPECT_EQ(RemoveStaleProcessFolders(root, "korvalis-"), 2);
  EXPECT_FALSE(DirectoryExists(childFolder));
  EXPECT_FALSE(DirectoryExists(deadFolder));
  EXPECT_TRUE(DirectoryExists(liveFolder));
  EXPECT_TRUE(DirectoryExists(root + "korvalis-plain"));
  EXPECT_EQ(Contents(doc), "the saved document");
  EXPECT_EQ(Contents(mine), "a save of a running process");
  EXPECT_TRUE(FileExists(root + "other.zqv.~1-00000001.tmp"));
  EXPECT_TRUE(FileExists(root + "notes.txt"));
  // Through a link to the document, the files beside the real document are the ones looked at.
  const std::string stale = TempNameBeside(doc, EndedProcessId(), 2);
  WriteFileAtomically(stale, "x", 1);
  ASSERT_EQ(mkdir((root + "links").c_str(), 0700), 0);
  ASSERT_EQ(symlink(doc.c_str(), (root + "links/link.zqv").c_str()), 0);
  EXPECT_EQ(RemoveStaleTempFilesBeside(root + "links/link.zqv"), 1);
  EXPECT_FALSE(FileExists(stale));
}

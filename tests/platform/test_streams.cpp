#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <QTemporaryDir>
#include <csignal>

#include "platform/exceptions.h"
#include "platform/streams.h"

TEST(Streams, MemoryStreamRecordsAndShortRead) {
  TMemoryStream m;
  m.WriteInt(-2);
  m.WriteWord(0x1234);
  m.WriteByte(7);
  EXPECT_EQ(m.Size(), 7);
  EXPECT_EQ(m.Data[0], 0xFE);  // little-endian
  m.SetPosition(0);
  EXPECT_EQ(m.ReadInt(), -2);
  EXPECT_EQ(m.ReadWord(), 0x1234);
  EXPECT_EQ(m.ReadByte(), 7);
  EXPECT_THROW(m.ReadByte(), EReadError);
  m.SetPosition(5);
  uint32_t v;
  EXPECT_THROW(m.ReadBuffer(&v, 4), EReadError);
}

TEST(Streams, CreatedFileReplacesTargetOnlyWhenComplete) {
  QTemporaryDir dir;
  const std::string name = dir.filePath("doc.bin").toStdString();
  WriteFileAtomically(name, "old", 3);

  // An exception while writing leaves the old file in place and no temporary file behind.
  try {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("new data", 8);
    throw EWriteError("disk full");
  } catch (const EWriteError&) {
  }
  auto bytes = ReadWholeFile(name);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "old");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);

  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("new data", 8);
    f.Commit();
  }
  bytes = ReadWholeFile(name);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "new data");
}

TEST(Streams, WriteThatRunsOutOfSpaceKeepsOldFile) {
  // A file-size limit makes the write fail part-way, as a full disk would (also for root).
  QTemporaryDir dir;
  const std::string name = dir.filePath("keep.txt").toStdString();
  WriteFileAtomically(name, "keep", 4);
  const std::string big(1 << 20, 'x');
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  auto* previous = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 64 * 1024;
  setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_THROW(WriteFileAtomically(name, big.data(), big.size()), EStreamError);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);
  auto bytes = ReadWholeFile(name);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "keep");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no temporary file left behind
}

TEST(Streams, FileNameParts) {
  EXPECT_EQ(ExtractFilePath("/a/b/c.zqv"), "/a/b/");
  EXPECT_EQ(ExtractFileName("/a/b/c.zqv"), "c.zqv");
  EXPECT_EQ(ExtractFileExt("/a/b.d/c"), "");
  EXPECT_EQ(UpperCase(ExtractFileExt("x.Jpeg")), ".JPEG");
  EXPECT_EQ(ChangeFileExt("/a/c.zqv", ".Bak"), "/a/c.Bak");
}

namespace {
unsigned ModeOf(const std::string& name) {
  struct stat st;
  EXPECT_EQ(lstat(name.c_str(), &st), 0) << name;
  return unsigned(st.st_mode & 07777);
}
std::string Contents(const std::string& name) {
  const auto bytes = ReadWholeFile(name);
  return std::string(bytes.begin(), bytes.end());
}
}  // namespace

TEST(Streams, ReplacedFileKeepsItsPermissionsAndCopiesTakeTheSourcesOnes) {
  QTemporaryDir dir;
  const std::string doc = dir.filePath("real.zqv").toStdString();
  const std::string bak = dir.filePath("real.Bak").toStdString();
  WriteFileAtomically(doc, "one", 3);
  WriteFileAtomically(bak, "old backup", 10);
  chmod(bak.c_str(), 0644);
  for (unsigned mode : {0600u, 0640u, 0444u, 0755u}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(chmod(doc.c_str(), mode), 0);
    WriteFileAtomically(doc, "two", 3);
    EXPECT_EQ(ModeOf(doc), mode);
    {
      TFileStream f(doc, fmCreate);
      f.WriteBuffer("three", 5);
    }
    EXPECT_EQ(ModeOf(doc), mode);
    EXPECT_EQ(Contents(doc), "three");
    // The backup of a private document is as private as the document.
    ASSERT_TRUE(CopyFile(doc, bak));
    EXPECT_EQ(ModeOf(bak), mode);
    EXPECT_EQ(Contents(bak), "three");
  }
  // A new file gets the user's default permissions.
  const mode_t mask = umask(027);
  const std::string fresh = dir.filePath("fresh.zqv").toStdString();
  WriteFileAtomically(fresh, "x", 1);
  umask(mask);
  EXPECT_EQ(ModeOf(fresh), 0640u);
}

TEST(Streams, TemporaryFileIsNewAndPrivateWhileWritten) {
  QTemporaryDir dir;
  const std::string doc = dir.filePath("doc.zqv").toStdString();
  WriteFileAtomically(doc, "old", 3);
  chmod(doc.c_str(), 0644);
  TFileStream f(doc, fmCreate);
  f.WriteBuffer("new", 3);
  const QStringList names = QDir(dir.path()).entryList({"doc.zqv.~*.tmp"}, QDir::Files | QDir::Hidden);
  ASSERT_EQ(names.size(), 1);
  EXPECT_EQ(ModeOf(dir.filePath(names[0]).toStdString()), 0600u);
  f.Commit();
  EXPECT_EQ(ModeOf(doc), 0644u);
}

TEST(Streams, SavingThroughASymbolicLinkReplacesTheFileItNames) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir("real"));
  const std::string real = dir.filePath("real/real.zqv").toStdString();
  const std::string link = dir.filePath("link.zqv").toStdString();
  const std::string chain = dir.filePath("chain.zqv").toStdString();
  WriteFileAtomically(real, "old", 3);
  chmod(real.c_str(), 0600);
  ASSERT_EQ(symlink("real/real.zqv", link.c_str()), 0);   // relative to the link's folder
  ASSERT_EQ(symlink(link.c_str(), chain.c_str()), 0);     // a link to a link
  WriteFileAtomically(link, "through the link", 16);
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Contents(real), "through the link");
  EXPECT_EQ(ModeOf(real), 0600u);
  WriteFileAtomically(chain, "through two", 11);
  ASSERT_EQ(lstat(chain.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Contents(real), "through two");
  // The temporary file was made beside the real file, and nothing is left anywhere.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
  EXPECT_EQ(QDir(dir.filePath("real")).entryList(QDir::Files | QDir::Hidden).size(), 1);
  // A link that names a file not made yet: the file is made where it points.
  const std::string dangling = dir.filePath("later.zqv").toStdString();
  ASSERT_EQ(symlink("real/later.zqv", dangling.c_str()), 0);
  WriteFileAtomically(dangling, "new", 3);
  EXPECT_EQ(Contents(dir.filePath("real/later.zqv").toStdString()), "new");
}

TEST(Streams, LongestValidNamesCanBeSaved) {
  QTemporaryDir dir;
  // Up to the longest name a folder entry can have, in ASCII and in two-byte characters.
  std::string twoByte;
  while (twoByte.size() + 2 <= 251) twoByte += "\xC3\xA9";
  for (const std::string& base : {std::string(230, 'a'), std::string(236, 'b'), std::string(251, 'c'), twoByte}) {
    SCOPED_TRACE(base.size());
    const std::string name = dir.filePath(QString::fromStdString(base + ".zqv")).toStdString();
    WriteFileAtomically(name, "saved", 5);
    EXPECT_EQ(Contents(name), "saved");
    WriteFileAtomically(name, "again", 5);
    EXPECT_EQ(Contents(name), "again");
    const std::string temp = ExtractFileName(TempNameBeside(name, 4194303, 0xffffffffu));
    EXPECT_LE(temp.size(), 255u);
    EXPECT_TRUE(QString::fromUtf8(temp.data(), qsizetype(temp.size())).toUtf8().toStdString() == temp);
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

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

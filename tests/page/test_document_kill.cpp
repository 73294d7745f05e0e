// A document saved over an older one by a process killed at random moments: the file on disk is
// always one of the two documents, complete.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "codecs/compress.h"
#include "page/document_format.h"
#include "platform/streams.h"

namespace {
// A full page: every cell holds a character of its own font, a table of pictures, and a large
// shapes stream (varied bytes, so the save takes a while).
std::vector<uint8_t> LargePayload(uint8_t mark, size_t shapesBytes) {
  auto d = std::make_unique<TDocument>();
  for (size_t i = 0; i < DocumentCellCount; ++i) {
    d->Cells[i].FontName = "Times New Roman";
    d->Cells[i].Size = uint16_t(8 + i % 20);
    d->Cells[i].Code = uint8_t(32 + (i * 7 + mark) % 90);
    d->Cells[i].Position = TPoint(int(i % 80) * 9, 28 + int(i / 80) * 16);
  }
  d->Cells[1].Code = mark;
  d->LineHeight = 16;
  d->CurrentI = 1;
  d->MainFont.Name = "Arial";
  d->MainFont.Size = 12;
  std::mt19937 rng(mark);
  d->Shapes.resize(shapesBytes);
  for (auto& b : d->Shapes) b = uint8_t(rng() % 7);
  return BuildDocumentPayload(*d);
}
}  // namespace

TEST(DocumentKill, KilledSavesLeaveTheOldOrTheNewDocument) {
  QTemporaryDir dir;
  const std::string file = dir.filePath("doc.zqv").toStdString();
  const std::vector<uint8_t> oldDoc = LargePayload('O', 200000), newDoc = LargePayload('N', 600000);
  TCompress compress;
  // One save's time sets the range of the kill moments: up to three saves into the child's run.
  const auto t0 = std::chrono::steady_clock::now();
  WriteDocumentFile(file, oldDoc, compress);
  WriteDocumentFile(file, newDoc, compress);
  WriteDocumentFile(file, oldDoc, compress);
  const auto saveMicros = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count() / 2;
  std::mt19937 rng(5);
  int sawOld = 0, sawNew = 0;
  for (int round = 0; round < 100; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // The child saves the documents in turn until it is killed.
      TCompress c;
      for (int k = 0;; ++k) WriteDocumentFile(file, k % 2 ? oldDoc : newDoc, c);
    }
    usleep(useconds_t(rng() % uint32_t(3 * saveMicros + 1)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    TDocument back;
    const TDocReadResult r = ReadDocumentBytes(ReadWholeFile(file), compress, back);
    ASSERT_EQ(r.Status, TDocReadStatus::Ok) << "round " << round << ": " << r.Detail;
    const bool isOld = back.Cells[1].Code == 'O' && back.Shapes.size() == 200000;
    const bool isNew = back.Cells[1].Code == 'N' && back.Shapes.size() == 600000;
    ASSERT_TRUE(isOld || isNew) << "round " << round;
    (isOld ? sawOld : sawNew)++;
  }
  // Both documents were seen: the kills did land in the middle of saves.
  EXPECT_GT(sawOld, 0);
  EXPECT_GT(sawNew, 0);
  // What killed saves leave behind are temporary files beside the document, never the document.
  for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
    EXPECT_TRUE(name == "doc.zqv" || name.endsWith(".tmp")) << name.toStdString();
}

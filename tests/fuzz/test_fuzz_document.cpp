// The document reader's fuzz target over its seeds and the inputs fuzz runs found.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

extern "C" int FuzzOne_document(const uint8_t* data, size_t size);

TEST(FuzzTargets, DocumentSeedsAndFoundInputsRunCleanly) {
  int files = 0;
  for (const char* folder : {"seeds/document", "regressions/document"}) {
    const QDir dir(QString(KV_SOURCE_DIR) + "/fuzz/" + folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
      QFile f(dir.filePath(name));
      ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
      const QByteArray bytes = f.readAll();
      SCOPED_TRACE(name.toStdString());
      EXPECT_EQ(FuzzOne_document(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())), 0);
      ++files;
    }
  }
  EXPECT_GT(files, 0);
}

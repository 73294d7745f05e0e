// The private shape clipboard formats: copy and paste through the system clipboard, and data of
// another program that cannot be trusted.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <cstring>

#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "cad_test_support.h"
#include "platform/clipboard_formats.h"
#include "platform/metafile.h"
#include "platform/streams.h"

namespace {
void PutOnClipboard(const std::string& mime, const QByteArray& bytes) {
  auto* data = new QMimeData;
  data->setData(QString::fromStdString(mime), bytes);
  QGuiApplication::clipboard()->setMimeData(data);
}
}  // namespace

class ShapeClipboard : public CadTest {
protected:
  void SetUp() override {
    CadTest::SetUp();
    for (int i = 0; i < 3; ++i) {
      TRealFig f(&engine);
      f.Kind = uint8_t(i == 2 ? 9 : 0);
      SetXY(f, 0, 1 + i, 5);
      SetXY(f, 2, 2 + i, 4);
      UpdateFigurePoints(f);
      engine.AddFigure(&f);
    }
    engine.OnGetReferencePosition = [this](const TZQVCad*) { return reference; };
  }
  TZQVCad engine{nullptr, 16, 96, 96};
  TRealPoint reference{3, 3};
};

TEST_F(ShapeClipboard, CopyAndPasteAtTheReferencePoint) {
  engine.Selection = {2, 0};
  ASSERT_TRUE(engine.CopySelected(TRect(0, 0, 400, 400)));
  EXPECT_TRUE(engine.Selection.empty());
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  const QString mime = QString::fromStdString(ClipboardFormatMimeType(InchShapesFormat()));
  ASSERT_TRUE(data->hasFormat(mime));
  EXPECT_EQ(mime.toStdString(), "application/x-qt-windows-mime;value=\"ZQVWare Inch shapes\"");
  EXPECT_TRUE(data->hasImage());
  // Other programs get the figures as an enhanced metafile of the rectangle's size.
  ASSERT_TRUE(data->hasFormat("image/emf"));
  const QByteArray emf = data->data("image/emf");
  TMetafile picture;
  picture.LoadEnhanced(reinterpret_cast<const uint8_t*>(emf.constData()), size_t(emf.size()));
  EXPECT_EQ(picture.Width(), 400);
  EXPECT_EQ(picture.Height(), 400);
  EXPECT_FALSE(picture.Empty());
  const QByteArray bytes = data->data(mime);
  uint32_t count = 0;
  double rx = 0;
  std::memcpy(&count, bytes.constData() + 4, 4);
  std::memcpy(&rx, bytes.constData() + 10, 8);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(rx, 3.0);

  const int depth = engine.UndoDepth();
  engine.PasteAt(4, 3);  // one unit right of the copy point
  ASSERT_EQ(engine.Count(), 5);
  EXPECT_NODE(*engine.GetFigure(3), 0, 4, 5);  // selection order: figure 2 first
  EXPECT_NODE(*engine.GetFigure(4), 0, 2, 5);
  EXPECT_EQ(engine.Selection, (std::vector<int32_t>{3, 4}));
  EXPECT_EQ(engine.UndoDepth(), depth + 1);
  engine.Undo();
  EXPECT_EQ(engine.Count(), 3);
}

TEST_F(ShapeClipboard, ForeignOrDamagedDataIsRefused) {
  TRealFig line;
  TMemoryStream rec;
  line.SaveToStream(&rec);
  auto block = [&](uint32_t version, uint32_t count, uint16_t format, int records) {
    QByteArray b(int(ShapesHeaderSize), '\0');
    std::memcpy(b.data(), &version, 4);
    std::memcpy(b.data() + 4, &count, 4);
    std::memcpy(b.data() + 26, &format, 2);
    for (int i = 0; i < records; ++i) b.append(reinterpret_cast<const char*>(rec.Memory()), qsizetype(rec.Data.size()));
    return b;
  };
  const std::string inch = ClipboardFormatMimeType(InchShapesFormat());
  const std::string cm = ClipboardFormatMimeType(CentimetreShapesFormat());
  struct Case {
    const char* name;
    std::string mime;
    QByteArray bytes;
    const char* message;
    int added = 0;  // complete records before a damaged one stay, as one undoable paste
  } cases[] = {
      {"other units only", cm, block(2, 1, CentimetreShapesFormat(), 1),
       "Current Working format = ZQVWare Inch shapes"},
      {"short block", inch, QByteArray(100, 'x'), "Clipboard data is damaged"},
      {"count beyond the block", inch, block(2, 5000000, InchShapesFormat(), 1), "Clipboard data is damaged"},
      {"newer version", inch, block(3, 1, InchShapesFormat(), 1), "more recent version of ZQVCad"},
      {"other units in the header", inch, block(2, 1, CentimetreShapesFormat(), 1),
       "measurement format for clipboard data is incompatible"},
      {"cut record", inch, block(2, 2, InchShapesFormat(), 1).append(QByteArray(700, '\0')),
       "Stream read error", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PutOnClipboard(c.mime, c.bytes);
    const int depth = engine.UndoDepth();
    std::string message;
    try {
      engine.PasteAt(0, 0);
      message = Messages().back();
    } catch (const EZQVClipboardMetricsError& e) {
      message = e.what();
    }
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    EXPECT_EQ(engine.Count(), 3 + c.added);
    EXPECT_EQ(engine.UndoDepth(), depth + (c.added > 0 ? 1 : 0));
    if (c.added > 0) engine.Undo();
    EXPECT_EQ(engine.Count(), 3);
  }
}

// In a real X server another program sees the formats of a shape copy. Runs when the tests run on
// the xcb platform with xclip installed (QT_QPA_PLATFORM=xcb under Xvfb); skipped headless.
TEST_F(ShapeClipboard, AnotherProgramSeesTheFormatsOfACopyInARealXServer) {
  if (QGuiApplication::platformName() != "xcb" || QStandardPaths::findExecutable("xclip").isEmpty())
    GTEST_SKIP() << "needs an X server and xclip";
  engine.Selection = {0, 1};
  ASSERT_TRUE(engine.CopySelected(TRect(0, 0, 300, 300)));
  QProcess xclip;
  QEventLoop loop;
  QObject::connect(&xclip, &QProcess::finished, &loop, &QEventLoop::quit);
  xclip.start("xclip", {"-selection", "clipboard", "-t", "TARGETS", "-o"});
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  loop.exec();  // the clipboard owner answers while the loop runs
  const QString targets = QString::fromUtf8(xclip.readAllStandardOutput());
  EXPECT_TRUE(targets.contains("ZQVWare Inch shapes")) << targets.toStdString();
  EXPECT_TRUE(targets.contains("image/emf")) << targets.toStdString();
  EXPECT_TRUE(targets.contains("image/png")) << targets.toStdString();
}

// Font names beyond ASCII through every place the program stores them, as the user gets there: a
// document saved with Save As and opened with Open (the cells' fonts, the main font, a figure's
// font), a text undo, and the page's text clipboard. Each store holds the name in one form:
// Windows-1252 bytes where the name has them, UTF-8 otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include "app/text_window_fixture.h"
#include "cad/cad_drawing_support.h"
#include "cad/engine.h"
#include "codecs/compress.h"
#include "dialogs/main_font_dialog.h"
#include "page/document_format.h"

namespace {

struct FontNames : TextPageTest {
  QTemporaryDir dir;
  std::string Path(const std::string& name) { return dir.filePath(QString::fromStdString(name)).toStdString(); }
};

struct TNameCase {
  std::string Name;    // as the program holds it (UTF-8)
  std::string Stored;  // the bytes a 32-byte field holds
  std::string Read;    // the name read back
};

const std::vector<TNameCase>& NameCases() {
  static const std::vector<TNameCase> cases = {
      {"Caf\xC3\xA9 Sans", "Caf\xE9 Sans", "Caf\xC3\xA9 Sans"},  // e acute: one Windows-1252 byte
      {"\xE2\x82\xAC Mono", "\x80 Mono", "\xE2\x82\xAC Mono"},   // the euro sign is 0x80
      {"\xE5\xBE\xAE\xE8\xBD\xAF", "\xE5\xBE\xAE\xE8\xBD\xAF", "\xE5\xBE\xAE\xE8\xBD\xAF"},  // no byte for it: UTF-8
      // 31 letters and an e acute: 32 Windows-1252 bytes, the whole name.
      {std::string(31, 'a') + "\xC3\xA9", std::string(31, 'a') + "\xE9", std::string(31, 'a') + "\xC3\xA9"},
      // 10 CJK characters are 30 UTF-8 bytes; the eleventh does not fit whole and is left off.
      {[] {
         std::string s;
         for (int i = 0; i < 11; ++i) s += "\xE5\xBE\xAE";
         return s;
       }(),
       [] {
         std::string s;
         for (int i = 0; i < 10; ++i) s += "\xE5\xBE\xAE";
         return s;
       }(),
       [] {
         std::string s;
         for (int i = 0; i < 10; ++i) s += "\xE5\xBE\xAE";
         return s;
       }()},
  };
  return cases;
}

std::string ShortString(const std::vector<uint8_t>& bytes, size_t at) {
  return std::string(reinterpret_cast<const char*>(bytes.data() + at + 1), bytes[at]);
}

}  // namespace

TEST_F(FontNames, ADocumentKeepsThemThroughSaveAsAndOpen) {
  for (const TNameCase& c : NameCases()) {
    SCOPED_TRACE(c.Read);
    rec->DefaultAnswer = mrNo;
    form->NewFile(form);
    Type("ab");
    form->CharFonts[1]->Name = c.Name;
    form->CharFonts[2]->Name = c.Name;
    MainFontDlg->GetMainFont().Name = c.Name;
    std::unique_ptr<TRealFig> fig = ExampleFigure(*Figures, 0);
    fig->SetFontName(c.Name);
    EXPECT_EQ(fig->FontName, c.Read);  // the figure keeps what its record can hold
    Figures->AddFigure(fig.get());
    const std::string doc = Path("names.zqv");
    DocumentDialogHook = [&](const std::string&, const std::string&) { return doc; };
    ASSERT_TRUE(form->_SaveClick(form->_SaveAs));

    // The file's own bytes.
    TCompress codec;
    TMemoryStream raw(ReadWholeFile(doc)), payload;
    codec.ExpandStream(payload, raw);
    ASSERT_GT(payload.Data.size(), DocShapesOffset);
    EXPECT_EQ(ShortString(payload.Data, DocumentHeadSize + docrec::FontNames + 1 * 33), c.Stored);
    EXPECT_EQ(ShortString(payload.Data, DocumentHeadSize + docrec::MainFontName), c.Stored);
    const std::string shapes(payload.Data.begin() + long(DocShapesOffset), payload.Data.end());
    EXPECT_NE(shapes.find(char(c.Stored.size()) + c.Stored), std::string::npos);

    form->NewFile(form);
    ASSERT_EQ(Figures->Count(), 0);
    form->_OpenClick(form->_Open);
    DocumentDialogHook = nullptr;
    ASSERT_EQ(form->DocFileName, doc);
    EXPECT_EQ(form->CharFonts[1]->Name, c.Read);
    EXPECT_EQ(form->CharFonts[2]->Name, c.Read);
    EXPECT_EQ(MainFontDlg->GetMainFont().Name, c.Read);
    ASSERT_EQ(Figures->Count(), 1);
    EXPECT_EQ(Figures->GetFigure(0)->FontName, c.Read);
  }
}

TEST_F(FontNames, ADocumentOfAnEarlierBuildStillReads) {
  // Earlier builds wrote the names' UTF-8 bytes as they stood.
  Type("ab");
  const std::string doc = Path("earlier.zqv");
  ASSERT_TRUE(form->SaveFile(form, doc));
  TCompress codec;
  TMemoryStream raw(ReadWholeFile(doc)), payload;
  codec.ExpandStream(payload, raw);
  const std::string utf8 = "Caf\xC3\xA9 Sans";
  uint8_t* field = payload.Data.data() + DocumentHeadSize + docrec::FontNames + 1 * 33;
  std::memset(field, 0, 33);
  field[0] = uint8_t(utf8.size());
  std::memcpy(field + 1, utf8.data(), utf8.size());
  TMemoryStream source(payload.Data), out;
  codec.CompressStream(out, source, cmLH5);
  WriteFileAtomically(doc, out.Data.data(), out.Data.size());
  form->NewFile(form);
  ASSERT_TRUE(form->Open_File(form, doc));
  EXPECT_EQ(form->CharFonts[1]->Name, utf8);
}

TEST_F(FontNames, TextUndoAndTheTextClipboardKeepThem) {
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  for (const TNameCase& c : NameCases()) {
    SCOPED_TRACE(c.Read);
    rec->DefaultAnswer = mrNo;
    form->_NewWorkSpaceClick(form);
    QTest::keyClicks(form, "ab");
    form->CharFonts[1]->Name = c.Name;
    form->CharFonts[2]->Name = c.Name;
    // A line break takes a text snapshot; undoing it brings the cells back from the undo file.
    // The 64-byte record holds 50 bytes of a name: every name here whole.
    const int snapshots = TextUndoCount;
    QTest::keyClick(form, Qt::Key_Return);
    ASSERT_EQ(TextUndoCount, snapshots + 1);
    form->CharFonts[1]->Name = "Arial";
    form->tbUndo->click();
    ASSERT_EQ(TextUndoCount, snapshots);
    EXPECT_EQ(form->CharFonts[1]->Name, c.Name);
    // Copied, then pasted into a new page.
    form->CharFonts[1]->Name = c.Name;
    form->SelectAll1->trigger();
    form->Copy2->trigger();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    bool found = false;
    for (const QString& format : data->formats()) {
      const QByteArray bytes = data->data(format);
      if (format.contains("formatted text", Qt::CaseInsensitive) &&
          bytes.contains(QByteArray(c.Stored.data(), qsizetype(c.Stored.size()))))
        found = true;
    }
    EXPECT_TRUE(found) << data->formats().join(", ").toStdString();
    form->_NewWorkSpaceClick(form);
    ASSERT_NE(form->CharFonts[1]->Name, c.Name);
    form->Paste1->trigger();
    EXPECT_EQ(Cells(1, 3), "ab|");
    EXPECT_EQ(form->CharFonts[1]->Name, c.Name);
    EXPECT_EQ(form->CharFonts[2]->Name, c.Name);
  }
}

// The macro text window on the real main window: a selection imported into a macro and sent back
// at the caret, sending at the page's cell limit, macro files that are damaged, and the object
// editor's way of changing the picture and paste tables.
#include <QThread>
#include <QTimer>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <functional>

#include "codecs/compress.h"
#include "dialogs/macro_line_controls.h"
#include "dialogs/macro_text_window.h"
#include "dialogs/object_editor.h"
#include "helpers/page_surface.h"
#include "page/image_objects.h"
#include "page/macro_list.h"
#include "text_window_fixture.h"

namespace {

struct TCell {
  uint8_t Code;
  std::string Font;
  int Size;
  int32_t Offset;
  friend bool operator==(const TCell&, const TCell&) = default;
};

struct MacroWindowTest : TextPageTest {
  std::string dir;
  void SetUp() override {
    TextPageTest::SetUp();
    dir = AppDir();
    // The default macro file is missing: the window says so and the open dialog is cancelled.
    MacroFileDialogHook = [](bool, const std::string&, const std::string&) { return std::string(); };
    form->WriteMacros1Click(nullptr);
    ASSERT_NE(MacroText1, nullptr);
    rec->Clear();
  }
  void TearDown() override {
    if (MacroText1) {
      MacroText1->List->SetModified(false);
      MacroText1->Modified = false;
      delete MacroText1;
    }
    MacroFileDialogHook = nullptr;
    TextPageTest::TearDown();
  }
  std::vector<TCell> Read(int first, int count) {
    std::vector<TCell> cells;
    for (int i = first; i < first + count; ++i)
      cells.push_back({form->CharCodes[i], form->CharFonts[i]->Name, form->CharFonts[i]->Size(), form->CharOffsets[i]});
    return cells;
  }
  // "ab2cd", a line break, "ef": the 2 raised in a smaller font, the e in Symbol.
  void TypeFormula() {
    Type("ab2cd\nef");
    form->CharOffsets[3] = -10;
    form->CharFonts[3]->SetSize(8);
    form->CharFonts[7]->Name = "Symbol";
    form->CharOffsets[8] = 3;
  }
  void ImportIntoLine1(int first, int end) {
    form->SelStart = first;
    form->SelEnd = end;
    MacroText1->List->CurrentLine = 1;
    MacroText1->ImportSelection();
    MacroText1->List->SetSpacing(0, 0);
  }
  void ClearPage() {
    form->ClearTextBuffers();
    form->SelStart = form->SelEnd = 0;
  }
};

TEST_F(MacroWindowTest, AnImportedSelectionSentAtTheCaretGivesBackTheSameCells) {
  TypeFormula();
  const std::vector<TCell> typed = Read(1, 8);
  ImportIntoLine1(1, 9);
  EXPECT_EQ(MacroText1->List->GetLine(0)->Edit->DescriptionBytes(), "ab2cd\xAC" "ef");
  ClearPage();
  const int undoBefore = TextUndoCount;
  MacroText1->SendToEditor(nullptr);
  EXPECT_EQ(Read(1, 8), typed);
  EXPECT_EQ(form->CurrentI, 9);
  EXPECT_EQ(TextUndoCount, undoBefore + 1) << "one snapshot for the whole send";
  EXPECT_FALSE(form->TextBurst);
  EXPECT_TRUE(form->Modified);
  EXPECT_TRUE(rec->Texts().empty());

  // Sent again further right, the second line starts under the first character.
  ClearPage();
  Type("xxxxxxxxxx");
  const int x0 = form->CharPositions[form->CurrentI].X;
  MacroText1->SendToEditor(nullptr);
  const int e = form->CurrentI - 2;  // the last two cells sent are e and f
  EXPECT_EQ(form->CharCodes[e], 'e');
  EXPECT_GE(form->CharPositions[e].X, x0);
  EXPECT_LT(form->CharPositions[e].X, x0 + 12);
  EXPECT_EQ(form->CharFonts[e]->Name, "Symbol");
  EXPECT_EQ(form->CharOffsets[e + 1], 3);
}

TEST_F(MacroWindowTest, SendingPastTheCellLimitStopsWithOneMessageAndKeepsThePage) {
  // The page nearly full: lines of 40 characters.
  ClearPage();
  for (int i = 1; i <= 4085; ++i) form->CharCodes[i] = i % 41 == 0 ? 0 : uint8_t('a' + i % 26);
  form->LayoutTextCells();
  form->CurrentI = 1;
  const std::vector<uint8_t> before(form->CharCodes.begin() + 1, form->CharCodes.begin() + 4086);
  for (int i = 0; i < 20; ++i) MacroText1->List->SetChar(0, i, uint8_t('A' + i));
  MacroText1->List->CurrentLine = 1;
  MacroText1->SendToEditor(nullptr);
  const std::vector<std::string> texts = rec->Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], kCellLimitMessage);
  const int sent = form->CurrentI - 1;
  EXPECT_GT(sent, 0);
  EXPECT_LT(sent, 20);
  for (int i = 0; i < sent; ++i) EXPECT_EQ(form->CharCodes[1 + i], 'A' + i);
  const std::vector<uint8_t> after(form->CharCodes.begin() + 1 + sent, form->CharCodes.begin() + 4086 + sent);
  EXPECT_EQ(after, before) << "every cell that was on the page is still there, in order";
}

TEST_F(MacroWindowTest, ALongSelectionIsTruncatedOnlyWhenTheUserAgrees) {
  ClearPage();
  for (int i = 1; i <= 152; ++i) form->CharCodes[size_t(i)] = 'q';
  form->LayoutTextCells();
  struct {
    int Answer;
    bool Imported;
  } cases[] = {{mrAbort, false}, {mrYes, true}};
  for (auto c : cases) {
    MacroText1->List->ClearLine(0);
    rec->Answer(c.Answer);
    ImportIntoLine1(1, 153);
    EXPECT_EQ(MacroText1->List->GetChar(0, 150), c.Imported ? 'q' : 0);
    EXPECT_EQ(form->SelEnd, c.Imported ? 152 : 153);
    ASSERT_FALSE(rec->Texts().empty());
    EXPECT_EQ(rec->Last().Text.rfind("The maximum number of characters fro macros is 151\r", 0), 0u);
    rec->Clear();
  }
  ImportIntoLine1(1, 152);  // 151 characters: no question
  EXPECT_TRUE(rec->Texts().empty());
}

TEST_F(MacroWindowTest, ADamagedMacroFileLeavesTheMacrosAndTheirFile) {
  Type("xy");
  ImportIntoLine1(1, 3);
  MacroText1->List->GetLine(0)->Edit->SetDescriptionBytes("kept");
  const std::string good = dir + "good.zqm";
  ASSERT_TRUE(MacroText1->SaveMacroFile(good));

  // A container whose data are changed fails its checksum; a sound container around a cut stream
  // fails the stream check.
  std::vector<uint8_t> flipped = ReadWholeFile(good);
  flipped[flipped.size() / 2] ^= 0x55;
  TMemoryStream plain;
  MacroText1->List->SaveToStream(plain);
  plain.Data.resize(plain.Data.size() - 100);
  plain.SetPosition(0);
  TMemoryStream packed;
  TCompress compress;
  compress.CompressStream(packed, plain, cmLH5);
  struct {
    const char* Name;
    std::vector<uint8_t> Bytes;
  } files[] = {{"flipped.zqm", flipped}, {"cut.zqm", packed.Data}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.Name);
    const std::string name = dir + f.Name;
    WriteFileAtomically(name, f.Bytes.data(), f.Bytes.size());
    MacroFileDialogHook = [name](bool, const std::string&, const std::string&) { return name; };
    rec->Clear();
    MacroText1->Open1Click();
    ASSERT_EQ(rec->Texts().size(), 1u);
    EXPECT_EQ(rec->Texts()[0], " A Problem occurred while trying to load the Macro Text file " + name + " , sorry :-(");
    EXPECT_EQ(MacroText1->CurrentFile, good);
    EXPECT_EQ(MacroText1->List->GetChar(0, 0), 'x');
    EXPECT_EQ(MacroText1->List->GetLine(0)->Edit->DescriptionBytes(), "kept");
    EXPECT_TRUE(FileExists(ChangeFileExt(name, ".bak")));
  }
  // The sound file reads back into a cleared window.
  MacroText1->New1Click();
  EXPECT_EQ(MacroText1->List->GetChar(0, 0), ' ');
  MacroFileDialogHook = [good](bool, const std::string&, const std::string&) { return good; };
  MacroText1->List->CurrentLine = 3;
  MacroText1->Open1Click();
  EXPECT_EQ(MacroText1->List->CurrentLine, 3) << "loading touches no line";
  EXPECT_EQ(MacroText1->List->GetChar(0, 1), 'y');
  EXPECT_EQ(MacroText1->List->GetLine(0)->Edit->DescriptionBytes(), "kept");
  EXPECT_EQ(MacroText1->List->GetSpacing(0), 0);
  EXPECT_FALSE(MacroText1->Modified);
}

TEST_F(MacroWindowTest, SendingWithNothingCheckedAndNoLineTouchedInsertsNothing) {
  ClearPage();
  MacroText1->List->SetChar(0, 0, 'z');
  MacroText1->List->CurrentLine = 0;
  const int undoBefore = TextUndoCount;
  MacroText1->SendToEditor(nullptr);
  EXPECT_EQ(form->CurrentI, 1);
  EXPECT_EQ(TextUndoCount, undoBefore);
  // Checked lines go in order; an unchecked line inside the range is skipped.
  for (int n : {0, 1, 2}) MacroText1->List->SetChar(n, 0, uint8_t('k' + n));
  for (int n : {0, 1, 2}) MacroText1->List->SetSpacing(n, 0);
  MacroText1->List->GetLine(0)->SetChecked(true);
  MacroText1->List->GetLine(2)->SetChecked(true);
  MacroText1->SendToEditor(nullptr);
  EXPECT_EQ(Cells(1, 4), "k m ");
}

TEST_F(MacroWindowTest, APastedPictureBecomesAnImageObjectAtTheCaretUpToTheLimit) {
  ClearPage();
  Type("abc");
  auto* data = new QMimeData;
  data->setImageData(QImage(30, 20, QImage::Format_RGB32));
  QApplication::clipboard()->setMimeData(data);
  const TPoint at = form->CaretPoint;
  form->PasteClipboardPicture(false);
  ASSERT_EQ(form->ImageCount, 1);
  // At the caret's column, at the caret or (when the caret is outside the visible page) in the
  // middle of what is visible.
  const TRect placed = form->ImageRecs[0].Rect.ToRect();
  EXPECT_EQ(placed.Left, at.X);
  EXPECT_EQ(placed.Width(), 30);
  EXPECT_EQ(placed.Height(), 20);
  ASSERT_NE(form->Images[0], nullptr);
  EXPECT_EQ(form->Images[0]->Picture.Graphic()->Width(), 30);
  form->ImageCount = MaxImageObjects;
  form->PasteClipboardPicture(false);
  EXPECT_EQ(rec->Last().Text, ImageLimitMessage);
  form->ImageCount = 1;
}

// ---- object editor

// Runs Fn once the modal window's own event loop runs (the window's show handler lets pending
// events run before that loop starts, when closing the window could not end it yet).
void WhenModal(std::function<void()> Fn) {
  QTimer::singleShot(0, [Fn] {
    if (QThread::currentThread()->loopLevel() == 0)
      WhenModal(Fn);
    else
      Fn();
  });
}

struct ObjectEditorTest : TextPageTest {
  TPictureRec Picture(int left) {
    TPictureRec p;
    // A real file: a missing picture would make the page ask for it at the next repaint.
    const std::string file = AppDir() + "p" + std::to_string(left) + ".png";
    QImage(30, 40, QImage::Format_RGB32).save(QString::fromStdString(file));
    p.SetName(file);
    p.Rect = TStoredRect::From(TRect(left, 20, left + 30, 60));
    return p;
  }
};

TEST_F(ObjectEditorTest, EditsReachTheTablesOnlyThroughApplyAndTheCloseQuestion) {
  struct {
    bool Ok;
    int Answer;
    int Left;  // of picture 1 afterwards
    bool Modified;
  } cases[] = {{true, mrYes, 55, true}, {true, mrNo, 10, false}, {false, mrYes, 55, true}, {false, mrNo, 10, false}};
  for (auto c : cases) {
    SCOPED_TRACE(std::to_string(c.Ok) + "/" + std::to_string(c.Answer));
    form->PictureCount = 2;
    Pictures[0] = Picture(100);
    Pictures[1] = Picture(10);
    form->Modified = false;
    bool seen = false;
    WhenModal([&] {
      TObjectEditor* e = ObjectEditor;
      ASSERT_NE(e, nullptr);
      seen = true;
      EXPECT_EQ(e->picIndex->value(), 1) << "the last picture is shown";
      EXPECT_EQ(e->PicLeft1->AsInteger(), 10);
      e->PicLeft1->SetValue(55);
      e->PictureBoxLeft();
      EXPECT_EQ(Pictures[1].Rect.Left, 10) << "an edit alone stays in the window";
      EXPECT_TRUE(e->PicFlags[1].Changed);
      EXPECT_FALSE(e->UndoBtn->isEnabled());
      e->ApplyClick();
      EXPECT_EQ(Pictures[1].Rect.Left, 55);
      EXPECT_EQ(Pictures[1].Rect.Right, 85);
      EXPECT_EQ(e->UndoLabel->text(), "Changed");
      // Undo Changes puts the entry back; Apply again.
      e->UndoBtnClick();
      EXPECT_EQ(Pictures[1].Rect.Left, 10);
      e->PicLeft1->SetValue(55);
      e->ApplyClick();
      rec->Answer(c.Answer);
      if (c.Ok)
        e->OKBtn->click();
      else
        e->CancelBtn->click();
    });
    form->ObjectEditor1Click(nullptr);
    EXPECT_TRUE(seen);
    EXPECT_EQ(ObjectEditor, nullptr);
    EXPECT_EQ(Pictures[1].Rect.Left, c.Left);
    EXPECT_EQ(Pictures[0].Rect.Left, 100);
    EXPECT_EQ(form->Modified, c.Modified);
    EXPECT_EQ(rec->Last().Text, "The following pictures have changed: 1 Keep changes?");
    if (c.Modified) {
      // The kept changes are one step of the page's undo.
      form->Pictures2Click(nullptr);
      EXPECT_EQ(Pictures[1].Rect.Left, 10);
    }
    rec->Clear();
  }
}

}  // namespace

// Documents through the real window: a full page saved and opened again gives the same model and
// the same composed pixels; a damaged file leaves the page as it was; a failed save adopts no
// name; random changes of every kind undone to the start give back the starting page.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <random>

#include "app/text_window_fixture.h"
#include "cad/cad_drawing_support.h"
#include "cad/engine.h"
#include "cad/node_layout.h"
#include "codecs/compress.h"
#include "helpers/page_surface.h"
#include "page/document_format.h"
#include "page/process_files.h"
#include "platform/bitmap.h"
#include "platform/graphic.h"
#include "text/page_geometry.h"

namespace {
struct DocumentsTest : TextPageTest {
  QTemporaryDir dir;
  std::string Path(const std::string& name) { return dir.filePath(QString::fromStdString(name)).toStdString(); }
};

// Everything of the page model a document carries.
struct PageModel {
  std::vector<uint8_t> codes;
  std::vector<std::string> fonts;
  std::vector<int32_t> offsets;
  std::vector<TPoint> positions;
  std::vector<bool> layers;
  TPictureTable pictures;
  TPasteTable pastes;
  int pictureCount = 0, pasteCount = 0, imageCount = 0;
  std::vector<TImageObjectRec> images;
  std::vector<std::vector<uint8_t>> figures;
  int lineHeight = 0, currentI = 0;
  friend bool operator==(const PageModel&, const PageModel&) = default;
};

// The first field in which two models differ, for the failure message.
std::string FirstDifference(const PageModel& a, const PageModel& b) {
  auto at = [](const auto& x, const auto& y) -> long {
    for (size_t i = 0; i < std::min(x.size(), y.size()); ++i)
      if (!(x[i] == y[i])) return long(i);
    return x.size() == y.size() ? -1 : long(std::min(x.size(), y.size()));
  };
  if (long i = at(a.codes, b.codes); i >= 0) return "code of cell " + std::to_string(i + 1);
  if (long i = at(a.fonts, b.fonts); i >= 0) return "font of cell " + std::to_string(i + 1) + ": " + a.fonts[size_t(i)] + " vs " + b.fonts[size_t(i)];
  if (long i = at(a.offsets, b.offsets); i >= 0) return "offset of cell " + std::to_string(i + 1);
  if (long i = at(a.positions, b.positions); i >= 0) return "position of cell " + std::to_string(i + 1);
  if (long i = at(a.layers, b.layers); i >= 0) return "layer of cell " + std::to_string(i + 1);
  if (!(a.pictures == b.pictures)) return "pictures";
  if (!(a.pastes == b.pastes)) return "pastes";
  if (a.pictureCount != b.pictureCount || a.pasteCount != b.pasteCount || a.imageCount != b.imageCount) return "counts";
  if (long i = at(a.images, b.images); i >= 0) return "image record " + std::to_string(i);
  if (long i = at(a.figures, b.figures); i >= 0) {
    if (size_t(i) >= a.figures.size() || size_t(i) >= b.figures.size())
      return "figure count " + std::to_string(a.figures.size()) + " vs " + std::to_string(b.figures.size());
    return "figure " + std::to_string(i) + " byte " + std::to_string(at(a.figures[size_t(i)], b.figures[size_t(i)]));
  }
  if (a.lineHeight != b.lineHeight) return "line height";
  if (a.currentI != b.currentI) return "caret cell";
  return "";
}

PageModel ModelOf(TForm1& f, bool withPositions = true) {
  PageModel m;
  // Cell 0 is the template cell: a document gives it cell 1's font.
  for (int i = 1; i < CellCount; ++i) {
    m.codes.push_back(f.CharCodes[size_t(i)]);
    const TFont& font = *f.CharFonts[size_t(i)];
    m.fonts.push_back(font.Name + "/" + std::to_string(font.Size()) + "/" + std::to_string(font.Style) + "/" +
                      std::to_string(font.Charset) + "/" + std::to_string(font.Color));
    m.offsets.push_back(f.CharOffsets[size_t(i)]);
    // Cells past the text have no position of meaning (shifting leaves old ones there).
    if (withPositions && i <= f.LastTextCell() + 1) m.positions.push_back(f.CharPositions[size_t(i)]);
    m.layers.push_back(f.CharZOrder[size_t(i)]);
  }
  m.pictures = Pictures;
  m.pastes = Pastes;
  m.pictureCount = f.PictureCount;
  m.pasteCount = f.PasteCount;
  m.imageCount = f.ImageCount;
  for (int i = 0; i < f.ImageCount; ++i) m.images.push_back(f.ImageRecs[size_t(i)]);
  if (Figures)
    for (const auto& fig : Figures->FigureList) m.figures.push_back(FigureRecord(*fig));
  m.lineHeight = LineHeight;
  m.currentI = f.CurrentI;
  return m;
}

QImage PageImage(TForm1& f) {
  f.RefreshAllImages(nullptr, true);
  return f.MainImage->Bitmap().Image().convertToFormat(QImage::Format_RGB32);
}

std::string WritePicture(const std::string& name, Qt::GlobalColor colour, int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(colour);
  for (int y = 0; y < h; ++y) img.setPixel(y % w, y, qRgb(0, 0, 0));
  EXPECT_TRUE(img.save(QString::fromStdString(name)));
  return name;
}
}  // namespace

TEST_F(DocumentsTest, FullPageSavesAndOpensToTheSameModelAndPixels) {
  // Text in the three script levels, styles, colours and both layers.
  Type("E=mc2 and x2 over y");
  Key(VK_RETURN);
  Type("second line");
  for (int i = 1; i <= 12; ++i) {
    form->CharFonts[size_t(i)]->Style = TFontStyles(i % 4);
    form->CharFonts[size_t(i)]->Color = TColor(0x101010 * (i % 8));
  }
  form->CharOffsets[5] = -6, form->CharFonts[5]->SetSize(8);   // superscript
  form->CharOffsets[11] = 4, form->CharFonts[11]->SetSize(8);  // subscript
  form->CharOffsets[12] = -3;                                   // mid-script
  form->CharZOrder[3] = true;
  // Two pictures, one paste (its file in the process's folder), two image objects (one from a
  // file, one without), and a figure of every kind.
  Pictures[0].SetName(WritePicture(Path("red.png"), Qt::red, 40, 30));
  Pictures[0].Rect = {300, 100, 380, 160};
  Pictures[1].SetName(WritePicture(Path("green.bmp"), Qt::green, 20, 20));
  Pictures[1].Rect = {320, 120, 360, 200};
  form->PictureCount = 2;
  Pastes[0].SetName(WritePicture(NewProcessFileName("TempPasteImage", ".bmp"), Qt::blue, 25, 25));
  Pastes[0].Rect = {400, 300, 425, 325};
  form->PasteCount = 1;
  for (int i = 0; i < 2; ++i) {
    auto* image = new TSizeChangedImage(form->ScrollBox1->widget());
    image->hide();
    image->setGeometry(500 + 60 * i, 400, 50, 40);
    if (i == 0) {
      const std::string file = WritePicture(Path("obj.png"), Qt::yellow, 50, 40);
      std::unique_ptr<TGraphic> g = CreateGraphicForFile(file);
      g->LoadFromFile(file);
      image->Picture.SetGraphic(std::move(g));
      form->ImageRecs[0].SetName(file);
    } else {
      auto bmp = std::make_unique<TBitmap>(50, 40, pf24bit);
      bmp->Image().fill(Qt::magenta);
      image->Picture.SetGraphic(std::move(bmp));
    }
    form->ImageRecs[size_t(i)].Rect = {500 + 60 * i, 400, 550 + 60 * i, 440};
    form->Images[size_t(i)] = image;
  }
  form->ImageCount = 2;
  for (int kind = 0; kind <= MaxFigureKind; ++kind) Figures->AddFigure(ExampleFigure(*Figures, kind).get());

  const std::string doc = Path("page.zqv");
  ASSERT_TRUE(form->SaveFile(form, doc));
  // Saving turned the paste into picture 2 with a side file, and gave object 1 a side file.
  EXPECT_EQ(form->PasteCount, 0);
  EXPECT_EQ(form->PictureCount, 3);
  EXPECT_EQ(Pictures[2].Name(), Path("page2.bmp"));
  EXPECT_TRUE(FileExists(Path("page2.bmp")));
  EXPECT_EQ(form->ImageRecs[1].Name(), Path("pageI.bmp"));
  EXPECT_FALSE(form->Modified);
  const PageModel saved = ModelOf(*form);
  const QImage savedPixels = PageImage(*form);

  form->NewFile(form);
  EXPECT_EQ(form->ImageCount, 0);
  EXPECT_EQ(Figures->Count(), 0);
  ASSERT_TRUE(form->Open_File(form, doc));
  EXPECT_EQ(form->DocFileName, doc);
  EXPECT_TRUE(FileExists(Path("page.Bak")));
  const PageModel opened = ModelOf(*form);
  EXPECT_EQ(FirstDifference(opened, saved), "");
  EXPECT_TRUE(PageImage(*form) == savedPixels);
  EXPECT_TRUE(rec->Texts().empty()) << rec->Texts()[0];
}

TEST_F(DocumentsTest, DamagedFileLeavesThePageAsItWas) {
  Type("keep me");
  const std::string good = Path("good.zqv");
  ASSERT_TRUE(form->SaveFile(form, good));
  form->SetDocumentFileName(good);
  Type(" and this");
  form->Modified = true;
  // The same document with an image-object count of 101.
  TCompress c;
  TMemoryStream raw(ReadWholeFile(good)), payload;
  c.ExpandStream(payload, raw);
  payload.Data[557615] = 101;
  TMemoryStream src(payload.Data), out;
  c.CompressStream(out, src, cmLH5);
  const std::string bad = Path("bad.zqv");
  WriteFileAtomically(bad, out.Data.data(), out.Data.size());
  const PageModel before = ModelOf(*form);
  rec->Answer(mrNo);  // do not save the changes first
  EXPECT_FALSE(form->Open_File(form, bad));
  EXPECT_EQ(rec->Texts().back(), "An error occurred while opening the file " + bad + ". Aborting");
  EXPECT_TRUE(ModelOf(*form) == before);
  EXPECT_EQ(form->DocFileName, good);
  // The same through the Open command: no new workspace, the page stays.
  rec->Clear();
  form->Modified = false;
  DocumentDialogHook = [&](const std::string&, const std::string&) { return bad; };
  form->_OpenClick(form->_Open);
  DocumentDialogHook = nullptr;
  EXPECT_TRUE(ModelOf(*form) == before);
  EXPECT_EQ(form->DocFileName, good);
  ASSERT_FALSE(rec->Texts().empty());
  EXPECT_EQ(rec->Texts().back(), "An error occurred while opening the file " + bad + ". Aborting");
}

TEST_F(DocumentsTest, SaveAsTakesTheNameOnlyAfterASuccessfulSave) {
  Type("text");
  form->Modified = true;
  const std::string missing = Path("no/such/folder/x.zqv");
  DocumentDialogHook = [&](const std::string&, const std::string&) { return missing; };
  EXPECT_FALSE(form->_SaveClick(form->_SaveAs));
  EXPECT_EQ(form->DocFileName, "");
  EXPECT_TRUE(form->Modified);
  // A refused extension is not adopted either.
  DocumentDialogHook = [&](const std::string&, const std::string&) { return Path("notes.doc"); };
  EXPECT_FALSE(form->_SaveClick(form->_SaveAs));
  EXPECT_EQ(form->DocFileName, "");
  EXPECT_EQ(rec->Texts().back(), "Unable to save file as .doc Use File> Save As to save as *.zqv file");
  // Close stops when the save it was asked for did not happen.
  rec->Answer(mrYes);
  DocumentDialogHook = [&](const std::string&, const std::string&) { return missing; };
  EXPECT_FALSE(form->Close1Click(form->Close1));
  EXPECT_FALSE(form->PageDisabled);
  DocumentDialogHook = [&](const std::string&, const std::string&) { return Path("ok.zqv"); };
  EXPECT_TRUE(form->_SaveClick(form->_SaveAs));
  EXPECT_EQ(form->DocFileName, Path("ok.zqv"));
  EXPECT_FALSE(form->Modified);
  DocumentDialogHook = nullptr;
}

TEST_F(DocumentsTest, PlainTextSavesAsUtf8AndReadsBack) {
  Type("caf");
  char e = char(0xE9);
  form->FormKeyPress(form, e);
  Key(VK_RETURN);
  Type("line 2");
  const std::string txt = Path("page.txt");
  ASSERT_TRUE(form->SaveFile(form, txt));
  const std::vector<uint8_t> bytes = ReadWholeFile(txt);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "caf\xC3\xA9\r\nline 2\r\n");
  form->NewFile(form);
  ASSERT_TRUE(form->OpenASCIIFile(form, txt));
  // Read through the plain-text insertion, each line ends in one space.
  EXPECT_EQ(Cells(1, 14), "caf\xE9 |line 2 |");
  // Not valid UTF-8: read as Windows-1252.
  const std::string latin = Path("latin.txt");
  WriteFileAtomically(latin, "caf\xE9", 4);
  form->Modified = false;
  ASSERT_TRUE(form->OpenASCIIFile(form, latin));
  EXPECT_EQ(Cells(1, 6), "caf\xE9 |");
}

TEST_F(DocumentsTest, RandomChangesUndoneGiveBackTheStartingPage) {
  // The pictures name files that do not exist: the missing-file question is answered Ignore.
  rec->DefaultAnswer = mrIgnore;
  Type("The quick brown fox");
  Key(VK_RETURN);
  Type("jumps over");
  form->CharZOrder[4] = true;
  Pictures[0].SetName("/tmp/p0.bmp");
  Pictures[0].Rect = {1, 2, 3, 4};
  form->PictureCount = 1;
  for (int kind : {0, 7, 24}) Figures->AddFigure(ExampleFigure(*Figures, kind).get());
  form->LayoutTextCells();
  form->ResetUndo();
  const PageModel start = ModelOf(*form);
  std::mt19937 rng(11);
  for (int round = 0; round < 3; ++round) {
    for (int step = 0; step < 60; ++step) {
      switch (rng() % 7) {
        case 0:  // type a character somewhere
          form->PushTextUndo(form);
          form->CurrentI = 1 + int(rng() % uint32_t(form->LastTextCell()));
          form->InsertChar(form, nullptr, false, *TypingFont, 0, uint8_t('a' + rng() % 26));
          form->LayoutTextCells();
          break;
        case 1:  // delete a character
          form->PushTextUndo(form);
          form->ShiftDataDown(1 + int(rng() % uint32_t(form->LastTextCell())), 1);
          form->LayoutTextCells();
          break;
        case 2:  // swap a cell's layer
          form->PushTextUndo(form);
          form->CharZOrder[1 + rng() % 20] ^= true;
          break;
        case 3:  // a picture added or moved
          form->PushPictureUndo(form);
          if (form->PictureCount < 20 && rng() % 2) {
            Pictures[form->PictureCount].SetName("/tmp/p" + std::to_string(rng() % 100) + ".png");
            ++form->PictureCount;
          } else {
            Pictures[0].Rect.Left += 5;
          }
          break;
        case 4:  // a paste
          form->PushPasteUndo(form);
          Pastes[form->PasteCount % 10].SetName("/tmp/s" + std::to_string(rng() % 100) + ".bmp");
          form->PasteCount = uint8_t(std::min(form->PasteCount + 1, 10));
          break;
        case 5: {  // a figure drawn, or moved; sometimes a click that records nothing
          const int r = int(rng() % 3);
          if (r == 0) {
            Figures->RecordAddUndo();
            Figures->AddFigure(ExampleFigure(*Figures, int(rng() % 54)).get());
          } else if (r == 1 && Figures->Count() > 0) {
            Figures->ClearSelection();
            Figures->Selection.push_back(int32_t(rng() % uint32_t(Figures->Count())));
            Figures->MoveSelection(0.1, 0.2);
          }
          form->TPagePart::PushShapeUndo();
          break;
        }
        default:  // a command that moves a figure and brings it to the front: two engine entries
          if (Figures->Count() > 1) {
            Figures->ClearSelection();
            Figures->Selection.push_back(0);
            Figures->MoveSelection(0.3, 0.0);
            Figures->RecordAddUndo();
            Figures->AddFigure(ExampleFigure(*Figures, 1).get());
            form->TPagePart::PushShapeUndo();
          }
          break;
      }
    }
    while (form->UndoState.UndoKindCount > 0) form->UndoLast(form, false);
    EXPECT_EQ(FirstDifference(ModelOf(*form), start), "") << "round " << round;
    EXPECT_EQ(Figures->UndoDepth(), 0);
    EXPECT_FALSE(form->tbUndo->isEnabled());
  }
}

TEST_F(DocumentsTest, KindStackRemovesTheNewestEntryOfAKind) {
  form->ResetUndo();
  form->PushTextUndo(form);
  form->PushPictureUndo(form);
  Figures->RecordAddUndo();
  Figures->AddFigure(ExampleFigure(*Figures, 0).get());
  form->TPagePart::PushShapeUndo();
  form->PushPictureUndo(form);
  form->PushTextUndo(form);
  form->RemoveUndoKind(ukPicture);
  const auto& s = form->UndoState;
  ASSERT_EQ(s.UndoKindCount, 4);
  EXPECT_EQ(std::vector<uint8_t>(s.UndoKinds.begin(), s.UndoKinds.begin() + 4), (std::vector<uint8_t>{1, 2, 4, 1}));
  // A push with nothing recorded in the engine adds no shape entry.
  form->TPagePart::PushShapeUndo();
  EXPECT_EQ(s.UndoKindCount, 4);
  EXPECT_EQ(ShapeUndoCount(s), 1);
}

TEST_F(DocumentsTest, NothingRunsWhileAFileIsBusy) {
  Type("ab");
  form->FileBusy = true;
  QTest::keyClick(form->ScrollBox1->viewport(), Qt::Key_X);
  QTest::mouseClick(form->tbUndo, Qt::LeftButton);
  EXPECT_FALSE(form->close());
  form->FileBusy = false;
  EXPECT_EQ(Cells(1, 3), "ab|");
}

TEST_F(DocumentsTest, ReopenListComesBackWithTheNextWindow) {
  Type("x");
  DocumentDialogHook = [&](const std::string&, const std::string&) { return Path("first.zqv"); };
  ASSERT_TRUE(form->_SaveClick(form->_SaveAs));
  DocumentDialogHook = nullptr;
  EXPECT_EQ(form->FirstFile->text().toStdString(), Path("first.zqv"));
  FreeStartupWindows();
  form = CreateStartupWindows();
  EXPECT_EQ(form->FirstFile->text().toStdString(), Path("first.zqv"));
  EXPECT_TRUE(form->FirstFile->isVisible() || !form->isVisible());
  // Reopening it names the page after it.
  form->FirstFileClick(form->FirstFile);
  EXPECT_EQ(form->DocFileName, Path("first.zqv"));
  EXPECT_EQ(Cells(1, 2), "x|");
}

namespace {
unsigned ModeOf(const std::string& name) {
  struct stat st;
  EXPECT_EQ(lstat(name.c_str(), &st), 0) << name;
  return unsigned(st.st_mode & 07777);
}
}  // namespace

TEST_F(DocumentsTest, PrivateDocumentsStayPrivateAndLinksAreSavedThrough) {
  Type("private words");
  const std::string real = Path("real.zqv"), bak = Path("real.Bak");
  ASSERT_TRUE(form->SaveFile(form, real));
  ASSERT_EQ(chmod(real.c_str(), 0600), 0);
  const auto saved = ReadWholeFile(real);
  // Opening makes the backup as private as the document.
  form->NewFile(form);
  ASSERT_TRUE(form->Open_File(form, real));
  EXPECT_EQ(ModeOf(bak), 0600u);
  EXPECT_TRUE(ReadWholeFile(bak) == saved);
  // The Save command keeps the document's permissions.
  Type(" more");
  form->Modified = true;
  ASSERT_TRUE(form->_SaveClick(form->_Save));
  EXPECT_EQ(ModeOf(real), 0600u);
  const auto resaved = ReadWholeFile(real);
  EXPECT_FALSE(resaved == saved);

  // Opened through a symbolic link, the Save command writes the real file and keeps the link.
  const std::string link = Path("link.zqv");
  ASSERT_EQ(symlink("real.zqv", link.c_str()), 0);
  form->NewFile(form);
  ASSERT_TRUE(form->Open_File(form, link));
  Type(" through the link");
  form->Modified = true;
  ASSERT_TRUE(form->_SaveClick(form->_Save));
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ModeOf(real), 0600u);
  EXPECT_FALSE(ReadWholeFile(real) == resaved);
  EXPECT_EQ(QDir(dir.path()).entryList({"*.tmp"}, QDir::Files | QDir::Hidden).size(), 0);
}

TEST_F(DocumentsTest, OpeningADamagedDocumentKeepsTheLastGoodBackup) {
  Type("good");
  const std::string doc = Path("doc.zqv"), bak = Path("doc.Bak");
  ASSERT_TRUE(form->SaveFile(form, doc));
  form->NewFile(form);
  ASSERT_TRUE(form->Open_File(form, doc));
  const auto good = ReadWholeFile(bak);
  ASSERT_TRUE(good == ReadWholeFile(doc));
  // The document is damaged (cut short, or overwritten with other bytes) and opened again.
  for (const std::string& damage : {std::string(reinterpret_cast<const char*>(good.data()), good.size() / 2),
                                    std::string("not a document at all")}) {
    WriteFileAtomically(doc, damage.data(), damage.size());
    form->NewFile(form);
    rec->Clear();
    EXPECT_FALSE(form->Open_File(form, doc));
    EXPECT_FALSE(rec->Texts().empty());
    EXPECT_TRUE(ReadWholeFile(bak) == good);
  }
}

// Files that are not documents of this version, opened through File > Open: each message names
// the file and says what is wrong; only a document of another version gets the version message.
TEST_F(DocumentsTest, FilesThatAreNoDocumentsAreCalledWhatTheyAre) {
  Type("page");
  const std::string good = Path("good.zqv");
  ASSERT_TRUE(form->SaveFile(form, good));
  // The same document, its version made 9 (a later version's document).
  TCompress c;
  TMemoryStream raw(ReadWholeFile(good)), payload;
  c.ExpandStream(payload, raw);
  payload.Data[0] = 9;
  TMemoryStream src(payload.Data), later;
  c.CompressStream(later, src, cmLH5);
  std::vector<uint8_t> noise(4096);
  std::mt19937 random(31);
  for (uint8_t& b : noise) b = uint8_t(random());
  noise[0] = 0x7F;  // no version from 1 to 6
  QImage dot(8, 8, QImage::Format_RGB32);
  dot.fill(Qt::blue);
  ASSERT_TRUE(dot.save(QString::fromStdString(Path("picture.zqv")), "PNG"));
  struct Case {
    std::string name;
    std::vector<uint8_t> bytes;  // none: the file is already written
    std::string message;         // the start of the one message shown
  };
  const Case cases[] = {
      {"later.zqv", later.Data, "    The file later.zqv is from an incompatable version of Korvalis V"},
      {"noise.zqv", noise, "    The file " + Path("noise.zqv") + " is not a Korvalis V document. Exiting File Open"},
      {"picture.zqv", {}, "    The file " + Path("picture.zqv") + " is not a Korvalis V document. Exiting File Open"},
      {"empty.zqv", {0}, "Invalid File: " + Path("empty.zqv") + " is empty."},
  };
  form->Modified = false;
  form->NewFile(form);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const std::string file = Path(k.name);
    if (k.name == "empty.zqv") WriteFileAtomically(file, "", 0);
    else if (!k.bytes.empty()) WriteFileAtomically(file, k.bytes.data(), k.bytes.size());
    form->Modified = false;
    rec->Clear();
    DocumentDialogHook = [&](const std::string&, const std::string&) { return file; };
    form->_Open->trigger();
    DocumentDialogHook = nullptr;
    EXPECT_NE(form->DocFileName, file);
    ASSERT_EQ(rec->Texts().size(), 1u);
    EXPECT_EQ(rec->Texts()[0].rfind(k.message, 0), 0u) << rec->Texts()[0];
  }
}

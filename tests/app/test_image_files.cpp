// What the page writes and reads for its pictures and image objects, through the commands the user
// gives: an object saved in its own file's format, deleted and given back by Undo, side files that
// name their format, missing files offered to be found when a document opens, damaged pictures
// refused when they are loaded, typed extensions kept by the save dialogs, plain-text files read
// and written as text. Every written file is read back by an independent reader (Python's PIL).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>

#include "app/text_window_fixture.h"
#include "cad/engine.h"
#include "dialogs/jpeg_quality_dialog.h"
#include "helpers/drag_frame_geometry.h"
#include "helpers/drag_rect.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "helpers/zqv_gif.h"
#include "platform/bitmap.h"
#include "platform/metafile.h"
#include "text/page_geometry.h"

namespace {

// A left-button drag on the page through the window's mouse handlers.
void DragOnPage(TForm1* form, int X1, int X2, int Y) {
  form->MainImageMouseDown(Qt::LeftButton, Qt::NoModifier, X1, Y);
  form->MainImageMouseMove(Qt::LeftButton, Qt::NoModifier, (X1 + X2) / 2, Y);
  form->MainImageMouseUp(Qt::LeftButton, Qt::NoModifier, X2, Y);
}

struct ImageFilesTest : TextPageTest {
  QTemporaryDir dir;
  void SetUp() override {
    TextPageTest::SetUp();
    form->TransparentImages1->setChecked(false);
    form->resize(1000, 800);
    form->show();
    QApplication::processEvents();
    DocumentDialogHook = [](const std::string& title, const std::string&) {
      ADD_FAILURE() << "unanswered file dialog: " << title;
      return std::string();
    };
  }
  void TearDown() override {
    DocumentDialogHook = nullptr;
    TextPageTest::TearDown();
  }
  std::string Path(const std::string& name) { return dir.filePath(QString::fromStdString(name)).toStdString(); }
  std::string RunPython(const std::string& script) {
    QProcess p;
    p.start("/usr/bin/python3", {"-c", QString::fromStdString(script)});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
      ADD_FAILURE() << "python: " << p.readAllStandardError().toStdString();
      return "";
    }
    return p.readAllStandardOutput().trimmed().toStdString();
  }
  // "FORMAT WxH" as PIL reads the file.
  std::string Probe(const std::string& file) {
    return RunPython("from PIL import Image\nim=Image.open('" + file + "')\nprint(im.format, '%dx%d' % im.size)");
  }
  // A w x h picture in a PIL format: a colour that changes over the picture, or one colour.
  void MakePicture(const std::string& file, const std::string& format, int w, int h, bool plain = false) {
    const std::string fill = plain ? "  im.putpixel((x,y),(200,220,240))\n"
                                   : "  im.putpixel((x,y),((x*53+y*17)%256,(x*29+y*91)%256,(x*7+y*131)%256))\n";
    RunPython("from PIL import Image\nim=Image.new('RGB',(" + std::to_string(w) + "," + std::to_string(h) +
              "))\nfor y in range(im.height):\n for x in range(im.width):\n" + fill + "im.save('" + file + "','" +
              format + "')");
  }
  std::string Bytes(const std::string& file) {
    QFile f(QString::fromStdString(file));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
  }
  static void Mouse(QWidget* w, QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
    const QPoint local = w->mapFromGlobal(global);
    QMouseEvent e(type, QPointF(local), QPointF(global), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
  // Drags the bottom-right handle of the selected object's frame by (DX, DY).
  void ResizeSelected(int DX, int DY) {
    TDragRect* frame = form->aDrag;
    ASSERT_NE(frame, nullptr);
    const TRect hr = HandleRect(3, frame->width(), frame->height());
    const QPoint g0 = frame->mapToGlobal(QPoint(hr.Left + 1, hr.Top + 1));
    Mouse(frame, QEvent::MouseButtonPress, g0, Qt::LeftButton);
    Mouse(frame, QEvent::MouseMove, g0 + QPoint(DX / 2, DY / 2), Qt::LeftButton);
    Mouse(frame, QEvent::MouseMove, g0 + QPoint(DX, DY), Qt::LeftButton);
    Mouse(frame, QEvent::MouseButtonRelease, g0 + QPoint(DX, DY), Qt::NoButton);
  }
  QAction* Item(const char* name) {
    QAction* a = form->findChild<QAction*>(name);
    EXPECT_NE(a, nullptr) << name;
    return a;
  }
  bool Said(const std::string& start) {
    for (const std::string& t : rec->Texts())
      if (t.rfind(start, 0) == 0) return true;
    return false;
  }
  bool SaidAnywhere(const std::string& part) {
    for (const std::string& t : rec->Texts())
      if (t.find(part) != std::string::npos) return true;
    return false;
  }
};

TEST_F(ImageFilesTest, AResizedObjectSavedOverItsFileKeepsTheFilesFormatAtTheShownSize) {
  const struct {
    const char* ext;
    const char* format;
  } cases[] = {{".jpg", "JPEG"}, {".png", "PNG"}, {".bmp", "BMP"}};
  ASSERT_NE(JpegImageQuality1, nullptr);
  JpegImageQuality1->JPegQ->SetValue(20);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ext);
    form->ClearDocument(form);
    const std::string file = Path(std::string("photo") + c.ext);
    MakePicture(file, c.format, 40, 30);
    ASSERT_TRUE(form->LoadImageObject(file, TPoint(100, 80)));
    ResizeSelected(40, 30);
    ASSERT_EQ(form->ImageObjectRect(0), TRect(100, 80, 180, 140));
    rec->Clear();
    rec->Answer(mrYes);  // overwrite
    Item("SaveImage1")->trigger();
    EXPECT_TRUE(Said("The File: " + file + " already exists. Overwrite?"));
    EXPECT_EQ(Probe(file), std::string(c.format) + " 80x60");
    if (std::string(c.format) == "JPEG") {
      // Written at the JPEG quality the user set (20: the first luminance divisor is 16 x 250 %).
      EXPECT_EQ(RunPython("from PIL import Image\nprint(Image.open('" + file + "').quantization[0][0])"), "40");
    }
    // The file still opens as an object of its own kind.
    EXPECT_TRUE(form->LoadImageObject(file, TPoint(300, 300)));
    // Nothing but the picture is left in the folder (the new file was renamed over the old one).
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left.filter(QString::fromStdString(std::string("photo") + c.ext)).size(), 1)
        << left.join(",").toStdString();
  }
}

TEST_F(ImageFilesTest, UndoLastGivesBackADeletedObjectAndNothingElse) {
  const std::string png = Path("kept.png");
  MakePicture(png, "PNG", 20, 10);
  // With the text tool down a typed line is older than the deletion.
  Type("first line");
  const std::string text = Cells(1, 10);
  ASSERT_TRUE(form->LoadImageObject(png, TPoint(200, 120)));
  const TImageObjectRec before = form->ImageRecs[0];
  rec->Answer(IDNO);  // keep the disk file
  Item("DeleteImage1")->trigger();
  ASSERT_EQ(form->ImageCount, 0);
  form->UndoLast1->trigger();
  ASSERT_EQ(form->ImageCount, 1);
  EXPECT_EQ(form->ImageRecs[0].Name(), png);
  EXPECT_EQ(form->ImageRecs[0].Rect, before.Rect);
  ASSERT_NE(form->Images[0], nullptr);
  ASSERT_NE(form->Images[0]->Picture.Graphic(), nullptr);
  EXPECT_EQ(form->Images[0]->Picture.Graphic()->Width(), 20);
  EXPECT_EQ(Cells(1, 10), text) << "the typed line stays";

  // With a drawing tool down, a figure drawn before the deletion stays too.
  form->tbDraw->SetDown(true);
  form->tbDraw->click();
  DragOnPage(form, 100, 300, 400);
  const int figures = Figures->Count();
  ASSERT_GE(figures, 1);
  form->SelectedImage = 0;
  form->SelectImage(0);
  rec->Answer(IDNO);
  Item("DeleteImage1")->trigger();
  ASSERT_EQ(form->ImageCount, 0);
  form->UndoLast1->trigger();
  EXPECT_EQ(form->ImageCount, 1);
  EXPECT_EQ(Figures->Count(), figures);
  // The next undo takes back the figure.
  form->UndoLast1->trigger();
  EXPECT_EQ(Figures->Count(), figures - 1);
  EXPECT_EQ(form->ImageCount, 1);
}

TEST_F(ImageFilesTest, ATextFileOpensThroughThePlainTextInsertionAndSavesItsTabsAsTabs) {
  std::string longLine;
  for (int i = 0; i < 60; ++i) longLine += "word" + std::to_string(i) + " ";
  const std::string file = Path("notes.txt");
  const std::string content = longLine + "\r\na\tb\r\n";
  WriteFileAtomically(file, content.data(), content.size());
  DocumentDialogHook = [&](const std::string&, const std::string&) { return file; };
  form->Modified = form->FileModified = false;
  rec->Clear();
  form->_Open->trigger();
  // The long line is wrapped at the right margin.
  int lineEnds = 0, tabs = 0, beyond = 0;
  const int last = form->LastTextCell();
  for (int i = 1; i <= last; ++i) {
    const uint8_t c = form->CharCodes[size_t(i)];
    if (c == 0) ++lineEnds;
    if (c == 185 && form->CharFonts[size_t(i)]->Name == "ZQVSerif") ++tabs;
    if (c >= 32 && form->CharPositions[size_t(i)].X >= rMargin) ++beyond;
  }
  EXPECT_GE(lineEnds, 3) << "the long line takes more than one page line";
  EXPECT_EQ(beyond, 0);
  EXPECT_EQ(tabs, 1) << "the tab is a tab cell";
  // Saved as text: the tab cell is a tab again, and every word is there in order.
  const std::string out = Path("out.txt");
  DocumentDialogHook = [&](const std::string&, const std::string&) { return out; };
  form->_SaveAs->trigger();
  const std::string saved = Bytes(out);
  EXPECT_NE(saved.find("\r\na\tb"), std::string::npos) << saved;
  EXPECT_EQ(saved.substr(saved.size() - 2), "\r\n");
  EXPECT_EQ(saved.find("\xC2\xB9"), std::string::npos);
  size_t at = 0;
  for (int i = 0; i < 60; ++i) {
    at = saved.find("word" + std::to_string(i) + " ", at);
    ASSERT_NE(at, std::string::npos) << i;
  }

  // A file longer than the page asks whether to stop at the bottom margin.
  std::string many;
  for (int i = 0; i < 300; ++i) many += "line " + std::to_string(i) + "\r\n";
  const std::string tall = Path("tall.txt");
  WriteFileAtomically(tall, many.data(), many.size());
  DocumentDialogHook = [&](const std::string&, const std::string&) { return tall; };
  form->Modified = form->FileModified = false;
  rec->Clear();
  rec->Answer(mrYes);  // stop at the bottom margin
  form->_Open->trigger();
  EXPECT_TRUE(Said("Text goes beyond bottom margin. Stop at bottom margin?"));
  int lines = 0;
  for (int i = 1; i <= form->LastTextCell(); ++i) lines += form->CharCodes[size_t(i)] == 0;
  EXPECT_LT(lines, 300);
}

TEST_F(ImageFilesTest, SideFilesOfObjectsNameTheFormatTheyHold) {
  // An old-style metafile object, a GIF object and an enhanced metafile made from a selection,
  // none with a file of its own.
  const std::string wmf = Path("shape.wmf");
  {
    TMetafile m;
    {
      TMetafileCanvas c(m, 50, 40, 96);
      c.Brush.Color = clRed;
      c.Rectangle(5, 5, 45, 35);
      c.Finish();
    }
    m.Enhanced = false;
    m.SaveToFile(wmf);
  }
  ASSERT_TRUE(form->LoadImageObject(wmf, TPoint(40, 40)));
  const std::string gif = Path("anim.gif");
  MakePicture(gif, "GIF", 12, 9);
  const bool gifObject = form->LoadImageObject(gif, TPoint(200, 40));
  ASSERT_EQ(gifObject, GifLzwAllowed());
  form->DeselectImage(form, true);
  for (int i = 0; i < form->ImageCount; ++i) form->ImageRecs[size_t(i)].SetName("");
  SelectionRect = TRect(300, 300, 360, 340);
  form->ConverttoImageObject1Click(form);
  form->DeselectImage(form, true);
  const std::string doc = Path("doc.zqv");
  DocumentDialogHook = [&](const std::string&, const std::string&) { return doc; };
  form->_SaveAs->trigger();
  ASSERT_TRUE(FileExists(doc));
  std::vector<std::string> names;
  for (int i = 0; i < form->ImageCount; ++i) names.push_back(form->ImageRecs[size_t(i)].Name());
  ASSERT_EQ(names.size(), gifObject ? 3u : 2u);
  EXPECT_EQ(names[0], Path("docI.wmf"));
  const std::string w = Bytes(names[0]);
  EXPECT_TRUE(w.rfind("\xD7\xCD\xC6\x9A", 0) == 0 || w.rfind(std::string("\x01\x00\x09\x00", 4), 0) == 0 ||
              w.rfind(std::string("\x02\x00\x09\x00", 4), 0) == 0)
      << "old-style metafile bytes";
  EXPECT_EQ(Probe(names[0]).substr(0, 3), "WMF");
  if (gifObject) {
    EXPECT_EQ(names[1], Path("docI.gif"));
    EXPECT_EQ(Probe(names[1]), "GIF 12x9");
  }
  const std::string& emf = names.back();
  EXPECT_EQ(ExtractFileExt(emf), ".emf");
  EXPECT_EQ(Bytes(emf).substr(40, 4), " EMF");
}

TEST_F(ImageFilesTest, AMissingObjectFileIsOfferedToBeFoundWhenTheDocumentOpens) {
  const std::string png = Path("gone.png"), replacement = Path("found.png"), doc = Path("objects.zqv");
  MakePicture(png, "PNG", 16, 12);
  MakePicture(replacement, "PNG", 16, 12);
  ASSERT_TRUE(form->LoadImageObject(png, TPoint(60, 60)));
  form->DeselectImage(form, true);
  ASSERT_TRUE(form->SaveFile(form, doc));
  ASSERT_TRUE(QFile::remove(QString::fromStdString(png)));
  const struct {
    const char* label;
    int answer;
    int count;
    const char* name;  // the object's file afterwards
    bool modified;
  } cases[] = {{"found", mrYes, 1, "found.png", false},
               {"removed", mrNo, 0, "", true},
               {"ignored", mrIgnore, 1, "gone.png", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    // The document as saved, with the file missing again.
    ASSERT_TRUE(CopyFile(doc, Path("open.zqv")));
    rec->Clear();
    if (form->Modified || form->DocumentNeedsSave()) rec->Answer(mrNo);
    rec->Answer(c.answer);
    DocumentDialogHook = [&](const std::string&, const std::string&) { return Path("open.zqv"); };
    PictureDialogHook = [&](const std::string&, const std::string&, const std::string&, int&) { return replacement; };
    form->_Open->trigger();
    EXPECT_TRUE(Said("The Picture: " + png + " is either missing or not in the original directory."));
    ASSERT_EQ(form->ImageCount, c.count);
    EXPECT_EQ(form->Modified, c.modified);
    if (c.count) {
      EXPECT_EQ(form->ImageRecs[0].Name(), std::string(c.name).empty() ? "" : Path(c.name));
      ASSERT_NE(form->Images[0], nullptr);
    }
    if (std::string(c.label) == "found") {
      ASSERT_NE(form->Images[0]->Picture.Graphic(), nullptr);
      EXPECT_EQ(form->Images[0]->Picture.Graphic()->Width(), 16);
    }
    EXPECT_FALSE(SaidAnywhere("is either invalid or missing"));
  }
}

TEST_F(ImageFilesTest, ADamagedOrOversizedJpegIsRefusedWhenLoadedAsAPicture) {
  const struct {
    const char* label;
    const char* patch;  // Python over the bytes d of a small baseline JPEG
  } cases[] = {
      {"oversized", "i=d.find(b'\\xff\\xc0')\nd[i+5:i+9]=bytes([0x75,0x30,0x75,0x30])\n"},
      {"bad Huffman table",
       "i=d.find(b'\\xff\\xc4')+5\nneed=3-d[i]\nd[i]=3\nk=i+1\nwhile need>0:\n t=min(need,d[k])\n d[k]-=t\n "
       "need-=t\n k+=1\n"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string file = Path("bad" + std::to_string(n++) + ".jpg");
    MakePicture(file, "JPEG", 16, 16);
    RunPython("d=bytearray(open('" + file + "','rb').read())\n" + c.patch + "open('" + file + "','wb').write(d)");
    const int before = form->PictureCount;
    SelectionRect = TRect(10, 10, 60, 60);
    PictureDialogHook = [&](const std::string&, const std::string&, const std::string&, int&) { return file; };
    rec->Clear();
    rec->Answer(mrNo);   // not as an object
    rec->Answer(mrYes);  // scaled to the selection, were it taken
    emit form->PopupMenu2->aboutToShow();
    Item("LoadPicture")->trigger();
    EXPECT_EQ(form->PictureCount, before);
    EXPECT_TRUE(Said("Sorry, picture failed to load: " + file));
    form->RefreshAllImages(form, false);
    EXPECT_FALSE(SaidAnywhere("Unknown error")) << (rec->Texts().empty() ? "" : rec->Last().Text);
    // Loaded as an object it is refused with the object's message.
    SelectionRect = TRect(10, 10, 60, 60);
    rec->Clear();
    rec->Answer(mrYes);  // as an object
    emit form->PopupMenu2->aboutToShow();
    Item("LoadPicture")->trigger();
    EXPECT_EQ(form->ImageCount, 0);
    EXPECT_TRUE(Said("Sorry, picture failed to load: " + file));
    EXPECT_FALSE(SaidAnywhere("Unknown error"));
  }
}

TEST_F(ImageFilesTest, ATypedPictureExtensionPicksTheFormatAndRefusalsNameTheCommand) {
  const std::string png = Path("object.png");
  MakePicture(png, "PNG", 24, 18);
  ASSERT_TRUE(form->LoadImageObject(png, TPoint(80, 80)));
  const std::string typed = Path("typed_as.jpg");
  PictureDialogHook = [&](const std::string&, const std::string&, const std::string&, int& index) {
    index = 3;  // the bitmap filter
    return typed;
  };
  Item("gifjpgemfwmf1")->trigger();
  EXPECT_EQ(Probe(typed), "JPEG 24x18");
  EXPECT_FALSE(FileExists(Path("typed_as.bmp")));
  EXPECT_EQ(form->ImageRecs[0].Name(), typed);
  // A refused overwrite says which command stops, in the user's words.
  rec->Clear();
  rec->Answer(mrNo);
  Item("gifjpgemfwmf1")->trigger();
  EXPECT_EQ(rec->Last().Text, "Exiting Save Image As");
  form->SelectImage(0);
  ResizeSelected(10, 10);
  rec->Answer(mrNo);
  Item("SaveImage1")->trigger();
  EXPECT_EQ(rec->Last().Text, "Exiting Save Image");
  EXPECT_FALSE(SaidAnywhere("Click"));
}

TEST_F(ImageFilesTest, SavingAsMetafileAndThenAsGifKeepsTheSizeAndAddsNoBorder) {
  const std::string png = Path("square.png");
  MakePicture(png, "PNG", 128, 128, true);
  ASSERT_TRUE(form->LoadImageObject(png, TPoint(60, 60)));
  const struct {
    int filter;
    const char* name;
  } steps[] = {{1, "square.emf"}, {6, "square.gif"}, {3, "square.bmp"}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    const std::string target = Path(s.name);
    PictureDialogHook = [&](const std::string&, const std::string&, const std::string&, int& index) {
      index = s.filter;
      return target;
    };
    Item("gifjpgemfwmf1")->trigger();
    ASSERT_EQ(form->ImageRecs[0].Name(), target);
  }
  for (const char* raster : {"square.gif", "square.bmp"}) {
    const std::string file = Path(raster);
    EXPECT_EQ(Probe(file).substr(Probe(file).find(' ') + 1), "128x128") << raster;
    // The last row and column hold the picture, not black.
    const std::string corner = RunPython("from PIL import Image\nim=Image.open('" + file +
                                         "').convert('RGB')\nprint(min(min(im.getpixel((im.width-1,y))) for y in "
                                         "range(im.height)), min(min(im.getpixel((x,im.height-1))) for x in "
                                         "range(im.width)))");
    int a = 0, b = 0;
    ASSERT_EQ(sscanf(corner.c_str(), "%d %d", &a, &b), 2);
    EXPECT_GT(a, 150) << raster;
    EXPECT_GT(b, 150) << raster;
  }
}

}  // namespace

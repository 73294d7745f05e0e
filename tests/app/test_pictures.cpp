// Pictures, pasted bitmaps and image objects through the real window: pictures of every raster
// format draw what an independent reader (Python's PIL) decodes; damaged and missing files are
// settled with the user once; image objects follow the resize frame's handles, survive a save
// and reopen, are saved in every format as other programs read them; undo gives back the tables;
// smoothing gives the hand-computed values.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include "app/main_window_custom_palette.h"
#include "app/palette_button.h"
#include "app/text_window_fixture.h"
#include "cad/engine.h"
#include "helpers/drag_frame_geometry.h"
#include "helpers/drag_rect.h"
#include "helpers/page_surface.h"
#include "platform/bitmap.h"
#include "platform/graphic.h"
#include "platform/metafile.h"

namespace {

const char* const Python = "/usr/bin/python3";

struct PicturesTest : TextPageTest {
  QTemporaryDir dir;
  void SetUp() override {
    TextPageTest::SetUp();
    // A window large enough for the page points the tests use to lie in its visible part.
    form->resize(1000, 800);
    form->show();
    QApplication::processEvents();
    // Set once the window is shown (showing applies the window's kept settings).
    form->TransparentImages1->setChecked(false);
  }
  void TearDown() override { TextPageTest::TearDown(); }
  std::string Path(const std::string& name) { return dir.filePath(QString::fromStdString(name)).toStdString(); }
  // Runs a Python script with PIL; false (and the test skipped by the caller) without it.
  bool RunPython(const std::string& script) {
    QProcess p;
    p.start(Python, {"-c", QString::fromStdString(script)});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
      ADD_FAILURE() << "python: " << p.readAllStandardError().toStdString();
      return false;
    }
    return true;
  }
  // The RGB pixels PIL decodes from a file: width, height, then R, G, B bytes.
  bool Decode(const std::string& file, int& w, int& h, std::vector<uint8_t>& rgb) {
    const std::string out = file + ".rgb";
    if (!RunPython("from PIL import Image\nim=Image.open('" + file + "').convert('RGB')\nopen('" + out +
                   "','wb').write(im.width.to_bytes(4,'little')+im.height.to_bytes(4,'little')+im.tobytes())"))
      return false;
    QFile f(QString::fromStdString(out));
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray b = f.readAll();
    w = *reinterpret_cast<const int32_t*>(b.constData());
    h = *reinterpret_cast<const int32_t*>(b.constData() + 4);
    rgb.assign(b.begin() + 8, b.end());
    return int(rgb.size()) == w * h * 3;
  }
  TColor PagePixel(int x, int y) { return form->PageBackBuffer()->Pixel(x, y); }
  // Sends a mouse event to a widget at a global point.
  static void Mouse(QWidget* w, QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
    const QPoint local = w->mapFromGlobal(global);
    QMouseEvent e(type, QPointF(local), QPointF(global), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
  // A picture file of w x h with a different colour in every pixel (few enough for a GIF palette).
  void MakePicture(const std::string& file, const std::string& format, int w = 5, int h = 4) {
    ASSERT_TRUE(RunPython("from PIL import Image\nim=Image.new('RGB',(" + std::to_string(w) + "," +
                          std::to_string(h) +
                          "))\nfor y in range(im.height):\n for x in range(im.width):\n  "
                          "im.putpixel((x,y),((x*53+y*17)%256,(x*29+y*91)%256,(x*7+y*131)%256))\nim.save('" +
                          file + "','" + format + "'" + (format == "JPEG" ? ",quality=95" : "") + ")"));
  }
};

struct FormatCase {
  const char* ext;
  const char* pilFormat;
  int tolerance;
};

TEST_F(PicturesTest, EachFormatPlacedOnThePageDrawsWhatAnIndependentReaderDecodesScaledToItsRectangle) {
  const FormatCase cases[] = {{".bmp", "BMP", 0}, {".png", "PNG", 0}, {".gif", "GIF", 0},
                              {".zqg", "GIF", 0}, {".jpg", "JPEG", 6}, {".jpeg", "JPEG", 6}};
  int x = 10;
  for (const FormatCase& c : cases) {
    const std::string file = Path(std::string("pic") + c.ext);
    MakePicture(file, c.pilFormat);
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(Decode(file, w, h, rgb)) << c.ext;
    // Load Picture into a selection three times the picture's size: not as an object, scaled.
    PictureDialogHook = [&](const std::string&, const std::string&, const std::string&, int&) { return file; };
    SelectionRect = TRect(x, 20, x + 3 * w, 20 + 3 * h);
    rec->Answer(mrNo);   // Load as Object?
    rec->Answer(mrYes);  // scale to fit the selection
    const int before = form->PictureCount;
    form->LoadPictureClick(form->findChild<QAction*>("LoadPicture"));
    ASSERT_EQ(form->PictureCount, before + 1) << c.ext;
    EXPECT_EQ(Pictures[size_t(before)].Name(), file);
    form->RefreshAllImages(form, false);
    int worst = 0;
    for (int py = 0; py < 3 * h; ++py)
      for (int px = 0; px < 3 * w; ++px) {
        const TColor got = PagePixel(x + px, 20 + py);
        const uint8_t* want = &rgb[size_t(((py / 3) * w + px / 3) * 3)];
        worst = std::max({worst, std::abs(GetRValue(got) - want[0]), std::abs(GetGValue(got) - want[1]),
                          std::abs(GetBValue(got) - want[2])});
      }
    EXPECT_LE(worst, c.tolerance) << c.ext;
    x += 3 * w + 10;
  }
  EXPECT_TRUE(rec->Texts().size() == size_t(2 * std::size(cases))) << "no other message";
}

TEST_F(PicturesTest, AScaledPictureRepaintedFollowsItsRectangleAndItsFile) {
  // A repaint with the same rectangles draws a stretched picture from the pixels kept at the last
  // one: a moved or resized rectangle, or another file in the slot, must show at the next repaint.
  const std::string first = Path("again.png"), second = Path("other.bmp");
  MakePicture(first, "PNG", 5, 4);
  MakePicture(second, "BMP", 7, 3);
  struct TStep {
    const char* Name;
    const std::string& File;
    TRect Rect;
  } steps[] = {
      {"placed", first, {10, 20, 25, 32}},
      {"repainted", first, {10, 20, 25, 32}},
      {"moved", first, {13, 22, 28, 34}},
      {"resized", first, {13, 22, 24, 31}},
      {"another file", second, {13, 22, 24, 31}},
  };
  for (const TStep& t : steps) {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(Decode(t.File, w, h, rgb)) << t.Name;
    Pictures[0].SetName(t.File);
    Pictures[0].Rect = TStoredRect::From(t.Rect);
    form->PictureCount = 1;
    form->RefreshAllImages(form, false);
    const int dw = t.Rect.Width(), dh = t.Rect.Height();
    int wrong = 0;
    for (int py = 0; py < dh; ++py)
      for (int px = 0; px < dw; ++px) {
        const TColor got = PagePixel(t.Rect.Left + px, t.Rect.Top + py);
        const uint8_t* want = &rgb[size_t(((py * h / dh) * w + px * w / dw) * 3)];
        if (got != RGBColor(want[0], want[1], want[2])) ++wrong;
      }
    EXPECT_EQ(wrong, 0) << t.Name;
  }
  EXPECT_TRUE(rec->Texts().empty()) << "no message";
}

TEST_F(PicturesTest, ADamagedPictureIsReportedOnceKeepsItsEntryAndTheRestOfThePageStillDraws) {
  const std::string good = Path("good.png");
  MakePicture(good, "PNG");
  struct Damage {
    const char* format;
    const char* ext;
    bool truncate;  // cut to 12 bytes; otherwise the first 16 bytes are zeroed
  } damages[] = {{"PNG", ".png", true},   {"PNG", ".png", false}, {"GIF", ".gif", true}, {"GIF", ".gif", false},
                 {"BMP", ".bmp", true},   {"BMP", ".bmp", false}, {"JPEG", ".jpg", true}, {"JPEG", ".jpg", false},
                 {"GIF", ".zqg", false}};
  int n = 0;
  ASSERT_TRUE(form->AddPicture(form, good, TRect(0, 0, 15, 12)));
  ++form->PictureCount;
  for (const Damage& d : damages) {
    const std::string file = Path("bad" + std::to_string(n++) + d.ext);
    MakePicture(file, d.format);
    QFile f(QString::fromStdString(file));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    if (d.truncate) {
      f.resize(12);
    } else {
      f.write(QByteArray(16, '\0'));
    }
    f.close();
    ASSERT_TRUE(form->AddPicture(form, file, TRect(30, 30, 60, 60)));
    ++form->PictureCount;
  }
  rec->Clear();
  form->RefreshAllImages(form, false);
  form->RefreshAllImages(form, false);
  std::vector<std::string> texts = rec->Texts();
  EXPECT_EQ(texts.size(), std::size(damages)) << "each damaged file reported once over two repaints";
  for (int k = 0; k < int(std::size(damages)); ++k) {
    const std::string name = Pictures[size_t(k + 1)].Name();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "An error occurred while trying to load the File " + name + " Sorry :-("),
              texts.end())
        << name;
  }
  EXPECT_EQ(form->PictureCount, 1 + int(std::size(damages)));
  // The good picture under them all is still drawn.
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(Decode(good, w, h, rgb));
  const TColor p = PagePixel(4, 5);
  const uint8_t* want = &rgb[size_t(((5 * h / 12) * w + 4 * w / 15) * 3)];
  EXPECT_EQ(GetRValue(p), want[0]);
  EXPECT_EQ(GetGValue(p), want[1]);
  EXPECT_EQ(GetBValue(p), want[2]);
}

TEST_F(PicturesTest, AMissingPictureIsSettledWithTheUserOnceNotAtEveryRepaint) {
  const std::string replacement = Path("found.png");
  MakePicture(replacement, "PNG");
  struct Case {
    std::vector<int> answers;
    std::string found;  // what the find dialog returns
    int countAfter;
    bool renamed;
  } cases[] = {
      {{mrIgnore}, "", 1, false},
      {{mrNo}, "", 0, false},
      {{mrYes}, replacement, 1, true},
      {{mrYes}, "", 1, false},  // cancelling the search keeps the picture
  };
  for (const Case& c : cases) {
    form->ClearDocument(form);
    const std::string gone = Path("gone.png");
    ASSERT_TRUE(form->AddPicture(form, gone, TRect(0, 0, 10, 10)));
    ++form->PictureCount;
    PictureDialogHook = [&](const std::string&, const std::string&, const std::string&, int&) { return c.found; };
    rec->Clear();
    for (int a : c.answers) rec->Answer(a);
    form->RefreshAllImages(form, false);
    form->RefreshAllImages(form, false);
    int asked = 0;
    for (const std::string& t : rec->Texts()) asked += t.rfind("The Picture: " + gone, 0) == 0;
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(form->PictureCount, c.countAfter);
    if (c.countAfter) {
      EXPECT_EQ(Pictures[0].Name(), c.renamed ? replacement : gone);
    }
  }
}

TEST_F(PicturesTest, ImageObjectsFollowTheFrameByEachHandleAndInside) {
  const std::string file = Path("object.png");
  MakePicture(file, "PNG", 60, 40);
  for (int handle = 0; handle <= 8; ++handle) {
    form->ClearDocument(form);
    ASSERT_TRUE(form->LoadImageObject(file, TPoint(100, 80)));
    ASSERT_EQ(form->ImageCount, 1);
    TDragRect* frame = form->aDrag;
    ASSERT_NE(frame, nullptr);
    const TRect start(frame->x(), frame->y(), frame->x() + frame->width(), frame->y() + frame->height());
    EXPECT_EQ(start, TRect(100, 80, 160, 120));
    const TRect hr = HandleRect(handle, start.Width(), start.Height());
    const QPoint local = handle == 0 ? QPoint(30, 20) : QPoint(hr.Left + 1, hr.Top + 1);
    const QPoint g0 = frame->mapToGlobal(local);
    const int dx = 13, dy = -7;
    Mouse(frame, QEvent::MouseButtonPress, g0, Qt::LeftButton);
    Mouse(frame, QEvent::MouseMove, g0 + QPoint(dx / 2, dy / 2), Qt::LeftButton);
    Mouse(frame, QEvent::MouseMove, g0 + QPoint(dx, dy), Qt::LeftButton);
    Mouse(frame, QEvent::MouseButtonRelease, g0 + QPoint(dx, dy), Qt::NoButton);
    // A click on the page takes the frame off and stores the rectangle.
    form->MainImageMouseDown(Qt::LeftButton, Qt::NoModifier, 400, 400);
    form->MainImageMouseUp(Qt::LeftButton, Qt::NoModifier, 400, 400);
    EXPECT_EQ(form->aDrag, nullptr);
    EXPECT_EQ(form->ImageRecs[0].Rect.ToRect(), DraggedFrame(handle, start, dx, dy)) << "handle " << handle;
  }
}

TEST_F(PicturesTest, ASavedDocumentKeepsEveryObjectsFileAndRectangle) {
  const std::string png = Path("a.png"), bmp = Path("b.bmp"), gif = Path("c.gif");
  MakePicture(png, "PNG", 20, 10);
  MakePicture(bmp, "BMP", 8, 8);
  MakePicture(gif, "GIF", 9, 7);
  ASSERT_TRUE(form->LoadImageObject(png, TPoint(30, 40)));
  ASSERT_TRUE(form->LoadImageObject(bmp, TPoint(200, 60)));
  form->DeselectImage(form, true);
  // The second object turned a quarter: it has no file any more and gets a side file.
  form->SelectedImage = 1;
  form->N902Click(form, 0);
  ASSERT_TRUE(form->ImageRecs[1].Name().empty());
  const bool gifAllowed = form->LoadImageObject(gif, TPoint(300, 90));
  form->DeselectImage(form, true);
  const std::string doc = Path("page.zqv");
  ASSERT_TRUE(form->SaveFile(form, doc));
  const int count = form->ImageCount;
  std::vector<TImageObjectRec> saved(form->ImageRecs.begin(), form->ImageRecs.begin() + count);
  EXPECT_EQ(count, gifAllowed ? 3 : 2);
  EXPECT_FALSE(saved[1].Name().empty());
  EXPECT_TRUE(FileExists(saved[1].Name()));
  form->ClearDocument(form);
  ASSERT_TRUE(form->Open_File(form, doc));
  ASSERT_EQ(form->ImageCount, count);
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(form->ImageRecs[size_t(i)].Name(), saved[size_t(i)].Name()) << i;
    EXPECT_EQ(form->ImageRecs[size_t(i)].Rect, saved[size_t(i)].Rect) << i;
    ASSERT_NE(form->Images[size_t(i)], nullptr);
    EXPECT_FALSE(form->Images[size_t(i)]->Picture.Graphic()->Empty()) << i;
  }
  EXPECT_EQ(saved[0].Rect.ToRect(), TRect(30, 40, 50, 50));
  EXPECT_EQ(saved[1].Rect.ToRect(), TRect(200, 60, 208, 68));
}

TEST_F(PicturesTest, FileNewEmptiesThePictureTableAndTheObjectRecords) {
  const std::string png = Path("kept.png");
  MakePicture(png, "PNG", 20, 10);
  ASSERT_TRUE(form->AddPicture(form, png, TRect(60, 60, 80, 70)));
  ++form->PictureCount;
  ASSERT_TRUE(form->LoadImageObject(png, TPoint(30, 40)));
  ASSERT_FALSE(form->ImageRecs[0].Name().empty());
  form->Modified = false;  // nothing to save: New asks nothing
  form->FileModified = false;
  form->New1->trigger();
  EXPECT_EQ(form->PictureCount, 0);
  EXPECT_TRUE(Pictures[0].Name().empty());
  EXPECT_EQ(Pictures[0].Rect, TStoredRect{});
  EXPECT_EQ(form->ImageCount, 0);
  EXPECT_TRUE(form->ImageRecs[0].Name().empty());
  EXPECT_EQ(form->ImageRecs[0].Rect, TStoredRect{});
}

TEST_F(PicturesTest, APointOutsideTheVisiblePageGivesTheMiddleOfIt) {
  const std::string file = Path("p.png");
  MakePicture(file, "PNG", 10, 6);
  QWidget* v = form->ScrollBox1->viewport();
  ASSERT_TRUE(form->LoadImageObject(file, TPoint(-5, v->height() + 50)));
  EXPECT_EQ(form->ImageRecs[0].Rect.ToRect().TopLeft(), TPoint(v->width() / 2, v->height() / 2));
}

TEST_F(PicturesTest, ASelectionTurnedIntoAnObjectStandsApartFromWhatItCopies) {
  const std::string png = Path("under.png");
  MakePicture(png, "PNG", 30, 20);
  ASSERT_TRUE(form->AddPicture(form, png, TRect(60, 60, 90, 80)));
  ++form->PictureCount;
  SelectionRect = TRect(50, 40, 250, 140);
  form->ConverttoImageObject1Click(form);
  ASSERT_EQ(form->ImageCount, 1);
  EXPECT_EQ(form->ImageObjectRect(0), TRect(55, 45, 256, 146));
  EXPECT_TRUE(form->ImageRecs[0].Name().empty());
  auto* meta = dynamic_cast<TMetafile*>(form->Images[0]->Picture.Graphic());
  ASSERT_NE(meta, nullptr);
  EXPECT_EQ(meta->Width(), 200);
  EXPECT_EQ(meta->Height(), 100);
  // The picture under the selection is in the recording: played back, it lies at (10, 20).
  TBitmap played(200, 100, pf24bit);
  meta->Draw(played.Canvas(), TRect(0, 0, 200, 100));
  EXPECT_NE(played.Pixel(15, 25), clWhite);
  EXPECT_EQ(played.Pixel(150, 80), clWhite);
}

TEST_F(PicturesTest, AConvertedSelectionRecordsEachPictureOnce) {
  // A picture and an image object under the selection: the recording holds one bitmap record
  // for each (read from the enhanced records themselves: type and size, little-endian).
  const std::string png = Path("under.png"), obj = Path("object.png");
  MakePicture(png, "PNG", 30, 20);
  MakePicture(obj, "PNG", 12, 10);
  ASSERT_TRUE(form->AddPicture(form, png, TRect(60, 60, 90, 80)));
  ++form->PictureCount;
  ASSERT_TRUE(form->LoadImageObject(obj, TPoint(120, 70)));
  form->DeselectImage(form, true);
  SelectionRect = TRect(50, 40, 250, 140);
  form->ConverttoImageObject1Click(form);
  ASSERT_EQ(form->ImageCount, 2);
  auto* meta = dynamic_cast<TMetafile*>(form->Images[1]->Picture.Graphic());
  ASSERT_NE(meta, nullptr);
  const std::vector<uint8_t>& r = meta->Records;
  auto u32 = [&](size_t at) { return uint32_t(r[at]) | uint32_t(r[at + 1]) << 8 | uint32_t(r[at + 2]) << 16 | uint32_t(r[at + 3]) << 24; };
  int bitmaps = 0;
  for (size_t at = 0; at + 8 <= r.size();) {
    const uint32_t type = u32(at), size = u32(at + 4);
    if (type == 76 || type == 77 || type == 80 || type == 81) ++bitmaps;  // BITBLT, STRETCHBLT, SETDIBITSTODEVICE, STRETCHDIBITS
    if (size < 8) break;
    at += size;
  }
  EXPECT_EQ(bitmaps, 2);
}

TEST_F(PicturesTest, ColourReductionsGiveTheirPixelFormatsAndTheObjectLosesItsFile) {
  const std::string png = Path("colours.png");
  MakePicture(png, "PNG", 16, 16);
  const struct {
    int position;
    TPixelFormat format;
  } cases[] = {{1, pf4bit}, {2, pf8bit}, {3, pf8bit}, {4, pf8bit}};
  QAction* item = form->findChild<QAction*>("GreyScale1");
  ASSERT_NE(item, nullptr);
  for (const auto& c : cases) {
    form->ClearDocument(form);
    ASSERT_TRUE(form->LoadImageObject(png, TPoint(40, 40)));
    form->GreyScale1Click(item, c.position);
    auto* b = dynamic_cast<TBitmap*>(form->Images[0]->Picture.Graphic());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->PixelFormat(), c.format) << c.position;
    EXPECT_EQ(b->Width(), 16);
    EXPECT_TRUE(form->ImageRecs[0].Name().empty()) << c.position;
  }
  // Grey scale leaves only greys.
  auto* b = dynamic_cast<TBitmap*>(form->Images[0]->Picture.Graphic());
  for (int x = 0; x < 16; ++x) {
    const TColor p = b->Pixel(x, 5);
    EXPECT_TRUE(GetRValue(p) == GetGValue(p) && GetGValue(p) == GetBValue(p)) << x;
  }
}

TEST_F(PicturesTest, EmbeddingTurnsAnObjectIntoAPictureOrAPasteThatUndoTakesBack) {
  const std::string png = Path("embed.png");
  MakePicture(png, "PNG", 10, 8);
  // With a file: a picture of that file at the object's place.
  ASSERT_TRUE(form->LoadImageObject(png, TPoint(70, 50)));
  rec->Answer(mrOk);
  form->EmbedImage1Click(form);
  EXPECT_EQ(form->ImageCount, 0);
  ASSERT_EQ(form->PictureCount, 1);
  EXPECT_EQ(Pictures[0].Name(), png);
  EXPECT_EQ(Pictures[0].Rect.ToRect(), TRect(70, 50, 80, 58));
  // Without a file (turned): a paste with a file of its own.
  ASSERT_TRUE(form->LoadImageObject(png, TPoint(200, 100)));
  form->N902Click(form, 1);
  rec->Answer(mrOk);
  form->EmbedImage1Click(form);
  EXPECT_EQ(form->ImageCount, 0);
  ASSERT_EQ(form->PasteCount, 1);
  EXPECT_TRUE(FileExists(Pastes[0].Name()));
  EXPECT_NE(Pastes[0].Name(), png);
  EXPECT_EQ(Pastes[0].Rect.ToRect(), TRect(200, 100, 210, 108));
  form->UndoLast(form, false);
  EXPECT_EQ(form->PasteCount, 0);
  form->UndoLast(form, false);
  EXPECT_EQ(form->PictureCount, 0);
  // Cancelled: the object stays.
  ASSERT_TRUE(form->LoadImageObject(png, TPoint(20, 20)));
  rec->Clear();
  rec->Answer(mrCancel);
  form->EmbedImage1Click(form);
  EXPECT_EQ(form->ImageCount, 1);
  EXPECT_EQ(rec->Last().Text, "User canceled or unable to embed graphic. Sorry:-(");
}

TEST_F(PicturesTest, CopyAndCutPutTheShownPictureOnTheClipboard) {
  const std::string png = Path("copy.png");
  MakePicture(png, "PNG", 10, 8);
  for (bool cut : {false, true}) {
    form->ClearDocument(form);
    QApplication::clipboard()->clear();
    ASSERT_TRUE(form->LoadImageObject(png, TPoint(20, 20)));
    form->Images[0]->resize(20, 16);
    if (cut) form->Cut1Click(form);
    else form->Copy2Click(form);
    const QImage got = QApplication::clipboard()->image();
    ASSERT_FALSE(got.isNull()) << cut;
    EXPECT_EQ(got.size(), QSize(20, 16)) << cut;
    EXPECT_EQ(form->ImageCount, cut ? 0 : 1);
  }
}

TEST_F(PicturesTest, FilesDroppedFromAFileManagerBecomeObjectsWhereTheyAreDropped) {
  const std::string png = Path("drop.png"), text = Path("notes.txt");
  MakePicture(png, "PNG", 12, 9);
  WriteFileAtomically(text, "x", 1);
  QWidget* viewport = form->ScrollBox1->viewport();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(png)), QUrl::fromLocalFile(QString::fromStdString(text))});
  const QPoint at = form->MainImage->mapTo(viewport, QPoint(120, 90));
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &drop);
  ASSERT_EQ(form->ImageCount, 1) << "the picture only";
  EXPECT_EQ(form->ImageRecs[0].Name(), png);
  EXPECT_EQ(form->ImageRecs[0].Rect.ToRect(), TRect(120, 90, 132, 99));
  EXPECT_TRUE(form->Modified);
}

TEST_F(PicturesTest, APaletteButtonDroppedOnThePageBecomesAngledText) {
  // A custom button (its font one and a half times as large), a symbol palette button, and a
  // ZQVSerif large sign (five thirds of the button's size).
  TCustButPanel* custom = form->CustomButton(3);
  custom->SetFont(TFont("Symbol", 12, 0, clBlack, SYMBOL_CHARSET));
  custom->SetCaption("p");
  auto* greek = form->findChild<TPaletteButton*>("LgBkt1");
  ASSERT_NE(greek, nullptr);
  struct TCase {
    QWidget* Panel;
    std::string Text, Font;
    int32_t Size;
  } cases[] = {{custom, "p", "Symbol", 180000}, {greek, greek->Caption, greek->ButtonFont.Name, 0}};
  if (SameText(greek->ButtonFont.Name, "ZQVSerif") && !greek->Caption.empty() &&
      std::string("\x7F\x80\x8D\x8E\x8F\x90\x9D\x9E\xA7\xB6\xB9").find(greek->Caption[0]) != std::string::npos)
    cases[1].Size = greek->ButtonFont.Size() * 50000 / 3;
  else
    cases[1].Size = greek->ButtonFont.Size() * 10000;
  QWidget* viewport = form->ScrollBox1->viewport();
  const uint8_t kind = Figures->Template->Kind;
  int n = Figures->Count();
  for (const TCase& c : cases) {
    QMimeData data;
    data.setData(PaletteButtonMimeType, c.Panel->objectName().toUtf8());
    const QPoint at = form->MainImage->mapTo(viewport, QPoint(150, 100));
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    form->Modified = false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    ASSERT_EQ(Figures->Count(), n + 1) << c.Text;
    const TRealFig& f = *Figures->GetFigure(n);
    EXPECT_EQ(f.Kind, 48);
    EXPECT_EQ(f.Text, c.Text);
    EXPECT_EQ(f.FontName, c.Font);
    EXPECT_EQ(f.FontSize, c.Size);
    EXPECT_EQ(Figures->Template->Kind, kind) << "the tool keeps its kind";
    EXPECT_TRUE(form->Modified);
    ++n;
  }
}

TEST_F(PicturesTest, UndoOfPictureAndPasteChangesGivesBackTheTables) {
  const std::string a = Path("a.png");
  MakePicture(a, "PNG");
  const TPictureTable pictures0 = Pictures;
  ASSERT_TRUE(form->AddPicture(form, a, TRect(0, 0, 10, 10)));
  ++form->PictureCount;
  const TPictureTable pictures1 = Pictures;
  ASSERT_TRUE(form->AddPicture(form, a, TRect(5, 5, 20, 20)));
  ++form->PictureCount;
  // A bitmap pasted at the caret.
  QImage image(7, 3, QImage::Format_RGB32);
  image.fill(Qt::red);
  QApplication::clipboard()->setImage(image);
  SelectionRect = TRect();
  const TPasteTable pastes0 = Pastes;
  form->PastePictureClick(form->PasteImageatCaret1);
  ASSERT_EQ(form->PasteCount, 1);
  EXPECT_TRUE(FileExists(Pastes[0].Name()));
  EXPECT_EQ(Pastes[0].Rect.ToRect().Width(), 7);
  form->UndoLast(form, false);
  EXPECT_EQ(form->PasteCount, 0);
  EXPECT_TRUE(Pastes == pastes0);
  form->UndoLast(form, false);
  EXPECT_EQ(form->PictureCount, 1);
  EXPECT_TRUE(Pictures == pictures1);
  form->UndoLast(form, false);
  EXPECT_EQ(form->PictureCount, 0);
  EXPECT_TRUE(Pictures == pictures0);
}

TEST_F(PicturesTest, SaveAsWritesEveryFormatAnotherReaderReadsAndTheObjectThenRefersToIt) {
  const std::string source = Path("source.png");
  MakePicture(source, "PNG", 12, 8);
  int sw = 0, sh = 0;
  std::vector<uint8_t> srgb;
  ASSERT_TRUE(Decode(source, sw, sh, srgb));
  struct Case {
    int filterIndex;
    const char* ext;
    const char* pilFormat;
    bool lossless;
  } cases[] = {{1, ".emf", "WMF", false}, {2, ".wmf", "WMF", false}, {3, ".bmp", "BMP", true},
               {4, ".jpg", "JPEG", false}, {5, ".zqg", "GIF", false}, {6, ".gif", "GIF", false},
               {7, ".png", "PNG", true}};
  QAction* item = form->findChild<QAction*>("gifjpgemfwmf1");
  ASSERT_NE(item, nullptr);
  for (const Case& c : cases) {
    form->ClearDocument(form);
    ASSERT_TRUE(form->LoadImageObject(source, TPoint(40, 40)));
    form->DeselectImage(form, true);
    form->SelectedImage = 0;
    const std::string target = Path(std::string("saved") + c.ext);
    PictureDialogHook = [&](const std::string&, const std::string&, const std::string&, int& index) {
      index = c.filterIndex;
      return target;
    };
    form->gifjpgemfwmf1Click(item, 0);
    ASSERT_TRUE(FileExists(target)) << c.ext;
    EXPECT_EQ(form->ImageRecs[0].Name(), target) << c.ext;
    const std::string probe = Path("probe.txt");
    ASSERT_TRUE(RunPython("from PIL import Image\nim=Image.open('" + target + "')\nopen('" + probe +
                          "','w').write(im.format)"));
    QFile f(QString::fromStdString(probe));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), c.pilFormat) << c.ext;
    if (std::string(c.pilFormat) != "WMF") {
      int w = 0, h = 0;
      std::vector<uint8_t> rgb;
      ASSERT_TRUE(Decode(target, w, h, rgb));
      EXPECT_TRUE((w == sw && h == sh) || (w == sw + 1 && h == sh + 1)) << c.ext << " " << w << "x" << h;
      if (!c.lossless) continue;
      ASSERT_GE(w, sw);
      ASSERT_GE(h, sh);
      for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x)
          for (int k = 0; k < 3; ++k)
            ASSERT_EQ(rgb[size_t((y * w + x) * 3 + k)], srgb[size_t((y * sw + x) * 3 + k)]) << c.ext << " " << x << "," << y;
    }
  }
  // A write that fails leaves the object and its file as they were.
  const std::string before = form->ImageRecs[0].Name();
  const int width = form->Images[0]->Picture.Graphic()->Width();
  PictureDialogHook = [&](const std::string&, const std::string&, const std::string&, int& index) {
    index = 7;
    return Path("no-such-folder/x.png");
  };
  rec->Clear();
  form->gifjpgemfwmf1Click(item, 0);
  EXPECT_EQ(form->ImageRecs[0].Name(), before);
  EXPECT_EQ(form->Images[0]->Picture.Graphic()->Width(), width);
  EXPECT_TRUE(FileExists(before));
  EXPECT_EQ(rec->Last().Text, "Save Picture Failed");
}

TEST_F(PicturesTest, SmoothingGivesTheFiltersValuesAtTheEdges) {
  // A grey ramp of three pixels shown five pixels wide, smoothed to the shown size.
  const std::string file = Path("ramp.bmp");
  ASSERT_TRUE(RunPython("from PIL import Image\nim=Image.new('RGB',(3,1))\nfor x,v in enumerate((0,90,180)): "
                        "im.putpixel((x,0),(v,v,v))\nim.save('" +
                        file + "','BMP')"));
  struct Case {
    int position;  // in the Smooth submenu
    int want[5];
  } cases[] = {
      {0, {0, 45, 90, 135, 180}},   // triangle: the ends are the end pixels
      {2, {22, 45, 90, 135, 168}},  // bell: the reflected neighbour pulls each end inwards
  };
  for (const Case& c : cases) {
    form->ClearDocument(form);
    ASSERT_TRUE(form->LoadImageObject(file, TPoint(50, 50)));
    form->DeselectImage(form, true);
    form->Images[0]->resize(5, 1);
    form->SelectedImage = 0;
    form->Mitchell1Click(form, c.position);
    auto* b = dynamic_cast<TBitmap*>(form->Images[0]->Picture.Graphic());
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->Width(), 5);
    ASSERT_EQ(b->Height(), 1);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(GetRValue(b->Pixel(x, 0)), c.want[x]) << c.position << " at " << x;
    EXPECT_TRUE(form->ImageRecs[0].Name().empty());
  }
}

}  // namespace

// The page pop-up's Refresh Image submenu in the real window: its items and keys, and the
// question-by-question refresh of the pictures (No removes one and can be undone; All draws the
// rest without asking).
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>

#include "app/text_window_fixture.h"
#include "helpers/page_surface.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"

namespace {
struct RefreshImage : TextPageTest {
  QTemporaryDir dir;
  void SetUp() override {
    TextPageTest::SetUp();
    // Pictures of one colour would be all see-through with transparent images on.
    form->TransparentImages1->setChecked(false);
  }
  std::string Picture(const std::string& name, QColor colour) {
    QImage im(20, 20, QImage::Format_RGB32);
    im.fill(colour);
    const std::string file = dir.filePath(QString::fromStdString(name)).toStdString();
    EXPECT_TRUE(im.save(QString::fromStdString(file), "PNG"));
    return file;
  }
  // Places a picture on the page as Load Picture does.
  void Place(const std::string& file, const TRect& r) {
    ASSERT_TRUE(form->AddPicture(form, file, r));
    ++form->PictureCount;
  }
  QAction* Item(const char* name) { return form->findChild<QAction*>(name); }
  TColor Shown(int x, int y) { return form->MainImage->Canvas().Pixel(x, y); }
  void Blank(int x, int y) {
    // Paints over a spot of the page image, as something drawn over a picture would.
    form->MainImage->Canvas().Brush.Color = clWhite;
    form->MainImage->Canvas().Brush.Style = bsSolid;
    form->MainImage->Canvas().FillRect(TRect(x - 2, y - 2, x + 3, y + 3));
  }
};
}  // namespace

TEST_F(RefreshImage, TheSubmenuShowsItsKeys) {
  QMenu* sub = form->RefreshImage1->menu();
  ASSERT_NE(sub, nullptr);
  QStringList shown;
  for (QAction* a : sub->actions()) shown << a->text() + " " + a->shortcut().toString();
  EXPECT_EQ(shown, QStringList({"All F9", "Text Only F5", "Pictures F6", "Pastes F7", "Refresh Lines F8"}));
}

TEST_F(RefreshImage, PicturesOneByOneNoRemovesAllDrawsTheRest) {
  Place(Picture("red.png", Qt::red), TRect(100, 300, 120, 320));
  Place(Picture("green.png", Qt::green), TRect(200, 300, 220, 320));
  Place(Picture("blue.png", Qt::blue), TRect(300, 300, 320, 320));
  form->RefreshAllImages(form, false);
  ASSERT_EQ(Shown(110, 310), clRed);
  Blank(110, 310);
  Blank(210, 310);
  Blank(310, 310);
  rec->Clear();
  form->Modified = false;
  // Yes to the first, No to the second, All for the rest.
  rec->Answer(mrYes);
  rec->Answer(mrNo);
  rec->Answer(mrAll);
  Item("Pictures4")->trigger();
  const auto texts = rec->Texts();
  ASSERT_EQ(texts.size(), 3u);
  for (const auto& t : texts) EXPECT_EQ(t, "PICTURES:\r\r            Refresh this one ?");
  // The second is gone from the page; its entry is marked and goes at the next compaction (All
  // ends the pass without compacting).
  EXPECT_EQ(form->PictureCount, 3);
  EXPECT_TRUE(Pictures[1].Missing);
  EXPECT_EQ(Shown(110, 310), clRed);
  EXPECT_EQ(Shown(210, 310), clWhite);
  EXPECT_EQ(Shown(310, 310), clBlue);
  EXPECT_TRUE(form->Modified);
  EXPECT_EQ(form->findChild<QLabel*>("RefreshPreview"), nullptr);  // the preview goes with the pass
  // Undo gives the removed picture back.
  form->Pictures2Click(form);
  EXPECT_EQ(form->PictureCount, 3);
  EXPECT_FALSE(Pictures[1].Missing);
  // Cancel also draws the rest without asking.
  Blank(110, 310);
  rec->Clear();
  rec->Answer(mrCancel);
  Item("Pictures4")->trigger();
  EXPECT_EQ(rec->Texts().size(), 1u);
  EXPECT_EQ(Shown(110, 310), clRed);
}

TEST_F(RefreshImage, TheF6KeyAsksAboutEachPicture) {
  Place(Picture("red.png", Qt::red), TRect(100, 300, 120, 320));
  form->RefreshAllImages(form, false);
  rec->Clear();
  rec->Answer(mrYes);
  Key(vk::F6);
  EXPECT_EQ(rec->Texts(), std::vector<std::string>{"PICTURES:\r\r            Refresh this one ?"});
}

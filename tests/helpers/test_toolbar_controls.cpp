#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "helpers/para_panel.h"
#include "helpers/speed_button.h"
#include "platform/exceptions.h"
#include "platform/screen.h"

TEST(ParaPanel, TickStepsAndBounds) {
  SetScreenPixelsPerInch(96);
  TParaPanel ruler;
  ruler.resize(400, 11);
  EXPECT_EQ(ruler.Increment(), 10);  // 9.6 rounded
  EXPECT_EQ(TParaPanel::TicksPerMajor, 10);
  ruler.SetMetric(true);
  EXPECT_EQ(ruler.Increment(), 9);  // 9.45 rounded
  EXPECT_EQ(TParaPanel::TicksPerMajor, 4);

  ruler.SetMax(40);
  EXPECT_THROW(ruler.SetMin(-1), ERangeError);
  EXPECT_THROW(ruler.SetMin(50), ERangeError);
  ruler.SetMax(0);  // no upper limit; the marker moves to 0
  EXPECT_EQ(ruler.GetMarkerPos(), 0);
  ruler.SetMin(50);
  EXPECT_GE(ruler.GetMarkerPos(), 50);
}

TEST(SpeedButton, GlyphPictureMustBe16PixelsHigh) {
  QTemporaryDir dir;
  const QString bad = dir.filePath("tall.png");
  QImage(16, 20, QImage::Format_RGB32).save(bad);
  TZQVSpeedButton button;
  try {
    button.SetPicture(bad.toStdString());
    FAIL() << "a 20-pixel picture was accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "TZQVSpeedButton.SetPicture:Invalid picture size->W:16 H:20");
  }
  button.SetPicture(dir.filePath("missing.png").toStdString());  // nothing happens
  EXPECT_TRUE(button.Picture.empty());
  const QString good = dir.filePath("ok.png");
  QImage(20, 16, QImage::Format_RGB32).save(good);
  button.SetPicture(good.toStdString());
  EXPECT_EQ(button.Picture, good.toStdString());
}

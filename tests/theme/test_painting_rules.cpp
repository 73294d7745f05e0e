// The rules the themed controls are painted by: where a group box's caption and frame go and that
// the frame leaves a gap under the caption, which state and element a button is drawn in, which
// image of a glyph it shows, and what a track bar gives the parent's background.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

#include "theme/theme_manager.h"

namespace {

struct PaintingRules : ::testing::Test {
  void SetUp() override {
    SetThemeLibraryPresent(true);
    SetVisualStylesEnabled(true);
    ThemeServices()->UpdateThemes();
  }
  void TearDown() override { FreeThemeServices(); }
};

bool Same(const TThemedElementDetails& a, const TThemedElementDetails& b) { return a == b; }

}  // namespace

TEST(GroupBoxRects, CaptionEightPixelsInAndTheFrameThroughItsMiddle) {
  const QRect client(0, 0, 200, 100);
  const struct {
    const char* label;
    QSize caption;
    bool rightToLeft;
    QRect captionRect, frame;
  } cases[] = {
      {"no caption", QSize(), false, QRect(), QRect(0, 0, 200, 100)},
      {"caption", QSize(40, 15), false, QRect(8, 0, 40, 15), QRect(0, 7, 200, 93)},
      {"right to left", QSize(40, 15), true, QRect(152, 0, 40, 15), QRect(0, 7, 200, 93)},
      {"even height", QSize(30, 16), false, QRect(8, 0, 30, 16), QRect(0, 8, 200, 92)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const TGroupBoxRects r = GroupBoxRects(client, c.caption, c.rightToLeft);
    EXPECT_EQ(r.Caption, c.captionRect);
    EXPECT_EQ(r.Frame, c.frame);
  }
}

// Painted: the frame's top line is interrupted where the caption sits, and runs through the whole
// width without a caption. A caption of blanks shows the gap without text in it.
TEST_F(PaintingRules, GroupBoxFrameLeavesAGapUnderTheCaption) {
  ASSERT_TRUE(ThemeServices()->ThemesEnabled());
  TThemeManager manager;
  const auto paint = [&](const QString& title, int& frameTop, QRect& caption) {
    QGroupBox box(title);
    box.resize(200, 100);
    QImage image(box.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      QPainter p(&image);
      manager.PaintGroupBox(&box, p);
    }
    const QSize extent = title.isEmpty() ? QSize() : QFontMetrics(box.font()).size(Qt::TextSingleLine, title);
    const TGroupBoxRects r = GroupBoxRects(box.rect(), extent, false);
    frameTop = r.Frame.top();
    caption = r.Caption;
    return image;
  };
  // The row of the frame's top edge: the first row from the frame's top with ink in the middle
  // of the box's width.
  const auto inked = [](const QImage& img, int x, int y) { return (img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF; };
  int top = 0;
  QRect caption;
  const QImage plain = paint("", top, caption);
  EXPECT_EQ(top, 0);
  int edge = -1;
  for (int y = top; y < top + 4 && edge < 0; ++y)
    if (inked(plain, 100, y)) edge = y;
  ASSERT_GE(edge, 0) << "the frame has a top edge";
  for (int x = 10; x < 190; x += 10) EXPECT_TRUE(inked(plain, x, edge)) << x;

  const QImage gap = paint("            ", top, caption);
  ASSERT_FALSE(caption.isEmpty());
  EXPECT_EQ(caption.left(), 8);
  EXPECT_EQ(top, caption.height() / 2);
  int gapEdge = -1;
  for (int y = top; y < top + 4 && gapEdge < 0; ++y)
    if (inked(gap, 190, y)) gapEdge = y;
  ASSERT_GE(gapEdge, 0);
  EXPECT_TRUE(inked(gap, caption.right() + 4, gapEdge)) << "the edge goes on after the caption";
  for (int x = caption.left() + 1; x < caption.right(); ++x) EXPECT_FALSE(inked(gap, x, gapEdge)) << x;
}

TEST(ButtonStates, SpeedAndBitmapButtons) {
  const struct {
    bool enabled, down, exclusive, flat, underMouse, inside;
    int state;
  } speed[] = {
      {false, true, true, false, true, true, 5},   // disabled first
      {true, true, false, false, false, false, 4},  // held down
      {true, false, true, true, false, false, 4},   // staying down
      {true, false, false, false, true, false, 3},  // non-flat: the control under the mouse
      {true, false, false, false, false, true, 2},  // ... not merely the mouse inside
      {true, false, false, true, false, true, 3},   // flat: the mouse inside
      {true, false, false, true, true, false, 2},
      {true, false, false, false, false, false, 2},
  };
  for (const auto& c : speed)
    EXPECT_EQ(SpeedButtonThemeState(c.enabled, c.down, c.exclusive, c.flat, c.underMouse, c.inside), c.state)
        << c.enabled << c.down << c.exclusive << c.flat << c.underMouse << c.inside;
  const struct {
    bool enabled, selected, hot, isDefault, focused;
    int state;
  } bitmap[] = {
      {false, true, true, true, true, 5}, {true, true, true, false, false, 4}, {true, false, true, true, true, 3},
      {true, false, false, false, false, 2}, {true, false, false, true, false, 6}, {true, false, false, false, true, 6},
  };
  for (const auto& c : bitmap)
    EXPECT_EQ(BitmapButtonThemeState(c.enabled, c.selected, c.hot, c.isDefault, c.focused), c.state)
        << c.enabled << c.selected << c.hot << c.isDefault << c.focused;
  // A flat speed button in states 2 to 5 is a toolbar button; everything else a push button.
  for (int state = 2; state <= 6; ++state) {
    SCOPED_TRACE(state);
    EXPECT_TRUE(Same(ThemedButtonElement(false, state), TThemeServices::GetElementDetails(TThemedButton(state))));
    EXPECT_TRUE(Same(ThemedButtonElement(true, state),
                     state <= 5 ? TThemeServices::GetElementDetails(TThemedToolBar(state))
                                : TThemeServices::GetElementDetails(TThemedButton(state))));
  }
}

TEST(GlyphImages, WhichImageAButtonShows) {
  EXPECT_EQ(GlyphImageCount(QSize(16, 16)), 1);
  EXPECT_EQ(GlyphImageCount(QSize(32, 16)), 2);
  EXPECT_EQ(GlyphImageCount(QSize(64, 16)), 4);
  EXPECT_EQ(GlyphImageCount(QSize(80, 16)), 1) << "more than four images is one picture";
  EXPECT_EQ(GlyphImageCount(QSize(40, 16)), 1);
  EXPECT_EQ(GlyphImageCount(QSize(0, 0)), 1);
  const struct {
    bool speed, enabled, pressed, down, exclusive;
    int images, image;
  } cases[] = {
      {false, false, false, false, false, 2, 2},  // disabled bitmap button, two images
      {false, false, false, false, false, 1, 1},  // one image only
      {false, true, true, false, false, 3, 3},    // pressed bitmap button
      {false, true, true, false, false, 2, 1},    // ... without a third image
      {true, true, false, true, false, 3, 3},     // speed button held down
      {true, true, false, false, true, 4, 4},     // speed button staying down
      {true, true, false, false, true, 3, 1},     // ... without a fourth image
      {true, false, false, true, true, 4, 2},     // disabled wins
      {true, true, false, false, false, 4, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ThemedGlyphImage(c.speed, c.enabled, c.pressed, c.down, c.exclusive, c.images), c.image)
        << c.speed << c.enabled << c.pressed << c.down << c.exclusive << c.images;
}

// A disabled bitmap button whose glyph holds two images shows the second one, and its caption in
// the disabled text colour.
TEST_F(PaintingRules, DisabledBitmapButtonShowsTheSecondImage) {
  ASSERT_TRUE(ThemeServices()->ThemesEnabled());
  TThemeManager manager;
  QPixmap glyph(32, 16);
  glyph.fill(Qt::red);
  {
    QPainter p(&glyph);
    p.fillRect(16, 0, 16, 16, Qt::blue);
  }
  QPushButton button("Caption");
  button.setIcon(QIcon(glyph));
  button.setIconSize(QSize(32, 16));
  button.resize(160, 40);
  button.setEnabled(false);
  QImage image(button.size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    manager.DrawThemedButton(&button, 5, false, button.rect(), p);
  }
  int red = 0, blue = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y) & 0xFFFFFF;
      red += c == 0xFF0000;
      blue += c == 0x0000FF;
    }
  EXPECT_EQ(red, 0);
  EXPECT_EQ(blue, 16 * 16);
  // Enabled, the first image.
  button.setEnabled(true);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    manager.DrawThemedButton(&button, 2, false, button.rect(), p);
  }
  red = blue = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y) & 0xFFFFFF;
      red += c == 0xFF0000;
      blue += c == 0x0000FF;
    }
  EXPECT_EQ(red, 16 * 16);
  EXPECT_EQ(blue, 0);
}

TEST(TrackBar, TicksAndChannelKeepOutOfTheFocusBorder) {
  const QRect client(0, 0, 30, 200);
  const QRect channel(12, 10, 6, 180);
  // A vertical, focused track bar: the strip is the channel's width over the client height, less
  // the focus border's height at the top and the bottom.
  EXPECT_EQ(TrackBarChannelStrip(client, channel, false, true, 2, 3), QRect(12, 3, 6, 194));
  EXPECT_EQ(TrackBarChannelStrip(client, channel, false, false, 2, 3), QRect(12, 0, 6, 200));
  const QRect hclient(0, 0, 200, 30), hchannel(10, 12, 180, 6);
  EXPECT_EQ(TrackBarChannelStrip(hclient, hchannel, true, true, 2, 3), QRect(2, 12, 196, 6));
  EXPECT_EQ(TrackBarChannelStrip(hclient, hchannel, true, false, 2, 3), QRect(0, 12, 200, 6));
  EXPECT_EQ(TrackBarTicksRect(client, true, 2, 3), QRect(2, 3, 26, 194));
  EXPECT_EQ(TrackBarTicksRect(client, false, 2, 3), client);
}

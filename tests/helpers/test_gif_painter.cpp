// The GIF picture's clipboard formats and its animation painter.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMimeData>
#include <QThread>

#include "codecs/test_gif_support.h"
#include "helpers/gif_clipboard.h"
#include "helpers/gif_painter.h"
#include "platform/canvas.h"
#include "platform/clipboard_formats.h"

using namespace giftest;

namespace {

TColor At(const QImage& img, int x, int y) {
  const QRgb c = img.pixel(x, y);
  return RGBColor(qRed(c), qGreen(c), qBlue(c));
}

struct GifPainterTest : ::testing::Test {
  void SetUp() override { RegisterGIFPainter(); }
};

TEST(GifImage, ClipboardRoundTrip) {
  auto a = LoadGif(GifBuilder().Header(3, 2, Grey4()).Image(0, 0, 3, 2, PlainRaster(2, {0, 1, 2, 3, 2, 1})).Trailer().B);
  QMimeData mime;
  unsigned format = 0;
  GIFSaveToClipboardFormat(*a->Image, format, mime);
  EXPECT_EQ(format, CF_BITMAP);
  EXPECT_TRUE(mime.hasImage());
  EXPECT_TRUE(mime.hasFormat("image/gif"));
  TGIFImage fromGif;
  GIFLoadFromClipboardFormat(fromGif, CF_GIF, &mime);
  EXPECT_EQ(fromGif.Images[0]->Data, a->Image->Images[0]->Data);
  TGIFImage fromBitmap;
  fromBitmap.ColorReduction = rmNone;
  GIFLoadFromClipboardFormat(fromBitmap, CF_BITMAP, &mime);
  TGIFSubImage& f = *fromBitmap.Images[0];
  EXPECT_EQ(f.ColorMap.GetColor(f.Data[2]), clRed);
  EXPECT_THROW(GIFLoadFromClipboardFormat(fromBitmap, CF_TEXT, &mime), EInvalidGraphic);
}

// ---- Animation

// Three full-screen frames of one colour each (red, blue, white), the second with a disposal
// method; an optional looping block.
Bytes ThreeFrames(int disposal, int loops = -1, int delay = 1) {
  GifBuilder b;
  b.Header(2, 2, Grey4());
  if (loops >= 0) b.Loop(loops);
  b.Gce(1, delay).Image(0, 0, 2, 2, PlainRaster(2, {2, 2, 2, 2}));
  b.Gce(disposal, delay).Image(0, 0, 1, 1, PlainRaster(2, {3}));
  b.Gce(1, delay).Image(1, 1, 1, 1, PlainRaster(2, {1}));
  return b.Trailer().B;
}

struct Recorder {
  std::vector<std::string> Events;
  void Attach(TGIFImage& image) {
    image.OnPaintStart = [this](void*) { Events.push_back("start"); };
    image.OnFramePainted = [this](void* p) { Events.push_back("frame" + std::to_string(static_cast<TGIFPainter*>(p)->ActiveImage)); };
    image.OnLoopRestart = [this](void*) { Events.push_back("loop"); };
    image.OnPaintEnd = [this](void*) { Events.push_back("end"); };
  }
};

TEST_F(GifPainterTest, InlinePainterPlaysDisposalMethods) {
  for (int disposal : {1, 2, 3}) {
    auto a = LoadGif(ThreeFrames(disposal));
    TGIFImage& image = *a->Image;
    image.DrawOptions = gdoTransparent | gdoAnimate | gdoLoop;
    image.AnimationSpeed = 100000;
    image.BackgroundColor = clLime;
    Recorder rec;
    rec.Attach(image);
    TBitmap target(2, 2, pf24bit);
    target.Canvas();
    target.Image().fill(qRgb(0, 255, 0));  // what lies behind the picture
    image.Draw(target.Canvas(), TRect(0, 0, 2, 2));
    EXPECT_EQ(rec.Events, (std::vector<std::string>{"start", "frame0", "frame1", "frame2", "end"}));
    EXPECT_TRUE(image.Painters.empty());
    EXPECT_EQ(image.Painter, nullptr);
    const QImage& img = target.Image();
    EXPECT_EQ(At(img, 1, 1), clWhite) << "last frame";
    EXPECT_EQ(At(img, 1, 0), clRed);
    // The second frame's pixel (0, 0): kept (1), cleared to the background (2), or gone (3).
    EXPECT_EQ(At(img, 0, 0), disposal == 1 ? clBlue : disposal == 2 ? clLime : clRed) << "disposal " << disposal;
  }
}

TEST_F(GifPainterTest, InlinePainterPlaysAnEndlessLoopOnce) {
  // A looping block of 0 repeats for ever only in a painter of its own; drawn in the call, the
  // frames play once (twice for a count of 2), and the draw returns.
  struct TCase {
    int Loops;
    int Passes;
  } cases[] = {{0, 1}, {1, 1}, {2, 2}};
  for (const TCase& c : cases) {
    auto a = LoadGif(ThreeFrames(1, c.Loops));
    TGIFImage& image = *a->Image;
    image.DrawOptions = gdoTransparent | gdoAnimate | gdoLoop;
    image.AnimationSpeed = 100000;
    Recorder rec;
    rec.Attach(image);
    int frames = 0;
    image.OnFramePainted = [&](void* p) {
      if (++frames >= 12) static_cast<TGIFPainter*>(p)->Stop();  // an endless run ends here
    };
    TBitmap target(2, 2, pf24bit);
    target.Canvas();
    image.Draw(target.Canvas(), TRect(0, 0, 2, 2));
    EXPECT_EQ(frames, 3 * c.Passes) << "loops " << c.Loops;
  }
}

TEST_F(GifPainterTest, FrameDelays) {
  auto a = LoadGif(GifBuilder().Header(1, 1, Grey4()).Gce(0, 1).Image(0, 0, 1, 1, PlainRaster(2, {1}))
                       .Image(0, 0, 1, 1, PlainRaster(2, {1})).Gce(0, 5000).Image(0, 0, 1, 1, PlainRaster(2, {1}))
                       .Trailer().B);
  TGIFImage& image = *a->Image;
  EXPECT_EQ(TGIFPainter::FrameDelay(*image.Images[0], true), 3);
  EXPECT_EQ(TGIFPainter::WaitTime(3, 100, 0), 36);
  EXPECT_EQ(TGIFPainter::FrameDelay(*image.Images[1], true), 10) << "no graphic control block";
  EXPECT_EQ(TGIFPainter::WaitTime(10, 100, 0), 120);
  EXPECT_EQ(TGIFPainter::WaitTime(10, 200, 0), 60);
  EXPECT_EQ(TGIFPainter::WaitTime(10, 100, 40), 100) << "half of an overrun is taken off";
  EXPECT_EQ(TGIFPainter::FrameDelay(*image.Images[2], true), 5000);
  EXPECT_EQ(TGIFPainter::FrameDelay(*image.Images[2], false), 1000);
}

TEST_F(GifPainterTest, TimerPainterLoopsAndStops) {
  auto a = LoadGif(ThreeFrames(1, 3));
  TGIFImage& image = *a->Image;
  image.DrawOptions = GIFDefaultDrawOptions;  // threaded, transparent, animate, loop
  image.AnimationSpeed = 100000;
  Recorder rec;
  rec.Attach(image);
  TBitmap target(2, 2, pf24bit);
  target.Canvas();
  image.Draw(target.Canvas(), TRect(0, 0, 2, 2));
  ASSERT_GE(rec.Events.size(), 2u);
  EXPECT_EQ(rec.Events[1], "frame0") << "the first frame is painted before Draw returns";
  EXPECT_EQ(At(target.Image(), 0, 0), clRed);
  QElapsedTimer t;
  t.start();
  while (!image.Painters.empty() && t.elapsed() < 5000) {
    QCoreApplication::processEvents();
    QThread::msleep(1);
  }
  ASSERT_TRUE(image.Painters.empty());
  const std::vector<std::string> expected{"start", "frame0", "frame1", "frame2", "loop", "frame0", "frame1", "frame2",
                                          "loop",  "frame0", "frame1", "frame2", "end"};
  EXPECT_EQ(rec.Events, expected) << "loops 3: three passes";

  // Speed 0 freezes the animation on its first frame until a change of options stops it.
  rec.Events.clear();
  image.AnimationSpeed = 0;
  image.FreeBitmap();
  TBitmap other(2, 2, pf24bit);
  other.Canvas();
  image.Draw(other.Canvas(), TRect(0, 0, 2, 2));
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(), QThread::msleep(1);
  EXPECT_EQ(rec.Events, (std::vector<std::string>{"start", "frame0"}));
  ASSERT_EQ(image.Painters.size(), 1u);
  image.SetDrawOptions(image.DrawOptions & ~gdoAnimate);
  EXPECT_TRUE(image.Painters.empty());
  EXPECT_EQ(rec.Events.back(), "end");

  // Drawing straight onto a canvas: the same rectangle keeps the running painter, another one
  // replaces it; destroying the picture ends its painters.
  auto b = LoadGif(ThreeFrames(1, 0));
  b->Image->DrawOptions = GIFDefaultDrawOptions | gdoDirect;
  b->Image->AnimationSpeed = 0;
  TBitmap surface(8, 8, pf24bit);
  b->Image->Draw(surface.Canvas(), TRect(0, 0, 2, 2));
  TGIFAnimationPainter* first = b->Image->Painter;
  ASSERT_NE(first, nullptr);
  b->Image->Draw(surface.Canvas(), TRect(0, 0, 2, 2));
  EXPECT_EQ(b->Image->Painter, first);
  b->Image->Draw(surface.Canvas(), TRect(2, 2, 6, 6));
  ASSERT_EQ(b->Image->Painters.size(), 1u);
  EXPECT_EQ(At(surface.Image(), 5, 5), clRed) << "the new painter drew its first frame";
  b.reset();
}

}  // namespace

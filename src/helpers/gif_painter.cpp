#include "helpers/gif_painter.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

#include "platform/canvas.h"
#include "platform/numeric.h"
#include "platform/process_messages.h"

TGIFPainter::TGIFPainter(TGIFImage* image, TCanvas* canvas, TGIFDrawOptions drawOptions, const TRect& rect,
                         TGIFAnimationPainter** painterRef)
    : Canvas(canvas), Rect(rect), DrawOptions(drawOptions), AnimationSpeed(image->AnimationSpeed),
      PainterRef(painterRef) {
  Image = image;
  if (PainterRef) *PainterRef = this;
  Image->Painters.push_back(this);
  OnPaintStart = Image->OnPaintStart;
  OnFramePaint = Image->OnFramePaint;
  OnFramePainted = Image->OnFramePainted;
  OnLoopRestart = Image->OnLoopRestart;
  OnPaintEnd = Image->OnPaintEnd;

  if (Image->BackgroundColor != clNone)
    BackgroundColor = ColorToRGB(Image->BackgroundColor);
  else if (Image->Header.ColorMap.Count == 0)
    BackgroundColor = ColorToRGB(clWindow);
  else
    BackgroundColor = Image->Header.BackgroundColor();

  bool restoreBackground = DrawOptions & gdoRestoreOnLoop, restorePrevious = false;
  for (TGIFSubImage* f : Image->Images.Items)
    for (TGIFExtension* e : f->Extensions.Items)
      if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(e)) {
        if (gce->Disposal() == 2) restoreBackground = true;
        if (gce->Disposal() == 3) restorePrevious = true;
      }
  const int w = std::max(Rect.Width(), 1), h = std::max(Rect.Height(), 1);
  if (restoreBackground && (DrawOptions & gdoTransparent)) {
    Background = std::make_unique<TBitmap>(w, h, pf24bit);
    GIFCanvasDrawImage(Background->Canvas(), TRect(0, 0, w, h), GIFCanvasCopyRect(*Canvas, Rect));
  }
  if (restoreBackground || restorePrevious) {
    BackupBuffer = std::make_unique<TBitmap>(w, h, pf24bit);
    GIFCanvasDrawImage(BackupBuffer->Canvas(), TRect(0, 0, w, h), GIFCanvasCopyRect(*Canvas, Rect));
    FrameBuffer = std::make_unique<TBitmap>(w, h, pf24bit);
    GIFCanvasFillRect(FrameBuffer->Canvas(), TRect(0, 0, w, h), BackgroundColor);
  }
}

void RegisterGIFPainter() {
  SetGIFPainterMaker([](TGIFImage* image, TCanvas* canvas, TGIFDrawOptions drawOptions, const TRect& rect,
                        TGIFAnimationPainter** painterRef) -> TGIFAnimationPainter* {
    return new TGIFPainter(image, canvas, drawOptions, rect, painterRef);
  });
}

TGIFPainter::~TGIFPainter() { DoOnTerminate(); }

void TGIFPainter::DoOnTerminate() {
  if (Image) {
    if (PainterRef && *PainterRef == this) *PainterRef = nullptr;
    std::erase(Image->Painters, this);
    Image = nullptr;
  }
  Timer.reset();
  BackupBuffer.reset();
  FrameBuffer.reset();
  Background.reset();
}

void TGIFPainter::FireEvent(const TGIFNotify& handler) {
  if (handler && !TerminatedFlag) handler(this);
}

void TGIFPainter::Start() {
  if (!Threaded()) return;
  Timer = std::make_unique<QTimer>();
  Timer->setSingleShot(true);
  QObject::connect(Timer.get(), &QTimer::timeout, [this] {
    WaitDone = true;
    Resume();
    if (Finished) delete this;
  });
  Resume();
  if (Finished) delete this;
}

void TGIFPainter::Stop() {
  TerminatedFlag = true;
  if (Threaded() && !Running && !Finished && Begun) {
    // Between steps: end now.
    if (Timer) Timer->stop();
    Finish();
    delete this;
  }
}

void TGIFPainter::Execute() {
  Resume();
  std::exception_ptr kept = KeptException;
  delete this;
  if (kept) std::rethrow_exception(kept);
}

int TGIFPainter::FrameDelay(const TGIFSubImage& frame, bool threaded) {
  int delay = DefaultDelay;
  if (frame.GraphicControlExtension && frame.GraphicControlExtension->Delay() > 0) {
    delay = std::max<int>(frame.GraphicControlExtension->Delay(), MinimumDelay);
    if (!threaded) delay = std::min(delay, MaximumDelay);
  }
  return delay;
}

qint64 TGIFPainter::WaitTime(int delay, int speed, qint64 overrun) {
  const qint64 base = qint64(delay) * DelayUnit - overrun / 2;
  if (speed <= 0 || base > INT32_MAX / 100 || base < INT32_MIN / 100) return qint64(MaximumDelay) * DelayUnit;
  return MulDiv(int32_t(base), 100, speed);
}

void TGIFPainter::Begin() {
  Begun = true;
  Clock.start();
  if (DrawOptions & gdoCheckCanvas) CanvasHandle = Canvas->Image();
  ActiveImage = 0;
  FireEvent(OnPaintStart);
  Painted = false;
  LoopCount = 1;
  LoopStart = 0;
  LoopMet = false;
  PendingDelay = Threaded() ? 0 : 1;
  PreviousDisposal = 1;
  LastTime = Clock.elapsed();
  DelayError = 0;
  InPass = false;
  FirstPass = true;
}

void TGIFPainter::InlineWait(int ms) {
  if (ms < 1) ms = 1;
  QElapsedTimer t;
  t.start();
  qint64 left = ms;
  while (left > 0 && !TerminatedFlag) {
    QThread::msleep(unsigned(std::min<qint64>(left, 100)));
    ProcessMessages();
    left = ms - t.elapsed();
  }
}

void TGIFPainter::Resume() {
  Running = true;
  try {
    if (!Begun) Begin();
    for (;;) {
      if (TerminatedFlag || !Image) break;
      if (!InPass) {
        if (!FirstPass) {
          ActiveImage = LoopStart;
          if (Painted) FireEvent(OnLoopRestart);
        }
        FirstPass = false;
        InPass = true;
      }
      bool endPass = ActiveImage >= Image->Images.Count() || TerminatedFlag;
      TGIFSubImage* frame = endPass ? nullptr : Image->Images[ActiveImage];
      if (frame && frame->Empty()) endPass = true;
      if (!endPass) {
        if (PendingDelay > 0 && !WaitDone) {
          frame->GetBitmap();  // rendering falls inside the wait
          const qint64 now = Clock.elapsed();
          qint64 wait;
          bool frozen = false;
          if (AnimationSpeed > 0) {
            wait = WaitTime(PendingDelay, AnimationSpeed, now - LastTime - DelayError);
            DelayError = wait;
          } else if (Threaded()) {
            // Speed 0 freezes the animation until it is stopped; a negative speed plays without delays.
            frozen = AnimationSpeed == 0;
            wait = -1;
          } else {
            wait = int64_t(MaximumDelay) * DelayUnit;
          }
          LastTime = now;
          if (Threaded()) {
            if (frozen) {
              Running = false;
              return;  // frozen until stopped
            }
            if (wait > 0 || AnimationSpeed == 0) {
              Timer->start(int(std::min<qint64>(wait, INT32_MAX)));
              Running = false;
              return;
            }
            // No wait left: go on from the event loop so that the program stays responsive.
            Timer->start(0);
            Running = false;
            return;
          }
          InlineWait(int(std::min<qint64>(wait, INT32_MAX)));
        }
        WaitDone = false;
        if (TerminatedFlag) break;
        FireEvent(OnFramePaint);
        if (TerminatedFlag || !Image) break;
        Disposal = 1;
        for (TGIFExtension* e : frame->Extensions.Items) {
          if (auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(e)) {
            if (!LoopMet) {
              LoopMet = true;
              // Endless only in a painter of its own: a painter drawing inside the call would never
              // return to its caller.
              LoopCount = ((loop->Loops == 0 || (DrawOptions & gdoLoopForever)) && Threaded()) ? -1 : loop->Loops;
              LoopStart = ActiveImage;
            }
          } else if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(e)) {
            Disposal = gce->Disposal();
          }
        }
        if (BackupBuffer)
          DoPaintFrame();
        else
          DoPaint();
        PreviousDisposal = Disposal;
        if (TerminatedFlag) break;
        PendingDelay = FrameDelay(*frame, Threaded());
        const int shown = ActiveImage;
        FireEvent(OnFramePainted);
        if (TerminatedFlag || !Image) break;
        if (ActiveImage == shown) ++ActiveImage;
        if (!(DrawOptions & gdoAnimate)) endPass = true;
        if (!endPass) {
          if (Threaded()) {
            // One frame per step: the next one follows from the event loop.
            if (PendingDelay <= 0) {
              Timer->start(0);
              Running = false;
              return;
            }
          }
          continue;
        }
      }
      // End of a pass.
      if (LoopCount > 0) --LoopCount;
      InPass = false;
      if ((DrawOptions & gdoAnimate) && (DrawOptions & gdoLoop) && (LoopCount != 0 || (DrawOptions & gdoLoopForever)) &&
          !TerminatedFlag)
        continue;
      break;
    }
  } catch (...) {
    TerminatedFlag = true;
    KeptException = std::current_exception();
  }
  Running = false;
  Finish();
}

void TGIFPainter::Finish() {
  if (Finished) return;
  Finished = true;
  ActiveImage = -1;
  if (OnPaintEnd) {
    try {
      OnPaintEnd(this);
    } catch (...) {
      if (!KeptException) KeptException = std::current_exception();
    }
  }
  if (KeptException && Threaded() && Image) {
    // A timer painter has no caller to receive its error: it goes to the picture's warnings.
    try {
      std::rethrow_exception(KeptException);
    } catch (const std::exception& e) {
      Image->Warning(this, 2, e.what());
    } catch (...) {
      Image->Warning(this, 2, "Animation stopped by an error");
    }
    KeptException = nullptr;
  }
  DoOnTerminate();
}

TRect TGIFPainter::FrameArea(TGIFSubImage& frame, const TRect& area) const {
  const int iw = std::max(Image->Width(), 1), ih = std::max(Image->Height(), 1);
  const int rw = area.Width(), rh = area.Height();
  return TRect(MulDiv(frame.Left(), rw, iw) + area.Left, MulDiv(frame.Top(), rh, ih) + area.Top,
               MulDiv(frame.Left() + frame.Width(), rw, iw) + area.Left,
               MulDiv(frame.Top() + frame.Height(), rh, ih) + area.Top);
}

void TGIFPainter::DoPaint() {
  if (TerminatedFlag || !Image) return;
  Image->Images[ActiveImage]->StretchDraw(*Canvas, Rect, DrawOptions & gdoTransparent, DrawOptions & gdoTile);
  Painted = true;
  if (!(DrawOptions & gdoDirect)) Image->Changed(this);
}

void TGIFPainter::RestoreBackground(const TRect& area) {
  TGIFSubImage& frame = *Image->Images[ActiveImage];
  TCanvas& buffer = BackupBuffer->Canvas();
  const int iw = std::max(Image->Width(), 1), ih = std::max(Image->Height(), 1);
  auto forEachTile = [&](auto&& fn) {
    for (int x = area.Left + frame.Left(); x < area.Right; x += iw)
      for (int y = area.Top + frame.Top(); y < area.Bottom; y += ih) fn(TRect(x, y, x + frame.Width(), y + frame.Height()));
  };
  const bool tile = DrawOptions & gdoTile;
  if (!(DrawOptions & gdoTransparent) || !Background) {
    if (tile && frame.Width() != Image->Width() && frame.Height() != Image->Height())
      forEachTile([&](const TRect& cell) { GIFCanvasFillRect(buffer, cell, BackgroundColor); });
    else
      GIFCanvasFillRect(buffer, FrameArea(frame, area), BackgroundColor);
    return;
  }
  const QImage& bg = Background->Image();
  auto copyFromBackground = [&](const TRect& cell) {
    if (cell.IsEmpty()) return;
    GIFCanvasDrawImage(buffer, cell, bg.copy(cell.Left, cell.Top, cell.Width(), cell.Height()));
  };
  if (tile)
    forEachTile(copyFromBackground);
  else
    copyFromBackground(FrameArea(frame, area));
}

void TGIFPainter::DoPaintFrame() {
  if (TerminatedFlag || !Image) return;
  if ((DrawOptions & gdoCheckCanvas) && (Canvas->Image() != CanvasHandle || !CanvasHandle || CanvasHandle->isNull())) {
    TerminatedFlag = true;
    return;
  }
  TGIFSubImage& frame = *Image->Images[ActiveImage];
  const bool restoreFirst = (DrawOptions & gdoRestoreOnLoop) && ActiveImage == 0;
  const TRect whole(0, 0, BackupBuffer->Width(), BackupBuffer->Height());
  TCanvas* surface = nullptr;
  TRect surfaceRect;
  bool show = false, copyBackup = false;
  switch (Disposal) {
    case 0:
    case 1:
    case 2:
      surface = &BackupBuffer->Canvas();
      surfaceRect = whole;
      show = true;
      break;
    case 3:
      if (PreviousDisposal == 0 || PreviousDisposal == 1) {
        surface = Canvas;
        surfaceRect = Rect;
      } else {
        surface = &FrameBuffer->Canvas();
        surfaceRect = whole;
        show = copyBackup = true;
      }
      break;
    default: break;
  }
  if (!surface) {
    Painted = true;
    return;
  }
  if (restoreFirst) RestoreBackground(whole);
  if (copyBackup) GIFCanvasDrawImage(FrameBuffer->Canvas(), whole, BackupBuffer->Image());
  frame.StretchDraw(*surface, surfaceRect, DrawOptions & gdoTransparent, DrawOptions & gdoTile);
  if (show) {
    const QImage& shown = surface == &FrameBuffer->Canvas() ? FrameBuffer->Image() : BackupBuffer->Image();
    GIFCanvasDrawImage(*Canvas, Rect, shown);
  }
  if (Disposal == 2) RestoreBackground(whole);
  Painted = true;
  if (!(DrawOptions & gdoDirect)) Image->Changed(this);
}

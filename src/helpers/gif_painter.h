// The animation painter: plays the frames of a GIF picture onto a canvas with their delays and
// disposal methods. A "threaded" painter is driven by timers on the GUI thread; an inline painter
// runs its whole work inside the picture's Draw, processing pending events while it waits.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <exception>
#include <memory>

#include "codecs/gif_image.h"

// Installs the painter as the maker of every GIF picture's animation painters (once at start-up;
// repeated calls do nothing).
void RegisterGIFPainter();

class TGIFPainter : public TGIFAnimationPainter {
public:
  TGIFPainter(TGIFImage* image, TCanvas* canvas, TGIFDrawOptions drawOptions, const TRect& rect,
              TGIFAnimationPainter** painterRef);
  ~TGIFPainter();
  TGIFPainter(const TGIFPainter&) = delete;
  TGIFPainter& operator=(const TGIFPainter&) = delete;

  // A timer painter paints its first frame now and goes on by timers; an inline painter does
  // nothing here (Execute runs its work).
  void Start() override;
  // Ends the painter at its next step; a timer painter that is between steps ends at once (and
  // is freed).
  void Stop() override;
  // The whole work of an inline painter; rethrows an exception that ended it.
  void Execute() override;
  bool Threaded() const override { return DrawOptions & gdoThreaded; }
  bool Terminated() const { return TerminatedFlag; }
  // The delay after a frame, in file units: its graphic control delay raised to MinimumDelay (and,
  // for an inline painter, lowered to MaximumDelay), or DefaultDelay without one.
  static int FrameDelay(const TGIFSubImage& frame, bool threaded);
  // Milliseconds to wait for a delay at a speed in percent, taking off half of the time by which
  // the previous wait was overrun.
  static qint64 WaitTime(int delay, int speed, qint64 overrun);

  TCanvas* Canvas;
  TRect Rect;
  TGIFDrawOptions DrawOptions;
  int AnimationSpeed;
  int ActiveImage = -1;
  int Disposal = 1;
  int PreviousDisposal = 1;
  std::unique_ptr<TBitmap> BackupBuffer;
  std::unique_ptr<TBitmap> FrameBuffer;
  std::unique_ptr<TBitmap> Background;
  TColor BackgroundColor = clWhite;
  QImage* CanvasHandle = nullptr;
  bool Painted = false;
  TGIFAnimationPainter** PainterRef;
  TGIFNotify OnPaintStart, OnFramePaint, OnFramePainted, OnLoopRestart, OnPaintEnd;
  std::exception_ptr KeptException;

private:
  // Runs the work until it has to wait or ends.
  void Resume();
  void Begin();
  void Finish();
  void DoOnTerminate();
  void FireEvent(const TGIFNotify& handler);
  void DoPaint();
  void DoPaintFrame();
  void RestoreBackground(const TRect& area);
  void InlineWait(int ms);
  TRect FrameArea(TGIFSubImage& frame, const TRect& area) const;

  bool TerminatedFlag = false;
  bool Running = false;
  bool Finished = false;
  bool Begun = false;
  bool InPass = false;
  bool FirstPass = true;
  bool WaitDone = false;
  int LoopCount = 1;
  int LoopStart = 0;
  bool LoopMet = false;
  int PendingDelay = 0;
  qint64 LastTime = 0;
  qint64 DelayError = 0;
  QElapsedTimer Clock;
  std::unique_ptr<QTimer> Timer;
};

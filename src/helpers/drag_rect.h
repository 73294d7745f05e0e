// The resize frame laid over a selected image object: a transparent control with eight grab
// handles. The user moves the frame by dragging inside it and resizes it by a handle; the frame
// shows its size in inches or centimetres, and the attached image follows it, at every move with
// DynamicResize, otherwise when the button is released.
#pragma once

#include <QCursor>
#include <QPoint>
#include <QWidget>
#include <functional>

#include "platform/win_types.h"

class TSizeChangedImage;

class TDragRect : public QWidget {
  Q_OBJECT
public:
  explicit TDragRect(QWidget* parent = nullptr);
  ~TDragRect() override;

  TSizeChangedImage* Image() const { return FImage; }
  // The frame takes the image's bounds and dynamic-resize flag; the image is made to stretch,
  // disabled, and its size-changed flag cleared.
  void AttachImage(TSizeChangedImage* Image);
  // The image takes the frame's bounds (its size-changed flag is set when its size changed).
  void ApplyToImage();
  // Gives the image back what the frame changed (enabled state, cursor, stretch flag, parent),
  // hidden, at the frame's place and size; the frame then holds no image. The owner calls it
  // before freeing the frame.
  void Detach();

  bool DynamicResize() const { return FDynamicResize; }
  void SetDynamicResize(bool v);
  bool Metric = false;  // the readout is in centimetres
  bool Dragging() const { return FDragging; }
  int ActiveHandle() const { return FHandle; }
  // The size readout as painted.
  std::string Readout() const;
  QCursor CursorAt(int X, int Y) const;
  // A right-button click on the frame (the owner opens the object's menu), at a global point.
  std::function<void(QPoint)> OnRightClick;

protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

private:
  TSizeChangedImage* FImage = nullptr;
  bool FDynamicResize = false;
  // What the image had when attached.
  bool SavedEnabled = true;
  QCursor SavedCursor;
  bool SavedStretch = false;
  QWidget* SavedParent = nullptr;
  QSize SavedSize;
  // The drag: where it started (global pointer position) and the bounds then.
  bool FDragging = false;
  int FHandle = 0;
  QPoint StartGlobal;
  TRect StartBounds;
};

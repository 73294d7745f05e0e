// The page surface and the image controls of floating pictures. A TSizeChangedImage shows a
// picture (its bitmap is drawn on its canvas) and remembers whether the user resized it; the page
// image TMainImage is one of them.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "platform/bitmap.h"
#include "platform/graphic.h"
#include "platform/win_types.h"

class TCanvas;

class TSizeChangedImage : public QWidget {
  Q_OBJECT
public:
  explicit TSizeChangedImage(QWidget* parent = nullptr);
  ~TSizeChangedImage() override;

  bool SizeChanged() const { return FSizeChanged; }
  void SetSizeChanged(bool v) { FSizeChanged = v; }
  TRect Margins() const { return FMargins; }
  void SetMargins(const TRect& r);
  bool MarginGuides() const { return FMarginGuides; }
  void SetMarginGuides(bool v);
  bool DynamicResize() const { return FDynamicResize; }
  void SetDynamicResize(bool v);

  // The picture shown: a bitmap (other graphics are drawn into it by their owners).
  TBitmap& Bitmap() { return *FBitmap; }
  // The bitmap's drawing surface; changes show after Invalidate (repaint).
  TCanvas& Canvas();
  void Invalidate() { update(); }
  bool Stretch = false;
  bool Transparent = false;
  // The graphic a floating image object holds, of whichever picture class it was made from;
  // empty for the page image, which shows Bitmap().
  TPicture Picture;

  // Mouse events in the control's coordinates: button (Qt::MouseButton), modifiers, x, y.
  std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int, int)> OnMouseDown;
  std::function<void(Qt::MouseButtons, Qt::KeyboardModifiers, int, int)> OnMouseMove;
  std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int, int)> OnMouseUp;
  // Painted after the picture (the caret and overlays of the page use it).
  std::function<void(QPainter&)> OnAfterPaint;

protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  virtual void AfterPaint(QPainter&) {}

private:
  std::unique_ptr<TBitmap> FBitmap;
  bool FSizeChanged = false;
  bool FMarginGuides = false;
  bool FDynamicResize = false;
  TRect FMargins;
};

// The page image.
class TMainImage : public TSizeChangedImage {
  Q_OBJECT
public:
  using TSizeChangedImage::TSizeChangedImage;
};

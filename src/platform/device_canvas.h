// The device back-end of the canvas: drawing through QPainter on any QPaintDevice (QPrinter,
// QPdfWriter, QPicture, an SVG generator). Coordinates are device pixels; the resolution is the
// device's. Mix modes and copy modes other than copy fall back to copy (whiteness, blackness and
// pattern copies fill); pixels cannot be read back and flood fill does nothing.
#pragma once

#include <QPaintDevice>
#include <QPainter>
#include <memory>

#include "platform/canvas.h"

class TDeviceCanvasBackend : public TCanvasBackend {
public:
  // Begins painting on device; End (or destruction) ends it. ppi 0: the device's own.
  explicit TDeviceCanvasBackend(QPaintDevice* device, int ppi = 0);
  ~TDeviceCanvasBackend() override;
  void End();
  QPainter& Painter() { return Paint; }

  int Width() const override;
  int Height() const override;
  int PixelsPerInch() const override;
  void DrawShape(const TCanvas& canvas, const TShapeGeometry& shape) override;
  void DrawText(const TCanvas& canvas, int x, int y, const QString& text, const TRect* clip, bool opaqueClip) override;
  void DrawPath(const TCanvas& canvas, const QPainterPath& path, bool stroke, bool fill) override;
  void FillRect(const TCanvas& canvas, const TRect& rect) override;
  void InvertRect(const TCanvas& canvas, const TRect& rect) override;
  TColor GetPixel(int x, int y) const override;
  void SetPixel(const TCanvas& canvas, int x, int y, TColor color) override;
  bool FloodFill(const TCanvas& canvas, int x, int y, TColor color, TFillStyle style) override;
  void StretchBlt(const TCanvas& canvas, const TRect& dest, const QImage& source, const TRect& srcRect,
                  TCopyMode rop, TColor transparent) override;

private:
  void Prepare(const TCanvas& canvas);
  QPaintDevice* Device;
  QPainter Paint;
  int Ppi;
};

// A canvas drawing on device (see TDeviceCanvasBackend).
std::unique_ptr<TCanvas> CreateDeviceCanvas(QPaintDevice* device, int ppi = 0);

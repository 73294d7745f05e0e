// GDI-like drawing surface. (Being filled in: pens, brushes, fonts, shapes, text, block transfers.)
#pragma once

#include <QImage>

#include "platform/win_types.h"

class TCanvas {
public:
  explicit TCanvas(QImage* target) : Target(target) {}
  virtual ~TCanvas() = default;
  QImage* Target;
};

#include "helpers/page_surface.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "codecs/gif_image.h"
#include "platform/canvas.h"

TSizeChangedImage::TSizeChangedImage(QWidget* parent) : QWidget(parent), FBitmap(std::make_unique<TBitmap>()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

TSizeChangedImage::~TSizeChangedImage() = default;

void TSizeChangedImage::SetMargins(const TRect& r) {
  if (r == FMargins) return;
  FMargins = r;
  if (FMarginGuides) update();
}

void TSizeChangedImage::SetMarginGuides(bool v) {
  if (v == FMarginGuides) return;
  FMarginGuides = v;
  update();
}

void TSizeChangedImage::SetDynamicResize(bool v) {
  if (v == FDynamicResize) return;
  FDynamicResize = v;
  if (v) update();
}

TCanvas& TSizeChangedImage::Canvas() { return FBitmap->Canvas(); }

void TSizeChangedImage::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  const QImage& img = FBitmap->Image();
  if (TGraphic* g = Picture.Graphic(); g && !g->Empty()) {
    // An image object shows its graphic, stretched over the control or at its own size; an
    // animated picture repaints the control at every frame.
    if (auto* gif = dynamic_cast<TGIFImage*>(g); gif && !gif->OnChange) gif->OnChange = [this](void*) { update(); };
    QImage shown(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    shown.fill(Qt::white);
    TCanvas c(&shown);
    g->Draw(c, Stretch ? TRect(0, 0, width(), height()) : TRect(0, 0, g->Width(), g->Height()));
    p.drawImage(0, 0, shown);
  } else if (img.isNull()) {
    p.fillRect(e->rect(), Qt::white);
  } else if (Stretch) {
    p.drawImage(rect(), img);
  } else {
    p.fillRect(e->rect(), Qt::white);
    p.drawImage(e->rect().topLeft(), img, e->rect());
  }
  if (FMarginGuides) {
    p.setPen(QPen(Qt::gray, 1, Qt::DotLine));
    p.drawLine(FMargins.Left, 0, FMargins.Left, height());
    p.drawLine(FMargins.Right, 0, FMargins.Right, height());
    p.drawLine(0, FMargins.Top, width(), FMargins.Top);
    p.drawLine(0, FMargins.Bottom, width(), FMargins.Bottom);
  }
  AfterPaint(p);
  if (OnAfterPaint) OnAfterPaint(p);
}

void TSizeChangedImage::mousePressEvent(QMouseEvent* e) {
  if (OnMouseDown) OnMouseDown(e->button(), e->modifiers(), int(e->position().x()), int(e->position().y()));
  else QWidget::mousePressEvent(e);
}

void TSizeChangedImage::mouseMoveEvent(QMouseEvent* e) {
  if (OnMouseMove) OnMouseMove(e->buttons(), e->modifiers(), int(e->position().x()), int(e->position().y()));
  else QWidget::mouseMoveEvent(e);
}

void TSizeChangedImage::mouseReleaseEvent(QMouseEvent* e) {
  if (OnMouseUp) OnMouseUp(e->button(), e->modifiers(), int(e->position().x()), int(e->position().y()));
  else QWidget::mouseReleaseEvent(e);
}

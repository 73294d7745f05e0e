#include "helpers/drag_rect.h"

#include <QMouseEvent>
#include <QPainter>

#include "helpers/drag_frame_geometry.h"
#include "helpers/page_surface.h"
#include "platform/cursors.h"
#include "platform/screen.h"

namespace {
TRect BoundsOf(const QWidget* w) { return TRect(w->x(), w->y(), w->x() + w->width(), w->y() + w->height()); }
void SetBounds(QWidget* w, const TRect& r) { w->setGeometry(r.Left, r.Top, r.Width(), r.Height()); }
}  // namespace

TDragRect::TDragRect(QWidget* parent) : QWidget(parent) {
  hide();
  setGeometry(0, 0, 20, 20);
  setMouseTracking(true);
  // Transparent: only the handles, the outline and the readout are painted.
  setAttribute(Qt::WA_NoSystemBackground);
  setAutoFillBackground(false);
  setCursor(HasScreenCursor(18) ? ScreenCursor(18) : QCursor(Qt::SizeAllCursor));
  QFont f("Arial");
  f.setPointSize(6);
  setFont(f);
  raise();
}

TDragRect::~TDragRect() = default;

void TDragRect::AttachImage(TSizeChangedImage* Image) {
  if (!Image) return;
  FImage = Image;
  if (Image->parentWidget() != parentWidget()) Image->setParent(parentWidget());
  SetBounds(this, BoundsOf(Image));
  FDynamicResize = Image->DynamicResize();
  SavedEnabled = Image->isEnabled();
  SavedCursor = Image->cursor();
  SavedStretch = Image->Stretch;
  SavedParent = Image->parentWidget();
  SavedSize = Image->size();
  Image->Stretch = true;
  Image->setCursor(Qt::SizeAllCursor);
  Image->setEnabled(false);
  Image->SetSizeChanged(false);
  raise();
}

void TDragRect::ApplyToImage() {
  if (width() < MinFrameSize || height() < MinFrameSize) {
    resize(std::max(width(), MinFrameSize), std::max(height(), MinFrameSize));
    update();
    return;
  }
  if (!FImage) return;
  SetBounds(FImage, BoundsOf(this));
  if (FImage->size() != SavedSize) FImage->SetSizeChanged(true);
  FImage->update();
  update();
}

void TDragRect::Detach() {
  if (!FImage) return;
  ApplyToImage();
  FImage->setEnabled(SavedEnabled);
  FImage->setCursor(SavedCursor);
  FImage->Stretch = SavedStretch;
  if (SavedParent && FImage->parentWidget() != SavedParent) FImage->setParent(SavedParent);
  FImage->hide();
  FImage->move(x(), y());
  FImage = nullptr;
  FDragging = false;
}

void TDragRect::SetDynamicResize(bool v) {
  if (v == FDynamicResize) return;
  FDynamicResize = v;
  if (v && FImage) {
    FImage->show();
    FImage->setEnabled(true);
    FImage->update();
  }
}

std::string TDragRect::Readout() const {
  return FrameSizeReadout(width(), height(), Metric, ScreenPixelsPerInch());
}

QCursor TDragRect::CursorAt(int X, int Y) const {
  switch (HandleAt(X, Y, width(), height())) {
    case 1:
    case 3: return QCursor(Qt::SizeFDiagCursor);
    case 2:
    case 4: return QCursor(Qt::SizeBDiagCursor);
    case 5:
    case 7: return QCursor(Qt::SizeVerCursor);
    case 6:
    case 8: return QCursor(Qt::SizeHorCursor);
    default: return HasScreenCursor(18) ? ScreenCursor(18) : QCursor(Qt::SizeAllCursor);
  }
}

void TDragRect::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // Handles and outline in "not merge" with black: they show as the inverse of what lies under
  // them, so they stay visible on any picture.
  p.setCompositionMode(QPainter::RasterOp_NotSourceAndNotDestination);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  for (int id = 1; id <= 8; ++id) {
    const TRect r = HandleRect(id, width(), height());
    p.drawRect(r.Left, r.Top, r.Width(), r.Height());
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::black, 1));
  p.drawRect(0, 0, width() - 1, height() - 1);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  const QString text = QString::fromStdString(Readout());
  p.drawText(QRect(5, 0, width() - 5, height() - 1), Qt::AlignLeft | Qt::AlignBottom, text);
}

void TDragRect::mousePressEvent(QMouseEvent* e) {
  if (FImage) {
    FImage->setEnabled(false);
    if (!FDynamicResize) FImage->hide();
  }
  if (e->button() == Qt::LeftButton) {
    FDragging = true;
    StartGlobal = e->globalPosition().toPoint();
    StartBounds = BoundsOf(this);
    FHandle = HandleAt(int(e->position().x()), int(e->position().y()), width(), height());
  }
  update();
}

void TDragRect::mouseMoveEvent(QMouseEvent* e) {
  setCursor(CursorAt(int(e->position().x()), int(e->position().y())));
  if (!FDragging || !(e->buttons() & Qt::LeftButton)) return;
  const QPoint d = e->globalPosition().toPoint() - StartGlobal;
  // The frame never gets smaller than MinFrameSize; the drag goes on whatever the size.
  SetBounds(this, DraggedFrame(FHandle, StartBounds, d.x(), d.y()));
  update();
  if (FDynamicResize) ApplyToImage();
}

void TDragRect::mouseReleaseEvent(QMouseEvent* e) {
  raise();
  if (e->button() == Qt::LeftButton && FImage) {
    ApplyToImage();
    FImage->show();
    FImage->raise();
    raise();
  }
  if (e->button() == Qt::LeftButton) FDragging = false;
  // Whatever button went down, the image shows again when it comes up.
  if (FImage && !FDragging) FImage->show();
  update();
  if (e->button() == Qt::RightButton && OnRightClick) OnRightClick(e->globalPosition().toPoint());
}

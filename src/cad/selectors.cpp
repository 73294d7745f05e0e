// The on-node indicator, the crosshair panel and the reference selector.
#include "cad/selectors.h"

#include <QAbstractScrollArea>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "cad/engine.h"
#include "platform/canvas.h"

namespace {

// One indicator bitmap: a filled circle with a white inner ring and a short white highlight.
QImage LedBitmap(TColor Fill) {
  QImage image(14, 14, QImage::Format_RGB32);
  TCanvas c(&image);
  c.Brush.Color = clBtnFace;
  c.Brush.Style = bsSolid;
  c.FillRect(TRect(0, 0, 14, 14));
  c.Pen = TPen{clBlack, 1, psSolid, pmCopy};
  c.Brush.Color = Fill;
  c.Ellipse(0, 0, 14, 14);
  c.Brush.Style = bsClear;
  c.Pen.Color = clWhite;
  c.Ellipse(1, 1, 13, 13);
  const int w = 14, h = 14;
  c.Ellipse(w / 2 - 1, 4, h / 2 - 1, w - 5);
  return image;
}

}  // namespace

TLed::TLed(QWidget* Parent) : QWidget(Parent) {
  Red = LedBitmap(clRed);
  Green = LedBitmap(clLime);
  resize(14, 14);
  setMinimumSize(14, 14);
}

void TLed::SetState(bool Value) {
  FState = Value;
  repaint();
}

void TLed::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(width() / 2 - 7, height() / 2 - 7, FState ? Red : Green);
}

TOriginSelector::TOriginSelector(QWidget* Parent) : QWidget(Parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(9, 9);
  setCursor(Qt::PointingHandCursor);
}

void TOriginSelector::paintEvent(QPaintEvent*) {
  QImage image(width(), height(), QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    TCanvas c(&image);
    const int w = width(), h = height();
    c.Pen = TPen{clBlack, 1, psSolid, pmNotXor};
    const std::vector<TPoint> border{{0, 0}, {w - 1, 0}, {w - 1, h - 1}, {0, h - 1}, {0, 0}};
    c.Polyline(border);
    c.Pen.Color = clRed;
    c.MoveTo(w / 2, 0);
    c.LineTo(w / 2, h);
    c.MoveTo(0, h / 2);
    c.LineTo(w, h / 2);
  }
  QPainter p(this);
  p.drawImage(0, 0, image);
}

void TOriginSelector::DragStart(QPoint P) {
  DownPoint = P;
  DownTopLeft = pos();
  Dragging = true;
}

void TOriginSelector::DragMove(QPoint P) {
  if (!Dragging) return;
  QPoint topLeft = DownTopLeft;
  if (P.x() != DownPoint.x()) topLeft.setX(DownTopLeft.x() + (P.x() - DownPoint.x()));
  if (P.y() != DownPoint.y()) topLeft.setY(DownTopLeft.y() + (P.y() - DownPoint.y()));
  // The kept corner moves with the widget, so the next move is measured from the new place.
  DownTopLeft = topLeft;
  move(topLeft);
}

void TOriginSelector::DragEnd() { Dragging = false; }

void TOriginSelector::mousePressEvent(QMouseEvent* Event) {
  DragStart(Event->position().toPoint());
  grabMouse();
}

void TOriginSelector::mouseMoveEvent(QMouseEvent* Event) { DragMove(Event->position().toPoint()); }

void TOriginSelector::mouseReleaseEvent(QMouseEvent*) {
  DragEnd();
  releaseMouse();
}

TReferenceSelector::TReferenceSelector(QWidget* Owner, const TMappingRec& Map, TZQVCad* Owned)
    : TOriginSelector(Owner), Engine(Owned), Mapping(Map) {
  setToolTip("Transform and Zoom reference (origin) selector.\r\rDouble click to paste\r\rRight mouse and drag to "
             "move selection");
}

QPoint TReferenceSelector::ScrollOffset() const {
  // The selector sits on the viewport of the page's scroll box: page pixels are its position
  // plus the scroll bars' positions.
  const QWidget* parent = parentWidget();
  const auto* area = parent ? qobject_cast<const QAbstractScrollArea*>(parent->parentWidget()) : nullptr;
  if (!area || area->viewport() != parent) return {};
  QPoint offset;
  if (area->horizontalScrollBar()->isVisible()) offset.setX(area->horizontalScrollBar()->value());
  if (area->verticalScrollBar()->isVisible()) offset.setY(area->verticalScrollBar()->value());
  return offset;
}

TPoint TReferenceSelector::GetCentre() {
  const QPoint offset = ScrollOffset();
  Centre = TPoint(x() + width() / 2 + offset.x(), y() + height() / 2 + offset.y());
  return Centre;
}

TRealPoint TReferenceSelector::GetWorldPosition() {
  const TPoint c = GetCentre();
  const QPoint offset = ScrollOffset();
  const TRect r(x() + offset.x(), y() + offset.y(), x() + offset.x() + width(), y() + offset.y() + height());
  WorldPosition = {double(c.X), double(c.Y)};
  if (Engine && Engine->Count() > 0) {
    double px = c.X, py = c.Y;
    TNodeHitRec hit;
    if (Engine->SnapToNode(r, px, py, hit)) {
      WorldPosition = {px, py};
      return WorldPosition;
    }
  }
  const TMappingRec map = Engine ? Engine->Mapping : Mapping;
  WorldPosition = {double(ScreenToWorldX(map, c.X)), double(ScreenToWorldY(map, c.Y))};
  return WorldPosition;
}

void TReferenceSelector::SetBounds(int Left, int Top, int Width, int Height) {
  if (Left < Width) Left = Width - Width / 2;
  if (Top < Height) Top = Height - Height / 2;
  setGeometry(Left, Top, Width, Height);
}

void TReferenceSelector::MouseDown(Qt::MouseButton Button, QPoint P) {
  if (OnMouseDown) OnMouseDown(this, Button, P.x(), P.y());
  DragStart(P);
  if (Button == Qt::RightButton && Engine) {
    const TRealPoint w = GetWorldPosition();
    Engine->SetReferencePoint(w.x, w.y);
  }
}

void TReferenceSelector::MouseMove(Qt::MouseButtons Buttons, QPoint P) {
  if (Buttons & (Qt::LeftButton | Qt::RightButton)) {
    if (Engine) {
      const TPoint c = GetCentre();
      const int half = width() / 2;
      double px = c.X, py = c.Y;
      TNodeHitRec hit;
      OnNode = Engine->SnapToNode(TRect(c.X - half, c.Y - half, c.X - half + width(), c.Y - half + width()), px, py, hit);
    }
    if (OnNodeSnap) OnNodeSnap(this);
  }
  DragMove(P);
}

void TReferenceSelector::MouseUp(Qt::MouseButton Button, QPoint P) {
  if (Button == Qt::RightButton && Engine) {
    const TRealPoint w = GetWorldPosition();
    const TRealPoint ref = Engine->GetReferencePoint();
    const double dx = w.x - ref.x, dy = w.y - ref.y;
    // MoveSelection records one move undo entry, regenerates what needs it and fires the
    // selection-moved and change events.
    if (Engine->Count() > 0 && Engine->HasSelection()) Engine->MoveSelection(dx, dy);
  }
  WorldPosition = {0, 0};
  DragEnd();
  if (OnMouseUp) OnMouseUp(this, Button, P.x(), P.y());
}

void TReferenceSelector::mousePressEvent(QMouseEvent* Event) {
  MouseDown(Event->button(), Event->position().toPoint());
  grabMouse();
}

void TReferenceSelector::mouseMoveEvent(QMouseEvent* Event) { MouseMove(Event->buttons(), Event->position().toPoint()); }

void TReferenceSelector::mouseReleaseEvent(QMouseEvent* Event) {
  releaseMouse();
  MouseUp(Event->button(), Event->position().toPoint());
}

void TReferenceSelector::mouseDoubleClickEvent(QMouseEvent*) {
  if (OnDblClick) OnDblClick(this);
}

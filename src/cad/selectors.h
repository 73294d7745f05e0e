// Small controls of the drawing engine: the round on-node indicator, the draggable crosshair panel
// and the reference selector that marks the transform, zoom and paste point on the page.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>

#include "cad/cad_types.h"
#include "cad/mapping.h"

class TZQVCad;

// A 14 x 14 round indicator: red while State is true, green while it is false.
class TLed : public QWidget {
public:
  explicit TLed(QWidget* Parent = nullptr);
  bool State() const { return FState; }
  // Stores the state and repaints at once.
  void SetState(bool Value);
  const QImage& RedBitmap() const { return Red; }
  const QImage& GreenBitmap() const { return Green; }

protected:
  void paintEvent(QPaintEvent* Event) override;

private:
  bool FState = true;
  QImage Red;
  QImage Green;
};

// A 9 x 9 panel with a red crosshair that the user drags with any mouse button.
class TOriginSelector : public QWidget {
public:
  explicit TOriginSelector(QWidget* Parent = nullptr);
  bool IsDragging() const { return Dragging; }

protected:
  void paintEvent(QPaintEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  // The drag steps, called by the event handlers with client coordinates.
  void DragStart(QPoint P);
  void DragMove(QPoint P);
  void DragEnd();

private:
  QPoint DownPoint;
  QPoint DownTopLeft;
  bool Dragging = false;
};

using TSelectorEvent = std::function<void(QObject* Sender)>;
using TSelectorMouseEvent = std::function<void(QObject* Sender, Qt::MouseButton Button, int X, int Y)>;

// The engine's reference point on the page. Its centre is the transform centre, the zoom anchor and
// the paste point; it snaps to a figure node under its centre; a right-button drag moves the
// selected figures by the same world distance; a double click pastes shapes at it.
class TReferenceSelector : public TOriginSelector {
public:
  TReferenceSelector(QWidget* Owner, const TMappingRec& Mapping, TZQVCad* Engine);

  TZQVCad* Engine = nullptr;
  TMappingRec Mapping{};
  TRealPoint WorldPosition{};
  TPoint Centre{};
  bool OnNode = false;
  TSelectorEvent OnNodeSnap;
  TSelectorEvent OnDblClick;
  // The main window's handlers around a right-button drag (its rectangle follows the selection).
  TSelectorMouseEvent OnMouseDown;
  TSelectorMouseEvent OnMouseUp;

  // Centre in page pixels (scroll positions included when the parent is a scroll box's viewport).
  TPoint GetCentre();
  // The world point of the node under the selector, or else of its centre.
  TRealPoint GetWorldPosition();
  // Keeps the selector at least half its size inside the parent's top-left corner.
  void SetBounds(int Left, int Top, int Width, int Height);

  // The mouse steps, callable without a window system (tests).
  void MouseDown(Qt::MouseButton Button, QPoint P);
  void MouseMove(Qt::MouseButtons Buttons, QPoint P);
  void MouseUp(Qt::MouseButton Button, QPoint P);

protected:
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;

private:
  // The scroll positions of the scroll box the selector sits in, or (0, 0).
  QPoint ScrollOffset() const;
};

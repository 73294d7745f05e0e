#include "helpers/para_panel.h"

#include <QMouseEvent>
#include <QPainter>

#include "platform/exceptions.h"
#include "platform/numeric.h"
#include "platform/screen.h"

double TParaPanel::TickStep = 9.6;
int TParaPanel::TicksPerMajor = 10;

namespace {
class TRulerMarker : public QWidget {
public:
  using QWidget::QWidget;
protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(Qt::black);
    const QPoint corners[3] = {{0, 5}, {9, 0}, {9, 9}};
    p.drawPolygon(corners, 3);
  }
};
}  // namespace

TParaPanel::TParaPanel(QWidget* parent) : QWidget(parent), PixelsPerInch(ScreenPixelsPerInch()) {
  setMinimumHeight(11);
  Marker = new TRulerMarker(this);
  Marker->setFixedSize(11, 11);
  Marker->move(width() / 2, 0);
  Marker->installEventFilter(this);
  SetMetric(false);
}

void TParaPanel::SetMin(int v) {
  if (v < 0 || (FMax != 0 && v > FMax)) throw ERangeError("Value out of bounds");
  if (v == FMin) return;
  FMin = v;
  if (GetMarkerPos() < v) SetMarkerPos(v);
}

void TParaPanel::SetMax(int v) {
  if (v == FMax) return;
  FMax = v;
  if (GetMarkerPos() > v) SetMarkerPos(v);
}

void TParaPanel::SetMetric(bool metric) {
  FMetric = metric;
  TickStep = metric ? PixelsPerInch / 10.16 : PixelsPerInch / 10.0;
  TicksPerMajor = metric ? 4 : 10;
  if (isVisible()) update();
}

int TParaPanel::Increment() const { return int(Round(TickStep)); }
int TParaPanel::GetMarkerPos() const { return Marker->x(); }
void TParaPanel::SetMarkerPos(int pos) { Marker->move(pos, Marker->y()); }

void TParaPanel::resizeEvent(QResizeEvent*) { setMaximumHeight(std::max(11, height())); }

void TParaPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  p.setPen(Qt::black);
  const int step = Increment();
  if (step <= 0) return;
  const int h = height();
  for (int i = 0, x = 0; x < width(); ++i, x += step) {
    int len = h / 2;
    if (i % TicksPerMajor == 0) len = h;
    else if (TicksPerMajor / 2 > 0 && i % (TicksPerMajor / 2) == 0) len = int(Round(h * 0.75));
    p.drawLine(x, 0, x, len);
  }
}

bool TParaPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched != Marker) return false;
  const auto type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease) return false;
  auto* me = static_cast<QMouseEvent*>(event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      DownX = int(me->globalPosition().x());
      DownLeft = Marker->x();
      Dragging = true;
      return true;
    case QEvent::MouseMove:
      if (Dragging && (me->buttons() & Qt::LeftButton)) {
        const int x = int(me->globalPosition().x());
        if (x != DownX) {
          DownLeft += x - DownX;
          DownX = x;
          if (DownLeft > 0 && DownLeft < width() - 11 && DownLeft >= FMin && (FMax == 0 || DownLeft <= FMax))
            Marker->move(DownLeft, Marker->y());
        }
        if (OnChange) OnChange(this);
      }
      return true;
    case QEvent::MouseButtonRelease:
      Dragging = false;
      if (OnMouseUp) OnMouseUp(Marker->x() - 1, Marker->y());
      return true;
    default:
      return false;
  }
}

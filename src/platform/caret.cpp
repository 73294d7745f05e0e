#include "platform/caret.h"

#include <QGuiApplication>
#include <QPainter>
#include <QStyleHints>

namespace {
struct TCaret {
  QPointer<QWidget> Owner;
  QPointer<TCaretWidget> Widget;
  QPoint Position;
  QSize Size;
  int HideCount = 0;
  bool Exists = false;
  bool BlinkOn = false;
  QTimer* Timer = nullptr;
};

TCaret& Caret() {
  static TCaret caret;
  return caret;
}

bool Visible() {
  const TCaret& c = Caret();
  return c.Exists && c.HideCount == 0 && c.Owner;
}

void Refresh() {
  TCaret& c = Caret();
  if (!c.Widget) return;
  c.Widget->setGeometry(QRect(c.Position, c.Size));
  const bool show = Visible() && c.BlinkOn;
  if (show) {
    c.Widget->raise();
    c.Widget->show();
    c.Widget->update();
  } else {
    c.Widget->hide();
  }
}

void RestartBlink() {
  TCaret& c = Caret();
  c.BlinkOn = true;
  if (!c.Timer) {
    c.Timer = new QTimer();
    QObject::connect(c.Timer, &QTimer::timeout, [] {
      TCaret& k = Caret();
      if (!Visible()) return;
      k.BlinkOn = !k.BlinkOn;
      Refresh();
    });
  }
  const int interval = GetCaretBlinkTime();
  if (Visible() && interval > 0) c.Timer->start(interval);
  else c.Timer->stop();
  Refresh();
}

bool OwnerMatches(QWidget* owner) { return !owner || owner == Caret().Owner; }
}  // namespace

TCaretWidget::TCaretWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  setObjectName(QStringLiteral("SystemCaret"));
}

void TCaretWidget::paintEvent(QPaintEvent*) {
  // Inverts what lies below: white xor the pixels the parent and its children painted.
  QPainter p(this);
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  p.fillRect(rect(), Qt::white);
}

bool CreateCaret(QWidget* owner, int width, int height) {
  if (!owner) return false;
  DestroyCaret();
  TCaret& c = Caret();
  c.Owner = owner;
  c.Size = QSize(width > 0 ? width : 1, height > 0 ? height : 1);
  c.Position = QPoint(0, 0);
  c.HideCount = 1;
  c.Exists = true;
  c.Widget = new TCaretWidget(owner);
  c.Widget->hide();
  RestartBlink();
  return true;
}

bool DestroyCaret() {
  TCaret& c = Caret();
  if (!c.Exists) return false;
  if (c.Timer) c.Timer->stop();
  delete c.Widget.data();
  c.Widget = nullptr;
  c.Owner = nullptr;
  c.Exists = false;
  c.HideCount = 0;
  c.BlinkOn = false;
  return true;
}

bool SetCaretPos(int x, int y) {
  TCaret& c = Caret();
  if (!c.Exists) return false;
  c.Position = QPoint(x, y);
  RestartBlink();
  return true;
}

QPoint GetCaretPos() { return Caret().Position; }

bool ShowCaret(QWidget* owner) {
  TCaret& c = Caret();
  if (!c.Exists || !OwnerMatches(owner) || c.HideCount == 0) return false;
  --c.HideCount;
  RestartBlink();
  return true;
}

bool HideCaret(QWidget* owner) {
  TCaret& c = Caret();
  if (!c.Exists || !OwnerMatches(owner)) return false;
  ++c.HideCount;
  RestartBlink();
  return true;
}

int GetCaretBlinkTime() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 265;
  return QGuiApplication::styleHints()->cursorFlashTime() / 2;
}

TCaretState CaretState() {
  const TCaret& c = Caret();
  TCaretState s;
  s.Exists = c.Exists && c.Owner;
  s.Owner = c.Owner;
  s.Position = c.Position;
  s.Size = c.Size;
  s.HideCount = c.HideCount;
  s.Visible = Visible();
  s.BlinkOn = s.Visible && c.BlinkOn;
  return s;
}

#include "helpers/num_spin_edit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPolygon>
#include <QStyle>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/messages.h"
#include "platform/numeric.h"

namespace {

constexpr int FirstRepeatDelay = 400;
constexpr int RepeatInterval = 100;

// A whole number written for an integer field; values past the 64-bit range are written whole
// without the rounding rule (it cannot hold them).
QString WholeText(double v) {
  if (std::fabs(v) < 9.0e18) return QString::number(qlonglong(Round(v)));
  return QString::number(v, 'f', 0);
}

// The built-in arrow glyphs: a small black triangle on a transparent ground.
QPixmap ArrowGlyph(bool up) {
  QPixmap glyph(7, 4);
  glyph.fill(Qt::transparent);
  QPainter p(&glyph);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  if (up) p.drawPolygon(QPolygon({QPoint(0, 4), QPoint(7, 4), QPoint(3, 0), QPoint(4, 0)}));
  else p.drawPolygon(QPolygon({QPoint(0, 0), QPoint(7, 0), QPoint(4, 4), QPoint(3, 4)}));
  return glyph;
}

}  // namespace

int DefSpinButtonWidth() { return std::min(15, QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent)); }

// ---------------------------------------------------------------------------------------------
// The diagonal spin button

TNumSpinButton::TNumSpinButton(QWidget* parent) : QWidget(parent) {
  resize(20, 20);
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::ArrowCursor);
  SetUpGlyph(QPixmap());
  SetDownGlyph(QPixmap());
  connect(&FRepeat, &QTimer::timeout, this, [this] { TimerExpired(); });
}

void TNumSpinButton::SetUpGlyph(const QPixmap& glyph) {
  FUpGlyph = glyph.isNull() ? ArrowGlyph(true) : glyph;
  update();
}

void TNumSpinButton::SetDownGlyph(const QPixmap& glyph) {
  FDownGlyph = glyph.isNull() ? ArrowGlyph(false) : glyph;
  update();
}

TNumSpinButton::TSpinHalf TNumSpinButton::HalfAt(QPoint p) const {
  const double w = width() > 0 ? width() : 1;
  const double h = height();
  return p.y() <= h - (h / w) * p.x() ? sbTop : sbBottom;
}

void TNumSpinButton::SetDown(TSpinHalf half) {
  if (FDown == half) return;
  FDown = half;
  update();
}

void TNumSpinButton::ReleaseIfButtonUp() {
  if (!FLeftDown) SetDown(sbNone);
}

void TNumSpinButton::TopClick() {
  if (OnTopClick) OnTopClick(this);
  ReleaseIfButtonUp();
}

void TNumSpinButton::BottomClick() {
  if (OnBottomClick) OnBottomClick(this);
  ReleaseIfButtonUp();
}

void TNumSpinButton::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !isEnabled()) return;
  FLeftDown = true;
  if (FocusControl && FocusControl->focusPolicy() != Qt::NoFocus && FocusControl->isEnabled() &&
      !FocusControl->hasFocus())
    FocusControl->setFocus(Qt::OtherFocusReason);
  if (FDown == sbNone) {
    const TSpinHalf half = HalfAt(e->position().toPoint());
    FLastDown = half;
    SetDown(half);
    if (half == sbTop) TopClick();
    else BottomClick();
    FRepeat.start(FirstRepeatDelay);
  }
  FDragging = true;
}

void TNumSpinButton::mouseMoveEvent(QMouseEvent* e) {
  if (!FDragging) return;
  const QPoint p = e->position().toPoint();
  TSpinHalf shown = sbNone;
  if (rect().contains(p) && HalfAt(p) == FLastDown) shown = FLastDown;
  SetDown(shown);
}

void TNumSpinButton::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) FLeftDown = false;
  if (!FDragging) return;
  FDragging = false;
  FRepeat.stop();
  if (rect().contains(e->position().toPoint())) {
    FLastDown = sbNone;
    SetDown(sbNone);
  }
}

void TNumSpinButton::TimerExpired() {
  FRepeat.setInterval(RepeatInterval);
  // The mouse stays captured while the press lasts.
  if (!FDragging) {
    FRepeat.stop();
    return;
  }
  if (FDown == sbTop) TopClick();
  else if (FDown == sbBottom) BottomClick();
}

void TNumSpinButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int W = width();
  const int H = height();
  const QPalette& pal = palette();
  p.fillRect(rect(), pal.button());
  const bool topDown = isEnabled() && FDown == sbTop;
  const bool bottomDown = isEnabled() && FDown == sbBottom;
  const QColor light = pal.light().color();
  const QColor dark = pal.dark().color();
  // Edges: the top half's outer edges are lit and its diagonal shaded; the bottom half the other
  // way round; a pressed half has them swapped.
  p.setPen(topDown ? dark : light);
  p.drawLine(1, 1, W - 2, 1);
  p.drawLine(1, 1, 1, H - 2);
  p.setPen(topDown ? light : dark);
  p.drawLine(0, H - 2, W - 2, 0);
  p.setPen(bottomDown ? dark : light);
  p.drawLine(1, H, W, 1);
  p.setPen(bottomDown ? light : dark);
  p.drawLine(2, H - 2, W - 2, H - 2);
  p.drawLine(W - 2, 2, W - 2, H - 2);
  p.setPen(pal.windowText().color());
  p.drawLine(-1, H, W, -1);
  p.drawRect(0, 0, W - 1, H - 1);
  // The glyphs centred on the quarter points, moved by one when their half is pressed.
  const QPoint up(W / 4 + (topDown ? 1 : 0), H / 4 + (topDown ? 1 : 0));
  p.drawPixmap(up.x() - FUpGlyph.width() / 2, up.y() - FUpGlyph.height() / 2, FUpGlyph);
  const QPoint dn(3 * W / 4 + (bottomDown ? 1 : 0), 3 * H / 4 + (bottomDown ? 1 : 0));
  p.drawPixmap(dn.x() - FDownGlyph.width() / 2, dn.y() - FDownGlyph.height() / 2, FDownGlyph);
}

// ---------------------------------------------------------------------------------------------
// The standard up-down control

TNumUpDown::TNumUpDown(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::ArrowCursor);
  auto arrow = [this](Qt::ArrowType type, int position) {
    auto* b = new QToolButton(this);
    b->setArrowType(type);
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRepeat(true);
    connect(b, &QToolButton::clicked, this, [this, position] { Click(position); });
    return b;
  };
  FUp = arrow(Qt::UpArrow, 1);
  FDown = arrow(Qt::DownArrow, -1);
  resize(DefSpinButtonWidth(), 20);
}

void TNumUpDown::Click(int position) {
  if (FClicking) return;
  FClicking = true;
  FPosition = std::clamp(position, -1, 1);
  if (FPosition > 0) {
    if (OnTopClick) OnTopClick(this);
  } else if (FPosition < 0) {
    if (OnBottomClick) OnBottomClick(this);
  }
  FPosition = 0;
  FClicking = false;
}

void TNumUpDown::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  const int upper = height() / 2;
  FUp->setGeometry(0, 0, width(), upper);
  FDown->setGeometry(0, upper, width(), height() - upper);
}

// ---------------------------------------------------------------------------------------------
// The spin edit

TNumSpinEdit::TNumSpinEdit(QWidget* parent) : QLineEdit(parent) {
  setText("0");
  FButton = new TNumSpinButton(this);
  FButton->FocusControl = this;
  FButton->OnTopClick = [this](QObject*) { UpClick(); };
  FButton->OnBottomClick = [this](QObject*) { DownClick(); };
  FUpDown = new TNumUpDown(this);
  FUpDown->OnTopClick = [this](QObject*) { UpClick(); };
  FUpDown->OnBottomClick = [this](QObject*) { DownClick(); };
  FUpDown->hide();
  connect(this, &QLineEdit::textChanged, this, [this](const QString&) {
    if (OnChange) OnChange(this);
    emit valueChanged(Value());
  });
  ApplyMinimumHeight();
  PlaceButton();
}

void TNumSpinEdit::SetButtonKind(TSpinButtonKind k) {
  FButtonKind = k;
  FButton->setVisible(k == bkDiagonal);
  FUpDown->setVisible(k == bkStandard);
  PlaceButton();
}

int TNumSpinEdit::MinimumEditHeight() const {
  // The system's border height is one pixel.
  return QFontMetrics(font()).height() + 4 * 1 + 1;
}

void TNumSpinEdit::ApplyMinimumHeight() {
  setMinimumHeight(MinimumEditHeight());
  if (height() < minimumHeight()) resize(width(), minimumHeight());
}

double TNumSpinEdit::Value() const {
  const QString t = text().trimmed();
  bool ok = false;
  switch (FValueType) {
    case vtFloat: {
      const double v = t.toDouble(&ok);
      if (ok && std::isfinite(v)) return v;
      return FMinValue;
    }
    case vtHex: {
      const qlonglong v = t.toLongLong(&ok, 16);
      if (ok && !t.startsWith("0x", Qt::CaseInsensitive)) return double(v);
      break;
    }
    case vtInteger: {
      const qlonglong v = t.toLongLong(&ok, 10);
      if (ok) return double(v);
      break;
    }
  }
  return std::trunc(FMinValue);
}

void TNumSpinEdit::SetValue(double v) {
  v = CheckValue(v);
  QString t;
  switch (FValueType) {
    case vtFloat: {
      // 15 significant digits, then the fixed decimals.
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.14e", v);
      const double kept = std::strtod(buffer, nullptr);
      if (std::fabs(kept) < 1e15) t = QString::fromStdString(FormatFixed(kept, FDecimal));
      else t = QString::number(kept, 'E', 14);
      break;
    }
    case vtHex: {
      const qlonglong whole = std::fabs(v) < 9.0e18 ? qlonglong(Round(v)) : 0;
      t = whole < 0 ? QString::number(quint32(whole), 16).toUpper() : QString::number(whole, 16).toUpper();
      break;
    }
    case vtInteger: t = WholeText(v); break;
  }
  setText(t);
}

int TNumSpinEdit::AsInteger() const {
  const double v = std::trunc(Value());
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return int(v);
}

double TNumSpinEdit::CheckValue(double v) const {
  if (FMaxValue != FMinValue) {
    if (v < FMinValue) return FMinValue;
    if (v > FMaxValue) return FMaxValue;
  }
  return v;
}

void TNumSpinEdit::SetMinValue(double v) { FMinValue = v; }
void TNumSpinEdit::SetMaxValue(double v) { FMaxValue = v; }

void TNumSpinEdit::SetIncrement(double v) {
  if (FValueType != vtFloat) {
    v = std::fabs(v) < 9.0e18 ? double(Round(v)) : v;
    if (v == 0) v = 1;
  }
  FIncrement = v;
}

void TNumSpinEdit::SetDecimal(int d) {
  if (d < 0) d = 0;
  if (d > 18) d = 18;
  const double v = Value();
  FDecimal = d;
  SetValue(v);
}

void TNumSpinEdit::SetValueType(TValueType t) {
  const double v = Value();
  FValueType = t;
  SetIncrement(FIncrement);
  SetValue(v);
}

void TNumSpinEdit::SetEditorEnabled(bool on) {
  FEditorEnabled = on;
  setAcceptDrops(on);
}

void TNumSpinEdit::Step(double delta) {
  const QString before = text();
  SetValue(Value() + delta);
  if (text() != before) setModified(true);
}

void TNumSpinEdit::UpClick() {
  if (isReadOnly()) {
    MessageBeep(0);
    return;
  }
  Step(FIncrement);
  if (OnTopClick) OnTopClick(this);
}

void TNumSpinEdit::DownClick() {
  if (isReadOnly()) {
    MessageBeep(0);
    return;
  }
  Step(-FIncrement);
  if (OnBottomClick) OnBottomClick(this);
}

bool TNumSpinEdit::IsValidChar(QChar key) const {
  const ushort k = key.unicode();
  if (!FEditorEnabled) return k < 32 && k != 8;
  if (k < 32) return true;
  if (key == '+' || key == '-' || (key >= '0' && key <= '9')) return true;
  const QString t = text();
  if (FValueType == vtFloat) {
    if (key == '.' && !t.contains('.')) return true;
    if ((key == 'e' || key == 'E') && !t.contains('E', Qt::CaseInsensitive)) return true;
  }
  if (FValueType == vtHex) return (key >= 'A' && key <= 'F') || (key >= 'a' && key <= 'f');
  return false;
}

void TNumSpinEdit::keyPressEvent(QKeyEvent* e) {
  const int key = e->key();
  if (ArrowKeys && (key == Qt::Key_Up || key == Qt::Key_Down)) {
    if (key == Qt::Key_Up) UpClick();
    else DownClick();
    e->accept();
    return;
  }
  if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut)) {
    if (FEditorEnabled && !isReadOnly()) QLineEdit::keyPressEvent(e);
    else e->accept();
    return;
  }
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
    // Passed on to the dialog so its default and cancel buttons work.
    QLineEdit::keyPressEvent(e);
    return;
  }
  // Without the editor the text changes only through the arrows: no deleting, no undo.
  if (!FEditorEnabled && (key == Qt::Key_Delete || e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo))) {
    MessageBeep(0);
    e->accept();
    return;
  }
  const QString typed = e->text();
  if (!typed.isEmpty() && !IsValidChar(typed.at(0))) {
    MessageBeep(0);
    e->accept();
    return;
  }
  QLineEdit::keyPressEvent(e);
}

void TNumSpinEdit::contextMenuEvent(QContextMenuEvent* e) {
  QMenu* menu = createStandardContextMenu();
  if (!FEditorEnabled || isReadOnly())
    for (QAction* a : menu->actions())
      if (a->objectName() == "edit-paste" || a->objectName() == "edit-cut" || a->objectName() == "edit-delete" ||
          a->objectName() == "edit-undo" || a->objectName() == "edit-redo")
        a->setEnabled(false);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(e->globalPos());
}

void TNumSpinEdit::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  if (AutoSelect && !(QApplication::mouseButtons() & Qt::LeftButton)) selectAll();
}

void TNumSpinEdit::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  const double v = Value();
  if (CheckValue(v) != v) SetValue(v);
}

void TNumSpinEdit::PlaceButton() {
  const int h = height();
  const bool rtl = layoutDirection() == Qt::RightToLeft;
  // The diagonal button sits in a square of the edit's height, the up-down is the standard width.
  QWidget* button = FButtonKind == bkDiagonal ? static_cast<QWidget*>(FButton) : FUpDown;
  const int w = FButtonKind == bkDiagonal ? h : DefSpinButtonWidth();
  button->setGeometry(rtl ? 0 : width() - w, 0, w, h);
  if (rtl) setTextMargins(w + 1, 0, 0, 0);
  else setTextMargins(0, 0, w + 2, 0);
}

void TNumSpinEdit::resizeEvent(QResizeEvent* e) {
  QLineEdit::resizeEvent(e);
  PlaceButton();
}

void TNumSpinEdit::changeEvent(QEvent* e) {
  QLineEdit::changeEvent(e);
  if (e->type() == QEvent::FontChange) ApplyMinimumHeight();
  if (e->type() == QEvent::FontChange || e->type() == QEvent::LayoutDirectionChange) PlaceButton();
}

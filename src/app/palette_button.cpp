// The symbol palette button.
#include "app/palette_button.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

bool DragPaletteButton(QWidget* Button, QPoint Pressed, QMouseEvent* Move) {
  if (!(Move->buttons() & Qt::LeftButton)) return false;
  if ((Move->position().toPoint() - Pressed).manhattanLength() < QApplication::startDragDistance()) return false;
  auto* drag = new QDrag(Button);
  auto* data = new QMimeData;
  data->setData(PaletteButtonMimeType, Button->objectName().toUtf8());
  drag->setMimeData(data);
  drag->setPixmap(Button->grab());
  drag->exec(Qt::CopyAction);
  return true;
}

TPaletteButton::TPaletteButton(QWidget* parent, const QString& name, const std::string& caption, const TFont& font,
                               int tag)
    : QFrame(parent), Caption(caption), ButtonFont(font), Tag(tag) {
  setObjectName(name);
  setFixedSize(22, 22);
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(1);
  setFocusPolicy(Qt::NoFocus);
}

void TPaletteButton::SetLowered(bool lowered) {
  setFrameShadow(lowered ? QFrame::Sunken : QFrame::Raised);
  update();
}

void TPaletteButton::SetCaption(const std::string& caption, const TFont& font) {
  Caption = caption;
  ButtonFont = font;
  update();
}

void TPaletteButton::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (Caption.empty()) return;
  QPainter p(this);
  // The glyph in the button's face and colour, at a size that fits the button.
  TFont shown(ButtonFont);
  shown.SetSize(12);
  p.setFont(shown.ToQFont());
  const TColor c = ButtonFont.Color == clNone ? clBlack : ButtonFont.Color;
  p.setPen(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
  p.drawText(contentsRect(), Qt::AlignCenter, BytesToFontText(shown, std::string_view(Caption.data(), 1)));
}

void TPaletteButton::mousePressEvent(QMouseEvent* event) {
  FPressed = event->position().toPoint();
  SetLowered(true);
  emit MouseDown(this, event->button());
}

void TPaletteButton::mouseMoveEvent(QMouseEvent* event) {
  // A drag onto the page ends with the button up, and inserts nothing.
  if (DragPaletteButton(this, FPressed, event)) SetLowered(false);
}

void TPaletteButton::mouseReleaseEvent(QMouseEvent* event) {
  SetLowered(false);
  emit MouseUp(this, event->button(), rect().contains(event->position().toPoint()));
}

// A symbol palette button: a small raised panel whose caption is one character drawn in the
// button's own font (a symbol font, or one of the program's special fonts). Pressed, its bevel
// is drawn lowered; released, raised again.
#pragma once

#include <QFrame>
#include <string>

#include "platform/font.h"

class QMouseEvent;

// Palette buttons dragged onto the page: the drag carries the button's object name in this format.
inline constexpr const char* PaletteButtonMimeType = "application/x-korvalis-palette-button";
// Starts the drag of a palette button once the held left button has moved the platform's drag
// distance from Pressed; true when a drag ran (it takes the mouse release).
bool DragPaletteButton(QWidget* Button, QPoint Pressed, QMouseEvent* Move);

class TPaletteButton : public QFrame {
  Q_OBJECT
public:
  TPaletteButton(QWidget* parent, const QString& name, const std::string& caption, const TFont& font, int tag);

  std::string Caption;  // the character byte (empty: a button not defined yet)
  TFont ButtonFont;
  int Tag = 0;
  void SetLowered(bool lowered);
  void SetCaption(const std::string& caption, const TFont& font);

signals:
  void MouseDown(TPaletteButton* button, Qt::MouseButton which);
  void MouseUp(TPaletteButton* button, Qt::MouseButton which, bool inside);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  QPoint FPressed;
};

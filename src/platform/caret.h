// The text caret, as the platform's system caret: one per program, owned by one widget at a
// time, created with a size, placed, shown and hidden with a hide count (each HideCaret needs one
// ShowCaret; the caret is visible only when the count is zero; a new caret starts hidden, count
// 1), blinking at half the platform's cursor flash time. It is drawn by inverting its rectangle
// over what the owner and its children show (a small child widget painting with xor).
#pragma once

#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QTimer>
#include <QWidget>

class TCaretWidget;

// The caret's state, for tests and for widgets that draw it themselves.
struct TCaretState {
  bool Exists = false;
  QWidget* Owner = nullptr;
  QPoint Position;
  QSize Size;
  int HideCount = 0;
  bool Visible = false;  // exists, count zero
  bool BlinkOn = false;  // the inverted rectangle is on the screen now
};

// Creates the caret on owner (replacing any caret); hidden until ShowCaret. A width or height of
// 0 means one pixel.
bool CreateCaret(QWidget* owner, int width, int height);
bool DestroyCaret();
// Position in the owner's coordinates; works while hidden.
bool SetCaretPos(int x, int y);
QPoint GetCaretPos();
// ShowCaret undoes one HideCaret; both fail (false) without a caret or when owner is given and
// is not the caret's owner.
bool ShowCaret(QWidget* owner = nullptr);
bool HideCaret(QWidget* owner = nullptr);
// Milliseconds between blink phases: half of Qt's cursor flash time.
int GetCaretBlinkTime();
TCaretState CaretState();

// The child widget that draws the caret.
class TCaretWidget : public QWidget {
public:
  explicit TCaretWidget(QWidget* parent);
protected:
  void paintEvent(QPaintEvent*) override;
};

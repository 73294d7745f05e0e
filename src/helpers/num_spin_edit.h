// The numeric field of every dialog: a one-line edit holding a number as text, with a spin button
// on its side: a square split along its diagonal into an up half and a down half, or a standard
// up-down control. Dialogs read and write the number through Value; the text is the number's only
// store.
#pragma once

#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <functional>

class QToolButton;

enum TValueType { vtInteger, vtFloat, vtHex };
enum TSpinButtonKind { bkStandard, bkDiagonal };

// The width of the standard up-down button: the system's vertical scroll bar width, at most 15.
int DefSpinButtonWidth();

// The spin button: the half above the diagonal from (0, H) to (W, 0) steps up, the rest down.
// A press steps at once, again after 400 ms and then every 100 ms while the half stays pressed.
class TNumSpinButton : public QWidget {
  Q_OBJECT
public:
  enum TSpinHalf { sbNone, sbTop, sbBottom };
  explicit TNumSpinButton(QWidget* parent = nullptr);

  // The control that takes the focus on a click (the spin edit).
  QWidget* FocusControl = nullptr;
  std::function<void(QObject*)> OnTopClick;
  std::function<void(QObject*)> OnBottomClick;

  // The glyphs drawn on the halves; an empty picture sets the built-in arrow back.
  const QPixmap& UpGlyph() const { return FUpGlyph; }
  const QPixmap& DownGlyph() const { return FDownGlyph; }
  void SetUpGlyph(const QPixmap& glyph);
  void SetDownGlyph(const QPixmap& glyph);

  // The half shown pressed.
  TSpinHalf Down() const { return FDown; }
  // The half at a point of the button.
  TSpinHalf HalfAt(QPoint p) const;
  // The repeat timer and its expiry (the timer calls it; tests may too).
  const QTimer& RepeatTimer() const { return FRepeat; }
  void TimerExpired();

  void TopClick();
  void BottomClick();

protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

private:
  void SetDown(TSpinHalf half);
  void ReleaseIfButtonUp();
  TSpinHalf FDown = sbNone;
  TSpinHalf FLastDown = sbNone;
  bool FDragging = false;
  bool FLeftDown = false;
  QTimer FRepeat;
  QPixmap FUpGlyph;
  QPixmap FDownGlyph;
};

// The standard up-down control: an up arrow over a down arrow, DefSpinButtonWidth wide. Its
// position runs from -1 to 1 and rests at 0: a click on an arrow moves it to 1 (up) or -1 (down),
// fires that arrow's event and sets it back to 0. Held, an arrow repeats as the toolkit's arrow
// buttons do.
class TNumUpDown : public QWidget {
  Q_OBJECT
public:
  explicit TNumUpDown(QWidget* parent = nullptr);

  std::function<void(QObject*)> OnTopClick;
  std::function<void(QObject*)> OnBottomClick;

  int Position() const { return FPosition; }
  // The arrows' click: a positive position steps up, a negative one down; then back to 0. A click
  // arriving while one is handled is ignored.
  void Click(int position);

  QToolButton* UpArrow() const { return FUp; }
  QToolButton* DownArrow() const { return FDown; }

protected:
  void resizeEvent(QResizeEvent* e) override;

private:
  QToolButton* FUp = nullptr;
  QToolButton* FDown = nullptr;
  int FPosition = 0;
  bool FClicking = false;
};

class TNumSpinEdit : public QLineEdit {
  Q_OBJECT
public:
  explicit TNumSpinEdit(QWidget* parent = nullptr);

  // The number shown. Reading parses the text by ValueType; text that does not parse reads as
  // MinValue (its integer part for the integer types). Writing clamps (CheckValue) and formats.
  double Value() const;
  void SetValue(double v);
  // Value truncated toward zero.
  int AsInteger() const;
  // Bounds, used only when they differ.
  double MinValue() const { return FMinValue; }
  double MaxValue() const { return FMaxValue; }
  void SetMinValue(double v);
  void SetMaxValue(double v);
  double CheckValue(double v) const;
  // The step of the spin button and the arrow keys; whole and at least 1 for the integer types.
  double Increment() const { return FIncrement; }
  void SetIncrement(double v);
  // Digits after the point for vtFloat; setting it rewrites the text.
  int Decimal() const { return FDecimal; }
  void SetDecimal(int d);
  TValueType ValueType() const { return FValueType; }
  void SetValueType(TValueType t);
  // Which button sits at the side: the diagonal one (the default) or the standard up-down.
  TSpinButtonKind ButtonKind() const { return FButtonKind; }
  void SetButtonKind(TSpinButtonKind k);
  // Up and Down keys step the value.
  bool ArrowKeys = true;
  // The text may be typed and pasted.
  bool EditorEnabled() const { return FEditorEnabled; }
  void SetEditorEnabled(bool on);
  bool AutoSelect = true;

  // Steps up or down by Increment; a read-only edit only beeps.
  virtual void UpClick();
  virtual void DownClick();
  // Whether a typed character may go into the text.
  virtual bool IsValidChar(QChar key) const;

  // The diagonal button and the up-down control; the one ButtonKind names is shown.
  TNumSpinButton* Button() const { return FButton; }
  TNumUpDown* UpDown() const { return FUpDown; }
  // The lowest height the edit takes: its font's character height, four border heights and one.
  int MinimumEditHeight() const;

  std::function<void(QObject*)> OnChange;
  std::function<void(QObject*)> OnTopClick;
  std::function<void(QObject*)> OnBottomClick;

  // The names the dialogs built on the standard spin box use.
  double value() const { return Value(); }
  void setValue(double v) { SetValue(v); }
  double minimum() const { return FMinValue; }
  double maximum() const { return FMaxValue; }
  void setMinimum(double v) { SetMinValue(v); }
  void setMaximum(double v) { SetMaxValue(v); }
  void setRange(double lo, double hi) {
    SetMinValue(lo);
    SetMaxValue(hi);
  }

signals:
  // Every change of the text, with the value it reads as.
  void valueChanged(double value);

protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

private:
  void Step(double delta);
  void PlaceButton();
  void ApplyMinimumHeight();
  double FMinValue = 0;
  double FMaxValue = 0;
  double FIncrement = 1.0;
  int FDecimal = 2;
  TValueType FValueType = vtInteger;
  TSpinButtonKind FButtonKind = bkDiagonal;
  bool FEditorEnabled = true;
  TNumSpinButton* FButton = nullptr;
  TNumUpDown* FUpDown = nullptr;
};

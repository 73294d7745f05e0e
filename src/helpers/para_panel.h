// The ruler above the page: ticks in tenths of an inch or quarters of a centimetre and a draggable
// triangular marker whose position the main window reads as an indent.
#pragma once

#include <QWidget>
#include <functional>

class TParaPanel : public QWidget {
  Q_OBJECT
public:
  explicit TParaPanel(QWidget* parent = nullptr);

  int Min() const { return FMin; }
  int Max() const { return FMax; }
  bool Metric() const { return FMetric; }
  // Raises ERangeError("Value out of bounds") for a negative value or one above a non-zero Max.
  void SetMin(int v);
  void SetMax(int v);
  void SetMetric(bool metric);
  int Increment() const;
  int GetMarkerPos() const;
  void SetMarkerPos(int pos);

  std::function<void(QObject*)> OnChange;
  // Fired when the marker is released, with x = marker left - 1 and y = marker top.
  std::function<void(int x, int y)> OnMouseUp;

  const int PixelsPerInch;
  // Shared by every ruler of the program.
  static double TickStep;
  static int TicksPerMajor;

protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QWidget* Marker;
  int FMin = 0;
  int FMax = 0;
  bool FMetric = false;
  bool Dragging = false;
  int DownX = 0;
  int DownLeft = 0;
};

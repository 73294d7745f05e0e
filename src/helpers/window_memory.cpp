#include "helpers/window_memory.h"

#include <QApplication>
#include <QBackingStore>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// QWidget::destroy is what drops a window's backing store along with its native window
// (destroying only the QWindow keeps the backing store); it is protected, so it is reached through
// a member pointer named in a derived class.
struct TWindowAccess : QWidget {
  static void Destroy(QWidget* window) { (window->*(&TWindowAccess::destroy))(true, false); }
};

class THiddenWindowReleaser : public QObject {
public:
  using QObject::QObject;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide && watched->isWidgetType()) {
      auto* widget = static_cast<QWidget*>(watched);
      if (widget->isWindow()) {
        // Later, not now: the hide may be part of a change that shows the window again (a new
        // parent, a new state), and a window that closes goes on handling its own events first.
        QTimer::singleShot(0, this, [window = QPointer<QWidget>(widget)] { ReleaseWindowImage(window); });
      }
    }
    return false;
  }
};

}  // namespace

void ReleaseWindowImage(QWidget* window) {
  if (!window || !window->isWindow() || window->isVisible()) return;
  if (!window->windowHandle() && !window->backingStore()) return;
  // The next show creates the native window and the backing store again.
  TWindowAccess::Destroy(window);
}

void ReleaseHiddenWindowImages(QApplication& app) { app.installEventFilter(new THiddenWindowReleaser(&app)); }

#include "platform/process_messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QWidget>

namespace {

int BusyDepth = 0;
int DeferInputDepth = 0;
bool StopFlag = false;
std::function<void()> StopHandler;
const char* const StopControlProperty = "kvStopControl";

void RequestStop() {
  StopFlag = true;
  if (StopHandler) StopHandler();
}

bool IsStopControl(QObject* watched) {
  for (QObject* o = watched; o; o = o->parent())
    if (o->property(StopControlProperty).toBool()) return true;
  return false;
}

// Installed on the application while busy events are processed.
class TBusyInputFilter : public QObject {
protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat()) RequestStop();
        return true;
      }
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
        if (IsStopControl(watched)) {
          if (event->type() == QEvent::MouseButtonRelease) RequestStop();
          return false;
        }
        return true;
      case QEvent::Close: event->ignore(); return true;
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::TabletPress:
      case QEvent::TabletRelease: return true;
      default: return false;
    }
  }
};

}  // namespace

void ProcessMessages() {
  if (!QCoreApplication::instance()) return;
  if (BusyDepth == 0) {
    QCoreApplication::processEvents(DeferInputDepth > 0 ? QEventLoop::ExcludeUserInputEvents
                                                        : QEventLoop::AllEvents);
    return;
  }
  TBusyInputFilter filter;
  QCoreApplication::instance()->installEventFilter(&filter);
  QCoreApplication::processEvents();
  QCoreApplication::instance()->removeEventFilter(&filter);
}

TBusyScope::TBusyScope() {
  if (BusyDepth++ == 0) StopFlag = false;
}
TBusyScope::~TBusyScope() { --BusyDepth; }

bool ProgramBusy() { return BusyDepth > 0; }

TDeferInputScope::TDeferInputScope() { ++DeferInputDepth; }
TDeferInputScope::~TDeferInputScope() { --DeferInputDepth; }
bool StopRequested() { return StopFlag; }
void SetStopHandler(std::function<void()> handler) { StopHandler = std::move(handler); }
void MarkAsStopControl(QObject* control) {
  if (control) control->setProperty(StopControlProperty, true);
}

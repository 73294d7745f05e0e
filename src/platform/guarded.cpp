#include "platform/guarded.h"

#include "platform/exceptions.h"
#include "platform/messages.h"

namespace {
TApplicationExceptionHook& Hook() {
  static TApplicationExceptionHook hook;
  return hook;
}
bool IsAbort(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    return true;
  } catch (...) {
    return false;
  }
}
thread_local int Depth = 0;
}  // namespace

TApplicationExceptionHook SetApplicationExceptionHook(TApplicationExceptionHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

std::string EscapedExceptionText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::bad_alloc&) {
    return "Out of memory";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown exception";
  }
}

void HandleEscapedException(const char* where, std::exception_ptr error) noexcept {
  if (!error || IsAbort(error)) return;
  // A failure while reporting (or a report that fails again inside the box) is not reported twice.
  if (Depth > 1) return;
  ++Depth;
  const std::string text = EscapedExceptionText(error);
  try {
    if (Hook()) Hook()(where ? where : "", text);
  } catch (...) {
    // A hook that fails must not keep the message box from being shown.
  }
  try {
    MessageBox(text, ApplicationTitle(), MB_OK | MB_ICONSTOP);
  } catch (...) {
    // A box that cannot be shown cannot be reported either: reporting never raises.
  }
  --Depth;
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleEscapedException("Application", std::current_exception());
    return false;
  }
}

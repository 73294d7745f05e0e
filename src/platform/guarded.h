// No exception crosses Qt's event loop. Every event handler runs through Guarded (or inside
// TApplication::notify, which guards all event delivery): what escapes is handed to the
// application exception hook (the main window installs one that writes the debug log) and shown
// in a message box with the stop icon and the exception's text. EAbort, the silent exception, is
// swallowed without either.
#pragma once

#include <QApplication>
#include <exception>
#include <functional>
#include <string>

// where: the handler's name; message: the exception's text.
using TApplicationExceptionHook = std::function<void(const std::string& where, const std::string& message)>;
// Installs the hook (an empty one removes it); returns the previous one.
TApplicationExceptionHook SetApplicationExceptionHook(TApplicationExceptionHook hook);

// Reports an exception caught at the edge of an event handler. Never throws.
void HandleEscapedException(const char* where, std::exception_ptr error) noexcept;
// The text shown for an exception: its message, or a fixed text for foreign exceptions.
std::string EscapedExceptionText(std::exception_ptr error);

template <class F>
void Guarded(const char* where, F&& handler) noexcept {
  try {
    std::forward<F>(handler)();
  } catch (...) {
    HandleEscapedException(where, std::current_exception());
  }
}

// The same for handlers that return a value; fallback is returned when the handler fails.
template <class R, class F>
R GuardedValue(const char* where, R fallback, F&& handler) noexcept {
  try {
    return std::forward<F>(handler)();
  } catch (...) {
    HandleEscapedException(where, std::current_exception());
    return fallback;
  }
}

// The program's application object: every event delivered by Qt runs guarded.
class TApplication : public QApplication {
public:
  TApplication(int& argc, char** argv) : QApplication(argc, argv) {}
  bool notify(QObject* receiver, QEvent* event) override;
};

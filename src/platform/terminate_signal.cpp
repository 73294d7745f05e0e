#include "platform/terminate_signal.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <csignal>
#include <cerrno>

namespace {
// The signal handler only writes a byte; the event loop reads it and calls the handler.
int Pipe[2] = {-1, -1};
std::function<void()>& Handler() {
  static std::function<void()> handler;
  return handler;
}

void SignalArrived(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(Pipe[1], &byte, 1);
  errno = saved;
}
}  // namespace

bool OnTerminateSignal(std::function<void()> handler) {
  Handler() = std::move(handler);
  if (Pipe[0] >= 0) return true;
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, Pipe) != 0) return false;
  // The notifier lives as long as the process; the static keeps it reachable.
  static QSocketNotifier* notifier = nullptr;
  notifier = new QSocketNotifier(Pipe[0], QSocketNotifier::Read);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
    char bytes[16];
    while (read(Pipe[0], bytes, sizeof bytes) > 0) {
    }
    if (Handler()) Handler()();
  });
  struct sigaction action = {};
  action.sa_handler = SignalArrived;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  return sigaction(SIGTERM, &action, nullptr) == 0;
}

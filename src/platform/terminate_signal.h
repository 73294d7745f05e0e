// The request to end the program that the system sends (SIGTERM: a log-out, a shutdown, kill),
// delivered to the event loop as a call of handler, so that the run ends as closing it does
// instead of being cut off where it stands.
#pragma once

#include <functional>

// Installs the signal handler; a later call replaces handler. False when it cannot be installed.
bool OnTerminateSignal(std::function<void()> handler);

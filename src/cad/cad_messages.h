// Messages the CAD engine shows. They go through one replaceable handler so that the main window
// can route them to the program's message service and tests can record them.
#pragma once

#include <functional>
#include <string>

enum class TCadMessageKind { Plain, Information };
using TCadMessageHandler = std::function<void(TCadMessageKind kind, const std::string& text, int helpContext)>;

// Installs a handler; an empty handler restores the default (a message box).
void SetCadMessageHandler(TCadMessageHandler handler);
// A plain message box with an OK button.
void CadShowMessage(const std::string& text);
// An information message with an OK button and a help context.
void CadShowInformation(const std::string& text, int helpContext);

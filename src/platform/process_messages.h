// Letting pending events run inside a long operation, and the program's busy state.
//
// Long operations (reading or writing a document file, the engine drawing many figures) call
// ProcessMessages now and then so that the window repaints and timers run. While the program is
// busy no user command may start inside the one in progress: ProcessMessages then drops key,
// mouse, wheel, shortcut, context-menu and close events, except the stop request: Escape, or a
// click on a control marked with MarkAsStopControl. The stop request is remembered until the
// busy operation ends and handed to the stop handler at once.
#pragma once

#include <functional>

class QObject;

// Runs the pending events (all of them when the program is not busy).
void ProcessMessages();

// The program is busy while at least one scope lives.
class TBusyScope {
public:
  TBusyScope();
  ~TBusyScope();
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;
};
bool ProgramBusy();

// Set by Escape or a stop control while busy; cleared when the outermost busy scope begins.
bool StopRequested();
// Called once per stop request (the engine sets its own stop flag there).
void SetStopHandler(std::function<void()> handler);
// Clicks on this control (a Stop button) reach it while the program is busy.
void MarkAsStopControl(QObject* control);

// While a scope lives (a key is being handled), ProcessMessages runs no input from the user when
// the program is not busy: keys and clicks that arrive wait, in the order they came, until the
// key in progress is done. A click that arrived after keys can then never be handled before
// them (it could switch the tool, and the keys would be typed in a mode they were not pressed
// in). Busy operations keep their own rule: only the stop request gets through.
class TDeferInputScope {
public:
  TDeferInputScope();
  ~TDeferInputScope();
  TDeferInputScope(const TDeferInputScope&) = delete;
  TDeferInputScope& operator=(const TDeferInputScope&) = delete;
};

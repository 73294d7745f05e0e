// Saving documents until the document writer is wired here: nothing can be saved yet, and the
// callers keep the user's work on the page.
#include "app/main_window.h"
#include "platform/messages.h"

bool TForm1::_SaveClick(QObject*) {
  ShowMessage("Documents cannot be saved yet");
  return false;
}

bool TForm1::SaveFile(QObject* Sender, const std::string&) { return _SaveClick(Sender); }

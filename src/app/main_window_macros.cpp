// The main window's side of the macros: the selection offset dialog.
#include "app/main_window.h"
#include "dialogs/selection_offset_dialog.h"

void TForm1::SetSelectionOffset1Click() {
  // Whatever the dialog does, the typing font is put back as it was.
  const TMyFont saved = *TypingFont;
  {
    TSetSelectionOffset dialog(*this, this);
    dialog.exec();
  }
  *TypingFont = saved;
}

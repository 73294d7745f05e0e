// Keyboard shortcuts of the menu commands (their keys are in the command table). The program's own
// (Ctrl+E selects, Ctrl+L switches snapping, Ctrl+Z toggles the zoom, Ctrl+G pastes an image at the
// caret) and the clipboard keys that other programs taught users: Ctrl+C and Ctrl+Insert copy,
// Ctrl+X and Shift+Delete cut, Ctrl+V and Shift+Insert paste. Where a convention and the program's
// own keys collide (Ctrl+Z), the program's key holds. Here: the page pop-up's Select, and the
// clipboard items' states when one of their keys is pressed.
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>

#include "app/main_window.h"
#include "app/main_window_menu_items.h"
#include "helpers/error_report.h"
#include "platform/guarded.h"
#include "helpers/speed_button.h"

namespace {
const QList<QKeySequence> CopyKeys = {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)};
const QList<QKeySequence> CutKeys = {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)};
const QList<QKeySequence> PasteKeys = {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)};
}  // namespace

void TForm1::Select1Click(QObject*) {
  tbSelect->SetDown(true);
  tbSelectClick(tbSelect);
}

void TForm1::UpdateClipboardItems() {
  const bool text = HasTextSelection();
  Cut1->setEnabled(text);
  const bool rect = SelectionRect.Right > SelectionRect.Left && SelectionRect.Bottom > SelectionRect.Top;
  Copy2->setEnabled(text || (SelectionRectShown && rect));
  Paste1->setEnabled(ClipboardHasPasteFormat());
}

bool TForm1::IsClipboardKey(const QKeyEvent& Event) {
  const QKeySequence pressed(Event.keyCombination());
  for (const auto* keys : {&CopyKeys, &CutKeys, &PasteKeys})
    for (const QKeySequence& k : *keys)
      if (k == pressed) return true;
  return false;
}

#include "platform/keys.h"

#include <atomic>

namespace {
std::atomic<bool> InsertOn{true};
TKeyboardState KeyboardState{};  // every byte but the Insert key's
}

bool InsertModeOn() { return InsertOn.load(); }
void ToggleInsertMode() { InsertOn = !InsertOn.load(); }
void SetInsertMode(bool on) { InsertOn = on; }

void GetKeyboardState(TKeyboardState& state) {
  state = KeyboardState;
  state[VK_INSERT] = InsertOn ? 0 : 1;
}

void SetKeyboardState(const TKeyboardState& state) {
  KeyboardState = state;
  KeyboardState[VK_INSERT] = 0;
  InsertOn = (state[VK_INSERT] & 1) == 0;
}

int VirtualKeyOf(int key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers & Qt::KeypadModifier;
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return keypad ? VK_NUMPAD0 + (key - Qt::Key_0) : key;
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_Meta: return VK_LWIN;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Asterisk: return keypad ? VK_MULTIPLY : '8';
    case Qt::Key_Plus: return keypad ? VK_ADD : VK_OEM_PLUS;
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Period: return keypad ? VK_DECIMAL : VK_OEM_PERIOD;
    case Qt::Key_Slash: return keypad ? VK_DIVIDE : VK_OEM_2;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return VK_OEM_1;
    case Qt::Key_Equal: return VK_OEM_PLUS;
    case Qt::Key_Comma:
    case Qt::Key_Less: return VK_OEM_COMMA;
    case Qt::Key_Greater: return VK_OEM_PERIOD;
    case Qt::Key_Question: return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return VK_OEM_7;
    default: return 0;
  }
}

int VirtualKeyOf(const QKeyEvent& e) { return VirtualKeyOf(e.key(), e.modifiers()); }

TShiftState ShiftStateOf(Qt::KeyboardModifiers m, Qt::MouseButtons b) {
  uint8_t s = 0;
  if (m & Qt::ShiftModifier) s |= 1;
  if (m & Qt::AltModifier) s |= 2;
  if (m & Qt::ControlModifier) s |= 4;
  if (b & Qt::LeftButton) s |= 8;
  if (b & Qt::RightButton) s |= 16;
  if (b & Qt::MiddleButton) s |= 32;
  return s;
}

TShiftState ShiftStateOf(const QKeyEvent& e) { return ShiftStateOf(e.modifiers()); }

TShiftState ShiftStateOf(const QMouseEvent& e) {
  uint8_t s = ShiftStateOf(e.modifiers(), e.buttons() | e.button());
  if (e.type() == QEvent::MouseButtonDblClick) s |= 64;
  return s;
}

// Keyboard: the program's own Insert toggle, the platform's virtual-key codes and shift state.
//
// Key releases caused by auto-repeat are ignored: a held key sends one press per repeat and one
// release when it is let go, as the platform does. Key handlers call IsAutoRepeatRelease first.
#pragma once

#include <QKeyEvent>
#include <QMouseEvent>
#include <array>
#include <cstdint>

// The Insert toggle (on = insert, off = overtype), flipped by the Insert key. On at start.
bool InsertModeOn();
void ToggleInsertMode();
void SetInsertMode(bool on);

// The program's keyboard state, 256 bytes indexed by virtual-key code; the low bit of a byte is
// the key's toggle. The Insert key's toggle is the Insert switch above (toggle on = overtype); the
// other toggles are kept by the program and touch nothing outside it.
using TKeyboardState = std::array<uint8_t, 256>;
void GetKeyboardState(TKeyboardState& state);
void SetKeyboardState(const TKeyboardState& state);

// True for a key release that auto-repeat produced; handlers drop such events.
inline bool IsAutoRepeatRelease(const QKeyEvent& e) { return e.type() == QEvent::KeyRelease && e.isAutoRepeat(); }

// Virtual-key codes of the platform.
constexpr int VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_CANCEL = 0x03, VK_MBUTTON = 0x04, VK_BACK = 0x08,
              VK_TAB = 0x09, VK_CLEAR = 0x0C, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
              VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
              VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26,
              VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
              VK_HELP = 0x2F, VK_LWIN = 0x5B, VK_RWIN = 0x5C, VK_APPS = 0x5D, VK_NUMPAD0 = 0x60,
              VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C, VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E,
              VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F24 = 0x87, VK_NUMLOCK = 0x90, VK_SCROLL = 0x91,
              VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD,
              VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC,
              VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE;

// The same codes under the short names the key handlers use.
namespace vk {
constexpr uint16_t Back = VK_BACK, Tab = VK_TAB, Return = VK_RETURN, Shift = VK_SHIFT, Control = VK_CONTROL,
                   Menu = VK_MENU, Escape = VK_ESCAPE, Space = VK_SPACE, Prior = VK_PRIOR, Next = VK_NEXT,
                   End = VK_END, Home = VK_HOME, Left = VK_LEFT, Up = VK_UP, Right = VK_RIGHT, Down = VK_DOWN,
                   Insert = VK_INSERT, Delete = VK_DELETE, Numpad0 = VK_NUMPAD0, Numpad2 = VK_NUMPAD0 + 2,
                   Numpad4 = VK_NUMPAD0 + 4, Numpad6 = VK_NUMPAD0 + 6, Numpad8 = VK_NUMPAD0 + 8, F1 = VK_F1,
                   F5 = VK_F1 + 4, F6 = VK_F1 + 5, F7 = VK_F1 + 6, F8 = VK_F1 + 7, F9 = VK_F1 + 8,
                   F12 = VK_F1 + 11, OemPlus = VK_OEM_PLUS, OemMinus = VK_OEM_MINUS;
}  // namespace vk

// The shift state of key and mouse events (the set of the class library, as bits).
using TShiftState = uint8_t;
constexpr TShiftState ssShift = 1;
constexpr TShiftState ssAlt = 2;
constexpr TShiftState ssCtrl = 4;
constexpr TShiftState ssLeft = 8;
constexpr TShiftState ssRight = 16;
constexpr TShiftState ssMiddle = 32;
constexpr TShiftState ssDouble = 64;

// The virtual-key code of a key event ('A'..'Z' and '0'..'9' for letters and digits, keypad
// keys as VK_NUMPAD0.. when the keypad modifier is set); 0 when the key has none.
int VirtualKeyOf(const QKeyEvent& e);
int VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// The shift state of key and mouse events: 1 Shift, 2 Alt, 4 Ctrl, 8 left button, 16 right button,
// 32 middle button, 64 double click.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);
TShiftState ShiftStateOf(const QKeyEvent& e);
TShiftState ShiftStateOf(const QMouseEvent& e);

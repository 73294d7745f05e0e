// The visual-style library: the program binds it at run time and asks it whether themed drawing
// is possible, for theme handles per element class, and to draw themed elements.
//
// On this platform the library is our own small layer over the application's QStyle. It is
// "present" while an application object with a style exists (tests can take it away), and themed
// drawing is possible when the application style is not the plain classic one ("windows") and
// visual styles have not been switched off (SetVisualStylesEnabled, the user's setting). A theme
// handle names an element class opened for a window; the drawing calls draw the element's part and
// state with the style's primitives, on a QPainter that stands for the device context.
#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/canvas.h"  // the DT_ text flags

class QPainter;
class QWidget;

using HTHEME = intptr_t;

// The element classes, 0 to 23.
enum TThemedElement {
  teButton, teClock, teComboBox, teEdit, teExplorerBar, teHeader, teListView, teMenu, tePage, teProgress,
  teRebar, teScrollBar, teSpin, teStartPanel, teStatus, teTab, teTaskBand, teTaskBar, teToolBar, teToolTip,
  teTrackBar, teTrayNotify, teTreeview, teWindow
};
constexpr int ThemedElementCount = 24;
// The class names of the elements ("button", "clock", ...).
const char* ThemedElementClassName(TThemedElement element);

// ---- the binding
using TThemeEntryPoint = void (*)();
struct TThemeLibraryBinding {
  intptr_t Handle = 0;  // 0 when not loaded
  int RefCount = 0;
  // One entry per bound name, 0 while the library is not loaded.
  std::vector<std::pair<std::string, TThemeEntryPoint>> EntryPoints;
};
// The names the binding binds, in the library's order (46 of them).
const std::vector<std::string>& ThemeEntryPointNames();
// The binding's state (read it for tests; change it only through the calls below).
const TThemeLibraryBinding& ThemeLibrary();
TThemeEntryPoint ThemeEntryPoint(const std::string& Name);

// Adds 1 to the reference count; loads and binds the library when no handle is held. True when a
// handle is held.
bool InitThemeLibrary();
// Subtracts 1 from a positive count; frees the library when the count reaches 0.
void FreeThemeLibrary();
// The library is loaded and the application is themed and a theme is active.
bool UseThemes();

// Whether the platform has the library (tests take it away to see the classic drawing).
void SetThemeLibraryPresent(bool present);
bool ThemeLibraryPresent();
// The user's visual-style switch (on by default).
void SetVisualStylesEnabled(bool on);
bool VisualStylesEnabled();
// The common-controls version, major in the high 16 bits: 6.0.
uint32_t CommonControlsVersion();

// ---- the entry points the system calls (valid only while the library is loaded)
constexpr uint32_t STAP_ALLOW_NONCLIENT = 1;
constexpr uint32_t STAP_ALLOW_CONTROLS = 2;
constexpr uint32_t STAP_ALLOW_WEBCONTENT = 4;
HTHEME OpenThemeData(QWidget* Window, const QString& ClassList);
int CloseThemeData(HTHEME Theme);
int DrawThemeBackground(HTHEME Theme, QPainter& DC, int Part, int State, const QRect& Rect, const QRect* Clip);
int DrawThemeText(HTHEME Theme, QPainter& DC, int Part, int State, const QString& Text, int Count, uint32_t Flags,
                  uint32_t Flags2, const QRect& Rect);
int GetThemeBackgroundContentRect(HTHEME Theme, QPainter* DC, int Part, int State, const QRect& Bounding, QRect& Content);
int DrawThemeEdge(HTHEME Theme, QPainter& DC, int Part, int State, const QRect& Dest, uint32_t Edge, uint32_t Flags,
                  QRect* Content);
bool IsThemeBackgroundPartiallyTransparent(HTHEME Theme, int Part, int State);
int DrawThemeParentBackground(QWidget* Window, QPainter& DC, const QRect* Rect);
bool IsAppThemed();
bool IsThemeActive();
uint32_t GetThemeAppProperties();
void SetThemeAppProperties(uint32_t Flags);
int EnableThemeDialogTexture(QWidget* Window, uint32_t Flags);
// The number of theme handles open now (tests).
int OpenThemeHandleCount();

// DrawThemeEdge edges and sides.
constexpr uint32_t BDR_RAISEDOUTER = 0x1;
constexpr uint32_t BDR_SUNKENOUTER = 0x2;
constexpr uint32_t BDR_RAISEDINNER = 0x4;
constexpr uint32_t BDR_SUNKENINNER = 0x8;
constexpr uint32_t EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr uint32_t BF_RECT = 0xF;

// Theme services: whether themed drawing is possible now, one open theme handle per element class,
// the named visual details and their element, part and state numbers, and the drawing calls the
// theme manager paints with. One instance per process (ThemeServices()); it watches the
// application window for theme changes.
#pragma once

#include <QEvent>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "theme/theme_library.h"

class QPainter;

// ---- window messages
// The messages the theme code exchanges with the application window and the controls, carried
// as one event type: the message number, its two parameters and the result.
constexpr uint32_t WM_NULL = 0;
constexpr uint32_t WM_DESTROY = 2;
constexpr uint32_t WM_THEMECHANGED = 794;
constexpr uint32_t CM_RECREATEWND = 45107;
constexpr uint32_t CM_DENYSUBCLASSING = 47056;
constexpr uint32_t TM_MANAGERRELEASED = 48306;

class TWinMessageEvent : public QEvent {
public:
  TWinMessageEvent(uint32_t msg, intptr_t wParam = 0, intptr_t lParam = 0)
      : QEvent(EventType()), Msg(msg), WParam(wParam), LParam(lParam) {}
  static QEvent::Type EventType();
  uint32_t Msg;
  intptr_t WParam;
  intptr_t LParam;
  intptr_t Result = 0;
};
intptr_t SendWinMessage(QObject* target, uint32_t msg, intptr_t wParam = 0, intptr_t lParam = 0);
void PostWinMessage(QObject* target, uint32_t msg, intptr_t wParam = 0, intptr_t lParam = 0);

// The application window: a hidden window that receives the application's messages. Hooks see
// every message before the window's own procedure (they never consume it); a change of the
// application's style arrives as the theme-changed message.
class TApplicationWindow : public QWidget {
  Q_OBJECT
public:
  using THook = std::function<void(TWinMessageEvent&)>;
  TApplicationWindow();
  int AddHook(THook hook);
  void RemoveHook(int id);
  // The window procedure that runs after the hooks (the theme services install theirs).
  std::function<void(TWinMessageEvent&)> WindowProc;

protected:
  bool event(QEvent* event) override;

private:
  std::vector<std::pair<int, THook>> Hooks;
  int NextHook = 1;
};
// The one application window (made on first use).
TApplicationWindow* ApplicationWindow();

// ---- element details
struct TThemedElementDetails {
  TThemedElement Element = teButton;
  int Part = 0;
  int State = 0;
};
inline bool operator==(const TThemedElementDetails& a, const TThemedElementDetails& b) {
  return a.Element == b.Element && a.Part == b.Part && a.State == b.State;
}

// The named details of each drawn class (values as the platform numbers them; 0 and 1 are the
// don't-care and root values).
enum class TThemedButton : uint8_t {
  DontCare, Root, PushButtonNormal, PushButtonHot, PushButtonPressed, PushButtonDisabled, PushButtonDefaulted,
  RadioButtonUncheckedNormal = 7, CheckBoxUncheckedNormal = 15, CheckBoxUncheckedDisabled = 18,
  CheckBoxCheckedNormal = 19, CheckBoxCheckedDisabled = 22, CheckBoxMixedNormal = 23, CheckBoxMixedDisabled = 26,
  GroupBoxNormal = 27, GroupBoxDisabled = 28, UserButton = 29
};
enum class TThemedEdit : uint8_t { DontCare, Root, EditTextNormal, Caret = 9 };
enum class TThemedRebar : uint8_t { DontCare, Root, Gripper, GripperVert, BandNormal, ChevronNormal = 10 };
enum class TThemedStatus : uint8_t { DontCare, Root, Pane, GripperPane, Gripper };
enum class TThemedTab : uint8_t { DontCare, Root, TabItemNormal, Pane = 42, Body = 43 };
enum class TThemedToolBar : uint8_t { DontCare, Root, ButtonNormal, ButtonHot, ButtonPressed, ButtonDisabled };
enum class TThemedTrackBar : uint8_t { DontCare, Root, Track, TrackVert, ThumbNormal, Ticks = 34, TicksVert = 35 };

// ---- the services
class TThemeServices : public QObject {
  Q_OBJECT
public:
  explicit TThemeServices(QWidget* Window);
  ~TThemeServices() override;

  bool ThemesAvailable = false;
  bool ThemesUsable = false;
  bool ControlsEnabled = false;
  bool ThemesEnabled() const { return ThemesAvailable && ThemesUsable && ControlsEnabled; }
  std::function<void()> OnThemeChange;

  HTHEME GetTheme(TThemedElement Element);
  HTHEME CachedTheme(TThemedElement Element) const { return Themes[size_t(Element)]; }

  static TThemedElementDetails GetElementDetails(TThemedButton Detail);
  static TThemedElementDetails GetElementDetails(TThemedEdit Detail);
  static TThemedElementDetails GetElementDetails(TThemedRebar Detail);
  static TThemedElementDetails GetElementDetails(TThemedStatus Detail);
  static TThemedElementDetails GetElementDetails(TThemedTab Detail);
  static TThemedElementDetails GetElementDetails(TThemedToolBar Detail);
  static TThemedElementDetails GetElementDetails(TThemedTrackBar Detail);

  void DrawElement(QPainter& DC, const TThemedElementDetails& Details, const QRect& R);
  void DrawEdge(QPainter& DC, const TThemedElementDetails& Details, const QRect& R, uint32_t Edge, uint32_t Flags,
                QRect* ContentRect);
  QRect ContentRect(QPainter& DC, const TThemedElementDetails& Details, const QRect& BoundingRect);
  void DrawText(QPainter& DC, const TThemedElementDetails& Details, const QString& S, const QRect& R, uint32_t Flags,
                uint32_t Flags2);
  void DrawParentBackground(QWidget* Window, QPainter& DC, const TThemedElementDetails* Details, bool OnlyIfTransparent,
                            const QRect* Bounds);
  // The themed client edge of a control with a frame (its 2-pixel border), drawn on DC.
  void PaintBorder(QWidget* Control, QPainter& DC, bool EraseLRCorner);

  void UpdateThemes();
  void UnloadThemeData();
  virtual void DoOnThemeChange();

private:
  void WatchedWindowProc(TWinMessageEvent& message);
  QPointer<QWidget> Window;
  std::array<HTHEME, ThemedElementCount> Themes{};
};

// The process's services, made on first use for the application window.
TThemeServices* ThemeServices();
// Frees them (the end of the run, and tests).
void FreeThemeServices();

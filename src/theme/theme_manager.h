// The theme manager: makes the standard controls of every window paint in the visual style.
//
// The manager finds the controls of a known class in every window and installs an event filter on
// each (one filter object per class: its forwarder). The filter hands the control's events to the
// handler of its class (themed_painting.cpp), which paints through the theme services where the
// control would paint itself, and passes everything else on to the control. Each class keeps a
// window-procedure list of the controls it serves; a control leaves its list (and loses its
// filter) when it is destroyed, when its window closes, or when the manager goes.
//
// Windows are found when the manager is loaded (every window that exists) and, later, when a
// window is shown: the manager queues it as pending and collects its controls at the next message
// of the application window. Controls added to a window afterwards are collected the same way.
// Of several managers one is in charge (MainThemeManager); the others hand their work to it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "theme/theme_services.h"

class QPainter;
class QGroupBox;
class QFrame;
class QAbstractButton;
class TThemeManager;

enum TThemeOption {
  toAllowNonClientArea, toAllowControls, toAllowWebContent, toSubclassAnimate, toSubclassButtons,
  toSubclassCheckListbox, toSubclassDBLookup, toSubclassFrame, toSubclassGroupBox, toSubclassListView,
  toSubclassPanel, toSubclassTabSheet, toSubclassSpeedButtons, toSubclassStatusBar, toSubclassTrackBar,
  toSubclassWinControl, toResetMouseCapture, toSetTransparency, toAlternateTabSheetDraw
};
using TThemeOptions = uint32_t;
constexpr TThemeOptions ThemeOptionBit(TThemeOption o) { return 1u << unsigned(o); }
// Every option but toSubclassAnimate and toAlternateTabSheetDraw.
constexpr TThemeOptions DefaultThemeOptions = 262135;

// The classes the manager serves, one window-procedure list each.
enum TControlClass {
  ccPanel, ccFrame, ccListView, ccTabSheet, ccWinControl, ccGroupBox, ccButton, ccSpeedButton, ccTrackBar, ccAnimate,
  ccStatusBar, ccCheckListBox, ccForm
};
constexpr int ControlClassCount = 13;

// A control's message as the handlers and the OnControlMessage event see it: the event, its
// message number (15 paint, 256 key down, 45075/45076 mouse enter/leave, 45100 control-list
// change, others 0x10000 + the event type) and the result.
struct TControlMessage {
  QEvent* Event = nullptr;
  uint32_t Msg = 0;
  intptr_t Result = 0;
};
uint32_t MessageNumberOf(const QEvent* event);

using TAllowSubclassingEvent = std::function<void(TThemeManager* Sender, QWidget* Control, bool& Allow)>;
using TControlMessageEvent =
    std::function<void(TThemeManager* Sender, QWidget* Control, TControlMessage& Message, bool& Handled)>;

// The class of a control as the manager sees it (forms are windows; popups and tooltips are not
// served at all).
bool IsThemeServedWidget(const QWidget* w);
bool IsButtonControl(const QWidget* w);
bool IsSpeedButton(const QWidget* w);
bool IsTabSheet(const QWidget* w);
bool IsPanel(const QWidget* w);
bool IsForm(const QWidget* w);

class TWindowProcList {
public:
  TWindowProcList(TThemeManager* Owner, TControlClass Class);
  ~TWindowProcList();
  TWindowProcList(const TWindowProcList&) = delete;
  TWindowProcList& operator=(const TWindowProcList&) = delete;

  // -1 when the control is not of the list's class or is in the list already; else its position.
  int Add(QWidget* Control);
  bool Find(const QObject* Control, int& Index);
  // Passes the event on to the control: false, so that the control handles it itself.
  bool Dispatch(QWidget* Control, QEvent* Event);
  void Remove(QObject* Control);
  void Clear();
  int Count() const { return int(Items.size()); }
  bool Contains(const QObject* Control);
  TControlClass Class() const { return FClass; }
  QObject* Forwarder() const { return FForwarder; }
  std::vector<QWidget*> Controls() const;

private:
  friend class TThemeManager;
  struct TRec {
    QObject* Control = nullptr;  // the address, also after the control is gone
    QPointer<QWidget> Widget;
    QMetaObject::Connection Destroyed;
  };
  void Forget(QObject* Control);  // the control is being destroyed: drop it without touching it
  TThemeManager* Owner;
  TControlClass FClass;
  QObject* FForwarder;
  bool Dirty = false;
  std::vector<TRec> Items;
  const QObject* CacheControl = nullptr;
  int CacheIndex = -1;
};

class TThemeManager : public QObject {
  Q_OBJECT
public:
  explicit TThemeManager(QObject* Owner = nullptr, bool Designing = false);
  ~TThemeManager() override;

  TThemeOptions Options() const { return FOptions; }
  void SetOptions(TThemeOptions Value);
  bool HasOption(TThemeOption o) const { return (FOptions & ThemeOptionBit(o)) != 0; }
  TAllowSubclassingEvent OnAllowSubclassing;
  TControlMessageEvent OnControlMessage;
  std::function<void()> OnThemeChange;
  void AddListener(TControlMessageEvent Listener) { Listeners.push_back(std::move(Listener)); }
  int ListenerCount() const { return int(Listeners.size()); }
  bool SubManager() const { return FSubManager; }
  bool Designing() const { return FDesigning; }

  void Loaded();
  // A form or control arrives (Inserting) or goes.
  void Notification(QWidget* Component, bool Inserting);
  void AddRecreationCandidate(QWidget* Control);
  bool DoAllowSubclassing(QWidget* Control);
  bool DoControlMessage(QWidget* Control, TControlMessage& Message);
  void DoOnThemeChange();
  void HandleControlChange(QWidget* Control, bool Inserting);
  bool NeedsBorderPaint(QWidget* Control);
  void CollectForms(QWidget* Form = nullptr);
  void CollectControls(QWidget* Parent);
  void ClearLists();
  void UpdateThemes();
  void BroadcastThemeChange();
  void AdjustFormControls(QWidget* Form);

  TWindowProcList& List(TControlClass c) { return *Lists[size_t(c)]; }
  // The list that serves the control now, or null.
  TWindowProcList* ListOf(const QObject* Control);
  bool IsSubclassed(const QObject* Control) { return ListOf(Control) != nullptr; }
  int PendingFormCount() const { return int(PendingForms.size()); }

  // ---- themed painting (themed_painting.cpp)
  // The handler of a control's class; true when the event was taken over (the control never sees
  // it).
  bool HandleControlEvent(TControlClass Class, QWidget* Control, QEvent* Event);
  void PaintGroupBox(QGroupBox* Box, QPainter& DC);
  void PaintPanel(QFrame* Panel, QPainter& DC);
  // State 2 normal, 3 hot, 4 pressed, 5 disabled, 6 defaulted.
  void DrawThemedButton(QAbstractButton* Button, int State, bool Focused, const QRect& R, QPainter& DC);
  void UpdateUIState(QWidget* Control, QEvent* Event);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  friend class TWindowProcList;
  void MainWindowHook(TWinMessageEvent& Message);
  void ReleaseChildren(QWidget* Parent);
  void ReleaseOne(QObject* Control);
  void RemovePending(QObject* Form);
  bool PanelTakesOver(QFrame* Panel);

  TThemeOptions FOptions = DefaultThemeOptions;
  bool FSubManager = false;
  bool FDesigning = false;
  bool Loading = false;
  std::vector<std::unique_ptr<TWindowProcList>> Lists;
  std::vector<TControlMessageEvent> Listeners;
  std::vector<QPointer<QWidget>> PendingForms;
  std::vector<QPointer<QWidget>> PendingControls;
  std::vector<QObject*> RecreationList;
  int HookId = 0;
  bool AppFilterInstalled = false;
};

extern TThemeManager* MainThemeManager;
std::mutex& MainThemeManagerLock();

// Where glyph and caption go inside a button: Layout 0 glyph left, 1 right, 2 top, 3 bottom;
// Margin and Spacing -1 mean automatic.
struct TButtonLayout {
  QPoint GlyphPos;
  QRect TextBounds;
};
TButtonLayout CalcButtonLayout(const QRect& Client, bool RightToLeft, int Layout, int Margin, int Spacing,
                               QSize GlyphSize, QSize TextSize);

// ---- the painting rules of the themed controls (themed_painting.cpp)
// A group box: the caption rectangle is the caption's extent 8 pixels in from the left (from the
// right for right-to-left reading), empty without a caption; the frame is the client rectangle
// from half the caption's height down. The frame is drawn with the caption left out.
struct TGroupBoxRects {
  QRect Caption;
  QRect Frame;
};
TGroupBoxRects GroupBoxRects(const QRect& Client, QSize CaptionExtent, bool RightToLeft);
// States: 2 normal, 3 hot, 4 pressed, 5 disabled, 6 defaulted.
// A speed button: disabled; pressed when held down by the mouse or staying down; hot when, for a
// non-flat button, the control under the mouse is the button, or, for a flat one, the mouse is
// inside it; otherwise normal.
int SpeedButtonThemeState(bool Enabled, bool Down, bool Exclusive, bool Flat, bool UnderMouse, bool MouseInside);
// A bitmap button: pressed when selected, hot when hot, normal when neither the default button
// nor focused, otherwise defaulted; disabled whatever else holds when it is not enabled.
int BitmapButtonThemeState(bool Enabled, bool Selected, bool Hot, bool Default, bool Focused);
// The element a button is drawn with: toolbar buttons for a flat speed button in states 2 to 5,
// the push button of the state otherwise.
TThemedElementDetails ThemedButtonElement(bool FlatSpeedButton, int State);
// The images side by side in a glyph: width / height when the width is a whole number (1 to 4)
// of heights, else 1.
int GlyphImageCount(QSize Glyph);
// The image (1 to 4) a themed button shows: 2 when disabled (with 2 images or more); a bitmap
// button 3 when pressed (3 or more); a speed button 3 when held down (3 or more), 4 when staying
// down (4); otherwise 1.
int ThemedGlyphImage(bool SpeedButton, bool Enabled, bool Pressed, bool Down, bool Exclusive, int ImageCount);
// A track bar's backgrounds: the ticks item covers the client rectangle, less the focus border
// while the focus rectangle shows; the channel strip is the channel stretched over the client
// width (horizontal) or height (vertical), less the focus border on each side while it shows.
QRect TrackBarTicksRect(const QRect& Client, bool FocusShown, int FocusWidth, int FocusHeight);
QRect TrackBarChannelStrip(const QRect& Client, const QRect& Channel, bool Horizontal, bool FocusShown,
                           int FocusWidth, int FocusHeight);

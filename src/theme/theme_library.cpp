#include "theme/theme_library.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>
#include <qdrawutil.h>

#include <map>

namespace {
const char* const kClassNames[ThemedElementCount] = {
    "button", "clock", "combobox", "edit", "explorerbar", "header", "listview", "menu", "page", "progress", "rebar", "scrollbar",
    "spin", "startpanel", "status", "tab", "taskband", "taskbar", "toolbar", "tooltip", "trackbar", "traynotify", "treeview", "window"};

std::mutex& LibraryLock() {
  static std::mutex lock;
  return lock;
}

TThemeLibraryBinding& Binding() {
  static TThemeLibraryBinding binding;
  return binding;
}

bool& LibraryPresentFlag() {
  static bool present = true;
  return present;
}
bool& StylesOnFlag() {
  static bool on = true;
  return on;
}
uint32_t& AppProperties() {
  static uint32_t props = STAP_ALLOW_NONCLIENT | STAP_ALLOW_CONTROLS | STAP_ALLOW_WEBCONTENT;
  return props;
}

// The open theme handles: the element class and the window each was opened for.
struct TOpenTheme {
  int Element = -1;
  QPointer<QWidget> Window;
};
std::map<HTHEME, TOpenTheme>& OpenThemes() {
  static std::map<HTHEME, TOpenTheme> themes;
  return themes;
}
HTHEME& NextTheme() {
  static HTHEME next = 1;
  return next;
}

// Entry points that the program binds and never calls.
void UnusedEntryPoint() {}

// The entry points the program calls, each bound by name.
const std::map<std::string, TThemeEntryPoint>& ImplementedEntryPoints() {
  static const std::map<std::string, TThemeEntryPoint> table = {
      {"OpenThemeData", reinterpret_cast<TThemeEntryPoint>(&OpenThemeData)},
      {"CloseThemeData", reinterpret_cast<TThemeEntryPoint>(&CloseThemeData)},
      {"DrawThemeBackground", reinterpret_cast<TThemeEntryPoint>(&DrawThemeBackground)},
      {"DrawThemeText", reinterpret_cast<TThemeEntryPoint>(&DrawThemeText)},
      {"GetThemeBackgroundContentRect", reinterpret_cast<TThemeEntryPoint>(&GetThemeBackgroundContentRect)},
      {"DrawThemeEdge", reinterpret_cast<TThemeEntryPoint>(&DrawThemeEdge)},
      {"IsThemeBackgroundPartiallyTransparent", reinterpret_cast<TThemeEntryPoint>(&IsThemeBackgroundPartiallyTransparent)},
      {"DrawThemeParentBackground", reinterpret_cast<TThemeEntryPoint>(&DrawThemeParentBackground)},
      {"IsAppThemed", reinterpret_cast<TThemeEntryPoint>(&IsAppThemed)},
      {"IsThemeActive", reinterpret_cast<TThemeEntryPoint>(&IsThemeActive)},
      {"GetThemeAppProperties", reinterpret_cast<TThemeEntryPoint>(&GetThemeAppProperties)},
      {"SetThemeAppProperties", reinterpret_cast<TThemeEntryPoint>(&SetThemeAppProperties)},
      {"EnableThemeDialogTexture", reinterpret_cast<TThemeEntryPoint>(&EnableThemeDialogTexture)},
  };
  return table;
}

QStyle* AppStyle() { return qApp ? QApplication::style() : nullptr; }

int ElementOf(HTHEME theme) {
  const auto it = OpenThemes().find(theme);
  return it == OpenThemes().end() ? -1 : it->second.Element;
}

// Style option state from a part's state number: which states are hot, pressed, disabled, and on.
void ApplyState(QStyleOption& o, bool hot, bool pressed, bool disabled) {
  o.state = QStyle::State_None;
  if (!disabled) o.state |= QStyle::State_Enabled;
  if (hot) o.state |= QStyle::State_MouseOver;
  if (pressed) o.state |= QStyle::State_Sunken;
  else o.state |= QStyle::State_Raised;
}

QPalette PaletteOf(HTHEME theme) {
  const auto it = OpenThemes().find(theme);
  if (it != OpenThemes().end() && it->second.Window) return it->second.Window->palette();
  return QApplication::palette();
}
}  // namespace

const char* ThemedElementClassName(TThemedElement element) {
  return element >= 0 && element < ThemedElementCount ? kClassNames[element] : "";
}

const std::vector<std::string>& ThemeEntryPointNames() {
  static const std::vector<std::string> names = {
      "OpenThemeData", "CloseThemeData", "DrawThemeBackground", "DrawThemeText", "GetThemeBackgroundContentRect",
      "GetThemePartSize", "GetThemeTextExtent", "GetThemeTextMetrics", "GetThemeBackgroundRegion",
      "HitTestThemeBackground", "DrawThemeEdge", "DrawThemeIcon", "IsThemePartDefined",
      "IsThemeBackgroundPartiallyTransparent", "GetThemeColor", "GetThemeMetric", "GetThemeString", "GetThemeBool",
      "GetThemeInt", "GetThemeEnumValue", "GetThemePosition", "GetThemeFont", "GetThemeRect", "GetThemeMargins",
      "GetThemeIntList", "GetThemePropertyOrigin", "SetWindowTheme", "GetThemeFilename", "GetThemeSysColor",
      "GetThemeSysColorBrush", "GetThemeSysBool", "GetThemeSysSize", "GetThemeSysFont", "GetThemeSysString",
      "GetThemeSysInt", "IsThemeActive", "IsAppThemed", "GetWindowTheme", "EnableThemeDialogTexture",
      "IsThemeDialogTextureEnabled", "GetThemeAppProperties", "SetThemeAppProperties", "GetCurrentThemeName",
      "GetThemeDocumentationProperty", "DrawThemeParentBackground", "EnableTheming"};
  return names;
}

const TThemeLibraryBinding& ThemeLibrary() { return Binding(); }

TThemeEntryPoint ThemeEntryPoint(const std::string& Name) {
  std::lock_guard<std::mutex> guard(LibraryLock());
  for (const auto& [name, entry] : Binding().EntryPoints)
    if (name == Name) return entry;
  return nullptr;
}

bool InitThemeLibrary() {
  std::lock_guard<std::mutex> guard(LibraryLock());
  TThemeLibraryBinding& b = Binding();
  ++b.RefCount;
  if (b.Handle == 0 && LibraryPresentFlag() && AppStyle()) {
    b.Handle = 1;
    b.EntryPoints.clear();
    for (const std::string& name : ThemeEntryPointNames()) {
      const auto it = ImplementedEntryPoints().find(name);
      b.EntryPoints.emplace_back(name, it != ImplementedEntryPoints().end() ? it->second : &UnusedEntryPoint);
    }
  }
  return b.Handle != 0;
}

void FreeThemeLibrary() {
  std::lock_guard<std::mutex> guard(LibraryLock());
  TThemeLibraryBinding& b = Binding();
  if (b.RefCount > 0) --b.RefCount;
  if (b.Handle != 0 && b.RefCount == 0) {
    b.Handle = 0;
    for (auto& entry : b.EntryPoints) entry.second = nullptr;
  }
}

bool UseThemes() { return ThemeLibrary().Handle != 0 && IsAppThemed() && IsThemeActive(); }

void SetThemeLibraryPresent(bool present) { LibraryPresentFlag() = present; }
bool ThemeLibraryPresent() { return LibraryPresentFlag(); }
void SetVisualStylesEnabled(bool on) { StylesOnFlag() = on; }
bool VisualStylesEnabled() { return StylesOnFlag(); }
uint32_t CommonControlsVersion() { return 0x60000; }

bool IsAppThemed() { return AppStyle() != nullptr && StylesOnFlag(); }

bool IsThemeActive() {
  QStyle* style = AppStyle();
  return style && StylesOnFlag() && style->name().compare("windows", Qt::CaseInsensitive) != 0;
}

uint32_t GetThemeAppProperties() { return AppProperties(); }
void SetThemeAppProperties(uint32_t Flags) { AppProperties() = Flags & 7u; }

int EnableThemeDialogTexture(QWidget* Window, uint32_t Flags) {
  if (!Window) return -1;
  Window->setProperty("kvThemeDialogTexture", int(Flags));
  return 0;
}

HTHEME OpenThemeData(QWidget* Window, const QString& ClassList) {
  for (int e = 0; e < ThemedElementCount; ++e) {
    if (ClassList.compare(kClassNames[e], Qt::CaseInsensitive) == 0) {
      if (!UseThemes()) return 0;
      const HTHEME h = NextTheme()++;
      OpenThemes()[h] = TOpenTheme{e, Window};
      return h;
    }
  }
  return 0;
}

int CloseThemeData(HTHEME Theme) { return OpenThemes().erase(Theme) ? 0 : -1; }

int OpenThemeHandleCount() { return int(OpenThemes().size()); }

int DrawThemeBackground(HTHEME Theme, QPainter& DC, int Part, int State, const QRect& Rect, const QRect* Clip) {
  const int element = ElementOf(Theme);
  QStyle* style = AppStyle();
  if (element < 0 || !style) return -1;
  DC.save();
  if (Clip) DC.setClipRect(*Clip, Qt::IntersectClip);
  QStyleOption o;
  o.rect = Rect;
  o.palette = PaletteOf(Theme);
  switch (element) {
    case teButton:
      if (Part == 1 || Part == 5) {  // push button: normal, hot, pressed, disabled, defaulted
        QStyleOptionButton b;
        b.rect = Rect;
        b.palette = o.palette;
        ApplyState(b, State == 2, State == 3, State == 4);
        if (State == 5) b.features |= QStyleOptionButton::DefaultButton;
        style->drawPrimitive(QStyle::PE_PanelButtonCommand, &b, &DC);
      } else if (Part == 2 || Part == 3) {  // radio button, check box: 4 states each of off, on, mixed
        QStyleOptionButton b;
        b.rect = Rect;
        b.palette = o.palette;
        const int kind = (State - 1) / 4, sub = (State - 1) % 4;
        ApplyState(b, sub == 1, sub == 2, sub == 3);
        b.state |= kind == 0 ? QStyle::State_Off : kind == 1 ? QStyle::State_On : QStyle::State_NoChange;
        style->drawPrimitive(Part == 2 ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox, &b, &DC);
      } else if (Part == 4) {  // group box: normal, disabled
        // An etched frame exactly over the rectangle (the style's own group box frame moves down
        // by a caption height of its own, which the caller has already allowed for).
        const QPalette palette = State == 2 ? QPalette(o.palette.color(QPalette::Disabled, QPalette::Window)) : o.palette;
        qDrawShadeRect(&DC, Rect, palette, true, 1, 0);
      }
      break;
    case teEdit: {
      QStyleOptionFrame f;
      f.rect = Rect;
      f.palette = o.palette;
      ApplyState(f, State == 2, false, State == 4);
      f.lineWidth = 1;
      style->drawPrimitive(QStyle::PE_FrameLineEdit, &f, &DC);
      break;
    }
    case teStatus:
      DC.fillRect(Rect, o.palette.window());
      if (Part == 3) {
        QStyleOption g = o;
        style->drawControl(QStyle::CE_SizeGrip, &g, &DC);
      }
      break;
    case teTab:
      if (Part == 9) {
        QStyleOptionTabWidgetFrame f;
        f.rect = Rect;
        f.palette = o.palette;
        style->drawPrimitive(QStyle::PE_FrameTabWidget, &f, &DC);
      } else {
        DC.fillRect(Rect, o.palette.window());
      }
      break;
    case teToolBar: {
      QStyleOptionToolButton t;
      t.rect = Rect;
      t.palette = o.palette;
      ApplyState(t, State == 2 || State == 6, State == 3, State == 4);
      t.state |= QStyle::State_AutoRaise;
      if (State == 5 || State == 6) t.state |= QStyle::State_On;
      if (State != 1 && State != 4) style->drawPrimitive(QStyle::PE_PanelButtonTool, &t, &DC);
      break;
    }
    case teRebar:
      qDrawShadePanel(&DC, Rect, o.palette, false, 1);
      break;
    default:
      DC.fillRect(Rect, o.palette.window());
      break;
  }
  DC.restore();
  return 0;
}

int DrawThemeText(HTHEME Theme, QPainter& DC, int Part, int State, const QString& Text, int Count, uint32_t Flags,
                  uint32_t, const QRect& Rect) {
  if (ElementOf(Theme) < 0) return -1;
  const QString text = Count < 0 ? Text : Text.left(Count);
  int align = Flags & DT_CENTER ? Qt::AlignHCenter : Flags & DT_RIGHT ? Qt::AlignRight : Qt::AlignLeft;
  align |= Flags & DT_VCENTER ? Qt::AlignVCenter : Qt::AlignTop;
  const QPalette pal = PaletteOf(Theme);
  const bool disabled = (ElementOf(Theme) == teButton && ((Part == 4 && State == 2) || (Part == 1 && State == 4)));
  DC.save();
  DC.setPen(pal.color(disabled ? QPalette::Disabled : QPalette::Active, QPalette::WindowText));
  DC.drawText(Rect, align | Qt::TextSingleLine, text);
  DC.restore();
  return 0;
}

int GetThemeBackgroundContentRect(HTHEME Theme, QPainter*, int Part, int, const QRect& Bounding, QRect& Content) {
  const int element = ElementOf(Theme);
  if (element < 0) return -1;
  int margin = 2;
  if (element == teButton && (Part == 1 || Part == 5)) margin = 3;
  if (element == teToolBar) margin = 3;
  Content = Bounding.adjusted(margin, margin, -margin, -margin);
  return 0;
}

int DrawThemeEdge(HTHEME Theme, QPainter& DC, int, int, const QRect& Dest, uint32_t Edge, uint32_t, QRect* Content) {
  if (ElementOf(Theme) < 0) return -1;
  const bool sunken = Edge & (BDR_SUNKENOUTER | BDR_SUNKENINNER);
  const int width = (Edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) && (Edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) ? 2 : 1;
  qDrawShadePanel(&DC, Dest, PaletteOf(Theme), sunken, width);
  if (Content) *Content = Dest.adjusted(width, width, -width, -width);
  return 0;
}

bool IsThemeBackgroundPartiallyTransparent(HTHEME Theme, int Part, int) {
  const int element = ElementOf(Theme);
  // Buttons have rounded corners, radio buttons and check boxes are not square, a group box's
  // inside shows its parent; the other elements cover their rectangles.
  return element == teButton && Part >= 1 && Part <= 4;
}

int DrawThemeParentBackground(QWidget* Window, QPainter& DC, const QRect* Rect) {
  if (!Window) return -1;
  QWidget* parent = Window->parentWidget();
  const QWidget* source = parent ? parent : Window;
  const QRect area = Rect ? *Rect : Window->rect();
  DC.fillRect(area, source->palette().brush(source->backgroundRole()));
  return 0;
}

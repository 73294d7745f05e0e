#include "theme/theme_services.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStyle>

// ---------------------------------------------------------------- messages and the application window

QEvent::Type TWinMessageEvent::EventType() {
  static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
  return type;
}

intptr_t SendWinMessage(QObject* target, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  if (!target) return 0;
  TWinMessageEvent event(msg, wParam, lParam);
  QCoreApplication::sendEvent(target, &event);
  return event.Result;
}

void PostWinMessage(QObject* target, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  if (target) QCoreApplication::postEvent(target, new TWinMessageEvent(msg, wParam, lParam));
}

TApplicationWindow::TApplicationWindow() : QWidget(nullptr, Qt::Tool) {
  setObjectName("ApplicationWindow");
  setAttribute(Qt::WA_DontShowOnScreen);
  // A polished widget is told when the application's style changes.
  ensurePolished();
}

int TApplicationWindow::AddHook(THook hook) {
  Hooks.emplace_back(NextHook, std::move(hook));
  return NextHook++;
}

void TApplicationWindow::RemoveHook(int id) {
  for (auto it = Hooks.begin(); it != Hooks.end(); ++it)
    if (it->first == id) {
      Hooks.erase(it);
      return;
    }
}

bool TApplicationWindow::event(QEvent* event) {
  if (event->type() == QEvent::StyleChange || event->type() == QEvent::ThemeChange) {
    TWinMessageEvent changed(WM_THEMECHANGED);
    TApplicationWindow::event(&changed);
    return QWidget::event(event);
  }
  if (event->type() == TWinMessageEvent::EventType()) {
    auto& message = static_cast<TWinMessageEvent&>(*event);
    // A hook may remove itself or others while it runs: walk a copy.
    const auto hooks = Hooks;
    for (const auto& [id, hook] : hooks) hook(message);
    if (WindowProc) WindowProc(message);
    return true;
  }
  return QWidget::event(event);
}

TApplicationWindow* ApplicationWindow() {
  static QPointer<TApplicationWindow> window;
  if (!window && qApp) window = new TApplicationWindow();
  return window;
}

// ---------------------------------------------------------------- element details

namespace {
struct TRun {
  int First, Last, Part;
};

TThemedElementDetails Details(TThemedElement element, int value, std::initializer_list<TRun> runs) {
  TThemedElementDetails d;
  d.Element = element;
  if (value <= 1) {
    d.Part = 0;
    d.State = value + 1;
    return d;
  }
  for (const TRun& r : runs)
    if (value >= r.First && value <= r.Last) {
      d.Part = r.Part;
      d.State = value - r.First + 1;
      return d;
    }
  d.Part = 0;
  d.State = value + 1;
  return d;
}

TThemeServices*& ServicesInstance() {
  static TThemeServices* services = nullptr;
  return services;
}
}  // namespace

TThemedElementDetails TThemeServices::GetElementDetails(TThemedButton v) {
  return Details(teButton, int(v), {{2, 6, 1}, {7, 14, 2}, {15, 26, 3}, {27, 28, 4}, {29, 29, 5}});
}
TThemedElementDetails TThemeServices::GetElementDetails(TThemedEdit v) { return Details(teEdit, int(v), {{2, 8, 1}, {9, 9, 2}}); }
TThemedElementDetails TThemeServices::GetElementDetails(TThemedRebar v) {
  return Details(teRebar, int(v), {{2, 2, 1}, {3, 3, 2}, {4, 9, 3}, {10, 13, 4}, {14, 17, 5}});
}
TThemedElementDetails TThemeServices::GetElementDetails(TThemedStatus v) {
  return Details(teStatus, int(v), {{2, 2, 1}, {3, 3, 2}, {4, 4, 3}});
}
TThemedElementDetails TThemeServices::GetElementDetails(TThemedTab v) {
  return Details(teTab, int(v), {{2, 6, 1}, {7, 11, 2}, {12, 16, 3}, {17, 21, 4}, {22, 26, 5}, {27, 31, 6}, {32, 36, 7},
                                 {37, 41, 8}, {42, 42, 9}, {43, 43, 10}});
}
TThemedElementDetails TThemeServices::GetElementDetails(TThemedToolBar v) {
  return Details(teToolBar, int(v), {{2, 7, 1}, {8, 13, 2}, {14, 19, 3}, {20, 25, 4}, {26, 31, 5}, {32, 37, 6}});
}
TThemedElementDetails TThemeServices::GetElementDetails(TThemedTrackBar v) {
  return Details(teTrackBar, int(v), {{2, 2, 1}, {3, 3, 2}, {4, 8, 3}, {9, 13, 4}, {14, 18, 5}, {19, 23, 6}, {24, 28, 7},
                                      {29, 33, 8}, {34, 34, 9}, {35, 35, 10}});
}

// ---------------------------------------------------------------- the services

TThemeServices::TThemeServices(QWidget* window) : Window(window) {
  if (auto* app = qobject_cast<TApplicationWindow*>(window)) {
    auto previous = app->WindowProc;
    app->WindowProc = [this, previous](TWinMessageEvent& m) {
      WatchedWindowProc(m);
      if (previous) previous(m);
    };
  }
  ThemesAvailable = InitThemeLibrary();
  UpdateThemes();
}

TThemeServices::~TThemeServices() {
  if (auto* app = qobject_cast<TApplicationWindow*>(Window.data())) app->WindowProc = nullptr;
  UnloadThemeData();
  FreeThemeLibrary();
  if (ServicesInstance() == this) ServicesInstance() = nullptr;
}

void TThemeServices::WatchedWindowProc(TWinMessageEvent& message) {
  if (message.Msg == WM_THEMECHANGED) {
    UpdateThemes();
    DoOnThemeChange();
  } else if (message.Msg == WM_DESTROY) {
    if (auto* app = qobject_cast<TApplicationWindow*>(Window.data())) app->WindowProc = nullptr;
  }
}

void TThemeServices::UpdateThemes() {
  if (ThemesUsable) UnloadThemeData();
  ThemesUsable = UseThemes() && CommonControlsVersion() >= 0x60000;
  ControlsEnabled = ThemesUsable && (GetThemeAppProperties() & STAP_ALLOW_CONTROLS) != 0;
}

void TThemeServices::UnloadThemeData() {
  for (HTHEME& h : Themes)
    if (h != 0) {
      CloseThemeData(h);
      h = 0;
    }
}

void TThemeServices::DoOnThemeChange() {
  if (OnThemeChange) OnThemeChange();
}

HTHEME TThemeServices::GetTheme(TThemedElement Element) {
  HTHEME& h = Themes[size_t(Element)];
  if (ThemesUsable && h == 0) h = OpenThemeData(Window, ThemedElementClassName(Element));
  return h;
}

void TThemeServices::DrawElement(QPainter& DC, const TThemedElementDetails& D, const QRect& R) {
  DrawThemeBackground(GetTheme(D.Element), DC, D.Part, D.State, R, nullptr);
}

void TThemeServices::DrawEdge(QPainter& DC, const TThemedElementDetails& D, const QRect& R, uint32_t Edge, uint32_t Flags,
                              QRect* Content) {
  DrawThemeEdge(GetTheme(D.Element), DC, D.Part, D.State, R, Edge, Flags, Content);
}

QRect TThemeServices::ContentRect(QPainter& DC, const TThemedElementDetails& D, const QRect& Bounding) {
  QRect content = Bounding;
  GetThemeBackgroundContentRect(GetTheme(D.Element), &DC, D.Part, D.State, Bounding, content);
  return content;
}

void TThemeServices::DrawText(QPainter& DC, const TThemedElementDetails& D, const QString& S, const QRect& R, uint32_t Flags,
                              uint32_t Flags2) {
  DrawThemeText(GetTheme(D.Element), DC, D.Part, D.State, S, int(S.size()), Flags, Flags2, R);
}

void TThemeServices::DrawParentBackground(QWidget* W, QPainter& DC, const TThemedElementDetails* D, bool OnlyIfTransparent,
                                          const QRect* Bounds) {
  bool draw = true;
  if (OnlyIfTransparent && D) draw = IsThemeBackgroundPartiallyTransparent(GetTheme(D->Element), D->Part, D->State);
  if (draw) DrawThemeParentBackground(W, DC, Bounds);
}

void TThemeServices::PaintBorder(QWidget* Control, QPainter& DC, bool EraseLRCorner) {
  auto* area = qobject_cast<QAbstractScrollArea*>(Control);
  if (!area || area->frameShape() == QFrame::NoFrame) return;  // only controls with a client edge
  const QRect r = Control->rect();
  const QRect inner = r.adjusted(2, 2, -2, -2);
  if (EraseLRCorner && area->horizontalScrollBar()->isVisible() && area->verticalScrollBar()->isVisible()) {
    const int w = area->verticalScrollBar()->width(), h = area->horizontalScrollBar()->height();
    DC.fillRect(QRect(inner.right() - w + 1, inner.bottom() - h + 1, w, h), Control->palette().button());
  }
  DC.save();
  QPainterPath ring;
  ring.addRect(r);
  ring.addRect(inner);
  DC.setClipPath(ring);
  DrawElement(DC, GetElementDetails(TThemedEdit::EditTextNormal), r);
  DC.restore();
}

TThemeServices* ThemeServices() {
  if (!ServicesInstance()) ServicesInstance() = new TThemeServices(ApplicationWindow());
  return ServicesInstance();
}

void FreeThemeServices() { delete ServicesInstance(); }

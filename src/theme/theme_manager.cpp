#include "theme/theme_manager.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

TThemeManager* MainThemeManager = nullptr;

std::mutex& MainThemeManagerLock() {
  static std::mutex lock;
  return lock;
}

uint32_t MessageNumberOf(const QEvent* event) {
  switch (event->type()) {
    case QEvent::Paint: return 15;
    case QEvent::KeyPress: return 256;
    case QEvent::Enter: return 45075;
    case QEvent::Leave: return 45076;
    case QEvent::ChildAdded: return 45100;
    default: return 0x10000u + uint32_t(event->type());
  }
}

// ---------------------------------------------------------------- classes of controls

bool IsThemeServedWidget(const QWidget* w) {
  if (!w) return false;
  const Qt::WindowType type = w->windowType();
  if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop) return false;
  if (qobject_cast<const QMenu*>(w)) return false;
  if (qobject_cast<const TApplicationWindow*>(w)) return false;
  return true;
}

bool IsButtonControl(const QWidget* w) {
  return qobject_cast<const QPushButton*>(w) || qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w);
}
bool IsSpeedButton(const QWidget* w) { return qobject_cast<const QToolButton*>(w) != nullptr; }
bool IsTabSheet(const QWidget* w) {
  const QWidget* stack = w ? w->parentWidget() : nullptr;
  return stack && qobject_cast<const QStackedWidget*>(stack) && stack->parentWidget() &&
         qobject_cast<const QTabWidget*>(stack->parentWidget());
}
bool IsPanel(const QWidget* w) {
  if (!w || !qobject_cast<const QFrame*>(w)) return false;
  const QString name = w->metaObject()->className();
  return name == "QFrame" || name == "TMyPanel";
}
bool IsForm(const QWidget* w) { return w && w->isWindow() && IsThemeServedWidget(w); }

namespace {
bool IsClass(const QWidget* w, TControlClass c) {
  if (!IsThemeServedWidget(w)) return false;
  switch (c) {
    case ccButton: return IsButtonControl(w);
    case ccSpeedButton: return IsSpeedButton(w);
    case ccGroupBox: return qobject_cast<const QGroupBox*>(w) != nullptr;
    case ccTabSheet: return IsTabSheet(w);
    case ccPanel: return IsPanel(w);
    case ccFrame: return w->inherits("TFrame");
    case ccListView: return qobject_cast<const QAbstractItemView*>(w) && !qobject_cast<const QListWidget*>(w);
    case ccTrackBar: return qobject_cast<const QSlider*>(w) != nullptr;
    case ccCheckListBox: return qobject_cast<const QListWidget*>(w) != nullptr;
    case ccStatusBar: return qobject_cast<const QStatusBar*>(w) != nullptr;
    case ccAnimate: {
      auto* label = qobject_cast<const QLabel*>(w);
      return label && label->movie();
    }
    case ccForm: return IsForm(w);
    case ccWinControl: return true;
  }
  return false;
}

// The filter object of one class: every event of a served control goes to the handler of its
// class on the manager in charge.
class TWindowProcForwarder : public QObject {
public:
  explicit TWindowProcForwarder(TControlClass c) : Class(c) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!MainThemeManager || !watched->isWidgetType()) return false;
    return MainThemeManager->HandleControlEvent(Class, static_cast<QWidget*>(watched), event);
  }
  TControlClass Class;
};
}  // namespace

// ---------------------------------------------------------------- window-procedure lists

TWindowProcList::TWindowProcList(TThemeManager* owner, TControlClass c)
    : Owner(owner), FClass(c), FForwarder(new TWindowProcForwarder(c)) {}

TWindowProcList::~TWindowProcList() {
  Clear();
  delete FForwarder;
}

std::vector<QWidget*> TWindowProcList::Controls() const {
  std::vector<QWidget*> result;
  for (const TRec& r : Items)
    if (r.Widget) result.push_back(r.Widget);
  return result;
}

int TWindowProcList::Add(QWidget* Control) {
  int index = 0;
  if (!Control || !IsClass(Control, FClass) || Find(Control, index)) return -1;
  TRec rec;
  rec.Control = Control;
  rec.Widget = Control;
  QObject* key = Control;
  rec.Destroyed = QObject::connect(Control, &QObject::destroyed, FForwarder, [this, key] { Forget(key); });
  Control->installEventFilter(FForwarder);
  Items.push_back(std::move(rec));
  Dirty = true;
  CacheControl = nullptr;
  return int(Items.size()) - 1;
}

bool TWindowProcList::Find(const QObject* Control, int& Index) {
  if (Control && Control == CacheControl && CacheIndex >= 0 && CacheIndex < int(Items.size()) &&
      Items[size_t(CacheIndex)].Control == Control) {
    Index = CacheIndex;
    return true;
  }
  if (Dirty && Items.size() >= 2) {
    std::sort(Items.begin(), Items.end(), [](const TRec& a, const TRec& b) { return std::less<const QObject*>()(a.Control, b.Control); });
  }
  Dirty = false;
  const auto it = std::lower_bound(Items.begin(), Items.end(), Control,
                                   [](const TRec& r, const QObject* c) { return std::less<const QObject*>()(r.Control, c); });
  Index = int(it - Items.begin());
  if (it != Items.end() && it->Control == Control) {
    CacheControl = Control;
    CacheIndex = Index;
    return true;
  }
  return false;
}

bool TWindowProcList::Contains(const QObject* Control) {
  int index = 0;
  return Find(Control, index);
}

bool TWindowProcList::Dispatch(QWidget* Control, QEvent* Event) {
  int index = 0;
  if (!Find(Control, index)) return false;
  if (Event->type() == TWinMessageEvent::EventType() && static_cast<TWinMessageEvent*>(Event)->Msg == CM_RECREATEWND &&
      MainThemeManager)
    MainThemeManager->AddRecreationCandidate(Control);
  return false;
}

void TWindowProcList::Remove(QObject* Control) {
  int index = 0;
  if (Find(Control, index)) {
    TRec rec = Items[size_t(index)];
    Items.erase(Items.begin() + index);
    QObject::disconnect(rec.Destroyed);
    if (rec.Widget) {
      rec.Widget->removeEventFilter(FForwarder);
      Owner->ReleaseChildren(rec.Widget);
    }
  }
  CacheControl = nullptr;
  if (MainThemeManager) {
    auto& r = MainThemeManager->RecreationList;
    r.erase(std::remove(r.begin(), r.end(), Control), r.end());
  }
}

void TWindowProcList::Forget(QObject* Control) {
  int index = 0;
  if (Find(Control, index)) Items.erase(Items.begin() + index);
  CacheControl = nullptr;
  if (Owner) {
    auto& r = Owner->RecreationList;
    r.erase(std::remove(r.begin(), r.end(), Control), r.end());
    Owner->RemovePending(Control);
  }
}

void TWindowProcList::Clear() {
  while (!Items.empty()) {
    TRec rec = Items.front();
    Items.erase(Items.begin());
    QObject::disconnect(rec.Destroyed);
    if (rec.Widget) rec.Widget->removeEventFilter(FForwarder);
  }
  CacheControl = nullptr;
  Dirty = false;
}

// ---------------------------------------------------------------- the manager

TThemeManager::TThemeManager(QObject* owner, bool designing) : QObject(owner), FDesigning(designing) {
  setObjectName("ThemeManager1");
  for (int c = 0; c < ControlClassCount; ++c) Lists.push_back(std::make_unique<TWindowProcList>(this, TControlClass(c)));
  FOptions = DefaultThemeOptions;
  ThemeServices();  // binds the library and watches the application window
  if (!FDesigning) {
    HookId = ApplicationWindow()->AddHook([this](TWinMessageEvent& m) { MainWindowHook(m); });
    std::lock_guard<std::mutex> guard(MainThemeManagerLock());
    if (!MainThemeManager) {
      MainThemeManager = this;
    } else {
      FSubManager = true;
      FOptions = MainThemeManager->FOptions;
    }
  } else {
    FSubManager = true;
  }
  if (MainThemeManager == this) {
    qApp->installEventFilter(this);
    AppFilterInstalled = true;
  }
}

TThemeManager::~TThemeManager() {
  if (AppFilterInstalled) qApp->removeEventFilter(this);
  Lists.clear();  // releases every control
  PendingForms.clear();
  PendingControls.clear();
  RecreationList.clear();
  if (!FDesigning) {
    if (ApplicationWindow()) ApplicationWindow()->RemoveHook(HookId);
    bool released = false;
    {
      std::lock_guard<std::mutex> guard(MainThemeManagerLock());
      if (MainThemeManager == this) {
        MainThemeManager = nullptr;
        released = true;
      }
    }
    if (released && ApplicationWindow()) SendWinMessage(ApplicationWindow(), TM_MANAGERRELEASED);
  }
  Listeners.clear();
}

void TThemeManager::SetOptions(TThemeOptions Value) {
  TThemeManager* target = this;
  {
    std::lock_guard<std::mutex> guard(MainThemeManagerLock());
    if (FSubManager && MainThemeManager && MainThemeManager != this) target = MainThemeManager;
  }
  if (target != this) return target->SetOptions(Value);
  if (Value == FOptions) return;
  FOptions = Value;
  if (ThemeServices()->ThemesAvailable && MainThemeManager == this && !FDesigning) {
    SetThemeAppProperties(FOptions & 7u);
    if (!Loading) {
      UpdateThemes();
      BroadcastThemeChange();
      SendWinMessage(ApplicationWindow(), WM_THEMECHANGED);
      for (QWidget* w : QApplication::topLevelWidgets())
        if (IsForm(w)) {
          w->update();
          for (QWidget* child : w->findChildren<QWidget*>()) child->update();
        }
    }
  }
}

void TThemeManager::Loaded() {
  if (MainThemeManager == this && !FDesigning) CollectForms(nullptr);
}

void TThemeManager::Notification(QWidget* Component, bool Inserting) {
  if (FDesigning || !Component) return;
  if (Inserting) {
    if (!IsForm(Component)) return;
    if (FSubManager) {
      if (MainThemeManager && MainThemeManager != this) MainThemeManager->Notification(Component, true);
      return;
    }
    for (const auto& p : PendingForms)
      if (p == Component) return;
    PendingForms.emplace_back(Component);
    PostWinMessage(ApplicationWindow(), WM_NULL);
    return;
  }
  if (MainThemeManager == this) {
    RemovePending(Component);
    HandleControlChange(Component, false);
  }
}

void TThemeManager::RemovePending(QObject* Form) {
  PendingForms.erase(std::remove_if(PendingForms.begin(), PendingForms.end(),
                                    [Form](const QPointer<QWidget>& p) { return p.isNull() || p.data() == Form; }),
                     PendingForms.end());
}

void TThemeManager::AddRecreationCandidate(QWidget* Control) {
  if (std::find(RecreationList.begin(), RecreationList.end(), Control) == RecreationList.end())
    RecreationList.push_back(Control);
}

bool TThemeManager::DoAllowSubclassing(QWidget* Control) {
  bool allow = true;
  if (OnAllowSubclassing) OnAllowSubclassing(this, Control, allow);
  return allow;
}

bool TThemeManager::DoControlMessage(QWidget* Control, TControlMessage& Message) {
  bool handled = false;
  if (OnControlMessage) OnControlMessage(this, Control, Message, handled);
  for (size_t i = 0; !handled && i < Listeners.size();) {
    try {
      Listeners[i](this, Control, Message, handled);
      ++i;
    } catch (...) {
      // A listener that fails is dropped; the others still run.
      Listeners.erase(Listeners.begin() + long(i));
    }
  }
  return handled;
}

void TThemeManager::DoOnThemeChange() {
  if (OnThemeChange) OnThemeChange();
}

TWindowProcList* TThemeManager::ListOf(const QObject* Control) {
  for (auto& list : Lists)
    if (list->Contains(Control)) return list.get();
  return nullptr;
}

void TThemeManager::HandleControlChange(QWidget* Control, bool Inserting) {
  if (!Control) return;
  TWindowProcList* list = nullptr;
  if (!ThemeServices()->ThemesAvailable) {
    // Without the library only list views are served (their column messages need it).
    if ((HasOption(toSubclassListView) || !Inserting) && IsClass(Control, ccListView)) list = &List(ccListView);
  } else {
    struct TChoice {
      TControlClass Class;
      int Option;  // -1: always
    };
    static const TChoice order[] = {
        {ccButton, toSubclassButtons},       {ccSpeedButton, toSubclassSpeedButtons},
        {ccGroupBox, toSubclassGroupBox},    {ccTabSheet, toSubclassTabSheet},
        {ccPanel, toSubclassPanel},          {ccFrame, toSubclassFrame},
        {ccListView, toSubclassListView},    {ccTrackBar, toSubclassTrackBar},
        {ccCheckListBox, toSubclassCheckListbox}, {ccStatusBar, toSubclassStatusBar},
        {ccAnimate, toSubclassAnimate},      {ccForm, -1},
        {ccWinControl, toSubclassWinControl}};
    for (const TChoice& choice : order) {
      if (!IsClass(Control, choice.Class)) continue;
      if (!Inserting || choice.Option < 0 || HasOption(TThemeOption(choice.Option))) list = &List(choice.Class);
      break;
    }
    if (!list && !Inserting) {
      // Releasing ignores the options: whichever list holds the control lets it go.
      list = ListOf(Control);
    }
  }
  if (!list) return;
  const bool denied = Control->property("DenySubclassing").toBool();
  if (Inserting && DoAllowSubclassing(Control) && !denied) {
    list->Add(Control);
    if (list->Class() == ccForm) {
      CollectControls(Control);
      RemovePending(Control);
    }
  } else {
    list->Remove(Control);
    if (list->Class() == ccForm) RemovePending(Control);
  }
}

bool TThemeManager::NeedsBorderPaint(QWidget* Control) {
  return Control && (Control->inherits("QAbstractScrollArea") || Control->inherits("QTableView") ||
                     Control->inherits("QTextEdit"));
}

void TThemeManager::CollectForms(QWidget* Form) {
  if (MainThemeManager != this || FDesigning) return;
  if (Form) {
    HandleControlChange(Form, true);
  } else {
    ClearLists();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (IsForm(w)) HandleControlChange(w, true);
  }
  if (HasOption(toResetMouseCapture) || HasOption(toSetTransparency)) {
    if (Form) AdjustFormControls(Form);
    else
      for (QWidget* w : QApplication::topLevelWidgets())
        if (IsForm(w)) AdjustFormControls(w);
  }
}

void TThemeManager::CollectControls(QWidget* Parent) {
  if (MainThemeManager != this || FDesigning || !Parent) return;
  for (QObject* child : Parent->children()) {
    if (!child->isWidgetType()) continue;
    auto* w = static_cast<QWidget*>(child);
    if (w->isWindow()) continue;  // windows of their own are forms
    HandleControlChange(w, true);
    CollectControls(w);
  }
}

void TThemeManager::ClearLists() {
  List(ccListView).Clear();
  if (ThemeServices()->ThemesEnabled())
    for (int c = 0; c < ControlClassCount; ++c)
      if (c != ccListView) List(TControlClass(c)).Clear();
}

void TThemeManager::ReleaseOne(QObject* Control) {
  for (auto& list : Lists) {
    int index = 0;
    if (list->Find(Control, index)) {
      TWindowProcList::TRec rec = list->Items[size_t(index)];
      list->Items.erase(list->Items.begin() + index);
      list->CacheControl = nullptr;
      QObject::disconnect(rec.Destroyed);
      if (rec.Widget) rec.Widget->removeEventFilter(list->FForwarder);
    }
  }
}

void TThemeManager::ReleaseChildren(QWidget* Parent) {
  for (QObject* child : Parent->children()) {
    if (!child->isWidgetType()) continue;
    auto* w = static_cast<QWidget*>(child);
    if (w->isWindow()) continue;
    ReleaseChildren(w);  // the deepest first
    ReleaseOne(w);
  }
}

void TThemeManager::UpdateThemes() {
  ThemeServices()->UpdateThemes();
  if (ThemeServices()->ThemesAvailable && !FDesigning) {
    const uint32_t props = GetThemeAppProperties();
    FOptions &= ~7u;
    FOptions |= props & 7u;
  }
}

void TThemeManager::BroadcastThemeChange() {
  for (QWidget* form : QApplication::topLevelWidgets()) {
    if (!IsForm(form)) continue;
    SendWinMessage(form, WM_THEMECHANGED);
    for (QWidget* child : form->findChildren<QWidget*>()) SendWinMessage(child, WM_THEMECHANGED);
  }
}

void TThemeManager::AdjustFormControls(QWidget* Form) {
  if (!Form) return;
  for (QWidget* w : Form->findChildren<QWidget*>()) {
    if (ThemeServices()->ThemesEnabled()) EnableThemeDialogTexture(w, 6);
    if (HasOption(toSetTransparency) && (qobject_cast<QToolBar*>(w) || qobject_cast<QLabel*>(w)))
      w->setAutoFillBackground(false);
  }
}

void TThemeManager::MainWindowHook(TWinMessageEvent& Message) {
  if (Message.Msg == TM_MANAGERRELEASED && !FDesigning) {
    bool become = false;
    {
      std::lock_guard<std::mutex> guard(MainThemeManagerLock());
      if (!MainThemeManager) {
        MainThemeManager = this;
        FSubManager = false;
        become = true;
      }
    }
    if (become) {
      if (!AppFilterInstalled) {
        qApp->installEventFilter(this);
        AppFilterInstalled = true;
      }
      CollectForms(nullptr);
    }
  }
  while (!PendingForms.empty()) {
    QPointer<QWidget> form = PendingForms.front();
    PendingForms.erase(PendingForms.begin());
    if (!form) continue;
    List(ccForm).Add(form);
    if (MainThemeManager == this) CollectControls(form);
    if (HasOption(toResetMouseCapture) || HasOption(toSetTransparency)) AdjustFormControls(form);
    form->update();
  }
  while (!PendingControls.empty()) {
    QPointer<QWidget> control = PendingControls.front();
    PendingControls.erase(PendingControls.begin());
    if (!control || MainThemeManager != this) continue;
    HandleControlChange(control, true);
    CollectControls(control);
  }
  while (!RecreationList.empty()) RecreationList.erase(RecreationList.begin());
  if (Message.Msg == WM_THEMECHANGED) {
    UpdateThemes();
    DoOnThemeChange();
  }
}

bool TThemeManager::eventFilter(QObject* watched, QEvent* event) {
  // Windows come and go: a window shown is announced, a window closed lets its controls go.
  if (MainThemeManager == this && watched->isWidgetType()) {
    if (event->type() == QEvent::Show) {
      auto* w = static_cast<QWidget*>(watched);
      if (IsForm(w) && !List(ccForm).Contains(w)) Notification(w, true);
    } else if (event->type() == QEvent::Hide && !event->spontaneous()) {
      auto* w = static_cast<QWidget*>(watched);
      if (w->isWindow() && List(ccForm).Contains(w)) Notification(w, false);
    } else if (event->type() == QEvent::ChildAdded) {
      // A control added to a served window: collected at the next message, once it is built.
      QObject* child = static_cast<QChildEvent*>(event)->child();
      if (child && child->isWidgetType() && ListOf(watched)) {
        PendingControls.emplace_back(static_cast<QWidget*>(child));
        PostWinMessage(ApplicationWindow(), WM_NULL);
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

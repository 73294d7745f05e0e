// The visual-style layer: the library binding, the element details, theme changes, the manager's
// filters on every window's controls, several managers, and themed painting against the plain one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "theme/theme_manager.h"

namespace {
void Pump() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// A window with one control of each served class.
struct TTestWindow : QDialog {
  QPushButton* Push;
  QPushButton* Bitmap;
  QCheckBox* Check;
  QGroupBox* Group;
  QFrame* Panel;
  QToolButton* Speed;
  QSlider* Track;
  QTreeWidget* Tree;
  QListWidget* CheckList;
  QStatusBar* Status;
  QTabWidget* Tabs;
  QLineEdit* Edit;
  QLabel* Label;
  explicit TTestWindow(const QString& name) {
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Push = new QPushButton("&Push"));
    Bitmap = new QPushButton("Bitmap");
    QPixmap glyph(16, 16);
    glyph.fill(Qt::red);
    Bitmap->setIcon(QIcon(glyph));
    layout->addWidget(Bitmap);
    layout->addWidget(Check = new QCheckBox("Check"));
    layout->addWidget(Group = new QGroupBox("Group"));
    (new QVBoxLayout(Group))->addWidget(Label = new QLabel("in the group"));
    layout->addWidget(Panel = new QFrame);
    Panel->setFrameShape(QFrame::Panel);
    Panel->setFrameShadow(QFrame::Raised);
    Panel->setMinimumSize(40, 20);
    layout->addWidget(Speed = new QToolButton);
    Speed->setText("Speed");
    layout->addWidget(Track = new QSlider(Qt::Horizontal));
    layout->addWidget(Tree = new QTreeWidget);
    layout->addWidget(CheckList = new QListWidget);
    layout->addWidget(Tabs = new QTabWidget);
    Tabs->addTab(new QWidget, "Sheet");
    layout->addWidget(Edit = new QLineEdit("text"));
    layout->addWidget(Status = new QStatusBar);
    resize(300, 600);
  }
  std::vector<QWidget*> Controls() const {
    return {Push, Bitmap, Check, Group, Panel, Speed, Track, Tree, CheckList, Tabs->widget(0), Edit, Label, Status};
  }
};

struct ThemeTest : ::testing::Test {
  void SetUp() override {
    SetThemeLibraryPresent(true);
    SetVisualStylesEnabled(true);
    ThemeServices()->UpdateThemes();
  }
  void TearDown() override {
    SetThemeLibraryPresent(true);
    SetVisualStylesEnabled(true);
    FreeThemeServices();
  }
};

TEST_F(ThemeTest, LibraryBindingCountsRequests) {
  FreeThemeServices();
  ASSERT_EQ(ThemeLibrary().RefCount, 0);
  ASSERT_TRUE(InitThemeLibrary());
  ASSERT_TRUE(InitThemeLibrary());
  EXPECT_EQ(ThemeLibrary().EntryPoints.size(), 46u);
  FreeThemeLibrary();
  EXPECT_NE(ThemeLibrary().Handle, 0);
  EXPECT_NE(ThemeEntryPoint("DrawThemeBackground"), nullptr);
  FreeThemeLibrary();
  EXPECT_EQ(ThemeLibrary().Handle, 0);
  for (const auto& e : ThemeLibrary().EntryPoints) EXPECT_EQ(e.second, nullptr) << e.first;
  // Without the library a request still counts, and nothing is bound.
  SetThemeLibraryPresent(false);
  EXPECT_FALSE(InitThemeLibrary());
  EXPECT_EQ(ThemeLibrary().RefCount, 1);
  EXPECT_EQ(ThemeEntryPoint("OpenThemeData"), nullptr);
  FreeThemeLibrary();
}

TEST_F(ThemeTest, ElementDetails) {
  using S = TThemeServices;
  EXPECT_EQ(S::GetElementDetails(TThemedButton(20)), (TThemedElementDetails{teButton, 3, 6}));
  EXPECT_EQ(S::GetElementDetails(TThemedTab(42)), (TThemedElementDetails{teTab, 9, 1}));
  EXPECT_EQ(S::GetElementDetails(TThemedTrackBar(4)), (TThemedElementDetails{teTrackBar, 3, 1}));
  EXPECT_EQ(S::GetElementDetails(TThemedButton::GroupBoxNormal), (TThemedElementDetails{teButton, 4, 1}));
  EXPECT_EQ(S::GetElementDetails(TThemedButton::Root), (TThemedElementDetails{teButton, 0, 2}));
  EXPECT_EQ(S::GetElementDetails(TThemedStatus(9)), (TThemedElementDetails{teStatus, 0, 10}));  // outside every run
  EXPECT_EQ(S::GetElementDetails(TThemedToolBar(37)), (TThemedElementDetails{teToolBar, 6, 6}));
  EXPECT_EQ(S::GetElementDetails(TThemedEdit::Caret), (TThemedElementDetails{teEdit, 2, 1}));
}

TEST_F(ThemeTest, ThemeChangeWithStylesOffAndOnAgain) {
  TThemeServices* s = ThemeServices();
  ASSERT_TRUE(s->ThemesEnabled());
  ASSERT_NE(s->GetTheme(teButton), 0);
  int changes = 0;
  s->OnThemeChange = [&] { ++changes; };
  SetVisualStylesEnabled(false);
  SendWinMessage(ApplicationWindow(), WM_THEMECHANGED);
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(s->ThemesEnabled());
  EXPECT_EQ(s->CachedTheme(teButton), 0);
  EXPECT_EQ(OpenThemeHandleCount(), 0);
  SetVisualStylesEnabled(true);
  SendWinMessage(ApplicationWindow(), WM_THEMECHANGED);
  EXPECT_TRUE(s->ThemesEnabled());
  EXPECT_EQ(s->CachedTheme(teButton), 0);  // opened again on the next request
  EXPECT_NE(s->GetTheme(teButton), 0);
  s->OnThemeChange = nullptr;
}

TEST_F(ThemeTest, EveryWindowsControlsGetTheirFilterAndLoseIt) {
  TThemeManager manager;
  manager.Loaded();
  TTestWindow a("A"), b("B");
  a.show();
  b.show();
  Pump();
  for (TTestWindow* w : {&a, &b}) {
    EXPECT_EQ(manager.ListOf(w), &manager.List(ccForm));
    for (QWidget* c : w->Controls()) EXPECT_TRUE(manager.IsSubclassed(c)) << c->metaObject()->className();
  }
  EXPECT_EQ(manager.ListOf(a.Push), &manager.List(ccButton));
  EXPECT_EQ(manager.ListOf(a.Speed), &manager.List(ccSpeedButton));
  EXPECT_EQ(manager.ListOf(a.Group), &manager.List(ccGroupBox));
  EXPECT_EQ(manager.ListOf(a.Panel), &manager.List(ccPanel));
  EXPECT_EQ(manager.ListOf(a.Track), &manager.List(ccTrackBar));
  EXPECT_EQ(manager.ListOf(a.Tree), &manager.List(ccListView));
  EXPECT_EQ(manager.ListOf(a.CheckList), &manager.List(ccCheckListBox));
  EXPECT_EQ(manager.ListOf(a.Status), &manager.List(ccStatusBar));
  EXPECT_EQ(manager.ListOf(a.Tabs->widget(0)), &manager.List(ccTabSheet));
  EXPECT_EQ(manager.ListOf(a.Edit), &manager.List(ccWinControl));
  // A control added later is served too.
  auto* late = new QPushButton("Late", &a);
  late->show();
  Pump();
  EXPECT_TRUE(manager.IsSubclassed(late));
  // Closing a window lets its controls go; the other window keeps its own.
  a.close();
  Pump();
  EXPECT_FALSE(manager.IsSubclassed(&a));
  for (QWidget* c : a.Controls()) EXPECT_FALSE(manager.IsSubclassed(c));
  EXPECT_FALSE(manager.IsSubclassed(late));
  for (QWidget* c : b.Controls()) EXPECT_TRUE(manager.IsSubclassed(c));
  // Shown again, it is served again; a destroyed control leaves its list.
  a.show();
  Pump();
  EXPECT_TRUE(manager.IsSubclassed(a.Push));
  const int buttons = manager.List(ccButton).Count();
  delete a.Check;
  a.Check = nullptr;
  EXPECT_EQ(manager.List(ccButton).Count(), buttons - 1);
}

TEST_F(ThemeTest, WindowsOpenAndCloseInAnyOrder) {
  TThemeManager manager;
  manager.Loaded();
  std::vector<std::unique_ptr<TTestWindow>> windows;
  QRandomGenerator random(1234);
  for (int step = 0; step < 60; ++step) {
    const int action = int(random.bounded(4));
    if (action == 0 || windows.empty()) {
      windows.push_back(std::make_unique<TTestWindow>(QString("W%1").arg(step)));
      windows.back()->show();
    } else {
      const size_t i = random.bounded(quint32(windows.size()));
      if (action == 1) windows[i]->close();
      else if (action == 2) windows[i]->show();
      else windows.erase(windows.begin() + long(i));
    }
    if (random.bounded(2)) Pump();
  }
  Pump();
  for (auto& w : windows)
    for (QWidget* c : w->Controls()) EXPECT_EQ(manager.IsSubclassed(c), w->isVisible());
  windows.clear();
  for (int c = 0; c < ControlClassCount; ++c)
    for (QWidget* w : manager.List(TControlClass(c)).Controls()) EXPECT_NE(dynamic_cast<TTestWindow*>(w->window()), nullptr);
}

// Every control of the window drawn themed shows something wherever it shows something plain.
TEST_F(ThemeTest, ThemedPaintingLeavesNoControlBlank) {
  TTestWindow w("Painted");
  w.show();
  Pump();
  std::vector<QImage> plain;
  for (QWidget* c : w.Controls()) plain.push_back(c->grab().toImage());
  TThemeManager manager;
  manager.Loaded();
  Pump();
  ASSERT_TRUE(ThemeServices()->ThemesEnabled());
  auto blank = [](const QImage& img) {
    const QRgb first = img.pixel(0, 0);
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (img.pixel(x, y) != first) return false;
    return true;
  };
  const auto controls = w.Controls();
  for (size_t i = 0; i < controls.size(); ++i) {
    const QImage themed = controls[i]->grab().toImage();
    SCOPED_TRACE(controls[i]->metaObject()->className());
    EXPECT_EQ(themed.size(), plain[i].size());
    if (!blank(plain[i])) EXPECT_FALSE(blank(themed));
  }
  // The group box's caption and frame are drawn by the manager: its pixels differ from an empty box.
  EXPECT_FALSE(blank(w.Group->grab().toImage()));
}

TEST_F(ThemeTest, WithoutTheLibraryOnlyListViews) {
  FreeThemeServices();
  SetThemeLibraryPresent(false);
  TThemeManager manager;
  manager.Loaded();
  TTestWindow w("NoLibrary");
  w.show();
  Pump();
  manager.CollectForms(&w);
  EXPECT_TRUE(manager.IsSubclassed(w.Tree));
  for (QWidget* c : {static_cast<QWidget*>(w.Push), static_cast<QWidget*>(w.Group), static_cast<QWidget*>(w.Edit)})
    EXPECT_FALSE(manager.IsSubclassed(c));
}

TEST_F(ThemeTest, SubclassingRefusedAndListsKeepOneEntry) {
  TThemeManager manager;
  TTestWindow w("Refused");
  w.Push->setProperty("DenySubclassing", true);
  manager.OnAllowSubclassing = [&](TThemeManager*, QWidget* c, bool& allow) {
    if (c == w.Check) allow = false;
  };
  manager.Loaded();
  w.show();
  Pump();
  EXPECT_FALSE(manager.IsSubclassed(w.Push));
  EXPECT_FALSE(manager.IsSubclassed(w.Check));
  EXPECT_TRUE(manager.IsSubclassed(w.Bitmap));
  TWindowProcList& buttons = manager.List(ccButton);
  const int count = buttons.Count();
  EXPECT_EQ(buttons.Add(w.Bitmap), -1);  // already there
  EXPECT_EQ(buttons.Add(w.Edit), -1);    // not a button
  EXPECT_EQ(buttons.Count(), count);
  buttons.Remove(w.Bitmap);
  EXPECT_FALSE(manager.IsSubclassed(w.Bitmap));
  // Without its filter the button paints as it always did.
  EXPECT_EQ(buttons.Count(), count - 1);
}

TEST_F(ThemeTest, SeveralManagers) {
  auto* first = new TThemeManager;
  TThemeManager second;
  EXPECT_EQ(MainThemeManager, first);
  EXPECT_TRUE(second.SubManager());
  second.SetOptions(DefaultThemeOptions | ThemeOptionBit(toAlternateTabSheetDraw));
  EXPECT_TRUE(first->HasOption(toAlternateTabSheetDraw));
  TTestWindow w("Managers");
  w.show();
  first->Loaded();
  Pump();
  EXPECT_TRUE(first->IsSubclassed(w.Push));
  delete first;  // the second takes over and serves every window
  Pump();
  EXPECT_EQ(MainThemeManager, &second);
  EXPECT_FALSE(second.SubManager());
  EXPECT_TRUE(second.IsSubclassed(w.Push));
  EXPECT_TRUE(second.IsSubclassed(&w));
}

TEST_F(ThemeTest, ControlMessagesAndFailingListeners) {
  TTestWindow w("Messages");
  TThemeManager manager;
  manager.Loaded();
  w.show();
  Pump();
  int seen = 0;
  manager.AddListener([](TThemeManager*, QWidget*, TControlMessage&, bool&) { throw std::runtime_error("listener"); });
  manager.AddListener([&](TThemeManager*, QWidget* c, TControlMessage& m, bool& handled) {
    if (c == w.Edit && m.Msg == 256) {
      ++seen;
      handled = true;  // the edit never sees the key
    }
  });
  const QString before = w.Edit->text();
  QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
  QApplication::sendEvent(w.Edit, &key);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(w.Edit->text(), before);
  EXPECT_EQ(manager.ListenerCount(), 1);
}

TEST(ButtonLayout, GlyphAndCaptionPlaces) {
  // Automatic margin and spacing share the room in thirds.
  TButtonLayout l = CalcButtonLayout(QRect(0, 0, 90, 30), false, 0, -1, -1, QSize(16, 16), QSize(26, 12));
  EXPECT_EQ(l.GlyphPos, QPoint(16, 7));
  EXPECT_EQ(l.TextBounds, QRect(48, 9, 26, 12));
  // Right-to-left swaps the glyph to the right.
  l = CalcButtonLayout(QRect(10, 5, 90, 30), true, 0, 4, 4, QSize(16, 16), QSize(26, 12));
  EXPECT_EQ(l.GlyphPos, QPoint(10 + 90 - 4 - 16, 5 + 7));
  EXPECT_EQ(l.TextBounds.left(), 10 + 90 - 4 - 16 - 4 - 26);
  // No caption: no spacing; automatic margin centres the glyph.
  l = CalcButtonLayout(QRect(0, 0, 40, 40), false, 2, -1, 4, QSize(16, 16), QSize(0, 0));
  EXPECT_EQ(l.GlyphPos, QPoint(12, 12));
}
}  // namespace

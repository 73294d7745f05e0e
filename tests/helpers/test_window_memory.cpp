// Hidden top-level windows give their window images back and come back whole when shown again.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBackingStore>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "helpers/window_memory.h"

namespace {

void Settle() {
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
}

struct TWindowCase {
  const char* Name;
  std::function<void(QWidget&)> Show;
  std::function<void(QWidget&)> Hide;
};

}  // namespace

TEST(WindowMemory, HiddenWindowsGiveBackTheirImagesAndShowAgain) {
  static bool installed = false;
  if (!installed) ReleaseHiddenWindowImages(*qApp);
  installed = true;

  QWidget main;
  main.resize(300, 200);
  main.show();
  Settle();

  const TWindowCase cases[] = {
      {"dialog shown and hidden", [](QWidget& w) { w.show(); }, [](QWidget& w) { w.hide(); }},
      {"modal dialog ended by Escape's reject",
       [](QWidget& w) {
         auto& d = static_cast<QDialog&>(w);
         QTimer::singleShot(0, &d, [&d] {
           EXPECT_NE(d.backingStore(), nullptr);  // it is shown while the loop runs
           d.reject();
         });
         d.exec();
       },
       [](QWidget&) {}},
      {"menu popped up and closed", [](QWidget& w) { static_cast<QMenu&>(w).popup(QPoint(10, 10)); },
       [](QWidget& w) { w.hide(); }},
  };
  for (const TWindowCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<QWidget> window;
    if (std::string(c.Name).find("menu") != std::string::npos) {
      auto* menu = new QMenu(&main);
      menu->addAction("First");
      menu->addAction("Second");
      window.reset(menu);
    } else {
      auto* dialog = new QDialog(&main);
      dialog->resize(160, 90);
      new QLabel("Text", dialog);
      window.reset(dialog);
    }
    for (int round = 0; round < 2; ++round) {
      c.Show(*window);
      Settle();
      if (window->isVisible()) {
        EXPECT_NE(window->backingStore(), nullptr);
        EXPECT_FALSE(window->grab().isNull());
      }
      c.Hide(*window);
      Settle();
      EXPECT_FALSE(window->isVisible());
      EXPECT_EQ(window->backingStore(), nullptr) << "round " << round;
      EXPECT_EQ(window->windowHandle(), nullptr) << "round " << round;
    }
    // Shown again, it is a window like before: visible, with its size and its image.
    window->show();
    Settle();
    EXPECT_TRUE(window->isVisible());
    EXPECT_NE(window->windowHandle(), nullptr);
    EXPECT_NE(window->backingStore(), nullptr);
    window->hide();
    Settle();
  }
  // The window that stays shown keeps its image.
  EXPECT_TRUE(main.isVisible());
  EXPECT_NE(main.backingStore(), nullptr);
  EXPECT_NE(main.windowHandle(), nullptr);
}

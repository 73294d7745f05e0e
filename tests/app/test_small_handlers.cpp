// Small handlers of the main window: the status bar switch, the colour dialogs' captions, the
// selection menu abandoning a half-built figure, the system colour change, and the transform
// window after opening a document.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include "app/text_window_fixture.h"
#include "cad/engine.h"
#include "dialogs/color_combo.h"
#include "dialogs/transforms_window.h"
#include "helpers/speed_button.h"

namespace {

struct SmallHandlers : TextPageTest {
  void SetUp() override {
    TextPageTest::SetUp();
    form->resize(1000, 800);
    form->show();
  }
  std::vector<QLabel*> Panels() {
    std::vector<QLabel*> out;
    for (int i = 0; i < 6; ++i) out.push_back(form->StatusBar1->findChild<QLabel*>(QString("StatusPanel%1").arg(i)));
    return out;
  }
};

}  // namespace

TEST_F(SmallHandlers, AStatusBarSwitchedOffShowsOneEmptyPanel) {
  QLabel* simple = form->StatusBar1->findChild<QLabel*>("StatusSimplePanel");
  ASSERT_NE(simple, nullptr);
  QAction* item = form->StatusBarEnabled1;
  ASSERT_TRUE(item->isChecked());
  for (QLabel* p : Panels()) EXPECT_TRUE(p->isVisible());
  EXPECT_FALSE(simple->isVisible());
  item->trigger();
  EXPECT_FALSE(form->StatusBar1->isEnabled());
  EXPECT_TRUE(form->StatusBar1->isVisible());
  for (QLabel* p : Panels()) EXPECT_FALSE(p->isVisible());
  EXPECT_TRUE(simple->isVisible());
  EXPECT_TRUE(simple->text().isEmpty());
  item->trigger();
  for (QLabel* p : Panels()) EXPECT_TRUE(p->isVisible());
  EXPECT_FALSE(simple->isVisible());
}

TEST_F(SmallHandlers, TheColourDialogsNameTheirColour) {
  struct TCase {
    std::function<void()> Open;
    const char* Caption;
  } cases[] = {{[&] { form->tbPenColor->click(); }, "Pen Color"},
               {[&] { form->findChild<QAction*>("BrushColor1")->trigger(); }, "Brush or Fill Color"}};
  for (const TCase& c : cases) {
    QString seen;
    QTimer::singleShot(0, [&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QColorDialog*>(w); d && d->isVisible()) {
          seen = d->windowTitle();
          d->reject();
        }
    });
    c.Open();
    EXPECT_EQ(seen.toStdString(), c.Caption);
  }
}

TEST_F(SmallHandlers, OpeningTheSelectionMenuAbandonsAHalfBuiltFigure) {
  ASSERT_NE(Figures, nullptr);
  for (const uint8_t kind : {uint8_t(49), uint8_t(40), uint8_t(0)}) {
    Figures->CurrentFigure->SetKind(kind);
    Figures->CurrentFigure->SetNodeCountUsed(3);
    QTimer::singleShot(0, [&] { form->PopupMenu2->close(); });
    form->PopupMenu2->exec(QPoint(10, 10));
    EXPECT_EQ(Figures->CurrentFigure->NodeCountUsed, kind == 0 ? 3 : 0) << int(kind);
  }
}

TEST_F(SmallHandlers, ASystemColourChangeKeepsAChosenBackground) {
  ASSERT_NE(Figures, nullptr);
  // Each background change the page hears of.
  int changes = 0;
  auto composing = Figures->OnBackgroundColorChange;
  Figures->OnBackgroundColorChange = [&](TZQVCad* s) {
    ++changes;
    if (composing) composing(s);
  };
  QEvent change(QEvent::ApplicationPaletteChange);
  auto chooseBackground = [&](const char* item, TColor chosen) {
    TColorDialog::ExecuteHook = [chosen](TColorDialog& d) {
      d.Color = chosen;
      return true;
    };
    form->findChild<QAction*>(item)->trigger();
    TColorDialog::ExecuteHook = nullptr;
  };
  struct TCase {
    const char* Item;  // Back Ground Color > Set (the colour dialog) or System
    TColor Chosen;
    TColor After;      // the background after the system's colours changed
    int Changes;       // the page composed again
  } cases[] = {{"Set1", clYellow, clYellow, 0}, {"Set1", clWhite, clWhite, 0}, {"System1", clNone, clWindow, 1}};
  for (const TCase& c : cases) {
    chooseBackground(c.Item, c.Chosen);
    changes = 0;
    form->FileBusy = true;  // not while a file is read or written
    QApplication::sendEvent(form, &change);
    EXPECT_EQ(changes, 0) << c.Item;
    form->FileBusy = false;
    QApplication::sendEvent(form, &change);
    EXPECT_EQ(Figures->BackgroundColor, c.After) << c.Item;
    EXPECT_EQ(BackgroundColor, c.After) << c.Item;
    EXPECT_EQ(changes, c.Changes) << c.Item;
  }
}

TEST_F(SmallHandlers, OpeningADocumentClosesTheTransformWindow) {
  QTemporaryDir dir;
  const std::string doc = dir.filePath("page.zqv").toStdString();
  Type("ab");
  ASSERT_TRUE(form->SaveFile(form, doc));
  form->TransformShapesClick(form);
  ASSERT_TRUE(TransformsWindowOpen);
  ASSERT_NE(TransformShapes1, nullptr);
  ASSERT_TRUE(TransformShapes1->isVisible());
  ASSERT_TRUE(form->Open_File(form, doc));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(TransformShapes1 == nullptr || !TransformShapes1->isVisible());
  EXPECT_FALSE(TransformsWindowOpen);
}

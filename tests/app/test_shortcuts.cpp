// The keyboard shortcuts of the real main window, pressed as a user presses them: the clipboard
// keys other programs taught users, and the program's own menu keys.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTest>

#include "cad/engine.h"
#include "helpers/speed_button.h"
#include "platform/keys.h"
#include "text_window_fixture.h"

namespace {
struct Shortcuts : TextPageTest {
  void SetUp() override {
    TextPageTest::SetUp();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  }
  void Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(form, key, mods); }
};
}  // namespace

TEST_F(Shortcuts, ClipboardKeysCopyCutAndPasteTextWithoutOpeningTheMenu) {
  struct Row {
    const char* name;
    QKeyCombination copy, cut, paste;
  };
  const Row rows[] = {
      {"Ctrl+C / Ctrl+X / Ctrl+V", Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_X, Qt::CTRL | Qt::Key_V},
      {"Ctrl+Insert / Shift+Delete / Shift+Insert", Qt::CTRL | Qt::Key_Insert, Qt::SHIFT | Qt::Key_Delete,
       Qt::SHIFT | Qt::Key_Insert},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    rec->DefaultAnswer = mrNo;  // the page need not be saved
    form->_NewWorkSpaceClick(form);
    QApplication::clipboard()->clear();
    const bool inserting = InsertModeOn();
    QTest::keyClicks(form, "abc");
    ASSERT_EQ(Cells(1, 4), "abc|");
    form->SelectAll1->trigger();
    Press(row.copy.key(), row.copy.keyboardModifiers());
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "abc");
    Press(row.cut.key(), row.cut.keyboardModifiers());
    EXPECT_EQ(Cells(1, 1), "|");
    Press(row.paste.key(), row.paste.keyboardModifiers());
    Press(row.paste.key(), row.paste.keyboardModifiers());
    EXPECT_EQ(Cells(1, 7), "abcabc|");
    // The Insert key with Ctrl or Shift is a clipboard key, not the insert-mode switch.
    EXPECT_EQ(InsertModeOn(), inserting);
  }
  // The menu shows the keys.
  EXPECT_EQ(form->Copy2->shortcuts().size(), 2);
  EXPECT_EQ(form->Cut1->shortcuts().size(), 2);
  EXPECT_EQ(form->Paste1->shortcuts().size(), 2);
}

TEST_F(Shortcuts, TheProgramsOwnMenuKeys) {
  // Ctrl+E: the selection tool.
  Press(Qt::Key_E, Qt::ControlModifier);
  EXPECT_TRUE(form->tbSelect->Down());
  // Ctrl+L: snapping off and on.
  const bool snapping = form->ToggleOnOff1->isChecked();
  Press(Qt::Key_L, Qt::ControlModifier);
  EXPECT_NE(form->ToggleOnOff1->isChecked(), snapping);
  Press(Qt::Key_L, Qt::ControlModifier);
  EXPECT_EQ(form->ToggleOnOff1->isChecked(), snapping);
  // Ctrl+Z: the zoom toggle leaves 100 % and comes back to it.
  ASSERT_EQ(Figures->ZoomLevel(), 4);
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_NE(Figures->ZoomLevel(), 4);
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Figures->ZoomLevel(), 4);
  // Tools > Measure takes the measuring tool.
  form->findChild<QAction*>("Measure1")->trigger();
  EXPECT_TRUE(form->tbDraw->Down());
  EXPECT_EQ(Figures->Template->Kind, 55);
}

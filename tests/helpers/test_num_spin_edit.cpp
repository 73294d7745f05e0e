#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "helpers/num_spin_edit.h"
#include "platform/messages.h"

namespace {

struct TSpinSetup {
  TValueType Type = vtInteger;
  double Min = 0, Max = 0;
  int Decimal = 2;
  double Increment = 1;
};

void Configure(TNumSpinEdit& e, const TSpinSetup& s) {
  e.SetValueType(s.Type);
  e.SetDecimal(s.Decimal);
  e.SetMinValue(s.Min);
  e.SetMaxValue(s.Max);
  e.SetIncrement(s.Increment);
}

}  // namespace

TEST(NumSpinEdit, WritingFormatsAndClamps) {
  struct TCase {
    TSpinSetup Setup;
    double Written;
    const char* Text;
    double Read;
  } cases[] = {
      {{vtFloat, 0, 0, 3}, 2.5, "2.500", 2.5},
      {{vtInteger, 1, 10}, 12, "10", 10},
      {{vtInteger, 1, 10}, -3, "1", 1},
      {{vtInteger, 0, 0}, 5e12, "5000000000000", 5e12},  // no bounds: anything goes
      {{vtFloat, 0, 0, 1}, -2e13, "-20000000000000.0", -2e13},
      {{vtHex}, 255, "FF", 255},
      {{vtHex}, 0, "0", 0},
      {{vtInteger}, 2.5, "2", 2},  // halves to the even neighbour
      {{vtInteger}, 3.5, "4", 4},
      {{vtFloat, 0, 0, 2}, 0.125, "0.13", 0.13},
  };
  for (const TCase& c : cases) {
    TNumSpinEdit e;
    Configure(e, c.Setup);
    e.SetValue(c.Written);
    EXPECT_EQ(e.text().toStdString(), c.Text) << c.Written;
    EXPECT_DOUBLE_EQ(e.Value(), c.Read) << c.Written;
  }
}

TEST(NumSpinEdit, ReadingTheText) {
  struct TCase {
    TSpinSetup Setup;
    const char* Text;
    double Read;
    int AsInteger;
  } cases[] = {
      {{vtFloat}, "2.7", 2.7, 2},  // truncated, not rounded
      {{vtFloat}, "-2.7", -2.7, -2},
      {{vtFloat}, "1e2", 100, 100},
      {{vtFloat}, "1.5E-1", 0.15, 0},
      {{vtFloat, 3, 9}, "-", 3, 3},  // nothing readable: the lower bound
      {{vtInteger, -4.5, 9}, "-", -4, -4},
      {{vtInteger, 3, 9}, "", 3, 3},
      {{vtInteger}, "+17", 17, 17},
      {{vtHex}, "1A", 26, 26},
      {{vtHex}, "ff", 255, 255},
  };
  for (const TCase& c : cases) {
    TNumSpinEdit e;
    Configure(e, c.Setup);
    e.setText(c.Text);
    EXPECT_DOUBLE_EQ(e.Value(), c.Read) << c.Text;
    EXPECT_EQ(e.AsInteger(), c.AsInteger) << c.Text;
  }
}

TEST(NumSpinEdit, DecimalAndTypeRewriteTheText) {
  TNumSpinEdit e;
  Configure(e, {vtFloat, 0, 0, 3});
  e.SetValue(2.5);
  EXPECT_EQ(e.text(), "2.500");
  e.SetDecimal(1);
  EXPECT_EQ(e.text(), "2.5");
  e.SetValueType(vtInteger);
  EXPECT_EQ(e.text(), "2");
}

TEST(NumSpinEdit, StepsByTheIncrement) {
  struct TCase {
    TSpinSetup Setup;
    double Start;
    bool Up;
    const char* Text;
  } cases[] = {
      {{vtInteger, 0, 0, 2, 2.6}, 5, true, "8"},  // the step of an integer field is whole
      {{vtInteger, 0, 0, 2, 0}, 5, true, "6"},    // and never 0
      {{vtHex, 0, 0, 2, 0}, 15, true, "10"},
      {{vtFloat, 0, 0, 2, 0.25}, 1, false, "0.75"},
      {{vtInteger, 0, 10, 2, 3}, 9, true, "10"},
      {{vtInteger, 0, 10, 2, 3}, 1, false, "0"},
  };
  for (const TCase& c : cases) {
    TNumSpinEdit e;
    Configure(e, c.Setup);
    e.SetValue(c.Start);
    if (c.Up) e.UpClick();
    else e.DownClick();
    EXPECT_EQ(e.text().toStdString(), c.Text) << c.Start;
  }
}

TEST(NumSpinEdit, ArrowKeysStepAndFireTheClickEvents) {
  TMessageRecorderScope messages;
  TNumSpinEdit e;
  e.SetValue(5);
  std::vector<std::string> events;
  e.OnTopClick = [&](QObject*) { events.push_back("top " + e.text().toStdString()); };
  e.OnBottomClick = [&](QObject*) { events.push_back("bottom " + e.text().toStdString()); };
  int changes = 0;
  e.OnChange = [&](QObject*) { ++changes; };
  QTest::keyClick(&e, Qt::Key_Up);
  QTest::keyClick(&e, Qt::Key_Down);
  QTest::keyClick(&e, Qt::Key_Down);
  EXPECT_EQ(events, (std::vector<std::string>{"top 6", "bottom 5", "bottom 4"}));
  EXPECT_EQ(changes, 3);
  EXPECT_TRUE(e.isModified());
  e.ArrowKeys = false;
  QTest::keyClick(&e, Qt::Key_Up);
  EXPECT_EQ(e.text(), "4");
  // A read-only edit only beeps.
  e.ArrowKeys = true;
  e.setReadOnly(true);
  QTest::keyClick(&e, Qt::Key_Up);
  e.DownClick();
  EXPECT_EQ(e.text(), "4");
  EXPECT_EQ(messages.Recorder.BeepCount(), 2);
  EXPECT_EQ(events.size(), 3u);
}

TEST(NumSpinEdit, TypingIsFilteredByTheValueType) {
  struct TCase {
    TValueType Type;
    bool Editor;
    const char* Start;
    const char* Typed;
    const char* Text;
    int Beeps;
  } cases[] = {
      {vtInteger, true, "", "1a2.b", "12", 3},
      {vtInteger, true, "", "-7", "-7", 0},
      {vtFloat, true, "", "1e2", "1e2", 0},
      {vtFloat, true, "", "1.5.e3E", "1.5e3", 2},  // one point, one exponent
      {vtHex, true, "", "1aFg", "1aF", 1},
      {vtInteger, false, "5", "12", "5", 2},
  };
  for (const TCase& c : cases) {
    TMessageRecorderScope messages;
    TNumSpinEdit e;
    e.SetValueType(c.Type);
    e.SetEditorEnabled(c.Editor);
    e.setText(c.Start);
    e.end(false);
    QTest::keyClicks(&e, c.Typed);
    EXPECT_EQ(e.text().toStdString(), c.Text) << c.Typed;
    EXPECT_EQ(messages.Recorder.BeepCount(), c.Beeps) << c.Typed;
  }
}

TEST(NumSpinEdit, WithoutTheEditorTheTextChangesOnlyByStepping) {
  TMessageRecorderScope messages;
  TNumSpinEdit e;
  e.SetEditorEnabled(false);
  e.SetValue(42);
  e.end(false);
  QTest::keyClick(&e, Qt::Key_Backspace);
  e.selectAll();
  QTest::keyClick(&e, Qt::Key_Delete);
  QApplication::clipboard()->setText("7");
  e.selectAll();
  QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(&e, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(e.text(), "42");
  QTest::keyClick(&e, Qt::Key_Up);
  EXPECT_EQ(e.text(), "43");
  // With the editor, paste goes through.
  e.SetEditorEnabled(true);
  e.selectAll();
  QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(e.text(), "7");
}

TEST(NumSpinEdit, LeavingRewritesAnOutOfRangeValue) {
  QWidget w;
  auto* layout = new QVBoxLayout(&w);
  auto* e = new TNumSpinEdit;
  auto* other = new TNumSpinEdit;
  layout->addWidget(e);
  layout->addWidget(other);
  e->SetMinValue(1);
  e->SetMaxValue(10);
  w.show();
  QApplication::setActiveWindow(&w);
  e->setFocus();
  e->setText("25");
  other->setFocus();
  EXPECT_EQ(e->text(), "10");
  e->setText("abc");  // unreadable text reads as the lower bound and is left as it is
  e->setFocus();
  other->setFocus();
  EXPECT_EQ(e->text(), "abc");
}

TEST(NumSpinEdit, EnterAndEscapeReachTheDialog) {
  QDialog d;
  auto* layout = new QVBoxLayout(&d);
  auto* e = new TNumSpinEdit;
  auto* ok = new QPushButton("OK");
  layout->addWidget(e);
  layout->addWidget(ok);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &d, &QDialog::accept);
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    d.show();
    QApplication::setActiveWindow(&d);
    e->setFocus();
    QTest::keyClick(e, key);
    EXPECT_EQ(d.result(), key == Qt::Key_Return ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_FALSE(d.isVisible());
  }
}

TEST(NumSpinButton, TheDiagonalSplitsTheHalves) {
  TNumSpinEdit e;
  e.resize(80, 20);
  e.show();
  TNumSpinButton* b = e.Button();
  ASSERT_EQ(b->width(), 20);
  ASSERT_EQ(b->height(), 20);
  EXPECT_EQ(b->x(), 60);
  struct TCase {
    QPoint P;
    TNumSpinButton::TSpinHalf Half;
  } cases[] = {{{2, 2}, TNumSpinButton::sbTop},    {{9, 9}, TNumSpinButton::sbTop},
               {{10, 10}, TNumSpinButton::sbTop},  {{11, 10}, TNumSpinButton::sbBottom},
               {{18, 18}, TNumSpinButton::sbBottom}, {{0, 19}, TNumSpinButton::sbTop},
               {{19, 2}, TNumSpinButton::sbBottom}};
  for (const TCase& c : cases) EXPECT_EQ(b->HalfAt(c.P), c.Half) << c.P.x() << "," << c.P.y();
}

TEST(NumSpinButton, HoldingAHalfStepsAtOnceThenRepeats) {
  QWidget w;
  auto* e = new TNumSpinEdit(&w);
  e->setGeometry(0, 0, 80, 20);
  e->SetValue(10);
  int bottoms = 0;
  e->OnBottomClick = [&](QObject*) { ++bottoms; };
  w.show();
  TNumSpinButton* b = e->Button();
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(16, 16));
  EXPECT_EQ(e->text(), "9");  // at once
  EXPECT_EQ(b->Down(), TNumSpinButton::sbBottom);
  EXPECT_TRUE(b->RepeatTimer().isActive());
  EXPECT_EQ(b->RepeatTimer().interval(), 400);
  b->TimerExpired();
  EXPECT_EQ(b->RepeatTimer().interval(), 100);
  EXPECT_EQ(e->text(), "8");
  b->TimerExpired();
  EXPECT_EQ(e->text(), "7");
  // Dragged over the other half the button shows released and does not step.
  QTest::mouseMove(b, QPoint(3, 3));
  QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), b->mapToGlobal(QPointF(3, 3)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(b, &move);
  EXPECT_EQ(b->Down(), TNumSpinButton::sbNone);
  b->TimerExpired();
  EXPECT_EQ(e->text(), "7");
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_FALSE(b->RepeatTimer().isActive());
  EXPECT_EQ(bottoms, 3);
  // The top half steps up, and the edit took the focus.
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(e->text(), "8");
  EXPECT_EQ(b->Down(), TNumSpinButton::sbNone);
  // A disabled edit disables its button.
  e->setEnabled(false);
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(e->text(), "8");
}

TEST(NumSpinEdit, TheButtonKindChoosesTheButtonAtTheSide) {
  QWidget w;
  struct TCase {
    TSpinButtonKind Kind;
    Qt::LayoutDirection Direction;
    int ButtonX;      // where the shown button sits in the 120 x 24 edit
    int ButtonWidth;
    int RightMargin;  // the text stops short of the button
    int LeftMargin;
  } cases[] = {
      {bkDiagonal, Qt::LeftToRight, 96, 24, 26, 0},
      {bkStandard, Qt::LeftToRight, 120 - DefSpinButtonWidth(), DefSpinButtonWidth(), DefSpinButtonWidth() + 2, 0},
      {bkDiagonal, Qt::RightToLeft, 0, 24, 0, 25},
      {bkStandard, Qt::RightToLeft, 0, DefSpinButtonWidth(), 0, DefSpinButtonWidth() + 1},
  };
  for (const TCase& c : cases) {
    auto* e = new TNumSpinEdit(&w);
    e->setLayoutDirection(c.Direction);
    e->SetButtonKind(c.Kind);
    e->setGeometry(0, 0, 120, 24);
    w.show();
    e->show();
    QWidget* shown = c.Kind == bkDiagonal ? static_cast<QWidget*>(e->Button()) : e->UpDown();
    QWidget* hidden = c.Kind == bkDiagonal ? static_cast<QWidget*>(e->UpDown()) : e->Button();
    EXPECT_TRUE(shown->isVisible()) << c.Kind;
    EXPECT_FALSE(hidden->isVisible()) << c.Kind;
    EXPECT_EQ(shown->geometry(), QRect(c.ButtonX, 0, c.ButtonWidth, 24)) << c.Kind << " " << c.Direction;
    EXPECT_EQ(e->textMargins().right(), c.RightMargin) << c.Kind << " " << c.Direction;
    EXPECT_EQ(e->textMargins().left(), c.LeftMargin) << c.Kind << " " << c.Direction;
    delete e;
  }
  EXPECT_LE(DefSpinButtonWidth(), 15);
  EXPECT_GT(DefSpinButtonWidth(), 0);
}

TEST(NumSpinEdit, TheStandardButtonStepsThroughItsPosition) {
  QWidget w;
  auto* e = new TNumSpinEdit(&w);
  e->SetButtonKind(bkStandard);
  e->setGeometry(0, 0, 100, 24);
  e->SetValue(5);
  std::vector<std::string> events;
  e->OnTopClick = [&](QObject*) { events.push_back("top " + e->text().toStdString()); };
  e->OnBottomClick = [&](QObject*) { events.push_back("bottom " + e->text().toStdString()); };
  w.show();
  TNumUpDown* u = e->UpDown();
  QTest::mouseClick(u->UpArrow(), Qt::LeftButton);
  EXPECT_EQ(u->Position(), 0);
  QTest::mouseClick(u->DownArrow(), Qt::LeftButton);
  QTest::mouseClick(u->DownArrow(), Qt::LeftButton);
  EXPECT_EQ(events, (std::vector<std::string>{"top 6", "bottom 5", "bottom 4"}));
  // A click arriving while one is handled does nothing.
  int positionSeen = 99;
  e->OnTopClick = [&](QObject*) {
    positionSeen = u->Position();
    u->Click(1);
    u->Click(-1);
  };
  u->Click(1);
  EXPECT_EQ(positionSeen, 1);
  EXPECT_EQ(u->Position(), 0);
  EXPECT_EQ(e->text(), "5");
  // A read-only edit beeps and keeps its value.
  TMessageRecorderScope messages;
  e->setReadOnly(true);
  QTest::mouseClick(u->UpArrow(), Qt::LeftButton);
  EXPECT_EQ(e->text(), "5");
  EXPECT_EQ(messages.Recorder.BeepCount(), 1);
  // The arrows follow the edit's enabled state.
  e->setEnabled(false);
  EXPECT_FALSE(u->UpArrow()->isEnabled());
}

TEST(NumSpinEdit, AnEditIsNeverLowerThanItsFontNeeds) {
  struct TCase {
    int PointSize;
    int AskedHeight;
  } cases[] = {{8, 4}, {8, 40}, {20, 10}, {20, 60}};
  for (const TCase& c : cases) {
    QWidget w;
    auto* e = new TNumSpinEdit(&w);
    QFont f = e->font();
    f.setPointSize(c.PointSize);
    e->setFont(f);
    w.show();
    const int least = QFontMetrics(f).height() + 5;
    EXPECT_EQ(e->MinimumEditHeight(), least) << c.PointSize;
    e->resize(80, c.AskedHeight);
    EXPECT_EQ(e->height(), std::max(least, c.AskedHeight)) << c.PointSize << " " << c.AskedHeight;
    // The diagonal button fills the height in a square.
    EXPECT_EQ(e->Button()->geometry(), QRect(80 - e->height(), 0, e->height(), e->height()));
  }
  // A larger font raises an edit that is already placed.
  QWidget w;
  auto* e = new TNumSpinEdit(&w);
  w.show();
  e->resize(80, 12);
  QFont f = e->font();
  f.setPointSize(30);
  e->setFont(f);
  EXPECT_EQ(e->height(), QFontMetrics(f).height() + 5);
}

TEST(NumSpinButton, GlyphsSitOnTheQuarterPointsAndMoveWhenPressed) {
  QWidget w;
  auto* b = new TNumSpinButton(&w);
  b->setGeometry(0, 0, 40, 40);
  QPixmap red(1, 1), blue(1, 1);
  red.fill(Qt::red);
  blue.fill(Qt::blue);
  b->SetUpGlyph(red);
  b->SetDownGlyph(blue);
  w.show();
  struct TCase {
    QPoint Press;  // none when outside
    QPoint Up, Down;
  } cases[] = {{QPoint(-1, -1), {10, 10}, {30, 30}}, {QPoint(5, 5), {11, 11}, {30, 30}}, {QPoint(35, 35), {10, 10}, {31, 31}}};
  for (const TCase& c : cases) {
    if (c.Press.x() >= 0) QTest::mousePress(b, Qt::LeftButton, {}, c.Press);
    const QImage shot = b->grab().toImage();
    EXPECT_EQ(shot.pixelColor(c.Up), QColor(Qt::red)) << c.Press.x();
    EXPECT_EQ(shot.pixelColor(c.Down), QColor(Qt::blue)) << c.Press.x();
    if (c.Press.x() >= 0) QTest::mouseRelease(b, Qt::LeftButton, {}, c.Press);
  }
  // Setting nothing brings the built-in arrows back.
  b->SetUpGlyph(QPixmap());
  EXPECT_FALSE(b->UpGlyph().isNull());
  EXPECT_NE(b->UpGlyph().toImage(), red.toImage());
}

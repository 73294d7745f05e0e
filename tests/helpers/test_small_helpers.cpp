// Recent files, window placement, rectangle and point helpers, names, colours and the rescaling
// of old shape records.
#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <cstring>

#include "helpers/page_surface.h"
#include "helpers/small_helpers.h"
#include "platform/canvas.h"
#include "platform/ini_file.h"
#include "platform/messages.h"

namespace {
struct RecentMenu {
  QMenu menu;
  RecentMenu(std::initializer_list<const char*> captions) {
    for (int i = 0; i < 8; ++i) {
      QAction* a = menu.addAction(i < int(captions.size()) ? captions.begin()[i] : "");
      a->setVisible(i < int(captions.size()));
    }
  }
  QStringList Captions() const {
    QStringList out;
    for (QAction* a : menu.actions()) out << a->text();
    return out;
  }
};
}  // namespace

TEST(RecentFiles, MovesAddsAndWrites) {
  QTemporaryDir dir;
  const std::string ini = dir.filePath("Main.ini").toStdString();
  RecentMenu m({"/a", "/b", "/c", "/d", "/e"});
  AddRecentFile("/D", ini, &m.menu);  // found without regard to case: moves to the top
  EXPECT_EQ(m.Captions(), (QStringList{"/d", "/a", "/b", "/c", "/e", "", "", ""}));
  {
    TMemIniFile read(ini);
    EXPECT_EQ(read.ReadString("RecentFiles", "FirstFile", "?"), "/d");
    EXPECT_EQ(read.ReadString("RecentFiles", "FifthFile", "?"), "/e");
    EXPECT_EQ(read.ReadString("RecentFiles", "EigthFile", "?"), "");
  }
  AddRecentFile("/new", ini, &m.menu);
  EXPECT_EQ(m.Captions()[0], "/new");
  EXPECT_EQ(m.Captions()[5], "/e");
  EXPECT_TRUE(m.menu.actions()[5]->isVisible());
  EXPECT_FALSE(m.menu.actions()[6]->isVisible());

  // The file already first: nothing changes and nothing is written.
  const std::string other = dir.filePath("Other.ini").toStdString();
  AddRecentFile("/NEW", other, &m.menu);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(other)));

  RecentMenu full({"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"});
  AddRecentFile("/9", ini, &full.menu);
  EXPECT_EQ(full.Captions(), (QStringList{"/9", "/1", "/2", "/3", "/4", "/5", "/6", "/7"}));
}

TEST(SmallHelpers, KeepFormOnScreen) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QWidget w;
  w.resize(200, 100);
  w.move(screen.width() - 50, -20);
  KeepFormOnScreen(&w);
  EXPECT_EQ(w.x(), screen.width() - 100);
  EXPECT_EQ(w.y(), 0);
  w.move(-5, screen.height());
  KeepFormOnScreen(&w);
  EXPECT_EQ(w.x(), 0);
  EXPECT_EQ(w.y(), screen.height() - 50);
}

TEST(SmallHelpers, RectanglesPointsNamesColours) {
  TRect r(1, 3, 5, 7);
  ScaleRect(r, 0.5);
  EXPECT_EQ(r, TRect(0, 2, 2, 4));  // halves go to the even neighbour
  TPoint p(10, 20);
  ScalePointAbout(p, TPoint(2, 4), 1.5, -1);
  EXPECT_EQ(p, TPoint(14, -12));
  EXPECT_TRUE(PtInRectInclusive(10, 10, TRect(0, 0, 10, 10)));
  EXPECT_FALSE(PtInRectInclusive(11, 10, TRect(0, 0, 10, 10)));
  const std::vector<std::string> names = {"Arial", "Symbol", "Courier"};
  EXPECT_TRUE(IsInNameList("symbol", names, 2));
  EXPECT_FALSE(IsInNameList("Courier", names, 1));
  EXPECT_TRUE(IsInNameList("Courier", names, 50));  // High beyond the list stops at its end
  std::string s;
  ColorToHexString(clRed, s);
  EXPECT_EQ(s, "$FF0000");
  ColorToHexString(RGBColor(0x12, 0xAB, 0x0C), s);
  EXPECT_EQ(s, "$12AB0C");
  ColorToHexString(clNone, s);  // the top byte is not a colour component
  EXPECT_EQ(s, "$FFFFFF");
  // A system colour reference is no RGB value: its text is not the eight digits of a colour.
  for (TColor c : {clWindow, TColor(0x80000000u), TColor(-1)}) {
    ColorToHexString(c, s);
    EXPECT_EQ(s, "Error") << c;
  }
  EXPECT_EQ(Hypot(3, 4), 5);
  EXPECT_EQ(GetLongFileName("/tmp/x~1.txt"), "/tmp/x~1.txt");
}

TEST(SmallHelpers, AskShowAgain) {
  TMessageRecorderScope rec;
  rec->Answer(mrNo);
  EXPECT_FALSE(AskShowAgain());
  rec->Answer(mrYes);
  EXPECT_TRUE(AskShowAgain());
  ASSERT_EQ(rec->Messages().size(), 2u);
  EXPECT_EQ(rec->Last().Text, "Show this message again?");
  EXPECT_EQ(rec->Last().Buttons, mbYes | mbNo);
  EXPECT_EQ(rec->Last().HelpCtx, 20);
}

namespace {
void PutI32(uint8_t* p, int32_t v) { std::memcpy(p, &v, 4); }
int32_t GetI32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
}  // namespace

TEST(SmallHelpers, ScaleFigureRecords) {
  std::vector<uint8_t> records(3 * OldFigureRecordSize, 0);
  for (int r = 0; r < 3; ++r)
    for (int i = 0; i < 15; ++i) {
      PutI32(records.data() + r * 740 + i * 8, 10 * (i + 1));
      PutI32(records.data() + r * 740 + i * 8 + 4, -10 * (i + 1));
    }
  records[1 * 740 + 145] = 5;    // a rectangle: six points
  records[2 * 740 + 145] = 49;   // a multiline whose count claims more than the 15 points it has
  PutI32(records.data() + 2 * 740 + 120, 1000000);
  ScaleFigureRecords(96, 192, records.data(), records.size(), 2, 1);
  EXPECT_EQ(GetI32(records.data() + 0 * 740), 10);  // record 0 is outside First..Last
  EXPECT_EQ(GetI32(records.data() + 740 + 5 * 8), 120);
  EXPECT_EQ(GetI32(records.data() + 740 + 6 * 8), 70);
  EXPECT_EQ(GetI32(records.data() + 2 * 740 + 14 * 8 + 4), -300);
  EXPECT_EQ(GetI32(records.data() + 2 * 740 + 120), 1000000);  // the count itself is left alone
  // Equal resolutions change nothing; a Last beyond the buffer stops at its last record.
  ScaleFigureRecords(96, 96, records.data(), records.size(), 2, 0);
  ScaleFigureRecords(96, 48, records.data(), records.size(), 50, 2);
  EXPECT_EQ(GetI32(records.data() + 2 * 740), 10);
}

namespace {
// A picture of another class than TBitmap.
class TOtherGraphic : public TGraphic {
public:
  void LoadFromStream(TStream&) override {}
  void SaveToStream(TStream&) override {}
  int Width() const override { return 4; }
  int Height() const override { return 4; }
  bool Empty() const override { return false; }
  void Draw(TCanvas&, const TRect&) override {}
};
}  // namespace

TEST(SmallHelpers, ImageHoldsBitmap) {
  EXPECT_FALSE(ImageHoldsBitmap(nullptr));
  TSizeChangedImage image;
  EXPECT_FALSE(ImageHoldsBitmap(&image));  // an empty picture
  image.Picture.SetGraphic(std::make_unique<TOtherGraphic>());
  EXPECT_FALSE(ImageHoldsBitmap(&image));
  image.Picture.SetGraphic(std::make_unique<TBitmap>(3, 3));
  EXPECT_TRUE(ImageHoldsBitmap(&image));
}

TEST(SmallHelpers, SetToggleKeySavesTheStateAndSwitchesOneToggle) {
  TKeyboardState start{};
  start[VK_CAPITAL] = 1;
  start[VK_NUMLOCK] = 0x80;  // a pressed key without its toggle
  SetKeyboardState(start);   // insert mode: the Insert toggle is off
  ASSERT_TRUE(InsertModeOn());
  const struct { int key; bool on; bool insertMode; uint8_t capital, numLock; } cases[] = {
      {VK_INSERT, true, false, 1, 0x80},   // the Insert toggle on: overtype
      {VK_INSERT, false, true, 1, 0x80},   // already off: nothing changes
      {VK_CAPITAL, false, true, 0, 0x80},
      {VK_NUMLOCK, true, true, 1, 0x81},   // only the low bit changes
      {VK_CAPITAL, true, true, 1, 0x80},   // already on
      {300, true, true, 1, 0x80},          // no such key: nothing changes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.key << " on " << c.on);
    TKeyboardState saved{};
    SetToggleKey(c.key, c.on, saved);
    EXPECT_EQ(saved, start);
    EXPECT_EQ(InsertModeOn(), c.insertMode);
    TKeyboardState now{};
    GetKeyboardState(now);
    EXPECT_EQ(now[VK_CAPITAL], c.capital);
    EXPECT_EQ(now[VK_NUMLOCK], c.numLock);
    SetKeyboardState(saved);  // the caller restores the state
    GetKeyboardState(now);
    EXPECT_EQ(now, start);
    EXPECT_TRUE(InsertModeOn());
  }
}

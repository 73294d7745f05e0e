// Drawing-defaults files: the template saved as "User 1" and loaded back field by field, short or
// damaged files refused with the template untouched, older ".zqs" names taken over, and the
// defaults-file test of the shapes commands.
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/main_window_fixture.h"
#include "app/startup.h"
#include "cad/engine.h"
#include "platform/app_dir.h"
#include "platform/streams.h"

namespace {
struct DrawingDefaults : MainWindowFixture {
  TForm1* form = nullptr;
  void SetUp() override {
    MainWindowFixture::SetUp();
    for (const char* f : {"UserDefs.zqt", "UserDefs.zqs", "ProgDefs.zqt", "ProgDefs.zqs"})
      std::remove((AppDir() + f).c_str());
    form = CreateStartupWindows();
  }
  QAction* Action(const char* name) { return form->findChild<QAction*>(name); }
  // The template's figure record: every property it stores.
  static std::vector<uint8_t> Record(const TRealFig& f) {
    TMemoryStream s;
    f.SaveToStream(&s);
    return std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size());
  }
  static void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    WriteFileAtomically(AppDir() + name, bytes.data(), bytes.size());
  }
};
}  // namespace

TEST_F(DrawingDefaults, SavedAndLoadedGivesTheTemplateBack) {
  TRealFig& t = *Figures->Template;
  t.Kind = 24;
  t.PenColor = TColor(0x123456);
  t.SetPenWidth(0.03);
  t.SetArrowHeadLength(0.2);
  t.SetPolygonSides(9);
  t.SetWantDimensions(true);
  t.SetPenMode(7);
  Action("Save1")->trigger();
  EXPECT_EQ(t.Kind, 24) << "the template keeps the kind the menus show";
  EXPECT_EQ(t.PenMode, 7);
  const auto bytes = ReadWholeFile(AppDir() + "UserDefs.zqt");
  EXPECT_EQ(bytes.size(), 1294u);
  TStoredProperties expected(Figures);
  expected.Assign(t);
  expected.Kind = 0;
  expected.PenMode = 4;

  t.PenColor = clRed;
  t.SetPolygonSides(5);
  t.SetWantDimensions(false);
  form->On1->setChecked(false);
  Action("Load1")->trigger();
  EXPECT_EQ(Record(t), Record(expected));
  EXPECT_EQ(t.PenColor, TColor(0x123456));
  EXPECT_TRUE(form->On1->isChecked());

  // The same file without its header loads as well.
  WriteBytes("ProgDefs.zqt", std::vector<uint8_t>(bytes.begin(), bytes.end() - 436));
  t.PenColor = clRed;
  Action("Load2")->trigger();
  EXPECT_EQ(t.PenColor, TColor(0x123456));
  EXPECT_TRUE(rec->Texts().empty());
}

TEST_F(DrawingDefaults, ShortOrDamagedFileLeavesTheTemplate) {
  Action("Save1")->trigger();
  const auto bytes = ReadWholeFile(AppDir() + "UserDefs.zqt");
  TRealFig& t = *Figures->Template;
  t.PenColor = clLime;
  const auto before = Record(t);
  std::vector<uint8_t> damaged(bytes.begin(), bytes.end());
  damaged[0] = 200;  // more nodes than the engine has
  for (const auto& file : {std::vector<uint8_t>(bytes.begin(), bytes.begin() + 100), damaged}) {
    WriteBytes("UserDefs.zqt", file);
    rec->Calls.clear();
    Action("Load1")->trigger();
    EXPECT_EQ(Record(t), before);
    EXPECT_EQ(rec->Texts().size(), 1u);
  }
  EXPECT_EQ(rec->Texts().back().rfind("Unable to load from stream as source nodes (200", 0), 0u) << rec->Texts().back();
}

TEST_F(DrawingDefaults, OlderZqsNameIsTakenOver) {
  Action("Save1")->trigger();
  ASSERT_TRUE(RenameFile(AppDir() + "UserDefs.zqt", AppDir() + "UserDefs.zqs"));
  QMenu* user1 = form->findChild<QMenu*>("User2");
  ASSERT_NE(user1, nullptr);
  Action("Load1")->setEnabled(false);
  emit user1->aboutToShow();
  EXPECT_TRUE(Action("Load1")->isEnabled());
  Action("Load1")->trigger();
  EXPECT_TRUE(FileExists(AppDir() + "UserDefs.zqt"));
  EXPECT_FALSE(FileExists(AppDir() + "UserDefs.zqs"));
  std::remove((AppDir() + "UserDefs.zqt").c_str());
  emit user1->aboutToShow();
  EXPECT_FALSE(Action("Load1")->isEnabled());
}

TEST(DefaultsShapesFile, NamePartInAnyCase) {
  EXPECT_TRUE(IsDefaultsShapesFile("/some/folder/userdefs.ZQS"));
  EXPECT_TRUE(IsDefaultsShapesFile("ProgDefs.zqs"));
  EXPECT_FALSE(IsDefaultsShapesFile("/a/UserDefs.zqt"));
  EXPECT_FALSE(IsDefaultsShapesFile("/UserDefs.zqs/other.zqs"));
}

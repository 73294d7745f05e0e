// Restacking and removing entries of the image-object tables.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "helpers/page_surface.h"
#include "page/image_objects.h"

namespace {
struct Tables {
  TImageRecTable recs{};
  TImageControls controls{};
  int count = 0;
  int selected = 0;
  std::vector<std::unique_ptr<TSizeChangedImage>> owned;
  explicit Tables(int n) {
    for (int i = 0; i < n; ++i) {
      owned.push_back(std::make_unique<TSizeChangedImage>());
      controls[size_t(i)] = owned.back().get();
      recs[size_t(i)].SetName("/pics/p" + std::to_string(i) + ".png");
      recs[size_t(i)].Rect = TStoredRect::From(TRect(i, i, i + 10, i + 10));
    }
    count = n;
  }
  TImageObjectTables View() { return {recs, controls, count, selected}; }
  // The original index of each entry, in table order.
  std::vector<int> Order() const {
    std::vector<int> out;
    for (int i = 0; i < count; ++i) {
      int k = 0;
      while (controls[size_t(i)] != owned[size_t(k)].get()) ++k;
      EXPECT_EQ(recs[size_t(i)].Rect.Left, k) << "record and control parted";
      out.push_back(k);
    }
    return out;
  }
};
}  // namespace

TEST(ImageObjectTables, RestackingKeepsTheOthersInOrder) {
  Tables t(4);
  t.selected = 1;
  EXPECT_TRUE(BringImageObjectToFront(t.View()));
  EXPECT_EQ(t.Order(), (std::vector<int>{0, 2, 3, 1}));
  EXPECT_EQ(t.selected, 3);
  EXPECT_FALSE(BringImageObjectToFront(t.View())) << "already topmost";
  t.selected = 2;
  EXPECT_TRUE(SendImageObjectToBack(t.View()));
  EXPECT_EQ(t.Order(), (std::vector<int>{3, 0, 2, 1}));
  EXPECT_EQ(t.selected, 0);
  EXPECT_FALSE(SendImageObjectToBack(t.View())) << "already lowest";
  Tables one(1);
  EXPECT_FALSE(BringImageObjectToFront(one.View()));
  EXPECT_FALSE(SendImageObjectToBack(one.View()));
}

TEST(ImageObjectTables, RemovingClearsTheVacatedSlotAndLowersTheSelection) {
  Tables t(3);
  t.selected = 2;
  EXPECT_EQ(RemoveImageObjectEntry(t.View(), 2), "/pics/p2.png");
  EXPECT_EQ(t.count, 2);
  EXPECT_EQ(t.selected, 1);
  EXPECT_EQ(t.controls[2], nullptr);
  EXPECT_EQ(t.recs[2], TImageObjectRec{});
  EXPECT_EQ(RemoveImageObjectEntry(t.View(), 0), "/pics/p0.png");
  EXPECT_EQ(t.Order(), (std::vector<int>{1}));
  EXPECT_EQ(t.selected, 0);
  EXPECT_EQ(RemoveImageObjectEntry(t.View(), 5), "");
  EXPECT_EQ(RemoveImageObjectEntry(t.View(), 0), "/pics/p1.png");
  EXPECT_EQ(t.count, 0);
  EXPECT_EQ(t.selected, 0);
}

TEST(ImageObjectTables, FileBaseNames) {
  struct Case { const char* name; const char* base; } cases[] = {
      {"/a/b/pic.1.png", "pic.1"}, {"/a/b/noext", "noext"}, {"C:\\x\\y.bmp", "y"}, {"", "kept"},
  };
  for (const Case& c : cases) {
    std::string base = "kept";
    FileBaseName(c.name, base);
    EXPECT_EQ(base, c.base) << c.name;
  }
  EXPECT_STREQ(ImageLimitMessage, "The Maximum ImageLimit is 100.\r You have reached this limit.");
}

// Moving selected characters up or down by a number of pixels.
#include <gtest/gtest.h>

#include "fake_text_host.h"
#include "text/selection_offset.h"

TEST_F(TextPageTest, SelectionOffsetAddsToEachSelectedCellInOneUndoStep) {
  Type("abcd");
  page.CharOffsets[1] = 0;
  page.CharOffsets[2] = -10;
  page.CharOffsets[3] = 3;
  page.SelStart = 1;
  page.SelEnd = 4;
  const int refreshes = host.Refreshes;
  ApplySelectionOffsetValue(page, &host.Window, 5);
  EXPECT_EQ(page.CharOffsets[1], -5);
  EXPECT_EQ(page.CharOffsets[2], -15);
  EXPECT_EQ(page.CharOffsets[3], -2);
  EXPECT_EQ(page.CharOffsets[4], 0) << "the cell after the selection keeps its offset";
  EXPECT_FALSE(page.HasTextSelection());
  EXPECT_EQ(page.SelStart, 0);
  EXPECT_GT(host.Refreshes, refreshes);
  EXPECT_EQ(host.Snapshots, 1);
  host.UndoText(&host.Window);
  EXPECT_EQ(page.CharOffsets[2], -10);
  EXPECT_EQ(page.CharOffsets[3], 3);
}

TEST_F(TextPageTest, SelectionOffsetLimitsAndRounding) {
  Type("abc");
  // Halves go to the even neighbour: 2.5 moves by 2, 3.5 by 4.
  page.SelStart = 1;
  page.SelEnd = 2;
  ApplySelectionOffsetValue(page, &host.Window, 2.5);
  EXPECT_EQ(page.CharOffsets[1], -2);
  page.SelStart = 1;
  page.SelEnd = 2;
  ApplySelectionOffsetValue(page, &host.Window, -3.5);
  EXPECT_EQ(page.CharOffsets[1], 2);

  // 254 cells or more: nothing changes, no snapshot, the selection stays.
  const int snapshots = host.Snapshots;
  page.SelStart = 1;
  page.SelEnd = 255;
  ApplySelectionOffsetValue(page, &host.Window, 5);
  EXPECT_EQ(page.CharOffsets[1], 2);
  EXPECT_EQ(host.Snapshots, snapshots);
  EXPECT_EQ(page.SelEnd, 255);

  // No selection: nothing changes but the page is still repainted.
  page.SelStart = page.SelEnd = 0;
  const int refreshes = host.Refreshes;
  ApplySelectionOffsetValue(page, &host.Window, 5);
  EXPECT_EQ(host.Snapshots, snapshots);
  EXPECT_GT(host.Refreshes, refreshes);
}

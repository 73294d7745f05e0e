// Points of old shape records, and copying figures to and from the platform's font, pen and brush.
#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <vector>

#include "cad/engine.h"
#include "cad/old_shape_points.h"
#include "cad_test_support.h"
#include "platform/canvas.h"
#include "platform/font.h"

TEST(OldShapePoints, SlotsFromTheRecord) {
  std::vector<uint8_t> record(OldShapeRecordSize, 0);
  for (int i = 0; i < 15; ++i) {
    const int32_t xy[2] = {100 + i, 200 + i};
    std::memcpy(record.data() + i * 8, xy, 8);
  }
  const int32_t tail[2] = {77, -88};
  std::memcpy(record.data() + 120, tail, 8);
  TPoint points[16];
  for (auto& p : points) p = TPoint(-1, -1);
  ReadOldShapePointsFromRecord(true, record.data(), record.size(), points, 16);
  EXPECT_EQ(points[0], TPoint(109, 209));
  EXPECT_EQ(points[1], TPoint(-1, -1)) << "slot 1 is left as it was";
  for (int i = 2; i <= 6; ++i) EXPECT_EQ(points[i], TPoint(108 + i, 208 + i));
  EXPECT_EQ(points[7], TPoint(77, -88));
  EXPECT_EQ(points[8], TPoint(-1, -1));

  TPoint untouched[8];
  for (auto& p : untouched) p = TPoint(5, 5);
  ReadOldShapePointsFromRecord(false, record.data(), record.size(), untouched, 8);
  ReadOldShapePointsFromRecord(true, record.data(), 100, untouched, 8);  // a short record
  ReadOldShapePointsFromRecord(true, record.data(), record.size(), untouched, 7);
  for (const auto& p : untouched) EXPECT_EQ(p, TPoint(5, 5));
}

class PlatformCopies : public CadTest {};

TEST_F(PlatformCopies, FontPenAndBrush) {
  TZQVCad engine(nullptr, 16, 96, 96);
  TRealFig fig(&engine);
  int events = 0;
  fig.OnChange = [&](TRealFig*) { ++events; };
  TFont font("Times New Roman", 12, fsBold | fsItalic, clBlue, SYMBOL_CHARSET);
  fig.Assign(font);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(fig.FontName, "Times New Roman");
  EXPECT_EQ(fig.FontSize, 120000);
  EXPECT_EQ(fig.FontStyle, fsBold | fsItalic);
  EXPECT_EQ(fig.FontColor, clBlue);
  EXPECT_EQ(fig.FontCharset, SYMBOL_CHARSET);
  TPen pen{clRed, 3, psDash, pmXor};
  fig.Assign(pen);
  EXPECT_DOUBLE_EQ(fig.PenWidth, 3.0 / 96);
  EXPECT_EQ(fig.PenMode, pmXor);
  EXPECT_EQ(fig.PenStyle, psDash);
  fig.Assign(TBrush{clGreen, bsCross});
  EXPECT_EQ(fig.BrushStyle, bsCross);
  EXPECT_EQ(events, 3);

  TFont out;
  fig.AssignTo(out);
  EXPECT_EQ(out, font);
  // The pen width follows the zoom, also when the view does not start at pixel 0.
  fig.SetPenWidth(0.25);
  engine.SetZoomLevel(6);  // 200 %
  TPen zoomed;
  fig.AssignTo(zoomed);
  EXPECT_EQ(zoomed.Width, 48);
  EXPECT_EQ(zoomed.Color, clRed);
  engine.Mapping.PixLeft += 500;
  engine.Mapping.PixRight += 500;
  fig.AssignTo(zoomed);
  EXPECT_EQ(zoomed.Width, 48);
  QImage image(10, 10, QImage::Format_RGB32);
  TCanvas canvas(&image);
  canvas.Brush = TBrush{clYellow, bsSolid};
  fig.AssignTo(canvas);
  EXPECT_EQ(canvas.Pen.Width, 48);
  EXPECT_EQ(canvas.Font.Name, "Times New Roman");
  EXPECT_EQ(canvas.Brush.Color, clYellow);
  TBrush brush;
  fig.AssignTo(brush);
  EXPECT_EQ(brush, (TBrush{clGreen, bsCross}));

  TRealFig orphan(nullptr);
  TPen p;
  EXPECT_THROW(orphan.AssignTo(p), Exception);
}

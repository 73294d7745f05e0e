// The real main window with a figure of every kind on its page: the page repaint draws them, at
// several zoom levels. The pictures are saved for a look when KV_PAGE_PICTURES names a folder.
#include <gtest/gtest.h>

#include <QDir>

#include "app/main_window_fixture.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "cad/mapping.h"
#include "cad/selectors.h"
#include "cad/cad_drawing_support.h"
#include "helpers/page_surface.h"
#include "platform/app_dir.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"

namespace {
struct PageFiguresTest : MainWindowFixture {};

// The page in 7 columns and 8 rows of cells, from the top left; the example figures (2 by 2
// world units) are scaled into their cells.
TMappingRec PageMap;
double CellW() { return (PageMap.WorldRight - PageMap.WorldLeft) / 7.4; }
double CellH() { return (PageMap.WorldTop - PageMap.WorldBottom) / 8.6; }
double Factor() { return std::min(CellW(), CellH()) / 2.2; }
TRealPoint CellOrigin(int kind) {
  return {PageMap.WorldLeft + (0.2 + kind % 7) * CellW(), PageMap.WorldTop - (0.3 + kind / 7 + 1) * CellH()};
}

std::unique_ptr<TRealFig> PageFigure(TZQVCad& engine, int kind) {
  auto f = ExampleFigure(engine, kind);
  const TRealPoint o = CellOrigin(kind);
  const double k = Factor();
  for (auto& n : f->Nodes) n.X = o.x + n.X * k, n.Y = o.y + n.Y * k;
  for (int i = 0; i < 2; ++i) f->Wave.WaveWidth[i] *= k, f->Wave.WaveHeight[i] *= k;
  f->ArrowHeadLength *= float(k), f->TickLength *= float(k), f->WavyLineHeight *= float(k);
  f->RectangleRadius *= float(k), f->ArcRadius *= float(k);
  f->Precision = 4;
  f->WantDimensions = kind <= 13 || (kind >= 46 && kind <= 47) || kind == 26;
  f->PenColor = kind % 3 == 0 ? clNavy : clBlack;
  f->PenWidth = kind % 5 == 0 ? 0.02 : 0;
  if (kind == 16) {
    // The fill paints the inside of the frame of kind 8.
    const TRealPoint c = CellOrigin(8);
    f->SetNodePoint(2, {c.x + Factor(), c.y + Factor(), 0});
    f->BrushColor = clYellow;
  }
  return f;
}

bool InkIn(const QImage& img, const TRect& r) {
  for (int y = std::max(0, r.Top); y < std::min(img.height(), r.Bottom); ++y)
    for (int x = std::max(0, r.Left); x < std::min(img.width(), r.Right); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return true;
  return false;
}
}  // namespace

TEST_F(PageFiguresTest, EveryKindAppearsOnThePageAtEveryZoom) {
  TForm1* form = CreateStartupWindows();
  ASSERT_NE(Figures, nullptr);
  PageMap = Figures->GetMapping();
  for (int kind = 0; kind <= MaxFigureKind; ++kind) Figures->AddFigure(PageFigure(*Figures, kind).get());
  ASSERT_EQ(Figures->Count(), 55);  // the measuring tool is never stored
  const QString folder = qEnvironmentVariable("KV_PAGE_PICTURES");
  const TRect page(0, 0, form->MainImage->width(), form->MainImage->height());
  // The view centres on the arrow of kind 1 when zoomed.
  const TRealPoint o = CellOrigin(1);
  const TPoint centre = WorldToScreen(PageMap, o.x + 1.5 * Factor(), o.y + 1.2 * Factor());
  ASSERT_NE(Figures->Selector, nullptr);
  Figures->Selector->move(centre.X - 4, centre.Y - 4);
  for (int level : {0, 3, 4, 11}) {
    Figures->ApplyZoom(uint8_t(level), page);
    form->RefreshAllImages(nullptr, true);
    const QImage& img = form->MainImage->Bitmap().Image();
    if (!folder.isEmpty()) img.save(QDir(folder).filePath(QString("page-level-%1.png").arg(level)));
    EXPECT_TRUE(InkIn(img, page)) << level;
    if (level == 4) {
      for (int kind = 0; kind <= 54; ++kind) {
        // Kind 4 shows only its dimensions, which it does not want here; the fill paints elsewhere.
        if (kind == 4 || kind == 16) continue;
        const TRealPoint c = CellOrigin(kind);
        const TPoint a = WorldToScreen(Figures->Mapping, c.x, c.y + CellH()),
                     b = WorldToScreen(Figures->Mapping, c.x + CellW(), c.y);
        EXPECT_TRUE(InkIn(img, TRect(a.X, a.Y, b.X, b.Y))) << "kind " << kind;
      }
      // The fill painted the frame's inside.
      const TRealPoint c = CellOrigin(8);
      const TPoint inside = WorldToScreen(Figures->Mapping, c.x + Factor(), c.y + Factor());
      EXPECT_EQ(img.pixel(inside.X, inside.Y) & 0xFFFFFF, 0xFFFF00u);
    }
  }
  EXPECT_TRUE(rec->Texts().empty()) << rec->Texts()[0];
}

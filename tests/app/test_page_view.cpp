// The page as the user sees it in the shown main window: the zoomed page and its scroll bars,
// the caret when the wheel scrolls the page, text kept over the figures drawn on it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QScrollBar>
#include <QWheelEvent>

#include "app/main_window_custom_palette.h"
#include "app/text_window_fixture.h"
#include "app/window_hosts.h"
#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/selectors.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/caret.h"
#include "settings/button_sets.h"
#include "settings/custom_button_sets.h"
#include "text/page_geometry.h"

namespace {

struct PageView : TextPageTest {
  void Show(int width, int height) {
    form->resize(width, height);
    form->show();
    QApplication::processEvents();
  }
  void Press(TZQVSpeedButton* tool) {
    tool->SetDown(true);
    tool->click();
  }
  void Drag(TPoint from, TPoint to) {
    form->MainImageMouseDown(Qt::LeftButton, Qt::NoModifier, from.X, from.Y);
    form->MainImageMouseMove(Qt::LeftButton, Qt::NoModifier, (from.X + to.X) / 2, (from.Y + to.Y) / 2);
    form->MainImageMouseMove(Qt::LeftButton, Qt::NoModifier, to.X, to.Y);
    form->MainImageMouseUp(Qt::LeftButton, Qt::NoModifier, to.X, to.Y);
  }
  // A solid yellow rectangle drawn with the drawing tool.
  void DrawFilledRectangle(TPoint from, TPoint to) {
    Press(form->tbDraw);
    Figures->Template->SetKind(5);
    Figures->Template->SetPenColor(clBlack);
    Figures->Template->SetBrushColor(clYellow);
    Figures->Template->SetBrushStyle(uint8_t(bsSolid));
    Figures->CurrentFigure->Assign(*Figures->Template);
    Drag(from, to);
  }
  QRgb PagePixel(int x, int y) const { return form->MainImage->Bitmap().Image().pixel(x, y) & 0xFFFFFF; }
};

// Zoomed in on a point right of the middle, a figure in the middle of the page lies inside the
// page image, the horizontal scroll bar reaches it, and it is drawn there.
TEST_F(PageView, TheScrollBarsReachTheWholeZoomedPage) {
  Show(1100, 700);
  const int mid = PageWidth / 2;
  DrawFilledRectangle({mid - 20, 300}, {mid + 20, 340});
  ASSERT_EQ(Figures->Count(), 1);
  QWidget* viewport = form->ScrollBox1->viewport();
  // The reference point near the right of the view.
  Figures->Selector->move(std::min(viewport->width(), int(PageWidth)) - 60, 100);
  form->findChild<QAction*>("Z7")->trigger();  // "2"
  ASSERT_EQ(Figures->ZoomLevel(), 6);
  EXPECT_TRUE(form->PanelText(5).endsWith(" View:*2")) << form->PanelText(5).toStdString();
  const TRealFig& f = *Figures->GetFigure(0);
  const TPoint a = WorldToScreen(Figures->Mapping, f.Point(0).x, f.Point(0).y);
  const TPoint b = WorldToScreen(Figures->Mapping, f.Point(2).x, f.Point(2).y);
  const int left = std::min(a.X, b.X), right = std::max(a.X, b.X);
  const int top = std::min(a.Y, b.Y), bottom = std::max(a.Y, b.Y);
  EXPECT_GE(left, 0);
  EXPECT_GE(top, 0);
  ASSERT_LE(right, form->MainImage->width());
  ASSERT_LE(bottom, form->MainImage->height());
  QScrollBar* h = form->ScrollBox1->horizontalScrollBar();
  EXPECT_GE(h->maximum() + viewport->width(), right);
  EXPECT_EQ(PagePixel((left + right) / 2, (top + bottom) / 2), 0xFFFF00u);
  // The whole zoomed page is reachable: 200 % of the page's width.
  EXPECT_GE(h->maximum() + viewport->width(), 2 * int(PageWidth) - 2);
  // Full size gives the page image its own size back.
  form->FullSize1->trigger();
  EXPECT_EQ(form->MainImage->width(), int(PageWidth));
  EXPECT_EQ(form->MainImage->height(), int(PageHeight));
  EXPECT_TRUE(rec->Texts().empty());
}

// The wheel scrolls the page; the caret goes with the text it stands at.
TEST_F(PageView, TheCaretMovesWithThePageWhenTheWheelScrolls) {
  Show(700, 400);
  for (int i = 0; i < 30; ++i) {
    Type("line");
    Key(VK_RETURN);
  }
  Type("end");
  QScrollBar* v = form->ScrollBox1->verticalScrollBar();
  v->setValue(v->maximum() / 2);
  form->SetCaretPosition(form, 0, 0);
  const TCaretState before = CaretState();
  ASSERT_TRUE(before.Exists);
  const int scrolled = v->value();
  QWidget* viewport = form->ScrollBox1->viewport();
  const QPointF at(100, 100);
  QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(viewport, &wheel);
  const int delta = v->value() - scrolled;
  ASSERT_NE(delta, 0);
  EXPECT_EQ(CaretState().Position, before.Position - QPoint(0, delta));
  // The caret stands where the caret placement puts it for the scrolled page.
  form->SetCaretPosition(form, 0, 0);
  EXPECT_EQ(CaretState().Position, before.Position - QPoint(0, delta));
}

// A filled figure drawn over text leaves the text on top.
TEST_F(PageView, TextStaysOverAFilledFigureDrawnOnIt) {
  Show(1000, 700);
  Type("WWWW");
  const TPoint first = form->CharPositions[1];
  // A pixel of the text's ink.
  int inkX = -1, inkY = -1;
  for (int y = first.Y - 14; y < first.Y && inkX < 0; ++y)
    for (int x = first.X; x < form->CharPositions[5].X; ++x)
      if (PagePixel(x, y) == 0) {
        inkX = x;
        inkY = y;
        break;
      }
  ASSERT_GE(inkX, 0);
  DrawFilledRectangle({first.X - 10, first.Y - 30}, {form->CharPositions[5].X + 10, first.Y + 10});
  ASSERT_EQ(Figures->Count(), 1);
  EXPECT_EQ(PagePixel(first.X - 5, first.Y + 5), 0xFFFF00u);  // the fill
  EXPECT_EQ(PagePixel(inkX, inkY), 0u);                      // the text over it
}

// Every one-character custom button of every factory set, and a large brace, keep their glyph
// inside the frame:
// no ink of the glyph's colour on the ring of pixels just inside the frame.
TEST_F(PageView, CustomButtonGlyphsStayInsideTheirButtons) {
  Show(1000, 700);
  auto inkOnRing = [](TCustButPanel* b) {
    const QImage img = b->grab().toImage();
    const QRgb ink = b->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF;
    const int in = b->lineWidth();
    for (int x = in; x < img.width() - in; ++x)
      for (int y : {in, img.height() - 1 - in})
        if ((img.pixel(x, y) & 0xFFFFFF) == ink) return true;
    for (int y = in; y < img.height() - in; ++y)
      for (int x : {in, img.width() - 1 - in})
        if ((img.pixel(x, y) & 0xFFFFFF) == ink) return true;
    return false;
  };
  for (uint8_t set = 0; set < CustomButtonSetCount; ++set) {
    LoadFactoryButtonSet(form->Hosts(), set);
    for (int n = 1; n <= 42; ++n) {
      TCustButPanel* b = form->CustomButton(n);
      ASSERT_NE(b, nullptr);
      // A caption of several characters (a word, a sample run) is cut at the button's edge.
      if (b->Caption().size() != 1) continue;
      EXPECT_FALSE(inkOnRing(b)) << "set " << int(set) << " button " << n << " caption " << b->Caption().size()
                                 << " bytes, first " << int(uint8_t(b->Caption().empty() ? 0 : b->Caption()[0]))
                                 << ", font " << b->Font().Name << " " << b->Font().Size();
    }
  }
  TCustButPanel* b = form->CustomButton(31);
  TFont large;
  large.Name = "ZQVSerif";
  large.SetSize(48);
  b->SetFont(large);
  b->SetCaption(std::string(1, char(143)));
  EXPECT_FALSE(inkOnRing(b));
  EXPECT_EQ(b->Font().Size(), 48);  // the character inserted keeps its size
}

// A selected image object shows a quarter turn and a grey scale on the screen at once, while it
// is still selected (what the window shows, not a fresh paint of it).
TEST_F(PageView, ASelectedImageObjectShowsItsChangesAtOnce) {
  Show(1000, 700);
  QTemporaryDir dir;
  const QString path = dir.filePath("halves.png");
  QImage image(60, 30, QImage::Format_RGB32);
  image.fill(Qt::red);
  for (int y = 0; y < 30; ++y)
    for (int x = 30; x < 60; ++x) image.setPixel(x, y, qRgb(0, 0, 255));
  ASSERT_TRUE(image.save(path, "PNG"));
  ASSERT_TRUE(form->LoadImageObject(path.toStdString(), TPoint(100, 80)));
  form->SelectedImage = 0;
  form->SelectImage(0);
  TSizeChangedImage* c = form->Images[0];
  ASSERT_NE(c, nullptr);
  auto seen = [&](double fx, double fy) {
    QApplication::processEvents();
    const QImage shot = form->screen()->grabWindow(form->winId()).toImage();
    const QPoint p = c->mapTo(form, QPoint(int(c->width() * fx), int(c->height() * fy)));
    return QColor(shot.pixel(p));
  };
  ASSERT_NE(seen(0.25, 0.5), seen(0.75, 0.5));  // red left, blue right
  form->findChild<QAction*>("N901")->trigger();   // a quarter turn
  ASSERT_EQ(c->height(), 60);
  EXPECT_NE(seen(0.5, 0.25), seen(0.5, 0.75));  // the halves are now above each other
  form->findChild<QAction*>("GreyScale1")->trigger();
  for (const QColor px : {seen(0.5, 0.25), seen(0.5, 0.75)}) {
    EXPECT_EQ(px.red(), px.green());
    EXPECT_EQ(px.green(), px.blue());
  }
  EXPECT_EQ(form->FramedImage, 0);  // still selected
  EXPECT_TRUE(rec->Texts().empty());
}

// The reference square leaves a page whose figures were all deleted or undone, and comes back
// when a drawing tool is pressed again.
TEST_F(PageView, TheReferenceSquareLeavesAPageWithoutFigures) {
  Show(1000, 700);
  QWidget* viewport = form->ScrollBox1->viewport();
  DrawFilledRectangle({100, 300}, {160, 340});
  ASSERT_EQ(Figures->Count(), 1);
  EXPECT_TRUE(Figures->Selector->isVisibleTo(viewport));
  form->tbUndo->click();  // the drawing undone
  ASSERT_EQ(Figures->Count(), 0);
  EXPECT_FALSE(Figures->Selector->isVisibleTo(viewport));
  Press(form->tbDraw);
  EXPECT_TRUE(Figures->Selector->isVisibleTo(viewport));
  DrawFilledRectangle({100, 300}, {160, 340});
  ASSERT_EQ(Figures->Count(), 1);
  Key(VK_DELETE);  // the figure deleted
  ASSERT_EQ(Figures->Count(), 0);
  EXPECT_FALSE(Figures->Selector->isVisibleTo(viewport));
}

}  // namespace

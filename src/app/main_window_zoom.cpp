// The Zoom menu: twelve levels of the CAD engine, Full Size and the toggle between them.
#include <algorithm>

#include <QActionGroup>
#include <QMenu>
#include <QScrollBar>

#include "app/main_window.h"
#include "app/main_window_zoom.h"
#include "cad/engine.h"
#include "cad/zoom.h"
#include "helpers/page_surface.h"
#include "platform/bitmap.h"
#include "platform/caret.h"
#include "text/page_geometry.h"

namespace {

QAction* ZoomItem(TForm1* f, int n) { return f->findChild<QAction*>(QString("Z%1").arg(n)); }

}  // namespace

void TForm1::Z12Click(QObject* Sender) {
  if (Sender != FullSize1 && Sender != Toggles1)
    if (auto* a = qobject_cast<QAction*>(Sender)) a->setChecked(true);
  int level = 4;
  if (Sender != FullSize1) {
    for (int n = 1; n <= 12; ++n)
      if (QAction* a = ZoomItem(this, n); a && a->isChecked()) {
        level = n - 1;
        break;
      }
  }
  // Full Size shows ticked while the page is at full size.
  FullSize1->setChecked(level == 4);
  ZoomIn1->setEnabled(level == 4);
  const int width = std::min(ScrollBox1->width(), int(PageWidth));
  ApplyZoom(level, TRect(0, 0, width, ScrollBox1->height()));
}

void TForm1::ApplyZoom(int Level, TRect Rect) {
  const TRect visible = ScrolledRect(Rect);
  if (Figures) Figures->ApplyZoom(uint8_t(Level), visible);
  ZoomIn1->setEnabled(Level == 4);
  FullSize1->setChecked(Level == 4);
  FitPageImageToZoom(*this);
  RefreshAllImages(this, false);
}

namespace {

// The largest side of the page image while zoomed, in pixels (never less than the page's own).
constexpr int kZoomedImageMaxSide = 4096;

// One axis of the zoomed view: the zoomed page is Zoomed pixels long, the page Page, the visible
// part View; Offset is how far the view's edge lies inside the zoomed page where the engine has
// put the view. Gives the page image's length, the zoomed page's offset within the image
// (Origin: the image's first pixel is the zoomed page's pixel Origin) and the scroll bar's value.
struct TZoomAxis {
  int Length = 0, Origin = 0, Scroll = 0;
};
TZoomAxis FitZoomAxis(int Zoomed, int Page, int View, int Offset) {
  TZoomAxis a;
  a.Length = std::max(Page, std::min(Zoomed, std::max(Page, kZoomedImageMaxSide)));
  const int room = std::max(0, a.Length - View);  // the scroll bar's range
  if (Zoomed > a.Length)
    a.Origin = std::clamp(Offset - room / 2, 0, Zoomed - a.Length);
  a.Scroll = std::clamp(Offset - a.Origin, 0, room);
  return a;
}

}  // namespace

void FitPageImageToZoom(TForm1& F) {
  // The engine puts the zoomed page where the reference point comes to the middle of the view,
  // which can leave parts of it left of or above the page image where no scroll bar reaches.
  // Instead the zoomed page starts at the page image's corner, the page image grows to hold it
  // (up to a limit; beyond it the image holds the part around the view), and the scroll bars
  // show the part of it the engine chose.
  if (!Figures || !F.MainImage || !Figures->Zoom) return;
  const TMappingRec level = Figures->Zoom->GetLevelMapping(Figures->ZoomLevel());
  const TPoint scroll = F.GetScrollOffset();
  const int viewW = F.ScrollBox1->viewport()->width(), viewH = F.ScrollBox1->viewport()->height();
  // Where the view's corner lies in the zoomed page as the engine placed it.
  const int offsetX = scroll.X - (Figures->Mapping.PixLeft - level.PixLeft);
  const int offsetY = scroll.Y - (Figures->Mapping.PixTop - level.PixTop);
  TZoomAxis h, v;
  if (Figures->ZoomLevel() == 4) {
    h = {int(PageWidth), 0, scroll.X};
    v = {int(PageHeight), 0, scroll.Y};
  } else {
    h = FitZoomAxis(level.PixRight - level.PixLeft, int(PageWidth), viewW, offsetX);
    v = FitZoomAxis(level.PixBottom - level.PixTop, int(PageHeight), viewH, offsetY);
  }
  Figures->Mapping.PixLeft = level.PixLeft - h.Origin;
  Figures->Mapping.PixRight = level.PixRight - h.Origin;
  Figures->Mapping.PixTop = level.PixTop - v.Origin;
  Figures->Mapping.PixBottom = level.PixBottom - v.Origin;
  if (F.MainImage->width() != h.Length || F.MainImage->height() != v.Length) {
    F.MainImage->resize(h.Length, v.Length);
    F.MainImage->Bitmap().SetSize(h.Length, v.Length);
  }
  F.ScrollBox1->horizontalScrollBar()->setRange(0, std::max(0, h.Length - viewW));
  F.ScrollBox1->verticalScrollBar()->setRange(0, std::max(0, v.Length - viewH));
  F.ScrollBox1->horizontalScrollBar()->setValue(h.Scroll);
  F.ScrollBox1->verticalScrollBar()->setValue(v.Scroll);
}

void TickZoomInUse(TForm1& F) {
  // The level the settings ticked stays the toggle's target.
  for (int n = 1; n <= 12; ++n)
    if (QAction* a = ZoomItem(&F, n); a && a->isChecked()) F.Toggles1->setProperty("kvToggleLevel", n - 1);
  const int level = Figures ? Figures->ZoomLevel() : 4;
  if (QAction* a = ZoomItem(&F, level + 1)) a->setChecked(true);
  F.FullSize1->setChecked(level == 4);
}

void TForm1::Toggles1Click(QObject* Sender) {
  if (Figures && Figures->ZoomLevel() != 4) {
    ApplyZoom(4, TRect());
    return;
  }
  // While the submenu shows the level in use it set at start, the toggle goes to the level the
  // settings ticked.
  const QVariant saved = Toggles1->property("kvToggleLevel");
  if (QAction* start = ZoomItem(this, 5); start && start->isChecked() && saved.isValid() && saved.toInt() != 4)
    if (QAction* a = ZoomItem(this, saved.toInt() + 1)) {
      Z12Click(a);
      return;
    }
  Z12Click(Toggles1);
}

TPoint TForm1::GetScrollOffset() {
  TPoint p;
  if (ScrollBox1->horizontalScrollBar()->isVisible()) p.X = ScrollBox1->horizontalScrollBar()->value();
  if (ScrollBox1->verticalScrollBar()->isVisible()) p.Y = ScrollBox1->verticalScrollBar()->value();
  return p;
}

TRect TForm1::ScrolledRect(TRect Rect) {
  const TPoint o = GetScrollOffset();
  return TRect(Rect.Left + o.X, Rect.Top + o.Y, Rect.Right + o.X, Rect.Bottom + o.Y);
}

void TForm1::WireZoomCommands() {
  auto* group = new QActionGroup(this);
  group->setExclusive(true);
  // The twelve levels sit in the Zoom In submenu, so that disabling it disables them all.
  QMenu* levels = ZoomIn1->menu();
  if (!levels) {
    levels = new QMenu(this);
    levels->setObjectName("ZoomIn1Menu");
    ZoomIn1->setMenu(levels);
  }
  static const char* const kCaptions[12] = {"0.2*", "0.4", "0.6", "0.8", "1", "1.5", "2", "4", "8", "10", "20", "50*"};
  for (int n = 1; n <= 12; ++n) {
    QAction* a = ZoomItem(this, n);
    if (!a) continue;
    a->setText(kCaptions[n - 1]);
    if (View1) View1->removeAction(a);
    levels->addAction(a);
    a->setCheckable(true);
    group->addAction(a);
    if (n == 5) a->setChecked(true);
  }
  FullSize1->setCheckable(true);
  FullSize1->setChecked(true);
  KeepCaretOnScroll(*this);
}

void KeepCaretOnScroll(TForm1& F) {
  // The caret belongs to the scroll box's viewport, which does not move when the page scrolls
  // (by the wheel, the bars or the keys): it moves with the page, as the system caret moves with
  // a scrolled window.
  for (QScrollBar* bar : {F.ScrollBox1->horizontalScrollBar(), F.ScrollBox1->verticalScrollBar()}) {
    const bool horizontal = bar == F.ScrollBox1->horizontalScrollBar();
    QObject::connect(bar, &QScrollBar::valueChanged, &F, [&F, horizontal, last = bar->value()](int value) mutable {
      const int delta = value - last;
      last = value;
      const TCaretState caret = CaretState();
      if (delta == 0 || !caret.Exists || caret.Owner != F.ScrollBox1->viewport()) return;
      SetCaretPos(caret.Position.x() - (horizontal ? delta : 0), caret.Position.y() - (horizontal ? 0 : delta));
    });
  }
}

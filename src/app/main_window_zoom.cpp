// The Zoom menu: twelve levels of the CAD engine, Full Size and the toggle between them.
#include <QActionGroup>
#include <QMenu>
#include <QScrollBar>

#include "app/main_window.h"
#include "cad/engine.h"
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
  RefreshAllImages(this, false);
}

void TForm1::Toggles1Click(QObject* Sender) {
  if (Figures && Figures->ZoomLevel() != 4)
    ApplyZoom(4, TRect());
  else
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
}

// The resize frame as it is painted over the page.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include "helpers/drag_rect.h"

TEST(DragRect, HandlesInvertWhatLiesUnderThem) {
  for (const QColor under : {QColor(Qt::black), QColor(Qt::white), QColor(0x20, 0x80, 0xC0)}) {
    QWidget page;
    page.resize(200, 200);
    page.setAutoFillBackground(true);
    QPalette pal = page.palette();
    pal.setColor(QPalette::Window, under);
    page.setPalette(pal);
    auto* frame = new TDragRect(&page);
    frame->setGeometry(20, 20, 100, 60);
    frame->show();
    page.show();
    const QImage shot = page.grab().toImage();
    const QRgb inverse = QColor(255 - under.red(), 255 - under.green(), 255 - under.blue()).rgb() | 0xFF000000u;
    // A corner handle, a middle handle and the outline.
    for (const QPoint p : {QPoint(21, 21), QPoint(20 + 50, 21), QPoint(20 + 30, 20)})
      EXPECT_EQ(shot.pixel(p) | 0xFF000000u, inverse) << under.name().toStdString() << " " << p.x() << "," << p.y();
    // Inside, the page shows through.
    EXPECT_EQ(shot.pixel(60, 45) | 0xFF000000u, under.rgb() | 0xFF000000u);
  }
}

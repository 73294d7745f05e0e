// The drawing surface: the page image, its mouse handlers and the rubber-band rectangle.
#include "app/main_window.h"

#include <QScrollBar>
#include <algorithm>

#include "cad/engine.h"
#include "codecs/gif_image.h"
#include "codecs/jpeg_image.h"
#include "codecs/png_image.h"
#include "dialogs/color_dialog.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/canvas.h"
#include "platform/font.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "text/page_geometry.h"
#include "text/text_glue.h"

void TForm1::CreateNewImage(int width, int height) {
  ScrollBox1->horizontalScrollBar()->setValue(0);
  ScrollBox1->verticalScrollBar()->setValue(0);
  const int depth = ScreenColorDepth();
  PageBufferFormat = depth == 4 ? pf4bit : depth == 8 ? pf8bit : depth == 16 ? pf16bit : pf24bit;
  bool isNew = false;
  if (!MainImage) {
    MainImage = new TMainImage();
    MainImage->setObjectName("MainImage");
    isNew = true;
  }
  try {
    MainImage->setGeometry(0, 0, width, height);
  } catch (...) {
    ShowUnknownError("CreateNewImage setting size");
  }
  try {
    MainImage->Bitmap().SetPixelFormat(PageBufferFormat);
    MainImage->Bitmap().SetSize(width, height);
    MainImage->Bitmap().Image().fill(Qt::white);
  } catch (...) {
    ShowUnknownError("CreateNewImage Creating bitmap");
  }
  MainImage->setCursor(Qt::IBeamCursor);
  MainImage->SetMarginGuides(false);
  MainImage->SetMargins(TRect(lMargin, tMargin, rMargin, bMargin));
  if (isNew) {
    try {
      MainImage->setContextMenuPolicy(Qt::CustomContextMenu);
      connect(MainImage, &QWidget::customContextMenuRequested, this,
              [this](const QPoint& p) { PopupMenu1->popup(MainImage->mapToGlobal(p)); });
      ScrollBox1->setWidget(MainImage);
      MainImage->OnMouseDown = [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
        MainImageMouseDown(b, m, x, y);
      };
      MainImage->OnMouseMove = [this](Qt::MouseButtons b, Qt::KeyboardModifiers m, int x, int y) {
        MainImageMouseMove(b, m, x, y);
      };
      MainImage->OnMouseUp = [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
        MainImageMouseUp(b, m, x, y);
      };
    } catch (...) {
      ShowUnknownError("CreateNewImage assigning parent");
    }
  }
  MainImage->resize(width, height);
  MainImage->show();
  MainImage->update();
}

void TForm1::MainImageMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y) {
  if (FileBusy || !tbText->Down() || Button != Qt::LeftButton) return;
  DeselectImage(this, true);
  ClearSelection(true);
  MouseClickActive = true;
  try {
    CaretFromPoint(X, Y, 1);
  } catch (...) {
    MouseClickActive = false;
    throw;
  }
  MouseClickActive = false;
  SelStart = SelEnd = CurrentI;
  PaletteInsertCount = 0;
  SetCaretPosition(this, 0, 0);
  if (!MainFontPending) UpdateStyleButtons(this, false, 0);  // the buttons follow the text under the caret
}

void TForm1::MainImageMouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers, int X, int Y) {
  if (FileBusy || Button != Qt::RightButton || !MainImage) return;
  if (SelectionRectShown && SelectionRect.Contains(TPoint(X, Y)))
    PopupMenu2->popup(MainImage->mapToGlobal(QPoint(X, Y)));
}

void TForm1::MainImageMouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int) {
  // The page holds no pictures or image objects yet whose name the label could show.
  if (!LastItemLabel->text().isEmpty()) LastItemLabel->clear();
}

void TForm1::MetaPopupPopup(QObject*) {
  for (QAction* a : MetaPopup->actions()) a->setEnabled(ImageCount > 0);
}

void TForm1::DrawDragRect(TCanvas& Canvas, bool ClearAfter, TPoint Corner1, TPoint Corner2) {
  const TPen pen = Canvas.Pen;
  const TBrush brush = Canvas.Brush;
  Canvas.Pen = TPen{clBlack, 1, psDot, pmNotXor};
  if (ScreenColorDepth() <= 8 && !AppPalette.empty())
    Canvas.Pen.Color = AppPalette[size_t(NearestPaletteIndex(AppPalette.data(), int(AppPalette.size()), clBlack))];
  Canvas.Brush.Style = bsClear;
  Canvas.Rectangle(Corner1.X, Corner1.Y, Corner2.X, Corner2.Y);
  Canvas.Pen = pen;
  Canvas.Brush = brush;
  if (MainImage && &Canvas == &MainImage->Canvas()) MainImage->update();
  if (ClearAfter) {
    SelectionRect = TRect();
    SelectionRectShown = false;
  }
}

// The drawing surface: the page image, its mouse handlers and the rubber-band rectangle.
#include "app/main_window.h"
#include "app/shape_change.h"

#include <QCursor>
#include <QScrollBar>
#include <QThread>
#include <cmath>
#include <memory>
#include <algorithm>

#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/selectors.h"
#include "cad/units.h"
#include "platform/cursors.h"
#include "platform/keys.h"
#include "platform/numeric.h"
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
      // The page's popups open when the right button goes up (MainImageMouseUp); a context menu
      // on the press (as X11 delivers it) would grab the mouse and end every right-button drag.
      MainImage->setContextMenuPolicy(Qt::PreventContextMenu);
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
  // The printer check: warns when there is no printer to print the new page on.
  SetupPrinter1Click(nullptr);
}

namespace {

TMouseButton EngineButton(Qt::MouseButton b) {
  return b == Qt::RightButton ? mbRight : b == Qt::MiddleButton ? mbMiddle : mbLeft;
}

bool RectValid(const TRect& r) { return r.Right > r.Left && r.Bottom > r.Top; }

// The cursor the engine suggests: one of the program's numbered cursors, or the cross.
void SetSuggestedCursor(QWidget* w, int Index) {
  if (!w) return;
  if (Index == -3) w->setCursor(Qt::CrossCursor);
  else w->setCursor(ScreenCursor(Index));
}

}  // namespace

TPoint DragStartPoint;
TPoint DragEndPoint;
bool LeftDrawing = false;
TPoint SelectorDownCentre;

bool TForm1::DrawingTool() const { return tbDraw->Down() || tbMove->Down(); }

void TForm1::EngineMouseFlags(bool& Draw, bool& Move, bool& Snapping, bool& DimTracking) const {
  Draw = tbDraw->Down();
  Move = tbMove->Down();
  Snapping = ToggleOnOff1->isChecked();
  DimTracking = DimensionTracking1->isChecked();
}

void TForm1::MainImageMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Modifiers, int X, int Y) {
  if (!MainImage) return;
  ImageClickConsumed = DeselectImage(this, true);
  if (FileBusy || ImageClickConsumed) return;
  if (PickingColor(X, Y, 0)) return;
  if (Figures && Figures->Selector) {
    Figures->Selector->setEnabled(false);
    Figures->Selector->hide();
  }
  HideTextCaret();
  TCanvas& canvas = MainImage->Canvas();
  if (Button == Qt::LeftButton) {
    if (SelectionRectShown) DrawDragRect(canvas, true, SelectionRect.TopLeft(), SelectionRect.BottomRight());
    if (HasTextSelection()) ClearSelection(true);
  }
  if (tbSelect->Down()) {
    DragStartPoint = DragEndPoint = TPoint(X, Y);
    MainImage->update();
    return;
  }
  if (DrawingTool() && Figures) {
    bool draw, move, snapping, dims;
    EngineMouseFlags(draw, move, snapping, dims);
    Figures->MouseDown(canvas, EngineButton(Button), ShiftStateOf(Modifiers, Button), X, Y, draw, move, snapping, dims,
                       MouseSpeed);
  }
  PaletteInsertCount = 0;
  if (tbText->Down() && Button == Qt::LeftButton) {
    MouseClickActive = true;  // the caret is being placed: drag selection waits
    try {
      CaretFromPoint(X, Y, 1);
    } catch (...) {
      MouseClickActive = false;
      throw;
    }
    MouseClickActive = false;
    SelStart = SelEnd = CurrentI;
    SetCaretPosition(this, 0, 0);
    if (!MainFontPending) UpdateStyleButtons(this, false, 0);  // the buttons follow the text under the caret
  }
  MainImage->update();
}

void TForm1::MainImageMouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Modifiers, int X, int Y) {
  if (!MainImage || FileBusy || ImageClickConsumed || PickingColor(X, Y, 1)) return;
  const TShiftState shift = ShiftStateOf(Modifiers, Buttons);
  const bool left = (Buttons & Qt::LeftButton) != 0;
  LeftDrawing = left && tbDraw->Down();
  // Cursor of the page.
  if (tbText->Down() && !SelectionRectShown) {
    MainImage->setCursor(Qt::IBeamCursor);
  } else if (tbSelect->Down()) {
    if (RectValid(SelectionRect) || SelectionRectShown) {
      const bool inside = X >= SelectionRect.Left && X < SelectionRect.Right && Y >= SelectionRect.Top &&
                          Y < SelectionRect.Bottom;
      if (inside) MainImage->setCursor(ScreenCursor(5));
      else MainImage->setCursor(Qt::ArrowCursor);
    } else {
      MainImage->setCursor(ScreenCursor(1));
    }
  } else if (!left && Figures) {
    SetSuggestedCursor(MainImage, Figures->Measure.Cursor);
  }
  ScrollBox1->setCursor(MainImage->cursor());
  if (!(Buttons & (Qt::LeftButton | Qt::RightButton))) {
    if (!LastItemLabel->text().isEmpty() && ImageCount == 0) LastItemLabel->clear();
    // The name of the topmost image object under the pointer.
    if (ImageCount > 0 && !DisableImageSelection1->isChecked()) ShowImageObjectName(ImageObjectAt(X, Y));
  }
  const bool timer = DrawingTool() && ScanGrids1->isChecked();
  if (AccnTimer) {
    if (timer && !AccnTimer->isActive()) AccnTimer->start();
    if (!timer && AccnTimer->isActive()) AccnTimer->stop();
  }
  if (!timer) MouseSpeed.Speed = 0;
  if (tbText->Down() && left && !SelectionRectShown && !MouseClickActive) {
    DragSelectText(X, Y);
    MainImage->update();
  }
  if (shift != 0) AutoScroll(X, Y);
  TCanvas& canvas = MainImage->Canvas();
  if (tbSelect->Down() && left) {
    DrawDragRect(canvas, false, DragStartPoint, DragEndPoint);
    DragEndPoint = TPoint(X, Y);
    DrawDragRect(canvas, false, DragStartPoint, DragEndPoint);
    SelectionRectShown = true;
    ShowRectangleReadouts();
    return;
  }
  if (DrawingTool() && Figures) {
    bool draw, move, snapping, dims;
    EngineMouseFlags(draw, move, snapping, dims);
    try {
      Figures->MouseMove(canvas, shift, X, Y, draw, move, snapping, dims, MouseSpeed);
    } catch (...) {
      // One failed rubber-band step must not stop the drag.
    }
    MainImage->update();
    SetSuggestedCursor(MainImage, Figures->Measure.Cursor);
    try {
      ShowMeasurements(Figures->CurrentFigure->Kind, shift, Figures->DrawInfo, TPoint(X, Y));
    } catch (...) {
    }
    SetNodeLed(!Figures->Measure.OnNode);
    if (Figures->Measure.OnNode && BeepTicks1->isChecked()) MessageBeep(0);
  }
}

void TForm1::MainImageMouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Modifiers, int X, int Y) {
  if (!MainImage) return;
  struct TFinalPart {
    TForm1& w;
    ~TFinalPart() {
      try {
        w.FinishMouseUp();
      } catch (...) {
      }
    }
  } finalPart{*this};
  if (PickingColor(X, Y, 2)) return;
  if (FileBusy || ImageClickConsumed) {
    ImageClickConsumed = false;
    return;
  }
  if (Figures) LastItemLabel->setText("Last Line: " + QString::number(Figures->LastSelectedIndex()));
  TCanvas& canvas = MainImage->Canvas();
  const TPoint p(X, Y);
  const bool engineCompletes =
      tbDraw->Down() && Figures && MultiNodeKinds.Has(Figures->CurrentFigure->Kind);
  if (Button == Qt::RightButton && !engineCompletes && !(Figures && Figures->Dragging)) {
    bool opened = false;
    if (SelectionRectShown && X >= SelectionRect.Left && X <= SelectionRect.Right && Y >= SelectionRect.Top &&
        Y <= SelectionRect.Bottom) {
      PopupMenu2->popup(MainImage->mapToGlobal(QPoint(X, Y)));
      opened = true;
    }
    if (!opened && !LeftDrawing && !HasTextSelection() && ImageCount > 0 && !DisableImageSelection1->isChecked()) {
      const int i = ImageObjectAt(X, Y);
      if (i >= 0) {
        SelectedImage = i;
        MetaPopup->popup(MainImage->mapToGlobal(QPoint(X, Y)));
        opened = true;
      }
    }
    if (!opened && !SelectionRectShown && !RectValid(SelectionRect) && !tbSelect->Down() && !tbMove->Down()) {
      PopupMenu1->popup(MainImage->mapToGlobal(QPoint(X, Y)));
    }
  }
  if (tbSelect->Down() && Button == Qt::LeftButton && SelectionRectShown) {
    SelectionRect = TRect(DragStartPoint.X, DragStartPoint.Y, X, Y);
    DrawDragRect(canvas, false, SelectionRect.TopLeft(), SelectionRect.BottomRight());
    SelectionRect = TRect(std::min(SelectionRect.Left, SelectionRect.Right),
                          std::min(SelectionRect.Top, SelectionRect.Bottom),
                          std::max(SelectionRect.Left, SelectionRect.Right),
                          std::max(SelectionRect.Top, SelectionRect.Bottom));
    DrawDragRect(canvas, false, SelectionRect.TopLeft(), SelectionRect.BottomRight());
    if (SelectionRect.Width() <= 5 || SelectionRect.Height() <= 5) {
      DrawDragRect(canvas, true, SelectionRect.TopLeft(), SelectionRect.BottomRight());
    } else if (Figures) {
      Figures->SelectInRect(SelectionRect);
    }
    if (!SelectionRect.IsEmpty() && Figures && Figures->Selector) {
      TReferenceSelector* s = Figures->Selector;
      s->SetBounds(SelectionRect.Left + SelectionRect.Width() / 2 - s->width() / 2 -
                       ScrollBox1->horizontalScrollBar()->value(),
                   SelectionRect.Top + SelectionRect.Height() / 2 - s->height() / 2 -
                       ScrollBox1->verticalScrollBar()->value(),
                   s->width(), s->height());
    }
    ShowRectangleReadouts();
    MainImage->update();
  }
  if (DrawingTool() && Figures) {
    bool draw, move, snapping, dims;
    EngineMouseFlags(draw, move, snapping, dims);
    bool recorded = false;
    {
      // One shape entry for what this mouse-up recorded; nothing when the engine recorded nothing.
      TShapeChange change(*this, this);
      Figures->MouseUpPlain(canvas, EngineButton(Button), 0, X, Y, draw, move, snapping, dims);
      recorded = change.Changed();
    }
    // An edited figure would otherwise still show where it was until the next full repaint.
    if (recorded && tbMove->Down() && !Figures->AutoRefresh && !AlwaysRefresh1->isChecked())
      RefreshAllImages(this, false);
    else if (recorded)
      RefreshText(&canvas, 1.0, 1.0, false, 1);  // the page keeps its text over the new figure
    SetSuggestedCursor(MainImage, Figures->Measure.Cursor);
    try {
      ShowMeasurements(Figures->CurrentFigure->Kind, 0, Figures->DrawInfo, p);
    } catch (...) {
    }
    MainImage->update();
  }
  if (tbText->Down() && !LeftDrawing) {
    if (!MainFontPending) UpdateStyleButtons(this, HasTextSelection(), 0);
    MainImage->setCursor(Qt::IBeamCursor);
    if (HasTextSelection()) TrimSelectionToText();
    SetCaretPosition(this, 0, 0);
  }
}

void TForm1::FinishMouseUp() {
  UpdateEditButtons();
  if (MainImage) ScrollBox1->setCursor(MainImage->cursor());
  if (Figures) LastItemLabel->setText("Last Item Selected = " + QString::number(Figures->LastSelectedIndex() + 1));
  if (tbMove->Down() && Figures && MainImage) {
    if (!Figures->AutoRefresh && AlwaysRefresh1->isChecked()) RefreshAllImages(this, false);
    if (WantTicks1->isChecked()) {
      const int last = Figures->LastSelectedIndex();
      Figures->DrawNodeTicks(MainImage->Canvas(), last, last, NOTSRCCOPY, false, -1);
      MainImage->update();
    }
  }
  UpdateCadSelector();
}

void TForm1::SetNodeLed(bool State) {
  if (NodeLed && NodeLed->State() != State) NodeLed->SetState(State);
}

void TForm1::AutoScroll(int X, int Y) {
  QScrollBar* v = ScrollBox1->verticalScrollBar();
  QScrollBar* h = ScrollBox1->horizontalScrollBar();
  const QPoint pt = MainImage->mapTo(ScrollBox1->viewport(), QPoint(X, Y));
  const int height = ScrollBox1->viewport()->height(), width = ScrollBox1->viewport()->width();
  auto step = [this](QScrollBar* bar, int delta) {
    bar->setValue(bar->value() + delta);
    if (ScrollBarSnooze > 0) {
      QThread::msleep(unsigned(ScrollBarSnooze));
      MainImage->repaint();
    }
  };
  if (pt.y() > height && v->isVisible()) step(v, 10);
  else if (pt.y() < 5 && v->isVisible() && v->value() > 0) step(v, -10);
  if (pt.x() > width && h->isVisible()) step(h, 10);
  else if (pt.x() < 5 && h->isVisible() && h->value() > 0) step(h, -10);
}

void TForm1::ShowRectangleReadouts() {
  const int dx = DragEndPoint.X - DragStartPoint.X, dy = DragEndPoint.Y - DragStartPoint.Y;
  double dxw = dx, dyw = dy;
  if (Figures) {
    const TMappingRec map = Figures->Mapping;
    dxw = double(ScreenToWorldX(map, DragEndPoint.X) - ScreenToWorldX(map, DragStartPoint.X));
    dyw = double(ScreenToWorldX(map, DragEndPoint.Y) - ScreenToWorldX(map, DragStartPoint.Y));
  }
  SetPanelText(2, QString::fromStdString("rx=" + FormatFloat("0.000", dxw) + " ry=" + FormatFloat("0.000", dyw)));
  SetPanelText(3, QString("px=%1 py=%2").arg(dx).arg(dy));
}

void TForm1::ShowMeasurements(int Kind, TShiftState Shift, const TDrawInfoRec& Info, TPoint Mouse) {
  if (!StatusBar1->isEnabled()) return;
  if (!Figures) return;
  const long double z = Figures->ZoomFactor();
  const TMappingRec map = Figures->Mapping;
  // The extents in pixels at 100 %.
  const auto toPixels = [&](double v) {
    const long double px = WorldToScreenX(map, v) - WorldToScreenX(map, 0);
    return float(std::lround(z != 0 ? px / z : px));
  };
  const float W = toPixels(Info.DX), H = toPixels(Info.DY);
  const auto N = [](double v) { return QString::number(std::llround(v)); };
  const QString position = Info.GridColumn > -1 && Info.GridRow > -1
                               ? QString("Grid  X:%1 Y:%2").arg(Info.GridColumn).arg(Info.GridRow)
                               : QString("X: %1 Y: %2").arg(Mouse.X).arg(Mouse.Y);
  if ((Shift & ssLeft) == 0) {
    SetPanelText(3, position);
    StatusBar1->repaint();
    return;
  }
  const bool pixels = InPixels1->isChecked();
  const bool measure = Kind == fkMeasure;
  const char* F = measure ? "0.00000000000000" : "0.0000";
  const int widths[3] = {measure ? 170 : 110, measure ? 200 : 110, measure ? 280 : 130};
  for (int i = 0; i < 3; ++i) StatusPanels[size_t(i)]->setFixedWidth(widths[i]);
  const bool metric = Figures->Metric;
  // Widths and heights as lengths: FormatLength takes inches (and shows millimetres when metric),
  // the drawing information is in world units, centimetres when metric.
  const auto length = [metric](double world) {
    return QString::fromStdString(FormatLength(metric, metric ? world / 2.54 : world));
  };
  QString size;
  if (Kind == fkCircle || Kind == fkPolygon || Kind == fkFilledPolygon)
    size = "Radius: " + (pixels ? N(std::hypot(W, H)) : QString::fromStdString(FormatFloat(F, Info.Length)));
  else if (HorizontalLineKinds.Has(Kind))
    size = "Width: " + (pixels ? N(W) : length(Info.DX));
  else if (Kind == fkVerticalLine)
    size = "Height: " + (pixels ? N(H) : length(Info.DY));
  else if (CentredKinds.Has(Kind))
    size = "Width: " + (pixels ? N(W * 2) : length(Info.DX * 2));
  else if (CanHaveLength)
    size = "Length:" + (pixels ? N(W) : QString::fromStdString(FormatFloat(F, Info.Length)));
  SetPanelText(0, size);
  SetPanelText(1, CanHaveAngle ? "Angle: " + QString::fromStdString(FormatFloat(WaveKinds.Has(Kind) ? "0.000" : F,
                                                                                 double(Info.Angle)))
                               : QString());
  if (Kind == fkGrid && DrawingTool()) {
    const auto cell = [&](double v) {
      return pixels ? N(double(WorldToScreenX(map, v) - WorldToScreenX(map, 0)))
                    : QString::fromStdString(FormatFloat("0.000", v));
    };
    SetPanelText(3, "Grid:X,Y=" + cell(Info.GridCellWidth) + " " + cell(Info.GridCellHeight));
  } else {
    SetPanelText(3, position);
  }
  if (pixels)
    SetPanelText(2, "pdx:" + N(W) + " \rpdy:" + N(H));
  else
    SetPanelText(2, QString::fromStdString("dx:" + FormatFloat(F, Info.DX) + " \rdy:" + FormatFloat(F, Info.DY)));
  StatusBar1->repaint();
}

void TForm1::AccnTimerTimer(QObject*) {
  const QPoint p = QCursor::pos();
  MouseSpeed.Speed = float(std::hypot(double(p.x() - MouseSpeed.LastPos.X), double(p.y() - MouseSpeed.LastPos.Y)) / 3.0);
  MouseSpeed.LastPos = TPoint(p.x(), p.y());
}

void TForm1::DragSelectText(int X, int Y) {
  const int last = LastTextCell();
  if (SelStart > SelEnd) SelEnd = SelStart;
  int e = SelEnd;
  const auto cellX = [this](int i) { return CharPositions[size_t(std::clamp(i, 0, CellCount - 1))].X; };
  const auto cellY = [this](int i) { return CharPositions[size_t(std::clamp(i, 0, CellCount - 1))].Y; };
  if (X > cellX(e) || Y > cellY(e)) {
    if (Y > cellY(e) && X > cellX(e)) {
      do {
        if (e >= last + 1 || e >= 4094) break;
        HighlightChar(e);
        ++e;
      } while (Y >= cellY(e));
    } else if (e < 4094 && X > cellX(e) && Y < cellY(e) && cellY(e + 1) == cellY(e)) {
      while (X > cellX(e)) {
        if (e >= last + 1 || CharCodes[size_t(e)] == 0) break;
        HighlightChar(e);
        ++e;
      }
    }
  }
  if (e > 4095) e = 4095;
  if (e > SelStart && (cellX(e - 1) > X || Y < cellY(e) - (LineHeight + 1))) {
    while (e > 0 && Y < cellY(e) - (LineHeight + 1)) {
      UnhighlightChar(e);
      --e;
    }
    while (e > 0 && cellX(e) > X) {
      UnhighlightChar(e);
      --e;
    }
  }
  SelEnd = e;
}

namespace {
// The shape change a right drag of the reference selector makes: opened when the button goes
// down, closed when it comes up (the engine moves the selection in between).
std::unique_ptr<TShapeChange> SelectorChange;
}  // namespace

void TForm1::SelectorMouseDown(QObject* Sender, Qt::MouseButton Button, int, int) {
  if (Button == Qt::RightButton) SelectorChange = std::make_unique<TShapeChange>(*this, Sender);
  if (Button != Qt::RightButton || !SelectionRectShown || !RectValid(SelectionRect) || !MainImage || !Figures) return;
  TCanvas& canvas = MainImage->Canvas();
  const TBrush brush = canvas.Brush;
  if (Figures->Selector) SelectorDownCentre = Figures->Selector->GetCentre();
  DrawDragRect(canvas, false, SelectionRect.TopLeft(), SelectionRect.BottomRight());
  SelectionRectShown = false;
  if (!AlwaysRefresh1->isChecked()) {
    TRect r;
    Figures->GetExtents(SelectionRect, r);
    canvas.Brush.Color = Figures->BackgroundColor;
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(TRect(r.Left - 1, r.Top - 1, r.Right + 1, r.Bottom + 1));
  }
  canvas.Brush = brush;
  MainImage->update();
}

void TForm1::SelectorMouseUp(QObject* Sender, Qt::MouseButton Button, int, int) {
  bool moved = false;
  if (Button == Qt::RightButton && SelectorChange) {
    moved = SelectorChange->Changed();
    SelectorChange.reset();  // one undo entry for the move
  }
  // The figures moved: compose the page again, so that nothing shows where they were.
  if (moved && MainImage) {
    const bool shown = SelectionRectShown;
    RefreshAllImages(this, false);
    SelectionRectShown = shown;
  }
  if (!Figures || Sender != Figures->Selector || Button != Qt::RightButton || !RectValid(SelectionRect) || !MainImage)
    return;
  const TPoint c = Figures->Selector->GetCentre();
  const int dx = c.X - SelectorDownCentre.X, dy = c.Y - SelectorDownCentre.Y;
  SelectionRect = TRect(SelectionRect.Left + dx, SelectionRect.Top + dy, SelectionRect.Right + dx,
                        SelectionRect.Bottom + dy);
  DrawDragRect(MainImage->Canvas(), false, SelectionRect.TopLeft(), SelectionRect.BottomRight());
  SelectionRectShown = true;
  Figures->SelectInRect(SelectionRect);
}

void TForm1::SelectorNodeSnap(QObject* Sender) {
  if (auto* s = dynamic_cast<TReferenceSelector*>(Sender)) SetNodeLed(!s->OnNode);
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

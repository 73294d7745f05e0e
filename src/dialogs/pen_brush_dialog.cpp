#include "dialogs/pen_brush_dialog.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "cad/engine.h"
#include "cad/units.h"
#include "dialogs/app_palette.h"
#include "dialogs/draw_dialog_host.h"
#include "dialogs/form_placement.h"
#include "platform/app_dir.h"
#include "platform/canvas.h"
#include "platform/guarded.h"
#include "platform/messages.h"

TColorDlg* ColorDlg = nullptr;
uint32_t ChangedAttributes = 0;

namespace {
constexpr int HelpContext = 785;
constexpr uint32_t bitPenColor = 128, bitPenStyle = 256, bitPenWidth = 512, bitPenMode = 1024,
                   bitBrushColor = 2048, bitBrushStyle = 4096;

bool PenWidthsEqual(double a, double b) { return SameValueEps(a, b, 0.001); }

void OpenHelp(int Context) {
  if (OnMessageHelp) OnMessageHelp(Context);
}

// The six attributes of a figure, in the order Apply works through them.
struct TPenBrushValues {
  TColor PenColor;
  TColor BrushColor;
  uint8_t PenStyle;
  double PenWidth;
  uint8_t PenMode;
  uint8_t BrushStyle;
};

TPenBrushValues ValuesOf(const TRealFig& F) {
  return {F.PenColor, F.BrushColor, F.PenStyle, F.PenWidth, F.PenMode, F.BrushStyle};
}

void PutValues(TRealFig& F, const TPenBrushValues& V, uint32_t Bits) {
  if (Bits & bitPenColor) F.SetPenColor(V.PenColor);
  if (Bits & bitBrushColor) F.SetBrushColor(V.BrushColor);
  if (Bits & bitPenStyle) F.SetPenStyle(V.PenStyle);
  if (Bits & bitPenWidth) F.SetPenWidth(V.PenWidth);
  if (Bits & bitPenMode) F.SetPenMode(V.PenMode);
  if (Bits & bitBrushStyle) F.SetBrushStyle(V.BrushStyle);
}
}  // namespace

TColorDlg::TColorDlg(TDrawDialogHost& Host, QWidget* parent) : TDrawDialogBase(Host, parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
  setupUi(this);
  setModal(false);
  for (const char* s : {"Not", "Copy", "Not Copy", "Merge Pen Not", "Mask Pen Not", "Merge Not Pen", "Mask Not Pen",
                        "Merge", "Not Merge", "Mask", "Not Mask", "Xor", "Not Xor"})
    PenModes1->addItem(s);
  for (const char* s : {"Solid", "Dash", "Dot", "Dash Dot", "Dash Dot Dot"}) PenStyles1->addItem(s);
  for (const char* s : {"Solid", "Clear", "Horizontal", "Vertical", "Forward Diagonal", "Backward Diagonal", "Cross",
                        "Diagonal Cross"})
    BrushStyle1->addItem(s);
  PenWidth1->SetValueType(vtFloat);
  PenWidth1->SetDecimal(4);
  PenWidth1->SetIncrement(0.005);
  PenWidth1->SetMinValue(0.0001);
  PenWidth1->SetMaxValue(1);
  for (QWidget* w : {PaintBoxPalette, PenSwatch, brushSwatch}) w->installEventFilter(this);

  connect(PenModes1, &QComboBox::activated, this, [this](int i) { Guarded("PenModes1", [&] { SetPenMode(uint8_t(i + 3)); }); });
  connect(PenStyles1, &QComboBox::activated, this, [this](int i) {
    Guarded("PenStyles1", [&] {
      SetPenStyle(uint8_t(i));
      PenStyles1Change();
    });
  });
  connect(BrushStyle1, &QComboBox::activated, this, [this](int i) { Guarded("BrushStyle1", [&] { SetBrushStyle(uint8_t(i)); }); });
  PenWidth1->OnChange = [this](QObject*) {
    if (FLoading) return;
    Guarded("PenWidth1", [&] {
      SetPenWidth(PenWidth1->Value());
      if (PenWidth > 1.0) ShowItem(PenStyles1, 0);
    });
  };
  connect(Apply1, &QPushButton::clicked, this, [this] {
    Guarded("Apply1", [&] { ApplyChanges(Apply1); });
    Apply1->setEnabled(false);
  });
  connect(Cancel1, &QPushButton::clicked, this, [this] { Guarded("Cancel1", [&] { Cancel1Click(); }); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { close(); });
  connect(Button1, &QPushButton::clicked, this, [] { OpenHelp(HelpContext); });

  // Creation: the defaults, a fresh palette and the grid.
  PenMode = 4;
  PenStyle = 0;
  BrushStyle = 0;
  BrushColor = clBlack;
  PenColor = clBlack;
  ShowItem(PenModes1, 1);
  ShowItem(BrushStyle1, 0);
  ShowItem(PenStyles1, 0);
  FLoading = true;
  PenWidth1->SetValue(0.005);
  FLoading = false;
  FPalette = CreateAppPalette(GetColorDepth());
  TrueColorMode = GetColorDepth() > 8;
  BuildPaletteBitmap(false);
  PaintPenSwatch();
  PaintBrushSwatch();
}

void TColorDlg::ShowItem(QComboBox* Box, int Index) {
  const QSignalBlocker block(Box);
  Box->setCurrentIndex(Index >= 0 && Index < Box->count() ? Index : -1);
}

void TColorDlg::SetTrueColorMode(bool Value) {
  if (Value == TrueColorMode) return;
  TrueColorMode = Value;
  FPalette = CreateAppPalette(GetColorDepth());
}

QRect TColorDlg::CellRect(int Index) const {
  const int column = Index % 16, row = Index / 16;
  return QRect(QPoint(FCell.width() * column, FCell.height() * row),
               QPoint(FCell.width() * (column + 1) - 1, FCell.height() * (row + 1) - 1));
}

void TColorDlg::BuildPaletteBitmap(bool) {
  const QSize size = PaintBoxPalette->minimumSize();
  FCell = QRect(0, 0, size.width() / 16, size.height() / 16);
  if (FGrid.isNull()) {
    FGrid = QImage(size, QImage::Format_RGB32);
    FGrid.fill(Qt::white);
  }
  const bool paletteScreen = ScreenColorDepth() <= 8;
  TCanvas canvas(&FGrid);
  canvas.Pen = TPen{};
  for (int i = 0; i < 256; ++i) {
    TColor colour = AppPaletteColor(i);
    // Palette screens show palette entry i; deeper screens the table, with the static colours
    // of the system palette in cells 0-9 when it was read.
    if (FPalette && (paletteScreen || (SystemPaletteEntryCount > 0 && i < 10)) && size_t(i) < FPalette->size())
      colour = (*FPalette)[size_t(i)];
    canvas.Brush = TBrush{colour, bsSolid};
    const QRect r = CellRect(i);
    canvas.Rectangle(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
  }
}

// ---- the six setters

void TColorDlg::SetPenColor(TColor Value) {
  const bool changed = Value != PenColor;
  if (changed) {
    PenColor = Value;
    PaintPenSwatch();
    PaintBrushSwatch();
    Apply1->setEnabled(true);
  }
  if (changed || Value != PenColorAtActivation) ChangedAttributes |= bitPenColor;
  update();
}

void TColorDlg::SetPenStyle(uint8_t Value) {
  const bool changed = Value != PenStyle;
  if (changed) {
    PenStyle = Value;
    PaintPenSwatch();
    Apply1->setEnabled(true);
  }
  if (changed || Value != PenStyleAtActivation) ChangedAttributes |= bitPenStyle;
  update();
}

void TColorDlg::SetPenWidth(double Value) {
  const bool changed = !PenWidthsEqual(Value, PenWidth);
  if (changed) {
    PenWidth = Value == 0 ? 1e-7 : Value;
    PaintPenSwatch();
    Apply1->setEnabled(true);
  }
  if (changed || !PenWidthsEqual(Value, PenWidthAtActivation)) ChangedAttributes |= bitPenWidth;
  update();
}

void TColorDlg::SetPenMode(uint8_t Value) {
  const bool changed = Value != PenMode;
  if (changed) {
    PenMode = Value;
    PaintPenSwatch();
    Apply1->setEnabled(true);
  }
  if (changed || Value != PenModeAtActivation) ChangedAttributes |= bitPenMode;
  update();
}

void TColorDlg::SetBrushColor(TColor Value) {
  const bool changed = Value != BrushColor;
  if (changed) {
    BrushColor = Value;
    PaintBrushSwatch();
    Apply1->setEnabled(true);
  }
  if (changed || Value != BrushColorAtActivation) ChangedAttributes |= bitBrushColor;
  update();
}

void TColorDlg::SetBrushStyle(uint8_t Value) {
  const bool changed = Value != BrushStyle;
  if (changed) {
    BrushStyle = Value;
    PaintBrushSwatch();
    Apply1->setEnabled(true);
  }
  if (changed || Value != BrushStyleAtActivation) ChangedAttributes |= bitBrushStyle;
  update();
}

void TColorDlg::PenStyles1Change() {
  if (PenWidth > 1.0 && PenStyles1->currentIndex() != 0) {
    if (MessageDlg("Pen style has no effect for pen widths greater than 1\rYou can leave the pen style as selected but "
                   "subsequently\rediting the pen width to 1 will result in the line style\rreverting to the selected "
                   "style\r\rChange to solid pen?",
                   mtInformation, mbYes | mbNo, HelpContext) == mrYes &&
        isVisible())
      ShowItem(PenStyles1, 0);
  }
}

// ---- swatches

namespace {
// On palette screens a colour shows as its nearest palette entry.
TColor ShownColor(const HPALETTE& Palette, TColor Color) {
  if (ScreenColorDepth() > 8 || !Palette) return Color;
  const int index = GetNearestPaletteIndex(Palette, Color);
  return index >= 0 && size_t(index) < Palette->size() ? (*Palette)[size_t(index)] : Color;
}
}  // namespace

void TColorDlg::PaintPenSwatch() {
  const QSize size = PenSwatch->size().expandedTo(PenSwatch->minimumSize());
  PenSwatchImage = QImage(size, QImage::Format_RGB32);
  TCanvas c(&PenSwatchImage);
  const TColor colour = ShownColor(FPalette, PenColor);
  c.Brush = TBrush{clWhite, bsSolid};
  c.Pen = TPen{clBlack, 0, psSolid, pmCopy};
  c.Rectangle(0, 0, size.width(), size.height());
  const TColor stripes[8] = {RGBColor(0, 0, 0),       RGBColor(0, 0x80, 0),    RGBColor(0, 0x80, 0x80),
                             RGBColor(0xff, 0, 0),    RGBColor(0, 0xff, 0),    RGBColor(0xff, 0, 0xff),
                             RGBColor(0x80, 0x80, 0x80), RGBColor(0, 0xff, 0xff)};
  for (int i = 0; i < 8; ++i) {
    c.Pen = TPen{stripes[i], 10, psSolid, pmCopy};
    c.MoveTo(15 + 20 * i, 0);
    c.LineTo(15 + 20 * i, size.height());
  }
  c.Brush.Style = bsClear;
  const int width = int(std::lround(ScreenPixelsPerInch() * PenWidth));
  c.Pen = TPen{colour, width, PenStyle <= psDashDotDot ? TPenStyle(PenStyle) : psSolid,
               PenMode <= pmNotXor ? TPenMode(PenMode) : pmCopy};
  c.MoveTo(10, size.height() / 2);
  c.LineTo(size.width() - 10, size.height() / 2);
  PenSwatch->update();
}

void TColorDlg::PaintBrushSwatch() {
  const QSize size = brushSwatch->size().expandedTo(brushSwatch->minimumSize());
  BrushSwatchImage = QImage(size, QImage::Format_RGB32);
  BrushSwatchImage.fill(Qt::white);
  TCanvas c(&BrushSwatchImage);
  c.Brush = TBrush{ShownColor(FPalette, BrushColor), BrushStyle <= bsDiagCross ? TBrushStyle(BrushStyle) : bsSolid};
  c.Pen = TPen{ShownColor(FPalette, PenColor), 4, psSolid, pmCopy};
  c.Rectangle(0, 0, size.width(), size.height());
  brushSwatch->update();
}

// ---- activation, apply, closing

void TColorDlg::FormActivate() {
  const TRealFig* source = nullptr;
  if (Figures) {
    source = Figures->FirstSelectedFigure();
    if (!source) source = Figures->Template.get();
  }
  if (source) {
    PenColorAtActivation = source->PenColor;
    PenStyleAtActivation = source->PenStyle;
    PenWidthAtActivation = source->PenWidth;
    PenModeAtActivation = source->PenMode;
    BrushColorAtActivation = source->BrushColor;
    BrushStyleAtActivation = source->BrushStyle;
    FLoading = true;
    SetPenColor(source->PenColor);
    SetPenStyle(source->PenStyle);
    ShowItem(PenStyles1, source->PenStyle);
    SetPenWidth(source->PenWidth);
    PenWidth1->SetValue(PenWidth);
    SetPenMode(source->PenMode);
    ShowItem(PenModes1, int(source->PenMode) - 3);
    SetBrushColor(source->BrushColor);
    SetBrushStyle(source->BrushStyle);
    ShowItem(BrushStyle1, source->BrushStyle);
    FLoading = false;
  }
  PaintPenSwatch();
  PaintBrushSwatch();
  update();
  AppliedToSelection = false;
  Apply1->setEnabled(false);
  ChangedAttributes = 0;
}

void TColorDlg::ApplyChanges(QObject* Sender) {
  if (ChangedAttributes == 0 || !Figures) return;
  TRealFig& t = *Figures->Template;
  const uint32_t bits = ChangedAttributes;
  // The template's own values, put back when the selection took the change.
  const TPenBrushValues before = ValuesOf(t);
  PutValues(t, {PenColor, BrushColor, PenStyle, PenWidth, PenMode, BrushStyle}, bits);
  if (DrawHost.ApplyToSelectedShapes(Sender, bits)) {
    AppliedToSelection = true;
    PutValues(t, before, bits);
  }
  ChangedAttributes = 0;
}

void TColorDlg::GridMouseDown(QPoint P) { FMouseDown = P; }

void TColorDlg::GridMouseUp(Qt::MouseButton Button) {
  for (int i = 0; i < 256; ++i) {
    const QRect r = CellRect(i);
    if (!r.contains(FMouseDown)) continue;
    FocusRect = r;
    const TColor colour = TColor(RGBColor(qRed(FGrid.pixel(FMouseDown)), qGreen(FGrid.pixel(FMouseDown)),
                                          qBlue(FGrid.pixel(FMouseDown))));
    if (Button == Qt::LeftButton) SetPenColor(colour);
    else if (Button == Qt::RightButton) SetBrushColor(colour);
    PaintBoxPalette->update();
    break;
  }
  Apply1->setEnabled(true);
}

bool TColorDlg::CloseQuery() {
  if (ChangedAttributes != 0 && MessageDlg("Apply changes?", mtConfirmation, mbYes | mbNo, HelpContext) == mrYes)
    ApplyChanges(this);
  return true;
}

void TColorDlg::FormClose() {
  try {
    SaveFormPlacement(this, ProgramFile("ChildFms.ini"));
  } catch (const Exception&) {
    // The placement is a convenience: an unwritable ChildFms.ini keeps the window working.
  }
}

void TColorDlg::Cancel1Click() {
  hide();
  if (AppliedToSelection) DrawHost.RefreshAllImages(this, false);
  close();
}

void TColorDlg::showEvent(QShowEvent* event) {
  try {
    RestoreFormPlacement(this, ProgramFile("ChildFms.ini"));
  } catch (const Exception&) {
  }
  setToolTipDuration(DrawHost.ShowHints() ? -1 : 1);
  TDrawDialogBase::showEvent(event);
}

void TColorDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) {
    if (isActiveWindow()) {
      // Coming back from a message box of its own is no new activation: pending changes stay.
      if (!FActivateAfterMessage) Guarded("TColorDlg.FormActivate", [&] { FormActivate(); });
      FActivateAfterMessage = false;
    } else {
      QWidget* modal = QApplication::activeModalWidget();
      FActivateAfterMessage = modal != nullptr && modal != this;
    }
  }
  TDrawDialogBase::changeEvent(event);
}

bool TColorDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PaintBoxPalette) {
    if (event->type() == QEvent::Paint) {
      QPainter p(PaintBoxPalette);
      p.drawImage(0, 0, FGrid);
      if (!FocusRect.isNull()) {
        p.setPen(QPen(Qt::white, 1, Qt::DotLine));
        p.drawRect(FocusRect.adjusted(1, 1, -1, -1));
      }
      return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
      GridMouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
      return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
      Guarded("PaintBoxPalette", [&] { GridMouseUp(static_cast<QMouseEvent*>(event)->button()); });
      return true;
    }
  } else if (event->type() == QEvent::Paint && (watched == PenSwatch || watched == brushSwatch)) {
    QWidget* w = static_cast<QWidget*>(watched);
    const QImage& image = watched == PenSwatch ? PenSwatchImage : BrushSwatchImage;
    if (image.size() != w->size()) watched == PenSwatch ? PaintPenSwatch() : PaintBrushSwatch();
    QPainter p(w);
    p.drawImage(0, 0, watched == PenSwatch ? PenSwatchImage : BrushSwatchImage);
    return true;
  }
  return TDrawDialogBase::eventFilter(watched, event);
}

TColorDlg::~TColorDlg() {
  if (ColorDlg == this) ColorDlg = nullptr;
}

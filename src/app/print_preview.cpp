#include "app/print_preview.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

TPrintPreview* PrintPreview = nullptr;
std::function<int(TPrintPreview&)> PrintPreviewHook;

TPreviewSizes ComputePreviewSizes(int Ppi, int DpiX, int DpiY, int PaperWidth, int PaperHeight, int ScreenWidth,
                                  int ScreenHeight) {
  TPreviewSizes s;
  // A printer reporting no resolution is taken at 300 dpi (the set-up check says so).
  if (DpiX <= 0) DpiX = 300;
  if (DpiY <= 0) DpiY = 300;
  s.sx = float(Ppi) / float(DpiX);
  s.sy = float(Ppi) / float(DpiY);
  s.W = float(PaperWidth) * s.sx;
  s.H = float(PaperHeight) * s.sy;
  s.W0 = s.W;
  s.Aspect = s.W != 0 ? s.H / s.W : 1.0f;
  // Shrinks in 1 % steps; a sheet of no size (or a screen of none) has nothing to shrink.
  while (s.W >= 1 && (0.98f * float(ScreenWidth) < s.W || 0.85f * float(ScreenHeight) < s.H)) {
    s.W = s.W * 0.99f;
    s.H = s.W * s.Aspect;
    ++s.ShrinkSteps;
  }
  s.Scale = s.W0 != 0 ? double(s.W) / double(s.W0) : 1.0;
  return s;
}

TPrintPreview::TPrintPreview(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setAttribute(Qt::WA_DeleteOnClose, false);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::black);
  setPalette(p);
  setAutoFillBackground(true);
  OKBtn->setAutoDefault(false);
  CancelBtn->setAutoDefault(false);
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  PrintPreview = this;
  FormCreate();
}

TPrintPreview::~TPrintPreview() {
  if (PrintPreview == this) PrintPreview = nullptr;
}

void TPrintPreview::FormCreate() { SheetBitmap = std::make_unique<TBitmap>(); }

void TPrintPreview::FormClose() {
  if (SheetBitmap) SheetBitmap->SetSize(0, SheetBitmap->Height());
  SheetBitmap.reset();
}

void TPrintPreview::FitToSheet() {
  const int bw = SheetBitmap ? SheetBitmap->Width() : 0, bh = SheetBitmap ? SheetBitmap->Height() : 0;
  setFixedSize(bw + 20, bh + 65);
  SheetLeft = (width() - bw) / 2;
  SheetTop = SheetLeft;
  const int top = bh + SheetTop + 5;
  OKBtn->move(width() / 2 - OKBtn->width() - 5, top);
  CancelBtn->move(width() / 2 + 5, top);
  // Centred on the screen.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect g = screen->availableGeometry();
    move(g.center().x() - width() / 2, g.center().y() - height() / 2);
  }
}

void TPrintPreview::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  if (!SheetBitmap || SheetBitmap->Empty()) return;
  QPainter p(this);
  p.drawImage(SheetLeft, SheetTop, SheetBitmap->Image());
}

void TPrintPreview::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    reject();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TPrintPreview::closeEvent(QCloseEvent* event) {
  FormClose();
  QDialog::closeEvent(event);
}

// The print preview: the whole sheet of paper as it will be printed, shrunk until it fits the
// screen, built by the print command inside one print run. Print lets the print go ahead;
// Cancel, Escape and the close box end the run without printing.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "platform/bitmap.h"
#include "platform/win_types.h"
#include "ui_print_preview.h"

// The sheet in screen pixels and the preview's scale, from the screen's and the printer's
// resolutions, the paper size in printer pixels and the screen size in pixels: the sheet shrinks
// by 1 % steps until it fits 98 % of the screen's width and 85 % of its height.
struct TPreviewSizes {
  float sx = 1, sy = 1;  // screen pixels per printer pixel
  float W = 0, H = 0;    // the sheet in preview pixels
  float W0 = 0;          // the sheet's width before shrinking
  float Aspect = 1;
  double Scale = 1;  // preview pixels per page pixel
  int ShrinkSteps = 0;
};
TPreviewSizes ComputePreviewSizes(int Ppi, int DpiX, int DpiY, int PaperWidth, int PaperHeight, int ScreenWidth,
                                  int ScreenHeight);

class TPrintPreview : public QDialog, public Ui::TPrintPreview {
  Q_OBJECT
public:
  explicit TPrintPreview(QWidget* parent = nullptr);
  ~TPrintPreview() override;
  int HelpContext = 90;

  std::unique_ptr<TBitmap> SheetBitmap;
  int SheetLeft = 0;
  int SheetTop = 0;
  TRect SheetPageRect;       // the page in preview pixels
  TRect SheetPrintableRect;  // the printer's printable area in preview pixels

  void FormCreate();
  void FormClose();
  // Sizes the window to the sheet bitmap and places the sheet and the buttons.
  void FitToSheet();

protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

// The preview of the running print; null while none exists.
extern TPrintPreview* PrintPreview;
// When set, the print command hands the built preview to this hook instead of showing it; the
// hook returns the window's result (QDialog::Accepted prints). Tests answer the preview here.
extern std::function<int(TPrintPreview&)> PrintPreviewHook;

// The "Pen and Brush Attributes" window: pen colour, style, width and mode and brush colour and
// style of the CAD engine's property template, picked from a grid of 256 colour cells. With a
// selection on the page, Apply gives the changed attributes to the selected figures and leaves
// the template as it was. Created at start-up, shown modeless and kept on top; closing hides it.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>

#include "dialogs/draw_dialog_base.h"
#include "platform/screen.h"
#include "ui_pen_brush_dialog.h"

// Attributes changed since the dialog was last activated or applied (TFigurePropertyIndex bits:
// 128 pen colour, 256 pen style, 512 pen width, 1024 pen mode, 2048 brush colour, 4096 brush style).
extern uint32_t ChangedAttributes;

class TColorDlg : public TDrawDialogBase, public Ui::TColorDlg {
  Q_OBJECT
public:
  explicit TColorDlg(TDrawDialogHost& Host, QWidget* parent = nullptr);
  ~TColorDlg() override;

  // Called before Show with True on screens of more than 8 bits per pixel: a change of mode makes
  // a new palette.
  void SetTrueColorMode(bool Value);
  // The dialog's palette (none when there is none).
  HPALETTE Palette() const { return FPalette; }
  void BuildPaletteBitmap(bool ForceBackground);
  const QImage& GridBitmap() const { return FGrid; }
  // The rectangle of grid cell Index (column Index mod 16, row Index div 16).
  QRect CellRect(int Index) const;

  // Each setter stores a changed value, repaints the swatches it shows in and enables Apply; the
  // attribute's bit is set unless the value is unchanged and equals the one at activation.
  void SetPenColor(TColor Value);
  void SetPenStyle(uint8_t Value);
  void SetPenWidth(double Value);
  void SetPenMode(uint8_t Value);
  void SetBrushColor(TColor Value);
  void SetBrushStyle(uint8_t Value);

  // Loads the six values from the first selected figure or the template; drops pending changes.
  void FormActivate();
  // Gives the changed attributes to the template, or through it to the selected figures.
  void ApplyChanges(QObject* Sender);
  // The grid's mouse: down keeps the point, up picks its cell's colour (left pen, right brush).
  void GridMouseDown(QPoint P);
  void GridMouseUp(Qt::MouseButton Button);
  void PaintPenSwatch();
  void PaintBrushSwatch();

  // The current values.
  TColor PenColor = clBlack;
  uint8_t PenStyle = 0;
  double PenWidth = 0.005;
  uint8_t PenMode = 4;
  TColor BrushColor = clBlack;
  uint8_t BrushStyle = 0;
  // The values at activation.
  TColor PenColorAtActivation = clBlack;
  uint8_t PenStyleAtActivation = 0;
  double PenWidthAtActivation = 0.005;
  uint8_t PenModeAtActivation = 4;
  TColor BrushColorAtActivation = clBlack;
  uint8_t BrushStyleAtActivation = 0;
  // Apply gave the attributes to selected figures since the last activation.
  bool AppliedToSelection = false;
  bool TrueColorMode = false;
  QRect FocusRect;
  QImage PenSwatchImage;
  QImage BrushSwatchImage;

  void Cancel1Click();

protected:
  bool CloseQuery() override;
  void FormClose() override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void PenStyles1Change();
  // Shows Value in a list without running its handler.
  static void ShowItem(class QComboBox* Box, int Index);
  HPALETTE FPalette;
  QImage FGrid;
  QRect FCell;
  QPoint FMouseDown;
  bool FActivateAfterMessage = false;
  bool FLoading = false;
};

extern TColorDlg* ColorDlg;

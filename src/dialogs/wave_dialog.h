// The "Set up Wave" dialog: the wave type (the template's figure kind, 27 to 37) and the wave
// record of the CAD engine's property template, with eleven presets and a preview drawn by the
// engine exactly as the page draws the wave. Created for each use, shown modally, freed on close.
#pragma once

#include <QImage>
#include <memory>

#include "cad/figure.h"
#include "dialogs/draw_dialog_base.h"
#include "ui_wave_dialog.h"

class TZQVCad;

// The figure kind of each wave type item (0 "Sine" .. 10 "Add").
extern const int WaveTypeKinds[11];
// The component the dialog edits (1 or 2), kept across dialogs.
extern int WaveComponent;

// True when the magnitudes of A and B differ by less than |Tolerance| (2 and -2 count as equal:
// for positive lengths only).
bool WaveFloatNearlyEqual(long double Tolerance, long double A, long double B);

// Draws a wave of Kind with the record Wave into Image as the page engine Page draws it (its
// mapping, units and node count; Style gives pen and brush): from 10 pixels in at mid height.
void DrawWavePreview(const TZQVCad* Page, int Kind, const TWaveRec& Wave, const TRealFig* Style, QImage& Image);

class TSineWaveSetup : public TDrawDialogBase, public Ui::TSineWaveSetup {
  Q_OBJECT
public:
  explicit TSineWaveSetup(TDrawDialogHost& Host, QWidget* parent = nullptr);
  ~TSineWaveSetup() override;

  TWaveRec ShowRec{};         // as read when shown
  TWaveRec Work{};            // what the controls edit
  TWaveRec TemplateAtShow{};  // the template's own record when shown
  int SourceKind = fkSineWave;
  bool ValuesChanged = false;

  void FormShow();
  int WaveTypeIndex() const;
  void SetWaveType(int Index);
  void WaveType1Click();
  void UpdateAngleLabel();
  void UpdateModulationLabel();
  void WaveSelect1Change();
  void Presets1Click(int Item);
  void OKBtnClick();
  void CancelBtnClick();
  // The preview as last drawn.
  const QImage& PreviewImage() const { return FPreview; }
  void UpdatePreview();

protected:
  bool CloseQuery() override;
  void FormClose() override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void WaveHeightChange();
  void WaveWidthChange(bool FromTypeSelection);
  void StartAngleChange();
  void PulseChange(TNumSpinEdit* Control);
  void ModIndexChange();
  void RotationChange();
  void LoadComponent();
  void Flag(bool Differs) {
    if (Differs) ValuesChanged = true;
  }
  bool PulseType() const;
  QImage FPreview;
  bool FLoading = false;
};

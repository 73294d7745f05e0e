// The "Transforms" window: scale, mirror, rotate, polar array, rectangular array and scale array
// of the selected figures (or, with nothing selected, of the figures inside the engine's last
// selection rectangle), each about the reference point under the page's reference selector.
// A modeless tool window, created when opened and freed when closed; at most one at a time.
#pragma once

#include <QPushButton>
#include <functional>

#include "cad/cad_types.h"
#include "dialogs/draw_dialog_base.h"
#include "ui_transforms_window.h"

class TZQVCad;

// A push button that asks the engine to stop: a left press while the engine is busy sets its
// stop request.
class TStopButton : public QPushButton {
  Q_OBJECT
public:
  TStopButton(QWidget* parent, TZQVCad* Engine);
  TZQVCad* Engine;

protected:
  void mousePressEvent(QMouseEvent* event) override;
};

class TTransformShapes1 : public TDrawDialogBase, public Ui::TTransformShapes1 {
  Q_OBJECT
public:
  // Without an engine no window is built: a message says so.
  TTransformShapes1(TDrawDialogHost& Host, QWidget* AOwner);
  // The window for Engine, working on the page image PageImage (both required).
  TTransformShapes1(TDrawDialogHost& Host, QWidget* AOwner, TZQVCad* Engine, QWidget* PageImage);
  ~TTransformShapes1() override;

  TZQVCad* Engine = nullptr;
  QWidget* PageImage = nullptr;
  TRealPoint RefPoint{};
  bool KeyRepeat = false;
  TStopButton* StopButton = nullptr;
  // Fired with the window after each operation.
  std::function<void(QObject* Sender)> OnTransformed;

  void LoadSettings();
  void SaveSettings();
  void ShowBounds();
  void Apply1Click(QObject* Sender);
  void ApplyTransform(QObject* Sender, int PageIndex);
  // "+" and "-" repeat the operation of the Scale and Rotate pages; any key release ends a run.
  void FormKeyPress(QChar Key);
  void FormKeyUp();
  // The item index of a colour-mode group (0 "None" .. 3 "100%").
  static int ColorModeIndex(QGroupBox* Group);
  static void SetColorModeIndex(QGroupBox* Group, int Index);

protected:
  void FormClose() override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void FormCreate();
  TRealPoint ReferencePosition() const;
  void RunOperation(int PageIndex, uint8_t ColorMode);
};

// The mirror axis (0 left, 1 right, 2 up, 3 down), kept across windows.
extern uint8_t MirrorAxis;
extern bool TransformsWindowOpen;
extern TTransformShapes1* TransformShapes1;

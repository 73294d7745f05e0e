// What the drawing dialogs (pen and brush, transforms, waves, dimension settings, permissions,
// angled text) ask of the main window.
//
// Contract
// - The dialogs own their controls and the values they show; the figures and the property
//   template belong to the CAD engine (`Figures`), which the dialogs read and write directly.
// - Everything else of the window goes through this interface: applying the template to the
//   selected figures, re-rendering the page, the page selection rectangle, the menu items the
//   permissions govern, the shared font dialog, shape undo entries of the document and the
//   after-transform notice. The main window implements it; each dialog is given the host when
//   it is made and keeps it for its life (tests give a fake of their own).
#pragma once

#include <cstdint>

#include "cad/cad_types.h"
#include "platform/font.h"

class QObject;
class QWidget;

class TDrawDialogHost {
public:
  virtual ~TDrawDialogHost() = default;

  // Gives the template's properties chosen by Mask (bits of TFigurePropertyIndex) to the selected
  // figures inside the page selection rectangle; False when there were none.
  virtual bool ApplyToSelectedShapes(QObject* Sender, uint32_t Mask) = 0;
  // Re-renders the page.
  virtual void RefreshAllImages(QObject* Sender, bool NoHourglass) = 0;
  // The rubber-band selection rectangle is drawn on the page.
  virtual bool SelectionRectShown() = 0;
  // Hints are on in the main window.
  virtual bool ShowHints() { return true; }
  // The page set-up's "Default to Metric" box.
  virtual bool PageDefaultMetric() { return false; }

  // ---- the dimension switches the permissions govern
  virtual bool WantDimensionEnabled() = 0;
  virtual void SetWantDimensionEnabled(bool On) = 0;
  virtual void SetWantDimensionChecked(bool On) = 0;
  virtual void SetWantDimensionOnEnabled(bool On) = 0;
  virtual void SetDimensionTrackingEnabled(bool On) = 0;
  virtual void SetDimensionTrackingChecked(bool On) = 0;
  virtual void SetCanHaveLength(bool On) = 0;
  virtual void SetCanHaveAngle(bool On) = 0;

  // ---- fonts
  // The annotation font dialog: the template's font and the selection's.
  virtual void ChooseDimensionFont(QObject* Sender) = 0;
  // The standard font of the page text.
  virtual TFont StandardFont() { return TFont("Times New Roman", 12); }

  // ---- transforms
  // One shape entry on the document undo stack before an operation; UndoShape takes it back.
  virtual void PushShapeUndo(QObject* Sender) = 0;
  virtual void UndoShape(QObject* Sender) = 0;
  // The world position of the reference selector on the page.
  virtual TRealPoint ReferencePosition() = 0;
  // The page image control (disabled while an operation runs); may be null.
  virtual QWidget* PageImage() { return nullptr; }
};

// Property mask bits of TFigurePropertyIndex used by the drawing dialogs.
constexpr uint32_t PropertyBit(int Index) { return uint32_t(1) << Index; }

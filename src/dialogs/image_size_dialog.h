// The image size dialog: the width and height of one image object in inches or centimetres,
// optionally keeping the picture's own proportions. Made for the selected object by the Set Size
// command, shown modally and freed when it closes; an accepted dialog means the page must be
// composed again.
#pragma once

#include <QDialog>

#include "dialogs/draw_dialog_host.h"
#include "ui_image_size_dialog.h"

class TSizeChangedImage;
struct TImageObjectRec;

class TSetImageSize : public QDialog, public Ui::TSetImageSize {
  Q_OBJECT
public:
  // The dialog for one object; null (and no dialog) without a control or a record.
  static TSetImageSize* CreateFor(TDrawDialogHost& Host, QWidget* Owner, TSizeChangedImage* Image,
                                  TImageObjectRec* Record);
  ~TSetImageSize() override;
  int HelpContext = 45;

  // Values in the unit kept for the life of the dialog.
  float OldWidth = 0;
  float OldHeight = 0;
  float Aspect = 1;
  bool SizeApplied = false;

  void ShowPixelSize(double Width, double Height);
  void ApplySize(double Width, double Height);
  // Pixels per unit length: the screen's pixels per inch over the unit factor.
  double PixelsPerUnit() const;

  void Width1Change();
  void Height1Change();
  void MaintainAspect1Click();
  void Apply1Click();
  void CancelBtnClick();
  void OKBtnClick();
  // The close question; then the placement is stored.
  void FormClose();
  // Closes with Result, which the close question may turn into an accepted one.
  void Finish(int Result);

protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

private:
  TSetImageSize(TDrawDialogHost& Host, QWidget* Owner, TSizeChangedImage* Image, TImageObjectRec* Record);
  TDrawDialogHost& DrawHost;
  TSizeChangedImage* Image;
  TImageObjectRec* Record;
};

// The dialog while it exists.
extern TSetImageSize* SetImageSize;
// 2.54 when the CAD engine works in centimetres, else 1.0.
double ImageSizeUnitFactor();

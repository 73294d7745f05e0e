// The JPEG quality dialog: the quality (5 to 100, 75 at every start, never stored) that every JPEG
// the program writes takes. Created at start-up, it lives for the whole run; closing only hides
// it, and Cancel puts back the value it showed when it was opened.
#pragma once

#include <QDialog>

#include "ui_jpeg_quality_dialog.h"

class TJpegImageQuality1 : public QDialog, public Ui::TJpegImageQuality1 {
  Q_OBJECT
public:
  explicit TJpegImageQuality1(QWidget* parent = nullptr);
  int HelpContext = 320;

  void FormShow();
  void OKBtnClick();
  void CancelBtnClick();
  void FormClose();
  // Cancel, Escape and the close box.
  void reject() override;

protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
};

extern TJpegImageQuality1* JpegImageQuality1;
// The quality shown when the dialog was last opened.
extern int SavedQuality;

// The image-object chooser: steps through the page's image objects by index, putting the resize
// frame on the one meant. Modal, made by the Select Image Object command and freed on close.
#pragma once

#include <QDialog>

#include "dialogs/image_object_host.h"
#include "ui_image_chooser_dialog.h"

class TSelectImageObject1 : public QDialog, public Ui::TSelectImageObject1 {
  Q_OBJECT
public:
  explicit TSelectImageObject1(TImageObjectHost& Host, QWidget* parent = nullptr);
  ~TSelectImageObject1() override;
  int HelpContext = 315;

  void FormShow();
  void ImageSpin1Change();
  void OKBtnClick();
  void CancelBtnClick();

protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  void reject() override;

private:
  TImageObjectHost& Host;
};

extern TSelectImageObject1* SelectImageObject1;

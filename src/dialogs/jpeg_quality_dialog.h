// The JPEG quality dialog: the quality (5 to 100, 75 at every start, never stored) that every JPEG
// the program writes takes.
#pragma once

#include <QDialog>

#include "ui_jpeg_quality_dialog.h"

class TJpegImageQuality1 : public QDialog, public Ui::TJpegImageQuality1 {
  Q_OBJECT
public:
  explicit TJpegImageQuality1(QWidget* parent = nullptr);
};

extern TJpegImageQuality1* JpegImageQuality1;

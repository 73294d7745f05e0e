// The polygon dialog: polygon sides (code 19) or line divisions (code 20) of the template.
#pragma once

#include <QDialog>

#include "ui_polygon_setup_dialog.h"

class TZQVCad;

class TSetUpPolygon : public QDialog, public Ui::TSetUpPolygon {
  Q_OBJECT
public:
  explicit TSetUpPolygon(QWidget* parent = nullptr);

  // Shows the dialog modally for the code; without an engine, a message and 0.
  int Execute(uint8_t Code, TZQVCad* Engine);
  void FormShow();
  void OKBtnClick();

  uint8_t Code = 19;
  TZQVCad* Engine = nullptr;

protected:
  void showEvent(QShowEvent* event) override;
};

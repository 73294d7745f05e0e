// The node-count dialog: the number of nodes every figure has, never below the largest count a
// figure of the drawing uses, and the start-up default kept in "Main.Ini".
#pragma once

#include <QDialog>

#include "ui_node_settings_dialog.h"

class TNodeSettings1 : public QDialog, public Ui::TNodeSettings1 {
  Q_OBJECT
public:
  explicit TNodeSettings1(QWidget* parent = nullptr);

  // Reads the limits and the current count from the engine `Figures`.
  void FormShow();
  void OKBtnClick();
  void SetDefaultBtnClick();

protected:
  void showEvent(QShowEvent* event) override;
};

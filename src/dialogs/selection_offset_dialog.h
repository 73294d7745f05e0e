// The "Set Selection Offset" dialog: moves the page's selected characters up or down by a number
// of pixels on top of their own offsets.
#pragma once

#include <QDialog>

#include "ui_selection_offset_dialog.h"

class TTextPage;

class TSetSelectionOffset : public QDialog, public Ui::TSetSelectionOffset {
  Q_OBJECT
public:
  TSetSelectionOffset(TTextPage& Page, QWidget* parent = nullptr);
  void OKBtnClick();

protected:
  void showEvent(QShowEvent* e) override;
  void done(int r) override;

private:
  TTextPage& Page;
};

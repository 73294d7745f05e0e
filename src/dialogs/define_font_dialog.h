// The custom palette dialog: defines the caption and font of a custom palette button.
#pragma once

#include <QDialog>

#include "platform/font.h"
#include "ui_define_font_dialog.h"

class TDefineFontDg : public QDialog, public Ui::TDefineFontDg {
  Q_OBJECT
public:
  explicit TDefineFontDg(QWidget* parent = nullptr);
  TFont SampleFont;
  int ButtonNumber = 0;  // the custom button being defined
};

extern TDefineFontDg* DefineFontDg;

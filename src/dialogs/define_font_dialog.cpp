#include "dialogs/define_font_dialog.h"

TDefineFontDg* DefineFontDg = nullptr;

TDefineFontDg::TDefineFontDg(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  connect(ButtonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(ButtonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

#include "dialogs/draw_dialog_base.h"

#include <QCloseEvent>

#include "platform/guarded.h"

void TDrawDialogBase::closeEvent(QCloseEvent* event) {
  bool go = true;
  if (isVisible()) go = CloseQuery();
  if (!go) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
  QDialog::done(result());
}

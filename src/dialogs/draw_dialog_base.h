// The closing path shared by the drawing dialogs: Escape and the close box go through the
// dialog's close question (CloseQuery), a closing dialog runs FormClose (placement, settings),
// and a modal dialog ends with the result set before the close.
#pragma once

#include <QDialog>

#include "dialogs/draw_dialog_host.h"

class TDrawDialogBase : public QDialog {
  Q_OBJECT
public:
  // Host: the main window as the drawing dialogs see it, for the dialog's whole life.
  explicit TDrawDialogBase(TDrawDialogHost& Host, QWidget* parent = nullptr, Qt::WindowFlags flags = {})
      : QDialog(parent, flags), DrawHost(Host) {}

  // Escape closes the way the close box does.
  void reject() override { close(); }

protected:
  TDrawDialogHost& DrawHost;
  // False keeps the dialog open.
  virtual bool CloseQuery() { return true; }
  // Runs once for every close that goes ahead.
  virtual void FormClose() {}
  void closeEvent(QCloseEvent* event) override;
};

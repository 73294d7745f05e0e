// The closing path shared by the drawing dialogs: Escape and the close box go through the
// dialog's close question (CloseQuery), a closing dialog runs FormClose (placement, settings),
// and a modal dialog ends with the result set before the close.
#pragma once

#include <QDialog>

class TDrawDialogBase : public QDialog {
  Q_OBJECT
public:
  explicit TDrawDialogBase(QWidget* parent = nullptr, Qt::WindowFlags flags = {}) : QDialog(parent, flags) {}

  // Escape closes the way the close box does.
  void reject() override { close(); }

protected:
  // False keeps the dialog open.
  virtual bool CloseQuery() { return true; }
  // Runs once for every close that goes ahead.
  virtual void FormClose() {}
  void closeEvent(QCloseEvent* event) override;
};

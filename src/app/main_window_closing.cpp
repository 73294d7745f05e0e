// Closing the window and ending the program.
#include "app/main_window.h"

#include <QCloseEvent>
#include <algorithm>

void TForm1::WireClosingCommands() {
  connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
}

void TForm1::Exit1Click() { close(); }

void TForm1::FormClose() {}

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  QMainWindow::closeEvent(event);
}

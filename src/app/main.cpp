// Program start.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Korvalis V");
  QWidget w;
  w.setWindowTitle("Korvalis V");
  w.show();
  return app.exec();
}

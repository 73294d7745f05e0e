#include "dialogs/splash_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "dialogs/program_pictures.h"
#include "helpers/zqv_gif.h"
#include "platform/exceptions.h"
#include "platform/messages.h"

std::string SplashGifResource = "SPLASH_GIF";
std::string SplashBitmapResource = "SPLASH";
int SplashGifInterval = 1000;
int SplashBitmapInterval = 3000;

TMyPanel::TMyPanel(QWidget* parent) : QFrame(parent) {
  // Inner and outer bevel raised, bevel width 3, white, filling the parent, no caption.
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Raised);
  setLineWidth(3);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
  if (parent) setGeometry(parent->rect());
}

TSplashFm::TSplashFm(QWidget* mainWindow, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog), MainWindow(mainWindow) {
  setObjectName("SplashFm");
  setFixedSize(302, 297);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setAttribute(Qt::WA_TranslucentBackground);
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(3000);
  Timer1->setSingleShot(true);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  FormCreate();
  if (QScreen* screen = QGuiApplication::primaryScreen()) move(screen->geometry().center() - rect().center());
}

TSplashFm::~TSplashFm() = default;

void TSplashFm::FormCreate() {
  try {
    Image1->setParent(nullptr);
    Panel = new TMyPanel(this);
    Panel->setObjectName("MyPanel");
    QPalette p = Panel->palette();
    p.setColor(QPalette::Window, QColor(254, 255, 255));
    Panel->setPalette(p);
    Panel->setGeometry(rect());
    Panel->raise();
    try {
      TZQVGif gif;
      LoadGifResource(SplashGifResource, gif);
      const QPixmap picture = GifPixmap(gif);
      if (picture.isNull()) throw EInvalidGraphic("The splash picture is empty");
      Image1->setPixmap(picture);
      ShowsGif = true;
      Timer1->setInterval(SplashGifInterval);
    } catch (...) {
      Image1->setPixmap(LoadBitmapResource(SplashBitmapResource));
      ShowsGif = false;
      Timer1->setInterval(SplashBitmapInterval);
    }
    Timer1->start();
    Image1->adjustSize();
    Image1->setParent(Panel);
    Image1->move((width() - Image1->width()) / 2, (Panel->height() - Image1->height()) / 2);
    Image1->show();
  } catch (const std::exception& e) {
    ShowMessage(std::string("Unable to show the splash picture.\r") + e.what());
    if (!Timer1->isActive()) Timer1->start();
  }
}

void TSplashFm::Timer1Timer() { close(); }

void TSplashFm::FormClose() {
  Timer1->stop();
  if (MainWindow) MainWindow->setVisible(true);
}

void TSplashFm::closeEvent(QCloseEvent* event) {
  if (!Closed) {
    Closed = true;
    FormClose();
  }
  QDialog::closeEvent(event);
  if (event->isAccepted()) done(QDialog::Accepted);
}

void TSplashFm::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  if (Panel) Panel->update();
}

void RunSplashWindow(QWidget* MainWindow) {
  TSplashFm splash(MainWindow);
  splash.exec();
  // A splash closed by other means than its timer still shows the main window.
  if (MainWindow && !MainWindow->isVisible()) MainWindow->setVisible(true);
}

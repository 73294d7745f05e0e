// The splash window: a borderless white window that shows the product picture for one second at
// start-up, modally, and makes the main window visible when it closes.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <string>

// The raised panel that fills the splash window and holds the picture.
class TMyPanel : public QFrame {
  Q_OBJECT
public:
  explicit TMyPanel(QWidget* parent);
};

class TSplashFm : public QDialog {
  Q_OBJECT
public:
  // MainWindow is made visible when the splash closes.
  explicit TSplashFm(QWidget* MainWindow, QWidget* parent = nullptr);
  ~TSplashFm() override;
  QLabel* Image1 = nullptr;
  QTimer* Timer1 = nullptr;
  TMyPanel* Panel = nullptr;
  int HelpContext = 20;
  // True when the GIF picture was shown, false when the bitmap stood in for it.
  bool ShowsGif = false;

  void FormCreate();
  void Timer1Timer();
  void FormClose();

protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  QPointer<QWidget> MainWindow;
  bool Closed = false;
};

// The resources the splash shows: the GIF first, the bitmap when the GIF cannot be loaded (tests
// name a missing GIF to see the bitmap).
extern std::string SplashGifResource;     // "SPLASH_GIF"
extern std::string SplashBitmapResource;  // "SPLASH"
// How long the GIF picture and the bitmap stay (1000 and 3000 ms); tests shorten them.
extern int SplashGifInterval;
extern int SplashBitmapInterval;

// Creates the splash, shows it modally until its timer closes it (the main window becomes
// visible then) and frees it.
void RunSplashWindow(QWidget* MainWindow);

// The main window: its module's globals, construction, the status bar, the wiring of the commands
// (each concern wires its own in its file) and the window's events.
#include "app/main_window.h"

#include <QWindowStateChangeEvent>

#include "cad/selectors.h"

#include <QActionGroup>
#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QWindowStateChangeEvent>
#include <algorithm>

#include "app/command_table.h"
#include "app/window_hosts.h"
#include "dialogs/page_setup_dialog.h"
#include "cad/engine.h"
#include "codecs/compress.h"
#include "codecs/gif_image.h"
#include "codecs/png_image.h"
#include "helpers/speed_button.h"
#include "platform/canvas.h"
#include "platform/font.h"
#include "platform/guarded.h"
#include "platform/keys.h"
#include "platform/streams.h"
#include "text/text_glue.h"

TForm1* Form1 = nullptr;

TColor BackgroundColor = clWindow;
TRect SelectionRect;
bool SelectionRectShown = false;
bool DrawingDragActive = false;
bool MouseClickActive = false;
int32_t DebugLevel = -1;
int32_t LogErrorCount = 0;
std::string PageIniName;
TBitmap* PageBuffer = nullptr;
bool PrinterPresent = false;
std::vector<std::string> ImageExtensions;
int ScrollBarSnooze = 30;
int SnapAreaSize = 2;

// ---------------------------------------------------------------- construction, status bar, wiring

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), TPagePart(static_cast<TTextPage&>(*this)) {
  Form1 = this;
  Host = this;
  WindowHosts = std::make_unique<TWindowHosts>(*this);
  // The window's name is the section of its placement in "ChildFms.ini".
  setObjectName("Form1");
  setupUi(this);
  Compress1 = std::make_unique<TCompress>();
  Compress1->Key = 0;
  Timer1 = new QTimer(this);
  Timer2 = new QTimer(this);
  Timer3 = new QTimer(this);
  for (QTimer* t : {Timer1, Timer2, Timer3}) t->setInterval(50);
  AccnTimer = new QTimer(this);
  AccnTimer->setInterval(200);
  connect(AccnTimer, &QTimer::timeout, this, [this] { AccnTimerTimer(AccnTimer); });
  LastItemLabel = new QLabel(this);
  SetUpStatusBar();
  CreateCustomButtons();
  WireCommands();
  FormCreate();
  qApp->installEventFilter(this);
}

TForm1::~TForm1() {
  // The window owns the engine: a window freed without its close handler (a second window made
  // after this one is gone) must not find the old engine and take it for its own.
  if (Figures) {
    delete Figures;
    Figures = nullptr;
  }
  SetApplicationExceptionHook(nullptr);
  // The windows made with the hosts go before the hosts do (a window may still ask them while
  // it is being taken down).
  const QObjectList children = this->children();
  for (QObject* child : children)
    if (child->isWidgetType() && static_cast<QWidget*>(child)->isWindow()) delete child;
  if (Form1 == this) Form1 = nullptr;
}

namespace {
// Runs an action after a given event reaches the watched object.
class TEventHook : public QObject {
public:
  TEventHook(QObject* parent, QEvent::Type type, std::function<void()> action)
      : QObject(parent), Type(type), Action(std::move(action)) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == Type) Action();
    return false;
  }

private:
  QEvent::Type Type;
  std::function<void()> Action;
};
}  // namespace

void TForm1::SetUpStatusBar() {
  // Panel widths are those of sample texts in the window's font.
  static const char* const samples[5] = {"Length: 0.000cm  ", "Font Offset: 000.00", "dx: 0.0000cm dy: 0.0000cm",
                                         "Grid Cell:X/Y:0.00000000000000", "Insert"};
  const QFontMetrics fm(font());
  for (int i = 0; i < 6; ++i) {
    auto* label = new QLabel(StatusBar1);
    label->setObjectName(QString("StatusPanel%1").arg(i));
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    if (i < 5) label->setFixedWidth(fm.horizontalAdvance(samples[i]) + 8);
    StatusBar1->addWidget(label, i == 5 ? 1 : 0);
    StatusPanels[size_t(i)] = label;
  }
  LEDPnl = new QWidget(StatusBar1);
  LEDPnl->setObjectName("LEDPnl");
  LEDPnl->setFixedSize(18, 18);
  NodeLed = new TLed(LEDPnl);
  NodeLed->setObjectName("NodeLed");
  NodeLed->setGeometry(2, 2, 14, 14);
  StatusBar1->addPermanentWidget(LEDPnl);
  LastItemLabel->setObjectName("LastItemLabel");
  StatusBar1->addPermanentWidget(LastItemLabel);
  // Switched off, the status bar shows one empty panel in place of its panels; however it is
  // switched (the menu item, the settings), the panels follow its enabled state.
  auto* simple = new QLabel(StatusBar1);
  simple->setObjectName("StatusSimplePanel");
  simple->setFrameShape(QFrame::Panel);
  simple->setFrameShadow(QFrame::Sunken);
  StatusBar1->addWidget(simple, 1);
  auto follow = [this, simple] {
    const bool on = StatusBar1->isEnabled();
    for (QLabel* panel : StatusPanels) panel->setVisible(on);
    LEDPnl->setVisible(on);
    simple->setVisible(!on);
  };
  StatusBar1->installEventFilter(new TEventHook(StatusBar1, QEvent::EnabledChange, follow));
  follow();
}

void TForm1::SetPanelText(int panel, const QString& text) {
  if (panel >= 0 && panel < 6 && StatusPanels[size_t(panel)]->text() != text) StatusPanels[size_t(panel)]->setText(text);
}

QString TForm1::PanelText(int panel) const {
  return panel >= 0 && panel < 6 ? StatusPanels[size_t(panel)]->text() : QString();
}

void TForm1::WireCommands() {
  WireToolCommands();
  WireTextCommands();
  WireDocumentCommands();
  WireMenuCommands();
  WireMenuStateCommands();
  WireHelpCommands();
  WireDrawDialogCommands();
  WireShapeSizeCommands();
  WireCadOptionCommands();
  WireDrawingDefaultsCommands();
  WireCadSettingsCommands();
  WireContextMenuCommands();
  WireTextEditingCommands();
  WireZoomCommands();
  WirePageCopyCommands();
  WireCustomPaletteCommands();
  WireColorPickerCommands();
  WireShapeCommands();
  WireExportCommands();
  WirePictureToolCommands();
  WirePictureCommands();
  WireMacroCommands();
  WireRefreshCommands();
  WireCommandTable();
}

void TForm1::WireMenuCommands() {
  connect(StatusBarEnabled1, &QAction::toggled, this, [this](bool on) { StatusBar1->setEnabled(on); });
  // The custom palette sets are exclusive choices.
  auto* sets = new QActionGroup(this);
  for (QAction* a : CustomSets1->actions()) sets->addAction(a);
}

void TForm1::ShowInsertMode() { SetPanelText(4, InsertModeOn() ? "Ins" : "Ovr"); }

// ---------------------------------------------------------------- the window's events

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  // The system's colours changed (the application's palette follows them): a page whose
  // background follows a system colour (the window colour unless the user chose one) is set to it
  // again and composed anew; a background the user chose stays.
  if (event->type() == QEvent::ApplicationPaletteChange && watched == this && isVisible() && !FileBusy && Figures &&
      (Figures->BackgroundColor & clSystemColor) == clSystemColor)
    Figures->SetBackgroundColor(Figures->BackgroundColor);
  // While a document file is read or written no user command runs: keys, clicks and closing wait.
  if (FileBusy && watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this) {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        // Escape, the stop request, still gets through.
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) break;
        return true;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
        return true;
      case QEvent::Close:
        event->ignore();
        return true;
      case QEvent::ShortcutOverride:
        // Taken as a plain key (which waits above), so that no menu shortcut runs either.
        event->accept();
        return true;
      default:
        break;
    }
  }
  if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this && IsClipboardKey(*static_cast<QKeyEvent*>(event)))
    UpdateClipboardItems();
  if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    // Controls that edit text of their own keep their keys.
    const bool editor = watched->inherits("QLineEdit") || watched->inherits("QAbstractSpinBox") ||
                        watched->inherits("QTextEdit") || watched->inherits("QPlainTextEdit") ||
                        watched->inherits("QComboBox");
    if (!editor) return TextKeyEvent(*this, static_cast<QKeyEvent*>(event));
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!Shown) {
    Shown = true;
    FormShow();
  }
}

void TForm1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) {
    if (isActiveWindow()) FormActivate();
    else FormDeactivate();
  }
  // Restored from the task bar: the application's restore places the caret again.
  if (event->type() == QEvent::WindowStateChange &&
      (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized) && !isMinimized())
    AppRestore();
  QMainWindow::changeEvent(event);
}

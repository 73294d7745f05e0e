#include "app/main_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLocale>
#include <algorithm>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QStatusBar>
#include <QKeyEvent>
#include <unistd.h>

#include "platform/app_dir.h"
#include "app/page_setup_dialog.h"
#include "cad/engine.h"
#include "codecs/compress.h"
#include "codecs/gif_image.h"
#include "codecs/jpeg_image.h"
#include "codecs/png_image.h"
#include "cad/old_shape_points.h"
#include "cad/units.h"
#include "dialogs/main_font_dialog.h"
#include "helpers/error_report.h"
#include "helpers/zqv_gif.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/canvas.h"
#include "platform/cursors.h"
#include "dialogs/color_dialog.h"
#include "platform/clipboard_formats.h"
#include "platform/exceptions.h"
#include "platform/font.h"
#include "platform/guarded.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "settings/settings_store.h"
#include "platform/zqv_ini_file.h"
#include "text/page_geometry.h"
#include "text/text_glue.h"

TForm1* Form1 = nullptr;

TColor BackgroundColor = clWindow;
TRect SelectionRect;
bool SelectionRectShown = false;
bool DrawingDragActive = false;
bool MouseClickActive = false;
int32_t DebugLevel = -1;
int32_t LogErrorCount = 0;
unsigned FormattedTextFormat = 0;
unsigned RichTextFormat = 0;
std::array<unsigned, 9> HandledClipboardFormats{};
std::string PageIniName;
TBitmap* PageBuffer = nullptr;
bool PrinterPresent = false;
std::vector<std::string> ImageExtensions;
int ScrollBarSnooze = 30;
int SnapAreaSize = 2;

// The glyph resources live in the core library and must be registered explicitly.
static void InitGlyphResources() { Q_INIT_RESOURCE(glyphs); }

namespace {
constexpr const char* kProductTitle = "Korvalis V";

// Logs a start-up step when logging is on.
void LogStep(const std::string& text) {
  if (DebugLevel >= 0) LogError(text + std::to_string(LogErrorCount), GetLastError(), DebugLevel, 0, LogErrorCount);
}
}  // namespace

void InitMainWindowModule() {
  static bool done = false;
  if (done) return;
  done = true;
  // The picture codecs' start-up: their graphic classes register by file extension.
  RegisterPNGImageFormat();
  RegisterJPEGImageFormat();
  RegisterGIFImage();
  RegisterZQVGif();
  SetApplicationTitle(kProductTitle);
  PageBuffer = new TBitmap();
  FormattedTextFormat = RegisterClipboardFormat("ZQVWare Korvalis V formatted text");
  RichTextFormat = RegisterClipboardFormat("Rich Text Format");

  PageIniName = AppDir() + "PageIni.ini";
  InitErrorReports(AppDir());
  InitializeDrawUnit();  // the screen centimetre, from the display's dots per inch
  // The shape formats are registered by the CAD engine's module before this one.
  const unsigned inchShapes = RegisterClipboardFormat("ZQVWare Inch shapes");
  const unsigned centimetreShapes = RegisterClipboardFormat("ZQVWare Centimetre shapes");
  HandledClipboardFormats = {FormattedTextFormat, CF_TEXT, inchShapes, centimetreShapes, CF_ENHMETAFILE,
                             CF_METAFILEPICT, CF_DIB, CF_BITMAP, RichTextFormat};
  PrinterPresent = !QPrinterInfo::availablePrinterNames().isEmpty();
}

std::string WebLinkSuffixOf(const std::string& setupFile) {
  if (setupFile.empty()) return std::string();
  std::string name = ExtractFileName(setupFile);
  const auto dot = name.find_last_of('.');
  if (dot != std::string::npos) name = name.substr(0, dot);
  const auto us = name.find_last_of('_');
  name = us == std::string::npos ? std::string() : name.substr(us + 1);
  return name.empty() ? std::string() : "&a=" + name;
}

bool IsImageFileName(const std::string& FileName) {
  const std::string ext = UpperCase(ExtractFileExt(FileName));
  for (const auto& e : ImageExtensions)
    if (e == ext) return true;
  return false;
}

// ---------------------------------------------------------------- start-up

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), TPagePart(static_cast<TTextPage&>(*this)) {
  Form1 = this;
  Host = this;
  setupUi(this);
  Compress1 = std::make_unique<TCompress>();
  Compress1->Key = 0;
  Timer1 = new QTimer(this);
  Timer2 = new QTimer(this);
  Timer3 = new QTimer(this);
  for (QTimer* t : {Timer1, Timer2, Timer3}) t->setInterval(50);
  AccnTimer = new QTimer(this);
  AccnTimer->setInterval(200);
  LastItemLabel = new QLabel(this);
  SetUpStatusBar();
  WireCommands();
  FormCreate();
  qApp->installEventFilter(this);
}

TForm1::~TForm1() {
  SetApplicationExceptionHook(nullptr);
  if (Form1 == this) Form1 = nullptr;
}

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
  StatusBar1->addPermanentWidget(LEDPnl);
  LastItemLabel->setObjectName("LastItemLabel");
  StatusBar1->addPermanentWidget(LastItemLabel);
}

void TForm1::SetPanelText(int panel, const QString& text) {
  if (panel >= 0 && panel < 6 && StatusPanels[size_t(panel)]->text() != text) StatusPanels[size_t(panel)]->setText(text);
}

QString TForm1::PanelText(int panel) const {
  return panel >= 0 && panel < 6 ? StatusPanels[size_t(panel)]->text() : QString();
}

void TForm1::WireCommands() {
  // Tool buttons: one group, exactly one down (text at start).
  for (auto* b : {tbText, tbSelect, tbDraw, tbMove}) b->SetGroupIndex(1);
  tbText->SetDown(true);
  // Style buttons: each in a group of its own, any combination may be down.
  int group = 2;
  for (auto* b : {tbBold, tbItalics, tbUnderline, tbStrikeOut}) {
    b->SetGroupIndex(group++);
    b->AllowAllUp = true;
  }
  // Script buttons: one group, at most one down.
  for (auto* b : {tbSuperScript, tbSubscript, tbMidscript}) {
    b->SetGroupIndex(10);
    b->AllowAllUp = true;
  }
  group = 20;
  for (auto* b : {tbPickPen, tbPickBrush, tbPickBackground, tbPickDimFontColor, tbPickMnFontClr}) {
    b->SetGroupIndex(group++);
    b->AllowAllUp = true;
  }
  // Glyph numbers: a button's Tag is the number of its glyph resource minus one.
  int tag = 0;
  for (auto* b : ToolBar4->findChildren<TZQVSpeedButton*>()) b->Tag = tag++;

  connect(tbText, &QToolButton::clicked, this, [this] { tbTextClick(tbText); });
  connect(tbSelect, &QToolButton::clicked, this, [this] { tbSelectClick(tbSelect); });
  connect(tbDraw, &QToolButton::clicked, this, [this] { tbDrawClick(tbDraw); });
  connect(tbMove, &QToolButton::clicked, this, [this] { tbMoveClick(tbMove); });
  connect(New1, &QAction::triggered, this, [this] { NewFile(New1); });
  connect(_NewWorkSpace, &QToolButton::clicked, this, [this] { NewFile(_NewWorkSpace); });
  connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
  connect(PageSettings1, &QAction::triggered, this, [] {
    if (PageSetupDialog) PageSetupDialog->exec();
  });
  connect(StatusBarEnabled1, &QAction::toggled, this, [this](bool on) { StatusBar1->setEnabled(on); });
  // The custom palette sets are exclusive choices.
  auto* sets = new QActionGroup(this);
  for (QAction* a : CustomSets1->actions()) sets->addAction(a);
  WireTextCommands();
}

bool TForm1::CheckSpecialFonts() {
  const std::string fontsFolder = AppDir() + "fonts/";
  if (!DirectoryExists(fontsFolder)) {
    ShowMessage("Unable to retrieve or verify special fonts installed\rsome of the button captions and special characters may\rbe available.");
    return true;
  }
  bool failed = false;
  const struct { const char* font; const char* file; } special[2] = {{"ZQVSerif", "ZQVSerif.TTF"}, {"ZQVRelMath", "RelMath.TTF"}};
  for (const auto& s : special) {
    if (QFontDatabase::families().contains(s.font)) continue;
    std::string path = FindFileNoCase(fontsFolder, s.file);
    if (path.empty()) path = fontsFolder + s.file;
    if (!FileExists(path) || InstallFontFile(path) != 1) {
      MessageDlg(std::string("The Font file ") + s.file +
                     " is either incorrect or missing. The application needs this in order work correctly. Please see the ReadMeEq.Text document that came with this program.",
                 mtWarning, mbOK, 390);
      failed = true;
    }
  }
  // Glyph look-ups made before the fonts were added must not stay cached.
  ForgetFontGlyphTables();
  // "Symbol" must resolve to a font that draws the Symbol byte codes.
  const QString symbol = QFontInfo(QFont("Symbol")).family();
  if (!symbol.contains("Symbol", Qt::CaseInsensitive)) {
    MessageDlg("The Font Symbol.ttf is either incorrect or missing. The application needs this in order work correctly. This font should be supplied as standard with Windows.",
               mtWarning, mbOK, 390);
    failed = true;
  }
  if (!failed) return true;
  MessageDlg("One or more files neccessary to run the application are missing, innaccessible or damaged. Please rectify to ensure correct operation",
             mtInformation, mbOK, 390);
  return false;
}

int TForm1::InstallFontFile(const std::string& FileName) {
  const std::string path = FileName.find('/') == std::string::npos ? AppDir() + "fonts/" + FileName : FileName;
  const int id = QFontDatabase::addApplicationFont(QString::fromStdString(path));
  if (id < 0) return 0;
  return int(QFontDatabase::applicationFontFamilies(id).size());
}

std::string TForm1::GetAppFormVerCaption(const std::string& Title) {
  const QString version = QCoreApplication::applicationVersion();
  std::string caption = Title;
  if (!version.isEmpty()) {
    QStringList parts = version.split('.');
    while (parts.size() < 4) parts << "0";
    caption = Title + "  " + "Ver " + parts.mid(0, 4).join('.').toStdString();
  }
  ProductCaption = caption;
  return caption;
}

void TForm1::FormCreate() {
  ImageExtensions = {".EMF", ".WMF", ".JPG", ".JPEG", ".BMP", ".ZQG", ".PNG"};
  try {
    PrinterDialog = nullptr;  // made when printing is first asked for
  } catch (...) {
    PrinterPresent = false;
  }
  LoadSpeedButtonGlyphs();
  if (GifLzwAllowed()) {
    ImageExtensions.push_back(".GIF");
    try {
      TZQVIniFile child(ProgramFile("ChildFms.ini"));
      if (!child.ReadBool("Form_Position", "CAN_DO_GIF_Shown", false)) {
        child.WriteBool("Form_Position", "CAN_DO_GIF_Shown", true);
        child.UpdateFile();
      }
    } catch (...) {
    }
  }
  try {
    TZQVIniFile inst(ProgramFile("InstData.ini"));
    WebLinkSuffix = WebLinkSuffixOf(inst.ReadString("InstallSettings", "SetupFile", ""));
  } catch (...) {
    WebLinkSuffix.clear();
  }
  try {
    setWindowTitle(QString::fromStdString(GetAppFormVerCaption(kProductTitle)));
  } catch (...) {
    setWindowTitle("Korvalis by ZQVWare");
  }
  std::string folder = AppDir();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (!ForceDirectories(folder)) {
    ShowMessage("Unable to create user data folder:" + folder + "\r" +
                "You will need to create this folder manually for the program to run.\r" + "Reason->" +
                SysErrorMessage(GetLastError()) + "\r" + "Terminating application.");
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  }
  // What escapes an event handler is logged here (and shown by the guard with the stop icon).
  SetApplicationExceptionHook([this](const std::string&, const std::string& message) { ApplicationException(message); });
  try {
    InitializeSymbolList();
    CreateCadEngine();
    try {
      TZQVIniFile child(ProgramFile("ChildFms.ini"));
      DebugLevel = child.ReadInteger("DEBUGGING", "DE_BUG_LEVEL", -1);
    } catch (...) {
      DebugLevel = -1;
    }
    LogStep("Form1 Create:");
    lMargin = 5;
    tMargin = 28;
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    ScrollBox1->setStyleSheet("QScrollArea { background-color: #808080; }");
    try {
      LoadCustomCursors();
    } catch (...) {
      ShowMessage(std::string("Error loading cursors. Some may not appear as intended\rPlease report this to:") +
                  SupportAddress + "\rif the problem recurrs");
    }
    PasteCount = 0;
    PictureCount = 0;
    StatusBarEnabled1->setChecked(true);
    LoadSettings();
    LogStep("Form1 Create:");
    const std::string temp = AppDir() + "Temp";
    if (!DirectoryExists(temp) && !ForceDirectories(temp))
      ShowMessage("A directory " + AppDir() + "Temp" + "is needed for " +
                  "temporary image files. This directory does not exist. Please " + "Correct");
    SnapAreaSize = LargeSnapArea1->isChecked() ? 6 : 2;
    InitTextPage();  // the typing fonts and the 4096 cell fonts
    DefaultCaretHeight = uint8_t(12 + 2);
    SetPanelText(0, " Font Size: 12");
    SetPanelText(1, " Font Offset: 0");
    SetPanelText(2, "Times New Roman");
    SetPanelText(3, QString(" \u2014> 0.000cm"));
    SetPanelText(4, "Ins");
    ToolPanel1->setEnabled(true);
    tbPrint->setEnabled(true);
    LogStep("Form1 Create:");
  } catch (...) {
    LogStep("Form1 Create:");
  }
}

void TForm1::FormShow() {
  SetInsertMode(true);  // typing inserts
  ShowInsertMode();
  UpdateEditButtons();
  StatusBar1->setEnabled(StatusBarEnabled1->isChecked());
  try {
    TZQVIniFile child(ProgramFile("ChildFms.ini"));
    ScrollBarSnooze = child.ReadInteger("Form1General", "ScrollBarSnooze", 30);
  } catch (...) {
    ScrollBarSnooze = 30;
  }
  if (ScrollBox1->viewport()->width() - 10 > rMargin) ParaPanel1->SetMarkerPos(rMargin);
  else ParaPanel1->SetMarkerPos(ScrollBox1->viewport()->width() - 10);
}

void TForm1::FormActivate() {
  ShowInsertMode();
  if (isVisible() && MainImage) SetCaretPosition(this, 0, 0);
}

void TForm1::FormDeactivate() {}

void TForm1::ApplicationException(const std::string& message) {
  (void)message;
  if (DebugLevel >= 0)
    LogError("ApplicationException:" + std::to_string(LogErrorCount), GetLastError(), DebugLevel, 0, LogErrorCount);
}

void TForm1::AutoOpenFile(const std::string& argument) {
  QString trimmed = QString::fromStdString(argument).trimmed();
  const std::string path = trimmed.toStdString();
  if (!FileExists(path)) return;
  const std::string ext = UpperCase(ExtractFileExt(path));
  // Documents, image objects and shapes files are opened by the page and CAD code as they land.
  ShowMessage("Unable to auto open " + path);
  (void)ext;
}

void TForm1::InitializeSymbolList() {
  SymbolFontList.clear();
  const std::string name = ProgramFile("MnSymFt.dat");
  bool usable = false;
  if (FileExists(name)) {
    try {
      const auto bytes = ReadWholeFile(name, 1 << 20);
      std::string line;
      std::vector<std::string> lines;
      for (size_t i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\n') {
          if (!line.empty() && line.back() == '\r') line.pop_back();
          if (i < bytes.size() || !line.empty()) lines.push_back(line);
          line.clear();
        } else {
          line.push_back(char(bytes[i]));
        }
      }
      for (const auto& l : lines)
        if (l.empty() || l[0] != ';') SymbolFontList.push_back(l);
      usable = !SymbolFontList.empty();
    } catch (...) {
      usable = false;
    }
  }
  if (usable) return;
  if (MessageDlg("Unable to load Symbol font definitions or the definition file\r" + name +
                     ".\rThe file has been removed or is damaged\r\rLoad defaults?",
                 mtError, mbYes | mbNo, 1130) != mrYes)
    return;
  SymbolFontList = {"Symbol", "Period", "ZQVRelMath"};
  if (MessageDlg("Defaults loaded OK. You can save the defaults to prevent the\rerror message reappearing at start up.\r\rSave defaults?",
                 mtConfirmation, mbYes | mbNo, 1130) != mrYes)
    return;
  try {
    const std::string text = "Symbol\r\nPeriod\r\nZQVRelMath\r\n";
    WriteFileAtomically(name, text.data(), text.size());
  } catch (...) {
    ShowUnknownError("InitializeSymbolList");
  }
}

void TForm1::CreateCadEngine() {
  // A new engine keeps the drawing properties of the old one's template (not its nodes).
  std::unique_ptr<TStoredProperties> saved;
  if (Figures) {
    saved = std::make_unique<TStoredProperties>();
    saved->AssignWithoutNodes(*Figures->Template);
    delete Figures;
    Figures = nullptr;
  }
  int nodes = 16;
  try {
    TZQVIniFile ini(ProgramFile("Main.Ini"));
    nodes = ini.ReadInteger("General", "Max_Nodes", 16);
  } catch (...) {
  }
  nodes = std::clamp(nodes, 16, 123);
  const int ppi = ScreenPixelsPerInch();
  Figures = new TZQVCad(ScrollBox1, nodes, ppi, ppi);
  const bool metric = PageSetupDialog ? PageSetupDialog->DefaultMetric1->isChecked()
                                      : QLocale::system().measurementSystem() == QLocale::MetricSystem;
  Figures->SetMetric(metric);
  Figures->SetBackgroundColor(BackgroundColor);
  Figures->OnChange = [this](TZQVCad*) { CadChange(); };
  Figures->OnBackgroundColorChange = [this](TZQVCad*) { CadBackgroundColorChange(); };
  Figures->OnAfterDraw = [this](TZQVCad*) { CadAfterDraw(); };
  Figures->OnSelectionMoved = [this](TZQVCad*) { CadSelectionMoved(); };
  Figures->OnUnitsChange = [this](TZQVCad*) { CadUnitsChange(); };
  if (saved) Figures->Template->AssignWithoutNodes(*saved);
  Figures->Ready = true;
}

void TForm1::CadChange() {
  Modified = true;
  if (!DocFileName.empty()) FileModified = true;
}

void TForm1::CadAfterDraw() {
  if (!MainImage) return;
  RefreshText(&MainImage->Canvas(), 1.0, 1.0, false, 1);
  MainImage->update();
}

void TForm1::CadSelectionMoved() { Modified = true; }

void TForm1::CadUnitsChange() { ShowToolStatus(); }

void TForm1::DrawDragRect(TCanvas& Canvas, bool ClearAfter, TPoint Corner1, TPoint Corner2) {
  const TPen pen = Canvas.Pen;
  const TBrush brush = Canvas.Brush;
  Canvas.Pen = TPen{clBlack, 1, psDot, pmNotXor};
  if (ScreenColorDepth() <= 8 && !AppPalette.empty())
    Canvas.Pen.Color = AppPalette[size_t(NearestPaletteIndex(AppPalette.data(), int(AppPalette.size()), clBlack))];
  Canvas.Brush.Style = bsClear;
  Canvas.Rectangle(Corner1.X, Corner1.Y, Corner2.X, Corner2.Y);
  Canvas.Pen = pen;
  Canvas.Brush = brush;
  if (MainImage && &Canvas == &MainImage->Canvas()) MainImage->update();
  if (ClearAfter) {
    SelectionRect = TRect();
    SelectionRectShown = false;
  }
}

void TForm1::SetColorButtonGlyph(TZQVSpeedButton* Button, TColor Color) {
  QPixmap swatch(16, 16);
  const TColor c = ColorToRGB(Color);
  swatch.fill(QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
  Button->setIcon(QIcon(swatch));
  Button->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void LoadCustomCursors() {
  SetScreenCursor(7, QCursor(Qt::SizeAllCursor));     // "MOVE3"
  SetScreenCursor(15, QCursor(Qt::CrossCursor));      // "SELECT2"
  SetScreenCursor(16, QCursor(Qt::PointingHandCursor));  // "SELECT6"
  SetScreenCursor(17, QCursor(Qt::SizeAllCursor));    // "LRMOUSE"
  SetScreenCursor(18, QCursor(Qt::SizeAllCursor));    // "DRAGMOVE"
  SetScreenCursor(19, QCursor(Qt::OpenHandCursor));   // "MOVE2"
}

void TForm1::CadBackgroundColorChange() {
  if (!Figures) return;
  BackgroundColor = Figures->BackgroundColor;
  if (MainImage) MainImage->update();
}

void TForm1::LoadSpeedButtonGlyphs() {
  InitGlyphResources();
  const auto buttons = ToolPanel1->findChildren<TZQVSpeedButton*>();
  TGIFImage glyph;
  for (int n = 1; n <= 29; ++n) {
    QFile file(QString(":/glyphs/SB%1.gif").arg(n));
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QByteArray bytes = file.readAll();
    try {
      TBytesStream stream(bytes.constData(), size_t(bytes.size()));
      glyph.LoadFromStream(stream);
    } catch (...) {
      continue;
    }
    for (auto* b : buttons)
      if (b->Tag == n - 1 && b->parentWidget() == ToolBar4) b->SetGlyphFromGraphic(glyph);
  }
}

// ---------------------------------------------------------------- page image and state

void TForm1::CreateNewImage(int width, int height) {
  ScrollBox1->horizontalScrollBar()->setValue(0);
  ScrollBox1->verticalScrollBar()->setValue(0);
  const int depth = ScreenColorDepth();
  PageBufferFormat = depth == 4 ? pf4bit : depth == 8 ? pf8bit : depth == 16 ? pf16bit : pf24bit;
  bool isNew = false;
  if (!MainImage) {
    MainImage = new TMainImage();
    MainImage->setObjectName("MainImage");
    isNew = true;
  }
  try {
    MainImage->setGeometry(0, 0, width, height);
  } catch (...) {
    ShowUnknownError("CreateNewImage setting size");
  }
  try {
    MainImage->Bitmap().SetPixelFormat(PageBufferFormat);
    MainImage->Bitmap().SetSize(width, height);
    MainImage->Bitmap().Image().fill(Qt::white);
  } catch (...) {
    ShowUnknownError("CreateNewImage Creating bitmap");
  }
  MainImage->setCursor(Qt::IBeamCursor);
  MainImage->SetMarginGuides(false);
  MainImage->SetMargins(TRect(lMargin, tMargin, rMargin, bMargin));
  if (isNew) {
    try {
      MainImage->setContextMenuPolicy(Qt::CustomContextMenu);
      connect(MainImage, &QWidget::customContextMenuRequested, this,
              [this](const QPoint& p) { PopupMenu1->popup(MainImage->mapToGlobal(p)); });
      ScrollBox1->setWidget(MainImage);
      MainImage->OnMouseDown = [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
        MainImageMouseDown(b, m, x, y);
      };
      MainImage->OnMouseMove = [this](Qt::MouseButtons b, Qt::KeyboardModifiers m, int x, int y) {
        MainImageMouseMove(b, m, x, y);
      };
      MainImage->OnMouseUp = [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
        MainImageMouseUp(b, m, x, y);
      };
    } catch (...) {
      ShowUnknownError("CreateNewImage assigning parent");
    }
  }
  MainImage->resize(width, height);
  MainImage->show();
  MainImage->update();
}

void TForm1::SetDocumentFileName(const std::string& Name) {
  DocFileName = Name;
  setWindowTitle(QString::fromStdString(ProductCaption + ". File->" + DocFileName));
  SetApplicationTitle(DocFileName.empty() ? ProductCaption : ExtractFileName(DocFileName) + "-" + ProductCaption);
  QApplication::setApplicationDisplayName(QString::fromStdString(ApplicationTitle()));
}

bool TForm1::DocumentNeedsSave() { return !DocFileName.empty() && FileExists(DocFileName) && FileModified; }

void TForm1::ShowInsertMode() { SetPanelText(4, InsertModeOn() ? "Ins" : "Ovr"); }

void TForm1::ShowToolStatus() {
  QString tool = tbText->Down() ? "Text" : tbSelect->Down() ? "Select" : tbDraw->Down() ? "Draw" : "Move";
  SetPanelText(5, tool + (ToggleOnOff1->isChecked() ? "  Snap" : ""));
}

void TForm1::ReleasePickButtons() {
  for (auto* b : {tbPickPen, tbPickBrush, tbPickBackground, tbPickMnFontClr, tbPickDimFontColor}) b->SetDown(false);
}

void TForm1::UpdateEditButtons() {
  tbCopy->setEnabled(SelectionRectShown);
  tbCutText->setEnabled(false);
}

void TForm1::UpdateCadSelector() {}

void TForm1::ClearCurrentFigure() {}

bool TForm1::ConfirmOverwrite(const std::string& FileName, const std::string& Operation) {
  if (!FileExists(FileName)) return true;
  if (access(FileName.c_str(), W_OK) != 0) {
    ShowMessage("The file " + FileName + " is a read only file. Exiting " + Operation);
    return false;
  }
  if (MessageDlg("The File: " + FileName + " already exists. Overwrite?", mtWarning, mbYes | mbNo, 310) == mrYes)
    return true;
  ShowMessage("Exiting " + Operation);
  return false;
}

void TForm1::ReadOldShapePoints(bool Flag, const uint8_t* Record, size_t RecordSize, TPoint* Points, size_t PointCount) {
  ReadOldShapePointsFromRecord(Flag, Record, RecordSize, Points, PointCount);
}

// ---------------------------------------------------------------- commands

void TForm1::NewFile(QObject* Sender) {
  (void)Sender;
  ClearTextBuffers();
  if (PageSetupDialog) PageSetupDialog->SetUpPage(nullptr, false, 1);
  ClearSelectionRect();
  FillCanvas();  // the empty page's text cells
  CurrentI = 1;
  ClearSelectionRange();
  Modified = false;
  FileModified = false;
  SetDocumentFileName("");
  RefreshAllImages(this, false);
  UpdateStyleButtons(this, false, 0);
}

void TForm1::Exit1Click() { close(); }

void TForm1::tbTextClick(QObject*) {
  ReleasePickButtons();
  if (MainImage) MainImage->setCursor(Qt::IBeamCursor);
  ShowToolStatus();
}

void TForm1::tbSelectClick(QObject*) {
  ReleasePickButtons();
  if (MainImage) MainImage->setCursor(Qt::ArrowCursor);
  ShowToolStatus();
}

void TForm1::tbDrawClick(QObject*) {
  ReleasePickButtons();
  if (MainImage) MainImage->setCursor(Qt::CrossCursor);
  ShowToolStatus();
}

void TForm1::tbMoveClick(QObject*) {
  ReleasePickButtons();
  if (MainImage) MainImage->setCursor(Qt::SizeAllCursor);
  ShowToolStatus();
}

void TForm1::MainImageMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y) {
  if (FileBusy || !tbText->Down() || Button != Qt::LeftButton) return;
  DeselectImage(this, true);
  ClearSelection(true);
  MouseClickActive = true;
  try {
    CaretFromPoint(X, Y, 1);
  } catch (...) {
    MouseClickActive = false;
    throw;
  }
  MouseClickActive = false;
  SelStart = SelEnd = CurrentI;
  PaletteInsertCount = 0;
  SetCaretPosition(this, 0, 0);
  if (!MainFontPending) UpdateStyleButtons(this, false, 0);  // the buttons follow the text under the caret
}

void TForm1::MainImageMouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers, int X, int Y) {
  if (FileBusy || Button != Qt::RightButton || !MainImage) return;
  if (SelectionRectShown && SelectionRect.Contains(TPoint(X, Y)))
    PopupMenu2->popup(MainImage->mapToGlobal(QPoint(X, Y)));
}

void TForm1::MainImageMouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int) {
  // The page holds no pictures or image objects yet whose name the label could show.
  if (!LastItemLabel->text().isEmpty()) LastItemLabel->clear();
}

void TForm1::MetaPopupPopup(QObject*) {
  for (QAction* a : MetaPopup->actions()) a->setEnabled(ImageCount > 0);
}

void TForm1::ClearDocument(QObject*) {
  ClearTextBuffers();
  if (Figures) {
    Figures->FigureList.clear();
    Figures->ClearSelection();
  }
  PictureCount = 0;
  PasteCount = 0;
  ImageCount = 0;
}

bool TForm1::ApplyToSelectedShapes(QObject*, uint32_t) {
  // Nothing is applied while no figure can be selected on the page.
  return false;
}

bool TForm1::ImageFileNameInUse(const std::string&) { return false; }

void TForm1::tbUndoClick(QObject*) {
  // Text snapshots are counted but not yet stored: nothing can be taken back.
  if (MainImage) SetCaretPosition(this, 0, 0);
}

void TForm1::Text1Click(QObject* Sender) { tbUndoClick(Sender); }
void TForm1::Pictures2Click(QObject* Sender) { tbUndoClick(Sender); }
void TForm1::Pastes2Click(QObject* Sender) { tbUndoClick(Sender); }
void TForm1::Shapes2Click(QObject* Sender) { tbUndoClick(Sender); }

void TForm1::Toggles1Click(QObject*) {}

void TForm1::Print1Click(QObject*) {}

void TForm1::FormClose() {}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
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

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  QMainWindow::closeEvent(event);
}

void TForm1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) {
    if (isActiveWindow()) FormActivate();
    else FormDeactivate();
  }
  QMainWindow::changeEvent(event);
}

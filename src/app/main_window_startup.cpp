// The main window's start-up: the module's initialisation, the special-font check, the create and
// show handlers, cursors and toolbar glyphs.
#include "app/main_window.h"
#include "app/window_hosts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPixmap>
#include <QPrinterInfo>
#include <algorithm>

#include "cad/engine.h"
#include "cad/units.h"
#include "codecs/gif_image.h"
#include "codecs/jpeg_image.h"
#include "codecs/png_image.h"
#include "dialogs/form_placement.h"
#include "dialogs/macro_text_window.h"
#include "helpers/error_report.h"
#include "helpers/gif_painter.h"
#include "helpers/small_helpers.h"
#include "helpers/speed_button.h"
#include "helpers/zqv_gif.h"
#include "page/process_files.h"
#include "platform/app_dir.h"
#include "platform/canvas.h"
#include "platform/caret.h"
#include "platform/clipboard_formats.h"
#include "platform/cursors.h"
#include "platform/exceptions.h"
#include "platform/font.h"
#include "platform/guarded.h"
#include "platform/keys.h"
#include "platform/memory_policy.h"
#include "platform/messages.h"
#include "platform/process_messages.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"
#include "settings/settings_store.h"
#include "text/page_geometry.h"

// The glyph resources live in the core library and must be registered explicitly.
static void InitGlyphResources() { Q_INIT_RESOURCE(glyphs); }
static void InitCursorResources() { Q_INIT_RESOURCE(cursors); }

namespace {
constexpr const char* kProductTitle = "Korvalis V";

// Logs a start-up step when logging is on.
void LogStep(const std::string& text) {
  if (DebugLevel >= 0) LogError(text + std::to_string(LogErrorCount), GetLastError(), DebugLevel, 0, LogErrorCount);
}
}  // namespace

bool TForm1::CheckSpecialFonts() {
  const std::string fontsFolder = ShippedFile("fonts") + "/";
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
  const std::string path = FileName.find('/') == std::string::npos ? ShippedFile("fonts") + "/" + FileName : FileName;
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
    } catch (const Exception&) {
      // The mark only remembers that GIF writing was offered; an unreadable or unwritable
      // ChildFms.ini leaves it unset, which costs nothing.
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
      DebugLevel = child.ReadInteger("DEBUGGING", "DE_BUG_LEVEL", -1, -1, 9);
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
    LoadSettings(Hosts(), Hosts());
    LogStep("Form1 Create:");
    // Temporary image files go in this run's own folder under the system's temporary folder.
    std::string temp = ProcessTempFolder();
    while (temp.size() > 1 && temp.back() == '/') temp.pop_back();
    if (!DirectoryExists(temp) && !ForceDirectories(temp))
      ShowMessage("A directory " + temp + "is needed for " +
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
    // Reported as every escaped failure is: logged by the hook and shown with the stop icon.
    HandleEscapedException("TForm1.FormCreate", std::current_exception());
  }
}

void TForm1::FormShow() {
  // The window comes back where the user left it, on the screen.
  try {
    RestoreFormPlacement(this, AppDir() + "ChildFms.ini");
  } catch (const Exception&) {
    // An unreadable placement leaves the window at its designed size and place.
  }
  SetInsertMode(true);  // typing inserts
  if (!isMaximized()) KeepFormOnScreen(this);
  ShowInsertMode();
  LoadStartupDrawingDefaults();
  try {
    TZQVIniFile child(ProgramFile("ChildFms.ini"));
    ScrollBarSnooze = child.ReadInteger("Form1General", "ScrollBarSnooze", 30, 0, 200);
  } catch (...) {
    ScrollBarSnooze = 30;
  }
  // The window's settings once more, now that the application settings are in: what the window
  // kept (the option ticks among them) is what the run starts with.
  try {
    LoadCadSettings(this);
  } catch (const Exception& e) {
    ShowMessage(std::string("Unable to load the window's settings.\r") + e.what());
  }
  // The window's hints follow the tick kept with the window's settings.
  ShowHint = ToggleHints1->isChecked();
  // The status bar as it was left; its menu item shows it.
  StatusBarEnabled1->setChecked(StatusBar1->isEnabled());
  UpdateEditButtons();
  if (ScrollBox1->viewport()->width() - 10 > rMargin) ParaPanel1->SetMarkerPos(rMargin);
  else ParaPanel1->SetMarkerPos(ScrollBox1->viewport()->width() - 10);
  ParaPanel1->OnMouseUp = [this](int x, int y) { RulerMouseUp(x, y); };
}

void TForm1::RulerMouseUp(int, int) {
  // Dragging the marker took the mouse from the page: the caret goes back to its cell.
  if (MainImage) SetCaretPosition(this, 0, 0);
}

void TForm1::FormActivate() {
  ShowInsertMode();
  if (isVisible() && MainImage) SetCaretPosition(this, 0, 0);
}

void TForm1::FormDeactivate() {
  // The caret is the active window's: it goes while another window has the keyboard and comes
  // back with the activation.
  if (ScrollBox1 && CaretState().Owner == ScrollBox1->viewport()) DestroyCaret();
}

void TForm1::ApplicationException(const std::string& message) {
  (void)message;
  if (DebugLevel >= 0)
    LogError("ApplicationException:" + std::to_string(LogErrorCount), GetLastError(), DebugLevel, 0, LogErrorCount);
}

void TForm1::AutoOpenFile(const std::string& argument) {
  const std::string path = QString::fromStdString(argument).trimmed().toStdString();
  if (!FileExists(path)) return;
  const std::string ext = UpperCase(ExtractFileExt(path));
  if (ext == ".ZQV") {
    AddRecentFile(path, PageIniName, Reopen1);
    try {
      if (!Open_File(this, path) && !PageUntouchedByOpen) NewFile(this);
    } catch (const EFOpenError&) {
      ShowMessage("Failed to open File: " + path);
    } catch (...) {
      ShowUnknownError("AutoOpenFile");
    }
  } else if (IsImageFileName(path)) {
    LoadImageObject(path, TPoint{50, 50});
  } else if (ext == ".ZQS") {
    if (!Figures) return;
    try {
      if (!Figures->LoadShapesFile(path, false)) Figures->Clear();
    } catch (...) {
      // Reported as Load Shapes reports it; nothing of a damaged file stays on the page.
      ShowUnknownError("AutoOpenFile");
      Figures->Clear();
    }
    RefreshAllImages(this, false);
  } else if (ext == ".ZQM") {
    // A macro file (the desktop opens the program's macro files with it) opens in the Macro Text
    // window, as its Reopen list would open it.
    WriteMacros1Click(nullptr);
    if (!MacroText1) return;
    try {
      MacroText1->LoadMacroFile(path);
    } catch (const std::exception& e) {
      ShowMessage("Unable to open " + path + ". Possible reason\r" + e.what());
    }
  } else {
    ShowMessage("Unable to auto open " + path);
  }
}

void InitMainWindowModule() {
  static bool done = false;
  if (done) return;
  done = true;
  KeepLargeBuffersInHeap();
  // The picture codecs' start-up: their graphic classes register by file extension.
  RegisterPNGImageFormat();
  RegisterJPEGImageFormat();
  RegisterGIFImage();
  RegisterZQVGif();
  RegisterGIFPainter();  // GIF animations play on the event loop's timers
  SetApplicationTitle(kProductTitle);
  PageBuffer = new TBitmap();
  FormattedTextFormat = RegisterClipboardFormat("ZQVWare Korvalis V formatted text");
  RichTextFormat = RegisterClipboardFormat("Rich Text Format");

  PageIniName = AppDir() + "PageIni.ini";
  InitErrorReports(UserDataDir());
  InitializeDrawUnit();  // the screen centimetre, from the display's dots per inch
  // The shape formats are registered by the CAD engine's module before this one.
  const unsigned inchShapes = RegisterClipboardFormat("ZQVWare Inch shapes");
  const unsigned centimetreShapes = RegisterClipboardFormat("ZQVWare Centimetre shapes");
  HandledClipboardFormats = {FormattedTextFormat, CF_TEXT, inchShapes, centimetreShapes, CF_ENHMETAFILE,
                             CF_METAFILEPICT, CF_DIB, CF_BITMAP, RichTextFormat};
  // A machine without a print queue still prints to PDF files.
  PrinterPresent = true;
  // Escape or Stop while the program is busy asks the engine to stop what it is doing.
  SetStopHandler([] {
    if (Figures) Figures->SetStopRequest(true);
  });
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

// The page cursors: pictures of the program's own (32 x 32 with transparency) with their hot
// spots, each in its fixed slot of the screen's cursor table. A picture that cannot be loaded
// leaves its slot empty and is reported once all the others are in place.
void LoadCustomCursors() {
  InitCursorResources();
  static const struct {
    int slot;
    const char* name;
    int hotX, hotY;
  } cursors[] = {
      {1, "SELECTCSRLFT", 1, 1}, {2, "DRAWCSR", 2, 29}, {5, "RTMOUSE", 1, 1},  {7, "MOVE3", 15, 15},
      {10, "POUR", 27, 28},      {11, "UNPOUR", 27, 28}, {12, "ISPIC", 1, 1},  {15, "SELECT2", 15, 15},
      {16, "SELECT6", 15, 15},   {17, "LRMOUSE", 1, 1},  {19, "MOVE2", 15, 15}, {20, "GRABIT", 15, 15},
      {21, "PICKCLR", 2, 29},
  };
  std::string missing;
  for (const auto& c : cursors) {
    const QPixmap picture(QString(":/cursors/%1.png").arg(c.name));
    if (picture.isNull()) {
      missing += std::string(missing.empty() ? "" : ", ") + c.name;
      continue;
    }
    SetScreenCursor(c.slot, QCursor(picture, c.hotX, c.hotY));
  }
  if (!missing.empty()) throw Exception("cursors not loaded: " + missing);
}

void TForm1::LoadSpeedButtonGlyphs() {
  InitGlyphResources();
  // Glyph numbers: a button's Tag is the number of its glyph resource minus one, fixed per button
  // so that the layout may change; the other buttons of the tool panel show no glyph (-1). The
  // colour-pick buttons carry theirs on the picker panel wherever the layout puts it.
  static const struct {
    const char* name;
    int tag;
  } kGlyphTags[] = {
      {"_NewWorkSpace", 0}, {"tbOpen", 1}, {"tbSave", 2}, {"tbPrint", 3}, {"tbPrintPreview", 4}, {"tbUndo", 5},
      {"tbCopy", 6}, {"tbCutText", 7}, {"tbPaste", 8}, {"tbBold", 9}, {"tbItalics", 10}, {"tbUnderline", 11},
      {"tbStrikeOut", 12}, {"tbSuperScript", 13}, {"tbSubscript", 14}, {"tbMidscript", 15}, {"tbText", 16},
      {"tbSelect", 17}, {"tbDraw", 18}, {"tbMove", 19}, {"tbShapes", 20}, {"tbLineWidth", 21},
      {"tbLineStyle", 22}, {"tbBrushProperties", 23}, {"tbPenColor", 24}, {"tbPenMode", 25}, {"tbPickPen", 26},
      {"tbPickBrush", 27}, {"tbPickMnFontClr", 28}, {"WriteMacros1", 29},
  };
  auto buttons = ToolPanel1->findChildren<TZQVSpeedButton*>();
  for (auto* b : buttons) b->Tag = -1;
  for (const auto& g : kGlyphTags)
    if (auto* b = findChild<TZQVSpeedButton*>(g.name)) {
      b->Tag = g.tag;
      if (!buttons.contains(b)) buttons.append(b);
    }
  TGIFImage glyph;
  for (int n = 1; n <= 30; ++n) {
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
      if (b->Tag == n - 1) b->SetGlyphFromGraphic(glyph);
  }
}

void TForm1::SetColorButtonGlyph(TZQVSpeedButton* Button, TColor Color) {
  QPixmap swatch(16, 16);
  const TColor c = ColorToRGB(Color);
  swatch.fill(QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
  Button->setIcon(QIcon(swatch));
  Button->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

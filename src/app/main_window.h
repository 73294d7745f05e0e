// The main window. It owns the page state that the text engine, the page code and the dialogs
// share, and carries the menus, the tool bar, the palettes, the page area, the ruler and the
// status bar. Layout in main_window.ui (component names as objectName); behaviour here.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "page/page_part.h"
#include "platform/bitmap.h"
#include "platform/win_types.h"
#include "text/text_page.h"
#include "ui_main_window.h"

class TZQVCad;
class TCompress;
class TCanvas;
class TZQVSpeedButton;
class TMainImage;
class QPrintDialog;

// The pointer's speed, sampled every 200 ms by AccnTimer while drawing or moving with grid
// scanning on.
struct TMouseSpeedRec {
  float Speed = 0;  // pixels travelled since the previous sample, divided by 3
  TPoint LastPos;
};

class TForm1 : public QMainWindow, public Ui::TForm1, public TTextPage, public TPagePart {
  Q_OBJECT
public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // ---- document and page state
  bool Modified = false;      // changed since New, Open or Save
  bool FileModified = false;  // changed since loaded or saved; only while DocFileName is set
  std::string DocFileName;    // empty for an untitled page
  bool FileBusy = false;      // a document file is being read or written
  bool PageDisabled = false;  // the page is closed; no text key works
  bool PageUntouchedByOpen = true;  // the last open refused its file before the page changed
  bool SelRectKeyMoved = false;     // the page selection rectangle was moved from the keyboard
  std::vector<std::string> SymbolFontList;
  TPixelFormat PageBufferFormat = pf24bit;
  TMainImage* MainImage = nullptr;
  std::string ProductCaption = "Korvalis V";
  bool CanHaveLength = false;
  bool CanHaveAngle = false;
  uint8_t CustomSet = 0;
  uint8_t DefaultCaretHeight = 14;
  std::string WebLinkSuffix;
  TMouseSpeedRec MouseSpeed;
  bool ImageClickConsumed = false;
  QPrintDialog* PrinterDialog = nullptr;

  // ---- controls made in code
  // The compression component of documents and macro files (key 0).
  std::unique_ptr<TCompress> Compress1;
  QTimer* Timer1 = nullptr;
  QTimer* Timer2 = nullptr;
  QTimer* Timer3 = nullptr;
  QTimer* AccnTimer = nullptr;
  QLabel* LastItemLabel = nullptr;
  QWidget* LEDPnl = nullptr;
  QLabel* NodeLed = nullptr;
  // Status bar panels 0 to 5.
  std::array<QLabel*, 6> StatusPanels{};
  void SetPanelText(int panel, const QString& text);
  QString PanelText(int panel) const;

  // ---- start-up
  // Checks the special fonts and the symbol font; installs missing special fonts from the
  // program's fonts folder. False: the program must end.
  static bool CheckSpecialFonts();
  static int InstallFontFile(const std::string& FileName);
  void FormCreate();
  void FormShow();
  void FormActivate();
  void FormDeactivate();
  std::string GetAppFormVerCaption(const std::string& Title);
  // Logs what escaped an event handler when logging is on.
  void ApplicationException(const std::string& message);
  void AutoOpenFile(const std::string& argument);
  void InitializeSymbolList();
  void CreateCadEngine();
  // Engine events: a change marks the document modified; a new background colour repaints.
  void CadChange();
  void CadBackgroundColorChange();
  // After the engine drew new figures the page text is drawn over them again.
  void CadAfterDraw();
  void CadSelectionMoved();
  void CadUnitsChange();
  // The rubber-band rectangle from Corner1 to Corner2, dotted, in not-xor mode: drawing it twice
  // erases it. ClearAfter empties SelectionRect and marks it hidden.
  void DrawDragRect(TCanvas& Canvas, bool ClearAfter, TPoint Corner1, TPoint Corner2);
  // A 16 x 16 colour swatch as the button's glyph.
  void SetColorButtonGlyph(TZQVSpeedButton* Button, TColor Color);
  void LoadSpeedButtonGlyphs();

  // ---- page image, caption, status
  void CreateNewImage(int width, int height);
  void SetDocumentFileName(const std::string& Name);
  bool DocumentNeedsSave();
  void ShowInsertMode() override;
  // The page image's mouse: in text mode a click places the caret.
  void MainImageMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  void ShowToolStatus();
  void ReleasePickButtons();
  void UpdateEditButtons() override;
  void UpdateCadSelector() override;
  void ClearCurrentFigure();
  bool ConfirmOverwrite(const std::string& FileName, const std::string& Operation);
  // Points of an old 740-byte shape record into slots 0 to 7 of a point list (slot 1 is zeroed).
  void ReadOldShapePoints(bool Flag, const uint8_t* Record, size_t RecordSize, TPoint* Points, size_t PointCount);

  // ---- page mouse, document and undo commands
  // Right button inside the shown rubber band pops up its menu.
  void MainImageMouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  void MainImageMouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, int X, int Y);
  void MetaPopupPopup(QObject* Sender);
  // Empties the page: text cells, figures, picture, paste and image-object tables.
  void ClearDocument(QObject* Sender);
  // Applies the template's properties chosen by Mask to the selected figures inside the page
  // selection rectangle; False when there are none.
  bool ApplyToSelectedShapes(QObject* Sender, uint32_t Mask);
  // Another image object or a picture of the document uses the file.
  bool ImageFileNameInUse(const std::string& FileName);
  void tbUndoClick(QObject* Sender);
  void UndoLast1Click(QObject* Sender);
  void Text1Click(QObject* Sender);
  void Pictures2Click(QObject* Sender);
  void Pastes2Click(QObject* Sender);
  void Shapes2Click(QObject* Sender);
  void Toggles1Click(QObject* Sender);
  void Print1Click(QObject* Sender);
  void FormClose();

  // ---- documents: save, open, reopen, close (main_window_files.cpp)
  // Save and Save As; true when the page was written.
  bool _SaveClick(QObject* Sender);
  // Writes the page to FileName as a document (".zqv") or as plain text (".txt"); true when written.
  bool SaveFile(QObject* Sender, const std::string& FileName);
  void SaveImageObjectFiles(QObject* Sender, const std::string& FileName);
  std::string UniqueImageFileName(const std::string& Name, int Start);
  // File > Close; false when the user's save failed and the page stays.
  bool Close1Click(QObject* Sender);
  void _OpenClick(QObject* Sender);
  void FirstFileClick(QObject* Sender);
  bool Open_File(QObject* Sender, const std::string& FileName);
  bool OpenASCIIFile(QObject* Sender, const std::string& FileName);
  bool LoadImageObjectFiles(QObject* Sender);
  void RescaleOffsets(int32_t FileDpi, int32_t ScreenDpi);
  void RescalePictureRects(int32_t FileDpi, int32_t ScreenDpi, int32_t LastIndex, TPictureTable& Table);
  // The save question of the readers and the Open command: Yes saves (false when that failed),
  // Cancel gives false.
  bool AskSaveChanges(QObject* Sender, const std::string& Text);
  std::string LastDocumentFolder();
  void SetLastDocumentFolder(const std::string& FileName);

  // ---- what the page part asks of the window
  void SetUndoItemsEnabled(TUndoKind Kind, bool Enabled) override;
  void SetUndoMenuEnabled(bool Enabled) override;
  void SaveBeforeUndoReset(QObject* Sender) override;
  TBitmap* PageBackBuffer() override;
  void RedrawSelectionBand() override;

  // ---- commands
  void NewFile(QObject* Sender);
  void Exit1Click();

  // The tool buttons: exactly one of tbText, tbSelect, tbDraw, tbMove is down.
  void tbTextClick(QObject* Sender);
  void tbSelectClick(QObject* Sender);
  void tbDrawClick(QObject* Sender);
  void tbMoveClick(QObject* Sender);

  // ---- what the text engine asks of the window (text/text_host.h); text_host_window.cpp
  const TFont& MainFont() override;
  int ScriptPercent() override;
  int CustomOffset() override;
  int StandardSize() override;
  bool InSymbolFontList(const std::string& name) override;
  bool ExecuteFontDialog(TFont& font) override;
  TCanvas* PageCanvas() override;
  void InvalidatePage() override;
  TColor PageBackgroundColor() override;
  void SetPageCursorIBeam() override;
  void SetDocumentModified() override;
  bool IsPageDisabled() override { return PageDisabled; }
  bool IsMouseClickActive() override;
  void SaveApplicationDefaults() override;
  bool MetricUnits() override;
  bool CaretAllowed(QObject* sender) override;
  void PlaceTextCaret(int width, int height, int x, int y) override;
  void HideTextCaret() override;
  TPoint ScrollPosition() override;
  int ScrollClientHeight() override;
  int ScrollClientWidth() override;
  void ScrollVertically(int delta) override;
  void ScrollHorizontallyTo(int pos, bool onlyWhenVisible) override;
  bool StatusBarEnabled() override;
  void SetStatusPanel(int index, const std::string& text) override;
  QObject* ButtonObject(TextButton b) override;
  bool ButtonDown(TextButton b) override;
  void SetButtonDown(TextButton b, bool down) override;
  void SetButtonEnabled(TextButton b, bool enabled) override;
  bool MenuChecked(TextMenu m) override;
  void SetMenuChecked(TextMenu m, bool checked) override;
  void SetMenuEnabled(TextMenu m, bool enabled) override;
  bool IsMenu(QObject* sender, TextMenu m) override;
  bool IsToolbarButton(QObject* sender) override;
  bool IsMenuItem(QObject* sender) override;
  bool IsFontStepButton(QObject* sender) override;
  QObject* MainWindowObject() override { return this; }
  void ClickTextTool() override;
  bool CustomPanelVisible() override;
  bool MoveImageFrameByKey(uint16_t key) override;
  void KeyMoveSelectionRect(uint16_t key, TShiftState shift) override;
  void FinishKeyMovedSelectionRect() override;
  void MoveIndentMarker(uint16_t key) override;
  void EscapeOnPage() override;
  void AltShortcut(uint16_t key) override;
  void HideCadReferenceSelector() override;
  bool DeleteSelectedImageObject() override;
  void DeleteSelectedFigures() override;
  void ClearSelectionRect() override;

protected:
  // The window previews the keys of its controls: they go to the text engine's key handlers.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  // Wires every command; each concern wires its own, in its own file.
  void WireCommands();
  void WireToolCommands();      // main_window_tools.cpp
  void WireTextCommands();      // text_host_window.cpp
  void WireDocumentCommands();  // main_window_document.cpp
  void WireFileCommands();      // main_window_files.cpp
  void WireMenuCommands();      // main_window.cpp
  void WireClosingCommands();   // main_window_closing.cpp
  void SetUpStatusBar();
  bool Shown = false;
};

extern TForm1* Form1;

// ---- globals of the main window's module
extern TColor BackgroundColor;
extern TRect SelectionRect;
extern bool SelectionRectShown;
extern bool DrawingDragActive;
extern bool MouseClickActive;
extern int32_t DebugLevel;
extern int32_t LogErrorCount;

extern std::string PageIniName;  // AppDir + "PageIni.ini"
extern TBitmap* PageBuffer;      // back buffer of the page renderer
extern bool PrinterPresent;
extern std::vector<std::string> ImageExtensions;
extern int ScrollBarSnooze;
extern int SnapAreaSize;

// Registers the program's cursors under their fixed screen cursor slots (7 move, 15 and 16
// select, 17 both buttons, 18 drag-move, 19 move).
void LoadCustomCursors();
// Runs the module's initialisation once: program folder, page-settings path, back buffer,
// clipboard format ids.
void InitMainWindowModule();
// The query suffix of the maker's web addresses from the installer's file name: setup_ab12.exe
// gives "&a=ab12"; a name without "_" gives nothing.
std::string WebLinkSuffixOf(const std::string& setupFile);
// The font dialog of Change Selected Text Attributes asks this hook instead when it is set (tests
// answer the dialog through it).
extern std::function<bool(TFont&)> TextFontDialogHook;
// The document dialogs (open, save) ask this hook instead when it is set: it gets the dialog's
// title and folder and returns the chosen name, empty for Cancel (tests answer through it).
extern std::function<std::string(const std::string& Title, const std::string& Folder)> DocumentDialogHook;
// Upper-cased extension of FileName is one of ImageExtensions.
bool IsImageFileName(const std::string& FileName);

// The main window. It owns the page state that the text engine, the page code and the dialogs
// share, and carries the menus, the tool bar, the palettes, the page area, the ruler and the
// status bar. Layout in main_window.ui (component names as objectName); behaviour here.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "cad/cad_types.h"
#include "page/page_part.h"
#include "platform/bitmap.h"
#include "platform/font.h"
#include "platform/win_types.h"
#include "text/text_page.h"
#include "ui_main_window.h"

class TZQVCad;
class TCompress;
class TCanvas;
class TZQVSpeedButton;
class TMainImage;
class QLabel;
class QKeyEvent;
class QMenu;
class QAction;
class TLed;
struct TMeasureRec;
class QPrintDialog;
class QPrinter;
class TGraphic;
class TMetafile;
class TPrintPreview;
struct TPrinterValues;
struct TPreviewSizes;
class QAction;
class TCustButPanel;
class TWindowHosts;
class TDragRect;
class TMetafile;
class TMetafileCanvas;
class TGraphic;
class TSizeChangedImage;
class TCommandTable;


class TForm1 : public QMainWindow, public Ui::TForm1, public TTextPage, public TPagePart {
  Q_OBJECT
public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;
  // The one object through which the dialogs, windows and settings reach this window.
  TWindowHosts& Hosts() { return *WindowHosts; }

  // The commands of the menus, the tool buttons and the keys (command_table.h).
  std::unique_ptr<TCommandTable> Commands;
  // Opening handlers and commands of the menus the layout does not carry
  // (main_window_menu_handlers.cpp).
  void PopupMenu2Popup(QObject* Sender);
  void ZoomIn1Click();
  void ToggleLineSnapping1Click();
  void PageSettings1Click(QObject* Sender);
  void Copy3Click(QObject* Sender);  // the status bar's six panels to the clipboard
  void DimensionFont1Click(QObject* Sender);
  void Shortcuts1Click(QObject* Sender);
  void Gettingstarted1Click(QObject* Sender);

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
  bool ShowHint = true;          // palette and tool hints
  bool ShowSnapMessage = true;
  int DimensionFontSize = 10;    // the dimension font's size in points

  // ---- controls made in code
  // The compression component of documents and macro files (key 0).
  std::unique_ptr<TCompress> Compress1;
  QTimer* Timer1 = nullptr;
  QTimer* Timer2 = nullptr;
  QTimer* Timer3 = nullptr;
  QTimer* AccnTimer = nullptr;
  QLabel* LastItemLabel = nullptr;
  QWidget* LEDPnl = nullptr;
  TLed* NodeLed = nullptr;  // red: the pointer is on no node
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
  // Mouse-up on the ruler (its marker was dragged).
  void RulerMouseUp(int X, int Y);
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
  // Picture export (main_window_export.cpp): writes the page area Area (inclusive) to FileName by
  // its extension, bitmaps in the variant VariantIndex (0..5).
  void SaveGraphic(const std::string& FileName, const TRect& Area, int VariantIndex);
  // Figures and text of the page rectangle r, drawn relative to its top-left corner.
  void RefreshRect(TCanvas& canvas, const TRect& r);
  int ExportJpegQuality() const;
  // ---- graphics export commands (main_window_export.cpp)
  // Save All As Graphic: the whole page through the window's own save dialog.
  void Monochrome1Click(QObject* Sender);
  // Save Selection As: Sender is the menu item, whose index in its submenu picks the variant.
  void FullColor2Click(QObject* Sender);
  // Opening handlers of the two Save Selection As submenus (captions, the shapes item).
  void SaveSelectionAsbmp1Click(QObject* Sender);
  void SaveSelectionAs1Click(QObject* Sender);
  // The pictures and pastes meeting SelectionRect, drawn relative to its top-left corner. For
  // printing they keep their page positions, and pictures held in metafile files are left out
  // (the print draws them from their files).
  void RefreshPictures(QObject* Sender, TCanvas& Canvas, bool ForPrinting);
  void RefreshPastes(QObject* Sender, TCanvas& Canvas, bool ForPrinting);
  // ---- printing, print preview, printer set-up (main_window_printing.cpp)
  // Page pixels to printer pixels, the corner taken one page pixel up and to the left.
  void PageRectToPrinter(int DpiX, int DpiY, const TRect& Rect, TRect& Result);
  void ScaleRect(const TRect& Rect, TRect& Result, double Scale);
  // The character cells whose anchor lies in Area (right and bottom edges outside), back layer
  // first, at their page positions.
  void PrintTextCells(TCanvas& Canvas, const TRect& Area);
  // One image object (Bounds: its control's bounds) at printer resolution.
  void DrawprinterEMF(TCanvas& Canvas, int DpiX, int DpiY, const TRect& Bounds, TGraphic* Graphic);
  // One picture from its metafile file.
  void PrintPictureFile(TCanvas& Canvas, int DpiX, int DpiY, const TPictureRec& Picture);
  void DrawPreviewLabel(TCanvas& Canvas, const TRect& Rect, const std::string& Text);
  void BuildPrintPreview(TPrintPreview& Preview, const TPrinterValues& V, const TPreviewSizes& S,
                         TMetafile& PictureLayer, TMetafile& TextLayer, const TMappingRec& World);
  void PrintLayers(QPrinter& Printer, const TPrinterValues& V, TMetafile& PictureLayer,
                   TMetafile& TextLayer, const TMappingRec& World);
  // The PDF file a print goes to; "" when the user cancelled.
  std::string PrinterFileName(const std::string& Folder, int& FilterIndex);
  // File > Set up Printer (Sender a menu item) and the printer check (no sender).
  void SetupPrinter1Click(QObject* Sender);
  // ---- picture tools (main_window_picture_tools.cpp)
  // Edit > Select Image Object: the only object directly, the chooser for two or more.
  void SelectImageObjectClick(QObject* Sender);
  // The image-files window, made when it does not exist yet.
  void MacroImages1Click(QObject* Sender);
  void JPegQuality1Click(QObject* Sender);
  // The object the chooser points at; -1 for none.
  int ChosenImage = -1;
  // The area as a metafile of its size, in page order.
  void DrawAreaMetafile(TMetafile& Metafile, const TRect& Area, bool Enhanced);
  // The whole page image written by extension (Save All's writers and messages).
  void WritePage(const std::string& FileName, const std::string& UpperExt);
  // A chosen export name that belongs to a picture of the page: asked about; "" abandons it.
  std::string ResolveImageNameClash(const std::string& Name, const std::string& Filter, int FilterIndex, int ItemIndex);
  // ---- page mouse, document and undo commands
  // Right button inside the shown rubber band pops up its menu.
  void MainImageMouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  void MainImageMouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, int X, int Y);
  // The drawing surface (main_window_surface.cpp).
  bool DrawingTool() const;  // the drawing or the move tool is down
  void EngineMouseFlags(bool& Draw, bool& Move, bool& Snapping, bool& DimTracking) const;
  // Colour picking takes the page's mouse events while a pick button is down (Stage 0 down,
  // 1 move, 2 up); true when it took this one.
  bool PickingColor(int X, int Y, int Stage);
  void FinishMouseUp();
  void SetNodeLed(bool State);
  void AutoScroll(int X, int Y);
  void ShowRectangleReadouts();
  // Status panels 0 to 3 while drawing or moving: size, angle, dx/dy and position readouts.
  void ShowMeasurements(int Kind, uint8_t Shift, const TMeasureRec& Info, TPoint Mouse);
  void AccnTimerTimer(QObject* Sender);
  // Extends or shrinks the text selection to the pointer while the left button is held.
  void DragSelectText(int X, int Y);
  void SelectorMouseDown(QObject* Sender, Qt::MouseButton Button, int X, int Y);
  void SelectorMouseUp(QObject* Sender, Qt::MouseButton Button, int X, int Y);
  void SelectorNodeSnap(QObject* Sender);
  // One shape entry on the page's undo: the engine's undo depth to go back to, DepthBefore when a
  // caller pushes after the operation, else the depth now (a caller pushing before it).
  void PushShapeUndo(QObject* Sender, int DepthBefore = -1);
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
  // The close questions: unsaved work (Yes saves; a save abandoned or failed keeps the window
  // open) and the application defaults. True when the window may close.
  bool FormCloseQuery(QObject* Sender);
  void FreeFonts();
  // File > New and the New button: offers to save changed work, then empties the page.
  void _NewWorkSpaceClick(QObject* Sender);
  // Closes the Transforms window, which works on the engine a new page replaces.
  void CloseTransformsWindow();
  // An undo whose file could not be read: the user is told, the undo files are made afresh.
  void UndoStreamFailed();
  // A text undo (the Undo menus and the text commands that take a change back); an undo file
  // that cannot be read is handled here.
  void UndoText(QObject* Sender) override;
  bool Closed = false;              // FormClose has run
  bool CloseQueryAnswered = false;  // the close questions were answered elsewhere (tests)

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
  bool LoadImageObject(const std::string& FileName, TPoint Position);
  bool OpenASCIIFile(QObject* Sender, const std::string& FileName);
  bool LoadImageObjectFiles(QObject* Sender);
  // After a document was read: removes the image objects the user chose to drop.
  void RemoveDroppedImageObjects();
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
  // Takes a shown page selection rectangle off the page and empties it.
  void EraseSelectionRect();

  // The drawing-tool popups and colour buttons (main_window_shape_menus.cpp).
  void BuildShapeMenus();
  QMenu* ShapeMenu(const char* Name) const;
  // Opens the named popup just below the button's left edge.
  void PopupUnder(TZQVSpeedButton* Button, const char* MenuName);
  // Sets a template value; when it went to selected figures instead, restores the template.
  void ApplyTemplateChoice(uint32_t Mask, const std::function<void()>& Set, const std::function<void()>& Restore);
  void ShapeKindClick(QAction* Item, QMenu* Group, int Kind, bool Clear);
  void TickShapeGroups(QMenu* Group);
  void Shapes1Popup(QObject* Sender);
  void Radius1(QAction* Item, QMenu* Group, int Kind, int Position);
  void LineThicknessPopup(QObject* Sender);
  void P6Click(QAction* Item, int Position);
  void DashDotDot1Click(QAction* Item, int Position);
  void PenMode1Popup(QObject* Sender);
  void NotXor1Click(QAction* Item, int Position);
  void DiagonalCross1Click(QAction* Item, int Position);
  void tbPenColorClick(QObject* Sender);
  void BrushColor1Click(QObject* Sender);
  void Measure1Click(QObject* Sender);
  void DrawshapeTicks1Click(QObject* Sender);

  // ---- drawing dialogs and their openers; main_window_draw_dialogs.cpp
  void PenandBrushAttributes1Click(QObject* Sender);
  void TransformShapesClick(QObject* Sender);
  void SetupSine1Click(QObject* Sender);
  // CAD option commands; main_window_cad_options.cpp
  void ToggleOnOff1Click(QObject* Sender);
  void ScanGrids1Click(QObject* Sender);
  void DrawGridsDynamically1Click(QObject* Sender);
  void SnaptoPixel1Click(QObject* Sender);
  void WantTicks1Click(QObject* Sender);
  void SameColorDivider1Click(QObject* Sender);
  // Drawing-defaults files; main_window_drawing_defaults.cpp
  void Save1Click(QObject* Sender);
  void Program1Click(QObject* Sender);
  bool ReadDefaultsFile(const std::string& FileName);
  void LoadStartupDrawingDefaults();
  // File > New: the chosen drawing-defaults file into the template and the stored background colour.
  void LoadNewFileDrawingDefaults();
  // Size commands; main_window_shape_sizes.cpp
  void ArcRadius2Click(QObject* Sender);
  void SetupGrid1Click(QObject* Sender);
  void SetupPolyGon1Click(QObject* Sender);
  void SetNodeCount1Click(QObject* Sender);
  void DimensionSettings1Click(QObject* Sender);
  void Permissions1Click(QObject* Sender);
  void AngledText2Click(QObject* Sender);
  void NoLine1Click(QObject* Sender);
  void ChooseDimensionFont(QObject* Sender);
  // Takes back the newest shape entry of the page's undo.
  void UndoShape(QObject* Sender);

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
  bool CadKeyDown(uint16_t Key, TShiftState Shift) override;
  void CadKeyUp(QObject* Sender, uint16_t Key, TShiftState Shift) override;
  void RefreshLayer(QObject* Sender, uint16_t Key) override;
  // Add Node and Delete Node of the last selected multiline or Bezier chain.
  void AddNode1Click(QObject* Sender);
  void DeleteNode1Click(QObject* Sender);
  void ClearSelectionRect() override;
  bool CutSelectedShapes(QObject* Sender) override;
  bool PasteByFormat(QObject* Sender, unsigned Format) override;

  // ---- text editing commands: palettes, micro-spacing, indent, trim, wrap, blank lines,
  // clipboard, information (main_window_text_commands.cpp), zoom (main_window_zoom.cpp), page
  // copy and shape paste (main_window_page_copy.cpp)
  void Panel20Click(QObject* Sender);
  // A custom palette button types its character as the custom group does.
  void CustomButtonClick(TCustButPanel* Button);
  void Micro_Space_UpMouseDown(QObject* Sender);
  void Micro_Space_UpMouseUp(QObject* Sender);
  // The repeat step of a micro button's timer: only while the pointer is over the button.
  void MicroTimerTick(QTimer* Timer);
  void ShowOffsetMessage();
  void Information1Click(QObject* Sender);
  void SetPasteCaption(QObject* Target);
  void Z12Click(QObject* Sender);
  void ApplyZoom(int Level, TRect Rect);
  TPoint GetScrollOffset();
  TRect ScrolledRect(TRect Rect);
  void tbCopyClick(QObject* Sender);
  void PasteCutFiguresatCaret1Click(QObject* Sender);
  void PasteSelectedFigures1Click(QObject* Sender) { PasteShapesInPlace(Sender); }
  void PasteShapesInPlace(QObject* Sender);
  void CutClick(QObject* Sender);
  void UndoLineClick(QObject* Sender);

  // ---- CAD engine wiring and settings (main_window_cad_settings.cpp)
  // What the window keeps of a file dialog between uses, and the dimension font dialog's font.
  struct TFileDialogState {
    std::string InitialDir;
    int FilterIndex = 1;
  };
  struct TFontDialogState {
    TFont Font{"Times New Roman", 10};
  };
  TFileDialogState OpenDialog1, SaveDialog2, OpenPictureDialog1;
  TFileDialogState SaveDialog1;  // Save All As Graphic
  TFontDialogState DimensionFontDg;
  // Engine options from "PageIni.ini" [General], after the "Main Form" section.
  void LoadCadSettings(QObject* Sender);
  void SaveCadSettings();
  // The option ticks, the dimension font and the dialog folders in "ChildFms.ini" [Main Form].
  void LoadMainFormSettings();
  void SaveMainFormSettings();
  void CadListChange(TZQVCad* Sender);
  void CadDeleteSelected(TZQVCad* Sender, const std::vector<int32_t>& Selection);
  void CadZoomChange(TZQVCad* Sender);
  void CadPaste(TZQVCad* Sender);

  // ---- page context menu and small Tools and Help commands (main_window_context_menu.cpp)
  void PopupMenu1Popup(QObject* Sender);
  // The clipboard holds a format the page can paste in some way.
  bool AnyPasteableFormat();
  // Fills List with the sixteen cleared custom colour lines; nothing without a list.
  static void ResetCustomColors(std::vector<std::string>* List);
  void Clearcustomcolors1Click(QObject* Sender);
  void Showtips1Click(QObject* Sender);
  void Versioncomparisons1Click(QObject* Sender);
  void Messageboard1Click(QObject* Sender);
  void LoadDrawingDefaults1Click(QObject* Sender);
  void Adduser1Click(QObject* Sender);
  // Names the first pasteable clipboard format in the caption of a paste item or the hint of the
  // paste button (the text commands' own; a weak stand-in until they are linked).

  // ---- colour picking and the background colour (main_window_color_picker.cpp)
  // Tools > What Color?: shows or hides the picker panel at the top left of the page.
  void WhatColor1Click(QObject* Sender);
  // The picker panel's close button: hides the panel and releases its pick buttons.
  void SpeedButton1Click(QObject* Sender);
  void tbPickMnFontClrClick(QObject* Sender);
  // The panel's colour text to the clipboard.
  void Copy4Click(QObject* Sender);
  // Settings > Application > Back Ground Color > Set (a colour dialog) or System (the window colour).
  void Set1Click(QObject* Sender);
  // Adds Color to the custom colours file's first free entry (asks when the palette is full);
  // False when nothing was written.
  bool AddColorToPalette(TColor Color);
  // Empty cells take the main font and offset 0 (after the main font changed).
  void ResetEmptyCellFonts();
  // The picker panel's colour text ("#FFFFFF" at start, then "$RRGGBB" of the pixel under the pointer).
  QLabel* ColorPickerCaption = nullptr;
  TZQVSpeedButton* tbAddColorToPalette = nullptr;
  QAction* WhatColor1 = nullptr;

  // ---- shape edit commands, shapes files, the Undo menu's states (main_window_shape_commands.cpp)
  void EditShapes1Click();
  void CopySelectedFigures1Click(QObject* Sender);
  void DeleteLastSelectedItem1Click(QObject* Sender);
  // Delete Selected Shapes keeps the figures for shape undo; Remove Selected Shapes does not.
  void DeleteSelectedShapes1Click(QObject* Sender);
  void BringLastShapetoFront1Click(QObject* Sender);
  void SendLastShapetoBack1Click(QObject* Sender);
  void RestackLastShape(QObject* Sender, bool ToFront);
  // The pop-up's Bring to Front and Send to Back of the selection.
  void SendtoBack2Click(QObject* Sender);
  void ConverttoMultiline1Click(QObject* Sender);
  // Saves every figure to "Shapes Backup.bak", then removes them all with their shape undo.
  void ClearShapes1Click(QObject* Sender);
  void Undo1Click();
  std::string UndoButtonHint() const;
  // Writes the selected figures to a shapes file; adds a shapes file's figures to the drawing.
  void zqs1Click(QObject* Sender);
  void LoadShapes1Click(QObject* Sender);
  QMenu* EditShapes1 = nullptr;

  // ---- dimension switches, copy magnification and view options (main_window_cad_options.cpp)
  // Ticks On (OnItem) or Off of a Want Dimensions submenu from the first selected figure or the template.
  void WantDimension1Click(QAction* OnItem);
  void Off1Click(QAction* Sender);
  void OpaqueDimensions1Click();
  void Outlinefonts1Click();
  void On3Click(QAction* Sender);
  void On5Click(QAction* Sender);
  void LargeBitmaps1Click();
  void N101Click(QAction* Sender);
  void TransparentImages1Click(QObject* Sender);
  void AlwaysRefresh1Click(QObject* Sender);
  // Whether the five palette panels show their buttons' hints.
  void SetPaletteHints(bool Show);

  // ---- menu states and option commands (main_window_menus.cpp)
  void _FileClick();
  // The Options menu's states: status bar and hints ticks, scroll bars, short menus.
  void _OptionsClick();
  void _EditClick();
  void ApplicationSettings1Click();
  void ScrollSpeed1Click();
  void _HorzScrollBarsClick();
  void _VerticalScrollBarsClick();
  void _SetCopyMetafileDefaultClick();
  void ToggleHints1Click();
  void StayonTop1Click();
  void ShortMenus1Click(QObject* Sender);
  void InsertAfterPaste1Click(QObject* Sender);
  void None1Click(QObject* Sender);
  void SpecialFonts1Click();
  void MainFont1Click();
  void SetSelectionOffset1Click();
  // ---- macro text window, paste special, object editor (main_window_macros.cpp)
  void WriteMacros1Click(QObject* Sender);
  void PasteMacro1Click(QObject* Sender);
  void PasteSpecial1Click(QObject* Sender);
  void ObjectEditor1Click(QObject* Sender);
  // The clipboard's picture (its enhanced metafile, else its bitmap) as a new image object at the
  // caret with the picture's own size; refused at the image-object limit.
  void PasteClipboardPicture(bool Metafile);
  std::string ChoosePictureFile(const std::string& Start);
  void Panel61MouseMove(QObject* Sender);
  void TransformsApplied(QObject* Sender);
  // ---- Tools and Help (main_window_help.cpp)
  void Tools1Click();
  void ImageEditor1Click();
  void Flumbric1Click();
  void Contents1Click();
  void ZQVWarewebsite1Click();
  void About2Click();
  int ShellRun(const std::string& FileName, const std::string& Parameters, int ShowCommand, const std::string& Folder);
  // The address Help > ZQVWare web site opens.
  std::string WebSiteAddress() const;

  // ---- pictures, pasted bitmaps and image objects (main_window_pictures.cpp,
  // main_window_image_objects.cpp, main_window_image_commands.cpp, main_window_image_save.cpp)
  int SelectedImage = 0;        // the selected (or last selected) image object
  TDragRect* aDrag = nullptr;   // the resize frame over the selected object; null when none
  // Pictures and pastes whose missing file the user chose to ignore, and files that could not be
  // decoded and were reported: each is asked about or reported once, not at every repaint.
  std::set<std::string> IgnoredMissingFiles, ReportedBadFiles;
  // Missing and undecodable picture and paste files are settled with the user first.
  void RefreshAllImages(QObject* Sender, bool NoHourglass) override;
  void LoadPictureClick(QObject* Sender);
  bool AddPicture(QObject* Sender, const std::string& FileName, const TRect& Rect);
  int LocateMissingPicture(std::string& FileName, int MaxLength);
  static void CompactPictureList(TPictureTable& Table, uint8_t& Count);
  void ClearPictures();
  void RefreshPictures(QObject* Sender, TCanvas* Canvas);
  void GraphicToBitmap(TGraphic& Graphic, TBitmap& Bitmap);
  void PastePictureClick(QObject* Sender);
  void RefreshPastes(QObject* Sender, TCanvas* Canvas);
  int LocateMissingPaste(std::string& FileName, int MaxLength);
  // Before a repaint: a picture or paste file that is gone goes through Locate once (the entry is
  // dropped, ignored from now on, or found under a new Name); a file that does not decode is
  // reported once with BadFileMessage.
  enum class TFileSettled { Present, Found, Ignored, Dropped };
  TFileSettled SettlePageFile(std::string& Name, int (TForm1::*Locate)(std::string&, int),
                              const std::string& BadFileMessage);
  static void CompactPasteList(TPasteTable& Table, uint8_t& Count);
  void ClearPastes(QObject* Sender);
  void DeleteTempPasteFiles();
  bool TransparentOption() const;
  void CreateImageObject(int Index, int Left, int Top, int Width, int Height, bool AutoSize, bool Stretch);
  void ConverttoImageObject1Click(QObject* Sender);
  bool CreateMetafileCanvas(TMetafile& Metafile, std::unique_ptr<TMetafileCanvas>& Canvas, int Width, int Height);
  void SelectImage(int Index);
  bool DeselectImage(QObject* Sender, bool StoreRect) override;
  void DeleteImageFromArray(int Index);
  void RestoreImageObject(TDeletedImageObject& Entry) override;
  void ClearImageRecords();
  void ClearAllImages(QObject* Sender);
  void FreeImageObject(QObject* Sender, int Index);
  void RestackImageObjects();
  // The image objects meeting Area drawn onto Canvas, whose origin is Area's corner.
  void DrawImageObjects(TCanvas& Canvas, const TRect& Area);
  // The page rectangle of an object's control.
  TRect ImageObjectRect(int Index) const;
  // The topmost object whose rectangle holds the page point; -1 for none.
  int ImageObjectAt(int X, int Y) const;
  bool PageDragDropFiles(const std::vector<std::string>& Files, TPoint At);
  // A palette button dropped on the page: its caption becomes an angled-text figure at At.
  bool PageDragDropPanel(QWidget* Panel, TPoint At);
  void SizeHandles2Click(QObject* Sender, bool Dynamic);
  void GreyScale1Click(QObject* Sender, int Position);
  void N902Click(QObject* Sender, int Position);
  void Animate1Click(QObject* Sender);
  void OFF4Click(QObject* Sender);
  void Properties1Click(QObject* Sender);
  void SetSize1Click(QObject* Sender);
  void Images1Click(QObject* Sender);
  void Clipboard1Click(QObject* Sender);
  void DisableImageSelection1Click(QObject* Sender);
  void Delete1Click(QObject* Sender);
  void Copy2Click(QObject* Sender);
  void Cut1Click(QObject* Sender);
  void SaveImage1Click(QObject* Sender);
  void EmbedImage1Click(QObject* Sender);
  void BringtoFront2Click(QObject* Sender);
  void SendtoBack1Click(QObject* Sender);
  // After a restack of the image objects: tags, frame, stacking, modified flag, repaint.
  void ImageObjectsRestacked(QObject* Sender);
  // The control's graphic at its displayed size (the caller owns it); null without a graphic.
  std::unique_ptr<TGraphic> ImageObjectPicture(TSizeChangedImage* C);
  void ShowImageObjectName(int Index);
  bool EmbedAsPaste(QObject* Sender, TSizeChangedImage* C);
  bool EmbedAsPicture(QObject* Sender, TCanvas& Canvas, const std::string& FileName, const TRect& Rect);
  void Mitchell1Click(QObject* Sender, int Position);
  void SaveImageAs1Click(QObject* Sender);
  // Save As of the selected object; ItemIndex picks the bitmap variant (0..5, others none).
  void gifjpgemfwmf1Click(QObject* Sender, int ItemIndex);
  std::unique_ptr<TGraphic> ConvertGraphic(TGraphic* Graphic, const std::string& Ext, bool Transparent);
  void WirePictureCommands();
  // The picture cases of the general Paste: a clipboard bitmap or metafile becomes a new image
  // object at the caret (or in the middle of the visible page).
  bool PasteImageObject(QObject* Sender, unsigned Format);
  // An empty graphic of the class an image object loaded from FileName holds (".GIF" only where
  // GIF pictures may be written); null for other extensions.
  static std::unique_ptr<TGraphic> NewImageObjectGraphic(const std::string& FileName);

  // ---- custom palette buttons and the settings hosts; main_window_custom_palette.cpp,
  // main_window_settings.cpp
  std::array<TCustButPanel*, 42> CustButs{};
  TCustButPanel* CustomButton(int N) const;  // "CustBut" + N, N = 1 to 42
  void User1Click(QAction* Sender);          // the Custom Sets items
  void CustBut41MouseUp(TCustButPanel* Button);  // right click on a custom button

protected:
  // The window previews the keys of its controls: they go to the text engine's key handlers.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  friend class TCommandTable;
  // Builds the menus; each concern builds its own, in its own file. The command table then wires
  // every item (WireCommandTable, last).
  void WireCommands();
  void WireCommandTable();  // main_window_menu_handlers.cpp
  void WireToolCommands();      // main_window_tools.cpp
  void WireTextCommands();      // text_host_window.cpp
  void WireDocumentCommands();  // main_window_document.cpp
  void WireFileCommands();      // main_window_files.cpp
  void WireMenuCommands();      // main_window.cpp
  void WireMenuStateCommands(); // main_window_menus.cpp
  void WireHelpCommands();      // main_window_help.cpp (also the theme manager)
  void WireDrawDialogCommands();  // main_window_draw_dialogs.cpp
  // ---- size commands of the Settings menu; main_window_shape_sizes.cpp
  void WireShapeSizeCommands();
  void WireCadOptionCommands();  // main_window_cad_options.cpp
  void WireDimensionOptionCommands();
  void WireDrawingDefaultsCommands();  // main_window_drawing_defaults.cpp
  QMenu* DrawingDefaultsMenu();         // File > Drawing Defaults, made on first use
  void WireCadSettingsCommands();  // main_window_cad_settings.cpp
  void WireContextMenuCommands();  // main_window_context_menu.cpp
  void WireTextEditingCommands();  // main_window_text_commands.cpp
  void WireZoomCommands();         // main_window_zoom.cpp
  void WirePageCopyCommands();     // main_window_page_copy.cpp
  void WireCustomPaletteCommands();  // main_window_custom_palette.cpp
  void WireColorPickerCommands();    // main_window_color_picker.cpp
  void WireShapeCommands();          // main_window_shape_commands.cpp
  void WireExportCommands();         // main_window_export.cpp
  void WirePictureToolCommands();    // main_window_picture_tools.cpp
  void WireMacroCommands();          // main_window_macros.cpp
  void WireRefreshCommands();        // main_window_refresh.cpp
  // The Refresh Image submenu's items, by their keys (F5 text, F6 pictures, F7 pastes, F8 lines,
  // F9 all); pictures and pastes are refreshed one by one with a question each.
  void RefreshImageKey(QObject* Sender, uint16_t Key);
  void RefreshPictureFiles(QObject* Sender, TCanvas& Canvas);
  void RefreshPasteFiles(QObject* Sender, TCanvas& Canvas);
  void DrawPictureEntry(TCanvas& Canvas, int Index);
  void DrawPasteEntry(TCanvas& Canvas, int Index);
  void Select1Click(QObject* Sender);
  // Edit's Cut, Copy and Paste enabled as the page and the clipboard now allow (their keys work
  // without the menu being opened first).
  void UpdateClipboardItems();
  static bool IsClipboardKey(const QKeyEvent& Event);
  void CreateCustomButtons();
  // The window as the lower parts see it: made first, handed to each part as it is made.
  std::unique_ptr<TWindowHosts> WindowHosts;
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
extern TPoint DragStartPoint;  // corners of the selection rectangle being dragged
extern TPoint DragEndPoint;
extern bool LeftDrawing;       // the last move had the left button down with the drawing tool
extern TPoint SelectorDownCentre;
extern int32_t DebugLevel;
extern int32_t LogErrorCount;

extern std::string PageIniName;  // AppDir + "PageIni.ini"
extern TBitmap* PageBuffer;      // back buffer of the page renderer
extern bool PrinterPresent;
extern std::vector<std::string> ImageExtensions;
extern int ScrollBarSnooze;
extern int SnapAreaSize;
// True when the name part of FileName is "ProgDefs.zqs" or "UserDefs.zqs" (any letter case).
bool IsDefaultsShapesFile(const std::string& FileName);

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
// The picture dialogs (open picture, find a missing picture, save an image object, save the page
// or the selection as a picture) ask this hook instead when it is set: title, folder, the filter
// as "description|pattern" pairs and the 1-based filter index (in and out); it returns the chosen
// name, empty for Cancel (tests answer the dialogs through it).
extern std::function<std::string(const std::string& Title, const std::string& Folder, const std::string& Filter,
                                 int& FilterIndex)>
    PictureDialogHook;
// The printer object of the whole run; without a print queue it prints to PDF files.
QPrinter& Printer();
// What a print reads from the printer: pixels per inch, the paper, the printable area's offsets
// and size, all in printer pixels.
struct TPrinterValues {
  int DpiX = 0, DpiY = 0;
  int PaperWidth = 0, PaperHeight = 0;
  int OffX = 0, OffY = 0;
  int PrintableWidth = 0, PrintableHeight = 0;
};
TPrinterValues ReadPrinterValues(QPrinter& Printer);
// Printing to PDF: the sheet becomes the paper of the page settings (in the printer's
// orientation) and the whole sheet is printable.
void FitPdfToPage(QPrinter& Printer);
// File > Set up Printer asks this hook instead of the print dialog when it is set.
extern std::function<bool(QPrinter&)> PrinterDialogHook;
// Upper-cased extension of FileName is one of ImageExtensions.
bool IsImageFileName(const std::string& FileName);

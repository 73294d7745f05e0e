// The CAD engine object: owns the figures of the page, the property template, the current figure,
// the zoom levels and the current mapping.
#pragma once

#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cad/cad_types.h"
#include "cad/figure.h"
#include "cad/zoom.h"
#include "cad/point_operations.h"
#include "cad/shape_undo.h"
#include "platform/canvas.h"

class QWidget;
class TZQVCad;
class TReferenceSelector;
class QObject;
class TStream;
class TMemoryStream;

// The 436-byte header in front of every shapes stream.
struct TShapesHeader {
  uint32_t DataVersion = 2;
  uint32_t FigureCount = 0;
  uint8_t Metric = 0;
  uint8_t Marker = 1;
  double ReferenceX = 0;
  double ReferenceY = 0;
  uint16_t ClipboardFormat = 0;
  uint32_t BackgroundColor = 0;
  uint32_t NodeCount = 0;
};
constexpr size_t ShapesHeaderSize = 436;
constexpr uint32_t CurrentDataVersion = 2;
// The smallest figure record: no nodes, the property block without its data-version-2 byte.
constexpr int64_t MinFigureRecordSize = 4 + 733;
void WriteShapesHeader(TStream& Stream, const TShapesHeader& Header);
TShapesHeader ReadShapesHeader(TStream& Stream);

// A registered clipboard format and its name.
struct TClipboardFormatRec {
  uint16_t FormatId = 0;
  std::string Name;
};
// The two private shape formats, registered at start in this order.
extern const char* const InchShapesFormatName;
extern const char* const CentimetreShapesFormatName;
uint16_t InchShapesFormat();
uint16_t CentimetreShapesFormat();

using TCadNotifyEvent = std::function<void(TZQVCad* Sender)>;

// The result of the engine's node search.
struct TNodeHitRec {
  int32_t FigureIndex = -1;
  int32_t NodeIndex = -1;
  uint8_t Button = 0;
  bool Found = false;
  TRealXYZ Point{};
  TPoint Pixel{};
};

// Measurements of the last interactive edit, read by the main window's status bar.
struct TMeasureRec {
  int32_t LastIndex = -1;
  int32_t EndNode = 0;
  long double Angle = 0;
  float GridCellWidth = 0;
  float GridCellHeight = 0;
  int32_t GridColumn = -1;
  int32_t GridRow = -1;
  int16_t Cursor = 0;  // suggested cursor index; -3 is the cross
  double Length = 0;
  double DX = 0;
  double DY = 0;
  bool OnNode = false;
};

// The measurements as the main window's status bar names them.
using TDrawInfoRec = TMeasureRec;

// The figures in drawing order (index 0 drawn first); the list owns them.
using TFigureList = std::vector<std::unique_ptr<TRealFig>>;

// The one engine instance of the program, or none before the main window has created it.
extern TZQVCad* Figures;
// True from the mouse-down that starts a new figure until the mouse-up that finishes it.
extern bool NewFigureStarted;

// One entry of the colour steps of a colour-graded array: the change of red, green and blue per
// copy and the start colour.
struct TRealRGBVector {
  float StepR = 0;
  float StepG = 0;
  float StepB = 0;
  uint8_t StartR = 0;
  uint8_t StartG = 0;
  uint8_t StartB = 0;
};
using TRealRGBVectorAR = std::vector<TRealRGBVector>;

// A property group of a figure (bit i of a property mask selects group i).
using TFigurePropertyIndex = int;
constexpr int MaxFigurePropertyIndex = 25;

// Text of a number in one of the platform's float formats (0 general, 1 exponent, 2 fixed,
// 3 number, 4 currency) with the given significant digits and decimals.
std::string FloatToStrF(long double Value, uint8_t Format, int Precision, int Digits);

// The pixel rectangle a figure can put ink in under Map (text of dimensions excluded), used to
// decide whether a figure can be seen in a clip rectangle.
TRect FigureInkBounds(const TMappingRec& Map, const TRealFig& Fig);

constexpr int MaxFigureCount = 33554431;
constexpr int WaveBufferPoints = 32768;

class TZQVCad {
public:
  TZQVCad(QWidget* Parent, int NodeCountSetting, int32_t XResolution, int32_t YResolution);
  virtual ~TZQVCad();
  TZQVCad(const TZQVCad&) = delete;
  TZQVCad& operator=(const TZQVCad&) = delete;

  // Figures and template.
  int32_t DataVersion = 2;
  TFigureList FigureList;
  std::unique_ptr<TRealFig> CurrentFigure;
  std::unique_ptr<TStoredProperties> Template;
  std::vector<TPoint> ScreenPoints;
  // Made (zeroed, WaveBufferPoints long) by the first wave generated, so that engines that never
  // draw a wave (clipboard and file engines) do not carry it; WavePointCount points of the last
  // generated wave are valid.
  std::vector<TPoint> WaveBuffer;
  int32_t WavePointCount = 0;

  // Units, page and zoom.
  bool Metric = false;
  uint8_t PaperIndex = 0;
  int32_t XResolution = 0;
  int32_t YResolution = 0;
  std::unique_ptr<TZoom> Zoom;
  TMappingRec Mapping{};
  QWidget* Parent = nullptr;
  TColor BackgroundColor = clWindow;

  // Drawing state and options.
  bool Ready = false;
  bool Updating = false;
  bool Drawing = false;
  bool Dragging = false;
  bool Busy = false;
  bool StopRequest = false;
  bool Swopping = false;
  bool PaletteDevice = false;
  bool TicksErased = true;
  bool WantTicks = false;
  bool PixelSnap = false;
  bool AutoRefresh = false;
  bool AutoFront = false;
  bool NonFilledOnly = false;
  bool DynamicGrids = true;
  bool ScanGrids = true;
  bool LargeSnapArea = false;
  bool LargeSnapCursor = false;
  bool SameColorDivider = false;
  int32_t HitSize = 4;
  uint8_t ToolMode = 11;
  bool IsNT = true;
  int32_t CopyMagnification = 1;
  TRealPoint ReferencePoint{};
  // Pen and brush of the measuring tool.
  TPen RubberPen{RGBColor(128, 128, 0), 0, psDot, pmNotXor};
  TBrush RubberBrush{clWhite, bsClear};

  // Editing and selection state.
  TNodeHitRec NodeHit;
  TRealPoint DragStart{};
  TRealPoint DragLast{};
  TMeasureRec Measure;
  TDrawInfoRec& DrawInfo = Measure;
  TRect SelectRect{};
  TRealPoint SelectionTopLeft{};
  TRealPoint SelectionBottomRight{};
  // The first figure met by the last selection; cleared whenever the selection is cleared or the
  // list shrinks (read it through FirstSelectedFigure, which checks it is still in the list).
  TRealFig* FirstSelected = nullptr;
  // Indexes of the figures lying wholly inside the selection rectangle, ascending.
  std::vector<int32_t> Selection;
  // Indexes of the figures with at least one node inside it, ascending.
  std::vector<int32_t> TouchedSelection;

  // Events, called with the engine as sender and only when assigned.
  TCadNotifyEvent OnChange;
  TCadNotifyEvent OnAfterDraw;
  TCadNotifyEvent OnFigureEdited;
  TCadNotifyEvent OnZoomChange;
  TCadNotifyEvent OnSelectRect;
  TCadNotifyEvent OnSelectionMoved;
  TCadNotifyEvent OnBackgroundColorChange;
  TCadNotifyEvent OnUnitsChange;
  TCadNotifyEvent OnPaste;
  TCadNotifyEvent OnDestroy;
  // After DeleteSelected took figures out of the list: their indexes before the deletion.
  std::function<void(TZQVCad* Sender, const std::vector<int32_t>& Selection)> OnDeleteSelected;
  // Bound by the main window with the other events; the engine never fires it.
  TCadNotifyEvent OnListChange;

  // The 3 x 3 node markers, olive and red.
  QImage NodeMarker;
  QImage RedNodeMarker;
  // The reference selector on the parent's page (none for engines without a parent); without it,
  // SelectorCentre stands for its centre in page pixels.
  TReferenceSelector* Selector = nullptr;
  TPoint SelectorCentre{};

  // Figure list.
  int32_t Count() const { return int32_t(FigureList.size()); }
  // The figure at Index; an index outside 0 .. Count - 1 raises EListError.
  TRealFig* GetFigure(int Index) const;
  // Appends a copy of Source (a default figure without one); the measuring tool is never stored.
  // A full list (FigureLimit figures) raises EListError.
  void AddFigure(const TRealFig* Source);
  int32_t FigureLimit = MaxFigureCount;
  void Pack();
  void Changed();
  void TemplateChanged(TRealFig* Sender);
  void SetBackgroundColor(TColor Color);
  void SetCopyMagnification(int32_t Value);

  // Units, page and zoom.
  int32_t PixelsPerInch() const;
  void GetMapping(TMappingRec& Map) const;
  TMappingRec GetMapping() const;
  double ZoomStep() const;
  uint8_t ZoomLevel() const;
  double ZoomFactor() const;
  void SetZoomLevel(uint8_t Level);
  void SetMappingMode(uint8_t NewPaperIndex);
  void SetMetric(bool NewMetric);
  void SetupPage(uint8_t NewPaperIndex, bool NewMetric);

  // Selection by rectangle (page pixels, under the current mapping).
  void SelectInRect(const TRect& Rect);
  TRealFig* SelectFiguresInRect(const TRect& Rect);
  bool FigureHasNodeInRect(const TRealFig& Figure, const TRect& Rect) const;
  bool HasSelection() const;
  void ClearSelection();
  void GetSelectionBounds(double& x1, double& y1, double& x2, double& y2) const;
  TRealPoint GetExtentsTopLeft(int32_t FigureCount, const TRect& Rect) const;
  TRealPoint GetExtentsBottomRight(int32_t FigureCount, const TRect& Rect) const;
  void GetExtentsTopLeft(int32_t FigureCount, const TRect& Rect, TRealPoint& P) const { P = GetExtentsTopLeft(FigureCount, Rect); }
  void GetExtentsBottomRight(int32_t FigureCount, const TRect& Rect, TRealPoint& P) const { P = GetExtentsBottomRight(FigureCount, Rect); }
  void GetExtents(const TRect& Rect, TRect& Result) const;
  // Converts the selected figures of the convertible kinds into multilines.
  void ConvertSelectedToMultiline();

  // Small services.
  int32_t LastSelectedIndex();
  void SetStopRequest(bool Value) { StopRequest = Value; }
  void SetLargeSnapArea(bool Value);

  // Zoom: selects a level and shifts the view so that the reference selector stays at the centre
  // of Rect (the mapping's pixel rectangle when Rect is empty).
  void ApplyZoom(uint8_t Level, const TRect& Rect);

  // Drawing.
  // One figure onto Canvas; PenMode is a platform pen mode, State 0 ordinary, 1 right-button
  // edit, 2 rubber band.
  void DrawShape(TCanvas& Canvas, TRealFig& Figure, int EndNode, int PenMode, TColor TextColor, TShiftState Shift,
                 uint8_t State, bool Handles, bool WithDimensions, TMeasureRec& Measure);
  // Figures First .. Last (or the touched selection) with the page shifted by (DX, DY).
  void Draw(TCanvas& Canvas, int DX, int DY, int First, int Last, bool SelectedOnly);
  void DrawAll(TCanvas& Canvas, int DX, int DY, bool SelectedOnly);
  // One figure as the list draws it: waves generated for their own length, pen mode and text
  // colour of the figure, no handles, dimensions as the figure wants them.
  void DrawAsListed(TCanvas& Canvas, TRealFig& Figure, TShiftState Shift, TMeasureRec& Meas);
  // Generates the points of a wave figure into WaveBuffer from the world point (X, Y); returns the
  // number of points generated.
  int32_t CreateWaveData(TMappingRec Map, const TRealFig& Figure, double X, double Y, int32_t Count);
  // Whether the figure can put ink into Clip under the current mapping (its text included).
  bool FigureVisible(const TRealFig& Figure, const TRect& Clip) const;

  // Dimensions, rotated text, node ticks and markers.
  std::string FormatMeasurement(const TRealFig& Figure, TRealXYZ P, TRealXYZ Q) const;
  void DrawDimensions(TCanvas& Canvas, const TRealFig& Figure, bool Opaque, const TFont& Font, TColor BackColor,
                      TColor TextColor, int PenMode);
  void DrawRotatedText(int32_t Scale, TCanvas& Canvas, bool Outline, TColor TextColor, const TFont& Font,
                       const std::string& Text, TPoint PA, TPoint PB);
  void DrawNodeTicks(TCanvas& Canvas, int First, int Last, TCopyMode Rop, bool Red, int Node);
  void DrawNodeMarker(TCanvas& Canvas, int X, int Y, TCopyMode Rop, bool Red);
  // Pixels per inch of the current view (per inch also when the workspace is in centimetres).
  int32_t ViewPixelsPerInch() const;

  // Property template and services.
  void ChangeFigureProperty(const TRealFig& Source, int Index, TFigurePropertyIndex Prop);
  int ChangeSelectedProperties(uint32_t Mask);
  bool ConfirmInterrupt(const std::string& ProcessName, int Iterations);
  void NudgeLastShape(TCanvas& Canvas, int Key);
  bool RealizeHalftonePalette(TCanvas& Canvas);
  TRealPoint GetReferencePoint() const { return ReferencePoint; }
  void SetReferencePoint(double x, double y);
  void FindDrawnPixelNear(const TCanvas& Canvas, double& X, double& Y, TNodeHitRec& Hit) const;
  void BuildColourSteps(int Mode, int Steps, TRealRGBVectorAR& Vectors);
  void FireSelectionMoved();
  // The first selected figure while it is still in the list; none otherwise.
  TRealFig* FirstSelectedFigure() const;
  // Called whenever figures leave the list: every reference into it is dropped.
  void ListShrunk();

  // Shape clipboard formats.
  // Asked for the reference selector's world position (copy reference point, paste point); without
  // it, the world point of SelectorCentre.
  std::function<TRealPoint(const TZQVCad*)> OnGetReferencePosition;
  TRealPoint ReferenceWorldPosition() const;
  void PutStreamOnClipboard(TMemoryStream* Stream, uint16_t FormatId);
  bool GetStreamFromClipboard(TStream& Stream, uint16_t FormatId);
  bool CopySelected(const TRect& Rect);
  void CutSelected(const TRect& Rect);
  void Paste();
  // The selector's double click: pastes at the selector when the clipboard holds shapes of the
  // current units, otherwise says so.
  void PasteIfCompatible(QObject* Sender);
  void PasteAt(double X, double Y);
  // Pastes the shapes stream at its position (the clipboard's data, or the same bytes from
  // elsewhere), moved so that its reference point lands on (X, Y).
  void PasteFromStream(TStream& Stream, double X, double Y);

  // Moves the selected figures by (Dx, Dy) world units, y up, with a move undo entry.
  void MoveSelection(double Dx, double Dy);
  // Keeps the figures at Indexes for a move undo entry, before a move or a node drag changes them.
  void RecordMoveUndo(const std::vector<int32_t>& Indexes, double Dx, double Dy, int32_t NodeIndex,
                      uint8_t WholeFigure);

  // The node search under the mouse. HitRect is the 9 x 9 box (HitSize 4) about a pixel.
  // FindNodeAt takes X, Y as pixels and gives back the world point of the node or grid crossing
  // found; a Speed of 3.0 or more finds nothing; while Shift holds the left button the node of
  // Current (the one being dragged) is passed over.
  TRect HitRect(int X, int Y) const;
  bool FindNodeAt(const TRect& HitBox, double& X, double& Y, TNodeHitRec& Hit, float Speed, bool ScanGrids,
                  TShiftState Shift, const TNodeHitRec& Current, TMouseButton Button, int32_t& GridColumn,
                  int32_t& GridRow);
  // The reference selector's node search: nodes and grid crossings (whatever ScanGrids says),
  // at any speed, with no node excluded.
  bool SnapToNode(const TRect& HitBox, double& X, double& Y, TNodeHitRec& Hit);
  void ResetEditState();

  // Drawing and editing with the mouse. The main window forwards the page's mouse events with the
  // page canvas and its tool state: the drawing tool draws a new figure per drag (or point by
  // point for the click-built kinds), the editing tool drags a node (left button) or the whole
  // figure (right button). The rubber band is drawn in not-xor mode and taken off before the
  // figure is drawn for good. The Plain forms pass a speed of zero, so the node search always runs.
  void MouseDown(TCanvas& Canvas, TMouseButton Button, TShiftState Shift, int X, int Y, bool DrawMode, bool MoveMode,
                 bool Snapping, bool DimTracking, const TMouseSpeedRec& SpeedRec);
  void MouseMove(TCanvas& Canvas, TShiftState Shift, int X, int Y, bool DrawMode, bool MoveMode, bool Snapping,
                 bool DimTracking, const TMouseSpeedRec& SpeedRec);
  void MouseUp(TCanvas& Canvas, TMouseButton Button, TShiftState Shift, int X, int Y, bool DrawMode, bool MoveMode,
               bool Snapping, bool DimTracking, const TMouseSpeedRec& SpeedRec);
  void MouseDownPlain(TCanvas& Canvas, TMouseButton Button, TShiftState Shift, int X, int Y, bool DrawMode,
                      bool MoveMode, bool Snapping, bool DimTracking);
  void MouseUpPlain(TCanvas& Canvas, TMouseButton Button, TShiftState Shift, int X, int Y, bool DrawMode,
                    bool MoveMode, bool Snapping, bool DimTracking);
  // The world point of the snap grid nearest to the pixel (X, Y).
  TRealPoint GridPoint(int X, int Y) const;
  // True while a not-xor rubber band is on the canvas (drawn by a mouse move, not yet taken off).
  bool RubberShown = false;

  // Shapes streams and files.
  void GetShapesHeader(TShapesHeader& Header) const;
  void GetShapesHeader(TShapesHeader& Header, double ReferenceX, double ReferenceY) const;
  void SaveToStream(TStream& Stream) const;
  void SaveSelectedToStream(TStream& Stream) const;
  void SaveShapesFile(const std::string& FileName) const;
  void SaveSelectedShapesFile(const std::string& FileName) const;
  bool LoadShapesFile(const std::string& FileName, bool Merge);
  bool LoadFromStream(TStream& Stream, bool Merge);
  // Empties the workspace: figures, every undo entry, the selection and the undo file.
  void Clear();
  TClipboardFormatRec GetClipboardFormat() const;

  // Shape undo. Every operation that changes the list records one entry; UndoDepth tells the
  // page how many entries there are, so that it can take back exactly what one command did.
  std::unique_ptr<TUndo> UndoList;
  TIntegerList AddGroups;
  // Per add group: the originals an array recoloured, as they were.
  std::vector<TFigureChangeRecord> AddGroupOriginals;
  std::vector<TMoveIdxList> MoveUndo;
  std::vector<TScaleIdxList> ScaleUndo;
  std::vector<TRotateIdxList> RotateUndo;
  std::vector<TMirrorIdxList> MirrorUndo;
  TSwopIdxList SwopUndo;
  std::vector<TDeleteGroup> DeleteUndo;

  bool Undo();
  int UndoDepth() const { return UndoList ? UndoList->Count() : 0; }
  void RecordAddUndo();
  bool FixUndoIndexes(int Index, int NewIndex, uint32_t SkipMask);
  void ClearUndo();
  // Copies of the figures at Indexes, for the change record of an operation about to change them.
  void SnapshotFigures(const std::vector<int32_t>& Indexes, TFigureChangeRecord& Record) const;
  void DeleteSelected(bool SaveUndo);
  void UndoAdd();
  void UndoDelete();
  void UndoMove();
  void UndoScale();
  void UndoRotate();
  void UndoSwop();
  void UndoMirror();
  // Puts back the originals the newest add group kept (colours an array gave them).
  void RestoreFiguresOfLastAddGroup();

  // Z-order: moves the figure at From to position To of the list; records a z-order entry unless
  // swopping.
  void MoveFigureInList(int From, int To);
  void BringToFront(int Index);
  void SendToBack(int Index);
  // 0 moves the selected figures to the front, 1 to the back, keeping their order.
  void SelectionToFrontOrBack(uint8_t Mode);

  // Transforms and arrays of the selection. Indexes of the selection outside the list are skipped.
  std::vector<int32_t> ValidSelection() const;
  void ScaleFigure(TRealFig& Figure, TRealPoint Centre, double Fx, double Fy, bool CoordinatesOnly, bool Regenerate);
  void ScaleSelected(bool Copy, TRealPoint Centre, double Fx, double Fy, bool Regenerate);
  void ScaleInRect(const TRect& Rect, bool Copy, TRealPoint Centre, double Fx, double Fy, bool Regenerate);
  bool RotateFigure(TRealFig& Figure, TRealPoint Centre, bool Regenerate, bool MakeMultiline, long double Angle);
  bool RotateSelected(TRealPoint Centre, bool MakeMultiline, bool Copy, double AngleDegrees);
  bool RotateInRect(TRealPoint Centre, const TRect& Rect, bool Copy, double AngleDegrees, bool MakeMultiline);
  bool MirrorSelected(uint8_t Side, bool Copy, TRealPoint Axis);
  bool MirrorInRect(uint8_t Side, const TRect& Rect, TRealPoint Axis, bool Copy);
  void PolarArray(TRealPoint Centre, bool Positive, int32_t N, bool MakeMultiline, uint8_t ColourMode);
  void PolarArrayEx(TRealPoint Centre, bool Positive, float StepDegrees, int32_t N, bool MakeMultiline,
                    uint8_t ColourMode);
  bool RectArray(int32_t Columns, int32_t Rows, bool ByBounds, uint8_t ColourMode, double HSpacing, double VSpacing);
  void ScaledArray(int32_t N, TRealPoint Centre, double FinalFx, double FinalFy, uint8_t ColourMode, bool Regenerate);
  void KeepOriginalColours(const std::vector<int32_t>& Chosen);
  void DropEmptyAddGroup(int GroupStart);

  // Node count of every figure.
  bool SetNodeCount(int n);
  int MaxUsedNodeCount() const;
};

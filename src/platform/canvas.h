// GDI-like drawing surface.
//
// TCanvas is the one drawing interface of the program: a pen (colour, width, style, mix mode), a
// brush (colour, style with the six hatches), a font (with escapement), the pen position, text
// alignment, background mode, arc direction, polygon fill mode, copy mode and clip rectangle, and
// the drawing calls of the platform (lines, shapes, text, pixels, flood fill, block transfers).
//
// The API is public and non-virtual; the work is done by a back-end. The raster back-end draws on
// a QImage pixel-exactly: every shape is rasterised into a coverage mask of its own (no
// antialiasing) and combined with the target pixel by pixel through the pen's mix mode, so that a
// not-xor or xor drawing done twice leaves the image as it was. A device back-end (printer, PDF,
// metafile recorder) receives the same geometry; there, mix and copy modes other than copy fall
// back to copy.
//
// Coordinates are device pixels. A pixel (x, y) is the square [x, x+1) x [y, y+1).
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainterPath>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/font.h"
#include "platform/win_types.h"

class TGraphic;
class TCanvas;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// The 16 mix modes, in the platform's order (pmBlack = 0 ... pmNotXor = 15). P is the pen colour,
// D the pixel on the surface.
enum TPenMode {
  pmBlack,        // 0
  pmWhite,        // 1
  pmNop,          // D
  pmNot,          // ~D
  pmCopy,         // P
  pmNotCopy,      // ~P
  pmMergePenNot,  // P | ~D
  pmMaskPenNot,   // P & ~D
  pmMergeNotPen,  // ~P | D
  pmMaskNotPen,   // ~P & D
  pmMerge,        // P | D
  pmNotMerge,     // ~(P | D)
  pmMask,         // P & D
  pmNotMask,      // ~(P & D)
  pmXor,          // P ^ D
  pmNotXor,       // ~(P ^ D)
};

// The platform's binary raster operation codes (R2_BLACK = 1 ... R2_WHITE = 16) and their mix modes.
constexpr int R2_BLACK = 1, R2_NOTMERGEPEN = 2, R2_MASKNOTPEN = 3, R2_NOTCOPYPEN = 4, R2_MASKPENNOT = 5,
              R2_NOT = 6, R2_XORPEN = 7, R2_NOTMASKPEN = 8, R2_MASKPEN = 9, R2_NOTXORPEN = 10, R2_NOP = 11,
              R2_MERGENOTPEN = 12, R2_COPYPEN = 13, R2_MERGEPENNOT = 14, R2_MERGEPEN = 15, R2_WHITE = 16;
TPenMode PenModeFromRop2(int rop2);
int Rop2FromPenMode(TPenMode mode);
// One colour channel word (any width) through a mix mode.
uint32_t MixPixel(TPenMode mode, uint32_t pen, uint32_t dest);

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
// The 8x8 hatch of a hatched brush style: row y, bit (7 - x) set = hatch pixel. Aligned to the
// device origin: pixel (x, y) uses row y & 7, column x & 7.
uint8_t HatchRow(TBrushStyle style, int row);

enum TFillStyle { fsSurface, fsBorder };

// Copy modes (ternary raster operations) of block transfers.
using TCopyMode = uint32_t;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;
// The platform's names for the same codes.
constexpr TCopyMode SRCCOPY = cmSrcCopy, SRCPAINT = cmSrcPaint, SRCAND = cmSrcAnd, SRCINVERT = cmSrcInvert,
                    SRCERASE = cmSrcErase, NOTSRCCOPY = cmNotSrcCopy, NOTSRCERASE = cmNotSrcErase,
                    MERGECOPY = cmMergeCopy, MERGEPAINT = cmMergePaint, PATCOPY = cmPatCopy, PATPAINT = cmPatPaint,
                    PATINVERT = cmPatInvert, DSTINVERT = cmDstInvert, BLACKNESS = cmBlackness,
                    WHITENESS = cmWhiteness;
// A 24-bit pixel through a ternary raster operation (the operation index is bits 16..23 of rop).
uint32_t Rop3Pixel(TCopyMode rop, uint32_t pattern, uint32_t source, uint32_t dest);

// Text alignment (SetTextAlign).
constexpr int TA_NOUPDATECP = 0, TA_UPDATECP = 1, TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_TOP = 0,
              TA_BOTTOM = 8, TA_BASELINE = 24;
// Background mode.
constexpr int TRANSPARENT = 1, OPAQUE = 2;
// Arc direction.
constexpr int AD_COUNTERCLOCKWISE = 1, AD_CLOCKWISE = 2;
// Polygon fill mode.
constexpr int ALTERNATE = 1, WINDING = 2;
// Formats of DrawText.
constexpr unsigned DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4, DT_BOTTOM = 0x8,
                   DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40, DT_NOCLIP = 0x100,
                   DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800, DT_END_ELLIPSIS = 0x8000;
// Device capabilities asked of a canvas.
constexpr int HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, PLANES = 14, LOGPIXELSX = 88, LOGPIXELSY = 90;

struct TPen {
  TColor Color = clBlack;
  int Width = 1;  // 0 and 1: a one-pixel line
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
  friend bool operator==(const TPen&, const TPen&) = default;
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  friend bool operator==(const TBrush&, const TBrush&) = default;
};

// The drawing call a shape came from, with its own arguments, for back-ends that record calls
// (metafiles) rather than pixels.
enum TShapeCall { scLineTo, scPolyline, scPolygon, scPolyBezier, scRectangle, scRoundRect, scEllipse, scArc, scChord, scPie, scPolyPolyline, scOther };

// What a shape call hands to the back-end, in device pixels.
struct TShapeOutline {
  std::vector<TPoint> Points;  // pixel positions the pen runs through
  bool Closed = false;         // closed outlines draw every pixel; open ones leave out the last
};
struct TShapeGeometry {
  std::vector<TShapeOutline> Outlines;                // stroked with the pen
  std::vector<std::vector<TPoint>> FillPolygons;      // filled with the brush (pixel positions as vertices)
  bool Winding = false;                               // fill rule of FillPolygons
  // The call and its arguments: LineTo: from, to; Polyline, Polygon, PolyBezier: the points;
  // Rectangle, Ellipse: the top-left and bottom-right corners of the box in use (normalised, and
  // shrunk for a wide inside-frame pen); RoundRect: those and (corner width, height); Arc, Chord,
  // Pie: those, the start point and the end point (the canvas's ArcDirection applies);
  // PolyPolyline: the points of every outline in turn (the outlines give the counts).
  TShapeCall Call = scOther;
  std::vector<TPoint> CallPoints;
  // Rectangles fill exactly [Left, Right) x [Top, Bottom) of this rectangle instead of polygons.
  bool FillIsRect = false;
  TRect FillRect;
};

// The brush area of a shape as a path: pixel positions as vertices, centred in their pixels.
class QPainterPath;
QPainterPath FillPathOf(const TShapeGeometry& g);

// The drawing back-end of a canvas.
class TCanvasBackend {
public:
  virtual ~TCanvasBackend() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual int PixelsPerInch() const = 0;
  // The pixels of a raster surface; null for devices.
  virtual QImage* Image() { return nullptr; }
  virtual void DrawShape(const TCanvas& canvas, const TShapeGeometry& shape) = 0;
  // Text at the reference point (x, y) after the canvas's alignment; with clip, drawing stays in
  // it and, with opaqueClip, the whole clip rectangle is filled with the background colour first.
  virtual void DrawText(const TCanvas& canvas, int x, int y, const QString& text, const TRect* clip,
                        bool opaqueClip) = 0;
  // Fills the area of a path (text outlines of BeginPath/EndPath) and/or strokes its outline.
  virtual void DrawPath(const TCanvas& canvas, const QPainterPath& path, bool stroke, bool fill) = 0;
  // Fills [Left, Right) x [Top, Bottom) with the brush in copy mode (no pen).
  virtual void FillRect(const TCanvas& canvas, const TRect& rect) = 0;
  virtual void InvertRect(const TCanvas& canvas, const TRect& rect) = 0;
  virtual TColor GetPixel(int x, int y) const = 0;
  virtual void SetPixel(const TCanvas& canvas, int x, int y, TColor color) = 0;
  virtual bool FloodFill(const TCanvas& canvas, int x, int y, TColor color, TFillStyle style) = 0;
  // Copies srcRect of source stretched into dest through rop (the pattern is the canvas's brush);
  // source pixels of colour transparent (unless clNone) are left out; an image with an alpha
  // channel is blended instead (copy mode only).
  virtual void StretchBlt(const TCanvas& canvas, const TRect& dest, const QImage& source, const TRect& srcRect,
                          TCopyMode rop, TColor transparent) = 0;

  // Called before every call of the canvas that reads or writes the surface (a bitmap with a
  // palette brings its drawing pixels up to date here).
  std::function<void()> OnAccess;
  // Counts the calls that may have changed the surface.
  uint64_t Changes = 0;
};

class TCanvas {
public:
  // A raster canvas on image (not owned). Images that are not 32-bit RGB are converted in place.
  explicit TCanvas(QImage* target);
  // A canvas on another back-end (device surfaces).
  explicit TCanvas(std::unique_ptr<TCanvasBackend> backend);
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // Called after every call that drew on the surface (a bitmap passes it on as its own change).
  std::function<void()> OnChange;

  // ---- State ----
  TPen Pen;
  TBrush Brush;
  // Its Color is the text colour. The canvas's font starts at the canvas's resolution; Font.Assign
  // keeps that resolution and the size in points, while assigning a whole TFont brings the other
  // font's resolution along (a device canvas then scales it by its size in points).
  TFont Font;
  TCopyMode CopyMode = cmSrcCopy;
  int TextAlign = TA_LEFT | TA_TOP;
  int ArcDirection = AD_COUNTERCLOCKWISE;
  int PolyFillMode = ALTERNATE;
  // Background mode and colour of text, hatch gaps and dash gaps. BkMode 0 follows the brush as
  // the class library does: opaque in the brush colour for a solid brush, transparent otherwise.
  int BkMode = 0;
  TColor BkColor = clWhite;
  TPoint PenPos;

  // GDI-style setters returning the previous value.
  int SetTextAlign(int align);
  int SetArcDirection(int dir);
  int SetBkMode(int mode);
  TColor SetBkColor(TColor color);
  TPenMode SetROP2(TPenMode mode);
  // The same with the platform's R2_ codes; returns the previous R2_ code.
  int SetROP2(int rop2);
  int GetROP2() const { return Rop2FromPenMode(Pen.Mode); }
  int SetPolyFillMode(int mode);
  // The background mode and colour in effect (BkMode 0 resolved from the brush).
  bool BackgroundOpaque() const;
  TColor BackgroundColor() const;

  // ---- Surface ----
  int Width() const;
  int Height() const;
  // Device resolution (LOGPIXELSX/LOGPIXELSY); a raster canvas takes the screen's unless set.
  int PixelsPerInch() const;
  void SetPixelsPerInch(int ppi);
  int GetDeviceCaps(int index) const;
  // The pixels of a raster canvas; null for device canvases.
  QImage* Image() const;
  TCanvasBackend& Backend() const { return *Impl; }
  // Points a raster canvas at another image, keeping pen, brush, font and the rest of the state
  // (for owners of the surface whose pixels move, such as a bitmap changing its format).
  void SetTarget(QImage* target);

private:
  QImage* RasterImage = nullptr;

public:
  // The image of a raster canvas (as Image()); null for device canvases. Read-only.
  QImage* const& Target = RasterImage;

  // ---- Clipping ----
  // The clip box: the clip rectangle, or the whole surface without one.
  TRect ClipRect() const;
  bool HasClipRect() const { return Clipped; }
  void SetClipRect(const TRect& rect);     // replaces the clip region with a rectangle
  void IntersectClipRect(const TRect& rect);
  void ClearClipRect();                   // no clipping
  // The clip box intersected with the surface.
  TRect EffectiveClip() const;

  // ---- Lines and shapes ----
  void MoveTo(int x, int y);
  // Draws from PenPos to (x, y) leaving out the last pixel; PenPos becomes (x, y).
  void LineTo(int x, int y);
  void Polyline(const std::vector<TPoint>& points);
  void Polyline(const TPoint* points, int count);
  void Polygon(const std::vector<TPoint>& points);
  void Polygon(const TPoint* points, int count);
  // Cubic Bezier segments: 1 + 3n points (start, then two control points and an end per segment).
  void PolyBezier(const std::vector<TPoint>& points);
  void PolyBezier(const TPoint* points, int count);
  // Several polylines in one call: counts[i] points each, taken in turn from points.
  void PolyPolyline(const TPoint* points, const int* counts, int polylines);
  // Rectangle with pen outline and brush interior; the right and bottom edges are exclusive.
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight);
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  // Elliptic arc of the box from the ray to (x3, y3) to the ray to (x4, y4), in ArcDirection.
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  // Brush only, copy mode: fills [Left, Right) x [Top, Bottom).
  void FillRect(const TRect& rect);
  // A one-pixel frame in the brush colour around the inside of rect.
  void FrameRect(const TRect& rect);
  // Inverts the pixels of rect.
  void InvertRect(const TRect& rect);
  // A dotted focus frame drawn by xor, so that drawing it twice removes it.
  void DrawFocusRect(const TRect& rect);

  // ---- Pixels and fill ----
  TColor Pixel(int x, int y) const;  // clNone outside the surface
  void SetPixel(int x, int y, TColor color);
  // fsSurface: fills the 4-connected area of colour `color` around (x, y); fsBorder: fills up to
  // pixels of colour `color`. Uses the brush. False when nothing could be filled.
  bool FloodFill(int x, int y, TColor color, TFillStyle style);

  // ---- Text ----
  // Text at (x, y) after TextAlign in Font (with its escapement); opaque background per the
  // background mode. PenPos moves to (x + text width, y); with TA_UPDATECP the text starts at
  // PenPos and PenPos moves along the base line.
  void TextOut(int x, int y, const QString& text);
  // Bytes of page or figure text, drawn in the font's byte encoding (see font.h).
  void TextOutBytes(int x, int y, std::string_view bytes);
  // Text clipped to rect; with an opaque background the whole rect is filled first.
  void TextRect(const TRect& rect, int x, int y, const QString& text);
  // Text formatted into rect: alignment, single line or lines broken at line ends (and at blanks
  // with DT_WORDBREAK), '&' marking the next character unless DT_NOPREFIX ("&&" is one '&'),
  // clipped to rect unless DT_NOCLIP. DT_CALCRECT draws nothing and sets rect's right and bottom
  // to what the text needs. Returns the height of the text.
  int DrawText(const QString& text, TRect& rect, unsigned format);
  int TextWidth(const QString& text) const;
  int TextHeight(const QString& text) const;
  TPoint TextExtent(const QString& text) const;  // X = width, Y = height
  int TextWidthBytes(std::string_view bytes) const;
  TTextMetric TextMetrics() const;
  // The QFont of Font and its metrics, kept until Font changes.
  const QFont& QtFont() const;
  const QFontMetrics& FontMetrics() const;
  // Text as outline paths: between BeginPath and EndPath, TextOut adds glyph outlines to the path
  // instead of drawing; StrokePath, FillPath and StrokeAndFillPath draw and clear the path.
  void BeginPath();
  void EndPath();
  void AbortPath();
  // Closes the open figure of the path (a line back to its start).
  void CloseFigure();
  void StrokePath();
  void FillPath();
  void StrokeAndFillPath();
  bool InPath() const { return PathOpen; }

  // ---- Block transfers ----
  // Copies srcRect of source into dest (stretching) through CopyMode.
  void CopyRect(const TRect& dest, const TCanvas& source, const TRect& srcRect);
  void BitBlt(int x, int y, int w, int h, const TCanvas& source, int sx, int sy, TCopyMode rop);
  void StretchBlt(int x, int y, int w, int h, const TCanvas& source, int sx, int sy, int sw, int sh, TCopyMode rop);
  // The same from a raw image.
  void StretchBltImage(const TRect& dest, const QImage& source, const TRect& srcRect, TCopyMode rop,
                       TColor transparent = clNone);
  // Draws an image stretched into dest in CopyMode; pixels of colour transparent are left out,
  // an image with alpha is blended.
  void DrawImage(const TRect& dest, const QImage& image, TColor transparent = clNone);
  // Pictures: the graphic draws itself (at its own size, or stretched into rect).
  void Draw(int x, int y, TGraphic& graphic);
  void StretchDraw(const TRect& rect, TGraphic& graphic);
  // A raster operation with the brush only (PATCOPY, DSTINVERT, BLACKNESS, ...).
  void PatBlt(int x, int y, int w, int h, TCopyMode rop);

  // Geometry builders used by the shape calls (exposed for device back-ends and tests).
  static std::vector<TPoint> EllipsePoints(int x1, int y1, int x2, int y2);
  // Arc points from the ray to (x3, y3) to the ray to (x4, y4); counter-clockwise on the screen
  // unless clockwise.
  static std::vector<TPoint> ArcPoints(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, bool clockwise);
  // The arc's start and sweep as angles of the ellipse's parameter (radians, counter-clockwise
  // positive, y up), as Qt's arcTo takes them in degrees; false for an empty box.
  static bool ArcAngles(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, bool clockwise,
                        double& start, double& sweep);
  static std::vector<TPoint> BezierPoints(const TPoint* points, int count);
  static std::vector<TPoint> RoundRectPoints(int x1, int y1, int x2, int y2, int w, int h);

private:
  void Access(bool writes) const;
  void Shape(TShapeGeometry& g);
  // The box of a shape call, normalised and shrunk for a wide inside-frame pen.
  TRect ShapeBox(int x1, int y1, int x2, int y2) const;
  void Text(int x, int y, const QString& text, const TRect* clip, bool opaqueClip);

  std::unique_ptr<TCanvasBackend> Impl;
  mutable TFont CachedFont;
  mutable QFont CachedQFont;
  mutable std::optional<QFontMetrics> CachedMetrics;
  TRect Clip;
  bool Clipped = false;
  int Ppi = 0;
  bool PathOpen = false;
  QPainterPath CurrentPath;
  bool PathClosed = false;
};

// The GIF picture: a GIF87a/GIF89a file kept in memory as a header with the global colour map, a
// list of frames, each with the extension blocks ahead of it, read, drawn, played and written with
// LZW or run-length coding.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codecs/color_reduction.h"
#include "codecs/gif_common.h"
#include "platform/bitmap.h"
#include "platform/graphic.h"

class QImage;
class TCanvas;
class TGIFImage;
class TGIFSubImage;
class TGIFExtension;
class TGIFGraphicControlExtension;
class TGIFPainter;
class TGIFAnimationPainter;

// GIF versions an item needs: 0 unknown, 1 "87a", 2 "89a".
using TGIFVersion = int;
constexpr TGIFVersion gvUnknown = 0, gv87a = 1, gv89a = 2;
extern const char* const GIFVersions[3];

struct TGIFColor {
  uint8_t Red = 0, Green = 0, Blue = 0;
  friend bool operator==(const TGIFColor&, const TGIFColor&) = default;
};
TGIFColor TColor2TGIFColor(TColor color);
TColor TGIFColor2TColor(TGIFColor color);

// Warning handler: sender, severity, message.
using TGIFWarning = std::function<void(const void* Sender, int Severity, const std::string& Message)>;

// ---- Items and lists

// Passes a warning to the image's warning handler (nothing when image is null).
void GIFImageWarning(TGIFImage* image, const void* sender, int severity, const std::string& message);

class TGIFItem {
public:
  explicit TGIFItem(TGIFImage* image) : Image(image) {}
  virtual ~TGIFItem() = default;
  TGIFItem(const TGIFItem&) = delete;
  TGIFItem& operator=(const TGIFItem&) = delete;
  virtual TGIFVersion GetVersion() const { return gv87a; }
  virtual void Warning(int severity, const std::string& message);
  virtual void SaveToStream(TStream& stream) = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  void SaveToFile(const std::string& fileName);
  void LoadFromFile(const std::string& fileName);

  TGIFImage* Image;
};

// A list owning its items; Remove takes one out without freeing it.
template <typename T>
class TGIFList {
public:
  explicit TGIFList(TGIFImage* image) : Image(image) {}
  virtual ~TGIFList() { Clear(); }
  TGIFList(const TGIFList&) = delete;
  TGIFList& operator=(const TGIFList&) = delete;

  T* operator[](int index) const { return Items[size_t(index)]; }
  int Count() const { return int(Items.size()); }
  int Add(T* item) {
    Items.push_back(item);
    return Count() - 1;
  }
  void Delete(int index) {
    T* item = Items[size_t(index)];
    Items.erase(Items.begin() + index);
    delete item;
  }
  void Clear() {
    while (!Items.empty()) Delete(0);
  }
  void Remove(T* item) { std::erase(Items, item); }
  int IndexOf(const T* item) const {
    for (size_t i = 0; i < Items.size(); ++i)
      if (Items[i] == item) return int(i);
    return -1;
  }
  virtual void Warning(int severity, const std::string& message) { GIFImageWarning(Image, this, severity, message); }
  virtual void SaveToStream(TStream& stream) {
    for (T* item : Items) item->SaveToStream(stream);
  }

  std::vector<T*> Items;
  TGIFImage* Image;
};

// ---- Colour maps

struct TUsageCount {
  int Count = 0;
  int Index = 0;
};

class TGIFColorMap {
public:
  virtual ~TGIFColorMap() = default;
  virtual void Warning(int severity, const std::string& message) = 0;
  // Counts, per entry, the pixels that use it (pixels beyond the table are not counted).
  virtual void BuildHistogram(std::vector<TUsageCount>& histogram) = 0;
  // Every pixel p becomes map[p] (map has 256 entries).
  virtual void RemapPixels(const std::vector<uint8_t>& map) = 0;
  // Sorts the entries by descending use and drops unused ones; false when nothing was done.
  virtual bool Optimize();
  virtual void Changed() = 0;
  void Assign(const TGIFColorMap& source);

  void Clear();
  void SetCapacity(int size);
  int Add(TColor color);
  int AddUnique(TColor color);
  int IndexOf(TColor color) const;
  void Delete(int index);
  TColor GetColor(int index);
  void SetColor(int index, TColor color);
  void ImportPalette(const HPALETTE& palette);
  void ImportRGB(const std::vector<TColor>& colors);
  HPALETTE ExportPalette() const;
  void ReadColors(TStream& stream, int count);
  void WriteColors(TStream& stream) const;
  int BitsPerPixel() const { return BitsForColors(Count); }

  std::vector<TGIFColor> Colors;
  int Count = 0;
  int Capacity = 0;
  bool Optimized = false;

protected:
  bool DoOptimize();
};

class TGIFHeader;

class TGIFGlobalColorMap : public TGIFColorMap {
public:
  explicit TGIFGlobalColorMap(TGIFHeader* header) : Header(header) {}
  void Warning(int severity, const std::string& message) override;
  void BuildHistogram(std::vector<TUsageCount>& histogram) override;
  void RemapPixels(const std::vector<uint8_t>& map) override;
  bool Optimize() override;
  void Changed() override;
  TGIFHeader* Header;
};

class TGIFLocalColorMap : public TGIFColorMap {
public:
  explicit TGIFLocalColorMap(TGIFSubImage* subImage) : SubImage(subImage) {}
  void Warning(int severity, const std::string& message) override;
  void BuildHistogram(std::vector<TUsageCount>& histogram) override;
  void RemapPixels(const std::vector<uint8_t>& map) override;
  void Changed() override;
  TGIFSubImage* SubImage;
};

// ---- Header and trailer

class TGIFHeader : public TGIFItem {
public:
  explicit TGIFHeader(TGIFImage* image);
  void Clear();
  void Prepare();
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  void Assign(const TGIFHeader& source);
  void AssignColorMap(const TGIFColorMap& source);
  TColor BackgroundColor() { return ColorMap.GetColor(BackgroundColorIndex); }
  int BitsPerPixel() const { return ColorMap.BitsPerPixel(); }
  int ColorResolution() const { return ColorMap.BitsPerPixel() - 1; }

  // The logical screen descriptor as in the file.
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint8_t PackedFields = 0;
  uint8_t BackgroundColorIndex = 0;
  uint8_t AspectRatio = 0;
  TGIFGlobalColorMap ColorMap;
};

class TGIFTrailer : public TGIFItem {
public:
  using TGIFItem::TGIFItem;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
};

// ---- Extension blocks

class TGIFExtension;

class TGIFExtensionList : public TGIFList<TGIFExtension> {
public:
  TGIFExtensionList(TGIFImage* image, TGIFSubImage* subImage) : TGIFList(image), SubImage(subImage) {}
  void LoadFromStream(TStream& stream, TGIFSubImage* parent);
  TGIFSubImage* SubImage;
};

// Kinds of extension class, used by the class registries to pick the reader for a block.
enum class TGIFExtensionKind { Base, Text, GraphicControl, Comment, Application, UnknownApp, NSLoop, Unknown };

class TGIFExtension : public TGIFItem {
public:
  explicit TGIFExtension(TGIFSubImage* subImage);
  ~TGIFExtension() override;
  virtual uint8_t GetExtensionType() const = 0;
  TGIFVersion GetVersion() const override { return gv89a; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  // The class that reads the block at the stream (just after its 0x21 byte), or none; the stream
  // position is kept.
  static TGIFExtensionKind FindExtension(TStream& stream);
  static TGIFExtension* CreateOfKind(TGIFExtensionKind kind, TGIFSubImage* subImage);

  TGIFSubImage* SubImage;
};

class TGIFGraphicControlExtension : public TGIFExtension {
public:
  explicit TGIFGraphicControlExtension(TGIFSubImage* subImage);
  ~TGIFGraphicControlExtension() override;
  uint8_t GetExtensionType() const override { return 0xF9; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;

  bool Transparent() const { return PackedFields & 1; }
  void SetTransparent(bool value);
  uint8_t TransparentColorIndex() const { return TransparentIndex; }
  void SetTransparentColorIndex(int index);
  uint16_t Delay() const { return DelayValue; }
  void SetDelay(uint16_t value) { DelayValue = value; }
  int Disposal() const { return (PackedFields >> 2) & 7; }
  void SetDisposal(int value) { PackedFields = uint8_t((PackedFields & ~0x1C) | ((value & 7) << 2)); }
  bool UserInput() const { return PackedFields & 2; }
  void SetUserInput(bool value) { PackedFields = uint8_t(value ? PackedFields | 2 : PackedFields & ~2); }

  uint8_t BlockSize = 4;
  uint8_t PackedFields = 0;
  uint16_t DelayValue = 0;
  uint8_t TransparentIndex = 0;
  uint8_t Terminator = 0;
};

class TGIFTextExtension : public TGIFExtension {
public:
  using TGIFExtension::TGIFExtension;
  uint8_t GetExtensionType() const override { return 0x01; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;

  uint8_t BlockSize = 12;
  uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
  uint8_t CellWidth = 0, CellHeight = 0, TextFGColorIndex = 0, TextBGColorIndex = 0;
  TStrings Text;
};

class TGIFCommentExtension : public TGIFExtension {
public:
  using TGIFExtension::TGIFExtension;
  uint8_t GetExtensionType() const override { return 0xFE; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  TStrings Text;
};

class TGIFApplicationExtension : public TGIFExtension {
public:
  using TGIFExtension::TGIFExtension;
  uint8_t GetExtensionType() const override { return 0xFF; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  virtual void SaveData(TStream& stream) = 0;
  virtual void LoadData(TStream& stream) = 0;
  std::string Identifier() const { return std::string(reinterpret_cast<const char*>(IdentifierBlock), 11); }
  void SetIdentifier(const std::string& id);

  uint8_t IdentifierBlock[11] = {};  // 8-byte identifier, 3-byte authentication code
};

// One raw data sub-block.
struct TGIFBlock {
  explicit TGIFBlock(uint8_t size) : Size(size), Data(size, 0) {}
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);
  uint8_t Size;
  std::vector<uint8_t> Data;
};

class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
  using TGIFApplicationExtension::TGIFApplicationExtension;
  void SaveData(TStream& stream) override;
  void LoadData(TStream& stream) override;
  std::vector<TGIFBlock> Blocks;
};

// The looping extension ("NETSCAPE2.0", "ANIMEXTS1.0").
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
  explicit TGIFAppExtNSLoop(TGIFSubImage* subImage);
  void SaveData(TStream& stream) override;
  void LoadData(TStream& stream) override;
  uint16_t Loops = 0;
  uint32_t BufferSize = 0;
};

// A block whose label no class is registered for: kept as its label and raw data sub-blocks, and
// written back unchanged.
class TGIFUnknownExtension : public TGIFExtension {
public:
  TGIFUnknownExtension(TGIFSubImage* subImage, uint8_t label = 0) : TGIFExtension(subImage), Label(label) {}
  uint8_t GetExtensionType() const override { return Label; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  uint8_t Label;
  std::vector<TGIFBlock> Blocks;
};

// Class registries: label -> class, and 11-byte application identifier -> class. A later
// registration wins.
void RegisterExtension(uint8_t label, TGIFExtensionKind kind);
void RegisterAppExtension(const std::string& identifier, TGIFExtensionKind kind);

// ---- Frames

class TGIFImageList : public TGIFList<TGIFSubImage> {
public:
  using TGIFList::TGIFList;
  void LoadFromStream(TStream& stream, TGIFImage* parent);
  void SaveToStream(TStream& stream) override;
};

class TGIFSubImage : public TGIFItem {
public:
  explicit TGIFSubImage(TGIFImage* image);
  ~TGIFSubImage() override;

  TGIFVersion GetVersion() const override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  void Clear();

  // Pixels.
  void NewImage();
  void FreeImage();
  void NeedImage();
  uint8_t* Scanline(int row);
  void SetBounds(int left, int top, int width, int height);
  int Left() const { return DescLeft; }
  int Top() const { return DescTop; }
  int Width() const { return DescWidth; }
  int Height() const { return DescHeight; }
  void SetLeft(int v) { SetBounds(v, DescTop, DescWidth, DescHeight); }
  void SetTop(int v) { SetBounds(DescLeft, v, DescWidth, DescHeight); }
  void SetWidth(int v) { SetBounds(DescLeft, DescTop, v, DescHeight); }
  void SetHeight(int v) { SetBounds(DescLeft, DescTop, DescWidth, v); }
  bool Interlaced() const { return PackedFields & 0x40; }
  void SetInterlaced(bool value) { PackedFields = uint8_t(value ? PackedFields | 0x40 : PackedFields & ~0x40); }
  int BitsPerPixel() const { return ColorMap.BitsPerPixel(); }
  int ColorResolution() const { return ColorMap.BitsPerPixel() - 1; }
  bool Empty() const { return Data.empty() || DescWidth == 0 || DescHeight == 0; }
  TGIFColorMap& ActiveColorMap();
  uint8_t TransparentColorIndex() const;

  // Palette and rendered bitmap.
  HPALETTE GetPalette();
  void SetPalette(const HPALETTE& value);
  bool HasBitmap() const { return Bitmap != nullptr; }
  TBitmap* GetBitmap();
  void NewBitmap();
  void FreeBitmap();
  void FreeMask();
  bool HasMask();
  void AssignTo(TBitmap& dest);

  // Drawing (frames are placed by their offsets, scaled from the logical screen into rect).
  void StretchDraw(TCanvas& canvas, const TRect& rect, bool doTransparent, bool doTile);
  void Draw(TCanvas& canvas, const TRect& rect, bool doTile, bool doTransparent);

  // Writing.
  void Prepare();
  void Compress(TStream& stream);

  // Conversion.
  void Assign(const TGIFSubImage* source);
  void Assign(const TGraphic& source);
  void AssignBitmap(const TBitmap& source);
  // Pixels of mask (non-zero = transparent) become transparent, through a new colour entry of
  // entryColor (the colour those pixels show to a reader that ignores transparency).
  void ImportMask(const QImage& mask, TColor entryColor);

  // Image descriptor.
  uint16_t DescLeft = 0, DescTop = 0, DescWidth = 0, DescHeight = 0;
  uint8_t PackedFields = 0;

  TGIFLocalColorMap ColorMap;
  TGIFExtensionList Extensions;
  std::vector<uint8_t> Data;
  bool Transparent = false;
  TGIFGraphicControlExtension* GraphicControlExtension = nullptr;

  // Caches.
  std::unique_ptr<TBitmap> Bitmap;
  std::vector<uint8_t> Mask;  // 1 bit per pixel, set = transparent; rows of ((Width + 15) / 16) * 2 bytes
  bool HasMaskBits = false;
  bool NeedMask = true;
  HPALETTE Palette;

private:
  void Render(bool dithered);
  const QImage& MaskedImage();
  QImage MaskedCache;
};

// ---- The picture

using TGIFDrawOptions = uint16_t;
constexpr TGIFDrawOptions gdoThreaded = 1, gdoTransparent = 2, gdoAnimate = 4, gdoLoop = 8, gdoLoopForever = 16,
                          gdoCheckCanvas = 32, gdoDirect = 64, gdoRestoreOnLoop = 128, gdoTile = 256, gdoDither = 512,
                          gdoDitherOnPaletteDisplay = 1024;

enum TGIFCoding : uint8_t { gcLZW = 0, gcRLE = 1 };

// Program-wide defaults of new pictures.
constexpr TGIFDrawOptions GIFDefaultDrawOptions = 0x060F;
constexpr TReductionMethod GIFDefaultColorReduction = rmWebSafe;
constexpr int GIFDefaultColorReductionBits = 8;
constexpr TDitherKind GIFDefaultDitherMode = dkNearest;
constexpr TGIFCoding GIFDefaultCoding = gcLZW;
constexpr int GIFDefaultThreadPriority = 3;
constexpr int GIFDefaultAnimationSpeed = 100;

// Clipboard format of GIF files ("GIF Image").
extern unsigned CF_GIF;
// True when the display shows at most 256 colours.
extern bool PaletteDisplay;

using TGIFNotify = std::function<void(void* Sender)>;

class TGIFImage : public TGraphic {
public:
  TGIFImage();
  ~TGIFImage() override;
  TGIFImage(const TGIFImage&) = delete;
  TGIFImage& operator=(const TGIFImage&) = delete;

  void Clear();
  int Add(const TGraphic& source);
  int Add(TGIFSubImage* frame);
  bool Empty() const override { return Images.Count() == 0; }
  int Width() const override { return Header.Width; }
  int Height() const override { return Header.Height; }
  void SetWidth(int value);
  void SetHeight(int value);
  TGIFVersion GetVersion() const;
  int ColorResolution() const;
  int BitsPerPixel() const;
  bool DoDither() const;

  void SetDrawOptions(TGIFDrawOptions value);
  void SetReductionBits(int value);

  HPALETTE GetPalette();
  void SetPalette(const HPALETTE& value);
  TBitmap* GetBitmap();
  TBitmap* NewBitmap();
  void FreeBitmap();
  void AssignTo(TBitmap& dest);

  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  void Assign(const TGraphic* source);

  void Draw(TCanvas& canvas, const TRect& rect) override;
  void StopDraw();
  virtual void Warning(const void* sender, int severity, const std::string& message);

  // Fires the change notification.
  void Changed(void* sender);

  TGIFImageList Images;
  TGIFHeader Header;
  std::vector<TGIFAnimationPainter*> Painters;
  TGIFAnimationPainter* Painter = nullptr;
  std::unique_ptr<TBitmap> Bitmap;
  HPALETTE Palette;
  TGIFDrawOptions DrawOptions = GIFDefaultDrawOptions;
  TReductionMethod ColorReduction = GIFDefaultColorReduction;
  int ReductionBits = GIFDefaultColorReductionBits;
  TDitherKind DitherMode = GIFDefaultDitherMode;
  TGIFCoding Coding = GIFDefaultCoding;
  int ThreadPriority = GIFDefaultThreadPriority;
  int AnimationSpeed = GIFDefaultAnimationSpeed;
  TColor BackgroundColor = clNone;
  bool PaletteModified = false;
  TGIFWarning OnWarning;
  TGIFNotify OnChange;
  TGIFNotify OnPaintStart, OnFramePaint, OnFramePainted, OnLoopRestart, OnPaintEnd;

private:
  void DrawCache(TCanvas& canvas, const TRect& rect);
  bool Drawing = false;
  bool InGetPalette = false;
  TCanvas* PainterCanvas = nullptr;
  TRect PainterRect;
};

// What the picture needs of an animation painter. The painter runs on the event loop's timers, so
// it lives with the program's GIF class (helpers/gif_painter.h), which installs its maker with
// SetGIFPainterMaker; without a maker an animated picture draws its first frame only.
class TGIFAnimationPainter {
public:
  virtual ~TGIFAnimationPainter() = default;
  // A timer painter paints its first frame now and goes on by timers.
  virtual void Start() = 0;
  // Ends the painter at its next step (a timer painter between steps ends and is freed at once).
  virtual void Stop() = 0;
  // The whole work of an inline painter; frees the painter and rethrows what ended it.
  virtual void Execute() = 0;
  virtual bool Threaded() const = 0;
  // The picture played; null once the picture is gone.
  TGIFImage* Image = nullptr;
};
// Makes a painter of image onto canvas; it registers itself in image->Painters and in *painterRef.
using TGIFPainterMaker = TGIFAnimationPainter* (*)(TGIFImage* image, TCanvas* canvas, TGIFDrawOptions drawOptions,
                                                    const TRect& rect, TGIFAnimationPainter** painterRef);
void SetGIFPainterMaker(TGIFPainterMaker maker);

// Registers ".GIF" with the graphic registry and the "GIF Image" clipboard format (done once at
// start-up; repeated calls do nothing).
void RegisterGIFImage();

// ---- Drawing on canvases (the codec's only contact with the drawing surface)

// Draws image scaled into dest (nearest pixel, alpha respected).
void GIFCanvasDrawImage(TCanvas& canvas, const TRect& dest, const QImage& image);
// The canvas pixels under rect (outside parts black), as 32-bit RGB.
QImage GIFCanvasCopyRect(TCanvas& canvas, const TRect& rect);
void GIFCanvasFillRect(TCanvas& canvas, const TRect& rect, TColor color);

// ---- Raster coding

// Decodes the raster at the stream (minimum code size byte, data sub-blocks) into frame's pixels.
void LZWDecode(TGIFSubImage& frame, TStream& stream);

class TGIFEncoder {
public:
  virtual ~TGIFEncoder() = default;
  void Compress(TStream& stream, int bitsPerPixel, int colorCount, const uint8_t* data, bool interlace, int height,
                int width);
  TGIFWarning OnWarning;

protected:
  virtual void Output(int code);
  virtual void Clear();
  virtual void DoCompress() = 0;
  bool NextPixel();

  TStream* Stream = nullptr;
  int BitsPerPixel = 0, ColorCount = 0, Width = 0, Height = 0;
  bool Interlace = false;
  const uint8_t* Data = nullptr;
  int InitBits = 0, CodeBits = 0, MaxCodeValue = 0, ClearCode = 0, EndCode = 0, BaseCode = 0;
  uint32_t Accumulator = 0;
  int AccumulatorBits = 0;
  bool JustCleared = false;
  const uint8_t* Pixel = nullptr;
  int64_t RowLeft = 0;
  int Row = 0, Pass = 0;
  // The sub-block writer: byte 0 the pending length, bytes 1..255 the data.
  uint8_t Buffer[256] = {};
  int BufferCount = 1;
  bool Dirty = false;
  void WriteByte(uint8_t value) {
    Dirty = true;
    Buffer[BufferCount++] = value;
    if (BufferCount == 256) FlushWriter();
  }
  void FlushWriter();
};

class TLZWEncoder : public TGIFEncoder {
protected:
  void Output(int code) override;
  void Clear() override;
  void DoCompress() override;

private:
  std::vector<uint32_t> HashTable;  // the string table (see gif_lzw.cpp)
  int Prefix = 0;
  int FreeCode = 0;
};

class TRLEEncoder : public TGIFEncoder {
protected:
  void Clear() override;
  void DoCompress() override;

private:
  void OutputPlain(int code);
  void FlushFromClear(int count);
  void ResetOutClear();
  void FlushClearOrRepeat(int count);
  void FlushWithTable(int count);
  void Flush(int count);
  int MaxCodes = 0, OutBumpInit = 0, OutClearInit = 0, RunPixel = -1, TableMax = 0, TablePixel = 0, OutCount = 0,
      OutClear = 0, OutBump = 0;
};

unsigned ISqrt(unsigned x);
unsigned TriangleCount(unsigned count, unsigned repCodes);

// Painter timing: file delays are hundredths of a second.
constexpr int DelayUnit = 12, DefaultDelay = 10, MinimumDelay = 3, MaximumDelay = 1000;

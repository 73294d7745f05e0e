// PNG pictures: TPNGImage is a bitmap that reads and writes Portable Network Graphics files. The
// file's chunks are kept beside the bitmap in a chunk list, so that a loaded image is written back
// with those of its chunks that still fit the image written.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "platform/bitmap.h"
#include "platform/exceptions.h"
#include "platform/streams.h"

// Every PNG failure: "Portable Network Graphics format handler error", two line breaks, the reason.
class EPNGImageException : public Exception {
public:
  explicit EPNGImageException(const std::string& message);
};

class TPNGImage;
class TChunkList;

using TChunkType = std::array<char, 4>;

// One chunk: its 4-byte type and its data. Types without a class of their own are held as is.
class TChunk {
public:
  explicit TChunk(TChunkList* owner);
  virtual ~TChunk() = default;
  TChunk(const TChunk&) = delete;
  TChunk& operator=(const TChunk&) = delete;

  // Called once every chunk of a file has been read, in list order.
  virtual void AfterLoad() {}
  // Copies the data and the type.
  virtual void Assign(const TChunk& source);
  // Writes length, type, data and CRC (chunks whose type ends in a lower-case or non-letter
  // character, safe-to-copy ancillary chunks of other programs, are not written; the image drops
  // the others that do not fit before it saves).
  virtual void SaveToStream(TStream& stream);

  std::string TypeName() const { return std::string(ChunkType.data(), 4); }
  TChunkList* Owner() const { return FOwner; }
  TPNGImage& Image() const;

  TMemoryStream Data;
  TChunkType ChunkType{};

protected:
  // Writes the chunk record with the current data.
  void WriteChunk(TStream& stream);

private:
  TChunkList* FOwner;
};

// Image header: width, height, bit depth, colour type, compression, filter and interlace method.
class TChunkIHDR : public TChunk {
public:
  explicit TChunkIHDR(TChunkList* owner);
  void SaveToStream(TStream& stream) override;

  uint32_t Width() const { return ReadU32(0); }
  uint32_t Height() const { return ReadU32(4); }
  uint8_t BitDepth() const { return Byte(8); }
  uint8_t ColorType() const { return Byte(9); }
  uint8_t CompressionMethod() const { return Byte(10); }
  uint8_t FilterMethod() const { return Byte(11); }
  uint8_t InterlaceMethod() const { return Byte(12); }
  // Setting the width or height also sizes the bitmap when it differs.
  void SetWidth(uint32_t value);
  void SetHeight(uint32_t value);
  void SetBitDepth(uint8_t value) { SetByte(8, value); }
  void SetColorType(uint8_t value) { SetByte(9, value); }
  void SetCompressionMethod(uint8_t value) { SetByte(10, value); }
  void SetFilterMethod(uint8_t value) { SetByte(11, value); }
  void SetInterlaceMethod(uint8_t value) { SetByte(12, value); }

private:
  void EnsureSize();
  uint32_t ReadU32(int at) const;
  void WriteU32(int at, uint32_t value);
  uint8_t Byte(int at) const { return Data.Data.size() > size_t(at) ? Data.Data[size_t(at)] : 0; }
  void SetByte(int at, uint8_t value);
};

// Palette: red, green, blue per entry.
class TChunkPLTE : public TChunk {
public:
  explicit TChunkPLTE(TChunkList* owner) : TChunk(owner) {}
  // The palette built from the data (gamma-corrected when the list has a gamma chunk); at most 256
  // entries, else the invalid-palette error.
  TPaletteEntries Palette() const;
  // Writes the bitmap's palette (through the inverse gamma table when there is a gamma chunk);
  // nothing when the bitmap has no palette.
  void SaveToStream(TStream& stream) override;
};

// Transparency. For truecolour images the transparent colour: read in the standard form (three
// 16-bit samples) and in the old 3-byte form, written in the standard form.
class TChunkTRNS : public TChunk {
public:
  explicit TChunkTRNS(TChunkList* owner) : TChunk(owner) {}
  TColor TransparentColor() const;
  // Truecolour images only; writes nothing for other colour types.
  void SaveToStream(TStream& stream) override;
};

// Gamma × 100000 with its correction table and inverse.
class TChunkGAMA : public TChunk {
public:
  explicit TChunkGAMA(TChunkList* owner);
  void AfterLoad() override;
  void Assign(const TChunk& source) override;
  uint32_t Gamma() const;
  void SetGamma(uint32_t value);
  const uint8_t* GammaTable() const;
  const uint8_t* InverseTable() const;

private:
  void BuildTables() const;
  mutable bool Built = false;
  mutable uint32_t BuiltFor = 0;
  mutable uint8_t Forward[256]{};
  mutable uint8_t Inverse[256]{};
};

// The image data: one zlib stream (several IDAT chunks of a file are joined when read).
class TChunkIDAT : public TChunk {
public:
  explicit TChunkIDAT(TChunkList* owner) : TChunk(owner) {}
  // Decodes the image into the bitmap.
  void AfterLoad() override;
  // Encodes the bitmap into the data and writes the chunk.
  void SaveToStream(TStream& stream) override;

private:
  void DecodeRows(TPNGImage& img, QImage& q, int colorType, int depth, int interlace, const uint8_t* forward,
                  int64_t& rowsDone);
};

class TChunkIEND : public TChunk {
public:
  explicit TChunkIEND(TChunkList* owner) : TChunk(owner) {}
};

using TChunkFactory = std::function<std::unique_ptr<TChunk>(TChunkList*)>;

struct TChunkClassInfo {
  TChunkType Type;
  const std::type_info* Class;
  TChunkFactory Create;
};

// The registered chunk classes (one instance for the program): IEND, IHDR, gAMA, IDAT, PLTE, tRNS.
class TChunkClasses {
public:
  int Count() const { return int(Items.size()); }
  const TChunkClassInfo& Item(int index) const;
  void Add(const TChunkType& type, const std::type_info& cls, TChunkFactory create);
  int IndexOfType(const TChunkType& type) const;  // -1 when none
  int IndexOfClass(const std::type_info& cls) const;

private:
  std::vector<TChunkClassInfo> Items;
};
TChunkClasses& ChunkClasses();

class TChunkList {
public:
  explicit TChunkList(TPNGImage* owner) : FOwner(owner) {}
  TPNGImage& Owner() const { return *FOwner; }

  int Count() const { return int(Items.size()); }
  TChunk* Item(int index) const;
  int IndexOf(const TChunk* chunk) const;  // -1 when not in the list
  // Index of the first chunk of exactly this class, -1 when none.
  int IndexOfClass(const std::type_info& cls) const;
  template <typename T>
  T* Find() const {
    const int i = IndexOfClass(typeid(T));
    return i < 0 ? nullptr : static_cast<T*>(Items[size_t(i)].get());
  }
  TChunk* Add(std::unique_ptr<TChunk> chunk);
  // Creates a chunk of a registered class (or a plain chunk for an unregistered class) and adds it.
  TChunk* CreateAndAdd(const std::type_info& cls);
  template <typename T>
  T* CreateAndAdd() {
    return static_cast<T*>(CreateAndAdd(typeid(T)));
  }
  void Move(int from, int to);
  void Remove(TChunk* chunk);
  void Clear() { Items.clear(); }
  // Reads one chunk at the stream's position and adds it (an IDAT is joined to an earlier one).
  TChunk* LoadFromStream(TStream& stream);
  // Puts the chunks in the order the format requires (stable for the others).
  void SortStandard();

private:
  TPNGImage* FOwner;
  std::vector<std::unique_ptr<TChunk>> Items;
};

// Row filter types and the set of those the writer may choose from.
enum TFilter { pfNone = 0, pfSub = 1, pfUp = 2, pfAverage = 3, pfPaeth = 4 };
using TFilters = uint8_t;  // bit n set: filter n allowed

class TPNGImage : public TBitmap {
public:
  TPNGImage();
  ~TPNGImage() override;
  TPNGImage(const TPNGImage&) = delete;
  TPNGImage& operator=(const TPNGImage&) = delete;

  // From another PNG image: its chunks, filter set, interlace switch and bitmap; from a bitmap or
  // any other graphic: the pixels only.
  void Assign(const TGraphic& source);

  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

  TFilters Filter() const { return FFilter; }
  void SetFilter(TFilters value) { FFilter = TFilters(value | 1); }  // None is always allowed
  bool Interlaced() const { return FInterlaced; }
  void SetInterlaced(bool value) { FInterlaced = value; }

  TChunkList& Chunks() { return FChunks; }
  const TChunkList& Chunks() const { return FChunks; }
  // Header, IDAT and IEND of a new image.
  void DefaultChunks();

private:
  // Removes the chunks that would not fit the image as the writer writes it.
  void DropUnfitChunks();

  TChunkList FChunks;
  TFilters FFilter = 27;  // None, Sub, Average, Paeth
  bool FInterlaced = false;
};

// Registers ".PNG" with the picture classes (done once at start-up; repeating is harmless).
void RegisterPNGImageFormat();

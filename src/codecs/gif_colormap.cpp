// Colour maps, the header and trailer, the base item and the frame list loop of the GIF codec.
#include <algorithm>
#include <cstring>

#include "codecs/gif_image.h"
#include "platform/numeric.h"
#include "platform/streams.h"

const char* const GIFVersions[3] = {"", "87a", "89a"};

TGIFColor TColor2TGIFColor(TColor color) {
  return {uint8_t(color & 0xFF), uint8_t((color >> 8) & 0xFF), uint8_t((color >> 16) & 0xFF)};
}

TColor TGIFColor2TColor(TGIFColor color) { return RGBColor(color.Red, color.Green, color.Blue); }

void GIFImageWarning(TGIFImage* image, const void* sender, int severity, const std::string& message) {
  if (image) image->Warning(sender, severity, message);
}

// ---- TGIFItem

void TGIFItem::Warning(int severity, const std::string& message) { GIFImageWarning(Image, this, severity, message); }

void TGIFItem::SaveToFile(const std::string& fileName) {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
  stream.Commit();
}

void TGIFItem::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead);
  LoadFromStream(stream);
}

// ---- TGIFColorMap

void TGIFColorMap::Clear() {
  Colors.clear();
  Count = 0;
  Capacity = 0;
  Optimized = false;
}

void TGIFColorMap::SetCapacity(int size) {
  if (size < Capacity) return;
  int cap = size <= 16 ? 16 : (size + 31) / 32 * 32;
  cap = std::min(cap, 256);
  Capacity = cap;
  Colors.resize(size_t(cap));
}

int TGIFColorMap::Add(TColor color) {
  if (Count >= 256) RaiseGifError("Color table overflow");
  if (Count >= Capacity) SetCapacity(Count + 1);
  Colors[size_t(Count)] = TColor2TGIFColor(color);
  ++Count;
  Optimized = false;
  Changed();
  return Count - 1;
}

int TGIFColorMap::AddUnique(TColor color) {
  const int i = IndexOf(color);
  return i >= 0 ? i : Add(color);
}

int TGIFColorMap::IndexOf(TColor color) const {
  const TGIFColor c = TColor2TGIFColor(color);
  if (Optimized) {
    for (int i = 0; i < Count; ++i)
      if (Colors[size_t(i)] == c) return i;
  } else {
    for (int i = Count - 1; i >= 0; --i)
      if (Colors[size_t(i)] == c) return i;
  }
  return -1;
}

void TGIFColorMap::Delete(int index) {
  if (index < 0 || index >= Count) RaiseGifError("Invalid color index");
  Colors.erase(Colors.begin() + index);
  Colors.push_back({});
  --Count;
  Optimized = false;
  Changed();
}

TColor TGIFColorMap::GetColor(int index) {
  if (index < 0 || index >= Count) {
    Warning(1, "Invalid color index");
    if (Count == 0) RaiseGifError("Color table is empty");
    index = 0;
  }
  return TGIFColor2TColor(Colors[size_t(index)]);
}

void TGIFColorMap::SetColor(int index, TColor color) {
  if (index < 0 || index >= Count) RaiseGifError("Invalid color index");
  Colors[size_t(index)] = TColor2TGIFColor(color);
  Changed();
}

void TGIFColorMap::ImportPalette(const HPALETTE& palette) {
  Clear();
  const int n = palette ? int(std::min<size_t>(palette->size(), 256)) : 0;
  if (n == 0) return;
  SetCapacity(n);
  for (int i = 0; i < n; ++i) Colors[size_t(i)] = TColor2TGIFColor((*palette)[size_t(i)]);
  Count = n;
  Changed();
}

void TGIFColorMap::ImportRGB(const std::vector<TColor>& colors) {
  Clear();
  const int n = int(std::min<size_t>(colors.size(), 256));
  SetCapacity(n);
  for (int i = 0; i < n; ++i) Colors[size_t(i)] = TColor2TGIFColor(colors[size_t(i)]);
  Count = n;
  Changed();
}

HPALETTE TGIFColorMap::ExportPalette() const {
  if (Count == 0) return nullptr;
  TPaletteEntries entries;
  for (int i = 0; i < Count; ++i) entries.push_back(TGIFColor2TColor(Colors[size_t(i)]));
  return MakePalette(std::move(entries));
}

void TGIFColorMap::ReadColors(TStream& stream, int count) {
  Clear();
  SetCapacity(count);
  ReadExact(stream, Colors.data(), int64_t(count) * 3);
  Count = count;
}

void TGIFColorMap::WriteColors(TStream& stream) const {
  if (Count == 0) return;
  const int total = 1 << BitsPerPixel();
  std::vector<uint8_t> bytes(size_t(total) * 3, 0);
  std::memcpy(bytes.data(), Colors.data(), size_t(Count) * 3);
  stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

void TGIFColorMap::Assign(const TGIFColorMap& source) {
  if (&source == this) return;
  Capacity = source.Capacity;
  Colors = source.Colors;
  Count = source.Count;
  Optimized = source.Optimized;
  Changed();
}

namespace {
void SortByUse(std::vector<TUsageCount>& pairs, int lo, int hi) {
  int i;
  do {
    i = lo;
    int j = hi;
    const int pivot = pairs[size_t((lo + hi) / 2)].Count;
    do {
      while (pairs[size_t(i)].Count > pivot) ++i;
      while (pairs[size_t(j)].Count < pivot) --j;
      if (i <= j) {
        std::swap(pairs[size_t(i)], pairs[size_t(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j > lo) SortByUse(pairs, lo, j);
    lo = i;
  } while (i < hi);
}
}  // namespace

bool TGIFColorMap::Optimize() { return DoOptimize(); }

bool TGIFColorMap::DoOptimize() {
  if (Count <= 1) return false;
  Optimized = true;
  std::vector<TUsageCount> pairs(static_cast<size_t>(Count));
  for (int i = 0; i < Count; ++i) pairs[size_t(i)] = {0, i};
  BuildHistogram(pairs);
  SortByUse(pairs, 0, Count - 1);
  bool inPlace = true;
  for (int i = 0; i < Count; ++i)
    if (pairs[size_t(i)].Index != i) inPlace = false;
  if (inPlace) return true;
  std::vector<uint8_t> map(256);
  for (int i = 0; i < 256; ++i) map[size_t(i)] = uint8_t(i);
  for (int i = 0; i < Count; ++i) map[size_t(pairs[size_t(i)].Index)] = uint8_t(i);
  RemapPixels(map);
  std::vector<TGIFColor> moved(Colors.size());
  for (int k = 0; k < Count; ++k) moved[map[size_t(k)]] = Colors[size_t(k)];
  Colors = moved;
  int newCount = Count;
  for (int i = 0; i < Count; ++i)
    if (pairs[size_t(i)].Count == 0) {
      newCount = i;
      break;
    }
  Count = newCount;
  Changed();
  return true;
}

namespace {
void CountPixels(const TGIFSubImage& frame, std::vector<TUsageCount>& histogram) {
  const size_t n = histogram.size();
  std::vector<int> counts(256, 0);
  for (uint8_t p : frame.Data) ++counts[p];
  // Pixels beyond the table are not counted: they have no entry to sort.
  for (size_t i = 0; i < n; ++i) histogram[i].Count += counts[size_t(histogram[i].Index)];
}

void RemapFrame(TGIFSubImage& frame, const std::vector<uint8_t>& map) {
  for (uint8_t& p : frame.Data) p = map[p];
  if (frame.Transparent && frame.GraphicControlExtension)
    frame.GraphicControlExtension->TransparentIndex = map[frame.GraphicControlExtension->TransparentIndex];
  frame.FreeBitmap();
  frame.FreeMask();
}
}  // namespace

// ---- Global colour map

void TGIFGlobalColorMap::Warning(int severity, const std::string& message) {
  GIFImageWarning(Header->Image, this, severity, message);
}

void TGIFGlobalColorMap::BuildHistogram(std::vector<TUsageCount>& histogram) {
  TGIFImage* image = Header->Image;
  for (TGIFSubImage* frame : image->Images.Items)
    if (&frame->ActiveColorMap() == this) CountPixels(*frame, histogram);
}

void TGIFGlobalColorMap::RemapPixels(const std::vector<uint8_t>& map) {
  TGIFImage* image = Header->Image;
  for (TGIFSubImage* frame : image->Images.Items)
    if (&frame->ActiveColorMap() == this) RemapFrame(*frame, map);
}

bool TGIFGlobalColorMap::Optimize() {
  if (!Header->Image || Header->Image->Images.Count() == 0) return false;
  return DoOptimize();
}

void TGIFGlobalColorMap::Changed() {
  if (Header->Image) Header->Image->SetPalette(nullptr);
}

// ---- Local colour map

void TGIFLocalColorMap::Warning(int severity, const std::string& message) {
  GIFImageWarning(SubImage->Image, this, severity, message);
}

void TGIFLocalColorMap::BuildHistogram(std::vector<TUsageCount>& histogram) { CountPixels(*SubImage, histogram); }

void TGIFLocalColorMap::RemapPixels(const std::vector<uint8_t>& map) { RemapFrame(*SubImage, map); }

void TGIFLocalColorMap::Changed() { SubImage->SetPalette(nullptr); }

// ---- Header

TGIFHeader::TGIFHeader(TGIFImage* image) : TGIFItem(image), ColorMap(this) { Clear(); }

void TGIFHeader::Clear() {
  ColorMap.Clear();
  Width = Height = 0;
  PackedFields = BackgroundColorIndex = AspectRatio = 0;
}

void TGIFHeader::Prepare() {
  if (ColorMap.Count == 0) {
    PackedFields = 0;
    return;
  }
  uint8_t p = 0x80;
  if (ColorMap.Optimized) p |= 0x08;
  const int resolution = Image ? Image->ColorResolution() : ColorMap.BitsPerPixel() - 1;
  p |= uint8_t((resolution << 4) & 0x70);
  p |= uint8_t((ColorMap.BitsPerPixel() - 1) & 7);
  PackedFields = p;
}

void TGIFHeader::SaveToStream(TStream& stream) {
  const TGIFVersion version = Image ? Image->GetVersion() : gvUnknown;
  if (version == gvUnknown) RaiseGifError("Unsupported GIF version");
  stream.WriteBuffer("GIF", 3);
  stream.WriteBuffer(GIFVersions[version], 3);
  Prepare();
  uint8_t d[7] = {uint8_t(Width), uint8_t(Width >> 8), uint8_t(Height), uint8_t(Height >> 8), PackedFields,
                  BackgroundColorIndex, AspectRatio};
  stream.WriteBuffer(d, 7);
  if (PackedFields & 0x80) ColorMap.WriteColors(stream);
}

void TGIFHeader::LoadFromStream(TStream& stream) {
  const int64_t start = stream.Position();
  char sig[6];
  ReadExact(stream, sig, 6);
  auto isGif = [&] { return std::toupper(uint8_t(sig[0])) == 'G' && std::toupper(uint8_t(sig[1])) == 'I' && std::toupper(uint8_t(sig[2])) == 'F'; };
  if (!isGif()) {
    stream.SetPosition(start + 4);
    ReadExact(stream, sig, 6);
    if (!isGif()) RaiseGifError("Invalid GIF signature");
  }
  uint8_t d[7];
  ReadExact(stream, d, 7);
  Width = uint16_t(d[0] | (d[1] << 8));
  Height = uint16_t(d[2] | (d[3] << 8));
  PackedFields = d[4];
  BackgroundColorIndex = d[5];
  AspectRatio = d[6];
  if (PackedFields & 0x80) {
    const int n = 2 << (PackedFields & 7);
    if (n < 2 || n > 256) RaiseGifError("Invalid number of colors specified in Screen Descriptor");
    ColorMap.ReadColors(stream, n);
  } else {
    ColorMap.Clear();
  }
}

void TGIFHeader::Assign(const TGIFHeader& source) {
  if (&source == this) return;
  ColorMap.Assign(source.ColorMap);
  Width = source.Width;
  Height = source.Height;
  PackedFields = source.PackedFields;
  BackgroundColorIndex = source.BackgroundColorIndex;
  AspectRatio = source.AspectRatio;
}

void TGIFHeader::AssignColorMap(const TGIFColorMap& source) {
  Clear();
  ColorMap.Assign(source);
}

// ---- Trailer

void TGIFTrailer::SaveToStream(TStream& stream) { StreamWriteByte(stream, ';'); }

void TGIFTrailer::LoadFromStream(TStream& stream) {
  const int b = StreamReadByte(stream);
  if (b >= 0 && b != ';') Warning(1, "Invalid Image trailer");
}

// ---- Frame list

void TGIFImageList::LoadFromStream(TStream& stream, TGIFImage* parent) {
  auto skipZeros = [&]() -> int {
    for (;;) {
      const int b = StreamReadByte(stream);
      if (b != 0) return b;
    }
  };
  int b = skipZeros();
  if (b < 0) return;
  if (b == ';') {
    stream.Seek(-1, soCurrent);
    return;
  }
  const int64_t size = stream.Size();
  for (;;) {
    stream.Seek(-1, soCurrent);
    if (b != 0x21 && b != 0x2C) {
      Warning(1, "Unknown GIF block type");
      return;
    }
    auto* frame = new TGIFSubImage(parent);
    try {
      frame->LoadFromStream(stream);
    } catch (...) {
      delete frame;
      throw;
    }
    Add(frame);
    if (parent && size > 0) {
      const int64_t pos = stream.Position();
      parent->Progress(psRunning, size < INT32_MAX / 100 ? MulDiv(int32_t(pos), 100, int32_t(size)) : int(pos / (size / 100)),
                       "Loading...");
    }
    b = skipZeros();
    if (b < 0) return;
    if (b == ';') {
      stream.Seek(-1, soCurrent);
      return;
    }
  }
}

void TGIFImageList::SaveToStream(TStream& stream) {
  for (int i = 0; i < Count(); ++i) {
    Items[size_t(i)]->SaveToStream(stream);
    if (Image) Image->Progress(psRunning, MulDiv(i + 1, 100, Count()), "Saving...");
  }
}

// The extension blocks ahead of a frame: graphic control, plain text, comment, application
// (looping and unknown ones) and blocks of unknown labels kept as raw data.
#include <algorithm>
#include <cstring>

#include "codecs/gif_image.h"
#include "platform/streams.h"

namespace {
struct TExtensionRecord {
  uint8_t Label;
  TGIFExtensionKind Kind;
};
struct TAppExtensionRecord {
  std::string Identifier;
  TGIFExtensionKind Kind;
};

std::vector<TExtensionRecord>& ExtensionList() {
  static std::vector<TExtensionRecord> list = {{0x01, TGIFExtensionKind::Text},
                                               {0xF9, TGIFExtensionKind::GraphicControl},
                                               {0xFE, TGIFExtensionKind::Comment},
                                               {0xFF, TGIFExtensionKind::Application}};
  return list;
}

std::vector<TAppExtensionRecord>& AppExtensionList() {
  static std::vector<TAppExtensionRecord> list = {{"NETSCAPE2.0", TGIFExtensionKind::NSLoop},
                                                  {"ANIMEXTS1.0", TGIFExtensionKind::NSLoop}};
  return list;
}

// The more specific class of an application extension, read from its block size and identifier.
// Blocks of other sizes than 10 and 11 are read as unknown application extensions (the size is
// checked when the block itself is read).
TGIFExtensionKind FindAppSubExtension(TStream& stream) {
  const int size = StreamReadByte(stream);
  if (size < 0) return TGIFExtensionKind::Base;
  if (size == 10) {
    uint8_t id[10];
    return stream.Read(id, 10) == 10 ? TGIFExtensionKind::UnknownApp : TGIFExtensionKind::Base;
  }
  if (size == 11) {
    char id[11];
    if (stream.Read(id, 11) != 11) return TGIFExtensionKind::UnknownApp;
    const std::string identifier(id, 11);
    const auto& list = AppExtensionList();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
      if (it->Identifier == identifier) return it->Kind;
    return TGIFExtensionKind::UnknownApp;
  }
  return TGIFExtensionKind::UnknownApp;
}
}  // namespace

void RegisterExtension(uint8_t label, TGIFExtensionKind kind) { ExtensionList().push_back({label, kind}); }

void RegisterAppExtension(const std::string& identifier, TGIFExtensionKind kind) {
  std::string id = identifier;
  id.resize(11, '\0');
  AppExtensionList().push_back({id, kind});
}

// ---- TGIFExtension

TGIFExtension::TGIFExtension(TGIFSubImage* subImage) : TGIFItem(subImage ? subImage->Image : nullptr), SubImage(subImage) {}

TGIFExtension::~TGIFExtension() {
  if (SubImage) SubImage->Extensions.Remove(this);
}

void TGIFExtension::SaveToStream(TStream& stream) {
  const uint8_t start[2] = {0x21, GetExtensionType()};
  stream.WriteBuffer(start, 2);
}

void TGIFExtension::LoadFromStream(TStream& stream) {
  uint8_t start[2];
  ReadExact(stream, start, 2);
  if (start[0] != 0x21) RaiseGifError("Invalid extension introducer");
  if (start[1] != GetExtensionType()) RaiseGifError("Internal error: Extension Instance does not match Extension Label");
}

TGIFExtensionKind TGIFExtension::FindExtension(TStream& stream) {
  const int64_t pos = stream.Position();
  TGIFExtensionKind kind = TGIFExtensionKind::Base;
  const int label = StreamReadByte(stream);
  if (label >= 0) {
    kind = TGIFExtensionKind::Unknown;
    const auto& list = ExtensionList();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
      if (it->Label == label) {
        kind = it->Kind;
        break;
      }
    if (kind == TGIFExtensionKind::Application) kind = FindAppSubExtension(stream);
  }
  stream.SetPosition(pos);
  return kind;
}

TGIFExtension* TGIFExtension::CreateOfKind(TGIFExtensionKind kind, TGIFSubImage* subImage) {
  switch (kind) {
    case TGIFExtensionKind::Text: return new TGIFTextExtension(subImage);
    case TGIFExtensionKind::GraphicControl: return new TGIFGraphicControlExtension(subImage);
    case TGIFExtensionKind::Comment: return new TGIFCommentExtension(subImage);
    case TGIFExtensionKind::UnknownApp: return new TGIFUnknownAppExtension(subImage);
    case TGIFExtensionKind::NSLoop: return new TGIFAppExtNSLoop(subImage);
    case TGIFExtensionKind::Unknown: return new TGIFUnknownExtension(subImage);
    default: return nullptr;
  }
}

// ---- Graphic control

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* subImage) : TGIFExtension(subImage) {
  if (SubImage && !SubImage->GraphicControlExtension) SubImage->GraphicControlExtension = this;
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
  if (SubImage) {
    if (Transparent()) SubImage->Transparent = false;
    if (SubImage->GraphicControlExtension == this) SubImage->GraphicControlExtension = nullptr;
  }
}

void TGIFGraphicControlExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  const uint8_t d[6] = {BlockSize, PackedFields, uint8_t(DelayValue), uint8_t(DelayValue >> 8), TransparentIndex, Terminator};
  stream.WriteBuffer(d, 6);
}

void TGIFGraphicControlExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  uint8_t d[6];
  if (stream.Read(d, 6) != 6) {
    Warning(1, "Premature end of data");
    return;
  }
  BlockSize = d[0];
  PackedFields = d[1];
  DelayValue = uint16_t(d[2] | (d[3] << 8));
  TransparentIndex = d[4];
  Terminator = d[5];
  if (Transparent() && SubImage) SubImage->Transparent = true;
}

void TGIFGraphicControlExtension::SetTransparent(bool value) {
  PackedFields = uint8_t(value ? PackedFields | 1 : PackedFields & ~1);
  if (SubImage) SubImage->Transparent = value;
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int index) {
  if (SubImage) {
    const TGIFColorMap& map = SubImage->ActiveColorMap();
    if (map.Count > 0 && (index < 0 || index >= map.Count)) {
      Warning(1, "Invalid color index");
      index = 0;
    }
  }
  TransparentIndex = uint8_t(index);
}

// ---- Plain text and comment

void TGIFTextExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  const uint8_t d[13] = {BlockSize, uint8_t(Left), uint8_t(Left >> 8), uint8_t(Top), uint8_t(Top >> 8),
                         uint8_t(Width), uint8_t(Width >> 8), uint8_t(Height), uint8_t(Height >> 8),
                         CellWidth, CellHeight, TextFGColorIndex, TextBGColorIndex};
  stream.WriteBuffer(d, 13);
  WriteSubBlocks(stream, Text);
}

void TGIFTextExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  uint8_t d[13];
  ReadExact(stream, d, 13);
  BlockSize = d[0];
  Left = uint16_t(d[1] | (d[2] << 8));
  Top = uint16_t(d[3] | (d[4] << 8));
  Width = uint16_t(d[5] | (d[6] << 8));
  Height = uint16_t(d[7] | (d[8] << 8));
  CellWidth = d[9];
  CellHeight = d[10];
  TextFGColorIndex = d[11];
  TextBGColorIndex = d[12];
  ReadSubBlocks(stream, Text);
}

void TGIFCommentExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  WriteSubBlocks(stream, Text);
}

void TGIFCommentExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  ReadSubBlocks(stream, Text);
}

// ---- Application extensions

void TGIFApplicationExtension::SetIdentifier(const std::string& id) {
  std::memset(IdentifierBlock, 0, 11);
  std::memcpy(IdentifierBlock, id.data(), std::min<size_t>(11, id.size()));
}

void TGIFApplicationExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  StreamWriteByte(stream, 11);
  stream.WriteBuffer(IdentifierBlock, 11);
  SaveData(stream);
}

void TGIFApplicationExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  int size = StreamReadByte(stream);
  if (size < 0) size = 0;
  if (size < 10) RaiseGifError("Unsupported Application Extension block size");
  ReadExact(stream, IdentifierBlock, 11);
  // A 10-byte identifier block: the byte read beyond it belongs to the data and is given back.
  if (size == 10) IdentifierBlock[10] = 0;
  stream.Seek(size - 11, soCurrent);
  LoadData(stream);
}

void TGIFBlock::SaveToStream(TStream& stream) const {
  StreamWriteByte(stream, Size);
  stream.WriteBuffer(Data.data(), Size);
}

void TGIFBlock::LoadFromStream(TStream& stream) {
  Data.assign(Size, 0);
  ReadExact(stream, Data.data(), Size);
}

namespace {
void LoadRawBlocks(TStream& stream, std::vector<TGIFBlock>& blocks) {
  blocks.clear();
  for (;;) {
    const int n = StreamReadByte(stream);
    if (n <= 0) break;
    TGIFBlock block{uint8_t(n)};
    block.LoadFromStream(stream);
    blocks.push_back(std::move(block));
  }
}
void SaveRawBlocks(TStream& stream, const std::vector<TGIFBlock>& blocks) {
  for (const TGIFBlock& b : blocks) b.SaveToStream(stream);
  StreamWriteByte(stream, 0);
}
}  // namespace

void TGIFUnknownAppExtension::SaveData(TStream& stream) { SaveRawBlocks(stream, Blocks); }

void TGIFUnknownAppExtension::LoadData(TStream& stream) { LoadRawBlocks(stream, Blocks); }

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* subImage) : TGIFApplicationExtension(subImage) {
  SetIdentifier("NETSCAPE2.0");
}

void TGIFAppExtNSLoop::SaveData(TStream& stream) {
  const uint8_t loops[4] = {3, 1, uint8_t(Loops), uint8_t(Loops >> 8)};
  stream.WriteBuffer(loops, 4);
  if (BufferSize != 0) {
    const uint8_t buf[6] = {5, 2, uint8_t(BufferSize), uint8_t(BufferSize >> 8), uint8_t(BufferSize >> 16),
                            uint8_t(BufferSize >> 24)};
    stream.WriteBuffer(buf, 6);
  }
  StreamWriteByte(stream, 0);
}

void TGIFAppExtNSLoop::LoadData(TStream& stream) {
  auto next = [&] { return std::max(0, StreamReadByte(stream)); };
  int n = next();
  while (n != 0) {
    const int id = next() & 7;
    int rest;
    if (id == 1) {
      if (n - 1 < 2) RaiseGifError("Invalid GIF data");
      uint8_t b[2];
      ReadExact(stream, b, 2);
      Loops = uint16_t(b[0] | (b[1] << 8));
      rest = n - 3;
    } else if (id == 2) {
      if (n - 1 < 4) RaiseGifError("Invalid GIF data");
      uint8_t b[4];
      ReadExact(stream, b, 4);
      BufferSize = uint32_t(b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t(b[3]) << 24));
      rest = n - 5;
    } else {
      rest = n - 1;
    }
    if (rest > 0) stream.Seek(rest, soCurrent);
    n = next();
  }
}

// ---- Blocks of unknown labels

void TGIFUnknownExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  SaveRawBlocks(stream, Blocks);
}

void TGIFUnknownExtension::LoadFromStream(TStream& stream) {
  uint8_t start[2];
  ReadExact(stream, start, 2);
  if (start[0] != 0x21) RaiseGifError("Invalid extension introducer");
  Label = start[1];
  LoadRawBlocks(stream, Blocks);
}

// ---- Extension list

void TGIFExtensionList::LoadFromStream(TStream& stream, TGIFSubImage* parent) {
  int b = StreamReadByte(stream);
  if (b < 0) return;
  while (b != 0x2C && b != 0x3B) {
    if (b != 0x21) {
      Warning(1, "Invalid extension introducer");
      break;
    }
    const TGIFExtensionKind kind = TGIFExtension::FindExtension(stream);
    TGIFExtension* extension = TGIFExtension::CreateOfKind(kind, parent);
    if (!extension) RaiseGifError("Unknown extension type");
    stream.Seek(-1, soCurrent);
    try {
      extension->LoadFromStream(stream);
    } catch (...) {
      delete extension;
      throw;
    }
    Add(extension);
    b = StreamReadByte(stream);
    if (b < 0) return;
  }
  stream.Seek(-1, soCurrent);
}

// The document file's byte layout, its writer's payload and its reader.
#include "page/document_format.h"
#include "page/record_fields.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "codecs/compress.h"
#include "platform/font.h"
#include "platform/streams.h"
#include "text/text_page.h"

namespace {
// A length byte beyond its field's capacity.
bool LengthBeyond(const uint8_t* field, size_t capacity) { return field[0] > capacity; }

constexpr char ContainerSignature[5] = {'V', 'E', 'L', 'K', 0x1A};
}  // namespace

void PackDocumentRecord(const TDocument& Doc, TDocumentRec& Rec) {
  Rec.assign(DocumentRecSize, 0);
  uint8_t* r = Rec.data();
  for (size_t i = 0; i < DocumentCellCount; ++i) {
    const TDocumentCell& c = Doc.Cells[i];
    SetShortString(r + docrec::FontNames + i * 33, 32, FontNameToStoredBytes(c.FontName, 32));
    r[docrec::FontStyles + i] = c.Style;
    r[docrec::FontCharsets + i] = c.Charset;
    PutU16(r + docrec::FontSizes + i * 2, c.Size);
    PutU32(r + docrec::FontColors + i * 4, c.Color);
    r[docrec::ZOrderFlags + i] = c.Front ? 1 : 0;
    PutI32(r + docrec::CellOffsets + i * 4, c.Offset);
    PutI32(r + docrec::CellPositions + i * 8, c.Position.X);
    PutI32(r + docrec::CellPositions + i * 8 + 4, c.Position.Y);
    r[docrec::CellCodes + i] = c.Code;
  }
  // The main font block sits in old shape record 0; no old shape is written.
  PutU32(r + docrec::MainFontColor, Doc.MainFont.Color);
  SetShortString(r + docrec::MainFontName, 32, FontNameToStoredBytes(Doc.MainFont.Name, 32));
  PutU16(r + docrec::MainFontSizeInBlock, Doc.MainFont.Size);
  r[docrec::MainFontStyle] = Doc.MainFont.Style;
  r[docrec::MainFontCharset] = Doc.MainFont.Charset;
  PutI32(r + docrec::ScriptPercent, Doc.MainFont.ScriptPercent);
  PutI32(r + docrec::CustomOffset, Doc.MainFont.CustomOffset);
  std::memcpy(r + docrec::PictureTable, Doc.PictureTable.data(), sizeof(TPictureRec) * MaxPictures);
  std::memcpy(r + docrec::PasteTable, Doc.PasteTable.data(), sizeof(TPasteRec) * MaxPastes);
  r[docrec::PictureCount] = Doc.PictureCount;
  r[docrec::OldShapeCount] = 0;
  r[docrec::PasteCount] = Doc.PasteCount;
  r[docrec::LineHeight] = Doc.LineHeight;
  PutU16(r + docrec::MainFontSize, Doc.MainFontSize);
  PutU16(r + docrec::CurrentI, uint16_t(Doc.CurrentI));
  r[docrec::MetricFlag] = Doc.MetricFlag;
  PutU16(r + docrec::CaretY, Doc.CaretY);
  PutF32(r + docrec::LeftMargin, Doc.LeftMargin);
  PutF32(r + docrec::TopMargin, Doc.TopMargin);
  PutF32(r + docrec::BottomMargin, Doc.BottomMargin);
  PutF32(r + docrec::RightMargin, Doc.RightMargin);
  SetShortString(r + docrec::FontComboText, 255, FontNameToStoredBytes(Doc.FontComboText, 255));
  SetShortString(r + docrec::CharsetText, 255, Doc.CharsetText);
  r[docrec::PageStyle] = Doc.PageStyle;
  PutU32(r + docrec::SavedPixelsPerInch, Doc.SavedPixelsPerInch);
  PutU32(r + docrec::SavedPixelsPerInch2, Doc.SavedPixelsPerInch);
}

std::vector<uint8_t> BuildDocumentPayload(const TDocument& Doc) {
  std::vector<uint8_t> out;
  out.reserve(DocShapesOffset + Doc.Shapes.size());
  out.resize(DocShapesOffset);
  PutU32(out.data(), DocumentVersion);
  std::memcpy(out.data() + 4, DocumentSignature, 7);
  TDocumentRec rec;
  PackDocumentRecord(Doc, rec);
  std::memcpy(out.data() + DocumentHeadSize, rec.data(), DocumentRecSize);
  PutU32(out.data() + DocImageCountOffset, uint32_t(Doc.ImageCount));
  std::memcpy(out.data() + DocImageTableOffset, Doc.ImageRecs.data(), sizeof(TImageObjectRec) * MaxImageObjects);
  out.insert(out.end(), Doc.Shapes.begin(), Doc.Shapes.end());
  return out;
}

void WriteDocumentFile(const std::string& FileName, const std::vector<uint8_t>& Payload, TCompress& Compress) {
  TBytesStream source(Payload.data(), Payload.size());
  TFileStream file(FileName, fmCreate);
  try {
    Compress.CompressStream(file, source, cmLH5);
    file.Commit();
  } catch (...) {
    file.Discard();
    throw;
  }
}

void UnpackDocumentRecord(const uint8_t* r, uint32_t Version, TDocument& Doc) {
  Doc.Version = Version;
  for (size_t i = 0; i < DocumentCellCount; ++i) {
    TDocumentCell& c = Doc.Cells[i];
    c.FontName = FontNameFromStoredBytes(GetShortString(r + docrec::FontNames + i * 33, 32));
    c.Style = r[docrec::FontStyles + i] & 0x0F;
    c.Charset = r[docrec::FontCharsets + i];
    c.Size = GetU16(r + docrec::FontSizes + i * 2);
    c.Color = GetU32(r + docrec::FontColors + i * 4);
    c.Front = r[docrec::ZOrderFlags + i] != 0;
    c.Offset = GetI32(r + docrec::CellOffsets + i * 4);
    c.Position = TPoint(GetI32(r + docrec::CellPositions + i * 8), GetI32(r + docrec::CellPositions + i * 8 + 4));
    c.Code = r[docrec::CellCodes + i];
  }
  Doc.OldShapes.assign(r + docrec::OldShapes, r + docrec::OldShapes + OldShapeRecCount * OldShapeRecBytes);
  std::memcpy(Doc.PictureTable.data(), r + docrec::PictureTable, sizeof(TPictureRec) * MaxPictures);
  std::memcpy(Doc.PasteTable.data(), r + docrec::PasteTable, sizeof(TPasteRec) * MaxPastes);
  Doc.PictureCount = r[docrec::PictureCount];
  Doc.OldShapeCount = r[docrec::OldShapeCount];
  Doc.PasteCount = r[docrec::PasteCount];
  Doc.LineHeight = r[docrec::LineHeight];
  Doc.MainFontSize = GetU16(r + docrec::MainFontSize);
  Doc.CurrentI = int16_t(GetU16(r + docrec::CurrentI));
  Doc.MetricFlag = r[docrec::MetricFlag];
  Doc.CaretY = GetU16(r + docrec::CaretY);
  Doc.LeftMargin = GetF32(r + docrec::LeftMargin);
  Doc.TopMargin = GetF32(r + docrec::TopMargin);
  Doc.BottomMargin = GetF32(r + docrec::BottomMargin);
  Doc.RightMargin = GetF32(r + docrec::RightMargin);
  Doc.FontComboText = FontNameFromStoredBytes(GetShortString(r + docrec::FontComboText, 255));
  Doc.CharsetText = GetShortString(r + docrec::CharsetText, 255);
  Doc.PageStyle = r[docrec::PageStyle];
  Doc.SavedPixelsPerInch = GetU32(r + docrec::SavedPixelsPerInch);
  Doc.MainFont = TMainFontBlock{};
  if (Version >= 6) {
    Doc.MainFont.Color = GetU32(r + docrec::MainFontColor);
    Doc.MainFont.Name = FontNameFromStoredBytes(GetShortString(r + docrec::MainFontName, 32));
    Doc.MainFont.Size = GetU16(r + docrec::MainFontSizeInBlock);
    Doc.MainFont.Style = r[docrec::MainFontStyle] & 0x0F;
    Doc.MainFont.Charset = r[docrec::MainFontCharset];
    Doc.MainFont.ScriptPercent = GetI32(r + docrec::ScriptPercent);
    Doc.MainFont.CustomOffset = GetI32(r + docrec::CustomOffset);
  }
}

namespace {
// The string fields of a record whose length byte exceeds the field.
std::string CheckRecordStrings(const uint8_t* r, uint32_t Version) {
  for (size_t i = 0; i < DocumentCellCount; ++i)
    if (LengthBeyond(r + docrec::FontNames + i * 33, 32)) return "cell font name length";
  if (LengthBeyond(r + docrec::FontComboText, 255) || LengthBeyond(r + docrec::CharsetText, 255))
    return "font text length";
  if (Version >= 6 && LengthBeyond(r + docrec::MainFontName, 32)) return "main font name length";
  return {};
}

bool FiniteMargin(float m) { return std::isfinite(m) && m >= 0.0f && m <= MaxDocumentMargin; }
}  // namespace

std::string CheckDocument(const TDocument& Doc) {
  if (Doc.PictureCount > MaxPictures - 1) return "picture count";
  if (Doc.PasteCount > MaxPastes - 1) return "paste count";
  if (Doc.CurrentI < 1 || Doc.CurrentI > int(DocumentCellCount) - 1) return "caret cell";
  if (Doc.LineHeight == 0) return "line height";
  if (Doc.SavedPixelsPerInch != 0 &&
      (Doc.SavedPixelsPerInch < MinDocumentPixelsPerInch || Doc.SavedPixelsPerInch > MaxDocumentPixelsPerInch))
    return "pixels per inch";
  if (!FiniteMargin(Doc.LeftMargin) || !FiniteMargin(Doc.TopMargin) || !FiniteMargin(Doc.BottomMargin) ||
      !FiniteMargin(Doc.RightMargin))
    return "margins";
  for (const TDocumentCell& c : Doc.Cells)
    if (c.Size > MaxDocumentFontSize) return "font size";
  if (Doc.Version >= 6 && (Doc.MainFont.Size == 0 || Doc.MainFont.Size > MaxDocumentFontSize)) return "main font size";
  if (Doc.ImageCount < 0 || Doc.ImageCount > MaxImageObjects) return "image-object count";
  if (Doc.Version < 3 && Doc.ImageCount != 0) return "image objects in an old version";
  return {};
}

TDocReadResult ReadDocumentBytes(const std::vector<uint8_t>& Raw, TCompress& Compress, TDocument& Doc,
                                 uint32_t MaxPayload) {
  TDocReadResult res;
  if (Raw.empty()) {
    res.Status = TDocReadStatus::Empty;
    return res;
  }
  auto fail = [&](TDocReadStatus s, const char* what) {
    res.Status = s;
    res.Detail = what;
    return res;
  };
  // The raw file's own head first: versions 1 and 2 are plain files.
  uint32_t version = Raw.size() >= 4 ? GetU32(Raw.data()) : 0;
  const uint8_t* head = Raw.data();
  std::vector<uint8_t> expanded;
  const std::vector<uint8_t>* payload = &Raw;
  if (version == 0 || version > 6) {
    if (Raw.size() >= CompressHeaderSize && std::memcmp(Raw.data(), ContainerSignature, 5) == 0) {
      const uint32_t size = GetU32(Raw.data() + 8);
      if (size > MaxPayload) return fail(TDocReadStatus::DecompressFailure, "expanded size");
      try {
        TBytesStream source(Raw.data(), Raw.size());
        TMemoryStream dest;
        Compress.ExpandStream(dest, source);
        expanded = std::move(dest.Data);
      } catch (const EBadChecksum&) {
        return fail(TDocReadStatus::BadChecksum, "checksum");
      } catch (const std::bad_alloc&) {
        return fail(TDocReadStatus::DecompressFailure, "memory");
      } catch (const std::exception& e) {
        res.Status = TDocReadStatus::DecompressFailure;
        res.Detail = e.what();
        return res;
      }
      payload = &expanded;
    }
    version = payload->size() >= 4 ? GetU32(payload->data()) : 0;
    head = payload->data();
  }
  res.Version = version;
  if (version == 0 || version > 6) {
    res.Signed = payload->size() >= 11 && std::memcmp(head + 4, DocumentSignature, 7) == 0;
    return fail(TDocReadStatus::BadVersion, "version");
  }
  if (payload->size() < DocumentHeadSize) return fail(TDocReadStatus::Damaged, "head");
  if (std::memcmp(head + 4, DocumentSignature, 7) != 0) return fail(TDocReadStatus::BadSignature, "signature");

  // The record is read where it lies in the payload; only version 2's run-coded record is
  // expanded into a record of its own (the record is over half a megabyte).
  TDocumentRec rec;
  const std::vector<uint8_t>& p = *payload;
  const uint8_t* r = p.data() + DocumentHeadSize;
  if (version == 1) {
    if (p.size() < DocumentHeadSize + DocumentRecSize) return fail(TDocReadStatus::Damaged, "record size");
  } else if (version == 2) {
    if (p.size() < DocumentHeadSize + 8) return fail(TDocReadStatus::Damaged, "run table head");
    const uint32_t n = GetU32(p.data() + DocumentHeadSize + 4);
    rec.assign(DocumentRecSize, 0);
    if (ExpandRunBytes(p.data() + DocumentHeadSize + 8, p.size() - DocumentHeadSize - 8, n,
                       std::span<uint8_t>(rec.data(), rec.size())) < 0)
      return fail(TDocReadStatus::Damaged, "run table");
    r = rec.data();
  } else {
    if (p.size() < DocShapesOffset) return fail(TDocReadStatus::Damaged, "record size");
  }
  if (std::string bad = CheckRecordStrings(r, version); !bad.empty())
    return fail(TDocReadStatus::Damaged, "string length");
  UnpackDocumentRecord(r, version, Doc);
  Doc.ImageCount = 0;
  Doc.ImageRecs = TImageRecTable{};
  Doc.Shapes.clear();
  if (version >= 3) {
    Doc.ImageCount = GetI32(p.data() + DocImageCountOffset);
    std::memcpy(Doc.ImageRecs.data(), p.data() + DocImageTableOffset, sizeof(TImageObjectRec) * MaxImageObjects);
    if (version >= 5) Doc.Shapes.assign(p.begin() + DocShapesOffset, p.end());
  }
  // Old documents keep their shapes in the record; the newer ones have none there.
  if (version >= 5) Doc.OldShapeCount = 0;
  if (std::string bad = CheckDocument(Doc); !bad.empty()) {
    res.Status = TDocReadStatus::Damaged;
    res.Detail = bad;
    return res;
  }
  return res;
}

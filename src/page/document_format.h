// The document file (".zqv"): the byte layout of its payload, the page record TDocumentRec, and a
// reader that takes a file's bytes apart in all six versions and checks every count, length and
// value against its field before anything of the page is touched.
//
// A payload of version 6 is: u32 version, the seven characters "ZQVWARE", the page record
// (557,604 bytes), the image-object count (i32), the 100 image-object records (27,200 bytes) and
// the CAD engine's shapes stream. Versions 3 to 6 are stored in the compressed-stream container
// (LH5 when written); versions 1 and 2 are plain files, version 2 with the record run-length coded.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "page/page_tables.h"
#include "platform/win_types.h"

class TCompress;

constexpr uint32_t DocumentVersion = 6;
constexpr char DocumentSignature[8] = "ZQVWARE";
constexpr size_t DocumentHeadSize = 11;
constexpr size_t DocumentRecSize = 557604;
constexpr size_t DocumentCellCount = 4096;
constexpr size_t OldShapeRecCount = 256;
constexpr size_t OldShapeRecBytes = 740;
// Offsets of the payload.
constexpr size_t DocImageCountOffset = DocumentHeadSize + DocumentRecSize;  // 557,615
constexpr size_t DocImageTableOffset = DocImageCountOffset + 4;             // 557,619
constexpr size_t DocShapesOffset = DocImageTableOffset + 100 * 272;         // 584,819

// Offsets inside TDocumentRec.
namespace docrec {
constexpr size_t FontNames = 0x00000;  // 4096 x string[32]
constexpr size_t FontStyles = 0x21000;
constexpr size_t FontCharsets = 0x22000;
constexpr size_t FontSizes = 0x23000;  // u16
constexpr size_t FontColors = 0x25000;  // u32
constexpr size_t ZOrderFlags = 0x29000;
constexpr size_t CellOffsets = 0x2A000;  // i32
constexpr size_t CellPositions = 0x2E000;  // i32 x, i32 y
constexpr size_t CellCodes = 0x36000;
constexpr size_t OldShapes = 0x37000;  // 256 x 740
constexpr size_t PictureTable = 0x65400;  // 256 x 276
constexpr size_t PasteTable = 0x76800;  // 256 x 280
constexpr size_t PictureCount = 0x88000;
constexpr size_t OldShapeCount = 0x88001;
constexpr size_t PasteCount = 0x88002;
constexpr size_t LineHeight = 0x88003;
constexpr size_t MainFontSize = 0x88004;
constexpr size_t CurrentI = 0x88006;
constexpr size_t MetricFlag = 0x88008;
constexpr size_t CaretY = 0x88009;
constexpr size_t LeftMargin = 0x8800B;
constexpr size_t TopMargin = 0x8800F;
constexpr size_t BottomMargin = 0x88013;
constexpr size_t RightMargin = 0x88017;
constexpr size_t FontComboText = 0x8801B;  // string[255]
constexpr size_t CharsetText = 0x8811B;  // string[255]
constexpr size_t PageStyle = 0x8821B;
constexpr size_t SavedPixelsPerInch = 0x8821C;
constexpr size_t SavedPixelsPerInch2 = 0x88220;
// The main font, inside old shape record 0.
constexpr size_t MainFontColor = 0x3709C;
constexpr size_t MainFontName = 0x370A0;  // string[32]
constexpr size_t MainFontSizeInBlock = 0x370C2;
constexpr size_t MainFontStyle = 0x370C4;
constexpr size_t MainFontCharset = 0x370C5;
constexpr size_t ScriptPercent = 0x372DC;
constexpr size_t CustomOffset = 0x372E0;
}  // namespace docrec

// One character cell as the document stores it.
struct TDocumentCell {
  std::string FontName;  // stored in 32 bytes (FontNameToStoredBytes)
  uint8_t Style = 0;
  uint8_t Charset = 0;
  uint16_t Size = 0;
  uint32_t Color = 0;
  bool Front = false;  // drawn in the front text layer
  int32_t Offset = 0;
  TPoint Position;
  uint8_t Code = 0;
  friend bool operator==(const TDocumentCell&, const TDocumentCell&) = default;
};

// The main font and the script settings of the main-font dialog (version 6).
struct TMainFontBlock {
  uint32_t Color = 0;
  std::string Name;
  uint16_t Size = 0;
  uint8_t Style = 0;
  uint8_t Charset = 0;
  int32_t ScriptPercent = 0;
  int32_t CustomOffset = 0;
  friend bool operator==(const TMainFontBlock&, const TMainFontBlock&) = default;
};

// Everything a document holds, decoded.
struct TDocument {
  uint32_t Version = DocumentVersion;
  std::array<TDocumentCell, DocumentCellCount> Cells;
  std::vector<uint8_t> OldShapes = std::vector<uint8_t>(OldShapeRecCount * OldShapeRecBytes);
  TPictureTable PictureTable{};
  TPasteTable PasteTable{};
  uint8_t PictureCount = 0;
  uint8_t OldShapeCount = 0;
  uint8_t PasteCount = 0;
  uint8_t LineHeight = 0;
  uint16_t MainFontSize = 0;
  int16_t CurrentI = 1;
  uint8_t MetricFlag = 0;
  uint16_t CaretY = 0;
  float LeftMargin = 0, TopMargin = 0, BottomMargin = 0, RightMargin = 0;
  std::string FontComboText;
  std::string CharsetText;
  uint8_t PageStyle = 0;
  uint32_t SavedPixelsPerInch = 0;
  TMainFontBlock MainFont;
  int32_t ImageCount = 0;
  TImageRecTable ImageRecs{};
  std::vector<uint8_t> Shapes;  // the shapes stream (versions 5 and 6)
};

// The page record as bytes, zero-filled.
using TDocumentRec = std::vector<uint8_t>;

// Fills a zeroed record from the document (version 6 layout: no old shapes but the main-font block).
void PackDocumentRecord(const TDocument& Doc, TDocumentRec& Rec);
// The whole version-6 payload: head, record, image-object count and table, shapes stream.
std::vector<uint8_t> BuildDocumentPayload(const TDocument& Doc);
// Writes the document's payload, compressed with LH5, to FileName through a temporary file beside
// it that replaces the file only once complete: a failure (or the process ending) half-way leaves
// the previous file as it was. Raises on failure.
void WriteDocumentFile(const std::string& FileName, const std::vector<uint8_t>& Payload, TCompress& Compress);
// Takes every field back from a record of the given version.
void UnpackDocumentRecord(const uint8_t* Rec, uint32_t Version, TDocument& Doc);

// What reading a document file came to.
enum class TDocReadStatus {
  Ok,
  Empty,             // "Invalid File"
  BadVersion,        // version 0 or above 6 in the raw file and in the expanded stream
  BadSignature,      // not "ZQVWARE"
  BadChecksum,       // the container's checksum does not match
  DecompressFailure, // the container could not be expanded
  Damaged            // a count, length, index or size outside its field, or bytes missing
};

struct TDocReadResult {
  TDocReadStatus Status = TDocReadStatus::Ok;
  uint32_t Version = 0;  // the version found (also for BadVersion)
  bool Signed = false;   // BadVersion: the signature stands after the version (a document of another version)
  std::string Detail;    // what was wrong, for the debug log
};

// The largest expanded payload the reader accepts (a full page with many thousand figures is far
// below it).
constexpr uint32_t MaxDocumentPayload = 256u << 20;

// Reads a document from the bytes of its file. Doc is filled only as far as the result is Ok;
// every field is checked (see CheckDocument) before Ok is returned.
TDocReadResult ReadDocumentBytes(const std::vector<uint8_t>& Raw, TCompress& Compress, TDocument& Doc,
                                 uint32_t MaxPayload = MaxDocumentPayload);
// The checks of a decoded document: counts within their tables, string lengths within their
// fields (already cut while decoding), the caret cell, line height, pixels per inch, margins and
// font sizes within the ranges the page can use. Empty when sound, else what is wrong.
std::string CheckDocument(const TDocument& Doc);
// Version 2 records are rebuilt by the page text's run expansion (ExpandRunBytes, text/text_page.h).

// Bounds the reader holds the page to.
constexpr uint16_t MaxDocumentFontSize = 1638;
constexpr uint32_t MinDocumentPixelsPerInch = 24;
constexpr uint32_t MaxDocumentPixelsPerInch = 2400;
constexpr float MaxDocumentMargin = 100.0f;  // in inches or centimetres

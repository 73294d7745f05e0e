// The macros of the macro text window: 35 lines of up to 151 formatted characters each, their
// descriptions and spacings, and the byte stream and file in which the whole list is kept.
//
// Stream of N lines (little-endian, packed):
//   N x 7,860  line records (font names, styles, character sets, sizes, colours, offsets,
//              reserved, character codes, screen resolution)
//   N x 256    descriptions, length-prefixed
//   N x 1      spacings (0-5)
//   4          N
//   7          "ZQVWARE"
// A macro file is this stream in the compressed container. Streams without the signature are
// the older form: 35 blocks of 15,720 bytes whose first 7,860 bytes are a line record.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "page/page_tables.h"

class TStream;
class TCompress;

constexpr int MacroChars = 151;
constexpr int MacroLines = 35;
constexpr int MacroMaxSpacing = 5;
constexpr int MacroFontNameChars = 32;
constexpr int MacroLineRecSize = 7860;
constexpr int MacroDescriptionSize = 256;
constexpr int MacroLineStreamSize = MacroLineRecSize + MacroDescriptionSize + 1;  // 8,117
constexpr int MacroStreamTailSize = 11;
constexpr int OldMacroBlockSize = 15720;
extern const char MacroSignature[8];  // "ZQVWARE"

// The in-memory form of one macro.
struct TMacroLineBuffer {
  std::array<uint8_t, MacroChars> Chars{};
  std::array<int16_t, MacroChars> Offsets{};
  std::array<TFontRec, MacroChars> Fonts{};
};
static_assert(sizeof(TMacroLineBuffer) == 10120);

// Every font record "Arial", 12 points, black, no style, character set 1.
void InitFontRecs(TMacroLineBuffer& Buffer);

struct TMacroLine {
  TMacroLineBuffer Buffer;
  std::string Description;
  int Spacing = 0;
  bool Checked = false;

  TMacroLine() { InitFontRecs(Buffer); }
  // True when all characters are below 33.
  bool IsBlank() const;
  // Initial fonts, offsets 0; characters 0 and 1 spaces, the rest 0.
  void ClearChars();
};

// The column of macros without its controls.
class TMacroList {
public:
  explicit TMacroList(int LineCount = MacroLines) : Lines(size_t(LineCount)) {}

  std::vector<TMacroLine> Lines;
  bool Modified = false;
  int CurrentLine = 0;  // 1-based; 0 until a line is touched

  int LineCount() const { return int(Lines.size()); }
  void ClearLine(int n);
  void ClearAll();
  void CopyLineData(TMacroLineBuffer& Dest, const TMacroLineBuffer& Source);
  // Moves the macro (data and description) at position Source to position Target; the lines
  // between shift by one. Spacings and check states stay with their positions.
  void MoveLine(int Target, int Source);
  bool AnyChecked() const { return FirstChecked() >= 0; }
  int FirstChecked() const;
  int LastChecked() const;

  void SaveToStream(TStream& Stream, int PixelsPerInchX = 96, int PixelsPerInchY = 96);
  // Reads a whole stream. The stream is checked first (its size must agree with its count, font
  // names must fit their field); a damaged stream raises EMacroStreamError or EMacroRangeError
  // and leaves the list as it was.
  void LoadFromStream(TStream& Stream);
};

// Packs a line into the 7,860-byte record and back (dropping leading empty positions).
void PackLine(const TMacroLineBuffer& Buffer, uint8_t* Rec, int PixelsPerInchX, int PixelsPerInchY);
void UnpackLine(const uint8_t* Rec, TMacroLineBuffer& Buffer);

// Converts the older stream into the current one: 35 records, "No Description", spacing 1.
// Raises EMacroStreamError when the source is shorter than 35 blocks.
void ConvertOldMacroFile(TStream& Source, TStream& Dest);

// The largest expanded macro file the reader accepts.
constexpr uint32_t MaxMacroFileExpanded = 16u << 20;

enum class TMacroReadStatus { Ok, BadChecksum, ContainerFailure, StreamError, RangeError };
struct TMacroReadResult {
  TMacroReadStatus Status = TMacroReadStatus::Ok;
  bool Converted = false;  // the file held the older stream
  std::string Message;     // the program's message for a failure
};

// Reads a macro file's bytes into List; on failure List keeps its macros.
TMacroReadResult ReadMacroFileBytes(const std::vector<uint8_t>& Raw, TCompress& Compress, TMacroList& List,
                                    const std::string& FileName = "");
// The compressed file bytes of the list (method LH5).
std::vector<uint8_t> BuildMacroFileBytes(TMacroList& List, TCompress& Compress);
// Writes the macro file through the temporary-file writer.
void SaveMacroFileTo(const std::string& FileName, TMacroList& List, TCompress& Compress);

// The description of the page cells Start..End-1 built on import: the runs of characters, "¬"
// (code 172) for each line break between them, without codes below 33 and without code 185.
// Codes holds the page's cell codes; nothing past CodeCount is read.
std::string BuildLineText(int Start, int End, const uint8_t* Codes, size_t CodeCount);

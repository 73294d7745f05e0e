// The page's own text clipboard format: a 32-bit count, then one 67-byte record per cell (the
// cell's font as a 64-byte font record, its character byte, its 16-bit vertical offset), all
// little-endian.
//
// The font record has the layout of the undo store's font record, but the clipboard writes the
// name as Windows-1252 text, as the other programs reading the format expect, while the undo store
// keeps the name's bytes as they are so that every font name comes back unchanged. So the two keep
// their own reader and writer (this one in the namespace below so that they never clash).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/font.h"

namespace textclip {

constexpr size_t FontRecSize = 64;
constexpr size_t ClipTextRecSize = 67;
constexpr size_t FontRecNameMax = 50;

// The one form of the 64-byte font record, for the text clipboard, text undo and macro lines:
// name (length byte and at most 50 bytes, Windows-1252), size, colour, style, character set; the
// reserved bytes are written as 0. A name with a character Windows-1252 cannot hold is kept as
// UTF-8 instead (cut at a character), so that no font name is lost.
void FontToRecord(const TFont& Font, uint8_t* Rec);
// Reads a record written by anyone: a length byte above 50 is cut to 50, style bits beyond the
// four styles are dropped, a size outside 1..1638 points is brought into that range. A name whose
// bytes are well-formed UTF-8 with characters beyond ASCII reads as UTF-8 (records of earlier
// builds, and names Windows-1252 cannot hold); any other name reads as Windows-1252.
void RecordToFont(const uint8_t* Rec, TFont& Font);

// One cell as the clipboard carries it.
struct TClipTextRec {
  TFont Font;
  uint8_t Ch = 0;
  int16_t Offset = 0;
};

// The block for a run of cells.
std::vector<uint8_t> EncodeClipText(const std::vector<TClipTextRec>& Records);

// Reads a block. False when it is not a well-formed block of this format: shorter than 4 bytes or
// with a count that its size cannot hold. Bytes after the last record are ignored.
bool DecodeClipText(std::span<const uint8_t> Data, std::vector<TClipTextRec>& Records);

}  // namespace textclip

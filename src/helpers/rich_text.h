// Rich text: a small reader and writer of the Rich Text Format for the character formats the page
// reads and writes, in place of a hidden rich-edit control.
//
// The reader walks the document's groups and control words and gives every character of the body
// text its character format: font name and character set (from the font table), size, bold,
// italic, underline, strike-out, colour (from the colour table), the sub- and superscript effects
// and the vertical offset. Paragraph and line breaks end lines; a tab is the character 9.
// Destinations it does not know (font and colour tables aside: styles, pictures, fields' hidden
// parts, information blocks, every "\*" group) are skipped whole; unknown control words are
// ignored. Nesting depth, numbers, table sizes and the text length are bounded, so hostile input
// costs bounded time and memory.
//
// TZQVRichEdit keeps the parsed text like the rich edit it stands in for: lines, a selection
// (SelStart, SelLength over the text with one line break counted as two characters, CR LF) and
// the character format of the selection's first character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/font.h"
#include "platform/win_types.h"

// The character format of one run: what the character-format records of a rich edit carry.
struct TRichCharFormat {
  std::string FaceName = "Times New Roman";
  TFontCharset Charset = ANSI_CHARSET;
  int SizeHalfPoints = 24;   // \fs: size in half points
  TFontStyles Style = 0;     // bold, italic, underline, strike-out bits
  TColor Color = clBlack;
  bool Subscript = false;    // effect bit 16 (value 65536)
  bool Superscript = false;  // effect bit 17 (value 131072)
  int OffsetTwips = 0;       // vertical offset, positive upwards (\up, \dn in half points x 10)
  bool operator==(const TRichCharFormat&) const = default;
};

// Limits of the reader.
constexpr int RichMaxDepth = 100;              // nested groups; deeper groups are skipped whole
constexpr size_t RichMaxTextLength = 1 << 20;  // characters kept of the body text
constexpr int RichMaxTableEntries = 4096;      // fonts and colours

class TZQVRichEdit {
public:
  TZQVRichEdit() = default;

  // Replaces the contents with the parsed document; false (and empty contents) when the data is
  // not rich text at all (no "{\rtf" at the start).
  bool LoadRtf(std::string_view rtf);
  void Clear();

  // The text as lines of bytes (Windows-1252 for ordinary fonts, the byte itself for symbol
  // fonts), without their line breaks.
  const std::vector<std::string>& Lines() const { return LineTexts; }
  // Length of the text with each line break counted as two characters.
  int TextLength() const;
  // The text, lines joined by CR LF.
  std::string Text() const;

  // The selection, in the character positions of Text(); MaxLength 0 means no limit.
  int SelStart = 0;
  int SelLength = 0;
  int MaxLength = 0;
  // The character format at the selection start (the document's default format when the text is
  // empty or the selection lies beyond it).
  TRichCharFormat SelFormat() const;
  // The format of character Index of line Line.
  const TRichCharFormat& FormatAt(size_t Line, size_t Index) const;
  // Position in Text() of the first character of line Line.
  int LineStart(size_t Line) const;

  // Everything the parser built, for tests and fuzzing.
  size_t FormatCount() const { return Formats.size(); }

private:
  friend class TRtfParser;
  std::vector<std::string> LineTexts;
  std::vector<std::vector<uint16_t>> LineFormats;  // index into Formats per character
  std::vector<TRichCharFormat> Formats;
  TRichCharFormat DefaultFormat;
  uint16_t FormatIndex(const TRichCharFormat& f);
};

// Copies the selection's attributes into Font: name, character set, style, size and colour.
void SelAttributesToFont(const TZQVRichEdit& RichEdit, TFont& Font);
// The vertical offset of the selection in points (twips div 20).
int32_t GetSelScriptOffset(const TZQVRichEdit& RichEdit);
// 6 for the subscript effect, else 4 for the superscript effect, else by the offset: positive 4,
// negative 6, zero 7.
uint8_t GetSelScriptKind(const TZQVRichEdit& RichEdit);
// The same rules on a format of its own.
uint8_t ScriptKindOfFormat(const TRichCharFormat& f);

// Writing: runs of bytes with their formats, one document. Line breaks within a run's text
// ("\r\n" or "\n") become paragraph ends, tab characters \tab.
struct TRichRun {
  std::string Text;  // bytes as the cells hold them
  TRichCharFormat Format;
};
std::string WriteRtf(const std::vector<TRichRun>& Runs);

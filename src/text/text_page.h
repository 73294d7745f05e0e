// The character-cell text of the page: the cell table, its layout, the caret and selection,
// typing and deletion, character styles and scripts, and the text keys.
//
// The page text is a fixed table of 4096 cells (cell 0 is a template cell that is never drawn;
// a page holds cells 1 to 4095). Every cell carries its own character byte, font object, pixel
// position, vertical offset and layer. TTextPage holds the table and the text routines; the main
// window class inherits it, so the routines run on the one page of the one main window. What the
// routines need of the window they ask of their host (text_host.h).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "helpers/text_block_layout.h"  // IsSymbolFontChar
#include "platform/font.h"
#include "platform/keys.h"
#include "platform/win_types.h"
#include "text/page_geometry.h"
#include "text/text_clip_format.h"
#include "text/text_host.h"

class QObject;
class TCanvas;
class TStream;

// The font of every character cell and of the typing fonts: a plain font with a copy operation.
class TMyFont : public TFont {
public:
  using TFont::TFont;
  TMyFont() = default;
  explicit TMyFont(const TFont& other) : TFont(other) {}
  TMyFont& operator=(const TFont& other) {
    Assign(other);
    return *this;
  }
};

// Capacities of the cell table.
constexpr int MaxCharacters = 4095;
constexpr int CellCount = 4096;

// Script kinds of a cell.
constexpr int skSuperscript = 4;
constexpr int skMidscript = 5;
constexpr int skSubscript = 6;
constexpr int skNone = 7;

// Style flags of the style commands (bold 1, italic 2, underline 4, strikeout 8 as the font style
// bits; 16, 32, 64 summarise the scripts of a selection).
constexpr uint8_t sfBold = 1, sfItalic = 2, sfUnderline = 4, sfStrikeOut = 8;
constexpr uint8_t sfSuperscript = 16, sfMidscript = 32, sfSubscript = 64;

// The ZQVSerif codes that are drawn glyphs of special size or placement.
bool InSpecialSerifCodes(uint8_t code);

// Character codes with a meaning of their own.
constexpr uint8_t chMicroSpace = 136;  // ZQVSerif: the one-pixel micro space
constexpr uint8_t chMarker = 168;      // ZQVSerif: a marker cell, never drawn
constexpr uint8_t chTabMark = 185;     // ZQVSerif: the tab glyph

// Insertion point and caret searches.
extern TPoint CaretPos;       // pixel position of the insertion point
extern int16_t CaretY;        // copy of CaretPos.Y
extern TRect CaretHitRect;    // hit rectangle of the last point-to-cell search
extern int16_t LastLaidOutCell;

// The typing fonts (created with the cell fonts by InitTextPage).
extern TMyFont* TypingFont;
extern TMyFont* StandardFont;
extern TMyFont* NextCharFont;

// A main font chosen in the main font dialog waits for the next typed character.
extern bool MainFontPending;

// The message of the cell limit (typing or inserting with the table full).
extern const char* const kCellLimitMessage;

// One cell as the clipboard and the paste routines carry it.
using TCellRecord = textclip::TClipTextRec;

// Case-insensitive font-name test.
bool SameFontName(const std::string& a, const char* b);

// Pixel width of one character byte in a font, as the page lays it out (screen resolution).
int CellTextWidth(const TFont& font, uint8_t ch);

// Adds the special fonts from the program's fonts folder (or the build's) when their families are
// missing; false when one of them could not be made available. Start-up has its own check; test
// programs and tools that run without it call this.
bool AddSpecialFonts();

// The run-length coding of old (version 2) page records: RunCount + 1 run records (position and
// count, two little-endian u32) and then the literal bytes. The literal whose number (from 1)
// is a run's position is written count times. Runs must have rising positions and counts of at
// least 1, their literals must be present and the output must fit Dest. Returns the bytes of Data
// used, or -1 for damaged runs (nothing is written past Dest either way).
int64_t ExpandRunBytes(const uint8_t* Data, size_t Size, uint32_t RunCount, std::span<uint8_t> Dest);

class TTextPage {
public:
  TTextPage();
  virtual ~TTextPage();
  TTextPage(const TTextPage&) = delete;
  TTextPage& operator=(const TTextPage&) = delete;

  // The cell table.
  std::array<uint8_t, CellCount> CharCodes{};
  std::array<std::unique_ptr<TMyFont>, CellCount> CharFonts;
  std::array<TPoint, CellCount> CharPositions{};
  std::array<int32_t, CellCount> CharOffsets{};
  std::array<bool, CellCount> CharZOrder{};

  // The window side: set by the owner before InitTextPage, never null afterwards.
  TTextHost* Host = nullptr;

  // Caret and selection.
  int32_t CurrentI = 1;
  int32_t SelStart = 0;
  int32_t SelEnd = 0;
  TPoint CaretPoint;

  // Start-up and shutdown: the 4096 cell fonts and the typing fonts.
  void InitTextPage();
  void FreeFonts();
  bool TextPageReady() const { return CharFonts[0] != nullptr; }

  // ---- Cells and layout ----
  void ClearTextBuffers();
  void FillCanvas();
  void LayoutTextCells();
  void MoveCaretTo(TPoint P);
  void SetModified();
  void ShiftDataUp(int32_t Index, int32_t Count);
  void ShiftDataDown(int32_t Index, int32_t Count);
  int32_t LastUsedIndex();
  const TFont* FontBefore(int32_t Index);
  bool IsSpecialCell(int32_t Index);
  int32_t ScriptFontSize(int32_t Size);
  int32_t ScriptOffset(int32_t Size, int32_t Kind);
  int32_t CellScriptKind(int32_t Index);
  // Paste records are 280 bytes, image-object records 272; the rectangle lies 256 bytes in.
  void RescalePasteRects(int32_t OldDpi, int32_t NewDpi, int32_t LastIndex, std::span<uint8_t> Table);
  void RescaleImageRects(int32_t OldDpi, int32_t NewDpi, int32_t LastIndex, std::span<uint8_t> Table);
  bool ExpandRunLengths(std::span<uint8_t> Dest, TStream* Stream, uint32_t RunCount);

  // ---- Caret and selection ----
  void SetCaretPosition(QObject* Sender, TShiftState Shift, int32_t Index);
  void AppRestore();
  void CaretFromPoint(int X, int Y, uint16_t Key);
  void MoveToNearestLineEnd(int X, int Y);
  void ClearSelection(bool ClearRange);
  void ClearSelectionRange();
  void SelectAll1Click(QObject* Sender);
  bool HasTextSelection() const { return SelEnd > SelStart; }
  void HighlightChar(int32_t Index);
  void UnhighlightChar(int32_t Index);
  void PrepareTextCanvas(TCanvas* Canvas);

  // ---- Typing, line breaks and deletion ----
  void FormKeyPress(QObject* Sender, char& Key);
  bool InsertChar(QObject* Sender, TCanvas* Canvas, bool DoDraw, const TFont& Font, int16_t Offset, uint8_t Ch);
  void OvertypeChar(TCanvas* Canvas, int32_t Index, bool DoDraw, int16_t Offset, const TFont& Font, uint8_t Ch);
  bool NewLine(QObject* Sender, TShiftState Shift, bool Interactive);
  void DeleteKey(QObject* Sender, TShiftState Shift);
  void BackspaceKey(QObject* Sender, TShiftState Shift);
  void DeleteCharAtCaret(QObject* Sender, TCanvas* Canvas, bool DoDraw);
  void BackspaceAtLineStart(int32_t& Index);
  bool ClearScriptButtons();
  bool MainFontIsSymbolFont();
  // Draws cells First..Last of one line in their fonts (or erases them in the background colour).
  void RedrawLine(TCanvas* Canvas, int32_t First, int32_t Last, bool Erase);

  // ---- Styles, scripts and attributes ----
  void BoldClick(QObject* Sender);
  void _ItalicsClick(QObject* Sender);
  void Underline2Click(QObject* Sender);
  void Strikeout2Click(QObject* Sender);
  void tbBoldClick(QObject* Sender) { BoldClick(Sender); }
  void tbItalicsClick(QObject* Sender) { _ItalicsClick(Sender); }
  void _SuperScriptClick(QObject* Sender);
  void _SubscriptsClick(QObject* Sender);
  void _MidScriptClick(QObject* Sender);
  void Normal1Click(QObject* Sender);
  void ApplyStyleToSelection(QObject* Sender, int Kind, bool Remove);
  bool ChangeSelectionStyle(QObject* Sender, int Kind, bool Remove);
  void UpdateStyleButtons(QObject* Sender, bool UseSelection, uint16_t Key);
  void SetStyleButtonsFromFont(const TFont& Font);
  void ChangeSelectedTextAttributes1Click(QObject* Sender);
  void ApplyFontToSelection(QObject* Sender, uint8_t Mask, const TFont& Font, int32_t OldSize);
  void BringToFront1Click(QObject* Sender);
  void Format1Click(QObject* Sender);
  void DeleteText1Click(QObject* Sender);
  void SaveDefaults1Click(QObject* Sender);
  bool IsPrefixCell(int32_t Index);
  bool IsSpecialFontChar(const TFont& Font, uint8_t Ch);
  static uint8_t StyleToFlags(TFontStyles Style);
  static TFontStyles FlagsToStyle(uint8_t Flags);

  // ---- Line prefixes, indent and trim (text_prefixes.cpp) ----
  // Prefix kinds: 0 bullet, 1 tab, 2 double arrow, 3 space, 4 number, 5 full stop.
  void Tab1Click(QObject* Sender, int Kind);
  void InsertLinePrefixes(QObject* Sender, int Kind);
  bool RemoveBullets();
  // Trim: 0 left, 1 right, 2 both.
  void Right1Click(QObject* Sender, int Which);
  void TrimLineStarts(int32_t& SelStart, int32_t& SelEnd);
  void TrimLineEnds(int32_t& SelStart, int32_t& SelEnd);

  // ---- Wrapping, blank lines, statistics (text_wrap.cpp) ----
  void WrapSelectiontoMargin1Click(QObject* Sender);
  // RightX is the ruler arrow's position.
  void WraptoX1Click(QObject* Sender, int RightX);
  bool WrapCells(int LeftX, int RightX, bool PreserveCR, int32_t& SelEnd, int32_t& SelStart);
  void PadLineEnds(int32_t& SelStart, int32_t& SelEnd);
  int WrapCapacityCheck(int LeftX, int RightX, const std::array<int32_t, 6>& Stats);
  void CountWords(int32_t From, int32_t To, std::array<int32_t, 6>& Stats);
  void StripBlankLines1Click(QObject* Sender);
  void InsertBlankLines1Click(QObject* Sender);
  bool StripBlankLines(QObject* Sender);
  bool InsertBlankLines(QObject* Sender);
  int32_t BuildWordList();
  // The text lines of the Information window (last character, characters, words).
  std::vector<std::string> TextInformationLines();

  // ---- Palettes, micro-spacing, font steps (text_palette.cpp) ----
  // The palette groups by the panel that holds the clicked button.
  enum class PaletteGroup { StdGreek, Arrows, LgBkts, LgRoot, Custom, HorzBkts, LgCust };
  // Inserts the first character of Caption with the button's font, sized and placed by Group.
  void Panel20Click(QObject* Sender, PaletteGroup Group, const std::string& Caption, const TFont& ButtonFont);
  // One step of the three micro buttons: raise, lower, insert a micro space.
  void Timer1Timer(QObject* Sender);
  void Timer2Timer(QObject* Sender);
  void Timer3Timer(QObject* Sender);
  // The cell before the caret may be nudged (a character other than a space or micro space).
  bool CanNudgeCharBefore();
  void FontUpClick(QObject* Sender);
  void FontDown1Click(QObject* Sender);

  // ---- Text clipboard (text_clipboard.cpp) ----
  void CutSelectedText1Click(QObject* Sender);
  void CopySelectedText1Click(QObject* Sender);
  void PasteSelectedText1Click(QObject* Sender);
  void CutSelectedText(QObject* Sender);
  void CopyTextToClipboard();
  void KeyBufAsText(std::vector<std::string>& List, int32_t& Start, int32_t& End);
  bool FindPasteFormat(unsigned& Format);
  // The caption of a paste item ("&" + text) or the hint of the paste button.
  std::string PasteCaptionText();
  bool PasteZQVText(QObject* Sender);
  bool PasteAsciiText(QObject* Sender);
  bool PasteRichText();
  // Text: Windows-1252 bytes.
  void LoadASCII(QObject* Sender, std::string Text);
  // Inserts cells at the caret as pasting does: code 0 is a line break whose line-end cell takes
  // the font of the cell before it, codes 1 to 31 are skipped. Stops at the first refusal (page
  // full) with its message; returns the number of records that went in.
  size_t InsertCellRecords(QObject* Sender, const std::vector<TCellRecord>& Records);

  // ---- Keys and caret movement ----
  void FormKeyDown(QObject* Sender, uint16_t& Key, TShiftState Shift);
  void FormKeyUp(QObject* Sender, uint16_t& Key, TShiftState Shift);
  void CaretLeft(QObject* Sender, TShiftState Shift);
  void CaretRight(QObject* Sender, TShiftState Shift);
  void CaretUp(QObject* Sender, TShiftState Shift);
  void CaretDown(QObject* Sender, TShiftState Shift);
  void HomeKey(QObject* Sender, TShiftState Shift);
  void doVK_End(QObject* Sender, TShiftState Shift);
  void ExtendSelection(int32_t Index, uint16_t Key);
  // The key-press handler is taken away while Ctrl is held (Ctrl combinations never type).
  bool KeyPressEnabled = true;

  // ---- Typing state
  bool TextBurst = false;           // a run of line breaks, deletions or pasted characters
  bool DeleteUndoTaken = false;     // the current Delete key burst took its text snapshot
  bool BackspaceUndoTaken = false;  // the current Backspace key burst took its text snapshot
  int32_t PaletteInsertCount = 0;   // characters inserted from the palettes since the last typed one

  // Cells from 4095 down to 1: the highest whose code is 32 or more (0 when none).
  int32_t LastTextCell() const;
  // Cells from 1 up: the lowest whose code is 32 or more (1 when none below 4095).
  int32_t FirstTextCell() const;

protected:
  // The cell after the caret has a position.
  bool NextCellPlaced();
  // Last cell of the line that holds Index (its line end, or the last laid-out cell).
  int32_t LineEndOf(int32_t Index);
  // Font size used for the caret height, with the failure fallback of caret placement.
  int CaretHeightFor(int32_t Index);
  void DrawCell(TCanvas* Canvas, int32_t Index, int X, bool Erase);
  void DrawCellWith(class TCellPainter& Painter, int32_t Index, int X, bool Erase);
};


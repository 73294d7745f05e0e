// The cell table: start-up, blank page, layout, opening and closing gaps, script sizes and
// offsets, and the run-length expansion used by old documents.
#include <algorithm>
#include <cctype>
#include <vector>

#include <QApplication>

#include "platform/canvas.h"
#include "platform/exceptions.h"
#include "platform/numeric.h"
#include "platform/process_messages.h"
#include "platform/streams.h"
#include "text/text_glue.h"
#include "text/text_page.h"

TPoint CaretPos;
int16_t CaretY = 0;
TRect CaretHitRect;
int16_t LastLaidOutCell = 0;

TMyFont* TypingFont = nullptr;
TMyFont* StandardFont = nullptr;
TMyFont* NextCharFont = nullptr;

bool InSpecialSerifCodes(uint8_t code) {
  switch (code) {
    case 127: case 128: case 141: case 142: case 143: case 144:
    case 157: case 158: case 167: case 182: case 185:
      return true;
    default:
      return false;
  }
}

bool SameFontName(const std::string& a, const char* b) {
  size_t n = std::char_traits<char>::length(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool MainFontPending = false;

TTextPage::TTextPage() = default;

TTextPage::~TTextPage() { FreeFonts(); }

void TTextPage::InitTextPage() {
  if (!StandardFont) StandardFont = new TMyFont(TFont("Times New Roman", 12, 0, clBlack, ANSI_CHARSET));
  if (!TypingFont) TypingFont = new TMyFont(*StandardFont);
  if (!NextCharFont) NextCharFont = new TMyFont(*StandardFont);
  for (auto& f : CharFonts) f = std::make_unique<TMyFont>(*StandardFont);
  CurrentI = 1;
}

void TTextPage::FreeFonts() {
  for (auto& f : CharFonts) f.reset();
  delete TypingFont;
  delete StandardFont;
  delete NextCharFont;
  TypingFont = StandardFont = NextCharFont = nullptr;
}

void TTextPage::ClearTextBuffers() {
  CurrentI = 1;
  CharCodes.fill(0);
  // A new page starts with every cell in the back layer.
  CharZOrder.fill(false);
  for (int i = 0; i < MaxCharacters; ++i) {
    CharPositions[i] = TPoint(0, 0);
    CharFonts[i]->Assign(*StandardFont);
  }
  CharPositions[1] = TPoint(lMargin, tMargin);
  CharCodes[1] = 32;
  MoveCaretTo(CharPositions[1]);
}

void TTextPage::FillCanvas() {
  const TFont& main = Host->MainFont();
  CharFonts[0]->Assign(main);
  CharPositions[1] = TPoint(lMargin, tMargin);
  CharOffsets.fill(0);
  int i = 1;
  try {
    int y = tMargin;
    // The grid of empty lines reaches down to twice the page height, never beyond cell 4094.
    while (y < 2 * int(PageHeight) && i < MaxCharacters - 1) {
      CharCodes[i] = 0;
      CharFonts[i]->Assign(main);
      ++i;
      CharPositions[i] = TPoint(lMargin, y + LineHeight);
      y += LineHeight;
    }
  } catch (...) {
    TextUnknownError("FillCanvas");
    i = 2000;
  }
  for (int k = i + 1; k <= MaxCharacters; ++k) CharPositions[k].Y = 0;
  CurrentI = 1;
  MoveCaretTo(CharPositions[1]);
  SetCaretPosition(nullptr, 0, 0);
}

void TTextPage::LayoutTextCells() {
  CharPositions[1] = TPoint(lMargin, tMargin);
  CharOffsets[0] = 0;
  CharOffsets[1] = 0;
  CharFonts[0]->Assign(*CharFonts[1]);
  int y = tMargin;
  for (int i = 2; i < MaxCharacters; ++i) {
    if (CharCodes[i - 1] == 0) {
      y += LineHeight;
      CharPositions[i] = TPoint(lMargin, y);
      CharOffsets[i] = 0;
    } else {
      CharPositions[i] = TPoint(CharPositions[i - 1].X + CellTextWidth(*CharFonts[i - 1], CharCodes[i - 1]) + 1, y);
    }
  }
  MoveCaretTo(CharPositions[std::clamp(CurrentI, 1, MaxCharacters)]);
}

void TTextPage::MoveCaretTo(TPoint P) {
  CaretPos = P;
  CaretY = int16_t(P.Y);
  if (TCanvas* c = Host->PageCanvas()) c->MoveTo(P.X, P.Y);
}

void TTextPage::SetModified() {
  Host->SetDocumentModified();
}

void TTextPage::ShiftDataUp(int32_t Index, int32_t Count) {
  // The gap must lie inside the table: cells Index .. Index + Count - 1 with Index >= 1 and
  // Index + Count <= 4096. Anything else would write past the arrays.
  if (CellCount - Count < 1 || Count < 0 || Index < 1 || int64_t(Index) + Count > CellCount)
    throw Exception("Unable to shift data up: MaxCharacters - count < 1");
  if (Count == 0) return;
  // The fonts of the top Count cells become the gap cells' fonts; every other reference moves up.
  std::rotate(CharFonts.begin() + Index, CharFonts.begin() + (CellCount - Count), CharFonts.end());
  const TFont& main = Host->MainFont();
  for (int k = Index; k < Index + Count; ++k) {
    const TFont& before = *CharFonts[k - 1];
    if (before.Charset == SYMBOL_CHARSET || before.Name == "Period")
      CharFonts[k]->Assign(main);
    else
      CharFonts[k]->Assign(before);
  }
  const int moved = CellCount - Count - Index;
  std::copy_backward(CharPositions.begin() + Index, CharPositions.begin() + Index + moved, CharPositions.end());
  std::copy_backward(CharZOrder.begin() + Index, CharZOrder.begin() + Index + moved, CharZOrder.end());
  std::copy_backward(CharOffsets.begin() + Index, CharOffsets.begin() + Index + moved, CharOffsets.end());
  std::copy_backward(CharCodes.begin() + Index, CharCodes.begin() + Index + moved, CharCodes.end());
}

void TTextPage::ShiftDataDown(int32_t Index, int32_t Count) {
  if (Index - Count > MaxCharacters || Count < 0 || Index < 1 || int64_t(Index) + Count > CellCount)
    throw Exception("Unable to shift data down: CurrentI - count > MaxCharacters-1");
  if (Count == 0) return;
  const int caret = std::clamp(CurrentI, 0, MaxCharacters);
  const TPoint caretPos = CharPositions[caret];
  // The closed cells' font objects go to the top and are reset to the main font.
  std::rotate(CharFonts.begin() + Index, CharFonts.begin() + Index + Count, CharFonts.end());
  const TFont& main = Host->MainFont();
  for (int k = CellCount - Count; k < CellCount; ++k) CharFonts[k]->Assign(main);
  std::copy(CharPositions.begin() + Index + Count, CharPositions.end(), CharPositions.begin() + Index);
  std::copy(CharZOrder.begin() + Index + Count, CharZOrder.end(), CharZOrder.begin() + Index);
  std::copy(CharOffsets.begin() + Index + Count, CharOffsets.end(), CharOffsets.begin() + Index);
  std::copy(CharCodes.begin() + Index + Count, CharCodes.end(), CharCodes.begin() + Index);
  // The top cells keep their position and layer values.
  for (int k = CellCount - Count; k < CellCount; ++k) {
    CharOffsets[k] = 0;
    CharCodes[k] = 0;
  }
  if (caretPos.X == lMargin) CharPositions[caret] = caretPos;
}

int32_t TTextPage::LastUsedIndex() {
  if (CharPositions[1].Y == 0) return CurrentI;
  for (int i = 2; i < MaxCharacters; ++i)
    if (CharPositions[i].Y == 0) return i - 1;
  return MaxCharacters - 1;
}

int32_t TTextPage::LastTextCell() const {
  const auto& codes = CharCodes;
  for (int i = MaxCharacters; i >= 1; --i)
    if (codes[i] >= 32) return i;
  return 0;
}

int32_t TTextPage::FirstTextCell() const {
  const auto& codes = CharCodes;
  for (int i = 1; i < MaxCharacters; ++i)
    if (codes[i] >= 32) return i;
  return 1;
}

const TFont* TTextPage::FontBefore(int32_t Index) {
  if (Index < 1) return &Host->MainFont();
  // A micro space carries no text font (its own is "ZQVSerif" without a colour): it is passed
  // over like the special cells, or text typed after it would be invisible.
  for (int j = std::min(Index, CellCount) - 1; j >= 1; --j)
    if (CharOffsets[j] == 0 && !IsSpecialCell(j) &&
        !(CharCodes[j] == chMicroSpace && SameFontName(CharFonts[j]->Name, "ZQVSerif")))
      return CharFonts[j].get();
  return CharFonts[0].get();
}

bool TTextPage::IsSpecialCell(int32_t Index) {
  if (Index < 0 || Index >= CellCount) return false;
  const std::string& name = CharFonts[Index]->Name;
  return (SameFontName(name, "ZQVSerif") && InSpecialSerifCodes(CharCodes[Index])) ||
         SameFontName(name, "ZQVRelMath");
}

int32_t TTextPage::ScriptFontSize(int32_t Size) { return MulDiv(Size, Host->ScriptPercent(), 100); }

int32_t TTextPage::ScriptOffset(int32_t Size, int32_t Kind) {
  switch (Kind) {
    case skSuperscript:
      return int16_t(ScriptFontSize(Size) / 3 - Size);
    case skMidscript:
      return Host->CustomOffset();
    case skSubscript:
      return ScriptFontSize(Size) / 2;
    default:
      return 0;
  }
}

int32_t TTextPage::CellScriptKind(int32_t Index) {
  if (Index < 1 || Index >= CellCount) return skNone;
  try {
    const int16_t o = int16_t(CharOffsets[Index]);
    const int size = FontBefore(Index)->Size();
    if (o == int16_t(ScriptOffset(size, skSuperscript))) return skSuperscript;
    if (o == int16_t(Host->CustomOffset())) return skMidscript;
    if (o == int16_t(ScriptOffset(size, skSubscript))) return skSubscript;
  } catch (const Exception&) {
    // A font size whose script offsets overflow has no script kind.
  }
  return skNone;
}

namespace {

int32_t GetLE32(const uint8_t* p) { return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24); }
void PutLE32(uint8_t* p, int32_t v) {
  for (int k = 0; k < 4; ++k) p[k] = uint8_t(uint32_t(v) >> (8 * k));
}
void PutLE16(uint8_t* p, int16_t v) {
  p[0] = uint8_t(uint16_t(v));
  p[1] = uint8_t(uint16_t(v) >> 8);
}

// Scales the rectangle 256 bytes into each record 0..LastIndex; returns the records touched.
int RescaleRects(int32_t OldDpi, int32_t NewDpi, int32_t LastIndex, std::span<uint8_t> Table, size_t RecordSize,
                 bool PastePositions) {
  if (LastIndex < 0 || OldDpi == 0) return 0;
  const size_t records = Table.size() / RecordSize;
  const int last = int(std::min<size_t>(size_t(LastIndex), records == 0 ? 0 : records - 1));
  if (records == 0) return 0;
  const double factor = double(NewDpi) / double(OldDpi);
  for (int r = 0; r <= last; ++r) {
    uint8_t* rect = Table.data() + r * RecordSize + 256;
    int32_t v[4];
    for (int k = 0; k < 4; ++k) {
      v[k] = Round32(GetLE32(rect + 4 * k) * factor);
      PutLE32(rect + 4 * k, v[k]);
    }
    if (PastePositions) {
      PutLE16(rect + 16, int16_t(v[1]));  // Top
      PutLE16(rect + 18, int16_t(v[0]));  // Left
    }
  }
  return last + 1;
}

}  // namespace

void TTextPage::RescalePasteRects(int32_t OldDpi, int32_t NewDpi, int32_t LastIndex, std::span<uint8_t> Table) {
  RescaleRects(OldDpi, NewDpi, LastIndex, Table, 280, true);
}

void TTextPage::RescaleImageRects(int32_t OldDpi, int32_t NewDpi, int32_t LastIndex, std::span<uint8_t> Table) {
  RescaleRects(OldDpi, NewDpi, LastIndex, Table, 272, false);
}

int64_t ExpandRunBytes(const uint8_t* Data, size_t Size, uint32_t RunCount, std::span<uint8_t> Dest) {
  auto u32 = [](const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; };
  const uint64_t runs = uint64_t(RunCount) + 1;
  // A table that the bytes cannot hold is damage, not a reason to go on.
  if (runs > Size / 8) return -1;
  const uint8_t* table = Data;
  const uint8_t* literals = Data + runs * 8;
  const size_t available = Size - size_t(runs * 8);
  // Runs lie inside the record with rising positions; each position counts the literals so far.
  uint64_t out = 0, previous = 0;
  for (uint64_t k = 0; k < runs; ++k) {
    const uint32_t pos = u32(table + k * 8), count = u32(table + k * 8 + 4);
    if (pos <= previous || count < 1 || pos > available) return -1;
    out += (pos - previous - 1) + uint64_t(count);
    if (out > Dest.size()) return -1;
    previous = pos;
  }
  size_t written = 0, read = 0;
  for (uint64_t k = 0; k < runs; ++k) {
    const uint32_t pos = u32(table + k * 8), count = u32(table + k * 8 + 4);
    while (read < pos) {
      const uint8_t b = literals[read++];
      Dest[written++] = b;
      if (read == pos)
        for (uint32_t n = 1; n < count; ++n) Dest[written++] = b;
    }
  }
  return int64_t(runs * 8 + read);
}

bool TTextPage::ExpandRunLengths(std::span<uint8_t> Dest, TStream* Stream, uint32_t RunCount) {
  ProcessMessages();
  if (!Stream) {
    TextShowMessage("Problem creating TFileStream");
    return false;
  }
  const int64_t remaining = std::max<int64_t>(0, Stream->Remaining());
  // Every run record is 8 bytes of the stream: a count that the stream cannot hold is damage.
  if ((uint64_t(RunCount) + 1) * 8 > uint64_t(remaining)) {
    TextShowMessage("Invalid File");
    return false;
  }
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(size_t(remaining));
  } catch (const std::bad_alloc&) {
    TextShowMessage("Your system has insufficient memory for this\roperation. Please close some of your applications\rdown to free resources.");
    return false;
  }
  const int64_t start = Stream->Position();
  int64_t used = -1;
  try {
    Stream->ReadBuffer(bytes.data(), remaining);
    used = ExpandRunBytes(bytes.data(), bytes.size(), RunCount, Dest);
  } catch (const Exception&) {
    used = -1;
  }
  if (used < 0) {
    TextShowMessage("Invalid File");
    return false;
  }
  // The stream goes on after the last literal a run named.
  Stream->SetPosition(start + used);
  return true;
}

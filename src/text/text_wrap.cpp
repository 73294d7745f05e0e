// Wrapping the selection to the right margin or the ruler's arrow, removing and inserting blank
// lines, word statistics, and the text lines of the Information window.
#include <algorithm>
#include <cmath>

#include "platform/messages.h"
#include "text/text_glue.h"
#include "text/text_page.h"

namespace {

// A blank of the wrap: a space or the page's tab (the tab glyph; a code 9 never reaches a cell
// but is taken as a tab too).
bool IsWrapBlank(const TTextPage& page, int i) {
  const uint8_t c = page.CharCodes[size_t(i)];
  return c == 32 || c == 9 || (c == chTabMark && SameFontName(page.CharFonts[size_t(i)]->Name, "ZQVSerif"));
}

bool IsWordChar(uint8_t c) { return c >= 33 && c <= 125; }

}  // namespace

void TTextPage::WrapSelectiontoMargin1Click(QObject* Sender) { WraptoX1Click(Sender, rMargin); }

void TTextPage::WraptoX1Click(QObject* Sender, int RightX) {
  PaletteInsertCount = 0;
  if (!HasTextSelection()) return;
  std::array<int32_t, 6> stats{};
  CountWords(SelStart, SelEnd, stats);
  const int left = lMargin;
  if (WrapCapacityCheck(left, RightX, stats) != mrYes) return;
  Host->PushTextUndo(Sender);
  const bool preserve = MessageDlg("Preserve carriage returns?", mtConfirmation, mbYes | mbNo, 330) == mrYes;
  if (!WrapCells(left, RightX, preserve, SelEnd, SelStart)) Host->UndoText(Sender);
  Host->RefreshAllImages(Sender, false);
}

int TTextPage::WrapCapacityCheck(int LeftX, int RightX, const std::array<int32_t, 6>& Stats) {
  const int average = Stats[5];
  if (average <= 0) return mrYes;
  const int perLine = (RightX - LeftX) / average;
  if (perLine <= 0) return mrYes;
  const int lines = (Stats[0] + perLine - 1) / perLine;
  const int extra = lines - Stats[2];
  if (LastTextCell() + 5 * extra >= 4096)
    return MessageDlg(
        "The contents of the editor are approaching the 4096 limit.\rWrapping may not be possible without removing "
        "some text.\rDo you wish to try wrapping? You can hit the undo button\rif it doesn't work",
        mtWarning, mbYes | mbAbort, 330);
  return mrYes;
}

bool TTextPage::WrapCells(int LeftX, int RightX, bool PreserveCR, int32_t& SelEnd, int32_t& SelStart) {
  if (SelEnd - SelStart < 1) return true;
  TextBurst = true;
  bool ok = true;
  try {
    if (!PreserveCR) {
      TrimLineStarts(SelStart, SelEnd);
      TrimLineEnds(SelStart, SelEnd);
      if (RemoveBullets()) LayoutTextCells();
    } else {
      TrimLineEnds(SelStart, SelEnd);
      PadLineEnds(SelStart, SelEnd);
    }
    const int half = (RightX - LeftX) / 2;
    int i = std::max(SelStart, 1);
    bool done = false;
    // Every pass inserts a line break or ends the wrap; the bound only guards against a layout
    // that never moves a cell past the margin.
    for (int pass = 0; !done && pass < 2 * CellCount; ++pass) {
      bool found = false;
      while (i < MaxCharacters && CharPositions[size_t(i + 1)].X < RightX) {
        if (i >= MaxCharacters || i >= SelEnd) {
          done = true;
          break;
        }
        if (IsWrapBlank(*this, i) && CharPositions[size_t(i)].X > half) found = true;
        ++i;
        if (CharCodes[size_t(i)] == 0) {
          if (!PreserveCR) {
            // The paragraph runs on: this line end and any right after it become spaces.
            bool changed = false;
            while (CharCodes[size_t(i)] == 0) {
              if (i >= SelEnd || i >= MaxCharacters) {
                done = true;
                break;
              }
              CharCodes[size_t(i)] = 32;
              changed = true;
              ++i;
            }
            if (changed) LayoutTextCells();
            if (done) break;
          } else {
            // A kept line end: a blank of the line before it is no break point for the next.
            found = false;
          }
        }
      }
      if (done || i >= MaxCharacters) break;
      if (!found) {
        // No blank in reach: the line is cut at the margin.
        CurrentI = i;
        if (!NewLine(nullptr, 0, false)) break;
        ++SelEnd;
        i = CurrentI + 1;
        continue;
      }
      if (i >= SelEnd) break;
      int b = i;
      while (b > SelStart && b > 1 && CharCodes[size_t(b)] != 0 && !IsWrapBlank(*this, b)) --b;
      if (b > SelStart && b < SelEnd && CurrentI != b && b + 1 < 4094) {
        CurrentI = b + 1;
        if (!NewLine(nullptr, 0, false)) break;
        ++SelEnd;
        i = CurrentI + 1;
      } else {
        break;
      }
    }
  } catch (...) {
    TextShowMessage("An error occured while wrapping text. Pleas wait while the problem is fixed");
    ok = false;
  }
  if (ok) {
    TrimLineEnds(SelStart, SelEnd);
    SetModified();
  }
  TextBurst = false;
  CurrentI = std::clamp(CurrentI, 1, MaxCharacters - 1);
  MoveCaretTo(CharPositions[size_t(CurrentI)]);
  return ok;
}

void TTextPage::PadLineEnds(int32_t& SelStart, int32_t& SelEnd) {
  const std::array<uint8_t, CellCount> saved = CharCodes;
  try {
    int k = std::max(SelStart, 1);
    while (k < SelEnd && k < MaxCharacters && CharCodes[size_t(k)] != 0) ++k;
    if (k >= SelEnd || k >= MaxCharacters) return;
    while (k < SelEnd - 1 && k < MaxCharacters - 1) {
      if (CharCodes[size_t(k)] == 0) {
        if (k > 1 && CharCodes[size_t(k - 1)] > 32 && LastTextCell() < MaxCharacters - 1) {
          ShiftDataUp(k, 1);
          CharCodes[size_t(k)] = 32;
          CharOffsets[size_t(k)] = 0;
          CharFonts[size_t(k)]->Assign(*CharFonts[size_t(k - 1)]);
          ++SelEnd;
          if (CurrentI >= k) ++CurrentI;
          ++k;
        }
        // Past the line end and the blanks after it.
        while (k < SelEnd - 1 && k < MaxCharacters - 1 &&
               (CharCodes[size_t(k)] < 33 || CharCodes[size_t(k)] == chTabMark))
          ++k;
      } else {
        ++k;
      }
    }
    LayoutTextCells();
  } catch (...) {
    CharCodes = saved;
    LayoutTextCells();
  }
}

void TTextPage::CountWords(int32_t From, int32_t To, std::array<int32_t, 6>& Stats) {
  Stats.fill(0);
  if (From < 1 || To > MaxCharacters) return;
  if (LastTextCell() < To - 1) To = LastTextCell();
  for (int i = From; i <= To; ++i) {
    const uint8_t c = CharCodes[size_t(i)];
    if (IsWordChar(c)) ++Stats[3];
    else if (c > 125) ++Stats[4];
  }
  int i = From;
  while (i < To - 1 && (CharCodes[size_t(i)] < 33 || IsPrefixCell(i))) ++i;
  int64_t chars = 0, width = 0;
  int words = 0;
  while (i < To) {
    const int start = i;
    while (i < To && IsWordChar(CharCodes[size_t(i)])) ++i;
    const int len = i - start;
    if (len > 0) {
      chars += len;
      if (start > From + 1 && start < To - 2) {
        // The word and the character after it, in the font of its first cell.
        const TFont& f = *CharFonts[size_t(start)];
        for (int k = start; k <= std::min(i, MaxCharacters); ++k) width += CellTextWidth(f, CharCodes[size_t(k)]);
      }
      ++words;
    }
    while (i < To && !IsWordChar(CharCodes[size_t(i)])) {
      if (CharCodes[size_t(i)] == 0) ++Stats[2];
      ++i;
    }
    if (len == 0 && i == start) ++i;  // nothing to count here: move on
  }
  Stats[0] = words;
  if (words > 0) {
    Stats[1] = int32_t(std::lround(double(chars) / words));
    if (width >= 1) Stats[5] = int32_t(std::lround(double(width) / words));
  }
}

bool TTextPage::StripBlankLines(QObject* Sender) {
  if (!HasTextSelection()) return false;
  bool removed = false;
  for (int i = std::min(SelEnd - 1, MaxCharacters - 1); i >= std::max(SelStart, 2); --i) {
    if (CharCodes[size_t(i)] == 0 && CharCodes[size_t(i - 1)] == 0) {
      if (!removed) Host->PushTextUndo(Sender);
      removed = true;
      if (CurrentI > i) --CurrentI;
      ShiftDataDown(i, 1);
      --SelEnd;
    }
  }
  if (removed) LayoutTextCells();
  Host->RefreshAllImages(Sender, false);
  return removed;
}

void TTextPage::StripBlankLines1Click(QObject* Sender) {
  if (StripBlankLines(Sender)) {
    SetModified();
    ClearSelection(true);
  }
}

bool TTextPage::InsertBlankLines(QObject* Sender) {
  if (!HasTextSelection()) return false;
  bool inserted = false;
  for (int i = std::min(SelEnd - 1, MaxCharacters - 1); i >= std::max(SelStart, 2); --i) {
    if (CharCodes[size_t(i)] == 0 && CharCodes[size_t(i - 1)] != 0) {
      // The table must keep room: the top cell falls off when a gap opens.
      if (LastTextCell() >= 4094) break;
      if (!inserted) Host->PushTextUndo(Sender);
      inserted = true;
      if (CurrentI > i) ++CurrentI;
      ShiftDataUp(i, 1);
      ++SelEnd;
    }
  }
  if (inserted) LayoutTextCells();
  return inserted;
}

void TTextPage::InsertBlankLines1Click(QObject* Sender) {
  const bool inserted = InsertBlankLines(Sender);
  if (inserted) SetModified();
  ClearSelection(false);
  ClearSelectionRange();
  Host->RefreshAllImages(Sender, false);
}

int32_t TTextPage::BuildWordList() {
  const int last = LastTextCell();
  int32_t count = 0;
  int i = 1;
  while (i <= last) {
    // One line: its cells up to the line end.
    std::string line;
    bool blank = false;
    while (i <= last && CharCodes[size_t(i)] != 0) {
      const uint8_t c = CharCodes[size_t(i)];
      if (c < 33 || c == chTabMark) {
        if (!blank) line.push_back(' ');
        blank = true;
      } else {
        line.push_back(char(c));
        blank = false;
      }
      ++i;
    }
    ++i;
    if (line.empty()) continue;
    // Pieces between the spaces; a leading space gives an empty first piece.
    int pieces = 1;
    for (char c : line)
      if (c == ' ') ++pieces;
    if (line.back() == ' ') --pieces;
    count += std::max(pieces, 1);
  }
  return count;
}

std::vector<std::string> TTextPage::TextInformationLines() {
  const int last = LastTextCell();
  int printable = 0;
  for (int i = 1; i <= last; ++i)
    if (CharCodes[size_t(i)] >= 33) ++printable;
  return {"Last character: " + std::to_string(last), "Total none whitespace characters: " + std::to_string(printable),
          "Approximate word count: " + std::to_string(BuildWordList()), " "};
}

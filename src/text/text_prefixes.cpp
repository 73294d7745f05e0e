// Line prefixes (bullets, tabs, arrows, spaces, numbers), their removal, and trimming the blanks
// at the starts and ends of the selected lines.
#include <algorithm>

#include "platform/messages.h"
#include "text/text_glue.h"
#include "text/text_page.h"

namespace {

bool IsBlankCell(const TTextPage& page, int i) {
  const uint8_t c = page.CharCodes[size_t(i)];
  return c == 32 || (c == chTabMark && SameFontName(page.CharFonts[size_t(i)]->Name, "ZQVSerif"));
}

}  // namespace

void TTextPage::Tab1Click(QObject* Sender, int Kind) {
  if (!Host->IsMenuItem(Sender)) return;
  PaletteInsertCount = 0;
  Host->PushTextUndo(Sender);
  switch (Kind) {
    case 4:
      // A digit and a full stop: the stop goes in first, the digit before it.
      InsertLinePrefixes(Sender, 5);
      InsertLinePrefixes(Sender, 4);
      break;
    case 0:
      InsertLinePrefixes(Sender, 3);
      InsertLinePrefixes(Sender, 0);
      break;
    default:
      InsertLinePrefixes(Sender, Kind);
      break;
  }
  if (Host->MenuChecked(TextMenu::AlwaysRefresh1)) Host->RefreshAllImages(Sender, false);
}

void TTextPage::InsertLinePrefixes(QObject* Sender, int Kind) {
  if (!HasTextSelection() || Kind < 0 || Kind > 5) return;
  // A prefix goes in front of the line's first character; overtyping would replace it.
  const bool overtype = InsertToggleOn();
  SetInsertToggle(false);
  const bool draw = !Host->MenuChecked(TextMenu::AlwaysRefresh1);
  int counter = 1;
  TMyFont font;
  for (int i = std::max(SelStart - 1, 0); i < SelEnd - 1 && i < MaxCharacters - 1; ++i) {
    if (CharCodes[size_t(i)] != 0 || CharCodes[size_t(i + 1)] == 0) continue;
    const int lineStart = i + 1;
    CurrentI = lineStart;
    MoveCaretTo(CharPositions[size_t(CurrentI)]);
    uint8_t ch = 32;
    const TFont& second = *CharFonts[size_t(std::min(lineStart + 1, MaxCharacters))];
    switch (Kind) {
      case 0:
        ch = 183;
        font.Assign(second);
        font.Name = "Symbol";
        font.Charset = SYMBOL_CHARSET;
        break;
      case 1:
        ch = chTabMark;
        font.Assign(second);
        font.Name = "ZQVSerif";
        font.SetSize(12);
        font.Charset = DEFAULT_CHARSET;
        break;
      default:
        ch = Kind == 2 ? 187 : Kind == 3 ? 32 : Kind == 4 ? uint8_t('0' + counter) : 46;
        font.Assign(second);
        if (IsSymbolFontChar(&font, ch)) {
          font.Name = Host->MainFont().Name;
          font.Charset = DEFAULT_CHARSET;
        }
        break;
    }
    if (Kind == 4) counter = counter == 9 ? 1 : counter + 1;
    font.Style = 0;
    font.Color = CharFonts[size_t(lineStart)]->Color;
    if (!InsertChar(Sender, Host->PageCanvas(), draw, font, 0, ch)) break;
    ++SelEnd;
    ++i;  // past the inserted cell
  }
  SetInsertToggle(overtype);
  SetModified();
}

bool TTextPage::RemoveBullets() {
  if (!HasTextSelection()) return false;
  // Only prefixes in the leading run of a line count: cells from the line start that are prefix
  // cells or blanks. The same characters inside running text are text.
  auto leading = [this](int i) {
    int s = i;
    while (s > 1 && CharCodes[size_t(s - 1)] != 0) --s;
    for (int k = s; k < i; ++k)
      if (!IsPrefixCell(k) && CharCodes[size_t(k)] != 32) return false;
    return true;
  };
  bool asked = false, removed = false;
  for (int i = std::min(SelEnd - 1, MaxCharacters - 1); i >= std::max(SelStart, 1); --i) {
    if (!IsPrefixCell(i) || !leading(i)) continue;
    if (!asked) {
      asked = true;
      if (MessageDlg("Remove bullets and/or tabs?", mtConfirmation, mbYes | mbNo, 330) != mrYes) return false;
    }
    CurrentI = i;
    ShiftDataDown(i, 1);
    --SelEnd;
    removed = true;
  }
  if (CurrentI > SelEnd) CurrentI = std::max(SelEnd, 1);
  return removed;
}

void TTextPage::Right1Click(QObject* Sender, int Which) {
  if (!HasTextSelection()) return;
  PaletteInsertCount = 0;
  Host->PushTextUndo(Sender);
  if (Which == 0 || Which == 2) TrimLineStarts(SelStart, SelEnd);
  if (Which == 1 || Which == 2) TrimLineEnds(SelStart, SelEnd);
  SetModified();
  Host->RefreshAllImages(Sender, false);
}

void TTextPage::TrimLineStarts(int32_t& SelStart, int32_t& SelEnd) {
  if (SelEnd - SelStart < 1) return;
  int p = SelEnd - 1;
  if (p >= 1 && CharCodes[size_t(p)] == 0) --p;
  while (p >= 1) {
    // Blanks at p go; the cell that moves into p must still be a selected one.
    while (p < SelEnd && p < MaxCharacters && IsBlankCell(*this, p)) {
      CurrentI = p;
      ShiftDataDown(p, 1);
      --SelEnd;
    }
    --p;
    while (p > 1 && CharCodes[size_t(p - 1)] != 0) --p;
    if (p < 1 || p < SelStart) break;
  }
  CurrentI = std::clamp(CurrentI, 1, MaxCharacters - 1);
  LayoutTextCells();
}

void TTextPage::TrimLineEnds(int32_t& SelStart, int32_t& SelEnd) {
  if (SelEnd - SelStart < 1) return;
  for (int i = std::min(SelEnd - 1, MaxCharacters - 2); i >= SelStart + 1; --i) {
    if (CharCodes[size_t(i)] == 32 && CharCodes[size_t(i + 1)] == 0) {
      if (CurrentI > i) --CurrentI;
      ShiftDataDown(i, 1);
      --SelEnd;
    }
  }
  CurrentI = std::clamp(CurrentI, 1, MaxCharacters - 1);
  LayoutTextCells();
}

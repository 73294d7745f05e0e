// Symbol palettes (characters inserted at the caret sized and placed for the text around it),
// the micro-spacing steps and the font size steps.
#include <algorithm>

#include "platform/canvas.h"
#include "platform/numeric.h"
#include "text/text_glue.h"
#include "text/text_page.h"

void TTextPage::Panel20Click(QObject* Sender, PaletteGroup Group, const std::string& Caption, const TFont& ButtonFont) {
  if (!Host->ButtonDown(TextButton::tbText)) return;
  if (HasTextSelection()) ClearSelection(true);
  if (Caption.empty()) {
    TextBeep(0);
    return;
  }
  CurrentI = std::clamp(CurrentI, 1, MaxCharacters);
  if (CharPositions[size_t(CurrentI)].X >= rMargin || Host->ButtonDown(TextButton::tbDraw)) {
    TextBeep(0);
    SetCaretPosition(Sender, 0, 0);
    return;
  }
  const uint8_t ch = uint8_t(Caption[0]);
  const int before = CurrentI - 1;
  TMyFont font;
  font.Color = ButtonFont.Color;
  int offset = 0;
  bool counts = false;
  switch (Group) {
    case PaletteGroup::StdGreek:
    case PaletteGroup::Arrows: {
      const bool special = IsSpecialCell(before);
      font.SetSize(special ? FontBefore(CurrentI - 1)->Size() : CharFonts[size_t(before)]->Size());
      offset = CharOffsets[size_t(before)];
      font.Color = special ? ButtonFont.Color : CharFonts[size_t(before)]->Color;
      counts = special;
      break;
    }
    case PaletteGroup::LgBkts: {
      const int base = FontBefore(CurrentI)->Size();
      font.SetSize(Round32(base * 2.75));
      offset = (font.Size() - base) / 2;
      font.Color = CharFonts[size_t(before)]->Color;
      break;
    }
    case PaletteGroup::LgRoot: {
      const int base = FontBefore(CurrentI)->Size();
      font.SetSize(Round32(base * 3.33));
      offset = 2;
      font.Color = CharFonts[size_t(before)]->Color;
      break;
    }
    case PaletteGroup::Custom:
    case PaletteGroup::HorzBkts:
    case PaletteGroup::LgCust:
      font.SetSize(ButtonFont.Size() * 3 / 2);
      offset = 0;
      font.Color = ButtonFont.Color;
      counts = true;
      break;
  }
  font.Style = ButtonFont.Style;
  font.Name = ButtonFont.Name;
  font.Charset = ButtonFont.Charset;
  if (NextCellPlaced()) {
    if (!InsertChar(Sender, Host->PageCanvas(), true, font, int16_t(offset), ch)) return;
    if (Host->MenuChecked(TextMenu::AlwaysRefresh1))
      Host->RefreshAllImages(Sender, false);
    else
      SetCaretPosition(Sender, 0, 0);
  } else {
    // The caret is on the last laid-out cell: the character goes into it, as typing does there;
    // the table's last cell takes none (nothing could follow it).
    if (CurrentI >= MaxCharacters) {
      TextShowMessage(kCellLimitMessage);
      return;
    }
    CharCodes[size_t(CurrentI)] = ch;
    CharFonts[size_t(CurrentI)]->Assign(font);
    CharOffsets[size_t(CurrentI)] = offset;
    DrawCell(Host->PageCanvas(), CurrentI, CharPositions[size_t(CurrentI)].X, false);
    const TPoint p = CharPositions[size_t(CurrentI)];
    const int w = CellTextWidth(font, ch);
    ++CurrentI;
    CharPositions[size_t(CurrentI)] = TPoint(p.X + w + 1, p.Y);
    MoveCaretTo(CharPositions[size_t(CurrentI)]);
    SetCaretPosition(Sender, 0, 0);
    UpdateStyleButtons(Sender, false, 0);
  }
  if (counts) ++PaletteInsertCount;
  SetModified();
}

bool TTextPage::CanNudgeCharBefore() {
  if (CurrentI < 2 || CurrentI > MaxCharacters) return false;
  const uint8_t c = CharCodes[size_t(CurrentI - 1)];
  return c != 0 && c != 32 && c != chMicroSpace;
}

namespace {

// Draws the cell's glyph in one colour (to paint it out) at its current offset.
void PaintCellGlyph(TTextPage& page, TCanvas* canvas, int i, TColor color) {
  if (!canvas) return;
  const TPoint p = page.CharPositions[size_t(i)];
  DrawCellGlyph(canvas, p.X + 1, p.Y + page.CharOffsets[size_t(i)], *page.CharFonts[size_t(i)],
                page.CharCodes[size_t(i)], color, clNone);
}

}  // namespace

void TTextPage::Timer1Timer(QObject* Sender) {
  if (!CanNudgeCharBefore()) return;
  const int i = CurrentI - 1;
  TCanvas* canvas = Host->PageCanvas();
  if (canvas) {
    const TPoint p = CharPositions[size_t(i)];
    TColor under = canvas->Pixel(p.X, p.Y + CharOffsets[size_t(i)]);
    if (under == clNone) under = Host->PageBackgroundColor();
    PaintCellGlyph(*this, canvas, i, under);
  }
  CharOffsets[size_t(i)] -= 1;
  PaintCellGlyph(*this, canvas, i, CharFonts[size_t(i)]->Color);
  Host->InvalidatePage();
  SetModified();
  SetCaretPosition(Sender, 0, 0);
}

void TTextPage::Timer2Timer(QObject* Sender) {
  if (HasTextSelection()) ClearSelection(true);
  if (!CanNudgeCharBefore()) return;
  const int i = CurrentI - 1;
  TCanvas* canvas = Host->PageCanvas();
  PaintCellGlyph(*this, canvas, i, Host->PageBackgroundColor());
  CharOffsets[size_t(i)] += 1;
  PaintCellGlyph(*this, canvas, i, CharFonts[size_t(i)]->Color);
  Host->InvalidatePage();
  SetModified();
  SetCaretPosition(Sender, 0, 0);
}

void TTextPage::Timer3Timer(QObject* Sender) {
  if (HasTextSelection()) ClearSelection(true);
  const bool overtype = InsertToggleOn();
  SetInsertToggle(false);
  TMyFont micro;
  micro.Name = "ZQVSerif";
  micro.Charset = DEFAULT_CHARSET;
  micro.SetSize(12);
  micro.Color = clNone;
  if (InsertChar(Sender, Host->PageCanvas(), true, micro, 0, chMicroSpace)) SetModified();
  SetInsertToggle(overtype);
  SetCaretPosition(Sender, 0, 0);
}

namespace {

// Replaces the character before the caret by itself in a new size and offset: Backspace, then
// the character again. The step takes one snapshot, before it.
void StepCharBefore(TTextPage& page, TTextHost* host, QObject* Sender, int newSize, int newOffset) {
  const int i = page.CurrentI - 1;
  TMyFont copy(*page.CharFonts[size_t(i)]);
  const uint8_t ch = page.CharCodes[size_t(i)];
  host->PushTextUndo(Sender);
  page.BackspaceUndoTaken = true;
  const bool overtype = InsertToggleOn();
  SetInsertToggle(false);
  host->HideTextCaret();
  page.BackspaceKey(Sender, 0);
  copy.SetSize(newSize);
  const bool refresh = host->MenuChecked(TextMenu::AlwaysRefresh1);
  page.InsertChar(Sender, host->PageCanvas(), !refresh, copy, int16_t(newOffset), ch);
  if (refresh) host->RefreshAllImages(Sender, false);
  page.SetCaretPosition(Sender, 0, 0);
  page.BackspaceUndoTaken = false;
  SetInsertToggle(overtype);
}

}  // namespace

void TTextPage::FontUpClick(QObject* Sender) {
  if (HasTextSelection()) {
    const int first = std::max(SelStart, 1);
    TMyFont copy(*CharFonts[size_t(first)]);
    copy.SetSize(MulDiv(copy.Size(), 5, 4));
    ApplyFontToSelection(Sender, 1, copy, CharFonts[size_t(first)]->Size());
    return;
  }
  if (CurrentI < 2 || CurrentI > MaxCharacters || CharCodes[size_t(CurrentI - 1)] == 0) return;
  const TFont& f = *CharFonts[size_t(CurrentI - 1)];
  if (f.Size() >= 250) return;
  const int offset = CharOffsets[size_t(CurrentI - 1)];
  const int newOffset = offset == 0 ? 0 : offset - Round32(f.Height() / 17.0);
  StepCharBefore(*this, Host, Sender, Round32(f.Size() * 5 / 4.0), newOffset);
}

void TTextPage::FontDown1Click(QObject* Sender) {
  if (HasTextSelection()) {
    const int first = std::max(SelStart, 1);
    TMyFont copy(*CharFonts[size_t(first)]);
    copy.SetSize(MulDiv(copy.Size(), 4, 5));
    ApplyFontToSelection(Sender, 1, copy, CharFonts[size_t(first)]->Size());
    return;
  }
  if (CurrentI < 2 || CurrentI > MaxCharacters || CharCodes[size_t(CurrentI - 1)] == 0) return;
  const TFont& f = *CharFonts[size_t(CurrentI - 1)];
  if (f.Size() <= 4) return;
  const int offset = CharOffsets[size_t(CurrentI - 1)];
  const int newOffset = int16_t(offset + f.Height() / 21);
  StepCharBefore(*this, Host, Sender, Round32(f.Size() * 4 / 5.0), newOffset);
}

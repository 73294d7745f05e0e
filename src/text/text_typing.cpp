// Characters entering and leaving the cell table: typing, inserting and overtyping, line breaks,
// Delete and Backspace, with the text undo snapshots their bursts take.
#include <algorithm>

#include <QApplication>

#include "text/text_glue.h"
#include "text/text_page.h"

const char* const kCellLimitMessage =
    "The maximum number of characters per page is 4095.\r"
    "This limit has been reached which can happen with\r"
    "very small font sizes. Removing some of the spaces\r"
    "and replacing them with spaces from a larger font\r"
    "size will reduce the total number of characters and\r"
    "allow you to carry on";

namespace {

bool HasModifier(TShiftState Shift) { return Shift & (ssShift | ssCtrl | ssAlt); }

}  // namespace

bool TTextPage::NextCellPlaced() { return CurrentI < MaxCharacters && CharPositions[CurrentI + 1].X != 0; }

int32_t TTextPage::LineEndOf(int32_t Index) {
  int j = std::clamp(Index, 1, MaxCharacters);
  while (j < MaxCharacters && CharCodes[j] != 0) ++j;
  return j;
}

void TTextPage::DrawCell(TCanvas* Canvas, int32_t Index, int X, bool Erase) {
  TCellPainter painter(Canvas);
  DrawCellWith(painter, Index, X, Erase);
}

void TTextPage::DrawCellWith(TCellPainter& Painter, int32_t Index, int X, bool Erase) {
  const uint8_t ch = CharCodes[Index];
  if (ch < 32 || CharPositions[Index].Y == 0) return;
  const TFont& f = *CharFonts[Index];
  if (ch == chMarker && SameFontName(f.Name, "ZQVSerif")) return;
  Painter.Draw(X + 1, CharPositions[Index].Y + CharOffsets[Index], f, ch, Erase ? Host->PageBackgroundColor() : f.Color);
}

void TTextPage::RedrawLine(TCanvas* Canvas, int32_t First, int32_t Last, bool Erase) {
  if (!Canvas) return;
  First = std::max(First, 1);
  Last = std::min(Last, MaxCharacters);
  {
    TCellPainter painter(Canvas);
    for (int i = First; i <= Last; ++i) DrawCellWith(painter, i, CharPositions[i].X, Erase);
  }
  Host->InvalidatePage();
}

bool TTextPage::ClearScriptButtons() {
  bool wasDown = false;
  for (TextButton b : {TextButton::tbSuperScript, TextButton::tbSubscript, TextButton::tbMidscript}) {
    if (Host->ButtonDown(b)) wasDown = true;
    Host->SetButtonDown(b, false);
  }
  for (TextMenu m : {TextMenu::Superscripts1, TextMenu::Subscripts1, TextMenu::MidScripts1}) Host->SetMenuChecked(m, false);
  return wasDown;
}

bool TTextPage::MainFontIsSymbolFont() { return Host->InSymbolFontList(Host->MainFont().Name); }

void TTextPage::FormKeyPress(QObject* Sender, char& Key) {
  const uint8_t key = uint8_t(Key);
  // Control characters (below 32, and DEL) are never typed.
  if (!KeyPressEnabled || !Host->ButtonDown(TextButton::tbText) || key < 32 || key == 127 || Host->IsPageDisabled())
    return;
  if (CurrentI < 1 || CurrentI > MaxCharacters) return;
  if (CharPositions[CurrentI].X > rMargin) {
    TextBeep(0);
    SetCaretPosition(Sender, 0, 0);
    return;
  }
  // The last cell of the table takes no character: the caret could not move past it.
  if (CurrentI >= MaxCharacters) {
    TextShowMessage(kCellLimitMessage);
    TextDropQueuedKeys();
    return;
  }
  SetModified();
  bool released = false;
  if (key == 32) {
    released = ClearScriptButtons();
    if (released) SetStyleButtonsFromFont(*FontBefore(CurrentI));
  }
  int offset = 0;
  const int before = CurrentI - 1;
  // A palette insertion count that reaches before cell 0 (the caret moved since) is clamped.
  const int paletteCell = std::max(0, CurrentI - PaletteInsertCount - 1);
  if (!MainFontPending && PaletteInsertCount > 0) {
    NextCharFont->Assign(*CharFonts[paletteCell]);
    offset = CharOffsets[paletteCell];
  } else {
    if (MainFontPending)
      NextCharFont->Assign(Host->MainFont());
    else if (MainFontIsSymbolFont())
      NextCharFont->Assign(*CharFonts[before]);
    else if (IsSymbolFontChar(CharFonts[before].get(), CharCodes[before]))
      NextCharFont->Assign(*FontBefore(CurrentI - 1));
    else
      NextCharFont->Assign(*CharFonts[before]);

    int kind = skNone;
    if (Host->ButtonDown(TextButton::tbSuperScript)) kind = skSuperscript;
    if (Host->ButtonDown(TextButton::tbSubscript)) kind = skSubscript;
    if (Host->ButtonDown(TextButton::tbMidscript)) kind = skMidscript;
    if (kind != skNone) {
      const int size = FontBefore(CurrentI)->Size();
      NextCharFont->SetSize(ScriptFontSize(size));
      NextCharFont->Style = TFontStyles();
      offset = ScriptOffset(size, kind);
    } else {
      kind = CellScriptKind(before);
      const bool special = IsSpecialCell(before);
      if (!MainFontPending) {
        if (special) {
          const TFont* fb = FontBefore(CurrentI);
          NextCharFont->Name = fb->Name;
          NextCharFont->SetSize(fb->Size());
          NextCharFont->Charset = fb->Charset;
        } else {
          NextCharFont->SetSize(CharFonts[before]->Size());
        }
      }
      if (!released && kind == skNone && !special) {
        offset = CharOffsets[before];
      } else {
        offset = 0;
        if (released || kind == skSuperscript || kind == skMidscript || kind == skSubscript)
          NextCharFont->SetSize(FontBefore(CurrentI - 1)->Size());
      }
      TFontStyles style = 0;
      if (Host->ButtonDown(TextButton::tbBold)) style |= fsBold;
      if (Host->ButtonDown(TextButton::tbItalics)) style |= fsItalic;
      if (Host->ButtonDown(TextButton::tbUnderline)) style |= fsUnderline;
      if (Host->ButtonDown(TextButton::tbStrikeOut)) style |= fsStrikeOut;
      NextCharFont->Style = style;
    }
  }
  MainFontPending = false;
  PaletteInsertCount = 0;
  // The offset travels as a signed byte.
  offset = int8_t(offset);
  if (NextCellPlaced()) {
    InsertChar(Sender, Host->PageCanvas(), true, *NextCharFont, int16_t(offset), key);
    SetCaretPosition(Sender, 0, 0);
  } else {
    // The caret is on the last laid-out cell of the table.
    CharCodes[CurrentI] = key;
    CharFonts[CurrentI]->Assign(*TypingFont);
    CharOffsets[CurrentI] = offset;
    if (key != 32) DrawCell(Host->PageCanvas(), CurrentI, CharPositions[CurrentI].X, false);
    const TPoint p = CharPositions[CurrentI];
    const int w = CellTextWidth(*CharFonts[CurrentI], key);
    ++CurrentI;
    CharPositions[CurrentI] = TPoint(p.X + w + 1, p.Y);
    MoveCaretTo(CharPositions[CurrentI]);
    SetCaretPosition(Sender, 0, 0);
  }
}

bool TTextPage::InsertChar(QObject* Sender, TCanvas* Canvas, bool DoDraw, const TFont& Font, int16_t Offset,
                           uint8_t Ch) {
  if (Ch < 32) return true;
  // The caret cell must leave room for the cell after it: at cell 4095 the inserted character
  // and the cells it pushes would fall off the table.
  if (LastTextCell() >= 4092 || CurrentI >= MaxCharacters || CurrentI < 1) {
    TextShowMessage(kCellLimitMessage);
    TextDropQueuedKeys();
    return false;
  }
  const int start = CurrentI;
  const int lineEnd = LineEndOf(start);  // first cell from the caret with code 0 (or 4095)
  const int restCount = lineEnd - start;  // characters of R
  const bool fromButton = Host->IsToolbarButton(Sender);
  const bool fromMenu = Host->IsMenuItem(Sender);
  if (!Canvas) DoDraw = false;
  if (!fromButton && !fromMenu && restCount + 1 >= 51 && DoDraw) Host->InvalidatePage();
  if (DoDraw) RedrawLine(Canvas, start, lineEnd - 1, true);

  if (InsertToggleOn() && CharCodes[start] >= 32 && !fromButton) {
    OvertypeChar(Canvas, start, DoDraw, Offset, Font, Ch);
    return true;
  }

  ShiftDataUp(start, 1);
  CharCodes[start] = Ch;
  CharFonts[start]->Assign(Font);
  if (Ch == 229 && Font.Name == "Symbol") Offset = int16_t(Offset - (Font.Size() - CharFonts[start - 1]->Size()) / 2);
  CharOffsets[start] = Offset;
  // Lay the line out again from the caret: the character, the rest of the line and its line end.
  const int y = CaretY;
  const int newEnd = std::min(lineEnd + 1, MaxCharacters);
  int x = CharPositions[start].X;
  for (int i = start; i <= newEnd; ++i) {
    CharPositions[i] = TPoint(x, i == start ? CharPositions[start].Y : y);
    if (i < newEnd) x += CellTextWidth(*CharFonts[i], CharCodes[i]) + 1;
  }
  if (DoDraw) RedrawLine(Canvas, start, newEnd - 1, false);
  if (Sender == static_cast<QObject*>(Host->MainWindowObject()) && x >= rMargin && x <= rMargin + 49) TextBeep(0);
  ++CurrentI;
  MoveCaretTo(CharPositions[CurrentI]);
  return true;
}

void TTextPage::OvertypeChar(TCanvas* Canvas, int32_t Index, bool DoDraw, int16_t Offset, const TFont& Font,
                             uint8_t Ch) {
  if (Index < 1 || Index >= MaxCharacters) return;
  const int d = CellTextWidth(Font, Ch) - CellTextWidth(*CharFonts[Index], CharCodes[Index]);
  const int lineEnd = LineEndOf(Index);
  if (d == 0 && DoDraw && CharOffsets[Index] == Offset) {
    CharCodes[Index] = Ch;
    CharFonts[Index]->Assign(Font);
  } else {
    CharCodes[Index] = Ch;
    if (Ch == 229 && Font.Name == "Symbol")
      CharOffsets[Index] = (Font.Size() - FontBefore(Index)->Size()) / 2;
    else
      CharOffsets[Index] = Offset;
    CharFonts[Index]->Assign(Font);
    for (int i = Index + 1; i <= lineEnd; ++i) CharPositions[i].X += d;
  }
  if (DoDraw) RedrawLine(Canvas, Index, lineEnd - 1, false);
  CurrentI = Index + 1;
  MoveCaretTo(CharPositions[CurrentI]);
}

bool TTextPage::NewLine(QObject* Sender, TShiftState Shift, bool Interactive) {
  if (LastTextCell() >= 4094 || CurrentI >= MaxCharacters || CurrentI < 1) {
    TextWarningDlg("Maximum character limit reached", 20);
    TextDropQueuedKeys();
    return false;
  }
  if (HasModifier(Shift)) {
    TextBeep(1);
    return false;
  }
  if (Interactive && CaretY + LineHeight + Host->StandardSize() / 2 >= bMargin) {
    if (Sender == static_cast<QObject*>(Host->MainWindowObject())) TextBeep(0);
    CaretFromPoint(CaretPos.X, CaretPos.Y, 13);
    return false;
  }
  if (!TextBurst) {
    ClearScriptButtons();
    Host->PushTextUndo(Sender);
    TextBurst = true;
  }
  ShiftDataUp(CurrentI, 1);
  CharCodes[CurrentI] = 0;
  CharFonts[CurrentI]->Assign(*FontBefore(CurrentI));
  CharOffsets[CurrentI] = 0;
  ++CurrentI;
  LayoutTextCells();
  if (Interactive) {
    Host->RefreshAllImages(Sender, false);
    Host->InvalidatePage();
  }
  MoveCaretTo(CharPositions[CurrentI]);
  return true;
}

void TTextPage::DeleteKey(QObject* Sender, TShiftState Shift) {
  if (HasModifier(Shift)) {
    TextBeep(1);
    return;
  }
  if (Host->DeleteSelectedImageObject()) return;
  if (!Host->ButtonDown(TextButton::tbText)) {
    Host->DeleteSelectedFigures();
    return;
  }
  Host->DeselectImage(Sender, true);
  if (HasTextSelection()) {
    Host->DeleteSelectedText(Sender);
    return;
  }
  if (!DeleteUndoTaken && Host->MenuChecked(TextMenu::IncDelandBackinUndo1)) Host->PushTextUndo(Sender);
  DeleteUndoTaken = true;
  if (CurrentI < 1 || CurrentI >= MaxCharacters) {
    TextBeep(1);
    return;
  }
  if (CharCodes[CurrentI] != 0) {
    DeleteCharAtCaret(Sender, Host->PageCanvas(), true);
  } else {
    // The caret is on a line end: the next line joins this one.
    TCanvas* canvas = Host->PageCanvas();
    const int last = std::max(LastTextCell(), LastUsedIndex());
    RedrawLine(canvas, CurrentI, last, true);
    ShiftDataDown(CurrentI, 1);
    LayoutTextCells();
    RedrawLine(canvas, CurrentI, last, false);
    SetModified();
    Host->InvalidatePage();
  }
}

void TTextPage::DeleteCharAtCaret(QObject* Sender, TCanvas* Canvas, bool DoDraw) {
  if (CurrentI < 1 || CurrentI >= MaxCharacters || CharCodes[CurrentI] == 0) {
    TextBeep(1);
    return;
  }
  if (!Canvas) DoDraw = false;
  const int lineEnd = LineEndOf(CurrentI);
  const bool atMargin = CharPositions[CurrentI].X == lMargin;
  const TPoint caretPos = CharPositions[CurrentI];
  if (DoDraw) RedrawLine(Canvas, CurrentI, lineEnd - 1, true);
  ShiftDataDown(CurrentI, 1);
  LayoutTextCells();
  if (DoDraw) RedrawLine(Canvas, CurrentI, lineEnd - 1, false);
  SetModified();
  if (atMargin) CharPositions[CurrentI] = caretPos;
  MoveCaretTo(CharPositions[CurrentI]);
}

void TTextPage::BackspaceKey(QObject* Sender, TShiftState Shift) {
  if (HasModifier(Shift)) {
    TextBeep(1);
    return;
  }
  if (CurrentI <= 1) {
    CurrentI = 1;
    CharPositions[1] = TPoint(lMargin, tMargin);
    MoveCaretTo(CharPositions[1]);
    TextBeep(1);
    return;
  }
  if (CurrentI > MaxCharacters) CurrentI = MaxCharacters;
  if (!BackspaceUndoTaken) {
    if (Host->MenuChecked(TextMenu::IncDelandBackinUndo1)) Host->PushTextUndo(Sender);
    BackspaceUndoTaken = true;
  }
  if (CurrentI >= 3 && CharCodes[CurrentI - 1] != 0 && CharCodes[CurrentI - 2] != 0) {
    TCanvas* canvas = Host->PageCanvas();
    --CurrentI;
    const int lineEnd = LineEndOf(CurrentI);
    const int removedX = CharPositions[CurrentI].X;
    RedrawLine(canvas, CurrentI, lineEnd - 1, true);
    SetModified();
    ShiftDataDown(CurrentI, 1);
    // The rest of the line closes up from the removed cell's X, its line end included.
    int x = removedX;
    for (int i = CurrentI; i <= lineEnd - 1 && i <= MaxCharacters; ++i) {
      CharPositions[i].X = x;
      if (i < lineEnd - 1) x += CellTextWidth(*CharFonts[i], CharCodes[i]) + 1;
    }
    CharPositions[CurrentI].X =
        CharPositions[CurrentI - 1].X + CellTextWidth(*CharFonts[CurrentI - 1], CharCodes[CurrentI - 1]) + 1;
    RedrawLine(canvas, CurrentI, lineEnd - 2, false);
    MoveCaretTo(CharPositions[CurrentI]);
    Host->InvalidatePage();
  } else {
    BackspaceAtLineStart(CurrentI);
  }
}

void TTextPage::BackspaceAtLineStart(int32_t& Index) {
  if (Index <= 1 || Index > MaxCharacters) return;
  TCanvas* canvas = Host->PageCanvas();
  const int before = Index - 1;
  const int lastBefore = std::max(LastTextCell(), LastUsedIndex());
  // Closes the cell before the caret. The gap routine puts the caret cell back at the old caret
  // position when that stood at the margin; here every cell keeps its own position, so the cell
  // that moves into the caret's place gets its position back.
  auto closeCellBefore = [&] {
    const int caret = std::clamp(CurrentI, 1, MaxCharacters);
    const TPoint next = caret < MaxCharacters ? CharPositions[caret + 1] : CharPositions[caret];
    ShiftDataDown(before, 1);
    if (caret >= before) CharPositions[caret] = next;
    Index = before;
  };
  auto moveLaterUp = [&](int from) {
    for (int i = from; i < MaxCharacters; ++i)
      if (CharPositions[i].Y != 0) CharPositions[i].Y -= LineHeight;
  };
  if (CharCodes[before] == 0 && CharPositions[before].X != lMargin) {
    // The caret starts a line: join it to the line above.
    RedrawLine(canvas, before, lastBefore, true);
    const int shiftX = CharPositions[before].X - lMargin;
    const int joinedEnd = LineEndOf(Index);
    closeCellBefore();
    // Cells before .. joinedEnd - 1 are the joined line, its line end included.
    for (int i = before; i <= joinedEnd - 1 && i < MaxCharacters; ++i) {
      CharPositions[i].X += shiftX;
      CharPositions[i].Y -= LineHeight;
    }
    moveLaterUp(joinedEnd);
    RedrawLine(canvas, before, lastBefore, false);
    SetModified();
  } else if (CharCodes[before] == 0 && CharPositions[before].X == lMargin && CharPositions[Index].X == lMargin) {
    // An empty line above the caret is removed.
    RedrawLine(canvas, before, lastBefore, true);
    closeCellBefore();
    moveLaterUp(before);
    RedrawLine(canvas, before, lastBefore, false);
    SetModified();
  } else if (CharCodes[before] != 0) {
    // The character before the caret is the first of its line.
    Index = before;
    DeleteCharAtCaret(nullptr, canvas, true);
  }
  MoveCaretTo(CharPositions[std::clamp(Index, 1, MaxCharacters)]);
  Host->InvalidatePage();
}

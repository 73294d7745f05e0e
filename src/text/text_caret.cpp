// The caret over the caret cell, point-to-cell searches, the status bar readouts of the caret
// cell, and the highlighted text selection.
#include <algorithm>
#include <cstdio>

#include "helpers/small_helpers.h"
#include "platform/canvas.h"
#include "text/text_glue.h"
#include "text/text_page.h"

namespace {

std::string Format3(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  return buf;
}

}  // namespace

int TTextPage::CaretHeightFor(int32_t Index) {
  if (Index - 1 >= 0 && Index - 1 < CellCount && CharFonts[Index - 1]) return CharFonts[Index - 1]->Size() + 2;
  if (Index - 1 >= 0 && Index - 1 < CellCount) CharOffsets[Index - 1] = 0;
  if (Index >= 0 && Index < CellCount && CharFonts[Index]) return CharFonts[Index]->Size() + 3;
  return 15;
}

void TTextPage::SetCaretPosition(QObject* Sender, TShiftState Shift, int32_t Index) {
  if (Index == 0) Index = CurrentI;
  if (!TextPageReady() || !Host->CaretAllowed(Sender)) return;
  if (Shift & ssLeft) return;
  Index = std::clamp(Index, 1, MaxCharacters);
  const bool metric = Host->MetricUnits();
  const char* unit = metric ? "cm" : "''";
  const double factor = metric ? 2.54 : 1.0;
  const int h = CaretHeightFor(Index);
  const TPoint p = CharPositions[Index];
  try {
    const TPoint scroll = Host->ScrollPosition();
    Host->PlaceTextCaret(1, h, p.X - scroll.X, p.Y - h - scroll.Y + CharOffsets[Index - 1]);
  } catch (...) {
    TextUnknownError("SetCaretPosition(1)");
  }
  CaretPoint = p;
  if (Host->StatusBarEnabled()) {
    try {
      const double ppi = TextPixelsPerInch();
      const std::string x = Format3(p.X / ppi * factor);
      const std::string y = Format3(p.Y / ppi * factor);
      if (Index > 1) {
        const TFont& f = *CharFonts[Index - 1];
        Host->SetStatusPanel(0, " Font Size: " + std::to_string(f.Size()));
        Host->SetStatusPanel(1, " Font Offset: " + std::to_string(CharOffsets[Index - 1]));
        Host->SetStatusPanel(2, f.Name);
      }
      if (Host->MenuChecked(TextMenu::InPixels1))
        Host->SetStatusPanel(3, "X:" + std::to_string(p.X) + "  Y:" + std::to_string(p.Y) + " Pixels");
      else
        Host->SetStatusPanel(3, "> " + x + unit + "   ^ " + y + unit);
    } catch (...) {
      TextShowMessage("SetCaretPosition problem");
    }
  }
}

void TTextPage::AppRestore() {
  if (Host->ButtonDown(TextButton::tbText) && (Host->PageCanvas() != nullptr)) SetCaretPosition(nullptr, 0, 0);
}

void TTextPage::CaretFromPoint(int X, int Y, uint16_t Key) {
  // The rectangle stops one pixel short of the next baseline for vertical moves both ways, so that
  // moving down from a long line onto a shorter one does not reach the line after it.
  TCanvas* canvas = Host->PageCanvas();
  const int widthOfW = canvas ? canvas->TextWidth(QString::fromLatin1("W")) : 11;
  CaretHitRect = TRect(X - 2, Y, X + widthOfW, Y + LineHeight - (Key == 38 || Key == 40 ? 1 : 0));
  int L = LastUsedIndex();
  if (L <= 1) L = 2;
  L = std::min(L, MaxCharacters);
  LastLaidOutCell = int16_t(L);
  const int previous = CurrentI;
  if (Y > CharPositions[L - 1].Y) {
    CurrentI = L - 1;
    SetCaretPosition(nullptr, 0, 0);
    return;
  }
  int hit = -1;
  // Cell 0 is the template cell and never a caret cell.
  for (int i = 1; i < MaxCharacters; ++i) {
    if (PtInRectInclusive(CharPositions[i].X, CharPositions[i].Y, CaretHitRect)) {
      hit = i;
      break;
    }
  }
  if (hit >= 1 && hit < L) {
    CurrentI = hit;
    MoveCaretTo(CharPositions[CurrentI]);
  } else if (Host->IsMouseClickActive()) {
    if (Y > CharPositions[L].Y) {
      CurrentI = L - 1;
      MoveCaretTo(CharPositions[CurrentI]);
    } else {
      MoveToNearestLineEnd(X, Y);
      return;
    }
  } else if (Y < CharPositions[L].Y) {
    // The line whose baseline equals Y exactly: its last cell.
    for (int i = 1; i <= MaxCharacters; ++i) {
      if (CharPositions[i].Y == Y) {
        int j = i;
        while (j < MaxCharacters && CharPositions[j + 1].Y == Y) ++j;
        CurrentI = j;
        CaretY = int16_t(Y);
        CaretPos = TPoint(CharPositions[j].X, Y);
        break;
      }
    }
  } else {
    CurrentI = L;
    MoveCaretTo(CharPositions[L]);
    if (previous >= 1 && previous < MaxCharacters && CharPositions[previous].X == lMargin &&
        CharPositions[previous + 1].X == lMargin)
      CharPositions[previous + 1] = TPoint(0, 0);
  }
  SetCaretPosition(nullptr, 0, 0);
}

void TTextPage::MoveToNearestLineEnd(int X, int Y) {
  int found = 1;
  for (int i = 1; i < MaxCharacters; ++i) {
    if (CharPositions[i].Y >= Y) {
      found = i;
      break;
    }
  }
  CurrentI = found;
  MoveCaretTo(CharPositions[CurrentI]);
  if (X > lMargin) {
    try {
      doVK_End(nullptr, 0);
    } catch (...) {
      TextShowMessage("MoveToNearestLineEnd, if PosX > lMargin");
    }
  } else {
    HomeKey(nullptr, 0);
  }
  SetCaretPosition(nullptr, 0, 0);
}

void TTextPage::ClearSelection(bool ClearRange) {
  if (!HasTextSelection()) return;
  const int last = std::min(SelEnd, CellCount) - 1;
  for (int i = std::max(SelStart, 0); i <= last; ++i) UnhighlightChar(i);
  UpdateStyleButtons(nullptr, false, 0);
  if (ClearRange) ClearSelectionRange();
  if (Host->MenuChecked(TextMenu::AlwaysRefresh1)) Host->RefreshAllImages(nullptr, false);
}

void TTextPage::ClearSelectionRange() {
  SelStart = 0;
  SelEnd = 0;
}

void TTextPage::SelectAll1Click(QObject* Sender) {
  SelEnd = std::min(LastTextCell() + 1, MaxCharacters);
  SelStart = FirstTextCell();
  if (SelEnd > SelStart) {
    for (int i = SelStart; i < SelEnd; ++i) HighlightChar(i);
  } else {
    ClearSelectionRange();
  }
}

void TTextPage::HighlightChar(int32_t Index) {
  if (Index < 0 || Index >= CellCount || CharCodes[Index] < 32) return;
  TCanvas* c = Host->PageCanvas();
  if (!c) return;
  DrawCellGlyph(c, CharPositions[Index].X + 1, CharPositions[Index].Y + CharOffsets[Index], *CharFonts[Index],
                CharCodes[Index], clHighlightText, clHighlight);
  Host->InvalidatePage();
}

void TTextPage::UnhighlightChar(int32_t Index) {
  if (Index < 0 || Index >= CellCount || CharCodes[Index] < 32) return;
  TCanvas* c = Host->PageCanvas();
  if (!c) return;
  DrawCellGlyph(c, CharPositions[Index].X + 1, CharPositions[Index].Y + CharOffsets[Index], *CharFonts[Index],
                CharCodes[Index], CharFonts[Index]->Color, Host->PageBackgroundColor());
  Host->InvalidatePage();
}


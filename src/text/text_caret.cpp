// The caret over the caret cell, point-to-cell searches, the status bar readouts of the caret
// cell, and the highlighted text selection.
#include <algorithm>
#include <unordered_map>

#include <QImage>

#include "helpers/small_helpers.h"
#include "platform/canvas.h"
#include "platform/numeric.h"
#include "text/text_glue.h"
#include "text/text_page.h"

namespace {

// Three decimals, halves away from zero as every number text of the program.
std::string Format3(double v) { return FormatFixed(v, 3); }

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

namespace {

// What highlighting a cell did: its box, the page pixels under the box before, and the pixels it
// painted there. Taking the highlight off puts the old pixels back when the box still shows what
// the highlight painted, so highlight and unhighlight give back the page exactly.
struct THighlightSave {
  TRect Box;
  QImage Under;
  QImage Painted;
};

std::unordered_map<int32_t, THighlightSave>& HighlightSaves() {
  static std::unordered_map<int32_t, THighlightSave> saves;
  return saves;
}

// The highlight box of a cell: from its left edge up to the next cell's (the glyph's width and
// the one-pixel gap, so that a highlighted run has no gaps), and one line spacing high around the
// baseline with a quarter of it below, so that the boxes of neighbouring lines meet without
// overlapping. Clipped to the page.
TRect HighlightBox(const TTextPage& page, int32_t Index, const TCanvas& canvas) {
  const TPoint p = page.CharPositions[size_t(Index)];
  const int w = CellTextWidth(*page.CharFonts[size_t(Index)], page.CharCodes[size_t(Index)]);
  const int below = LineHeight / 4;
  TRect box(p.X, p.Y + below - LineHeight, p.X + w + 1, p.Y + below);
  box.Left = std::max(box.Left, 0);
  box.Top = std::max(box.Top, 0);
  box.Right = std::min(box.Right, canvas.Width());
  box.Bottom = std::min(box.Bottom, canvas.Height());
  return box;
}

QImage BoxPixels(TCanvas& canvas, const TRect& box) {
  if (canvas.Backend().OnAccess) canvas.Backend().OnAccess();
  return canvas.Image()->copy(QRect(box.Left, box.Top, box.Width(), box.Height()));
}

// Runs draw with the canvas clipped to box; the canvas's own clip comes back afterwards.
template <typename F>
void DrawClipped(TCanvas& canvas, const TRect& box, F draw) {
  const bool clipped = canvas.HasClipRect();
  const TRect clip = canvas.ClipRect();
  canvas.SetClipRect(box);
  draw();
  if (clipped)
    canvas.SetClipRect(clip);
  else
    canvas.ClearClipRect();
}

}  // namespace

void TTextPage::HighlightChar(int32_t Index) {
  if (Index < 0 || Index >= CellCount || CharCodes[Index] < 32 || CharPositions[Index].Y == 0) return;
  TCanvas* c = Host->PageCanvas();
  if (!c || !c->Image()) return;
  const TRect box = HighlightBox(*this, Index, *c);
  if (box.IsEmpty()) return;
  THighlightSave save;
  save.Box = box;
  save.Under = BoxPixels(*c, box);
  const TBrush brush = c->Brush;
  c->Brush = TBrush{clHighlight, bsSolid};
  c->FillRect(box);
  c->Brush = brush;
  DrawClipped(*c, box, [&] {
    DrawCellGlyph(c, CharPositions[Index].X + 1, CharPositions[Index].Y + CharOffsets[Index], *CharFonts[Index],
                  CharCodes[Index], clHighlightText, clNone);
  });
  save.Painted = BoxPixels(*c, box);
  HighlightSaves()[Index] = std::move(save);
  Host->InvalidatePage();
}

void TTextPage::UnhighlightChar(int32_t Index) {
  if (Index < 0 || Index >= CellCount || CharCodes[Index] < 32 || CharPositions[Index].Y == 0) return;
  TCanvas* c = Host->PageCanvas();
  if (!c || !c->Image()) return;
  const TRect box = HighlightBox(*this, Index, *c);
  auto& saves = HighlightSaves();
  const auto it = saves.find(Index);
  if (it != saves.end() && it->second.Box == box && BoxPixels(*c, box) == it->second.Painted) {
    const TCopyMode mode = c->CopyMode;
    c->CopyMode = cmSrcCopy;
    c->DrawImage(box, it->second.Under);
    c->CopyMode = mode;
  } else if (!box.IsEmpty()) {
    // The page changed under the highlight since: the box is painted in the page colour and the
    // text that reaches into it is drawn again.
    const TBrush brush = c->Brush;
    c->Brush = TBrush{Host->PageBackgroundColor(), bsSolid};
    c->FillRect(box);
    c->Brush = brush;
    DrawClipped(*c, box, [&] { Host->RefreshText(c, 1.0, 1.0, false, 1); });
  }
  if (it != saves.end()) saves.erase(it);
  Host->InvalidatePage();
}


// The page part: what the text engine needs of page composition, image objects, the text
// clipboard and the undo store.
#include "page/page_part.h"

#include <algorithm>
#include <cmath>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "app/main_window.h"
#include "cad/engine.h"
#include "helpers/error_report.h"
#include "platform/canvas.h"
#include "platform/clipboard_formats.h"
#include "text/text_glue.h"

int TextUndoCount = 0;

bool ClipboardHasPasteFormat() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data) return false;
  for (const unsigned format : HandledClipboardFormats) {
    switch (format) {
      case CF_TEXT:
        if (data->hasText()) return true;
        break;
      case CF_BITMAP:
      case CF_DIB:
        if (data->hasImage()) return true;
        break;
      default: {
        // The registered formats travel under their own MIME types; the metafile formats have
        // none on this platform.
        const std::string mime = ClipboardFormatMimeType(format);
        if (!mime.empty() && data->hasFormat(QString::fromStdString(mime))) return true;
        break;
      }
    }
  }
  return false;
}

void PushTextUndo(QObject* Sender) {
  ++TextUndoCount;
  TextSetButtonEnabled(TextButton::tbUndo, true);
}

TForm1* TPagePart::Form() { return static_cast<TForm1*>(this); }

void TPagePart::RefreshAllImages(QObject* Sender, bool NoHourglass) {
  TForm1* f = Form();
  TCanvas* c = TextPageCanvas();
  // A repaint leaves no node ticks on the page.
  if (Figures) Figures->TicksErased = true;
  if (c) {
    c->Brush.Color = TextBackgroundColor();
    c->Brush.Style = bsSolid;
    c->FillRect(TRect(0, 0, c->Width(), c->Height()));
    // The vector shapes, under both text layers. Node ticks are never composed into the page.
    if (Figures && Figures->Count() > 0) {
      const bool ticks = Figures->WantTicks;
      Figures->WantTicks = false;
      try {
        Figures->DrawAll(*c, 0, 0, false);
      } catch (...) {
        ShowUnknownError("RefreshAllImages RefreshLines");
      }
      Figures->WantTicks = ticks;
    }
    RefreshText(c, 1.0, 1.0, false, 1);
    if (f->HasTextSelection())
      for (int i = std::max(f->SelStart, 1); i < std::min(f->SelEnd, CellCount); ++i) f->HighlightChar(i);
    TextInvalidatePage();
  }
  if (TextButtonDown(TextButton::tbText) && Sender != static_cast<QObject*>(TextMainWindowObject()))
    f->SetCaretPosition(Sender, 0, 0);
}

void TPagePart::RefreshText(TCanvas* Canvas, double XScale, double YScale, bool UseBackgroundColour, int FirstCell) {
  TForm1* f = Form();
  if (!Canvas || !f->TextPageReady()) return;
  const int last = LastTextCell();
  TCellPainter painter(Canvas);
  for (int layer = 0; layer < 2; ++layer) {
    for (int i = std::max(FirstCell, 1); i <= last; ++i) {
      if (f->CharCodes[i] == 0 || f->CharZOrder[i] != bool(layer) || f->CharPositions[i].Y == 0) continue;
      const TFont& font = *f->CharFonts[i];
      if (f->CharCodes[i] == chMarker && SameFontName(font.Name, "ZQVSerif")) continue;
      const int x = int(std::lround((f->CharPositions[i].X + 1) * XScale));
      const int y = int(std::lround((f->CharPositions[i].Y + f->CharOffsets[i]) * YScale));
      painter.Draw(x, y, font, f->CharCodes[i], UseBackgroundColour ? TextBackgroundColor() : font.Color);
    }
  }
  TextInvalidatePage();
}

bool TPagePart::DeselectImage(QObject* Sender, bool StoreRect) { return false; }

void TPagePart::DeleteSelectedText(QObject* Sender) {
  TForm1* f = Form();
  f->CurrentI = std::clamp(f->SelStart, 1, MaxCharacters - 1);
  if (f->HasTextSelection()) {
    PushTextUndo(Sender);
    const int count = std::min(f->SelEnd, MaxCharacters) - f->CurrentI;
    for (int k = 0; k < count; ++k) f->ShiftDataDown(f->CurrentI, 1);
    f->LayoutTextCells();
    f->ClearSelectionRange();
    RefreshAllImages(Sender, false);
  }
}

void TPagePart::TrimSelectionToText() {
  TForm1* f = Form();
  if (!f->HasTextSelection()) return;
  if (f->SelStart < MaxCharacters && f->SelEnd < MaxCharacters) {
    while (f->SelStart < f->SelEnd && f->CharCodes[f->SelStart] < 32) f->UnhighlightChar(f->SelStart++);
    while (f->SelEnd > f->SelStart && f->CharCodes[f->SelEnd - 1] < 32) f->UnhighlightChar(--f->SelEnd);
  } else {
    f->SelStart = f->SelEnd = 1;
  }
}

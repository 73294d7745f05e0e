// The page part: composition of the page, the text painter, the picture cache, and what the text
// engine needs of image objects and the text clipboard.
#include "page/page_part.h"

#include <QClipboard>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <cmath>

#include "cad/engine.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/clipboard_formats.h"
#include "platform/graphic.h"
#include "text/text_glue.h"
#include "text/text_page.h"

unsigned FormattedTextFormat = 0;
unsigned RichTextFormat = 0;
std::array<unsigned, 9> HandledClipboardFormats{};

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
        // Rich text from other programs comes under the rich-text MIME types.
        if (format == RichTextFormat && (data->hasFormat("text/rtf") || data->hasFormat("application/rtf")))
          return true;
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

struct TPagePart::TCachedPicture {
  qint64 Size = -1;
  QDateTime Modified;
  std::unique_ptr<TGraphic> Graphic;  // null: the file could not be decoded
};

void DecodeWholePicture(TGraphic& Graphic) {
  TBitmap probe(1, 1, pf24bit);
  Graphic.Draw(probe.Canvas(), TRect(0, 0, 1, 1));
}

TPagePart::TPagePart(TTextPage& text) : PageText(text) {}
TPagePart::~TPagePart() = default;

TGraphic* TPagePart::CachedPicture(const std::string& FileName) {
  const QFileInfo info(QString::fromStdString(FileName));
  if (!info.exists() || !info.isFile()) {
    PictureCache.erase(FileName);
    return nullptr;
  }
  auto& slot = PictureCache[FileName];
  if (slot && slot->Size == info.size() && slot->Modified == info.lastModified()) return slot->Graphic.get();
  slot = std::make_unique<TCachedPicture>();
  slot->Size = info.size();
  slot->Modified = info.lastModified();
  std::unique_ptr<TGraphic> g = CreateGraphicForFile(FileName);
  if (g) {
    try {
      g->LoadFromFile(FileName);
      if (!g->Empty()) {
        DecodeWholePicture(*g);
        slot->Graphic = std::move(g);
      }
    } catch (const std::exception&) {
      // Not decodable: drawn as nothing; the picture code decides what to tell the user.
    }
  }
  return slot->Graphic.get();
}

void TPagePart::ClearPictureCache() { PictureCache.clear(); }

void TPagePart::RefreshPicsFmTo(int First, int Last, TCanvas& Canvas) {
  for (int i = std::max(First, 0); i <= std::min(Last, MaxPictures - 1); ++i) {
    const TPictureRec& p = Pictures[size_t(i)];
    if (p.Missing) continue;
    if (TGraphic* g = CachedPicture(p.Name())) g->Draw(Canvas, p.Rect.ToRect());
  }
}

void TPagePart::RefreshPstsFmTo(int First, int Last, TCanvas& Canvas) {
  for (int i = std::max(First, 0); i <= std::min(Last, MaxPastes - 1); ++i) {
    const TPasteRec& p = Pastes[size_t(i)];
    if (p.NoFile) continue;
    if (TGraphic* g = CachedPicture(p.Name())) g->Draw(Canvas, p.Rect.ToRect());
  }
}

void TPagePart::RefreshImagesFmTo(int First, int Last, TCanvas& Canvas, int DX, int DY) {
  for (int i = std::max(First, 0); i <= std::min(Last, MaxImageObjects - 1); ++i) {
    if (i == FramedImage || !Images[size_t(i)]) continue;
    TGraphic* g = Images[size_t(i)]->Picture.Graphic();
    if (!g || g->Empty()) continue;
    TRect r = ImageRecs[size_t(i)].Rect.ToRect();
    r = TRect(r.Left + DX, r.Top + DY, r.Right + DX, r.Bottom + DY);
    g->Draw(Canvas, r);
  }
}

void TPagePart::RedrawShapes(TCanvas& Canvas) {
  if (Figures && Figures->Count() > 0) Figures->DrawAll(Canvas, 0, 0, false);
}

void TPagePart::RefreshAllImages(QObject* Sender, bool NoHourglass) {
  TTextPage* f = &PageText;
  // A repaint leaves no node ticks on the page.
  if (Figures) Figures->TicksErased = true;
  TCanvas* page = PageCanvas();
  TBitmap* buffer = PageBackBuffer();
  HideCadReferenceSelector();
  if (page) {
    // Each layer runs in its own guard: a failing layer is reported and leaves a page without it.
    auto step = [](const char* name, auto&& body) {
      try {
        body();
      } catch (...) {
        ShowUnknownError(std::string("RefreshAllImages ") + name);
      }
    };
    TCanvas* c = page;
    step("setting up bitmap", [&] {
      if (buffer) {
        if (buffer->Width() != page->Width() || buffer->Height() != page->Height())
          buffer->SetSize(page->Width(), page->Height());
        c = &buffer->Canvas();
      }
      c->Brush.Color = PageBackgroundColor();
      c->Brush.Style = bsSolid;
      c->FillRect(TRect(0, 0, c->Width(), c->Height()));
    });
    if (PictureCount > 0) step("RefreshPicsFmTo", [&] { RefreshPicsFmTo(0, PictureCount - 1, *c); });
    if (PasteCount > 0) step("RefreshPstsFmTo", [&] { RefreshPstsFmTo(0, PasteCount - 1, *c); });
    if (ImageCount > 0) step("RefreshImagesFmTo", [&] { RefreshImagesFmTo(0, ImageCount - 1, *c, 0, 0); });
    if (Figures && Figures->Count() > 0) {
      // Node ticks are never composed into the buffer.
      const bool ticks = Figures->WantTicks;
      Figures->WantTicks = false;
      step("RefreshLines", [&] { Figures->DrawAll(*c, 0, 0, false); });
      Figures->WantTicks = ticks;
    }
    step("RefreshText", [&] { RefreshText(c, 1.0, 1.0, false, 1); });
    step("drawing bitmap", [&] {
      if (c != page) page->DrawImage(TRect(0, 0, buffer->Width(), buffer->Height()), buffer->Image());
      InvalidatePage();
    });
    RedrawSelectionBand();
    if (f->HasTextSelection())
      for (int i = std::max(f->SelStart, 1); i < std::min(f->SelEnd, CellCount); ++i) f->HighlightChar(i);
  }
  UpdateCadSelector();
  if (ButtonDown(TextButton::tbText) && Sender != static_cast<QObject*>(MainWindowObject()))
    f->SetCaretPosition(Sender, 0, 0);
  (void)NoHourglass;
}

void TPagePart::RefreshText(TCanvas* Canvas, double XScale, double YScale, bool UseBackgroundColour, int FirstCell) {
  TTextPage* f = &PageText;
  if (!Canvas || !f->TextPageReady()) return;
  const int last = f->LastTextCell();
  TCellPainter painter(Canvas);
  for (int layer = 0; layer < 2; ++layer) {
    for (int i = std::max(FirstCell, 1); i <= last; ++i) {
      if (f->CharCodes[i] == 0 || f->CharZOrder[i] != bool(layer) || f->CharPositions[i].Y == 0) continue;
      const TFont& font = *f->CharFonts[i];
      if (f->CharCodes[i] == chMarker && SameFontName(font.Name, "ZQVSerif")) continue;
      const int x = int(std::lround((f->CharPositions[i].X + 1) * XScale));
      const int y = int(std::lround((f->CharPositions[i].Y + f->CharOffsets[i]) * YScale));
      painter.Draw(x, y, font, f->CharCodes[i], UseBackgroundColour ? PageBackgroundColor() : font.Color);
    }
  }
  InvalidatePage();
}

bool TPagePart::DeselectImage(QObject* Sender, bool StoreRect) { return false; }

void TPagePart::DeleteSelectedText(QObject* Sender) {
  TTextPage* f = &PageText;
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
  TTextPage* f = &PageText;
  if (!f->HasTextSelection()) return;
  if (f->SelStart < MaxCharacters && f->SelEnd < MaxCharacters) {
    while (f->SelStart < f->SelEnd && f->CharCodes[f->SelStart] < 32) f->UnhighlightChar(f->SelStart++);
    while (f->SelEnd > f->SelStart && f->CharCodes[f->SelEnd - 1] < 32) f->UnhighlightChar(--f->SelEnd);
  } else {
    f->SelStart = f->SelEnd = 1;
  }
}

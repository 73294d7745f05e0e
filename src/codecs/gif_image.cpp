// The GIF picture class: reading, writing, conversion, palette and bitmap caches and drawing
// (directly or through an animation painter).
#include "codecs/gif_image.h"

#include <cxxabi.h>
#include <QBuffer>
#include <algorithm>
#include <cstdlib>
#include <typeinfo>

#include "platform/canvas.h"
#include "platform/clipboard_formats.h"
#include "platform/numeric.h"
#include "platform/streams.h"

unsigned CF_GIF = 0;
bool PaletteDisplay = false;

void RegisterGIFImage() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterFileFormat("GIF", "GIF Image", [] { return std::make_unique<TGIFImage>(); });
  CF_GIF = RegisterClipboardFormat("GIF Image");
}

namespace {
struct TGIFRegistration {
  TGIFRegistration() { RegisterGIFImage(); }
} GIFRegistration;
TGIFPainterMaker PainterMaker = nullptr;

// The class name of a picture as messages show it ("TBitmap"), not the compiler's mangled form.
std::string ClassNameOf(const TGraphic& graphic) {
  const char* mangled = typeid(graphic).name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
  std::string text = status == 0 && name ? std::string(name.get()) : std::string(mangled);
  // Without namespaces, as the class is called in the program.
  const size_t colons = text.rfind("::");
  return colons == std::string::npos ? text : text.substr(colons + 2);
}
}  // namespace

void SetGIFPainterMaker(TGIFPainterMaker maker) { PainterMaker = maker; }

TGIFImage::TGIFImage() : Images(this), Header(this) { Clear(); }

TGIFImage::~TGIFImage() {
  StopDraw();
  for (TGIFAnimationPainter* p : Painters) p->Image = nullptr;
  Painters.clear();
  Clear();
}

void TGIFImage::Changed(void* sender) {
  if (OnChange) OnChange(sender);
}

void TGIFImage::Warning(const void* sender, int severity, const std::string& message) {
  if (OnWarning) OnWarning(sender, severity, message);
}

void TGIFImage::Clear() {
  StopDraw();
  FreeBitmap();
  Images.Clear();
  Header.ColorMap.Clear();
  Header.Width = Header.Height = 0;
  Header.Prepare();
  SetPalette(nullptr);
}

int TGIFImage::Add(TGIFSubImage* frame) {
  frame->Image = this;
  const int i = Images.Add(frame);
  FreeBitmap();
  Changed(this);
  return i;
}

int TGIFImage::Add(const TGraphic& source) {
  auto* frame = new TGIFSubImage(this);
  try {
    frame->Assign(source);
  } catch (...) {
    delete frame;
    throw;
  }
  return Add(frame);
}

void TGIFImage::SetWidth(int value) {
  for (const TGIFSubImage* f : Images.Items)
    if (f->Left() + f->Width() > value) RaiseGifError("Image width too small for contained frames");
  if (value != Header.Width) {
    Header.Width = uint16_t(std::clamp(value, 0, 65535));
    FreeBitmap();
    Changed(this);
  }
}

void TGIFImage::SetHeight(int value) {
  for (const TGIFSubImage* f : Images.Items)
    if (f->Top() + f->Height() > value) RaiseGifError("Image height too small for contained frames");
  if (value != Header.Height) {
    Header.Height = uint16_t(std::clamp(value, 0, 65535));
    FreeBitmap();
    Changed(this);
  }
}

TGIFVersion TGIFImage::GetVersion() const {
  TGIFVersion v = gvUnknown;
  for (const TGIFSubImage* f : Images.Items) {
    v = std::max(v, f->GetVersion());
    if (v == gv89a) break;
  }
  return v;
}

int TGIFImage::BitsPerPixel() const {
  int b = Header.ColorMap.BitsPerPixel();
  for (const TGIFSubImage* f : Images.Items) b = std::max(b, f->ColorMap.BitsPerPixel());
  return b;
}

int TGIFImage::ColorResolution() const { return BitsPerPixel() - 1; }

bool TGIFImage::DoDither() const {
  if (!(DrawOptions & gdoDither)) return false;
  return !(DrawOptions & gdoDitherOnPaletteDisplay) || PaletteDisplay;
}

void TGIFImage::SetDrawOptions(TGIFDrawOptions value) {
  if (value == DrawOptions) return;
  if (Painter) Painter->Stop();
  DrawOptions = value;
  FreeBitmap();
  SetPalette(nullptr);
  for (TGIFSubImage* f : Images.Items) {
    f->FreeBitmap();
    f->SetPalette(nullptr);
  }
  if (Header.ColorMap.Count == 0 && Images.Count() == 1) {
    TGIFSubImage* f = Images[0];
    Header.ColorMap.Assign(f->ColorMap);
    f->ColorMap.Clear();
    f->SetPalette(nullptr);
  }
  Changed(this);
}

void TGIFImage::SetReductionBits(int value) {
  if (value < 3 || value > 8) RaiseGifError("Invalid Bits Per Pixel value");
  ReductionBits = value;
}

// ---- Palette and bitmap

HPALETTE TGIFImage::GetPalette() {
  if (InGetPalette) RaiseGifError("No global or local color table defined");
  InGetPalette = true;
  struct TGuard {
    bool& Flag;
    ~TGuard() { Flag = false; }
  } guard{InGetPalette};
  if (Bitmap) {
    TPaletteEntries entries = Bitmap->Palette();
    if (!entries.empty()) return MakePalette(std::move(entries));
  }
  if (Palette) return Palette;
  if (DoDither()) return Palette = WebSafePalette();
  if (Header.ColorMap.Count > 0) return Palette = Header.ColorMap.ExportPalette();
  if (Images.Count() > 0) return Images[0]->GetPalette();
  return nullptr;
}

void TGIFImage::SetPalette(const HPALETTE& value) {
  if (value == Palette) return;
  Palette = value;
  if (Bitmap) {
    FreeBitmap();
    PaletteModified = true;
    Changed(this);
  }
}

TBitmap* TGIFImage::GetBitmap() {
  if (Empty()) return nullptr;
  if (Bitmap) return Bitmap.get();
  TGIFSubImage* first = Images[0];
  std::unique_ptr<TBitmap> bitmap;
  if (first->Left() == 0 && first->Top() == 0 && first->Width() == Width() && first->Height() == Height()) {
    TBitmap* rendered = first->GetBitmap();
    bitmap = rendered ? std::make_unique<TBitmap>(*rendered) : std::make_unique<TBitmap>();
  } else {
    // The image's palette, its size, and the first frame drawn into its place.
    const HPALETTE palette = GetPalette();
    bitmap = std::make_unique<TBitmap>(Width(), Height(), palette && !palette->empty() ? pf8bit : pf24bit);
    if (palette && !palette->empty()) bitmap->SetPalette(*palette);
    first->StretchDraw(bitmap->Canvas(), TRect(0, 0, Width(), Height()), false, false);
  }
  // Drawing on the bitmap (as the painters do) is a change of the image.
  bitmap->OnChange = [this](TBitmap*) { Changed(this); };
  Bitmap = std::move(bitmap);
  return Bitmap.get();
}

TBitmap* TGIFImage::NewBitmap() {
  FreeBitmap();
  Bitmap = std::make_unique<TBitmap>(std::max(Width(), 1), std::max(Height(), 1), pf24bit);
  Bitmap->OnChange = [this](TBitmap*) { Changed(this); };
  return Bitmap.get();
}

void TGIFImage::FreeBitmap() {
  if (Painter) Painter->Stop();
  Bitmap.reset();
}

void TGIFImage::AssignTo(TBitmap& dest) {
  TBitmap* b = GetBitmap();
  if (b) dest = *b;
}

// ---- Streams

void TGIFImage::SaveToStream(TStream& stream) {
  Progress(psStarting, 0, "Saving...");
  try {
    Header.SaveToStream(stream);
    Images.SaveToStream(stream);
    TGIFTrailer trailer(this);
    trailer.SaveToStream(stream);
  } catch (...) {
    Progress(psEnding, 0, "Saving...");
    throw;
  }
  Progress(psEnding, 100, "Saving...");
}

void TGIFImage::LoadFromStream(TStream& stream) {
  Progress(psStarting, 0, "Loading...");
  Clear();
  const int64_t start = stream.Position();
  try {
    Header.LoadFromStream(stream);
    Images.LoadFromStream(stream, this);
    TGIFTrailer trailer(this);
    trailer.LoadFromStream(stream);
  } catch (...) {
    stream.SetPosition(start);
    Progress(psEnding, 0, "Loading...");
    throw;
  }
  Progress(psEnding, 100, "Loading...");
}

// ---- Conversion

void TGIFImage::Assign(const TGraphic* source) {
  if (source == this) return;
  if (!source) {
    Clear();
    return;
  }
  if (const auto* gif = dynamic_cast<const TGIFImage*>(source)) {
    Clear();
    OnProgress = gif->OnProgress;
    OnWarning = gif->OnWarning;
    struct TRestore {
      TGIFImage* Self;
      ~TRestore() {
        Self->OnWarning = nullptr;
        Self->OnProgress = nullptr;
      }
    } restore{this};
    Progress(psStarting, 0, "Copying...");
    try {
      Header.Assign(gif->Header);
      ThreadPriority = gif->ThreadPriority;
      BackgroundColor = gif->BackgroundColor;
      DrawOptions = gif->DrawOptions;
      ColorReduction = gif->ColorReduction;
      DitherMode = gif->DitherMode;
      const int n = gif->Images.Count();
      for (int i = 0; i < n; ++i) {
        auto* frame = new TGIFSubImage(this);
        try {
          frame->Assign(gif->Images[i]);
        } catch (...) {
          delete frame;
          throw;
        }
        Add(frame);
        Progress(psRunning, MulDiv(i + 1, 100, n), "Copying...");
      }
    } catch (...) {
      Progress(psEnding, 0, "Copying...");
      throw;
    }
    Progress(psEnding, 100, "Copying...");
    return;
  }
  Clear();
  auto* frame = new TGIFSubImage(this);
  try {
    frame->Assign(*source);
  } catch (const EConvertError&) {
    delete frame;
    throw EConvertError("Cannot assign a " + ClassNameOf(*source) + " to a " + ClassNameOf(*this));
  } catch (...) {
    delete frame;
    throw;
  }
  Add(frame);
}

// ---- Drawing

void TGIFImage::DrawCache(TCanvas& canvas, const TRect& rect) {
  if (!Bitmap) return;
  if (DrawOptions & gdoTile) {
    const int w = std::max(Width(), 1), h = std::max(Height(), 1);
    for (int x = rect.Left; x < rect.Right; x += w)
      for (int y = rect.Top; y < rect.Bottom; y += h) GIFCanvasDrawImage(canvas, TRect(x, y, x + w, y + h), Bitmap->Image());
  } else {
    GIFCanvasDrawImage(canvas, rect, Bitmap->Image());
  }
}

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) {
  if (Drawing || Images.Count() == 0) return;
  Drawing = true;
  struct TGuard {
    bool& Flag;
    ~TGuard() { Flag = false; }
  } guard{Drawing};
  if (Images.Count() == 1 || !(DrawOptions & gdoAnimate)) {
    Images[0]->StretchDraw(canvas, rect, DrawOptions & gdoTransparent, DrawOptions & gdoTile);
    return;
  }
  if (Bitmap && !(DrawOptions & gdoDirect)) {
    DrawCache(canvas, rect);
    return;
  }
  if (Painter && PainterCanvas == &canvas && PainterRect == rect) return;
  while (Painter) {
    TGIFAnimationPainter* p = Painter;
    p->Stop();
    if (Painter == p) {
      // Still inside one of its own steps: it ends when that step returns.
      Painter = nullptr;
      break;
    }
  }
  FreeBitmap();
  TCanvas* target = &canvas;
  TRect targetRect = rect;
  if (!(DrawOptions & gdoDirect)) {
    TBitmap* b = NewBitmap();
    target = &b->Canvas();
    targetRect = TRect(0, 0, b->Width(), b->Height());
    // What lies under the picture shows through its transparent pixels.
    const QImage under = GIFCanvasCopyRect(canvas, rect);
    GIFCanvasDrawImage(*target, targetRect, under);
  }
  if (Empty() || targetRect.Left >= targetRect.Right || targetRect.Top >= targetRect.Bottom) {
    Painter = nullptr;
    return;
  }
  if (!PainterMaker) {
    Images[0]->StretchDraw(*target, targetRect, DrawOptions & gdoTransparent, DrawOptions & gdoTile);
    if (!(DrawOptions & gdoDirect)) DrawCache(canvas, rect);
    return;
  }
  TGIFAnimationPainter* painter = PainterMaker(this, target, DrawOptions, targetRect, &Painter);
  PainterCanvas = &canvas;
  PainterRect = rect;
  if (!painter->Threaded()) {
    painter->Execute();  // frees the painter; rethrows what ended it
    Painter = nullptr;
    if (!(DrawOptions & gdoDirect)) DrawCache(canvas, rect);
    return;
  }
  painter->Start();
  if (!(DrawOptions & gdoDirect)) DrawCache(canvas, rect);
}

void TGIFImage::StopDraw() {
  const std::vector<TGIFAnimationPainter*> painters = Painters;
  for (auto it = painters.rbegin(); it != painters.rend(); ++it)
    if (std::find(Painters.begin(), Painters.end(), *it) != Painters.end()) (*it)->Stop();
  Bitmap.reset();
}

// The text engine's side of the platform: glyph widths and drawing of cell bytes, messages and
// beeps, the Insert toggle, key events of the page and the special fonts.
#include "text/text_glue.h"
#include <deque>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QPainter>
#include <array>
#include <memory>
#include <unordered_map>

#include "helpers/error_report.h"
#include "platform/canvas.h"
#include "platform/app_dir.h"
#include "platform/caret.h"
#include "platform/exceptions.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/process_messages.h"
#include "platform/screen.h"
#include "text/text_page.h"

// ---- Glyph widths ----

namespace {

struct TWidthRow {
  std::array<int16_t, 256> W;
  TWidthRow() { W.fill(-1); }
  QFont Font;
  bool FontMade = false;
};

std::unordered_map<std::string, TWidthRow>& WidthRows() {
  static std::unordered_map<std::string, TWidthRow> rows;
  return rows;
}

std::string FontKey(const TFont& f) {
  std::string k = f.Name;
  k += '|';
  k += std::to_string(f.PixelSize());
  k += '|';
  k += char('0' + (f.Style & 15));
  k += char('A' + f.Charset % 26);
  k += char('0' + f.Pitch);
  k += std::to_string(f.Charset);
  return k;
}

}  // namespace

int CellTextWidth(const TFont& font, uint8_t ch) {
  TWidthRow& row = WidthRows()[FontKey(font)];
  int16_t& w = row.W[ch];
  if (w < 0) {
    if (!row.FontMade) {
      row.Font = font.ToQFont();
      row.FontMade = true;
    }
    QFontMetrics fm(row.Font);
    w = int16_t(fm.horizontalAdvance(QString(QChar(char16_t(ByteToFontChar(font, ch))))));
  }
  return w;
}

void DrawCellGlyph(TCanvas* canvas, int x, int y, const TFont& font, uint8_t ch, TColor color, TColor background) {
  if (!canvas) return;
  canvas->Font.Assign(font);
  canvas->Font.Color = color;
  canvas->SetTextAlign(TA_BASELINE | TA_LEFT);
  if (background == clNone) {
    canvas->SetBkMode(TRANSPARENT);
  } else {
    canvas->SetBkMode(OPAQUE);
    canvas->SetBkColor(background);
  }
  const char byte = char(ch);
  canvas->TextOutBytes(x, y, std::string_view(&byte, 1));
  canvas->SetBkMode(0);
}

namespace {

// One glyph as the page painter stamps it: the pixels that drawing the character sets, relative to
// the point on the base line where it is drawn. Text is drawn without antialiasing, so a glyph
// either sets a pixel to the text colour or leaves it; the stamp is worked out once, by drawing
// the character in white on black through QPainter and keeping the white pixels, and sets those
// pixels directly afterwards. A glyph that gives any other pixel (a colour glyph, a decoration
// drawn with partial cover) or reaches the edge of its trial image is not stamped: QPainter draws
// it every time.
struct TGlyphStamp {
  bool Usable = false;
  int Left = 0, Top = 0, Width = 0, Height = 0;
  std::vector<uint8_t> Bits;  // Width x Height, 1 where the glyph sets the pixel
};

struct TGlyphFont {
  QFont Font;
  bool FontMade = false;
  std::array<std::unique_ptr<TGlyphStamp>, 256> Glyphs;
};

// The stamps of every font met so far, by the same font key as the glyph widths. Fonts added to
// the font database may change what a name resolves to, so the stamps are dropped then.
std::unordered_map<std::string, TGlyphFont>& GlyphFonts() {
  static std::unordered_map<std::string, TGlyphFont> fonts;
  static const bool hooked = [] {
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
      QObject::connect(app, &QGuiApplication::fontDatabaseChanged, app, [] { fonts.clear(); });
    return true;
  }();
  (void)hooked;
  return fonts;
}

QString CellGlyphText(const TFont& font, uint8_t ch) { return QString(QChar(char16_t(ByteToFontChar(font, ch)))); }

std::unique_ptr<TGlyphStamp> MakeGlyphStamp(const QFont& qfont, const QString& text) {
  auto stamp = std::make_unique<TGlyphStamp>();
  const int em = qfont.pixelSize();
  if (em <= 0 || em > 128) return stamp;  // large glyphs are drawn each time
  const int size = 6 * em + 24, ox = size / 3, oy = size / 2;
  QImage trial(size, size, QImage::Format_RGB32);
  trial.fill(0xFF000000u);
  {
    QPainter p(&trial);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(qfont);
    p.setPen(QColor(255, 255, 255));
    p.drawText(QPoint(ox, oy), text);
  }
  int left = size, top = size, right = -1, bottom = -1;
  for (int y = 0; y < size; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(trial.constScanLine(y));
    for (int x = 0; x < size; ++x) {
      if (row[x] == 0xFF000000u) continue;
      if (row[x] != 0xFFFFFFFFu || x == 0 || y == 0 || x == size - 1 || y == size - 1) return stamp;
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  stamp->Usable = true;
  if (right < 0) return stamp;  // a blank glyph sets nothing
  stamp->Left = left - ox;
  stamp->Top = top - oy;
  stamp->Width = right - left + 1;
  stamp->Height = bottom - top + 1;
  stamp->Bits.resize(size_t(stamp->Width) * size_t(stamp->Height));
  for (int y = 0; y < stamp->Height; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(trial.constScanLine(top + y)) + left;
    for (int x = 0; x < stamp->Width; ++x) stamp->Bits[size_t(y) * size_t(stamp->Width) + size_t(x)] = row[x] != 0xFF000000u;
  }
  return stamp;
}

}  // namespace

struct TCellPainter::Impl {
  QImage* Image = nullptr;
  QPainter Painter;  // begun only for glyphs that are not stamped
  std::string Key;
  TGlyphFont* Font = nullptr;
  TColor Color = clNone;
  uint32_t Pixel = 0;  // the text colour as the page's pixels hold it
  bool PenSet = false;

  void Stamp(const TGlyphStamp& g, int x, int y) {
    const int w = Image->width(), h = Image->height();
    const int x0 = x + g.Left, y0 = y + g.Top;
    const int i0 = std::max(0, -x0), i1 = std::min(g.Width, w - x0);
    const int j0 = std::max(0, -y0), j1 = std::min(g.Height, h - y0);
    if (i0 >= i1 || j0 >= j1) return;
    uchar* base = Image->bits();
    const qsizetype bpl = Image->bytesPerLine();
    for (int j = j0; j < j1; ++j) {
      uint32_t* row = reinterpret_cast<uint32_t*>(base + qsizetype(y0 + j) * bpl) + x0;
      const uint8_t* bits = g.Bits.data() + size_t(j) * size_t(g.Width);
      for (int i = i0; i < i1; ++i)
        if (bits[i]) row[i] = Pixel;
    }
  }
};

TCellPainter::TCellPainter(TCanvas* canvas) : Canvas(canvas) {
  if (!canvas || !canvas->Image() || canvas->HasClipRect() || canvas->Image()->format() != QImage::Format_RGB32) return;
  // The canvas's surface is brought up to date first, as each of its own calls does.
  if (canvas->Backend().OnAccess) canvas->Backend().OnAccess();
  P = new Impl;
  P->Image = canvas->Image();
}

TCellPainter::~TCellPainter() {
  if (!P) return;
  if (P->Painter.isActive()) P->Painter.end();
  ++Canvas->Backend().Changes;
  delete P;
}

void TCellPainter::Draw(int x, int y, const TFont& font, uint8_t ch, TColor color) {
  if (!P) {
    DrawCellGlyph(Canvas, x, y, font, ch, color, clNone);
    return;
  }
  std::string key = FontKey(font);
  if (key != P->Key) {
    TGlyphFont& f = GlyphFonts()[key];
    if (!f.FontMade) {
      f.Font = font.ToQFont();
      f.FontMade = true;
    }
    P->Font = &f;
    P->Key = std::move(key);
    if (P->Painter.isActive()) P->Painter.setFont(f.Font);
  }
  if (color != P->Color) {
    const TColor rgb = ColorToRGB(color);
    P->Pixel = qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
    P->Color = color;
    P->PenSet = false;
  }
  std::unique_ptr<TGlyphStamp>& stamp = P->Font->Glyphs[ch];
  if (!stamp) stamp = MakeGlyphStamp(P->Font->Font, CellGlyphText(font, ch));
  if (stamp->Usable) {
    if (P->Painter.isActive()) P->Painter.end();
    P->Stamp(*stamp, x, y);
    return;
  }
  if (!P->Painter.isActive()) {
    P->Painter.begin(P->Image);
    P->Painter.setRenderHint(QPainter::Antialiasing, false);
    P->Painter.setRenderHint(QPainter::TextAntialiasing, false);
    P->Painter.setFont(P->Font->Font);
    P->PenSet = false;
  }
  if (!P->PenSet) {
    P->Painter.setPen(QColor(QRgb(P->Pixel)));
    P->PenSet = true;
  }
  // The point is on the base line, as the page draws text with baseline alignment.
  P->Painter.drawText(QPoint(x, y), CellGlyphText(font, ch));
}

void TTextPage::PrepareTextCanvas(TCanvas* Canvas) {
  if (!Canvas) return;
  Canvas->SetTextAlign(TA_BASELINE | TA_LEFT);
  Canvas->Brush.Style = bsClear;
  Canvas->SetBkMode(TRANSPARENT);
}

int TextPixelsPerInch() { return ScreenPixelsPerInch(); }

// ---- Messages ----

void TextShowMessage(const std::string& text) { MessageBox(text, ApplicationTitle(), MB_OK); }

void TextWarningDlg(const std::string& text, int helpCtx) { MessageDlg(text, mtWarning, mbOK, helpCtx); }

void TextBeep(unsigned type) { MessageBeep(type); }

void TextUnknownError(const std::string& routine) { ShowUnknownError(routine); }

// ---- Insert toggle and keys ----

// The platform keeps the toggle as "insert mode on"; the text rules speak of the toggle being on
// for overtype.
bool InsertToggleOn() { return !InsertModeOn(); }
void SetInsertToggle(bool on) { SetInsertMode(!on); }

namespace {
// The key handlers let pending events run (repaints) while they work; a key that arrives then is
// kept here and handled after the one in progress, so fast typing keeps its order.
struct TQueuedKey {
  QEvent::Type Type;
  int Key;
  Qt::KeyboardModifiers Modifiers;
  QString Text;
  bool AutoRepeat;
  quint32 NativeScanCode, NativeVirtualKey, NativeModifiers;
};
bool HandlingKey = false;
std::deque<TQueuedKey> QueuedKeys;

bool HandleTextKey(TTextPage& page, QKeyEvent* event);
}  // namespace

bool TextKeyEvent(TTextPage& page, QKeyEvent* event) {
  if (!page.TextPageReady()) return false;
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
  if (HandlingKey) {
    QueuedKeys.push_back({event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat(),
                          event->nativeScanCode(), event->nativeVirtualKey(), event->nativeModifiers()});
    return true;
  }
  HandlingKey = true;
  struct TDone {
    ~TDone() { HandlingKey = false; }
  } done;
  // Input that arrives while the key is handled waits for it (a click cannot overtake keys).
  TDeferInputScope defer;
  bool handled = true;
  try {
    handled = HandleTextKey(page, event);
    while (!QueuedKeys.empty()) {
      const TQueuedKey k = QueuedKeys.front();
      QueuedKeys.pop_front();
      QKeyEvent next(k.Type, k.Key, k.Modifiers, k.NativeScanCode, k.NativeVirtualKey, k.NativeModifiers, k.Text,
                     k.AutoRepeat);
      HandleTextKey(page, &next);
    }
  } catch (...) {
    QueuedKeys.clear();  // the keys typed after a failure are not typed blind
    throw;
  }
  return handled;
}

void TextDropQueuedKeys() { QueuedKeys.clear(); }

namespace {
bool HandleTextKey(TTextPage& page, QKeyEvent* event) {
  // The window is the sender of the key handlers, as when it previews its controls' keys.
  QObject* form = page.Host->MainWindowObject();
  const TShiftState shift = ShiftStateOf(*event);
  uint16_t key = uint16_t(VirtualKeyOf(*event));
  if (event->type() == QEvent::KeyRelease) {
    // A release that auto-repeat produces is not the end of a keystroke.
    if (IsAutoRepeatRelease(*event)) return true;
    page.FormKeyUp(form, key, shift);
    return true;
  }
  if (event->type() != QEvent::KeyPress) return false;
  if (key == vk::Insert) ToggleInsertMode();
  // Tab is a dialog key: its press does not reach the key-down handler (which would clear the
  // selection that Tab indents); its release inserts the tab.
  if (key != 0 && key != vk::Tab) page.FormKeyDown(form, key, shift);
  const QString text = event->text();
  // Only printable characters are typed: keys whose text is a control character (Delete gives
  // DEL, 127) never reach the key-press handler.
  if (page.KeyPressEnabled && !(shift & (ssCtrl | ssAlt)) && text.size() == 1 &&
      text[0].category() != QChar::Other_Control) {
    bool ok = false;
    const uint8_t b = UnicodeToWin1252(char32_t(text[0].unicode()), ok);
    if (ok) {
      char c = char(b);
      page.FormKeyPress(form, c);
    }
  }
  return true;
}
}  // namespace

// ---- Caret ----

TRect TextCaretRect() {
  const TCaretState c = CaretState();
  if (!c.Visible) return TRect();
  return TRect(c.Position.x(), c.Position.y(), c.Position.x() + c.Size.width(), c.Position.y() + c.Size.height());
}

// ---- Special fonts ----

bool AddSpecialFonts() {
  struct Special {
    const char* Family;
    const char* File;
  };
  const Special fonts[] = {{"ZQVSerif", "ZQVSerif.TTF"}, {"ZQVRelMath", "RelMath.TTF"}};
  QStringList folders;
  const QString home = qEnvironmentVariable("KORVALIS_HOME");
  if (!home.isEmpty()) folders << QDir(home).filePath("fonts");
  folders << QString::fromStdString(ShippedDataDir() + "fonts");
  folders << QDir(QCoreApplication::applicationDirPath()).filePath("fonts");
  folders << QDir(QCoreApplication::applicationDirPath()).filePath("../fonts");
#ifdef KV_BUILD_FONTS_DIR
  folders << QString(KV_BUILD_FONTS_DIR);
#endif
  bool ok = true;
  for (const Special& s : fonts) {
    if (QFontDatabase::families().contains(s.Family, Qt::CaseInsensitive)) continue;
    bool added = false;
    for (const QString& folder : folders) {
      const QString path = QDir(folder).filePath(s.File);
      if (QFileInfo::exists(path) && QFontDatabase::addApplicationFont(path) >= 0) {
        added = true;
        break;
      }
    }
    ok = ok && added;
  }
  return ok;
}

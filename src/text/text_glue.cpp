// The text engine's side of the platform: glyph widths and drawing of cell bytes, messages and
// beeps, the Insert toggle, key events of the page and the special fonts.
#include "text/text_glue.h"
#include <deque>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QKeyEvent>
#include <QPainter>
#include <array>
#include <unordered_map>

#include "helpers/error_report.h"
#include "platform/canvas.h"
#include "platform/caret.h"
#include "platform/exceptions.h"
#include "platform/keys.h"
#include "platform/messages.h"
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

struct TCellPainter::Impl {
  QPainter Painter;
  std::string Key;
  TColor Color = clNone;
};

TCellPainter::TCellPainter(TCanvas* canvas) : Canvas(canvas) {
  if (!canvas || !canvas->Image() || canvas->HasClipRect() || canvas->Image()->format() != QImage::Format_RGB32) return;
  // The canvas's surface is brought up to date first, as each of its own calls does.
  if (canvas->Backend().OnAccess) canvas->Backend().OnAccess();
  P = new Impl;
  P->Painter.begin(canvas->Image());
  P->Painter.setRenderHint(QPainter::Antialiasing, false);
  P->Painter.setRenderHint(QPainter::TextAntialiasing, false);
}

TCellPainter::~TCellPainter() {
  if (!P) return;
  P->Painter.end();
  ++Canvas->Backend().Changes;
  delete P;
}

void TCellPainter::Draw(int x, int y, const TFont& font, uint8_t ch, TColor color) {
  if (!P) {
    DrawCellGlyph(Canvas, x, y, font, ch, color, clNone);
    return;
  }
  const std::string key = FontKey(font);
  if (key != P->Key) {
    P->Painter.setFont(font.ToQFont());
    P->Key = key;
  }
  if (color != P->Color) {
    const TColor rgb = ColorToRGB(color);
    P->Painter.setPen(QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
    P->Color = color;
  }
  // The point is on the base line, as the page draws text with baseline alignment.
  P->Painter.drawText(QPoint(x, y), QString(QChar(char16_t(ByteToFontChar(font, ch)))));
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

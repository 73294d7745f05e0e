#include "platform/font.h"

#include <algorithm>
#include <QFontMetrics>
#include <QHash>
#include <QMutex>
#include <QStringDecoder>
#include <array>
#include <cstdlib>

#include "platform/numeric.h"
#include "platform/screen.h"

namespace {
// 0x80..0x9F of Windows-1252; 0 marks the five undefined bytes.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString CaseFold(const std::string& s) { return QString::fromStdString(s).toCaseFolded(); }

// Which of the 256 byte codes a byte-glyph font has at U+F000 + b; computed once per family.
struct TByteGlyphTable {
  std::array<bool, 256> PrivateUse{};
};

QMutex& GlyphMutex() {
  static QMutex mutex;
  return mutex;
}
QHash<QString, TByteGlyphTable>& GlyphCache() {
  static QHash<QString, TByteGlyphTable> cache;
  return cache;
}

// Copied out under the lock: the cache may be cleared by another caller.
TByteGlyphTable ByteGlyphTable(const TFont& font) {
  QMutex& mutex = GlyphMutex();
  auto& cache = GlyphCache();
  const QString key = QString::fromStdString(font.Name).toCaseFolded() + QChar(u'|') + QString::number(font.Style);
  QMutexLocker lock(&mutex);
  auto it = cache.find(key);
  if (it != cache.end()) return *it;
  TByteGlyphTable table;
  QFont f(QString::fromStdString(font.Name));
  f.setPixelSize(16);
  QFontMetrics fm(f);
  for (int b = 0; b < 256; ++b) table.PrivateUse[b] = fm.inFontUcs4(0xF000u + uint(b));
  cache.insert(key, table);
  return table;
}
}  // namespace

void ForgetFontGlyphTables() {
  QMutexLocker lock(&GlyphMutex());
  GlyphCache().clear();
}

// ---- Windows-1252 ---------------------------------------------------------------------------

char32_t Win1252ToUnicode(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) {
    const char16_t c = kHigh[byte - 0x80];
    return c ? char32_t(c) : char32_t(byte);
  }
  return char32_t(byte);
}

uint8_t UnicodeToWin1252(char32_t ch, bool& ok) {
  ok = true;
  if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return uint8_t(ch);
  if (ch >= 0x80 && ch < 0xA0) {
    // Only the five undefined bytes come back from their C1 controls.
    if (kHigh[ch - 0x80] == 0) return uint8_t(ch);
    ok = false;
    return '?';
  }
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] != 0 && char32_t(kHigh[i]) == ch) return uint8_t(0x80 + i);
  ok = false;
  return '?';
}

QString Win1252ToQString(std::string_view bytes) {
  QString s;
  s.reserve(qsizetype(bytes.size()));
  for (char c : bytes) s.append(QChar(char16_t(Win1252ToUnicode(uint8_t(c)))));
  return s;
}

std::string QStringToWin1252(const QString& text) {
  std::string out;
  out.reserve(size_t(text.size()));
  for (char32_t ch : text.toUcs4()) {
    bool ok;
    out.push_back(char(UnicodeToWin1252(ch, ok)));
  }
  return out;
}

std::string FontNameToStoredBytes(const std::string& Name, size_t Capacity) {
  const std::u32string chars = QString::fromStdString(Name).toStdU32String();
  std::string bytes;
  bool every = true;
  for (char32_t ch : chars) {
    bool ok = false;
    const uint8_t b = UnicodeToWin1252(ch, ok);
    if (!ok) {
      every = false;
      break;
    }
    bytes.push_back(char(b));
  }
  if (every) {
    if (bytes.size() > Capacity) bytes.resize(Capacity);
    return bytes;
  }
  // UTF-8, cut before a character that would not fit whole.
  bytes.clear();
  for (char32_t ch : chars) {
    const std::string one = QString::fromStdU32String(std::u32string(1, ch)).toStdString();
    if (bytes.size() + one.size() > Capacity) break;
    bytes += one;
  }
  return bytes;
}

std::string FontNameFromStoredBytes(std::string_view Bytes) {
  const bool wide = std::any_of(Bytes.begin(), Bytes.end(), [](char c) { return uint8_t(c) >= 0x80; });
  if (wide) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(QByteArrayView(Bytes.data(), qsizetype(Bytes.size())));
    if (!utf8.hasError()) return text.toStdString();
  }
  return Win1252ToQString(Bytes).toStdString();
}

std::string StoredFontName(const std::string& Name, size_t Capacity) {
  return FontNameFromStoredBytes(FontNameToStoredBytes(Name, Capacity));
}

// ---- The font value ---------------------------------------------------------------------------

TFont::TFont() : Ppi(ScreenPixelsPerInch()) { SetSize(8); }

TFont::TFont(const std::string& name, int size, TFontStyles style, TColor color, TFontCharset charset)
    : Name(name), Color(color), Style(style), Charset(charset), Ppi(ScreenPixelsPerInch()) {
  SetSize(size);
}

int TFont::Size() const { return -MulDiv(HeightPx, 72, Ppi); }

// Heights beyond this many pixels are no font anyone can draw; the limit keeps every height and
// its negation, and the sizes derived from it, inside an int.
constexpr int MaxFontHeight = 32767;

void TFont::SetSize(int points) {
  const int64_t pixels = (int64_t(points) * Ppi + (points < 0 ? -36 : 36)) / 72;
  HeightPx = -int(std::clamp<int64_t>(pixels, -MaxFontHeight, MaxFontHeight));
}

void TFont::SetHeight(int pixels) { HeightPx = std::clamp(pixels, -MaxFontHeight, MaxFontHeight); }

void TFont::SetPixelsPerInch(int ppi) {
  if (ppi <= 0 || ppi == Ppi) return;
  const int size = Size();
  Ppi = ppi;
  SetSize(size);
}

void TFont::Assign(const TFont& other) {
  Name = other.Name;
  Color = other.Color;
  Style = other.Style;
  Charset = other.Charset;
  Pitch = other.Pitch;
  Escapement = other.Escapement;
  if (other.Ppi == Ppi) HeightPx = other.HeightPx;
  else SetSize(other.Size());
}

bool operator==(const TFont& a, const TFont& b) {
  return a.Name == b.Name && a.Color == b.Color && a.Style == b.Style && a.Charset == b.Charset &&
         a.Pitch == b.Pitch && a.Escapement == b.Escapement && a.HeightPx == b.HeightPx && a.Ppi == b.Ppi;
}

namespace {
QFont BaseQFont(const TFont& font) {
  QFont f(QString::fromStdString(font.Name));
  f.setBold(font.Style & fsBold);
  f.setItalic(font.Style & fsItalic);
  f.setUnderline(font.Style & fsUnderline);
  f.setStrikeOut(font.Style & fsStrikeOut);
  f.setKerning(false);
  f.setHintingPreference(QFont::PreferFullHinting);
  f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
  if (font.Pitch == fpFixed) f.setFixedPitch(true);
  return f;
}
}  // namespace

int TFont::PixelSize() const {
  if (HeightPx < 0) return -HeightPx;
  if (HeightPx == 0) return MulDiv(8, Ppi, 72);  // the platform's default height
  // A positive height is the cell height: find the em size whose ascent + descent fits it.
  QFont f = BaseQFont(*this);
  int em = HeightPx;
  for (int i = 0; i < 8 && em > 1; ++i) {
    f.setPixelSize(em);
    const int cell = QFontMetrics(f).ascent() + QFontMetrics(f).descent();
    if (cell <= HeightPx) break;
    em = std::max(1, MulDiv(em, HeightPx, cell));
    if (i > 3) --em;
  }
  return std::max(1, em);
}

QFont TFont::ToQFont() const {
  QFont f = BaseQFont(*this);
  f.setPixelSize(std::max(1, PixelSize()));
  return f;
}

bool TFont::DrawsByteGlyphs() const {
  if (Charset == SYMBOL_CHARSET) return true;
  const QString n = CaseFold(Name);
  return n == QString(kZQVSerifFont).toCaseFolded() || n == QString(kZQVRelMathFont).toCaseFolded();
}

TTextMetric GetTextMetrics(const TFont& font) {
  const QFont f = font.ToQFont();
  QFontMetrics fm(f);
  TTextMetric m;
  m.Ascent = fm.ascent();
  m.Descent = fm.descent();
  m.Height = m.Ascent + m.Descent;
  m.InternalLeading = std::max(0, m.Height - f.pixelSize());
  m.ExternalLeading = std::max(0, fm.leading());
  m.AveCharWidth = fm.averageCharWidth();
  m.MaxCharWidth = fm.maxWidth();
  return m;
}

// ---- Bytes in a font ---------------------------------------------------------------------------

char32_t ByteToFontChar(const TFont& font, uint8_t byte) {
  if (!font.DrawsByteGlyphs()) return Win1252ToUnicode(byte);
  if (ByteGlyphTable(font).PrivateUse[byte]) return 0xF000u + byte;
  return char32_t(byte);
}

QString BytesToFontText(const TFont& font, std::string_view bytes) {
  if (!font.DrawsByteGlyphs()) return Win1252ToQString(bytes);
  const TByteGlyphTable table = ByteGlyphTable(font);
  QString s;
  s.reserve(qsizetype(bytes.size()));
  for (char c : bytes) {
    const uint8_t b = uint8_t(c);
    s.append(QChar(char16_t(table.PrivateUse[b] ? 0xF000u + b : b)));
  }
  return s;
}

std::string FontTextToBytes(const TFont& font, const QString& text) {
  if (!font.DrawsByteGlyphs()) return QStringToWin1252(text);
  std::string out;
  for (char32_t ch : text.toUcs4()) {
    if (ch >= 0xF000 && ch <= 0xF0FF) out.push_back(char(ch - 0xF000));
    else if (ch <= 0xFF) out.push_back(char(ch));
    else {
      bool ok;
      out.push_back(char(UnicodeToWin1252(ch, ok)));
    }
  }
  return out;
}

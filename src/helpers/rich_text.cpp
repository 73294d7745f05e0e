// The Rich Text Format reader and writer of the rich-text helpers.
#include "helpers/rich_text.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <unordered_map>

namespace {

// Destinations whose groups hold no body text. Field instructions are skipped; a field's result
// is read as text.
bool IsSkippedDestination(std::string_view word) {
  static const char* const kSkip[] = {
      "stylesheet", "info", "pict", "object", "header", "footer", "headerl", "headerr", "headerf", "footerl",
      "footerr", "footerf", "footnote", "listtable", "listoverridetable", "rsidtbl", "generator",
      "xmlnstbl", "themedata", "colorschememapping", "latentstyles", "datastore", "filetbl", "revtbl",
      "pgdsctbl", "fldinst", "bkmkstart", "bkmkend", "nonshppict", "shp", "shpinst", "annotation",
      "atnid", "atnauthor", "author", "operator", "title", "subject", "keywords", "comment", "doccomm",
      "company", "template", "userprops", "mmathPr", "wgrffmtfilter", "pnseclvl", "pntext", "txe",
      "xe", "tc", "private", "protusertbl", "listtext", "falt", "panose", "fname", "blipuid"};
  for (const char* s : kSkip)
    if (word == s) return true;
  return false;
}

// The Windows-1252 byte of a named punctuation word, 0 when the word is not one.
uint8_t NamedCharacter(std::string_view word) {
  if (word == "lquote") return 0x91;
  if (word == "rquote") return 0x92;
  if (word == "ldblquote") return 0x93;
  if (word == "rdblquote") return 0x94;
  if (word == "bullet") return 0x95;
  if (word == "endash") return 0x96;
  if (word == "emdash") return 0x97;
  if (word == "emspace" || word == "enspace" || word == "qmspace") return 0x20;
  return 0;
}

enum class Dest : uint8_t { Body, FontTable, ColorTable, Skip };

struct GroupState {
  Dest Destination = Dest::Body;
  int Font = -1;  // font number selected by \f (-1: the document's default font)
  int ColorIndex = 0;
  int SizeHalfPoints = 24;
  TFontStyles Style = 0;
  bool Sub = false, Super = false;
  int OffsetTwips = 0;
  int UnicodeSkip = 1;
};

struct FontEntry {
  std::string Name;
  TFontCharset Charset = ANSI_CHARSET;
};

}  // namespace

class TRtfParser {
public:
  TRtfParser(TZQVRichEdit& target, std::string_view src) : Edit(target), Src(src) {}

  void Run() {
    Edit.LineTexts.assign(1, std::string());
    Edit.LineFormats.assign(1, {});
    Edit.Formats.clear();
    Stack.reserve(64);
    Stack.push_back(GroupState());
    while (Pos < Src.size() && !Full) {
      const char c = Src[Pos];
      if (c == '{') {
        ++Pos;
        if (int(Stack.size()) >= RichMaxDepth) {
          SkipGroup();
          continue;
        }
        Stack.push_back(Stack.back());
        GroupStart = true;
        if (Stack.back().Destination == Dest::FontTable) FontGroupStarted();
        continue;
      }
      if (c == '}') {
        ++Pos;
        GroupStart = false;
        if (Stack.back().Destination == Dest::FontTable) FinishFontName();
        if (Stack.size() > 1) Stack.pop_back();
        continue;
      }
      if (c == '\\') {
        ControlSymbolOrWord();
        GroupStart = false;
        continue;
      }
      ++Pos;
      GroupStart = false;
      if (c == '\r' || c == '\n') continue;
      Character(uint8_t(c), false);
    }
    // A default format from the font table, for an empty document.
    Edit.DefaultFormat = Resolve(GroupState());
  }

private:
  TZQVRichEdit& Edit;
  std::string_view Src;
  size_t Pos = 0;
  std::vector<GroupState> Stack;
  bool GroupStart = false;
  bool Full = false;
  int DefaultFont = 0;
  std::map<int, FontEntry> Fonts;
  int CurrentFont = -1;  // font being defined in the font table
  std::string FontName;
  bool FontNameDone = false;
  std::vector<TColor> Colors;
  int Red = 0, Green = 0, Blue = 0;
  bool ColorSet = false;
  int PendingSkip = 0;  // characters still to skip after a \u
  size_t TotalChars = 0;
  std::unordered_map<std::string, uint16_t> FormatIds;
  TRichCharFormat LastFormat;
  uint16_t LastId = 0;
  bool HaveLast = false;

  GroupState& State() { return Stack.back(); }

  // Skips from just after a '{' to after its matching '}' (or the end), without nesting state.
  void SkipGroup() {
    int depth = 1;
    while (Pos < Src.size() && depth > 0) {
      const char c = Src[Pos++];
      if (c == '\\') {
        if (Pos < Src.size()) ++Pos;  // an escaped brace does not count
      } else if (c == '{') {
        ++depth;
      } else if (c == '}') {
        --depth;
      }
    }
  }

  // A number of at most 10 digits after an optional minus, clamped to the 32-bit range.
  bool ReadNumber(int& value) {
    size_t p = Pos;
    bool neg = false;
    if (p < Src.size() && Src[p] == '-') {
      neg = true;
      ++p;
    }
    int64_t v = 0;
    int digits = 0;
    while (p < Src.size() && Src[p] >= '0' && Src[p] <= '9') {
      if (digits < 10) v = v * 10 + (Src[p] - '0');
      ++digits;
      ++p;
    }
    if (digits == 0) return false;
    Pos = p;
    if (neg) v = -v;
    value = int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    return true;
  }

  void ControlSymbolOrWord() {
    ++Pos;  // the backslash
    if (Pos >= Src.size()) return;
    const char c = Src[Pos];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
      ++Pos;
      ControlSymbol(c);
      return;
    }
    const size_t start = Pos;
    while (Pos < Src.size() && Pos - start < 32 &&
           ((Src[Pos] >= 'a' && Src[Pos] <= 'z') || (Src[Pos] >= 'A' && Src[Pos] <= 'Z')))
      ++Pos;
    // A word longer than 32 letters is cut there; its remaining letters are dropped.
    while (Pos < Src.size() && ((Src[Pos] >= 'a' && Src[Pos] <= 'z') || (Src[Pos] >= 'A' && Src[Pos] <= 'Z'))) ++Pos;
    const std::string_view word = Src.substr(start, std::min<size_t>(Pos - start, 32));
    int param = 0;
    const bool hasParam = ReadNumber(param);
    if (Pos < Src.size() && Src[Pos] == ' ') ++Pos;  // the delimiting space belongs to the word
    ControlWord(word, hasParam, param);
  }

  void ControlSymbol(char c) {
    switch (c) {
      case '\\': case '{': case '}':
        Character(uint8_t(c), false);
        break;
      case '~':
        Character(0xA0, false);
        break;
      case '_':
        Character('-', false);
        break;
      case '\'': {
        // Two hex digits: a byte of the document's code page.
        int v = 0, n = 0;
        while (n < 2 && Pos < Src.size() && std::isxdigit(static_cast<unsigned char>(Src[Pos]))) {
          const char h = Src[Pos++];
          v = v * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
          ++n;
        }
        if (n > 0) Character(uint8_t(v), false);
        break;
      }
      case '*':
        // An optional destination this reader does not know: the whole group goes.
        if (Stack.size() > 1) {
          Stack.back().Destination = Dest::Skip;
        }
        break;
      case '\r': case '\n':
        // A backslash before a line break is a paragraph end.
        NewLine();
        break;
      default:
        break;  // \- (optional hyphen), \| and others have no text
    }
  }

  void ControlWord(std::string_view w, bool hasParam, int param) {
    GroupState& s = State();
    if (s.Destination == Dest::Skip) return;
    const bool on = !hasParam || param != 0;
    if (GroupStart && IsSkippedDestination(w)) {
      s.Destination = Dest::Skip;
      return;
    }
    if (w == "fonttbl") {
      s.Destination = Dest::FontTable;
      CurrentFont = -1;
      return;
    }
    if (w == "colortbl") {
      s.Destination = Dest::ColorTable;
      Red = Green = Blue = 0;
      ColorSet = false;
      return;
    }
    if (s.Destination == Dest::FontTable) {
      if (w == "f" && hasParam) {
        FinishFontName();
        CurrentFont = param;
        FontName.clear();
        FontNameDone = false;
        if (Fonts.size() < size_t(RichMaxTableEntries) || Fonts.count(param)) Fonts[param];
      } else if (w == "fcharset" && hasParam && CurrentFont >= 0) {
        auto it = Fonts.find(CurrentFont);
        if (it != Fonts.end()) it->second.Charset = TFontCharset(param & 0xFF);
      }
      return;
    }
    if (s.Destination == Dest::ColorTable) {
      if (w == "red") Red = std::clamp(param, 0, 255), ColorSet = true;
      else if (w == "green") Green = std::clamp(param, 0, 255), ColorSet = true;
      else if (w == "blue") Blue = std::clamp(param, 0, 255), ColorSet = true;
      return;
    }
    // Body text.
    if (w == "par" || w == "line" || w == "sect" || w == "page") {
      NewLine();
    } else if (w == "tab") {
      Character(9, true);
    } else if (w == "deff" && hasParam) {
      DefaultFont = param;
    } else if (w == "plain") {
      s.Font = -1;
      s.ColorIndex = 0;
      s.SizeHalfPoints = 24;
      s.Style = 0;
      s.Sub = s.Super = false;
      s.OffsetTwips = 0;
    } else if (w == "pard") {
      // Paragraph formatting only.
    } else if (w == "f" && hasParam) {
      s.Font = param;
    } else if (w == "fs" && hasParam) {
      s.SizeHalfPoints = std::clamp(param, 1, 3276);
    } else if (w == "cf" && hasParam) {
      s.ColorIndex = param;
    } else if (w == "b") {
      s.Style = on ? (s.Style | fsBold) : (s.Style & ~fsBold);
    } else if (w == "i") {
      s.Style = on ? (s.Style | fsItalic) : (s.Style & ~fsItalic);
    } else if (w == "ulnone") {
      s.Style &= ~fsUnderline;
    } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" || w == "ulth" ||
               w == "ulwave") {
      s.Style = on ? (s.Style | fsUnderline) : (s.Style & ~fsUnderline);
    } else if (w == "strike" || w == "striked") {
      s.Style = on ? (s.Style | fsStrikeOut) : (s.Style & ~fsStrikeOut);
    } else if (w == "super") {
      s.Super = on;
      if (on) s.Sub = false;
    } else if (w == "sub") {
      s.Sub = on;
      if (on) s.Super = false;
    } else if (w == "nosupersub") {
      s.Sub = s.Super = false;
    } else if (w == "up") {
      // Half points; the offset is kept in twips.
      s.OffsetTwips = int(std::clamp<int64_t>(int64_t(hasParam ? param : 6) * 10, -32000, 32000));
    } else if (w == "dn") {
      s.OffsetTwips = -int(std::clamp<int64_t>(int64_t(hasParam ? param : 6) * 10, -32000, 32000));
    } else if (w == "uc" && hasParam) {
      s.UnicodeSkip = std::clamp(param, 0, 8);
    } else if (w == "u" && hasParam) {
      // A Unicode character (negative values stand for the upper half of 16 bits), followed by
      // UnicodeSkip replacement characters for readers that do not know \u.
      const char32_t ch = char32_t(param < 0 ? param + 65536 : param) & 0xFFFF;
      bool ok = false;
      uint8_t b = UnicodeToWin1252(ch, ok);
      if (IsSymbolFont()) b = uint8_t(ch >= 0xF000 && ch <= 0xF0FF ? ch - 0xF000 : (ch < 256 ? ch : '?'));
      Character(b, false);
      PendingSkip = s.UnicodeSkip;
      SkipReplacement();
    } else if (uint8_t b = NamedCharacter(w)) {
      Character(b, false);
    }
  }

  // The characters standing in for a \u character are dropped: plain characters and \'hh.
  void SkipReplacement() {
    while (PendingSkip > 0 && Pos < Src.size()) {
      const char c = Src[Pos];
      if (c == '{' || c == '}') break;
      if (c == '\\') {
        if (Pos + 1 < Src.size() && Src[Pos + 1] == '\'') {
          Pos += 2;
          for (int n = 0; n < 2 && Pos < Src.size() && std::isxdigit(static_cast<unsigned char>(Src[Pos])); ++n) ++Pos;
          --PendingSkip;
          continue;
        }
        break;  // a control word ends the replacement
      }
      if (c == '\r' || c == '\n') {
        ++Pos;
        continue;
      }
      ++Pos;
      --PendingSkip;
    }
    PendingSkip = 0;
  }

  void FontGroupStarted() {
    FinishFontName();
    CurrentFont = -1;
  }

  void FinishFontName() {
    if (CurrentFont < 0 || FontNameDone) return;
    auto it = Fonts.find(CurrentFont);
    if (it != Fonts.end() && it->second.Name.empty()) {
      std::string name = FontName;
      while (!name.empty() && name.back() == ' ') name.pop_back();
      it->second.Name = name;
    }
    FontNameDone = true;
  }

  bool IsSymbolFont() {
    const GroupState& s = State();
    auto it = Fonts.find(s.Font >= 0 ? s.Font : DefaultFont);
    return it != Fonts.end() && it->second.Charset == SYMBOL_CHARSET;
  }

  void Character(uint8_t ch, bool isTab) {
    GroupState& s = State();
    switch (s.Destination) {
      case Dest::Skip:
        return;
      case Dest::FontTable:
        if (ch == ';') {
          FinishFontName();
        } else if (!FontNameDone && FontName.size() < 255) {
          FontName.push_back(char(ch));
        }
        return;
      case Dest::ColorTable:
        if (ch == ';') {
          if (Colors.size() < size_t(RichMaxTableEntries))
            Colors.push_back(ColorSet ? TColor(Red | (Green << 8) | (Blue << 16)) : clBlack);
          Red = Green = Blue = 0;
          ColorSet = false;
        }
        return;
      case Dest::Body:
        break;
    }
    (void)isTab;
    if (TotalChars >= RichMaxTextLength) {
      Full = true;
      return;
    }
    ++TotalChars;
    Edit.LineTexts.back().push_back(char(ch));
    Edit.LineFormats.back().push_back(FormatId(Resolve(s)));
  }

  void NewLine() {
    if (State().Destination != Dest::Body) return;
    if (TotalChars >= RichMaxTextLength) {
      Full = true;
      return;
    }
    TotalChars += 2;
    Edit.LineTexts.emplace_back();
    Edit.LineFormats.emplace_back();
  }

  TRichCharFormat Resolve(const GroupState& s) {
    TRichCharFormat f;
    auto it = Fonts.find(s.Font >= 0 ? s.Font : DefaultFont);
    if (it != Fonts.end()) {
      if (!it->second.Name.empty()) f.FaceName = it->second.Name;
      f.Charset = it->second.Charset;
    }
    f.SizeHalfPoints = s.SizeHalfPoints;
    f.Style = s.Style;
    if (s.ColorIndex > 0 && size_t(s.ColorIndex) < Colors.size()) f.Color = Colors[size_t(s.ColorIndex)];
    f.Subscript = s.Sub;
    f.Superscript = s.Super;
    f.OffsetTwips = s.OffsetTwips;
    return f;
  }

  uint16_t FormatId(const TRichCharFormat& f) {
    if (HaveLast && f == LastFormat) return LastId;
    std::string key = f.FaceName;
    key.push_back('\0');
    const int32_t nums[] = {f.Charset, f.SizeHalfPoints, f.Style, int32_t(f.Color), f.Subscript, f.Superscript,
                            f.OffsetTwips};
    key.append(reinterpret_cast<const char*>(nums), sizeof(nums));
    auto it = FormatIds.find(key);
    uint16_t id;
    if (it != FormatIds.end()) {
      id = it->second;
    } else if (Edit.Formats.size() < 65535) {
      id = uint16_t(Edit.Formats.size());
      Edit.Formats.push_back(f);
      FormatIds.emplace(std::move(key), id);
    } else {
      id = 0;  // a document with more formats than that keeps the first for the rest
    }
    LastFormat = f;
    LastId = id;
    HaveLast = true;
    return id;
  }
};

bool TZQVRichEdit::LoadRtf(std::string_view rtf) {
  Clear();
  size_t p = 0;
  while (p < rtf.size() && (rtf[p] == ' ' || rtf[p] == '\r' || rtf[p] == '\n' || rtf[p] == '\t')) ++p;
  if (rtf.substr(p, 5) != "{\\rtf") return false;
  TRtfParser parser(*this, rtf.substr(p));
  parser.Run();
  if (Formats.empty()) Formats.push_back(DefaultFormat);
  return true;
}

void TZQVRichEdit::Clear() {
  LineTexts.clear();
  LineFormats.clear();
  Formats.clear();
  DefaultFormat = TRichCharFormat();
  SelStart = SelLength = 0;
}

int TZQVRichEdit::TextLength() const {
  size_t n = 0;
  for (const auto& l : LineTexts) n += l.size();
  if (!LineTexts.empty()) n += 2 * (LineTexts.size() - 1);
  return int(std::min<size_t>(n, INT32_MAX));
}

std::string TZQVRichEdit::Text() const {
  std::string s;
  for (size_t i = 0; i < LineTexts.size(); ++i) {
    if (i) s += "\r\n";
    s += LineTexts[i];
  }
  return s;
}

int TZQVRichEdit::LineStart(size_t Line) const {
  size_t n = 0;
  for (size_t i = 0; i < Line && i < LineTexts.size(); ++i) n += LineTexts[i].size() + 2;
  return int(n);
}

const TRichCharFormat& TZQVRichEdit::FormatAt(size_t Line, size_t Index) const {
  if (Line < LineFormats.size() && Index < LineFormats[Line].size()) {
    const uint16_t id = LineFormats[Line][Index];
    if (id < Formats.size()) return Formats[id];
  }
  return DefaultFormat;
}

TRichCharFormat TZQVRichEdit::SelFormat() const {
  int pos = SelStart;
  for (size_t l = 0; l < LineTexts.size(); ++l) {
    const int len = int(LineTexts[l].size());
    if (pos < len) return FormatAt(l, size_t(pos));
    pos -= len + 2;
    if (pos < 0) break;  // the selection starts on a line break
  }
  return DefaultFormat;
}

void SelAttributesToFont(const TZQVRichEdit& RichEdit, TFont& Font) {
  const TRichCharFormat f = RichEdit.SelFormat();
  Font.Name = f.FaceName;
  Font.Charset = f.Charset;
  Font.Style = f.Style;
  // Half points to points, truncated as twips div 20 would be.
  Font.SetSize(std::max(1, f.SizeHalfPoints / 2));
  Font.Color = f.Color;
}

int32_t GetSelScriptOffset(const TZQVRichEdit& RichEdit) { return RichEdit.SelFormat().OffsetTwips / 20; }

uint8_t ScriptKindOfFormat(const TRichCharFormat& f) {
  if (f.Subscript) return 6;
  if (f.Superscript) return 4;
  const int points = f.OffsetTwips / 20;
  if (points > 0) return 4;
  if (points < 0) return 6;
  return 7;
}

uint8_t GetSelScriptKind(const TZQVRichEdit& RichEdit) { return ScriptKindOfFormat(RichEdit.SelFormat()); }

namespace {

void AppendEscapedName(std::string& out, const std::string& name) {
  for (const char c : name) {
    const uint8_t b = uint8_t(c);
    if (c == '\\' || c == '{' || c == '}' || c == ';' || b < 32 || b > 126) {
      static const char hex[] = "0123456789abcdef";
      out += "\\'";
      out.push_back(hex[b >> 4]);
      out.push_back(hex[b & 15]);
    } else {
      out.push_back(c);
    }
  }
}

}  // namespace

std::string WriteRtf(const std::vector<TRichRun>& Runs) {
  // Tables of the fonts (name and character set) and colours the runs use.
  std::vector<std::pair<std::string, TFontCharset>> fonts;
  std::vector<TColor> colors;
  auto fontIndex = [&](const TRichCharFormat& f) {
    for (size_t i = 0; i < fonts.size(); ++i)
      if (fonts[i].first == f.FaceName && fonts[i].second == f.Charset) return int(i);
    fonts.emplace_back(f.FaceName, f.Charset);
    return int(fonts.size() - 1);
  };
  auto colorIndex = [&](TColor c) {
    for (size_t i = 0; i < colors.size(); ++i)
      if (colors[i] == c) return int(i + 1);
    colors.push_back(c);
    return int(colors.size());
  };
  std::string body;
  body.reserve(Runs.size() * 48);
  for (const auto& r : Runs) {
    const TRichCharFormat& f = r.Format;
    body += "{\\f" + std::to_string(fontIndex(f)) + "\\fs" + std::to_string(std::clamp(f.SizeHalfPoints, 1, 3276)) +
            "\\cf" + std::to_string(colorIndex(f.Color));
    if (f.Style & fsBold) body += "\\b";
    if (f.Style & fsItalic) body += "\\i";
    if (f.Style & fsUnderline) body += "\\ul";
    if (f.Style & fsStrikeOut) body += "\\strike";
    if (f.Subscript) body += "\\sub";
    else if (f.Superscript) body += "\\super";
    if (f.OffsetTwips > 0) body += "\\up" + std::to_string(f.OffsetTwips / 10);
    else if (f.OffsetTwips < 0) body += "\\dn" + std::to_string(-f.OffsetTwips / 10);
    body += ' ';
    for (size_t i = 0; i < r.Text.size(); ++i) {
      const uint8_t b = uint8_t(r.Text[i]);
      if (b == '\r') {
        if (i + 1 < r.Text.size() && r.Text[i + 1] == '\n') ++i;
        body += "\\par\n";
      } else if (b == '\n') {
        body += "\\par\n";
      } else if (b == 9) {
        body += "\\tab ";
      } else if (b == '\\' || b == '{' || b == '}') {
        body.push_back('\\');
        body.push_back(char(b));
      } else if (b < 32 || b > 126) {
        static const char hex[] = "0123456789abcdef";
        body += "\\'";
        body.push_back(hex[b >> 4]);
        body.push_back(hex[b & 15]);
      } else {
        body.push_back(char(b));
      }
    }
    body += '}';
  }
  std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
  if (fonts.empty()) fonts.emplace_back("Times New Roman", ANSI_CHARSET);
  for (size_t i = 0; i < fonts.size(); ++i) {
    out += "{\\f" + std::to_string(i) + "\\fcharset" + std::to_string(fonts[i].second) + ' ';
    AppendEscapedName(out, fonts[i].first);
    out += ";}";
  }
  out += "}\n{\\colortbl ;";
  for (const TColor c : colors)
    out += "\\red" + std::to_string(c & 0xFF) + "\\green" + std::to_string((c >> 8) & 0xFF) + "\\blue" +
           std::to_string((c >> 16) & 0xFF) + ';';
  out += "}\n";
  out += body;
  out += "}\n";
  return out;
}

#include "platform/ini_file.h"

#include <QString>
#include <cerrno>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "platform/exceptions.h"
#include "platform/streams.h"

bool SameIniName(const std::string& a, const std::string& b) {
  if (a.size() == b.size() && SameText(a, b)) return true;
  return QString::compare(QString::fromUtf8(a), QString::fromUtf8(b), Qt::CaseInsensitive) == 0;
}

namespace {
bool IsControl(char c) { return (uint8_t(c) < 32 && c != '\t') || uint8_t(c) == 127; }
}  // namespace

std::string SafeIniValue(const std::string& value) {
  std::string s = value;
  for (char& c : s)
    if (IsControl(c)) c = '?';
  return s;
}

std::string SafeIniKey(const std::string& ident) {
  std::string s = SafeIniValue(ident);
  for (char& c : s)
    if (c == '=') c = '?';
  if (!s.empty() && (s.front() == '[' || s.front() == ';')) s.front() = '?';
  return s;
}

// "[" name "]" reads back as the same name whatever the name holds between them, so only the
// line breaks and other control characters need replacing.
std::string SafeIniSection(const std::string& section) { return SafeIniValue(section); }

bool TryStrToInt(const std::string& text, int& value) {
  std::string s = text;
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.erase(s.begin());
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  if (s.empty()) return false;
  bool negative = false;
  size_t i = 0;
  if (s[i] == '-' || s[i] == '+') negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (s.size() - i > 2 && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * base + d;
    if (v > (base == 16 ? int64_t(0xFFFFFFFF) : int64_t(2147483648LL))) return false;
  }
  if (base == 16 && !negative) {
    value = int32_t(uint32_t(v));  // hexadecimal text covers the whole 32-bit pattern
    return true;
  }
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = int(v);
  return true;
}

// ---- TCustomIniFile value forms

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident, int def) {
  int v;
  return TryStrToInt(ReadString(section, ident, ""), v) ? v : def;
}

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident, int def, int min, int max) {
  const int v = ReadInteger(section, ident, def);
  return v >= min && v <= max ? v : def;
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& ident, double def, double min,
                                 double max) {
  const double v = ReadFloat(section, ident, def);
  return std::isfinite(v) && v >= min && v <= max ? v : def;
}

int TCustomIniFile::ReadColor(const std::string& section, const std::string& ident, int def) {
  const uint32_t v = uint32_t(ReadInteger(section, ident, def));
  // System colours (the top bit set) resolve through the system colour table, an index beyond it
  // to black.
  const bool valid = v <= 0xFFFFFFu || v >= 0x80000000u || v == 0x1FFFFFFFu || v == 0x20000000u;
  return valid ? int(v) : def;
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, std::to_string(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident, bool def) {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& ident, double def) {
  const std::string s = ReadString(section, ident, "");
  if (s.empty()) return def;
  double v = 0;
  const char* first = s.data();
  const char* last = s.data() + s.size();
  while (first < last && *first == ' ') ++first;
  auto [end, ec] = std::from_chars(first, last, v);
  if (ec == std::errc() && end == last) return v;
  // Written where the decimal separator is a comma: one comma and no point reads the same.
  std::string dotted(first, last);
  const size_t comma = dotted.find(',');
  if (comma == std::string::npos || dotted.find(',', comma + 1) != std::string::npos ||
      dotted.find('.') != std::string::npos)
    return def;
  dotted[comma] = '.';
  auto [end2, ec2] = std::from_chars(dotted.data(), dotted.data() + dotted.size(), v);
  if (ec2 != std::errc() || end2 != dotted.data() + dotted.size()) return def;
  return v;
}

void TCustomIniFile::WriteFloat(const std::string& section, const std::string& ident, double value) {
  // Shortest text that reads back as the same value.
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  WriteString(section, ident, ec == std::errc() ? std::string(buf, end) : std::to_string(value));
}

bool TCustomIniFile::SectionExists(const std::string& section) {
  std::vector<std::string> names;
  ReadSections(names);
  for (const auto& n : names)
    if (SameIniName(n, section)) return true;
  return false;
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& ident) {
  std::vector<std::string> names;
  ReadSection(section, names);
  for (const auto& n : names)
    if (SameIniName(n, ident)) return true;
  return false;
}

// ---- TMemIniFile

namespace {
std::string NameOf(const std::string& line) {
  const auto eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}
}  // namespace

TMemIniFile::TMemIniFile(const std::string& fileName, bool keepComments)
    : TCustomIniFile(fileName), KeepComments(keepComments) {
  if (fileName.empty() || !FileExists(fileName)) return;
  // Settings files are small; a huge file is no settings file and is not read.
  const auto bytes = ReadWholeFile(fileName, 16 << 20);
  LoadFromBytes(bytes.data(), bytes.size());
}

void TMemIniFile::LoadFromBytes(const uint8_t* data, size_t size) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t b = data[i];
    if (b == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line.push_back(char(b));
    }
  }
  if (!line.empty()) {
    if (line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  SetStrings(lines);
}

std::string IniNameKey(const std::string& name) {
  bool ascii = true;
  for (char c : name) ascii = ascii && uint8_t(c) < 0x80;
  if (ascii) return UpperCase(name);
  return QString::fromUtf8(name).toCaseFolded().toUtf8().toStdString();
}

TMemIniFile::TSection* TMemIniFile::FindSection(const std::string& name) {
  const auto it = Index.find(IniNameKey(SafeIniSection(name)));
  return it == Index.end() ? nullptr : &Sections[it->second];
}

std::vector<std::string>& TMemIniFile::AddSection(const std::string& name) {
  Sections.push_back({SafeIniSection(name), {}});
  // A name that is there already keeps finding its first section, as a search from the top would.
  Index.emplace(IniNameKey(Sections.back().Name), Sections.size() - 1);
  return Sections.back().Lines;
}

void TMemIniFile::Reindex() {
  Index.clear();
  for (size_t i = 0; i < Sections.size(); ++i) Index.emplace(IniNameKey(Sections[i].Name), i);
}

void TMemIniFile::SetStrings(const std::vector<std::string>& lines) {
  Clear();
  std::vector<std::string>* current = nullptr;
  for (const auto& line : lines) {
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      current = &AddSection(line.substr(1, line.size() - 2));
      continue;
    }
    if (!current) continue;
    if (!KeepComments && line.front() == ';') continue;
    current->push_back(line);
  }
}

void TMemIniFile::GetStrings(std::vector<std::string>& lines) const {
  lines.clear();
  for (const auto& s : Sections) {
    lines.push_back("[" + s.Name + "]");
    for (const auto& l : s.Lines) lines.push_back(l);
    lines.push_back("");
  }
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident, const std::string& def) {
  TSection* s = FindSection(section);
  if (!s) return def;
  const std::string key = SafeIniKey(ident);
  for (const auto& l : s->Lines) {
    const auto eq = l.find('=');
    if (eq != std::string::npos && SameIniName(l.substr(0, eq), key)) return l.substr(eq + 1);
  }
  return def;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  TSection* s = FindSection(section);
  std::vector<std::string>& lines = s ? s->Lines : AddSection(section);
  const std::string key = SafeIniKey(ident);
  const std::string line = key + "=" + SafeIniValue(value);
  for (auto& l : lines) {
    const auto eq = l.find('=');
    if (eq != std::string::npos && SameIniName(l.substr(0, eq), key)) {
      l = line;
      return;
    }
  }
  lines.push_back(line);
}

void TMemIniFile::ReadSection(const std::string& section, std::vector<std::string>& names) {
  names.clear();
  if (TSection* s = FindSection(section))
    for (const auto& l : s->Lines) names.push_back(NameOf(l));
}

void TMemIniFile::ReadSections(std::vector<std::string>& sections) {
  sections.clear();
  for (const auto& s : Sections) sections.push_back(s.Name);
}

void TMemIniFile::ReadSectionValues(const std::string& section, std::vector<std::string>& lines) {
  lines.clear();
  if (TSection* s = FindSection(section)) lines = s->Lines;
}

void TMemIniFile::EraseSection(const std::string& section) {
  const auto it = Index.find(IniNameKey(SafeIniSection(section)));
  if (it == Index.end()) return;
  Sections.erase(Sections.begin() + std::ptrdiff_t(it->second));
  Reindex();
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  TSection* s = FindSection(section);
  if (!s) return;
  const std::string key = SafeIniKey(ident);
  for (auto it = s->Lines.begin(); it != s->Lines.end(); ++it) {
    const auto eq = it->find('=');
    if (eq != std::string::npos && SameIniName(it->substr(0, eq), key)) {
      s->Lines.erase(it);
      return;
    }
  }
}

void TMemIniFile::UpdateFile() {
  std::vector<std::string> lines;
  GetStrings(lines);
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  WriteFileAtomically(FileName, text.data(), text.size());
}

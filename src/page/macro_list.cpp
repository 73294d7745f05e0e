#include "page/macro_list.h"

#include <algorithm>
#include <cstring>

#include "codecs/compress.h"
#include "helpers/error_report.h"
#include "platform/exceptions.h"
#include "platform/streams.h"

const char MacroSignature[8] = "ZQVWARE";

namespace {

// Field offsets of the line record.
constexpr int RecNames = 0;
constexpr int RecStyles = 4983;
constexpr int RecCharsets = 5134;
constexpr int RecSizes = 5285;
constexpr int RecColors = 5587;
constexpr int RecOffsets = 6191;
constexpr int RecReserved = 6493;
constexpr int RecChars = 7701;
constexpr int RecPpiX = 7852;
constexpr int RecPpiY = 7856;
static_assert(RecPpiY + 4 == MacroLineRecSize);

void PutU16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }
void PutU32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
uint16_t GetU16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
uint32_t GetU32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

std::string StreamErrorMessage() {
  return std::string("Memory stream error reading to fRecord.  Could \ryou please report this to, email: ") + SupportAddress;
}
std::string RangeErrorMessage() {
  return std::string("Range error reading to fRecord.  Could you \rplease report this to, email: ") + SupportAddress;
}

}  // namespace

void InitFontRecs(TMacroLineBuffer& Buffer) {
  // Every list and every read makes dozens of lines of 151 records each: the record is made once.
  static const TFontRec initial = [] {
    TFontRec f{};
    SetShortString(f.Name, 50, "Arial");
    f.Size = 12;
    f.Color = 0;
    f.Style = 0;
    f.Charset = 1;
    return f;
  }();
  Buffer.Fonts.fill(initial);
}

bool TMacroLine::IsBlank() const {
  return std::all_of(Buffer.Chars.begin(), Buffer.Chars.end(), [](uint8_t c) { return c < 33; });
}

void TMacroLine::ClearChars() {
  InitFontRecs(Buffer);
  Buffer.Offsets.fill(0);
  Buffer.Chars.fill(0);
  Buffer.Chars[0] = 32;
  Buffer.Chars[1] = 32;
}

void TMacroList::ClearLine(int n) {
  if (n < 0 || n >= LineCount()) return;
  TMacroLine& l = Lines[size_t(n)];
  l.ClearChars();
  l.Description.clear();
  l.Spacing = 1;
  l.Checked = false;
}

void TMacroList::ClearAll() {
  for (int i = 0; i < LineCount(); ++i) ClearLine(i);
}

void TMacroList::CopyLineData(TMacroLineBuffer& Dest, const TMacroLineBuffer& Source) {
  Dest = Source;
  Modified = true;
}

void TMacroList::MoveLine(int Target, int Source) {
  if (Target < 0 || Source < 0 || Target >= LineCount() || Source >= LineCount() || Target == Source) return;
  const TMacroLineBuffer saved = Lines[size_t(Source)].Buffer;
  const std::string savedText = Lines[size_t(Source)].Description;
  if (Target < Source) {
    for (int i = Source; i > Target; --i) {
      Lines[size_t(i)].Buffer = Lines[size_t(i - 1)].Buffer;
      Lines[size_t(i)].Description = Lines[size_t(i - 1)].Description;
    }
  } else {
    for (int i = Source; i < Target; ++i) {
      Lines[size_t(i)].Buffer = Lines[size_t(i + 1)].Buffer;
      Lines[size_t(i)].Description = Lines[size_t(i + 1)].Description;
    }
  }
  Lines[size_t(Target)].Buffer = saved;
  Lines[size_t(Target)].Description = savedText;
  Modified = true;
}

int TMacroList::FirstChecked() const {
  for (int i = 0; i < LineCount(); ++i)
    if (Lines[size_t(i)].Checked) return i;
  return -1;
}

int TMacroList::LastChecked() const {
  for (int i = LineCount() - 1; i >= 0; --i)
    if (Lines[size_t(i)].Checked) return i;
  return -1;
}

void PackLine(const TMacroLineBuffer& Buffer, uint8_t* Rec, int PixelsPerInchX, int PixelsPerInchY) {
  std::memset(Rec, 0, MacroLineRecSize);
  for (int i = 0; i < MacroChars; ++i) {
    const TFontRec& f = Buffer.Fonts[size_t(i)];
    const size_t len = std::min<size_t>({f.Name[0], 50, MacroFontNameChars});
    uint8_t* name = Rec + RecNames + i * (MacroFontNameChars + 1);
    name[0] = uint8_t(len);
    std::memcpy(name + 1, f.Name + 1, len);
    Rec[RecStyles + i] = f.Style & 0x0F;
    Rec[RecCharsets + i] = f.Charset;
    PutU16(Rec + RecSizes + 2 * i, uint16_t(uint32_t(f.Size) & 0xFFFF));
    PutU32(Rec + RecColors + 4 * i, f.Color);
    PutU16(Rec + RecOffsets + 2 * i, uint16_t(Buffer.Offsets[size_t(i)]));
    Rec[RecChars + i] = Buffer.Chars[size_t(i)];
  }
  PutU32(Rec + RecPpiX, uint32_t(PixelsPerInchX));
  PutU32(Rec + RecPpiY, uint32_t(PixelsPerInchY));
}

void UnpackLine(const uint8_t* Rec, TMacroLineBuffer& Buffer) {
  Buffer.Chars.fill(0);
  int s = 0;
  for (int i = 0; i < MacroChars - 1; ++i)
    if (Rec[RecChars + i] != 0) {
      s = i;
      break;
    }
  for (int j = s; j < MacroChars; ++j) {
    const size_t k = size_t(j - s);
    TFontRec& f = Buffer.Fonts[k];
    const uint8_t* name = Rec + RecNames + j * (MacroFontNameChars + 1);
    // Checked by the reader; a longer length would read into the next name.
    const size_t len = std::min<size_t>(name[0], MacroFontNameChars);
    std::memset(f.Name, 0, sizeof f.Name);
    f.Name[0] = uint8_t(len);
    std::memcpy(f.Name + 1, name + 1, len);
    f.Style = Rec[RecStyles + j];
    f.Charset = Rec[RecCharsets + j];
    f.Size = int32_t(GetU16(Rec + RecSizes + 2 * j));
    f.Color = GetU32(Rec + RecColors + 4 * j);
    Buffer.Offsets[k] = int16_t(GetU16(Rec + RecOffsets + 2 * j));
    Buffer.Chars[k] = Rec[RecChars + j];
  }
}

void TMacroList::SaveToStream(TStream& Stream, int PixelsPerInchX, int PixelsPerInchY) {
  Stream.SetPosition(0);
  std::vector<uint8_t> rec(MacroLineRecSize);
  for (const TMacroLine& l : Lines) {
    PackLine(l.Buffer, rec.data(), PixelsPerInchX, PixelsPerInchY);
    Stream.WriteBuffer(rec.data(), MacroLineRecSize);
  }
  for (const TMacroLine& l : Lines) {
    uint8_t desc[MacroDescriptionSize] = {};
    const size_t len = std::min<size_t>(l.Description.size(), 255);
    desc[0] = uint8_t(len);
    std::memcpy(desc + 1, l.Description.data(), len);
    Stream.WriteBuffer(desc, MacroDescriptionSize);
  }
  for (const TMacroLine& l : Lines) Stream.WriteByte(uint8_t(std::clamp(l.Spacing, 0, MacroMaxSpacing)));
  Stream.WriteInt(int32_t(Lines.size()));
  Stream.WriteBuffer(MacroSignature, 7);
  Modified = false;
}

void TMacroList::LoadFromStream(TStream& Stream) {
  const int64_t size = Stream.Size();
  if (size < MacroStreamTailSize) throw EReadError(StreamErrorMessage());
  Stream.SetPosition(size - MacroStreamTailSize);
  const int32_t count = Stream.ReadInt();
  // The count must describe the stream exactly: records, descriptions and spacings before the tail.
  if (count < 0 || int64_t(count) * MacroLineStreamSize + MacroStreamTailSize != size)
    throw EReadError(StreamErrorMessage());
  std::vector<uint8_t> all(size_t(size - MacroStreamTailSize));
  Stream.SetPosition(0);
  Stream.ReadBuffer(all.data(), int64_t(all.size()));
  const size_t c = size_t(count);
  for (size_t i = 0; i < c; ++i) {
    const uint8_t* rec = all.data() + i * MacroLineRecSize;
    for (int j = 0; j < MacroChars; ++j)
      if (rec[RecNames + j * (MacroFontNameChars + 1)] > MacroFontNameChars) throw ERangeError(RangeErrorMessage());
  }
  // Read into a scratch list: a damaged stream leaves the macros as they were.
  std::vector<TMacroLine> lines(Lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    TMacroLine& l = lines[i];
    l.ClearChars();
    l.Spacing = 1;
    if (i >= c) continue;
    TMacroLineBuffer work;
    InitFontRecs(work);
    UnpackLine(all.data() + i * MacroLineRecSize, work);
    l.Buffer = work;
    const uint8_t* desc = all.data() + c * MacroLineRecSize + i * MacroDescriptionSize;
    l.Description.assign(reinterpret_cast<const char*>(desc + 1), desc[0]);
    l.Spacing = std::min<int>(all[c * (MacroLineRecSize + MacroDescriptionSize) + i], MacroMaxSpacing);
  }
  Lines = std::move(lines);
  Modified = false;
}

void ConvertOldMacroFile(TStream& Source, TStream& Dest) {
  Source.SetPosition(0);
  Dest.SetPosition(0);
  if (Source.Size() < int64_t(MacroLines) * OldMacroBlockSize) throw EReadError(StreamErrorMessage());
  std::vector<uint8_t> rec(MacroLineRecSize);
  for (int i = 0; i < MacroLines; ++i) {
    Source.ReadBuffer(rec.data(), MacroLineRecSize);
    Dest.WriteBuffer(rec.data(), MacroLineRecSize);
    Source.Seek(OldMacroBlockSize - MacroLineRecSize, soCurrent);
  }
  for (int i = 0; i < MacroLines; ++i) {
    uint8_t desc[MacroDescriptionSize] = {};
    static const char text[] = "No Description";
    desc[0] = uint8_t(sizeof text - 1);
    std::memcpy(desc + 1, text, sizeof text - 1);
    Dest.WriteBuffer(desc, MacroDescriptionSize);
  }
  for (int i = 0; i < MacroLines; ++i) Dest.WriteByte(1);
  Dest.WriteInt(MacroLines);
  Dest.WriteBuffer(MacroSignature, 7);
}

TMacroReadResult ReadMacroFileBytes(const std::vector<uint8_t>& Raw, TCompress& Compress, TMacroList& List,
                                    const std::string& FileName) {
  TMacroReadResult res;
  TMemoryStream expanded;
  try {
    // The container's announced size is checked before anything is expanded.
    if (Raw.size() >= size_t(CompressHeaderSize) && GetU32(Raw.data() + 8) > MaxMacroFileExpanded)
      throw EUnableToCompress("expanded size");
    TBytesStream source(Raw.data(), Raw.size());
    Compress.ExpandStream(expanded, source);
  } catch (const EBadChecksum&) {
    res.Status = TMacroReadStatus::BadChecksum;
    res.Message = std::string("Bad checksum from compressed file. Could \ryou please report this error to, email: ") + SupportAddress;
    return res;
  } catch (const std::exception&) {
    res.Status = TMacroReadStatus::ContainerFailure;
    res.Message = " A Problem occurred while trying to load the Macro Text file " + FileName + " , sorry :-(";
    return res;
  }
  try {
    const int64_t size = expanded.Size();
    char signature[7] = {};
    if (size >= MacroStreamTailSize) {
      expanded.SetPosition(size - 7);
      expanded.ReadBuffer(signature, 7);
    }
    expanded.SetPosition(0);
    if (std::memcmp(signature, MacroSignature, 7) != 0) {
      TMemoryStream converted;
      ConvertOldMacroFile(expanded, converted);
      List.LoadFromStream(converted);
      res.Converted = true;
    } else {
      List.LoadFromStream(expanded);
    }
  } catch (const ERangeError&) {
    res.Status = TMacroReadStatus::RangeError;
    res.Message = RangeErrorMessage();
  } catch (const std::exception&) {
    res.Status = TMacroReadStatus::StreamError;
    res.Message = StreamErrorMessage();
  }
  return res;
}

std::vector<uint8_t> BuildMacroFileBytes(TMacroList& List, TCompress& Compress) {
  TMemoryStream plain;
  List.SaveToStream(plain);
  plain.SetPosition(0);
  TMemoryStream packed;
  Compress.CompressStream(packed, plain, cmLH5);
  return packed.Data;
}

void SaveMacroFileTo(const std::string& FileName, TMacroList& List, TCompress& Compress) {
  const std::vector<uint8_t> bytes = BuildMacroFileBytes(List, Compress);
  WriteFileAtomically(FileName, bytes.data(), bytes.size());
}

std::string BuildLineText(int Start, int End, const uint8_t* Codes, size_t CodeCount) {
  std::string text;
  const int count = int(std::min<size_t>(CodeCount, size_t(1) << 30));
  End = std::min(End, count);
  int i = std::max(Start, 0);
  while (i < End && Codes[i] < 33) ++i;
  const int n = End - i;
  if (n < 1) return text;
  while (true) {
    int run = 0;
    while (i + run < count && Codes[i + run] != 0) ++run;
    text.append(reinterpret_cast<const char*>(Codes + i), size_t(run));
    if (int(text.size()) >= n) {
      text.resize(size_t(n));
      break;
    }
    const int before = i;
    i += run;
    while (i < End - 1 && Codes[i] == 0) {
      ++i;
      text += '\xAC';
    }
    // A position that yields neither a run nor a break ends the text (a trailing break).
    if (i == before || i >= End) break;
    if (int(text.size()) >= n - 1) break;
  }
  std::string out;
  for (char c : text)
    if (uint8_t(c) >= 33 && uint8_t(c) != 185) out += c;
  return out;
}

// The macro list's stream and file: byte layout, round trips and the refusal of damaged files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>

#include "codecs/compress.h"
#include "page/macro_list.h"
#include "platform/streams.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes StreamOf(TMacroList& list) {
  TMemoryStream s;
  list.SaveToStream(s);
  return s.Data;
}

Bytes Pack(const Bytes& plain, uint8_t method = cmLH5) {
  TCompress c;
  TMemoryStream src(plain);
  TMemoryStream dst;
  c.CompressStream(dst, src, method);
  return dst.Data;
}

void SetFont(TFontRec& f, const std::string& name, int size, uint32_t color, uint8_t style, uint8_t charset) {
  SetShortString(f.Name, 50, name);
  f.Size = size;
  f.Color = color;
  f.Style = style;
  f.Charset = charset;
}

uint32_t U32(const Bytes& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

// A list with different text in every line: fonts, scripts (offsets) and line breaks.
TMacroList MixedList() {
  TMacroList list;
  const char* names[] = {"Arial", "Times New Roman", "Symbol", "ZQVSerif"};
  for (int n = 0; n < MacroLines; ++n) {
    TMacroLine& l = list.Lines[size_t(n)];
    for (int i = 0; i < 3 + n; ++i) {
      l.Buffer.Chars[size_t(i)] = (i == 2) ? 0 : uint8_t('A' + (n + i) % 26);  // position 2: a break
      l.Buffer.Offsets[size_t(i)] = int16_t((i % 3 - 1) * (4 + n));
      SetFont(l.Buffer.Fonts[size_t(i)], names[(n + i) % 4], 8 + i % 20, uint32_t(0x010203 * n), uint8_t(i % 16),
              uint8_t(i % 3 == 0 ? 2 : 1));
    }
    l.Description = "macro " + std::to_string(n);
    l.Spacing = n % 6;
    l.Checked = n % 2 == 1;
  }
  return list;
}

void ExpectSameMacros(const TMacroList& a, const TMacroList& b) {
  ASSERT_EQ(a.LineCount(), b.LineCount());
  for (int n = 0; n < a.LineCount(); ++n) {
    SCOPED_TRACE(n);
    const TMacroLine& x = a.Lines[size_t(n)];
    const TMacroLine& y = b.Lines[size_t(n)];
    EXPECT_EQ(x.Description, y.Description);
    EXPECT_EQ(x.Spacing, y.Spacing);
    EXPECT_EQ(x.Buffer.Chars, y.Buffer.Chars);
    for (int i = 0; i < MacroChars; ++i) {
      if (x.Buffer.Chars[size_t(i)] == 0) continue;
      const TFontRec& f = x.Buffer.Fonts[size_t(i)];
      const TFontRec& g = y.Buffer.Fonts[size_t(i)];
      EXPECT_EQ(x.Buffer.Offsets[size_t(i)], y.Buffer.Offsets[size_t(i)]);
      EXPECT_EQ(GetShortString(f.Name, 50), GetShortString(g.Name, 50));
      EXPECT_EQ(f.Size, g.Size);
      EXPECT_EQ(f.Color, g.Color);
      EXPECT_EQ(f.Style, g.Style);
      EXPECT_EQ(f.Charset, g.Charset);
    }
  }
}

}  // namespace

TEST(MacroListStream, LayoutOfAWrittenList) {
  TMacroList list;
  list.ClearAll();
  TMacroLine& l = list.Lines[0];
  l.Buffer.Chars[0] = 'x';
  l.Buffer.Offsets[0] = -5;
  SetFont(l.Buffer.Fonts[0], "Times New Roman", 0x1000E, 0x0000FF, 3, 0);
  l.Description = "abc";
  l.Spacing = 3;
  const Bytes b = StreamOf(list);

  ASSERT_EQ(b.size(), 284106u);
  const Bytes tail = {0x23, 0, 0, 0, 'Z', 'Q', 'V', 'W', 'A', 'R', 'E'};
  EXPECT_EQ(Bytes(b.end() - 11, b.end()), tail);
  // Line 1's record, position 0.
  EXPECT_EQ(b[0], 15);
  EXPECT_EQ(std::string(b.begin() + 1, b.begin() + 16), "Times New Roman");
  EXPECT_EQ(b[4983], 3);                            // style
  EXPECT_EQ(b[5134], 0);                            // character set
  EXPECT_EQ(b[5285], 0x0E);                         // size: low 16 bits
  EXPECT_EQ(b[5286], 0x00);
  EXPECT_EQ(U32(b, 5587), 0x0000FFu);               // colour
  EXPECT_EQ(b[6191], 0xFB);                         // offset -5
  EXPECT_EQ(b[6192], 0xFF);
  EXPECT_EQ(b[7701], 'x');
  EXPECT_EQ(U32(b, 7852), 96u);
  EXPECT_EQ(U32(b, 7856), 96u);
  for (size_t i = 6493; i < 7701; ++i) ASSERT_EQ(b[i], 0) << i;
  // Position 1 of line 1: a cleared position keeps "Arial", 12, character set 1 and code 32.
  EXPECT_EQ(b[33], 5);
  EXPECT_EQ(std::string(b.begin() + 34, b.begin() + 39), "Arial");
  EXPECT_EQ(b[5134 + 1], 1);
  EXPECT_EQ(b[5285 + 2], 12);
  EXPECT_EQ(b[7701 + 1], 32);
  EXPECT_EQ(b[7701 + 2], 0);
  // Line 2's record starts after the first.
  EXPECT_EQ(b[7860], 5);
  // Descriptions, then spacings.
  const size_t desc = 35 * 7860;
  EXPECT_EQ(b[desc], 3);
  EXPECT_EQ(std::string(b.begin() + long(desc) + 1, b.begin() + long(desc) + 4), "abc");
  EXPECT_EQ(b[desc + 4], 0);
  EXPECT_EQ(b[desc + 256], 0);
  const size_t spacing = 35 * (7860 + 256);
  EXPECT_EQ(b[spacing], 3);
  EXPECT_EQ(b[spacing + 1], 1);
}

TEST(MacroListStream, FileRoundTripKeepsEveryMacro) {
  TMacroList list = MixedList();
  // A 40-character name is kept as its first 32 characters; sizes keep their low 16 bits.
  SetFont(list.Lines[4].Buffer.Fonts[0], std::string(40, 'n'), 12, 0, 0, 1);
  QTemporaryDir dir;
  const std::string name = dir.filePath("Macros.zqm").toStdString();
  TCompress compress;
  SaveMacroFileTo(name, list, compress);
  EXPECT_FALSE(list.Modified);
  // Only the finished file is left in the folder: the writer renames its temporary file over it.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Macros.zqm"});

  QFile f(QString::fromStdString(name));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray raw = f.readAll();
  TMacroList back;
  back.Modified = true;
  const TMacroReadResult r = ReadMacroFileBytes(Bytes(raw.begin(), raw.end()), compress, back, name);
  ASSERT_EQ(r.Status, TMacroReadStatus::Ok) << r.Message;
  EXPECT_FALSE(r.Converted);
  EXPECT_FALSE(back.Modified);
  EXPECT_EQ(GetShortString(back.Lines[4].Buffer.Fonts[0].Name, 50), std::string(32, 'n'));
  SetFont(list.Lines[4].Buffer.Fonts[0], std::string(32, 'n'), 12, 0, 0, 1);
  ExpectSameMacros(list, back);
  EXPECT_FALSE(back.AnyChecked()) << "check boxes are not stored";
}

TEST(MacroListStream, LeadingEmptyPositionsAreDropped) {
  TMacroLineBuffer buffer;
  InitFontRecs(buffer);
  buffer.Chars[2] = 'a';
  buffer.Offsets[2] = 7;
  SetFont(buffer.Fonts[2], "Symbol", 10, 0, 0, 2);
  Bytes rec(MacroLineRecSize);
  PackLine(buffer, rec.data(), 96, 96);
  TMacroLineBuffer back;
  UnpackLine(rec.data(), back);
  EXPECT_EQ(back.Chars[0], 'a');
  EXPECT_EQ(back.Offsets[0], 7);
  EXPECT_EQ(GetShortString(back.Fonts[0].Name, 50), "Symbol");
  EXPECT_EQ(back.Chars[1], 0);

  // Characters 0-149 empty and 150 not: no shift.
  buffer.Chars.fill(0);
  buffer.Chars[150] = 'z';
  PackLine(buffer, rec.data(), 96, 96);
  UnpackLine(rec.data(), back);
  EXPECT_EQ(back.Chars[150], 'z');
  EXPECT_EQ(back.Chars[0], 0);
}

TEST(MacroListStream, CountsOtherThanTheListsOwn) {
  TMacroList forty(40);
  for (int n = 0; n < 40; ++n) {
    forty.Lines[size_t(n)].Description = std::to_string(n);
    forty.Lines[size_t(n)].Spacing = 2;
  }
  TMemoryStream s40;
  forty.SaveToStream(s40);
  TMacroList list;
  list.LoadFromStream(s40);
  EXPECT_EQ(list.Lines[34].Description, "34");

  TMacroList twenty(20);
  for (auto& l : twenty.Lines) l.Spacing = 4;
  TMemoryStream s20;
  twenty.SaveToStream(s20);
  list.LoadFromStream(s20);
  EXPECT_EQ(list.Lines[19].Spacing, 4);
  for (int n = 20; n < 35; ++n) {
    const TMacroLine& l = list.Lines[size_t(n)];
    EXPECT_EQ(l.Spacing, 1);
    EXPECT_TRUE(l.Description.empty());
    EXPECT_EQ(l.Buffer.Chars[0], 32);
    EXPECT_TRUE(l.IsBlank());
  }
}

TEST(MacroListStream, DamagedFilesAreRefusedAndTheMacrosKept) {
  TMacroList source = MixedList();
  const Bytes good = StreamOf(source);
  auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) {
    Bytes b = good;
    std::copy(bytes.begin(), bytes.end(), b.begin() + long(at));
    return b;
  };
  Bytes badChecksum = Pack(good);
  badChecksum[13] ^= 0x55;
  Bytes badMethod = Pack(good);
  badMethod[5] = 'Q';
  const size_t countAt = good.size() - 11;
  struct TCase {
    const char* What;
    Bytes File;
    TMacroReadStatus Status;
    const char* MessageStart;
  } cases[] = {
      {"bad checksum", badChecksum, TMacroReadStatus::BadChecksum, "Bad checksum from compressed file. Could \ryou please report this error to, email: "},
      {"unknown method", badMethod, TMacroReadStatus::ContainerFailure, " A Problem occurred while trying to load the Macro Text file m.zqm , sorry :-("},
      {"count above the records", Pack(patched(countAt, {36, 0, 0, 0})), TMacroReadStatus::StreamError, "Memory stream error reading to fRecord."},
      {"negative count", Pack(patched(countAt, {0xFF, 0xFF, 0xFF, 0xFF})), TMacroReadStatus::StreamError, "Memory stream error reading to fRecord."},
      {"huge count", Pack(patched(countAt, {0, 0, 0, 0x40})), TMacroReadStatus::StreamError, "Memory stream error reading to fRecord."},
      {"font name of 33", Pack(patched(33 * 7, {33})), TMacroReadStatus::RangeError, "Range error reading to fRecord.  Could you \rplease report this to, email: "},
      {"font name of 255 in the last line", Pack(patched(34 * 7860 + 150 * 33, {255})), TMacroReadStatus::RangeError, "Range error reading to fRecord."},
      {"truncated stream", Pack(Bytes(good.begin() + 1, good.end())), TMacroReadStatus::StreamError, "Memory stream error reading to fRecord."},
      {"tail only", Pack(Bytes(good.end() - 11, good.end())), TMacroReadStatus::StreamError, "Memory stream error reading to fRecord."},
      {"old stream too short", Pack(Bytes(35 * 15720 - 1, 0)), TMacroReadStatus::StreamError, "Memory stream error reading to fRecord."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TMacroList list = MixedList();
    list.Modified = true;
    TCompress compress;
    const TMacroReadResult r = ReadMacroFileBytes(c.File, compress, list, "m.zqm");
    EXPECT_EQ(r.Status, c.Status);
    EXPECT_EQ(r.Message.rfind(c.MessageStart, 0), 0u) << r.Message;
    ExpectSameMacros(source, list);
    EXPECT_TRUE(list.Modified);
  }
}

TEST(MacroListStream, OldStreamIsConverted) {
  Bytes old(35 * 15720, 0);
  TMacroList one;
  one.Lines[0].Buffer.Chars[0] = 'q';
  Bytes rec(MacroLineRecSize);
  PackLine(one.Lines[0].Buffer, rec.data(), 96, 96);
  std::copy(rec.begin(), rec.end(), old.begin() + 3 * 15720);
  TMacroList list;
  TCompress compress;
  const TMacroReadResult r = ReadMacroFileBytes(Pack(old), compress, list);
  ASSERT_EQ(r.Status, TMacroReadStatus::Ok) << r.Message;
  EXPECT_TRUE(r.Converted);
  EXPECT_FALSE(list.Modified);
  EXPECT_EQ(list.Lines[3].Buffer.Chars[0], 'q');
  for (const TMacroLine& l : list.Lines) {
    EXPECT_EQ(l.Description, "No Description");
    EXPECT_EQ(l.Spacing, 1);
  }
}

TEST(MacroList, MoveAndClearLines) {
  TMacroList list;
  for (int n = 0; n < 35; ++n) {
    list.Lines[size_t(n)].Description = std::to_string(n + 1);
    list.Lines[size_t(n)].Spacing = n % 6;
  }
  // Line 3 dropped on line 7 (line numbers): old 4-7 become 3-6, old 3 becomes 7.
  list.MoveLine(6, 2);
  const char* expected[] = {"1", "2", "4", "5", "6", "7", "3", "8"};
  for (int n = 0; n < 8; ++n) EXPECT_EQ(list.Lines[size_t(n)].Description, expected[n]);
  EXPECT_EQ(list.Lines[2].Spacing, 2) << "spacings stay with their positions";
  EXPECT_TRUE(list.Modified);
  list.MoveLine(2, 6);
  for (int n = 0; n < 8; ++n) EXPECT_EQ(list.Lines[size_t(n)].Description, std::to_string(n + 1));

  list.Modified = false;
  list.Lines[5].Checked = true;
  list.Lines[9].Checked = true;
  EXPECT_EQ(list.FirstChecked(), 5);
  EXPECT_EQ(list.LastChecked(), 9);
  list.ClearAll();
  EXPECT_FALSE(list.AnyChecked());
  EXPECT_FALSE(list.Modified);
  EXPECT_TRUE(list.Lines[0].IsBlank());
  EXPECT_EQ(list.Lines[0].Spacing, 1);
}

TEST(MacroList, DescriptionOfImportedCells) {
  struct TCase {
    Bytes Cells;
    int Start, End;
    std::string Text;
  } cases[] = {
      {{'a', ' ', 'b', 0}, 0, 3, "ab"},
      {{' ', ' ', 'x', 'y', 0, 0, 'z', 0}, 0, 8, "xy\xAC\xAC" "z"},
      {{'a', 'b', 'c', 'd', 'e', 0}, 1, 3, "bc"},
      {{185, 185, 'q', 0}, 0, 3, "q"},
      {{'a', 0, 0}, 0, 3, "a\xAC"},
      {{' ', ' ', 0}, 0, 3, ""},
      {{'a', 'b'}, 0, 9, "ab"},           // the end is kept within the cells
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(BuildLineText(c.Start, c.End, c.Cells.data(), c.Cells.size()), c.Text);
  }
}

// The 64-byte font record: the page tables (text undo, macro lines) and the text clipboard write
// the same bytes, names as Windows-1252 where it holds them, and read what earlier builds wrote.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "page/page_tables.h"
#include "text/text_clip_format.h"

namespace {

std::string NameBytes(const uint8_t* rec) { return std::string(reinterpret_cast<const char*>(rec + 1), rec[0]); }

}  // namespace

TEST(FontRecords, OneFormForEveryUser) {
  const std::string long60(60, 'x');
  struct TCase {
    std::string Name;
    std::string Stored;  // the record's name bytes
    std::string Read;    // the name read back
  } cases[] = {
      {"Arial", "Arial", "Arial"},
      {"Caf\xC3\xA9 Sans", "Caf\xE9 Sans", "Caf\xC3\xA9 Sans"},            // e acute: one Windows-1252 byte
      {"Euro \xE2\x82\xAC", "Euro \x80", "Euro \xE2\x82\xAC"},             // the euro sign is 0x80
      {"\xE5\xBE\xAE\xE8\xBD\xAF", "\xE5\xBE\xAE\xE8\xBD\xAF", "\xE5\xBE\xAE\xE8\xBD\xAF"},  // no byte for it: UTF-8 kept
      {long60, std::string(50, 'x'), std::string(50, 'x')},
  };
  for (const TCase& c : cases) {
    TFont font(c.Name, 14, 3, TColor(0x123456), 0);
    TFontRec rec;
    FontToRecord(font, rec);
    uint8_t clip[textclip::FontRecSize];
    textclip::FontToRecord(font, clip);
    EXPECT_EQ(std::memcmp(&rec, clip, sizeof rec), 0) << c.Name;
    EXPECT_EQ(NameBytes(clip), c.Stored) << c.Name;
    TFont back;
    RecordToFont(rec, back);
    EXPECT_EQ(back.Name, c.Read);
    EXPECT_EQ(back.Size(), 14);
    EXPECT_EQ(back.Style, 3);
    EXPECT_EQ(back.Color, TColor(0x123456));
    TFont fromClip;
    textclip::RecordToFont(clip, fromClip);
    EXPECT_EQ(fromClip.Name, c.Read);
  }
}

TEST(FontRecords, RecordsOfEarlierBuildsStillRead) {
  // Names earlier builds stored as UTF-8 bytes, and Windows-1252 names of other writers.
  struct TCase {
    std::string Bytes, Read;
  } cases[] = {{"Caf\xC3\xA9", "Caf\xC3\xA9"}, {"Caf\xE9", "Caf\xC3\xA9"}, {"\xC3", "\xC3\x83"}, {"Plain", "Plain"}};
  for (const TCase& c : cases) {
    TFontRec rec{};
    rec.Name[0] = uint8_t(c.Bytes.size());
    std::memcpy(rec.Name + 1, c.Bytes.data(), c.Bytes.size());
    rec.Size = 10;
    TFont font;
    RecordToFont(rec, font);
    EXPECT_EQ(font.Name, c.Read) << c.Bytes;
  }
}

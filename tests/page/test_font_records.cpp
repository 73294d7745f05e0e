// Stored font names: the 64-byte font record (text undo, macro lines, the text clipboard) and the
// document's font name fields hold names in one form, Windows-1252 where it holds them, and read
// what earlier builds wrote.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "page/document_format.h"
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

TEST(FontRecords, TheDocumentsFontFieldsUseTheSameForm) {
  std::string cjk11, cjk10;
  for (int i = 0; i < 11; ++i) cjk11 += "\xE5\xBE\xAE";
  cjk10 = cjk11.substr(0, 30);
  struct TCase {
    std::string Name, Stored, Read;
  } cases[] = {
      {"Arial", "Arial", "Arial"},
      {"Caf\xC3\xA9 Sans", "Caf\xE9 Sans", "Caf\xC3\xA9 Sans"},
      {std::string(31, 'a') + "\xC3\xA9", std::string(31, 'a') + "\xE9", std::string(31, 'a') + "\xC3\xA9"},
      {cjk11, cjk10, cjk10},  // UTF-8 cut before the character that does not fit whole
  };
  for (const TCase& c : cases) {
    auto doc = std::make_unique<TDocument>();
    doc->Cells[1].FontName = c.Name;
    doc->MainFont.Name = c.Name;
    doc->FontComboText = c.Name;
    TDocumentRec rec;
    PackDocumentRecord(*doc, rec);
    const auto field = [&](size_t at) { return std::string(reinterpret_cast<const char*>(rec.data() + at + 1), rec[at]); };
    EXPECT_EQ(field(docrec::FontNames + 33), c.Stored) << c.Name;
    EXPECT_EQ(field(docrec::MainFontName), c.Stored) << c.Name;
    EXPECT_EQ(field(docrec::FontComboText), FontNameToStoredBytes(c.Name, 255)) << c.Name;
    auto back = std::make_unique<TDocument>();
    UnpackDocumentRecord(rec.data(), DocumentVersion, *back);
    EXPECT_EQ(back->Cells[1].FontName, c.Read) << c.Name;
    EXPECT_EQ(back->MainFont.Name, c.Read) << c.Name;
    EXPECT_EQ(back->FontComboText, c.Name) << c.Name;
  }
}

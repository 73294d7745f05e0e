// The page's stored tables and the stored font record.
#include "page/page_tables.h"

#include <algorithm>
#include <cstring>

TPictureTable Pictures{};
TPasteTable Pastes{};

void SetShortString(uint8_t* field, size_t capacity, std::string_view text) {
  const size_t n = std::min(text.size(), capacity);
  std::memset(field, 0, capacity + 1);
  field[0] = uint8_t(n);
  std::memcpy(field + 1, text.data(), n);
}

std::string GetShortString(const uint8_t* field, size_t capacity) {
  const size_t n = std::min<size_t>(field[0], capacity);
  return std::string(reinterpret_cast<const char*>(field + 1), n);
}

void FontToRecord(const TFont& Font, TFontRec& Rec) {
  Rec = TFontRec{};
  SetShortString(Rec.Name, 50, Font.Name);
  Rec.Size = Font.Size();
  Rec.Color = uint32_t(Font.Color);
  Rec.Style = Font.Style & 0x0F;
  Rec.Charset = Font.Charset;
}

void RecordToFont(const TFontRec& Rec, TFont& Font) {
  Font.Name = GetShortString(Rec.Name, 50);
  Font.SetSize(std::clamp<int32_t>(Rec.Size, 1, 1638));
  Font.Color = TColor(Rec.Color);
  Font.Style = Rec.Style & 0x0F;
  Font.Charset = Rec.Charset;
}

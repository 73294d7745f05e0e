// The page's stored tables and the stored font record.
#include "page/page_tables.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "text/text_clip_format.h"

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

static_assert(offsetof(TFontRec, Size) == 52 && offsetof(TFontRec, Color) == 56 && offsetof(TFontRec, Style) == 60 &&
              offsetof(TFontRec, Charset) == 62);

// The record is the text clipboard's font record, byte for byte: one routine writes and reads it.
void FontToRecord(const TFont& Font, TFontRec& Rec) {
  uint8_t bytes[textclip::FontRecSize];
  textclip::FontToRecord(Font, bytes);
  std::memcpy(&Rec, bytes, sizeof Rec);
}

void RecordToFont(const TFontRec& Rec, TFont& Font) {
  uint8_t bytes[textclip::FontRecSize];
  std::memcpy(bytes, &Rec, sizeof Rec);
  textclip::RecordToFont(bytes, Font);
}

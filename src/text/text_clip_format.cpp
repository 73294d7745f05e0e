// The page's own text clipboard format and its font records.
#include "text/text_clip_format.h"

#include <algorithm>
#include <cstring>

namespace textclip {

namespace {

void Put32(uint8_t* p, uint32_t v) {
  for (int k = 0; k < 4; ++k) p[k] = uint8_t(v >> (8 * k));
}
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

}  // namespace

void FontToRecord(const TFont& Font, uint8_t* Rec) {
  std::memset(Rec, 0, FontRecSize);
  const std::string name = FontNameToStoredBytes(Font.Name, FontRecNameMax);
  Rec[0] = uint8_t(name.size());
  std::memcpy(Rec + 1, name.data(), name.size());
  Put32(Rec + 52, uint32_t(int32_t(Font.Size())));
  Put32(Rec + 56, uint32_t(Font.Color));
  Rec[60] = uint8_t(Font.Style & 0x0F);
  Rec[62] = Font.Charset;
}

void RecordToFont(const uint8_t* Rec, TFont& Font) {
  const size_t len = std::min<size_t>(Rec[0], FontRecNameMax);
  const std::string bytes(reinterpret_cast<const char*>(Rec + 1), len);
  Font.Name = FontNameFromStoredBytes(bytes);
  const int32_t size = int32_t(Get32(Rec + 52));
  Font.SetSize(std::clamp<int32_t>(size, 1, 1638));
  Font.Color = TColor(Get32(Rec + 56));
  Font.Style = TFontStyles(Rec[60] & 0x0F);
  Font.Charset = Rec[62];
}

std::vector<uint8_t> EncodeClipText(const std::vector<TClipTextRec>& Records) {
  std::vector<uint8_t> out(4 + Records.size() * ClipTextRecSize);
  Put32(out.data(), uint32_t(Records.size()));
  uint8_t* p = out.data() + 4;
  for (const auto& r : Records) {
    FontToRecord(r.Font, p);
    p[64] = r.Ch;
    p[65] = uint8_t(uint16_t(r.Offset));
    p[66] = uint8_t(uint16_t(r.Offset) >> 8);
    p += ClipTextRecSize;
  }
  return out;
}

bool DecodeClipText(std::span<const uint8_t> Data, std::vector<TClipTextRec>& Records) {
  Records.clear();
  if (Data.size() < 4) return false;
  const uint64_t count = Get32(Data.data());
  // The count is bounded by what the block holds; bytes after the last record (a clipboard block
  // rounded up by its writer) are ignored.
  if (count > (Data.size() - 4) / ClipTextRecSize) return false;
  Records.resize(size_t(count));
  const uint8_t* p = Data.data() + 4;
  for (auto& r : Records) {
    RecordToFont(p, r.Font);
    r.Ch = p[64];
    r.Offset = int16_t(uint16_t(p[65] | (p[66] << 8)));
    p += ClipTextRecSize;
  }
  return true;
}

}  // namespace textclip

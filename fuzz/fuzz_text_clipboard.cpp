// Fuzzes what the text clipboard reads from other programs: rich text (every run's format is
// read, what was read is written again and reads back as the same text) and the page's own
// format (a block that is accepted encodes again to the same records).
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_options.h"  // IWYU pragma: keep
#include "helpers/rich_text.h"
#include "text/text_clip_format.h"

namespace {

void FuzzRichText(const uint8_t* data, size_t size) {
  std::string rtf = "{\\rtf1 ";
  rtf.append(reinterpret_cast<const char*>(data), size);
  TZQVRichEdit edit;
  if (!edit.LoadRtf(rtf)) std::abort();
  const int length = edit.TextLength();
  for (int pos = 0; pos < length && pos < 4096; pos += 7) {
    edit.SelStart = pos;
    TFont f;
    SelAttributesToFont(edit, f);
    (void)GetSelScriptKind(edit);
  }
  // Written again, the text reads back the same (lines that hold line-break bytes of their own
  // are left out: the writer turns those into paragraph ends).
  std::vector<TRichRun> runs;
  const auto& lines = edit.Lines();
  for (size_t l = 0; l < lines.size(); ++l) {
    if (lines[l].find_first_of("\r\n") != std::string::npos) return;
    for (size_t k = 0; k < lines[l].size(); ++k) {
      const TRichCharFormat& fmt = edit.FormatAt(l, k);
      if (runs.empty() || !(runs.back().Format == fmt) || runs.back().Text.find('\n') != std::string::npos)
        runs.push_back({std::string(), fmt});
      runs.back().Text.push_back(lines[l][k]);
    }
    if (l + 1 < lines.size()) {
      if (runs.empty()) runs.push_back({std::string(), TRichCharFormat()});
      runs.back().Text += "\r\n";
    }
  }
  TZQVRichEdit again;
  if (!again.LoadRtf(WriteRtf(runs))) std::abort();
  std::vector<std::string> a = lines, b = again.Lines();
  while (!a.empty() && a.back().empty()) a.pop_back();
  while (!b.empty() && b.back().empty()) b.pop_back();
  if (a != b) std::abort();
}

void FuzzOwnFormat(const uint8_t* data, size_t size) {
  std::vector<textclip::TClipTextRec> recs;
  if (!textclip::DecodeClipText(std::span<const uint8_t>(data, size), recs)) return;
  const auto block = textclip::EncodeClipText(recs);
  std::vector<textclip::TClipTextRec> back;
  if (!textclip::DecodeClipText(block, back) || back.size() != recs.size()) std::abort();
  for (size_t i = 0; i < recs.size(); ++i)
    if (back[i].Ch != recs[i].Ch || back[i].Offset != recs[i].Offset || !(back[i].Font == recs[i].Font)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  AddDefaultOptions(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  if (data[0] & 1)
    FuzzOwnFormat(data + 1, size - 1);
  else
    FuzzRichText(data + 1, size - 1);
  return 0;
}

#include "platform/clipboard_formats.h"

#include <mutex>
#include <vector>

#include "platform/streams.h"

namespace {
std::mutex& Lock() {
  static std::mutex m;
  return m;
}
std::vector<std::string>& Names() {
  static std::vector<std::string> names;
  return names;
}
constexpr unsigned FirstRegisteredFormat = 0xC000;
}  // namespace

unsigned RegisterClipboardFormat(const std::string& name) {
  std::lock_guard<std::mutex> guard(Lock());
  auto& names = Names();
  for (size_t i = 0; i < names.size(); ++i)
    if (SameText(names[i], name)) return FirstRegisteredFormat + unsigned(i);
  names.push_back(name);
  return FirstRegisteredFormat + unsigned(names.size() - 1);
}

std::string GetClipboardFormatName(unsigned format) {
  std::lock_guard<std::mutex> guard(Lock());
  const auto& names = Names();
  if (format < FirstRegisteredFormat || format - FirstRegisteredFormat >= names.size()) return {};
  return names[format - FirstRegisteredFormat];
}

std::string ClipboardFormatMimeType(unsigned format) {
  const std::string name = GetClipboardFormatName(format);
  if (name.empty()) return {};
  if (SameText(name, "GIF Image")) return "image/gif";
  return "application/x-qt-windows-mime;value=\"" + name + "\"";
}

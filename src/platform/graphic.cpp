#include "platform/graphic.h"

#include "platform/metafile.h"
#include "platform/streams.h"

void TGraphic::LoadFromFile(const std::string& fileName) {
  TMemoryStream stream;
  stream.LoadFromFile(fileName);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) {
  TMemoryStream stream;
  SaveToStream(stream);
  stream.SaveToFile(fileName);
}

namespace {
// The platform's own picture classes are there from the start; the others register themselves.
std::vector<TGraphicFormat> PlatformFormats() {
  return {{".EMF", "Enhanced Metafiles", [] { return std::unique_ptr<TGraphic>(std::make_unique<TMetafile>()); }},
          {".WMF", "Metafiles", [] {
             auto m = std::make_unique<TMetafile>();
             m->Enhanced = false;
             return std::unique_ptr<TGraphic>(std::move(m));
           }}};
}

std::vector<TGraphicFormat>& Formats() {
  static std::vector<TGraphicFormat> formats = PlatformFormats();
  return formats;
}
}  // namespace

void RegisterFileFormat(const std::string& extension, const std::string& description, TGraphicFactory create) {
  const std::string ext = UpperCase(extension.empty() || extension[0] == '.' ? extension : "." + extension);
  UnregisterFileFormat(ext);
  Formats().push_back({ext, description, std::move(create)});
}

void UnregisterFileFormat(const std::string& extension) {
  auto& f = Formats();
  const std::string ext = UpperCase(extension.empty() || extension[0] == '.' ? extension : "." + extension);
  std::erase_if(f, [&](const TGraphicFormat& g) { return g.Extension == ext; });
}

std::unique_ptr<TGraphic> CreateGraphicForFile(const std::string& fileNameOrExt) {
  std::string ext = UpperCase(ExtractFileExt(fileNameOrExt));
  if (ext.empty() && !fileNameOrExt.empty() && fileNameOrExt.find('/') == std::string::npos)
    ext = UpperCase("." + fileNameOrExt);
  for (const auto& g : Formats())
    if (g.Extension == ext) return g.Create();
  return nullptr;
}

const std::vector<TGraphicFormat>& RegisteredFileFormats() { return Formats(); }

#include "helpers/picture_export.h"

#include "codecs/jpeg_image.h"
#include "codecs/png_image.h"
#include "helpers/zqv_gif.h"
#include "platform/streams.h"

std::string ExportFilterExtension(int FilterIndex) {
  static const char* const exts[] = {".bmp", ".emf", ".wmf", ".jpg", ".zqg", ".gif", ".png"};
  if (FilterIndex < 1 || FilterIndex > 7) return "";
  return exts[FilterIndex - 1];
}

std::string KeepTypedPictureExtension(const std::string& FileName, const std::string& FilterExt) {
  const std::string typed = UpperCase(ExtractFileExt(FileName));
  for (const char* known : {".BMP", ".EMF", ".WMF", ".JPG", ".JPEG", ".ZQG", ".GIF", ".PNG"})
    if (typed == known) return FileName;
  return ChangeFileExt(FileName, FilterExt);
}

std::string ApplyExportFilterExtension(const std::string& FileName, int FilterIndex) {
  const std::string ext = ExportFilterExtension(FilterIndex);
  if (ext.empty()) return FileName;
  return KeepTypedPictureExtension(FileName, ext);
}

std::unique_ptr<TBitmap> ExportBitmapVariant(TBitmap& Base, int VariantIndex, bool LowColourScreen,
                                             const HPALETTE& AppPalette) {
  switch (VariantIndex) {
    case 0:
    case 1: {
      auto copy = std::make_unique<TBitmap>(Base);
      copy->SetPixelFormat(pf24bit);
      return copy;
    }
    case 2: return ReduceColors(Base, rmWindows20, dkNearest, 0, nullptr);
    case 3:
      if (LowColourScreen && AppPalette) return ReduceColors(Base, rmCustomPalette, dkNearest, 256, AppPalette);
      return ReduceColors(Base, rmOctreeWindows, dkFloydSteinberg, 256, nullptr);
    case 4: return ReduceColors(Base, rmWebSafe, dkNearest, 236, nullptr);
    case 5: return ReduceColors(Base, rmGrayScale, dkNearest, 256, nullptr);
    default: return nullptr;
  }
}

TRasterExportKind ExportKindOf(const std::string& e) {
  if (e == ".JPG" || e == ".JPEG") return TRasterExportKind::Jpeg;
  if (e == ".GIF" || e == ".ZQG") return TRasterExportKind::Gif;
  if (e == ".BMP") return TRasterExportKind::Bitmap;
  if (e == ".PNG") return TRasterExportKind::Png;
  if (e == ".EMF" || e == ".WMF") return TRasterExportKind::Metafile;
  return TRasterExportKind::None;
}

void WriteJpegPicture(const TBitmap& Base, const std::string& FileName, int Quality) {
  auto jpeg = NewJpegFromBitmap(Base, Quality);
  jpeg->SaveToFile(FileName);
}

void WriteGifPicture(const TBitmap& Base, const std::string& FileName) {
  TZQVGif gif;
  gif.Assign(&Base);
  gif.SaveToFile(FileName);
}

void WritePngPicture(const TBitmap& Base, const std::string& FileName) {
  TPNGImage png;
  png.Assign(Base);
  png.Transparent = Base.Transparent;
  png.SaveToFile(FileName);
}

void WriteBitmapPicture(TBitmap& Bitmap, const std::string& FileName) {
  Bitmap.SaveToFile(FileName);
}

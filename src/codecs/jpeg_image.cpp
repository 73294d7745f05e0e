#include "codecs/jpeg_image.h"

// clang-format off
#include <jpeglib.h>
#include <cstdio>
// clang-format on
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <string>

#include "codecs/jpeg_progressive.h"
#include "platform/canvas.h"
#include "platform/streams.h"

namespace {
// The largest picture decoded (as TBitmap allows) and libjpeg's working memory limit.
constexpr int64_t kMaxPixels = int64_t(1) << 28;
constexpr long kMaxJpegMemory = 1L << 30;
constexpr int64_t kMaxFileSize = int64_t(1) << 30;

// libjpeg reports fatal errors by calling error_exit, which must not return: it jumps back to
// the routine that started the work. The routines below keep every C++ object they own outside
// the stretch between setjmp and the libjpeg calls.
struct TJpegErrorMgr {
  jpeg_error_mgr Pub;
  jmp_buf Jump;
  int Code;
  char Text[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<TJpegErrorMgr*>(cinfo->err);
  err->Code = cinfo->err->msg_code;
  (*cinfo->err->format_message)(cinfo, err->Text);
  longjmp(err->Jump, 1);
}

void QuietMessage(j_common_ptr) {}

void SetUpErrors(jpeg_error_mgr* pub) {
  jpeg_std_error(pub);
  pub->error_exit = ErrorExit;
  pub->output_message = QuietMessage;
}

[[noreturn]] void RaiseJpeg(const TJpegErrorMgr& err) {
  throw EJPEG("JPEG error #" + std::to_string(err.Code) + " (" + err.Text + ")");
}

void Fail(TJpegErrorMgr& err, j_common_ptr cinfo, const char* text) {
  err.Code = 0;
  std::snprintf(err.Text, sizeof err.Text, "%s", text);
  longjmp(err.Jump, 1);
  (void)cinfo;
}

struct THeaderInfo {
  int Width = 0, Height = 0, Components = 0;
};

bool ReadJpegHeader(const uint8_t* data, size_t size, THeaderInfo* info, TJpegErrorMgr* err) {
  jpeg_decompress_struct cinfo;
  cinfo.err = &err->Pub;
  SetUpErrors(&err->Pub);
  if (setjmp(err->Jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  info->Width = int(cinfo.image_width);
  info->Height = int(cinfo.image_height);
  info->Components = cinfo.num_components;
  jpeg_destroy_decompress(&cinfo);
  return true;
}

// Decodes into target, which the caller has made a null image; grey output gives an 8-bit image.
bool DecodeJpeg(const uint8_t* data, size_t size, bool grey, QImage* target, TJpegErrorMgr* err) {
  jpeg_decompress_struct cinfo;
  cinfo.err = &err->Pub;
  SetUpErrors(&err->Pub);
  if (setjmp(err->Jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = kMaxJpegMemory;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (int64_t(cinfo.image_width) * cinfo.image_height > kMaxPixels)
    Fail(*err, reinterpret_cast<j_common_ptr>(&cinfo), "the picture is too large");
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  const bool greyOut = grey || cinfo.num_components == 1;
  cinfo.out_color_space = greyOut ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGRX;
  jpeg_start_decompress(&cinfo);
  *target = QImage(int(cinfo.output_width), int(cinfo.output_height),
                   greyOut ? QImage::Format_Indexed8 : QImage::Format_RGB32);
  if (target->isNull()) Fail(*err, reinterpret_cast<j_common_ptr>(&cinfo), "not enough memory for the picture");
  JSAMPARRAY cmykRow = nullptr;
  if (cmyk && !greyOut)
    cmykRow = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                         cinfo.output_width * 4, 1);
  // Adobe writes CMYK inverted.
  const bool inverted = cinfo.saw_Adobe_marker;
  uint8_t* bits = target->bits();
  const qsizetype stride = target->bytesPerLine();
  while (cinfo.output_scanline < cinfo.output_height) {
    uint8_t* line = bits + stride * qsizetype(cinfo.output_scanline);
    if (!cmykRow) {
      JSAMPROW row = line;
      jpeg_read_scanlines(&cinfo, &row, 1);
      continue;
    }
    jpeg_read_scanlines(&cinfo, cmykRow, 1);
    const uint8_t* s = cmykRow[0];
    auto* out = reinterpret_cast<uint32_t*>(line);
    for (JDIMENSION x = 0; x < cinfo.output_width; ++x, s += 4) {
      int c = s[0], m = s[1], y = s[2], k = s[3];
      if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
      out[x] = 0xFF000000u | uint32_t(c * k / 255) << 16 | uint32_t(m * k / 255) << 8 | uint32_t(y * k / 255);
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

// Compresses an RGB32 image (or an 8-bit grey one). A progressive picture is coded by writer
// from the coefficients of libjpeg's single-pass front end into data (see jpeg_progressive.h); the
// rest is written by libjpeg itself into *out, malloc'ed by libjpeg.
bool EncodeJpeg(const QImage* source, int quality, bool progressive, bool grey, TProgressiveJpegWriter* writer,
                std::vector<uint8_t>* data, unsigned char** out, unsigned long* outSize, TJpegErrorMgr* err) {
  jpeg_compress_struct cinfo;
  cinfo.err = &err->Pub;
  SetUpErrors(&err->Pub);
  if (setjmp(err->Jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, outSize);
  cinfo.image_width = JDIMENSION(source->width());
  cinfo.image_height = JDIMENSION(source->height());
  const bool greyInput = source->format() == QImage::Format_Grayscale8;
  cinfo.input_components = greyInput ? 1 : 4;
  cinfo.in_color_space = greyInput ? JCS_GRAYSCALE : JCS_EXT_BGRX;
  jpeg_set_defaults(&cinfo);
  if (grey && !greyInput) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  jpeg_set_quality(&cinfo, quality, TRUE);
  const bool ownScans = progressive && TProgressiveJpegWriter::Handles(cinfo);
  if (progressive && !ownScans) {
    // Progressive by spectral selection, as the writer does, for what it does not handle.
    static const jpeg_scan_info colourScans[] = {{3, {0, 1, 2, 0}, 0, 0, 0, 0},
                                                 {1, {0, 0, 0, 0}, 1, 63, 0, 0},
                                                 {1, {1, 0, 0, 0}, 1, 63, 0, 0},
                                                 {1, {2, 0, 0, 0}, 1, 63, 0, 0}};
    static const jpeg_scan_info greyScans[] = {{1, {0, 0, 0, 0}, 0, 0, 0, 0}, {1, {0, 0, 0, 0}, 1, 63, 0, 0}};
    if (cinfo.num_components == 3) {
      cinfo.scan_info = colourScans;
      cinfo.num_scans = 4;
    } else if (cinfo.num_components == 1) {
      cinfo.scan_info = greyScans;
      cinfo.num_scans = 2;
    } else {
      jpeg_simple_progression(&cinfo);
    }
  }
  jpeg_start_compress(&cinfo, TRUE);
  if (ownScans) writer->Attach(&cinfo);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(source->constScanLine(int(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  if (ownScans && !writer->Finish(*data)) {
    err->Code = 0;
    std::snprintf(err->Text, sizeof err->Text, "%s", "not enough memory for the picture");
    return false;
  }
  if (ownScans) {
    std::free(*out);
    *out = nullptr;
  }
  return true;
}
}  // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

TJPEGImage::TJPEGImage(const TJPEGImage& other) : TGraphic(other) { *this = other; }

TJPEGImage& TJPEGImage::operator=(const TJPEGImage& other) {
  if (this == &other) return *this;
  Transparent = other.Transparent;
  FData = other.FData;
  FBitmap = other.FBitmap ? std::make_unique<TBitmap>(*other.FBitmap) : nullptr;
  FBitmapFromData = other.FBitmapFromData;
  FWidth = other.FWidth;
  FHeight = other.FHeight;
  FQuality = other.FQuality;
  FProgressive = other.FProgressive;
  FGrayscale = other.FGrayscale;
  return *this;
}

void TJPEGImage::Assign(const TGraphic& source) {
  if (&source == this) return;
  if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(&source)) {
    *this = *jpeg;
    return;
  }
  auto bitmap = std::make_unique<TBitmap>();
  if (const auto* b = dynamic_cast<const TBitmap*>(&source)) {
    *bitmap = *b;
  } else {
    auto& other = const_cast<TGraphic&>(source);
    bitmap = std::make_unique<TBitmap>(other.Width(), other.Height(), pf24bit);
    if (!bitmap->Empty()) other.Draw(bitmap->Canvas(), TRect{0, 0, other.Width(), other.Height()});
  }
  FData.clear();
  FWidth = bitmap->Width();
  FHeight = bitmap->Height();
  FBitmap = std::move(bitmap);
  FBitmapFromData = false;
}

void TJPEGImage::ReadHeader() {
  TJpegErrorMgr err{};
  THeaderInfo info;
  if (!ReadJpegHeader(FData.data(), FData.size(), &info, &err)) RaiseJpeg(err);
  FWidth = info.Width;
  FHeight = info.Height;
}

void TJPEGImage::LoadFromStream(TStream& stream) {
  const int64_t size = stream.Remaining();
  if (size <= 0 || size > kMaxFileSize) throw EJPEG("JPEG error #0 (the file is empty or too large)");
  std::vector<uint8_t> data(static_cast<size_t>(size));
  stream.ReadBuffer(data.data(), size);
  FData = std::move(data);
  FBitmap.reset();
  FBitmapFromData = false;
  FWidth = FHeight = 0;
  try {
    ReadHeader();
  } catch (...) {
    FData.clear();
    throw;
  }
}

void TJPEGImage::SaveToStream(TStream& stream) {
  if (FData.empty()) Compress();
  stream.WriteBuffer(FData.data(), int64_t(FData.size()));
}

int TJPEGImage::Width() const { return FBitmap ? FBitmap->Width() : FWidth; }
int TJPEGImage::Height() const { return FBitmap ? FBitmap->Height() : FHeight; }

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect) {
  if (Empty()) return;
  Bitmap().Draw(canvas, rect);
}

void TJPEGImage::SettingChanged() {
  // New settings apply to the next compression: keep the pixels, drop the old data.
  if (!FData.empty()) {
    Bitmap();
    FData.clear();
    FBitmapFromData = false;
  }
}

void TJPEGImage::SetCompressionQuality(int value) {
  value = std::clamp(value, 1, 100);
  if (value == FQuality) return;
  SettingChanged();
  FQuality = value;
}

void TJPEGImage::SetProgressiveEncoding(bool value) {
  if (value == FProgressive) return;
  SettingChanged();
  FProgressive = value;
}

void TJPEGImage::SetGrayscale(bool value) {
  if (value == FGrayscale) return;
  FGrayscale = value;
  if (FBitmapFromData) {
    // Decoded again in the new colour mode when next needed.
    FBitmap.reset();
    FBitmapFromData = false;
  } else if (FBitmap) {
    FData.clear();
  }
}

void TJPEGImage::Compress() {
  if (!FBitmap) {
    if (FData.empty()) throw EJPEG("JPEG error #0 (there is no picture to compress)");
    Bitmap();
  }
  QImage source = FBitmap->Image();
  if (source.format() != QImage::Format_RGB32) source = source.convertToFormat(QImage::Format_RGB32);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  TJpegErrorMgr err{};
  TProgressiveJpegWriter writer;
  std::vector<uint8_t> data;
  const bool ok = EncodeJpeg(&source, FQuality, FProgressive, FGrayscale, &writer, &data, &out, &outSize, &err);
  if (ok && out)
    FData.assign(out, out + outSize);
  else if (ok)
    FData = std::move(data);
  std::free(out);
  if (!ok) RaiseJpeg(err);
  FWidth = FBitmap->Width();
  FHeight = FBitmap->Height();
}

std::unique_ptr<TJPEGImage> NewJpegFromBitmap(const TGraphic& Graphic, int Quality) {
  auto jpeg = std::make_unique<TJPEGImage>();
  jpeg->Assign(Graphic);
  // Set after Assign, which takes a JPEG source's own settings.
  jpeg->SetProgressiveEncoding(true);
  jpeg->SetCompressionQuality(Quality < 101 ? Quality : 100);
  jpeg->Compress();
  return jpeg;
}

TBitmap& TJPEGImage::Bitmap() {
  if (FBitmap) return *FBitmap;
  auto bitmap = std::make_unique<TBitmap>();
  if (!FData.empty()) {
    QImage image;
    TJpegErrorMgr err{};
    if (!DecodeJpeg(FData.data(), FData.size(), FGrayscale, &image, &err)) RaiseJpeg(err);
    if (image.format() == QImage::Format_Indexed8) {
      QList<QRgb> greys;
      for (int i = 0; i < 256; ++i) greys.push_back(qRgb(i, i, i));
      image.setColorTable(greys);
    }
    bitmap->SetImage(image);
    FBitmapFromData = true;
  }
  FBitmap = std::move(bitmap);
  return *FBitmap;
}

void RegisterJPEGImageFormat() {
  RegisterFileFormat(".JPG", "JPEG Image File", [] { return std::make_unique<TJPEGImage>(); });
  RegisterFileFormat(".JPEG", "JPEG Image File", [] { return std::make_unique<TJPEGImage>(); });
}

namespace {
const bool kJPEGRegistered = (RegisterJPEGImageFormat(), true);
}

// JPEG pictures over libjpeg: TJPEGImage keeps the compressed data of a file and the pixels as a
// bitmap, each made from the other when it is needed. Compression uses CompressionQuality
// (1..100), ProgressiveEncoding and Grayscale; Grayscale also makes a loaded picture decode to
// 256 greys.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/bitmap.h"
#include "platform/exceptions.h"
#include "platform/graphic.h"

KV_DECLARE_EXCEPTION(EJPEG, EInvalidGraphic)

class TJPEGImage : public TGraphic {
public:
  TJPEGImage();
  ~TJPEGImage() override;
  TJPEGImage(const TJPEGImage& other);
  TJPEGImage& operator=(const TJPEGImage& other);

  // From a JPEG picture: its data, pixels and settings; from a bitmap: its pixels (compressed when
  // next saved or by Compress); from any other graphic: the picture drawn onto a bitmap.
  void Assign(const TGraphic& source);

  void LoadFromStream(TStream& stream) override;
  // Writes the compressed data, compressing the bitmap first when it has changed.
  void SaveToStream(TStream& stream) override;
  int Width() const override;
  int Height() const override;
  bool Empty() const override { return Width() == 0 || Height() == 0; }
  void Draw(TCanvas& canvas, const TRect& rect) override;

  int CompressionQuality() const { return FQuality; }
  void SetCompressionQuality(int value);  // clamped to 1..100
  bool ProgressiveEncoding() const { return FProgressive; }
  void SetProgressiveEncoding(bool value);
  bool Grayscale() const { return FGrayscale; }
  void SetGrayscale(bool value);

  // Compresses the bitmap now with the current settings.
  void Compress();
  // The pixels, decoded from the data when needed.
  TBitmap& Bitmap();
  // The compressed data (empty until loaded or compressed).
  const std::vector<uint8_t>& Data() const { return FData; }

private:
  void SettingChanged();
  void ReadHeader();

  std::vector<uint8_t> FData;
  std::unique_ptr<TBitmap> FBitmap;
  bool FBitmapFromData = false;  // the bitmap was decoded from FData (not assigned)
  int FWidth = 0, FHeight = 0;
  int FQuality = 75;
  bool FProgressive = false;
  bool FGrayscale = false;
};

// A new JPEG picture of Graphic, compressed at once with progressive encoding and the quality
// Quality (100 when Quality is above 100; at least 1). The caller owns the result.
std::unique_ptr<TJPEGImage> NewJpegFromBitmap(const TGraphic& Graphic, int Quality);

// Registers ".JPG" and ".JPEG" with the picture classes (done once at start-up; repeating is
// harmless).
void RegisterJPEGImageFormat();

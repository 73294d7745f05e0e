// Bitmap resampler: scales a 24-bit bitmap to a new size with one of seven reconstruction filters,
// in two separable passes (rows into an intermediate bitmap, then columns into the destination),
// with 8-bit fixed-point weights. Keeps no state between calls.
#pragma once

#include <cstdint>
#include <vector>

class TBitmap;

using TFilterProc = float (*)(float);

float SincFunction(float u);
float BoxFilter(float t);
float TriangleFilter(float t);
float HermiteFilter(float t);
float BellFilter(float t);
float SplineFilter(float t);
float Lanczos3Filter(float t);
float MitchellFilter(float t);

constexpr int FilterCount = 7;
extern const TFilterProc FilterProcs[FilterCount];
extern const float FilterSupports[FilterCount];

struct TFilterChoice {
  uint8_t Filter;
  float Support;
};
extern const TFilterChoice FilterChoices[FilterCount];

struct TContributor {
  int32_t Weight;  // fixed point, 256 = 1.0
  int32_t Pixel;   // index into the source row or column
};
using TContributors = std::vector<TContributor>;
struct TContributorEntry {
  int32_t Count = 0;
  TContributors Contributors;
};
using TContributorList = std::vector<TContributorEntry>;

inline int32_t Clamp255(int32_t Value) { return Value < 0 ? 0 : (Value > 255 ? 255 : Value); }

// The contributors of m destination positions over n source pixels at scale s with support f.
// Every stored index lies inside 0..n-1.
TContributorList BuildContributors(int n, int m, float s, float f, TFilterProc Filter);

// Whether the passes may use the processor's 256-bit vectors when it has them (on by default;
// the results are the same either way). Returns the previous setting.
bool ResamplerUseWideVectors(bool On);

// Horizontal and vertical scale of a pass from old size to new size.
float ResampleScale(int oldSize, int newSize);

// Scales Source to NewWidth x NewHeight into Dest (24 bits). Support 0 takes the filter's own
// support. Source is converted to 24 bits in place. FilterIndex must lie in 0..6.
void ResampleBitmap(int NewWidth, int NewHeight, uint8_t FilterIndex, float Support, TBitmap& Source,
                    TBitmap& Dest);
// The two passes from Source's size to Dest's current size; both bitmaps 24-bit.
void ImageResample(TFilterProc Filter, TBitmap& Source, TBitmap& Dest, float Support);

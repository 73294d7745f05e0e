// The page's tables as they are stored: pictures, pasted bitmaps and image-object records, each a
// fixed little-endian record that documents and undo snapshots hold byte for byte, and the stored
// form of a font (TFontRec) that text snapshots and the text clipboard use.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/font.h"
#include "platform/win_types.h"

// A length-prefixed string field of N characters (N + 1 bytes). Setting it cuts the text to N and
// zeroes the bytes after it, so the stored bytes depend on the text alone.
void SetShortString(uint8_t* field, size_t capacity, std::string_view text);
// The text of a length-prefixed field; a length byte beyond the field's capacity is cut to it.
std::string GetShortString(const uint8_t* field, size_t capacity);

// A rectangle as four little-endian i32 (left, top, right, bottom).
struct TStoredRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  TRect ToRect() const { return TRect(Left, Top, Right, Bottom); }
  static TStoredRect From(const TRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }
  friend bool operator==(const TStoredRect&, const TStoredRect&) = default;
};
static_assert(sizeof(TStoredRect) == 16);

// A picture placed on the page: its file and its rectangle in page pixels.
struct TPictureRec {
  uint8_t FileName[256] = {};
  TStoredRect Rect;
  uint8_t Missing = 0;  // absent, failed to load or removed: not drawn, dropped at compaction
  uint8_t Reserved[3] = {};
  std::string Name() const { return GetShortString(FileName, 255); }
  void SetName(std::string_view n) { SetShortString(FileName, 255, n); }
  friend bool operator==(const TPictureRec&, const TPictureRec&) = default;
};
static_assert(sizeof(TPictureRec) == 276);

// A pasted bitmap: its temporary file, its rectangle and its paste point.
struct TPasteRec {
  uint8_t FileName[256] = {};
  TStoredRect Rect;
  int16_t Y = 0;  // the paste point, y first
  int16_t X = 0;
  uint8_t NoFile = 0;  // no usable file: not drawn, dropped at compaction
  uint8_t Reserved[3] = {};
  std::string Name() const { return GetShortString(FileName, 255); }
  void SetName(std::string_view n) { SetShortString(FileName, 255, n); }
  friend bool operator==(const TPasteRec&, const TPasteRec&) = default;
};
static_assert(sizeof(TPasteRec) == 280);

// The stored part of a floating image object: the file it came from (empty when none) and its
// rectangle in page pixels.
struct TImageObjectRec {
  uint8_t FileName[256] = {};
  TStoredRect Rect;
  std::string Name() const { return GetShortString(FileName, 255); }
  void SetName(std::string_view n) { SetShortString(FileName, 255, n); }
  friend bool operator==(const TImageObjectRec&, const TImageObjectRec&) = default;
};
static_assert(sizeof(TImageObjectRec) == 272);

constexpr int MaxPictures = 256;  // table entries; at most 255 are counted
constexpr int MaxPastes = 256;
constexpr int MaxImageObjects = 100;

using TPictureTable = std::array<TPictureRec, MaxPictures>;
using TPasteTable = std::array<TPasteRec, MaxPastes>;
using TImageRecTable = std::array<TImageObjectRec, MaxImageObjects>;

// The page's picture and paste tables.
extern TPictureTable Pictures;
extern TPasteTable Pastes;

// The stored form of a font: name (string[50]), size in points, colour, style, character set.
struct TFontRec {
  uint8_t Name[51] = {};
  uint8_t Reserved1 = 0;
  int32_t Size = 0;
  uint32_t Color = 0;
  uint8_t Style = 0;
  uint8_t Reserved2 = 0;
  uint8_t Charset = 0;
  uint8_t Reserved3 = 0;
};
static_assert(sizeof(TFontRec) == 64);

void FontToRecord(const TFont& Font, TFontRec& Rec);
// Font sizes are kept positive: a stored size below 1 gives 1 point.
void RecordToFont(const TFontRec& Rec, TFont& Font);

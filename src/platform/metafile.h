// Metafile pictures: the enhanced format (".EMF") and the old placeable format (".WMF").
//
// A TMetafile holds the records of one picture. TMetafileCanvas is a canvas whose back-end records
// every drawing call as metafile records (in the pixels of the recording resolution); the player
// draws the records onto any canvas, stretched into a rectangle. The player knows the records this
// program writes and the common drawing records of other programs' files; unknown records are
// skipped, and every record size and count is checked before it is used.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/exceptions.h"
#include "platform/graphic.h"

KV_DECLARE_EXCEPTION(EMetafileError, Exception)

class TMetafile : public TGraphic {
public:
  TMetafile() = default;

  // True: enhanced format (EMF); False: the old placeable format (WMF).
  bool Enhanced = true;
  // The picture's size in pixels at its resolution, and that resolution (pixels per inch).
  int MMWidthPixels = 0;
  int MMHeightPixels = 0;
  int Inch = 96;

  // The enhanced records (always kept; an old-style file is converted into them when loaded).
  std::vector<uint8_t> Records;

  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  int Width() const override { return MMWidthPixels; }
  int Height() const override { return MMHeightPixels; }
  bool Empty() const override { return Records.empty(); }
  void Draw(TCanvas& canvas, const TRect& rect) override;
  void Clear();

  // Reads an enhanced file image; raises EMetafileError with a clear message when it is not one.
  void LoadEnhanced(const uint8_t* data, size_t size);
  // Reads a placeable (or plain) old-style file image.
  void LoadOld(const uint8_t* data, size_t size);
  // The placeable old-style file image of the picture.
  std::vector<uint8_t> OldFileImage() const;
};

// A canvas recording into a metafile; the picture is complete when the canvas is finished (or
// destroyed). Width and height are the picture's size in pixels at ppi pixels per inch.
class TMetafileCanvas : public TCanvas {
public:
  TMetafileCanvas(TMetafile& metafile, int width, int height, int ppi = 96);
  ~TMetafileCanvas();
  void Finish();

private:
  TMetafile& Target;
  bool Finished = false;
};

// Plays enhanced records onto canvas, the picture's bounds mapped onto rect. Records that do not
// fit their sizes end the playing; unknown records are skipped.
void PlayEnhancedRecords(const uint8_t* data, size_t size, TCanvas& canvas, const TRect& rect);

// Registers ".EMF" and ".WMF" with the graphic classes.
void RegisterMetafileFormats();

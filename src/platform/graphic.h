// Pictures: the abstract graphic and the registry that picks a graphic class by the upper-case
// file extension (".BMP", ".GIF", ...).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win_types.h"

class TStream;
class TCanvas;

enum TProgressStage { psStarting, psRunning, psEnding };

class TGraphic {
public:
  virtual ~TGraphic() = default;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  // Reads the whole file into memory and loads from it.
  virtual void LoadFromFile(const std::string& fileName);
  // Writes through the safe file writer: the old file survives a failed save.
  virtual void SaveToFile(const std::string& fileName);
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const = 0;
  // Draws the picture stretched into rect.
  virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;

  bool Transparent = false;
  // Progress of long operations: stage, percent done, message.
  std::function<void(TProgressStage, int, const std::string&)> OnProgress;
  void Progress(TProgressStage stage, int percent, const std::string& msg) {
    if (OnProgress) OnProgress(stage, percent, msg);
  }
};

// The picture slot of an image control: one graphic of any class (bitmap, metafile, PNG, JPEG,
// GIF), or none.
class TPicture {
public:
  TGraphic* Graphic() const { return FGraphic.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> graphic) { FGraphic = std::move(graphic); }
  // Hands the graphic to the caller; the picture is then empty.
  std::unique_ptr<TGraphic> TakeGraphic() { return std::move(FGraphic); }

private:
  std::unique_ptr<TGraphic> FGraphic;
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TGraphicFormat {
  std::string Extension;    // upper case, with the dot: ".GIF"
  std::string Description;  // "GIF Image"
  TGraphicFactory Create;
};

// Registers a graphic class for an extension; a later registration of the same extension wins.
void RegisterFileFormat(const std::string& extension, const std::string& description, TGraphicFactory create);
void UnregisterFileFormat(const std::string& extension);
// The graphic class for a file name's or extension's upper-cased extension, or null.
std::unique_ptr<TGraphic> CreateGraphicForFile(const std::string& fileNameOrExt);
const std::vector<TGraphicFormat>& RegisteredFileFormats();

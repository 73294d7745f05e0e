// The twelve zoom levels of the page: one mapping and snap step per level.
#pragma once

#include <array>
#include <string>

#include "cad/cad_types.h"

class TZQVCad;

extern const std::array<int, 12> ZoomPercentTable;
extern const std::array<double, 30> SnapStepTable;
extern const std::array<const char*, 12> ZoomCaptions;

class TZoom {
public:
  TZoom(TZQVCad* Engine, int32_t DpiA, int32_t DpiB);

  TZQVCad* Engine = nullptr;
  std::array<TMappingRec, 12> Levels{};
  uint8_t Level = 4;

  void Build(uint8_t PaperIndex, int32_t DpiA, int32_t DpiB);
  TMappingRec GetLevelMapping(int Level) const;
  TRealRect GetWorldRect() const;
  TRect GetPixelRect() const;
  double GetSnapStep() const;
  int32_t PixelsPerUnitX() const;
  int32_t PixelsPerUnitY() const;
  double ZoomFactor() const;
  void SetLevel(int n);
};

// The smallest snap step that is at least one pixel at ppu pixels per world unit.
double SnapStepForPixelsPerUnit(int32_t ppu);

// Row kernels of the raster back-end's transfers and fills, for the canvas and its tests.
// Every target pixel keeps its spare (alpha) byte and takes the colour bytes of the source (or of
// the fill colour); the keyed copy leaves the pixels whose source colour bytes equal the key.
#pragma once

#include <cstdint>
#include <vector>

struct TRowKernels {
  const char* Name;
  void (*CopyRow)(uint32_t* target, const uint32_t* source, int count);
  void (*CopyRowKeyed)(uint32_t* target, const uint32_t* source, int count, uint32_t key);
  void (*FillRow)(uint32_t* target, int count, uint32_t color);
};

// Every set this processor can run: the plain loops first, the widest last.
std::vector<TRowKernels> AvailableRowKernels();
// The set the canvas uses (the widest available), chosen once.
const TRowKernels& RowKernels();

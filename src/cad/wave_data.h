// The wave figures' parameters in pixels and the routines around them.
#pragma once

#include <cstdint>

#include "cad/figure.h"

// The parameters of a wave figure in whole pixels (and whole degrees) under one mapping.
struct TWavePixelRec {
  int32_t RisePix = 0;
  int32_t FallPix = 0;
  int32_t PulsePix1 = 0;
  int32_t PulsePix2 = 0;
  int32_t FMIndexPix = 0;
  int32_t FMIndexHigh = 0;
  int32_t ReservedInts[2] = {0, 0};
  int32_t PeriodPix1 = 0;
  int32_t PeriodPix2 = 0;
  int32_t HeightPix1 = 0;
  int32_t HeightPix2 = 0;
  int32_t StartAngle1 = 0;
  int32_t StartAngle2 = 0;
  int32_t ReservedPix[2] = {0, 0};
};

void FigureParamsToPixels(const TMappingRec& Map, const TWaveRec& Wave, TWavePixelRec& Pix);
// Shortens the edges of a pulse (kinds 33, 34) to fit its period; False when the pulse still
// does not fit. Any other kind: True, nothing changes.
bool FitPulseEdges(int Kind, TWavePixelRec& Pix);
// Scales the record with its figure: widths and heights by Fx, the modulation index by Fy, the
// record's point about Origin.
void ScaleWaveRec(TWaveRec& Wave, TRealPoint Origin, long double Fx, long double Fy);

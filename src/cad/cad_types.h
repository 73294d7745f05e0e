// World-unit value types of the CAD engine and its exception classes.
#pragma once

#include <cstdint>

#include "platform/exceptions.h"
#include "platform/win_types.h"

// The pointer's speed, sampled every 200 ms by the main window while drawing or moving with grid
// scanning on; the engine's node search reads only Speed.
struct TMouseSpeedRec {
  float Speed = 0;  // pixels travelled since the previous sample, divided by 3
  TPoint LastPos;
};

// A world point (inches or centimetres, y growing upwards).
struct TRealPoint {
  double x = 0;
  double y = 0;
  friend constexpr bool operator==(const TRealPoint&, const TRealPoint&) = default;
};

// A world rectangle; Top is the larger y.
struct TRealRect {
  double Left = 0;
  double Top = 0;
  double Right = 0;
  double Bottom = 0;
  friend constexpr bool operator==(const TRealRect&, const TRealRect&) = default;
};

// The value form of a node; z is carried and stored but never drawn.
struct TRealXYZ {
  double x = 0;
  double y = 0;
  double z = 0;
  friend constexpr bool operator==(const TRealXYZ&, const TRealXYZ&) = default;
};

// Ties world coordinates to device pixels (y flips between the two).
struct TMappingRec {
  double WorldLeft = 0;
  double WorldTop = 0;
  double WorldRight = 0;
  double WorldBottom = 0;
  int32_t PixLeft = 0;
  int32_t PixTop = 0;
  int32_t PixRight = 0;
  int32_t PixBottom = 0;
  double SnapStep = 0;
  friend constexpr bool operator==(const TMappingRec&, const TMappingRec&) = default;
};

// Errors of the CAD engine.
KV_DECLARE_EXCEPTION(EZQVCadException, Exception)
KV_DECLARE_EXCEPTION(EZQVCadStreamLoadError, EZQVCadException)
KV_DECLARE_EXCEPTION(EZQVCadVersionError, EZQVCadException)
KV_DECLARE_EXCEPTION(EWaveRecError, EZQVCadException)
KV_DECLARE_EXCEPTION(EZQVClipboardMetricsError, EZQVCadException)

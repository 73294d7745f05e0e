// Conversion of the shape records of old documents.
#include "page/old_documents.h"

#include <algorithm>
#include <iterator>
#include <cmath>
#include <cstring>
#include <string>

#include "cad/engine.h"
#include "cad/figure.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "cad/old_shape_points.h"
#include "page/document_format.h"
#include "platform/font.h"
#include "page/page_tables.h"
#include "page/record_fields.h"

namespace {
const double MultiplierValues[10] = {1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1, 1e1, 1e2, 1e3, 1e4};
bool IsWaveKind(int k) { return WaveKinds.Has(k); }
}  // namespace

void ScaleOldPenWidths(uint8_t* Records, size_t Size) {
  const size_t n = std::min(Size / OldShapeRecBytes, OldShapeRecCount);
  for (size_t r = 0; r < n; ++r) {
    uint8_t* p = Records + r * OldShapeRecBytes + 128;
    const uint16_t v = uint16_t(GetU16(p) * 100u);
    std::memcpy(p, &v, 2);
  }
}

void UpgradeOldShapeRecords(uint8_t* Records, size_t Size) {
  static const char* const formats[5] = {"0.0", "0.00", "0.000", "0.0000", "0.00000"};
  const size_t n = std::min(Size / OldShapeRecBytes, OldShapeRecCount);
  for (size_t r = 1; r < n; ++r) {
    uint8_t* rec = Records + r * OldShapeRecBytes;
    const std::string format = GetShortString(rec + 205, 6);
    uint8_t index = 2;
    for (uint8_t k = 0; k < 5; ++k)
      if (format == formats[k]) index = k;
    const float unit = GetF32(rec + 212);
    const long double rounded = std::isfinite(unit) ? std::nearbyintl(unit) : 0;
    const float m = GetF32(rec + 200);
    uint8_t mult = 5;
    for (uint8_t k = 0; k < 10; ++k) {
      const double v = MultiplierValues[k];
      if (std::isfinite(m) && std::fabs(std::fabs(double(m)) - v) < v / 10) {
        mult = k;
        break;
      }
    }
    rec[205] = index;
    rec[206] = rounded < 2 ? 0 : 1;
    rec[207] = mult;
    if (rec[145] == 16) std::memcpy(rec + 16, rec, 8);  // P2 := P0
  }
}

int ImportOldShapes(TZQVCad& Engine, const uint8_t* Records, size_t Size, int Count, int FileDpi) {
  const int last = std::min<int>(Count, int(std::min(Size / OldShapeRecBytes, OldShapeRecCount)));
  if (last <= 1 || FileDpi <= 0) return 0;
  const double D = FileDpi;
  const TMappingRec map = Engine.GetMapping();
  // One work figure for all records: a field a record does not set keeps the previous value.
  std::unique_ptr<TRealFig> fig = TRealFig::Create(TFigureClass::RealFig, &Engine);
  int added = 0;
  for (int r = 1; r < last; ++r) {
    const uint8_t* rec = Records + size_t(r) * OldShapeRecBytes;
    const int kind = rec[145];
    if (kind > MaxFigureKind) continue;  // not a figure this program knows
    auto pt = [&](int i) { return std::pair<int32_t, int32_t>(GetI32(rec + i * 8), GetI32(rec + i * 8 + 4)); };
    if (IsWaveKind(kind)) {
      // The wave's values are P9 .. P14 and the two integers at 120 and 124: slots 0 and 2 to 7.
      TPoint wp[OldShapeRecordPoints + 1];
      ReadOldShapePointsFromRecord(true, rec, OldShapeRecBytes, wp, std::size(wp));
      TWaveRec w = DefaultWaveRec();  // pulse widths and rotation: the figure defaults
      w.WaveWidth[0] = wp[4].X / D;  // P12
      w.WaveWidth[1] = wp[4].Y / D;
      w.FMIndex = float(wp[2].X);  // P10
      w.WaveHeight[0] = wp[5].X / D;  // P13
      w.WaveHeight[1] = wp[5].Y / D;
      w.StartAngle[0] = wp[6].X;  // P14
      w.StartAngle[1] = wp[6].Y;
      const double p = w.PulseWidth[0];
      w.PulseRise = p != 0 ? wp[0].X * 100.0 / p : 0;  // P9
      w.PulseFall = p != 0 ? wp[0].Y * 100.0 / p : 0;
      w.Params[0] = wp[3].X;  // P11
      w.Params[1] = wp[3].Y;
      w.PointX = wp[7].X / D;  // the integers at 120 and 124
      w.PointY = wp[7].Y / D;
      fig->SetWaveRec(w);
    }
    if (MultiNodeKinds.Has(kind)) fig->SetNodeCountUsed(std::clamp(GetI32(rec + 120), 0, 15));
    if (kind == fkGrid) {
      fig->SetGridCellsX(GetI32(rec + 732));
      fig->SetGridCellsY(GetI32(rec + 736));
    } else if (kind == fkPolygon || kind == fkFilledPolygon) {
      fig->SetPolygonSides(GetI32(rec + 732));
    }
    fig->SetPenWidth(GetU16(rec + 128) / 100.0 / D);
    fig->SetPenColor(TColor(GetU32(rec + 132)));
    fig->SetPenMode(rec[136]);
    fig->SetPenStyle(rec[137]);
    fig->SetBrushColor(TColor(GetU32(rec + 140)));
    fig->SetBrushStyle(rec[144]);
    fig->SetKind(TFigureKind(kind));
    fig->SetRectangleRadius(GetI32(rec + 148) / D);
    const bool wantDims = GetU32(rec + 152) != 0;
    fig->SetWantDimensions(wantDims);
    fig->SetFontColor(TColor(GetU32(rec + 156)));
    fig->SetFontName(FontNameFromStoredBytes(GetShortString(rec + 160, 32)));
    fig->SetFontSize(std::max<int32_t>(int32_t(GetU16(rec + 194)) * 10000, 10000));
    fig->SetFontStyle(rec[196] & 0x0F);
    fig->SetFontCharset(rec[197]);
    const uint8_t format = std::min<uint8_t>(rec[205], 4);
    fig->SetPrecision(format + 6);
    fig->SetDigits(format + 1);
    fig->SetNumberFormat(2);
    fig->SetDimMultiplier(std::min<uint8_t>(rec[207], 9));
    fig->SetMetric(rec[206] == 1 || rec[206] == 2);
    fig->SetDimSuffix(GetShortString(rec + 216, 255));
    fig->SetText(GetShortString(rec + 472, 255));
    fig->SetLegacyFlag(rec[728]);
    if (!IsWaveKind(kind) && wantDims) fig->SetOpaqueDimensions(GetI32(rec + 124) > 0);
    if (kind == fkHorizontalWavyLine) fig->SetWavyLineHeight(GetI32(rec + 148) / D);
    if (AngleArcKinds.Has(kind)) fig->SetArcRadius(GetI32(rec + 148) / D);
    fig->SetRectangleRadius(GetI32(rec + 148) / D);
    for (int i = 0; i < 15; ++i) {
      const auto [x, y] = pt(i);
      fig->SetNodePoint(i, {double(ScreenToWorldX(map, x)), double(ScreenToWorldY(map, y)), 0});
    }
    if (RegeneratedKinds.Has(kind)) UpdateFigurePoints(*fig);
    const int before = Engine.Count();
    Engine.AddFigure(fig.get());
    added += Engine.Count() - before;
  }
  return added;
}

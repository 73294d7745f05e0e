#include "helpers/drag_frame_geometry.h"

#include "platform/numeric.h"

#include <cstdio>

TRect HandleRect(int Id, int W, int H) {
  const int s = HandleSize, hw = W / 2, hh = H / 2;
  switch (Id) {
    case 1: return TRect(0, 0, s, s);
    case 2: return TRect(W - s, 0, W, s);
    case 3: return TRect(W - s, H - s, W, H);
    case 4: return TRect(0, H - s, s, H);
    case 5: return TRect(hw - 2, 0, hw + 2, s);
    case 6: return TRect(W - s, hh - 2, W, hh + 2);
    case 7: return TRect(hw - 2, H - s, hw + 2, H);
    case 8: return TRect(0, hh - 2, s, hh + 2);
    default: return TRect();
  }
}

int HandleAt(int X, int Y, int Width, int Height) {
  for (int id = 1; id <= 8; ++id)
    if (HandleRect(id, Width, Height).Contains(TPoint(X, Y))) return id;
  return 0;
}

TRect DraggedFrame(int Handle, const TRect& Start, int DX, int DY) {
  TRect r = Start;
  switch (Handle) {
    case 0: r = TRect(Start.Left + DX, Start.Top + DY, Start.Right + DX, Start.Bottom + DY); break;
    case 1: r.Left += DX, r.Top += DY; break;
    case 2: r.Top += DY, r.Right += DX; break;
    case 3: r.Right += DX, r.Bottom += DY; break;
    case 4: r.Left += DX, r.Bottom += DY; break;
    case 5: r.Top += DY; break;
    case 6: r.Right += DX; break;
    case 7: r.Bottom += DY; break;
    case 8: r.Left += DX; break;
    default: break;
  }
  if (r.Width() < MinFrameSize) r.Right = r.Left + MinFrameSize;
  if (r.Height() < MinFrameSize) r.Bottom = r.Top + MinFrameSize;
  return r;
}

std::string FrameSizeReadout(int Width, int Height, bool Metric, int PixelsPerInch) {
  const double f = Metric ? 2.54 : 1.0;
  const double p = PixelsPerInch > 0 ? PixelsPerInch : 96;
  return "W/H = " + FormatFixed(Width * f / p, 2) + " : " + FormatFixed(Height * f / p, 2);
}

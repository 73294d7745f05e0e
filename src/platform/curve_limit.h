// A bound on the detail of curve outlines, lowered by the fuzz targets.
#pragma once

// The most points an ellipse or arc outline gets (65,536, see EllipsePoints). The metafile fuzz
// target lowers it for one input, as the picture targets lower the picture limit: an input full of
// huge ellipses then costs about what its records are, not what a screen-sized outline costs.
int MostCurvePoints();
class TCurveDetailLimit {
public:
  explicit TCurveDetailLimit(int most);
  ~TCurveDetailLimit();
  TCurveDetailLimit(const TCurveDetailLimit&) = delete;
  TCurveDetailLimit& operator=(const TCurveDetailLimit&) = delete;

private:
  int Saved;
};

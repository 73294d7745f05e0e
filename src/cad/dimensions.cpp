// Dimension annotations, rotated text blocks, node ticks and node markers of the engine.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "cad/shape_renderers.h"
#include "cad/units.h"
#include "helpers/text_block_layout.h"
#include "platform/numeric.h"

namespace {
constexpr long double Pi = std::numbers::pi_v<long double>;

std::string Trimmed(std::string s) {
  // Drops trailing zeros of a fraction and a bare decimal point.
  const auto dot = s.find('.');
  if (dot == std::string::npos) return s;
  size_t end = s.size();
  while (end > dot + 1 && s[end - 1] == '0') --end;
  if (end == dot + 1) end = dot;
  return s.substr(0, end);
}

// The exponent form "d.ddd" + "E" + sign + at least minDigits digits.
std::string ExponentForm(long double v, int precision, int minDigits, bool trimMantissa, bool plusSign) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%.*Le", std::max(0, precision - 1), v);
  std::string s(buf);
  const auto e = s.find('e');
  std::string mant = s.substr(0, e);
  int exp = std::atoi(s.c_str() + e + 1);
  if (trimMantissa) mant = Trimmed(mant);
  std::string digits = std::to_string(std::abs(exp));
  while (int(digits.size()) < minDigits) digits = "0" + digits;
  return mant + "E" + (exp < 0 ? "-" : (plusSign ? "+" : "")) + digits;
}

std::string GroupThousands(const std::string& s) {
  const bool neg = !s.empty() && s[0] == '-';
  const std::string body = neg ? s.substr(1) : s;
  const auto dot = body.find('.');
  std::string whole = body.substr(0, dot), frac = dot == std::string::npos ? "" : body.substr(dot);
  std::string out;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) out += ',';
    out += whole[i];
  }
  return (neg ? "-" : "") + out + frac;
}
}  // namespace

std::string FloatToStrF(long double Value, uint8_t Format, int Precision, int Digits) {
  if (std::isnan(static_cast<double>(Value))) return "NAN";
  if (std::isinf(static_cast<double>(Value))) return Value > 0 ? "INF" : "-INF";
  Precision = std::clamp(Precision, 1, 18);
  Digits = std::clamp(Digits, 0, 18);
  const int exponent = Value == 0 ? 0 : int(std::floor(std::log10(std::fabs(static_cast<double>(Value))))) + 1;
  auto general = [&] {
    if (Value != 0 && (exponent > Precision || exponent < -4)) return ExponentForm(Value, Precision, 0, true, false);
    char buf[128];
    std::snprintf(buf, sizeof buf, "%.*Lf", std::clamp(Precision - exponent, 0, 40), Value);
    std::string s = Trimmed(buf);
    return s == "-0" ? std::string("0") : s;
  };
  char buf[512];
  switch (Format) {
    case 1: return ExponentForm(Value, Precision, std::min(Digits, 4), false, true);
    case 2:
    case 3:
    case 4: {
      if (exponent > Precision) return general();
      std::snprintf(buf, sizeof buf, "%.*Lf", Digits, Value);
      std::string s = buf;
      if (Format == 2) return s;
      if (Format == 3) return GroupThousands(s);
      s = GroupThousands(s);
      return s[0] == '-' ? "-$" + s.substr(1) : "$" + s;
    }
    default: return general();
  }
}

std::string TZQVCad::FormatMeasurement(const TRealFig& Figure, TRealXYZ P, TRealXYZ Q) const {
  long double d = std::hypot(static_cast<long double>(P.x) - Q.x, static_cast<long double>(P.y) - Q.y);
  if (!Metric && Figure.Metric) d *= 2.54L;
  else if (Metric && !Figure.Metric) d /= 2.54L;
  // The multiplier of a figure read from a file may be any byte: it is held to the table.
  d *= DimMultiplierTable[std::min<size_t>(Figure.DimMultiplier, DimMultiplierTable.size() - 1)];
  return FloatToStrF(d, Figure.NumberFormat, Figure.Precision, Figure.Digits);
}

int32_t TZQVCad::ViewPixelsPerInch() const {
  const int32_t scale = MappingScale(Mapping);
  return Metric ? CadRound(scale * 2.54L) : scale;
}

void TZQVCad::DrawRotatedText(int32_t Scale, TCanvas& Canvas, bool Outline, TColor TextColor, const TFont& Font,
                              const std::string& Text, TPoint PA, TPoint PB) {
  (void)Scale;
  const int32_t ppi = std::max(1, ViewPixelsPerInch());
  const int savedAlign = Canvas.TextAlign;
  struct Restore {
    TCanvas& c;
    int align;
    ~Restore() { c.TextAlign = align; }
  } restore{Canvas, savedAlign};
  const long double a = SegmentAngle(PB, PA);
  long double deg = a * 180 / Pi;
  int align = TA_LEFT | TA_TOP;
  if (a > Pi / 2 && a <= Pi) deg += 180, align = TA_LEFT | TA_BOTTOM;
  else if (a > Pi && a <= 3 * Pi / 2) deg -= 180, align = TA_LEFT | TA_BOTTOM;
  TFont f;
  f.Assign(Font);
  f.SetPixelsPerInch(ppi);
  f.SetSize(Font.Size());
  f.Escapement = CadRound(deg * 10);
  if (f.Style & fsBold) {
    std::string name = f.Name;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
    if (name == "technical") f.Style &= ~fsBold;
  }
  f.Color = TextColor;
  Canvas.Font = f;
  Canvas.TextAlign = align;

  TTextLines left, right;
  TTextLines* lists[2] = {&left, &right};
  std::string relation;
  int32_t widths[2] = {0, 0};
  LayoutTextBlock(&Canvas, Text, lists, false, relation, 2, widths);
  const int relW = relation.empty() ? 0 : Canvas.TextWidthBytes(relation);
  const int blockW = widths[0] + widths[1] + relW;
  const int lineH = Canvas.TextHeight("Pq");
  const int leftH = int(left.size()) * lineH, rightH = int(right.size()) * lineH;
  const int leftOff = leftH < rightH ? (rightH - leftH) / 2 : 0;
  const int rightOff = rightH < leftH ? (leftH - rightH) / 2 : 0;

  const long double D = PointDistance(PB, PA);
  const long double penW = PenPixelWidth(Canvas);
  const long double gap = 0.015L * ppi;
  long double dx, dy;
  if (a > 0 && a <= Pi / 2) dx = (D - blockW) / 2, dy = -(penW / 2) - lineH - gap;
  else if (a > Pi / 2 && a <= Pi) dx = (D + blockW) / 2 - gap, dy = penW / 2 + gap;
  else if (a > Pi && a <= 3 * Pi / 2) dx = (D + blockW) / 2, dy = penW / 2 + gap;
  else dx = (D - blockW) / 2, dy = penW / 2 + gap;
  const int DX = CadRound(dx), DY = CadRound(dy);

  auto write = [&](int x, int y, const std::string& s) {
    TPoint p(x, y);
    RotatePoint(PB, p, a);
    if (Outline) {
      const TBrush brush = Canvas.Brush;
      Canvas.Brush.Style = bsClear;
      Canvas.BeginPath();
      Canvas.TextOutBytes(p.X, p.Y, s);
      Canvas.EndPath();
      Canvas.Brush = brush;
      if (brush.Style == bsClear) Canvas.StrokePath();
      else Canvas.StrokeAndFillPath();
    } else {
      Canvas.TextOutBytes(p.X, p.Y, s);
    }
  };
  const bool horizontal = std::fabs(static_cast<double>(a)) < 1e-5;
  auto barHalf = [&](const std::string& s) {
    size_t blanks = 0;
    while (blanks < s.size() && s[blanks] == ' ') ++blanks;
    const int lead = blanks >= 2 ? Canvas.TextWidthBytes(s.substr(0, blanks)) : 0;
    return int(std::trunc((Canvas.TextWidthBytes(s) - lead) / 2.0L - 0.016L * ppi));
  };
  for (int c = 0; c < 2; ++c) {
    const TTextLines& lines = c == 0 ? left : right;
    if (lines.empty()) return;
    const int x = PB.X + DX + c * (widths[0] + relW);
    const int off = c == 0 ? leftOff : rightOff;
    if (c == 1 && !relation.empty())
      write(x - relW, PB.Y + DY + leftOff + CadRound(lineH * static_cast<long double>(left.size()) / 2) - lineH / 2,
            relation);
    for (size_t i = 0; i < lines.size(); ++i) {
      const int y = PB.Y + DY + int(i) * lineH + off;
      write(x, y, lines[i]);
      if (horizontal && lines.size() >= 2 && i + 1 < lines.size()) {
        const int half = std::max(barHalf(lines[i]), barHalf(lines[i + 1]));
        const int cx = x + widths[c] / 2, by = y + lineH;
        const TColor penColor = Canvas.Pen.Color;
        if (SameColorDivider) Canvas.Pen.Color = Canvas.Pen.Mode == pmNotXor ? BackgroundColor : TextColor;
        Canvas.MoveTo(cx - half, by);
        Canvas.LineTo(cx + half, by);
        Canvas.Pen.Color = penColor;
      }
    }
  }
}

void TZQVCad::DrawDimensions(TCanvas& Canvas, const TRealFig& Figure, bool Opaque, const TFont& Font, TColor BackColor,
                             TColor TextColor, int PenMode) {
  (void)PenMode;
  const int32_t scale = MappingScale(Mapping);
  if (Opaque) {
    Canvas.Brush.Style = bsSolid;
    Canvas.Brush.Color = BackColor;
  } else if (Figure.OutlineFonts) {
    Canvas.Brush.Color = BackColor;
    Canvas.Brush.Style = Figure.BrushStyle <= bsDiagCross ? TBrushStyle(Figure.BrushStyle) : bsSolid;
  } else {
    Canvas.Brush.Style = bsClear;
  }
  auto px = [&](TRealXYZ p) { return WorldToScreen(Mapping, p); };
  auto text = [&](TRealXYZ from, TRealXYZ to) {
    DrawRotatedText(scale, Canvas, Figure.OutlineFonts, TextColor, Font,
                    FormatMeasurement(Figure, from, to) + Figure.DimSuffix, px(to), px(from));
  };
  const int kind = Figure.Kind;
  const TRealXYZ n0 = Figure.Point(0), n2 = Figure.Point(2);
  if (StraightLineKinds.Has(kind)) {
    text(n0, n2);
  } else if (RectangleKinds.Has(kind)) {
    const TRealXYZ c{n0.x, n2.y, 0};
    text(c, n0);
    text(c, n2);
  } else if (kind == fkCircle) {
    const double r = double(RealPointDistance(n0, n2));
    const TRealXYZ a{n0.x - r, n0.y - r, 0}, b{n0.x - r, n0.y + r, 0};
    text(a, b);
  } else if (CentredKinds.Has(kind)) {
    const double s = n2.x - n0.x;
    const TRealXYZ a{n0.x - s, n0.y - s, 0}, b{n0.x - s, n0.y + s, 0}, c{n0.x + s, n0.y - s, 0};
    const std::string side = FormatMeasurement(Figure, a, b) + Figure.DimSuffix;
    DrawRotatedText(scale, Canvas, Figure.OutlineFonts, TextColor, Font, side, px(b), px(a));
    DrawRotatedText(scale, Canvas, Figure.OutlineFonts, TextColor, Font, side, px(c), px(a));
  } else if (RightTriangleKinds.Has(kind)) {
    // The right-angle corner is taken from nodes 0 and 2, so that a stale node 3 cannot mislead.
    const TRealXYZ k{n0.x, n2.y, 0};
    text(n2, n0);
    const TPoint p0 = px(n0), p2 = px(n2), pk = px(k);
    const std::string leg2 = FormatMeasurement(Figure, n2, k) + Figure.DimSuffix;
    const std::string leg0 = FormatMeasurement(Figure, n0, k) + Figure.DimSuffix;
    const bool outward = (p0.X < p2.X && p0.Y > p2.Y) || (p0.X > p2.X && p0.Y < p2.Y);
    if (outward) {
      DrawRotatedText(scale, Canvas, Figure.OutlineFonts, TextColor, Font, leg2, pk, p2);
      DrawRotatedText(scale, Canvas, Figure.OutlineFonts, TextColor, Font, leg0, pk, p0);
    } else {
      DrawRotatedText(scale, Canvas, Figure.OutlineFonts, TextColor, Font, leg2, p2, pk);
      DrawRotatedText(scale, Canvas, Figure.OutlineFonts, TextColor, Font, leg0, p0, pk);
    }
  } else if (kind == fkText || kind == fkTextNoLine) {
    DrawRotatedText(scale, Canvas, Figure.OutlineFonts, TextColor, Font, Figure.Text, px(n2), px(n0));
  }
}

void TZQVCad::DrawNodeMarker(TCanvas& Canvas, int X, int Y, TCopyMode Rop, bool Red) {
  const QImage& marker = Red ? RedNodeMarker : NodeMarker;
  Canvas.StretchBltImage(TRect(X - 1, Y - 1, X + 2, Y + 2), marker, TRect(0, 0, 3, 3), Rop);
  TicksErased = false;
}

void TZQVCad::DrawNodeTicks(TCanvas& Canvas, int First, int Last, TCopyMode Rop, bool Red, int Node) {
  const TFont font = Canvas.Font;
  const TPen pen = Canvas.Pen;
  const TBrush brush = Canvas.Brush;
  const int align = Canvas.SetTextAlign(TA_LEFT | TA_TOP);
  struct Restore {
    TCanvas& c;
    const TFont& f;
    const TPen& p;
    const TBrush& b;
    int a;
    ~Restore() {
      c.Font = f;
      c.Pen = p;
      c.Brush = b;
      c.TextAlign = a;
    }
  } restore{Canvas, font, pen, brush, align};
  if (Count() == 0 || First < 0 || Last < 0 || Last > Count() - 1) return;
  TicksErased = false;
  for (int i = First; i <= Last && i < Count(); ++i) {
    const TRealFig* f = FigureList[size_t(i)].get();
    if (f == nullptr) continue;
    const int kind = f->Kind;
    const bool numbered = MultiNodeKinds.Has(kind);
    const TColor numberColor = Rop == SRCINVERT ? BackgroundColor : RGBColor(128, 128, 0);
    if (numbered) {
      TFont small("Small Fonts", 5, 0, numberColor, DEFAULT_CHARSET);
      Canvas.Font = small;
      Canvas.Brush.Style = bsClear;
    }
    int from = 0, to = LastPointIndex(*f);
    if (kind == fkBezierEllipse) --to;
    if (Node != -1) from = to = Node;
    to = std::min(to, int(f->Nodes.size()) - 1);
    // The side count of a figure read from a file may be anything: the markers stop at its nodes.
    const int polygonLast = std::clamp(f->PolygonSides + 2, 0, int(f->Nodes.size()) - 1);
    for (int n = std::max(from, 0); n <= to; ++n) {
      if (n == 1 && !ExtentNode1Kinds.Has(kind)) continue;
      const TPoint p = WorldToScreen(Mapping, f->Point(n));
      if (numbered) {
        Canvas.TextOut(p.X, p.Y, QString::number(n));
        Canvas.SetPixel(p.X, p.Y, numberColor);
        continue;
      }
      bool marker = true;
      if (kind == fkFill) marker = n == 2;
      else if (kind == fkPolygon || kind == fkFilledPolygon) marker = n <= polygonLast;
      else if (kind == fkSineWave || kind == fkWaveSum || kind == fkAM || kind == fkFM) marker = n <= 2;
      if (marker) DrawNodeMarker(Canvas, p.X, p.Y, Rop, Red);
    }
  }
}

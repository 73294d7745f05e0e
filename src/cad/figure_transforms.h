// Per-figure geometry of scaling, rotating, mirroring and converting figures into multilines.
// Angles are in radians; rotations turn clockwise as seen on the page.
#pragma once

#include "cad/figure.h"

void ScaleRealPoint(TRealXYZ& P, TRealPoint Origin, long double Fx, long double Fy);
void ScaleCentredFigure(TRealXYZObj& N0, TRealXYZObj& N2, TRealPoint Origin, long double Fx, long double Fy,
                        TFigureKind Kind);
// Scales the real nodes of Fig about Centre by kind (centred kinds keep their shape).
void ScaleFigureNodes(TRealFig& Fig, TRealPoint Centre, double Fx, double Fy);

void RotateFigure(TRealPoint Centre, TRealFig& Fig, long double Angle);
void RotateCentredFigure(TRealPoint Centre, TRealFig& Fig, long double Angle);
void RotateBoxFigure(TRealPoint Centre, TRealFig& Fig, long double Angle);
void RotatePolygonFigure(TRealPoint Centre, TRealFig& Fig, long double Angle);
// Applies the rotation rule of the figure's kind (waves change their own rotation angle instead).
void RotateFigureByKind(TRealPoint Centre, TRealFig& Fig, long double Angle);
void TriangleToScalene(TRealFig& Fig);

TRealXYZ MirrorRealPoint(TRealXYZ P, uint8_t Side, TRealPoint Axis);
bool MirrorApplies(const TRealFig& Fig, uint8_t Side, TRealPoint Axis);
void MirrorFigurePoints(const TRealFig& Src, TRealFig& Dest, uint8_t Side, TRealPoint Axis);

// Converts Fig in place into a multiline, multi-segment Bezier, scalene triangle or plain line.
void ConvertToMultiline(TRealFig& Fig);

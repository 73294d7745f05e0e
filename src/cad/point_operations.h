// Moving figures, dragging control points, click-built figures and hit tests against rectangles.
#pragma once

#include "cad/figure.h"
#include "platform/keys.h"  // TShiftState and its ss* bits

// Mouse buttons, as the engine's mouse handling passes them.
enum TMouseButton : uint8_t { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// Whether node Index of Fig is a real point of its kind (node 1 is only for some kinds).
bool NodeInUse(const TRealFig& Fig, int Index);

void MoveFigure(const TMappingRec& Map, TRealFig& Fig, double Dx, double Dy);
void DragFigurePoint(const TMappingRec& Map, const TRealFig& Src, TRealFig& Dest, TShiftState Shift, int Index,
                     long double NewX, long double NewY, long double Dx, long double Dy);
void DragSizeHandle(const TRealFig& Src, TRealFig& Dest, int Index, long double NewX, long double NewY,
                    long double Dx, long double Dy);
void DragRectangleHandle(const TRealFig& Src, TRealFig& Dest, int Index, long double Dx, long double Dy);
void DragTriangleNode(const TRealFig& Src, TRealFig& Dest, int Index, double NewX, double NewY);
bool AddClickedPoint(TRealFig& Fig, TMouseButton Button, double X, double Y);

void NormalizeRect(const TRect& R, TRect& Result);
TRect NormalizeRect(const TRect& R);
void FigureScreenRect(const TMappingRec& Map, const TRealFig& Fig, TRect& R);
void WaveFigureScreenRect(const TMappingRec& Map, const TRealFig& Fig, TRect& R);
void ScreenRectToWorld(const TMappingRec& Map, const TRect& R, TRealRect& WR);
bool PtInWorldRect(const TRealRect& WR, const TRealXYZ& P);
bool PointInScreenRect(const TMappingRec& Map, const TRect& R, const TRealXYZ& P);
bool PtInRectInclusive(const TRect& R, TPoint P);
bool FigureInRect(const TMappingRec& Map, const TRealFig& Fig, const TRect& R);
bool FindGridNode(const TMappingRec& Map, const TRect& PickRect, double& X, double& Y, int& Col, int& Row,
                  const TRealFig& Fig);

// Defining and dependent nodes of every figure kind, and the last control point of a figure.
#pragma once

#include "cad/figure.h"

// Recomputes the dependent nodes of Fig from its defining nodes (never beyond its node array).
void UpdateFigurePoints(TRealFig& Fig);
// The circle and regular-polygon part of UpdateFigurePoints.
void RegularNodes(TRealFig& Fig);
// Places nodes 1 and 2 on the line from node 0 to node Count - 1.
void SpaceControlPoints(TRealXYZPts& Nodes, int Count);
// Index of the figure's last control point (at most the last node; -1 for a multiline without nodes).
int LastPointIndex(const TRealFig& Fig);

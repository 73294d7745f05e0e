// The figure kinds by name. A figure's kind is one byte, 0 to 55; each constant is named after
// the kind's name in the status bar (`FigureKindNames`), so code that tests for one kind says which.
#pragma once

#include <cstdint>

using TFigureKind = uint8_t;

inline constexpr TFigureKind
    fkLine = 0,
    fkLineRightArrow = 1,
    fkLineLeftArrow = 2,
    fkLineBothArrows = 3,
    fkFocusedRectangle = 4,
    fkRectangle = 5,
    fkEllipse = 6,
    fkRoundRectangle = 7,
    fkRectangularFrame = 8,
    fkSquareFrame = 9,
    fkCircle = 10,
    fkSquare = 11,
    fkRoundedSquare = 12,
    fkTriangle = 13,
    fkArcNWSE = 14,
    fkArcNESW = 15,
    fkFill = 16,
    fkText = 17,
    fkHorizontalLine = 18,
    fkVerticalLine = 19,
    fkUnderlines = 20,
    fkHorizontalWavyLine = 21,
    fkGrid = 22,
    fkBezierCurve = 23,
    fkPolygon = 24,
    fkFilledPolygon = 25,
    fkFilledTriangle = 26,
    fkSineWave = 27,
    fkHalfWave = 28,
    fkFullWave = 29,
    fkHalfWaveNegative = 30,
    fkFullWaveNegative = 31,
    fkSquareWave = 32,
    fkPulse = 33,
    fkNegativePulse = 34,
    fkWaveSum = 35,
    fkAM = 36,
    fkFM = 37,
    fkAngleArc = 38,
    fkDoubleAngleArc = 39,
    fkAngleArc1Slash = 40,
    fkAngleArc2Slash = 41,
    fkScalarTA = 42,
    fkFillScalarTA = 43,
    fkScalarTAArcs = 44,
    fkFillScalarTAArcs = 45,
    fkLine1Slash = 46,
    fkLine2Slash = 47,
    fkTextNoLine = 48,
    fkClosedIrregPolygon = 49,
    fkOpenIrregPolygon = 50,
    fkBezierLeftArrow = 51,
    fkBezierRightArrow = 52,
    fkBezierBothArrows = 53,
    fkBezierEllipse = 54,
    fkMeasure = 55;

// The highest kind; every kind set and the status bar's name table end there.
constexpr int MaxFigureKind = fkMeasure;

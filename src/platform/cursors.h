// The screen's cursor table: slot numbers to cursors. The negative slots are the standard
// cursors; the program loads its own cursors into positive slots at start.
#pragma once

#include <QCursor>

constexpr int crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSize = -5,
              crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10,
              crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15,
              crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20,
              crHandPoint = -21, crSizeAll = -22;

// Stores a cursor in a slot (replacing a standard one too).
void SetScreenCursor(int slot, const QCursor& cursor);
// The cursor of a slot; an empty slot gives the default arrow.
QCursor ScreenCursor(int slot);
bool HasScreenCursor(int slot);

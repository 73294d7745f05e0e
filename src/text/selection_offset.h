// Moving the selected characters up or down: the work of the selection offset dialog.
#pragma once

#include <cstdint>

class QObject;
class TTextPage;

// The largest selection (in cells, exclusive) the dialog changes.
constexpr int32_t MaxOffsetSelection = 254;

// Adds Amount pixels (negative = up) to the offset of every selected cell, after one text-undo
// snapshot; then removes the selection and repaints, with or without a selection.
void ApplySelectionOffset(TTextPage& Page, QObject* Sender, int32_t Amount);

// The dialog's OK: the spin value V (positive = up) rounded half to even, applied as -V when the
// selection spans fewer than 254 cells; larger selections are left as they are.
void ApplySelectionOffsetValue(TTextPage& Page, QObject* Sender, double Value);

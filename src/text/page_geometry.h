// Page geometry in screen pixels, shared by the text engine, the page renderer, the CAD engine,
// printing and export. The page set-up writes the size and margins; the main font dialog and
// document opening write LineHeight.
#pragma once

#include <cstdint>

extern int16_t lMargin;     // x of the left margin; first x of every line
extern int16_t tMargin;     // baseline y of the first line
extern int16_t rMargin;     // x of the right margin line
extern int16_t bMargin;     // y of the bottom margin line
extern uint8_t LineHeight;  // distance between line baselines
extern uint16_t PageWidth;  // width of the page image
extern uint16_t PageHeight; // height of the page image

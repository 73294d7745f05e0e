#include "text/page_geometry.h"

int16_t lMargin = 5;
int16_t tMargin = 28;
int16_t rMargin = 0;
int16_t bMargin = 0;
uint8_t LineHeight = 15;
uint16_t PageWidth = 0;
uint16_t PageHeight = 0;

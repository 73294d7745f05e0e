// The page view while zoomed and scrolled: the helpers of the Zoom menu's handlers.
#pragma once

class TForm1;

// The page image holds the whole zoomed page (up to a size limit) and the scroll bars reach it.
void FitPageImageToZoom(TForm1& Form);
// Ticks the Zoom In item of the level the engine shows.
void TickZoomInUse(TForm1& Form);
// The text caret follows the page when it scrolls.
void KeepCaretOnScroll(TForm1& Form);

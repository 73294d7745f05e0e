#include "text/selection_offset.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "text/text_host.h"
#include "text/text_page.h"

void ApplySelectionOffset(TTextPage& Page, QObject* Sender, int32_t Amount) {
  if (Page.SelStart < Page.SelEnd) {
    Page.Host->PushTextUndo(Sender);
    const int32_t first = std::max<int32_t>(Page.SelStart, 0);
    const int32_t last = std::min<int32_t>(Page.SelEnd, int32_t(Page.CharOffsets.size()));
    for (int32_t c = first; c < last; ++c) Page.CharOffsets[size_t(c)] += Amount;
  }
  Page.ClearSelectionRange();
  Page.Host->RefreshAllImages(Sender, false);
}

void ApplySelectionOffsetValue(TTextPage& Page, QObject* Sender, double Value) {
  if (std::abs(int64_t(Page.SelEnd) - int64_t(Page.SelStart)) >= MaxOffsetSelection) return;
  ApplySelectionOffset(Page, Sender, -int32_t(std::nearbyint(Value)));
}

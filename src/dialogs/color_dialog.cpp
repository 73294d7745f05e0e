#include "dialogs/color_dialog.h"

#include "platform/screen.h"

std::vector<TColor> AppPalette;

void CreateAppPalette() {
  if (ScreenColorDepth() > 8) {
    AppPalette.clear();
    return;
  }
  AppPalette.assign(HalftonePalette.begin(), HalftonePalette.end());
}

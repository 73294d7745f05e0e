#include "settings/custom_button_sets.h"

#include "dialogs/define_font_dialog.h"
#include "platform/app_dir.h"
#include "platform/font.h"
#include "platform/ini_file.h"
#include "settings/button_sets.h"

namespace {
void ApplyButtonSet(TCustomIniFile& ini, uint8_t Set) {
  for (int k = 1; k <= CustomButtonCount; ++k) {
    std::string caption;
    TFont font;
    if (!CustomPaletteHost->GetCustomButton(k, caption, font)) continue;
    const TButtonDef def = ReadButtonDef(ini, Set, k);
    ApplyButtonFont(def, font);
    CustomPaletteHost->SetCustomButton(k, def.Caption, font);
  }
}
}  // namespace

void LoadButtonSet(uint8_t Set) {
  if (Set >= CustomButtonSetCount || !CustomPaletteHost) return;
  TMemIniFile ini(ProgramFile("Buttons.Ini"));
  ApplyButtonSet(ini, Set);
}

void LoadFactoryButtonSet(uint8_t Set) {
  if (Set >= CustomButtonSetCount || !CustomPaletteHost) return;
  TMemIniFile empty("");
  ApplyButtonSet(empty, Set);
}

void SaveButtons(uint8_t Set, int Index) {
  TMemIniFile ini(ProgramFile("Buttons.ini"));
  if (CustomPaletteHost && Index <= CustomButtonCount) {
    const int first = Index < 1 ? 1 : Index;
    const int last = Index < 1 ? CustomButtonCount : Index;
    for (int k = first; k <= last; ++k) {
      std::string caption;
      TFont font;
      if (CustomPaletteHost->GetCustomButton(k, caption, font)) WriteButtonDef(ini, Set, k, ButtonDefOf(caption, font));
    }
  }
  ini.UpdateFile();
}

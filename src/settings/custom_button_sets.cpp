#include "settings/custom_button_sets.h"

#include "dialogs/define_font_dialog.h"
#include "platform/app_dir.h"
#include "platform/font.h"
#include "platform/ini_file.h"
#include "settings/button_sets.h"

namespace {
void ApplyButtonSet(TCustomPaletteHost& Host, TCustomIniFile& ini, uint8_t Set) {
  for (int k = 1; k <= CustomButtonCount; ++k) {
    std::string caption;
    TFont font;
    if (!Host.GetCustomButton(k, caption, font)) continue;
    const TButtonDef def = ReadButtonDef(ini, Set, k);
    ApplyButtonFont(def, font);
    Host.SetCustomButton(k, def.Caption, font);
  }
}
}  // namespace

void LoadButtonSet(TCustomPaletteHost& Host, uint8_t Set) {
  if (Set >= CustomButtonSetCount) return;
  TMemIniFile ini(ProgramFile("Buttons.Ini"));
  ApplyButtonSet(Host, ini, Set);
}

void LoadFactoryButtonSet(TCustomPaletteHost& Host, uint8_t Set) {
  if (Set >= CustomButtonSetCount) return;
  TMemIniFile empty("");
  ApplyButtonSet(Host, empty, Set);
}

void SaveButtons(TCustomPaletteHost& Host, uint8_t Set, int Index) {
  TMemIniFile ini(ProgramFile("Buttons.ini"));
  if (Index <= CustomButtonCount) {
    const int first = Index < 1 ? 1 : Index;
    const int last = Index < 1 ? CustomButtonCount : Index;
    for (int k = first; k <= last; ++k) {
      std::string caption;
      TFont font;
      if (Host.GetCustomButton(k, caption, font)) WriteButtonDef(ini, Set, k, ButtonDefOf(caption, font));
    }
  }
  ini.UpdateFile();
}

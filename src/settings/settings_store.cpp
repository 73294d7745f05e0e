#include "settings/settings_store.h"

#include <QAction>
#include <QMenu>
#include <climits>
#include <exception>
#include <functional>

#include "dialogs/define_font_dialog.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/ini_file.h"
#include "platform/messages.h"
#include "settings/button_sets.h"
#include "settings/custom_button_sets.h"
#include "settings/settings_host.h"
#include "text/page_geometry.h"


namespace {

const char* const kRecentKeys[8] = {"FirstFile", "SecondFile", "ThirdFile", "FourthFile",
                                    "FifthFile", "SixthFile",  "SeventhFile", "EigthFile"};

std::string ReasonOf(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

// Reads one file's part of the settings. A file that cannot be read is reported and the part
// runs again on an empty file, so that every value it sets takes its default and start-up goes on.
void LoadPart(const std::string& path, const std::function<void(TCustomIniFile&)>& part) {
  try {
    TMemIniFile ini(path);
    part(ini);
    return;
  } catch (...) {
    ShowMessage("Unable to read the settings file " + path + "\rReason: " + ReasonOf(std::current_exception()) +
                "\rThe default settings are used instead.");
  }
  TMemIniFile empty("");
  part(empty);
}

// Runs one file's part of saving; a failure is reported and the other files are still written.
void SavePart(const std::string& path, const std::function<void()>& part) {
  try {
    part();
  } catch (...) {
    ShowMessage("Unable to save the settings to " + path + "\rReason: " + ReasonOf(std::current_exception()));
  }
}

}  // namespace

int ValidLineSpacing(int Value) { return Value >= 8 && Value <= 100 ? Value : DefaultLineSpacing; }

void SaveSettings(TSettingsHost& Host, TCustomPaletteHost& Palette) {
  TSettingsHost* host = &Host;
  const std::string pageIni = ProgramFile("PageIni.ini");
  SavePart(pageIni, [&] {
    TMemIniFile ini(pageIni);
    ini.WriteBool("General", "Hints", host->ShowHints());
    ini.WriteBool("General", "HorizontalScrollBar", host->ScrollBarVisible(true));
    ini.WriteBool("General", "VerticalScrollBar", host->ScrollBarVisible(false));
    ini.WriteBool("AppMenu", "AlwaysRefresh1", host->AlwaysRefresh());
    ini.UpdateFile();
  });
  const std::string mainIni = ProgramFile("Main.Ini");
  SavePart(mainIni, [&] {
    TMemIniFile ini(mainIni);
    const char* s = "Form_Position";
    ini.WriteBool(s, "_SetFont_Menu_Checked", host->SpecialFontsEnabled());
    if (DefineFontDg) {
      ini.WriteInteger(s, "LargeBracketSize", DefineFontDg->SpinEdit1->AsInteger());
      ini.WriteInteger(s, "LargeRootSize", DefineFontDg->SpinEdit2->AsInteger());
    }
    ini.WriteInteger(s, "DimensionFontDgSize", host->DimensionFontSize());
    ini.WriteBool(s, "WantDimensions1", host->AllowDimensions() ? host->DimensionsOnChecked() : false);
    ini.WriteBool(s, "DimensionTracking1", host->AllowDimensionTracking() ? host->DimensionTrackingChecked() : false);
    ini.WriteBool(s, "CanHaveLength", host->CanHaveLength());
    ini.WriteBool(s, "CanHaveAngle", host->CanHaveAngle());
    ini.WriteInteger(s, "Custom Set", host->CustomSet());
    ini.WriteBool(s, "isMeasurementMetric", host->MetricUnits());
    ini.UpdateFile();
  });
  const std::string buttons = ProgramFile("Buttons.ini");
  SavePart(buttons, [&] { SaveButtons(Palette, host->CustomSet(), 0); });
}

void LoadSettings(TSettingsHost& Host, TCustomPaletteHost& Palette) {
  TSettingsHost* host = &Host;
  const std::string pageIni = ProgramFile("PageIni.ini");
  LoadPart(pageIni, [&](TCustomIniFile& ini) {
    host->SetAlwaysRefresh(ini.ReadBool("AppMenu", "AlwaysRefresh1", true));
    host->SetShowHints(ini.ReadBool("General", "Hints", true));
    host->SetScrollBarVisible(true, ini.ReadBool("General", "HorizontalScrollBar", true));
    host->SetScrollBarVisible(false, ini.ReadBool("General", "VerticalScrollBar", true));
    for (int i = 0; i < 8; ++i) host->SetRecentFileCaption(i, ini.ReadString("RecentFiles", kRecentKeys[i], ""));
    host->SetBackgroundColor(TColor(ini.ReadColor("General", "Background_Color", int(0x80000005u))));
  });
  const std::string mainIni = ProgramFile("Main.Ini");
  uint8_t set = 0;
  LoadPart(mainIni, [&](TCustomIniFile& ini) {
    const char* s = "Form_Position";
    LineHeight = uint8_t(ValidLineSpacing(ini.ReadInteger("Main_Font", "Line_Spacing", DefaultLineSpacing)));
    int fontSize = ini.ReadInteger(s, "DimensionFontDgSize", DefaultDimensionFontSize, INT_MIN, MaxButtonFontSize);
    if (fontSize < 2) fontSize = 2;
    host->SetDimensionFontSize(fontSize);
    host->SetDimensionTrackingEnabled(ini.ReadBool(s, "CheckBox4", false));
    if (host->WantDimensionEnabled()) host->SetDimensionTrackingChecked(ini.ReadBool(s, "DimensionTracking1", false));
    host->SetShowSnapMessage(ini.ReadBool(s, "ShowSnapMessage", true));
    // Only sets 0 to 6 exist; any other stored number gives the first set.
    const int stored = ini.ReadInteger(s, "Custom Set", 0);
    set = uint8_t(stored >= 0 && stored <= 6 ? stored : 0);
    int checked = ini.ReadInteger(s, "CustomSets1Checked", 0);
    if (checked < 0 || checked > 6) checked = set;
    host->SetCustomSet(set);
    host->CheckCustomSetsItem(checked);
  });
  // The buttons read their own file; one that cannot be read leaves the factory palette.
  const std::string buttons = ProgramFile("Buttons.Ini");
  try {
    LoadButtonSet(Palette, set);
  } catch (...) {
    ShowMessage("Unable to read the settings file " + buttons + "\rReason: " + ReasonOf(std::current_exception()) +
                "\rThe default settings are used instead.");
    LoadFactoryButtonSet(Palette, set);
  }
}

int CheckedSubItemIndex(QMenu* Menu) {
  if (!Menu) return 0;
  const auto actions = Menu->actions();
  for (int i = 0; i < actions.size(); ++i)
    if (actions[i]->isChecked()) return i;
  return 0;
}

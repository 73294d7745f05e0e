// The main window as the application settings, the custom palette dialog and the main font dialog
// see it: the hosts they reach the window through.
#include <QScrollBar>

#include "app/main_window.h"
#include "app/main_window_custom_palette.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "dialogs/define_font_dialog.h"
#include "dialogs/main_font_dialog.h"
#include "platform/app_dir.h"
#include "platform/ini_file.h"
#include "settings/custom_button_sets.h"
#include "settings/settings_host.h"
#include "settings/settings_store.h"

class TMainWindowHosts : public TSettingsHost, public TCustomPaletteHost, public TMainFontHost {
public:
  explicit TMainWindowHosts(TForm1& Form) : F(Form) {}

  // ---- application settings
  bool ShowHints() override { return F.ShowHint; }
  void SetShowHints(bool On) override { F.ShowHint = On; }
  bool ScrollBarVisible(bool Horizontal) override {
    const auto policy = Horizontal ? F.ScrollBox1->horizontalScrollBarPolicy() : F.ScrollBox1->verticalScrollBarPolicy();
    return policy != Qt::ScrollBarAlwaysOff;
  }
  void SetScrollBarVisible(bool Horizontal, bool Visible) override {
    const auto policy = Visible ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    if (Horizontal) F.ScrollBox1->setHorizontalScrollBarPolicy(policy);
    else F.ScrollBox1->setVerticalScrollBarPolicy(policy);
  }
  bool AlwaysRefresh() override { return F.AlwaysRefresh1->isChecked(); }
  void SetAlwaysRefresh(bool On) override { F.AlwaysRefresh1->setChecked(On); }
  void SetRecentFileCaption(int Index, const std::string& Caption) override {
    QAction* items[8] = {F.FirstFile, F.SecondFile, F.ThirdFile, F.FourthFile, F.FifthFile, F.SixthFile, F.SeventhFile, F.EigthFile};
    if (Index >= 0 && Index < 8) items[Index]->setText(QString::fromStdString(Caption));
  }
  void SetBackgroundColor(TColor Color) override {
    BackgroundColor = Color;
    if (Figures) Figures->SetBackgroundColor(Color);
  }
  bool SpecialFontsEnabled() override { return F.SpecialFonts1->isEnabled(); }
  int DimensionFontSize() override { return F.DimensionFontSize; }
  void SetDimensionFontSize(int Size) override { F.DimensionFontSize = Size; }
  bool DimensionsOnChecked() override { return F.On1->isChecked(); }
  bool WantDimensionEnabled() override {
    const QAction* want = F.findChild<QAction*>("WantDimension1");
    return want && want->isEnabled();
  }
  bool DimensionTrackingChecked() override { return F.DimensionTracking1->isChecked(); }
  void SetDimensionTrackingChecked(bool On) override { F.DimensionTracking1->setChecked(On); }
  void SetDimensionTrackingEnabled(bool On) override { F.DimensionTracking1->setEnabled(On); }
  // The permissions dialog keeps these two in "Main.Ini"; its defaults are on.
  bool AllowDimensions() override { return PermissionCheck("CheckBox3"); }
  bool AllowDimensionTracking() override { return PermissionCheck("CheckBox4"); }
  bool CanHaveLength() override { return F.CanHaveLength; }
  bool CanHaveAngle() override { return F.CanHaveAngle; }
  void SetShowSnapMessage(bool On) override { F.ShowSnapMessage = On; }
  uint8_t CustomSet() override { return F.CustomSet; }
  void SetCustomSet(uint8_t Set) override { F.CustomSet = Set; }
  void CheckCustomSetsItem(int Index) override {
    const auto items = F.CustomSets1->actions();
    if (Index >= 0 && Index < items.size()) items[Index]->setChecked(true);
  }
  bool MetricUnits() override {
    if (!Figures) return false;
    return Figures->CurrentFigure ? Figures->CurrentFigure->Metric : Figures->Metric;
  }

  // ---- custom palette buttons
  bool GetCustomButton(int N, std::string& Caption, TFont& Font) override {
    TCustButPanel* b = F.CustomButton(N);
    if (!b) return false;
    Caption = b->Caption();
    Font = b->Font();
    return true;
  }
  void SetCustomButton(int N, const std::string& Caption, const TFont& Font) override {
    if (TCustButPanel* b = F.CustomButton(N)) {
      b->SetFont(Font);
      b->SetCaption(Caption);
    }
  }
  void SetCustomButtonFont(int N, const TFont& Font) override {
    if (TCustButPanel* b = F.CustomButton(N)) b->SetFont(Font);
  }
  void SetCustomButtonRaised(int N, bool Raised) override {
    if (TCustButPanel* b = F.CustomButton(N)) b->SetRaised(Raised);
  }
  uint8_t CurrentCustomSet() override { return F.CustomSet; }
  void LoadCustomButtonSet(uint8_t Set) override { LoadButtonSet(Set); }
  void SaveCustomButtons(uint8_t Set, int Index) override { SaveButtons(Set, Index); }
  void SetPaletteToolsEnabled(bool Enabled) override {
    F.ToolPanel1->setEnabled(Enabled);
    F.CustomSets1->setEnabled(Enabled);
  }
  void SetLargeBracketPanelSize(int Size) override { SetPanelFontSize(F.LgBktsPnl, Size); }
  void SetLargeRootPanelSize(int Size) override { SetPanelFontSize(F.LgRootPnl, Size); }

  // ---- main font dialog
  TTextPage* MainFontTextPage() override { return &F; }
  void RelayoutFromTopMargin() override {
    if (F.TextPageReady()) F.LayoutTextCells();
  }
  void InvalidatePageImage() override { F.InvalidatePage(); }
  TFontCharset MainWindowCharset() override { return DEFAULT_CHARSET; }
  void ResetEmptyCellFonts() override { F.ResetEmptyCellFonts(); }

private:
  static bool PermissionCheck(const char* key) {
    try {
      TMemIniFile ini(ProgramFile("Main.Ini"));
      return ini.ReadBool("Form_Position", key, true);
    } catch (...) {
      return true;
    }
  }
  static void SetPanelFontSize(QWidget* panel, int Size) {
    if (!panel || Size <= 0) return;
    QFont f = panel->font();
    f.setPointSize(Size);
    panel->setFont(f);
  }
  TForm1& F;
};

void TForm1::InstallSettingsHosts() {
  RemoveSettingsHosts();
  SettingsHosts = new TMainWindowHosts(*this);
  SettingsHost = SettingsHosts;
  CustomPaletteHost = SettingsHosts;
  MainFontHost = SettingsHosts;
}

void TForm1::RemoveSettingsHosts() {
  if (!SettingsHosts) return;
  if (SettingsHost == SettingsHosts) SettingsHost = nullptr;
  if (CustomPaletteHost == SettingsHosts) CustomPaletteHost = nullptr;
  if (MainFontHost == SettingsHosts) MainFontHost = nullptr;
  delete SettingsHosts;
  SettingsHosts = nullptr;
}

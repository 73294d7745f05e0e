// The CAD engine instance of the main window: creating it (at start-up and for every new page),
// binding its events, carrying the drawing properties and options from the old instance to the
// new one; the engine options kept in "PageIni.ini" [General] and the window's option ticks,
// dimension font and dialog folders kept in "ChildFms.ini" [Main Form].
#include <QActionGroup>
#include <QApplication>
#include <QLocale>
#include <algorithm>
#include <optional>

#include "app/main_window.h"
#include "app/main_window_zoom.h"
#include "app/shape_change.h"
#include "cad/engine.h"
#include "cad/selectors.h"
#include "helpers/page_surface.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/screen.h"
#include "platform/zqv_ini_file.h"

namespace {

constexpr const char* kGeneral = "General";
constexpr const char* kMainForm = "Main Form";

// The user's data folder as the dialogs' start folder: without its trailing separator.
std::string ProgramFolder() {
  std::string folder = UserDataDir();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// An option item of the window: the one the layout (or other wiring) made, else a checkable item
// made here in Menu, so that its tick is kept across runs even before its command exists.
QAction* OptionItem(TForm1& f, QMenu* Menu, const char* Name, const char* Caption) {
  QAction* a = f.findChild<QAction*>(Name);
  if (!a) {
    a = new QAction(QString::fromUtf8(Caption), &f);
    a->setObjectName(Name);
    if (Menu) Menu->addAction(a);
  }
  a->setCheckable(true);
  return a;
}

QAction* Item(const TForm1& f, const char* Name) { return f.findChild<QAction*>(Name); }

// Reads or writes the keys of one section; the same visit does both, so the two stay in one order.
struct TIniVisit {
  TCustomIniFile& Ini;
  const char* Section;
  bool Reading;
  void Bool(const char* Key, bool Default, bool& Value) {
    if (Reading) Value = Ini.ReadBool(Section, Key, Default);
    else Ini.WriteBool(Section, Key, Value);
  }
  // Read values outside [Min, Max] give the default.
  void Int(const char* Key, int Default, int& Value, int Min, int Max) {
    if (Reading) Value = Ini.ReadInteger(Section, Key, Default, Min, Max);
    else Ini.WriteInteger(Section, Key, Value);
  }
  void Color(const char* Key, int Default, int& Value) {
    if (Reading) Value = Ini.ReadColor(Section, Key, Default);
    else Ini.WriteInteger(Section, Key, Value);
  }
  void Str(const char* Key, const std::string& Default, std::string& Value) {
    if (Reading) Value = Ini.ReadString(Section, Key, Default);
    else Ini.WriteString(Section, Key, Value);
  }
  // The tick of a menu item; the item's handler does not run.
  void Tick(const char* Key, bool Default, QAction* Item) {
    bool v = Item ? Item->isChecked() : Default;
    Bool(Key, Default, v);
    if (Reading && Item) Item->setChecked(v);
  }
};

// The "Main Form" keys, in their stored order.
void VisitMainForm(TForm1& f, TIniVisit& io) {
  TFont& font = f.DimensionFontDg.Font;
  io.Str("DimensionFontDg_FontName", "Times New Roman", font.Name);
  int style = font.Style;
  io.Int("DimensionFontDg_FontStyle", 0, style, 0, 15);
  font.Style = TFontStyles(style & (fsBold | fsItalic | fsUnderline | fsStrikeOut));
  int color = int(font.Color);
  io.Color("DimensionFontDg_FontColor", 0, color);
  font.Color = TColor(color);
  int charset = font.Charset;
  io.Int("DimensionFontDg_FontCharset", 1, charset, 0, 255);
  font.Charset = TFontCharset(std::clamp(charset, 0, 255));
  io.Tick("DimensionTracking1_Checked", false, f.DimensionTracking1);
  io.Tick("ToggleOnOff1_Checked", true, f.ToggleOnOff1);
  const std::string folder = ProgramFolder();
  io.Str("OpenPictureDialog1.InitialDir", folder, f.OpenPictureDialog1.InitialDir);
  io.Int("OpenPictureDialog1_FilterIndex", 1, f.OpenPictureDialog1.FilterIndex, 1, 64);
  io.Tick("LargeSnapArea1_Checked", true, f.LargeSnapArea1);
  io.Tick("SmallSnapArea1_Checked", false, Item(f, "SmallSnapArea1"));
  io.Tick("_SetCopyMetafileDefault_Checked", true, f._SetCopyMetafileDefault);
  io.Tick("WantTicks1_Checked", true, f.WantTicks1);
  io.Str("OpenDialog1_InitialDir", folder, f.OpenDialog1.InitialDir);
  io.Str("SaveDialog2_InitialDir", folder, f.SaveDialog2.InitialDir);
  io.Tick("TransparentImages1_Checked", true, f.TransparentImages1);
  io.Tick("NonFilledShapesOnly1_Checked", true, f.NonFilledShapesOnly1);
  io.Tick("AutoBringtoFront1_Checked", false, f.AutoBringtoFront1);
  io.Tick("AutoRefreshShapes1_Checked", false, f.AutoRefreshShapes1);
  io.Tick("IncDelandBackinUndo1_Checked", false, f.IncDelandBackinUndo1);
  io.Tick("User4_Checked", false, Item(f, "User4"));
  io.Tick("User2_Checked", false, Item(f, "User2"));
  io.Tick("ReduceFlicker1_Checked", false, f.ReduceFlicker1);
  // The zoom items are one radio group: of several ticked keys the last one read wins.
  io.Tick("Z1_Checked", true, f.Z1);
  for (QAction* z : {f.Z10, f.Z11, f.Z12, f.Z2, f.Z3, f.Z4, f.Z5, f.Z6, f.Z7, f.Z8, f.Z9})
    io.Tick((z->objectName() + "_Checked").toStdString().c_str(), false, z);
  io.Tick("User3_Checked", false, f.User3);
  io.Tick("Program2_Checked", true, f.Program2);
  io.Tick("ShortMenus1_Checked", false, Item(f, "ShortMenus1"));
  io.Tick("InPixels1_Checked", false, f.InPixels1);
  bool statusBar = f.StatusBar1->isEnabled();
  io.Bool("StatusBar1_Enabled", true, statusBar);
  f.StatusBar1->setEnabled(statusBar);
  io.Tick("ToggleHints1_Checked", true, f.ToggleHints1);
  io.Tick("Showpalettehints1_Checked", true, f.Showpalettehints1);
  io.Tick("BeepTicks1_Checked", false, f.BeepTicks1);
}

// The engine options that are the user's choices rather than the page's: a new engine made for a
// new page takes them from the old one.
struct TEngineOptions {
  bool ScanGrids, DynamicGrids, SameColorDivider, WantTicks, PixelSnap, AutoRefresh, AutoFront, NonFilledOnly,
      LargeSnapArea;
  int32_t CopyMagnification;
  explicit TEngineOptions(const TZQVCad& e)
      : ScanGrids(e.ScanGrids), DynamicGrids(e.DynamicGrids), SameColorDivider(e.SameColorDivider),
        WantTicks(e.WantTicks), PixelSnap(e.PixelSnap), AutoRefresh(e.AutoRefresh), AutoFront(e.AutoFront),
        NonFilledOnly(e.NonFilledOnly), LargeSnapArea(e.LargeSnapArea), CopyMagnification(e.CopyMagnification) {}
  void ApplyTo(TZQVCad& e) const {
    e.ScanGrids = ScanGrids;
    e.DynamicGrids = DynamicGrids;
    e.SameColorDivider = SameColorDivider;
    e.WantTicks = WantTicks;
    e.PixelSnap = PixelSnap;
    e.AutoRefresh = AutoRefresh;
    e.AutoFront = AutoFront;
    e.NonFilledOnly = NonFilledOnly;
    e.SetLargeSnapArea(LargeSnapArea);
    e.SetCopyMagnification(CopyMagnification);
  }
};

}  // namespace

void TForm1::WireCadSettingsCommands() {
  // Items whose ticks the settings keep; their commands are the option commands' own.
  OptionItem(*this, _Options, "SmallSnapArea1", "&Small Snap Area");
  OptionItem(*this, _Options, "Off1", "Dimensions O&ff");
  OptionItem(*this, _Options, "DrawGridsDynamically1", "Draw Grids Dynamically");
  OptionItem(*this, _Options, "SameColorDivider1", "Same Color Divider");
  // File > Drawing Defaults: the two user defaults files.
  QMenu* defaults = DrawingDefaultsMenu();
  OptionItem(*this, defaults, "User2", "User &1");
  OptionItem(*this, defaults, "User4", "User &2");
  // The zoom items are radio items of one group.
  QActionGroup* zoom = Z1->actionGroup();
  if (!zoom) {
    zoom = new QActionGroup(this);
    zoom->setExclusive(true);
  }
  for (QAction* z : {Z1, Z2, Z3, Z4, Z5, Z6, Z7, Z8, Z9, Z10, Z11, Z12}) {
    z->setCheckable(true);
    if (!z->actionGroup()) zoom->addAction(z);
  }
}

void TForm1::CreateCadEngine() {
  // A new engine keeps the drawing properties of the old one's template (not its nodes) and the
  // user's engine options; the settings files are read only for the first engine of the run, so
  // that New does not undo option changes made since they were last saved.
  std::unique_ptr<TStoredProperties> saved;
  std::optional<TEngineOptions> options;
  if (Figures) {
    saved = std::make_unique<TStoredProperties>();
    saved->AssignWithoutNodes(*Figures->Template);
    options.emplace(*Figures);
    TZQVCad* old = Figures;
    Figures = nullptr;
    delete old;
  }
  int nodes = 16;
  try {
    TZQVIniFile ini(ProgramFile("Main.Ini"));
    nodes = ini.ReadInteger(kGeneral, "Max_Nodes", 16);
  } catch (const Exception&) {
    nodes = 16;  // an unreadable Main.Ini gives the default node count
  }
  nodes = std::clamp(nodes, 16, 123);
  const int ppi = ScreenPixelsPerInch();
  std::unique_ptr<TZQVCad> engine = std::make_unique<TZQVCad>(ScrollBox1, nodes, ppi, ppi);
  {
    const bool metricDefault = QLocale::system().measurementSystem() == QLocale::MetricSystem;
    TZQVIniFile page(PageIniName);
    engine->SetMetric(page.ReadBool("Margin_Defaults", "Metric", metricDefault));
    engine->SetBackgroundColor(TColor(page.ReadColor(kGeneral, "Background_Color", int(BackgroundColor))));
  }
  TZQVCad* e = engine.get();
  e->OnDeleteSelected = [this](TZQVCad* s, const std::vector<int32_t>& selection) { CadDeleteSelected(s, selection); };
  e->OnZoomChange = [this](TZQVCad* s) { CadZoomChange(s); };
  e->OnPaste = [this](TZQVCad* s) { CadPaste(s); };
  e->OnSelectionMoved = [this](TZQVCad*) { CadSelectionMoved(); };
  e->OnChange = [this](TZQVCad*) { CadChange(); };
  if (TReferenceSelector* s = e->Selector)
    s->OnMouseDown = [this](QObject* sender, Qt::MouseButton b, int x, int y) { SelectorMouseDown(sender, b, x, y); };
  e->OnAfterDraw = [this](TZQVCad*) { CadAfterDraw(); };
  if (TReferenceSelector* s = e->Selector)
    s->OnMouseUp = [this](QObject* sender, Qt::MouseButton b, int x, int y) { SelectorMouseUp(sender, b, x, y); };
  e->OnUnitsChange = [this](TZQVCad*) { CadUnitsChange(); };
  e->OnListChange = [this](TZQVCad* s) { CadListChange(s); };
  e->OnBackgroundColorChange = [this](TZQVCad*) { CadBackgroundColorChange(); };
  if (TReferenceSelector* s = e->Selector) s->OnNodeSnap = [this](QObject* sender) { SelectorNodeSnap(sender); };
  if (TReferenceSelector* s = e->Selector) {
    // A double-click on the selector pastes the clipboard's shapes: one undo step, and the page
    // composed again with them.
    s->OnDblClick = [this, paste = s->OnDblClick](QObject* sender) {
      bool pasted = false;
      {
        TShapeChange change(*this, sender);
        if (paste) paste(sender);
        pasted = change.Changed();
      }
      if (pasted) RefreshAllImages(this, false);
    };
  }
  if (saved) e->Template->AssignWithoutNodes(*saved);
  e->Template->SetMetric(e->Metric);
  e->CurrentFigure->SetMetric(e->Metric);
  if (options) options->ApplyTo(*e);
  Figures = engine.release();
  Figures->Ready = true;
  if (saved) {
    // New: the option ticks stay as the user left them.
    On1->setChecked(Figures->Template->WantDimensions);
    if (QAction* off = Item(*this, "Off1")) off->setChecked(!Figures->Template->WantDimensions);
  } else {
    LoadCadSettings(nullptr);
  }
  UpdateCadSelector();
}

void TForm1::LoadCadSettings(QObject*) {
  LoadMainFormSettings();
  if (!Figures) return;
  try {
    TZQVIniFile ini(PageIniName);
    Figures->ScanGrids = ini.ReadBool(kGeneral, "Scan_Grids", true);
    Figures->DynamicGrids = ini.ReadBool(kGeneral, "Dynamic_Grids", true);
    Figures->SetCopyMagnification(ini.ReadInteger(kGeneral, "Large_Bitmaps", 1));
    const bool dimensions = ini.ReadBool(kGeneral, "Want_Dimensions", false);
    On1->setChecked(dimensions);
    if (QAction* off = Item(*this, "Off1")) off->setChecked(!dimensions);
    Figures->Template->SetWantDimensions(dimensions);
    Figures->Template->SetLineDivisions(ini.ReadInteger(kGeneral, "Line_Divisions", 2));
    BackgroundColor = TColor(ini.ReadColor(kGeneral, "Background_Color", int(clWindow)));
    Figures->SetBackgroundColor(BackgroundColor);
    Figures->SameColorDivider = ini.ReadBool(kGeneral, "Same_Color_Divider", true);
  } catch (...) {
    // Settings that cannot be read leave the rest of the engine options as they are.
  }
  // The option items show the engine's flags.
  ScanGrids1->setChecked(Figures->ScanGrids);
  if (QAction* a = Item(*this, "DrawGridsDynamically1")) a->setChecked(Figures->DynamicGrids);
  if (QAction* a = Item(*this, "SameColorDivider1")) a->setChecked(Figures->SameColorDivider);
  // And the engine takes the options whose stored state is their tick.
  WantTicks1Click(nullptr);
  SnapAreaSize = LargeSnapArea1->isChecked() ? 6 : 2;
}

void TForm1::SaveCadSettings() {
  if (Figures) {
    TZQVIniFile ini(PageIniName);
    ini.WriteBool(kGeneral, "Scan_Grids", Figures->ScanGrids);
    ini.WriteBool(kGeneral, "Dynamic_Grids", Figures->DynamicGrids);
    ini.WriteInteger(kGeneral, "Large_Bitmaps", Figures->CopyMagnification);
    ini.WriteBool(kGeneral, "Want_Dimensions", On1->isChecked());
    ini.WriteInteger(kGeneral, "Line_Divisions", Figures->Template->LineDivisions);
    // A named document's background is the document's; only an untitled page sets the default.
    if (DocFileName.empty()) ini.WriteInteger(kGeneral, "Background_Color", int(BackgroundColor));
    ini.WriteBool(kGeneral, "Same_Color_Divider", Figures->SameColorDivider);
    ini.UpdateFile();
  }
  SaveMainFormSettings();
}

void TForm1::LoadMainFormSettings() {
  TZQVIniFile ini(ProgramFile("ChildFms.ini"));
  TIniVisit io{ini, kMainForm, true};
  VisitMainForm(*this, io);
  // The Zoom In submenu shows the level in use, whatever level the settings ticked last time.
  TickZoomInUse(*this);
}

void TForm1::SaveMainFormSettings() {
  TZQVIniFile ini(ProgramFile("ChildFms.ini"));
  TIniVisit io{ini, kMainForm, false};
  VisitMainForm(*this, io);
  ini.UpdateFile();
}

void TForm1::CadListChange(TZQVCad*) {}

void TForm1::CadDeleteSelected(TZQVCad*, const std::vector<int32_t>&) {
  if (MainImage) RefreshAllImages(this, false);
}

void TForm1::CadZoomChange(TZQVCad*) { ShowToolStatus(); }

void TForm1::CadPaste(TZQVCad*) {
  if (!Figures || !MainImage) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    Figures->DrawAll(MainImage->Canvas(), 0, 0, false);
    RefreshText(&MainImage->Canvas(), 1.0, 1.0, false, 1);  // the text stays above the figures
    MainImage->update();
  } catch (...) {
    QApplication::restoreOverrideCursor();
    throw;
  }
  QApplication::restoreOverrideCursor();
}

#include "app/window_hosts.h"

#include <QAction>
#include <QScrollArea>
#include <QScrollBar>

#include "app/main_window.h"
#include "app/main_window_custom_palette.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "codecs/compress.h"
#include "helpers/drag_rect.h"
#include "helpers/page_surface.h"
#include "helpers/para_panel.h"
#include "helpers/speed_button.h"
#include "platform/app_dir.h"
#include "platform/ini_file.h"
#include "settings/custom_button_sets.h"

namespace {
// A box of the permissions dialog, kept in "Main.Ini"; on by default.
bool PermissionCheck(const char* key) {
  try {
    TMemIniFile ini(ProgramFile("Main.Ini"));
    return ini.ReadBool("Form_Position", key, true);
  } catch (...) {
    return true;
  }
}

void SetPanelFontSize(QWidget* panel, int Size) {
  if (!panel || Size <= 0) return;
  QFont f = panel->font();
  f.setPointSize(Size);
  panel->setFont(f);
}

QAction* WantDimension(TForm1& F) { return F.findChild<QAction*>("WantDimension1"); }
}  // namespace

// ---- application settings

bool TWindowHosts::ShowHints() { return F.ShowHint; }
void TWindowHosts::SetShowHints(bool On) { F.ShowHint = On; }
bool TWindowHosts::ScrollBarVisible(bool Horizontal) {
  const auto policy = Horizontal ? F.ScrollBox1->horizontalScrollBarPolicy() : F.ScrollBox1->verticalScrollBarPolicy();
  return policy != Qt::ScrollBarAlwaysOff;
}
void TWindowHosts::SetScrollBarVisible(bool Horizontal, bool Visible) {
  const auto policy = Visible ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
  if (Horizontal) F.ScrollBox1->setHorizontalScrollBarPolicy(policy);
  else F.ScrollBox1->setVerticalScrollBarPolicy(policy);
}
bool TWindowHosts::AlwaysRefresh() { return F.AlwaysRefresh1->isChecked(); }
void TWindowHosts::SetAlwaysRefresh(bool On) { F.AlwaysRefresh1->setChecked(On); }
void TWindowHosts::SetRecentFileCaption(int Index, const std::string& Caption) {
  QAction* items[8] = {F.FirstFile, F.SecondFile, F.ThirdFile, F.FourthFile, F.FifthFile, F.SixthFile, F.SeventhFile, F.EigthFile};
  if (Index >= 0 && Index < 8) items[Index]->setText(QString::fromStdString(Caption));
}
void TWindowHosts::SetBackgroundColor(TColor Color) {
  BackgroundColor = Color;
  if (Figures) Figures->SetBackgroundColor(Color);
}
bool TWindowHosts::SpecialFontsEnabled() { return F.SpecialFonts1->isEnabled(); }
int TWindowHosts::DimensionFontSize() { return F.DimensionFontSize; }
void TWindowHosts::SetDimensionFontSize(int Size) { F.DimensionFontSize = Size; }
bool TWindowHosts::DimensionsOnChecked() { return F.On1->isChecked(); }
bool TWindowHosts::WantDimensionEnabled() {
  // Before the Settings menu has the item, nothing disables it.
  const QAction* want = WantDimension(F);
  return !want || want->isEnabled();
}
bool TWindowHosts::DimensionTrackingChecked() { return F.DimensionTracking1->isChecked(); }
void TWindowHosts::SetDimensionTrackingChecked(bool On) { F.DimensionTracking1->setChecked(On); }
void TWindowHosts::SetDimensionTrackingEnabled(bool On) { F.DimensionTracking1->setEnabled(On); }
bool TWindowHosts::AllowDimensions() { return PermissionCheck("CheckBox3"); }
bool TWindowHosts::AllowDimensionTracking() { return PermissionCheck("CheckBox4"); }
bool TWindowHosts::CanHaveLength() { return F.CanHaveLength; }
bool TWindowHosts::CanHaveAngle() { return F.CanHaveAngle; }
void TWindowHosts::SetShowSnapMessage(bool On) { F.ShowSnapMessage = On; }
uint8_t TWindowHosts::CustomSet() { return F.CustomSet; }
void TWindowHosts::SetCustomSet(uint8_t Set) { F.CustomSet = Set; }
void TWindowHosts::CheckCustomSetsItem(int Index) {
  const auto items = F.CustomSets1->actions();
  if (Index >= 0 && Index < items.size()) items[Index]->setChecked(true);
}
bool TWindowHosts::MetricUnits() {
  if (!Figures) return false;
  return Figures->CurrentFigure ? Figures->CurrentFigure->Metric : Figures->Metric;
}

// ---- custom palette buttons

bool TWindowHosts::GetCustomButton(int N, std::string& Caption, TFont& Font) {
  TCustButPanel* b = F.CustomButton(N);
  if (!b) return false;
  Caption = b->Caption();
  Font = b->Font();
  return true;
}
void TWindowHosts::SetCustomButton(int N, const std::string& Caption, const TFont& Font) {
  if (TCustButPanel* b = F.CustomButton(N)) {
    b->SetFont(Font);
    b->SetCaption(Caption);
  }
}
void TWindowHosts::SetCustomButtonFont(int N, const TFont& Font) {
  if (TCustButPanel* b = F.CustomButton(N)) b->SetFont(Font);
}
void TWindowHosts::SetCustomButtonRaised(int N, bool Raised) {
  if (TCustButPanel* b = F.CustomButton(N)) b->SetRaised(Raised);
}
uint8_t TWindowHosts::CurrentCustomSet() { return F.CustomSet; }
void TWindowHosts::LoadCustomButtonSet(uint8_t Set) { LoadButtonSet(*this, Set); }
void TWindowHosts::SaveCustomButtons(uint8_t Set, int Index) { SaveButtons(*this, Set, Index); }
void TWindowHosts::SetPaletteToolsEnabled(bool Enabled) {
  F.ToolPanel1->setEnabled(Enabled);
  F.CustomSets1->setEnabled(Enabled);
}
void TWindowHosts::SetLargeBracketPanelSize(int Size) { SetPanelFontSize(F.LgBktsPnl, Size); }
void TWindowHosts::SetLargeRootPanelSize(int Size) { SetPanelFontSize(F.LgRootPnl, Size); }

// ---- main font dialog

TTextPage* TWindowHosts::MainFontTextPage() { return &F; }
void TWindowHosts::RelayoutFromTopMargin() {
  if (F.TextPageReady()) F.LayoutTextCells();
}
void TWindowHosts::InvalidatePageImage() { F.InvalidatePage(); }
TFontCharset TWindowHosts::MainWindowCharset() { return DEFAULT_CHARSET; }
void TWindowHosts::ResetEmptyCellFonts() { F.ResetEmptyCellFonts(); }

// ---- drawing dialogs

bool TWindowHosts::ApplyToSelectedShapes(QObject* Sender, uint32_t Mask) { return F.ApplyToSelectedShapes(Sender, Mask); }
void TWindowHosts::RefreshAllImages(QObject* Sender, bool NoHourglass) { F.RefreshAllImages(Sender, NoHourglass); }
bool TWindowHosts::SelectionRectShown() { return ::SelectionRectShown; }
bool TWindowHosts::PageDefaultMetric() { return PageSetupDialog && PageSetupDialog->DefaultMetric1->isChecked(); }
void TWindowHosts::SetWantDimensionEnabled(bool On) {
  if (QAction* a = WantDimension(F)) a->setEnabled(On);
}
void TWindowHosts::SetWantDimensionChecked(bool On) {
  if (QAction* a = WantDimension(F)) a->setChecked(On);
}
void TWindowHosts::SetWantDimensionOnEnabled(bool On) { F.On1->setEnabled(On); }
void TWindowHosts::SetCanHaveLength(bool On) { F.CanHaveLength = On; }
void TWindowHosts::SetCanHaveAngle(bool On) { F.CanHaveAngle = On; }
void TWindowHosts::ChooseDimensionFont(QObject* Sender) { F.ChooseDimensionFont(Sender); }
TFont TWindowHosts::StandardFont() { return ::StandardFont ? TFont(*::StandardFont) : TDrawDialogHost::StandardFont(); }
void TWindowHosts::PushShapeUndo(QObject* Sender) { F.PushShapeUndo(Sender); }
void TWindowHosts::UndoShape(QObject* Sender) { F.UndoShape(Sender); }
TRealPoint TWindowHosts::ReferencePosition() { return Figures ? Figures->ReferenceWorldPosition() : TRealPoint{}; }
QWidget* TWindowHosts::PageImage() { return F.MainImage; }

// ---- image-object chooser

int TWindowHosts::ImageObjectCount() { return F.ImageCount; }
void TWindowHosts::SelectImageObject(int Index) {
  if (Index < 0 || Index >= F.ImageCount) return;
  F.ChosenImage = Index;
  if (Index != F.SelectedImage) F.DeselectImage(&F, true);
  F.SelectImage(Index);
}
void TWindowHosts::DeselectImageObject() {
  F.DeselectImage(&F, true);
  F.ChosenImage = -1;
}
void TWindowHosts::SetFrameDynamicResize(bool On) {
  if (F.SelectedImage >= 0 && F.SelectedImage < F.ImageCount && F.Images[size_t(F.SelectedImage)])
    F.Images[size_t(F.SelectedImage)]->SetDynamicResize(On);
}
void TWindowHosts::RepaintFrame() {
  if (F.aDrag) F.aDrag->update();
}

// ---- macro window

TTextPage& TWindowHosts::MacroPage() { return F; }
TCompress& TWindowHosts::MacroCompress() { return *F.Compress1; }
void TWindowHosts::SetPageImageEnabled(bool On) {
  if (F.MainImage) F.MainImage->setEnabled(On);
}
void TWindowHosts::FocusPage() {
  F.activateWindow();
  if (F.MainImage) F.MainImage->setFocus();
}
void TWindowHosts::MacroWindowClosed() {
  if (auto* b = F.findChild<TZQVSpeedButton*>("WriteMacros1")) b->SetDown(false);
}

// ---- paste special

bool TWindowHosts::PasteText(QObject* Sender, TPasteKind Kind) {
  if (Kind == TPasteKind::FormattedText) return F.PasteZQVText(Sender);
  if (Kind == TPasteKind::AsciiText) return F.PasteAsciiText(Sender);
  return F.PasteRichText();
}
void TWindowHosts::PasteShapes(QObject*) {
  if (Figures) Figures->Paste();
}
void TWindowHosts::PastePicture(QObject*, TPasteKind Kind) { F.PasteClipboardPicture(Kind == TPasteKind::Metafile); }
void TWindowHosts::PlaceCaret() { F.SetCaretPosition(&F, 0, 0); }
void TWindowHosts::RefreshAllImages(QObject* Sender) { F.RefreshAllImages(Sender ? Sender : &F, false); }

// ---- object editor

TPagePart& TWindowHosts::Page() { return F; }
QWidget* TWindowHosts::PageArea() { return F.ScrollBox1->widget(); }
TPoint TWindowHosts::ScrollOffset() { return F.GetScrollOffset(); }
void TWindowHosts::RecomposePage() { F.RefreshAllImages(&F, false); }
void TWindowHosts::FlagDocumentModified() {
  F.Modified = true;
  if (!F.DocFileName.empty()) F.FileModified = true;
}
bool TWindowHosts::MetricLengths() { return Figures && Figures->Metric; }
std::string TWindowHosts::ChoosePicture(const std::string& Start) { return F.ChoosePictureFile(Start); }

// ---- page set-up

TTextPage& TWindowHosts::SetupTextPage() { return F; }
std::string TWindowHosts::PageSettingsFile() { return PageIniName; }
bool TWindowHosts::DocumentHasChanges() { return F.Modified || F.DocumentNeedsSave(); }
void TWindowHosts::PageSetupApplied() {
  if (!F.DocFileName.empty()) F.FileModified = true;
}
void TWindowHosts::CreatePageImage(int Width, int Height) { F.CreateNewImage(Width, Height); }
int TWindowHosts::PageImageWidth() { return F.MainImage ? F.MainImage->width() : 0; }
TParaPanel& TWindowHosts::Ruler() { return *F.ParaPanel1; }
void TWindowHosts::PageSetupClosed(QObject* Sender) {
  F.SetupPrinter1Click(nullptr);  // the printer check
  F.RefreshAllImages(Sender, false);
  if (F.ImageCount > 0) F.RestackImageObjects();
  if (F.MainImage) F.MainImage->setEnabled(true);
  F.PageDisabled = false;
  F.ShowToolStatus();
}

// ---- information window

std::string TWindowHosts::InformationFileName() { return F.DocFileName; }

// The main window as every lower part sees it. The window makes one TWindowHosts when it is
// constructed and hands it (as the one interface each part declares) to every dialog, window and
// settings routine when that part is made or called; no part finds the window in any other way,
// and there are no global host pointers.
#pragma once

#include <string>

#include "dialogs/define_font_dialog.h"
#include "dialogs/draw_dialog_host.h"
#include "dialogs/file_info_dialog.h"
#include "dialogs/image_object_host.h"
#include "dialogs/macro_text_window.h"
#include "dialogs/main_font_dialog.h"
#include "dialogs/object_editor.h"
#include "dialogs/page_setup_dialog.h"
#include "dialogs/paste_special_dialog.h"
#include "settings/settings_host.h"

class TForm1;

class TWindowHosts : public TSettingsHost,
                     public TCustomPaletteHost,
                     public TMainFontHost,
                     public TDrawDialogHost,
                     public TImageObjectHost,
                     public TMacroWindowHost,
                     public TPasteSpecialHost,
                     public TObjectEditorHost,
                     public TPageSetupHost,
                     public TFileInfoHost {
public:
  explicit TWindowHosts(TForm1& Form) : F(Form) {}

  // ---- application settings
  bool ShowHints() override;
  void SetShowHints(bool On) override;
  bool ScrollBarVisible(bool Horizontal) override;
  void SetScrollBarVisible(bool Horizontal, bool Visible) override;
  bool AlwaysRefresh() override;
  void SetAlwaysRefresh(bool On) override;
  void SetRecentFileCaption(int Index, const std::string& Caption) override;
  void SetBackgroundColor(TColor Color) override;
  bool SpecialFontsEnabled() override;
  int DimensionFontSize() override;
  void SetDimensionFontSize(int Size) override;
  bool DimensionsOnChecked() override;
  bool WantDimensionEnabled() override;
  bool DimensionTrackingChecked() override;
  void SetDimensionTrackingChecked(bool On) override;
  void SetDimensionTrackingEnabled(bool On) override;
  bool AllowDimensions() override;
  bool AllowDimensionTracking() override;
  bool CanHaveLength() override;
  bool CanHaveAngle() override;
  void SetShowSnapMessage(bool On) override;
  uint8_t CustomSet() override;
  void SetCustomSet(uint8_t Set) override;
  void CheckCustomSetsItem(int Index) override;
  bool MetricUnits() override;

  // ---- custom palette buttons
  bool GetCustomButton(int N, std::string& Caption, TFont& Font) override;
  void SetCustomButton(int N, const std::string& Caption, const TFont& Font) override;
  void SetCustomButtonFont(int N, const TFont& Font) override;
  void SetCustomButtonRaised(int N, bool Raised) override;
  uint8_t CurrentCustomSet() override;
  void LoadCustomButtonSet(uint8_t Set) override;
  void SaveCustomButtons(uint8_t Set, int Index) override;
  void SetPaletteToolsEnabled(bool Enabled) override;
  void SetLargeBracketPanelSize(int Size) override;
  void SetLargeRootPanelSize(int Size) override;

  // ---- main font dialog
  TTextPage* MainFontTextPage() override;
  void RelayoutFromTopMargin() override;
  void InvalidatePageImage() override;
  TFontCharset MainWindowCharset() override;
  void ResetEmptyCellFonts() override;

  // ---- drawing dialogs
  bool ApplyToSelectedShapes(QObject* Sender, uint32_t Mask) override;
  void RefreshAllImages(QObject* Sender, bool NoHourglass) override;
  bool SelectionRectShown() override;
  bool PageDefaultMetric() override;
  void SetWantDimensionEnabled(bool On) override;
  void SetWantDimensionChecked(bool On) override;
  void SetWantDimensionOnEnabled(bool On) override;
  void SetCanHaveLength(bool On) override;
  void SetCanHaveAngle(bool On) override;
  void ChooseDimensionFont(QObject* Sender) override;
  TFont StandardFont() override;
  void PushShapeUndo(QObject* Sender) override;
  void UndoShape(QObject* Sender) override;
  TRealPoint ReferencePosition() override;
  QWidget* PageImage() override;

  // ---- image-object chooser
  int ImageObjectCount() override;
  void SelectImageObject(int Index) override;
  void DeselectImageObject() override;
  void SetFrameDynamicResize(bool On) override;
  void RepaintFrame() override;

  // ---- macro window
  TTextPage& MacroPage() override;
  TCompress& MacroCompress() override;
  void SetPageImageEnabled(bool On) override;
  void FocusPage() override;
  void MacroWindowClosed() override;

  // ---- paste special
  bool PasteText(QObject* Sender, TPasteKind Kind) override;
  void PasteShapes(QObject* Sender) override;
  void PastePicture(QObject* Sender, TPasteKind Kind) override;
  void PlaceCaret() override;
  void RefreshAllImages(QObject* Sender) override;

  // ---- object editor
  TPagePart& Page() override;
  QWidget* PageArea() override;
  TPoint ScrollOffset() override;
  void RecomposePage() override;
  void FlagDocumentModified() override;
  bool MetricLengths() override;
  std::string ChoosePicture(const std::string& Start) override;

  // ---- page set-up
  TTextPage& SetupTextPage() override;
  std::string PageSettingsFile() override;
  bool DocumentHasChanges() override;
  void PageSetupApplied() override;
  void CreatePageImage(int Width, int Height) override;
  int PageImageWidth() override;
  TParaPanel& Ruler() override;
  void PageSetupClosed(QObject* Sender) override;

  // ---- information window
  std::string InformationFileName() override;

private:
  TForm1& F;
};

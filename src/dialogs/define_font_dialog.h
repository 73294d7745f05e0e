// The custom palette dialog: edits the caption and font of one of the main window's 42 custom
// palette buttons (or the font of all of them), saves single buttons or the whole set to
// "Buttons.Ini", and on closing offers to save or discard unsaved edits. It also holds the font
// sizes of the main window's large-bracket and large-root palette panels.
#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "platform/font.h"
#include "ui_define_font_dialog.h"

// What the dialog needs of the main window: its custom palette buttons (panels "CustBut1" to
// "CustBut42", tags 0 to 41), the current set and the two palette panels the sizes apply to.
class TCustomPaletteHost {
public:
  virtual ~TCustomPaletteHost() = default;
  // Caption and font of button N (1 to 42); false when the window has no such panel.
  virtual bool GetCustomButton(int N, std::string& Caption, TFont& Font) = 0;
  virtual void SetCustomButton(int N, const std::string& Caption, const TFont& Font) = 0;
  virtual void SetCustomButtonFont(int N, const TFont& Font) = 0;
  // A raised bevel, or none (the button being edited).
  virtual void SetCustomButtonRaised(int N, bool Raised) = 0;
  virtual uint8_t CurrentCustomSet() = 0;
  virtual void LoadCustomButtonSet(uint8_t Set) = 0;
  virtual void SaveCustomButtons(uint8_t Set, int Index) = 0;
  // The tool panel and the Custom Sets menu, disabled while the dialog is shown.
  virtual void SetPaletteToolsEnabled(bool Enabled) = 0;
  virtual void SetLargeBracketPanelSize(int Size) = 0;
  virtual void SetLargeRootPanelSize(int Size) = 0;
};

class TDefineFontDg : public QDialog, public Ui::TDefineFontDg {
  Q_OBJECT
public:
  explicit TDefineFontDg(TCustomPaletteHost& Host, QWidget* parent = nullptr);

  // The preview: the caption (bytes) in the button's font.
  TFont SampleFont;
  std::string SampleCaption;
  int ButtonNumber = 0;  // the current button index, 0 to 41 (the tag of the button being edited)
  std::array<bool, 43> ButtonModified{};  // by button number 1 to 42
  bool Loading = false;

  // Handlers.
  void FormShow();
  void FormHide();
  bool FormCloseQuery();
  void FormClose();
  void CustButTagChange();
  void CharacterChange();
  void SpinButton1Click(bool Up);
  void SelectFont1Click();
  void Apply1Click();
  void SaveFontClick();
  void SpinEdit1Change();
  void SpinEdit2Change();
  bool AnyModified() const;
  // The preview's caption and font shown in the preview, the character field and the code label.
  void ShowSample();

protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

public slots:
  void reject() override;

private:
  TCustomPaletteHost& Host;
  void ShowCurrentCharacter();
};

extern TDefineFontDg* DefineFontDg;

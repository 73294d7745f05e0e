// The colour combo of the font dialog and the custom colours file that every colour dialog of the
// program shares ("ZQVCustomClrs.Dat" in the program folder).
//
// TColorDialog is the program's colour dialog: a chosen colour and the sixteen custom colours as
// the file's lines, run over QColorDialog. ExecuteWithCustomColors is the sequence every colour
// dialog outside the combo follows: load the shared custom colours, run, and when confirmed apply
// the colour, back the file up to ".bak" and write the new custom colours.
#pragma once

#include <QComboBox>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/win_types.h"

class TColorDialog {
public:
  TColor Color = 0;
  // The custom colours in the file's form: "ColorA=BBGGRR" ... "ColorP=BBGGRR".
  std::vector<std::string> CustomColors;
  std::string Caption;
  // Runs when the dialog is about to show (before its custom colours are applied).
  std::function<void()> OnShow;
  QWidget* Parent = nullptr;

  // Shows the dialog modally; True when it was confirmed (Color and CustomColors then hold the
  // dialog's choice).
  bool Execute();
  // Tests answer the dialog here instead of showing it; True confirms.
  static std::function<bool(TColorDialog&)> ExecuteHook;
};

// The combo's table: eighteen named colours and "Custom" (entry 18, black at start).
struct TComboColor {
  TColor Color;
  const char* Name;
};
extern std::array<TComboColor, 19> ComboColors;

// The program folder's "ZQVCustomClrs.Dat".
std::string CustomColorsFileName();
// "#RRGGBB" from the colour's bytes, lowest first: maroon gives #800000, blue #0000FF.
std::string ColorToHexCode(TColor Color);

// The custom colours sequence: loads Dialog's custom colours from the shared file when it exists,
// runs Dialog, and when it is confirmed calls Apply with the chosen colour, copies the file to
// ".bak" and writes the dialog's custom colours to it (asking first when the copy failed).
// True when the dialog was confirmed.
bool ExecuteWithCustomColors(TColorDialog& Dialog, const std::function<void(TColor)>& Apply);

// The drop-down list of the font dialog's colour field: the 19 entries of ComboColors, each with
// a swatch; choosing "Custom" opens the colour dialog.
class TZQVColorCombo : public QComboBox {
  Q_OBJECT
public:
  explicit TZQVColorCombo(QWidget* parent = nullptr);

  TColor GetSelectedColor() const;
  void SetSelectedColor(TColor Color);
  // Loads the dialog's custom colours from the file; the messages of a file that cannot be read.
  void LoadCustomColors();
  // Writes the dialog's custom colours to the file.
  void SaveCustomColors();
  void GetCustomColorsFile(std::string& Path) const { Path = CustomColorsFileName(); }
  // The user's choice of an item: the Custom item runs the colour dialog; then OnClick.
  void Click();

  TColorDialog ColorDialog;
  std::function<void(QObject*)> OnClick;

private:
  void FillColors();
  void UpdateCustomItem();
};

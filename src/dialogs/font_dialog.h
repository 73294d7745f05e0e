// The program's font dialog: name, style, size, strike-out, underline and colour of one font, with
// a live sample. Callers copy their font into Font, call Execute and copy Font back when it
// returns True. It carries the program's one colour combo, and through it answers every colour
// dialog's question for the path of the custom colours file.
#pragma once

#include <QDialog>
#include <functional>

#include "platform/font.h"
#include "ui_font_dialog.h"

class TZQVColorCombo;

class TZQVFontDlg1 : public QDialog, public Ui::TZQVFontDlg1 {
  Q_OBJECT
public:
  explicit TZQVFontDlg1(QWidget* parent = nullptr);

  // The edited font; every change is shown in Sample1.
  TFont Font;
  TZQVColorCombo* ColorCombo = nullptr;
  int HelpContext = 1140;

  // Shows the dialog modally; True when it closed with OK.
  bool Execute();
  void GetCustomColorsFile(std::string& Path) const;
  // Tests answer the dialog here: it is filled from Font (FormShow) and the hook returns what
  // Execute returns (it may click OKBtn).
  static std::function<bool(TZQVFontDlg1&)> ExecuteHook;

  void FormShow();
  void OKBtnClick();
  void CancelBtnClick();
  // Copies Font into the sample.
  void FontChanged();

protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void FontName1Change();
  void FontStyle1Change();
  void FontSize1Change();
  void SelectListText(QListWidget* list, const QString& text);
  bool Filling = false;  // controls are being filled from Font: no change handler runs
};

extern TZQVFontDlg1* ZQVFontDlg1;

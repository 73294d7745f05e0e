// The "Angled Text" dialog: the text, the font and the with-line choice (kind 17 with a line,
// kind 48 without) of the CAD engine's property template for angled text; with a selection on
// the page, OK gives the font and text to the selected figures and the template stays as it was.
// Created at start-up, shown modally, hidden when closed.
#pragma once

#include "dialogs/draw_dialog_base.h"
#include "platform/font.h"
#include "ui_angled_text_dialog.h"

class TAngledTextFm : public TDrawDialogBase, public Ui::TAngledTextFm {
  Q_OBJECT
public:
  explicit TAngledTextFm(TDrawDialogHost& Host, QWidget* parent = nullptr);
  ~TAngledTextFm() override;

  // The shared font dialog's font as it was at the last OK.
  TFont SavedFont;
  // The font being edited, shown by the sample label.
  TFont SampleFont;

  void FormShow();
  void UpdateSample();
  void atFontClick();
  void OKBtnClick(QObject* Sender);
  void CancelBtnClick();

protected:
  void FormClose() override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void ShowCaretPosition();
};

extern TAngledTextFm* AngledTextFm;

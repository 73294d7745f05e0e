// The "Set Main Font" dialog: the main font, the script size in percent, the custom mid-script
// offset and the line spacing that new characters of the page take. Created at start-up and kept
// for the whole run; the text engine reads it through its accessors.
#pragma once

#include <QDialog>

#include "platform/font.h"
#include "ui_main_font_dialog.h"

class TMainFontDlg : public QDialog, public Ui::TMainFontDlg {
  Q_OBJECT
public:
  explicit TMainFontDlg(QWidget* parent = nullptr);

  // The main font (the preview label's font); owned by the dialog, callers copy from it.
  TFont& GetMainFont() { return MainFont; }
  // The script size in percent of the base size, at least 20.
  int GetScriptPercent() const;
  // The mid-script offset in pixels (negative = upwards).
  int GetCustomOffset() const { return CustomOffset; }
  // Shows the main font in the preview label.
  void ShowPreview();

  int ScriptPercent = 50;
  int CustomOffset = -4;
  bool ScriptsRescaled = false;

private:
  TFont MainFont;
};

extern TMainFontDlg* MainFontDlg;
// Values at show; the document reader writes the first two when it opens a document.
extern int32_t MainFontPercentAtShow;
extern int32_t MainFontOffsetAtShow;
extern int32_t MainFontLineSpacingAtShow;
extern bool MainFontChanged;

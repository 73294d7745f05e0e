// The "Set Main Font" dialog: the main font, the script size in percent, the custom mid-script
// offset and the line spacing that new characters of the page take. Created at start-up and kept
// for the whole run; the text engine reads it through its accessors. It keeps the user's defaults
// in "Main.ini" (section Main_Font) and offers to rescale the scripts already on the page when the
// percentage or the offset changed.
#pragma once

#include <QDialog>
#include <vector>

#include "dialogs/color_combo.h"
#include "platform/font.h"
#include "ui_main_font_dialog.h"

class QButtonGroup;
class QMenuBar;
class QAction;
class TTextPage;
class TCustomIniFile;

// What the dialog needs of the main window.
class TMainFontHost {
public:
  virtual ~TMainFontHost() = default;
  // The page's text cells (null when there is no page).
  virtual TTextPage* MainFontTextPage() = 0;
  // Lays the text out again from the top margin with the present line height, and repaints.
  virtual void RelayoutFromTopMargin() = 0;
  virtual void InvalidatePageImage() = 0;
  // Font sizes of the main window's large-bracket and large-root palette panels.
  virtual void SetLargeBracketPanelSize(int Size) = 0;
  virtual void SetLargeRootPanelSize(int Size) = 0;
  // The character set of the main window's own font.
  virtual TFontCharset MainWindowCharset() = 0;
  // Every empty cell takes the main font and offset 0.
  virtual void ResetEmptyCellFonts() = 0;
};

class TMainFontDlg : public QDialog, public Ui::TMainFontDlg {
  Q_OBJECT
public:
  explicit TMainFontDlg(TMainFontHost& Host, QWidget* parent = nullptr);

  // The main font (the preview label's font); owned by the dialog, callers copy from it.
  TFont& GetMainFont() { return MainFont; }
  // The script size in percent of the base size, at least 20.
  int GetScriptPercent();
  // The mid-script offset in pixels (negative = upwards).
  int GetCustomOffset() const { return CustomOffset; }
  // Shows the main font in the preview label.
  void ShowPreview();

  // The stored defaults of "Main.ini", section Main_Font.
  void LoadUserDefaults();
  void SaveAsDefaults();
  bool SameAsDefaults();
  void SetFactoryDefaults();

  // The scripts of the page, taken when the dialog is shown, and their rescaling to the present
  // percentage and offset.
  struct TScriptRec {
    int32_t Index;
    uint8_t Kind;
  };
  void CollectScripts();
  void RescaleScripts();
  std::vector<TScriptRec> Scripts;

  // Handlers.
  void FormShow();
  void OKBtnClick();
  void CancelBtnClick();
  void FormClose(bool ok);
  void SpinEdit1Change();
  void FontComboChange();
  void CharsetsChange();
  void ftStyleClick();
  void BitBtn1Click();
  void Button1Click() { ResetLineSpacing = true; }
  void FactoryDefaults1Click();

  // The index of ftStyle (0 Regular, 1 Italic, 2 Bold, 3 Bold Italic; -1 none).
  int StyleIndex() const;
  void SetStyleIndex(int Index);
  static TFontStyles StyleOfIndex(int Index);
  static int IndexOfStyle(TFontStyles Style);
  // The character-set value of a Charsets item, and the item of a value (-1 when absent).
  static TFontCharset CharsetOfIndex(int Index);
  static int IndexOfCharset(TFontCharset Charset);

  int ScriptPercent = 50;
  int CustomOffset = -4;
  bool ScriptsRescaled = false;
  bool ResetLineSpacing = false;
  TFont SavedFont;
  TColorDialog MainFontColor1;
  QButtonGroup* ftStyleGroup = nullptr;
  QMenuBar* MainMenu = nullptr;
  QAction* Save1 = nullptr;
  QAction* UserDefaults1 = nullptr;
  QAction* FactoryDefaults1 = nullptr;

protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void done(int result) override;

private:
  TMainFontHost& Host;
  TFont MainFont;
  bool Creating = true;
  bool Showing = false;  // visible for the handlers (from FormShow on)
  void SetCaption();
  void UpdateColorGlyph();
  void LoadUserDefaultsFrom(TCustomIniFile& ini);
};

extern TMainFontDlg* MainFontDlg;
// Values at show; the document reader writes the first two when it opens a document.
extern int32_t MainFontPercentAtShow;
extern int32_t MainFontOffsetAtShow;
extern int32_t MainFontLineSpacingAtShow;
extern bool MainFontChanged;

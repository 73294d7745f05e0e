// The "Macro Text" window: 35 macros of formatted page text kept in a macro file (".zqm"), filled
// from the page's selection (Import Selection) and sent back into the page at the caret (Send to
// Editor, a double click, the main window's Paste Macro).
//
// Contract
// - The window owns its list of macro lines, its file name and its modified flag.
// - The page text is the text engine's (TTextPage): the window reads the selection and inserts
//   characters only through the engine's routines (InsertChar, NewLine, CaretDown), after one
//   text-undo snapshot, exactly as typing does.
// - Everything else of the main window goes through TMacroWindowHost: the compression component,
//   the page image's enabled state, the focus and the macro button.
#pragma once

#include <QMainWindow>
#include <functional>
#include <string>

#include "ui_macro_text_window.h"

class QObject;
class TCompress;
class TFont;
class TTextPage;
class TZQVCheckList;

class TMacroWindowHost {
public:
  virtual ~TMacroWindowHost() = default;
  virtual TTextPage& MacroPage() = 0;
  virtual TCompress& MacroCompress() = 0;
  // The page image takes no input while macros are sent.
  virtual void SetPageImageEnabled(bool On) = 0;
  // The main window takes the focus after a send.
  virtual void FocusPage() = 0;
  // The window is closing: the main window's macro button goes up.
  virtual void MacroWindowClosed() = 0;
};

class TMacroText1 : public QMainWindow, public Ui::TMacroText1 {
  Q_OBJECT
  Q_PROPERTY(bool AnyChecked READ AnyChecked)
public:
  TMacroText1(TMacroWindowHost& Host, QWidget* parent = nullptr);
  ~TMacroText1() override;

  std::string CurrentFile;
  bool Modified = false;
  bool Busy = false;
  TZQVCheckList* List = nullptr;
  QAction* StayOnTop = nullptr;  // the list's pop-up item "Stay on Top"

  bool AnyChecked() const;

  // ---- menu commands
  void File1Click();
  void New1Click();
  void Open1Click();
  // True when the list was written.
  bool Save1Click();
  bool SaveAs1Click();
  void N81Click(QAction* Item);
  void MacroHelp1Click();
  void StayOnTopClick();
  void PopupMenu1Popup();
  void ClearMenuClick(bool All);

  // ---- files
  // Writes the list to Name; false when the file could not be written (reported).
  bool SaveMacroFile(const std::string& Name);
  // Reads Name into the list; a damaged file raises Exception with the program's message and
  // leaves every macro as it was.
  void LoadMacroFile(const std::string& Name);
  void OpenDefaultMacroFile();

  // ---- sending and importing
  void SendToEditor(QObject* Sender);
  // Return false when the page refused a character or a line break (its cell limit).
  bool SendLines(QObject* Sender, const TFont& PadFont, int LastLine, int FirstLine, int X0, const TFont& SpaceFont);
  bool SendLinesPadded(QObject* Sender, const TFont& PadFont, int LastLine, int FirstLine, int X0,
                       const TFont& SpaceFont);
  void ImportSelection();
  static std::string BuildLineText(int Start, int End, const uint8_t* Codes, size_t CodeCount);

protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

private:
  bool FormCloseQuery();
  void FormClose();
  void SetFileCaption(const std::string& Name);
  bool SendRange(QObject* Sender, const TFont& PadFont, int LastLine, int FirstLine, int X0, const TFont& SpaceFont,
                 bool Padded);
  TMacroWindowHost& Host;
  bool Closing = false;
};

// The one macro window, or null.
extern TMacroText1* MacroText1;
// "McroFils.ini" in the program folder.
std::string MacroIniFileName();
// The open and save dialogs of the macro window ask this hook instead when it is set: it gets the
// dialog's title and starting folder and returns the chosen name, empty for Cancel.
extern std::function<std::string(bool Save, const std::string& Title, const std::string& Folder)> MacroFileDialogHook;

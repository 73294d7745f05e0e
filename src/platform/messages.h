// Every message box, typed message dialog and beep of the program goes through one service.
// The program installs the QMessageBox service (TQtMessageService); tests install a
// TMessageRecorder that answers from a script and keeps every call, so that exact texts can be
// asserted without a display.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// Kind of a typed message dialog.
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons of a typed message dialog, as a set of bits.
using TMsgDlgButtons = uint32_t;
constexpr TMsgDlgButtons mbYes = 1u << 0;
constexpr TMsgDlgButtons mbNo = 1u << 1;
constexpr TMsgDlgButtons mbOK = 1u << 2;
constexpr TMsgDlgButtons mbCancel = 1u << 3;
constexpr TMsgDlgButtons mbAbort = 1u << 4;
constexpr TMsgDlgButtons mbRetry = 1u << 5;
constexpr TMsgDlgButtons mbIgnore = 1u << 6;
constexpr TMsgDlgButtons mbAll = 1u << 7;
constexpr TMsgDlgButtons mbNoToAll = 1u << 8;
constexpr TMsgDlgButtons mbYesToAll = 1u << 9;
constexpr TMsgDlgButtons mbHelp = 1u << 10;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr TMsgDlgButtons mbYesAllNoAllCancel = mbYes | mbYesToAll | mbNo | mbNoToAll | mbCancel;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;
constexpr TMsgDlgButtons mbAbortRetryIgnore = mbAbort | mbRetry | mbIgnore;

// Modal results (the button pressed).
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

// Flags of a plain message box (buttons, icon, default button).
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_TYPEMASK = 0xF;
constexpr unsigned MB_ICONHAND = 0x10;
constexpr unsigned MB_ICONSTOP = 0x10;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONASTERISK = 0x40;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONMASK = 0xF0;
constexpr unsigned MB_DEFBUTTON1 = 0x000;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;
constexpr unsigned MB_DEFMASK = 0xF00;
constexpr unsigned MB_APPLMODAL = 0x0000;
constexpr unsigned MB_SYSTEMMODAL = 0x1000;
constexpr unsigned MB_TASKMODAL = 0x2000;
// Results of a plain message box.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Beep types (MessageBeep): 0 the default sound, 0xFFFFFFFF the simple beep, or an icon flag.
constexpr unsigned MB_SIMPLEBEEP = 0xFFFFFFFFu;

enum TMessageCallKind { mcShowMessage, mcMessageDlg, mcMessageBox, mcBeep };

// One call of the service, as the recorder keeps it.
struct TMessageCall {
  TMessageCallKind Kind = mcShowMessage;
  std::string Text;     // UTF-8
  std::string Caption;  // message boxes only
  TMsgDlgType DlgType = mtCustom;
  TMsgDlgButtons Buttons = 0;
  int HelpCtx = 0;
  unsigned Flags = 0;  // message box flags, or the beep type
  int Result = 0;      // the answer given
};

class TMessageService {
public:
  virtual ~TMessageService() = default;
  virtual void ShowMessage(const std::string& text) = 0;
  virtual TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx) = 0;
  // Returns IDOK, IDCANCEL, IDYES, ...
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
  virtual void Beep(unsigned type) = 0;
};

// The service in use: the installed one, else a TQtMessageService.
TMessageService& MessageService();
// Installs a service (not owned; null returns to the QMessageBox service). Returns the previous one.
TMessageService* SetMessageService(TMessageService* service);

// The program's calls.
void ShowMessage(const std::string& text);
TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx = 0);
int MessageBox(const std::string& text, const std::string& caption, unsigned flags = MB_OK);
void MessageBeep(unsigned type = 0);
// The application title used as the caption of ShowMessage boxes.
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();
// Called when the Help button of a typed dialog is pressed, with the dialog's help context.
extern std::function<void(int)> OnMessageHelp;

// The result of a typed dialog's default button (the first of Yes, OK, ... in the set), and of a
// message box's default button (from its MB_DEFBUTTONn flag).
TModalResult DefaultDlgResult(TMsgDlgButtons buttons);
int DefaultBoxResult(unsigned flags);

// QMessageBox for everything; a beep is QApplication::beep.
class TQtMessageService : public TMessageService {
public:
  void ShowMessage(const std::string& text) override;
  TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx) override;
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  void Beep(unsigned type) override;
};

// Keeps every call and answers from a script: the next queued answer, else the default answer
// when one is set (DefaultAnswer != 0), else the dialog's own default button. Install it with
// TMessageRecorderScope in tests.
class TMessageRecorder : public TMessageService {
public:
  void ShowMessage(const std::string& text) override;
  TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx) override;
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  void Beep(unsigned type) override;

  // Queue answers (mrYes, IDNO, ...) for the coming dialogs and boxes; beeps and ShowMessage
  // take none.
  void Answer(int result) { Answers.push_back(result); }
  std::deque<int> Answers;
  int DefaultAnswer = 0;

  std::vector<TMessageCall> Calls;
  // Calls other than beeps, and their texts.
  std::vector<TMessageCall> Messages() const;
  std::vector<std::string> Texts() const;
  int BeepCount() const;
  // The last call other than a beep (an empty call when there is none).
  TMessageCall Last() const;
  void Clear() { Calls.clear(); Answers.clear(); }

private:
  int NextAnswer(int fallback);
};

// Installs a recorder for the lifetime of the scope and puts the previous service back after.
class TMessageRecorderScope {
public:
  TMessageRecorderScope() : Previous(SetMessageService(&Recorder)) {}
  ~TMessageRecorderScope() { SetMessageService(Previous); }
  TMessageRecorderScope(const TMessageRecorderScope&) = delete;
  TMessageRecorderScope& operator=(const TMessageRecorderScope&) = delete;
  TMessageRecorder* operator->() { return &Recorder; }
  TMessageRecorder& operator*() { return Recorder; }
  TMessageRecorder Recorder;

private:
  TMessageService* Previous;
};

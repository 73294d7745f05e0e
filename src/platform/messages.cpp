#include "platform/messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
TMessageService* Installed = nullptr;

std::string& TitleStore() {
  static std::string title = "Korvalis V";
  return title;
}

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

struct TButtonInfo {
  TMsgDlgButtons Bit;
  const char* Caption;
  TModalResult Result;
  QMessageBox::ButtonRole Role;
};
// In the order the platform lays them out.
constexpr TButtonInfo kButtons[] = {
    {mbYes, "&Yes", mrYes, QMessageBox::YesRole},
    {mbNo, "&No", mrNo, QMessageBox::NoRole},
    {mbOK, "OK", mrOk, QMessageBox::AcceptRole},
    {mbCancel, "Cancel", mrCancel, QMessageBox::RejectRole},
    {mbAbort, "&Abort", mrAbort, QMessageBox::RejectRole},
    {mbRetry, "&Retry", mrRetry, QMessageBox::AcceptRole},
    {mbIgnore, "&Ignore", mrIgnore, QMessageBox::AcceptRole},
    {mbAll, "&All", mrAll, QMessageBox::AcceptRole},
    {mbNoToAll, "N&o to All", mrNoToAll, QMessageBox::NoRole},
    {mbYesToAll, "Yes to &All", mrYesToAll, QMessageBox::YesRole},
    {mbHelp, "&Help", mrNone, QMessageBox::HelpRole},
};

// The dialog's result when it is closed without a button (Escape or the close box).
TModalResult EscapeResult(TMsgDlgButtons buttons) {
  if (buttons & mbCancel) return mrCancel;
  if (buttons & mbNo) return mrNo;
  if (buttons & mbOK) return mrOk;
  return mrCancel;
}

// The buttons of a message box's MB_ type, with their results.
std::vector<std::pair<const char*, int>> BoxButtons(unsigned flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{"OK", IDOK}, {"Cancel", IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{"&Abort", IDABORT}, {"&Retry", IDRETRY}, {"&Ignore", IDIGNORE}};
    case MB_YESNOCANCEL: return {{"&Yes", IDYES}, {"&No", IDNO}, {"Cancel", IDCANCEL}};
    case MB_YESNO: return {{"&Yes", IDYES}, {"&No", IDNO}};
    case MB_RETRYCANCEL: return {{"&Retry", IDRETRY}, {"Cancel", IDCANCEL}};
    default: return {{"OK", IDOK}};
  }
}

QMessageBox::Icon BoxIcon(unsigned flags) {
  switch (flags & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

QWidget* DialogParent() {
  QWidget* w = QApplication::activeModalWidget();
  if (!w) w = QApplication::activeWindow();
  return w;
}
}  // namespace

TMessageService& MessageService() {
  static TQtMessageService qtService;
  return Installed ? *Installed : qtService;
}

TMessageService* SetMessageService(TMessageService* service) {
  TMessageService* previous = Installed;
  Installed = service;
  return previous;
}

void ShowMessage(const std::string& text) { MessageService().ShowMessage(text); }
TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx) {
  return MessageService().MessageDlg(text, type, buttons, helpCtx);
}
int MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  return MessageService().MessageBox(text, caption, flags);
}
void MessageBeep(unsigned type) { MessageService().Beep(type); }
void SetApplicationTitle(const std::string& title) { TitleStore() = title; }
const std::string& ApplicationTitle() { return TitleStore(); }

TModalResult DefaultDlgResult(TMsgDlgButtons buttons) {
  for (const auto& b : kButtons)
    if ((buttons & b.Bit) && b.Result != mrNone) return b.Result;
  return mrOk;
}

int DefaultBoxResult(unsigned flags) {
  const auto buttons = BoxButtons(flags);
  const size_t index = (flags & MB_DEFMASK) >> 8;
  return buttons[index < buttons.size() ? index : 0].second;
}

// ---- QMessageBox -------------------------------------------------------------------------------

void TQtMessageService::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, Q(ApplicationTitle()), Q(text), QMessageBox::NoButton, DialogParent());
  box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.exec();
}

TModalResult TQtMessageService::MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
                                           int helpCtx) {
  static const char* const captions[] = {"Warning", "Error", "Information", "Confirm", ""};
  static const QMessageBox::Icon icons[] = {QMessageBox::Warning, QMessageBox::Critical, QMessageBox::Information,
                                            QMessageBox::Question, QMessageBox::NoIcon};
  const QString caption = type == mtCustom ? Q(ApplicationTitle()) : QString::fromLatin1(captions[type]);
  QMessageBox box(icons[type], caption, Q(text), QMessageBox::NoButton, DialogParent());
  std::vector<std::pair<QAbstractButton*, TModalResult>> results;
  QAbstractButton* first = nullptr;
  for (const auto& b : kButtons) {
    if (!(buttons & b.Bit)) continue;
    QPushButton* button = box.addButton(QString::fromLatin1(b.Caption), b.Role);
    results.emplace_back(button, b.Result);
    if (!first && b.Result != mrNone) first = button;
  }
  if (results.empty()) results.emplace_back(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole), mrOk);
  if (first) box.setDefaultButton(static_cast<QPushButton*>(first));
  for (;;) {
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    int result = -1;
    for (const auto& [button, r] : results)
      if (button == clicked) result = r;
    if (result < 0) return EscapeResult(buttons);  // closed without a button
    if (result != mrNone) return result;
    // Help: open the help for the context and show the dialog again.
    if (OnMessageHelp) OnMessageHelp(helpCtx);
  }
}

int TQtMessageService::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  QMessageBox box(BoxIcon(flags), Q(caption.empty() ? ApplicationTitle() : caption), Q(text), QMessageBox::NoButton,
                  DialogParent());
  const auto buttons = BoxButtons(flags);
  std::vector<std::pair<QAbstractButton*, int>> results;
  for (const auto& [label, id] : buttons) {
    const auto role = id == IDCANCEL ? QMessageBox::RejectRole : id == IDNO ? QMessageBox::NoRole : QMessageBox::AcceptRole;
    results.emplace_back(box.addButton(QString::fromLatin1(label), role), id);
  }
  const size_t def = (flags & MB_DEFMASK) >> 8;
  box.setDefaultButton(static_cast<QPushButton*>(results[def < results.size() ? def : 0].first));
  box.exec();
  for (const auto& [button, id] : results)
    if (button == box.clickedButton()) return id;
  // Closed without a button: Cancel when there is one, else the only button.
  for (const auto& [label, id] : buttons)
    if (id == IDCANCEL) return IDCANCEL;
  return buttons.size() == 1 ? buttons[0].second : IDCANCEL;
}

void TQtMessageService::Beep(unsigned) { QApplication::beep(); }

std::function<void(int)> OnMessageHelp;

// ---- Recorder ----------------------------------------------------------------------------------

int TMessageRecorder::NextAnswer(int fallback) {
  if (!Answers.empty()) {
    const int a = Answers.front();
    Answers.pop_front();
    return a;
  }
  return DefaultAnswer != 0 ? DefaultAnswer : fallback;
}

void TMessageRecorder::ShowMessage(const std::string& text) {
  TMessageCall call;
  call.Kind = mcShowMessage;
  call.Text = text;
  call.Caption = ApplicationTitle();
  call.Buttons = mbOK;
  call.Result = mrOk;
  Calls.push_back(call);
}

TModalResult TMessageRecorder::MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
                                          int helpCtx) {
  TMessageCall call;
  call.Kind = mcMessageDlg;
  call.Text = text;
  call.DlgType = type;
  call.Buttons = buttons;
  call.HelpCtx = helpCtx;
  call.Result = NextAnswer(DefaultDlgResult(buttons));
  Calls.push_back(call);
  return call.Result;
}

int TMessageRecorder::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  TMessageCall call;
  call.Kind = mcMessageBox;
  call.Text = text;
  call.Caption = caption;
  call.Flags = flags;
  call.Result = NextAnswer(DefaultBoxResult(flags));
  Calls.push_back(call);
  return call.Result;
}

void TMessageRecorder::Beep(unsigned type) {
  TMessageCall call;
  call.Kind = mcBeep;
  call.Flags = type;
  Calls.push_back(call);
}

std::vector<TMessageCall> TMessageRecorder::Messages() const {
  std::vector<TMessageCall> out;
  for (const auto& c : Calls)
    if (c.Kind != mcBeep) out.push_back(c);
  return out;
}

std::vector<std::string> TMessageRecorder::Texts() const {
  std::vector<std::string> out;
  for (const auto& c : Calls)
    if (c.Kind != mcBeep) out.push_back(c.Text);
  return out;
}

int TMessageRecorder::BeepCount() const {
  int n = 0;
  for (const auto& c : Calls) n += c.Kind == mcBeep;
  return n;
}

TMessageCall TMessageRecorder::Last() const {
  for (auto it = Calls.rbegin(); it != Calls.rend(); ++it)
    if (it->Kind != mcBeep) return *it;
  return {};
}

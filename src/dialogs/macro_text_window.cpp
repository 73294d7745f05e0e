#include "dialogs/macro_text_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QShowEvent>

#include "codecs/compress.h"
#include "dialogs/form_placement.h"
#include "dialogs/help_viewer.h"
#include "dialogs/macro_line_controls.h"
#include "helpers/error_report.h"
#include "helpers/small_helpers.h"
#include "page/macro_list.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/guarded.h"
#include "platform/ini_file.h"
#include "platform/messages.h"
#include "platform/process_messages.h"
#include "platform/streams.h"
#include "text/text_page.h"

TMacroText1* MacroText1 = nullptr;
std::function<std::string(bool, const std::string&, const std::string&)> MacroFileDialogHook;

std::string MacroIniFileName() { return ProgramFile("McroFils.ini"); }

namespace {
const char* const FileCaption = "Macro Text  File: ";

std::string ProgramFolder() {
  std::string dir = UserDataDir();
  if (!dir.empty() && dir.back() == '/') dir.pop_back();
  return dir;
}

std::string MacroFolder() {
  TMemIniFile ini(MacroIniFileName());
  return ini.ReadString("MacroFileDir", "MacroFile_Dir", ProgramFolder());
}

void SetMacroFolder(const std::string& FileName) {
  TMemIniFile ini(MacroIniFileName());
  std::string dir = ExtractFilePath(FileName);
  if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  ini.WriteString("MacroFileDir", "MacroFile_Dir", dir);
  ini.UpdateFile();
}

std::string AskFileName(QWidget* parent, bool Save) {
  const std::string title = Save ? "Korvalis V Save: *.ZQM" : "Korvalis V - Open *.ZQM";
  const std::string folder = MacroFolder();
  std::string name;
  if (MacroFileDialogHook) {
    name = MacroFileDialogHook(Save, title, folder);
  } else if (Save) {
    name = QFileDialog::getSaveFileName(parent, QString::fromStdString(title),
                                        QString::fromStdString(folder + "/Untitled.zqm"), "ZQVWare Macro Text (*.zqm)")
               .toStdString();
  } else {
    name = QFileDialog::getOpenFileName(parent, QString::fromStdString(title), QString::fromStdString(folder),
                                        "Macro Text Files (*.zqm)", nullptr, QFileDialog::ReadOnly)
               .toStdString();
  }
  if (Save && !name.empty() && ExtractFileExt(ExtractFileName(name)).empty()) name += ".zqm";
  return name;
}

// The hourglass for the life of a scope.
struct THourglass {
  THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~THourglass() { QApplication::restoreOverrideCursor(); }
};

int CaretX(TTextPage& Page) { return Page.CharPositions[size_t(Page.CurrentI)].X; }
}  // namespace

TMacroText1::TMacroText1(TMacroWindowHost& Host, QWidget* parent) : QMainWindow(parent), Host(Host) {
  setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlag(Qt::Window);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  List = new TZQVCheckList(ListHolder);
  auto* layout = new QVBoxLayout(ListHolder);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(List);
  layout->addStretch();
  QAction** items = List->PopupItems.data();
  connect(items[4], &QAction::triggered, this, [this] { Guarded("TMacroText1.SendToEditor", [this] { SendToEditor(List); }); });
  connect(items[5], &QAction::triggered, this, [this] { Guarded("TMacroText1.ImportSelection", [this] { ImportSelection(); }); });
  StayOnTop = items[6];
  StayOnTop->setCheckable(true);
  StayOnTop->setChecked(true);
  connect(StayOnTop, &QAction::triggered, this, [this] { StayOnTopClick(); });
  connect(items[7], &QAction::triggered, this, [this] { ClearMenuClick(false); });
  connect(items[8], &QAction::triggered, this, [this] { ClearMenuClick(true); });
  List->OnLineDblClick = [this] { Guarded("TMacroText1.SendToEditor", [this] { SendToEditor(List); }); };
  connect(List->PopupMenu, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(); });

  connect(File1, &QMenu::aboutToShow, this, [this] { File1Click(); });
  connect(New1, &QAction::triggered, this, [this] { Guarded("TMacroText1.New1Click", [this] { New1Click(); }); });
  connect(Open1, &QAction::triggered, this, [this] { Guarded("TMacroText1.Open1Click", [this] { Open1Click(); }); });
  connect(Save1, &QAction::triggered, this, [this] { Guarded("TMacroText1.Save1Click", [this] { Save1Click(); }); });
  connect(SaveAs1, &QAction::triggered, this, [this] { Guarded("TMacroText1.SaveAs1Click", [this] { SaveAs1Click(); }); });
  connect(Close1, &QAction::triggered, this, [this] { close(); });
  connect(MacroHelp1, &QAction::triggered, this, [this] { MacroHelp1Click(); });
  QAction* reopen[8] = {N11, N21, N31, N41, N51, N61, N71, N81};
  TMemIniFile ini(MacroIniFileName());
  for (int i = 0; i < 8; ++i) {
    reopen[i]->setText(QString::fromStdString(ini.ReadString("RecentFiles", RecentFileKeys[i], "")));
    reopen[i]->setVisible(!reopen[i]->text().isEmpty());
    QAction* item = reopen[i];
    connect(item, &QAction::triggered, this, [this, item] { Guarded("TMacroText1.N81Click", [this, item] { N81Click(item); }); });
  }
  setWindowTitle("Korvalis V: Macro Text");
  MacroText1 = this;
}

TMacroText1::~TMacroText1() {
  if (MacroText1 == this) MacroText1 = nullptr;
}

bool TMacroText1::AnyChecked() const { return List && List->AnyChecked(); }

void TMacroText1::SetFileCaption(const std::string& Name) { setWindowTitle(QString::fromStdString(FileCaption + Name)); }

// ---- window events

void TMacroText1::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (e->spontaneous()) return;
  KeepFormOnScreen(this);
  {
    TMemIniFile ini(MacroIniFileName());
    UsePadding1->setChecked(ini.ReadBool("MacroText", "Use_Padding", false));
  }
  Modified = false;
  Guarded("TMacroText1.OpenDefaultMacroFile", [this] { OpenDefaultMacroFile(); });
  RestoreFormPlacement(this, ProgramFile("ChildFms.ini"));
}

void TMacroText1::resizeEvent(QResizeEvent* e) { QMainWindow::resizeEvent(e); }

void TMacroText1::closeEvent(QCloseEvent* e) {
  // No close while a file is read or written.
  if (Busy || (!Closing && !GuardedValue("TMacroText1.FormCloseQuery", false, [this] { return FormCloseQuery(); }))) {
    e->ignore();
    return;
  }
  Closing = true;
  FormClose();
  e->accept();
}

bool TMacroText1::FormCloseQuery() {
  if (!Modified && !List->Modified()) return true;
  const int answer = MessageDlg("Save changes", mtInformation, mbYes | mbNo | mbCancel, 130);
  if (answer == mrCancel) return false;
  // A save that was cancelled or failed keeps the window and its macros.
  if (answer == mrYes) return Save1Click();
  return true;
}

void TMacroText1::FormClose() {
  Host.MacroWindowClosed();
  try {
    TMemIniFile ini(MacroIniFileName());
    ini.WriteString("MacroText", "CurrentMacroFile", CurrentFile);
    ini.WriteBool("MacroText", "Use_Padding", UsePadding1->isChecked());
    ini.UpdateFile();
  } catch (const std::exception&) {
  }
  SaveFormPlacement(this, ProgramFile("ChildFms.ini"));
}

// ---- menu commands

void TMacroText1::File1Click() {
  Save1->setEnabled(!CurrentFile.empty());
  for (QAction* a : Reopen1->actions()) a->setVisible(!a->text().isEmpty());
}

void TMacroText1::New1Click() {
  if (!CurrentFile.empty() && Modified && MessageDlg("Save changes", mtInformation, mbYes | mbNo, 130) == mrYes)
    if (!Save1Click()) return;
  List->ClearAll();
  List->SetModified(false);
  Modified = false;
  CurrentFile.clear();
  setWindowTitle("Macro Text  File:");
}

void TMacroText1::Open1Click() {
  if (!CurrentFile.empty() && Modified) {
    if (MessageDlg("Save changes?", mtInformation, mbYes | mbNo, 130) == mrYes) Save1Click();
    return;
  }
  const std::string name = AskFileName(this, false);
  if (name.empty()) return;
  SetMacroFolder(name);
  try {
    LoadMacroFile(name);
    CurrentFile = name;
    Modified = false;
  } catch (const std::exception&) {
    ShowMessage(" A Problem occurred while trying to load the Macro Text file " + name + " , sorry :-(");
    return;
  }
  AddRecentFile(CurrentFile, MacroIniFileName(), Reopen1);
}

bool TMacroText1::Save1Click() {
  if (CurrentFile.empty()) return SaveAs1Click();
  return SaveMacroFile(CurrentFile);
}

bool TMacroText1::SaveAs1Click() {
  const std::string name = AskFileName(this, true);
  if (name.empty()) return false;
  SetMacroFolder(name);
  if (!SaveMacroFile(name)) return false;
  AddRecentFile(name, MacroIniFileName(), Reopen1);
  return true;
}

void TMacroText1::N81Click(QAction* Item) {
  const std::string name = Item->text().toStdString();
  if (name.empty() || !FileExists(name)) return;
  try {
    LoadMacroFile(name);
  } catch (const std::exception& e) {
    throw Exception("Unable to open " + name + ". Possible reason\r" + e.what() + " Please report this to\r" +
                    SupportAddress + " if the problem recurrs");
  }
  AddRecentFile(name, MacroIniFileName(), Reopen1);
}

void TMacroText1::MacroHelp1Click() { ShowHelpContext(130); }

void TMacroText1::StayOnTopClick() {
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, StayOnTop->isChecked());
  if (visible) show();
}

void TMacroText1::PopupMenu1Popup() {
  ProcessMessages();
  List->PopupItems[4]->setEnabled(List->AnyChecked());
  List->PopupItems[5]->setEnabled(Host.MacroPage().HasTextSelection());
}

void TMacroText1::ClearMenuClick(bool All) {
  if (All)
    List->ClearAll();
  else
    List->ClearLine(List->CurrentLine - 1);
  if (!CurrentFile.empty()) Modified = true;
}

// ---- files

bool TMacroText1::SaveMacroFile(const std::string& Name) {
  Busy = true;
  try {
    List->SyncToData();
    SaveMacroFileTo(Name, List->Data, Host.MacroCompress());
  } catch (const std::exception&) {
    Busy = false;
    MessageDlg("An Error occured while saving the text macros some of the records may not be saved, sorry :=(", mtError,
               mbOK, 0);
    return false;
  }
  Busy = false;
  Modified = false;
  List->SetModified(false);
  SetFileCaption(ExtractFileName(Name));
  CurrentFile = Name;
  return true;
}

void TMacroText1::LoadMacroFile(const std::string& Name) {
  THourglass hourglass;
  if (FileExists(Name) && !CopyFile(Name, ChangeFileExt(Name, ".bak"))) ShowMessage("Unable to create backup file. Sorry :-(");
  const std::vector<uint8_t> raw = ReadWholeFile(Name, int64_t(MaxMacroFileExpanded) * 2);
  Busy = true;
  List->SyncToData();
  const TMacroReadResult r = ReadMacroFileBytes(raw, Host.MacroCompress(), List->Data, Name);
  Busy = false;
  // A damaged file changes nothing: the macros, their file name and the flags stay.
  if (r.Status != TMacroReadStatus::Ok) throw Exception(r.Message);
  List->SyncFromData();
  List->SetModified(false);
  CurrentFile = Name;
  SetFileCaption(ExtractFileName(Name));
  Modified = false;
}

void TMacroText1::OpenDefaultMacroFile() {
  {
    TMemIniFile ini(MacroIniFileName());
    CurrentFile = ini.ReadString("MacroText", "CurrentMacroFile", "");
  }
  if (CurrentFile.empty()) CurrentFile = ProgramFile("Macros.zqm");
  if (FileExists(CurrentFile)) {
    LoadMacroFile(CurrentFile);
    return;
  }
  ShowMessage(
      "The default file for the Macro Text window is either missing or faulty. The default filename is Macros.zqm, this "
      "should be in the installation directory");
  const std::string name = AskFileName(this, false);
  if (name.empty()) return;
  SetMacroFolder(name);
  LoadMacroFile(name);
}

// ---- sending

void TMacroText1::SendToEditor(QObject* Sender) {
  TTextPage& page = Host.MacroPage();
  int first = -1, last = -1;
  if (List->AnyChecked()) {
    first = List->FirstChecked();
    last = List->LastChecked();
  } else if (List->CurrentLine >= 1 && List->CurrentLine <= List->LineCount()) {
    first = last = List->CurrentLine - 1;
  } else {
    return;  // no line to send
  }
  TFont pad(kZQVSerifFont, 12, 0, clNone, DEFAULT_CHARSET);
  TFont space(pad);
  space.Name = "Arial";
  Host.SetPageImageEnabled(false);
  THourglass hourglass;
  TTextHost* host = page.Host;
  const bool statusWas = host->MenuChecked(TextMenu::StatusBarEnabled1);
  host->SetMenuChecked(TextMenu::StatusBarEnabled1, false);
  struct TRestore {
    TMacroText1* W;
    TTextPage& Page;
    bool Status;
    ~TRestore() {
      Page.TextBurst = false;
      W->Host.SetPageImageEnabled(true);
      Page.Host->SetMenuChecked(TextMenu::StatusBarEnabled1, Status);
    }
  } restore{this, page, statusWas};
  ProcessMessages();
  host->PushTextUndo(Sender);
  page.TextBurst = true;
  const int x0 = CaretX(page);
  if (UsePadding1->isChecked()) SendLinesPadded(Sender, pad, last, first, x0, space);
  else SendLines(Sender, pad, last, first, x0, space);
  page.SetModified();
  Host.FocusPage();
}

bool TMacroText1::SendLines(QObject* Sender, const TFont& PadFont, int LastLine, int FirstLine, int X0,
                            const TFont& SpaceFont) {
  return SendRange(Sender, PadFont, LastLine, FirstLine, X0, SpaceFont, false);
}

bool TMacroText1::SendLinesPadded(QObject* Sender, const TFont& PadFont, int LastLine, int FirstLine, int X0,
                                  const TFont& SpaceFont) {
  return SendRange(Sender, PadFont, LastLine, FirstLine, X0, SpaceFont, true);
}

bool TMacroText1::SendRange(QObject* Sender, const TFont& PadFont, int LastLine, int FirstLine, int X0,
                            const TFont& SpaceFont, bool Padded) {
  TTextPage& page = Host.MacroPage();
  TCanvas* canvas = page.Host->PageCanvas();
  TFont font;
  // Every insertion stops the whole send when the page refuses it (its cell limit): the refusal
  // has given its message once, and nothing already on the page is touched.
  auto insert = [&](const TFont& f, int16_t offset, uint8_t ch) { return page.InsertChar(Sender, canvas, true, f, offset, ch); };
  // Inserts Ch in F while the caret, plus probeWidth, stays left of X0 (and the caret moves on).
  auto fill = [&](const TFont& f, uint8_t ch, int probeWidth) {
    while (probeWidth + CaretX(page) < X0) {
      const int before = CaretX(page);
      if (!insert(f, 0, ch)) return false;
      if (CaretX(page) <= before) break;
    }
    return true;
  };
  const bool range = LastLine > FirstLine;
  for (int i = FirstLine; i <= LastLine; ++i) {
    const TMacroLine& line = List->Data.Lines[size_t(i)];
    if (line.IsBlank()) continue;
    if (range && !List->IsChecked(i)) continue;
    const auto& chars = line.Buffer.Chars;
    int e = MacroChars - 1;
    while (e > 0 && chars[size_t(e)] == 0) --e;
    int k = 0;
    while (k <= e) {
      while (k < MacroChars && chars[size_t(k)] != 0) {
        RecordToFont(line.Buffer.Fonts[size_t(k)], font);
        if (!insert(font, line.Buffer.Offsets[size_t(k)], chars[size_t(k)])) return false;
        ++k;
      }
      if (k < e) {
        while (chars[size_t(k)] == 0) {
          if (Padded)
            page.CaretDown(Sender, 0);
          else if (!page.NewLine(Sender, 0, false))
            return false;
          ++k;
        }
      }
      if (k < e && CaretX(page) < X0) {
        if (!fill(PadFont, chTabMark, CellTextWidth(PadFont, chTabMark))) return false;
        if (!fill(SpaceFont, ' ', Padded ? CellTextWidth(PadFont, ' ') : 0)) return false;
      }
    }
    for (int s = 0; s < line.Spacing; ++s)
      if (!page.NewLine(Sender, 0, false)) return false;
    if (i != LastLine && CaretX(page) < X0)
      if (!fill(SpaceFont, ' ', 0)) return false;
  }
  return true;
}

// ---- importing

void TMacroText1::ImportSelection() {
  TTextPage& page = Host.MacroPage();
  if (page.SelStart >= page.SelEnd) return;
  // The selection goes into the line the user last touched; with none touched there is no line
  // to overwrite.
  if (List->CurrentLine < 1 || List->CurrentLine > List->LineCount()) return;
  if (page.SelEnd - page.SelStart > MacroChars) {
    const int answer =
        MessageDlg(std::string("The maximum number of characters fro macros is ") + "151" +
                       "\rThe application can truncate the selection if you wish or you can abort\rthe operation. "
                       "\rTruncate the selection?",
                   mtConfirmation, mbYes | mbAbort, 130);
    if (answer != mrYes) return;
    while (page.SelEnd - page.SelStart > MacroChars) {
      --page.SelEnd;
      page.UnhighlightChar(page.SelEnd);
    }
  }
  const int n = List->CurrentLine - 1;
  List->ClearLine(n);
  for (int c = page.SelStart; c < page.SelEnd; ++c) {
    const int pos = c - page.SelStart;
    List->SetChar(n, pos, page.CharCodes[size_t(c)]);
    if (page.CharFonts[size_t(c)]) List->SetCharFont(n, pos, *page.CharFonts[size_t(c)]);
    List->SetCharOffset(n, pos, int16_t(std::clamp<int32_t>(page.CharOffsets[size_t(c)], INT16_MIN, INT16_MAX)));
  }
  List->GetLine(n)->Edit->SetDescriptionBytes(
      BuildLineText(page.SelStart, page.SelEnd, page.CharCodes.data(), page.CharCodes.size()));
  if (!CurrentFile.empty()) Modified = true;
  // The list remembers the change, so that closing an untitled window asks before the macro goes.
  List->SetModified(true);
}

std::string TMacroText1::BuildLineText(int Start, int End, const uint8_t* Codes, size_t CodeCount) {
  return ::BuildLineText(Start, End, Codes, CodeCount);
}

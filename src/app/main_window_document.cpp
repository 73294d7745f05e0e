// Documents and undo: new page, clearing the page, the document name, the undo commands and the
// edit buttons' states.
#include "app/main_window.h"

#include <unistd.h>
#include <QApplication>
#include <algorithm>

#include "app/page_setup_dialog.h"
#include "cad/engine.h"
#include "codecs/gif_image.h"
#include "codecs/png_image.h"
#include "platform/exceptions.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/streams.h"
#include "text/text_glue.h"

void TForm1::WireDocumentCommands() {
  connect(New1, &QAction::triggered, this, [this] { NewFile(New1); });
  connect(_NewWorkSpace, &QToolButton::clicked, this, [this] { NewFile(_NewWorkSpace); });
}

void TForm1::NewFile(QObject* Sender) {
  (void)Sender;
  ClearTextBuffers();
  if (PageSetupDialog) PageSetupDialog->SetUpPage(nullptr, false, 1);
  ClearSelectionRect();
  FillCanvas();  // the empty page's text cells
  CurrentI = 1;
  ClearSelectionRange();
  Modified = false;
  FileModified = false;
  SetDocumentFileName("");
  RefreshAllImages(this, false);
  UpdateStyleButtons(this, false, 0);
}

void TForm1::ClearDocument(QObject*) {
  ClearTextBuffers();
  if (Figures) {
    Figures->FigureList.clear();
    Figures->ClearSelection();
  }
  PictureCount = 0;
  PasteCount = 0;
  ImageCount = 0;
}

void TForm1::SetDocumentFileName(const std::string& Name) {
  DocFileName = Name;
  setWindowTitle(QString::fromStdString(ProductCaption + ". File->" + DocFileName));
  SetApplicationTitle(DocFileName.empty() ? ProductCaption : ExtractFileName(DocFileName) + "-" + ProductCaption);
  QApplication::setApplicationDisplayName(QString::fromStdString(ApplicationTitle()));
}

bool TForm1::DocumentNeedsSave() { return !DocFileName.empty() && FileExists(DocFileName) && FileModified; }

bool TForm1::ConfirmOverwrite(const std::string& FileName, const std::string& Operation) {
  if (!FileExists(FileName)) return true;
  if (access(FileName.c_str(), W_OK) != 0) {
    ShowMessage("The file " + FileName + " is a read only file. Exiting " + Operation);
    return false;
  }
  if (MessageDlg("The File: " + FileName + " already exists. Overwrite?", mtWarning, mbYes | mbNo, 310) == mrYes)
    return true;
  ShowMessage("Exiting " + Operation);
  return false;
}

bool TForm1::ImageFileNameInUse(const std::string&) { return false; }

bool IsImageFileName(const std::string& FileName) {
  const std::string ext = UpperCase(ExtractFileExt(FileName));
  for (const auto& e : ImageExtensions)
    if (e == ext) return true;
  return false;
}

void TForm1::tbUndoClick(QObject*) {
  // Text snapshots are counted but not yet stored: nothing can be taken back.
  if (MainImage) SetCaretPosition(this, 0, 0);
}

void TForm1::Text1Click(QObject* Sender) { tbUndoClick(Sender); }

void TForm1::Pictures2Click(QObject* Sender) { tbUndoClick(Sender); }

void TForm1::Pastes2Click(QObject* Sender) { tbUndoClick(Sender); }

void TForm1::Shapes2Click(QObject* Sender) { tbUndoClick(Sender); }

void TForm1::UpdateEditButtons() {
  const bool rectValid = SelectionRect.Right > SelectionRect.Left && SelectionRect.Bottom > SelectionRect.Top;
  tbCopy->setEnabled(SelectionRectShown || HasTextSelection());
  tbCutText->setEnabled(HasTextSelection() ||
                        (SelectionRectShown && rectValid && Figures && Figures->Ready && Figures->HasSelection()));
  const bool paste = ClipboardHasPasteFormat();
  tbPaste->setEnabled(paste);
  Paste1->setEnabled(paste);
}

void TForm1::Print1Click(QObject*) {}

// Documents and undo: new page, clearing the page, the document name, the Undo menu's commands,
// the window services of the page part and the edit buttons' states.
#include "app/main_window.h"

#include "helpers/error_report.h"
#include "helpers/page_surface.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <algorithm>

#include "dialogs/page_setup_dialog.h"
#include "cad/engine.h"
#include "codecs/gif_image.h"
#include "codecs/png_image.h"
#include "dialogs/main_font_dialog.h"
#include "helpers/page_surface.h"
#include "platform/exceptions.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/streams.h"
#include "text/text_glue.h"

void TForm1::WireDocumentCommands() {
  WireFileCommands();
  // The undo store starts with the window.
  InitUndoFiles();
}

void TForm1::NewFile(QObject* Sender) {
  (void)Sender;
  // Every way to a new page replaces the engine: the window that works on it goes first.
  CloseTransformsWindow();
  const bool imageEnabled = MainImage && MainImage->isEnabled();
  if (MainImage) MainImage->setEnabled(false);
  struct TEnableAgain {
    TForm1& w;
    bool on;
    ~TEnableAgain() {
      if (w.MainImage) w.MainImage->setEnabled(on);
    }
  } enableAgain{*this, imageEnabled};
  // Each step is reported on its own and the next one still runs.
  auto step = [](const char* label, const std::function<void()>& f) {
    try {
      f();
    } catch (...) {
      ShowUnknownError(label);
    }
  };
  step("NewFile Figures.Clear", [this] {
    CreateCadEngine();
    Figures->SetLargeSnapArea(LargeSnapArea1->isChecked());
    Figures->AutoRefresh = AutoRefreshShapes1->isChecked();
    Figures->AutoFront = AutoBringtoFront1->isChecked();
    Figures->NonFilledOnly = NonFilledShapesOnly1->isChecked();
    Figures->WantTicks = WantTicks1->isChecked();
    Figures->Template->SetWantDimensions(On1->isChecked());
    Figures->ScanGrids = ScanGrids1->isChecked();
  });
  step("NewFile drawing defaults", [this] { LoadNewFileDrawingDefaults(); });
  // The user's main font and page defaults; the line spacing is the main font's.
  step("NewFile LoadUserDefaults", [] {
    if (MainFontDlg) MainFontDlg->LoadUserDefaults();
  });
  if (PageSetupDialog) PageSetupDialog->LoadPageDefaults();
  step("NewFile LineSpacing", [] {
    if (MainFontDlg) LineHeight = uint8_t(MainFontDlg->Line_Spacing->AsInteger());
  });
  step("NewFile ClearTextBuffers", [this] { ClearDocument(this); });
  PageDisabled = false;
  if (PageSetupDialog) PageSetupDialog->SetUpPage(nullptr, false, 1);
  ClearSelectionRect();
  if (QAction* lines = findChild<QAction*>("NoArrows1")) lines->setChecked(true);
  TickShapeGroups(findChild<QMenu*>("Lines1"));
  FillCanvas();  // the empty page's text cells
  PictureCount = 0;
  PasteCount = 0;
  CurrentI = 1;
  ClearSelectionRange();
  Modified = false;
  FileModified = false;
  tbUndo->setEnabled(false);
  SelectionRectShown = false;
  SetDocumentFileName("");
  ShowToolStatus();
  ResetUndo();
  RefreshAllImages(this, false);
  UpdateStyleButtons(this, false, 0);
}

void TForm1::ClearDocument(QObject*) {
  ClearTextBuffers();
  if (Figures) Figures->Clear();
  ClearPictures();
  Pastes = TPasteTable{};
  PasteCount = 0;
  ClearAllImages(this);
  ClearImageRecords();
  ClearPictureCache();
  IgnoredMissingFiles.clear();
  ReportedBadFiles.clear();
}

void TForm1::SetDocumentFileName(const std::string& Name) {
  DocFileName = Name;
  // The caption names the document once, as desktop programs show it: "<name> - Korvalis V", the
  // bare product caption when untitled. (The application's display name stays unset: the window
  // system would append it to every window's title, dialogs included.)
  setWindowTitle(QString::fromStdString(DocFileName.empty() ? ProductCaption
                                                            : ExtractFileName(DocFileName) + " - " + ProductCaption));
  SetApplicationTitle(DocFileName.empty() ? ProductCaption : ExtractFileName(DocFileName) + "-" + ProductCaption);
}

bool TForm1::DocumentNeedsSave() { return !DocFileName.empty() && FileExists(DocFileName) && FileModified; }

bool TForm1::ConfirmOverwrite(const std::string& FileName, const std::string& Operation) {
  if (!FileExists(FileName)) return true;
  // Read-only by its permission bits (not by the access test, which always passes for root).
  struct stat st {};
  if (stat(FileName.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    ShowMessage("The file " + FileName + " is a read only file. Exiting " + Operation);
    return false;
  }
  if (MessageDlg("The File: " + FileName + " already exists. Overwrite?", mtWarning, mbYes | mbNo, 310) == mrYes)
    return true;
  ShowMessage("Exiting " + Operation);
  return false;
}

bool TForm1::ImageFileNameInUse(const std::string& FileName) {
  for (int i = 0; i < ImageCount; ++i)
    if (SameText(ImageRecs[size_t(i)].Name(), FileName)) return true;
  for (int i = 0; i < PictureCount; ++i)
    if (SameText(Pictures[size_t(i)].Name(), FileName)) return true;
  return false;
}

bool IsImageFileName(const std::string& FileName) {
  const std::string ext = UpperCase(ExtractFileExt(FileName));
  for (const auto& e : ImageExtensions)
    if (e == ext) return true;
  return false;
}

// ---------------------------------------------------------------- Undo menu

void TForm1::UndoStreamFailed() {
  ShowMessage("A problem occured writing the undo operation. \rPlease wait while new files are created. Your undo "
              "operations will be lost. Sorry :-(.");
  const bool made = DeleteUndoFiles() && CreateUndoFiles();
  // An empty store: the Undo menu is usable again, the button waits for the next change.
  SetUndoMenuEnabled(made);
}

void TForm1::UndoText(QObject* Sender) {
  try {
    TPagePart::UndoText(Sender);
  } catch (const EStreamError&) {
    UndoStreamFailed();
  }
}

void TForm1::tbUndoClick(QObject* Sender) {
  if (FileBusy) return;
  // Outside the text tool only shape changes are taken back.
  try {
    UndoLast(Sender, !tbText->Down());
  } catch (const EStreamError&) {
    UndoStreamFailed();
  }
  if (MainImage && tbText->Down()) SetCaretPosition(this, 0, 0);
}

void TForm1::UndoLast1Click(QObject* Sender) { tbUndoClick(Sender); }

void TForm1::Text1Click(QObject* Sender) {
  if (FileBusy || TextUndoCount <= 0) return;
  UndoText(Sender);
  RemoveUndoKind(ukText);
}

void TForm1::Pictures2Click(QObject* Sender) {
  if (FileBusy || UndoState.PictureUndoCount <= 0) return;
  try {
    UndoPicture(Sender);
  } catch (const EStreamError&) {
    UndoStreamFailed();
    return;
  }
  RemoveUndoKind(ukPicture);
}

void TForm1::Pastes2Click(QObject* Sender) {
  if (FileBusy || UndoState.PasteUndoCount <= 0) return;
  try {
    UndoPaste(Sender);
  } catch (const EStreamError&) {
    UndoStreamFailed();
    return;
  }
  RemoveUndoKind(ukPaste);
}

void TForm1::PushShapeUndo(QObject*, int DepthBefore) {
  if (DepthBefore >= 0) {
    // Pushed after the operation: the entry takes the engine back to where it was before it.
    UndoState.ShapeDepthMark = DepthBefore;
    TPagePart::PushShapeUndo();
  } else if (Figures) {
    // Pushed before an operation: what the engine records from here on is the next entry, pushed
    // when the operation reports that it is done.
    UndoState.ShapeDepthMark = Figures->UndoDepth();
  }
}

void TForm1::UndoShape(QObject* Sender) {
  if (ShapeUndoCount(UndoState) <= 0) return;
  TPagePart::UndoShape();
  RemoveUndoKind(ukShape);
  RefreshAllImages(Sender, false);
}

void TForm1::Shapes2Click(QObject* Sender) {
  if (FileBusy || ShapeUndoCount(UndoState) <= 0) return;
  TPagePart::UndoShape();
  RemoveUndoKind(ukShape);
  RefreshAllImages(Sender, false);
}


// ---------------------------------------------------------------- window services of the page part

void TForm1::SetUndoItemsEnabled(TUndoKind Kind, bool Enabled) {
  switch (Kind) {
    case ukText:
      Text1->setEnabled(Enabled), Text2->setEnabled(Enabled);
      break;
    case ukPicture:
      Pictures2->setEnabled(Enabled), Pictures3->setEnabled(Enabled);
      break;
    case ukPaste:
      Pastes2->setEnabled(Enabled), Pastes3->setEnabled(Enabled);
      break;
    case ukShape:
      Shapes2->setEnabled(Enabled), Shapes3->setEnabled(Enabled);
      break;
    case ukImageObject:
      break;  // taken back through Undo > Last and the undo button only
  }
}

void TForm1::SetUndoMenuEnabled(bool Enabled) {
  Undo1->setEnabled(Enabled);
  tbUndo->setEnabled(Enabled && UndoState.UndoKindCount > 0);
}

void TForm1::SaveBeforeUndoReset(QObject*) { _SaveClick(_Save); }

TBitmap* TForm1::PageBackBuffer() { return PageBuffer; }

void TForm1::RedrawSelectionBand() {
  const bool valid = SelectionRect.Right > SelectionRect.Left && SelectionRect.Bottom > SelectionRect.Top;
  if (SelectionRectShown && valid && MainImage)
    DrawDragRect(MainImage->Canvas(), false, TPoint(SelectionRect.Left, SelectionRect.Top),
                 TPoint(SelectionRect.Right, SelectionRect.Bottom));
}

void TForm1::UpdateEditButtons() {
  const bool rectValid = SelectionRect.Right > SelectionRect.Left && SelectionRect.Bottom > SelectionRect.Top;
  tbCopy->setEnabled(SelectionRectShown || HasTextSelection());
  tbCutText->setEnabled(HasTextSelection() ||
                        (SelectionRectShown && rectValid && Figures && Figures->Ready && Figures->HasSelection()));
  const bool paste = ClipboardHasPasteFormat();
  tbPaste->setEnabled(paste);
  Paste1->setEnabled(paste);
}


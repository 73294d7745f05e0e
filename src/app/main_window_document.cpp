// Documents and undo: new page, clearing the page, the document name, the undo commands and the
// edit buttons' states.
#include "app/main_window.h"

#include "helpers/error_report.h"
#include "helpers/page_surface.h"

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
  connect(tbUndo, &QToolButton::clicked, this, [this] { tbUndoClick(tbUndo); });
  connect(UndoLast1, &QAction::triggered, this, [this] { tbUndoClick(UndoLast1); });
  connect(Undo_, &QAction::triggered, this, [this] { tbUndoClick(Undo_); });
  connect(Shapes2, &QAction::triggered, this, [this] { Shapes2Click(Shapes2); });
  connect(Shapes3, &QAction::triggered, this, [this] { Shapes2Click(Shapes3); });
  for (QAction* a : {Shapes2, Shapes3}) a->setEnabled(false);
  tbUndo->setEnabled(false);
}

void TForm1::NewFile(QObject* Sender) {
  (void)Sender;
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
    ShapeEntryDepths.clear();
  });
  if (PageSetupDialog) PageSetupDialog->LoadPageDefaults();
  step("NewFile ClearTextBuffers", [this] { ClearTextBuffers(); });
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
  RefreshAllImages(this, false);
  UpdateStyleButtons(this, false, 0);
}

void TForm1::ClearDocument(QObject*) {
  ClearTextBuffers();
  if (Figures) {
    Figures->Clear();
    ShapeEntryDepths.clear();
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

void TForm1::PushShapeUndo(QObject*, int DepthBefore) {
  if (!Figures) return;
  ShapeEntryDepths.push_back(DepthBefore >= 0 ? DepthBefore : Figures->UndoDepth());
  tbUndo->setEnabled(true);
  Shapes2->setEnabled(true);
  Shapes3->setEnabled(true);
}

void TForm1::UndoShapeEntry() {
  if (!Figures || ShapeEntryDepths.empty()) return;
  const int target = ShapeEntryDepths.back();
  ShapeEntryDepths.pop_back();
  while (Figures->UndoDepth() > target)
    if (!Figures->Undo()) break;
  if (ShapeEntryDepths.empty()) {
    Shapes2->setEnabled(false);
    Shapes3->setEnabled(false);
  }
  RefreshAllImages(this, false);
}

void TForm1::tbUndoClick(QObject*) {
  // Only shape changes are kept for undo so far.
  UndoShapeEntry();
  tbUndo->setEnabled(!ShapeEntryDepths.empty());
  if (MainImage) SetCaretPosition(this, 0, 0);
}

void TForm1::Text1Click(QObject*) {}

void TForm1::Pictures2Click(QObject*) {}

void TForm1::Pastes2Click(QObject*) {}

void TForm1::Shapes2Click(QObject*) {
  while (!ShapeEntryDepths.empty()) UndoShapeEntry();
  tbUndo->setEnabled(false);
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

void TForm1::Print1Click(QObject*) {}

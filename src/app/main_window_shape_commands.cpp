// The Edit menu's Shapes submenu and its twins in the shape pop-up menu, File > Clear Shapes, the
// shapes-file commands (write the selected figures to a ".zqs" file, add a file's figures to the
// drawing), the Undo menu's states and the undo button's hint.
#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

#include "app/main_window.h"
#include "app/shape_change.h"
#include "app/main_window_menu_items.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/app_dir.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/process_messages.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"

namespace {
bool SelectionRectValid() { return SelectionRect.Right > SelectionRect.Left && SelectionRect.Bottom > SelectionRect.Top; }

// The hourglass for the length of a command, also when it fails.
struct TBusyCursor {
  TBusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ProcessMessages();
  }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
};

// The folder of the last shapes file saved or loaded, with its separator; Default when none.
std::string ShapesFolder(const std::string& Default) {
  TZQVIniFile ini(PageIniName);
  std::string folder = ini.ReadString("General", "Shapes_Directory", Default);
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

void RememberShapesFolder(const std::string& FileName) {
  TZQVIniFile ini(PageIniName);
  std::string folder = ExtractFilePath(FileName);
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  ini.WriteString("General", "Shapes_Directory", folder);
  ini.UpdateFile();
}

// The shapes file dialog, or the tests' answer to it.
std::string AskShapesFile(QWidget* Parent, const std::string& Title, const std::string& Folder, bool Save) {
  if (DocumentDialogHook) return DocumentDialogHook(Title, Folder);
  const QString folder = QString::fromStdString(Folder);
  QString name = Save ? QFileDialog::getSaveFileName(Parent, QString::fromStdString(Title), folder + "Untitled.zqs",
                                                     "ZQVWare Shapes (*.zqs)")
                      : QFileDialog::getOpenFileName(Parent, QString::fromStdString(Title), folder, "ZQVWare Shapes(*.zqs)");
  if (Save && !name.isEmpty() && QFileInfo(name).suffix().isEmpty()) name += ".zqs";
  return name.toStdString();
}

// The undo button's hint names what Undo would take back, each time the pointer comes to it.
class TUndoHintFilter : public QObject {
public:
  explicit TUndoHintFilter(TForm1* Form) : QObject(Form), F(Form) {}
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() == QEvent::Enter || Event->type() == QEvent::MouseMove || Event->type() == QEvent::ToolTip)
      static_cast<QWidget*>(Watched)->setToolTip(QString::fromStdString(F->UndoButtonHint()));
    return false;
  }
  TForm1* F;
};

void ReservedNameMessage(const std::string& FileName) {
  ShowMessage("The file " + FileName + " is reserved for defaults." + "\r" + "Exiting save shapes");
}
}  // namespace

void TForm1::WireShapeCommands() {
  auto command = [this](QMenu* menu, const char* name, const char* caption) {
    QAction* a = FindOrAddMenuItem(*this, menu, name, caption);
    if (menu && !menu->actions().contains(a)) menu->addAction(a);
    return a;
  };
  // Edit > Shapes, in menu order; the cut and the paste items are the page clipboard's commands.
  EditShapes1 = _Edit->addMenu("S&hapes");
  EditShapes1->setObjectName("EditShapes1");
  connect(EditShapes1, &QMenu::aboutToShow, this, [this] { Guarded("EditShapes1Click", [this] { EditShapes1Click(); }); });
  if (QAction* cut = findChild<QAction*>("CutSelectedShapes1")) {
    cut->setText("Cu&t Selected Shapes");
    EditShapes1->addAction(cut);
  }
  command(EditShapes1, "CopySelectedFigures2", "&Copy Selected Shapes");
  command(EditShapes1, "PasteShapes1", "P&aste Shapes");
  command(EditShapes1, "PasteCutFiguresAtCaret2", "&Paste Cut  Shapes At Caret");
  command(EditShapes1, "DeleteLastSelectedShape1", "&Delete Last Selected Shape");
  command(EditShapes1, "DeleteSelectedShapes2", "Delete Selected Shapes");
  command(EditShapes1, "RemoveSelectedShapes2", "Remove Selected Shapes");
  command(EditShapes1, "BringLastShapetoFront1", "&Bring Last Shape to Front");
  command(EditShapes1, "SendLastShapetoBack1", "&Send Last Shape to Back");
  command(EditShapes1, "AddNode1", "Add &Node");
  command(EditShapes1, "DeleteNode1", "D&elete Node");
  command(EditShapes1, "Transforms3", "T&ransforms");
  command(EditShapes1, "ConverttoMultiline2", "Con&vert to Multiline");
  // The shape pop-up's twins.
  PopupMenu2->addSeparator();
  command(PopupMenu2, "CopySelectedFigures1", "Copy Selected Shapes");
  command(PopupMenu2, "DeleteSelectedShapes1", "Delete Selected Shapes");
  command(PopupMenu2, "RemoveSelectedShapes1", "Remove Selected Shapes");
  command(PopupMenu2, "BringShapestoFront1", "Bring to Front");
  command(PopupMenu2, "SendShapestoBack1", "Send to Back");
  command(PopupMenu2, "Transforms2", "Transforms");
  command(PopupMenu2, "ConverttoMultiline1", "Convert to Multiline");
  QMenu* saveAs = findChild<QMenu*>("SaveSelectionAs1");
  if (!saveAs) {
    saveAs = PopupMenu2->addMenu("Save Selection As");
    saveAs->setObjectName("SaveSelectionAs1");
  }
  command(saveAs, "zqs1", "*.zqs shapes");
  // File: the shapes file commands and Clear Shapes.
  // File: the shapes file commands and Clear Shapes, in a group of their own above Exit.
  QAction* exitSeparator = _File->insertSeparator(Exit1);
  for (QAction* a : {command(nullptr, "Savezqsshapes1", "Save *.zqs shapes"), command(nullptr, "LoadShapes1", "Load S&hapes"),
                     command(nullptr, "ClearShapes1", "Clear S&hapes")})
    _File->insertAction(exitSeparator, a);
  // The Undo menu's states, and the undo button's hint.
  connect(Undo1, &QMenu::aboutToShow, this, [this] { Undo1Click(); });
  if (QMenu* popupUndo = findChild<QMenu*>("UndoPopup1")) connect(popupUndo, &QMenu::aboutToShow, this, [this] { Undo1Click(); });
  tbUndo->installEventFilter(new TUndoHintFilter(this));
}

void TForm1::EditShapes1Click() {
  const bool v = SelectionRectValid();
  const int n = Figures ? Figures->Count() : 0;
  const int l = Figures ? Figures->LastSelectedIndex() : -1;
  const bool shapes = ClipboardHasShapes(true);
  auto item = [this](const char* name) { return findChild<QAction*>(name); };
  auto enable = [&](const char* name, bool on) {
    if (QAction* a = item(name)) a->setEnabled(on);
  };
  enable("PasteCutFiguresAtCaret2", shapes);
  enable("PasteShapes1", shapes);
  enable("Savezqsshapes1", v);
  ClearCurrentFigure();
  const bool some = v && n > 0;
  for (const char* name : {"Transforms3", "CopySelectedFigures2", "CutSelectedShapes1", "DeleteSelectedShapes2",
                           "RemoveSelectedShapes2"})
    enable(name, some);
  enable("BringLastShapetoFront1", n > 1 && l != n - 1);
  enable("SendLastShapetoBack1", n > 1 && l != 0);
  enable("DeleteLastSelectedShape1", l >= 0 && l <= n - 1);
  enable("ConverttoMultiline2", Figures && Figures->HasSelection());
  bool addNode = false, deleteNode = false;
  if (Figures && l >= 0 && l < n) {
    const TRealFig& f = *Figures->GetFigure(l);
    const bool multi = MultiNodeKinds.Has(f.Kind);
    addNode = multi && NodeCount > f.NodeCountUsed + 1;
    deleteNode = multi && f.NodeCountUsed >= 4;
  }
  enable("AddNode1", addNode);
  enable("DeleteNode1", deleteNode);
  QAction* shortMenus = item("ShortMenus1");
  const bool full = !(shortMenus && shortMenus->isChecked());
  for (const char* name : {"CutSelectedShapes1", "CopySelectedFigures2", "PasteShapes1", "PasteCutFiguresAtCaret2",
                           "DeleteLastSelectedShape1", "DeleteSelectedShapes1", "RemoveSelectedShapes1", "AddNode1",
                           "DeleteNode1", "Transforms3", "ConverttoMultiline2"})
    if (QAction* a = item(name)) a->setVisible(full);
}

void TForm1::CopySelectedFigures1Click(QObject*) {
  TBusyCursor busy;
  if (Figures && !SelectionRect.IsEmpty()) Figures->CopySelected(SelectionRect);
}

void TForm1::DeleteLastSelectedItem1Click(QObject* Sender) {
  if (!Figures || Figures->Count() == 0) return;
  DeleteKey(Sender, TShiftState{});
  DeleteUndoTaken = false;
}

void TForm1::DeleteSelectedShapes1Click(QObject* Sender) {
  if (!Figures || !SelectionRectValid() || Figures->Count() == 0) return;
  TBusyCursor busy;
  // "Remove" takes the figures out for good; "Delete" keeps them for shape undo.
  const bool keep = !(Sender && Sender->objectName().startsWith("RemoveSelectedShapes"));
  {
    TShapeChange change(*this, Sender);
    Figures->SelectInRect(SelectionRect);
    Figures->DeleteSelected(keep);
    // A removal keeps no undo entry but still changes the document.
    if (!keep) SetDocumentModified();
  }
  RefreshAllImages(Sender, false);
}

void TForm1::BringLastShapetoFront1Click(QObject* Sender) { RestackLastShape(Sender, true); }

void TForm1::SendLastShapetoBack1Click(QObject* Sender) { RestackLastShape(Sender, false); }

void TForm1::RestackLastShape(QObject* Sender, bool ToFront) {
  if (!Figures) return;
  {
    TShapeChange change(*this, Sender);
    const int last = Figures->LastSelectedIndex();
    if (last >= 0 && last < Figures->Count()) {
      if (ToFront) Figures->BringToFront(last);
      else Figures->SendToBack(last);
    }
    Figures->Selection.clear();
  }
  RefreshAllImages(Sender, false);
}

void TForm1::SendtoBack2Click(QObject* Sender) {
  if (!Figures) return;
  {
    TShapeChange change(*this, Sender);
    const bool back = Sender && Sender->objectName() == "SendShapestoBack1";
    Figures->SelectionToFrontOrBack(back ? 1 : 0);
  }
  SelectionRect = TRect();
  SelectionRectShown = false;
  RefreshAllImages(Sender, false);
}

void TForm1::ConverttoMultiline1Click(QObject* Sender) {
  if (!Figures || !Figures->HasSelection() || Figures->Count() == 0) return;
  {
    TShapeChange change(*this, Sender);
    Figures->ConvertSelectedToMultiline();
  }
  RefreshAllImages(Sender, false);
}

void TForm1::ClearShapes1Click(QObject* Sender) {
  if (!Figures) return;
  {
    TBusyCursor busy;
    // Every figure goes to the backup file first, so a Clear by mistake can be loaded back.
    try {
      // The shapes-file layout under the backup's own name (the engine's file writer would
      // give it the ".zqs" extension).
      TMemoryStream backup;
      Figures->SaveToStream(backup);
      WriteFileAtomically(ProgramFile("Shapes Backup.bak"), backup.Memory(), backup.Data.size());
    } catch (const std::exception& e) {
      ShowMessage(std::string("The shapes could not be backed up, nothing was cleared.\r") + e.what());
      return;
    }
    Figures->Clear();
    // The engine's undo went with the figures: so do the page's shape entries.
    while (!UndoState.ShapeDepths.empty()) {
      UndoState.ShapeDepths.pop_back();
      RemoveUndoKind(ukShape);
    }
    UndoState.ShapeDepthMark = Figures->UndoDepth();
    SetUndoItemsEnabled(ukShape, false);
  }
  RefreshAllImages(Sender, false);
}

void TForm1::Undo1Click() {
  const bool shapes = Figures && Figures->UndoDepth() > 0 && ShapeUndoCount(UndoState) > 0;
  for (QAction* a : {Shapes2, Shapes3}) a->setEnabled(shapes);
  UndoLast1->setEnabled(UndoState.UndoKindCount >= 1);
}

std::string TForm1::UndoButtonHint() const {
  if (UndoState.UndoKindCount < 1) return "Nothing to Undo";
  static const char* const names[] = {"", "Text", "Pictures", "Paste", "Shapes", "Image Object"};
  const int kind = UndoState.UndoKinds[size_t(UndoState.UndoKindCount - 1)];
  return std::string("Undo ") + (kind >= 1 && kind <= 5 ? names[kind] : "") + " operation";
}

void TForm1::zqs1Click(QObject*) {
  std::string name;
  try {
    // Without a selection there is nothing to write: say so before a file name is asked for.
    if (!Figures || Figures->ValidSelection().empty()) {
      ShowMessage("Nothing Selected");
      return;
    }
    name = AskShapesFile(this, "Save *.zqs shapes", ShapesFolder(UserDataDir()), true);
    if (name.empty()) return;
    if (IsDefaultsShapesFile(name)) {
      ReservedNameMessage(name);
      return;
    }
    if (Figures) Figures->SaveSelectedShapesFile(name);
    RememberShapesFolder(name);
  } catch (...) {
    ShowUnknownError("zqs1Click");
  }
}

void TForm1::LoadShapes1Click(QObject* Sender) {
  std::string name;
  bool loaded = false;
  try {
    name = AskShapesFile(this, "Load Shapes", ShapesFolder(UserDataDir() + "Macro Images/Logic"), false);
    if (name.empty()) return;
    if (!FileExists(name)) {
      ShowMessage("The file " + name + " does not appear to exist");
      return;
    }
    if (IsDefaultsShapesFile(name)) {
      ReservedNameMessage(name);
      return;
    }
    if (!Figures) return;
    loaded = true;
    TShapeChange change(*this, Sender);
    Figures->LoadShapesFile(name, true);
    RememberShapesFolder(name);
  } catch (...) {
    ShowUnknownError("LoadShapes1Click");
  }
  if (!loaded) return;
  if (AlwaysRefresh1->isChecked() || !MainImage) {
    RefreshAllImages(Sender, false);
  } else {
    RedrawShapes(MainImage->Canvas());
    RefreshText(&MainImage->Canvas(), 1.0, 1.0, false, 1);  // the text stays above the figures
    MainImage->update();
  }
}

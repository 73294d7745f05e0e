// The main window's side of the macros and of the editing windows that act on the page: the macro
// text window (opening it, Paste Macro, sending the selection into it), the selection offset
// dialog, Paste Special and the object editor.
#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QFileDialog>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>


#include "app/main_window.h"
#include "app/window_hosts.h"
#include "cad/engine.h"
#include "codecs/compress.h"
#include "dialogs/macro_text_window.h"
#include "dialogs/object_editor.h"
#include "dialogs/paste_special_dialog.h"
#include "dialogs/selection_offset_dialog.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "page/image_objects.h"
#include "platform/clipboard_formats.h"
#include "platform/exceptions.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/metafile.h"
#include "platform/process_messages.h"
#include "platform/streams.h"


void TForm1::SetSelectionOffset1Click() {
  // Whatever the dialog does, the typing font is put back as it was.
  const TMyFont saved = *TypingFont;
  {
    TSetSelectionOffset dialog(*this, this);
    dialog.exec();
  }
  *TypingFont = saved;
}

void TForm1::WriteMacros1Click(QObject*) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (MainImage) MainImage->setEnabled(false);
  if (!MacroText1) {
    auto* w = new TMacroText1(Hosts(), this);
    w->show();
  } else if (MacroText1->isMinimized()) {
    MacroText1->showNormal();
  }
  ProcessMessages();
  QApplication::restoreOverrideCursor();
  if (MainImage) MainImage->setEnabled(true);
  SetButtonDown(TextButton::tbText, true);
  tbTextClick(tbText);
}

void TForm1::PasteMacro1Click(QObject* Sender) {
  if (MacroText1 && MacroText1->isVisible()) MacroText1->SendToEditor(Sender);
  SetCaretPosition(this, 0, 0);
}

void TForm1::PasteSpecial1Click(QObject*) {
  if (!PasteSpecialDlg) new TPasteSpecialDlg(Hosts(), this);
  if (SelectionRectShown) EraseSelectionRect();
  SelectionRect = TRect();
  PasteSpecialDlg->show();
  PasteSpecialDlg->raise();
}

void TForm1::ObjectEditor1Click(QObject*) {
  TObjectEditor* editor = ObjectEditor ? ObjectEditor : new TObjectEditor(Hosts(), this);
  if (editor->exec() == QDialog::Accepted) RefreshAllImages(this, false);
}

std::string TForm1::ChoosePictureFile(const std::string& Start) {
  if (PictureDialogHook) {
    int filterIndex = 1;
    return PictureDialogHook("Open", ExtractFilePath(Start), "All files|*", filterIndex);
  }
  return QFileDialog::getOpenFileName(this, "Open", QString::fromStdString(Start)).toStdString();
}

void TForm1::PasteClipboardPicture(bool Metafile) {
  // The picture on the clipboard becomes an image object at the caret, as the general Paste makes it.
  PasteImageObject(this, Metafile ? CF_ENHMETAFILE : CF_BITMAP);
}

void TForm1::WireMacroCommands() {
  QAction* macros = findChild<QAction*>("WriteMacros2");
  if (!macros) {
    macros = new QAction("&Macro Text Window", this);
    macros->setObjectName("WriteMacros2");
    Setup1->addAction(macros);
  }
  // The toolbar's macro button, after the drawing tools; its glyph is number 30.
  auto* button = findChild<TZQVSpeedButton*>("WriteMacros1");
  if (!button) {
    button = new TZQVSpeedButton(ToolBar4);
    button->setObjectName("WriteMacros1");
    button->setText("Macros");
    button->setToolTip("Macro Text Window");
    button->Tag = 29;
    button->SetGroupIndex(2);
    button->AllowAllUp = true;
    if (auto* row = qobject_cast<QBoxLayout*>(ToolBar4->layout())) row->insertWidget(row->indexOf(tbPenMode) + 1, button);
  }

  QAction* pasteMacro = findChild<QAction*>("PasteMacro1");
  if (!pasteMacro) {
    pasteMacro = new QAction("Paste &Macro", this);
    pasteMacro->setObjectName("PasteMacro1");
    _Edit->insertAction(PasteImageatCaret1, pasteMacro);
  }

  QAction* editor = findChild<QAction*>("ObjectEditor1");
  if (!editor) {
    editor = new QAction("O&bject Editor", this);
    editor->setObjectName("ObjectEditor1");
    _Edit->addAction(editor);
  }
}

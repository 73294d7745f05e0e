// Ending a document and ending the run: File > New, the close questions about unsaved work and
// the application defaults, and what the window writes and releases when it closes.
#include <QCloseEvent>
#include <algorithm>
#include <functional>

#include "app/main_window.h"
#include "dialogs/page_setup_dialog.h"
#include "cad/engine.h"
#include "dialogs/form_placement.h"
#include "dialogs/transforms_window.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "platform/app_dir.h"
#include "platform/streams.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/zqv_ini_file.h"

void TForm1::Exit1Click() { close(); }

bool TForm1::FormCloseQuery(QObject* Sender) {
  const std::string prompt =
      !DocFileName.empty() ? "Save changes to " + DocFileName + " ?" : std::string("Save Changes to untitled ?");
  if (DocumentNeedsSave() || Modified) {
    switch (MessageDlg(prompt, mtConfirmation, mbYes | mbNo | mbCancel, 310)) {
      case mrYes:
        // A save the user abandoned or that failed keeps the window open: the work is not lost.
        if (!_SaveClick(Sender)) return false;
        break;
      case mrNo:
        break;
      default:
        return false;
    }
  }
  // The open document goes first in the recent files.
  if (!DocFileName.empty() && FirstFile->text().toStdString() != DocFileName) {
    try {
      TZQVIniFile ini(PageIniName);
      ini.WriteString("RecentFiles", "FirstFile", DocFileName);
      ini.UpdateFile();
    } catch (const Exception& e) {
      ShowMessage("Unable to write the recent files: " + e.Message);
    }
  }
  switch (MessageDlg("Do you want to save changes to application defaults", mtConfirmation,
                     mbYes | mbNo | mbCancel | mbHelp, 1350)) {
    case mrYes:
      SaveApplicationDefaults();
      return true;
    case mrNo:
      return true;
    default:
      return false;
  }
}

void TForm1::FormClose() {
  if (Closed) return;
  Closed = true;
  try {
    TZQVIniFile ini(AppDir() + "InstData.ini");
    ini.WriteBool("", "Run_Once", true);
    ini.UpdateFile();
  } catch (const Exception&) {
    // The installer's flag only: the close goes on.
  }
  // The option ticks, the engine options and the window's placement are kept for the next run. A
  // failure is told (the next run would start with older settings) and the close goes on.
  const auto step = [](const char* label, const std::function<void()>& f) {
    try {
      f();
    } catch (const std::exception& e) {
      ShowMessage(std::string(label) + "\r" + e.what());
    }
  };
  step("Unable to save the drawing options.", [this] { SaveCadSettings(); });
  step("Unable to save the window's position.", [this] { SaveFormPlacement(this, AppDir() + "ChildFms.ini"); });
  FreeFonts();
}

void TForm1::FreeFonts() {
  HideTextCaret();
  if (MainImage) MainImage->setEnabled(false);
  if (Figures) {
    delete Figures;
    Figures = nullptr;
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!CloseQueryAnswered && !FormCloseQuery(this)) {
    event->ignore();
    return;
  }
  FormClose();
  QMainWindow::closeEvent(event);
}

void TForm1::CloseTransformsWindow() {
  if (!TransformShapes1) return;
  if (TransformShapes1->isVisible()) TransformShapes1->close();
  // Gone at once (not at the next turn of the event loop): it holds the engine New frees.
  delete TransformShapes1;
}

void TForm1::_NewWorkSpaceClick(QObject* Sender) {
  CloseTransformsWindow();
  try {
    const std::string prompt =
        !DocFileName.empty() ? DocFileName + " has changed. Save  ??" : std::string("Save Untitled ?");
    if (DocumentNeedsSave() || Modified) {
      switch (MessageDlg(prompt, mtConfirmation, mbYes | mbNo | mbCancel, 310)) {
        case mrYes: {
          const bool saved = !DocFileName.empty() && FileExists(DocFileName) ? SaveFile(Sender, DocFileName)
                                                                             : _SaveClick(Sender);
          // The page is emptied only once its work is safe.
          if (saved) NewFile(Sender);
          break;
        }
        case mrNo:
          NewFile(Sender);
          break;
        default:
          break;
      }
    } else {
      NewFile(Sender);
    }
  } catch (...) {
    ShowMessage("A problem has occured while attempting to create a new page. \rYou may try again. If this problem "
                "persists please contact \rsupport@zqvware.example");
  }
  PageDisabled = false;
}

// The page's text context menu, whose item states are set each time it opens, and a few small
// commands of the Tools and Help menus: clearing the custom colours of the colour dialogs,
// showing the tips again, the version comparison page and the maker's message board.
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "app/main_window.h"
#include "cad/engine.h"
#include "dialogs/help_viewer.h"
#include "dialogs/tips_dialog.h"
#include "helpers/page_surface.h"
#include "helpers/small_helpers.h"
#include "platform/app_dir.h"
#include "platform/clipboard_formats.h"
#include "platform/exceptions.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"

namespace {

constexpr const char* kCustomColorsFile = "ZQVCustomClrs.Dat";
constexpr const char* kMessageBoardAddress = "https://www.zqvware.example/messageboard/?source=helpmenu";

// The MIME type a registered clipboard format travels as.
QString RegisteredMime(const std::string& name) {
  return QString("application/x-qt-windows-mime;value=\"%1\"").arg(QString::fromStdString(name));
}

bool ClipboardHas(const QString& mime) {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  return data && data->hasFormat(mime);
}

bool ClipboardHasBitmap() {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  return data && data->hasImage();
}

// The macro window with at least one ticked line (none until the macro window exists).
bool MacroLinesTicked() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "MacroText1" && w->isVisible()) return w->property("AnyChecked").toBool();
  return false;
}

// An item of this menu: the one the layout or another concern made (also put into Menu), or a
// new one.
QAction* MenuItem(TForm1& f, QMenu* Menu, const char* Name, const char* Caption, bool* Made = nullptr) {
  QAction* a = f.findChild<QAction*>(Name);
  if (Made) *Made = !a;
  if (!a) {
    a = new QAction(QString::fromUtf8(Caption), &f);
    a->setObjectName(Name);
  }
  if (!Menu->actions().contains(a)) Menu->addAction(a);
  return a;
}

void SetEnabled(TForm1& f, const char* Name, bool On) {
  if (QAction* a = f.findChild<QAction*>(Name)) a->setEnabled(On);
}

}  // namespace

// The text commands name the clipboard's format in the paste captions; until they are linked the
// caption stays as it is.

void TForm1::WireContextMenuCommands() {
  QMenu* m = PopupMenu1;
  QAction* first = m->actions().isEmpty() ? nullptr : m->actions().first();
  // The text and paste items go above the style items.
  auto add = [&](const char* name, const char* caption, bool* made = nullptr) {
    QAction* a = MenuItem(*this, m, name, caption, made);
    if (first && first != a) {
      m->removeAction(a);
      m->insertAction(first, a);
    }
    return a;
  };
  add("CutSelectedText1", "Cu&t Selected Text");
  add("CopySelectedText1", "&Copy Selected Text");
  add("PasteSelectedText1", "&Paste");
  add("PasteCutShapes1", "Paste Cut/Copy Shapes");
  add("PasteCutFiguresatCaret1", "Paste Cut/Copy  Shapes at Caret");
  // The Edit menu's Paste Special and Paste Image at Caret serve here too (the name Paste1 is the
  // Edit menu's Paste).
  add("PasteSpecial1", "Paste Special");
  add("PasteImageatCaret1", "Paste Image at Caret");
  add("PasteMacro2", "Paste Macro");
  add("DeleteText2", "&Delete Text");
  add("ChangeSelectedTextAttributes1", "Change Selected Text Attributes");
  add("BringToFront1", "Swap  Text 'Z' Order");
  add("SetSelectionOffset1", "Set Selection &Offset");
  add("ConverttoImageObject1", "Con&vert to Image Object");
  if (first) m->insertSeparator(first);
  connect(m, &QMenu::aboutToShow, this, [this] { Guarded("TForm1.PopupMenu1Popup", [this] { PopupMenu1Popup(PopupMenu1); }); });

  MenuItem(*this, Tools1, "Clearcustomcolors1", "&Clear custom colors");
  MenuItem(*this, Tools1, "Adduser1", "&Add user")->setVisible(false);
  MenuItem(*this, Help2, "Showtips1", "Sho&w tips");
  MenuItem(*this, Help2, "Versioncomparisons1", "&Version comparisons")->setVisible(false);
  MenuItem(*this, Help2, "Messageboard1", "&Message board");
}

void TForm1::PopupMenu1Popup(QObject*) {
  const bool shapes = Figures && ClipboardHas(RegisteredMime(Figures->GetClipboardFormat().Name));
  const bool sel = HasTextSelection();
  SetEnabled(*this, "PasteCutShapes1", shapes);
  SetEnabled(*this, "PasteCutFiguresatCaret1", shapes);
  SetEnabled(*this, "PasteSpecial1", AnyPasteableFormat());
  SetEnabled(*this, "PasteImageatCaret1", ClipboardHasBitmap());
  if (MainImage) SetCaretPosition(this, 0, 0);
  for (const char* name : {"CutSelectedText1", "CopySelectedText1", "ChangeSelectedTextAttributes1", "DeleteText2",
                           "BringToFront1", "SetSelectionOffset1"})
    SetEnabled(*this, name, sel);
  if (QAction* paste = findChild<QAction*>("PasteSelectedText1")) SetPasteCaption(paste);
  // The style items show the style of the character before the caret.
  const int before = CurrentI - 1;
  if (before >= 0 && before < int(CharFonts.size()) && CharFonts[size_t(before)]) {
    const TFontStyles style = CharFonts[size_t(before)]->Style;
    Bold->setChecked(style & fsBold);
    _Italics->setChecked(style & fsItalic);
    Underline2->setChecked(style & fsUnderline);
    Strikeout2->setChecked(style & fsStrikeOut);
  }
  SetEnabled(*this, "ConverttoImageObject1", SelectionRect.Right > SelectionRect.Left && SelectionRect.Bottom > SelectionRect.Top);
  SetEnabled(*this, "PasteMacro2", MacroLinesTicked());
}

bool TForm1::AnyPasteableFormat() {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  if (!data) return false;
  return data->hasFormat("image/emf") || data->hasImage() || data->hasText() || data->hasFormat("text/rtf") ||
         data->hasFormat("application/rtf") ||
         data->hasFormat(RegisteredMime(GetClipboardFormatName(FormattedTextFormat))) ||
         data->hasFormat(RegisteredMime(InchShapesFormatName)) ||
         data->hasFormat(RegisteredMime(CentimetreShapesFormatName));
}

void TForm1::ResetCustomColors(std::vector<std::string>* List) {
  if (!List) return;
  List->clear();
  for (char letter = 'A'; letter <= 'P'; ++letter) List->push_back(std::string("Color") + letter + "=000000");
}

void TForm1::Clearcustomcolors1Click(QObject*) {
  try {
    int answer = mrYes;
    TZQVIniFile child(ProgramFile("ChildFms.ini"));
    if (!child.ReadBool("Messages", "ClearCustomColors", false)) {
      answer = MessageDlg("Are you sure you want to clear all your custom colors from the palette?", mtConfirmation,
                          mbYes | mbNo, 10);
      if (!AskShowAgain()) {
        child.WriteBool("Messages", "ClearCustomColors", true);
        child.UpdateFile();
      }
    }
    if (answer == mrNo) return;
    std::vector<std::string> colors;
    ResetCustomColors(&colors);
    std::string text;
    for (const std::string& line : colors) text += line + "\r\n";
    WriteFileAtomically(ProgramFile(kCustomColorsFile), text.data(), text.size());
  } catch (const std::exception& e) {
    ShowMessage("Unable to clear the custom colours in " + ProgramFile(kCustomColorsFile) + "\r" + e.what());
  }
}

void TForm1::Showtips1Click(QObject*) {
  if (TipsDialog) return;
  const std::string ini = ProgramFile("ChildFms.ini");
  {
    TZQVIniFile child(ini);
    child.WriteBool("TipsDlg_Messages", "ShowTips", false);
    child.UpdateFile();
  }
  ShowTipsAtStartup(ini, this);
}

void TForm1::Versioncomparisons1Click(QObject*) {
  OpenDesktopUrl(QUrl::fromLocalFile(QString::fromStdString(ProgramFile("version-compare.html"))));
}

void TForm1::Messageboard1Click(QObject*) {
  OpenDesktopUrl(QUrl(QString::fromStdString(kMessageBoardAddress + WebLinkSuffix)));
}

void TForm1::LoadDrawingDefaults1Click(QObject*) {}

void TForm1::Adduser1Click(QObject*) {}

// The main window's text editing commands: the symbol palettes, the micro-spacing and font size
// buttons, Indent, Trim, wrapping, blank lines, the text clipboard items and the Information
// window.
#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTimer>

#include "app/file_information.h"
#include "app/main_window.h"
#include "app/main_window_custom_palette.h"
#include "app/palette_button.h"
#include "cad/engine.h"
#include "helpers/para_panel.h"
#include "helpers/speed_button.h"
#include "platform/app_dir.h"
#include "platform/clipboard_formats.h"
#include "platform/ini_file.h"
#include "platform/messages.h"
#include "text/text_glue.h"

namespace {

using Group = TTextPage::PaletteGroup;

struct PaletteSet {
  const char* Panel;
  const char* ButtonPrefix;
  const char* FontName;
  TFontCharset Charset;
  std::vector<uint8_t> Codes;
  int Rows;
};

// The fixed palettes and the default custom buttons (the custom sets of the settings replace
// the captions and fonts of CustBut1 to CustBut42).
std::vector<PaletteSet> PaletteSets() {
  return {
      {"StdGreek", "Greek", "Symbol", SYMBOL_CHARSET,
       {'a', 'b', 'g', 'd', 'e', 'q', 'l', 'm', 'p', 's', 't', 'f', 'w', 'D', 'S', 'P', 'W', 0xB6, 0xA5, 0xB1, 0xB4,
        0xB8, 0xA3, 0xB3, 0xB9, 0xBB, 0xF2, 0xD6},
       2},
      {"ArrowsPnl", "Arrow", "ZQVRelMath", DEFAULT_CHARSET, {40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51}, 2},
      {"LgBktsPnl", "LgBkt", "ZQVSerif", DEFAULT_CHARSET, {127, 128, 141, 142, 143, 144, 157}, 2},
      {"LgRootPnl", "LgRoot", "ZQVSerif", DEFAULT_CHARSET, {158}, 1},
      {"CustomPanel", "CustBut", "ZQVRelMath", DEFAULT_CHARSET,
       {33, 34, 35, 36, 37, 38, 39, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84},
       2},
      {"HorzBktsPnl", "CustBut", "ZQVSerif", DEFAULT_CHARSET, {167, 182}, 2},
      {"LgCustPnl", "CustBut", "ZQVRelMath", DEFAULT_CHARSET, {52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63}, 2},
  };
}

bool GroupOfPanel(const QString& name, Group& group) {
  if (name == "StdGreek") group = Group::StdGreek;
  else if (name == "ArrowsPnl") group = Group::Arrows;
  else if (name == "LgBktsPnl") group = Group::LgBkts;
  else if (name == "LgRootPnl") group = Group::LgRoot;
  else if (name == "CustomPanel") group = Group::Custom;
  else if (name == "HorzBktsPnl") group = Group::HorzBkts;
  else if (name == "LgCustPnl") group = Group::LgCust;
  else return false;
  return true;
}

bool IsCustomGroup(Group g) { return g == Group::Custom || g == Group::HorzBkts || g == Group::LgCust; }

// An action of the layout, or one made here when the layout does not carry it yet.
QAction* EnsureAction(TForm1* f, QMenu* menu, const char* name, const char* caption) {
  QAction* a = f->findChild<QAction*>(name);
  if (!a) {
    a = new QAction(QString::fromUtf8(caption), f);
    a->setObjectName(name);
    if (menu) menu->addAction(a);
  }
  return a;
}

QMenu* EnsureSubmenu(TForm1* f, QAction* item) {
  if (item->menu()) return item->menu();
  auto* menu = new QMenu(f);
  menu->setObjectName(item->objectName() + "Menu");
  item->setMenu(menu);
  return menu;
}

}  // namespace

void TForm1::Panel20Click(QObject* Sender) {
  auto* button = qobject_cast<TPaletteButton*>(Sender);
  if (!button || !button->parentWidget()) return;
  Group group;
  if (!GroupOfPanel(button->parentWidget()->objectName(), group)) return;
  TTextPage::Panel20Click(Sender, group, button->Caption, button->ButtonFont);
}

void TForm1::CustomButtonClick(TCustButPanel* Button) {
  if (!Button || Button->Caption().empty()) return;
  TTextPage::Panel20Click(Button, Group::Custom, Button->Caption(), Button->Font());
}

void TForm1::Micro_Space_UpMouseDown(QObject* Sender) {
  if (Sender != Micro_Space_Up && Sender != Micro_Space_Down && Sender != Micro_Space) return;
  TMemIniFile ini(AppDir() + "Main.ini");
  QTimer* start = nullptr;
  if (Sender == Micro_Space_Up || Sender == Micro_Space_Down) {
    if (CanNudgeCharBefore()) {
      if (ini.ReadBool("Form_Position", "OffsetMessage", true)) {
        // The notice took the press (its window has the mouse now): the steps begin with the
        // next press, so that no release can be lost to the notice and leave a timer running.
        ShowOffsetMessage();
        return;
      }
      Timer3->stop();
      (Sender == Micro_Space_Up ? Timer2 : Timer1)->stop();
      start = Sender == Micro_Space_Up ? Timer1 : Timer2;
    }
  } else {
    Timer1->stop();
    Timer2->stop();
    start = Timer3;
  }
  if (!start) return;
  // One snapshot per press; the first step is made at once, so a click moves one pixel.
  PushTextUndo(Sender);
  if (start == Timer1) Timer1Timer(Sender);
  else if (start == Timer2) Timer2Timer(Sender);
  else Timer3Timer(Sender);
  start->start();
}

void TForm1::Micro_Space_UpMouseUp(QObject* Sender) {
  if (Sender == Micro_Space_Up) Timer1->stop();
  else if (Sender == Micro_Space_Down) Timer2->stop();
  else if (Sender == Micro_Space) Timer3->stop();
  SetCaretPosition(Sender, 0, 0);
}

void TForm1::MicroTimerTick(QTimer* Timer) {
  TZQVSpeedButton* button = Timer == Timer1 ? Micro_Space_Up : Timer == Timer2 ? Micro_Space_Down : Micro_Space;
  // Released without the button seeing it (another window took the mouse): the steps end.
  if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
    Timer->stop();
    return;
  }
  // A held button shows down only while the pointer is over it: off the button the steps pause.
  if (!button->isDown()) return;
  if (Timer == Timer1) Timer1Timer(button);
  else if (Timer == Timer2) Timer2Timer(button);
  else Timer3Timer(button);
}

void TForm1::ShowOffsetMessage() {
  MessageDlg("If you are moving large brackets please take note that they already have an offset of 11.",
             mtInformation, mbOK, 280);
  TMemIniFile ini(AppDir() + "Main.ini");
  ini.WriteBool("Form_Position", "OffsetMessage", false);
  ini.UpdateFile();
}

void TForm1::Information1Click(QObject* Sender) {
  TFileInfoDlg1* dlg = GetFileInfoDlg();
  auto* memo = dlg->findChild<QPlainTextEdit*>("Memo1");
  if (!memo) return;
  memo->clear();
  memo->setReadOnly(true);
  QStringList lines;
  for (const auto& l : FileInformationLines(*this)) lines << QString::fromStdString(l);
  memo->setPlainText(lines.join('\n'));
  dlg->show();
}

void TForm1::SetPasteCaption(QObject* Target) {
  const QString text = QString::fromStdString(PasteCaptionText());
  if (auto* a = qobject_cast<QAction*>(Target)) a->setText("&" + text);
  else if (auto* b = qobject_cast<TZQVSpeedButton*>(Target)) b->setToolTip(text);
}

// ---- Host side of the clipboard ----

bool TForm1::CutSelectedShapes(QObject* Sender) {
  const bool rectValid = SelectionRect.Right > SelectionRect.Left && SelectionRect.Bottom > SelectionRect.Top;
  if (!rectValid || !Figures || !Figures->HasSelection()) return false;
  CutClick(Sender);
  return true;
}

bool TForm1::PasteByFormat(QObject* Sender, unsigned Format) {
  if (Format == RegisterClipboardFormat("ZQVWare Korvalis V formatted text")) return PasteZQVText(Sender);
  if (Format == CF_TEXT) return PasteAsciiText(Sender);
  if (Format == RegisterClipboardFormat("Rich Text Format")) return PasteRichText();
  if (Format == RegisterClipboardFormat("ZQVWare Inch shapes") ||
      Format == RegisterClipboardFormat("ZQVWare Centimetre shapes")) {
    PasteCutFiguresatCaret1Click(Sender);
    return false;
  }
  if (Format == CF_ENHMETAFILE || Format == CF_METAFILEPICT || Format == CF_BITMAP || Format == CF_DIB)
    return PasteImageObject(Sender, Format);
  ShowMessage("Unsupported Clipboard format");
  return false;
}

// ---- Wiring ----

void TForm1::WireTextEditingCommands() {
  TForm1* f = this;
  // Palettes.
  for (const PaletteSet& set : PaletteSets()) {
    // The custom buttons are made by the custom palette with their stored sets.
    if (QString(set.ButtonPrefix) == "CustBut") continue;
    auto* panel = findChild<QWidget*>(set.Panel);
    if (!panel) continue;
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(1, 1, 1, 1);
    grid->setSpacing(1);
    const int perRow = int((set.Codes.size() + set.Rows - 1) / set.Rows);
    int customBase = QString(set.Panel) == "CustomPanel" ? 1 : QString(set.Panel) == "HorzBktsPnl" ? 29 : 31;
    for (size_t k = 0; k < set.Codes.size(); ++k) {
      const bool custom = QString(set.ButtonPrefix) == "CustBut";
      const int number = custom ? customBase + int(k) : int(k) + 1;
      TFont font(set.FontName, 12, 0, clBlack, set.Charset);
      auto* b = new TPaletteButton(panel, QString(set.ButtonPrefix) + QString::number(number),
                                   std::string(1, char(set.Codes[k])), font, number);
      grid->addWidget(b, int(k) / perRow, int(k) % perRow);
      connect(b, &TPaletteButton::MouseUp, f, [f](TPaletteButton* button, Qt::MouseButton which, bool inside) {
        Group group;
        const bool known = button->parentWidget() && GroupOfPanel(button->parentWidget()->objectName(), group);
        if (which == Qt::LeftButton && inside) {
          f->Panel20Click(button);
        } else if (known && IsCustomGroup(group)) {
          f->SetCaretPosition(button, 0, 0);
        }
      });
    }
  }
  // Micro-spacing and font steps.
  for (TZQVSpeedButton* b : {Micro_Space_Up, Micro_Space_Down, Micro_Space}) {
    connect(b, &QAbstractButton::pressed, f, [f, b] { f->Micro_Space_UpMouseDown(b); });
    connect(b, &QAbstractButton::released, f, [f, b] { f->Micro_Space_UpMouseUp(b); });
  }
  for (QTimer* t : {Timer1, Timer2, Timer3}) {
    t->stop();
    connect(t, &QTimer::timeout, f, [f, t] { f->MicroTimerTick(t); });
  }

  // Indent and Trim submenus.
  QMenu* indent = EnsureSubmenu(f, Indent1);
  const std::pair<const char*, const char*> kinds[] = {
      {"Bullet1", "&Bullet"}, {"Tab1", "&Tab"}, {"DoubleArrow1", "&Double Arrow"}, {"Space1", "&Space"},
      {"NumberedList1", "&Numbered List"}};
  for (int k = 0; k < 5; ++k) EnsureAction(f, indent, kinds[k].first, kinds[k].second);
  QMenu* trim = EnsureSubmenu(f, TrimSelection1);
  const std::pair<const char*, const char*> trims[] = {{"Left1", "&Left"}, {"Right1", "&Right"}, {"Both1", "&Both"}};
  for (int k = 0; k < 3; ++k) EnsureAction(f, trim, trims[k].first, trims[k].second);
  EnsureAction(f, Format1, "StripBlankLines1", "Strip &Blank Lines");
  EnsureAction(f, Format1, "InsertBlankLines1", "Insert Blank &Lines");

  // Text clipboard.
  EnsureAction(f, PopupMenu2, "CopySelectedText1", "&Copy Selected Text");
  EnsureAction(f, PopupMenu2, "CutSelectedText1", "Cu&t Selected Text");
  connect(_Edit, &QMenu::aboutToShow, f, [f] {
    f->SetPasteCaption(f->Paste1);
    f->UpdateEditButtons();
  });
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, f, [f] {
    f->SetPasteCaption(f->tbPaste);
    f->UpdateEditButtons();
  });

  // Information.
  EnsureAction(f, _File, "Information1", "&Information");
}

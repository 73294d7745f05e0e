// The main window as the text engine's host: page image, caret, scroll box, status bar, buttons
// and menu items, and the wiring of the text commands.
#include <QApplication>
#include <QScrollBar>
#include <QStatusBar>

#include <QFontDialog>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <functional>

#include "app/main_window.h"
#include "app/window_hosts.h"

#include "cad/selectors.h"
#include "dialogs/page_setup_dialog.h"
#include "app/palette_button.h"
#include "cad/engine.h"
#include "dialogs/main_font_dialog.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "helpers/para_panel.h"
#include "helpers/speed_button.h"
#include "platform/canvas.h"
#include "platform/caret.h"
#include "platform/numeric.h"
#include "platform/screen.h"
#include "settings/settings_store.h"
#include "text/text_glue.h"
#include "text/text_page.h"

namespace {

TZQVSpeedButton* ButtonOf(TForm1* f, TextButton b) {
  switch (b) {
    case TextButton::tbText: return f->tbText;
    case TextButton::tbDraw: return f->tbDraw;
    case TextButton::tbSelect: return f->tbSelect;
    case TextButton::tbMove: return f->tbMove;
    case TextButton::tbBold: return f->tbBold;
    case TextButton::tbItalics: return f->tbItalics;
    case TextButton::tbUnderline: return f->tbUnderline;
    case TextButton::tbStrikeOut: return f->tbStrikeOut;
    case TextButton::tbSuperScript: return f->tbSuperScript;
    case TextButton::tbSubscript: return f->tbSubscript;
    case TextButton::tbMidscript: return f->tbMidscript;
    case TextButton::tbCutText: return f->tbCutText;
    case TextButton::tbCopy: return f->tbCopy;
    case TextButton::tbPaste: return f->tbPaste;
    case TextButton::tbUndo: return f->tbUndo;
    case TextButton::FontUp: return f->FontUp;
    case TextButton::FontDown1: return f->FontDown1;
  }
  return nullptr;
}

QAction* MenuOf(TForm1* f, TextMenu m) {
  switch (m) {
    case TextMenu::Bold: return f->Bold;
    case TextMenu::_Italics: return f->_Italics;
    case TextMenu::Underline2: return f->Underline2;
    case TextMenu::Strikeout2: return f->Strikeout2;
    case TextMenu::Superscripts1: return f->Superscripts1;
    case TextMenu::Subscripts1: return f->Subscripts1;
    case TextMenu::MidScripts1: return f->MidScripts1;
    case TextMenu::Bold1: return f->Bold1;
    case TextMenu::Italic1: return f->Italic1;
    case TextMenu::Underline1: return f->Underline1;
    case TextMenu::Strikeout1: return f->Strikeout1;
    case TextMenu::Indent1: return f->Indent1;
    case TextMenu::WrapSelectiontoMargin1: return f->WrapSelectiontoMargin1;
    case TextMenu::WraptoX1: return f->WraptoX1;
    case TextMenu::TrimSelection1: return f->TrimSelection1;
    case TextMenu::ChangeSelectedTextAttributes1: return f->ChangeSelectedTextAttributes1;
    case TextMenu::ChangeSelectedTextAttributes3: return f->ChangeSelectedTextAttributes3;
    case TextMenu::SpecialFonts1: return f->SpecialFonts1;
    case TextMenu::MainFont1: return f->MainFont1;
    case TextMenu::InPixels1: return f->InPixels1;
    case TextMenu::IncDelandBackinUndo1: return f->IncDelandBackinUndo1;
    case TextMenu::AlwaysRefresh1: return f->AlwaysRefresh1;
    case TextMenu::StatusBarEnabled1: return f->StatusBarEnabled1;
  }
  return nullptr;
}

}  // namespace

QObject* TForm1::ButtonObject(TextButton b) { return ButtonOf(this, b); }
bool TForm1::ButtonDown(TextButton b) {
  auto* x = ButtonOf(this, b);
  return x && x->Down();
}
void TForm1::SetButtonDown(TextButton b, bool down) {
  if (auto* x = ButtonOf(this, b)) x->SetDown(down);
}
void TForm1::SetButtonEnabled(TextButton b, bool enabled) {
  if (auto* x = ButtonOf(this, b)) x->setEnabled(enabled);
}
bool TForm1::MenuChecked(TextMenu m) {
  auto* a = MenuOf(this, m);
  return a && a->isChecked();
}
void TForm1::SetMenuChecked(TextMenu m, bool checked) {
  if (auto* a = MenuOf(this, m)) a->setChecked(checked);
}
void TForm1::SetMenuEnabled(TextMenu m, bool enabled) {
  if (auto* a = MenuOf(this, m)) a->setEnabled(enabled);
}
bool TForm1::IsMenu(QObject* sender, TextMenu m) { return sender && sender == MenuOf(this, m); }
// Palette buttons count as toolbar buttons: a character they insert never overtypes.
bool TForm1::IsToolbarButton(QObject* sender) {
  return sender && (dynamic_cast<TZQVSpeedButton*>(sender) || qobject_cast<TPaletteButton*>(sender));
}
bool TForm1::IsMenuItem(QObject* sender) { return sender && dynamic_cast<QAction*>(sender); }
bool TForm1::IsFontStepButton(QObject* sender) {
  return sender && (sender == ButtonOf(this, TextButton::FontUp) || sender == ButtonOf(this, TextButton::FontDown1));
}
void TForm1::ClickTextTool() {
  tbText->SetDown(true);
  tbTextClick(tbText);
}
bool TForm1::CustomPanelVisible() { return CustomPanel->isVisible(); }
std::function<bool(TFont&)> TextFontDialogHook;

bool TForm1::ExecuteFontDialog(TFont& font) {
  if (TextFontDialogHook) return TextFontDialogHook(font);
  // The platform's font dialog, started on the sample font; colour and character set stay.
  bool ok = false;
  QFont start = font.ToQFont();
  start.setPointSize(std::max(1, font.Size()));
  const QFont chosen = QFontDialog::getFont(&ok, start, this, QString());
  if (!ok) return false;
  font.Name = chosen.family().toStdString();
  if (chosen.pointSize() > 0) font.SetSize(chosen.pointSize());
  TFontStyles style = 0;
  if (chosen.bold()) style |= fsBold;
  if (chosen.italic()) style |= fsItalic;
  if (chosen.underline()) style |= fsUnderline;
  if (chosen.strikeOut()) style |= fsStrikeOut;
  font.Style = style;
  return true;
}

TCanvas* TForm1::PageCanvas() { return MainImage ? &MainImage->Canvas() : nullptr; }
void TForm1::InvalidatePage() {
  if (MainImage) MainImage->Invalidate();
}
TColor TForm1::PageBackgroundColor() { return BackgroundColor; }
void TForm1::SetPageCursorIBeam() {
  if (MainImage) MainImage->setCursor(Qt::IBeamCursor);
}

const TFont& TForm1::MainFont() {
  if (MainFontDlg) return MainFontDlg->GetMainFont();
  // Before the main font dialog exists (while the main window is created) the standard font
  // stands in for it.
  static const TFont standard("Times New Roman", 12, 0, clBlack, ANSI_CHARSET);
  return StandardFont ? *StandardFont : standard;
}
int TForm1::ScriptPercent() { return MainFontDlg ? MainFontDlg->GetScriptPercent() : 50; }
int TForm1::CustomOffset() { return MainFontDlg ? MainFontDlg->GetCustomOffset() : -4; }
int TForm1::StandardSize() { return MainFontDlg ? int(MainFontDlg->SpinEdit1->Value()) : 12; }

void TForm1::SetDocumentModified() {
  Modified = true;
  if (!DocFileName.empty()) FileModified = true;
}
bool TForm1::IsMouseClickActive() { return MouseClickActive; }
void TForm1::SaveApplicationDefaults() { SaveSettings(Hosts(), Hosts()); }

bool TForm1::CaretAllowed(QObject* sender) {
  if (!MainImage || !ButtonDown(TextButton::tbText)) return false;
  // Clicks on the paste-special dialog's buttons leave the caret where it is.
  if (sender && sender->parent() && sender->parent()->objectName() == "PasteSpecialDlg") return false;
  // The main window is active (a menu popping up from it counts as the window).
  QWidget* active = QApplication::activeWindow();
  return !active || active == this || (active->inherits("QMenu") && active->window() != nullptr);
}
void TForm1::PlaceTextCaret(int width, int height, int x, int y) {
  if (!ScrollBox1) return;
  // The caret belongs to the scroll box that holds the page image; a new one at every placement,
  // so that its height follows the character before it.
  QWidget* owner = ScrollBox1->viewport();
  CreateCaret(owner, width, height);
  SetCaretPos(x, y);
  ShowCaret(owner);
}
void TForm1::HideTextCaret() {
  if (ScrollBox1) HideCaret(ScrollBox1->viewport());
}
TPoint TForm1::ScrollPosition() {
  if (!ScrollBox1) return {};
  return TPoint(ScrollBox1->horizontalScrollBar()->value(), ScrollBox1->verticalScrollBar()->value());
}
int TForm1::ScrollClientHeight() { return ScrollBox1 ? ScrollBox1->viewport()->height() : 0; }
int TForm1::ScrollClientWidth() { return ScrollBox1 ? ScrollBox1->viewport()->width() : 0; }
void TForm1::ScrollVertically(int delta) {
  if (ScrollBox1) {
    auto* bar = ScrollBox1->verticalScrollBar();
    bar->setValue(bar->value() + delta);
  }
}
void TForm1::ScrollHorizontallyTo(int pos, bool onlyWhenVisible) {
  if (!ScrollBox1) return;
  auto* bar = ScrollBox1->horizontalScrollBar();
  if (!onlyWhenVisible || bar->isVisible()) bar->setValue(pos);
}
bool TForm1::MetricUnits() { return PageSetupDialog && PageSetupDialog->DefaultMetric1->isChecked(); }
bool TForm1::StatusBarEnabled() { return StatusBar1->isEnabled(); }
void TForm1::SetStatusPanel(int index, const std::string& text) { SetPanelText(index, QString::fromStdString(text)); }
bool TForm1::InSymbolFontList(const std::string& name) {
  for (const auto& n : SymbolFontList)
    if (SameFontName(n, name.c_str())) return true;
  return false;
}


void TForm1::KeyMoveSelectionRect(uint16_t key, TShiftState shift) {
  const bool ctrl = shift & ssCtrl, sh = shift & ssShift;
  // Ctrl and Shift together move the reference selector: 1 pixel, 10 with the numeric pad.
  if (ctrl && sh && Figures && Figures->Selector && Figures->Selector->isVisible()) {
    QPoint p = Figures->Selector->pos();
    switch (key) {
      case vk::Left: p.rx() -= 1; break;
      case vk::Right: p.rx() += 1; break;
      case vk::Up: p.ry() -= 1; break;
      case vk::Down: p.ry() += 1; break;
      case vk::Numpad4: p.rx() -= 10; break;
      case vk::Numpad6: p.rx() += 10; break;
      case vk::Numpad8: p.ry() -= 10; break;
      case vk::Numpad2: p.ry() += 10; break;
      default: break;
    }
    Figures->Selector->move(p);
  }
  if (ctrl == sh || !SelectionRectShown || SelectionRect.IsEmpty()) return;
  TCanvas* canvas = PageCanvas();
  // The rectangle is drawn in not-xor mode: drawing it at its old place erases it.
  auto draw = [this, canvas](const TRect& box) {
    if (canvas) DrawDragRect(*canvas, false, TPoint(box.Left, box.Top), TPoint(box.Right, box.Bottom));
  };
  TRect r = SelectionRect;
  switch (key) {
    case vk::Left: r.Left -= 1; r.Right -= 1; break;
    case vk::Right: r.Left += 1; r.Right += 1; break;
    case vk::Up: r.Top -= 1; r.Bottom -= 1; break;
    case vk::Down: r.Top += 1; r.Bottom += 1; break;
    case vk::Numpad4: r.Left -= 10; r.Right -= 10; break;
    case vk::Numpad6: r.Left += 10; r.Right += 10; break;
    case vk::Numpad8: r.Top -= 10; r.Bottom -= 10; break;
    case vk::Numpad2: r.Top += 10; r.Bottom += 10; break;
    case 'W':
      if (sh && r.Width() > 5) r.Right -= 1;
      if (ctrl) r.Right += 1;
      break;
    case 'H':
      if (sh && r.Height() > 5) r.Bottom -= 1;
      if (ctrl) r.Bottom += 1;
      break;
    default: return;
  }
  draw(SelectionRect);
  SelectionRect = r;
  draw(SelectionRect);
  SelRectKeyMoved = true;
  auto fmt = [this](int px) {
    if (InPixels1->isChecked()) return QString::number(px);
    return QString::number(px * PageUnitFactor() / ScreenPixelsPerInch(), 'f', 2);
  };
  SetPanelText(2, "L:" + fmt(r.Left) + "   T:" + fmt(r.Top));
  SetPanelText(3, "W:" + fmt(r.Width()) + "   H:" + fmt(r.Height()));
  InvalidatePage();
}
void TForm1::FinishKeyMovedSelectionRect() {
  if (!SelRectKeyMoved) return;
  TRect& r = SelectionRect;
  if (r.Left > r.Right) std::swap(r.Left, r.Right);
  if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
  // The figures inside the moved rectangle become the selection.
  if (Figures && !(Figures->SelectRect == r)) Figures->SelectInRect(r);
  SelRectKeyMoved = false;
}
void TForm1::MoveIndentMarker(uint16_t key) {
  if (!ParaPanel1) return;
  TParaPanel* ruler = ParaPanel1;
  const int inc = ruler->Increment();
  const int step = (key == vk::Left || key == vk::Right) ? int(Round(inc / 10.0)) : inc;
  const int sign = (key == vk::Left || key == vk::Numpad4) ? -1 : 1;
  int pos = ruler->GetMarkerPos() + sign * step;
  if (pos < ruler->Min()) pos = ruler->Min();
  if (ruler->Max() > 0 && pos > ruler->Max()) pos = ruler->Max();
  ruler->SetMarkerPos(pos);
}
void TForm1::EscapeOnPage() {
  ClearCurrentFigure();
  if (SelectionRectShown) {
    // Drawn once more in not-xor mode, the rectangle goes; it is then emptied and hidden.
    if (TCanvas* canvas = PageCanvas())
      DrawDragRect(*canvas, true, TPoint(SelectionRect.Left, SelectionRect.Top),
                   TPoint(SelectionRect.Right, SelectionRect.Bottom));
    SelectionRect = TRect();
    SelectionRectShown = false;
    InvalidatePage();
  }
}
void TForm1::AltShortcut(uint16_t key) {
  switch (key) {
    case 'D': tbDraw->SetDown(true); tbDrawClick(tbDraw); break;
    case 'B': PopupUnder(tbBrushProperties, "BrushStyles1"); break;
    case 'L': tbPenColorClick(tbPenColor); break;
    case 'M': PopupUnder(tbPenMode, "PenMode1"); break;
    case 'P': PopupUnder(tbShapes, "Shapes1"); break;
    case 'W': PopupUnder(tbLineWidth, "LineThickness"); break;
    case 'Y': PopupUnder(tbLineStyle, "LineStyles1"); break;
    case 'X': tbText->SetDown(true); tbTextClick(tbText); break;
    case 'V':
      if (Figures && Figures->Count() > 0) {
        tbMove->SetDown(true);
        tbMoveClick(tbMove);
      }
      break;
    default: break;
  }
}
void TForm1::HideCadReferenceSelector() {
  if (Figures && Figures->Selector) Figures->Selector->hide();
}
void TForm1::ClearSelectionRect() { SelectionRect = TRect(0, 0, 0, 0); }

// ---- Binding the text commands ----

void TForm1::WireTextCommands() {
  // Style buttons: each in a group of its own, any combination may be down.
  int group = 2;
  for (auto* b : {tbBold, tbItalics, tbUnderline, tbStrikeOut}) {
    b->SetGroupIndex(group++);
    b->AllowAllUp = true;
  }
  // Script buttons: one group, at most one down.
  for (auto* b : {tbSuperScript, tbSubscript, tbMidscript}) {
    b->SetGroupIndex(10);
    b->AllowAllUp = true;
  }
  TForm1* f = this;
  QObject::connect(f->Format1, &QMenu::aboutToShow, f, [f] { f->Format1Click(f->Format1); });
  // Items of the Format menu and the selection menu that the layout does not carry yet.
  auto addAction = [f](QMenu* menu, const char* name, const char* caption) {
    if (f->findChild<QAction*>(name)) return;
    auto* a = new QAction(QString::fromUtf8(caption), f);
    a->setObjectName(name);
    if (menu) menu->addAction(a);
  };
  addAction(f->Format1, "Normal1", "&Normal");
  addAction(f->PopupMenu2, "Normal2", "&Normal");
  addAction(f->Format1, "BringToFront1", "Swap  Text 'Z' Order");
  addAction(f->PopupMenu2, "SwopTextZOrder1", "Swap  Text 'Z' Order");
  addAction(f->PopupMenu2, "SelectAll2", "Select &All");
}

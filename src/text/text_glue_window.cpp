// The text engine's side of the main window: page image, caret, scroll box, status bar, buttons
// and menu items.
#include <QApplication>
#include <QScrollBar>
#include <QStatusBar>

#include <QFontDialog>
#include <QMenu>
#include <functional>
#include <QPainter>
#include <QTimer>

#include "app/main_window.h"
#include "app/page_setup_dialog.h"
#include "cad/engine.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "helpers/para_panel.h"
#include "platform/numeric.h"
#include "helpers/speed_button.h"
#include "platform/canvas.h"
#include "platform/caret.h"
#include "platform/screen.h"
#include "text/text_glue.h"
#include "text/text_page.h"

namespace {

TZQVSpeedButton* ButtonOf(TextButton b) {
  TForm1* f = Form1;
  if (!f) return nullptr;
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

QAction* MenuOf(TextMenu m) {
  TForm1* f = Form1;
  if (!f) return nullptr;
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
  }
  return nullptr;
}

}  // namespace

QObject* TextButtonObject(TextButton b) { return ButtonOf(b); }
bool TextButtonDown(TextButton b) {
  auto* x = ButtonOf(b);
  return x && x->Down();
}
void TextSetButtonDown(TextButton b, bool down) {
  if (auto* x = ButtonOf(b)) x->SetDown(down);
}
void TextSetButtonEnabled(TextButton b, bool enabled) {
  if (auto* x = ButtonOf(b)) x->setEnabled(enabled);
}
bool TextMenuChecked(TextMenu m) {
  auto* a = MenuOf(m);
  return a && a->isChecked();
}
void TextSetMenuChecked(TextMenu m, bool checked) {
  if (auto* a = MenuOf(m)) a->setChecked(checked);
}
void TextSetMenuEnabled(TextMenu m, bool enabled) {
  if (auto* a = MenuOf(m)) a->setEnabled(enabled);
}
bool TextIsMenu(QObject* sender, TextMenu m) { return sender && sender == MenuOf(m); }
bool TextIsToolbarButton(QObject* sender) { return sender && dynamic_cast<TZQVSpeedButton*>(sender); }
bool TextIsMenuItem(QObject* sender) { return sender && dynamic_cast<QAction*>(sender); }
bool TextIsFontStepButton(QObject* sender) {
  return sender && (sender == ButtonOf(TextButton::FontUp) || sender == ButtonOf(TextButton::FontDown1));
}
QObject* TextMainWindowObject() { return Form1; }
void TextClickTextTool() {
  if (!Form1) return;
  Form1->tbText->SetDown(true);
  Form1->tbTextClick(Form1->tbText);
}
bool TextCustomPanelVisible() { return Form1 && Form1->CustomPanel->isVisible(); }
std::function<bool(TFont&)> TextFontDialogHook;

bool TextExecuteFontDialog(TFont& font) {
  if (TextFontDialogHook) return TextFontDialogHook(font);
  // The platform's font dialog, started on the sample font; colour and character set stay.
  bool ok = false;
  QFont start = font.ToQFont();
  start.setPointSize(std::max(1, font.Size()));
  const QFont chosen = QFontDialog::getFont(&ok, start, Form1, QString());
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

TCanvas* TextPageCanvas() { return Form1 && Form1->MainImage ? &Form1->MainImage->Canvas() : nullptr; }
bool TextPageImageExists() { return Form1 && Form1->MainImage; }
void TextMovePagePen(TPoint p) {
  if (TCanvas* c = TextPageCanvas()) c->MoveTo(p.X, p.Y);
}
void TextInvalidatePage() {
  if (Form1 && Form1->MainImage) Form1->MainImage->Invalidate();
}
void TextRepaintPageImage() { TextInvalidatePage(); }
TColor TextBackgroundColor() { return BackgroundColor; }
int TextPixelsPerInch() { return ScreenPixelsPerInch(); }
int TextPageTextWidth(const char* text) {
  TCanvas* c = TextPageCanvas();
  return c ? c->TextWidth(QString::fromLatin1(text)) : 11;
}
void TextSetPageCursorIBeam() {
  if (Form1 && Form1->MainImage) Form1->MainImage->setCursor(Qt::IBeamCursor);
}
void TextRefreshAllImages(QObject* sender) {
  if (Form1) Form1->RefreshAllImages(sender, false);
}

bool TextCaretAllowed(QObject* sender) {
  if (!Form1 || !Form1->MainImage || !TextButtonDown(TextButton::tbText)) return false;
  // Clicks on the paste-special dialog's buttons leave the caret where it is.
  if (sender && sender->parent() && sender->parent()->objectName() == "PasteSpecialDlg") return false;
  // The main window is active (a menu popping up from it counts as the window).
  QWidget* active = QApplication::activeWindow();
  return !active || active == Form1 || (active->inherits("QMenu") && active->window() != nullptr);
}
void TextPlaceCaret(int width, int height, int x, int y) {
  if (!Form1 || !Form1->ScrollBox1) return;
  // The caret belongs to the scroll box that holds the page image; a new one at every placement,
  // so that its height follows the character before it.
  QWidget* owner = Form1->ScrollBox1->viewport();
  CreateCaret(owner, width, height);
  SetCaretPos(x, y);
  ShowCaret(owner);
}
void TextHideCaret() {
  if (Form1 && Form1->ScrollBox1) HideCaret(Form1->ScrollBox1->viewport());
}
TRect TextCaretRect() {
  const TCaretState c = CaretState();
  if (!c.Visible) return TRect();
  return TRect(c.Position.x(), c.Position.y(), c.Position.x() + c.Size.width(), c.Position.y() + c.Size.height());
}
TPoint TextScrollPosition() {
  if (!Form1 || !Form1->ScrollBox1) return {};
  return TPoint(Form1->ScrollBox1->horizontalScrollBar()->value(), Form1->ScrollBox1->verticalScrollBar()->value());
}
int TextScrollClientHeight() { return Form1 && Form1->ScrollBox1 ? Form1->ScrollBox1->viewport()->height() : 0; }
int TextScrollClientWidth() { return Form1 && Form1->ScrollBox1 ? Form1->ScrollBox1->viewport()->width() : 0; }
void TextScrollVertically(int delta) {
  if (Form1 && Form1->ScrollBox1) {
    auto* bar = Form1->ScrollBox1->verticalScrollBar();
    bar->setValue(bar->value() + delta);
  }
}
void TextScrollHorizontallyTo(int pos, bool onlyWhenVisible) {
  if (!Form1 || !Form1->ScrollBox1) return;
  auto* bar = Form1->ScrollBox1->horizontalScrollBar();
  if (!onlyWhenVisible || bar->isVisible()) bar->setValue(pos);
}
bool TextMetricUnits() { return PageSetupDialog && PageSetupDialog->DefaultMetric1->isChecked(); }
bool TextStatusBarEnabled() { return Form1 && Form1->StatusBar1->isEnabled(); }
void TextSetStatusPanel(int index, const std::string& text) {
  if (Form1) Form1->SetPanelText(index, QString::fromStdString(text));
}
bool TextInSymbolFontList(const std::string& name) {
  if (!Form1) return false;
  for (const auto& n : Form1->SymbolFontList)
    if (SameFontName(n, name.c_str())) return true;
  return false;
}

bool TextMoveImageFrameByKey(uint16_t key) { return false; }

void TextKeyMoveSelectionRect(uint16_t key, uint8_t shift) {
  if (!Form1) return;
  const bool ctrl = shift & ssCtrl, sh = shift & ssShift;
  if (ctrl == sh || !SelectionRectShown || SelectionRect.IsEmpty()) return;
  TCanvas* canvas = TextPageCanvas();
  // The rectangle is drawn in not-xor mode: drawing it at its old place erases it.
  auto draw = [canvas](const TRect& box) {
    if (canvas) Form1->DrawDragRect(*canvas, false, TPoint(box.Left, box.Top), TPoint(box.Right, box.Bottom));
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
  Form1->SelRectKeyMoved = true;
  auto fmt = [](int px) {
    if (Form1->InPixels1->isChecked()) return QString::number(px);
    return QString::number(px * PageUnitFactor() / ScreenPixelsPerInch(), 'f', 2);
  };
  Form1->SetPanelText(2, "L:" + fmt(r.Left) + "   T:" + fmt(r.Top));
  Form1->SetPanelText(3, "W:" + fmt(r.Width()) + "   H:" + fmt(r.Height()));
  TextInvalidatePage();
}
void TextFinishKeyMovedSelectionRect() {
  if (!Form1) return;
  TRect& r = SelectionRect;
  if (r.Left > r.Right) std::swap(r.Left, r.Right);
  if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
  // The figures inside the moved rectangle become the selection.
  if (Figures && !(Figures->SelectRect == r)) Figures->SelectInRect(r);
  Form1->SelRectKeyMoved = false;
}
void TextMoveIndentMarker(uint16_t key) {
  if (!Form1 || !Form1->ParaPanel1) return;
  TParaPanel* ruler = Form1->ParaPanel1;
  const int inc = ruler->Increment();
  const int step = (key == vk::Left || key == vk::Right) ? int(Round(inc / 10.0)) : inc;
  const int sign = (key == vk::Left || key == vk::Numpad4) ? -1 : 1;
  int pos = ruler->GetMarkerPos() + sign * step;
  if (pos < ruler->Min()) pos = ruler->Min();
  if (ruler->Max() > 0 && pos > ruler->Max()) pos = ruler->Max();
  ruler->SetMarkerPos(pos);
}
void TextEscapeOnPage() {
  if (!Form1) return;
  Form1->ClearCurrentFigure();
  if (SelectionRectShown) {
    // Drawn once more in not-xor mode, the rectangle goes; it is then emptied and hidden.
    if (TCanvas* canvas = TextPageCanvas())
      Form1->DrawDragRect(*canvas, true, TPoint(SelectionRect.Left, SelectionRect.Top),
                          TPoint(SelectionRect.Right, SelectionRect.Bottom));
    SelectionRect = TRect();
    SelectionRectShown = false;
    TextInvalidatePage();
  }
}
void TextAltShortcut(uint16_t key) {
  if (!Form1) return;
  switch (key) {
    case 'D': Form1->tbDraw->SetDown(true); Form1->tbDrawClick(Form1->tbDraw); break;
    case 'X': Form1->tbText->SetDown(true); Form1->tbTextClick(Form1->tbText); break;
    case 'V':
      if (Figures && Figures->Count() > 0) {
        Form1->tbMove->SetDown(true);
        Form1->tbMoveClick(Form1->tbMove);
      }
      break;
    default: break;
  }
}
void TextHideCadReferenceSelector() {}
bool TextDeleteSelectedImageObject() { return false; }
void TextDeleteSelectedFigures() {}
void TextClearSelectionRect() { SelectionRect = TRect(0, 0, 0, 0); }

// ---- Binding the text commands ----

void TTextPage::BindTextCommands() {
  TForm1* f = Self();
  auto bindButton = [f](TZQVSpeedButton* b, void (TTextPage::*handler)(QObject*)) {
    QObject::connect(b, &QToolButton::clicked, f, [f, b, handler] { (f->*handler)(b); });
  };
  auto bindAction = [f](QAction* a, void (TTextPage::*handler)(QObject*)) {
    QObject::connect(a, &QAction::triggered, f, [f, a, handler] { (f->*handler)(a); });
  };
  bindButton(f->tbBold, &TTextPage::tbBoldClick);
  bindButton(f->tbItalics, &TTextPage::tbItalicsClick);
  bindButton(f->tbUnderline, &TTextPage::Underline2Click);
  bindButton(f->tbStrikeOut, &TTextPage::Strikeout2Click);
  bindButton(f->tbSuperScript, &TTextPage::_SuperScriptClick);
  bindButton(f->tbSubscript, &TTextPage::_SubscriptsClick);
  bindButton(f->tbMidscript, &TTextPage::_MidScriptClick);
  bindAction(f->Bold, &TTextPage::BoldClick);
  bindAction(f->Bold1, &TTextPage::BoldClick);
  bindAction(f->_Italics, &TTextPage::_ItalicsClick);
  bindAction(f->Italic1, &TTextPage::_ItalicsClick);
  bindAction(f->Underline2, &TTextPage::Underline2Click);
  bindAction(f->Underline1, &TTextPage::Underline2Click);
  bindAction(f->Strikeout2, &TTextPage::Strikeout2Click);
  bindAction(f->Strikeout1, &TTextPage::Strikeout2Click);
  bindAction(f->Superscripts1, &TTextPage::_SuperScriptClick);
  bindAction(f->Subscripts1, &TTextPage::_SubscriptsClick);
  bindAction(f->MidScripts1, &TTextPage::_MidScriptClick);
  bindAction(f->SelectAll1, &TTextPage::SelectAll1Click);
  bindAction(f->DeleteText1, &TTextPage::DeleteText1Click);
  bindAction(f->SaveDefaults1, &TTextPage::SaveDefaults1Click);
  bindAction(f->ChangeSelectedTextAttributes1, &TTextPage::ChangeSelectedTextAttributes1Click);
  bindAction(f->ChangeSelectedTextAttributes3, &TTextPage::ChangeSelectedTextAttributes1Click);
  QObject::connect(f->Format1, &QMenu::aboutToShow, f, [f] { f->Format1Click(f->Format1); });
  // Commands of the Format menu and the selection menu that the layout does not carry yet.
  auto addAction = [f](QMenu* menu, const char* name, const char* caption, void (TTextPage::*handler)(QObject*)) {
    QAction* a = f->findChild<QAction*>(name);
    if (!a) {
      a = new QAction(QString::fromUtf8(caption), f);
      a->setObjectName(name);
      if (menu) menu->addAction(a);
    }
    QObject::connect(a, &QAction::triggered, f, [f, a, handler] { (f->*handler)(a); });
  };
  addAction(f->Format1, "Normal1", "&Normal", &TTextPage::Normal1Click);
  addAction(f->PopupMenu2, "Normal2", "&Normal", &TTextPage::Normal1Click);
  addAction(f->Format1, "BringToFront1", "Swap  Text 'Z' Order", &TTextPage::BringToFront1Click);
  addAction(f->PopupMenu2, "SwopTextZOrder1", "Swap  Text 'Z' Order", &TTextPage::BringToFront1Click);
  addAction(f->PopupMenu2, "SelectAll2", "Select &All", &TTextPage::SelectAll1Click);
}

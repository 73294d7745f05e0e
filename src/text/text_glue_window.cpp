// The text engine's side of the main window: page image, caret, scroll box, status bar, buttons
// and menu items.
#include <QApplication>
#include <QScrollBar>
#include <QStatusBar>

#include "app/main_window.h"
#include "platform/canvas.h"
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

// The caret of the page: a one-pixel wide bar over the scroll box's viewport.
TRect CaretRect;

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
  TextSetButtonDown(TextButton::tbDraw, false);
  TextSetButtonDown(TextButton::tbText, true);
}
bool TextCustomPanelVisible() { return false; }
bool TextExecuteFontDialog(TFont& font) { return false; }

TCanvas* TextPageCanvas() { return Form1 && Form1->MainImage ? Form1->MainImage->Canvas.get() : nullptr; }
bool TextPageImageExists() { return TextPageCanvas() != nullptr; }
void TextMovePagePen(TPoint p) {
  if (TCanvas* c = TextPageCanvas()) c->MoveTo(p.X, p.Y);
}
void TextInvalidatePage() {
  if (Form1 && Form1->MainImage) Form1->MainImage->update();
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

bool TextCaretAllowed(QObject* sender) { return Form1 && TextButtonDown(TextButton::tbText); }
void TextPlaceCaret(int width, int height, int x, int y) { CaretRect = TRect(x, y, x + width, y + height); }
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
bool TextMetricUnits() { return false; }
bool TextStatusBarEnabled() { return Form1 && Form1->statusBar()->isEnabled(); }
void TextSetStatusPanel(int index, const std::string& text) {
  if (Form1 && index >= 0 && index < 5) Form1->StatusPanels[index]->setText(QString::fromStdString(text));
}
bool TextInSymbolFontList(const std::string& name) {
  return Form1 && Form1->SymbolFontList.contains(QString::fromStdString(name), Qt::CaseInsensitive);
}

bool TextMoveImageFrameByKey(uint16_t key) { return false; }
void TextKeyMoveSelectionRect(uint16_t key, uint8_t shift) {}
void TextFinishKeyMovedSelectionRect() {
  if (Form1) Form1->SelRectKeyMoved = false;
}
void TextMoveIndentMarker(uint16_t key) {}
void TextEscapeOnPage() {}
void TextAltShortcut(uint16_t key) {
  if (key == 'X') {
    TextSetButtonDown(TextButton::tbDraw, false);
    TextSetButtonDown(TextButton::tbText, true);
  }
}
void TextUpdateEditButtons() {
  if (!Form1) return;
  TextSetButtonEnabled(TextButton::tbCopy, Form1->HasTextSelection());
  TextSetButtonEnabled(TextButton::tbCutText, Form1->HasTextSelection());
}
void TextHideCadReferenceSelector() {}
bool TextDeleteSelectedImageObject() { return false; }
void TextDeleteSelectedFigures() {}
void TextClearSelectionRect() {}

// For tests: where the caret stands.
TRect TextCaretRect() { return CaretRect; }

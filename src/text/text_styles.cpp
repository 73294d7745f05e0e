// Bold, italic, underline, strikeout and the three scripts, applied to the selected cells or to
// the characters typed next; Normal; the font of a selection; the text layer; the Format menu.
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/main_window.h"
#include "dialogs/main_font_dialog.h"
#include "page/page_part.h"
#include "platform/numeric.h"
#include "settings/settings_store.h"
#include "text/text_glue.h"
#include "text/text_page.h"

uint8_t TTextPage::StyleToFlags(TFontStyles Style) {
  uint8_t f = 0;
  if (Style & fsBold) f |= sfBold;
  if (Style & fsItalic) f |= sfItalic;
  if (Style & fsUnderline) f |= sfUnderline;
  if (Style & fsStrikeOut) f |= sfStrikeOut;
  return f;
}

TFontStyles TTextPage::FlagsToStyle(uint8_t Flags) {
  TFontStyles s = 0;
  if (Flags & sfBold) s |= fsBold;
  if (Flags & sfItalic) s |= fsItalic;
  if (Flags & sfUnderline) s |= fsUnderline;
  if (Flags & sfStrikeOut) s |= fsStrikeOut;
  return s;
}

bool TTextPage::IsPrefixCell(int32_t Index) {
  if (Index < 0 || Index >= CellCount) return false;
  const uint8_t c = CharCodes[Index];
  const std::string& name = CharFonts[Index]->Name;
  const bool symbol = SameFontName(name, "Symbol");
  return (c == 183 && symbol) || ((c == 164 || c == 187) && !symbol) ||
         (c == chTabMark && SameFontName(name, "ZQVSerif"));
}

bool TTextPage::IsSpecialFontChar(const TFont& Font, uint8_t Ch) {
  return Font.Charset == SYMBOL_CHARSET || SameFontName(Font.Name, "ZQVRelMath") ||
         (SameFontName(Font.Name, "ZQVSerif") && InSpecialSerifCodes(Ch));
}

namespace {

struct StyleCommand {
  TextButton Button;
  TextMenu Menu;
  int Kind;
};

}  // namespace

// The toolbar button toggles itself before its click arrives; for any other sender the menu
// check toggles (the menu item itself has done so when it is the sender) and the button follows.
static bool ToggleFromSender(QObject* Sender, TextButton button, TextMenu menu) {
  if (Sender != TextButtonObject(button)) {
    if (!TextIsMenu(Sender, menu)) TextSetMenuChecked(menu, !TextMenuChecked(menu));
    TextSetButtonDown(button, TextMenuChecked(menu));
  } else {
    TextSetMenuChecked(menu, TextButtonDown(button));
  }
  return TextMenuChecked(menu);
}

static void ReturnToTextMode() {
  if (TextButtonDown(TextButton::tbDraw)) TextClickTextTool();
}

static void StyleClick(TTextPage* page, QObject* Sender, TextButton button, TextMenu menu, int kind) {
  const bool checked = ToggleFromSender(Sender, button, menu);
  if (page->HasTextSelection()) page->ApplyStyleToSelection(Sender, kind, !checked);
  if (checked) ReturnToTextMode();
}

void TTextPage::BoldClick(QObject* Sender) { StyleClick(this, Sender, TextButton::tbBold, TextMenu::Bold, 0); }
void TTextPage::_ItalicsClick(QObject* Sender) { StyleClick(this, Sender, TextButton::tbItalics, TextMenu::_Italics, 1); }
void TTextPage::Underline2Click(QObject* Sender) {
  StyleClick(this, Sender, TextButton::tbUnderline, TextMenu::Underline2, 2);
}
void TTextPage::Strikeout2Click(QObject* Sender) {
  StyleClick(this, Sender, TextButton::tbStrikeOut, TextMenu::Strikeout2, 3);
}

static void ScriptClick(TTextPage* page, TForm1* form, QObject* Sender, TextButton button, TextMenu menu, int kind) {
  const bool checked = ToggleFromSender(Sender, button, menu);
  // One script at most: the other two buttons and their checks are released.
  const TextButton buttons[3] = {TextButton::tbSuperScript, TextButton::tbSubscript, TextButton::tbMidscript};
  const TextMenu menus[3] = {TextMenu::Superscripts1, TextMenu::Subscripts1, TextMenu::MidScripts1};
  for (int k = 0; k < 3; ++k) {
    if (buttons[k] == button) continue;
    if (checked) TextSetButtonDown(buttons[k], false);
    TextSetMenuChecked(menus[k], TextButtonDown(buttons[k]));
  }
  if (page->HasTextSelection()) page->ApplyStyleToSelection(Sender, kind, !checked);
  if (checked) {
    form->PaletteInsertCount = 0;
    TextSetPageCursorIBeam();
  }
  if (TextButtonDown(TextButton::tbDraw)) {
    TextClickTextTool();
    TextSetPageCursorIBeam();
  }
}

void TTextPage::_SuperScriptClick(QObject* Sender) {
  ScriptClick(this, Self(), Sender, TextButton::tbSuperScript, TextMenu::Superscripts1, skSuperscript);
}
void TTextPage::_SubscriptsClick(QObject* Sender) {
  ScriptClick(this, Self(), Sender, TextButton::tbSubscript, TextMenu::Subscripts1, skSubscript);
}
void TTextPage::_MidScriptClick(QObject* Sender) {
  ScriptClick(this, Self(), Sender, TextButton::tbMidscript, TextMenu::MidScripts1, skMidscript);
}

void TTextPage::Normal1Click(QObject* Sender) {
  Self()->PaletteInsertCount = 0;
  if (!HasTextSelection()) {
    ClearScriptButtons();
    SetStyleButtonsFromFont(TextMainFont());
    for (auto [b, m] : {std::pair{TextButton::tbBold, TextMenu::Bold}, std::pair{TextButton::tbItalics, TextMenu::_Italics},
                        std::pair{TextButton::tbUnderline, TextMenu::Underline2},
                        std::pair{TextButton::tbStrikeOut, TextMenu::Strikeout2}})
      TextSetMenuChecked(m, TextButtonDown(b));
    MainFontPending = true;
    SetCaretPosition(Sender, 0, 0);
  } else {
    ApplyStyleToSelection(Sender, skNone, false);
  }
}

void TTextPage::ApplyStyleToSelection(QObject* Sender, int Kind, bool Remove) {
  if (std::abs(SelEnd - SelStart) > 1) PushTextUndo(Sender);
  if (ChangeSelectionStyle(Sender, Kind, Remove)) {
    LayoutTextCells();
    Self()->RefreshAllImages(Sender, false);
  }
  UpdateStyleButtons(Sender, false, 0);
  TextSetButtonEnabled(TextButton::tbCutText, false);
  TextSetButtonEnabled(TextButton::tbPaste, false);
  TextSetButtonEnabled(TextButton::tbCopy, false);
}

bool TTextPage::ChangeSelectionStyle(QObject* Sender, int Kind, bool Remove) {
  if (!HasTextSelection()) return false;
  const int first = std::max(SelStart, 1);
  const int last = std::min(SelEnd - 1, MaxCharacters - 1);
  const int base = FontBefore(first)->Size();
  const int newOffset = (Kind >= skSuperscript && Kind <= skSubscript) ? ScriptOffset(base, Kind) : 0;
  for (int i = first; i <= std::min(SelEnd - 1, MaxCharacters); ++i) UnhighlightChar(i);
  const TFont& main = TextMainFont();
  for (int i = first; i <= last; ++i) {
    const bool special = IsSpecialCell(i);
    TMyFont& f = *CharFonts[i];
    if (Kind >= skSuperscript && Kind <= skSubscript) {
      if (Remove) {
        CharOffsets[i] = 0;
        f.SetSize(FontBefore(i)->Size());
      } else if (!special) {
        const int size = FontBefore(i)->Size();
        CharOffsets[i] = newOffset;
        f.SetSize(ScriptFontSize(size));
      }
    } else if (Kind >= 0 && Kind <= 3) {
      const TFontStyles bit = FlagsToStyle(uint8_t(1u << Kind));
      if (Remove)
        f.Style = f.Style & ~bit;
      else if (!special)
        f.Style = f.Style | bit;
    } else if (Kind == skNone) {
      const uint8_t c = CharCodes[i];
      if (InSpecialSerifCodes(c) || f.Charset == SYMBOL_CHARSET || SameFontName(f.Name, "ZQVRelMath") || c >= 126) {
        f.Style = TFontStyles();
      } else {
        f.Assign(main);
        CharOffsets[i] = 0;
      }
    }
  }
  ClearSelectionRange();
  return true;
}

void TTextPage::UpdateStyleButtons(QObject* Sender, bool UseSelection, uint16_t Key) {
  if (!TextPageReady()) return;
  uint8_t flags = 0;
  int ref = std::clamp(InsertToggleOn() ? CurrentI : CurrentI - 1, 0, MaxCharacters);
  if (UseSelection && HasTextSelection()) {
    for (int i = std::max(SelStart, 1); i < std::min(SelEnd, CellCount); ++i) {
      flags |= StyleToFlags(CharFonts[i]->Style);
      if (Key != 32) {
        switch (CellScriptKind(i)) {
          case skSuperscript: flags |= sfSuperscript; break;
          case skMidscript: flags |= sfMidscript; break;
          case skSubscript: flags |= sfSubscript; break;
          default: break;
        }
      }
    }
  } else {
    UseSelection = false;
    flags = StyleToFlags(CharFonts[ref]->Style);
  }
  TextSetButtonDown(TextButton::tbBold, flags & sfBold);
  TextSetButtonDown(TextButton::tbItalics, flags & sfItalic);
  TextSetButtonDown(TextButton::tbUnderline, flags & sfUnderline);
  TextSetButtonDown(TextButton::tbStrikeOut, flags & sfStrikeOut);
  TextSetMenuChecked(TextMenu::Bold, flags & sfBold);
  TextSetMenuChecked(TextMenu::_Italics, flags & sfItalic);
  TextSetMenuChecked(TextMenu::Underline2, flags & sfUnderline);
  TextSetMenuChecked(TextMenu::Strikeout2, flags & sfStrikeOut);

  int refOffset = 0;
  if (UseSelection) {
    TypingFont->Style = FlagsToStyle(flags);
  } else {
    const TFont& rf = *CharFonts[ref];
    refOffset = CharOffsets[ref];
    if (CharCodes[ref] < 126 && !SameFontName(rf.Name, "ZQVRelMath") && rf.Charset != SYMBOL_CHARSET &&
        !TextIsMenu(Sender, TextMenu::ChangeSelectedTextAttributes1)) {
      TypingFont->Assign(rf);
    } else {
      TypingFont->Assign(*StandardFont);
      refOffset = 0;
    }
  }
  int kind = skNone;
  if (!UseSelection && refOffset != 0) {
    if (Key != 32) kind = CellScriptKind(CurrentI - 1);
  } else if (flags & sfSuperscript) {
    kind = skSuperscript;
  } else if (flags & sfMidscript) {
    kind = skMidscript;
  } else if (flags & sfSubscript) {
    kind = skSubscript;
  }
  TextSetButtonDown(TextButton::tbSuperScript, kind == skSuperscript);
  TextSetButtonDown(TextButton::tbMidscript, kind == skMidscript);
  TextSetButtonDown(TextButton::tbSubscript, kind == skSubscript);
  TextSetMenuChecked(TextMenu::Superscripts1, kind == skSuperscript);
  TextSetMenuChecked(TextMenu::MidScripts1, kind == skMidscript);
  TextSetMenuChecked(TextMenu::Subscripts1, kind == skSubscript);
}

void TTextPage::SetStyleButtonsFromFont(const TFont& Font) {
  TextSetButtonDown(TextButton::tbBold, Font.Style & fsBold);
  TextSetButtonDown(TextButton::tbItalics, Font.Style & fsItalic);
  TextSetButtonDown(TextButton::tbUnderline, Font.Style & fsUnderline);
  TextSetButtonDown(TextButton::tbStrikeOut, Font.Style & fsStrikeOut);
}

void TTextPage::ChangeSelectedTextAttributes1Click(QObject* Sender) {
  if (!HasTextSelection()) {
    SetModified();
    return;
  }
  // The sample cell: the first selected cell that is neither a symbol character, a special
  // character nor a prefix cell; a single selected cell itself; else the cell after the selection.
  int sample = -1;
  if (SelEnd - SelStart == 1) {
    sample = SelStart;
  } else {
    for (int i = SelStart; i < SelEnd && i < MaxCharacters; ++i) {
      if (!IsSymbolFontChar(CharFonts[i].get(), CharCodes[i]) && !IsSpecialFontChar(*CharFonts[i], CharCodes[i]) &&
          !IsPrefixCell(i)) {
        sample = i;
        break;
      }
    }
    if (sample < 0) sample = std::min(SelEnd, MaxCharacters);
  }
  TMyFont copy(*CharFonts[sample]);
  TMyFont chosen(copy);
  if (TextExecuteFontDialog(chosen)) {
    uint8_t mask = 4;
    const bool sizeChanged = chosen.Size() != copy.Size();
    const bool colorChanged = chosen.Color != copy.Color;
    if (sizeChanged) mask = 5;
    if (colorChanged) mask = sizeChanged ? 7 : 6;
    if (chosen.Style != copy.Style) mask |= 8;
    if (chosen.Charset != copy.Charset) mask |= 16;
    ApplyFontToSelection(Sender, mask, chosen, copy.Size());
    ClearSelection(true);
  }
  SetModified();
}

void TTextPage::ApplyFontToSelection(QObject* Sender, uint8_t Mask, const TFont& Font, int32_t OldSize) {
  if (!HasTextSelection()) return;
  const bool insertWas = InsertToggleOn();
  SetInsertToggle(false);
  const int first = std::max(SelStart, 1);
  const int last = std::min(SelEnd - 1, MaxCharacters - 1);
  const bool single = (SelEnd - SelStart) == 1;
  std::vector<int> kinds(size_t(last - first + 1), skNone);
  for (int i = first; i <= last; ++i) kinds[size_t(i - first)] = CellScriptKind(i);
  PushTextUndo(Sender);
  // A damaged cell may hold size 0: then sizes are kept (ratio 1).
  const double ratio = OldSize != 0 ? double(Font.Size()) / double(OldSize) : 1.0;
  const bool stepButton = TextIsFontStepButton(Sender);
  const TFont& main = TextMainFont();
  for (int i = first; i <= last; ++i) {
    TMyFont& f = *CharFonts[i];
    const bool symbolChar = IsSymbolFontChar(&f, CharCodes[i]);
    const bool special = IsSpecialFontChar(f, CharCodes[i]);
    if (Mask & 4) {
      if (single || (!special && !symbolChar)) {
        f.Name = Font.Name;
        f.Charset = main.Charset;
      }
    }
    if (Mask & 1) {
      const int kind = kinds[size_t(i - first)];
      if (kind != skNone) {
        CharOffsets[i] = ScriptOffset(FontBefore(i)->Size(), kind);
        f.SetSize(int(Round32(f.Size() * ratio)));
      } else if (CharOffsets[i] != 0) {
        CharOffsets[i] = Round32(CharOffsets[i] * ratio);
        f.SetSize(int(Round32(f.Size() * ratio)));
      } else if (stepButton) {
        f.SetSize(int(Round32(f.Size() * ratio)));
      } else {
        f.SetSize(Font.Size());
      }
    }
    if (Mask & 8) {
      if (!IsSpecialCell(i) && (single || !IsPrefixCell(i))) f.Style = Font.Style;
    }
    if (Mask & 2) f.Color = Font.Color;
    if (Mask & 16) {
      if (!special && (single || !symbolChar)) f.Charset = Font.Charset;
    }
  }
  if (Mask & (1 | 4 | 8)) LayoutTextCells();
  SetModified();
  if (Mask != 0) Self()->RefreshAllImages(Sender, false);
  SetInsertToggle(insertWas);
}

void TTextPage::BringToFront1Click(QObject* Sender) {
  for (int i = std::max(SelStart, 1); i < std::min(SelEnd, CellCount); ++i) CharZOrder[i] = !CharZOrder[i];
  ClearSelection(true);
  Self()->RefreshText(TextPageCanvas(), 1.0, 1.0, false, std::max(CurrentI - 1, 1));
}

void TTextPage::Format1Click(QObject* Sender) {
  TextSetMenuEnabled(TextMenu::SpecialFonts1, TextCustomPanelVisible());
  TextSetMenuEnabled(TextMenu::MainFont1, TextPageImageExists());
  const TFont& f = *CharFonts[std::clamp(CurrentI - 1, 0, MaxCharacters)];
  TextSetMenuChecked(TextMenu::Bold1, f.Style & fsBold);
  TextSetMenuChecked(TextMenu::Italic1, f.Style & fsItalic);
  TextSetMenuChecked(TextMenu::Underline1, f.Style & fsUnderline);
  TextSetMenuChecked(TextMenu::Strikeout1, f.Style & fsStrikeOut);
  const bool sel = HasTextSelection();
  for (TextMenu m : {TextMenu::Indent1, TextMenu::WrapSelectiontoMargin1, TextMenu::WraptoX1, TextMenu::TrimSelection1,
                     TextMenu::ChangeSelectedTextAttributes3})
    TextSetMenuEnabled(m, sel);
}

void TTextPage::DeleteText1Click(QObject* Sender) {
  if (HasTextSelection()) {
    Self()->DeleteSelectedText(Sender);
    SetCaretPosition(Sender, 0, 0);
  }
  SetModified();
}

void TTextPage::SaveDefaults1Click(QObject* Sender) { SaveSettings(); }

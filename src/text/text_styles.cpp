// Bold, italic, underline, strikeout and the three scripts, applied to the selected cells or to
// the characters typed next; Normal; the font of a selection; the text layer; the Format menu.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/numeric.h"
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
static bool ToggleFromSender(TTextHost* Host, QObject* Sender, TextButton button, TextMenu menu) {
  if (Sender != Host->ButtonObject(button)) {
    if (!Host->IsMenu(Sender, menu)) Host->SetMenuChecked(menu, !Host->MenuChecked(menu));
    Host->SetButtonDown(button, Host->MenuChecked(menu));
  } else {
    Host->SetMenuChecked(menu, Host->ButtonDown(button));
  }
  return Host->MenuChecked(menu);
}

static void ReturnToTextMode(TTextHost* Host) {
  if (Host->ButtonDown(TextButton::tbDraw)) Host->ClickTextTool();
}

static void StyleClick(TTextPage* page, QObject* Sender, TextButton button, TextMenu menu, int kind) {
  const bool checked = ToggleFromSender(page->Host, Sender, button, menu);
  if (page->HasTextSelection()) page->ApplyStyleToSelection(Sender, kind, !checked);
  if (checked) ReturnToTextMode(page->Host);
}

void TTextPage::BoldClick(QObject* Sender) { StyleClick(this, Sender, TextButton::tbBold, TextMenu::Bold, 0); }
void TTextPage::_ItalicsClick(QObject* Sender) { StyleClick(this, Sender, TextButton::tbItalics, TextMenu::_Italics, 1); }
void TTextPage::Underline2Click(QObject* Sender) {
  StyleClick(this, Sender, TextButton::tbUnderline, TextMenu::Underline2, 2);
}
void TTextPage::Strikeout2Click(QObject* Sender) {
  StyleClick(this, Sender, TextButton::tbStrikeOut, TextMenu::Strikeout2, 3);
}

static void ScriptClick(TTextPage* page, QObject* Sender, TextButton button, TextMenu menu, int kind) {
  TTextHost* Host = page->Host;
  const bool checked = ToggleFromSender(Host, Sender, button, menu);
  // One script at most: the other two buttons and their checks are released.
  const TextButton buttons[3] = {TextButton::tbSuperScript, TextButton::tbSubscript, TextButton::tbMidscript};
  const TextMenu menus[3] = {TextMenu::Superscripts1, TextMenu::Subscripts1, TextMenu::MidScripts1};
  for (int k = 0; k < 3; ++k) {
    if (buttons[k] == button) continue;
    if (checked) Host->SetButtonDown(buttons[k], false);
    Host->SetMenuChecked(menus[k], Host->ButtonDown(buttons[k]));
  }
  if (page->HasTextSelection()) page->ApplyStyleToSelection(Sender, kind, !checked);
  if (checked) {
    page->PaletteInsertCount = 0;
    Host->SetPageCursorIBeam();
  }
  if (Host->ButtonDown(TextButton::tbDraw)) {
    Host->ClickTextTool();
    Host->SetPageCursorIBeam();
  }
}

void TTextPage::_SuperScriptClick(QObject* Sender) {
  ScriptClick(this, Sender, TextButton::tbSuperScript, TextMenu::Superscripts1, skSuperscript);
}
void TTextPage::_SubscriptsClick(QObject* Sender) {
  ScriptClick(this, Sender, TextButton::tbSubscript, TextMenu::Subscripts1, skSubscript);
}
void TTextPage::_MidScriptClick(QObject* Sender) {
  ScriptClick(this, Sender, TextButton::tbMidscript, TextMenu::MidScripts1, skMidscript);
}

void TTextPage::Normal1Click(QObject* Sender) {
  PaletteInsertCount = 0;
  if (!HasTextSelection()) {
    ClearScriptButtons();
    SetStyleButtonsFromFont(Host->MainFont());
    for (auto [b, m] : {std::pair{TextButton::tbBold, TextMenu::Bold}, std::pair{TextButton::tbItalics, TextMenu::_Italics},
                        std::pair{TextButton::tbUnderline, TextMenu::Underline2},
                        std::pair{TextButton::tbStrikeOut, TextMenu::Strikeout2}})
      Host->SetMenuChecked(m, Host->ButtonDown(b));
    MainFontPending = true;
    SetCaretPosition(Sender, 0, 0);
  } else {
    ApplyStyleToSelection(Sender, skNone, false);
  }
}

void TTextPage::ApplyStyleToSelection(QObject* Sender, int Kind, bool Remove) {
  if (std::abs(SelEnd - SelStart) > 1) Host->PushTextUndo(Sender);
  if (ChangeSelectionStyle(Sender, Kind, Remove)) {
    LayoutTextCells();
    Host->RefreshAllImages(Sender, false);
  }
  UpdateStyleButtons(Sender, false, 0);
  Host->SetButtonEnabled(TextButton::tbCutText, false);
  Host->SetButtonEnabled(TextButton::tbPaste, false);
  Host->SetButtonEnabled(TextButton::tbCopy, false);
}

bool TTextPage::ChangeSelectionStyle(QObject* Sender, int Kind, bool Remove) {
  if (!HasTextSelection()) return false;
  const int first = std::max(SelStart, 1);
  const int last = std::min(SelEnd - 1, MaxCharacters - 1);
  const int base = FontBefore(first)->Size();
  const int newOffset = (Kind >= skSuperscript && Kind <= skSubscript) ? ScriptOffset(base, Kind) : 0;
  for (int i = first; i <= std::min(SelEnd - 1, MaxCharacters); ++i) UnhighlightChar(i);
  const TFont& main = Host->MainFont();
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
  Host->SetButtonDown(TextButton::tbBold, flags & sfBold);
  Host->SetButtonDown(TextButton::tbItalics, flags & sfItalic);
  Host->SetButtonDown(TextButton::tbUnderline, flags & sfUnderline);
  Host->SetButtonDown(TextButton::tbStrikeOut, flags & sfStrikeOut);
  Host->SetMenuChecked(TextMenu::Bold, flags & sfBold);
  Host->SetMenuChecked(TextMenu::_Italics, flags & sfItalic);
  Host->SetMenuChecked(TextMenu::Underline2, flags & sfUnderline);
  Host->SetMenuChecked(TextMenu::Strikeout2, flags & sfStrikeOut);

  int refOffset = 0;
  if (UseSelection) {
    TypingFont->Style = FlagsToStyle(flags);
  } else {
    const TFont& rf = *CharFonts[ref];
    refOffset = CharOffsets[ref];
    if (CharCodes[ref] < 126 && !SameFontName(rf.Name, "ZQVRelMath") && rf.Charset != SYMBOL_CHARSET &&
        !Host->IsMenu(Sender, TextMenu::ChangeSelectedTextAttributes1)) {
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
  Host->SetButtonDown(TextButton::tbSuperScript, kind == skSuperscript);
  Host->SetButtonDown(TextButton::tbMidscript, kind == skMidscript);
  Host->SetButtonDown(TextButton::tbSubscript, kind == skSubscript);
  Host->SetMenuChecked(TextMenu::Superscripts1, kind == skSuperscript);
  Host->SetMenuChecked(TextMenu::MidScripts1, kind == skMidscript);
  Host->SetMenuChecked(TextMenu::Subscripts1, kind == skSubscript);
}

void TTextPage::SetStyleButtonsFromFont(const TFont& Font) {
  Host->SetButtonDown(TextButton::tbBold, Font.Style & fsBold);
  Host->SetButtonDown(TextButton::tbItalics, Font.Style & fsItalic);
  Host->SetButtonDown(TextButton::tbUnderline, Font.Style & fsUnderline);
  Host->SetButtonDown(TextButton::tbStrikeOut, Font.Style & fsStrikeOut);
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
  if (Host->ExecuteFontDialog(chosen)) {
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
  Host->PushTextUndo(Sender);
  // A damaged cell may hold size 0: then sizes are kept (ratio 1).
  const double ratio = OldSize != 0 ? double(Font.Size()) / double(OldSize) : 1.0;
  const bool stepButton = Host->IsFontStepButton(Sender);
  const TFont& main = Host->MainFont();
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
  if (Mask != 0) Host->RefreshAllImages(Sender, false);
  SetInsertToggle(insertWas);
}

void TTextPage::BringToFront1Click(QObject* Sender) {
  for (int i = std::max(SelStart, 1); i < std::min(SelEnd, CellCount); ++i) CharZOrder[i] = !CharZOrder[i];
  ClearSelection(true);
  Host->RefreshText(Host->PageCanvas(), 1.0, 1.0, false, std::max(CurrentI - 1, 1));
}

void TTextPage::Format1Click(QObject* Sender) {
  Host->SetMenuEnabled(TextMenu::SpecialFonts1, Host->CustomPanelVisible());
  Host->SetMenuEnabled(TextMenu::MainFont1, (Host->PageCanvas() != nullptr));
  const TFont& f = *CharFonts[std::clamp(CurrentI - 1, 0, MaxCharacters)];
  Host->SetMenuChecked(TextMenu::Bold1, f.Style & fsBold);
  Host->SetMenuChecked(TextMenu::Italic1, f.Style & fsItalic);
  Host->SetMenuChecked(TextMenu::Underline1, f.Style & fsUnderline);
  Host->SetMenuChecked(TextMenu::Strikeout1, f.Style & fsStrikeOut);
  const bool sel = HasTextSelection();
  for (TextMenu m : {TextMenu::Indent1, TextMenu::WrapSelectiontoMargin1, TextMenu::WraptoX1, TextMenu::TrimSelection1,
                     TextMenu::ChangeSelectedTextAttributes3})
    Host->SetMenuEnabled(m, sel);
}

void TTextPage::DeleteText1Click(QObject* Sender) {
  if (HasTextSelection()) {
    Host->DeleteSelectedText(Sender);
    SetCaretPosition(Sender, 0, 0);
  }
  SetModified();
}

void TTextPage::SaveDefaults1Click(QObject* Sender) { Host->SaveApplicationDefaults(); }

// The main window's key handlers for the page: dispatch of the editing and caret keys, the
// caret-moving keys, selection growth with Shift, and the end of each keystroke.
#include <algorithm>
#include <cmath>
#include <vector>

#include <QApplication>

#include "platform/process_messages.h"
#include "text/text_glue.h"
#include "text/text_page.h"

namespace {

bool IsArrow(uint16_t key) { return key >= vk::Left && key <= vk::Down; }

}  // namespace

void TTextPage::FormKeyDown(QObject* Sender, uint16_t& Key, TShiftState Shift) {
  LastLaidOutCell = 0;
  Host->ShowInsertMode();
  if (Key == 0 || (Key == 'Z' && (Shift & ssCtrl))) return;
  if (IsArrow(Key) && Host->MoveImageFrameByKey(Key)) return;
  if (Key != vk::Delete) Host->DeselectImage(Sender, true);
  const bool textMode = Host->ButtonDown(TextButton::tbText);
  if (!textMode && (Shift & (ssCtrl | ssShift)) && !(Shift & ssAlt)) {
    const bool rectKey = IsArrow(Key) || Key == 'H' || Key == 'W' || Key == vk::Numpad2 || Key == vk::Numpad4 ||
                         Key == vk::Numpad6 || Key == vk::Numpad8;
    if (rectKey) {
      Host->KeyMoveSelectionRect(Key, Shift);
      return;
    }
  }
  if (Host->IsPageDisabled()) return;
  const bool noModifier = !(Shift & (ssShift | ssCtrl | ssAlt));
  // The drawing keys: figure parameters with the draw or select tool, nudges with the move tool.
  if (!textMode && Host->CadKeyDown(Key, Shift)) return;
  if (noModifier && Key != vk::Left && Key != vk::Right && Key != vk::Delete && HasTextSelection()) {
    Host->SetButtonEnabled(TextButton::tbUndo, true);
    ClearSelection(true);
    ProcessMessages();
  }
  if ((Shift & ssShift) && !HasTextSelection()) {
    SelStart = CurrentI;
    SelEnd = CurrentI;
  }
  const bool indentKey = (Key == vk::Left || Key == vk::Right || Key == vk::Numpad4 || Key == vk::Numpad6);
  if (textMode && HasTextSelection() && (Shift & ssCtrl) && indentKey) {
    Host->MoveIndentMarker(Key);
  } else {
    switch (Key) {
      case vk::Back: BackspaceKey(Sender, Shift); break;
      case vk::Return: NewLine(Sender, Shift, true); break;
      case vk::Escape: Host->EscapeOnPage(); break;
      case vk::End: doVK_End(Sender, Shift); break;
      case vk::Home: HomeKey(Sender, Shift); break;
      case vk::Left: CaretLeft(Sender, Shift); break;
      case vk::Up: CaretUp(Sender, Shift); break;
      case vk::Right: CaretRight(Sender, Shift); break;
      case vk::Down: CaretDown(Sender, Shift); break;
      case vk::Delete: DeleteKey(Sender, Shift); break;
      case vk::F5: Host->RefreshText(Host->PageCanvas(), 1.0, 1.0, false, 1); break;
      case vk::F6:
      case vk::F7:
      case vk::F8: Host->RefreshLayer(Sender, Key); break;
      case vk::F9: Host->RefreshAllImages(Sender, false); break;
      default: break;
    }
  }
  KeyPressEnabled = !(Shift & ssCtrl);
  SetCaretPosition(Sender, Shift & ~ssLeft, 0);
  ProcessMessages();
}

void TTextPage::FormKeyUp(QObject* Sender, uint16_t& Key, TShiftState Shift) {
  const bool textMode = Host->ButtonDown(TextButton::tbText);
  if (Key == vk::Tab && textMode && !Host->IsPageDisabled()) {
    if (HasTextSelection()) {
      Host->PushTextUndo(Sender);
      InsertLinePrefixes(Sender, 1);
    } else {
      ClearScriptButtons();
      TMyFont tab;
      tab.Name = "ZQVSerif";
      tab.SetSize(12);
      tab.Charset = DEFAULT_CHARSET;
      tab.Color = Host->MainFont().Color;
      tab.Style = FontBefore(CurrentI - 1)->Style & ~(fsUnderline | fsStrikeOut);
      InsertChar(Sender, Host->PageCanvas(), true, tab, 0, chTabMark);
      SetModified();
    }
    ProcessMessages();
    SetCaretPosition(Sender, 0, 0);
  }
  TextBurst = false;
  DeleteUndoTaken = false;
  BackspaceUndoTaken = false;
  if (!textMode) Host->CadKeyUp(Sender, Key, Shift);
  Host->FinishKeyMovedSelectionRect();
  if ((Shift & ssAlt) && !(Shift & ssCtrl)) Host->AltShortcut(Key);
  if (textMode && !(Shift & ssShift)) {
    if (HasTextSelection()) {
      Host->UpdateEditButtons();
      Host->TrimSelectionToText();
    }
    if (!MainFontPending && !(Shift & ssCtrl) && Key != vk::Control)
      UpdateStyleButtons(Sender, HasTextSelection(), Key);
    const int clientHeight = Host->ScrollClientHeight();
    const int caretY = CaretY - Host->ScrollPosition().Y;
    if (Key == vk::Return || Key == vk::Down) {
      if (caretY > clientHeight - 3 * LineHeight) Host->ScrollVertically(caretY - clientHeight + 2 * LineHeight);
    } else if (Key == vk::Back || Key == vk::Up) {
      if (caretY < LineHeight) Host->ScrollVertically(-(std::abs(caretY) + LineHeight));
    }
    const bool quietKey = Key == vk::Return || Key == vk::End || Key == vk::Home || IsArrow(Key) ||
                          Key == vk::Insert || (Key >= vk::F1 && Key <= vk::F12);
    if (Host->MenuChecked(TextMenu::AlwaysRefresh1) && !quietKey) Host->RefreshAllImages(Sender, false);
    ProcessMessages();
    SetCaretPosition(Sender, 0, CurrentI);
    Host->UpdateCadSelector();
  }
}

void TTextPage::CaretLeft(QObject* Sender, TShiftState Shift) {
  if (Shift & ssAlt) return;
  PaletteInsertCount = 0;
  if (CurrentI <= 1) {
    TextBeep(0);
    SetCaretPosition(Sender, 0, 0);
    return;
  }
  if (Shift & ssShift)
    ExtendSelection(CurrentI, vk::Left);
  else
    ClearSelection(true);
  --CurrentI;
  MoveCaretTo(CharPositions[CurrentI]);
}

void TTextPage::CaretRight(QObject* Sender, TShiftState Shift) {
  if (Shift & ssAlt) return;
  PaletteInsertCount = 0;
  if (!NextCellPlaced()) return;
  if (Shift & ssShift)
    ExtendSelection(CurrentI, vk::Right);
  else
    ClearSelection(true);
  ++CurrentI;
  MoveCaretTo(CharPositions[CurrentI]);
}

void TTextPage::CaretUp(QObject* Sender, TShiftState Shift) {
  if (Shift & ssAlt) return;
  PaletteInsertCount = 0;
  const int target = CaretY - LineHeight;
  if (target < tMargin) {
    TextBeep(0);
    return;
  }
  ClearScriptButtons();
  CaretFromPoint(CaretPos.X, target, vk::Up);
  if (Shift & ssShift)
    ExtendSelection(CurrentI, vk::Up);
  else
    ClearSelection(true);
}

void TTextPage::CaretDown(QObject* Sender, TShiftState Shift) {
  if (Shift & ssAlt) return;
  PaletteInsertCount = 0;
  const int target = CaretY + LineHeight;
  const int last = LastUsedIndex();
  const bool allowed = target + Host->StandardSize() / 2 < bMargin && NextCellPlaced() &&
                       CharPositions[CurrentI + 1].Y != 0 && last >= 2 && target <= CharPositions[last - 1].Y;
  if (!allowed) {
    TextBeep(0);
    return;
  }
  ClearScriptButtons();
  CaretFromPoint(CaretPos.X, target, vk::Down);
  if (Shift & ssShift) ExtendSelection(CurrentI, vk::Down);
}

void TTextPage::HomeKey(QObject* Sender, TShiftState Shift) {
  PaletteInsertCount = 0;
  const bool shift = Shift & ssShift;
  if (shift && !HasTextSelection()) SelStart = SelEnd = CurrentI;
  CurrentI = std::clamp(CurrentI, 1, MaxCharacters);
  while (CurrentI > 1 && CharPositions[CurrentI - 1].Y == CharPositions[CurrentI].Y) {
    if (shift) ExtendSelection(CurrentI, vk::Left);
    --CurrentI;
  }
  MoveCaretTo(CharPositions[CurrentI]);
  Host->ScrollHorizontallyTo(0, true);
}

void TTextPage::doVK_End(QObject* Sender, TShiftState Shift) {
  PaletteInsertCount = 0;
  const bool shift = Shift & ssShift;
  if (shift && !HasTextSelection()) SelStart = SelEnd = CurrentI;
  CurrentI = std::clamp(CurrentI, 1, MaxCharacters - 1);
  while (CurrentI < MaxCharacters - 1 && CharCodes[CurrentI] != 0 && CharPositions[CurrentI + 1].Y != 0) {
    if (shift) ExtendSelection(CurrentI, vk::Right);
    ++CurrentI;
  }
  if (!Host->IsMouseClickActive()) {
    // Back over trailing blanks: spaces and the marker character.
    while (CurrentI > 1 && (CharCodes[CurrentI - 1] == 32 || CharCodes[CurrentI - 1] == chMarker)) {
      if (shift) ExtendSelection(CurrentI, vk::Left);
      --CurrentI;
    }
  }
  MoveCaretTo(CharPositions[CurrentI]);
  const int x = CharPositions[CurrentI].X;
  if (x > Host->ScrollClientWidth() - 20) Host->ScrollHorizontallyTo(x - lMargin, false);
}

void TTextPage::ExtendSelection(int32_t Index, uint16_t Key) {
  Host->HideCadReferenceSelector();
  switch (Key) {
    case vk::Left:
      if (SelStart < Index && Index <= SelEnd) {
        --SelEnd;
        UnhighlightChar(SelEnd);
      } else if (Index <= SelStart && SelStart > 1) {
        --SelStart;
        HighlightChar(SelStart);
      }
      break;
    case vk::Right:
      if (Index >= SelEnd && Index >= SelStart) {
        if (SelEnd < MaxCharacters) {
          HighlightChar(SelEnd);
          ++SelEnd;
        }
      } else if (Index == SelStart && HasTextSelection()) {
        UnhighlightChar(SelStart);
        ++SelStart;
      }
      break;
    case vk::Down:
      if (HasTextSelection() && Index < SelEnd) {
        while (SelStart < Index && SelStart < SelEnd) {
          UnhighlightChar(SelStart);
          ++SelStart;
        }
      }
      if (Index > SelEnd) {
        while (SelEnd < Index && SelEnd < MaxCharacters) {
          HighlightChar(SelEnd);
          ++SelEnd;
        }
      }
      break;
    case vk::Up:
      if (SelStart <= Index && Index < SelEnd) {
        while (SelEnd > Index && SelEnd > SelStart) {
          --SelEnd;
          UnhighlightChar(SelEnd);
        }
      } else if (Index < SelStart) {
        while (SelStart > Index && SelStart > 1) {
          --SelStart;
          HighlightChar(SelStart);
        }
      }
      break;
    default:
      break;
  }
}

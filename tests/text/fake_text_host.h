// A small host for the text engine without a window: a page bitmap, buttons and menu items as
// plain states, status panels as strings, and counters for the page operations. The page
// operations that change the text (deleting the selection, trimming it) do what the page does.
#pragma once

#include <gtest/gtest.h>

#include <QObject>
#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/clipboard_formats.h"
#include "platform/canvas.h"
#include "platform/exceptions.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "text/text_glue.h"
#include "text/text_host.h"
#include "text/text_page.h"
#include "text_keystrokes.h"

class TFakeTextHost : public TTextHost {
public:
  explicit TFakeTextHost(TTextPage& page) : Page(page), PageImage(816, 1056, pf24bit) {
    for (auto& o : Buttons) o = std::make_unique<QObject>();
    for (auto& o : Menus) o = std::make_unique<QObject>();
    Down[TextButton::tbText] = true;
  }

  TTextPage& Page;
  TBitmap PageImage;
  TFont Main{"Times New Roman", 12, 0, clBlack, ANSI_CHARSET};

  int ScriptPercentSetting = 50;
  std::vector<std::string> SymbolFonts{"Symbol", "ZQVRelMath"};
  std::map<TextButton, bool> Down, Disabled;
  std::map<TextMenu, bool> Checked, MenuDisabled;
  std::array<std::unique_ptr<QObject>, 17> Buttons;
  std::array<std::unique_ptr<QObject>, 23> Menus;
  QObject Window;
  std::array<std::string, 6> Panels;
  bool PageDisabled = false;
  bool Modified = false;
  int Refreshes = 0, Snapshots = 0, Deselects = 0, SettingsSaved = 0;
  TRect Caret;
  bool CaretShown = false;

  const TFont& MainFont() override { return Main; }
  int ScriptPercent() override { return ScriptPercentSetting; }
  int CustomOffset() override { return -4; }
  int StandardSize() override { return 12; }
  bool InSymbolFontList(const std::string& name) override {
    return std::any_of(SymbolFonts.begin(), SymbolFonts.end(),
                       [&](const std::string& n) { return SameFontName(n, name.c_str()); });
  }
  // The font dialog answers through FontDialog; without one it is cancelled.
  std::function<bool(TFont&)> FontDialog;
  bool ExecuteFontDialog(TFont& font) override { return FontDialog && FontDialog(font); }
  TCanvas* PageCanvas() override { return &PageImage.Canvas(); }
  void InvalidatePage() override {}
  TColor PageBackgroundColor() override { return clWhite; }
  void SetPageCursorIBeam() override {}
  void RefreshAllImages(QObject* Sender, bool NoHourglass) override {
    ++Refreshes;
    if (ButtonDown(TextButton::tbText) && Sender != &Window) Page.SetCaretPosition(Sender, 0, 0);
  }
  void RefreshText(TCanvas*, double, double, bool, int) override {}
  bool DeselectImage(QObject*, bool) override {
    ++Deselects;
    return false;
  }
  void DeleteSelectedText(QObject* Sender) override {
    Page.CurrentI = std::clamp(Page.SelStart, 1, MaxCharacters - 1);
    if (!Page.HasTextSelection()) return;
    PushTextUndo(Sender);
    const int count = std::min(Page.SelEnd, MaxCharacters) - Page.CurrentI;
    for (int k = 0; k < count; ++k) Page.ShiftDataDown(Page.CurrentI, 1);
    Page.LayoutTextCells();
    Page.ClearSelectionRange();
    RefreshAllImages(Sender, false);
  }
  void TrimSelectionToText() override {
    while (Page.SelStart < Page.SelEnd && Page.CharCodes[Page.SelStart] < 32) ++Page.SelStart;
    while (Page.SelEnd > Page.SelStart && Page.CharCodes[Page.SelEnd - 1] < 32) --Page.SelEnd;
  }
  // Each snapshot keeps the cells as they were, so that UndoText can put them back.
  struct Snapshot {
    std::array<uint8_t, CellCount> Codes;
    std::array<int32_t, CellCount> Offsets;
    std::vector<TFont> Fonts;
    int32_t Caret;
  };
  std::vector<Snapshot> Undo;
  void PushTextUndo(QObject*) override {
    ++Snapshots;
    Snapshot s{Page.CharCodes, Page.CharOffsets, {}, Page.CurrentI};
    s.Fonts.reserve(CellCount);
    for (const auto& f : Page.CharFonts) s.Fonts.push_back(*f);
    Undo.push_back(std::move(s));
  }
  int UndoneTexts = 0;
  void UndoText(QObject*) override {
    ++UndoneTexts;
    if (Undo.empty()) return;
    const Snapshot& s = Undo.back();
    Page.CharCodes = s.Codes;
    Page.CharOffsets = s.Offsets;
    for (size_t i = 0; i < s.Fonts.size(); ++i) Page.CharFonts[i]->Assign(s.Fonts[i]);
    Page.CurrentI = s.Caret;
    Page.LayoutTextCells();
    Undo.pop_back();
  }
  // The figures cut instead of the text, when a test says there are some.
  bool ShapesToCut = false;
  int ShapeCuts = 0;
  bool CutSelectedShapes(QObject*) override {
    if (!ShapesToCut) return false;
    ++ShapeCuts;
    return true;
  }
  // The text formats go to the text engine's paste routines, as the page's dispatcher does.
  std::vector<unsigned> PastedFormats;
  bool PasteByFormat(QObject* Sender, unsigned Format) override;
  void SetDocumentModified() override { Modified = true; }
  bool IsPageDisabled() override { return PageDisabled; }
  bool IsMouseClickActive() override { return false; }
  void ShowInsertMode() override { Panels[4] = InsertModeOn() ? "Ins" : "Ovr"; }
  void UpdateEditButtons() override {}
  void UpdateCadSelector() override {}
  void SaveApplicationDefaults() override { ++SettingsSaved; }
  bool MetricUnits() override { return false; }
  bool CaretAllowed(QObject*) override { return ButtonDown(TextButton::tbText); }
  void PlaceTextCaret(int width, int height, int x, int y) override {
    Caret = TRect(x, y, x + width, y + height);
    CaretShown = true;
  }
  void HideTextCaret() override { CaretShown = false; }
  TPoint ScrollPosition() override { return {}; }
  int ScrollClientHeight() override { return 1056; }
  int ScrollClientWidth() override { return 816; }
  void ScrollVertically(int) override {}
  void ScrollHorizontallyTo(int, bool) override {}
  bool StatusBarEnabled() override { return true; }
  void SetStatusPanel(int index, const std::string& text) override { Panels.at(size_t(index)) = text; }
  QObject* ButtonObject(TextButton b) override { return Buttons[size_t(b)].get(); }
  bool ButtonDown(TextButton b) override { return Down[b]; }
  void SetButtonDown(TextButton b, bool down) override { Down[b] = down; }
  void SetButtonEnabled(TextButton b, bool enabled) override { Disabled[b] = !enabled; }
  bool MenuChecked(TextMenu m) override { return Checked[m]; }
  void SetMenuChecked(TextMenu m, bool checked) override { Checked[m] = checked; }
  void SetMenuEnabled(TextMenu m, bool enabled) override { MenuDisabled[m] = !enabled; }
  bool IsMenu(QObject* sender, TextMenu m) override { return sender && sender == Menus[size_t(m)].get(); }
  bool IsToolbarButton(QObject* sender) override {
    return std::any_of(Buttons.begin(), Buttons.end(), [&](const auto& o) { return sender && o.get() == sender; });
  }
  bool IsMenuItem(QObject* sender) override {
    return std::any_of(Menus.begin(), Menus.end(), [&](const auto& o) { return sender && o.get() == sender; });
  }
  bool IsFontStepButton(QObject* sender) override {
    return sender && (sender == ButtonObject(TextButton::FontUp) || sender == ButtonObject(TextButton::FontDown1));
  }
  QObject* MainWindowObject() override { return &Window; }
  void ClickTextTool() override {
    for (TextButton b : {TextButton::tbDraw, TextButton::tbSelect, TextButton::tbMove}) Down[b] = false;
    Down[TextButton::tbText] = true;
  }
  bool CustomPanelVisible() override { return false; }
  bool MoveImageFrameByKey(uint16_t) override { return false; }
  void KeyMoveSelectionRect(uint16_t, TShiftState) override {}
  void FinishKeyMovedSelectionRect() override {}
  void MoveIndentMarker(uint16_t) override {}
  void EscapeOnPage() override {}
  void AltShortcut(uint16_t) override {}
  void HideCadReferenceSelector() override {}
  bool DeleteSelectedImageObject() override { return false; }
  void DeleteSelectedFigures() override {}
  bool CadKeyDown(uint16_t, TShiftState) override { return false; }
  void CadKeyUp(QObject*, uint16_t, TShiftState) override {}
  void RefreshLayer(QObject*, uint16_t) override {}
  void ClearSelectionRect() override {}

  // A menu item chosen: a checkable item checks or unchecks itself before its command runs.
  void Trigger(TextMenu m, void (TTextPage::*command)(QObject*)) {
    Checked[m] = !Checked[m];
    (Page.*command)(Menus[size_t(m)].get());
  }
  // A toolbar button pressed: it toggles (a style button) and its command runs with it as sender.
  void Click(TextButton b, void (TTextPage::*command)(QObject*)) {
    Down[b] = !Down[b];
    (Page.*command)(ButtonObject(b));
  }
};

inline bool TFakeTextHost::PasteByFormat(QObject* Sender, unsigned Format) {
  PastedFormats.push_back(Format);
  if (Format == RegisterClipboardFormat("ZQVWare Korvalis V formatted text")) return Page.PasteZQVText(Sender);
  if (Format == CF_TEXT) return Page.PasteAsciiText(Sender);
  if (Format == RegisterClipboardFormat("Rich Text Format")) return Page.PasteRichText();
  return false;
}

// A page with the fake host, a blank page of known geometry and a message recorder.
struct TextPageTest : ::testing::Test {
  TMessageRecorderScope rec;
  TTextPage page;
  TFakeTextHost host{page};
  TTextPage* form = &page;

  void SetUp() override {
    SetScreenPixelsPerInch(96);
    ASSERT_TRUE(AddSpecialFonts());
    page.Host = &host;
    page.InitTextPage();
    UseTestPage();
    PageHeight = 1056;
    page.FillCanvas();
    rec->Clear();
  }

  void Type(const std::string& text) { TypeText(page, &host.Window, text); }
  void Key(uint16_t key, TShiftState shift = 0) { PressKey(page, &host.Window, key, shift); }
  std::string Cells(int first, int last) { return CellText(page, first, last); }
  int W(int cell) { return CellTextWidth(*page.CharFonts[cell], page.CharCodes[cell]); }
  int Beeps() { return rec->BeepCount(); }
};

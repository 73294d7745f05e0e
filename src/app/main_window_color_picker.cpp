// The colour picker: a small panel over the top-left corner of the page that shows the colour
// under the pointer and, while one of its buttons is down, takes the colour of the pixel clicked
// for the pen, the fill, the dimension font, the main font, the page background or the custom
// palette. Also the Settings menu's background colour commands.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QScrollArea>

#include "app/main_window.h"
#include "app/main_window_menu_items.h"
#include "cad/engine.h"
#include "dialogs/color_combo.h"
#include "dialogs/custom_colors_file.h"
#include "dialogs/font_dialog.h"
#include "dialogs/main_font_dialog.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "helpers/small_helpers.h"
#include "helpers/speed_button.h"
#include "platform/app_dir.h"
#include "platform/canvas.h"
#include "platform/cursors.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"
#include "text/text_page.h"

namespace {
void WriteBackgroundSetting(TColor Color) {
  TZQVIniFile ini(PageIniName);
  ini.WriteInteger("General", "Background_Color", int(Color));
  ini.UpdateFile();
}

// Six hexadecimal digits of a colour in the custom colours file's order (blue, green, red).
std::string CustomColorHex(TColor Color) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%06X", unsigned(Color) & 0xFFFFFFu);
  return buffer;
}
}  // namespace

void TForm1::WireColorPickerCommands() {
  // The panel floats over the page's top-left corner and is hidden until Tools > What Color?.
  ColorPickerPnl->setParent(ScrollBox1);
  ColorPickerPnl->setAutoFillBackground(true);
  ColorPickerPnl->setToolTip("Color Picker");
  ColorPickerPnl->move(2, 2);
  auto* row = qobject_cast<QBoxLayout*>(ColorPickerPnl->layout());
  ColorPickerCaption = new QLabel("#FFFFFF", ColorPickerPnl);
  ColorPickerCaption->setObjectName("ColorPickerCaption");
  ColorPickerCaption->setMinimumWidth(ColorPickerCaption->fontMetrics().horizontalAdvance("$FFFFFF") + 6);
  tbAddColorToPalette = new TZQVSpeedButton(ColorPickerPnl);
  tbAddColorToPalette->setObjectName("tbAddColorToPalette");
  tbAddColorToPalette->setText("+");
  tbAddColorToPalette->setToolTip("Add to color palette");
  if (row) {
    row->insertWidget(0, ColorPickerCaption);
    row->insertWidget(row->indexOf(SpeedButton1), tbAddColorToPalette);
  }
  // One group: at most one pick button is down, and all may be up.
  for (auto* b : {tbPickPen, tbPickBrush, tbPickBackground, tbPickDimFontColor, tbPickMnFontClr, tbAddColorToPalette}) {
    b->SetGroupIndex(1);
    b->AllowAllUp = true;
  }
  ColorPickerPnl->adjustSize();
  ColorPickerPnl->hide();
  // The colour text's popup: Copy.
  auto* popup = new QMenu(ColorPickerPnl);
  popup->setObjectName("ColorPickerPopup");
  QAction* copy = popup->addAction("Copy");
  copy->setObjectName("Copy4");
  ColorPickerCaption->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ColorPickerCaption, &QWidget::customContextMenuRequested, this,
          [this, popup](const QPoint& p) { popup->popup(ColorPickerCaption->mapToGlobal(p)); });
  WhatColor1 = FindOrAddMenuItem(*this, Tools1, "WhatColor1", "&What Color?");
  // Settings > Application > Back Ground Color: Set, System.
  QMenu* application = findChild<QMenu*>("ApplicationSettings1");
  if (!application) application = Setup1;
  QMenu* background = application->addMenu("&Back Ground Color");
  background->setObjectName("BackGroundColor1");
  FindOrAddMenuItem(*this, background, "Set1", "&Set");
  FindOrAddMenuItem(*this, background, "System1", "&System");
}

void TForm1::WhatColor1Click(QObject*) {
  ColorPickerPnl->move(2, 2);
  ColorPickerPnl->setVisible(!ColorPickerPnl->isVisible());
  ColorPickerPnl->raise();
  if (Figures) SetColorButtonGlyph(tbPickBackground, Figures->BackgroundColor);
  if (ColorPickerPnl->isVisible()) DeselectImage(this, true);
}

void TForm1::SpeedButton1Click(QObject*) {
  ColorPickerPnl->hide();
  for (auto* b : {tbPickPen, tbPickBrush, tbPickBackground}) b->SetDown(false);
}

void TForm1::tbPickMnFontClrClick(QObject* Sender) {
  if (auto* b = qobject_cast<TZQVSpeedButton*>(Sender); b && b->Down()) DeselectImage(Sender, true);
}

void TForm1::Copy4Click(QObject*) { QApplication::clipboard()->setText(ColorPickerCaption->text()); }

void TForm1::ResetEmptyCellFonts() {
  if (!TextPageReady() || !MainFontDlg) return;
  const TFont& main = MainFontDlg->GetMainFont();
  for (int i = 1; i < CellCount; ++i) {
    if (CharCodes[size_t(i)] != 0 || !CharFonts[size_t(i)]) continue;
    *CharFonts[size_t(i)] = main;
    CharOffsets[size_t(i)] = 0;
  }
}

bool TForm1::PickingColor(int X, int Y, int Stage) {
  if (!ColorPickerPnl->isVisible() || !MainImage) return false;
  TZQVSpeedButton* const buttons[] = {tbPickBrush, tbPickPen, tbPickMnFontClr, tbPickDimFontColor, tbPickBackground,
                                      tbAddColorToPalette};
  TZQVSpeedButton* down = nullptr;
  for (auto* b : buttons)
    if (b && b->Down()) {
      down = b;
      break;
    }
  if (!down) return false;
  try {
    if (Stage == 0) return true;  // the click belongs to the picker: no shape, no caret
    const TColor c = MainImage->Bitmap().Canvas().Pixel(X, Y);
    if (Stage == 1) {
      MainImage->setCursor(ScreenCursor(21));
      std::string text;
      ColorToHexString(c, text);
      ColorPickerCaption->setText(QString::fromStdString(text));
      return true;
    }
    if (c == clNone) return true;  // released outside the page
    if (down == tbAddColorToPalette) {
      // Held shift keeps the button down for the next colour.
      if (!(QApplication::keyboardModifiers() & Qt::ShiftModifier)) down->SetDown(false);
      AddColorToPalette(c);
      return true;
    }
    down->SetDown(false);
    if (down == tbPickBrush) {
      if (Figures) Figures->Template->SetBrushColor(c);
    } else if (down == tbPickPen) {
      if (Figures) Figures->Template->SetPenColor(c);
    } else if (down == tbPickMnFontClr) {
      if (MainFontDlg) MainFontDlg->GetMainFont().Color = c;
      ResetEmptyCellFonts();
    } else if (down == tbPickDimFontColor) {
      if (Figures) Figures->Template->SetFontColor(c);
    } else if (down == tbPickBackground) {
      if (Figures) Figures->SetBackgroundColor(c);
      BackgroundColor = c;
      SetColorButtonGlyph(tbPickBackground, c);
      WriteBackgroundSetting(c);
      RefreshAllImages(this, false);
    }
  } catch (const std::exception& e) {
    ShowMessage(std::string("Unable to pick the colour.\r") + e.what());
  }
  return true;
}

bool TForm1::AddColorToPalette(TColor Color) {
  std::string fileName;
  if (ZQVFontDlg1) ZQVFontDlg1->GetCustomColorsFile(fileName);
  else fileName = CustomColorsFileName();
  if (!FileExists(fileName)) return false;
  const std::vector<uint8_t> bytes = ReadWholeFile(fileName, CustomColorsMaxBytes);
  std::vector<std::string> lines = CustomColorLinesFromBytes(bytes.data(), bytes.size());
  while (!lines.empty() && lines.back().find_first_not_of(" \t\r") == std::string::npos) lines.pop_back();
  const std::string hex = CustomColorHex(Color);
  // The line of each entry "ColorA" .. "ColorP" (-1 when missing) and its value.
  auto lineOf = [&lines](char letter) {
    const std::string key = std::string("COLOR") + letter + "=";
    for (size_t i = 0; i < lines.size(); ++i)
      if (UpperCase(lines[i]).rfind(key, 0) == 0) return int(i);
    return -1;
  };
  auto valueOf = [&](char letter) {
    const int i = lineOf(letter);
    return i < 0 ? std::string("000000") : UpperCase(lines[size_t(i)].substr(7));
  };
  char freeEntry = 'A';
  if (lines.empty()) {
    lines.push_back("ColorA=" + hex);
  } else {
    bool full = false;
    for (char letter = 'P'; letter >= 'A'; --letter) {
      const std::string value = valueOf(letter);
      if (value == hex) return false;  // there already
      if (value != "000000") {
        if (letter == 'P') full = true;
        else freeEntry = char(letter + 1);
        break;
      }
    }
    if (full) {
      const TModalResult answer = MessageDlg(
          "The custom color palette is full. Click Yes to clear the palette and add place the new color as the first "
          "color, No to replace the first color.",
          mtInformation, mbYes | mbNo | mbCancel, 0);
      if (answer == mrCancel) {
        tbAddColorToPalette->SetDown(false);
        return false;
      }
      if (answer == mrYes) ResetCustomColors(&lines);
      else tbAddColorToPalette->SetDown(false);
      freeEntry = 'A';
    }
    const std::string entry = std::string("Color") + freeEntry + "=" + hex;
    const int at = lineOf(freeEntry);
    if (at >= 0) lines[size_t(at)] = entry;
    else lines.push_back(entry);
  }
  const std::string text = CustomColorsText(lines);
  WriteFileAtomically(fileName, text.data(), text.size());
  return true;
}

void TForm1::Set1Click(QObject* Sender) {
  auto apply = [this, Sender](TColor c) {
    if (Figures) Figures->SetBackgroundColor(c);
    BackgroundColor = c;
    if (ColorPickerPnl->isVisible()) SetColorButtonGlyph(tbPickBackground, c);
    WriteBackgroundSetting(c);
    RefreshAllImages(Sender, false);
  };
  if (Sender && Sender->objectName() == "System1") {
    apply(clWindow);
    return;
  }
  TColorDialog dialog;
  dialog.Parent = this;
  dialog.Color = Figures ? Figures->BackgroundColor : BackgroundColor;
  ExecuteWithCustomColors(dialog, apply);
}

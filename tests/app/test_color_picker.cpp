// The colour picker panel over the page: showing and hiding it, taking a page pixel's colour for
// each of its buttons, the custom palette entries it fills, and the background colour commands.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>

#include "app/main_window_fixture.h"
#include "cad/engine.h"
#include "dialogs/main_font_dialog.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/app_dir.h"
#include "platform/canvas.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"

namespace {
struct ColorPicker : StartedWindowFixture {
  void SetUp() override {
    StartedWindowFixture::SetUp();
    rec->Clear();
  }
  // A click on the page at (x, y): down, a move, up.
  void Click(int x, int y) {
    form->MainImageMouseDown(Qt::LeftButton, Qt::NoModifier, x, y);
    form->MainImageMouseMove(Qt::LeftButton, Qt::NoModifier, x, y);
    form->MainImageMouseUp(Qt::LeftButton, Qt::NoModifier, x, y);
  }
  void WriteColors(const std::string& text) { WriteFileAtomically(AppDir() + "ZQVCustomClrs.Dat", text.data(), text.size()); }
  std::string ReadColors() {
    const auto bytes = ReadWholeFile(AppDir() + "ZQVCustomClrs.Dat");
    return std::string(bytes.begin(), bytes.end());
  }
};
const TColor kPicked = RGBColor(0x12, 0x34, 0x56);
}  // namespace

TEST_F(ColorPicker, PanelIsHiddenAtStartAndShownByWhatColor) {
  EXPECT_FALSE(form->ColorPickerPnl->isVisible());
  form->show();
  form->WhatColor1->trigger();
  EXPECT_TRUE(form->ColorPickerPnl->isVisible());
  EXPECT_EQ(form->ColorPickerPnl->parentWidget(), form->ScrollBox1);
  EXPECT_EQ(form->ColorPickerCaption->text().toStdString(), "#FFFFFF");
  form->tbPickPen->click();
  EXPECT_TRUE(form->tbPickPen->Down());
  form->tbPickBrush->click();  // one group: the pen button goes up
  EXPECT_FALSE(form->tbPickPen->Down());
  form->SpeedButton1->click();
  EXPECT_FALSE(form->ColorPickerPnl->isVisible());
  EXPECT_FALSE(form->tbPickBrush->Down());
}

TEST_F(ColorPicker, EachButtonTakesTheExactPixelUnderThePointer) {
  form->show();
  form->WhatColor1->trigger();
  form->MainImage->Bitmap().Canvas().SetPixel(200, 150, kPicked);
  struct Case {
    TZQVSpeedButton* button;
    std::function<TColor()> taken;
  };
  const Case cases[] = {
      {form->tbPickPen, [] { return Figures->Template->PenColor; }},
      {form->tbPickBrush, [] { return Figures->Template->BrushColor; }},
      {form->tbPickDimFontColor, [] { return Figures->Template->FontColor; }},
      {form->tbPickMnFontClr, [] { return MainFontDlg->GetMainFont().Color; }},
      {form->tbPickBackground, [] { return Figures->BackgroundColor; }},
  };
  for (const Case& c : cases) {
    const int caret = form->CurrentI;
    const int figures = Figures->Count();
    c.button->click();
    ASSERT_TRUE(c.button->Down());
    Click(200, 150);
    EXPECT_EQ(c.taken(), kPicked) << c.button->objectName().toStdString();
    EXPECT_FALSE(c.button->Down());
    EXPECT_EQ(form->CurrentI, caret);
    EXPECT_EQ(Figures->Count(), figures);
    form->MainImage->Bitmap().Canvas().SetPixel(200, 150, kPicked);  // the background repaints the page
  }
  EXPECT_EQ(form->ColorPickerCaption->text().toStdString(), "$123456");
  EXPECT_EQ(TZQVIniFile(PageIniName).ReadInteger("General", "Background_Color", 0), int(kPicked));
  EXPECT_EQ(form->CharFonts[5]->Color, kPicked);  // empty cells take the main font again
  form->Copy4Click(nullptr);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "$123456");
  // With the panel hidden a down button takes nothing.
  form->tbPickPen->click();
  form->SpeedButton1Click(nullptr);
  form->tbPickDimFontColor->SetDown(true);
  form->MainImage->Bitmap().Canvas().SetPixel(200, 150, clRed);
  Click(200, 150);
  EXPECT_EQ(Figures->Template->FontColor, kPicked);
}

TEST_F(ColorPicker, AddingToTheCustomPaletteFillsTheFirstFreeEntry) {
  std::string zeros;
  for (char l = 'A'; l <= 'P'; ++l) zeros += std::string("Color") + l + "=000000\r\n";
  auto with = [&](std::initializer_list<std::pair<char, const char*>> used) {
    std::string text = zeros;
    for (auto [letter, value] : used) {
      const size_t at = text.find(std::string("Color") + letter + "=");
      text.replace(at + 7, 6, value);
    }
    return text;
  };
  struct Case {
    std::string file;
    int answer;
    std::string expect;  // the file afterwards
  } cases[] = {
      {with({{'A', "111111"}, {'B', "222222"}, {'C', "333333"}}), 0,
       with({{'A', "111111"}, {'B', "222222"}, {'C', "333333"}, {'D', "563412"}})},
      {with({{'A', "563412"}, {'B', "222222"}}), 0, with({{'A', "563412"}, {'B', "222222"}, {'C', "563412"}})},
      {with({{'A', "111111"}, {'B', "563412"}}), 0, ""},  // the last used entry already holds it
      {with({{'P', "111111"}}), mrYes, with({{'A', "563412"}})},
      {with({{'B', "222222"}, {'P', "111111"}}), mrNo, with({{'A', "563412"}, {'B', "222222"}, {'P', "111111"}})},
      {with({{'P', "111111"}}), mrCancel, ""},
  };
  for (const Case& c : cases) {
    WriteColors(c.file);
    rec->Clear();
    if (c.answer) rec->Answer(c.answer);
    form->AddColorToPalette(kPicked);
    EXPECT_EQ(ReadColors(), c.expect.empty() ? c.file : c.expect) << c.file;
    EXPECT_EQ(rec->Texts().size(), c.answer ? 1u : 0u);
  }
  // Through the page: shift held keeps the add button down for the next colour.
  WriteColors(zeros);
  form->show();
  form->WhatColor1->trigger();
  form->MainImage->Bitmap().Canvas().SetPixel(10, 10, kPicked);
  form->tbAddColorToPalette->click();
  Click(10, 10);
  EXPECT_FALSE(form->tbAddColorToPalette->Down());
  EXPECT_EQ(ReadColors(), with({{'A', "563412"}}));
}

TEST_F(ColorPicker, SystemBackgroundColourIsTheWindowColour) {
  Figures->SetBackgroundColor(clYellow);
  QAction* system = form->findChild<QAction*>("System1");
  ASSERT_NE(system, nullptr);
  system->trigger();
  EXPECT_EQ(Figures->BackgroundColor, clWindow);
  EXPECT_EQ(BackgroundColor, clWindow);
  EXPECT_EQ(TZQVIniFile(PageIniName).ReadInteger("General", "Background_Color", 0), int(clWindow));
}

// The colour combo, the shared custom colours file and the program's font dialog.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>
#include <memory>

#include "dialog_fixture.h"
#include "dialogs/color_combo.h"
#include "dialogs/custom_colors_file.h"
#include "dialogs/font_dialog.h"

namespace {
struct ColorTest : DialogFixture {
  void TearDown() override {
    TColorDialog::ExecuteHook = nullptr;
    ComboColors[18].Color = 0;
    DialogFixture::TearDown();
  }
};
struct FontDialogTest : ColorTest {
  std::unique_ptr<TZQVFontDlg1> Dlg;
  void SetUp() override {
    ColorTest::SetUp();
    Dlg = std::make_unique<TZQVFontDlg1>();
  }
  void TearDown() override {
    Dlg.reset();
    ColorTest::TearDown();
  }
};
}  // namespace

TEST(ColorToHexCode, RedGreenBlueFromTheLowestByte) {
  EXPECT_EQ(ColorToHexCode(RGBColor(0xFF, 0, 0)), "#FF0000");
  EXPECT_EQ(ColorToHexCode(RGBColor(0, 0, 0xFF)), "#0000FF");
  EXPECT_EQ(ColorToHexCode(RGBColor(0x80, 0, 0)), "#800000");
  EXPECT_EQ(ColorToHexCode(0), "#000000");
}

TEST(CustomColorsFile, LinesAndValues) {
  const std::string text = "ColorA=0000FF\r\nColorB=\ncolorc=ffffff\r\nColorP=12345678\r\nColorQ=1\r\nColorD=zz\r\nJunk\r\n";
  const auto colors = CustomColorsFromLines(CustomColorLinesFromBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  EXPECT_EQ(colors[0], TColor(0x0000FF));
  EXPECT_FALSE(colors[1]) << "empty is unset";
  EXPECT_EQ(colors[2], TColor(0xFFFFFF));
  EXPECT_FALSE(colors[3]) << "unreadable is unset";
  EXPECT_EQ(colors[15], TColor(0x345678)) << "only the colour's three bytes";
  EXPECT_FALSE(colors[4]);
  const auto lines = CustomColorLines(colors);
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "ColorA=0000FF");
  EXPECT_EQ(lines[1], "ColorB=FFFFFF");
  EXPECT_EQ(lines[15], "ColorP=345678");
}

TEST_F(ColorTest, NamedColoursAndTheCustomEntry) {
  QWidget parent;
  TZQVColorCombo combo(&parent);
  ASSERT_EQ(combo.count(), 19);
  // Silver and Gray are found under their later names.
  combo.SetSelectedColor(RGBColor(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(combo.currentText(), "Light Gray");
  combo.SetSelectedColor(RGBColor(0x80, 0x80, 0x80));
  EXPECT_EQ(combo.currentText(), "Dark Gray");
  // Black while the Custom colour is black selects Custom.
  combo.SetSelectedColor(0);
  EXPECT_EQ(combo.currentIndex(), 18);
  EXPECT_EQ(combo.currentText(), "#000000");
  combo.SetSelectedColor(RGBColor(1, 2, 3));
  EXPECT_EQ(combo.currentIndex(), 18);
  EXPECT_EQ(combo.GetSelectedColor(), RGBColor(1, 2, 3));
  EXPECT_EQ(ComboColors[18].Color, RGBColor(1, 2, 3));
  EXPECT_EQ(combo.currentText(), "#010203");
  combo.SetSelectedColor(0);
  EXPECT_EQ(combo.currentText(), "Black");
}

TEST_F(ColorTest, ChoosingCustomRunsTheDialogAndCancelKeepsTheColour) {
  QWidget parent;
  TZQVColorCombo combo(&parent);
  parent.show();
  int clicks = 0;
  combo.OnClick = [&](QObject*) { ++clicks; };
  combo.SetSelectedColor(RGBColor(9, 9, 9));
  TColorDialog::ExecuteHook = [](TColorDialog&) { return false; };
  combo.Click();
  EXPECT_EQ(clicks, 1) << "the click event follows a cancelled dialog";
  EXPECT_EQ(combo.GetSelectedColor(), RGBColor(9, 9, 9));
  EXPECT_FALSE(FileExists(CustomColorsFileName()));
  TColorDialog::ExecuteHook = [](TColorDialog& d) {
    d.Color = RGBColor(200, 100, 50);
    d.CustomColors = CustomColorLines({});
    return true;
  };
  combo.Click();
  EXPECT_EQ(combo.GetSelectedColor(), RGBColor(200, 100, 50));
  EXPECT_TRUE(FileExists(CustomColorsFileName()));
}

TEST_F(ColorTest, SequenceBacksUpTheFileAndAsksWhenTheCopyFails) {
  Write("ZQVCustomClrs.Dat", "ColorA=000001\r\n");
  TColorDialog dialog;
  std::vector<std::string> seen;
  TColorDialog::ExecuteHook = [&](TColorDialog& d) {
    seen = d.CustomColors;
    d.CustomColors = {"ColorA=000002"};
    return true;
  };
  TColor applied = -1;
  ASSERT_TRUE(ExecuteWithCustomColors(dialog, [&](TColor c) { applied = c; }));
  EXPECT_EQ(seen, (std::vector<std::string>{"ColorA=000001"})) << "the dialog starts with the file's colours";
  EXPECT_EQ(applied, dialog.Color);
  EXPECT_EQ(Read("ZQVCustomClrs.bak"), "ColorA=000001\r\n");
  EXPECT_EQ(Read("ZQVCustomClrs.Dat"), "ColorA=000002\r\n");
  // A ".bak" that cannot be replaced: No keeps the file, Yes writes it.
  DeleteFile(AppDir() + "ZQVCustomClrs.bak");
  ForceDirectories(AppDir() + "ZQVCustomClrs.bak");
  TColorDialog::ExecuteHook = [](TColorDialog& d) {
    d.CustomColors = {"ColorA=000003"};
    return true;
  };
  rec->Answer(mrNo);
  ExecuteWithCustomColors(dialog, nullptr);
  ASSERT_EQ(rec->Messages().size(), 1u);
  const TMessageCall ask = rec->Last();
  EXPECT_EQ(ask.Text.rfind("Unable to write backup file for custom colors.\rReason=", 0), 0u) << ask.Text;
  EXPECT_NE(ask.Text.find("\rDo you still want to save these colors?"), std::string::npos);
  EXPECT_EQ(ask.DlgType, mtWarning);
  EXPECT_EQ(ask.Buttons, mbYes | mbNo);
  EXPECT_EQ(ask.HelpCtx, 1140);
  EXPECT_EQ(Read("ZQVCustomClrs.Dat"), "ColorA=000002\r\n");
  rec->Answer(mrYes);
  ExecuteWithCustomColors(dialog, nullptr);
  EXPECT_EQ(Read("ZQVCustomClrs.Dat"), "ColorA=000003\r\n");
  // Cancelled: nothing is written.
  TColorDialog::ExecuteHook = [](TColorDialog&) { return false; };
  EXPECT_FALSE(ExecuteWithCustomColors(dialog, [](TColor) { ADD_FAILURE(); }));
}

TEST_F(FontDialogTest, ShowFillsTheControlsFromTheFont) {
  Dlg->Font = TFont("Times New Roman", 20, fsBold | fsUnderline, RGBColor(0x80, 0, 0));
  Dlg->FormShow();
  EXPECT_EQ(Dlg->FontSize1->text(), "20");
  EXPECT_EQ(Dlg->FontSizes1->currentRow(), -1) << "20 is not listed";
  EXPECT_EQ(Dlg->FontStyle1->text(), "Bold");
  EXPECT_TRUE(Dlg->Underline1->isChecked());
  EXPECT_FALSE(Dlg->StrikeOut1->isChecked());
  EXPECT_EQ(Dlg->ColorCombo->currentText(), "Maroon");
  // A name that is not installed shows Arial, which OK then takes.
  Dlg->Font = TFont("No Such Font Family", 12, 0, 0, SYMBOL_CHARSET);
  Dlg->FormShow();
  EXPECT_EQ(Dlg->FontName1->text(), "Arial");
  EXPECT_EQ(Dlg->Font.Charset, SYMBOL_CHARSET) << "showing keeps the character set";
  TZQVFontDlg1::ExecuteHook = [](TZQVFontDlg1& d) {
    d.OKBtnClick();
    return d.result() == QDialog::Accepted;
  };
  EXPECT_TRUE(Dlg->Execute());
  TZQVFontDlg1::ExecuteHook = nullptr;
  EXPECT_EQ(Dlg->Font.Name, "Arial");
  EXPECT_EQ(Dlg->Font.Charset, SYMBOL_CHARSET) << "no name was chosen";
}

TEST_F(FontDialogTest, ChoicesChangeTheFont) {
  Dlg->Font = TFont("Times New Roman", 12, 0, 0, SYMBOL_CHARSET);
  Dlg->show();
  // Styles: Bold Italic, then Bold; underline survives both.
  Dlg->Underline1->click();
  for (int row : {3, 1}) {
    Dlg->FontStyles1->setCurrentRow(row);
    emit Dlg->FontStyles1->itemClicked(Dlg->FontStyles1->currentItem());
  }
  EXPECT_EQ(Dlg->Font.Style, fsBold | fsUnderline);
  // Only digits type into the size; the size list follows on key release.
  Dlg->FontSize1->clear();
  QTest::keyClicks(Dlg->FontSize1, "1a4");
  EXPECT_EQ(Dlg->FontSize1->text(), "14");
  EXPECT_EQ(Dlg->Font.Size(), 14);
  EXPECT_EQ(Dlg->FontSizes1->currentItem()->text(), "14");
  // Choosing a name sets the default character set.
  const auto arial = Dlg->FontNames1->findItems("Arial", Qt::MatchFixedString);
  if (!arial.isEmpty()) {
    emit Dlg->FontNames1->itemClicked(arial.first());
    EXPECT_EQ(Dlg->Font.Charset, DEFAULT_CHARSET);
  }
  Dlg->OKBtn->click();
  EXPECT_EQ(Dlg->result(), QDialog::Accepted);
  EXPECT_EQ(Dlg->Font.Style, fsBold | fsUnderline);
  EXPECT_EQ(Dlg->Font.Size(), 14);
}

// A size that is empty or 0 is reported and the dialog stays open on it (OK does not report a
// failure as a choice); the font keeps its size until a valid one is confirmed.
TEST_F(FontDialogTest, EmptyOrZeroSizeIsReportedAndTheDialogStaysOpen) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {{"", "'' is not a valid integer value"}, {"0", "'0' is not a valid font size"},
               {"00", "'00' is not a valid font size"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Dlg->Font = TFont("Times New Roman", 12);
    Dlg->setResult(0);
    Dlg->show();
    Dlg->FontSize1->setText(c.text);
    rec->Clear();
    Dlg->OKBtn->click();
    ASSERT_EQ(rec->Texts().size(), 1u);
    EXPECT_EQ(rec->Last().Text, c.message);
    EXPECT_TRUE(Dlg->isVisible());
    EXPECT_NE(Dlg->result(), QDialog::Accepted);
    EXPECT_EQ(Dlg->Font.Size(), 12);
    Dlg->FontSize1->setText("14");
    Dlg->OKBtn->click();
    EXPECT_FALSE(Dlg->isVisible());
    EXPECT_EQ(Dlg->result(), QDialog::Accepted);
    EXPECT_EQ(Dlg->Font.Size(), 14);
  }
}

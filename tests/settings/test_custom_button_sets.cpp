// The custom palette button sets: the factory palette, "Buttons.Ini" read and written by set and
// button, switching sets from the menu, and buttons defined in the custom palette dialog kept
// across a restart.
#include <gtest/gtest.h>

#include <climits>

#include "app/window_hosts.h"
#include "app/main_window.h"
#include "app/main_window_custom_palette.h"
#include "dialogs/define_font_dialog.h"
#include "dialogs/font_dialog.h"
#include "platform/exceptions.h"
#include "platform/font.h"
#include "platform/ini_file.h"
#include "settings/button_sets.h"
#include "settings/custom_button_sets.h"
#include "settings_fixture.h"

namespace {

struct ButtonSetsTest : SettingsFixture {};

TButtonDef Shown(TForm1& f, int n) {
  TCustButPanel* b = f.CustomButton(n);
  return ButtonDefOf(b->Caption(), b->Font());
}

void ExpectFactorySet(TForm1& f, int set) {
  for (int k = 1; k <= 42; ++k) EXPECT_EQ(Shown(f, k), FactoryButton(set, k)) << "set " << set << " button " << k;
}

}  // namespace

TEST(FactoryPalette, RunsOfEverySetAsListed) {
  struct TCase {
    int Set, Button;
    const char* Caption;
    const char* Font;
    int Size, Charset;
  } cases[] = {
      {0, 1, "\xA0", "ZQVSerif", 8, 2},         {0, 7, "\xD8", "ZQVSerif", 8, 2},      {0, 8, "\x48", "ZQVRelMath", 8, 1},
      {0, 25, "\x61", "ZQVRelMath", 8, 1},      {0, 27, "\x63", "ZQVRelMath", 8, 1},   {0, 28, "\x64", "Wingdings", 8, 2},
      {0, 30, "\xB6", "ZQVSerif", 36, 1},       {0, 34, "\x6A", "ZQVRelMath", 16, 1},  {0, 35, "(a+b+c)*2>(a+b+c)*2/3", "Arial", 10, 1},
      {0, 42, "\x9B", "Period", 16, 1},         {1, 11, "\xD8", "Times New Roman", 8, 1}, {1, 12, "\x2B", "Times New Roman", 8, 1},
      {1, 28, "\x3B", "Times New Roman", 8, 1}, {1, 29, "\xA7", "ZQVSerif", 36, 1},    {1, 42, "1/20", "Times New Roman", 12, 1},
      {2, 1, "\xE6", "Times New Roman", 8, 1},  {2, 26, "\xFF", "Times New Roman", 8, 1}, {2, 27, "\x41", "Times New Roman", 8, 1},
      {2, 28, "\x3B", "Times New Roman", 8, 1}, {2, 30, "\x3D", "Times New Roman", 16, 1}, {2, 42, "1/1024", "Times New Roman", 12, 1},
      {3, 16, "\x2F", "Times New Roman", 8, 1}, {3, 28, "\x3B", "Times New Roman", 8, 1}, {3, 41, "\x47", "Times New Roman", 16, 1},
      {3, 42, "\x49", "Times New Roman", 16, 1}, {4, 1, "\xC4", "Symbol", 12, 2},      {4, 42, "\x49", "Symbol", 16, 2},
      {5, 21, "\x4A", "ZQVRelMath", 12, 1},     {5, 28, "\x52", "ZQVRelMath", 12, 1},  {5, 33, "\x3F", "ZQVRelMath", 16, 1},
      {6, 19, "\x33", "ZQVRelMath", 12, 1},     {6, 20, "\x35", "ZQVRelMath", 12, 1},  {6, 32, "\x97", "ZQVRelMath", 16, 1},
  };
  for (const TCase& c : cases) {
    const TButtonDef d = FactoryButton(c.Set, c.Button);
    SCOPED_TRACE(ButtonSectionName(c.Set, c.Button));
    EXPECT_EQ(d.Caption, c.Caption);
    EXPECT_EQ(d.Font, c.Font);
    EXPECT_EQ(d.FontSize, c.Size);
    EXPECT_EQ(d.Charset, c.Charset);
    EXPECT_EQ(d.Color, 0);
    EXPECT_EQ(d.Style, 0);
  }
  for (int set = 0; set < 7; ++set)
    for (int k = 1; k <= 42; ++k) {
      const TButtonDef d = FactoryButton(set, k);
      EXPECT_FALSE(d.Caption.empty() || d.Font.empty() || d.FontSize <= 0) << ButtonSectionName(set, k);
    }
}

TEST(ButtonDefinitions, MissingAndMalformedKeysTakeTheButtonsFactoryValue) {
  TMemIniFile ini("");
  const std::string text =
      "[5-CustBut1]\r\nCaption=Q\r\n"
      "[3-CustBut2]\r\nCaption=ab\r\nFont=Arial\r\nFontSize=abc\r\nCharset=300\r\nColor=zz\r\nStyle=31\r\n"
      "[3-CustBut3]\r\nFontSize=0\r\n"
      "[3-CustBut4]\r\nFontSize=-20\r\nColor=-5\r\nStyle=15\r\n";
  ini.LoadFromBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  TButtonDef d = ReadButtonDef(ini, 5, 1);
  EXPECT_EQ(d, (TButtonDef{"Q", "ZQVRelMath", 12, 1, 0, 0}));
  d = ReadButtonDef(ini, 3, 2);
  EXPECT_EQ(d, (TButtonDef{"ab", "Arial", 8, 1, 0, 0})) << "values out of range are the factory values";
  EXPECT_EQ(ReadButtonDef(ini, 3, 3).FontSize, 8) << "no size is the factory size";
  d = ReadButtonDef(ini, 3, 4);
  EXPECT_EQ(d.FontSize, -20);
  EXPECT_EQ(d.Color, -5);
  EXPECT_EQ(d.Style, 15);
  TFont font;
  ApplyButtonFont(d, font);
  EXPECT_EQ(font.Height(), -20) << "a negative size is a pixel height";
}

TEST(ButtonDefinitions, SizesNoFontCanHaveTakeTheFactorySize) {
  // The extreme integers once reached the font code unchecked and overflowed there.
  for (const char* size : {"-2147483648", "2147483647", "-1639", "1639", "0x80000000", "$7FFFFFFF"}) {
    SCOPED_TRACE(size);
    TMemIniFile ini("");
    const std::string text = std::string("[0-CustBut1]\r\nFontSize=") + size + "\r\n";
    ini.LoadFromBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    const TButtonDef d = ReadButtonDef(ini, 0, 1);
    EXPECT_EQ(d.FontSize, FactoryButton(0, 1).FontSize);
    TFont font;
    ApplyButtonFont(d, font);
    EXPECT_GT(font.PixelSize(), 0);
  }
  // The font itself keeps any size it is given within what it can draw.
  TFont font;
  for (int v : {INT_MIN, INT_MIN + 1, INT_MAX, -100000, 100000}) {
    font.SetHeight(v);
    EXPECT_GT(font.PixelSize(), 0) << v;
    EXPECT_LE(font.PixelSize(), 32767) << v;
    font.SetSize(v);
    EXPECT_GT(font.PixelSize(), 0) << v;
    EXPECT_LE(font.PixelSize(), 32767) << v;
  }
}

TEST_F(ButtonSetsTest, ExtremeFontSizeInTheFileStartsWithTheFactoryButton) {
  Write("Buttons.Ini", "[0-CustBut1]\r\nFontSize=-2147483648\r\n[0-CustBut2]\r\nFontSize=2147483647\r\n");
  TForm1* f = CreateStartupWindows();
  EXPECT_EQ(Shown(*f, 1), FactoryButton(0, 1));
  EXPECT_EQ(Shown(*f, 2), FactoryButton(0, 2));
}

TEST_F(ButtonSetsTest, FirstRunShowsTheFactoryPaletteOfEverySetAndCreatesNoFile) {
  TForm1* f = CreateStartupWindows();
  ExpectFactorySet(*f, 0);
  const QList<QAction*> items = f->CustomSets1->actions();
  for (int set = 0; set < 7; ++set) {
    f->User1Click(items[set]);
    EXPECT_EQ(f->CustomSet, set);
    ExpectFactorySet(*f, set);
  }
  EXPECT_FALSE(FileExists(ProgramFile("Buttons.Ini")));
  LoadButtonSet(Form1->Hosts(), 7);
  ExpectFactorySet(*f, 6);
}

TEST_F(ButtonSetsTest, SaveAllThenLoadReproducesThePanels) {
  TForm1* f = CreateStartupWindows();
  TFont odd("Arial", 20, TFontStyles(15), TColor(-5), 200);
  Form1->Hosts().SetCustomButton(1, "long caption", odd);
  Form1->Hosts().SetCustomButton(42, "\xE9\xFF", TFont("Symbol", 9, fsItalic, TColor(0x123456), SYMBOL_CHARSET));
  std::vector<TButtonDef> before;
  for (int k = 1; k <= 42; ++k) before.push_back(Shown(*f, k));
  SaveButtons(Form1->Hosts(), 3, 0);
  LoadButtonSet(Form1->Hosts(), 0);
  LoadButtonSet(Form1->Hosts(), 3);
  for (int k = 1; k <= 42; ++k) EXPECT_EQ(Shown(*f, k), before[size_t(k - 1)]) << k;
}

TEST_F(ButtonSetsTest, SavingOneButtonWritesOnlyItsSection) {
  CreateStartupWindows();
  SaveButtons(Form1->Hosts(), 2, 0);
  TMemIniFile all(ProgramFile("Buttons.Ini"));
  std::vector<std::string> sections;
  all.ReadSections(sections);
  ASSERT_EQ(sections.size(), 42u);
  EXPECT_EQ(sections.front(), "2-CustBut1");
  const std::string before = Read("Buttons.Ini");
  Form1->Hosts().SetCustomButton(17, "Z", TFont("Arial", 11));
  Form1->Hosts().SetCustomButton(18, "Y", TFont("Arial", 11));
  SaveButtons(Form1->Hosts(), 2, 17);
  TMemIniFile after(ProgramFile("Buttons.Ini"));
  EXPECT_EQ(after.ReadString("2-CustBut17", "Caption", ""), "Z");
  EXPECT_EQ(after.ReadString("2-CustBut18", "Caption", ""), FactoryButton(0, 18).Caption);
  SaveButtons(Form1->Hosts(), 2, 43);
  EXPECT_EQ(after.ReadString("2-CustBut18", "Caption", ""), FactoryButton(0, 18).Caption);
  std::vector<std::string> sections2;
  after.ReadSections(sections2);
  EXPECT_EQ(sections2, sections) << "sections keep their places";
  (void)before;
}

TEST_F(ButtonSetsTest, DamagedFileGivesTheFactoryValuesNeverACrash) {
  std::string junk = std::string("\x00\xFF", 2) + "[[3-CustBut1\r\n=\r\n[3-CustBut1]\r\nCaption\r\nFontSize=99999999999\r\nFont=\r\n";
  junk += std::string(5000, '\n') + "[3-CustBut2]\r\nStyle=-2147483648\r\nCharset=-1\r\n";
  Write("Buttons.Ini", junk);
  Write("Main.Ini", "[Form_Position]\r\nCustom Set=3\r\n");
  TForm1* f = CreateStartupWindows();
  EXPECT_EQ(f->CustomSet, 3);
  EXPECT_EQ(Shown(*f, 1).Caption, FactoryButton(3, 1).Caption);
  EXPECT_EQ(Shown(*f, 1).FontSize, 8) << "an integer out of range is no integer";
  EXPECT_EQ(Shown(*f, 1).Font, "Times New Roman") << "an empty name is no name";
  EXPECT_EQ(Shown(*f, 2), FactoryButton(3, 2)) << "a style and character set out of range are the factory's";
  for (int k = 3; k <= 42; ++k) EXPECT_EQ(Shown(*f, k), FactoryButton(3, k));
}

TEST_F(ButtonSetsTest, UnwritableFileRaisesToTheCaller) {
  CreateStartupWindows();
  ForceDirectories(Path("Buttons.ini"));
  EXPECT_THROW(SaveButtons(Form1->Hosts(), 0, 0), Exception);
}

// A user defines two buttons of set 3 in the custom palette dialog, switches sets and starts the
// program again: each set keeps its captions and fonts.
TEST_F(ButtonSetsTest, DefinedButtonsSurviveSwitchingSetsAndARestart) {
  TForm1* f = CreateStartupWindows();
  f->User1Click(f->MathAccents1);
  // Right click on button 5, new caption and font, Apply, Save.
  f->CustBut41MouseUp(f->CustomButton(5));
  ASSERT_TRUE(DefineFontDg->isVisible());
  EXPECT_FALSE(f->ToolPanel1->isEnabled()) << "no set change while the dialog is open";
  EXPECT_FALSE(f->CustomButton(5)->Raised());
  DefineFontDg->Character->setText("xy");
  TZQVFontDlg1::ExecuteHook = [](TZQVFontDlg1& d) {
    d.Font = TFont("Arial", 20, fsBold, RGBColor(255, 0, 0));
    return true;
  };
  DefineFontDg->SelectFont1->click();
  TZQVFontDlg1::ExecuteHook = nullptr;
  DefineFontDg->Apply1->click();
  DefineFontDg->SaveFont->click();
  // Button 17: Apply, then Yes to saving on closing.
  DefineFontDg->CustButTag->SetValue(17);
  DefineFontDg->Character->setText("Q");
  DefineFontDg->Apply1->click();
  rec->Answer(mrYes);
  DefineFontDg->Close1->click();
  EXPECT_FALSE(DefineFontDg->isVisible());
  EXPECT_EQ(rec->Last().Text, "Save changes ?");
  EXPECT_TRUE(f->ToolPanel1->isEnabled());
  EXPECT_TRUE(f->CustomButton(17)->Raised());

  const TButtonDef five = Shown(*f, 5), seventeen = Shown(*f, 17);
  EXPECT_EQ(five, (TButtonDef{"xy", "Arial", 20, 1, RGBColor(255, 0, 0), fsBold}));
  EXPECT_EQ(seventeen.Caption, "Q");
  f->User1Click(f->User1);
  ExpectFactorySet(*f, 0);
  f = Restart();
  EXPECT_EQ(f->CustomSet, 0);
  f->User1Click(f->MathAccents1);
  EXPECT_EQ(Shown(*f, 5), five);
  EXPECT_EQ(Shown(*f, 17), seventeen);
  EXPECT_EQ(Shown(*f, 6), FactoryButton(3, 6));
  // The set in use is stored as the user left it.
  f = Restart();
  EXPECT_EQ(f->CustomSet, 3);
  EXPECT_TRUE(f->MathAccents1->isChecked());
  EXPECT_EQ(Shown(*f, 5), five);
}

TEST_F(ButtonSetsTest, ClosingWithoutSavingRestoresTheSetFromTheFile) {
  TForm1* f = CreateStartupWindows();
  f->CustBut41MouseUp(f->CustomButton(2));
  DefineFontDg->Character->setText("W");
  DefineFontDg->tbAllButtons->setChecked(true);
  rec->Answer(mrYes);  // the font on all buttons
  DefineFontDg->Apply1->click();
  EXPECT_EQ(Shown(*f, 2).Caption, "W");
  rec->Answer(mrNo);
  DefineFontDg->Close1->click();
  ExpectFactorySet(*f, 0);
  EXPECT_FALSE(FileExists(ProgramFile("Buttons.Ini")));
}

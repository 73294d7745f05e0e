// The main font dialog on the real main window: scripts already on the page are rescaled to a
// new percentage when the user agrees, and the empty cells take the new main font.
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "dialogs/main_font_dialog.h"
#include "settings_fixture.h"
#include "text/page_geometry.h"

namespace {
struct MainFontSettingsTest : SettingsFixture {};
}  // namespace

TEST_F(MainFontSettingsTest, ChangedPercentageRescalesTheScriptsOnTheWordOfTheUser) {
  TForm1* f = CreateStartupWindows();
  ASSERT_TRUE(f->TextPageReady());
  const TFont base("Times New Roman", 12, 0, clBlack, DEFAULT_CHARSET);
  // "a" followed by a superscript "b" at 50 % of 12 points: size 6, offset 6 div 3 - 12 = -10.
  f->CharCodes[1] = 'a';
  *f->CharFonts[1] = base;
  f->CharCodes[2] = 'b';
  *f->CharFonts[2] = base;
  f->CharFonts[2]->SetSize(6);
  f->CharOffsets[2] = -10;
  f->LayoutTextCells();
  ASSERT_EQ(f->CellScriptKind(2), skSuperscript);
  MainFontDlg->show();
  ASSERT_EQ(MainFontDlg->Scripts.size(), 1u);
  MainFontDlg->ScriptPercent1->SetValue(80);
  rec->Answer(mrNo);   // not as default
  rec->Answer(mrYes);  // change the scripts
  MainFontDlg->OKBtn->click();
  EXPECT_EQ(rec->Texts(), (std::vector<std::string>{"Save settings as default?", "Change all current scripts?"}));
  EXPECT_EQ(f->CharFonts[2]->Size(), 10);
  EXPECT_EQ(f->CharOffsets[2], 10 / 3 - 12);
  EXPECT_TRUE(MainFontDlg->ScriptsRescaled);
  EXPECT_TRUE(MainFontDlg->Scripts.empty());
  EXPECT_EQ(f->CharFonts[5]->Size(), 12) << "empty cells take the main font";
}

TEST_F(MainFontSettingsTest, ChangedPercentageOnAPageWithoutScriptsAsksNoRescale) {
  CreateStartupWindows();
  MainFontDlg->show();
  MainFontDlg->ScriptPercent1->SetValue(70);
  rec->DefaultAnswer = mrNo;
  MainFontDlg->OKBtn->click();
  EXPECT_EQ(rec->Texts(), (std::vector<std::string>{"Save settings as default?"}));
}

// The "Set Main Font" dialog driven headless: its limits, what reaches the accessors, the stored
// defaults and the questions asked on closing.
#include <gtest/gtest.h>

#include <memory>

#include "dialog_fixture.h"
#include "dialogs/define_font_dialog.h"
#include "dialogs/main_font_dialog.h"
#include "platform/ini_file.h"
#include "text/page_geometry.h"

namespace {

struct MainFontDialogTest : DialogFixture {
  std::unique_ptr<TMainFontDlg> Dlg;
  std::unique_ptr<TDefineFontDg> Palette;
  void Create() {
    Dlg = std::make_unique<TMainFontDlg>(Host);
    MainFontDlg = Dlg.get();
    Palette = std::make_unique<TDefineFontDg>(Host);
    DefineFontDg = Palette.get();
  }
  void TearDown() override {
    MainFontDlg = nullptr;
    DefineFontDg = nullptr;
    Palette.reset();
    Dlg.reset();
    DialogFixture::TearDown();
  }
  void Show() {
    LineHeight = 13;
    Dlg->show();
  }
};

}  // namespace

TEST_F(MainFontDialogTest, LayoutHasTheNamedControlsAndFactoryValues) {
  Create();
  for (const char* name : {"FontCombo", "Charsets", "SpinEdit1", "Custom_Offset1", "ScriptPercent1", "Line_Spacing", "ftStyle",
                           "Label1", "Label6", "BitBtn1", "Button1", "OKBtn", "CancelBtn"})
    EXPECT_NE(Dlg->findChild<QWidget*>(name), nullptr) << name;
  EXPECT_EQ(Dlg->windowTitle(), "Set Main Font");
  EXPECT_EQ(Dlg->GetMainFont().Name, "Times New Roman");
  EXPECT_EQ(Dlg->GetMainFont().Size(), 12);
  EXPECT_EQ(Dlg->GetMainFont().Charset, DEFAULT_CHARSET);
  EXPECT_EQ(Dlg->GetScriptPercent(), 50);
  EXPECT_EQ(Dlg->GetCustomOffset(), -4);
  EXPECT_EQ(Dlg->Line_Spacing->AsInteger(), 13);
  EXPECT_EQ(Dlg->Label1->text(), "Times New Roman* / #");
  EXPECT_EQ(Dlg->Charsets->count(), 19);
}

TEST_F(MainFontDialogTest, SpinsKeepTheirLimitsAndTheAccessorsFollowThem) {
  Create();
  Show();
  struct TCase {
    TNumSpinEdit* Spin;
    double Typed;
    int Kept;
  } cases[] = {{Dlg->ScriptPercent1, 10, 20}, {Dlg->ScriptPercent1, 150, 99}, {Dlg->ScriptPercent1, 75, 75},
               {Dlg->Custom_Offset1, -50, -20}, {Dlg->Custom_Offset1, 21, 20}, {Dlg->Custom_Offset1, -7, -7},
               {Dlg->SpinEdit1, 4, 6},          {Dlg->SpinEdit1, 41, 40},        {Dlg->Line_Spacing, 7, 8},
               {Dlg->Line_Spacing, 101, 100}};
  for (const TCase& c : cases) {
    c.Spin->SetValue(c.Typed);
    EXPECT_EQ(c.Spin->AsInteger(), c.Kept) << c.Spin->objectName().toStdString() << " " << c.Typed;
  }
  Dlg->ScriptPercent1->SetValue(75);
  Dlg->Custom_Offset1->SetValue(-7);
  EXPECT_EQ(Dlg->GetScriptPercent(), 75);
  EXPECT_EQ(Dlg->GetCustomOffset(), -7);
  // The percentage follows its spin only while the dialog is shown.
  Dlg->hide();
  Dlg->ScriptPercent1->SetValue(60);
  EXPECT_EQ(Dlg->GetScriptPercent(), 75);
  // A percentage below 20 set from outside is raised and kept.
  Dlg->ScriptPercent = 5;
  EXPECT_EQ(Dlg->GetScriptPercent(), 20);
  EXPECT_EQ(Dlg->ScriptPercent, 20);
}

TEST_F(MainFontDialogTest, StandardSizeSetsOffsetRecommendationAndPaletteSizes) {
  Create();
  Show();
  Dlg->SpinEdit1->SetValue(24);
  EXPECT_EQ(Dlg->GetMainFont().Size(), 24);
  EXPECT_EQ(Dlg->GetCustomOffset(), -12);
  EXPECT_EQ(Dlg->Label6->text(), "Recommended LineSpacing = 25");
  EXPECT_EQ(Palette->SpinEdit1->AsInteger(), 60);
  EXPECT_EQ(Palette->SpinEdit2->AsInteger(), 48);
  EXPECT_EQ(Host.BracketSize, 60);
  EXPECT_EQ(Host.RootSize, 48);
  Dlg->SpinEdit1->SetValue(6);
  EXPECT_EQ(Dlg->GetCustomOffset(), -3);
  EXPECT_EQ(Palette->SpinEdit1->AsInteger(), 15) << "12, kept to the spin's 15";
  EXPECT_EQ(Palette->SpinEdit2->AsInteger(), 12);
  EXPECT_EQ(Dlg->Label6->text(), "Recommended LineSpacing = 7");
}

TEST_F(MainFontDialogTest, OkPassesTheChosenFontToTheAccessors) {
  Create();
  Show();
  Dlg->Charsets->setCurrentIndex(3);
  Dlg->ftStyle3->click();
  Dlg->SpinEdit1->SetValue(16);
  Dlg->ScriptPercent1->SetValue(70);
  Dlg->Custom_Offset1->SetValue(-6);
  rec->DefaultAnswer = mrNo;
  Dlg->OKBtn->click();
  EXPECT_FALSE(Dlg->isVisible());
  const TFont& f = Dlg->GetMainFont();
  EXPECT_EQ(f.Size(), 16);
  EXPECT_EQ(f.Charset, MAC_CHARSET);
  EXPECT_EQ(f.Style, fsBold | fsItalic);
  EXPECT_EQ(Dlg->GetScriptPercent(), 70);
  EXPECT_EQ(Dlg->GetCustomOffset(), -6);
  EXPECT_TRUE(MainFontChanged);
  EXPECT_EQ(Host.EmptyCellResets, 1);
  ASSERT_FALSE(rec->Texts().empty());
  EXPECT_EQ(rec->Texts()[0], "Save settings as default?");
}

TEST_F(MainFontDialogTest, CancelRestoresWhatWasShown) {
  Create();
  Show();
  Dlg->ftStyle2->click();
  Dlg->SpinEdit1->SetValue(30);
  Dlg->ScriptPercent1->SetValue(90);
  Dlg->CancelBtn->click();
  EXPECT_EQ(Dlg->GetMainFont().Size(), 12);
  EXPECT_EQ(Dlg->GetMainFont().Style, 0);
  EXPECT_EQ(Dlg->GetScriptPercent(), 50);
  EXPECT_EQ(Dlg->GetCustomOffset(), -4);
  EXPECT_FALSE(MainFontChanged);
  EXPECT_TRUE(rec->Texts().empty());
}

TEST_F(MainFontDialogTest, UnchangedOkAsksNothingAndSetsNoChange) {
  Create();
  Show();
  Dlg->OKBtn->click();
  EXPECT_FALSE(MainFontChanged);
  EXPECT_TRUE(rec->Texts().empty());
  EXPECT_EQ(Host.EmptyCellResets, 0);
}

TEST_F(MainFontDialogTest, SavedDefaultsAreReadBackAndThePromptCanBeTurnedOff) {
  Create();
  Show();
  Dlg->SpinEdit1->SetValue(20);
  Dlg->ftStyle1->click();
  rec->Answer(mrYes);  // save as default
  rec->Answer(mrNo);   // do not prompt next time
  Dlg->OKBtn->click();
  EXPECT_EQ(rec->Texts(), (std::vector<std::string>{"Save settings as default?", "Prompt next time?"}));
  {
    TMemIniFile page(ProgramFile("PageIni.ini"));
    EXPECT_EQ(page.ReadString("Prompts", "Save_Main_Font_Changes", ""), "0");
  }
  Create();
  EXPECT_EQ(Dlg->GetMainFont().Size(), 20);
  EXPECT_EQ(Dlg->GetMainFont().Style, fsItalic);
  EXPECT_EQ(Dlg->GetCustomOffset(), -10);
  EXPECT_TRUE(Dlg->SameAsDefaults());
  // With the prompt off a change asks nothing.
  rec->Clear();
  Show();
  Dlg->SpinEdit1->SetValue(22);
  Dlg->OKBtn->click();
  EXPECT_TRUE(rec->Texts().empty());
}

TEST_F(MainFontDialogTest, FactoryDefaultsOnAnEmptyPageResetTheLineSpacingOnOk) {
  Write("Main.ini", "[Main_Font]\r\nSize=30\r\nLine_Spacing=40\r\nName=Arial\r\n");
  Create();
  EXPECT_EQ(Dlg->GetMainFont().Name, "Arial");
  Show();
  Dlg->FactoryDefaults1->trigger();
  EXPECT_EQ(Dlg->GetMainFont().Name, "Times New Roman");
  EXPECT_EQ(Dlg->GetMainFont().Size(), 12);
  rec->DefaultAnswer = mrNo;
  LineHeight = 40;
  Dlg->OKBtn->click();
  EXPECT_EQ(LineHeight, 13);
}

TEST_F(MainFontDialogTest, FontColourGoesThroughTheSharedCustomColours) {
  Create();
  Show();
  TColorDialog::ExecuteHook = [](TColorDialog& d) {
    EXPECT_EQ(d.Caption, "Main Font Color");
    d.Color = RGBColor(0, 0, 255);
    d.CustomColors = {"ColorA=FF0000"};
    return true;
  };
  Dlg->BitBtn1->click();
  TColorDialog::ExecuteHook = nullptr;
  EXPECT_EQ(Dlg->GetMainFont().Color, RGBColor(0, 0, 255));
  EXPECT_EQ(Read("ZQVCustomClrs.Dat"), "ColorA=FF0000\r\n");
}

// The custom palette dialog driven headless against a stand-in main window.
#include <gtest/gtest.h>

#include <memory>

#include "dialog_fixture.h"
#include "dialogs/define_font_dialog.h"

namespace {
struct PaletteDialogTest : DialogFixture {
  std::unique_ptr<TDefineFontDg> Dlg;
  void SetUp() override {
    DialogFixture::SetUp();
    Dlg = std::make_unique<TDefineFontDg>(Host);
    DefineFontDg = Dlg.get();
  }
  void TearDown() override {
    DefineFontDg = nullptr;
    Dlg.reset();
    DialogFixture::TearDown();
  }
  void ShowOn(int n) {
    Dlg->ButtonNumber = n - 1;
    Dlg->show();
    Dlg->CustButTagChange();
  }
};
}  // namespace

TEST_F(PaletteDialogTest, ShowsTheButtonAndLocksTheSetWhileOpen) {
  Write("Main.Ini", "[Form_Position]\r\nLargeBracketSize=33\r\nLargeRootSize=44\r\n");
  Dlg = std::make_unique<TDefineFontDg>(Host);
  EXPECT_EQ(Dlg->SpinEdit1->AsInteger(), 33);
  EXPECT_EQ(Host.BracketSize, 33);
  EXPECT_EQ(Host.RootSize, 44);
  ShowOn(7);
  EXPECT_FALSE(Host.ToolsEnabled);
  EXPECT_EQ(Dlg->CustButTag->AsInteger(), 7);
  EXPECT_EQ(Dlg->Character->text(), "G");
  EXPECT_EQ(Dlg->CurrentCharacter1->text(), "Current Character: #071");
  EXPECT_FALSE(Host.Raised[7]);
  Dlg->Close1->click();
  EXPECT_TRUE(Host.ToolsEnabled);
  EXPECT_TRUE(Host.Raised[7]);
}

TEST_F(PaletteDialogTest, ApplyRefusesAnEmptyCaptionAndAcceptsASpace) {
  ShowOn(3);
  Dlg->Character->clear();
  Dlg->Apply1->click();
  EXPECT_EQ(rec->Last().Text, "Character not set please enter the code or character you require");
  EXPECT_EQ(rec->Last().HelpCtx, 699);
  EXPECT_EQ(Host.Captions[3], "C");
  EXPECT_FALSE(Dlg->AnyModified());
  Dlg->Character->setText(" ");
  Dlg->Apply1->click();
  EXPECT_EQ(Host.Captions[3], " ");
  EXPECT_TRUE(Dlg->ButtonModified[3]);
}

TEST_F(PaletteDialogTest, CodeArrowsStopAt255And32) {
  ShowOn(1);
  Dlg->Character->setText("\u00FE");  // 254 in the button's Windows-1252 font
  Dlg->SpinButton1Up->click();
  EXPECT_EQ(uint8_t(Dlg->SampleCaption[0]), 255);
  Dlg->SpinButton1Up->click();
  EXPECT_EQ(uint8_t(Dlg->SampleCaption[0]), 255);
  Dlg->Character->setText("!b");
  Dlg->SpinButton1Down->click();
  EXPECT_EQ(Dlg->SampleCaption, " b");
  Dlg->SpinButton1Down->click();
  EXPECT_EQ(Dlg->SampleCaption, " b") << "stops at the space";
  EXPECT_EQ(Dlg->CurrentCharacter1->text(), "Current Character: #032");
}

TEST_F(PaletteDialogTest, AllButtonsNeedsAYes) {
  ShowOn(2);
  Dlg->SampleFont = TFont("Arial", 14);
  Dlg->Character->setText("x");
  Dlg->tbAllButtons->setChecked(true);
  rec->Answer(mrNo);
  Dlg->Apply1->click();
  EXPECT_EQ(rec->Last().Text, "Are you sure you want to apply the font to all buttons?");
  EXPECT_EQ(rec->Last().Buttons, mbYes | mbNo | mbHelp);
  EXPECT_EQ(Host.Fonts[2].Name, "Arial");
  EXPECT_EQ(Host.Fonts[9].Name, "Times New Roman");
  rec->Answer(mrYes);
  Dlg->Apply1->click();
  for (int k = 1; k <= 42; ++k) EXPECT_EQ(Host.Fonts[k].Name, "Arial") << k;
  EXPECT_EQ(Host.Captions[9], "I") << "captions stay";
  EXPECT_TRUE(Dlg->ButtonModified[2]);
  EXPECT_FALSE(Dlg->ButtonModified[9]);
}

TEST_F(PaletteDialogTest, ClosingAsksOnlyForUnsavedEdits) {
  ShowOn(4);
  Dlg->Character->setText("y");
  Dlg->Apply1->click();
  Dlg->SaveFont->click();
  EXPECT_EQ(Host.Saves, (std::vector<int>{4}));
  Dlg->Close1->click();
  EXPECT_TRUE(rec->Texts().empty()) << "the only edit was saved";
  ShowOn(5);
  Dlg->Character->setText("z");
  Dlg->Apply1->click();
  rec->Answer(mrCancel);
  Dlg->Close1->click();
  EXPECT_TRUE(Dlg->isVisible());
  EXPECT_EQ(rec->Last().Text, "Save changes ?");
  EXPECT_EQ(rec->Last().HelpCtx, 740);
  rec->Answer(mrNo);
  Dlg->Close1->click();
  EXPECT_FALSE(Dlg->isVisible());
  EXPECT_EQ(Host.Loads, 1) << "No reloads the set from the file";
  EXPECT_FALSE(Dlg->AnyModified());
  ShowOn(6);
  Dlg->Character->setText("w");
  Dlg->Apply1->click();
  rec->Answer(mrYes);
  Dlg->Close1->click();
  EXPECT_EQ(Host.Saves, (std::vector<int>{4, 0}));
}

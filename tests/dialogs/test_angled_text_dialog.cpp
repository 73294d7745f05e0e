// The angled text dialog: the sample, what it reads from a selection or the template, and what
// OK and Cancel give to the template and the selected figures.
#include <QTest>

#include "dialog_test_support.h"
#include "dialogs/angled_text_dialog.h"

class AngledTextDialog : public DialogTest {
protected:
  void SetUp() override {
    DialogTest::SetUp();
    TRealFig& t = *Engine->Template;
    t.Text = "Template";
    t.FontName = "DejaVu Sans";
    t.FontSize = 12;
    t.Kind = 5;
    Dlg = std::make_unique<TAngledTextFm>();
  }
  void TearDown() override {
    Dlg.reset();
    DialogTest::TearDown();
  }
  std::unique_ptr<TAngledTextFm> Dlg;
};

TEST_F(AngledTextDialog, SampleShowsTheFirstCharacter) {
  Dlg->show();
  EXPECT_EQ(Dlg->Edit1->text(), "Template");
  EXPECT_EQ(Dlg->FontClrLbl1->text(), "T");
  Dlg->Edit1->clear();
  EXPECT_EQ(Dlg->FontClrLbl1->text(), "F");
  Dlg->close();
}

TEST_F(AngledTextDialog, OkWithoutSelectionWritesTheTemplate) {
  for (bool withLine : {true, false}) {
    Dlg->show();
    Dlg->Edit1->setText("x = 1");
    Dlg->WithLine1->setChecked(withLine);
    Host.FontDialogAnswer = true;
    Host.FontDialogChoice = TFont("DejaVu Serif", 20);
    Dlg->atFont->click();
    Dlg->OKBtn->click();
    EXPECT_FALSE(Dlg->isVisible());
    EXPECT_EQ(Engine->Template->Text, "x = 1");
    EXPECT_EQ(Engine->Template->Kind, withLine ? 17 : 48);
    EXPECT_EQ(Engine->Template->FontName, "DejaVu Serif");
    EXPECT_EQ(Host.AppliedMasks.back(), 16777218u);
  }
}

TEST_F(AngledTextDialog, SelectionTakesFontAndTextButNotKind) {
  TRealFig& a = AddFigure(48, 1, 1, 3, 2);
  a.Text = "Angled";
  a.FontName = "DejaVu Sans Mono";
  Select({0});
  Dlg->show();
  // Read from the figure: its text, font and (kind 48) no line.
  EXPECT_EQ(Dlg->Edit1->text(), "Angled");
  EXPECT_EQ(Dlg->SampleFont.Name, "DejaVu Sans Mono");
  EXPECT_FALSE(Dlg->WithLine1->isChecked());
  Dlg->Edit1->setText("Changed");
  Dlg->WithLine1->setChecked(true);
  Dlg->OKBtn->click();
  EXPECT_EQ(a.Text, "Changed");
  EXPECT_EQ(a.Kind, 48);
  EXPECT_EQ(Engine->Template->Text, "Template");
  EXPECT_EQ(Engine->Template->Kind, 5);
  EXPECT_EQ(Engine->Template->FontName, "DejaVu Sans");
}

TEST_F(AngledTextDialog, CancelChangesNothing) {
  TRealFig& a = AddFigure(17, 1, 1, 3, 2);
  a.Text = "Keep";
  Select({0});
  Dlg->show();
  Dlg->Edit1->setText("Lost");
  Host.FontDialogAnswer = true;
  Host.FontDialogChoice = TFont("DejaVu Serif", 20);
  Dlg->atFont->click();
  Dlg->CancelBtn->click();
  EXPECT_FALSE(Dlg->isVisible());
  EXPECT_EQ(a.Text, "Keep");
  EXPECT_EQ(Engine->Template->Text, "Template");
  EXPECT_TRUE(Host.AppliedMasks.empty());
  // The shared font dialog gets back the font of the last OK (the default before any).
  EXPECT_EQ(Host.FontDialogFont().Name, TFont().Name);
}

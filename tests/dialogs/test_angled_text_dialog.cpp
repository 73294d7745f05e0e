// The angled text dialog: the sample, what it reads from a selection or the template, and what
// OK and Cancel give to the template and the selected figures.
#include <QTest>

#include "dialog_test_support.h"
#include "dialogs/angled_text_dialog.h"
#include "dialogs/font_dialog.h"

class AngledTextDialog : public DialogTest {
protected:
  void SetUp() override {
    DialogTest::SetUp();
    TRealFig& t = *Engine->Template;
    t.Text = "Template";
    t.FontName = "DejaVu Sans";
    t.FontSize = 12;
    t.Kind = 5;
    FontDlg = std::make_unique<TZQVFontDlg1>();
    ZQVFontDlg1 = FontDlg.get();
    Dlg = std::make_unique<TAngledTextFm>(Host);
  }
  void TearDown() override {
    TZQVFontDlg1::ExecuteHook = nullptr;
    Dlg.reset();
    ZQVFontDlg1 = nullptr;
    FontDlg.reset();
    DialogTest::TearDown();
  }
  // The program's font dialog answers OK with Choice (its colour field included); Started gets
  // the font it was opened on.
  void AnswerFontDialog(const TFont& Choice, TFont* Started = nullptr) {
    TZQVFontDlg1::ExecuteHook = [Choice, Started](TZQVFontDlg1& d) {
      if (Started) *Started = d.Font;
      d.Font = Choice;
      return true;
    };
  }
  std::unique_ptr<TZQVFontDlg1> FontDlg;
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
    AnswerFontDialog(TFont("DejaVu Serif", 20));
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
  AnswerFontDialog(TFont("DejaVu Serif", 20));
  Dlg->atFont->click();
  Dlg->CancelBtn->click();
  EXPECT_FALSE(Dlg->isVisible());
  EXPECT_EQ(a.Text, "Keep");
  EXPECT_EQ(Engine->Template->Text, "Template");
  EXPECT_TRUE(Host.AppliedMasks.empty());
  // The shared font dialog gets back the font of the last OK (the default before any).
  EXPECT_EQ(ZQVFontDlg1->Font.Name, TFont().Name);
}

// The Font button opens the program's own font dialog on the sample font, and its colour field
// reaches the sample; Cancel gives that dialog back the font of the last OK.
TEST_F(AngledTextDialog, FontButtonUsesTheProgramsFontDialogAndCancelRestoresItsFont) {
  Dlg->show();
  TFont started;
  const TFont first("DejaVu Serif", 20, fsItalic, RGBColor(0x80, 0, 0));
  AnswerFontDialog(first, &started);
  Dlg->atFont->click();
  EXPECT_EQ(started.Name, "DejaVu Sans");
  EXPECT_EQ(Dlg->SampleFont.Name, "DejaVu Serif");
  EXPECT_EQ(Dlg->SampleFont.Color, RGBColor(0x80, 0, 0));
  Dlg->OKBtn->click();
  EXPECT_EQ(Engine->Template->FontColor, RGBColor(0x80, 0, 0));
  // A second visit chooses another font and is cancelled: the dialog's font is the first again.
  Dlg->show();
  AnswerFontDialog(TFont("DejaVu Sans Mono", 9));
  Dlg->atFont->click();
  EXPECT_EQ(ZQVFontDlg1->Font.Name, "DejaVu Sans Mono");
  Dlg->CancelBtn->click();
  EXPECT_EQ(ZQVFontDlg1->Font.Name, "DejaVu Serif");
  EXPECT_EQ(ZQVFontDlg1->Font.Size(), 20);
  EXPECT_EQ(ZQVFontDlg1->Font.Color, RGBColor(0x80, 0, 0));
}

// The page set-up dialog on a real main window: page sizes, the defaults file, the unit switch
// with its warning, OK, Cancel and the close box, Set as Default, and margins that move the text.
#include <gtest/gtest.h>

#include <QTest>

#include "app/main_window_fixture.h"
#include "dialogs/page_setup_dialog.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "helpers/page_surface.h"
#include "platform/app_dir.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"
#include "text/page_geometry.h"

namespace {
struct PageSetup : MainWindowFixture {
  TForm1* form = nullptr;
  void Start(const std::string& ini = "[Margin_Defaults]\r\nMetric=0\r\n") {
    WriteFileAtomically(AppDir() + "PageIni.ini", ini.data(), ini.size());
    form = CreateStartupWindows();
    rec->Clear();
  }
  // Shows the dialog as File > Page Settings does and waits until it is the active window.
  void Open() {
    form->PageSettings1->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowActive(PageSetupDialog));
  }
  TPageSetupDialog& D() { return *PageSetupDialog; }
};
}  // namespace

TEST_F(PageSetup, PageSizesOfTheStylesAndTheDefaultsFile) {
  Start();
  // Style, width and height at 96 pixels per inch; no style gives 500 x 500.
  const struct { int style, w, h; } sizes[] = {{1, 794, 1123}, {0, 1123, 794}, {5, 945, 1334}, {7, 665, 945}, {-1, 500, 500}};
  for (const auto& s : sizes) {
    D().SetPageStyle(s.style);
    EXPECT_EQ(D().GetPageWidth(), s.w) << s.style;
    EXPECT_EQ(D().GetPageHeight(), s.h) << s.style;
  }
  FreeStartupWindows();
  // Defaults of 0.5 inch; styles beyond the table; margin texts that do not parse are skipped.
  const struct { const char* ini; int style, w; int left, top; } files[] = {
      {"[Margin_Defaults]\r\nMetric=0\r\n", 1, 794, 48, 48},
      {"[Margin_Defaults]\r\nMetric=0\r\nPage_Style=12\r\nLeft_Margin=1\r\n", 7, 665, 96, 48},
      {"[Margin_Defaults]\r\nMetric=0\r\nPage_Style=-3\r\nLeft_Margin=0,75\r\nTop_Margin=x\r\n", -1, 500, 48, 48},
      {"[Margin_Defaults]\r\nMetric=1\r\nTop_Margin=2.54\r\n", 1, 794, 48, 96},
  };
  for (const auto& f : files) {
    Start(f.ini);
    EXPECT_EQ(D().PageStyle(), f.style) << f.ini;
    EXPECT_EQ(PageWidth, f.w) << f.ini;
    EXPECT_EQ(form->MainImage->width(), f.w) << f.ini;
    EXPECT_EQ(lMargin, f.left) << f.ini;
    EXPECT_EQ(tMargin, f.top) << f.ini;
    EXPECT_EQ(rMargin, f.w - 48) << f.ini;
    EXPECT_EQ(Figures->Metric, D().DefaultMetric1->isChecked()) << f.ini;
    FreeStartupWindows();
  }
}

TEST_F(PageSetup, UnitSwitchOnAnUnchangedPageConvertsTheMarginsAndOkKeepsThePixels) {
  Start("[Margin_Defaults]\r\nMetric=0\r\nRight_Margin=5\r\n");
  Open();
  D().Top1->SetValue(0.1);
  D().DefaultMetric1->click();
  EXPECT_TRUE(rec->Texts().empty());  // no warning for an unchanged page
  EXPECT_EQ(D().GroupBox1->title().toStdString(), "Margins Metric");
  EXPECT_DOUBLE_EQ(D().Left1->Value(), 1.27);
  EXPECT_DOUBLE_EQ(D().Right1->Value(), 10.0);  // 12.7 held at the range's maximum
  EXPECT_DOUBLE_EQ(D().Top1->Value(), 0.25);
  EXPECT_TRUE(Figures->Metric);
  D().OKBtn->click();
  EXPECT_FALSE(D().isVisible());
  EXPECT_EQ(lMargin, 48);
  EXPECT_EQ(rMargin, 794 - 378);
  // And back: 0.1 cm of top margin becomes the inch range's minimum, 0.1, not 0.04.
  Open();
  D().Top1->SetValue(0.1);
  form->Modified = false;
  D().DefaultMetric1->click();
  EXPECT_DOUBLE_EQ(D().Top1->Value(), 0.1);
  EXPECT_EQ(D().GroupBox1->title().toStdString(), "Margins Imperial/US");
  EXPECT_FALSE(Figures->Metric);
  D().OKBtn->click();
}

TEST_F(PageSetup, UnitWarningOnChangedWorkAndItsAnswers) {
  Start();
  form->Modified = true;
  Open();
  // No: the box goes back, nothing else changes, and the box is locked until the next activation.
  rec->Answer(mrNo);   // the warning
  rec->Answer(mrYes);  // show it again
  D().DefaultMetric1->click();
  ASSERT_EQ(rec->Texts().size(), 2u);
  EXPECT_EQ(rec->Texts()[0].substr(0, 52), "The default metric setting should only be applied to");
  EXPECT_EQ(rec->Calls[0].HelpCtx, 70);
  EXPECT_EQ(rec->Texts()[1], "Show this message again?");
  EXPECT_FALSE(D().DefaultMetric1->isChecked());
  EXPECT_FALSE(Figures->Metric);
  D().DefaultMetric1->click();
  EXPECT_TRUE(D().DefaultMetric1->isChecked());  // locked: only the box changes
  EXPECT_FALSE(Figures->Metric);
  EXPECT_DOUBLE_EQ(D().Left1->Value(), 0.5);
  D().CancelBtn->click();
  EXPECT_FALSE(D().DefaultMetric1->isChecked());
  // Yes, and "don't show again": the unit switches and the warning is not asked again.
  rec->Clear();
  Open();
  rec->Answer(mrYes);
  rec->Answer(mrNo);
  D().DefaultMetric1->click();
  EXPECT_TRUE(Figures->Metric);
  EXPECT_DOUBLE_EQ(D().Left1->Value(), 1.27);
  EXPECT_TRUE(TZQVIniFile(ProgramFile("Main.Ini")).ReadBool("Form_Position", "Metric_Default_Shown", false));
  // Cancel gives back exactly the values, box and style of the moment the dialog was shown, and
  // the engine's unit.
  D().PageStyles->button(0)->click();
  D().CancelBtn->click();
  EXPECT_FALSE(D().DefaultMetric1->isChecked());
  EXPECT_FALSE(Figures->Metric);
  EXPECT_DOUBLE_EQ(D().Left1->Value(), 0.5);
  EXPECT_EQ(D().PageStyle(), 1);
  EXPECT_EQ(form->MainImage->width(), 794);
  rec->Clear();
  Open();
  D().DefaultMetric1->click();
  EXPECT_TRUE(rec->Texts().empty());
  D().CancelBtn->click();
}

TEST_F(PageSetup, OkWithoutChangesKeepsThePageImageAndTheCloseBoxKeepsTheUnappliedValues) {
  Start();
  Open();
  D().OKBtn->click();
  EXPECT_EQ(form->MainImage->width(), 794);
  EXPECT_TRUE(form->MainImage->isEnabled());
  // The close box: nothing applied, nothing put back; the next show starts from those values.
  Open();
  D().Left1->SetValue(1.0);
  D().close();
  EXPECT_FALSE(D().isVisible());
  EXPECT_EQ(lMargin, 48);
  EXPECT_DOUBLE_EQ(D().Left1->Value(), 1.0);
  Open();
  D().CancelBtn->click();
  EXPECT_DOUBLE_EQ(D().Left1->Value(), 1.0);
}

TEST_F(PageSetup, MarginsWiderThanThePageStillCloseTheDialog) {
  Start();
  Open();
  D().PageStyles->button(3)->click();  // A5 Portrait, 559 pixels wide
  D().Left1->SetValue(6.0);
  D().OKBtn->click();
  EXPECT_TRUE(rec->Texts().empty());
  EXPECT_EQ(form->MainImage->width(), 559);
  EXPECT_EQ(lMargin, 576);
  EXPECT_FALSE(D().ApplyOnClose);
  EXPECT_FALSE(PageSetupChanged);
  EXPECT_TRUE(form->MainImage->isEnabled());
  EXPECT_FALSE(form->PageDisabled);
}

TEST_F(PageSetup, MarginChangeMovesEveryCellOfAFullPage) {
  Start();
  for (int i = 1; i <= MaxCharacters; ++i) {
    form->CharCodes[size_t(i)] = 'a';
    form->CharPositions[size_t(i)] = TPoint(48 + i % 50, 48 + i / 50);
  }
  Open();
  D().Left1->SetValue(1.0);
  D().OKBtn->click();
  for (int i : {1, 4092, 4093, 4095}) EXPECT_EQ(form->CharPositions[size_t(i)].X, 96 + i % 50) << i;
  EXPECT_EQ(form->CurrentI, 1);
}

TEST_F(PageSetup, SetAsDefaultWritesTheDefaultsSection) {
  Start();
  Open();
  D().Left1->SetValue(0.75);
  D().PageStyles->button(2)->click();
  D().SetDefaults1->click();
  D().CancelBtn->click();
  TZQVIniFile ini(PageIniName);
  EXPECT_EQ(ini.ReadString("Margin_Defaults", "Left_Margin", ""), "0.750");
  EXPECT_EQ(ini.ReadString("Margin_Defaults", "Top_Margin", ""), "0.500");
  EXPECT_EQ(ini.ReadInteger("Margin_Defaults", "Page_Style", -9), 2);
  EXPECT_FALSE(ini.ReadBool("Margin_Defaults", "Metric", true));
  EXPECT_EQ(form->MainImage->width(), 794);  // the page itself is not changed
}

// A figure keeps its place on the page when the page size or orientation changes, as the text
// and the pictures do; changing back leaves it where it was.
TEST_F(PageSetup, FiguresKeepTheirPlaceWhenThePageSizeOrOrientationChanges) {
  Start();
  ASSERT_NE(Figures, nullptr);
  const TRect box(96, 192, 192, 240);
  {
    const TMappingRec map = Figures->GetMapping();
    auto f = std::make_unique<TRealFig>(Figures);
    f->Kind = 5;
    f->PenColor = clBlack;
    f->BrushColor = clBlack;
    f->BrushStyle = 0;
    f->SetNodePoint(0, {double(ScreenToWorldX(map, box.Left)), double(ScreenToWorldY(map, box.Top)), 0});
    f->SetNodePoint(2, {double(ScreenToWorldX(map, box.Right)), double(ScreenToWorldY(map, box.Bottom)), 0});
    f->NodeCountUsed = 3;
    UpdateFigurePoints(*f);
    Figures->AddFigure(f.get());
  }
  // The figure's ink on the composed page.
  auto ink = [&] {
    form->RefreshAllImages(nullptr, true);
    const QImage page = form->MainImage->Bitmap().Image().convertToFormat(QImage::Format_RGB32);
    TRect r(page.width(), page.height(), -1, -1);
    for (int y = 0; y < page.height(); ++y)
      for (int x = 0; x < page.width(); ++x) {
        const QRgb p = page.pixel(x, y);
        if (qRed(p) < 60 && qGreen(p) < 60 && qBlue(p) < 60)
          r = TRect(std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1));
      }
    return r;
  };
  const TRect before = ink();
  ASSERT_NEAR(before.Left, box.Left, 1);
  ASSERT_NEAR(before.Top, box.Top, 1);
  // A5 portrait, A4 landscape, B4 portrait, then back to A4 portrait.
  for (int style : {3, 0, 5, 1}) {
    Open();
    D().PageStyles->button(style)->click();
    D().OKBtn->click();
    ASSERT_EQ(D().PageStyle(), style);
    EXPECT_EQ(ink(), before) << style;
  }
}

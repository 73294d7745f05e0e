// The status bar while a figure is drawn, the handlers of the engine's events, and the dialogs the
// drawing tools open: the pen and fill colours with the shared custom colours file, and the
// annotation font in the program's own font dialog.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/main_window_fixture.h"
#include "app/window_hosts.h"
#include "dialogs/page_setup_dialog.h"
#include "cad/engine.h"
#include "cad/selectors.h"
#include "page/undo_store.h"
#include "dialogs/color_combo.h"
#include "dialogs/dimension_settings_dialog.h"
#include "dialogs/font_dialog.h"
#include "helpers/page_surface.h"
#include "helpers/speed_button.h"
#include "platform/app_dir.h"
#include "platform/streams.h"

namespace {

struct DrawingStatus : StartedWindowFixture {
  void SetUp() override {
    StartedWindowFixture::SetUp();
    ASSERT_NE(Figures, nullptr);
    form->show();
    QApplication::processEvents();
    Figures->Template->SetPenColor(clBlack);
    form->ToggleOnOff1->setChecked(false);  // no snapping: the pointer's pixels are the figure's
    form->InPixels1->setChecked(false);
    CanHaveLength = form->CanHaveLength;
    CanHaveAngle = form->CanHaveAngle;
    form->CanHaveLength = form->CanHaveAngle = true;
  }
  void TearDown() override {
    TColorDialog::ExecuteHook = nullptr;
    TZQVFontDlg1::ExecuteHook = nullptr;
    form->CanHaveLength = CanHaveLength;
    form->CanHaveAngle = CanHaveAngle;
    StartedWindowFixture::TearDown();
  }
  void DrawingTool() {
    form->tbDraw->SetDown(true);
    form->tbDrawClick(form->tbDraw);
  }
  // The six panels while the left button is held at (X2, Y2) after a press at (X1, Y1).
  std::vector<std::string> PanelsWhileDragging(int X1, int Y1, int X2, int Y2) {
    form->MainImageMouseDown(Qt::LeftButton, Qt::NoModifier, X1, Y1);
    form->MainImageMouseMove(Qt::LeftButton, Qt::NoModifier, X2, Y2);
    std::vector<std::string> panels;
    for (int i = 0; i < 6; ++i) panels.push_back(form->PanelText(i).toStdString());
    form->MainImageMouseUp(Qt::LeftButton, Qt::NoModifier, X2, Y2);
    return panels;
  }
  QRgb PagePixel(int X, int Y) const { return form->MainImage->Bitmap().Image().pixel(X, Y) & 0xFFFFFF; }
  bool CanHaveLength = true, CanHaveAngle = true;
};

}  // namespace

// Panels 0 to 5 while a figure is dragged out, in inches and in centimetres: the size readout by
// kind, the angle, the world extents, the pointer, the insert mode and the tool status.
TEST_F(DrawingStatus, PanelsWhileDrawing) {
  ASSERT_TRUE(form->isVisible());
  // The page's default unit is the locale's; these readouts start from inches.
  const auto pageMetric = [](bool on) {
    const QSignalBlocker block(PageSetupDialog->DefaultMetric1);
    PageSetupDialog->DefaultMetric1->setChecked(on);
  };
  pageMetric(false);
  const int ppi = 96;  // pixels per inch at 100 %
  const struct {
    const char* label;
    bool metric;
    int kind;
    int dx, dy;  // pixels from the press
    std::vector<std::string> panels;
  } cases[] = {
      // 96 pixels are one inch; a horizontal line's width is a length (inches, or millimetres).
      {"line, inches", false, 0, 96, 0,
       {"Length:1.0000", "Angle: 0.0000", "dx:1.0000 \rdy:0.0000", "X: 196 Y: 200", "Ins",
        "*1 Tool:Line  Snap:Off   Default:Imperial/US   Alt:Imperial/US View:*1"}},
      {"horizontal line, inches", false, 18, 48, 0,
       {"Width: 0.5000", "Angle: 0.0000", "dx:0.5000 \rdy:0.0000", "X: 148 Y: 200", "Ins",
        "*1 Tool:Horizontal Line  Snap:Off   Default:Imperial/US   Alt:Imperial/US View:*1"}},
      // World y grows upwards: a line drawn up is half an inch high.
      {"vertical line, inches", false, 19, 0, -48,
       {"Height: 0.5000", "Angle: 90.0000", "dx:0.0000 \rdy:0.5000", "X: 100 Y: 152", "Ins",
        "*1 Tool:Vertical Line  Snap:Off   Default:Imperial/US   Alt:Imperial/US View:*1"}},
      // 2 cm: a line of 2 cm reads 20 millimetres, not 2 x 25.4.
      {"horizontal line, centimetres", true, 18, 0, 0, {}},
      {"multiline, inches", false, 49, 96, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Figures->SetMetric(c.metric);
    Figures->Template->SetKind(uint8_t(c.kind));
    DrawingTool();
    if (std::string(c.label) == "horizontal line, centimetres") {
      // The pixels of 2 cm at this resolution, to the nearest pixel: the readout is of what the
      // engine measured, so it is compared with that measure in millimetres.
      const int px = int(std::lround(2.0 / 2.54 * ppi));
      const auto panels = PanelsWhileDragging(100, 200, 100 + px, 200);
      const double cm = Figures->DrawInfo.DX;
      EXPECT_NEAR(cm, 2.0, 0.02);
      char expected[64];
      std::snprintf(expected, sizeof expected, "Width: %.4f", cm * 10);
      EXPECT_EQ(panels[0], expected);
      EXPECT_EQ(panels[5], "*1 Tool:Horizontal Line  Snap:Off   Default:Imperial/US   Alt:Metric View:*1");
      continue;
    }
    if (c.kind == 49) {
      // A figure of many nodes says how it is completed.
      form->ShowToolStatus();
      EXPECT_EQ(form->PanelText(5).toStdString(),
                "*1 Tool:Closed irreg Polygon  Right click to complete  Snap:Off   Default:Imperial/US   "
                "Alt:Imperial/US View:*1");
      continue;
    }
    EXPECT_EQ(PanelsWhileDragging(100, 200, 100 + c.dx, 200 + c.dy), c.panels);
  }
  // Snapping, the page's unit, the figure's multiplier and the zoom level all show.
  Figures->SetMetric(false);
  Figures->Template->SetKind(0);
  Figures->Template->SetDimMultiplier(7);
  form->ToggleOnOff1->setChecked(true);
  pageMetric(true);
  form->findChild<QAction*>("Z8")->trigger();
  DrawingTool();
  EXPECT_EQ(form->PanelText(5).toStdString(), "*100 Tool:Line  Snap:On   Default:Metric   Alt:Imperial/US View:*4");
  pageMetric(false);
  // Text mode shows its banner instead.
  form->tbText->SetDown(true);
  form->tbTextClick(form->tbText);
  EXPECT_EQ(form->PanelText(5).toStdString(), "Text Mode");
}

// A new background colour from the engine recomposes the page at once.
TEST_F(DrawingStatus, BackgroundColourChangeRecomposesThePage) {
  ASSERT_EQ(PagePixel(400, 600), 0xFFFFFFu);
  Figures->SetBackgroundColor(RGBColor(0xFF, 0xFF, 0x00));
  EXPECT_EQ(BackgroundColor, RGBColor(0xFF, 0xFF, 0x00));
  EXPECT_EQ(PagePixel(400, 600), 0xFFFF00u);
}

// A page set-up done while zoomed puts the engine back at 100 %: the zoom levels are offered
// again.
TEST_F(DrawingStatus, PageSetUpWhileZoomedEnablesTheZoomLevelsAgain) {
  form->findChild<QAction*>("Z8")->trigger();
  ASSERT_EQ(Figures->ZoomLevel(), 7);
  ASSERT_FALSE(form->ZoomIn1->isEnabled());
  form->PageSettings1->trigger();
  QApplication::processEvents();
  PageSetupDialog->Left1->SetValue(PageSetupDialog->Left1->Value() + 0.5);
  ASSERT_TRUE(PageSetupChanged);
  PageSetupDialog->OKBtn->click();
  EXPECT_EQ(Figures->ZoomLevel(), 4);
  EXPECT_TRUE(form->ZoomIn1->isEnabled());
}

// After a move of a figure with Always Refresh ticked, the page is composed again: the figure's
// old place is clean and the text over it shows.
TEST_F(DrawingStatus, AfterDrawInMoveModeWithAlwaysRefreshRecomposes) {
  Figures->Template->SetKind(0);
  DrawingTool();
  PanelsWhileDragging(100, 300, 300, 300);
  ASSERT_EQ(Figures->Count(), 1);
  ASSERT_NE(PagePixel(200, 300), 0xFFFFFFu);
  form->AlwaysRefresh1->setChecked(true);
  // Something on the page outside the engine's knowledge: a full composition removes it, a text
  // refresh does not.
  form->MainImage->Canvas().SetPixel(700, 900, clRed);
  form->tbMove->SetDown(true);
  form->tbMoveClick(form->tbMove);
  ASSERT_TRUE(Figures->OnAfterDraw);
  Figures->OnAfterDraw(Figures);
  EXPECT_EQ(PagePixel(700, 900), 0xFFFFFFu);
  // In drawing mode only the text is drawn again.
  form->MainImage->Canvas().SetPixel(700, 900, clRed);
  DrawingTool();
  Figures->OnAfterDraw(Figures);
  EXPECT_EQ(PagePixel(700, 900), 0xFF0000u);
}

// The pen and fill colour buttons load the shared custom colours before the dialog, and after a
// confirmed choice copy the file to ".bak" and write the dialog's colours back.
TEST_F(DrawingStatus, PenAndFillColoursKeepTheSharedCustomColours) {
  const std::string file = CustomColorsFileName();
  const std::string backup = file.substr(0, file.size() - 4) + ".bak";
  for (const char* button : {"pen", "fill"}) {
    SCOPED_TRACE(button);
    const std::string before = "ColorA=0000FF\r\nColorB=00FF00\r\n";
    WriteFileAtomically(file, before.data(), before.size());
    QFile::remove(QString::fromStdString(backup));
    std::vector<std::string> seen;
    TColorDialog::ExecuteHook = [&](TColorDialog& d) {
      seen = d.CustomColors;
      d.Color = clTeal;
      d.CustomColors = {"ColorA=123456"};
      return true;
    };
    if (std::string(button) == "pen") form->tbPenColor->click();
    else form->findChild<QAction*>("BrushColor1")->trigger();
    EXPECT_EQ(seen, (std::vector<std::string>{"ColorA=0000FF", "ColorB=00FF00"}));
    EXPECT_EQ(std::string(button) == "pen" ? Figures->Template->PenColor : Figures->Template->BrushColor, clTeal);
    const auto saved = ReadWholeFile(backup);
    EXPECT_EQ(std::string(saved.begin(), saved.end()), before);
    const auto written = ReadWholeFile(file);
    EXPECT_EQ(std::string(written.begin(), written.end()), "ColorA=123456\r\n");
  }
  // A cancelled dialog writes nothing.
  TColorDialog::ExecuteHook = [](TColorDialog&) { return false; };
  QFile::remove(QString::fromStdString(backup));
  form->tbPenColor->click();
  EXPECT_FALSE(FileExists(backup));
}

// The annotation font is chosen in the program's own font dialog, colour included.
TEST_F(DrawingStatus, DimensionFontUsesTheProgramsFontDialog) {
  ASSERT_NE(ZQVFontDlg1, nullptr);
  Figures->Template->SetFontName("DejaVu Sans");
  TFont started;
  TZQVFontDlg1::ExecuteHook = [&](TZQVFontDlg1& d) {
    started = d.Font;
    d.Font = TFont("DejaVu Serif", 0, fsBold, RGBColor(0, 0x80, 0));
    return true;
  };
  bool otherDialog = false;
  TextFontDialogHook = [&](TFont&) {
    otherDialog = true;
    return false;
  };
  TDimSettings1 dialog(form->Hosts());
  dialog.show();
  dialog.DimFont1->click();
  TextFontDialogHook = nullptr;
  EXPECT_FALSE(otherDialog);
  EXPECT_EQ(started.Name, "DejaVu Sans");
  TFont font;
  Figures->Template->AssignTo(font);
  EXPECT_EQ(font.Name, "DejaVu Serif");
  EXPECT_EQ(font.Color, RGBColor(0, 0x80, 0));
  EXPECT_EQ(font.Size(), 1) << "a size below 1 becomes 1";
  dialog.close();
}

// A right-button drag of the reference selector moves the selected figures: they are drawn at
// their new place (the old one was cleared when the drag began) and one page undo takes the move
// back.
TEST_F(DrawingStatus, SelectionMovedByTheSelectorIsDrawnAndUndone) {
  Figures->Template->SetKind(0);
  DrawingTool();
  PanelsWhileDragging(100, 300, 300, 300);
  ASSERT_EQ(Figures->Count(), 1);
  const TRealXYZ start = Figures->GetFigure(0)->Point(0);
  form->AlwaysRefresh1->setChecked(false);
  form->tbSelect->SetDown(true);
  form->tbSelectClick(form->tbSelect);
  PanelsWhileDragging(80, 280, 320, 320);
  ASSERT_TRUE(SelectionRectShown);
  ASSERT_TRUE(Figures->HasSelection());
  const int entries = ShapeUndoCount(form->UndoState);
  TReferenceSelector* selector = Figures->Selector;
  ASSERT_NE(selector, nullptr);
  const QPoint c(selector->width() / 2, selector->height() / 2);
  selector->MouseDown(Qt::RightButton, c);
  selector->MouseMove(Qt::RightButton, c + QPoint(80, 0));
  selector->MouseUp(Qt::RightButton, c + QPoint(80, 0));
  const TRealXYZ moved = Figures->GetFigure(0)->Point(0);
  EXPECT_GT(moved.x, start.x);
  EXPECT_EQ(PagePixel(120, 300), 0xFFFFFFu) << "the old place is clean";
  EXPECT_NE(PagePixel(370, 300), 0xFFFFFFu) << "the figure shows at its new place";
  EXPECT_EQ(ShapeUndoCount(form->UndoState), entries + 1);
  form->Shapes2->trigger();
  EXPECT_DOUBLE_EQ(Figures->GetFigure(0)->Point(0).x, start.x);
}

// The drawing dialogs on the real main window, as a user goes through them: a rectangle on the
// page takes a pen and fill in the pen and brush window, is rotated and made a polar array in the
// transforms window, a wave set up in the wave dialog is drawn, and dimensions are switched on.
// Pictures of the windows and the page are saved when KV_DIALOG_PICTURES names a folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "app/main_window_fixture.h"
#include "app/startup.h"
#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "dialogs/app_palette.h"
#include "dialogs/dimension_settings_dialog.h"
#include "dialogs/pen_brush_dialog.h"
#include "dialogs/permissions_dialog.h"
#include "dialogs/transforms_window.h"
#include "dialogs/wave_dialog.h"
#include "helpers/page_surface.h"

namespace {
struct DrawDialogsWindow : MainWindowFixture {
  TForm1* form = nullptr;
  QString folder = qEnvironmentVariable("KV_DIALOG_PICTURES");
  void Save(QWidget* w, const char* name) {
    if (folder.isEmpty()) return;
    w->adjustSize();
    QApplication::processEvents();
    w->grab().save(QDir(folder).filePath(QString(name) + ".png"));
  }
  void SavePage(const char* name) {
    form->RefreshAllImages(nullptr, true);
    if (!folder.isEmpty()) form->MainImage->Bitmap().Image().save(QDir(folder).filePath(QString(name) + ".png"));
  }
  QAction* Action(const char* name) { return form->findChild<QAction*>(name); }
  // Selects what lies inside the world rectangle with a rubber band on the page.
  void RubberBand(double x1, double y1, double x2, double y2) {
    const TPoint a = WorldToScreen(Figures->Mapping, x1, y1), b = WorldToScreen(Figures->Mapping, x2, y2);
    SelectionRect = TRect(a.X, a.Y, b.X, b.Y);
    SelectionRectShown = true;
    Figures->SelectInRect(SelectionRect);
  }
  // Runs Act on the next modal dialog once it is shown.
  void OnModal(std::function<void(QWidget*)> Act) {
    QTimer::singleShot(0, [Act] {
      QWidget* w = QApplication::activeModalWidget();
      ASSERT_NE(w, nullptr);
      Act(w);
    });
  }
};
}  // namespace

TEST_F(DrawDialogsWindow, RectanglePenBrushTransformsWaveDimensions) {
  form = CreateStartupWindows();
  ASSERT_NE(Figures, nullptr);
  form->resize(900, 700);
  const TMappingRec m = Figures->GetMapping();
  const double left = m.WorldLeft + 1, top = m.WorldTop - 1;
  // A rectangle on the page, as drawn with the rectangle tool.
  TRealFig rect(Figures);
  rect.AssignWithoutNodes(*Figures->Template);
  rect.Kind = 5;
  rect.PenColor = clBlack;
  rect.PenWidth = 0.01;
  rect.BrushStyle = 1;
  rect.SetNodePoint(0, {left + 1, top - 1, 0});
  rect.SetNodePoint(2, {left + 2.5, top - 2, 0});
  UpdateFigurePoints(rect);
  Figures->AddFigure(&rect);
  RubberBand(left + 0.5, top - 0.5, left + 3, top - 2.5);
  ASSERT_TRUE(Figures->HasSelection());

  // Pen and brush: red pen, yellow solid fill, a wider pen.
  const TColor templatePen = Figures->Template->PenColor;
  Action("PenandBrushAttributes1")->trigger();
  QApplication::processEvents();  // the window becomes active: it reads the selected rectangle
  ASSERT_TRUE(ColorDlg->isVisible());
  ColorDlg->GridMouseDown(ColorDlg->CellRect(249).center());
  ColorDlg->GridMouseUp(Qt::LeftButton);
  ColorDlg->GridMouseDown(ColorDlg->CellRect(251).center());
  ColorDlg->GridMouseUp(Qt::RightButton);
  ColorDlg->BrushStyle1->setCurrentIndex(0);
  ColorDlg->BrushStyle1->activated(0);
  ColorDlg->PenWidth1->SetValue(0.03);
  Save(ColorDlg, "pen-brush-window");
  ColorDlg->Apply1->click();
  const TRealFig& r = *Figures->GetFigure(0);
  EXPECT_EQ(r.PenColor, AppPaletteColor(249));
  EXPECT_EQ(r.BrushColor, AppPaletteColor(251));
  EXPECT_EQ(r.BrushStyle, 0);
  EXPECT_NEAR(r.PenWidth, 0.03, 1e-12);
  EXPECT_EQ(Figures->Template->PenColor, templatePen);
  ColorDlg->CancelBtn->click();
  EXPECT_FALSE(ColorDlg->isVisible());
  SavePage("page-pen-brush");

  // Transforms: rotate 30 degrees about the rectangle's corner, then a polar array of 6.
  const TRealPoint corner{left + 1, top - 2};
  Figures->OnGetReferencePosition = [corner](const TZQVCad*) { return corner; };
  Action("Transforms1")->trigger();
  ASSERT_TRUE(TransformsWindowOpen);
  TTransformShapes1* t = TransformShapes1;
  t->PageControl1->setCurrentIndex(2);
  t->AngleSpin->SetValue(30);
  t->Add1->setChecked(false);
  const int depth = Figures->UndoDepth();
  t->Apply1->click();
  EXPECT_EQ(Figures->UndoDepth(), depth + 1);
  EXPECT_NE(Figures->GetFigure(0)->Point(0), rect.Point(0));  // turned about the corner
  Save(t, "transforms-rotate");
  t->PageControl1->setCurrentIndex(3);
  t->deg360->setChecked(true);
  t->PolarIter->SetValue(6);
  t->Apply1->click();
  EXPECT_EQ(Figures->Count(), 6);
  EXPECT_TRUE(form->Modified);
  Save(t, "transforms-polar");
  SavePage("page-polar-array");
  // One undo takes the array back.
  form->UndoShape(nullptr);
  EXPECT_EQ(Figures->Count(), 1);
  // The undo dropped the selection with the copies: a new rubber band around the turned figure.
  RubberBand(left - 0.9, top + 0.9, left + 3.5, top - 3.5);
  t->PageControl1->setCurrentIndex(3);
  t->Apply1->click();
  EXPECT_EQ(Figures->Count(), 6);
  t->close();
  QApplication::processEvents();
  EXPECT_FALSE(TransformsWindowOpen);

  // Wave dialog: an AM preset, confirmed; a wave drawn with it.
  Figures->ClearSelection();
  SelectionRectShown = false;
  SelectionRect = TRect();
  OnModal([this](QWidget* w) {
    auto* d = qobject_cast<TSineWaveSetup*>(w);
    ASSERT_NE(d, nullptr);
    d->Presets1Click(7);
    Save(d, "wave-dialog");
    d->OKBtn->click();
  });
  Action("SetupSine1")->trigger();
  EXPECT_EQ(Figures->Template->Kind, 36);
  TRealFig wave(Figures);
  wave.AssignWithoutNodes(*Figures->Template);
  wave.SetNodePoint(0, {left + 0.5, top - 4, 0});
  wave.SetNodePoint(2, {left + 5.5, top - 4, 0});
  Figures->AddFigure(&wave);
  SavePage("page-wave");

  // Dimension settings: dimensions on for a new rectangle, through a rubber band around it.
  rect.SetNodePoint(0, {left + 4, top - 1, 0});
  rect.SetNodePoint(2, {left + 6, top - 2, 0});
  UpdateFigurePoints(rect);
  Figures->AddFigure(&rect);
  const int dimmed = Figures->Count() - 1;
  RubberBand(left + 3.8, top - 0.8, left + 6.2, top - 2.2);
  OnModal([this](QWidget* w) {
    auto* d = qobject_cast<TDimSettings1*>(w);
    ASSERT_NE(d, nullptr);
    QTest::mouseClick(d->WantDimensions2_0, Qt::LeftButton);
    d->Precision1->SetValue(3);
    Save(d, "dimension-settings");
    rec->Answer(mrYes);
    d->ExitBtn->click();
  });
  Action("DimensionSettings1")->trigger();
  EXPECT_TRUE(Figures->GetFigure(dimmed)->WantDimensions);
  EXPECT_FALSE(Figures->Template->WantDimensions);
  SavePage("page-dimensions");

  // The permissions window shows locked.
  Action("Permissions1")->trigger();
  ASSERT_TRUE(SetDimensioningDefaults->isVisible());
  EXPECT_FALSE(SetDimensioningDefaults->GroupBox1->isEnabled());
  Save(SetDimensioningDefaults, "permissions");
  SetDimensioningDefaults->close();
  const auto texts = rec->Texts();
  EXPECT_EQ(texts, std::vector<std::string>{"Apply changes?"});
}

#include "app/page_setup_dialog.h"

#include <QLocale>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "app/main_window.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "platform/numeric.h"
#include "platform/screen.h"
#include "platform/zqv_ini_file.h"
#include "text/page_geometry.h"

TPageSetupDialog* PageSetupDialog = nullptr;
bool PageSetupChanged = false;

const TPageStyleRec PageStyleTable[8] = {
    {"A4 Landscape", 297, 210}, {"A4 Portrait", 210, 297}, {"A5 Landscape", 210, 148}, {"A5 Portrait", 148, 210},
    {"B4 Landscape", 353, 250}, {"B4 Portrait", 250, 353}, {"B5 Landscape", 250, 176}, {"B5 Portrait", 176, 250}};

double PageUnitFactor() {
  return PageSetupDialog && PageSetupDialog->DefaultMetric1->isChecked() ? 2.54 : 1.0;
}

TPageSetupDialog::TPageSetupDialog(QWidget* parent) : QDialog(parent) {
  // The page set-up made below places the caret, which reads the page's unit from this dialog.
  PageSetupDialog = this;
  setupUi(this);
  PageStyles = new QButtonGroup(this);
  auto* layout = new QVBoxLayout(PageStylesGp);
  for (int i = 0; i < 8; ++i) {
    auto* b = new QRadioButton(PageStyleTable[i].Name, PageStylesGp);
    layout->addWidget(b);
    PageStyles->addButton(b, i);
  }
  for (auto* e : {Left1, Top1, Right1, Bottom1}) {
    e->SetValueType(vtFloat);
    e->SetDecimal(3);
    e->SetMinValue(0);
    e->SetMaxValue(10);
    e->SetIncrement(0.1);
  }
  SetPageStyle(1);
  // Changes made by the user while the dialog is shown; the program's own changes to the hidden
  // dialog (start-up, new page) set nothing.
  auto changed = [this] {
    if (isVisible() && isEnabled()) PageSetupChanged = true;
  };
  for (auto* e : {Left1, Top1, Right1, Bottom1}) connect(e, &QDoubleSpinBox::valueChanged, this, changed);
  connect(PageStyles, &QButtonGroup::idClicked, this, changed);
  connect(DefaultMetric1, &QCheckBox::toggled, this, changed);
  connect(ButtonBox, &QDialogButtonBox::accepted, this, [this] { OKBtnClick(); });
  connect(ButtonBox, &QDialogButtonBox::rejected, this, [this] { CancelBtnClick(); });
  connect(this, &QDialog::finished, this, [this] { FormClose(); });
  LoadPageDefaults();
  SetUpPage(nullptr, false, 1);
  if (Form1) Form1->FillCanvas();  // the empty page's cells on the line grid from the margins
}

int TPageSetupDialog::PageStyle() const { return PageStyles->checkedId(); }

void TPageSetupDialog::SetPageStyle(int style) {
  if (style > 7) style = 7;
  if (style < 0) {
    if (auto* b = PageStyles->checkedButton()) {
      PageStyles->setExclusive(false);
      b->setChecked(false);
      PageStyles->setExclusive(true);
    }
    return;
  }
  PageStyles->button(style)->setChecked(true);
}

double TPageSetupDialog::UnitFactor() const { return DefaultMetric1->isChecked() ? 2.54 : 1.0; }

int TPageSetupDialog::GetPageWidth() const {
  const int style = PageStyle() < 0 ? 1 : PageStyle();
  return int(Round(PageStyleTable[style].WidthMm / 25.4 * ScreenPixelsPerInch()));
}

int TPageSetupDialog::GetPageHeight() const {
  const int style = PageStyle() < 0 ? 1 : PageStyle();
  return int(Round(PageStyleTable[style].HeightMm / 25.4 * ScreenPixelsPerInch()));
}

int TPageSetupDialog::LeftMarginPx() const { return int(Round(ScreenPixelsPerInch() * Left1->Value() / UnitFactor())); }
int TPageSetupDialog::TopMarginPx() const { return int(Round(ScreenPixelsPerInch() * Top1->Value() / UnitFactor())); }
int TPageSetupDialog::RightEdgePx() const {
  return GetPageWidth() - int(Round(ScreenPixelsPerInch() * Right1->Value() / UnitFactor()));
}
int TPageSetupDialog::BottomEdgePx() const {
  return GetPageHeight() - int(Round(ScreenPixelsPerInch() * Bottom1->Value() / UnitFactor()));
}

void TPageSetupDialog::LoadPageDefaults() {
  try {
    TZQVIniFile ini(PageIniName);
    const bool metricDefault = QLocale::system().measurementSystem() == QLocale::MetricSystem;
    DefaultMetric1->setChecked(ini.ReadBool("Margin_Defaults", "Metric", metricDefault));
    const std::string def = DefaultMetric1->isChecked() ? "1.27" : "0.5";
    const char* keys[4] = {"Left_Margin", "Top_Margin", "Right_Margin", "Bottom_Margin"};
    TNumSpinEdit* edits[4] = {Left1, Top1, Right1, Bottom1};
    for (int i = 0; i < 4; ++i) {
      bool ok = false;
      const QString text = QString::fromStdString(ini.ReadString("Margin_Defaults", keys[i], def));
      double v = QLocale::system().toDouble(text, &ok);
      if (!ok) v = text.toDouble(&ok);
      if (ok) edits[i]->SetValue(v);
    }
    SetPageStyle(ini.ReadInteger("Margin_Defaults", "Page_Style", 1));
  } catch (...) {
    ShowUnknownError("LoadPageDefaults");
  }
  lMargin = int16_t(LeftMarginPx());
  tMargin = int16_t(TopMarginPx());
  bMargin = int16_t(BottomEdgePx());
  rMargin = int16_t(RightEdgePx());
}

void TPageSetupDialog::showEvent(QShowEvent* event) {
  SavedTop = Top1->Value();
  SavedLeft = Left1->Value();
  SavedBottom = Bottom1->Value();
  SavedRight = Right1->Value();
  SavedMetric = DefaultMetric1->isChecked();
  SavedPageStyle = PageStyle();
  PageSetupChanged = false;
  QDialog::showEvent(event);
}

void TPageSetupDialog::OKBtnClick() {
  if (PageSetupChanged) ApplyOnClose = true;
  accept();
}

void TPageSetupDialog::CancelBtnClick() {
  ApplyOnClose = false;
  PageSetupChanged = false;
  const QSignalBlocker blockTop(Top1), blockLeft(Left1), blockBottom(Bottom1), blockRight(Right1),
      blockMetric(DefaultMetric1);
  Top1->SetValue(SavedTop);
  Left1->SetValue(SavedLeft);
  Bottom1->SetValue(SavedBottom);
  Right1->SetValue(SavedRight);
  DefaultMetric1->setChecked(SavedMetric);
  SetPageStyle(SavedPageStyle);
  reject();
}

void TPageSetupDialog::FormClose() {
  if (ApplyOnClose) {
    if (Form1 && !Form1->DocFileName.empty()) Form1->FileModified = true;
    SetUpPage(this, PageSetupChanged, 1);
  }
  ApplyOnClose = false;
  PageSetupChanged = false;
  if (!Form1) return;
  // The page is composed again: a new page image starts blank, and the text is drawn on it.
  Form1->RefreshAllImages(this, false);
  if (Form1->MainImage) Form1->MainImage->setEnabled(true);
  Form1->PageDisabled = false;
  Form1->SetupPrinter1Click(nullptr);
}

void TPageSetupDialog::ChangeMargins() {
  try {
    const int ppi = ScreenPixelsPerInch();
    const double f = UnitFactor();
    const int16_t dx = int16_t(int(Round(ppi * (Left1->Value() / f))) - lMargin);
    const int16_t dy = int16_t(int(Round(ppi * (Top1->Value() / f))) - tMargin);
    lMargin = int16_t(LeftMarginPx());
    tMargin = int16_t(TopMarginPx());
    bMargin = int16_t(BottomEdgePx());
    rMargin = int16_t(RightEdgePx());
    if (!Form1 || !Form1->TextPageReady()) return;
    if (dx != 0 || dy != 0) {
      // Cells 1 up to the last one on the page (the cell after it has Y = 0), at most 4092.
      for (int i = 1; i <= 4092; ++i) {
        Form1->CharPositions[size_t(i)].X += dx;
        Form1->CharPositions[size_t(i)].Y += dy;
        if (Form1->CharPositions[size_t(i + 1)].Y == 0) break;
      }
    }
    Form1->CurrentI = 1;
    Form1->MoveCaretTo(Form1->CharPositions[1]);
  } catch (...) {
    ShowUnknownError("ChangeMargins");
  }
}

void TPageSetupDialog::SetUpPage(QObject* Sender, bool ChangeMarginsToo, int CellIndex) {
  (void)Sender;
  try {
    PageWidth = uint16_t(GetPageWidth());
  } catch (...) {
    ShowUnknownError("SetUpPage GetPageWidth");
  }
  try {
    PageHeight = uint16_t(GetPageHeight());
  } catch (...) {
    ShowUnknownError("SetUpPage GetPageHeight");
  }
  if (ChangeMarginsToo) {
    try {
      ChangeMargins();
    } catch (...) {
      ShowUnknownError("SetUpPage ChangeMargins");
    }
  }
  if (!Form1) return;
  Form1->CreateNewImage(PageWidth, PageHeight);
  Form1->ParaPanel1->SetMetric(DefaultMetric1->isChecked());
  Form1->ParaPanel1->SetMax(Form1->MainImage->width());
  Form1->ParaPanel1->SetMin(lMargin + 60);
  // The caret goes to the given cell; the text itself keeps its cells and positions.
  if (!Form1->TextPageReady()) return;
  Form1->CurrentI = std::clamp(CellIndex, 1, MaxCharacters);
  Form1->MoveCaretTo(Form1->CharPositions[size_t(Form1->CurrentI)]);
  Form1->SetCaretPosition(Sender, 0, 0);
}

#include "dialogs/page_setup_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLocale>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cad/engine.h"
#include "cad/figure.h"
#include "cad/node_layout.h"
#include "cad/point_operations.h"
#include "cad/zoom.h"
#include "dialogs/form_placement.h"
#include "dialogs/help_viewer.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "helpers/small_helpers.h"
#include "platform/app_dir.h"
#include "platform/messages.h"
#include "platform/numeric.h"
#include "platform/screen.h"
#include "platform/zqv_ini_file.h"
#include "helpers/para_panel.h"
#include "text/page_geometry.h"
#include "text/text_page.h"

TPageSetupDialog* PageSetupDialog = nullptr;
bool PageSetupChanged = false;
bool MetricClickLocked = false;

const TPageStyleRec PageStyleTable[8] = {
    {"A4 Landscape", 297, 210}, {"A4 Portrait", 210, 297}, {"A5 Landscape", 210, 148}, {"A5 Portrait", 148, 210},
    {"B4 Landscape", 353, 250}, {"B4 Portrait", 250, 353}, {"B5 Landscape", 250, 176}, {"B5 Portrait", 176, 250}};

namespace {
constexpr int PageHelpContext = 70;
// The page size without a page style (the CAD engine's paper mapping gives the same).
constexpr int UnstyledPageSize = 500;
constexpr const char* MetricWarning =
    "The default metric setting should only be applied to\ra new file. Otherwise items drawn on the screen will\r"
    "have conflicting measurements.\rIf what you are trying to achieve is an alternative\rmeasurement, ie., the "
    "metric or Imperial/US equivalent\rthis is set in the Format>Dimension Settings dialog by\rchecking the Metric "
    "Dimensions box.\r\rDo you still want to change the setting?";

bool LocaleIsMetric() { return QLocale::system().measurementSystem() == QLocale::MetricSystem; }
}  // namespace

double PageUnitFactor() {
  return PageSetupDialog && PageSetupDialog->DefaultMetric1->isChecked() ? 2.54 : 1.0;
}

TPageSetupDialog::TPageSetupDialog(TPageSetupHost& Host, QWidget* parent) : QDialog(parent), Host(Host) {
  // The page set-up made below places the caret, which reads the page's unit from this dialog.
  PageSetupDialog = this;
  setupUi(this);
  setObjectName("PageSetupDialog");  // the section of its placement in the page settings file
  setModal(false);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  PageStyles = new QButtonGroup(this);
  auto* styles = new QVBoxLayout(PageStylesGp);
  for (int i = 0; i < 8; ++i) {
    auto* b = new QRadioButton(PageStyleTable[i].Name, PageStylesGp);
    styles->addWidget(b);
    PageStyles->addButton(b, i);
  }
  // Two decimals in steps of 0.01; the ranges are the same numbers in inches and centimetres.
  const std::pair<TNumSpinEdit*, double> edits[4] = {{Top1, 0.1}, {Left1, 0.01}, {Bottom1, 0.01}, {Right1, 0.1}};
  for (auto [e, low] : edits) {
    e->SetValueType(vtFloat);
    e->SetDecimal(2);
    e->SetMinValue(low);
    e->SetMaxValue(10);
    e->SetIncrement(0.01);
    e->SetValue(0.5);
  }
  SetPageStyle(1);
  // Changes made by the user while the dialog is shown; the program's own changes to the hidden
  // dialog (start-up, new page, document loading) set nothing.
  auto changed = [this] {
    if (isVisible() && isEnabled()) PageSetupChanged = true;
  };
  for (auto [e, low] : edits) connect(e, &TNumSpinEdit::valueChanged, this, changed);
  connect(PageStyles, &QButtonGroup::idClicked, this, changed);
  connect(DefaultMetric1, &QCheckBox::toggled, this, [this] { DefaultMetric1Click(); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  connect(HelpBtn, &QPushButton::clicked, this, [] { ShowHelpContext(PageHelpContext); });
  connect(SetDefaults1, &QPushButton::clicked, this, [this] { SetDefaults1Click(); });
  LoadPageDefaults();
  if (Figures) Figures->Template->SetMetric(DefaultMetric1->isChecked());
  SetUpPage(nullptr, false, 1);
  Host.SetupTextPage().FillCanvas();  // the empty page's cells on the line grid from the margins
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
  const int style = PageStyle();
  if (style < 0 || style > 7) return UnstyledPageSize;
  return int(Round(PageStyleTable[style].WidthMm / 25.4 * ScreenPixelsPerInch()));
}

int TPageSetupDialog::GetPageHeight() const {
  const int style = PageStyle();
  if (style < 0 || style > 7) return UnstyledPageSize;
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
    TZQVIniFile ini(Host.PageSettingsFile());
    const bool unitDefault = LocaleIsMetric();
    DefaultMetric1->setChecked(ini.ReadBool("Margin_Defaults", "Metric", unitDefault));
    const std::string def = DefaultMetric1->isChecked() ? "1.27" : "0.5";
    const char* keys[4] = {"Left_Margin", "Top_Margin", "Right_Margin", "Bottom_Margin"};
    TNumSpinEdit* edits[4] = {Left1, Top1, Right1, Bottom1};
    for (int i = 0; i < 4; ++i) {
      // A value written under another decimal separator does not parse and is skipped.
      bool ok = false;
      const QString text = QString::fromStdString(ini.ReadString("Margin_Defaults", keys[i], def)).trimmed();
      const double v = QLocale::system().toDouble(text, &ok);
      if (ok) edits[i]->SetValue(v);
    }
    SetPageStyle(ini.ReadInteger("Margin_Defaults", "Page_Style", 1));
  } catch (const std::exception& e) {
    MessageDlg(std::string("Some systems report this error when attempting to create an\rinitialization file for the "
                           "first time.") + e.what(),
               mtInformation, mbOK, 0);
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
  SavedPageStyle = PageStyle();  // taken again at each activation
  MetricClickLocked = false;     // cleared again at each activation
  PageSetupChanged = false;
  if (!event->spontaneous()) RestoreFormPlacement(this, Host.PageSettingsFile());
  QDialog::showEvent(event);
}

void TPageSetupDialog::changeEvent(QEvent* event) {
  // Each return to the dialog is a new activation: the unit box answers again and the style to
  // go back to on Cancel is taken now.
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    MetricClickLocked = false;
    SavedPageStyle = PageStyle();
  }
  QDialog::changeEvent(event);
}

void TPageSetupDialog::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) SaveFormPlacement(this, Host.PageSettingsFile());
  QDialog::hideEvent(event);
}

void TPageSetupDialog::closeEvent(QCloseEvent* event) {
  // The close box: hidden and closed without applying or putting anything back.
  QDialog::closeEvent(event);
  if (event->isAccepted() && !Closing) FormClose();
}

void TPageSetupDialog::OKBtnClick() {
  if (PageSetupChanged) ApplyOnClose = true;
  FormClose();
}

void TPageSetupDialog::ApplyUnitToEngine() {
  // The engine rescales its templates; the drawing-defaults files are left as they are (they
  // are converted to the engine's unit whenever they are loaded).
  if (Figures) Figures->SetMetric(DefaultMetric1->isChecked());
}

void TPageSetupDialog::DefaultMetric1Click() {
  if (!isVisible() || MetricClickLocked) return;
  const bool changedWork = Host.DocumentHasChanges();
  TZQVIniFile main(ProgramFile("Main.Ini"));
  if (changedWork && !main.ReadBool("Form_Position", "Metric_Default_Shown", false)) {
    const TModalResult answer = MessageDlg(MetricWarning, mtInformation, mbYes | mbNo, PageHelpContext);
    if (!AskShowAgain()) {
      main.WriteBool("Form_Position", "Metric_Default_Shown", true);
      try {
        main.UpdateFile();
      } catch (const std::exception&) {
        // Not remembering the answer only means the question comes again.
      }
    }
    MetricClickLocked = true;
    if (answer != mrYes) {
      const QSignalBlocker block(DefaultMetric1);
      DefaultMetric1->setChecked(SavedMetric);
      return;
    }
  }
  ApplyUnitToEngine();
  // Only the user's clicks get here: the program's own changes of the box (document loading,
  // Cancel) are made with its signals blocked, so the values are always converted.
  SwitchMarginUnits(DefaultMetric1->isChecked());
  if (isEnabled()) PageSetupChanged = true;  // the margin values are read in the new unit
}

void TPageSetupDialog::SwitchMarginUnits(bool Metric) {
  GroupBox1->setTitle(Metric ? "Margins Metric" : "Margins Imperial/US");
  const double factor = Metric ? 2.54 : 0.3937007874015748;
  for (auto* e : {Left1, Top1, Bottom1, Right1}) e->SetValue(e->Value() * factor);  // clamped to the range
}

void TPageSetupDialog::CancelBtnClick() {
  ApplyOnClose = false;
  PageSetupChanged = false;
  {
    const QSignalBlocker blockTop(Top1), blockLeft(Left1), blockBottom(Bottom1), blockRight(Right1),
        blockMetric(DefaultMetric1);
    Top1->SetValue(SavedTop);
    Left1->SetValue(SavedLeft);
    Bottom1->SetValue(SavedBottom);
    Right1->SetValue(SavedRight);
    if (DefaultMetric1->isChecked() != SavedMetric) {
      DefaultMetric1->setChecked(SavedMetric);
      ApplyUnitToEngine();
    }
    SetPageStyle(SavedPageStyle);
  }
  FormClose();
}

void TPageSetupDialog::SetDefaults1Click() {
  const auto text = [](double v) { return QLocale::system().toString(v, 'f', 3).remove(QLocale::system().groupSeparator()).toStdString(); };
  try {
    TZQVIniFile ini(Host.PageSettingsFile());
    ini.WriteString("Margin_Defaults", "Left_Margin", text(Left1->Value()));
    ini.WriteString("Margin_Defaults", "Top_Margin", text(Top1->Value()));
    ini.WriteString("Margin_Defaults", "Right_Margin", text(Right1->Value()));
    ini.WriteString("Margin_Defaults", "Bottom_Margin", text(Bottom1->Value()));
    ini.WriteBool("Margin_Defaults", "Metric", DefaultMetric1->isChecked());
    ini.WriteInteger("Margin_Defaults", "Page_Style", PageStyle());
    ini.UpdateFile();
  } catch (...) {
    ShowUnknownError("SetDefaults1Click");
  }
}

void TPageSetupDialog::FormClose() {
  if (Closing) return;
  Closing = true;
  if (isVisible()) hide();
  if (ApplyOnClose) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
      Host.PageSetupApplied();
      const double paperTop = PaperTopInWorld();
      SetUpPage(this, PageSetupChanged, 1);
      KeepFiguresOnThePage(paperTop);
    } catch (...) {
      QApplication::restoreOverrideCursor();
      Closing = false;
      ApplyOnClose = false;
      PageSetupChanged = false;
      throw;
    }
    QApplication::restoreOverrideCursor();
  }
  ApplyOnClose = false;
  PageSetupChanged = false;
  Closing = false;
  // The page is composed again: a new page image starts blank, and the text is drawn on it.
  Host.PageSetupClosed(this);
}

double TPageSetupDialog::PaperTopInWorld() const {
  return Figures && Figures->Zoom ? Figures->Zoom->GetLevelMapping(4).WorldTop : 0.0;
}

void TPageSetupDialog::KeepFiguresOnThePage(double OldPaperTop) {
  // The engine's world grows upwards from the paper's bottom edge, while the page, its text and
  // its pictures hang from the top edge: when the paper's height changes, every figure moves by
  // that change so that it keeps its distance from the top and stays with the rest of the page.
  if (!Figures) return;
  const double dy = PaperTopInWorld() - OldPaperTop;
  if (dy == 0) return;
  const TMappingRec map = Figures->Zoom->GetLevelMapping(4);
  for (int i = 0; i < Figures->Count(); ++i) {
    TRealFig* f = Figures->GetFigure(i);
    if (!f) continue;
    MoveFigure(map, *f, 0, -dy);
    if (RegeneratedKinds.Has(f->Kind)) UpdateFigurePoints(*f);
  }
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
    TTextPage& page = Host.SetupTextPage();
    if (!page.TextPageReady()) return;
    if (dx != 0 || dy != 0) {
      // Every cell of the page moves, up to the last one (the cell after it has Y = 0) or the
      // page's last cell: a full page keeps its last cells on their lines.
      for (int i = 1; i <= MaxCharacters; ++i) {
        page.CharPositions[size_t(i)].X += dx;
        page.CharPositions[size_t(i)].Y += dy;
        if (i == MaxCharacters || page.CharPositions[size_t(i + 1)].Y == 0) break;
      }
    }
    page.CurrentI = 1;
    page.MoveCaretTo(page.CharPositions[1]);
  } catch (...) {
    ShowUnknownError("ChangeMargins");
  }
}

void TPageSetupDialog::SetUpPage(QObject* Sender, bool ChangeMarginsToo, int CellIndex) {
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
  Host.CreatePageImage(PageWidth, PageHeight);
  try {
    if (Figures) Figures->SetupPage(uint8_t(PageStyle() < 0 ? 255 : PageStyle()), DefaultMetric1->isChecked());
  } catch (...) {
    ShowUnknownError("CreateNewImage Figures.SetupPage");
  }
  TParaPanel& ruler = Host.Ruler();
  ruler.SetMetric(Figures ? Figures->Metric : DefaultMetric1->isChecked());
  const int width = Host.PageImageWidth();
  ruler.SetMax(width);
  // Margins wider than the page leave the ruler's minimum at its maximum instead of refusing it.
  ruler.SetMin(std::clamp(lMargin + 60, 0, width));
  // The caret goes to the given cell; the text itself keeps its cells and positions.
  TTextPage& page = Host.SetupTextPage();
  if (!page.TextPageReady()) return;
  page.CurrentI = std::clamp(CellIndex, 1, MaxCharacters);
  page.MoveCaretTo(page.CharPositions[size_t(page.CurrentI)]);
  page.SetCaretPosition(Sender, 0, 0);
}

#include "dialogs/wave_dialog.h"

#include <QButtonGroup>
#include <QPainter>
#include <QRadioButton>
#include <cmath>

#include "cad/engine.h"
#include "cad/mapping.h"
#include "cad/units.h"
#include "dialogs/form_placement.h"
#include "platform/app_dir.h"
#include "platform/canvas.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/process_messages.h"

const int WaveTypeKinds[11] = {27, 28, 29, 30, 31, 32, 33, 34, 36, 37, 35};
int WaveComponent = 1;

namespace {
constexpr int HelpContext = 890;
constexpr int itemPulse = 6, itemNegativePulse = 7, itemAM = 8, itemFM = 9, itemAdd = 10;

void SetUpFloat(TNumSpinEdit* e, int decimals, double step, double lo, double hi) {
  e->SetValueType(vtFloat);
  e->SetDecimal(decimals);
  if (step > 0) e->SetIncrement(step);
  e->SetMinValue(lo);
  e->SetMaxValue(hi);
}

void SetUpInteger(TNumSpinEdit* e, double lo, double hi) {
  e->SetValueType(vtInteger);
  e->SetIncrement(1);
  e->SetMinValue(lo);
  e->SetMaxValue(hi);
}
}  // namespace

bool WaveFloatNearlyEqual(long double Tolerance, long double A, long double B) {
  return std::fabs(std::fabs(B) - std::fabs(A)) < std::fabs(Tolerance);
}

void DrawWavePreview(const TZQVCad* Page, int Kind, const TWaveRec& Wave, const TRealFig* Style, QImage& Image) {
  Image.fill(Qt::white);
  const int ppi = Page ? Page->XResolution : 96;
  TZQVCad e(nullptr, NodeCount, ppi, Page ? Page->YResolution : 96);
  e.Ready = true;
  if (Page) {
    e.Metric = Page->Metric;
    e.Mapping = Page->GetMapping();
  }
  TRealFig f(&e);
  if (Style) f.AssignWithoutNodes(*Style);
  f.Kind = TFigureKind(Kind);
  f.Wave = Wave;
  f.WantDimensions = false;
  const TMappingRec& m = e.Mapping;
  const double y = double(ScreenToWorldY(m, Image.height() / 2));
  f.SetNodePoint(0, {double(ScreenToWorldX(m, 10)), y, 0});
  f.SetNodePoint(2, {double(ScreenToWorldX(m, Image.width() - 10)), y, 0});
  f.NodeCountUsed = 3;
  e.AddFigure(&f);
  TCanvas canvas(&Image);
  canvas.SetPixelsPerInch(ppi);
  e.DrawAll(canvas, 0, 0, false);
}

TSineWaveSetup::TSineWaveSetup(TDrawDialogHost& Host, QWidget* parent) : TDrawDialogBase(Host, parent) {
  setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose, false);
  auto* group = new QButtonGroup(this);
  for (int i = 0; i < 11; ++i) group->addButton(findChild<QRadioButton*>(QString("WaveType1_%1").arg(i)), i);
  SetUpFloat(WaveHeight, 4, 0.005, 0.02, 20);
  SetUpFloat(WaveWidth, 4, 0.001, 0.01, 20);
  SetUpInteger(StartAngle, -359, 359);
  SetUpInteger(RotAngle1, -360, 360);
  SetUpFloat(PulseWidth1, 2, 1, 0, 100);
  SetUpFloat(Rise1, 2, 1, 0, 100);
  SetUpFloat(Fall1, 2, 1, 0, 100);
  SetUpFloat(ModIndex1, 2, 0.1, 0, 10);
  for (const char* p : {"Sine", "Cosine", "20% Pulse", "Spring", "Stair", "Ladder", "FM (4)", "AM (100%)", "Add(2:1)",
                        "Add (3:1)", "Add(4:1)"})
    Presets1->addItem(p);
  Presets1->setCurrentIndex(-1);
  WaveSelect1->setValue(WaveComponent);

  connect(group, &QButtonGroup::idClicked, this, [this](int) { Guarded("WaveType1", [&] { WaveType1Click(); }); });
  WaveHeight->OnChange = [this](QObject*) { Guarded("WaveHeight", [&] { WaveHeightChange(); }); };
  WaveWidth->OnChange = [this](QObject*) { Guarded("WaveWidth", [&] { WaveWidthChange(false); }); };
  StartAngle->OnChange = [this](QObject*) { Guarded("StartAngle", [&] { StartAngleChange(); }); };
  for (TNumSpinEdit* e : {PulseWidth1, Rise1, Fall1})
    e->OnChange = [this, e](QObject*) { Guarded("Pulse", [&] { PulseChange(e); }); };
  ModIndex1->OnChange = [this](QObject*) { Guarded("ModIndex1", [&] { ModIndexChange(); }); };
  RotAngle1->OnChange = [this](QObject*) { Guarded("RotAngle1", [&] { RotationChange(); }); };
  connect(WaveSelect1, &QSlider::valueChanged, this, [this](int) { Guarded("WaveSelect1", [&] { WaveSelect1Change(); }); });
  connect(Presets1, &QComboBox::activated, this, [this](int i) { Guarded("Presets1", [&] { Presets1Click(i); }); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  connect(Button1, &QPushButton::clicked, this, [] {
    if (OnMessageHelp) OnMessageHelp(HelpContext);
  });
  WavePreview->installEventFilter(this);
  try {
    RestoreFormPlacement(this, ProgramFile("ChildFms.ini"));
  } catch (const Exception&) {
  }
}

TSineWaveSetup::~TSineWaveSetup() = default;

bool TSineWaveSetup::PulseType() const {
  const int t = WaveTypeIndex();
  return t == itemPulse || t == itemNegativePulse;
}

int TSineWaveSetup::WaveTypeIndex() const {
  for (int i = 0; i < 11; ++i)
    if (auto* b = findChild<QRadioButton*>(QString("WaveType1_%1").arg(i)); b && b->isChecked()) return i;
  return -1;
}

void TSineWaveSetup::SetWaveType(int Index) {
  if (auto* b = findChild<QRadioButton*>(QString("WaveType1_%1").arg(Index))) {
    b->setChecked(true);
    WaveType1Click();
  }
}

void TSineWaveSetup::FormShow() {
  const TRealFig* source = nullptr;
  if (Figures) {
    if (Figures->HasSelection()) source = Figures->FirstSelectedFigure();
    if (!source) source = Figures->Template.get();
    TemplateAtShow = Figures->Template->GetWaveRec();
  }
  ShowRec = source ? source->GetWaveRec() : DefaultWaveRec();
  Work = ShowRec;
  SourceKind = source ? source->Kind : fkSineWave;
  FLoading = true;
  const int c = WaveComponent - 1;
  WaveHeight->SetValue(Work.WaveHeight[c]);
  WaveWidth->SetValue(Work.WaveWidth[c]);
  StartAngle->SetValue(Work.StartAngle[c]);
  PulseWidth1->SetValue(Work.PulseWidth[0]);
  Rise1->SetValue(Work.PulseRise);
  Fall1->SetValue(Work.PulseFall);
  ModIndex1->SetValue(Work.FMIndex);
  RotAngle1->SetValue(Work.Rotation);
  FLoading = false;
  // Loading may have clamped values into the controls' ranges: the working copy follows them.
  Work.WaveHeight[c] = WaveHeight->Value();
  Work.WaveWidth[c] = WaveWidth->Value();
  for (int i = 0; i < 11; ++i)
    if (WaveTypeKinds[i] == SourceKind) {
      if (auto* b = findChild<QRadioButton*>(QString("WaveType1_%1").arg(i))) b->setChecked(true);
    }
  WaveType1Click();
  UpdateAngleLabel();
  UpdateModulationLabel();
  if (Figures) {
    HeightPixLbl->setText(QString("Pixels=%1").arg(WorldToScreenXByRef(Figures->GetMapping(), WaveHeight->Value())));
    WidthPixLbl->setText(QString("Pixels=%1").arg(WorldToScreenXByRef(Figures->GetMapping(), WaveWidth->Value())));
  }
  ValuesChanged = false;
  UpdatePreview();
}

void TSineWaveSetup::UpdateAngleLabel() { PulseAngleLbl->setText(PulseType() ? "Delay" : "Start Angle"); }

void TSineWaveSetup::WaveType1Click() {
  UpdateAngleLabel();
  const int t = WaveTypeIndex();
  if (PulseType()) {
    WaveWidthChange(true);
    StartAngle->SetMinValue(0);
    if (StartAngle->Value() < 0) StartAngle->SetValue(0);
  } else {
    StartAngle->SetMinValue(-359);
  }
  const bool sum = t == itemAM || t == itemFM || t == itemAdd;
  SumPanel->setEnabled(sum);
  PulsePanel->setEnabled(!sum);
  AMLbl->setVisible(t == itemAM);
  if (t == itemAM || t == itemFM) {
    Label1->setText("Signal");
    Label7->setText("Carrier");
    ModIndex1->setEnabled(t == itemFM);
  } else if (t == itemAdd) {
    Label1->setText("1");
    Label7->setText("2");
    ModIndex1->setEnabled(false);
  }
  UpdatePreview();
}

void TSineWaveSetup::UpdateModulationLabel() {
  if (Work.WaveHeight[1] == 0)
    AMLbl->setText("AM Modulation = Error%");
  else
    AMLbl->setText(QString::fromStdString("AM Modulation = " +
                                          FormatFloat("0.00", 100 * Work.WaveHeight[0] / Work.WaveHeight[1]) + "%"));
}

void TSineWaveSetup::WaveHeightChange() {
  if (FLoading) return;
  const int c = WaveComponent - 1;
  const double v = WaveHeight->Value();
  Work.WaveHeight[c] = v;
  Flag(!WaveFloatNearlyEqual(0.001, v, ShowRec.WaveHeight[c]));
  if (Figures) HeightPixLbl->setText(QString("Pixels=%1").arg(WorldToScreenXByRef(Figures->GetMapping(), v)));
  UpdateModulationLabel();
  UpdatePreview();
}

void TSineWaveSetup::WaveWidthChange(bool FromTypeSelection) {
  (void)FromTypeSelection;  // the type selection and the control itself both take the period over
  if (FLoading || !isVisible()) return;
  const int c = WaveComponent - 1;
  const double v = WaveWidth->Value();
  Work.WaveWidth[c] = v;
  Flag(!WaveFloatNearlyEqual(0.001, v, ShowRec.WaveWidth[c]));
  if (Figures) WidthPixLbl->setText(QString("Pixels=%1").arg(WorldToScreenXByRef(Figures->GetMapping(), v)));
  UpdatePreview();
}

void TSineWaveSetup::StartAngleChange() {
  if (FLoading) return;
  const int c = WaveComponent - 1;
  Work.StartAngle[c] = StartAngle->AsInteger();
  Flag(Work.StartAngle[c] != ShowRec.StartAngle[c]);
  UpdatePreview();
}

void TSineWaveSetup::PulseChange(TNumSpinEdit* Control) {
  if (FLoading || !isVisible() || !PulseType()) return;
  if (Control == Fall1 && Fall1->Value() > 100) {
    const auto handler = Fall1->OnChange;
    Fall1->OnChange = nullptr;
    Fall1->SetValue(100);
    Fall1->OnChange = handler;
  }
  if (Control == PulseWidth1) {
    Work.PulseWidth[0] = float(PulseWidth1->Value());
    Flag(!WaveFloatNearlyEqual(0.001, Work.PulseWidth[0], ShowRec.PulseWidth[0]));
  } else if (Control == Rise1) {
    Work.PulseRise = Rise1->Value();
    Flag(!WaveFloatNearlyEqual(0.001, Work.PulseRise, ShowRec.PulseRise));
  } else {
    Work.PulseFall = Fall1->Value();
    Flag(!WaveFloatNearlyEqual(0.001, Work.PulseFall, ShowRec.PulseFall));
  }
  UpdatePreview();
}

void TSineWaveSetup::ModIndexChange() {
  if (FLoading) return;
  Work.FMIndex = float(ModIndex1->Value());
  Flag(!WaveFloatNearlyEqual(0.001, Work.FMIndex, ShowRec.FMIndex));
  UpdatePreview();
}

void TSineWaveSetup::RotationChange() {
  if (FLoading) return;
  Work.Rotation = RotAngle1->AsInteger();
  Flag(Work.Rotation != ShowRec.Rotation);
  UpdatePreview();
}

void TSineWaveSetup::WaveSelect1Change() {
  WaveComponent = WaveSelect1->value() == 2 ? 2 : 1;
  LoadComponent();
}

void TSineWaveSetup::LoadComponent() {
  const int c = WaveComponent - 1;
  WaveHeight->SetValue(Work.WaveHeight[c]);
  WaveWidth->SetValue(Work.WaveWidth[c]);
  StartAngle->SetValue(Work.StartAngle[c]);
  ModIndex1->SetValue(Work.FMIndex);
}

void TSineWaveSetup::Presets1Click(int Item) {
  if (Item < 0 || Item > 10) return;
  const double u = Figures && Figures->Metric ? 2.54 : 1.0;
  static const int types[11] = {0, 0, itemPulse, itemPulse, itemPulse, itemPulse, itemFM, itemAM, itemAdd, itemAdd, itemAdd};
  SetWaveType(types[Item]);
  StartAngle->SetValue(0);
  WaveSelect1->setValue(1);
  WaveComponent = 1;
  auto heightPeriod = [&](double height, double periodPerHeight) {
    if (height > 0) WaveHeight->SetValue(height);
    WaveWidth->SetValue(WaveHeight->Value() * periodPerHeight);
  };
  auto pulse = [&](double width, double rise, double fall) {
    PulseWidth1->SetValue(width);
    Rise1->SetValue(rise);
    Fall1->SetValue(fall);
  };
  switch (Item) {
    case 0: heightPeriod(0.25 * u, 4); StartAngle->SetValue(0); RotAngle1->SetValue(0); break;
    case 1: heightPeriod(0.25 * u, 4); StartAngle->SetValue(90); RotAngle1->SetValue(0); break;
    case 2: heightPeriod(0, 2); pulse(20, 0, 0); RotAngle1->SetValue(0); break;
    case 3: heightPeriod(0, 0.5); pulse(50, 100, 100); RotAngle1->SetValue(-90); break;
    case 4: heightPeriod(0, 2.05); pulse(51, 100, 100); RotAngle1->SetValue(-45); break;
    case 5: heightPeriod(0.3 * u, 0.75); pulse(10, 0, 0); RotAngle1->SetValue(-90); break;
    default: {
      const double h = Item == 6 ? 0.25 * u : 0.2 * u;
      heightPeriod(h, 5);
      const double p = WaveWidth->Value();
      RotAngle1->SetValue(0);
      ModIndex1->SetValue(4);
      const double h2 = Item <= 8 ? h : 0.1 * u;
      const double divisor = Item == 6 ? 10 : Item == 7 ? 7 : Item == 8 ? 2 : Item == 9 ? 3 : 4;
      WaveSelect1->setValue(2);
      WaveComponent = 2;
      WaveHeight->SetValue(h2);
      WaveWidth->SetValue(p / divisor);
      break;
    }
  }
  ValuesChanged = true;
  UpdatePreview();
}

void TSineWaveSetup::OKBtnClick() {
  if (Figures) {
    const int t = WaveTypeIndex();
    if (t >= 0) Figures->Template->SetKind(TFigureKind(WaveTypeKinds[t]));
    Figures->Template->SetWaveRec(Work);
  }
  ValuesChanged = false;
  setResult(QDialog::Accepted);
  close();
}

void TSineWaveSetup::CancelBtnClick() {
  // The template is written only by OK: Cancel leaves (puts back) its record as it was at show.
  if (Figures) Figures->Template->SetWaveRec(TemplateAtShow);
  setResult(QDialog::Rejected);
  close();
}

bool TSineWaveSetup::CloseQuery() {
  if (!ValuesChanged) return true;
  if (MessageDlg("Keep changes", mtConfirmation, mbYes | mbNo, HelpContext) == mrYes) {
    // Kept as OK keeps them; this close is refused, so the next one goes through.
    if (Figures) {
      const int t = WaveTypeIndex();
      if (t >= 0) Figures->Template->SetKind(TFigureKind(WaveTypeKinds[t]));
      Figures->Template->SetWaveRec(Work);
    }
    ValuesChanged = false;
    setResult(QDialog::Accepted);
    return false;
  }
  return true;
}

void TSineWaveSetup::FormClose() {
  try {
    SaveFormPlacement(this, ProgramFile("ChildFms.ini"));
  } catch (const Exception&) {
  }
}

void TSineWaveSetup::showEvent(QShowEvent* event) {
  TDrawDialogBase::showEvent(event);
  Guarded("TSineWaveSetup.FormShow", [&] { FormShow(); });
}

void TSineWaveSetup::UpdatePreview() {
  const QSize size = WavePreview->size().expandedTo(WavePreview->minimumSize());
  if (FPreview.size() != size) FPreview = QImage(size, QImage::Format_RGB32);
  const int t = WaveTypeIndex();
  try {
    DrawWavePreview(Figures, t >= 0 ? WaveTypeKinds[t] : 27, Work, Figures ? Figures->Template.get() : nullptr, FPreview);
  } catch (const Exception&) {
    FPreview.fill(Qt::white);  // a record the engine cannot draw shows nothing
  }
  WavePreview->update();
}

bool TSineWaveSetup::eventFilter(QObject* watched, QEvent* event) {
  if (watched == WavePreview && event->type() == QEvent::Paint) {
    if (FPreview.size() != WavePreview->size()) UpdatePreview();
    QPainter p(WavePreview);
    p.drawImage(0, 0, FPreview);
    return true;
  }
  return TDrawDialogBase::eventFilter(watched, event);
}

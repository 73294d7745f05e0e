#include "dialogs/dimension_settings_dialog.h"

#include <QRadioButton>

#include "cad/engine.h"
#include "dialogs/draw_dialog_host.h"
#include "dialogs/form_placement.h"
#include "platform/app_dir.h"
#include "platform/font.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/zqv_ini_file.h"

uint32_t DimChangedAttributes = 0;

namespace {
constexpr int HelpContext = 787;
constexpr uint32_t bitWant = 1, bitMultiplier = 4, bitPrecision = 8, bitDigits = 16, bitMetric = 32, bitSuffix = 64,
                   bitFormat = 16384;

// Text comparison without regard to letter case.
bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

// The change pattern of every attribute: a new value becomes current; its bit is set unless it
// did not change and equals the value held at show.
template <class T, class Eq>
void Track(T& current, const T& held, const T& value, uint32_t bit, Eq same) {
  const bool changed = !same(value, current);
  if (changed) current = value;
  if (changed || !same(value, held)) DimChangedAttributes |= bit;
}
template <class T>
void Track(T& current, const T& held, const T& value, uint32_t bit) {
  Track(current, held, value, bit, [](const T& a, const T& b) { return a == b; });
}
}  // namespace

TDimSettings1::TDimSettings1(TDrawDialogHost& Host, QWidget* parent) : TDrawDialogBase(Host, parent) {
  setupUi(this);
  for (const char* s : {"0.00001", "0.0001", "0.001", "0.01", "0.10", "1.0", "10.0", "100.0", "1000.0", "10000.0"})
    DimMultiplier1->addItem(s);
  for (const char* s : {"General", "Exponent", "Fixed", "Number", "Currency"}) NumberFormat1->addItem(s);
  Precision1->SetMinValue(0);
  Precision1->SetMaxValue(15);
  Digits1->SetMinValue(0);
  Digits1->SetMaxValue(18);
  connect(WantDimensions2_0, &QRadioButton::clicked, this, [this] { WantDimensionsChange(true); });
  connect(WantDimensions2_1, &QRadioButton::clicked, this, [this] { WantDimensionsChange(false); });
  connect(Metric1, &QCheckBox::clicked, this, [this](bool on) {
    Guarded("Metric1", [&] {
      MetricChange(on);
      // The suffix follows the units, as if typed.
      DimensionSuffixEdit->setText(on ? "cm" : "''");
    });
  });
  connect(DimensionSuffixEdit, &QLineEdit::textChanged, this,
          [this](const QString& t) { SuffixChange(t.toStdString()); });
  connect(DimMultiplier1, &QComboBox::activated, this, [this](int i) { MultiplierChange(uint8_t(i)); });
  connect(NumberFormat1, &QComboBox::activated, this, [this](int i) { NumberFormatChange(uint8_t(i)); });
  Precision1->OnChange = [this](QObject*) { PrecisionChange(Precision1->AsInteger()); };
  Digits1->OnChange = [this](QObject*) { DigitsChange(Digits1->AsInteger()); };
  connect(DimFont1, &QPushButton::clicked, this, [this] {
    Guarded("DimFont1", [&] {
      DrawHost.ChooseDimensionFont(DimFont1);
      if (Figures) ShowFont(*Figures->Template);
    });
  });
  connect(Apply1, &QPushButton::clicked, this, [this] { Guarded("Apply1", [&] { ApplySettings(Apply1); }); });
  connect(ExitBtn, &QPushButton::clicked, this, [this] { close(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { Guarded("CancelBtn", [&] { Cancel1Click(); }); });
  connect(HelpBtn, &QPushButton::clicked, this, [] {
    if (OnMessageHelp) OnMessageHelp(HelpContext);
  });
}

void TDimSettings1::ShowFont(const TRealFig& Source) {
  TFont font;
  Source.AssignTo(font);
  DimFont1->setFont(font.ToQFont());
}

void TDimSettings1::FormShow() {
  const TRealFig* source = nullptr;
  if (Figures) {
    const bool rect = DrawHost.SelectionRectShown();
    if (rect) source = Figures->FirstSelectedFigure();
    if (!source) source = Figures->Template.get();
  }
  try {
    RestoreFormPlacement(this, ProgramFile("ChildFms.ini"));
  } catch (const Exception&) {
  }
  if (source) {
    Held.Metric = Current.Metric = source->Metric;
    Metric1->setChecked(source->Metric);
    WantDimensions2->setEnabled(DrawHost.WantDimensionEnabled());
    Held.WantDimensions = Current.WantDimensions = source->WantDimensions;
    (source->WantDimensions ? WantDimensions2_0 : WantDimensions2_1)->setChecked(true);
    Held.Suffix = Current.Suffix = source->GetDimSuffix();
    Held.Multiplier = Current.Multiplier = source->DimMultiplier;
    Held.Precision = Current.Precision = source->Precision;
    Held.Digits = Current.Digits = source->Digits;
    Held.NumberFormat = Current.NumberFormat = source->NumberFormat;
    DimensionSuffixEdit->setText(QString::fromStdString(source->GetDimSuffix()));
    DimMultiplier1->setCurrentIndex(source->DimMultiplier <= 9 ? source->DimMultiplier : 5);
    Precision1->SetValue(source->Precision);
    Digits1->SetValue(source->Digits);
    NumberFormat1->setCurrentIndex(source->NumberFormat <= 4 ? source->NumberFormat : 0);
  }
  setWindowTitle(DrawHost.PageDefaultMetric() ? "Page Default = Metric"
                                                                        : "Page Default = Imperial/US");
  Applied = false;
  DimChangedAttributes = 0;
  if (source) ShowFont(*source);
}

void TDimSettings1::MetricChange(bool Value) { Track(Current.Metric, Held.Metric, Value, bitMetric); }
void TDimSettings1::WantDimensionsChange(bool Value) {
  Track(Current.WantDimensions, Held.WantDimensions, Value, bitWant);
}
void TDimSettings1::SuffixChange(const std::string& Value) {
  Track(Current.Suffix, Held.Suffix, Value, bitSuffix, SameTextIgnoringCase);
}
void TDimSettings1::MultiplierChange(uint8_t Value) { Track(Current.Multiplier, Held.Multiplier, Value, bitMultiplier); }
void TDimSettings1::PrecisionChange(int32_t Value) { Track(Current.Precision, Held.Precision, Value, bitPrecision); }
void TDimSettings1::DigitsChange(int32_t Value) { Track(Current.Digits, Held.Digits, Value, bitDigits); }
void TDimSettings1::NumberFormatChange(uint8_t Value) {
  Track(Current.NumberFormat, Held.NumberFormat, Value, bitFormat);
}

void TDimSettings1::ApplySettings(QObject* Sender) {
  if (DimChangedAttributes == 0 || !Figures) return;
  TRealFig& t = *Figures->Template;
  TStoredProperties kept;
  kept.Assign(t);
  const uint32_t bits = DimChangedAttributes;
  if (bits & bitMetric) t.SetMetric(Metric1->isChecked());
  if (bits & bitSuffix) t.SetDimSuffix(Current.Suffix);
  if (bits & bitMultiplier) t.SetDimMultiplier(Current.Multiplier);
  if (bits & bitPrecision) t.SetPrecision(Precision1->AsInteger());
  if (bits & bitDigits) t.SetDigits(Digits1->AsInteger());
  if (bits & bitWant) t.SetWantDimensions(Current.WantDimensions);
  if (bits & bitFormat) t.SetNumberFormat(Current.NumberFormat);
  if (DrawHost.ApplyToSelectedShapes(Sender, bits)) t.Assign(kept);
  Applied = true;
  DimChangedAttributes = 0;
  TZQVIniFile ini(ProgramFile("Main.Ini"));
  ini.WriteString("Form_Position", "Dimension_Suffix", t.GetDimSuffix());
  ini.WriteInteger("Form_Position", "Dim_Multiplier", t.DimMultiplier);
  ini.WriteInteger("Form_Position", "Dim_Precision", t.Precision);
  ini.WriteInteger("Form_Position", "Dim_Digits", t.Digits);
  ini.WriteInteger("Form_Position", "Float_Format", t.NumberFormat);
  ini.UpdateFile();
}

bool TDimSettings1::CloseQuery() {
  if (DimChangedAttributes != 0 && MessageDlg("Apply changes?", mtConfirmation, mbYes | mbNo, HelpContext) == mrYes)
    ApplySettings(this);
  return true;
}

void TDimSettings1::Cancel1Click() {
  hide();
  if (Applied) DrawHost.RefreshAllImages(this, false);
  setResult(QDialog::Rejected);
  close();
}

void TDimSettings1::FormClose() {
  try {
    SaveFormPlacement(this, ProgramFile("ChildFms.ini"));
  } catch (const Exception&) {
  }
}

void TDimSettings1::showEvent(QShowEvent* event) {
  TDrawDialogBase::showEvent(event);
  Guarded("TDimSettings1.FormShow", [&] { FormShow(); });
}

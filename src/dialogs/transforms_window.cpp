#include "dialogs/transforms_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QRadioButton>

#include "cad/engine.h"
#include "cad/units.h"
#include "dialogs/draw_dialog_host.h"
#include "dialogs/form_placement.h"
#include "helpers/error_report.h"
#include "helpers/small_helpers.h"
#include "platform/app_dir.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/process_messages.h"
#include "platform/screen.h"
#include "platform/zqv_ini_file.h"

uint8_t MirrorAxis = 1;
bool TransformsWindowOpen = false;
TTransformShapes1* TransformShapes1 = nullptr;

namespace {
constexpr int HelpContext = 825;
const char* const SettingsSection = "TTransformShapes1";

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

// Restores the override cursor whatever happens.
struct TWaitCursor {
  TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};
}  // namespace

// ---- stop button

TStopButton::TStopButton(QWidget* parent, TZQVCad* Engine) : QPushButton(parent), Engine(Engine) {}

void TStopButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && Engine && Engine->Busy) Engine->SetStopRequest(true);
  QPushButton::mousePressEvent(event);
}

// ---- creation

TTransformShapes1::TTransformShapes1(TDrawDialogHost& Host, QWidget* AOwner) : TDrawDialogBase(Host, AOwner) {
  ShowMessage(std::string("Cad engine not available. Please report this to ") + SupportAddress);
}

TTransformShapes1::TTransformShapes1(TDrawDialogHost& Host, QWidget* AOwner, TZQVCad* Engine, QWidget* PageImage)
    : TDrawDialogBase(Host, AOwner, Qt::Tool | Qt::WindowStaysOnTopHint), Engine(Engine), PageImage(PageImage) {
  setupUi(this);
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);
  SetUpFloat(Horz1, 6, 0.1, 1e-6, 10);
  SetUpFloat(Vert1, 6, 0.1, 1e-6, 10);
  SetUpFloat(AngleSpin, 3, 0, 0, 360);
  SetUpFloat(PolarAngle, 8, 0, 0, 360);
  SetUpInteger(PolarIter, 1, 10000);
  SetUpInteger(HorzIter, 1, 10000);
  SetUpInteger(VertIter, 1, 10000);
  SetUpFloat(HorzSpace, 6, 0, 0, 20);
  SetUpFloat(VertSpace, 6, 0, 0, 20);
  SetUpInteger(ScaleIterSpin, 1, 10000);
  SetUpFloat(hFinalScale, 10, 0.1, 1e-9, 1e3);
  SetUpFloat(vFinalScale, 10, 0.1, 1e-9, 1e3);
  // Typing a horizontal factor sets both; the vertical one can then be edited alone.
  Horz1->OnChange = [this](QObject*) { Vert1->SetValue(Horz1->Value()); };
  connect(Apply1, &QPushButton::clicked, this, [this] { Apply1Click(Apply1); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { close(); });
  connect(Help1, &QPushButton::clicked, this, [] {
    if (OnMessageHelp) OnMessageHelp(HelpContext);
  });
  FormCreate();
}

void TTransformShapes1::FormCreate() {
  try {
    RestoreFormPlacement(this, ProgramFile("ChildFms.ini"));
  } catch (const Exception&) {
  }
  StopButton = new TStopButton(BottomPanel, Engine);
  StopButton->setObjectName("StopButton");
  StopButton->setText("STOP");
  StopButton->setAutoDefault(false);
  StopButton->setEnabled(false);
  StopButton->setMinimumSize(Help1->sizeHint());
  BottomPanelLayout->addWidget(StopButton);
  MarkAsStopControl(StopButton);
  const int ppi = ScreenPixelsPerInch() > 0 ? ScreenPixelsPerInch() : 96;
  if (Engine && Engine->Metric)
    PixelLbl->setText(QString::fromStdString("Inter pixel spacing =" + FormatFloat("0.00000", 2.54 / ppi) + "cm"));
  else
    PixelLbl->setText(QString::fromStdString("Inter pixel spacing =" + FormatFloat("0.000000", 1.0 / ppi) + "\""));
  LoadSettings();
  // Every control's keys pass the window first (the window previews keys).
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  installEventFilter(this);
}

TTransformShapes1::~TTransformShapes1() {
  if (Engine && Engine == Figures) Engine->OnSelectRect = nullptr;
  TransformsWindowOpen = false;
  if (TransformShapes1 == this) TransformShapes1 = nullptr;
}

int TTransformShapes1::ColorModeIndex(QGroupBox* Group) {
  const auto buttons = Group->findChildren<QRadioButton*>();
  for (int i = 0; i < 4; ++i)
    for (QRadioButton* b : buttons)
      if (b->objectName() == Group->objectName() + QString::number(i) && b->isChecked()) return i;
  return 0;
}

void TTransformShapes1::SetColorModeIndex(QGroupBox* Group, int Index) {
  if (Index < 0 || Index > 3) Index = 0;
  if (auto* b = Group->findChild<QRadioButton*>(Group->objectName() + QString::number(Index))) b->setChecked(true);
}

// ---- settings

void TTransformShapes1::LoadSettings() {
  TZQVIniFile ini(ProgramFile("ChildFms.ini"));
  const std::string s = SettingsSection;
  Add1->setChecked(ini.ReadBool(s, "Add1_Checked", false));
  Bounds->setChecked(ini.ReadBool(s, "Bounds_Checked", true));
  HorzIter->SetValue(ini.ReadInteger(s, "HorzIter_Value", 3));
  HorzSpace->SetValue(ini.ReadFloat(s, "HorzSpace_Value", 0.0));
  VertIter->SetValue(ini.ReadInteger(s, "VertIter_Value", 3));
  VertSpace->SetValue(ini.ReadFloat(s, "VertSpace_Value", 0.0));
  PolarIter->SetValue(ini.ReadInteger(s, "PolarIter_Value", 10));
  PolarAngle->SetValue(ini.ReadFloat(s, "PolarAngle_Value", 36.0));
  deg360->setChecked(ini.ReadBool(s, "deg360_Checked", false));
  Clockwise1->setChecked(ini.ReadBool(s, "Clockwise1_Checked", false));
  Convert2->setChecked(ini.ReadBool(s, "Convert2_Checked", true));
  AngleSpin->SetValue(ini.ReadFloat(s, "AngleSpin_Value", 90.0));
  Convert1->setChecked(ini.ReadBool(s, "Convert1_Checked", true));
  AddMirrorShapes1->setChecked(ini.ReadBool(s, "AddMirrorShapes1_Checked", true));
  AddToShapes2->setChecked(ini.ReadBool(s, "AddToShapes2_Checked", false));
  Horz1->SetValue(ini.ReadFloat(s, "Horz1_Value", 1.0));
  Vert1->SetValue(ini.ReadFloat(s, "Vert1_Value", 1.0));
  ScaleIterSpin->SetValue(ini.ReadInteger(s, "ScaleIterSpin_Value", 5));
  vFinalScale->SetValue(ini.ReadFloat(s, "vFinalScale_Value", 2.0));
  hFinalScale->SetValue(ini.ReadFloat(s, "hFinalScale_Value", 2.0));
  SetColorModeIndex(PolarColorMode, ini.ReadInteger(s, "PolarColorMode_ItemIndex", 0, 0, 3));
  SetColorModeIndex(RectColorMode, ini.ReadInteger(s, "RectColorMode_ItemIndex", 0, 0, 3));
  SetColorModeIndex(ScaleColorMode, ini.ReadInteger(s, "ScaleColorMode_ItemIndex", 0, 0, 3));
  // The mirror buttons show the axis kept from the last window.
  QToolButton* arrows[4] = {sbLeft, sbRight, sbUp, sbDown};
  arrows[MirrorAxis & 3]->setChecked(true);
}

void TTransformShapes1::SaveSettings() {
  TZQVIniFile ini(ProgramFile("ChildFms.ini"));
  const std::string s = SettingsSection;
  ini.WriteBool(s, "Add1_Checked", Add1->isChecked());
  ini.WriteBool(s, "Bounds_Checked", Bounds->isChecked());
  ini.WriteInteger(s, "HorzIter_Value", HorzIter->AsInteger());
  ini.WriteFloat(s, "HorzSpace_Value", HorzSpace->Value());
  ini.WriteInteger(s, "VertIter_Value", VertIter->AsInteger());
  ini.WriteFloat(s, "VertSpace_Value", VertSpace->Value());
  ini.WriteInteger(s, "PolarIter_Value", PolarIter->AsInteger());
  ini.WriteFloat(s, "PolarAngle_Value", PolarAngle->Value());
  ini.WriteBool(s, "deg360_Checked", deg360->isChecked());
  ini.WriteBool(s, "Clockwise1_Checked", Clockwise1->isChecked());
  ini.WriteBool(s, "Convert2_Checked", Convert2->isChecked());
  ini.WriteFloat(s, "AngleSpin_Value", AngleSpin->Value());
  ini.WriteBool(s, "Convert1_Checked", Convert1->isChecked());
  ini.WriteBool(s, "AddMirrorShapes1_Checked", AddMirrorShapes1->isChecked());
  ini.WriteBool(s, "AddToShapes2_Checked", AddToShapes2->isChecked());
  ini.WriteFloat(s, "Horz1_Value", Horz1->Value());
  ini.WriteFloat(s, "Vert1_Value", Vert1->Value());
  ini.WriteInteger(s, "ScaleIterSpin_Value", ScaleIterSpin->AsInteger());
  ini.WriteFloat(s, "vFinalScale_Value", vFinalScale->Value());
  ini.WriteFloat(s, "hFinalScale_Value", hFinalScale->Value());
  ini.WriteInteger(s, "PolarColorMode_ItemIndex", ColorModeIndex(PolarColorMode));
  ini.WriteInteger(s, "RectColorMode_ItemIndex", ColorModeIndex(RectColorMode));
  ini.WriteInteger(s, "ScaleColorMode_ItemIndex", ColorModeIndex(ScaleColorMode));
  ini.UpdateFile();
}

// ---- showing, bounds

void TTransformShapes1::ShowBounds() {
  if (!Engine) return;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  Engine->GetSelectionBounds(x1, y1, x2, y2);
  BoundsLbl->setText(QString::fromStdString("Selection bounds: Width:" + FormatFloat("0.0000", x2 - x1) +
                                            " Height:" + FormatFloat("0.0000", y1 - y2)));
}

void TTransformShapes1::showEvent(QShowEvent* event) {
  TDrawDialogBase::showEvent(event);
  KeepFormOnScreen(this);
  if (Engine) Engine->OnSelectRect = [this](TZQVCad*) { ShowBounds(); };
  ShowBounds();
}

void TTransformShapes1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && Engine)
    Engine->OnSelectRect = [this](TZQVCad*) { ShowBounds(); };
  TDrawDialogBase::changeEvent(event);
}

// ---- operations

TRealPoint TTransformShapes1::ReferencePosition() const {
  return DrawHost.ReferencePosition();
}

void TTransformShapes1::Apply1Click(QObject* Sender) {
  if (!Engine || Engine->StopRequest) return;
  struct TRestoreImage {
    QWidget* image;
    bool enabled;
    ~TRestoreImage() {
      if (image) image->setEnabled(enabled);
    }
  } restore{PageImage, PageImage && PageImage->isEnabled()};
  if (PageImage) PageImage->setEnabled(false);
  ApplyTransform(Sender, PageControl1->currentIndex());
}

void TTransformShapes1::ApplyTransform(QObject* Sender, int PageIndex) {
  struct TStopOff {
    QPushButton* button;
    ~TStopOff() { button->setEnabled(false); }
  } stopOff{StopButton};
  StopButton->setEnabled(true);
  uint8_t mode = 0;
  if (PageIndex == 3) mode = uint8_t(ColorModeIndex(PolarColorMode));
  else if (PageIndex == 4) mode = uint8_t(ColorModeIndex(RectColorMode));
  else if (PageIndex == 5) mode = uint8_t(ColorModeIndex(ScaleColorMode));
  TWaitCursor wait;
  ProcessMessages();
  if (!KeyRepeat) RefPoint = ReferencePosition();
  if (sbLeft->isChecked()) MirrorAxis = 0;
  else if (sbRight->isChecked()) MirrorAxis = 1;
  else if (sbUp->isChecked()) MirrorAxis = 2;
  else if (sbDown->isChecked()) MirrorAxis = 3;
  DrawHost.PushShapeUndo(Sender);
  RunOperation(PageIndex, mode);
  if (OnTransformed) OnTransformed(this);
}

void TTransformShapes1::RunOperation(int PageIndex, uint8_t ColorMode) {
  TZQVCad& e = *Engine;
  const TRect rect = e.SelectRect;
  const bool selected = e.HasSelection();
  // The arrays work on the selection; with none, on the figures inside the last rectangle.
  auto selectForArray = [&] {
    if (!e.HasSelection()) e.SelectInRect(rect);
  };
  switch (PageIndex) {
    case 0:
      if (selected) e.ScaleSelected(AddToShapes2->isChecked(), RefPoint, Horz1->Value(), Vert1->Value(), true);
      else e.ScaleInRect(rect, AddToShapes2->isChecked(), RefPoint, Horz1->Value(), Vert1->Value(), true);
      break;
    case 1:
      if (selected) e.MirrorSelected(MirrorAxis, AddMirrorShapes1->isChecked(), RefPoint);
      else e.MirrorInRect(MirrorAxis, rect, RefPoint, AddMirrorShapes1->isChecked());
      break;
    case 2: {
      const double value = AngleSpin->Value();
      if (value == 0 || value == 360) break;
      if (selected) e.RotateSelected(RefPoint, Convert1->isChecked(), Add1->isChecked(), -value);
      else e.RotateInRect(RefPoint, rect, Add1->isChecked(), -value, Convert1->isChecked());
      break;
    }
    case 3:
      selectForArray();
      if (deg360->isChecked())
        e.PolarArray(RefPoint, Clockwise1->isChecked(), PolarIter->AsInteger(), Convert2->isChecked(), ColorMode);
      else
        e.PolarArrayEx(RefPoint, Clockwise1->isChecked(), float(PolarAngle->Value()), PolarIter->AsInteger(),
                       Convert2->isChecked(), ColorMode);
      break;
    case 4:
      selectForArray();
      e.RectArray(HorzIter->AsInteger(), VertIter->AsInteger(), Bounds->isChecked(), ColorMode, HorzSpace->Value(),
                  VertSpace->Value());
      break;
    case 5:
      selectForArray();
      e.ScaledArray(ScaleIterSpin->AsInteger(), RefPoint, hFinalScale->Value(), vFinalScale->Value(), ColorMode, true);
      break;
    default: break;
  }
}

void TTransformShapes1::FormKeyPress(QChar Key) {
  if (!Engine || (Key != '+' && Key != '-')) return;
  const int page = PageControl1->currentIndex();
  if (page != 0 && page != 2) return;
  TWaitCursor wait;
  if (!KeyRepeat) {
    DrawHost.PushShapeUndo(this);
    RefPoint = ReferencePosition();
    KeyRepeat = true;
  }
  try {
    TZQVCad& e = *Engine;
    const bool selected = e.HasSelection();
    if (page == 0 && !e.StopRequest) {
      // "-" always shrinks and "+" always grows.
      auto factor = [&](double v) {
        if (Key == '-') return v <= 1 ? v : 1 / v;
        return v >= 1 ? v : 1 / v;
      };
      const double fx = factor(Horz1->Value()), fy = factor(Vert1->Value());
      if (selected) e.ScaleSelected(AddToShapes2->isChecked(), RefPoint, fx, fy, true);
      else e.ScaleInRect(e.SelectRect, AddToShapes2->isChecked(), RefPoint, fx, fy, true);
      if (OnTransformed) OnTransformed(this);
    } else if (page == 2 && !e.StopRequest) {
      const double angle = Key == '-' ? AngleSpin->Value() : -AngleSpin->Value();
      if (angle != 360 && angle != 0) {
        if (selected) e.RotateSelected(RefPoint, Convert1->isChecked(), Add1->isChecked(), angle);
        else e.RotateInRect(RefPoint, e.SelectRect, Add1->isChecked(), angle, Convert1->isChecked());
      }
      if (OnTransformed) OnTransformed(this);
    }
  } catch (...) {
    // A failed step takes back the run's undo entry and is not shown.
    DrawHost.UndoShape(this);
  }
}

void TTransformShapes1::FormKeyUp() { KeyRepeat = false; }

bool TTransformShapes1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool dialogKey = key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return ||
                           key->key() == Qt::Key_Enter || key->key() == Qt::Key_Tab;
    if (Engine && Engine->Busy && dialogKey && event->type() == QEvent::KeyPress) {
      // Escape during an operation stops it; other dialog keys clear a pending stop request.
      Engine->SetStopRequest(key->key() == Qt::Key_Escape);
    }
    if (dialogKey && Engine && Engine->StopRequest) return true;
    // A key is seen once: at the control that has the focus (or the window when none has).
    QWidget* focus = focusWidget();
    const bool first = watched == focus || (watched == this && focus == nullptr);
    if (event->type() == QEvent::KeyPress && first && !key->text().isEmpty())
      Guarded("TTransformShapes1.FormKeyPress", [&] { FormKeyPress(key->text().at(0)); });
  } else if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
    FormKeyUp();
  }
  return TDrawDialogBase::eventFilter(watched, event);
}

void TTransformShapes1::FormClose() {
  if (Engine) Engine->SetStopRequest(false);
  hide();
  try {
    SaveFormPlacement(this, ProgramFile("ChildFms.ini"));
    SaveSettings();
  } catch (const Exception&) {
    // Settings that cannot be written keep their defaults next time; the window still closes.
  }
}

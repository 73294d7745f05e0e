#include "dialogs/image_size_dialog.h"

#include <QLineEdit>
#include <cmath>

#include "cad/engine.h"
#include "cad/units.h"
#include "dialogs/draw_dialog_host.h"
#include "dialogs/form_placement.h"
#include "dialogs/help_viewer.h"
#include "helpers/page_surface.h"
#include "page/page_tables.h"
#include "platform/app_dir.h"
#include "platform/messages.h"
#include "platform/numeric.h"
#include "platform/screen.h"

TSetImageSize* SetImageSize = nullptr;

double ImageSizeUnitFactor() { return Figures && Figures->Metric ? 2.54 : 1.0; }

namespace {
QString ThreeDecimals(double v) { return QString::number(v, 'f', 3); }
}  // namespace

TSetImageSize* TSetImageSize::CreateFor(TDrawDialogHost& Host, QWidget* Owner, TSizeChangedImage* Image,
                                        TImageObjectRec* Record) {
  if (!Image || !Record) return nullptr;
  return new TSetImageSize(Host, Owner, Image, Record);
}

TSetImageSize::TSetImageSize(TDrawDialogHost& Host, QWidget* Owner, TSizeChangedImage* Image, TImageObjectRec* Record)
    : QDialog(Owner), DrawHost(Host), Image(Image), Record(Record) {
  setupUi(this);
  setObjectName("SetImageSize");  // its placement section
  setAttribute(Qt::WA_DeleteOnClose);
  SetImageSize = this;
  const bool metric = Figures && Figures->Metric;
  for (TNumSpinEdit* e : {Width1, Height1}) {
    e->SetValueType(vtFloat);
    e->SetDecimal(3);
    e->SetIncrement(0.1);
    e->SetMinValue(metric ? 0.15 : 0.05);
    e->SetMaxValue(metric ? 250 : 150);
    e->setMaxLength(6);
  }
  for (QPushButton* b : {OKBtn, CancelBtn, Apply1, Button1}) b->setAutoDefault(false);
  OKBtn->setDefault(true);
  const double ppu = PixelsPerUnit();
  OldWidth = float(Image->width() / ppu);
  OldHeight = float(Image->height() / ppu);
  const int magnification = Figures ? std::clamp(Figures->CopyMagnification, 1, 10) : 1;
  Width1->setToolTip("Old width/large bitmap = " + ThreeDecimals(OldWidth / magnification));
  Height1->setToolTip("Old height/large bitmap = " + ThreeDecimals(OldHeight / magnification));
  Height1->SetValue(OldHeight);
  Width1->SetValue(OldWidth);
  Aspect = 1.0f;
  try {
    const TGraphic* g = Image->Picture.Graphic();
    const int w = g && !g->Empty() ? g->Width() : Image->Bitmap().Width();
    const int h = g && !g->Empty() ? g->Height() : Image->Bitmap().Height();
    if (w != 0) Aspect = float(h) / float(w);
  } catch (...) {
    Aspect = 1.0f;
  }
  Width1->OnChange = [this](QObject*) { Width1Change(); };
  Height1->OnChange = [this](QObject*) { Height1Change(); };
  connect(MaintainAspect1, &QCheckBox::clicked, this, [this] { MaintainAspect1Click(); });
  connect(Apply1, &QPushButton::clicked, this, [this] { Apply1Click(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { ShowHelpContext(HelpContext); });
  ShowPixelSize(Width1->Value(), Height1->Value());
}

TSetImageSize::~TSetImageSize() {
  if (SetImageSize == this) SetImageSize = nullptr;
}

double TSetImageSize::PixelsPerUnit() const { return ScreenPixelsPerInch() / ImageSizeUnitFactor(); }

void TSetImageSize::ShowPixelSize(double Width, double Height) {
  Label4->setText(Figures && Figures->Metric ? "CM" : "Inches");
  const double ppu = PixelsPerUnit();
  Label3->setText(QString(" (%1 by %2 Pixels)").arg(Round(Width * ppu)).arg(Round(Height * ppu)));
}

void TSetImageSize::Width1Change() {
  if (MaintainAspect1->isChecked()) {
    const auto handler = std::move(Height1->OnChange);
    Height1->OnChange = nullptr;
    Height1->SetValue(Width1->Value() * Aspect);
    Height1->OnChange = handler;
  }
  ShowPixelSize(Width1->Value(), Height1->Value());
  SizeApplied = false;
}

void TSetImageSize::Height1Change() {
  // A picture of no height has no width to keep: the width stays as it is.
  if (MaintainAspect1->isChecked() && Aspect != 0) {
    const auto handler = std::move(Width1->OnChange);
    Width1->OnChange = nullptr;
    Width1->SetValue(Height1->Value() / Aspect);
    Width1->OnChange = handler;
  }
  ShowPixelSize(Width1->Value(), Height1->Value());
  SizeApplied = false;
}

void TSetImageSize::MaintainAspect1Click() {
  Width1Change();
  ApplySize(Width1->Value(), Height1->Value());
}

void TSetImageSize::ApplySize(double Width, double Height) {
  const double ppu = PixelsPerUnit();
  const int w = int(Round(Width * ppu)), h = int(Round(Height * ppu));
  Record->Rect.Right = Record->Rect.Left + w;
  Record->Rect.Bottom = Record->Rect.Top + h;
  Image->resize(w, h);
  SizeApplied = true;
}

void TSetImageSize::Apply1Click() {
  ApplySize(Width1->Value(), Height1->Value());
  DrawHost.RefreshAllImages(this, false);
}

void TSetImageSize::CancelBtnClick() {
  // Every Apply made while the dialog was open is undone; the page is composed again.
  ApplySize(OldWidth, OldHeight);
  Finish(QDialog::Accepted);
}

// Escape and the close box are the Cancel button.
void TSetImageSize::reject() { CancelBtnClick(); }

void TSetImageSize::OKBtnClick() { Finish(QDialog::Rejected); }

void TSetImageSize::Finish(int Result) {
  setResult(Result);
  FormClose();
  QDialog::done(result());
}

void TSetImageSize::FormClose() {
  if (!SizeApplied &&
      (!SameValueEps(Width1->Value(), OldWidth, 0.01) || !SameValueEps(Height1->Value(), OldHeight, 0.01))) {
    if (MessageDlg("Changes have not been applied. Do you wish to make these changes?", mtConfirmation, mbYes | mbNo,
                   45) == mrYes) {
      ApplySize(Width1->Value(), Height1->Value());
      setResult(QDialog::Accepted);
    }
  }
  SaveFormPlacement(this, AppDir() + "ChildFms.ini");
}

void TSetImageSize::showEvent(QShowEvent* event) {
  RestoreFormPlacement(this, AppDir() + "ChildFms.ini");
  QDialog::showEvent(event);
}

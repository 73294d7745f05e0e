#include "dialogs/object_editor.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QShowEvent>
#include <algorithm>

#include "cad/units.h"
#include "dialogs/help_viewer.h"
#include "page/page_part.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/graphic.h"
#include "platform/messages.h"
#include "platform/numeric.h"
#include "platform/process_messages.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "text/page_geometry.h"

TObjectEditor* ObjectEditor = nullptr;

namespace {
// The picture classes the preview loads, by upper-case extension.
bool PreviewLoads(const std::string& FileName) {
  const std::string ext = UpperCase(ExtractFileExt(FileName));
  return ext == ".BMP" || ext == ".JPG" || ext == ".JPEG" || ext == ".EMF" || ext == ".WMF" || ext == ".GIF" ||
         ext == ".ZQG";
}

TRect BoxRect(const TNumSpinEdit* Left, const TNumSpinEdit* Top, const TNumSpinEdit* Width, const TNumSpinEdit* Height) {
  const int l = Left->AsInteger(), t = Top->AsInteger();
  return TRect(l, t, l + Width->AsInteger(), t + Height->AsInteger());
}

// The reverse of BoxRect: a rectangle shown in the four boxes.
void ShowBoxes(TNumSpinEdit* Left, TNumSpinEdit* Top, TNumSpinEdit* Width, TNumSpinEdit* Height, const TRect& r) {
  Top->SetValue(r.Top);
  Left->SetValue(r.Left);
  Width->SetValue(r.Right - r.Left);
  Height->SetValue(r.Bottom - r.Top);
}

QString Shortened(QLabel* Label, const std::string& Name) {
  return Label->fontMetrics().elidedText(QString::fromStdString(Name), Qt::ElideMiddle, std::max(40, Label->width()));
}
}  // namespace

// ---- TTick

TTick::TTick(QWidget* parent, bool TopLeft) : QWidget(parent), TopLeft(TopLeft) {
  resize(9, 9);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TTick::SetPosition(TPoint P) {
  const QPoint at = TopLeft ? QPoint(P.X - 2, P.Y - 2) : QPoint(P.X - width() + 2, P.Y - width() + 2);
  if (pos() != at) move(at);
}

void TTick::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(QPen(QColor(0x80, 0x80, 0x00), 2));
  const int w = width(), h = height();
  if (TopLeft) {
    p.drawLine(w - 2, 1, 1, 1);
    p.drawLine(1, 3, 1, h - 2);
  } else {
    p.drawLine(w - 1, 0, w - 1, h - 1);
    p.drawLine(w - 3, h - 1, 0, h - 1);
  }
}

// ---- TObjectEditor

TObjectEditor::TObjectEditor(TObjectEditorHost& Host, QWidget* parent) : QDialog(parent), Host(Host) {
  setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  ObjectEditor = this;
  TPagePart& page = Host.Page();
  Tick1 = new TTick(Host.PageArea(), true);
  Tick2 = new TTick(Host.PageArea(), false);
  Tick1->show();
  Tick2->show();
  for (TNumSpinEdit* b : {PicTop1, PicLeft1, PicWidth1, PicHeight1, PasteTop, PasteLeft, PasteWidth, PasteHeight}) {
    b->SetDecimal(0);
    b->SetMinValue(1);
    const bool vertical = b == PicTop1 || b == PicHeight1 || b == PasteTop || b == PasteHeight;
    b->SetMaxValue(std::max(2, int(vertical ? PageHeight : PageWidth)));
    connect(b, &TNumSpinEdit::valueChanged, this, [this] { PositionChange(); });
    b->installEventFilter(this);
  }
  for (TNumSpinEdit* b : {PicTop1, PicLeft1, PicWidth1, PicHeight1})
    connect(b, &QLineEdit::editingFinished, this, [this] { PictureBoxLeft(); });
  for (TNumSpinEdit* b : {PasteTop, PasteLeft, PasteWidth, PasteHeight})
    connect(b, &QLineEdit::editingFinished, this, [this] { PasteBoxLeft(); });
  // The next free index can be typed (so that Apply adds a picture); never past the tables.
  picIndex->setRange(0, std::min(int(page.PictureCount), MaxPictures - 2));
  PasteIndex->setRange(0, std::max(0, std::min(int(page.PasteCount) - 1, MaxPastes - 1)));
  connect(picIndex, qOverload<int>(&QSpinBox::valueChanged), this, [this](int i) { PicIndexChange(i); });
  connect(PasteIndex, qOverload<int>(&QSpinBox::valueChanged), this, [this](int i) { PasteIndexChange(i); });
  connect(PageControl1, &QTabWidget::currentChanged, this, [this](int i) { PageChange(i); });
  connect(NewPicture, &QPushButton::clicked, this, [this] { NewPictureClick(); });
  connect(Apply, &QPushButton::clicked, this, [this] { ApplyClick(); });
  connect(UndoBtn, &QPushButton::clicked, this, [this] { UndoBtnClick(); });
  connect(Update1, &QPushButton::clicked, this, [this] { Update1Click(); });
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, [this] {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    reject();
    QApplication::restoreOverrideCursor();
  });
  connect(HelpBtn, &QPushButton::clicked, this, [] { ShowHelpContext(299); });
}

TObjectEditor::~TObjectEditor() {
  delete Tick1;
  delete Tick2;
  if (ObjectEditor == this) ObjectEditor = nullptr;
}

void TObjectEditor::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (e->spontaneous()) return;
  TPagePart& page = Host.Page();
  PicIndexShown = picIndex->value();
  PasteIndexShown = PasteIndex->value();
  PicBackup = ::Pictures;
  PasteBackup = ::Pastes;
  PicCountBackup = page.PictureCount;
  PasteCountBackup = page.PasteCount;
  const bool pics = page.PictureCount > 0, pastes = page.PasteCount > 0;
  if (pics) {
    ShowPicture(::Pictures[size_t(page.PictureCount - 1)]);
    if (picIndex->value() == page.PictureCount - 1)
      PicIndexChange(picIndex->value());
    else
      picIndex->setValue(page.PictureCount - 1);
  }
  if (pastes) {
    ShowPaste(::Pastes[size_t(page.PasteCount - 1)]);
    if (PasteIndex->value() == page.PasteCount - 1)
      PasteIndexChange(PasteIndex->value());
    else
      PasteIndex->setValue(page.PasteCount - 1);
  }
  PageControl1->setTabEnabled(0, pics);
  PageControl1->setTabEnabled(1, pastes);
  ActivePanel1->setEnabled(pics || pastes);
  PageControl1->setCurrentIndex(pics || !pastes ? 0 : 1);
  ActiveTab = PageControl1->currentIndex();
  Tick1->show();
  Tick2->show();
  Tick1->raise();
  Tick2->raise();
  MoveTicks();
  IndexSettled = false;
}

// ---- showing and writing entries

void TObjectEditor::ShowPicture(const TPictureRec& Entry) {
  Loading = true;
  ShowBoxes(PicLeft1, PicTop1, PicWidth1, PicHeight1, Entry.Rect.ToRect());
  Loading = false;
  ShowSizeLabels();
}

void TObjectEditor::ShowPaste(const TPasteRec& Entry) {
  Loading = true;
  ShowBoxes(PasteLeft, PasteTop, PasteWidth, PasteHeight, Entry.Rect.ToRect());
  Loading = false;
  ShowSizeLabels();
}

TRect TObjectEditor::PictureBoxes() const { return BoxRect(PicLeft1, PicTop1, PicWidth1, PicHeight1); }
TRect TObjectEditor::PasteBoxes() const { return BoxRect(PasteLeft, PasteTop, PasteWidth, PasteHeight); }

void TObjectEditor::WritePicture(int Index) {
  if (Index < 0 || Index >= MaxPictures) return;
  TPictureRec& e = ::Pictures[size_t(Index)];
  e.SetName(Label3->text().toStdString().substr(0, 255));
  e.Rect = TStoredRect::From(PictureBoxes());
  e.Missing = 0;
  PicFlags[size_t(Index)].Committed = true;
}

void TObjectEditor::WritePaste(int Index) {
  if (Index < 0 || Index >= MaxPastes) return;
  TPasteRec& e = ::Pastes[size_t(Index)];
  const TRect r = PasteBoxes();
  e.Y = int16_t(std::clamp(r.Top, -32768, 32767));
  e.X = int16_t(std::clamp(r.Left, -32768, 32767));
  e.Rect = TStoredRect::From(r);
  e.NoFile = 0;
  PasteFlags[size_t(Index)].Committed = true;
}

void TObjectEditor::FlagPictureChanged() {
  const int i = picIndex->value();
  PicFlags[size_t(i)] = {true, false};
  EditTouched = true;
}

void TObjectEditor::FlagPasteChanged() {
  const int i = PasteIndex->value();
  PasteFlags[size_t(i)] = {true, false};
  EditTouched = true;
}

void TObjectEditor::ShowChangedState(bool Changed) {
  UndoBtn->setEnabled(Changed);
  UndoLabel->setText(Changed ? "Changed" : "Unchanged");
}

// ---- lengths, ticks, previews

std::string TObjectEditor::LengthText(int Pixels) const {
  return FormatLength(Host.MetricLengths(), double(Pixels) / ScreenPixelsPerInch());
}

void TObjectEditor::ShowSizeLabels() {
  pWidth->setText(QString::fromStdString("Width: " + LengthText(PicWidth1->AsInteger())));
  pHeight->setText(QString::fromStdString("Height: " + LengthText(PicHeight1->AsInteger())));
  Label4->setText(QString::fromStdString("Width: " + LengthText(PasteWidth->AsInteger())));
  Label5->setText(QString::fromStdString("Height: " + LengthText(PasteHeight->AsInteger())));
}

void TObjectEditor::MoveTicks() {
  const TRect r = ActiveTab == 0 ? PictureBoxes() : PasteBoxes();
  const TPoint s = Host.ScrollOffset();
  ProcessMessages();
  if (!isVisible()) return;
  Tick1->SetPosition(TPoint(r.Left - s.X, r.Top - s.Y));
  Tick2->SetPosition(TPoint(r.Right - s.X, r.Bottom - s.Y));
}

void TObjectEditor::ClearPreview(QLabel* Image) {
  Image->clear();
  Image->repaint();
}

std::string TObjectEditor::LoadPreview(const std::string& FileName, QLabel* Image) {
  if (Image == PicPrev) Label3->setText(QString::fromStdString(FileName));
  std::unique_ptr<TGraphic> g;
  if (PreviewLoads(FileName)) g = CreateGraphicForFile(FileName);
  if (g) g->LoadFromFile(FileName);  // an unreadable file reports its own error
  const int gw = g ? g->Width() : 0, gh = g ? g->Height() : 0;
  const std::string readout = "Width = " + LengthText(gw) + "  " + "Height = " + LengthText(gh);
  if (!g) return readout;
  const int aw = std::max(1, Image->width()), ah = std::max(1, Image->height());
  TBitmap canvasBitmap(aw, ah);
  TCanvas& c = canvasBitmap.Canvas();
  const QColor back = PicPanel->palette().color(QPalette::Window);
  c.Brush.Color = TColor(back.red() | (back.green() << 8) | (back.blue() << 16));
  c.FillRect(TRect(0, 0, aw, ah));
  TRect r;
  if (gw > 0 && gw <= aw && gh <= ah) {
    r = TRect((aw - gw) / 2, (ah - gh) / 2, (aw - gw) / 2 + gw, (ah - gh) / 2 + gh);
  } else if (gw > gh) {
    r = TRect(0, 0, aw, MulDiv(gh, aw, gw));
  } else {
    r = TRect(0, 0, MulDiv(gw, ah, std::max(1, gh)), ah);
  }
  g->Draw(c, r);
  Image->setPixmap(QPixmap::fromImage(canvasBitmap.ToRgbImage()));
  Image->repaint();
  return readout;
}

// ---- boxes

void TObjectEditor::PositionChange() {
  if (Loading || !isVisible()) return;
  IndexSettled = false;
  ShowSizeLabels();
  MoveTicks();
}

bool TObjectEditor::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress && watched != PicTop1) {
    EditTouched = true;
    IndexSettled = false;
  }
  return QDialog::eventFilter(watched, event);
}

void TObjectEditor::PictureBoxLeft() {
  const int i = picIndex->value();
  if (PictureBoxes() != ::Pictures[size_t(i)].Rect.ToRect()) FlagPictureChanged();
}

void TObjectEditor::PasteBoxLeft() {
  const int i = PasteIndex->value();
  if (PasteBoxes() != ::Pastes[size_t(i)].Rect.ToRect()) FlagPasteChanged();
}

// ---- index and page changes

void TObjectEditor::PicIndexChange(int Index) {
  TPagePart& page = Host.Page();
  if (Index < 0 || Index >= MaxPictures) return;
  if (Index >= page.PictureCount) {
    ShowMessage("It is easier to introduce pictures in \rthe editor and adjust them later.");
    ClearPreview(PicPrev);
    Label6->setText("Width =    Height =");
  }
  const TEntryFlags shown = PicFlags[size_t(PicIndexShown)];
  if (shown.Changed && !shown.Committed &&
      MessageDlg("Figure No: " + std::to_string(PicIndexShown) + " has changed, \rDo you wish to apply these changes ",
                 mtInformation, mbYes | mbNo, 299) == mrYes) {
    WritePicture(PicIndexShown);
    IndexSettled = true;
  }
  PicIndexShown = Index;
  const TPictureRec& e = ::Pictures[size_t(Index)];
  ShowPicture(e);
  const bool hasFile = !e.Name().empty() && !e.Missing;
  if (hasFile) {
    Label3->setText(QString::fromStdString(e.Name()));
    PicFlags[size_t(Index)] = {false, true};
    Label6->setText(QString::fromStdString(LoadPreview(e.Name(), PicPrev)));
    picFileLbl->setText(Shortened(picFileLbl, e.Name()));
  }
  ShowChangedState(PicFlags[size_t(Index)].Changed);
  MoveTicks();
}

void TObjectEditor::PasteIndexChange(int Index) {
  TPagePart& page = Host.Page();
  if (Index < 0 || Index >= MaxPastes) return;
  if (Index >= page.PasteCount) {
    ShowMessage("Editing previously undefined pastes is \rnot possible. Try creating the paste first and editing after.");
    ClearPreview(PasteImage);
    Label7->setText("Width =      Height =   ");
  }
  if (!IndexSettled && EditTouched &&
      MessageDlg("Figure No: " + std::to_string(PasteIndexShown) + " has changed, \rDo you wish to apply these changes ",
                 mtInformation, mbYes | mbNo, 299) == mrYes)
    WritePaste(PasteIndexShown);
  PasteIndexShown = Index;
  const TPasteRec& e = ::Pastes[size_t(Index)];
  ShowPaste(e);
  PasteFlags[size_t(Index)] = {false, true};
  if (!e.Name().empty() && !e.NoFile) {
    Label7->setText(QString::fromStdString(LoadPreview(e.Name(), PasteImage)));
    pstFileLbl->setText(Shortened(pstFileLbl, e.Name()));
  }
  ShowChangedState(PasteFlags[size_t(Index)].Changed);
  EditTouched = false;
  IndexSettled = true;
  MoveTicks();
}

void TObjectEditor::PageChange(int Index) {
  ProcessMessages();
  ActiveTab = Index;
  if (Index == 0) {
    const int i = picIndex->value();
    const TPictureRec& e = ::Pictures[size_t(i)];
    if (!e.Name().empty() && !e.Missing) Label6->setText(QString::fromStdString(LoadPreview(e.Name(), PicPrev)));
    MoveTicks();
    PicIndexShown = i;
    ShowChangedState(PicFlags[size_t(i)].Changed);
  } else {
    const int i = PasteIndex->value();
    const TPasteRec& e = ::Pastes[size_t(i)];
    if (!e.Name().empty() && !e.NoFile) Label7->setText(QString::fromStdString(LoadPreview(e.Name(), PasteImage)));
    MoveTicks();
    PasteIndexShown = i;
    ShowChangedState(PasteFlags[size_t(i)].Changed);
  }
}

// ---- buttons

void TObjectEditor::NewPictureClick() {
  const int i = picIndex->value();
  const std::string stored = ::Pictures[size_t(i)].Name();
  const std::string name = Host.ChoosePicture(stored);
  if (name.empty()) return;
  Label6->setText(QString::fromStdString(LoadPreview(name, PicPrev)));
  picFileLbl->setText(Shortened(picFileLbl, stored));
  if (!SameText(Label3->text().toStdString(), stored)) FlagPictureChanged();
}

void TObjectEditor::ApplyClick() {
  TPagePart& page = Host.Page();
  if (ActiveTab == 0) {
    const int i = picIndex->value();
    WritePicture(i);
    // The next free index becomes a new picture (the table counts at most 255).
    if (i == page.PictureCount && page.PictureCount < MaxPictures - 1) {
      ++page.PictureCount;
      picIndex->setMaximum(std::min(int(page.PictureCount), MaxPictures - 2));
    }
    PicFlags[size_t(i)] = {true, true};
    PicIndexShown = i;
  } else {
    const int i = PasteIndex->value();
    WritePaste(i);
    PasteFlags[size_t(i)] = {true, true};
    PasteIndexShown = i;
  }
  ShowChangedState(true);
}

void TObjectEditor::UndoBtnClick() {
  if (ActiveTab == 0) {
    const int i = picIndex->value();
    ::Pictures[size_t(i)] = PicBackup[size_t(i)];
    ShowPicture(::Pictures[size_t(i)]);
    Host.RecomposePage();
    const TPictureRec& e = ::Pictures[size_t(i)];
    if (!e.Name().empty() && !e.Missing) Label6->setText(QString::fromStdString(LoadPreview(e.Name(), PicPrev)));
    PicFlags[size_t(i)] = {false, true};
  } else {
    const int i = PasteIndex->value();
    ::Pastes[size_t(i)] = PasteBackup[size_t(i)];
    ShowPaste(::Pastes[size_t(i)]);
    Host.RecomposePage();
    const TPasteRec& e = ::Pastes[size_t(i)];
    if (!e.Name().empty() && !e.NoFile) Label7->setText(QString::fromStdString(LoadPreview(e.Name(), PasteImage)));
    PasteFlags[size_t(i)] = {false, true};
  }
  MoveTicks();
}

void TObjectEditor::Update1Click() { Host.RecomposePage(); }

// ---- closing

bool TObjectEditor::FormCloseQuery() {
  TPagePart& page = Host.Page();
  auto listOf = [](const auto& Flags) {
    std::string list;
    for (size_t i = 0; i < Flags.size(); ++i)
      if (Flags[i].Changed) list += (list.empty() ? "" : ", ") + std::to_string(i);
    return list;
  };
  // An edit still in the boxes goes into the entry it was made on; an entry whose edit was left
  // behind when the index changed keeps what it holds.
  if (PicFlags[size_t(PicIndexShown)].Changed && !PicFlags[size_t(PicIndexShown)].Committed) WritePicture(PicIndexShown);
  if (PasteFlags[size_t(PasteIndexShown)].Changed && !PasteFlags[size_t(PasteIndexShown)].Committed)
    WritePaste(PasteIndexShown);
  const std::string pics = listOf(PicFlags), pastes = listOf(PasteFlags);
  bool picsDecided = pics.empty(), keepPics = false;
  if (!pics.empty()) {
    const int a = MessageDlg("The following pictures have changed: " + pics + " Keep changes?", mtInformation,
                             mbYes | mbNo | mbCancel, 299);
    if (a == mrCancel) return false;
    keepPics = a == mrYes;
    picsDecided = true;
  }
  bool keepPastes = false;
  if (!pastes.empty()) {
    const int a = MessageDlg("The following pasted images have changed: " + pastes + " Keep changes?", mtInformation,
                             mbYes | mbNo | mbCancel, 299);
    if (a == mrCancel) return false;
    keepPastes = a == mrYes;
  }
  (void)picsDecided;
  // Kept changes go on the page's undo as one step per table, so that Undo takes them back whole;
  // refused ones leave the table as it was when the window opened.
  if (!pics.empty()) {
    const TPictureTable edited = ::Pictures;
    const uint8_t editedCount = page.PictureCount;
    ::Pictures = PicBackup;
    page.PictureCount = PicCountBackup;
    if (keepPics) {
      page.PushPictureUndo(this);
      ::Pictures = edited;
      page.PictureCount = editedCount;
    }
  }
  if (!pastes.empty()) {
    const TPasteTable edited = ::Pastes;
    ::Pastes = PasteBackup;
    page.PasteCount = PasteCountBackup;
    if (keepPastes) {
      page.PushPasteUndo(this);
      ::Pastes = edited;
    }
  }
  if (keepPics || keepPastes) Host.FlagDocumentModified();
  ProcessMessages();
  return true;
}

void TObjectEditor::done(int r) {
  if (!FormCloseQuery()) return;
  Tick1->hide();
  Tick2->hide();
  QDialog::done(r);
}

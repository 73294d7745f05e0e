#include "dialogs/macro_line_controls.h"

#include <QApplication>
#include <algorithm>
#include <QContextMenuEvent>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

#include "platform/messages.h"

namespace {
// The drag of a line's edit carries its 1-based line number.
const char* const LineMime = "application/x-korvalis-macro-line";

const TFont& EditFont() {
  static const TFont f("ZQVSerif", 9);
  return f;
}

int DraggedLine(const QMimeData* data) {
  if (!data || !data->hasFormat(LineMime)) return 0;
  return data->data(LineMime).toInt();
}
}  // namespace

// ---- TZQVSpinEdit

TZQVSpinEdit::TZQVSpinEdit(QWidget* parent) : QSpinBox(parent) {
  setRange(0, MacroMaxSpacing);
  setValue(0);
  setFixedWidth(35);
  QFont f("Arial");
  f.setPointSize(8);
  setFont(f);
  setToolTip("Insert lines below");
  setFocusPolicy(Qt::ClickFocus);
}

// ---- TZQVEdit

TZQVEdit::TZQVEdit(TZQVCheckList* List, QWidget* parent) : QLineEdit(parent), List(List) {
  setFont(EditFont().ToQFont());
  setMaxLength(149);
  setAcceptDrops(true);
}

TMacroLineBuffer& TZQVEdit::Buffer() { return List->Data.Lines[size_t(LineNumber - 1)].Buffer; }

bool TZQVEdit::IsBlank() const { return List->Data.Lines[size_t(LineNumber - 1)].IsBlank(); }

void TZQVEdit::ClearChars() { List->Data.Lines[size_t(LineNumber - 1)].ClearChars(); }

std::string TZQVEdit::DescriptionBytes() const { return FontTextToBytes(EditFont(), text()); }

void TZQVEdit::SetDescriptionBytes(const std::string& Bytes) { setText(BytesToFontText(EditFont(), Bytes)); }

void TZQVEdit::keyPressEvent(QKeyEvent* e) {
  QLineEdit::keyPressEvent(e);
  List->LastKey = uint16_t(e->key());
  List->LastShift = e->modifiers();
}

void TZQVEdit::keyReleaseEvent(QKeyEvent* e) {
  QLineEdit::keyReleaseEvent(e);
  List->LastKey = List->LastKey == uint16_t(e->key()) ? 0 : uint16_t(e->key());
  List->LastShift = Qt::NoModifier;
}

void TZQVEdit::mousePressEvent(QMouseEvent* e) {
  QLineEdit::mousePressEvent(e);
  PressPoint = e->pos();
  List->Touch(LineNumber);
}

void TZQVEdit::mouseMoveEvent(QMouseEvent* e) {
  setToolTip(QString("(%1)").arg(LineNumber) + text());
  if ((e->buttons() & Qt::LeftButton) &&
      (e->pos() - PressPoint).manhattanLength() >= QApplication::startDragDistance() && !hasSelectedText()) {
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(LineMime, QByteArray::number(LineNumber));
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction);
    return;
  }
  QLineEdit::mouseMoveEvent(e);
}

void TZQVEdit::mouseDoubleClickEvent(QMouseEvent* e) {
  QLineEdit::mouseDoubleClickEvent(e);
  List->Touch(LineNumber);
  if (List->OnLineDblClick) List->OnLineDblClick();
}

void TZQVEdit::contextMenuEvent(QContextMenuEvent* e) {
  List->Touch(LineNumber);
  List->PopupMenu->popup(e->globalPos());
}

void TZQVEdit::dragEnterEvent(QDragEnterEvent* e) {
  if (DraggedLine(e->mimeData()) > 0) e->acceptProposedAction();
}

void TZQVEdit::dragMoveEvent(QDragMoveEvent* e) {
  if (DraggedLine(e->mimeData()) > 0) e->acceptProposedAction();
}

void TZQVEdit::dropEvent(QDropEvent* e) {
  const int source = DraggedLine(e->mimeData());
  if (source < 1 || source == LineNumber) return;
  e->acceptProposedAction();
  List->DropLine(source - 1, LineNumber - 1);
}

// ---- TZQVCheckEdit

TZQVCheckEdit::TZQVCheckEdit(TZQVCheckList* List, QWidget* parent) : QWidget(parent), List(List) {
  setFixedHeight(24);
  SpinEdit = new TZQVSpinEdit(this);
  SpinEdit->setToolTip("Number of line spaces between successive insertions");
  SpinEdit->setGeometry(0, 1, 35, 22);
  CheckBox = new QCheckBox(this);
  CheckBox->setToolTip("Ctrl + click to include");
  CheckBox->setFocusPolicy(Qt::NoFocus);
  CheckBox->setGeometry(38, 4, 16, 16);
  Edit = new TZQVEdit(List, this);
  Edit->setGeometry(56, 0, width() - 56, 23);
  CheckBox->installEventFilter(this);
  SpinEdit->installEventFilter(this);
}

void TZQVCheckEdit::SetSpacing(int Value) { SpinEdit->setValue(std::clamp(Value, 0, MacroMaxSpacing)); }

void TZQVCheckEdit::SetChecked(bool On) { CheckBox->setChecked(On); }

void TZQVCheckEdit::mousePressEvent(QMouseEvent* e) {
  QWidget::mousePressEvent(e);
  List->Touch(LineNumber);
}

void TZQVCheckEdit::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  Edit->setGeometry(56, 0, std::max(10, width() - 56), 23);
}

bool TZQVCheckEdit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseButtonRelease) return false;
  auto* me = static_cast<QMouseEvent*>(event);
  if (watched == SpinEdit) {
    List->Touch(LineNumber);
    Edit->setFocus();
  } else if (watched == CheckBox) {
    // Let the box toggle first, then a plain click leaves this line the only one checked.
    const bool ctrl = (me->modifiers() & Qt::ControlModifier) || (List->LastShift & Qt::ControlModifier);
    List->Touch(LineNumber);
    QMetaObject::invokeMethod(
        this,
        [this, ctrl] {
          if (!ctrl) List->UncheckOthers(LineNumber - 1);
          Edit->setFocus();
        },
        Qt::QueuedConnection);
  }
  return false;
}

// ---- TZQVCheckList

TZQVCheckList::TZQVCheckList(QWidget* parent) : QWidget(parent) {
  setObjectName("ZQVCheckList");
  setAutoFillBackground(true);
  QFont f("Arial");
  setFont(f);
  PopupMenu = new QMenu(this);
  const char* captions[9] = {"Cut", "Copy", "Paste", "-", "Send to Editor", "Import Selection", "Stay on Top", "Clear",
                             "Clear All"};
  for (int i = 0; i < 9; ++i) {
    if (i == 3) {
      PopupItems[size_t(i)] = PopupMenu->addSeparator();
      continue;
    }
    QAction* a = PopupMenu->addAction(captions[i]);
    PopupItems[size_t(i)] = a;
    if (i < 3) connect(a, &QAction::triggered, this, [this, i] { PopupClick(i); });
  }
  SetLineCount(MacroLines);
  Data.Modified = false;
}

void TZQVCheckList::PopupClick(int Item) {
  if (CurrentLine < 1 || CurrentLine > LineCount()) return;
  TZQVEdit* e = GetLine(CurrentLine - 1)->Edit;
  if (Item == 0) e->cut();
  if (Item == 1) e->copy();
  if (Item == 2) e->paste();
}

void TZQVCheckList::SetLineCount(int n) {
  if (n <= 0) return;
  while (LineCount() < n) {
    auto* line = new TZQVCheckEdit(this, this);
    const int number = LineCount() + 1;
    line->LineNumber = number;
    line->Edit->LineNumber = number;
    line->setGeometry(3, NextTop, width() > 6 ? width() - 6 : 300, line->height());
    NextTop += line->height();
    Lines.push_back(line);
    Data.Lines.emplace_back();
    Data.Lines.back().ClearChars();
    line->show();
  }
  while (LineCount() > n) {
    NextTop -= Lines.back()->height();
    delete Lines.back();
    Lines.pop_back();
    Data.Lines.pop_back();
  }
  setMinimumHeight(Lines.front()->height() * n + 8);
  resize(width(), Lines.front()->height() * n + 8);
}

void TZQVCheckList::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  for (TZQVCheckEdit* l : Lines) l->resize(width() - 6, l->height());
}

void TZQVCheckList::keyPressEvent(QKeyEvent* e) {
  QWidget::keyPressEvent(e);
  LastKey = uint16_t(e->key());
  LastShift = e->modifiers();
}

void TZQVCheckList::keyReleaseEvent(QKeyEvent* e) {
  QWidget::keyReleaseEvent(e);
  LastKey = LastKey == uint16_t(e->key()) ? 0 : uint16_t(e->key());
  LastShift = Qt::NoModifier;
}

const TFont& TZQVCheckList::GetCharFont(int n, int i) {
  RecordToFont(Data.Lines[size_t(n)].Buffer.Fonts[size_t(i)], ScratchFont);
  return ScratchFont;
}

void TZQVCheckList::SetCharFont(int n, int i, const TFont& Font) {
  FontToRecord(Font, Data.Lines[size_t(n)].Buffer.Fonts[size_t(i)]);
}

int TZQVCheckList::GetSpacing(int n) const {
  if (n < 0 || n >= LineCount()) {
    ShowMessage("List Index out of bounds");
    return 0;
  }
  return Lines[size_t(n)]->SpinEdit->value();
}

void TZQVCheckList::SetSpacing(int n, int v) {
  if (n >= 0 && n < LineCount()) Lines[size_t(n)]->SetSpacing(v);
}

bool TZQVCheckList::IsChecked(int n) const {
  if (n < 0 || n >= LineCount()) {
    ShowMessage("List Index out of bounds");
    return false;
  }
  return Lines[size_t(n)]->CheckBox->isChecked();
}

int TZQVCheckList::FirstChecked() const {
  for (int n = 0; n < LineCount(); ++n)
    if (Lines[size_t(n)]->CheckBox->isChecked()) return n;
  return -1;
}

int TZQVCheckList::LastChecked() const {
  for (int n = LineCount() - 1; n >= 0; --n)
    if (Lines[size_t(n)]->CheckBox->isChecked()) return n;
  return -1;
}

void TZQVCheckList::UncheckOthers(int Keep) {
  for (int n = 0; n < LineCount(); ++n)
    if (n != Keep) Lines[size_t(n)]->CheckBox->setChecked(false);
}

void TZQVCheckList::SetCurrentText(const std::string& Bytes) {
  if (CurrentLine >= 1 && CurrentLine <= LineCount()) GetLine(CurrentLine - 1)->Edit->SetDescriptionBytes(Bytes);
}

void TZQVCheckList::ClearLine(int n) {
  if (n < 0 || n >= LineCount()) return;
  Data.Lines[size_t(n)].ClearChars();
  TZQVCheckEdit* l = Lines[size_t(n)];
  l->Edit->clear();
  l->SetSpacing(1);
  l->SetChecked(false);
}

void TZQVCheckList::ClearAll() {
  for (int n = 0; n < LineCount(); ++n) ClearLine(n);
}

void TZQVCheckList::CopyLineData(TMacroLineBuffer& Dest, const TMacroLineBuffer& Source) { Data.CopyLineData(Dest, Source); }

void TZQVCheckList::MoveLine(int Target, int Source) {
  if (Target < 0 || Source < 0 || Target >= LineCount() || Source >= LineCount() || Target == Source) return;
  SyncToData();
  // The data model moves the macro and its description; spacings and checks stay in place.
  Data.MoveLine(Target, Source);
  for (int n = std::min(Target, Source); n <= std::max(Target, Source); ++n)
    Lines[size_t(n)]->Edit->SetDescriptionBytes(Data.Lines[size_t(n)].Description);
}

void TZQVCheckList::DropLine(int Source, int Target) {
  const int answer = MessageDlg("Clicking Ok will replace contents\rClicking No will insert.", mtInformation,
                                mbOK | mbNo | mbCancel, 130);
  if (answer == mrOk) {
    TZQVEdit* from = Lines[size_t(Source)]->Edit;
    TZQVEdit* to = Lines[size_t(Target)]->Edit;
    to->setText(from->text());
    CopyLineData(to->Buffer(), from->Buffer());
    ClearLine(Source);
  } else if (answer == mrNo) {
    MoveLine(Target, Source);
  }
}

void TZQVCheckList::SyncToData() {
  for (int n = 0; n < LineCount(); ++n) {
    TMacroLine& l = Data.Lines[size_t(n)];
    l.Description = Lines[size_t(n)]->Edit->DescriptionBytes();
    l.Spacing = Lines[size_t(n)]->SpinEdit->value();
    l.Checked = Lines[size_t(n)]->CheckBox->isChecked();
  }
}

void TZQVCheckList::SyncFromData() {
  for (int n = 0; n < LineCount(); ++n) {
    const TMacroLine& l = Data.Lines[size_t(n)];
    Lines[size_t(n)]->Edit->SetDescriptionBytes(l.Description);
    Lines[size_t(n)]->SetSpacing(l.Spacing);
    Lines[size_t(n)]->SetChecked(l.Checked);
  }
}

void TZQVCheckList::SaveToStream(TStream& Stream) {
  SyncToData();
  Data.SaveToStream(Stream);
}

void TZQVCheckList::LoadFromStream(TStream& Stream) {
  Data.LoadFromStream(Stream);  // raises before anything changes when the stream is damaged
  SyncFromData();
  Data.Modified = false;
}

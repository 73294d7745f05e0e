#include "dialogs/angled_text_dialog.h"

#include <QKeyEvent>

#include "cad/engine.h"
#include "dialogs/draw_dialog_host.h"
#include "dialogs/font_dialog.h"
#include "dialogs/form_placement.h"
#include "platform/app_dir.h"
#include "platform/guarded.h"
#include "platform/messages.h"

TAngledTextFm* AngledTextFm = nullptr;

namespace {
constexpr int HelpContext = 270;
// Font (bit 1) and text (bit 24) of TFigurePropertyIndex.
constexpr uint32_t FontAndTextMask = (1u << 1) | (1u << 24);
static_assert(FontAndTextMask == 16777218u);

// The Alt + numeric-pad codes of special characters, in two columns.
QString AltCodes(int from, int to) {
  QString s;
  for (int code = from; code <= to; ++code) {
    const QString ch = BytesToFontText(TFont(), std::string(1, char(code)));
    if (ch.isEmpty() || !ch.at(0).isPrint()) continue;
    s += QString("%1 %2  ").arg(code, 4, 10, QChar('0')).arg(ch);
  }
  return s;
}
}  // namespace

TAngledTextFm::TAngledTextFm(TDrawDialogHost& Host, QWidget* parent)
    : TDrawDialogBase(Host, parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setupUi(this);
  setSizeGripEnabled(true);
  AltCodes1->setText(AltCodes(131, 192));
  AltCodes2->setText(AltCodes(193, 254));
  AltCodes1->setWordWrap(true);
  AltCodes2->setWordWrap(true);
  Edit1->installEventFilter(this);
  connect(Edit1, &QLineEdit::textChanged, this, [this] { UpdateSample(); });
  connect(atFont, &QToolButton::clicked, this, [this] { Guarded("atFont", [&] { atFontClick(); }); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { Guarded("OKBtn", [&] { OKBtnClick(OKBtn); }); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  connect(Button1, &QPushButton::clicked, this, [] {
    if (OnMessageHelp) OnMessageHelp(HelpContext);
  });
  // The splash window shown at this point of start-up belongs to the start-up code.
}

void TAngledTextFm::FormShow() {
  try {
    RestoreFormPlacement(this, ProgramFile("ChildFms.ini"));
  } catch (const Exception&) {
  }
  Edit1->setFocus();
  if (Figures) {
    try {
      const TRealFig* first = Figures->FirstSelectedFigure();
      if (DrawHost.SelectionRectShown() && first) {
        first->AssignTo(SampleFont);
        Edit1->setText(BytesToFontText(SampleFont, first->GetText()));
        WithLine1->setChecked(first->Kind != fkTextNoLine);
      } else {
        Figures->Template->AssignTo(SampleFont);
        Edit1->setText(BytesToFontText(SampleFont, Figures->Template->GetText()));
      }
    } catch (const Exception&) {
      // What could not be read keeps the dialog's previous values.
    }
  } else {
    SampleFont = DrawHost.StandardFont();
  }
  UpdateSample();
}

void TAngledTextFm::UpdateSample() {
  const std::string text = Edit1->text().toStdString();
  FontClrLbl1->setText(text.empty() ? "F" : Edit1->text().left(1));
  QFont f = SampleFont.ToQFont();
  FontClrLbl1->setFont(f);
  QPalette p = FontClrLbl1->palette();
  p.setColor(QPalette::WindowText, QColor(int(SampleFont.Color & 0xFF), int((SampleFont.Color >> 8) & 0xFF),
                                          int((SampleFont.Color >> 16) & 0xFF)));
  FontClrLbl1->setPalette(p);
}

void TAngledTextFm::ShowCaretPosition() {
  CharLbl1->setText(QString("Char:%1").arg(Edit1->hasSelectedText() ? Edit1->selectionStart() : Edit1->cursorPosition()));
  UpdateSample();
}

void TAngledTextFm::atFontClick() {
  // The program's own font dialog, with its colour field, started on the sample font.
  if (!ZQVFontDlg1) return;
  ZQVFontDlg1->Font = SampleFont;
  if (ZQVFontDlg1->Execute()) {
    SampleFont = ZQVFontDlg1->Font;
    UpdateSample();
  }
}

void TAngledTextFm::OKBtnClick(QObject* Sender) {
  if (ZQVFontDlg1) SavedFont = ZQVFontDlg1->Font;
  if (Figures) {
    TRealFig& t = *Figures->Template;
    TFont oldFont;
    t.AssignTo(oldFont);
    const std::string oldText = t.GetText();
    const TFigureKind oldKind = t.Kind;
    t.Assign(SampleFont);
    t.SetText(FontTextToBytes(SampleFont, Edit1->text()));
    t.SetKind(WithLine1->isChecked() ? fkText : fkTextNoLine);
    if (DrawHost.ApplyToSelectedShapes(Sender, FontAndTextMask)) {
      t.SetText(oldText);
      t.SetKind(oldKind);
      t.Assign(oldFont);
    }
  }
  setResult(QDialog::Accepted);
  close();
}

void TAngledTextFm::CancelBtnClick() {
  // The font dialog gets back the font it had at the last OK here.
  if (ZQVFontDlg1) ZQVFontDlg1->Font = SavedFont;
  setResult(QDialog::Rejected);
  close();
}

void TAngledTextFm::FormClose() {
  try {
    SaveFormPlacement(this, ProgramFile("ChildFms.ini"));
  } catch (const Exception&) {
  }
}

void TAngledTextFm::showEvent(QShowEvent* event) {
  TDrawDialogBase::showEvent(event);
  Guarded("TAngledTextFm.FormShow", [&] { FormShow(); });
}

bool TAngledTextFm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit1) {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::MouseButtonRelease:
        // After the edit has handled it: the caret has moved by then.
        QMetaObject::invokeMethod(this, [this] { ShowCaretPosition(); }, Qt::QueuedConnection);
        break;
      case QEvent::KeyRelease: UpdateSample(); break;
      default: break;
    }
  }
  return TDrawDialogBase::eventFilter(watched, event);
}

TAngledTextFm::~TAngledTextFm() {
  if (AngledTextFm == this) AngledTextFm = nullptr;
}

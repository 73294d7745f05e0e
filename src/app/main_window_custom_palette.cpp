// The custom palette buttons, the Custom Sets menu, and the commands that open the custom palette
// dialog and the main font dialog.
#include "app/main_window_custom_palette.h"
#include "app/palette_button.h"

#include <QGridLayout>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "app/main_window.h"
#include "app/window_hosts.h"
#include "dialogs/define_font_dialog.h"
#include "dialogs/main_font_dialog.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/ini_file.h"
#include "settings/button_sets.h"
#include "settings/custom_button_sets.h"

TCustButPanel::TCustButPanel(int Tag, QWidget* parent) : QLabel(parent), Tag(Tag) {
  setObjectName(QString("CustBut%1").arg(Tag + 1));
  setAlignment(Qt::AlignCenter);
  setFixedSize(28, 28);
  setFrameShape(QFrame::Panel);
  setLineWidth(1);
  UpdateLook();
}

void TCustButPanel::SetCaption(const std::string& Caption) {
  FCaption = Caption;
  UpdateLook();
}

void TCustButPanel::SetFont(const TFont& Font) {
  FFont = Font;
  UpdateLook();
}

void TCustButPanel::SetRaised(bool Raised) {
  FRaised = Raised;
  setFrameShadow(Raised ? QFrame::Raised : QFrame::Sunken);
}

void TCustButPanel::UpdateLook() {
  const QString text = BytesToFontText(FFont, FCaption);
  // The large characters of the bracket and large custom sets are shown smaller where they would
  // not fit inside the button's frame; the character inserted keeps the button's font.
  QFont shown = FFont.ToQFont();
  const QRect room = QRect(0, 0, width(), height()).adjusted(lineWidth() + 1, lineWidth() + 1, -lineWidth() - 1,
                                                            -lineWidth() - 1);
  if (!text.isEmpty() && room.width() > 0 && room.height() > 0) {
    // The glyph drawn as the label draws it (any fallback font included), measured by its ink.
    QImage probe(size(), QImage::Format_ARGB32);
    for (int px = shown.pixelSize(); px > 4; --px) {
      shown.setPixelSize(px);
      probe.fill(Qt::transparent);
      {
        QPainter p(&probe);
        p.setFont(shown);
        p.setPen(Qt::black);
        p.drawText(contentsRect(), int(Qt::AlignCenter), text);
      }
      QRect ink;
      for (int y = 0; y < probe.height(); ++y)
        for (int x = 0; x < probe.width(); ++x)
          if (qAlpha(probe.pixel(x, y)) != 0) ink |= QRect(x, y, 1, 1);
      if (ink.isEmpty() || room.contains(ink)) break;
    }
  }
  QLabel::setFont(shown);
  QPalette pal = palette();
  const TColor rgb = ColorToRGB(FFont.Color);
  pal.setColor(QPalette::WindowText, QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
  setPalette(pal);
  setText(text);
  setToolTip(text);
  setFrameShadow(FRaised ? QFrame::Raised : QFrame::Sunken);
}

void TCustButPanel::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  FPressed = event->position().toPoint();
  SetRaised(false);
}

void TCustButPanel::mouseMoveEvent(QMouseEvent* event) {
  QLabel::mouseMoveEvent(event);
  if (!Caption().empty() && DragPaletteButton(this, FPressed, event)) SetRaised(true);
}

void TCustButPanel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  SetRaised(true);
  if (event->button() == Qt::RightButton && OnRightClick) OnRightClick(this);
  if (event->button() == Qt::LeftButton && OnLeftClick) OnLeftClick(this);
}

// ---------------------------------------------------------------- the main window's side

void TForm1::CreateCustomButtons() {
  auto* grid = new QGridLayout(CustomPanel);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(1);
  for (int tag = 0; tag < CustomButtonCount; ++tag) {
    auto* b = new TCustButPanel(tag, CustomPanel);
    grid->addWidget(b, tag / 21, tag % 21);
    b->OnRightClick = [this](TCustButPanel* panel) { CustBut41MouseUp(panel); };
    b->OnLeftClick = [this](TCustButPanel* panel) { CustomButtonClick(panel); };
    CustButs[size_t(tag)] = b;
  }
}

TCustButPanel* TForm1::CustomButton(int N) const {
  return N >= 1 && N <= CustomButtonCount ? CustButs[size_t(N - 1)] : nullptr;
}

void TForm1::WireCustomPaletteCommands() {
  // The Custom Sets items carry their set number.
  const QList<QAction*> items = {User1, ForeignSymbols1, Accents1, MathAccents1, Binaryoperators1, RelationalSymbols1, Arrows1};
  for (int set = 0; set < items.size(); ++set) items[set]->setData(set);
}

void TForm1::User1Click(QAction* Sender) {
  CustomSet = uint8_t(Sender->data().toInt());
  Sender->setChecked(true);
  const std::string path = ProgramFile("Main.Ini");
  try {
    TMemIniFile ini(path);
    ini.WriteInteger("Form_Position", "Custom Set", CustomSet);
    ini.WriteInteger("Form_Position", "CustomSets1Checked", CustomSets1->actions().indexOf(Sender));
    ini.UpdateFile();
  } catch (const Exception& e) {
    // The set still changes for this run.
    ShowMessage("Unable to save the settings to " + path + "\rReason: " + e.Message);
  }
  LoadButtonSet(Hosts(), CustomSet);
}


void TForm1::CustBut41MouseUp(TCustButPanel* Button) {
  if (!DefineFontDg || !Button) return;
  if (DefineFontDg->isModal() && DefineFontDg->isVisible()) return;
  const int previous = DefineFontDg->ButtonNumber + 1;
  if (TCustButPanel* old = CustomButton(previous)) old->SetRaised(true);
  DefineFontDg->ButtonNumber = Button->Tag;
  Button->SetRaised(false);
  // The editor takes the button even when its number is shown already.
  if (DefineFontDg->CustButTag->AsInteger() != Button->Tag + 1) DefineFontDg->CustButTag->SetValue(Button->Tag + 1);
  else DefineFontDg->CustButTagChange();
  if (!DefineFontDg->isVisible()) {
    DefineFontDg->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    DefineFontDg->show();
  }
  DefineFontDg->raise();
  DefineFontDg->activateWindow();
}

// The handlers of the served controls: what each class takes over and what it paints with the
// theme services.
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QCursor>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOption>
#include <QTableView>
#include <QToolButton>
#include <qdrawutil.h>

#include "theme/theme_manager.h"

namespace {
TThemeServices& Services() { return *ThemeServices(); }

QString StripMnemonic(QString text) {
  text.replace("&&", QChar(0xE000));
  text.remove('&');
  text.replace(QChar(0xE000), "&");
  return text;
}

// A push button with a picture: the bitmap button, drawn by its owner.
bool IsBitmapButton(const QWidget* w) {
  auto* b = qobject_cast<const QPushButton*>(w);
  return b && !b->icon().isNull();
}

bool ParentBrushEquals(const QWidget* w) {
  const QWidget* parent = w->parentWidget();
  return parent && parent->palette().color(parent->backgroundRole()) == w->palette().color(w->backgroundRole());
}
}  // namespace

TButtonLayout CalcButtonLayout(const QRect& Client, bool RightToLeft, int Layout, int Margin, int Spacing, QSize Glyph,
                               QSize Text) {
  // 0 glyph left, 1 glyph right, 2 glyph top, 3 glyph bottom.
  if (RightToLeft) {
    if (Layout == 0) Layout = 1;
    else if (Layout == 1) Layout = 0;
  }
  const QSize client = Client.size();
  QPoint glyphPos, textPos;
  if (Layout == 0 || Layout == 1) {
    glyphPos.setY((client.height() - Glyph.height() + 1) / 2);
    textPos.setY((client.height() - Text.height() + 1) / 2);
  } else {
    glyphPos.setX((client.width() - Glyph.width() + 1) / 2);
    textPos.setX((client.width() - Text.width() + 1) / 2);
  }
  if (Text.width() == 0 || Glyph.width() == 0) Spacing = 0;
  const bool horizontal = Layout == 0 || Layout == 1;
  const int length = horizontal ? client.width() : client.height();
  const int glyphLen = horizontal ? Glyph.width() : Glyph.height();
  const int textLen = horizontal ? Text.width() : Text.height();
  if (Margin == -1) {
    if (Spacing == -1) {
      Margin = Spacing = (length - glyphLen - textLen) / 3;
    } else {
      Margin = (length - (glyphLen + Spacing + textLen) + 1) / 2;
    }
  } else if (Spacing == -1) {
    Spacing = (length - Margin - glyphLen - textLen) / 2;
  }
  int g = 0, t = 0;
  if (Layout == 0 || Layout == 2) {
    g = Margin;
    t = g + glyphLen + Spacing;
  } else {
    g = length - Margin - glyphLen;
    t = g - Spacing - textLen;
  }
  if (horizontal) {
    glyphPos.setX(g);
    textPos.setX(t);
  } else {
    glyphPos.setY(g);
    textPos.setY(t);
  }
  TButtonLayout result;
  result.GlyphPos = glyphPos + Client.topLeft();
  result.TextBounds = QRect(textPos + Client.topLeft(), Text);
  return result;
}

TGroupBoxRects GroupBoxRects(const QRect& Client, QSize CaptionExtent, bool RightToLeft) {
  TGroupBoxRects r;
  if (CaptionExtent.width() > 0 && CaptionExtent.height() > 0) {
    r.Caption = QRect(QPoint(0, 0), CaptionExtent);
    r.Caption.moveLeft(RightToLeft ? Client.width() - 8 - CaptionExtent.width() : 8);
  }
  r.Frame = Client;
  r.Frame.setTop(Client.top() + r.Caption.height() / 2);
  return r;
}

int SpeedButtonThemeState(bool Enabled, bool Down, bool Exclusive, bool Flat, bool UnderMouse, bool MouseInside) {
  if (!Enabled) return 5;
  if (Down || Exclusive) return 4;
  if (Flat ? MouseInside : UnderMouse) return 3;
  return 2;
}

int BitmapButtonThemeState(bool Enabled, bool Selected, bool Hot, bool Default, bool Focused) {
  if (!Enabled) return 5;
  if (Selected) return 4;
  if (Hot) return 3;
  if (!Default && !Focused) return 2;
  return 6;
}

TThemedElementDetails ThemedButtonElement(bool FlatSpeedButton, int State) {
  if (FlatSpeedButton && State >= 2 && State <= 5) return TThemeServices::GetElementDetails(TThemedToolBar(State));
  return TThemeServices::GetElementDetails(TThemedButton(State));
}

int GlyphImageCount(QSize Glyph) {
  if (Glyph.height() <= 0 || Glyph.width() <= 0 || Glyph.width() % Glyph.height() != 0) return 1;
  const int count = Glyph.width() / Glyph.height();
  return count <= 4 ? count : 1;
}

int ThemedGlyphImage(bool SpeedButton, bool Enabled, bool Pressed, bool Down, bool Exclusive, int ImageCount) {
  if (!Enabled && ImageCount >= 2) return 2;
  if (!SpeedButton) return Enabled && Pressed && ImageCount >= 3 ? 3 : 1;
  if (Enabled && Down && ImageCount >= 3) return 3;
  if (Enabled && Exclusive && ImageCount >= 4) return 4;
  return 1;
}

QRect TrackBarTicksRect(const QRect& Client, bool FocusShown, int FocusWidth, int FocusHeight) {
  return FocusShown ? Client.adjusted(FocusWidth, FocusHeight, -FocusWidth, -FocusHeight) : Client;
}

QRect TrackBarChannelStrip(const QRect& Client, const QRect& Channel, bool Horizontal, bool FocusShown,
                           int FocusWidth, int FocusHeight) {
  QRect strip = Channel;
  if (Horizontal) {
    const int inset = FocusShown ? FocusWidth : 0;
    strip.setLeft(Client.left() + inset);
    strip.setRight(Client.right() - inset);
  } else {
    const int inset = FocusShown ? FocusHeight : 0;
    strip.setTop(Client.top() + inset);
    strip.setBottom(Client.bottom() - inset);
  }
  return strip;
}

void TThemeManager::UpdateUIState(QWidget* Control, QEvent* Event) {
  auto* key = static_cast<QKeyEvent*>(Event);
  QWidget* form = Control->window();
  if (!form) return;
  const int k = key->key();
  // Keyboard use shows the focus rectangle; Alt shows the accelerators.
  if (k == Qt::Key_Tab || k == Qt::Key_Backtab || (k >= Qt::Key_Left && k <= Qt::Key_Down))
    form->setProperty("kvShowFocusCues", true);
  else if (k == Qt::Key_Alt)
    form->setProperty("kvShowAccelerators", true);
}

void TThemeManager::PaintGroupBox(QGroupBox* Box, QPainter& DC) {
  DC.setFont(Box->font());
  const QString caption = StripMnemonic(Box->title());
  const QSize extent = caption.isEmpty() ? QSize() : DC.fontMetrics().size(Qt::TextSingleLine, caption);
  const TGroupBoxRects rects = GroupBoxRects(Box->rect(), extent, Box->layoutDirection() == Qt::RightToLeft);
  const QRect& captionRect = rects.Caption;
  const QRect& frame = rects.Frame;
  DC.save();
  if (!captionRect.isEmpty()) DC.setClipRegion(QRegion(Box->rect()).subtracted(captionRect));
  const auto details = TThemeServices::GetElementDetails(Box->isEnabled() ? TThemedButton::GroupBoxNormal
                                                                           : TThemedButton::GroupBoxDisabled);
  Services().DrawElement(DC, details, frame);
  DC.restore();
  if (!caption.isEmpty()) Services().DrawText(DC, details, caption, captionRect, 0, 0);
}

void TThemeManager::PaintPanel(QFrame* Panel, QPainter& DC) {
  QRect r = Panel->rect();
  const int width = std::max(1, Panel->lineWidth());
  if (Panel->frameShape() != QFrame::NoFrame && Panel->frameShadow() != QFrame::Plain) {
    qDrawShadePanel(&DC, r, Panel->palette(), Panel->frameShadow() == QFrame::Sunken, width);
    r.adjust(width, width, -width, -width);
  } else if (Panel->frameShape() != QFrame::NoFrame) {
    qDrawPlainRect(&DC, r, Panel->palette().color(QPalette::WindowText), width);
    r.adjust(width, width, -width, -width);
  }
  if (Panel->autoFillBackground() && !ParentBrushEquals(Panel)) {
    DC.fillRect(r, Panel->palette().brush(Panel->backgroundRole()));
  } else {
    Services().DrawParentBackground(Panel, DC, nullptr, false, &r);
  }
}

void TThemeManager::DrawThemedButton(QAbstractButton* Button, int State, bool Focused, const QRect& R, QPainter& DC) {
  auto* speed = qobject_cast<QToolButton*>(Button);
  const bool flat = speed && speed->autoRaise();
  const TThemedElementDetails details = ThemedButtonElement(flat, State);
  Services().DrawElement(DC, details, R);
  const QRect content = Services().ContentRect(DC, details, R);
  DC.setFont(Button->font());
  // The glyph: the disabled image when the button is off, the pressed one when it is down.
  QSize glyphSize;
  QPixmap glyph;
  if (!Button->icon().isNull()) {
    // A glyph of several images side by side shows the one for the button's state; a glyph of one
    // image is drawn greyed when the button is disabled, as the plain toolbar shows it.
    const QList<QSize> sizes = Button->icon().availableSizes();
    const QPixmap full = sizes.isEmpty() ? QPixmap() : Button->icon().pixmap(sizes.first());
    const int count = GlyphImageCount(full.size());
    if (count > 1) {
      const int image = ThemedGlyphImage(speed != nullptr, Button->isEnabled(), State == 4, Button->isDown(),
                                         Button->isChecked(), count);
      const int width = full.width() / count;
      glyph = full.copy((image - 1) * width, 0, width, full.height());
    } else {
      glyphSize = Button->iconSize();
      const QIcon::Mode mode = !Button->isEnabled() ? QIcon::Disabled : QIcon::Normal;
      glyph = Button->icon().pixmap(glyphSize, mode, Button->isChecked() ? QIcon::On : QIcon::Off);
    }
    glyphSize = glyph.deviceIndependentSize().toSize();
  }
  QString caption = StripMnemonic(Button->text());
  if (speed && speed->toolButtonStyle() == Qt::ToolButtonIconOnly && !glyph.isNull()) caption.clear();
  const QSize textSize = caption.isEmpty() ? QSize(0, 0) : DC.fontMetrics().size(Qt::TextSingleLine, caption);
  if (glyph.isNull()) glyphSize = QSize(0, 0);
  int layout = 0;
  if (speed && speed->toolButtonStyle() == Qt::ToolButtonTextUnderIcon) layout = 2;
  const TButtonLayout placed = CalcButtonLayout(content, Button->layoutDirection() == Qt::RightToLeft, layout,
                                                glyph.isNull() || caption.isEmpty() ? -1 : 4, glyph.isNull() ? 0 : 4,
                                                glyphSize, textSize);
  if (!caption.isEmpty()) {
    DC.save();
    DC.setPen(Button->isEnabled() ? Button->palette().color(QPalette::ButtonText)
                                  : Button->palette().color(QPalette::Disabled, QPalette::ButtonText));
    DC.drawText(placed.TextBounds, Qt::AlignCenter | Qt::TextSingleLine, caption);
    DC.restore();
  }
  if (!glyph.isNull()) DC.drawPixmap(placed.GlyphPos, glyph);
  if (Focused) {
    QStyleOptionFocusRect f;
    f.rect = content;
    f.palette = Button->palette();
    f.backgroundColor = Button->palette().color(QPalette::Button);
    Button->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &f, &DC, Button);
  }
}

bool TThemeManager::PanelTakesOver(QFrame* Panel) {
  return (Services().ThemesEnabled() && !Panel->autoFillBackground()) || ParentBrushEquals(Panel);
}

bool TThemeManager::HandleControlEvent(TControlClass Class, QWidget* Control, QEvent* Event) {
  TWindowProcList& list = List(Class);
  // A form's new controls are collected whether or not themes are on.
  if (Class == ccForm && Event->type() == QEvent::ChildAdded) {
    QObject* child = static_cast<QChildEvent*>(Event)->child();
    if (child && child->isWidgetType()) {
      PendingControls.emplace_back(static_cast<QWidget*>(child));
      PostWinMessage(ApplicationWindow(), WM_NULL);
    }
  }
  TControlMessage message{Event, MessageNumberOf(Event), 0};
  if ((OnControlMessage || !Listeners.empty()) && DoControlMessage(Control, message))
    return Class != ccCheckListBox;  // a check list box sees a handled message all the same
  const bool themed = Services().ThemesEnabled();
  const QEvent::Type type = Event->type();
  if (type == QEvent::KeyPress && themed &&
      (Class == ccGroupBox || Class == ccButton || Class == ccWinControl))
    UpdateUIState(Control, Event);

  switch (Class) {
    case ccGroupBox:
      if (themed && type == QEvent::Paint) {
        QPainter p(Control);
        PaintGroupBox(static_cast<QGroupBox*>(Control), p);
        return true;
      }
      break;
    case ccPanel:
      if (type == QEvent::Paint && PanelTakesOver(static_cast<QFrame*>(Control))) {
        QPainter p(Control);
        PaintPanel(static_cast<QFrame*>(Control), p);
        return true;
      }
      break;
    case ccButton:
      if (!themed || !IsBitmapButton(Control)) break;
      if (type == QEvent::Enter || type == QEvent::Leave) {
        Control->update();
        return true;
      }
      if (type == QEvent::Paint) {
        auto* button = static_cast<QPushButton*>(Control);
        QPainter p(Control);
        const auto push = TThemeServices::GetElementDetails(TThemedButton::PushButtonNormal);
        Services().DrawParentBackground(Control, p, &push, true, nullptr);
        const int state = BitmapButtonThemeState(button->isEnabled(), button->isDown(), button->underMouse(),
                                                 button->isDefault(), button->hasFocus());
        DrawThemedButton(button, state, button->hasFocus(), button->rect(), p);
        return true;
      }
      break;
    case ccSpeedButton:
      if (!themed) break;
      if (type == QEvent::Paint) {
        auto* button = static_cast<QToolButton*>(Control);
        QPainter p(Control);
        Services().DrawParentBackground(Control, p, nullptr, false, nullptr);
        const bool inside = button->rect().contains(button->mapFromGlobal(QCursor::pos()));
        const int state = SpeedButtonThemeState(button->isEnabled(), button->isDown(), button->isChecked(),
                                                button->autoRaise(), button->underMouse(), inside);
        DrawThemedButton(button, state, false, button->rect(), p);
        return true;
      }
      if ((type == QEvent::Enter || type == QEvent::Leave) && !static_cast<QToolButton*>(Control)->autoRaise() &&
          Control->isEnabled())
        Control->update();
      break;
    case ccStatusBar:
      if (themed && type == QEvent::Paint) {
        QPainter p(Control);
        Services().DrawElement(p, TThemeServices::GetElementDetails(TThemedStatus::Root), Control->rect());
      }
      break;
    case ccTabSheet:
      if (themed && type == QEvent::Paint) {
        QPainter p(Control);
        if (HasOption(toAlternateTabSheetDraw))
          Services().DrawElement(p, TThemeServices::GetElementDetails(TThemedTab::Body), Control->rect());
        else
          Services().DrawParentBackground(Control, p, nullptr, false, nullptr);
      }
      break;
    case ccTrackBar:
      if (themed && type == QEvent::Paint) {
        // The ticks and the channel strip are given the parent's background; the slider draws
        // itself on top. The focus border is left out while the focus rectangle shows.
        auto* slider = static_cast<QSlider*>(Control);
        QPainter p(Control);
        const bool focusShown = slider->hasFocus() && slider->window() &&
                                slider->window()->property("kvShowFocusCues").toBool();
        const int fw = slider->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, slider);
        const int fh = slider->style()->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, slider);
        const QRect ticks = TrackBarTicksRect(slider->rect(), focusShown, fw, fh);
        Services().DrawParentBackground(Control, p, nullptr, false, &ticks);
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->sliderPosition();
        option.sliderValue = slider->value();
        option.tickPosition = slider->tickPosition();
        option.tickInterval = slider->tickInterval();
        option.subControls = QStyle::SC_SliderGroove;
        const QRect channel =
            slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, slider);
        const QRect strip = TrackBarChannelStrip(slider->rect(), channel, slider->orientation() == Qt::Horizontal,
                                                 focusShown, fw, fh);
        Services().DrawParentBackground(Control, p, nullptr, false, &strip);
      }
      break;
    case ccWinControl:
      if (themed && type == QEvent::Paint) {
        // A scrolling control's own paint is its client edge: drawn themed.
        auto* area = qobject_cast<QAbstractScrollArea*>(Control);
        if (area && area->frameShape() != QFrame::NoFrame && area->frameShape() != QFrame::StyledPanel) {
          QPainter p(Control);
          Services().PaintBorder(Control, p, qobject_cast<QTableView*>(Control) != nullptr);
          return true;
        }
      }
      break;
    case ccListView:
    case ccCheckListBox:
    case ccAnimate:
    case ccFrame:
    case ccForm:
      break;
  }
  return list.Dispatch(Control, Event);
}

#include "helpers/speed_button.h"

#include <QIcon>
#include <QPixmap>

#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/exceptions.h"
#include "platform/streams.h"

TZQVSpeedButton::TZQVSpeedButton(QWidget* parent) : QToolButton(parent) {
  setAutoRaise(true);
  setFocusPolicy(Qt::NoFocus);
  setToolButtonStyle(Qt::ToolButtonTextOnly);
}

void TZQVSpeedButton::SetGroupIndex(int group) {
  GroupIndex = group;
  setCheckable(group != 0);
}

void TZQVSpeedButton::ReleaseGroup() {
  if (GroupIndex == 0 || !parentWidget()) return;
  for (auto* other : parentWidget()->findChildren<TZQVSpeedButton*>(QString(), Qt::FindDirectChildrenOnly))
    if (other != this && other->GroupIndex == GroupIndex && other->isChecked()) {
      QSignalBlocker block(other);
      other->setChecked(false);
    }
}

void TZQVSpeedButton::SetDown(bool down) {
  if (GroupIndex == 0) return;
  if (down) ReleaseGroup();
  setChecked(down);
}

void TZQVSpeedButton::nextCheckState() {
  if (GroupIndex == 0) return;
  if (isChecked()) {
    if (AllowAllUp) setChecked(false);
    return;
  }
  ReleaseGroup();
  setChecked(true);
}

void TZQVSpeedButton::SetPicture(const std::string& fileName) {
  if (!FileExists(fileName)) return;
  auto graphic = CreateGraphicForFile(fileName);
  QImage image;
  const bool icon = UpperCase(ExtractFileExt(fileName)) == ".ICO";
  if (graphic) {
    graphic->LoadFromFile(fileName);
    if (!icon && graphic->Height() != 16)
      throw Exception("TZQVSpeedButton.SetPicture:Invalid picture size->W:" + std::to_string(graphic->Width()) +
                      " H:" + std::to_string(graphic->Height()));
    SetGlyphFromGraphic(*graphic);
  } else {
    if (!image.load(QString::fromStdString(fileName))) throw EInvalidGraphic("Unknown picture file extension");
    if (!icon && image.height() != 16)
      throw Exception("TZQVSpeedButton.SetPicture:Invalid picture size->W:" + std::to_string(image.width()) +
                      " H:" + std::to_string(image.height()));
    setIcon(QIcon(QPixmap::fromImage(image)));
  }
  Picture = fileName;
}

void TZQVSpeedButton::SetGlyphFromGraphic(TGraphic& graphic) {
  TBitmap glyph(graphic.Width(), 16, pf24bit);
  graphic.Draw(glyph.Canvas(), TRect(0, 0, graphic.Width(), graphic.Height()));
  QImage image = glyph.Image().convertToFormat(QImage::Format_ARGB32);
  // The bottom-left pixel's colour is the transparent colour of a glyph.
  const QRgb key = image.pixel(0, image.height() - 1);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == key) image.setPixel(x, y, 0);
  setIcon(QIcon(QPixmap::fromImage(image)));
  setToolButtonStyle(Qt::ToolButtonIconOnly);
}

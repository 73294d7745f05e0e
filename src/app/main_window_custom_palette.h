// The main window's 42 custom palette buttons: panels that show a caption of one or more
// characters in a font of their own. A right click opens the custom palette dialog on the button.
#pragma once

#include <QLabel>
#include <functional>
#include <string>

#include "platform/font.h"

class TCustButPanel : public QLabel {
  Q_OBJECT
public:
  TCustButPanel(int Tag, QWidget* parent);

  int Tag = 0;  // 0 to 41: the button number less one
  // The caption (bytes of the font's code page, or glyph positions of a symbol font).
  const std::string& Caption() const { return FCaption; }
  const TFont& Font() const { return FFont; }
  void SetCaption(const std::string& Caption);
  void SetFont(const TFont& Font);
  // A raised bevel, or a lowered one for the button being edited.
  void SetRaised(bool Raised);
  bool Raised() const { return FRaised; }

  std::function<void(TCustButPanel*)> OnRightClick;
  std::function<void(TCustButPanel*)> OnLeftClick;  // types the button's character

protected:
  // Pressed, the button looks lowered; released, raised again (the button being defined is
  // lowered once more by its handler).
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  void UpdateLook();
  std::string FCaption;
  TFont FFont;
  bool FRaised = true;
  QPoint FPressed;
};

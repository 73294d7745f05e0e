// Toolbar button: a speed button that stays down within its group. Buttons of one parent with the
// same non-zero GroupIndex are exclusive; AllowAllUp lets the down button of a group be released.
#pragma once

#include <QToolButton>
#include <string>

class TGraphic;

class TZQVSpeedButton : public QToolButton {
  Q_OBJECT
public:
  explicit TZQVSpeedButton(QWidget* parent = nullptr);

  bool Down() const { return isChecked(); }
  // Pressing a button of a group releases the other buttons of the group.
  void SetDown(bool down);
  int GroupIndex = 0;
  bool AllowAllUp = false;
  int Tag = 0;
  void SetGroupIndex(int group);

  // The file name of the picture last loaded as the glyph.
  std::string Picture;
  // Loads a glyph picture; nothing when the file is missing. Raises when the picture is not an
  // icon and not 16 pixels high.
  void SetPicture(const std::string& fileName);
  // Builds the glyph: a 16-pixel-high transparent bitmap as wide as the graphic.
  void SetGlyphFromGraphic(TGraphic& graphic);

protected:
  void nextCheckState() override;

private:
  void ReleaseGroup();
};

// The page set-up dialog: page style (paper and orientation), margins and the page's unit. It
// turns them into the page size and margin lines in screen pixels and applies them to the page.
#pragma once

#include <QButtonGroup>
#include <QDialog>

#include "ui_page_setup_dialog.h"

class TPageSetupDialog : public QDialog, public Ui::TPageSetupDialog {
  Q_OBJECT
public:
  explicit TPageSetupDialog(QWidget* parent = nullptr);

  int PageStyle() const;
  void SetPageStyle(int style);
  int GetPageWidth() const;
  int GetPageHeight() const;
  int LeftMarginPx() const;
  int TopMarginPx() const;
  int RightEdgePx() const;
  int BottomEdgePx() const;
  // Reads the "Margin_Defaults" section of the page settings file and sets the margin globals.
  void LoadPageDefaults();
  // Applies the page set-up to the page image, the ruler and the caret.
  void SetUpPage(QObject* Sender, bool ChangeMarginsToo, int CellIndex);

  QButtonGroup* PageStyles = nullptr;

private:
  double UnitFactor() const;
};

extern TPageSetupDialog* PageSetupDialog;
// 2.54 when the page unit is metric, else 1.0: margin values divided by it are inches.
double PageUnitFactor();
// Names and paper sizes in millimetres (width, height) of the eight page styles.
struct TPageStyleRec {
  const char* Name;
  int WidthMm;
  int HeightMm;
};
extern const TPageStyleRec PageStyleTable[8];

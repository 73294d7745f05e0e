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
  // Applies the page set-up to the page image, the ruler and the caret; with ChangeMarginsToo the
  // margins are taken from the edits first and the text moves with them.
  void SetUpPage(QObject* Sender, bool ChangeMarginsToo, int CellIndex);
  // Recomputes the margin lines from the edits and moves the laid-out text by the change of the
  // left and top margins (the text keeps its shape; nothing is wrapped again).
  void ChangeMargins();
  // OK: the page set-up is applied on closing when something was changed. Cancel: the values
  // shown when the dialog opened come back.
  void OKBtnClick();
  void CancelBtnClick();
  // Closing (OK, Cancel or the close box): applies the set-up when OK asked for it, then repaints
  // the page.
  void FormClose();

  QButtonGroup* PageStyles = nullptr;
  bool ApplyOnClose = false;

protected:
  void showEvent(QShowEvent* event) override;

private:
  double UnitFactor() const;
  // The values as they were when the dialog was last shown.
  double SavedTop = 0, SavedLeft = 0, SavedBottom = 0, SavedRight = 0;
  bool SavedMetric = false;
  int SavedPageStyle = 1;
};

// A margin, the page style or the unit was changed while the dialog was shown.
extern bool PageSetupChanged;

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

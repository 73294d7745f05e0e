// The page set-up dialog: page style (paper and orientation), margins and the page's unit. It
// turns them into the page size and margin lines in screen pixels and applies them to the page,
// the CAD engine and the ruler. It lives for the whole run and is shown modeless; its changes
// take effect when it closes after OK.
//
// Contract
// - The dialog owns the page style, the margins and the unit box; it sets the page size and the
//   margin lines (`PageWidth`, `PageHeight`, `lMargin` ...) and the CAD engine's page (`Figures`).
// - The page's text is the text engine's (TTextPage): a margin change moves its cells and the
//   caret. Everything else of the main window goes through TPageSetupHost.
#pragma once

#include <QButtonGroup>
#include <QDialog>
#include <string>

#include "ui_page_setup_dialog.h"

class TParaPanel;
class TTextPage;

class TPageSetupHost {
public:
  virtual ~TPageSetupHost() = default;
  // The page's text, whose cells and caret follow the margins.
  virtual TTextPage& SetupTextPage() = 0;
  // The page settings file that keeps the margin defaults and the dialog's placement.
  virtual std::string PageSettingsFile() = 0;
  // The document has changes (the unit question is asked only then).
  virtual bool DocumentHasChanges() = 0;
  // An applied set-up changes the document's file.
  virtual void PageSetupApplied() = 0;
  // A new blank page image of Width x Height pixels, and its width as made.
  virtual void CreatePageImage(int Width, int Height) = 0;
  virtual int PageImageWidth() = 0;
  // The ruler of the paragraph margins above the page.
  virtual TParaPanel& Ruler() = 0;
  // The dialog closed: the printer check, the page composed again with its image objects on
  // top, and the page given back to the user.
  virtual void PageSetupClosed(QObject* Sender) = 0;
};

class TPageSetupDialog : public QDialog, public Ui::TPageSetupDialog {
  Q_OBJECT
public:
  explicit TPageSetupDialog(TPageSetupHost& Host, QWidget* parent = nullptr);

  // The selected style (0 .. 7), -1 when none is selected.
  int PageStyle() const;
  // Styles above 7 select 7; below 0 select none.
  void SetPageStyle(int style);
  // The page size in pixels of the selected style; 500 x 500 with none.
  int GetPageWidth() const;
  int GetPageHeight() const;
  int LeftMarginPx() const;
  int TopMarginPx() const;
  int RightEdgePx() const;
  int BottomEdgePx() const;
  // Reads the "Margin_Defaults" section of the page settings file and sets the margin globals.
  void LoadPageDefaults();
  // Applies the page set-up to the page image, the CAD engine, the ruler and the caret; with
  // ChangeMarginsToo the margins are taken from the edits first and the text moves with them.
  void SetUpPage(QObject* Sender, bool ChangeMarginsToo, int CellIndex);
  // Recomputes the margin lines from the edits and moves the laid-out text by the change of the
  // left and top margins (the text keeps its shape; nothing is wrapped again).
  void ChangeMargins();
  // The paper's top edge in the engine's world (its height), and the move of every figure that
  // keeps it at its place on the page after the paper changed from OldPaperTop.
  double PaperTopInWorld() const;
  void KeepFiguresOnThePage(double OldPaperTop);
  // Turns the four margin values into the other unit and names the unit in the group caption.
  void SwitchMarginUnits(bool Metric);

  // The dialog's handlers.
  void OKBtnClick();
  void CancelBtnClick();
  void DefaultMetric1Click();
  void SetDefaults1Click();
  // Closing (OK, Cancel or the close box): applies the set-up when OK asked for it, then repaints
  // the page and gives the page back to the user.
  void FormClose();

  QButtonGroup* PageStyles = nullptr;
  bool ApplyOnClose = false;

protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  double UnitFactor() const;
  // Switches the CAD engine and the template to the unit of the box.
  void ApplyUnitToEngine();
  // The values as they were when the dialog was last shown; the style of its last activation.
  double SavedTop = 0, SavedLeft = 0, SavedBottom = 0, SavedRight = 0;
  bool SavedMetric = false;
  int SavedPageStyle = 1;
  bool Closing = false;
  TPageSetupHost& Host;
};

// A margin, the page style or the unit was changed while the dialog was shown.
extern bool PageSetupChanged;
// While set, a click on "Default to Metric" does nothing (until the dialog is activated again).
extern bool MetricClickLocked;

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

// The main window (provisional shell used until the full main window lands).
#pragma once

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QScrollArea>
#include <QStringList>
#include <QToolButton>
#include <memory>
#include <string>

#include "page/page_part.h"
#include "platform/canvas.h"
#include "text/text_page.h"

class TZQVSpeedButton : public QToolButton {
public:
  explicit TZQVSpeedButton(QWidget* parent = nullptr) : QToolButton(parent) { setCheckable(true); }
  bool Down() const { return isChecked(); }
  void SetDown(bool d) { setChecked(d); }
};

class TMainImage : public QWidget {
public:
  explicit TMainImage(QWidget* parent = nullptr);
  QImage Picture;
  std::unique_ptr<TCanvas> Canvas;
  void SetPageSize(int w, int h);

protected:
  void paintEvent(QPaintEvent*) override;
};

class TForm1 : public QMainWindow, public TTextPage, public TPagePart {
public:
  TForm1();
  ~TForm1() override;

  void FormCreate();

  bool Modified = false;
  bool FileModified = false;
  std::string DocFileName;
  bool FileBusy = false;
  bool PageDisabled = false;
  bool TextBurst = false;
  bool DeleteUndoTaken = false;
  bool BackspaceUndoTaken = false;
  bool SelRectKeyMoved = false;
  int32_t PaletteInsertCount = 0;
  QStringList SymbolFontList;

  QScrollArea* ScrollBox1 = nullptr;
  TMainImage* MainImage = nullptr;
  QLabel* StatusPanels[5] = {};
  TZQVSpeedButton *tbText, *tbDraw, *tbSelect, *tbMove, *tbBold, *tbItalics, *tbUnderline, *tbStrikeOut,
      *tbSuperScript, *tbSubscript, *tbMidscript, *tbCutText, *tbCopy, *tbPaste, *tbUndo, *FontUp, *FontDown1;
  QAction *Bold, *_Italics, *Underline2, *Strikeout2, *Superscripts1, *Subscripts1, *MidScripts1, *Bold1, *Italic1,
      *Underline1, *Strikeout1, *Indent1, *WrapSelectiontoMargin1, *WraptoX1, *TrimSelection1,
      *ChangeSelectedTextAttributes1, *ChangeSelectedTextAttributes3, *SpecialFonts1, *MainFont1, *InPixels1,
      *IncDelandBackinUndo1, *AlwaysRefresh1, *SelectAll1;

protected:
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
};

extern TForm1* Form1;
extern TColor BackgroundColor;

// The main window (provisional shell used until the full main window lands).
#include "app/main_window.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <QToolBar>

#include "text/text_glue.h"

TForm1* Form1 = nullptr;
TColor BackgroundColor = clWhite;

namespace {
class TPageWidget : public TMainImage {
public:
  using TMainImage::TMainImage;

protected:
  void mousePressEvent(QMouseEvent* e) override {
    if (!Form1 || e->button() != Qt::LeftButton || !Form1->tbText->Down()) return;
    MouseClickActive = true;
    Form1->CaretFromPoint(int(e->position().x()), int(e->position().y()), 1);
    MouseClickActive = false;
    Form1->SelStart = Form1->SelEnd = Form1->CurrentI;
    Form1->SetCaretPosition(nullptr, 0, 0);
  }
};
}  // namespace

TMainImage::TMainImage(QWidget* parent) : QWidget(parent) {}

void TMainImage::SetPageSize(int w, int h) {
  Picture = QImage(w, h, QImage::Format_RGB32);
  Picture.fill(Qt::white);
  Canvas = std::make_unique<TCanvas>(&Picture);
  setFixedSize(w, h);
}

void TMainImage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, Picture);
}

TForm1::TForm1() {
  Form1 = this;
  ScrollBox1 = new QScrollArea(this);
  MainImage = new TPageWidget;
  MainImage->SetPageSize(PageWidth, PageHeight);
  ScrollBox1->setWidget(MainImage);
  setCentralWidget(ScrollBox1);
  for (auto& p : StatusPanels) {
    p = new QLabel(this);
    statusBar()->addWidget(p);
  }
  QToolBar* tb = addToolBar("Tools");
  auto button = [&](const char* name) {
    auto* b = new TZQVSpeedButton(tb);
    b->setObjectName(name);
    b->setText(name);
    tb->addWidget(b);
    return b;
  };
  tbText = button("tbText");
  tbDraw = button("tbDraw");
  tbSelect = button("tbSelect");
  tbMove = button("tbMove");
  tbBold = button("tbBold");
  tbItalics = button("tbItalics");
  tbUnderline = button("tbUnderline");
  tbStrikeOut = button("tbStrikeOut");
  tbSuperScript = button("tbSuperScript");
  tbSubscript = button("tbSubscript");
  tbMidscript = button("tbMidscript");
  tbCutText = button("tbCutText");
  tbCopy = button("tbCopy");
  tbPaste = button("tbPaste");
  tbUndo = button("tbUndo");
  FontUp = button("FontUp");
  FontDown1 = button("FontDown1");
  auto action = [&](const char* name) {
    auto* a = new QAction(name, this);
    a->setObjectName(name);
    a->setCheckable(true);
    return a;
  };
  Bold = action("Bold"); _Italics = action("_Italics"); Underline2 = action("Underline2");
  Strikeout2 = action("Strikeout2"); Superscripts1 = action("Superscripts1"); Subscripts1 = action("Subscripts1");
  MidScripts1 = action("MidScripts1"); Bold1 = action("Bold1"); Italic1 = action("Italic1");
  Underline1 = action("Underline1"); Strikeout1 = action("Strikeout1"); Indent1 = action("Indent1");
  WrapSelectiontoMargin1 = action("WrapSelectiontoMargin1"); WraptoX1 = action("WraptoX1");
  TrimSelection1 = action("TrimSelection1"); ChangeSelectedTextAttributes1 = action("ChangeSelectedTextAttributes1");
  ChangeSelectedTextAttributes3 = action("ChangeSelectedTextAttributes3"); SpecialFonts1 = action("SpecialFonts1");
  MainFont1 = action("MainFont1"); InPixels1 = action("InPixels1");
  IncDelandBackinUndo1 = action("IncDelandBackinUndo1"); AlwaysRefresh1 = action("AlwaysRefresh1");
  SelectAll1 = action("SelectAll1");
  tbText->SetDown(true);
  QObject::connect(tbBold, &QToolButton::clicked, [this] { BoldClick(tbBold); });
  QObject::connect(tbItalics, &QToolButton::clicked, [this] { _ItalicsClick(tbItalics); });
  QObject::connect(tbUnderline, &QToolButton::clicked, [this] { Underline2Click(tbUnderline); });
  QObject::connect(tbStrikeOut, &QToolButton::clicked, [this] { Strikeout2Click(tbStrikeOut); });
  QObject::connect(tbSuperScript, &QToolButton::clicked, [this] { _SuperScriptClick(tbSuperScript); });
  QObject::connect(tbSubscript, &QToolButton::clicked, [this] { _SubscriptsClick(tbSubscript); });
  QObject::connect(tbMidscript, &QToolButton::clicked, [this] { _MidScriptClick(tbMidscript); });
  QObject::connect(Bold, &QAction::triggered, [this] { Bold->toggle(); BoldClick(Bold); });
  QObject::connect(SelectAll1, &QAction::triggered, [this] { SelectAll1Click(SelectAll1); });
  FormCreate();
}

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::FormCreate() {
  InitTextPage();
  ClearTextBuffers();
  FillCanvas();
}

void TForm1::keyPressEvent(QKeyEvent* e) {
  if (!TextKeyEvent(e)) QMainWindow::keyPressEvent(e);
}

void TForm1::keyReleaseEvent(QKeyEvent* e) {
  if (!TextKeyEvent(e)) QMainWindow::keyReleaseEvent(e);
}

// The page copied as a picture (the whole page, or the selected rectangle with an enhanced
// metafile beside it when that option is on), and the shape commands: paste at the caret, paste
// in place, cut the selected shapes, undo the last line.
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "app/main_window.h"
#include "app/shape_change.h"
#include "cad/engine.h"
#include "cad/mapping.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "platform/canvas.h"
#include "platform/messages.h"
#include "platform/metafile.h"
#include "platform/streams.h"
#include "text/text_glue.h"

namespace {

bool RectValid(const TRect& r) { return r.Right > r.Left && r.Bottom > r.Top; }

}  // namespace

void TForm1::tbCopyClick(QObject* Sender) {
  if (HasTextSelection()) {
    CopySelectedText1Click(Sender);
    return;
  }
  HideCadReferenceSelector();
  TCanvas* page = PageCanvas();
  if (SelectionRectShown && page) {
    DrawDragRect(*page, false, TPoint(SelectionRect.Left, SelectionRect.Top),
                 TPoint(SelectionRect.Right, SelectionRect.Bottom));
    SelectionRectShown = false;
  }
  const bool withMetafile = _SetCopyMetafileDefault->isChecked();
  const TRect r = SelectionRect;
  const bool valid = RectValid(r);
  std::unique_ptr<TMetafile> metafile;
  if (valid && withMetafile) {
    const int w = r.Right - r.Left, h = r.Bottom - r.Top;
    try {
      metafile = std::make_unique<TMetafile>();
      TMetafileCanvas canvas(*metafile, w, h);
      try {
        RefreshRect(canvas, r);
      } catch (...) {
        ShowMessage(
            "An error ocurred while trying to write the Metafile. You can try again but if it doesn't work you may "
            "have to restart the application");
      }
      canvas.Finish();
    } catch (...) {
      ShowMessage("unable to create metafile. Sorry :(");
      SelectionRect = TRect();
      return;
    }
  }
  QImage picture;
  if (MainImage) {
    const QImage& whole = MainImage->Bitmap().Image();
    picture = valid ? whole.copy(r.Left, r.Top, r.Right - r.Left + 1, r.Bottom - r.Top + 1) : whole.copy();
    picture = picture.convertToFormat(QImage::Format_RGB32);
  }
  auto* data = new QMimeData;
  if (metafile) {
    TMemoryStream stream;
    metafile->SaveToStream(stream);
    data->setData("image/emf", QByteArray(reinterpret_cast<const char*>(stream.Memory()), qsizetype(stream.Size())));
  }
  if (!picture.isNull()) data->setImageData(picture);
  QGuiApplication::clipboard()->setMimeData(data);
  tbCopy->setEnabled(false);
  SetPageCursorIBeam();
  SelectionRect = TRect();
  UpdateCadSelector();
}

void TForm1::PasteCutFiguresatCaret1Click(QObject* Sender) {
  if (!Figures || !MainImage) return;
  const TPoint c = CaretPoint;
  if (!(c.X > 0 && c.X < MainImage->width() && c.Y > 0 && c.Y < MainImage->height())) return;
  TShapeChange change(*this, Sender);
  try {
    const TMappingRec map = Figures->GetMapping();
    Figures->PasteAt(double(ScreenToWorldX(map, c.X)), double(ScreenToWorldY(map, c.Y)));
  } catch (...) {
    ShowMessage(
        "An error occurred trying to paste the selection, sorry:-( ,\rCleaning up the mess. You should be able to use "
        "the undo/redo button \rto recover");
  }
  RefreshAllImages(Sender, false);
}

void TForm1::PasteShapesInPlace(QObject* Sender) {
  if (!Figures) return;
  HideCadReferenceSelector();
  TShapeChange change(*this, Sender);
  try {
    Figures->Paste();
  } catch (...) {
    ShowMessage(
        "An error occurred trying to paste the selection, sorry:-( ,\rCleaning up the mess. You should be able to use "
        "the undo/redo button \rto recover");
  }
  if (SelectionRectShown) {
    if (TCanvas* page = PageCanvas())
      DrawDragRect(*page, true, TPoint(SelectionRect.Left, SelectionRect.Top),
                   TPoint(SelectionRect.Right, SelectionRect.Bottom));
    SelectionRect = TRect();
    SelectionRectShown = false;
  }
  RefreshAllImages(Sender, false);
  UpdateCadSelector();
}

void TForm1::CutClick(QObject* Sender) {
  HideCadReferenceSelector();
  if (SelectionRectShown) {
    if (TCanvas* page = PageCanvas())
      DrawDragRect(*page, false, TPoint(SelectionRect.Left, SelectionRect.Top),
                   TPoint(SelectionRect.Right, SelectionRect.Bottom));
    SelectionRectShown = false;
  }
  if (RectValid(SelectionRect) && Figures && Figures->Count() > 0) {
    {
      TShapeChange change(*this, Sender);
      Figures->CutSelected(SelectionRect);
    }
    RefreshAllImages(Sender, false);
  }
  if (tbSelect->Down()) {
    tbSelect->SetDown(false);
    tbSelectClick(tbSelect);
  }
  SelectionRect = TRect();
  UpdateCadSelector();
}

void TForm1::UndoLineClick(QObject* Sender) {
  if (Figures && Figures->Count() > 0) DeleteKey(Sender, 0);
  DeleteUndoTaken = false;
}

void TForm1::WirePageCopyCommands() {
  TForm1* f = this;
  _SetCopyMetafileDefault->setCheckable(true);
  _SetCopyMetafileDefault->setChecked(true);
  auto ensure = [f](QMenu* menu, const char* name, const char* caption) {
    QAction* a = f->findChild<QAction*>(name);
    if (!a) {
      a = new QAction(QString::fromUtf8(caption), f);
      a->setObjectName(name);
      if (menu) menu->addAction(a);
    }
    return a;
  };
  ensure(_Edit, "PasteCutFiguresatCaret1", "Paste Shapes at Ca&ret");
  ensure(_Edit, "PasteSelectedFigures1", "Paste Shapes in &Place");
  ensure(PopupMenu2, "CutSelectedShapes1", "Cut Selected &Shapes");
}

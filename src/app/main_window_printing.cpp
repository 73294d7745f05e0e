// Printing the page at its true size from the top-left corner of the printable area, the print
// preview that may come first, and the printer set-up command with its printer check.
//
// Pictures, pastes and text are recorded into two metafiles in page pixels and played onto the
// printer scaled to its resolution; image objects, metafile pictures and the figures are drawn
// straight onto the printer at its own resolution. A machine without a print queue prints to a
// PDF file, written beside its name and renamed over it only when the print is complete.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTemporaryFile>
#include <cstdio>

#include "app/main_window.h"
#include "dialogs/page_setup_dialog.h"
#include "app/print_preview.h"
#include "cad/engine.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "helpers/resampler.h"
#include "page/graphic_names.h"
#include "platform/canvas.h"
#include "platform/device_canvas.h"
#include "platform/exceptions.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/metafile.h"
#include "platform/numeric.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "text/page_geometry.h"
#include "text/text_glue.h"

std::function<bool(QPrinter&)> PrinterDialogHook;

QPrinter& Printer() {
  // The printer object lives for the whole run (its settings persist between prints).
  static QPrinter* printer = nullptr;
  if (!printer) {
    printer = new QPrinter(QPrinter::HighResolution);
    if (QPrinterInfo::availablePrinterNames().isEmpty()) printer->setOutputFormat(QPrinter::PdfFormat);
  }
  return *printer;
}

TPrinterValues ReadPrinterValues(QPrinter& printer) {
  TPrinterValues v;
  v.DpiX = printer.resolution();
  v.DpiY = printer.resolution();
  // A printer that reports no resolution is taken at 300 dpi, as the set-up check announces.
  if (v.DpiX <= 0) v.DpiX = 300;
  if (v.DpiY <= 0) v.DpiY = 300;
  const QPageLayout layout = printer.pageLayout();
  const QRect full = layout.fullRectPixels(v.DpiX);
  const QRect paint = layout.paintRectPixels(v.DpiX);
  v.PaperWidth = full.width();
  v.PaperHeight = full.height();
  v.OffX = paint.left();
  v.OffY = paint.top();
  v.PrintableWidth = paint.width();
  v.PrintableHeight = paint.height();
  return v;
}

namespace {
bool IsMetafileName(const std::string& name) {
  const std::string e = UpperCase(ExtractFileExt(name));
  return e == ".EMF" || e == ".WMF";
}

struct THourglass {
  THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~THourglass() { QApplication::restoreOverrideCursor(); }
};

TRect FromQRect(const QRect& r) { return TRect(r.x(), r.y(), r.x() + r.width(), r.y() + r.height()); }

// Round-half-even of a single-precision value, as the preview's sizes are rounded.
int Nearest(double v) { return int(std::nearbyint(v)); }
}  // namespace

// ---------------------------------------------------------------- page to printer

void FitPdfToPage(QPrinter& Printer) {
  // A PDF has no unprintable edge and no paper of its own: its sheet is the paper of the page
  // settings and the page lies on it from the sheet's corner, as on the screen and in an export.
  // The orientation stays the printer's (the print asks when it differs from the page's).
  QSizeF mm;
  const int style = PageSetupDialog ? PageSetupDialog->PageStyle() : -1;
  if (style >= 0 && style <= 7) {
    mm = QSizeF(PageStyleTable[style].WidthMm, PageStyleTable[style].HeightMm);
  } else {
    const double ppi = ScreenPixelsPerInch();
    mm = QSizeF(PageWidth * 25.4 / ppi, PageHeight * 25.4 / ppi);
  }
  if (mm.width() > mm.height()) mm.transpose();
  const QPageLayout::Orientation orientation = Printer.pageLayout().orientation();
  Printer.setPageSize(QPageSize(mm, QPageSize::Millimeter));
  Printer.setPageOrientation(orientation);
  Printer.setFullPage(true);
}

void TForm1::PageRectToPrinter(int DpiX, int DpiY, const TRect& Rect, TRect& Result) {
  const int ppi = ScreenPixelsPerInch();
  // The rectangle's own corner: the page composition and the export put it there too.
  Result.Left = MulDiv(DpiX, Rect.Left, ppi);
  Result.Top = MulDiv(DpiY, Rect.Top, ppi);
  Result.Right = Result.Left + MulDiv(DpiX, Rect.Right - Rect.Left, ppi);
  Result.Bottom = Result.Top + MulDiv(DpiY, Rect.Bottom - Rect.Top, ppi);
}

void TForm1::ScaleRect(const TRect& Rect, TRect& Result, double Scale) {
  const int l = Nearest(Rect.Left * Scale), t = Nearest(Rect.Top * Scale);
  const int w = Nearest((Rect.Right - Rect.Left) * Scale), h = Nearest((Rect.Bottom - Rect.Top) * Scale);
  Result = TRect(l, t, l + w, t + h);
}

void TForm1::PrintTextCells(TCanvas& Canvas, const TRect& Area) {
  const int last = LastTextCell();
  for (int layer = 0; layer < 2; ++layer) {
    for (int i = 1; i <= last; ++i) {
      const uint8_t ch = CharCodes[size_t(i)];
      if (ch == 0 || bool(CharZOrder[size_t(i)]) != bool(layer)) continue;
      const int x = CharPositions[size_t(i)].X + 1, y = CharPositions[size_t(i)].Y + CharOffsets[size_t(i)];
      if (x < Area.Left || x >= Area.Right || y < Area.Top || y >= Area.Bottom) continue;
      const TFont& font = *CharFonts[size_t(i)];
      if (ch == 168 && font.Name == "ZQVSerif") continue;
      PrepareTextCanvas(&Canvas);
      Canvas.Font.Assign(font);
      DrawCellGlyph(&Canvas, x, y, font, ch, font.Color, clNone);
    }
  }
}

void TForm1::DrawprinterEMF(TCanvas& Canvas, int DpiX, int DpiY, const TRect& Bounds, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  TRect p;
  // The controls are children of the page image: their bounds are page pixels already.
  PageRectToPrinter(DpiX, DpiY, Bounds, p);
  // Clipped to its rectangle within the clip of the print (the page); that clip comes back after.
  struct TUnclip {
    TCanvas& c;
    bool had = c.HasClipRect();
    TRect old = c.ClipRect();
    ~TUnclip() {
      if (had) c.SetClipRect(old);
      else c.ClearClipRect();
    }
  } unclip{Canvas};
  if (unclip.had) Canvas.IntersectClipRect(TRect(p.Left, p.Top, p.Right + 1, p.Bottom + 1));
  else Canvas.SetClipRect(TRect(p.Left, p.Top, p.Right + 1, p.Bottom + 1));
  if (dynamic_cast<TMetafile*>(Graphic)) {
    Canvas.StretchDraw(p, *Graphic);
    return;
  }
  try {
    // The picture at its own size on white, brought to the printer's size with Lanczos3.
    TBitmap source(Graphic->Width(), Graphic->Height(), pf24bit);
    Graphic->Draw(source.Canvas(), TRect(0, 0, source.Width(), source.Height()));
    TBitmap scaled;
    ResampleBitmap(p.Width(), p.Height(), FilterChoices[5].Filter, FilterChoices[5].Support, source, scaled);
    Canvas.DrawImage(p, scaled.Image());
  } catch (const std::exception&) {
    try {
      // The printer stretches the picture itself.
      TBitmap copy(Graphic->Width(), Graphic->Height(), pf24bit);
      Graphic->Draw(copy.Canvas(), TRect(0, 0, copy.Width(), copy.Height()));
      Canvas.DrawImage(p, copy.Image());
    } catch (const std::exception&) {
      ShowUnknownError("DrawprinterEMF");
    }
  }
}

void TForm1::PrintPictureFile(TCanvas& Canvas, int DpiX, int DpiY, const TPictureRec& Picture) {
  TRect p;
  PageRectToPrinter(DpiX, DpiY, Picture.Rect.ToRect(), p);
  const std::string name = Picture.Name();
  TMetafile metafile;
  try {
    metafile.LoadFromFile(name);
  } catch (const EMetafileError&) {
    throw Exception("The Picture: " + name + "appears " + "\r" + "to be invalid and failed to load. Sorry :-(");
  }
  const bool had = Canvas.HasClipRect();
  const TRect old = Canvas.ClipRect();
  auto unclip = [&] {
    if (had) Canvas.SetClipRect(old);
    else Canvas.ClearClipRect();
  };
  if (had) Canvas.IntersectClipRect(TRect(p.Left, p.Top, p.Right + 1, p.Bottom + 1));
  else Canvas.SetClipRect(TRect(p.Left, p.Top, p.Right + 1, p.Bottom + 1));
  try {
    metafile.Draw(Canvas, p);
  } catch (...) {
    unclip();
    throw;
  }
  unclip();
}

// ---------------------------------------------------------------- the preview

void TForm1::DrawPreviewLabel(TCanvas& Canvas, const TRect& Rect, const std::string& Text) {
  if (Text.empty()) return;
  // The label's small red font is the label's alone: the layers drawn after it keep theirs.
  const TFont font = Canvas.Font;
  Canvas.Font.Name = "Small Fonts";
  Canvas.Font.SetSize(5);
  Canvas.Font.Style = 0;
  Canvas.Font.Color = clRed;
  const QString text = QString::fromStdString(Text);
  const int cx = Canvas.TextWidth(text), cy = Canvas.TextHeight(text);
  const int x = Rect.Left + (Rect.Width() - cx) / 2, y = Rect.Top + (Rect.Height() - cy) / 2;
  const TColor pen = Canvas.Pen.Color, brush = Canvas.Brush.Color;
  const TBrushStyle style = Canvas.Brush.Style;
  Canvas.Pen.Color = clWhite;
  Canvas.Brush.Color = clWhite;
  Canvas.Brush.Style = bsSolid;
  Canvas.Rectangle(x - 2, y - 2, x + cx + 4, y + cy + 4);
  Canvas.SetTextAlign(TA_TOP | TA_LEFT);
  Canvas.TextOut(x, y, text);
  Canvas.Pen.Color = pen;
  Canvas.Brush.Style = style;
  Canvas.Brush.Color = brush;
  Canvas.Font.Assign(font);
}

void TForm1::BuildPrintPreview(TPrintPreview& Preview, const TPrinterValues& V, const TPreviewSizes& S,
                               TMetafile& PictureLayer, TMetafile& TextLayer, const TMappingRec& World) {
  TBitmap& sheet = *Preview.SheetBitmap;
  sheet.SetPixelFormat(PageBufferFormat);
  sheet.SetSize(Nearest(S.W), Nearest(S.H));
  sheet.Image().fill(Qt::white);
  Preview.FitToSheet();
  const double scale = S.Scale;
  Preview.SheetPageRect = TRect(0, 0, Nearest(PageWidth * scale), Nearest(PageHeight * scale));
  const double sx = scale * S.sx, sy = scale * S.sy;
  Preview.SheetPrintableRect =
      TRect(Nearest(V.OffX * sx), Nearest(V.OffY * sy), Nearest((V.PrintableWidth + V.OffX) * sx) + 1,
            Nearest((V.PrintableHeight + V.OffY) * sy) + 1);
  TCanvas& c = sheet.Canvas();
  c.SetClipRect(Preview.SheetPrintableRect);
  c.Brush.Color = RGBColor(128, 128, 128);
  c.Brush.Style = bsDiagCross;
  PictureLayer.Draw(c, TRect(0, 0, Nearest(PictureLayer.Width() * scale), Nearest(PictureLayer.Height() * scale)));
  c.Pen.Mode = pmMask;
  for (int i = 0; i < ImageCount; ++i) {
    TSizeChangedImage* image = Images[size_t(i)];
    TGraphic* g = image ? image->Picture.Graphic() : nullptr;
    if (!g || g->Empty()) continue;
    TRect r;
    const QRect geometry = image->geometry();
    ScaleRect(FromQRect(geometry), r, scale);
    c.SetClipRect(r);
    c.StretchDraw(r, *g);
    c.ClearClipRect();
    const std::string name = ImageRecs[size_t(i)].Name();
    DrawPreviewLabel(c, r, name.empty() ? "Untitled" : ExtractFileName(name));
  }
  for (int i = 0; i < PictureCount; ++i) {
    const TPictureRec& pic = Pictures[size_t(i)];
    if (!IsMetafileName(pic.Name())) continue;
    TMetafile metafile;
    metafile.LoadFromFile(pic.Name());
    TRect r;
    ScaleRect(pic.Rect.ToRect(), r, scale);
    c.SetClipRect(r);
    metafile.Draw(c, r);
    const TBrushStyle style = c.Brush.Style;
    c.Brush.Style = bsClear;
    c.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    c.Brush.Style = style;
    c.ClearClipRect();
    DrawPreviewLabel(c, r, ExtractFileName(pic.Name()));
  }
  c.SetClipRect(Preview.SheetPrintableRect);
  if (Figures && Figures->Count() > 0) {
    TMappingRec m = World;
    m.PixLeft = Preview.SheetPageRect.Left, m.PixTop = Preview.SheetPageRect.Top;
    m.PixRight = Preview.SheetPageRect.Right, m.PixBottom = Preview.SheetPageRect.Bottom;
    m.SnapStep = 0;
    Figures->Mapping = m;
    Figures->DrawAll(c, 0, 0, Figures->HasSelection());
  }
  TextLayer.Draw(c, TRect(0, 0, Nearest(TextLayer.Width() * scale), Nearest(TextLayer.Height() * scale)));
  c.ClearClipRect();
  c.Pen.Mode = pmCopy;
}

// ---------------------------------------------------------------- printing

void TForm1::PrintLayers(QPrinter& Printer, const TPrinterValues& V, TMetafile& PictureLayer, TMetafile& TextLayer,
                         const TMappingRec& World) {
  Printer.setDocName(QString::fromStdString(DocFileName.empty() ? "Korvalis V, no file"
                                                                : "Korvalis V " + ExtractFileName(DocFileName)));
  // Printing to a file: it is written beside the chosen name and takes that name only when the
  // print is complete.
  std::string target, temporary;
  if (Printer.outputFormat() == QPrinter::PdfFormat) {
    int filterIndex = 1;
    const std::string current = Printer.outputFileName().toStdString();
    std::string folder = current.empty() ? QDir::homePath().toStdString() : ExtractFilePath(current);
    target = PrinterFileName(folder, filterIndex);
    if (target.empty()) return;
    if (UpperCase(ExtractFileExt(target)) != ".PDF") target += ".pdf";
    QTemporaryFile file(QString::fromStdString(target) + ".XXXXXX");
    if (!file.open()) throw EFCreateError("Cannot create file \"" + target + "\". " + file.errorString().toStdString());
    temporary = file.fileName().toStdString();
    // The file takes the permissions of the one it replaces, or the usual ones of a new file.
    const QFileInfo existing(QString::fromStdString(target));
    file.setPermissions(existing.exists() ? existing.permissions()
                                          : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                                QFileDevice::ReadOther);
    file.setAutoRemove(false);
    file.close();
    Printer.setOutputFileName(QString::fromStdString(temporary));
  }
  struct TDropTemporary {
    std::string name;
    ~TDropTemporary() {
      if (!name.empty()) std::remove(name.c_str());
    }
  } drop{temporary};
  {
    auto backend = std::make_unique<TDeviceCanvasBackend>(&Printer);
    if (!backend->Painter().isActive()) throw Exception("The printer could not start the print job.");
    TCanvas canvas(std::move(backend));
    canvas.SetArcDirection(AD_COUNTERCLOCKWISE);
    const int ppi = ScreenPixelsPerInch();
    const TRect r(0, 0, MulDiv(V.DpiX, PageWidth, ppi), MulDiv(V.DpiY, PageHeight, ppi));
    // Only the page prints: what lies beyond its edges (figures dragged off it, a paper larger
    // than the page) stays off the paper, as it stays out of the page and of an export.
    canvas.SetClipRect(r);
    // An error ends the document with what was drawn, then goes on to be reported.
    PictureLayer.Draw(canvas, r);
    for (int i = 0; i < ImageCount; ++i) {
      TSizeChangedImage* image = Images[size_t(i)];
      TGraphic* g = image ? image->Picture.Graphic() : nullptr;
      if (!g) continue;
      try {
        DrawprinterEMF(canvas, V.DpiX, V.DpiY, FromQRect(image->geometry()), g);
      } catch (const std::exception& e) {
        std::string name;
        GraphicClassName(g, name);
        ShowMessage("An error occured printing->" + name + "\r\n" + e.what());
      }
    }
    for (int i = 0; i < PictureCount; ++i)
      if (IsMetafileName(Pictures[size_t(i)].Name())) PrintPictureFile(canvas, V.DpiX, V.DpiY, Pictures[size_t(i)]);
    if (Figures && Figures->Count() > 0) {
      TMappingRec m = World;
      m.PixLeft = r.Left, m.PixTop = r.Top, m.PixRight = r.Right, m.PixBottom = r.Bottom;
      m.SnapStep = 0;
      Figures->Mapping = m;
      Figures->DrawAll(canvas, 0, 0, Figures->HasSelection());
    }
    TextLayer.Draw(canvas, r);
  }
  if (!temporary.empty()) {
    if (std::rename(temporary.c_str(), target.c_str()) != 0) throw EWriteError("Cannot write file \"" + target + "\".");
    drop.name.clear();
    Printer.setOutputFileName(QString::fromStdString(target));
  }
}

std::string TForm1::PrinterFileName(const std::string& Folder, int& FilterIndex) {
  const std::string filter = "PDF Document (*.pdf)|*.pdf";
  if (PictureDialogHook) return PictureDialogHook("Korvalis V - Print to File", Folder, filter, FilterIndex);
  return QFileDialog::getSaveFileName(this, "Korvalis V - Print to File", QString::fromStdString(Folder),
                                      "PDF Document (*.pdf)")
      .toStdString();
}

void TForm1::Print1Click(QObject* Sender) {
  const bool preview = Sender && (Sender == PrintPreview1 || Sender == tbPrintPreview);
  if (!PrinterPresent) {
    ShowMessage("No default printer installed. Please select a default printer\rand restart the application.");
    return;
  }
  DeselectImage(Sender, true);
  // Engine state that printing changes; the zoom changes must not count as an edit.
  const bool wasModified = Modified, wasFileModified = FileModified;
  bool ticks = false;
  TMappingRec mapping{};
  uint8_t zoom = 4;
  if (Figures) {
    ticks = Figures->WantTicks;
    Figures->WantTicks = false;
    mapping = Figures->Mapping;
    zoom = Figures->ZoomLevel();
    Figures->SetZoomLevel(4);
  }
  if (MainImage) MainImage->setEnabled(false);
  const TRect savedSelection = SelectionRect;
  struct TPutBack {
    TForm1& f;
    bool ticks;
    TMappingRec mapping;
    uint8_t zoom;
    TRect selection;
    bool modified, fileModified;
    ~TPutBack() {
      f.tbPrint->setEnabled(true);
      f.tbPrintPreview->setEnabled(true);
      if (Figures) {
        Figures->WantTicks = ticks;
        Figures->Mapping = mapping;
        Figures->SetZoomLevel(zoom);
      }
      if (f.MainImage) f.MainImage->setEnabled(true);
      SelectionRect = selection;
      f.Modified = modified;
      f.FileModified = fileModified;
    }
  } putBack{*this, ticks, mapping, zoom, savedSelection, wasModified, wasFileModified};
  tbPrint->setEnabled(false);
  tbPrintPreview->setEnabled(false);

  TMetafile pictureLayer, textLayer;
  auto pictureCanvas = std::make_unique<TMetafileCanvas>(pictureLayer, PageWidth, PageHeight);
  auto textCanvas = std::make_unique<TMetafileCanvas>(textLayer, PageWidth, PageHeight);

  QPrinter& printer = Printer();
  if (printer.outputFormat() == QPrinter::PdfFormat) FitPdfToPage(printer);
  const QPageLayout::Orientation orientation = printer.pageLayout().orientation();
  const char* const tail =
      "Choose: \rOk to reset the printer and continue the print \rIgnore to continue with current settings \rOr "
      "Cancel to exit and allow you to configure your printer";
  if (orientation == QPageLayout::Landscape && PageWidth < PageHeight) {
    const TModalResult answer = MessageDlg(
        std::string("Your printer is currently set to landscape \rbut your page is in portrait format. \r") + tail,
        mtInformation, mbOK | mbCancel | mbIgnore, 90);
    if (answer == mrCancel) return;
    if (answer == mrOk) printer.setPageOrientation(QPageLayout::Portrait);
  }
  if (printer.pageLayout().orientation() == QPageLayout::Portrait && PageWidth > PageHeight) {
    const TModalResult answer = MessageDlg(
        std::string("Your printer is currently set to portrait \rbut your page is in landscape format.\r") + tail,
        mtInformation, mbOK | mbCancel | mbIgnore, 90);
    if (answer == mrCancel) return;
    if (answer == mrOk) printer.setPageOrientation(QPageLayout::Landscape);
  }
  THourglass hourglass;
  const TPrinterValues values = ReadPrinterValues(printer);
  if (SelectionRect.Right <= SelectionRect.Left || SelectionRect.Bottom <= SelectionRect.Top) {
    SelectionRect = TRect(0, 0, PageWidth, PageHeight);
    if (Figures) Figures->SelectInRect(TRect());
  }
  QSize screen(1280, 1024);
  if (QScreen* s = QGuiApplication::primaryScreen()) screen = s->size();
  const TPreviewSizes sizes = ComputePreviewSizes(ScreenPixelsPerInch(), values.DpiX, values.DpiY, values.PaperWidth,
                                                  values.PaperHeight, screen.width(), screen.height());
  RefreshPictures(Sender, *pictureCanvas, true);
  RefreshPastes(Sender, *pictureCanvas, true);
  PrintTextCells(*textCanvas, SelectionRect);
  pictureCanvas.reset();
  textCanvas.reset();

  if (preview) {
    TPrintPreview window(this);
    BuildPrintPreview(window, values, sizes, pictureLayer, textLayer, mapping);
    const int result = PrintPreviewHook ? PrintPreviewHook(window) : window.exec();
    if (result != QDialog::Accepted) return;
  }
  PrintLayers(printer, values, pictureLayer, textLayer, mapping);
}

// ---------------------------------------------------------------- printer set-up

void TForm1::SetupPrinter1Click(QObject* Sender) {
  if (!PrinterPresent) {
    ShowMessage(
        "Default Printer not set. To avoid this message install HP Laser Jet III\rprinter from your Windows disk even "
        "though you do not need it");
    return;
  }
  try {
    QPrinter& printer = Printer();
    if (qobject_cast<QAction*>(Sender)) {
      if (PrinterDialogHook) {
        PrinterDialogHook(printer);
      } else {
        if (!PrinterDialog) PrinterDialog = new QPrintDialog(&printer, this);
        PrinterDialog->exec();
      }
    }
    if (printer.resolution() <= 0)
      ShowMessage("Unable to get printer resolution. Setting to 300dpi \rprintouts may not appear as expected.");
  } catch (const std::exception& e) {
    ShowMessage(std::string("SetupPrinter1Click->") + e.what());
  }
}

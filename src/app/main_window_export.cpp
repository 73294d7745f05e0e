// The page, or the part of it inside the selection rectangle, written to a picture file: a bitmap
// (full colour or reduced), JPEG, GIF or ".zqg", PNG, or a metafile.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMenu>

#include "app/main_window.h"
#include "cad/engine.h"
#include "dialogs/color_dialog.h"
#include "dialogs/jpeg_quality_dialog.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "helpers/picture_export.h"
#include "platform/app_dir.h"
#include "platform/canvas.h"
#include "platform/guarded.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/metafile.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"
#include "text/text_glue.h"

namespace {
// A picture that could not be written: the file and the reason, in one message.
std::string SaveFailedText(const std::string& FileName, const std::string& Reason) {
  return "Unable to save the picture " + FileName + "\r" + Reason;
}
}  // namespace

namespace {
bool Intersects(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}
TRect Shifted(const TRect& r, int dx, int dy) { return TRect(r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy); }
bool SelectionValid() { return SelectionRect.Right > SelectionRect.Left && SelectionRect.Bottom > SelectionRect.Top; }
bool IsMetafileName(const std::string& name) {
  const std::string e = UpperCase(ExtractFileExt(name));
  return e == ".EMF" || e == ".WMF";
}
}  // namespace

void TForm1::RefreshPictures(QObject*, TCanvas& Canvas, bool ForPrinting) {
  const TRect area = SelectionRect;
  const int dx = ForPrinting ? 0 : -area.Left, dy = ForPrinting ? 0 : -area.Top;
  for (int i = 0; i < PictureCount; ++i) {
    TPictureRec& p = Pictures[size_t(i)];
    const TRect r = p.Rect.ToRect();
    if (!Intersects(r, area)) continue;
    if (p.Missing || (ForPrinting && IsMetafileName(p.Name()))) continue;
    TGraphic* g = CachedPicture(p.Name());
    if (!g) p.Missing = 1;
    else g->Draw(Canvas, Shifted(r, dx, dy));
  }
}

void TForm1::RefreshPastes(QObject*, TCanvas& Canvas, bool ForPrinting) {
  const TRect area = SelectionRect;
  const int dx = ForPrinting ? 0 : -area.Left, dy = ForPrinting ? 0 : -area.Top;
  for (int i = 0; i < PasteCount; ++i) {
    const TPasteRec& p = Pastes[size_t(i)];
    const TRect r = p.Rect.ToRect();
    if (p.NoFile || !Intersects(r, area)) continue;
    if (TGraphic* g = CachedPicture(p.Name())) g->Draw(Canvas, Shifted(r, dx, dy));
  }
}

void TForm1::RefreshRect(TCanvas& canvas, const TRect& r) {
  // Page order: pictures, pastes, image objects, figures, text; all relative to r's corner.
  const TRect saved = SelectionRect;
  SelectionRect = r;
  try {
    RefreshPictures(this, canvas, false);
    RefreshPastes(this, canvas, false);
  } catch (...) {
    SelectionRect = saved;
    throw;
  }
  SelectionRect = saved;
  for (int i = 0; i < ImageCount; ++i) {
    TSizeChangedImage* image = Images[size_t(i)];
    TGraphic* g = image ? image->Picture.Graphic() : nullptr;
    const TRect b = ImageRecs[size_t(i)].Rect.ToRect();
    if (g && !g->Empty() && Intersects(b, r)) g->Draw(canvas, Shifted(b, -r.Left, -r.Top));
  }
  if (Figures && Figures->Count() > 0) Figures->DrawAll(canvas, -r.Left, -r.Top, false);
  // The text cells of the rectangle, at their places in it.
  const int last = LastTextCell();
  for (int i = 1; i <= last; ++i) {
    const TPoint p = CharPositions[size_t(i)];
    if (CharCodes[size_t(i)] < 33 || p.Y == 0 || p.X < r.Left || p.X > r.Right || p.Y < r.Top ||
        p.Y > r.Bottom + LineHeight)
      continue;
    DrawCellGlyph(&canvas, p.X + 1 - r.Left, p.Y + CharOffsets[size_t(i)] - r.Top, *CharFonts[size_t(i)],
                  CharCodes[size_t(i)], CharFonts[size_t(i)]->Color, clNone);
  }
}

int TForm1::ExportJpegQuality() const {
  return JpegImageQuality1 ? int(JpegImageQuality1->JPegQ->Value()) : 75;
}

void TForm1::DrawAreaMetafile(TMetafile& Metafile, const TRect& Area, bool Enhanced) {
  {
    TMetafileCanvas canvas(Metafile, Area.Right - Area.Left, Area.Bottom - Area.Top);
    canvas.SetClipRect(TRect(0, 0, Area.Right - Area.Left, Area.Bottom - Area.Top));
    RefreshRect(canvas, Area);
    canvas.ClearClipRect();
    canvas.Finish();
  }
  // Finishing the recording makes an enhanced picture; an old-style one is chosen afterwards.
  Metafile.Enhanced = Enhanced;
}

void TForm1::WritePage(const std::string& FileName, const std::string& UpperExt) {
  TBitmap& page = MainImage->Bitmap();
  switch (ExportKindOf(UpperExt)) {
    case TRasterExportKind::Png:
      try {
        WritePngPicture(page, FileName);
      } catch (const std::exception& e) {
        ShowMessage(SaveFailedText(FileName, e.what()));
      }
      return;
    case TRasterExportKind::Metafile: {
      // The page in page order, as the selection export draws it.
      TMetafile metafile;
      DrawAreaMetafile(metafile, TRect(0, 0, page.Width(), page.Height()), UpperExt == ".EMF");
      metafile.SaveToFile(FileName);
      return;
    }
    case TRasterExportKind::None: return;
    default: break;
  }
  TBitmap base(page);
  base.SetPixelFormat(pf24bit);
  base.Transparent = TransparentImages1->isChecked();
  switch (ExportKindOf(UpperExt)) {
    case TRasterExportKind::Jpeg: WriteJpegPicture(base, FileName, ExportJpegQuality()); break;
    case TRasterExportKind::Bitmap: WriteBitmapPicture(base, FileName); break;
    case TRasterExportKind::Gif: WriteGifPicture(base, FileName); break;
    default: break;
  }
}

void TForm1::SaveGraphic(const std::string& FileName, const TRect& Area, int VariantIndex) {
  if (FileName.empty()) return;
  const std::string ext = UpperCase(ExtractFileExt(FileName));
  TBitmap base;
  try {
    try {
      base = TBitmap(Area.Right - Area.Left + 1, Area.Bottom - Area.Top + 1, pf24bit);
    } catch (const std::bad_alloc& e) {
      // Without the base bitmap there is nothing to write: the export stops here.
      ShowMessage(std::string("Your system is too low on resources to complete this\r"
                              "operation. Try shutting other running applications\r"
                              "down and trying again->") +
                  e.what());
      return;
    } catch (const std::exception& e) {
      ShowMessage(SaveFailedText(FileName, e.what()));
      return;
    }
    base.Transparent = TransparentImages1->isChecked();
    if (MainImage && !base.Empty()) {
      // The page pixels of the area, one to one; parts outside the page stay white.
      const QImage& page = MainImage->Bitmap().Image();
      for (int y = 0; y < base.Height(); ++y) {
        const int py = Area.Top + y;
        if (py < 0 || py >= page.height()) continue;
        const auto* src = reinterpret_cast<const uint32_t*>(page.constScanLine(py));
        auto* dst = reinterpret_cast<uint32_t*>(base.ScanLine(y));
        for (int x = 0; x < base.Width(); ++x) {
          const int px = Area.Left + x;
          if (px >= 0 && px < page.width()) dst[x] = src[px] | 0xff000000u;
        }
      }
    }
    switch (ExportKindOf(ext)) {
      case TRasterExportKind::Jpeg:
        try {
          WriteJpegPicture(base, FileName, ExportJpegQuality());
        } catch (const std::exception& e) {
          ShowMessage(SaveFailedText(FileName, e.what()));
        }
        break;
      case TRasterExportKind::Gif:
        try {
          WriteGifPicture(base, FileName);
        } catch (const std::exception& e) {
          ShowMessage(SaveFailedText(FileName, e.what()));
        }
        break;
      case TRasterExportKind::Bitmap: {
        HPALETTE palette;
        if (!AppPalette.empty()) palette = std::make_shared<const TPaletteEntries>(AppPalette);
        std::unique_ptr<TBitmap> out = ExportBitmapVariant(base, VariantIndex, ScreenColorDepth() <= 8, palette);
        if (!out) throw Exception("No picture of the chosen colours could be made");
        if (FileName.size() > 2) {
          try {
            WriteBitmapPicture(*out, FileName);
          } catch (const std::exception& e) {
            ShowMessage(SaveFailedText(FileName, e.what()));
          }
        }
        break;
      }
      case TRasterExportKind::Png:
        try {
          WritePngPicture(base, FileName);
        } catch (const std::exception& e) {
          ShowMessage(SaveFailedText(FileName, e.what()));
        }
        break;
      case TRasterExportKind::Metafile: {
        TMetafile metafile;
        DrawAreaMetafile(metafile, Area, ext == ".EMF");
        try {
          metafile.SaveToFile(FileName);
        } catch (const std::exception& e) {
          ShowMessage(SaveFailedText(FileName, e.what()));
        }
        break;
      }
      case TRasterExportKind::None: break;
    }
  } catch (const std::exception& e) {
    ShowMessage(SaveFailedText(FileName, e.what()));
  }
}

// ---------------------------------------------------------------- export commands


namespace {
const char* const SaveAllFilter =
    "Device Independant Bitmap (*.bmp)|*.bmp|Enhanced Metafile (*.emf)|*.emf|Windows Metafile (*.wmf)|*.wmf|"
    "JPEG Image  (*.jpg)|*.jpg|ZQV Image (*.zqg)|*.zqg|Gif Image  (*.gif)|*.gif|PNG image (*.png)|*.png";
const char* const SelectionFilter =
    "Device Independant Bitmap (*.bmp)|*.bmp|Enhanced Metafile (*.emf)|*.emf|Windows Metafile (*.wmf)|*.wmf|"
    "JPEG Image (*.jpg *.jpeg)|*.jpg;*.jpeg|ZQV Image (*.zqg)|*.zqg|Gif Image (*.gif)|*.Gif|PNG Image (*.png)|*.png";
const char* const BitmapOnlyFilter = "Device Independant Bitmap (*.bmp)|*.bmp";

// The hourglass while an export runs; the previous cursor comes back however it ends.
struct THourglass {
  THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~THourglass() { QApplication::restoreOverrideCursor(); }
};

// A save-picture dialog: "description|pattern|..." pairs, FilterIndex 1-based in and out. The
// name gets the default extension when it has none.
std::string AskPictureFileName(QWidget* parent, const std::string& title, const std::string& folder,
                               const std::string& filter, int& filterIndex) {
  if (PictureDialogHook) return PictureDialogHook(title, folder, filter, filterIndex);
  QStringList filters;
  const QStringList parts = QString::fromStdString(filter).split('|');
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    filters << parts[i].section('(', 0, 0).trimmed() + " (" + patterns.replace(';', ' ') + ")";
  }
  QFileDialog dialog(parent, QString::fromStdString(title), QString::fromStdString(folder));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(filters);
  // The overwrite question is the command's own, about the final name (the extension of the
  // chosen type replaces the typed one); the dialog asking as well would ask about another name.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  // A name typed without an extension takes the chosen type's.
  const auto suffixOf = [](const QString& nameFilter) {
    const QString pattern = nameFilter.section('(', 1).section(')', 0, 0).section(' ', 0, 0);
    return pattern.startsWith("*.") ? pattern.mid(2).toLower() : QString("bmp");
  };
  dialog.setDefaultSuffix("bmp");
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog, suffixOf](const QString& nameFilter) { dialog.setDefaultSuffix(suffixOf(nameFilter)); });
  dialog.selectFile("Untitled");
  if (filterIndex >= 1 && filterIndex <= filters.size()) {
    dialog.selectNameFilter(filters[filterIndex - 1]);
    dialog.setDefaultSuffix(suffixOf(filters[filterIndex - 1]));
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return "";
  filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
  return dialog.selectedFiles().first().toStdString();
}

std::string PictureFolder() {
  std::string folder = UserDataDir();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  try {
    TZQVIniFile ini(PageIniName);
    folder = ini.ReadString("General", "Picture_Directory", folder);
  } catch (...) {
  }
  return folder;
}

void SetPictureFolder(const std::string& FileName) {
  try {
    TZQVIniFile ini(PageIniName);
    std::string folder = ExtractFilePath(FileName);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    ini.WriteString("General", "Picture_Directory", folder);
    ini.UpdateFile();
  } catch (...) {
    // Only a convenience for the next dialog.
  }
}

// The position of a menu item in its submenu; -1 when it is in none.
int MenuIndexOf(QAction* item) {
  for (QObject* o : item->associatedObjects())
    if (auto* menu = qobject_cast<QMenu*>(o)) return int(menu->actions().indexOf(item));
  return -1;
}
}  // namespace

void TForm1::SaveSelectionAsbmp1Click(QObject* Sender) {
  if (!qobject_cast<QAction*>(Sender) && !qobject_cast<QMenu*>(Sender)) return;
  if (!SaveSelectionAsbmp1->actions().isEmpty())
    SaveSelectionAsbmp1->actions().first()->setText("gif,bmp,jpg,emf,wmf,zqg,png");
}

void TForm1::SaveSelectionAs1Click(QObject* Sender) {
  if (!qobject_cast<QAction*>(Sender) && !qobject_cast<QMenu*>(Sender)) return;
  zqs1->setEnabled(Figures && Figures->HasSelection());
  if (!SaveSelectionAs1->actions().isEmpty())
    SaveSelectionAs1->actions().first()->setText("gif,bmp,jpg,emf,wmf,png,zqg");
}

void TForm1::Monochrome1Click(QObject*) {
  THourglass hourglass;
  // The rubber band is not part of the picture.
  if (SelectionRectShown && MainImage) {
    DrawDragRect(MainImage->Canvas(), false, SelectionRect.TopLeft(), SelectionRect.BottomRight());
    SelectionRectShown = false;
  }
  SelectionRect = TRect(0, 0, PageWidth, PageHeight);
  const QString savedFolder = QDir::currentPath();
  std::string ext;
  try {
    SaveDialog1.InitialDir = PictureFolder();
    std::string name = AskPictureFileName(this, "Korvalis V - Save Picture File", SaveDialog1.InitialDir,
                                          SaveAllFilter, SaveDialog1.FilterIndex);
    if (!name.empty()) {
      name = ApplyExportFilterExtension(name, SaveDialog1.FilterIndex);
      ext = UpperCase(ExtractFileExt(name));
      if (ConfirmOverwrite(name, "Save All As Graphic")) {
        SetPictureFolder(name);
        WritePage(name, ext);
      }
    }
  } catch (const std::exception&) {
    ShowMessage("A problem occurred while trying to save the " + ext + " file " +
                "If this problem persists please email me at: " + SupportAddress);
  }
  ClearSelectionRect();
  QDir::setCurrent(savedFolder);
}

void TForm1::FullColor2Click(QObject* Sender) {
  if (SelectionRectShown && MainImage) {
    DrawDragRect(MainImage->Canvas(), false, SelectionRect.TopLeft(), SelectionRect.BottomRight());
    SelectionRectShown = false;
  }
  THourglass hourglass;
  auto* item = qobject_cast<QAction*>(Sender);
  const int index = item ? MenuIndexOf(item) : -1;
  if (item && index >= 0 && SelectionValid()) {
    int filterIndex = 1;
    const std::string filter = index == 0 ? SelectionFilter : BitmapOnlyFilter;
    std::string name = AskPictureFileName(this, "Save Selection As", PictureFolder(), filter, filterIndex);
    if (!name.empty()) {
      // The extension first: the name checked below is the name written.
      name = index == 0 ? ApplyExportFilterExtension(name, filterIndex) : ChangeFileExt(name, ".bmp");
      name = ResolveImageNameClash(name, filter, filterIndex, index);
      if (name.empty() || ConfirmOverwrite(name, "Save Selection As")) {
        if (!SelectionValid()) {
          ShowMessage("Nothing selected");
        } else if (name.empty()) {
          ShowMessage("Invalid file name.");
        } else {
          try {
            SaveGraphic(name, SelectionRect, index);
            if (FileExists(name)) SetPictureFolder(name);
          } catch (const std::exception& e) {
            ShowMessage(SaveFailedText(name, e.what()));
          }
        }
      }
    }
  }
  ClearSelectionRect();
}

std::string TForm1::ResolveImageNameClash(const std::string& Name, const std::string& Filter, int FilterIndex,
                                          int ItemIndex) {
  if (!ImageFileNameInUse(Name)) return Name;
  const std::string question =
      "The file name you have chosen already belongs to at least one image in\r"
      "your work. If you save to that name all other instances of " +
      Name +
      " will change to your current selection. Although\r"
      "this may not be evident until the file is saved and reloaded\r"
      "Do you still want to save to this file name?";
  const TModalResult answer = MessageDlg(question, mtWarning, mbYes | mbNo | mbAbort, 290);
  if (answer == mrYes) return Name;
  if (answer != mrNo) return "";
  std::string again = AskPictureFileName(this, "Save Selection As", PictureFolder(), Filter, FilterIndex);
  if (again.empty()) return "";
  again = ItemIndex == 0 ? ApplyExportFilterExtension(again, FilterIndex) : ChangeFileExt(again, ".bmp");
  if (!ImageFileNameInUse(again)) return again;
  if (MessageDlg("This file is still in your work. The application can create\r"
                 "a unique filename for you if you wish.\r\rCreate unique file name?",
                 mtWarning, mbYes | mbAbort, 290) != mrYes)
    return "";
  try {
    const std::string unique = UniqueImageFileName(again, 0);
    ShowMessage("Saving as " + unique);
    return unique;
  } catch (const std::exception&) {
    ShowMessage("Problem creating " + again + "Aborting");
    return "";
  }
}

void TForm1::WireExportCommands() {
  connect(SaveSelectionAsbmp1, &QMenu::aboutToShow, this, [this] { SaveSelectionAsbmp1Click(SaveSelectionAsbmp1); });
  connect(SaveSelectionAs1, &QMenu::aboutToShow, this, [this] { SaveSelectionAs1Click(SaveSelectionAs1); });
}

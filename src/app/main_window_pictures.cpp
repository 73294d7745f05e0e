// Pictures placed from files, pasted bitmaps, and files dropped on the page: the picture and
// paste tables, their missing-file questions and the page's composition around them.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>

#include "app/main_window.h"
#include "app/main_window_custom_palette.h"
#include "app/palette_button.h"
#include "cad/engine.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "helpers/zqv_gif.h"
#include "page/graphic_names.h"
#include "page/process_files.h"
#include "platform/app_dir.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/graphic.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/process_messages.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"
#include "text/page_geometry.h"

std::function<std::string(const std::string&, const std::string&, const std::string&, int&)> PictureDialogHook;

namespace {

// Closes the gaps of a picture or paste table: the entries Gone finds are taken out, the rest
// move up in order, and every vacated slot keeps nothing of its old entry.
template <typename Table, typename Predicate>
void CompactTable(Table& table, uint8_t& Count, Predicate Gone) {
  int i = 0;
  int n = std::min<int>(Count, int(table.size()));
  while (i < n) {
    if (Gone(table[size_t(i)])) {
      for (int k = i; k + 1 < n; ++k) table[size_t(k)] = table[size_t(k) + 1];
      --n;
      table[size_t(n)] = typename Table::value_type{};
    } else {
      ++i;
    }
  }
  Count = uint8_t(n);
}


// The extensions whose pictures the page draws.
bool KnownPictureExt(const std::string& FileName) {
  const std::string e = UpperCase(ExtractFileExt(FileName));
  for (const char* k : {".BMP", ".PNG", ".JPG", ".JPEG", ".EMF", ".WMF", ".GIF", ".ZQG"})
    if (e == k) return true;
  return false;
}

bool RectValid(const TRect& r) { return r.Right > r.Left && r.Bottom > r.Top; }

// "Text|*.a;*.b|Other|*.c" as the toolkit's filter list.
QString QtFilter(const std::string& Filter) {
  const QStringList parts = QString::fromStdString(Filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << parts[i] + " (" + patterns + ")";
  }
  return out.join(";;");
}

}  // namespace

// A picture file dialog; empty for Cancel. FilterIndex is 1-based and follows the user's choice.
std::string PictureFileDialog(QWidget* Parent, bool Save, const std::string& Title, const std::string& Folder,
                              const std::string& Filter, int& FilterIndex, const std::string& FileName = {}) {
  if (PictureDialogHook) return PictureDialogHook(Title, Folder, Filter, FilterIndex);
  const QString filters = QtFilter(Filter);
  const QStringList list = filters.split(";;");
  QString selected = FilterIndex >= 1 && FilterIndex <= list.size() ? list[FilterIndex - 1] : QString();
  const QString start = QString::fromStdString(Folder + FileName);
  const QString name = Save ? QFileDialog::getSaveFileName(Parent, QString::fromStdString(Title), start, filters,
                                                           &selected, QFileDialog::DontConfirmOverwrite)
                            : QFileDialog::getOpenFileName(Parent, QString::fromStdString(Title), start, filters,
                                                           &selected);
  FilterIndex = int(list.indexOf(selected)) + 1;
  return name.toStdString();
}

std::string NoTrailingSlash(std::string d) {
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  return d;
}

std::string PictureDirectory() {
  try {
    TZQVIniFile ini(PageIniName);
    std::string d = ini.ReadString("General", "Picture_Directory", NoTrailingSlash(UserDataDir()));
    if (!d.empty() && d.back() != '/') d += '/';
    return d;
  } catch (...) {
    return UserDataDir();
  }
}

void SetPictureDirectory(const std::string& FileName) {
  try {
    TZQVIniFile ini(PageIniName);
    ini.WriteString("General", "Picture_Directory", NoTrailingSlash(ExtractFilePath(FileName)));
    ini.UpdateFile();
  } catch (...) {
    // Only a convenience for the next dialog.
  }
}

bool TForm1::TransparentOption() const { return TransparentImages1->isChecked(); }

// ---------------------------------------------------------------- composition

void TForm1::RefreshAllImages(QObject* Sender, bool NoHourglass) {
  // Before the page is composed, every picture and paste whose file is gone is settled with the
  // user (once per file: an ignored file is not asked about again), and a file that cannot be
  // decoded is reported once; such an entry stays in its table and is not drawn.
  if (!FileBusy) {
    bool changed = false;
    for (int i = 0; i < PictureCount; ++i) {
      TPictureRec& p = Pictures[size_t(i)];
      std::string name = p.Name();
      if (p.Missing || name.empty() || !KnownPictureExt(name)) continue;
      const TFileSettled settled = SettlePageFile(name, &TForm1::LocateMissingPicture,
                                                  "An error occurred while trying to load the File ");
      if (settled == TFileSettled::Dropped) {
        p.Missing = 1;
        changed = true;
      } else if (settled == TFileSettled::Found) {
        p.SetName(name);
      }
    }
    if (changed) CompactPictureList(Pictures, PictureCount);
    changed = false;
    for (int i = 0; i < PasteCount; ++i) {
      TPasteRec& p = Pastes[size_t(i)];
      std::string name = p.Name();
      if (name.empty() || (p.NoFile && FileExists(name))) continue;
      const TFileSettled settled = SettlePageFile(name, &TForm1::LocateMissingPaste,
                                                  "An error occurred while trying to refresh temporary file ");
      if (settled == TFileSettled::Dropped) {
        p.NoFile = 1;
        changed = true;
      } else if (settled == TFileSettled::Found) {
        p.SetName(name);
        p.NoFile = 0;
      }
    }
    if (changed) CompactPasteList(Pastes, PasteCount);
  }
  TPagePart::RefreshAllImages(Sender, NoHourglass);
}

TForm1::TFileSettled TForm1::SettlePageFile(std::string& Name, int (TForm1::*Locate)(std::string&, int),
                                           const std::string& BadFileMessage) {
  TFileSettled result = TFileSettled::Present;
  if (!FileExists(Name)) {
    if (IgnoredMissingFiles.count(Name)) return TFileSettled::Ignored;
    const std::string asked = Name;
    const int r = (this->*Locate)(Name, 255);
    if (r == 1) return TFileSettled::Dropped;
    if (r == 2) {
      IgnoredMissingFiles.insert(asked);
      return TFileSettled::Ignored;
    }
    result = TFileSettled::Found;
  }
  if (TGraphic* g = CachedPicture(Name)) {
    g->Transparent = TransparentOption();
  } else if (ReportedBadFiles.insert(Name).second) {
    ShowMessage(BadFileMessage + Name + " Sorry :-(");
  }
  return result;
}

// ---------------------------------------------------------------- pictures

void TForm1::LoadPictureClick(QObject* Sender) {
  TCanvas* page = PageCanvas();
  if (PictureCount >= 255) {
    ShowMessage("The maximum number of pictures 256 has been reached. \rExiting Load Picture.");
    if (SelectionRectShown && page) DrawDragRect(*page, true, SelectionRect.TopLeft(), SelectionRect.BottomRight());
    return;
  }
  if (SelectionRectShown && page) {
    DrawDragRect(*page, false, SelectionRect.TopLeft(), SelectionRect.BottomRight());
    SelectionRectShown = false;
  }
  EnableUndoButton();
  const uint8_t countBefore = PictureCount;
  const std::string filter =
      GifLzwAllowed()
          ? "All Graphics bmp,emf,wmf,jpg,jpeg,zqg,png,gif|*.bmp;*.emf;*.wmf;*.jpg;*.jpeg;*.zqg;*.png;*.gif|Device "
            "Independant Bitmap|*.bmp|Enhanced Metafile|*.emf|Windows Metafile|*.wmf|JPEG Image|*.jpg;*.jpeg|ZQV "
            "Image (*.zqg)|*.zqg|PNG Image (*.png)|*.png|Gif Image (*.gif)|*.Gif"
          : "All Graphics bmp,emf,wmf,jpg,jpeg,zqg,png|*.bmp;*.emf;*.wmf;*.jpg;*.jpeg;*.zqg;*.png|Device Independant "
            "Bitmap|*.bmp|Enhanced Metafile|*.emf|Windows Metafile|*.wmf|JPEG Image|*.jpg;*.jpeg|ZQV Image "
            "(*.zqg)|*.zqg|Portable Networks Graphic (*.png)|*.png";
  int filterIndex = OpenPictureDialog1.FilterIndex;
  const std::string name = PictureFileDialog(this, false, "Load Picture", PictureDirectory(), filter, filterIndex);
  if (!name.empty()) {
    OpenPictureDialog1.FilterIndex = filterIndex;
    const std::string ext = UpperCase(ExtractFileExt(name));
    std::unique_ptr<TGraphic> g;
    bool done = false;
    try {
      if (ext == ".EMF" || ext == ".WMF") {
        LoadImageObject(name, CaretPoint);
        done = true;
      } else if (MessageDlg("Load as Object?", mtConfirmation, mbYes | mbNo, 297) == mrYes) {
        LoadImageObject(name, CaretPoint);
        done = true;
      } else {
        if (name.size() > 255) throw EInOutError("The file name is longer than 255 characters");
        g = CreateGraphicForFile(name);
        if (!g) throw EInvalidGraphic("Unknown picture format");
        g->LoadFromFile(name);
        if (g->Empty()) throw EInvalidGraphic("Empty picture");
        // Decoded whole now (a JPEG reads only its header on loading): a damaged or oversized
        // picture is refused here rather than failing at every repaint.
        DecodeWholePicture(*g);
        SetPictureDirectory(name);
      }
    } catch (const std::exception&) {
      g.reset();
      SelectionRect = TRect();
      ShowMessage(PictureLoadFailedText(name));
    }
    if (!done && g && RectValid(SelectionRect)) {
      g->Transparent = TransparentOption();
      TRect r;
      bool place = true;
      switch (MessageDlg("Do you want to scale the picture to fit the selection", mtInformation, mbYes | mbNo | mbAbort,
                         290)) {
        case mrYes: r = SelectionRect; break;
        case mrNo:
          r = TRect(SelectionRect.Left, SelectionRect.Top, SelectionRect.Left + g->Width(),
                    SelectionRect.Top + g->Height());
          break;
        default:
          if (MessageDlg("Do you want the picture to cover the whole of the image area", mtWarning, mbYes | mbNo, 290) ==
              mrYes)
            r = TRect(0, 0, PageWidth, PageHeight);
          else
            place = false;
          break;
      }
      if (place && AddPicture(Sender, name, r)) {
        ++PictureCount;
        SetModified();
      }
    }
  }
  SelectionRect = TRect();
  if (PictureCount != countBefore) RefreshAllImages(Sender, false);
}

bool TForm1::AddPicture(QObject* Sender, const std::string& FileName, const TRect& Rect) {
  if (PictureCount >= 255) {
    ShowMessage("255 pictures is the maximum");
    return false;
  }
  PushPictureUndo(Sender);
  TPictureRec& p = Pictures[PictureCount];
  p = TPictureRec{};
  p.SetName(FileName);
  p.Rect = TStoredRect::From(Rect);
  p.Missing = 0;
  ReportedBadFiles.erase(FileName);
  IgnoredMissingFiles.erase(FileName);
  InvalidatePage();
  return true;
}

int TForm1::LocateMissingPicture(std::string& FileName, int MaxLength) {
  if (FileExists(FileName)) return 0;
  const TModalResult answer =
      MessageDlg("The Picture: " + FileName + " is either missing or not in the original directory. " +
                     "Would you like to try and find or replace it",
                 mtConfirmation, mbYes | mbNo | mbIgnore, 290);
  if (answer == mrYes) {
    std::string ext = ExtractFileExt(FileName);
    if (!ext.empty()) ext = ext.substr(1);
    const std::string e = LowerCase(ext);
    std::string filter;
    if (e == "bmp") filter = "Bitmaps (*.bmp)|*.bmp";
    else if (e == "emf") filter = "Enhanced Metafiles (*.emf)|*.emf";
    else if (e == "wmf") filter = "Windows Metafiles (*.wmf)|*.wmf";
    else if (e == "jpg") filter = "JPeg Images (*.jpg)|*.jpg;*.jpeg";
    else if (e == "png") filter = "PNG Images (*.png)|*.png";
    else if (GifLzwAllowed() && e == "gif") filter = "Gif Compatable Images (*.gif)|*.gif";
    else if (!GifLzwAllowed() && e == "zqg") filter = "ZQV Image (*.zqg)|*.zqg";
    int index = 1;
    const std::string found = PictureFileDialog(this, false, "Open", PictureDirectory(), filter, index);
    // Cancelling the search leaves the picture as it is, to be asked about again (removing it
    // would lose the entry because a dialog was closed).
    if (found.empty()) return 2;
    FileName = found.substr(0, size_t(std::max(0, MaxLength)));
    return 0;
  }
  if (answer == mrNo) {
    ShowMessage("File: " + FileName + "\r" + "will be removed from this file." + "\r" + " " + "\r" +
                "If you received this message while opening a file and clicked No in " + "\r" +
                "error; Close and re-open the file WITHOUT saving when prompted to do so");
    FileName.clear();
    return 1;
  }
  return 2;
}

void TForm1::CompactPictureList(TPictureTable& Table, uint8_t& Count) {
  CompactTable(Table, Count, [](const TPictureRec& p) { return p.Missing || p.Name().empty(); });
}

void TForm1::ClearPictures() {
  if (PictureCount == 0) return;
  Pictures = TPictureTable{};
  PictureCount = 0;
}

void TForm1::GraphicToBitmap(TGraphic& Graphic, TBitmap& Bitmap) {
  if (Bitmap.PixelFormat() != pf24bit) Bitmap.SetPixelFormat(pf24bit);
  Bitmap.Transparent = TransparentOption();
  Bitmap.SetSize(Graphic.Width(), Graphic.Height());
  Bitmap.Canvas().StretchDraw(TRect(0, 0, Graphic.Width(), Graphic.Height()), Graphic);
}

void TForm1::RefreshPictures(QObject*, TCanvas* Canvas) {
  if (!Canvas) return;
  const TRect sel = SelectionRect;
  for (int i = 0; i < PictureCount; ++i) {
    const TPictureRec& p = Pictures[size_t(i)];
    const std::string name = p.Name();
    // A missing file is not drawn here; the next full repaint asks about it.
    if (p.Missing || !FileExists(name)) continue;
    const TRect r0 = p.Rect.ToRect();
    if (r0.Right <= sel.Left || r0.Left >= sel.Right || r0.Bottom <= sel.Top || r0.Top >= sel.Bottom) continue;
    try {
      const TRect r(r0.Left - sel.Left, r0.Top - sel.Top, r0.Right - sel.Left, r0.Bottom - sel.Top);
      Canvas->SetClipRect(TRect(std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, sel.Width()),
                                std::min(r.Bottom, sel.Height())));
      if (TGraphic* g = CachedPicture(name)) {
        g->Transparent = TransparentOption();
        g->Draw(*Canvas, r);
      }
      Canvas->ClearClipRect();
    } catch (const std::exception&) {
      Canvas->ClearClipRect();
      ShowMessage("Refresh Pictures error at line 1995" + std::to_string(errno));
    }
  }
}

// ---------------------------------------------------------------- pasted bitmaps

namespace {
// Writes a bitmap to a new file of this run's temporary folder; the name, empty on failure.
std::string WritePasteFile(TBitmap& Bitmap, std::string& Name) {
  Name = NewProcessFileName("TempPasteImage", ".bmp");
  if (Name.empty()) return {};
  try {
    Bitmap.SaveToFile(Name);
    return Name;
  } catch (const std::exception&) {
    return {};
  }
}
}  // namespace

void TForm1::PastePictureClick(QObject* Sender) {
  TCanvas* page = PageCanvas();
  if (!page) return;
  if (SelectionRectShown) {
    DrawDragRect(*page, false, SelectionRect.TopLeft(), SelectionRect.BottomRight());
    SelectionRectShown = false;
  }
  if (PasteCount >= 255) {
    if (MessageDlg("You have reached the maximum of 256 pastes that can be stored at any one time. Would you like to "
                   "clear some from the list",
                   mtConfirmation, mbYes | mbNo, 290) == mrYes)
      ClearPastes(Sender);
    return;
  }
  TBitmap bitmap;
  try {
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) throw EInvalidGraphic("no bitmap");
    bitmap.SetImage(image.convertToFormat(QImage::Format_RGB32));
    bitmap.SetPixelFormat(pf24bit);
    bitmap.Transparent = TransparentOption();
  } catch (const std::exception&) {
    ShowMessage("An error occurred trying to load the clipboard contents. Sorry :-(");
    return;
  }
  const uint8_t before = PasteCount;
  const bool atCaretItem = Sender == PasteImageatCaret1 || Sender == findChild<QAction*>("PasteImageatCaret2");
  auto store = [&](TBitmap& b, const TRect& r, TPoint at) {
    std::string name;
    const bool written = !WritePasteFile(b, name).empty();
    // The snapshot holds the table as it was before this paste.
    if (written) PushPasteUndo(Sender);
    TPasteRec& p = Pastes[PasteCount];
    p = TPasteRec{};
    p.SetName(name);
    if (written) {
      p.X = int16_t(at.X);
      p.Y = int16_t(at.Y);
      p.Rect = TStoredRect::From(r);
      p.NoFile = 0;
    } else {
      ShowMessage("A problem occurred with saving the temporary image file " + name +
                  " You will not be able to refresh this image, sorry :-(");
      p.NoFile = 1;
    }
    ++PasteCount;
  };
  const bool point = SelectionRect.Right == SelectionRect.Left && SelectionRect.Bottom == SelectionRect.Top;
  if (point && atCaretItem) {
    const TPoint p = CaretPoint;
    const TRect r(p.X, p.Y, p.X + bitmap.Width(), p.Y + bitmap.Height());
    bitmap.Draw(*page, r);
    store(bitmap, r, p);
  } else if (RectValid(SelectionRect)) {
    try {
      const TModalResult a = MessageDlg("Do you want to scale the image to fit the selection", mtInformation,
                                        mbYes | mbNo | mbCancel, 290);
      if (a == mrYes) {
        TBitmap scaled(SelectionRect.Width(), SelectionRect.Height(), PageBufferFormat);
        scaled.Transparent = TransparentOption();
        scaled.Canvas().StretchDraw(TRect(0, 0, scaled.Width(), scaled.Height()), bitmap);
        scaled.Draw(*page, SelectionRect);
        store(scaled, SelectionRect, SelectionRect.TopLeft());
      } else if (a == mrNo) {
        const TRect r(SelectionRect.Left, SelectionRect.Top, SelectionRect.Left + bitmap.Width(),
                      SelectionRect.Top + bitmap.Height());
        bitmap.Draw(*page, r);
        store(bitmap, r, SelectionRect.TopLeft());
      }
    } catch (const std::exception&) {
      ShowMessage(" BummerError No: " + std::to_string(errno));
    }
    InvalidatePage();
    SelectionRect = TRect();
    ProcessMessages();
  }
  InvalidatePage();
  if (PasteCount != before) SetModified();
}

void TForm1::RefreshPastes(QObject*, TCanvas* Canvas) {
  if (!Canvas) return;
  const TRect sel = SelectionRect;
  for (int i = 0; i < PasteCount; ++i) {
    const TPasteRec& p = Pastes[size_t(i)];
    if (p.NoFile || !FileExists(p.Name())) continue;
    const TRect r0 = p.Rect.ToRect();
    if (r0.Right <= sel.Left || r0.Left >= sel.Right || r0.Bottom <= sel.Top || r0.Top >= sel.Bottom) continue;
    try {
      // Drawn into its rectangle, as on the page.
      if (TGraphic* g = CachedPicture(p.Name())) {
        g->Transparent = TransparentOption();
        g->Draw(*Canvas, TRect(r0.Left - sel.Left, r0.Top - sel.Top, r0.Right - sel.Left, r0.Bottom - sel.Top));
      }
    } catch (const std::exception&) {
      ShowMessage("Refresh Pastes line 2440");
    }
  }
}

int TForm1::LocateMissingPaste(std::string& FileName, int MaxLength) {
  if (FileExists(FileName)) return 0;
  const TModalResult answer =
      MessageDlg("The Paste: " + FileName + " is either missing or not in the original directory. " +
                     "Would you like to try and find or replace it",
                 mtConfirmation, mbYes | mbNo | mbIgnore, 290);
  if (answer == mrYes) {
    int index = 1;
    const std::string found =
        PictureFileDialog(this, false, "Open", PictureDirectory(), "Device Independant Bitmap|*.bmp", index);
    if (found.empty() || !FileExists(found)) return 2;
    FileName = found.substr(0, size_t(std::max(0, MaxLength)));
    return 0;
  }
  if (answer == mrNo) {
    ShowMessage("File: " + FileName + "removed");
    FileName.clear();
    return 1;
  }
  return 2;
}

void TForm1::CompactPasteList(TPasteTable& Table, uint8_t& Count) {
  CompactTable(Table, Count, [](const TPasteRec& p) { return p.NoFile || p.Name().empty(); });
}

void TForm1::ClearPastes(QObject* Sender) {
  if (!IsMenuItem(Sender)) {
    for (TPasteRec& p : Pastes) {
      const uint8_t noFile = p.NoFile;
      p = TPasteRec{};
      p.NoFile = noFile;
    }
    PasteCount = 0;
  }
  DeleteTempPasteFiles();
}

void TForm1::DeleteTempPasteFiles() {
  const std::string folder = ProcessTempFolder();
  if (!folder.empty()) {
    const QStringList files = QDir(QString::fromStdString(folder)).entryList({"TempPasteImage*.bmp"}, QDir::Files);
    for (const QString& f : files) DeleteFile(folder + f.toStdString());
  }
  PasteCount = 0;
}

// ---------------------------------------------------------------- files dropped on the page

bool TForm1::PageDragDropFiles(const std::vector<std::string>& Files, TPoint At) {
  DeselectImage(this, true);
  bool any = false;
  for (const std::string& name : Files) {
    if (IsImageFileName(name) || (UpperCase(ExtractFileExt(name)) == ".GIF" && GifLzwAllowed())) {
      if (LoadImageObject(name, At)) {
        SetModified();
        any = true;
      }
    } else if (SameText(ExtractFileExt(name), ".zqs") && Figures) {
      Figures->LoadShapesFile(name, !DocFileName.empty() || Modified);
      SetModified();
      if (AlwaysRefresh1->isChecked()) {
        RefreshAllImages(this, false);
      } else if (TCanvas* c = PageCanvas()) {
        RedrawShapes(*c);
        InvalidatePage();
      }
      any = true;
    }
  }
  return any;
}

bool TForm1::PageDragDropPanel(QWidget* Panel, TPoint At) {
  std::string caption;
  TFont font;
  if (auto* custom = qobject_cast<TCustButPanel*>(Panel)) {
    caption = custom->Caption();
    font = custom->Font();
  } else if (auto* button = qobject_cast<TPaletteButton*>(Panel)) {
    caption = button->Caption;
    font = button->ButtonFont;
  } else {
    return false;
  }
  TCanvas* canvas = PageCanvas();
  if (caption.empty() || !Figures || !Figures->Template || !canvas) return false;
  DeselectImage(this, true);
  TStoredProperties& t = *Figures->Template;
  const uint8_t kind = t.Kind;
  t.TRealFig::Assign(font);
  if (Panel->parentWidget() == CustomPanel) t.SetFontSize(t.FontSize * 3 / 2);
  t.SetKind(fkTextNoLine);
  t.SetText(caption);
  static const uint8_t large[] = {127, 128, 141, 142, 143, 144, 157, 158, 167, 182, 185};
  if (SameText(font.Name, "ZQVSerif") &&
      std::find(std::begin(large), std::end(large), uint8_t(caption[0])) != std::end(large))
    t.SetFontSize(font.Size() * 50000 / 3);
  bool draw, move, snapping, dims;
  EngineMouseFlags(draw, move, snapping, dims);
  const int depth = Figures->UndoDepth();
  try {
    Figures->MouseDownPlain(*canvas, mbLeft, 0, At.X, At.Y, true, false, snapping, false);
    Figures->MouseUpPlain(*canvas, mbLeft, 0, At.X, At.Y, true, false, snapping, false);
  } catch (...) {
    t.SetKind(kind);
    throw;
  }
  t.SetKind(kind);
  if (Figures->UndoDepth() != depth) PushShapeUndo(this, depth);
  SetModified();
  InvalidatePage();
  return true;
}

namespace {
// Files dragged from a file manager onto the page: file URLs are accepted and placed where they
// are dropped.
class TPageDropFilter : public QObject {
public:
  TPageDropFilter(TForm1* f, QWidget* viewport) : QObject(viewport), F(f), Viewport(viewport) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove) {
      auto* d = static_cast<QDropEvent*>(e);
      if (d->mimeData() && (d->mimeData()->hasUrls() || d->mimeData()->hasFormat(PaletteButtonMimeType)) &&
          !F->FileBusy) {
        d->acceptProposedAction();
        return true;
      }
      return false;
    }
    if (e->type() == QEvent::Drop) {
      auto* d = static_cast<QDropEvent*>(e);
      if (d->mimeData() && d->mimeData()->hasFormat(PaletteButtonMimeType)) {
        QWidget* panel = F->findChild<QWidget*>(QString::fromUtf8(d->mimeData()->data(PaletteButtonMimeType)));
        if (!panel || !F->MainImage) return false;
        const QPoint p = F->MainImage->mapFrom(Viewport, d->position().toPoint());
        d->acceptProposedAction();
        Guarded("PageDragDrop", [&] { F->PageDragDropPanel(panel, TPoint(p.x(), p.y())); });
        return true;
      }
      std::vector<std::string> files;
      for (const QUrl& u : d->mimeData()->urls())
        if (u.isLocalFile()) files.push_back(u.toLocalFile().toStdString());
      if (files.empty() || !F->MainImage) return false;
      const QPoint p = F->MainImage->mapFrom(Viewport, d->position().toPoint());
      d->acceptProposedAction();
      Guarded("PageDragDrop", [&] { F->PageDragDropFiles(files, TPoint(p.x(), p.y())); });
      return true;
    }
    return false;
  }

private:
  TForm1* F;
  QWidget* Viewport;
};
}  // namespace

void InstallPageDropFilter(TForm1* f, QWidget* viewport) {
  viewport->setAcceptDrops(true);
  viewport->installEventFilter(new TPageDropFilter(f, viewport));
}

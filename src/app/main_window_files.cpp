// Documents on disk: File > Save, Save As, Open, the eight Reopen items and Close, the document
// writer and reader of ".zqv" files and plain text (".txt").
//
// Saving reports whether it saved, and every caller stops when it did not. A document is written
// whole into a temporary file beside its name and renamed over it only when complete, so a failed
// save leaves the previous document as it was. The reader takes the whole file apart and checks it
// before it touches the page: a damaged file leaves the page as it was.
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStringDecoder>
#include <typeinfo>
#include <algorithm>
#include <cmath>
#include <span>

#include "app/main_window.h"
#include "dialogs/page_setup_dialog.h"
#include "cad/engine.h"
#include "codecs/compress.h"
#include "dialogs/main_font_dialog.h"
#include "dialogs/transforms_window.h"
#include "helpers/drag_rect.h"
#include "helpers/error_report.h"
#include "codecs/jpeg_image.h"
#include "codecs/png_image.h"
#include "helpers/page_surface.h"
#include "helpers/zqv_gif.h"
#include "helpers/small_helpers.h"
#include "page/document_format.h"
#include "page/image_objects.h"
#include "page/old_documents.h"
#include "page/process_files.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/graphic.h"
#include "platform/guarded.h"
#include "platform/leftovers.h"
#include "platform/messages.h"
#include "platform/metafile.h"
#include "platform/numeric.h"
#include "platform/process_messages.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"
#include "text/page_geometry.h"

std::function<std::string(const std::string&, const std::string&)> DocumentDialogHook;

namespace {
const char* const SaveFilter = "ZQVWare File (*.zqv);;Plain Text (*.txt);;All (*.txt *.zqv)";
const char* const OpenFilter = "ZQVWare (*.zqv);;Text file (*.txt);;All (*.zqv *.txt)";
const char* const OutOfMemoryText =
    "Your system has insufficient memory for this \roperation. Please close some of your applications \rdown to "
    "free resources.";
// A document that could not be read, named in the message.
std::string OpenErrorText(const std::string& FileName) {
  return "An error occurred while opening the file " + FileName + ". Aborting";
}

// A file dialog, or the tests' answer to it.
std::string AskFileName(QWidget* parent, const std::string& title, const std::string& folder, bool save) {
  if (DocumentDialogHook) return DocumentDialogHook(title, folder);
  const QString name = save ? QFileDialog::getSaveFileName(parent, QString::fromStdString(title),
                                                            QString::fromStdString(folder + "Untitled.zqv"), SaveFilter)
                            : QFileDialog::getOpenFileName(parent, QString::fromStdString(title),
                                                           QString::fromStdString(folder), OpenFilter);
  return name.toStdString();
}

bool SameFile(const std::string& a, const std::string& b) {
  const QString fa = QFileInfo(QString::fromStdString(a)).absoluteFilePath();
  const QString fb = QFileInfo(QString::fromStdString(b)).absoluteFilePath();
  return fa.compare(fb, Qt::CaseInsensitive) == 0;
}

// The page text as the lines of a text file: cells 1 up to the last cell holding a character, one
// line per page line (tab cells give tabs), each ended by carriage return and line feed. The cells
// hold Windows-1252 characters; the file is UTF-8.
std::string PageTextAsUtf8(TTextPage& page) {
  int32_t start = 1, end = page.LastTextCell() + 1;
  std::vector<std::string> lines;
  page.KeyBufAsText(lines, start, end);
  std::string out;
  for (const std::string& line : lines) out += Win1252ToQString(line).toStdString() + "\r\n";
  return out;
}

// Text file bytes as Windows-1252 bytes: UTF-8 when valid, else the bytes as they are.
std::string TextFileAsWin1252(const std::vector<uint8_t>& bytes) {
  const QByteArray raw(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = decoder.decode(raw);
  if (decoder.hasError()) return std::string(raw.constData(), size_t(raw.size()));
  return QStringToWin1252(text);
}

int32_t RoundHalfEven(long double v) {
  const long double r = std::nearbyintl(v);
  return int32_t(std::clamp<long double>(r, INT32_MIN, INT32_MAX));
}
}  // namespace

void TForm1::WireFileCommands() {
  // The eight Reopen items take their names from the page settings; an empty one is hidden.
  const QList<QAction*> items = Reopen1->actions();
  try {
    TZQVIniFile ini(PageIniName);
    for (int i = 0; i < std::min<int>(8, int(items.size())); ++i)
      items[i]->setText(QString::fromStdString(ini.ReadString("RecentFiles", RecentFileKeys[i], "")));
  } catch (...) {
    // No settings yet: the list starts empty.
  }
  for (QAction* a : items) {
    a->setVisible(!a->text().isEmpty());
    a->setProperty("Command", "FirstFileClick");
  }
}

std::string TForm1::LastDocumentFolder() {
  std::string folder;
  try {
    TZQVIniFile ini(PageIniName);
    folder = ini.ReadString("General", "OpenFileDir", UserDataDir());
  } catch (...) {
    folder = UserDataDir();
  }
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

void TForm1::SetLastDocumentFolder(const std::string& FileName) {
  try {
    TZQVIniFile ini(PageIniName);
    ini.WriteString("General", "OpenFileDir", ExtractFilePath(FileName));
    ini.UpdateFile();
  } catch (...) {
    // The folder is only a convenience for the next dialog.
  }
}

// ---------------------------------------------------------------- saving

bool TForm1::_SaveClick(QObject* Sender) {
  bool saved = false;
  // A page whose file has gone is saved through the Save As dialog rather than not at all.
  if (DocFileName.empty() || Sender == _SaveAs || !FileExists(DocFileName) || DocFileName.size() <= 1) {
    std::string name = AskFileName(this, "Save As", LastDocumentFolder(), true);
    if (!name.empty()) {
      if (ExtractFileExt(name).empty()) name += ".zqv";
      saved = SaveFile(Sender, name);
      // The page takes the name only once it was saved under it.
      if (saved) {
        SetDocumentFileName(name);
        AddRecentFile(name, PageIniName, Reopen1);
        SetLastDocumentFolder(name);
      }
    }
  } else {
    saved = SaveFile(Sender, DocFileName);
    if (saved) {
      AddRecentFile(DocFileName, PageIniName, Reopen1);
      SetLastDocumentFolder(DocFileName);
    }
  }
  if (MainImage && tbText->Down()) SetCaretPosition(this, 0, 0);
  return saved;
}

std::string TForm1::UniqueImageFileName(const std::string& Name, int Start) {
  if (!FileExists(Name)) return Name;
  const std::string folder = ExtractFilePath(Name), ext = ExtractFileExt(Name);
  std::string base = ExtractFileName(Name);
  base = base.substr(0, base.size() - ext.size());
  for (int k = Start + 1;; ++k) {
    const std::string candidate = folder + base + std::to_string(k) + ext;
    if (!FileExists(candidate)) return candidate;
  }
}

void TForm1::SaveImageObjectFiles(QObject*, const std::string& FileName) {
  const std::string folder = ExtractFilePath(FileName);
  std::string base = ExtractFileName(FileName);
  base = base.substr(0, base.size() - ExtractFileExt(base).size());
  for (int i = 0; i < ImageCount; ++i) {
    TSizeChangedImage* image = Images[size_t(i)];
    TGraphic* g = image ? image->Picture.Graphic() : nullptr;
    if (!g || g->Empty()) continue;
    TImageObjectRec& rec = ImageRecs[size_t(i)];
    if (rec.Name().empty()) {
      // The side file's extension names the format the graphic writes: an old-style metafile is a
      // ".wmf", a GIF a ".gif" while LZW-coded GIF may be written and a ".zqg" otherwise.
      std::string ext;
      if (auto* m = dynamic_cast<TMetafile*>(g)) ext = m->Enhanced ? ".emf" : ".wmf";
      else if (dynamic_cast<TPNGImage*>(g)) ext = ".png";
      else if (dynamic_cast<TBitmap*>(g)) ext = ".bmp";
      else if (dynamic_cast<TZQVGif*>(g)) ext = GifLzwAllowed() ? ".gif" : ".zqg";
      else if (dynamic_cast<TJPEGImage*>(g)) ext = ".jpg";
      for (const TGraphicFormat& f : RegisteredFileFormats()) {
        if (!ext.empty()) break;
        std::unique_ptr<TGraphic> probe = f.Create ? f.Create() : nullptr;
        if (probe && typeid(*probe) == typeid(*g)) ext = LowerCase(f.Extension);
      }
      if (ext.empty()) ext = ".bmp";
      const std::string name = UniqueImageFileName(folder + base + "I" + ext, i);
      g->SaveToFile(name);
      rec.SetName(name);
    }
  }
}

bool TForm1::SaveFile(QObject* Sender, const std::string& FileName) {
  const std::string ext = LowerCase(ExtractFileExt(FileName));
  if (ext == ".txt") {
    try {
      const std::string text = PageTextAsUtf8(*this);
      WriteFileAtomically(FileName, text.data(), text.size());
      return true;
    } catch (const std::exception& e) {
      ShowMessage(std::string("Unable to create file stream due to \r") + e.what());
      return false;
    }
  }
  if (ext != ".zqv") {
    ShowMessage("Unable to save file as " + ExtractFileExt(FileName) + " Use File> Save As to save as *.zqv file");
    return false;
  }
  if (FileName.empty()) return false;
  FileBusy = true;
  bool saved = false;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    ProcessMessages();
    const std::string folder = ExtractFilePath(FileName);
    std::string base = ExtractFileName(FileName);
    base = base.substr(0, base.size() - ExtractFileExt(base).size());
    // Side files of the older scheme go, unless a picture or paste of the page still shows one.
    for (int i = 0; i <= 255; ++i) {
      const std::string old = folder + "P" + std::to_string(i) + ChangeFileExt(ExtractFileName(FileName), ".bmp");
      if (FileExists(old) && !ImageFileNameInUse(old)) {
        bool pasted = false;
        for (const TPasteRec& p : Pastes) pasted = pasted || SameFile(p.Name(), old);
        if (!pasted) DeleteFile(old);
      }
    }
    // Pastes become pictures with side files beside the document. The live tables change only
    // once the document is written; the temporary paste files go then too.
    TPictureTable pictures = Pictures;
    TPasteTable pastes = Pastes;
    uint8_t pictureCount = PictureCount;
    std::vector<std::string> converted;
    int kept = 0;
    for (int k = 0; k < MaxPastes; ++k) {
      TPasteRec& p = pastes[size_t(k)];
      const std::string name = p.Name();
      if (name.empty() || p.NoFile || !FileExists(name)) continue;
      if (pictureCount >= MaxPictures - 1) {
        // The picture table is full: the paste stays a paste, with a side file of its own.
        const std::string side = UniqueImageFileName(folder + base + "S.bmp", k);
        if (!SameFile(side, name) && !CopyFile(name, side)) throw EWriteError("Unable to write " + side);
        TPasteRec keep = p;
        keep.SetName(side);
        p = TPasteRec{};
        pastes[size_t(kept++)] = keep;
        continue;
      }
      const std::string target = folder + base + std::to_string(pictureCount) + ".bmp";
      if (!SameFile(target, name)) {
        if (!CopyFile(name, target)) throw EWriteError("Unable to write " + target);
        converted.push_back(name);
      }
      TPictureRec& pic = pictures[size_t(pictureCount)];
      pic = TPictureRec{};
      pic.SetName(target);
      pic.Rect = p.Rect;
      pic.Missing = 0;
      p = TPasteRec{};
      ++pictureCount;
    }
    // Pastes without a usable file are not saved.
    for (int k = kept; k < MaxPastes; ++k) pastes[size_t(k)] = TPasteRec{};
    SaveImageObjectFiles(Sender, FileName);
    // The record.
    auto doc = std::make_unique<TDocument>();
    for (int i = 0; i < CellCount; ++i) {
      TDocumentCell& c = doc->Cells[size_t(i)];
      if (const TMyFont* f = CharFonts[size_t(i)].get()) {
        c.FontName = f->Name;
        c.Style = f->Style & 0x0F;
        c.Charset = f->Charset;
        c.Size = uint16_t(std::clamp(f->Size(), 0, int(MaxDocumentFontSize)));
        c.Color = uint32_t(f->Color);
      }
      c.Front = CharZOrder[size_t(i)];
      c.Offset = CharOffsets[size_t(i)];
      c.Position = CharPositions[size_t(i)];
      c.Code = CharCodes[size_t(i)];
    }
    if (MainFontDlg) {
      const TFont& mf = MainFontDlg->GetMainFont();
      doc->MainFont = {uint32_t(mf.Color), mf.Name, uint16_t(std::clamp(mf.Size(), 1, 1638)),
                       uint8_t(mf.Style & 0x0F), mf.Charset, MainFontDlg->ScriptPercent, MainFontDlg->CustomOffset};
      doc->MainFontSize = uint16_t(std::clamp(MainFontDlg->SpinEdit1->Value(), 0.0, 65535.0));
      doc->FontComboText = MainFontDlg->FontCombo->currentText().toStdString();
      doc->CharsetText = MainFontDlg->Charsets->currentText().toStdString();
    }
    doc->PictureTable = pictures;
    doc->PasteTable = pastes;
    doc->PictureCount = pictureCount;
    doc->PasteCount = uint8_t(kept);
    doc->LineHeight = LineHeight;
    doc->CurrentI = int16_t(CurrentI);
    doc->CaretY = uint16_t(CaretY);
    doc->MetricFlag = Figures && Figures->Metric ? 1 : 0;
    if (PageSetupDialog) {
      doc->LeftMargin = float(PageSetupDialog->Left1->Value());
      doc->TopMargin = float(PageSetupDialog->Top1->Value());
      doc->BottomMargin = float(PageSetupDialog->Bottom1->Value());
      doc->RightMargin = float(PageSetupDialog->Right1->Value());
      doc->PageStyle = uint8_t(std::max(0, PageSetupDialog->PageStyle()));
    }
    doc->SavedPixelsPerInch = uint32_t(ScreenPixelsPerInch());
    doc->ImageCount = ImageCount;
    for (int i = 0; i < ImageCount; ++i)
      if (Images[size_t(i)]) {
        // The records hold page pixels: the controls are children of the page image.
        ImageRecs[size_t(i)].Rect = TStoredRect::From(ImageObjectRect(i));
      }
    doc->ImageRecs = ImageRecs;
    if (Figures) {
      TMemoryStream shapes;
      Figures->SaveToStream(shapes);
      doc->Shapes = std::move(shapes.Data);
    }
    const std::vector<uint8_t> payload = BuildDocumentPayload(*doc);
    doc.reset();
    WriteDocumentFile(FileName, payload, *Compress1);
    // Written: the tables as saved become the page's.
    Pictures = pictures;
    Pastes = pastes;
    PictureCount = pictureCount;
    PasteCount = uint8_t(kept);
    for (const std::string& name : converted) DeleteFile(name);
    FileModified = false;
    Modified = false;
    saved = true;
  } catch (const std::bad_alloc&) {
    ShowMessage(OutOfMemoryText);
  } catch (const EFCreateError& e) {
    ShowMessage(std::string("Unable to create file stream due to \r") + e.what());
  } catch (const std::exception& e) {
    ShowMessage("Error No: " + std::string(e.what()) + " occurred while trying to " + "save " + FileName +
                "\rIf the problem persists please report it to " + SupportAddress);
  }
  QApplication::restoreOverrideCursor();
  FileBusy = false;
  return saved;
}

bool TForm1::Close1Click(QObject*) {
  const std::string prompt =
      DocFileName.empty() ? std::string("Save Changes to untitled ?") : "Save changes to " + DocFileName + " ?";
  if (DocumentNeedsSave() || Modified) {
    if (MessageDlg(prompt, mtConfirmation, mbYes | mbNo, 310) == mrYes && !_SaveClick(_Save)) return false;
  }
  if (DocFileName.empty() && !Modified) return true;
  if (!DocFileName.empty()) {
    const QList<QAction*> items = Reopen1->actions();
    if (items.isEmpty() || items[0]->text().toStdString() != DocFileName) {
      AddRecentFile(DocFileName, PageIniName, Reopen1);
      SetLastDocumentFolder(DocFileName);
    }
  }
  if (DocFileName.empty()) return true;
  if (MainImage) MainImage->setEnabled(false);
  PageDisabled = true;
  SetDocumentFileName("");
  // The temporary paste files of this page go with it.
  const std::string temp = ProcessTempFolder();
  for (const TPasteRec& p : Pastes)
    if (!temp.empty() && p.Name().rfind(temp, 0) == 0) DeleteFile(p.Name());
  ClearDocument(this);
  FillCanvas();
  ResetUndo();
  if (MainImage) {
    MainImage->Bitmap().Image().fill(QApplication::palette().color(QPalette::Button));
    MainImage->Invalidate();
  }
  FileModified = false;
  Modified = false;
  if (MainImage) MainImage->setEnabled(true);
  return true;
}

// ---------------------------------------------------------------- opening

bool TForm1::AskSaveChanges(QObject*, const std::string& Text) {
  const TModalResult r = MessageDlg(Text, mtConfirmation, mbYesNoCancel, 310);
  if (r == mrCancel) return false;
  if (r == mrYes) return _SaveClick(_Save);
  return true;
}

void TForm1::_OpenClick(QObject* Sender) {
  ToolPanel1->setEnabled(false);
  ProcessMessages();
  bool go = true;
  if (Modified || DocumentNeedsSave())
    go = AskSaveChanges(Sender, "Your changes have not been saved. Would you like to save them");
  if (go) {
    const std::string name = AskFileName(this, "Korvalis V Open: *.ZQV,*.TXT", LastDocumentFolder(), false);
    if (!name.empty()) {
      if (!DocFileName.empty()) AddRecentFile(DocFileName, PageIniName, Reopen1);
      // Answered above: the reader does not ask again.
      const bool modified = Modified, fileModified = FileModified;
      Modified = FileModified = false;
      const bool text = SameText(ExtractFileExt(name), ".txt");
      const bool ok = text ? OpenASCIIFile(Sender, name) : Open_File(Sender, name);
      if (ok) {
        if (text) SetDocumentFileName(name);
        SetLastDocumentFolder(name);
        AddRecentFile(name, PageIniName, Reopen1);
      } else if (PageUntouchedByOpen) {
        // The file was refused before anything of the page changed: the page stays as it was.
        Modified = modified;
        FileModified = fileModified;
      } else {
        ShowMessage("Unable to open file " + name + " Creating new workspace, please wait");
        NewFile(Sender);
      }
    }
  }
  ToolPanel1->setEnabled(true);
}

void TForm1::FirstFileClick(QObject* Sender) {
  ToolPanel1->setEnabled(false);
  auto* item = qobject_cast<QAction*>(Sender);
  std::string name = item ? item->text().toStdString() : std::string();
  auto open = [&](const std::string& n) {
    const bool ok = SameText(ExtractFileExt(n), ".txt") ? OpenASCIIFile(Sender, n) : Open_File(Sender, n);
    if (ok) {
      SetLastDocumentFolder(n);
      AddRecentFile(n, PageIniName, Reopen1);
    }
  };
  if (!name.empty() && FileExists(name)) {
    open(name);
  } else if (!name.empty()) {
    if (MessageDlg("The File: " + name + " is missing or not in " + "\r" +
                       "the specified directory. Would you like to try and find it?",
                   mtInformation, mbYes | mbNo, 310) == mrYes) {
      try {
        const std::string found = AskFileName(this, "Korvalis V Open: *.ZQV,*.TXT", LastDocumentFolder(), false);
        if (!found.empty()) {
          open(found);
          SetCaretPosition(this, 0, 0);
        }
      } catch (...) {
        ShowMessage("The Open file dialog failed to execute. Sorry :-(");
      }
    }
  }
  ToolPanel1->setEnabled(true);
}

void TForm1::RescaleOffsets(int32_t FileDpi, int32_t ScreenDpi) {
  if (FileDpi == 0 || ScreenDpi == 0 || FileDpi == ScreenDpi) return;
  const long double f = static_cast<long double>(ScreenDpi) / FileDpi;
  for (int32_t& o : CharOffsets)
    if (o != 0) o = RoundHalfEven(o * f);
}

void TForm1::RescalePictureRects(int32_t FileDpi, int32_t ScreenDpi, int32_t LastIndex, TPictureTable& Table) {
  if (FileDpi == 0 || ScreenDpi == 0 || FileDpi == ScreenDpi) return;
  const long double f = static_cast<long double>(ScreenDpi) / FileDpi;
  for (int i = 0; i <= std::min(LastIndex, MaxPictures - 1); ++i) {
    TRect r = Table[size_t(i)].Rect.ToRect();
    ::ScaleRect(r, f);
    Table[size_t(i)].Rect = TStoredRect::From(r);
  }
}

bool TForm1::LoadImageObjectFiles(QObject*) {
  bool dropped = false;
  for (int i = 0; i < ImageCount; ++i) {
    TImageObjectRec& rec = ImageRecs[size_t(i)];
    const TRect r = rec.Rect.ToRect();
    delete Images[size_t(i)];
    Images[size_t(i)] = nullptr;
    CreateImageObject(i, r.Left, r.Top, r.Width(), r.Height(), false, true);
    TSizeChangedImage* image = Images[size_t(i)];
    std::string name = rec.Name();
    if (name.empty()) continue;
    // A missing file is offered to be found or replaced, or removed from the page.
    switch (LocateMissingPicture(name, 255)) {
      case 1:
        // Dropped: no file and no picture; the reader removes the object afterwards.
        rec.SetName("");
        image->Picture.SetGraphic(nullptr);
        dropped = true;
        continue;
      case 2: {
        // Ignored: the object keeps its place and its file name with a blank picture, drawn as
        // nothing.
        auto blank = std::make_unique<TBitmap>(std::max(1, r.Width()), std::max(1, r.Height()), pf24bit);
        blank->Canvas().Brush.Color = clWhite;
        blank->Canvas().FillRect(TRect(0, 0, blank->Width(), blank->Height()));
        blank->Transparent = true;
        image->Picture.SetGraphic(std::move(blank));
        continue;
      }
      default:
        if (name != rec.Name()) rec.SetName(name);
        break;
    }
    std::unique_ptr<TGraphic> g = NewImageObjectGraphic(name);
    try {
      if (!g || !FileExists(name)) throw EFOpenError(name);
      g->LoadFromFile(name);
      if (auto* jpeg = dynamic_cast<TJPEGImage*>(g.get())) {
        auto b = std::make_unique<TBitmap>();
        GraphicToBitmap(*jpeg, *b);
        g = std::move(b);
      }
      image->Picture.SetGraphic(std::move(g));
      image->Transparent = false;
    } catch (const std::exception&) {
      // The object keeps its record (and so its file name) with an empty picture.
      ShowMessage("The image file " + name + "\r" + " is either invalid or missing. This image will not be" +
                  " included in your work. Sorry :-(.");
    }
  }
  return dropped;
}

void TForm1::RemoveDroppedImageObjects() {
  // The objects the user chose to drop while the document was read: no file and no picture. An
  // object whose file exists but could not be read keeps its entry, so its file stays referred to.
  for (int i = 0; i < ImageCount;) {
    TSizeChangedImage* image = Images[size_t(i)];
    const bool gone = ImageRecs[size_t(i)].Name().empty() && (!image || !image->Picture.Graphic());
    if (!gone) {
      ++i;
      continue;
    }
    if (aDrag && aDrag->Image() == image) DeselectImage(this, false);
    delete image;
    Images[size_t(i)] = nullptr;
    RemoveImageObjectEntry({ImageRecs, Images, ImageCount, SelectedImage}, i);
  }
  for (int i = 0; i < ImageCount; ++i)
    if (Images[size_t(i)]) Images[size_t(i)]->setProperty("Tag", i);
}

bool TForm1::Open_File(QObject* Sender, const std::string& FileName) {
  PageUntouchedByOpen = true;
  if ((Modified || DocumentNeedsSave()) &&
      !AskSaveChanges(Sender, "Your changes to: " + (DocFileName.empty() ? std::string("Untitled") : DocFileName) +
                                  ". Have not been saved. Would you like to save them"))
    return false;
  FileBusy = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool result = false;
  const int screenDpi = ScreenPixelsPerInch();
  auto doc = std::make_unique<TDocument>();
  TDocReadResult read;
  // Temporary files that killed runs left beside the document go.
  RemoveStaleTempFilesBeside(FileName);
  std::vector<uint8_t> raw;
  try {
    raw = ReadWholeFile(FileName, int64_t(MaxDocumentPayload) + 1024);
    read = ReadDocumentBytes(raw, *Compress1, *doc);
  } catch (const std::bad_alloc&) {
    read.Status = TDocReadStatus::Damaged;
    ShowMessage(OutOfMemoryText);
  } catch (const std::exception&) {
    read.Status = TDocReadStatus::Damaged;
  }
  const std::string shortName = ExtractFileName(FileName);
  switch (read.Status) {
    case TDocReadStatus::Ok:
      break;
    case TDocReadStatus::Empty:
      ShowMessage("Invalid File: " + FileName + " is empty.");
      break;
    case TDocReadStatus::BadVersion:
      // The version message is for a document of another version; bytes that are no document at
      // all (a picture renamed, random data) are called what they are.
      if (!read.Signed) {
        ShowMessage("    The file " + FileName + " is not a " + "Korvalis V" + " document. Exiting File Open");
        break;
      }
      ShowMessage("    The file " + shortName + " is from an incompatable version of " + "Korvalis V" +
                  "\rPlease report this to " + SupportAddress + " quoting\r\"Program File Description: " +
                  std::to_string(DocumentVersion) + " and File Description: " + std::to_string(read.Version) +
                  " and the version number of this program\",\ror obtain a newer version from " + MakerWebAddress);
      break;
    case TDocReadStatus::BadSignature:
      ShowMessage("    The file " + shortName + " has the extension zqv " + "\r" + "but is not an " + "Korvalis V" +
                  " or ZQVWare file. Exiting File Open");
      break;
    case TDocReadStatus::BadChecksum:
      ShowMessage("Bad Check sum from imported file " + FileName + ", aborting");
      break;
    case TDocReadStatus::DecompressFailure:
      ShowMessage(std::string("Unknown decompression failure. Please report this message \rand the following line to ") +
                  SupportAddress + "\r" + read.Detail);
      break;
    case TDocReadStatus::Damaged:
      MessageDlg(OpenErrorText(FileName), mtWarning, mbOK, 310);
      break;
  }
  if (read.Status != TDocReadStatus::Ok) {
    QApplication::restoreOverrideCursor();
    FileBusy = false;
    return false;
  }
  // Only a document that was read whole and passed its checks becomes the backup (a damaged one
  // must not replace the last good backup), with the document's permissions.
  try {
    WriteFileAtomically(ChangeFileExt(FileName, ".Bak"), raw.data(), raw.size(), FileModeOf(FileName));
  } catch (const std::exception&) {
    // The backup is a courtesy: the document opens without it.
  }
  raw = std::vector<uint8_t>();
  // The file is sound: from here on the page becomes the document.
  PageUntouchedByOpen = false;
  bool rescaled = false;
  try {
    PageDisabled = false;
    ClearDocument(Sender);
    const TDocument& d = *doc;
    if (d.Version >= 5 && Figures) {
      auto saved = std::move(Figures->OnBackgroundColorChange);
      Figures->OnBackgroundColorChange = nullptr;
      try {
        TBytesStream shapes(d.Shapes.data(), d.Shapes.size());
        if (!Figures->LoadFromStream(shapes, false)) Figures->Clear();
      } catch (const EZQVCadStreamLoadError& e) {
        ShowMessage(std::string("Error in Open_File - Load CAD. Vector information not loaded. Error:") + e.what());
        Figures->Clear();
      } catch (const EReadError&) {
        Figures->Clear();
      } catch (...) {
        ShowUnknownError("Open_File, Load Shapes");
        Figures->Clear();
      }
      BackgroundColor = Figures->BackgroundColor;
      Figures->OnBackgroundColorChange = std::move(saved);
    }
    // The cells.
    const TDocumentCell& one = d.Cells[1];
    for (int i = 0; i < CellCount; ++i) {
      const TDocumentCell& c = d.Cells[size_t(i) == 0 ? 1 : size_t(i)];
      TMyFont& f = *CharFonts[size_t(i)];
      f.Name = c.FontName;
      f.Style = c.Style;
      f.Charset = c.Charset;
      f.SetSize(std::max<int>(1, c.Size));
      f.Color = TColor(c.Color);
      if (i > 1 && c.Size == 0) {
        f.SetSize(std::max<int>(1, one.Size));
        f.Name = one.FontName;
      }
      const TDocumentCell& own = d.Cells[size_t(i)];
      CharOffsets[size_t(i)] = own.Offset;
      CharPositions[size_t(i)] = own.Position;
      CharCodes[size_t(i)] = own.Code;
      CharZOrder[size_t(i)] = own.Front;
    }
    LineHeight = d.LineHeight;
    const int fileDpi = d.SavedPixelsPerInch == 0 ? screenDpi : int(d.SavedPixelsPerInch);
    Pictures = d.PictureTable;
    Pastes = d.PasteTable;
    PictureCount = d.PictureCount;
    PasteCount = d.PasteCount;
    CurrentI = d.CurrentI;
    if (PageSetupDialog) {
      const QSignalBlocker b1(PageSetupDialog->Left1), b2(PageSetupDialog->Top1), b3(PageSetupDialog->Bottom1),
          b4(PageSetupDialog->Right1), b5(PageSetupDialog->DefaultMetric1);
      PageSetupDialog->Left1->SetValue(d.LeftMargin);
      PageSetupDialog->Top1->SetValue(d.TopMargin);
      PageSetupDialog->Bottom1->SetValue(d.BottomMargin);
      PageSetupDialog->Right1->SetValue(d.RightMargin);
      PageSetupDialog->SetPageStyle(d.PageStyle);
      PageSetupDialog->DefaultMetric1->setChecked(d.Version >= 4 && Figures && Figures->Metric);
    }
    if (MainFontDlg) {
      if (d.Version < 6) {
        const int index = MainFontDlg->Charsets->findText(QString::fromStdString(d.CharsetText));
        if (index >= 0) MainFontDlg->Charsets->setCurrentIndex(index);
      } else {
        const int p = d.MainFont.ScriptPercent, o = d.MainFont.CustomOffset;
        if (p > 20 && p < 99) MainFontDlg->ScriptPercent = MainFontPercentAtShow = p;
        if (o > -20 && o < 20 && o != 0) MainFontDlg->CustomOffset = MainFontOffsetAtShow = o;
        TFont& mf = MainFontDlg->GetMainFont();
        mf.Name = d.MainFont.Name;
        mf.Style = d.MainFont.Style;
        mf.SetSize(d.MainFont.Size);
        mf.Color = TColor(d.MainFont.Color);
        mf.Charset = d.MainFont.Charset;
        MainFontChanged = false;
      }
    }
    std::vector<uint8_t> oldShapes = d.OldShapes;
    if (d.Version < 3) ScaleOldPenWidths(oldShapes.data(), oldShapes.size());
    if (d.Version < 4) UpgradeOldShapeRecords(oldShapes.data(), oldShapes.size());
    // The page set-up of the document, with the caret at its cell.
    if (PageSetupDialog) {
      lMargin = int16_t(PageSetupDialog->LeftMarginPx());
      tMargin = int16_t(PageSetupDialog->TopMarginPx());
      bMargin = int16_t(PageSetupDialog->BottomEdgePx());
      rMargin = int16_t(PageSetupDialog->RightEdgePx());
      PageSetupDialog->SetUpPage(nullptr, false, CurrentI);
    }
    if (d.Version < 5 && d.OldShapeCount > 1 && Figures) {
      const int last = std::min<int>(d.OldShapeCount, int(OldShapeRecCount)) - 1;
      ScaleFigureRecords(fileDpi, screenDpi, oldShapes.data(), oldShapes.size(), last, 1);
      if (Figures->Count() > 0) Figures->Clear();
      ImportOldShapes(*Figures, oldShapes.data(), oldShapes.size(), d.OldShapeCount, fileDpi);
    }
    if (fileDpi != screenDpi) {
      rescaled = true;
      LineHeight = uint8_t(std::clamp(MulDiv(LineHeight, screenDpi, fileDpi), 1, 255));
      RescaleOffsets(fileDpi, screenDpi);
      LayoutTextCells();
      RescalePictureRects(fileDpi, screenDpi, PictureCount - 1, Pictures);
      std::span<uint8_t> pastes(reinterpret_cast<uint8_t*>(Pastes.data()), sizeof(TPasteRec) * MaxPastes);
      RescalePasteRects(fileDpi, screenDpi, PasteCount - 1, pastes);
      ImageRecs = d.ImageRecs;
      std::span<uint8_t> images(reinterpret_cast<uint8_t*>(ImageRecs.data()), sizeof(TImageObjectRec) * MaxImageObjects);
      RescaleImageRects(fileDpi, screenDpi, d.ImageCount - 1, images);
    } else {
      ImageRecs = d.ImageRecs;
    }
    ImageCount = d.ImageCount;
    bool dropped = false;
    if (d.Version >= 3) dropped = LoadImageObjectFiles(Sender);
    FileModified = false;
    Modified = false;
    if (dropped) {
      RemoveDroppedImageObjects();
      FileModified = Modified = true;
    }
    if (d.Version >= 3) RestackImageObjects();
    SetDocumentFileName(FileName);
    tbSave->setEnabled(true);
    result = true;
  } catch (const std::exception&) {
    ShowMessage("Unable to load text data. Aborting File Open");
    SetDocumentFileName("");
    result = false;
  }
  doc.reset();
  if (result) {
    ResetUndo();
    MoveCaretTo(CharPositions[size_t(std::clamp(CurrentI, 1, MaxCharacters))]);
    // The transform window worked on the figures of the page that is gone.
    if (TransformsWindowOpen && TransformShapes1 && TransformShapes1->isVisible()) TransformShapes1->close();
    ProcessMessages();
    ClearSelectionRect();
    RefreshAllImages(Sender, false);
    UpdateStyleButtons(this, false, 0);
  }
  QApplication::restoreOverrideCursor();
  if (result && rescaled)
    ShowMessage(
        "This file was created on a machine with a different\rfont size. Some slight mis-alignment of text with "
        "drawn\rshapes may occur. If you wish to view this file as it\rwas created; quit the application without "
        "saving the\rfile and change the font settings on your computer.");
  FileBusy = false;
  return result;
}

bool TForm1::OpenASCIIFile(QObject* Sender, const std::string& FileName) {
  PageUntouchedByOpen = true;
  if (!SameText(ExtractFileExt(FileName), ".txt")) return true;
  if ((Modified || DocumentNeedsSave()) &&
      !AskSaveChanges(Sender, "Your changes to: " + (DocFileName.empty() ? std::string("Untitled") : DocFileName) +
                                  ". Have not been saved. Would you like to save them"))
    return false;
  if (!FileExists(FileName)) return false;
  RemoveStaleTempFilesBeside(FileName);
  bool result = true;
  FileBusy = true;
  try {
    const std::string text = TextFileAsWin1252(ReadWholeFile(FileName, 64 << 20));
    PageUntouchedByOpen = false;
    NewFile(Sender);
    // The plain-text insertion of the clipboard: lines wrapped at the right margin, tabs as tab
    // cells, and the questions about too much text and the bottom margin.
    LoadASCII(Sender, text);
    LayoutTextCells();
    RefreshAllImages(Sender, false);
    CurrentI = 1;
    SetCaretPosition(Sender, 0, 1);
    SetModified();
  } catch (...) {
    ShowUnknownError("OpenASCIIFile");
    result = false;
  }
  FileBusy = false;
  return result;
}

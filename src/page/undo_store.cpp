// The undo store: text, picture and paste snapshots in three files of this process, the stack of
// undo kinds, shape entries that stay in step with the CAD engine's own undo, and the guard on the
// disk space the files take.
#include <QStorageInfo>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <functional>

#include "cad/engine.h"
#include "helpers/error_report.h"
#include "page/page_part.h"
#include "page/process_files.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/numeric.h"
#include "text/page_geometry.h"
#include "text/text_page.h"

int TextUndoCount = 0;

namespace {
const char* const UndoFileNames[3] = {"TextStm.tmp", "PicStm.tmp", "PstStm.tmp"};
const size_t RecordSizes[3] = {TextUndoRecSize, PictureUndoRecSize, PasteUndoRecSize};
const char* const CreateFailureTexts[3] = {
    "The temporary file for undoing text failed to open, \rUndo text operations will not be available. Sorry :-(",
    "The temporary file for undoing pictures failed to open, \rUndo picture operations will not be available. Sorry :-(",
    "The temporary file for undoing pasted images failed to open, \rUndo paste operations will not be available. Sorry :-("};

int& KindCounter(TUndoState& s, int kind) {
  switch (kind) {
    case ukText:
      return TextUndoCount;
    case ukPicture:
      return s.PictureUndoCount;
    default:
      return s.PasteUndoCount;
  }
}

void PutI16(uint8_t* p, int16_t v) { std::memcpy(p, &v, 2); }
int16_t GetI16(const uint8_t* p) {
  int16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// Free bytes on the drive of a folder; -1 when they cannot be read.
int64_t FreeSpaceOf(const std::string& folder) {
  QStorageInfo info(QString::fromStdString(folder));
  if (!info.isValid() || !info.isReady()) return -1;
  return info.bytesAvailable();
}

// The drive letter the messages name: the root of the folder's file system on this platform.
std::string DriveOf(const std::string& folder) {
  QStorageInfo info(QString::fromStdString(folder));
  return info.isValid() ? info.rootPath().toStdString() : std::string("/");
}
}  // namespace

int ShapeUndoCount(const TUndoState& s) { return int(s.ShapeDepths.size()); }

void TPagePart::EnableUndoButton() { SetButtonEnabled(TextButton::tbUndo, UndoState.UndoKindCount > 0); }

void TPagePart::SyncFontStyleButtons() {
  if (!TypingFont) return;
  TFontStyles s = 0;
  if (ButtonDown(TextButton::tbBold)) s |= fsBold;
  if (ButtonDown(TextButton::tbItalics)) s |= fsItalic;
  if (ButtonDown(TextButton::tbUnderline)) s |= fsUnderline;
  if (ButtonDown(TextButton::tbStrikeOut)) s |= fsStrikeOut;
  TypingFont->Style = s;
}

void TPagePart::TakeSnapshot(int Kind, std::vector<uint8_t>& Out) {
  Out.assign(RecordSizes[Kind - 1], 0);
  uint8_t* r = Out.data();
  TTextPage& t = PageText;
  if (Kind == ukText) {
    for (int i = 0; i < CellCount; ++i) {
      TFontRec fr;
      if (t.CharFonts[size_t(i)]) FontToRecord(*t.CharFonts[size_t(i)], fr);
      std::memcpy(r + TextUndoFonts + size_t(i) * 64, &fr, 64);
      std::memcpy(r + TextUndoOffsets + size_t(i) * 4, &t.CharOffsets[size_t(i)], 4);
      r[TextUndoCodes + size_t(i)] = t.CharCodes[size_t(i)];
      r[TextUndoLayers + size_t(i)] = t.CharZOrder[size_t(i)] ? 1 : 0;
    }
    r[TextUndoLineHeight] = LineHeight;
    PutI16(r + TextUndoMargins, lMargin);
    PutI16(r + TextUndoMargins + 2, tMargin);
    PutI16(r + TextUndoMargins + 4, bMargin);
    PutI16(r + TextUndoMargins + 6, rMargin);
    PutI16(r + TextUndoCurrentI, int16_t(t.CurrentI));
    TFontRec fr;
    if (TypingFont) FontToRecord(*TypingFont, fr);
    std::memcpy(r + TextUndoTypingFont, &fr, 64);
  } else if (Kind == ukPicture) {
    std::memcpy(r, Pictures.data(), sizeof(TPictureRec) * MaxPictures);
    const uint32_t n = PictureCount;
    std::memcpy(r + sizeof(TPictureRec) * MaxPictures, &n, 4);
  } else {
    std::memcpy(r, Pastes.data(), sizeof(TPasteRec) * MaxPastes);
    const uint32_t n = PasteCount;
    std::memcpy(r + sizeof(TPasteRec) * MaxPastes, &n, 4);
  }
}

void TPagePart::RestoreSnapshot(int Kind, const std::vector<uint8_t>& In) {
  if (In.size() != RecordSizes[Kind - 1]) return;
  const uint8_t* r = In.data();
  TTextPage& t = PageText;
  if (Kind == ukText) {
    for (int i = 0; i < CellCount; ++i) {
      TFontRec fr;
      std::memcpy(&fr, r + TextUndoFonts + size_t(i) * 64, 64);
      if (t.CharFonts[size_t(i)]) RecordToFont(fr, *t.CharFonts[size_t(i)]);
      std::memcpy(&t.CharOffsets[size_t(i)], r + TextUndoOffsets + size_t(i) * 4, 4);
      t.CharCodes[size_t(i)] = r[TextUndoCodes + size_t(i)];
      t.CharZOrder[size_t(i)] = r[TextUndoLayers + size_t(i)] != 0;
    }
    LineHeight = r[TextUndoLineHeight];
    lMargin = GetI16(r + TextUndoMargins);
    tMargin = GetI16(r + TextUndoMargins + 2);
    bMargin = GetI16(r + TextUndoMargins + 4);
    rMargin = GetI16(r + TextUndoMargins + 6);
    t.CurrentI = std::clamp<int32_t>(GetI16(r + TextUndoCurrentI), 1, MaxCharacters);
    TFontRec fr;
    std::memcpy(&fr, r + TextUndoTypingFont, 64);
    if (TypingFont) RecordToFont(fr, *TypingFont);
  } else if (Kind == ukPicture) {
    std::memcpy(Pictures.data(), r, sizeof(TPictureRec) * MaxPictures);
    uint32_t n;
    std::memcpy(&n, r + sizeof(TPictureRec) * MaxPictures, 4);
    PictureCount = uint8_t(std::min<uint32_t>(n, MaxPictures - 1));
  } else {
    std::memcpy(Pastes.data(), r, sizeof(TPasteRec) * MaxPastes);
    uint32_t n;
    std::memcpy(&n, r + sizeof(TPasteRec) * MaxPastes, 4);
    PasteCount = uint8_t(std::min<uint32_t>(n, MaxPastes - 1));
  }
}

void TPagePart::PushKind(uint8_t Kind) {
  TUndoState& s = UndoState;
  if (s.UndoKindCount >= MaxUndoKinds) {
    // A full stack forgets its oldest entry, so the newest change can always be taken back.
    const uint8_t oldest = s.UndoKinds[0];
    std::move(s.UndoKinds.begin() + 1, s.UndoKinds.begin() + s.UndoKindCount, s.UndoKinds.begin());
    --s.UndoKindCount;
    if (oldest == ukShape && !s.ShapeDepths.empty()) s.ShapeDepths.erase(s.ShapeDepths.begin());
    if (oldest == ukImageObject && !s.DeletedImages.empty()) s.DeletedImages.erase(s.DeletedImages.begin());
  }
  s.UndoKinds[size_t(s.UndoKindCount++)] = Kind;
}

void TPagePart::PushSnapshot(int Kind, QObject* Sender) {
  TUndoFile& file = UndoState.Files[Kind - 1];
  if (!file.Stream) return;
  const size_t size = RecordSizes[Kind - 1];
  if (file.Held.size() != size) file.Held.assign(size, 0);
  if (!file.Stream->seek(file.Position) || file.Stream->write(reinterpret_cast<const char*>(file.Held.data()),
                                                              qint64(size)) != qint64(size)) {
    // The record could not be written (disk full): this change cannot be taken back, and no
    // older one either, since the stack would no longer match the file.
    ShowMessage(CreateFailureTexts[Kind - 1]);
    return;
  }
  file.Position += int64_t(size);
  TakeSnapshot(Kind, file.Held);
  SetUndoItemsEnabled(TUndoKind(Kind), true);
  PushKind(uint8_t(Kind));
  ++KindCounter(UndoState, Kind);
  EnableUndoButton();
  std::string sizeText;
  CheckUndoSpace(Sender, sizeText);
}

void TPagePart::PushTextUndo(QObject* Sender) { PushSnapshot(ukText, Sender); }
void TPagePart::PushPictureUndo(QObject* Sender) { PushSnapshot(ukPicture, Sender); }
void TPagePart::PushPasteUndo(QObject* Sender) { PushSnapshot(ukPaste, Sender); }

void TPagePart::PushShapeUndo() {
  TUndoState& s = UndoState;
  const int depth = Figures ? Figures->UndoDepth() : 0;
  if (depth <= s.ShapeDepthMark) {
    // The engine recorded nothing (or dropped entries): nothing to take back.
    s.ShapeDepthMark = depth;
    return;
  }
  PushKind(ukShape);
  s.ShapeDepths.push_back(s.ShapeDepthMark);
  s.ShapeDepthMark = depth;
  SetUndoItemsEnabled(ukShape, true);
  EnableUndoButton();
}

void TPagePart::PushImageObjectUndo(TDeletedImageObject Entry) {
  UndoState.DeletedImages.push_back(std::move(Entry));
  PushKind(ukImageObject);
  EnableUndoButton();
}

void TPagePart::UndoImageObject(QObject* Sender) {
  TUndoState& s = UndoState;
  if (s.DeletedImages.empty()) return;
  TDeletedImageObject entry = std::move(s.DeletedImages.back());
  s.DeletedImages.pop_back();
  RestoreImageObject(entry);
  RefreshAllImages(Sender, false);
  EnableUndoButton();
}

bool TPagePart::UndoSnapshot(int Kind) {
  TUndoFile& file = UndoState.Files[Kind - 1];
  if (!file.Stream) return false;
  int& counter = KindCounter(UndoState, Kind);
  if (counter <= 0) return false;
  const size_t size = RecordSizes[Kind - 1];
  RestoreSnapshot(Kind, file.Held);
  if (file.Position >= int64_t(size)) {
    file.Position -= int64_t(size);
    std::vector<uint8_t> older(size, 0);
    if (!file.Stream->seek(file.Position) ||
        file.Stream->read(reinterpret_cast<char*>(older.data()), qint64(size)) != qint64(size)) {
      // An unreadable record ends this kind's undo: nothing older can be given back. The change
      // itself was taken back; the caller is told so that the undo files can be made afresh.
      counter = 0;
      SetUndoItemsEnabled(TUndoKind(Kind), false);
      throw EReadError("Stream read error");
    } else {
      file.Held = std::move(older);
      --counter;
    }
  } else {
    counter = 0;
  }
  if (counter == 0) SetUndoItemsEnabled(TUndoKind(Kind), false);
  return true;
}

namespace {
// Runs an undo of one kind; a record that could not be read is reported to the caller only after
// the page shows the change that was taken back.
template <typename Redraw>
void UndoThenRedraw(const std::function<bool()>& Undo, Redraw redraw) {
  std::exception_ptr failure;
  bool done = false;
  try {
    done = Undo();
  } catch (const EStreamError&) {
    failure = std::current_exception();
    done = true;
  }
  if (done) redraw();
  if (failure) std::rethrow_exception(failure);
}
}  // namespace

void TPagePart::UndoText(QObject* Sender) {
  UndoThenRedraw([this] { return UndoSnapshot(ukText); }, [this, Sender] {
    TTextPage& t = PageText;
    t.ClearSelectionRange();
    t.LayoutTextCells();
    CaretPos = t.CharPositions[size_t(t.CurrentI)];
    CaretY = int16_t(CaretPos.Y);
    RefreshAllImages(Sender, false);
    SyncFontStyleButtons();
    EnableUndoButton();
  });
}

void TPagePart::UndoPicture(QObject* Sender) {
  UndoThenRedraw([this] { return UndoSnapshot(ukPicture); }, [this, Sender] { RefreshAllImages(Sender, false); });
  EnableUndoButton();
}

void TPagePart::UndoPaste(QObject* Sender) {
  UndoThenRedraw([this] { return UndoSnapshot(ukPaste); }, [this, Sender] { RefreshAllImages(Sender, false); });
  EnableUndoButton();
}

void TPagePart::UndoShape() {
  TUndoState& s = UndoState;
  if (s.ShapeDepths.empty()) return;
  const int target = s.ShapeDepths.back();
  s.ShapeDepths.pop_back();
  if (Figures) {
    // Every engine entry above the target is taken back, deletes included (the engine's undo
    // answers false for a delete, which says what it undid, not that it failed).
    while (Figures->UndoDepth() > target) {
      const int before = Figures->UndoDepth();
      Figures->Undo();
      if (Figures->UndoDepth() >= before) break;
    }
    s.ShapeDepthMark = Figures->UndoDepth();
  }
  if (s.ShapeDepths.empty()) SetUndoItemsEnabled(ukShape, false);
  EnableUndoButton();
}

void TPagePart::RemoveUndoKind(uint8_t Kind) {
  TUndoState& s = UndoState;
  for (int i = s.UndoKindCount - 1; i >= 0; --i) {
    if (s.UndoKinds[size_t(i)] != Kind) continue;
    std::move(s.UndoKinds.begin() + i + 1, s.UndoKinds.begin() + s.UndoKindCount, s.UndoKinds.begin() + i);
    s.UndoKinds[size_t(--s.UndoKindCount)] = 0;
    break;
  }
  EnableUndoButton();
}

void TPagePart::UndoLast(QObject* Sender, bool ShapesOnly) {
  TUndoState& s = UndoState;
  if (ShapesOnly) {
    // Outside the text tool the newest change to the figures or the image objects is taken back;
    // text changes wait for the text tool.
    uint8_t newest = 0;
    for (int i = s.UndoKindCount - 1; i >= 0 && !newest; --i)
      if (s.UndoKinds[size_t(i)] == ukShape || s.UndoKinds[size_t(i)] == ukImageObject) newest = s.UndoKinds[size_t(i)];
    if (newest == ukImageObject) {
      RemoveUndoKind(ukImageObject);
      UndoImageObject(Sender);
    } else if (newest == ukShape && !s.ShapeDepths.empty()) {
      UndoShape();
      RemoveUndoKind(ukShape);
      RefreshAllImages(Sender, false);
    }
    EnableUndoButton();
    return;
  }
  if (s.UndoKindCount <= 0) return;
  const uint8_t kind = s.UndoKinds[size_t(--s.UndoKindCount)];
  s.UndoKinds[size_t(s.UndoKindCount)] = 0;
  switch (kind) {
    case ukText:
      UndoText(Sender);
      break;
    case ukPicture:
      UndoPicture(Sender);
      break;
    case ukPaste:
      UndoPaste(Sender);
      break;
    case ukShape:
      // A shape entry is taken back like any other, so the page and the engine stay in step.
      UndoShape();
      RefreshAllImages(Sender, false);
      break;
    case ukImageObject:
      UndoImageObject(Sender);
      break;
    default:
      break;
  }
  EnableUndoButton();
}

int64_t TPagePart::UndoStreamSize(const TUndoFile& File) { return File.Stream ? File.Stream->size() : 0; }

void TPagePart::CheckUndoSpace(QObject* Sender, std::string& SizeText) {
  TUndoState& s = UndoState;
  int64_t total = 0;
  for (const TUndoFile& f : s.Files) total += UndoStreamSize(f);
  SizeText = std::to_string(total);
  int count = 0;
  for (int i = 0; i < s.UndoKindCount; ++i)
    if (s.UndoKinds[size_t(i)] != ukShape) ++count;
  std::string percentText = "O/F";
  if (s.StartUpFreeSpace > 0)
    percentText = std::to_string(std::llrint(100.0L * total / s.StartUpFreeSpace)) + "%";
  const std::string folder = ProcessTempFolder();
  const int64_t free = FreeSpaceOf(folder);
  if (free < 0) {
    if (!s.FreeSpaceWarned) {
      s.FreeSpaceWarned = true;
      ShowMessage(
          "Unable to get free disk space. Warnings would normally be given \rwhen 10% of disk space is in use by "
          "undo files. If you have  \rless than 10Mb of free space this may be a problem. You will \rbe warned by "
          "the operating system when space gets seriously low \rbut this may iterfere with your work. The only "
          "solution is to \rrecover or acquire some more space.");
    }
    return;
  }
  const std::string drive = DriveOf(folder);
  int answer = 0;
  if (free < UndoDangerFreeSpace)
    answer = MessageBox("The free space on: " + drive + " is dangerously low. (" + FormatFixed(free / 1000000.0, 2) +
                            "Mb)" + "\r" + "You must free some space or allow the application to delete " + "\r" +
                            "the undo files. Do you wish to save your work before deleting " + "\r" + "these files",
                        "Korvalis V", MB_YESNOCANCEL | MB_ICONSTOP);
  if (count >= MaxUndoKinds - 1)
    answer = MessageBox("The undo limit for Korvalis V of " + std::to_string(MaxUndoKinds) + " has been reached" +
                            "\r" + "The undo files must be reset." + "\r" + "\r" +
                            "Do you wish to save your work before deleting these files",
                        "Korvalis V", MB_YESNO | MB_ICONSTOP);
  if (answer == IDYES) SaveBeforeUndoReset(Sender);
  if (answer == IDYES || answer == IDNO) {
    const bool ok = DeleteUndoFiles() && CreateUndoFiles();
    SetUndoMenuEnabled(ok);
    SetButtonEnabled(TextButton::tbUndo, false);
    return;
  }
  if (s.StartUpFreeSpace <= 0) return;
  // Interval warnings: each band of 10 % of the start-up free space warns once; the last band
  // (90 % and more) warns whatever the interval setting.
  for (int band = 1; band <= 9; ++band) {
    const int64_t low = std::llrint(s.StartUpFreeSpace * (band / 10.0L));
    const int64_t high = band < 9 ? std::llrint(s.StartUpFreeSpace * ((band + 1) / 10.0L)) : INT64_MAX;
    if (band < 9 && !s.IntervalWarnings) continue;
    if (total >= low && total <= high && !s.BandWarned[size_t(band - 1)]) {
      s.BandWarned[size_t(band - 1)] = true;
      AskRecoverUndoSpace(drive, percentText);
    }
  }
}

void TPagePart::AskRecoverUndoSpace(const std::string& Drive, const std::string& PercentText) {
  if (MessageBox("The free space on drive: " + Drive + " is running low. " + "\r" + PercentText +
                     " of this is in use by undo files. Would you like to " +
                     "recover this space. Undo operations will start from scratch.",
                 "Korvalis V", MB_YESNO | MB_ICONSTOP) == IDYES) {
    DeleteUndoFiles();
    CreateUndoFiles();
    return;
  }
  UndoState.IntervalWarnings =
      MessageBox("Warn again? (a warning will be given at 90% anyway.)\rAnswering yes will give warnings at at 10% "
                 "intervals",
                 "Korvalis V", MB_YESNO) == IDYES;
}

bool TPagePart::CreateUndoFiles() {
  TUndoState& s = UndoState;
  bool ok = true;
  const std::string folder = ProcessTempFolder();
  for (int k = 0; k < 3; ++k) {
    TUndoFile& f = s.Files[k];
    f.Stream.reset();
    f.Position = 0;
    f.Name = folder.empty() ? std::string() : folder + UndoFileNames[k];
    SetUndoItemsEnabled(TUndoKind(k + 1), false);
    if (f.Name.empty()) {
      ok = false;
      continue;
    }
    QFile::remove(QString::fromStdString(f.Name));
    auto stream = std::make_unique<QFile>(QString::fromStdString(f.Name));
    if (!stream->open(QIODevice::ReadWrite | QIODevice::NewOnly)) {
      ok = false;
      if (!s.CreateFailureShown) ShowMessage(CreateFailureTexts[k]);
      continue;
    }
    f.Stream = std::move(stream);
  }
  if (!ok) s.CreateFailureShown = true;
  TextUndoCount = 0;
  s.PictureUndoCount = s.PasteUndoCount = 0;
  s.UndoKindCount = 0;
  s.UndoKinds.fill(0);
  s.ShapeDepths.clear();
  s.DeletedImages.clear();
  s.ShapeDepthMark = Figures ? Figures->UndoDepth() : 0;
  SetUndoItemsEnabled(ukShape, false);
  SetButtonEnabled(TextButton::tbUndo, false);
  s.IntervalWarnings = true;
  s.StartUpFreeSpace = std::max<int64_t>(0, FreeSpaceOf(folder));
  s.BandWarned.fill(false);
  return ok;
}

bool TPagePart::DeleteUndoFiles() {
  bool ok = true;
  for (TUndoFile& f : UndoState.Files) {
    f.Stream.reset();
    ok = f.Name.empty() || !QFile::exists(QString::fromStdString(f.Name)) || QFile::remove(QString::fromStdString(f.Name));
  }
  return ok;
}

void TPagePart::InitUndoFiles() { CreateUndoFiles(); }

void TPagePart::ResetUndo() {
  DeleteUndoFiles();
  CreateUndoFiles();
  SetUndoMenuEnabled(true);
}

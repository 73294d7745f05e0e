// The private shape clipboard formats: copy, cut and paste of figures as a shapes stream whose
// header carries the point they were copied at, beside a bitmap of them for other programs.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <cmath>

#include "cad/engine.h"
#include "cad/selectors.h"
#include "platform/metafile.h"
#include "cad/mapping.h"
#include "helpers/error_report.h"
#include "platform/canvas.h"
#include "platform/clipboard_formats.h"
#include "platform/messages.h"
#include "platform/streams.h"

namespace {
QString MimeOf(uint16_t FormatId) { return QString::fromStdString(ClipboardFormatMimeType(FormatId)); }

const QMimeData* ClipboardData() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  return clipboard != nullptr ? clipboard->mimeData() : nullptr;
}

}  // namespace

TRealPoint TZQVCad::ReferenceWorldPosition() const {
  if (OnGetReferencePosition) return OnGetReferencePosition(this);
  if (Selector) return Selector->GetWorldPosition();
  return {double(ScreenToWorldX(Mapping, SelectorCentre.X)), double(ScreenToWorldY(Mapping, SelectorCentre.Y))};
}

void TZQVCad::PutStreamOnClipboard(TMemoryStream* Stream, uint16_t FormatId) {
  if (Stream == nullptr) throw EStreamError("Invalid or uninitialised stream");
  auto* data = new QMimeData;
  data->setData(MimeOf(FormatId), QByteArray(reinterpret_cast<const char*>(Stream->Memory()),
                                             qsizetype(Stream->Data.size())));
  QGuiApplication::clipboard()->setMimeData(data);
}

bool TZQVCad::GetStreamFromClipboard(TStream& Stream, uint16_t FormatId) {
  const QMimeData* data = ClipboardData();
  if (data == nullptr || FormatId != GetClipboardFormat().FormatId || !data->hasFormat(MimeOf(FormatId)))
    return false;
  const QByteArray bytes = data->data(MimeOf(FormatId));
  Stream.SetSize(0);
  Stream.SetPosition(0);
  Stream.WriteBuffer(bytes.constData(), bytes.size());
  Stream.SetPosition(0);
  return true;
}

bool TZQVCad::CopySelected(const TRect& Rect) {
  if (Rect.IsEmpty()) {
    ShowMessage("Empty selection, nothing to copy");
    return false;
  }
  if (ValidSelection().empty()) SelectInRect(Rect);
  const std::vector<int32_t> chosen = ValidSelection();
  if (chosen.empty()) {
    ShowMessage("Empty selection, nothing to copy");
    return false;
  }
  const TRealPoint reference = ReferenceWorldPosition();
  TShapesHeader h;
  GetShapesHeader(h, reference.x, reference.y);
  h.FigureCount = uint32_t(chosen.size());
  TMemoryStream m;
  WriteShapesHeader(m, h);
  for (int32_t i : chosen) FigureList[size_t(i)]->SaveToStream(&m);

  auto* data = new QMimeData;
  data->setData(MimeOf(h.ClipboardFormat),
                QByteArray(reinterpret_cast<const char*>(m.Memory()), qsizetype(m.Data.size())));
  // An enhanced metafile of the figures for other programs, the rectangle's top-left corner as its
  // origin, and a bitmap of it, the rectangle's size times the copy magnification.
  const TRect r = NormalizeRect(Rect);
  TMetafile picture;
  {
    TMetafileCanvas recorder(picture, std::max(r.Width(), 1), std::max(r.Height(), 1), ViewPixelsPerInch());
    const std::vector<int32_t> keepTouched = TouchedSelection;
    TouchedSelection = chosen;
    try {
      Draw(recorder, -r.Left, -r.Top, 0, Count() - 1, true);
    } catch (...) {
      TouchedSelection = keepTouched;
      throw;
    }
    TouchedSelection = keepTouched;
    recorder.Finish();
  }
  TMemoryStream emf;
  picture.SaveToStream(emf);
  data->setData("image/emf", QByteArray(reinterpret_cast<const char*>(emf.Memory()), qsizetype(emf.Data.size())));
  const int mag = std::clamp(CopyMagnification, 1, 10);
  const int64_t w = int64_t(r.Width()) * mag, hgt = int64_t(r.Height()) * mag;
  constexpr int64_t MaxPixels = 100'000'000;
  if (w * hgt > MaxPixels || w <= 0 || hgt <= 0) {
    ShowMessage("Bitmap to big. Try a smaller magnification");
  } else {
    QImage image(int(w), int(hgt), QImage::Format_RGB32);
    if (image.isNull()) {
      ShowMessage("Bitmap to big. Try a smaller magnification");
    } else {
      const TColor back = ColorToRGB(BackgroundColor);
      image.fill(QColor::fromRgb(GetRValue(back), GetGValue(back), GetBValue(back)));
      TCanvas canvas(&image);
      picture.Draw(canvas, TRect(0, 0, int(w), int(hgt)));
      data->setImageData(image);
    }
  }
  QGuiApplication::clipboard()->setMimeData(data);
  ReferencePoint = TRealPoint{0, 0};
  SelectInRect(TRect());
  return true;
}

void TZQVCad::CutSelected(const TRect& Rect) {
  if (!CopySelected(Rect)) return;
  SelectInRect(Rect);
  DeleteSelected(true);
  ClearSelection();
  Measure.LastIndex = Count() - 1;
}

void TZQVCad::Paste() {
  const TRealPoint p = ReferenceWorldPosition();
  PasteAt(p.x, p.y);
}

void TZQVCad::PasteIfCompatible(QObject*) {
  const TClipboardFormatRec format = GetClipboardFormat();
  const QMimeData* data = ClipboardData();
  if (data == nullptr || !data->hasFormat(MimeOf(format.FormatId))) {
    ShowMessage("Empty or imcompatable clipboard format for current workspace\rCurrent workspace format = " +
                format.Name);
    return;
  }
  Paste();
}

void TZQVCad::PasteAt(double X, double Y) {
  ClearSelection();
  const TClipboardFormatRec format = GetClipboardFormat();
  TMemoryStream m;
  if (!GetStreamFromClipboard(m, format.FormatId)) {
    ShowMessage("Error! Clipboard format not compatable with current workspace.\rCurrent Working format = " +
                format.Name);
    return;
  }
  PasteFromStream(m, X, Y);
}

void TZQVCad::PasteFromStream(TStream& Stream, double X, double Y) {
  ClearSelection();
  const TClipboardFormatRec format = GetClipboardFormat();
  if (Stream.Remaining() < int64_t(ShapesHeaderSize)) {
    ShowMessage("Clipboard data is damaged. Aborting Paste");
    return;
  }
  const TShapesHeader h = ReadShapesHeader(Stream);
  if (h.DataVersion > CurrentDataVersion) {
    ShowMessage(std::string("Clipboard format is from a more recent version of ZQVCad. You can get the most recent "
                            "version from ") +
                MakerWebAddress + "\rAborting Paste");
    return;
  }
  if (h.ClipboardFormat != format.FormatId)
    throw EZQVClipboardMetricsError(
        "The measurement format for clipboard data is incompatible with current application settings. \rIn order "
        "to use the data, start a new file with the opposite setting\rfor measurement");
  // Data from another program is not trusted: a count the block cannot hold is refused.
  if (int64_t(h.FigureCount) * MinFigureRecordSize > Stream.Remaining()) {
    ShowMessage("Clipboard data is damaged. Aborting Paste");
    return;
  }
  double dx = 0, dy = 0;
  if (!(std::fabs(h.ReferenceX) < 1e-6 && std::fabs(h.ReferenceY) < 1e-6) && std::isfinite(h.ReferenceX) &&
      std::isfinite(h.ReferenceY)) {
    dx = X - h.ReferenceX;
    dy = Y - h.ReferenceY;
  }
  const int groupStart = Count();
  RecordAddUndo();
  const bool wasUpdating = Updating;
  Updating = true;
  try {
    TRealFig scratch(this);
    for (uint32_t i = 0; i < h.FigureCount; ++i) {
      scratch.LoadFromStream(Stream, int(h.DataVersion));
      MoveFigure(Mapping, scratch, dx, -dy);
      AddFigure(&scratch);
      Selection.push_back(Count() - 1);
    }
  } catch (const std::exception& e) {
    MessageDlg(e.what(), mtInformation, mbOK | mbHelp, 986);
  }
  Updating = wasUpdating;
  DropEmptyAddGroup(groupStart);
  Measure.LastIndex = Count() - 1;
  ReferencePoint = TRealPoint{0, 0};
  if (Count() > groupStart) {
    if (OnPaste) OnPaste(this);
    Changed();
  }
}

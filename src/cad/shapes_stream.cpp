// Shapes streams and files: a header, then figure records; loading with its checks of data
// version, units and node count.
#include <algorithm>
#include <cstring>
#include <string>

#include "cad/engine.h"
#include "cad/figure_transforms.h"
#include "cad/node_layout.h"
#include "cad/wave_data.h"
#include "helpers/error_report.h"
#include "platform/clipboard_formats.h"
#include "platform/messages.h"
#include "platform/streams.h"

const char* const InchShapesFormatName = "ZQVWare Inch shapes";
const char* const CentimetreShapesFormatName = "ZQVWare Centimetre shapes";

namespace {
// Registered at start in this order, so the inch format always has the lower id.
const unsigned InchFormatId = RegisterClipboardFormat(InchShapesFormatName);
const unsigned CentimetreFormatId = RegisterClipboardFormat(CentimetreShapesFormatName);

template <typename T>
void Put(uint8_t* out, size_t at, T v) {
  std::memcpy(out + at, &v, sizeof v);
}
template <typename T>
T Get(const uint8_t* in, size_t at) {
  T v;
  std::memcpy(&v, in + at, sizeof v);
  return v;
}
}  // namespace

uint16_t InchShapesFormat() { return uint16_t(InchFormatId); }
uint16_t CentimetreShapesFormat() { return uint16_t(CentimetreFormatId); }

void WriteShapesHeader(TStream& Stream, const TShapesHeader& h) {
  uint8_t out[ShapesHeaderSize] = {};
  Put(out, 0, h.DataVersion);
  Put(out, 4, h.FigureCount);
  Put(out, 8, h.Metric);
  Put(out, 9, h.Marker);
  Put(out, 10, h.ReferenceX);
  Put(out, 18, h.ReferenceY);
  Put(out, 26, h.ClipboardFormat);
  Put(out, 28, h.BackgroundColor);
  Put(out, 32, h.NodeCount);
  Stream.WriteBuffer(out, ShapesHeaderSize);
}

TShapesHeader ReadShapesHeader(TStream& Stream) {
  uint8_t in[ShapesHeaderSize];
  Stream.ReadBuffer(in, ShapesHeaderSize);
  TShapesHeader h;
  h.DataVersion = Get<uint32_t>(in, 0);
  h.FigureCount = Get<uint32_t>(in, 4);
  h.Metric = Get<uint8_t>(in, 8);
  h.Marker = Get<uint8_t>(in, 9);
  h.ReferenceX = Get<double>(in, 10);
  h.ReferenceY = Get<double>(in, 18);
  h.ClipboardFormat = Get<uint16_t>(in, 26);
  h.BackgroundColor = Get<uint32_t>(in, 28);
  h.NodeCount = Get<uint32_t>(in, 32);
  return h;
}

TClipboardFormatRec TZQVCad::GetClipboardFormat() const {
  return Metric ? TClipboardFormatRec{CentimetreShapesFormat(), CentimetreShapesFormatName}
                : TClipboardFormatRec{InchShapesFormat(), InchShapesFormatName};
}

void TZQVCad::GetShapesHeader(TShapesHeader& Header) const { GetShapesHeader(Header, 0, 0); }

void TZQVCad::GetShapesHeader(TShapesHeader& Header, double ReferenceX, double ReferenceY) const {
  Header = TShapesHeader();
  Header.DataVersion = uint32_t(DataVersion);
  Header.FigureCount = uint32_t(Count());
  Header.Metric = Metric ? 1 : 0;
  Header.Marker = 1;
  Header.ReferenceX = ReferenceX;
  Header.ReferenceY = ReferenceY;
  Header.ClipboardFormat = GetClipboardFormat().FormatId;
  Header.BackgroundColor = uint32_t(BackgroundColor);
  Header.NodeCount = uint32_t(NodeCount);
}

void TZQVCad::SaveToStream(TStream& Stream) const {
  TShapesHeader h;
  GetShapesHeader(h);
  WriteShapesHeader(Stream, h);
  for (const auto& f : FigureList) f->SaveToStream(&Stream);
}

void TZQVCad::SaveSelectedToStream(TStream& Stream) const {
  std::vector<const TRealFig*> chosen;
  for (int32_t i : Selection)
    if (i >= 0 && i < Count()) chosen.push_back(FigureList[size_t(i)].get());
  if (chosen.empty()) return;
  TShapesHeader h;
  GetShapesHeader(h);
  h.FigureCount = uint32_t(chosen.size());
  WriteShapesHeader(Stream, h);
  for (const TRealFig* f : chosen) f->SaveToStream(&Stream);
}

void TZQVCad::SaveShapesFile(const std::string& FileName) const {
  TMemoryStream m;
  m.Data.reserve(ShapesHeaderSize + FigureList.size() * (4 + 5 * 24 + 734));
  SaveToStream(m);
  WriteFileAtomically(ChangeFileExt(FileName, ".zqs"), m.Memory(), m.Data.size());
}

void TZQVCad::SaveSelectedShapesFile(const std::string& FileName) const {
  TMemoryStream m;
  SaveSelectedToStream(m);
  if (m.Data.empty()) return;
  WriteFileAtomically(ChangeFileExt(FileName, ".zqs"), m.Memory(), m.Data.size());
}

bool TZQVCad::LoadShapesFile(const std::string& FileName, bool Merge) {
  if (!SameText(ExtractFileExt(FileName), ".zqs"))
    throw EFOpenError("Incompatible file type. File must be of type*.zqs");
  // Read first: a file that cannot be opened leaves the page as it was.
  TMemoryStream file(ReadWholeFile(FileName));
  if (!Merge && !FigureList.empty()) {
    FigureList.clear();
    ClearUndo();
    ListShrunk();
  }
  return LoadFromStream(file, Merge);
}

namespace {
// Converts a figure between the units: nodes about the world origin and every size.
void ConvertFigureUnits(TRealFig& f, double factor) {
  ScaleFigureNodes(f, TRealPoint{0, 0}, factor, factor);
  const float fm = f.Wave.FMIndex;  // the modulation index has no unit
  ScaleWaveRec(f.Wave, TRealPoint{0, 0}, factor, factor);
  f.Wave.FMIndex = fm;
  f.ArcRadius = float(f.ArcRadius * factor);
  f.RectangleRadius = float(f.RectangleRadius * factor);
  f.TickLength = float(f.TickLength * factor);
  f.ArrowHeadLength = float(f.ArrowHeadLength * factor);
  f.WavyLineHeight = float(f.WavyLineHeight * factor);
  f.PenWidth *= factor;
  UpdateFigurePoints(f);
}
}  // namespace

bool TZQVCad::LoadFromStream(TStream& Stream, bool Merge) {
  bool result = true;
  bool declined = false;
  const bool wasUpdating = Updating;
  Updating = true;
  struct TEnd {
    TZQVCad* E;
    bool Was;
    bool& Declined;
    ~TEnd() {
      E->DataVersion = int32_t(CurrentDataVersion);
      E->Updating = Was;
      if (!Declined) E->Changed();
    }
  } end{this, wasUpdating, declined};

  TShapesHeader h = ReadShapesHeader(Stream);
  if (h.NodeCount == 0) h.NodeCount = 16;
  if (h.DataVersion > CurrentDataVersion)
    throw EZQVCadVersionError("ZQVCad data version error. Please update your software");

  bool convert = false;
  const bool incomingMetric = h.Metric != 0;
  if (Merge && incomingMetric != Metric) {
    const std::string text =
        std::string("Dimension format ") + (incomingMetric ? "(Metric)" : "(English/US)") +
        " is incompatible with current workspace." + "\r" +
        "The application can try and convert the shapes if you wish or you can" + "\r" +
        "exit the application and change your settings in the Page Setup" + "\r" +
        "dialog, File>Page Settings. Changing the settings is preferred." + "\r" +
        "\rClick Yes to let the application convert the shapes";
    if (MessageDlg(text, mtConfirmation, mbYes | mbNo, 70) != mrYes) {
      declined = true;
      return false;
    }
    convert = true;
  }
  if (!Merge) {
    SetMetric(incomingMetric);
    SetupPage(PaperIndex, incomingMetric);
  }
  ClearSelection();
  const int groupStart = Count();

  if (h.NodeCount > uint32_t(MaxNodeCount)) {
    ShowMessage(
        "The incoming vectors appear to be from a different version\rof the ZQVWare CAD engine which allows a "
        "higher node count\rUpdating your software will probably resolve the issue. If\ryou need further "
        "information please contact " +
        std::string(SupportAddress) + "\r\rAborting vector load");
    return false;
  }
  // Only a larger node count needs a change: records with fewer nodes fit as they are.
  if (h.NodeCount > uint32_t(NodeCount)) {
    if (!SetNodeCount(int(h.NodeCount))) {
      ShowMessage("Unable to load vectors due to incompatible node count");
      return false;
    }
    ShowMessage("Node count reset to " + std::to_string(NodeCount));
  }

  DataVersion = int32_t(h.DataVersion);
  try {
    // Every record takes at least MinFigureRecordSize bytes: a count the stream cannot hold is
    // refused before anything is read.
    if (int64_t(h.FigureCount) * MinFigureRecordSize > Stream.Remaining())
      throw EZQVCadStreamLoadError("Can't load from data stream");
    TRealFig scratch(this);
    for (uint32_t i = 0; i < h.FigureCount; ++i) {
      scratch.LoadFromStream(Stream, DataVersion);
      if (convert) ConvertFigureUnits(scratch, incomingMetric ? 1 / 2.54 : 2.54);
      AddFigure(&scratch);
      if (Merge) Selection.push_back(Count() - 1);
    }
  } catch (const EZQVCadVersionError&) {
    throw;
  } catch (const std::exception&) {
    result = false;
  }
  if (Count() > groupStart) {
    AddGroups.Add(groupStart);
    AddGroupOriginals.emplace_back();
    UndoList->Push(ukAdd);
  }
  Measure.LastIndex = Count() - 1;
  if (!Merge) {
    BackgroundColor = TColor(h.BackgroundColor);
    if (OnBackgroundColorChange) OnBackgroundColorChange(this);
  }
  if (!result) throw EZQVCadStreamLoadError("Can't load from data stream");
  return result;
}

void TZQVCad::Clear() {
  const bool hadFigures = !FigureList.empty();
  FigureList.clear();
  ClearUndo();
  ListShrunk();
  Measure.LastIndex = -1;
  if (CurrentFigure && Template) CurrentFigure->Assign(*Template);
  if (hadFigures) Changed();
}

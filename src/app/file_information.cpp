// File > Information: the lines the information window shows, and the window itself.
#include "app/file_information.h"

#include "app/main_window.h"
#include "app/window_hosts.h"
#include "cad/engine.h"
#include "helpers/page_surface.h"
#include "page/graphic_names.h"
#include "page/page_tables.h"
#include "platform/graphic.h"
#include "platform/streams.h"

TFileInfoDlg1* GetFileInfoDlg() {
  if (!FileInfoDlg1 && Form1) FileInfoDlg1 = new TFileInfoDlg1(Form1->Hosts(), Form1);
  return FileInfoDlg1;
}

namespace {

void RectLines(std::vector<std::string>& Lines, const TStoredRect& R) {
  Lines.push_back("\t\tLeft: " + std::to_string(R.Left));
  Lines.push_back("\t\tTop: " + std::to_string(R.Top));
  Lines.push_back("\t\tWidth: " + std::to_string(R.Right - R.Left));
  Lines.push_back("\t\tHeight: " + std::to_string(R.Bottom - R.Top));
}

// The size of a graphic written out, and its class name.
void GraphicLines(std::vector<std::string>& Lines, TGraphic* Graphic) {
  int64_t size = 0;
  if (Graphic) {
    try {
      TMemoryStream stream;
      Graphic->SaveToStream(stream);
      size = stream.Size();
    } catch (const std::exception&) {
      size = 0;
    }
  }
  std::string name;
  GraphicClassName(Graphic, name);
  Lines.push_back("\tSize in memory:" + std::to_string(size));
  Lines.push_back("\tGraphic class: " + name);
}

}  // namespace

std::vector<std::string> FileInformationLines(TForm1& Form) {
  std::vector<std::string> lines = Form.TextInformationLines();
  std::vector<std::string> files;
  lines.push_back("Floating Images: " + std::to_string(Form.ImageCount));
  for (int i = 0; i < Form.ImageCount && i < MaxImageObjects; ++i) {
    TSizeChangedImage* control = Form.Images[size_t(i)];
    if (!control) continue;
    const TImageObjectRec& rec = Form.ImageRecs[size_t(i)];
    const std::string name = rec.Name();
    if (!name.empty()) {
      lines.push_back("\t" + name);
      files.push_back(name);
      const int64_t size = FileSizeOf(name);
      if (size >= 0) {
        lines.push_back("\t\tSize on Disk: " + std::to_string(size));
      } else {
        lines.push_back("\tFile not on Disk->" + name);
        GraphicLines(lines, control->Picture.Graphic());
      }
    } else {
      lines.push_back("\tUnsave Image->" + std::to_string(i));
      GraphicLines(lines, control->Picture.Graphic());
    }
    RectLines(lines, rec.Rect);
    if (control->property("Modified").toBool()) lines.push_back("\t\tModified");
  }
  lines.push_back(" ");
  lines.push_back("Pasted images: " + std::to_string(Form.PasteCount));
  for (int i = 0; i < Form.PasteCount && i < MaxPastes; ++i) {
    const TPasteRec& rec = Pastes[size_t(i)];
    const std::string name = rec.Name();
    if (name.empty()) continue;
    lines.push_back("\t" + name);
    files.push_back(name);
    const int64_t size = FileSizeOf(name);
    if (size >= 0) lines.push_back("\t\tSize on Disk: " + std::to_string(size));
    else lines.push_back("Missing file: " + name);
    RectLines(lines, rec.Rect);
  }
  lines.push_back("Pictures: " + std::to_string(Form.PictureCount));
  for (int i = 0; i < Form.PictureCount && i < MaxPictures; ++i) {
    const TPictureRec& rec = Pictures[size_t(i)];
    const std::string name = rec.Name();
    if (name.empty()) continue;
    lines.push_back("\t" + name);
    files.push_back(name);
    const int64_t size = FileSizeOf(name);
    if (size >= 0) lines.push_back("\t\tSize on Disk: " + std::to_string(size));
    else lines.push_back("Missing file. Index: " + std::to_string(i));
    RectLines(lines, rec.Rect);
  }
  lines.push_back(" ");
  lines.push_back("Vector shapes: " + std::to_string(Figures ? Figures->Count() : 0));
  lines.push_back(Figures && Figures->Metric ? "Measurement system: Metric" : "Measurement system: US/Imperial");
  if (!files.empty()) {
    lines.push_back(" ");
    lines.push_back("All graphics files:");
    lines.insert(lines.end(), files.begin(), files.end());
  }
  return lines;
}

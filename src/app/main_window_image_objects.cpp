// Image objects: pictures floating over the page, made from files, the selection or the
// clipboard, selected with the resize frame, moved, restacked and deleted.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <algorithm>

#include "app/main_window.h"
#include "cad/engine.h"
#include "codecs/jpeg_image.h"
#include "codecs/png_image.h"
#include "helpers/drag_rect.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "helpers/zqv_gif.h"
#include "page/graphic_names.h"
#include "page/image_objects.h"
#include "platform/clipboard_formats.h"
#include "platform/cursors.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/metafile.h"
#include "platform/screen.h"
#include "platform/streams.h"

void SetPictureDirectory(const std::string& FileName);

namespace {
bool RectValid(const TRect& r) { return r.Right > r.Left && r.Bottom > r.Top; }
}  // namespace

std::unique_ptr<TGraphic> TForm1::NewImageObjectGraphic(const std::string& FileName) {
  const std::string ext = UpperCase(ExtractFileExt(FileName));
  if (ext == ".EMF" || ext == ".WMF") {
    auto m = std::make_unique<TMetafile>();
    m->Enhanced = ext == ".EMF";
    return m;
  }
  if (ext == ".BMP") return std::make_unique<TBitmap>();
  if (ext == ".PNG") return std::make_unique<TPNGImage>();
  if (ext == ".JPG" || ext == ".JPEG") return std::make_unique<TJPEGImage>();
  if (ext == ".ZQG" || (ext == ".GIF" && GifLzwAllowed())) return std::make_unique<TZQVGif>();
  return nullptr;
}

void TForm1::CreateImageObject(int Index, int Left, int Top, int Width, int Height, bool AutoSize, bool Stretch) {
  if (Index < 0 || Index >= MaxImageObjects) return;
  delete Images[size_t(Index)];
  Images[size_t(Index)] = nullptr;
  // The controls are children of the page image, so their bounds are page pixels whatever the
  // scroll position.
  auto* c = new TSizeChangedImage(MainImage);
  c->hide();
  c->setProperty("Tag", Index);
  c->setProperty("AutoSize", AutoSize);
  c->Transparent = TransparentOption();
  if (!AutoSize) c->resize(std::max(1, Width), std::max(1, Height));
  c->Stretch = Stretch;
  c->move(Left, Top);
  c->setContextMenuPolicy(Qt::PreventContextMenu);
  if (HasScreenCursor(17)) c->setCursor(ScreenCursor(17));
  c->OnMouseMove = [this, c](Qt::MouseButtons, Qt::KeyboardModifiers, int, int) {
    ShowImageObjectName(c->property("Tag").toInt());
  };
  Images[size_t(Index)] = c;
}

TRect TForm1::ImageObjectRect(int Index) const {
  if (Index < 0 || Index >= MaxImageObjects || !Images[size_t(Index)]) return TRect();
  const QRect g = Images[size_t(Index)]->geometry();
  return TRect(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
}

int TForm1::ImageObjectAt(int X, int Y) const {
  for (int i = std::min(ImageCount, MaxImageObjects) - 1; i >= 0; --i) {
    const TRect r = i == FramedImage ? ImageObjectRect(i) : ImageRecs[size_t(i)].Rect.ToRect();
    if (X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom) return i;
  }
  return -1;
}

bool TForm1::LoadImageObject(const std::string& FileName, TPoint Position) {
  if (ImageCount >= MaxImageObjects) {
    ShowMessage(ImageLimitMessage);
    return false;
  }
  if (!MainImage) return false;
  // A point outside the visible part of the page falls back to the middle of it.
  const QScrollBar* h = ScrollBox1->horizontalScrollBar();
  const QScrollBar* v = ScrollBox1->verticalScrollBar();
  const int sx = h->value(), sy = v->value();
  const int vw = ScrollBox1->viewport()->width(), vh = ScrollBox1->viewport()->height();
  if (!(Position.X - sx > 0 && Position.X - sx < vw)) Position.X = sx + vw / 2;
  if (!(Position.Y - sy > 0 && Position.Y - sy < vh)) Position.Y = sy + vh / 2;
  TPoint corner = Position;
  if (RectValid(SelectionRect)) {
    corner = SelectionRect.TopLeft();
    SelectionRect = TRect();
  }
  const std::string ext = UpperCase(ExtractFileExt(FileName));
  std::unique_ptr<TGraphic> g = NewImageObjectGraphic(FileName);
  if (!g) return false;
  const bool autoSize = ext == ".EMF" || ext == ".WMF" || ext == ".ZQG" || ext == ".GIF";
  if (FileName.size() > 255) {
    ShowMessage(PictureLoadFailedText(FileName));
    return false;
  }
  const int countBefore = ImageCount;
  try {
    if (!FileExists(FileName)) throw EFOpenError("Cannot open file " + FileName);
    g->LoadFromFile(FileName);
    if (g->Empty()) throw EInvalidGraphic("Empty picture");
    // A JPEG is decoded here (it reads only its header on loading), so a damaged or oversized one
    // is refused like any other picture that fails to load.
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(g.get())) {
      auto b = std::make_unique<TBitmap>();
      GraphicToBitmap(*jpeg, *b);
      g = std::move(b);
    }
  } catch (const std::exception&) {
    ShowMessage(PictureLoadFailedText(FileName));
    return false;
  }
  g->Transparent = TransparentOption();
  DeselectImage(this, true);
  const int index = ImageCount;
  CreateImageObject(index, corner.X, corner.Y, g->Width(), g->Height(), autoSize, !autoSize);
  TSizeChangedImage* c = Images[size_t(index)];
  if (autoSize) c->resize(std::max(1, g->Width()), std::max(1, g->Height()));
  c->Picture.SetGraphic(std::move(g));
  TImageObjectRec& rec = ImageRecs[size_t(index)];
  rec = TImageObjectRec{};
  rec.SetName(FileName);
  rec.Rect = TStoredRect::From(ImageObjectRect(index));
  c->raise();
  (void)countBefore;
  SelectedImage = ImageCount;
  ++ImageCount;
  c->SetDynamicResize(true);
  SelectImage(SelectedImage);
  c->SetDynamicResize(false);
  SetModified();
  SetPictureDirectory(FileName);
  return true;
}

void TForm1::SelectImage(int Index) {
  HideCadReferenceSelector();
  if (Index >= 0 && Index < ImageCount && !aDrag && Images[size_t(Index)] && MainImage) {
    TSizeChangedImage* c = Images[size_t(Index)];
    aDrag = new TDragRect(MainImage);
    aDrag->Metric = MetricUnits();
    aDrag->OnRightClick = [this](QPoint global) {
      if (!DisableImageSelection1->isChecked()) MetaPopup->popup(global);
    };
    c->Stretch = true;
    aDrag->AttachImage(c);
    FramedImage = Index;
    HideTextCaret();
    RefreshAllImages(this, false);
    c->show();
    c->raise();
    aDrag->show();
    aDrag->raise();
  }
  if (aDrag) aDrag->update();
}

bool TForm1::DeselectImage(QObject* Sender, bool StoreRect) {
  if (!aDrag) return false;
  TSizeChangedImage* c = aDrag->Image();
  aDrag->Detach();
  delete aDrag;
  aDrag = nullptr;
  FramedImage = -1;
  if (c && StoreRect && SelectedImage >= 0 && SelectedImage < ImageCount && Images[size_t(SelectedImage)] == c) {
    const TStoredRect r = TStoredRect::From(ImageObjectRect(SelectedImage));
    // A moved or resized object is a change of the document.
    if (!(r == ImageRecs[size_t(SelectedImage)].Rect)) SetModified();
    ImageRecs[size_t(SelectedImage)].Rect = r;
  }
  // The page shows every object at its place again (the frame showed the selected one).
  RefreshAllImages(Sender, false);
  return true;
}

void TForm1::DeleteImageFromArray(int Index) {
  HideCadReferenceSelector();
  DeselectImage(this, false);
  if (Index < 0 || Index >= ImageCount) return;
  // The object is kept in memory so that Undo can give it back.
  TDeletedImageObject kept;
  kept.Index = Index;
  kept.Rec = ImageRecs[size_t(Index)];
  kept.Bounds = ImageObjectRect(Index);
  kept.Rec.Rect = TStoredRect::From(kept.Bounds);
  if (Images[size_t(Index)]) kept.Graphic = Images[size_t(Index)]->Picture.TakeGraphic();
  delete Images[size_t(Index)];
  Images[size_t(Index)] = nullptr;
  const std::string name = RemoveImageObjectEntry({ImageRecs, Images, ImageCount, SelectedImage}, Index);
  PushImageObjectUndo(std::move(kept));
  if (!name.empty() && FileExists(name) && !ImageFileNameInUse(name)) {
    if (MessageBox("The file " + name + " has no other associations" +
                       " in your current work although other programs may be using it." + "\r" + "\r" +
                       "Do you want to delete the disk file associated with the image?",
                   "Korvalis V Remove File?", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES) {
      if (!DeleteFile(name)) ShowUnknownError("DeleteImageFromArray");
    }
  }
  for (int i = 0; i < ImageCount; ++i)
    if (Images[size_t(i)]) Images[size_t(i)]->setProperty("Tag", i);
  SetModified();
  RefreshAllImages(this, false);
}

void TForm1::RestoreImageObject(TDeletedImageObject& Entry) {
  if (ImageCount >= MaxImageObjects) {
    ShowMessage(ImageLimitMessage);
    return;
  }
  DeselectImage(this, true);
  const int index = std::clamp(Entry.Index, 0, ImageCount);
  for (int i = ImageCount; i > index; --i) {
    Images[size_t(i)] = Images[size_t(i - 1)];
    ImageRecs[size_t(i)] = ImageRecs[size_t(i - 1)];
  }
  Images[size_t(index)] = nullptr;
  const TRect r = Entry.Bounds;
  CreateImageObject(index, r.Left, r.Top, r.Width(), r.Height(), false, true);
  if (Entry.Graphic) Entry.Graphic->Transparent = TransparentOption();
  Images[size_t(index)]->Picture.SetGraphic(std::move(Entry.Graphic));
  ImageRecs[size_t(index)] = Entry.Rec;
  // A file deleted with the object is gone: the object is saved as a side file again.
  const std::string name = Entry.Rec.Name();
  if (!name.empty() && !FileExists(name)) ImageRecs[size_t(index)].SetName("");
  ImageRecs[size_t(index)].Rect = TStoredRect::From(r);
  ++ImageCount;
  for (int i = 0; i < ImageCount; ++i)
    if (Images[size_t(i)]) Images[size_t(i)]->setProperty("Tag", i);
  SelectedImage = index;
  RestackImageObjects();
  SetModified();
}

void TForm1::ClearImageRecords() { ImageRecs = TImageRecTable{}; }

void TForm1::FreeImageObject(QObject* Sender, int Index) {
  if (aDrag && Index >= 0 && Index < MaxImageObjects && aDrag->Image() == Images[size_t(Index)]) {
    aDrag->Detach();
    delete aDrag;
    aDrag = nullptr;
    FramedImage = -1;
    if (Index < ImageCount) ImageRecs[size_t(Index)].Rect = TStoredRect::From(ImageObjectRect(Index));
  }
  if (Index < 0 || Index >= MaxImageObjects) return;
  delete Images[size_t(Index)];
  Images[size_t(Index)] = nullptr;
}

void TForm1::ClearAllImages(QObject* Sender) {
  try {
    for (int i = 0; i < MaxImageObjects; ++i) FreeImageObject(Sender, i);
    ImageCount = 0;
    SelectedImage = 0;
    FramedImage = -1;
  } catch (...) {
    ShowUnknownError("ClearAllImages");
  }
}

void TForm1::RestackImageObjects() {
  for (int i = 0; i < ImageCount; ++i)
    if (Images[size_t(i)]) Images[size_t(i)]->raise();
  if (aDrag) aDrag->raise();
}

void TForm1::DrawImageObjects(TCanvas& Canvas, const TRect& Area) {
  for (int i = 0; i < ImageCount; ++i) {
    TSizeChangedImage* c = Images[size_t(i)];
    TGraphic* g = c ? c->Picture.Graphic() : nullptr;
    if (!g || g->Empty()) continue;
    const TRect r = i == FramedImage ? ImageObjectRect(i) : ImageRecs[size_t(i)].Rect.ToRect();
    if (r.Right <= Area.Left || r.Left >= Area.Right || r.Bottom <= Area.Top || r.Top >= Area.Bottom) continue;
    g->Transparent = TransparentOption();
    g->Draw(Canvas, TRect(r.Left - Area.Left, r.Top - Area.Top, r.Right - Area.Left, r.Bottom - Area.Top));
  }
}

bool TForm1::CreateMetafileCanvas(TMetafile& Metafile, std::unique_ptr<TMetafileCanvas>& Canvas, int Width,
                                  int Height) {
  try {
    Metafile.Clear();
    Metafile.Enhanced = true;
    Canvas = std::make_unique<TMetafileCanvas>(Metafile, Width, Height, ScreenPixelsPerInch());
    return true;
  } catch (...) {
    Canvas.reset();
    return false;
  }
}

void TForm1::ConverttoImageObject1Click(QObject* Sender) {
  if (ImageCount >= MaxImageObjects) {
    ShowMessage(ImageLimitMessage);
    return;
  }
  if (!RectValid(SelectionRect) || !MainImage) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const int countBefore = ImageCount;
  try {
    const int W = SelectionRect.Width(), H = SelectionRect.Height();
    auto meta = std::make_unique<TMetafile>();
    std::unique_ptr<TMetafileCanvas> canvas;
    if (!CreateMetafileCanvas(*meta, canvas, W, H)) {
      ShowMessage("unable to create metafile. Sorry :(");
    } else {
      // Pictures, pastes, image objects, shapes and text, each once, in the page's order.
      RefreshRect(*canvas, SelectionRect);
      canvas->Finish();
      canvas.reset();
      if (SelectionRectShown && PageCanvas()) {
        DrawDragRect(*PageCanvas(), false, SelectionRect.TopLeft(), SelectionRect.BottomRight());
      }
      SelectionRectShown = false;
      const int index = ImageCount;
      CreateImageObject(index, SelectionRect.Left, SelectionRect.Top, W + 1, H + 1, false, true);
      TSizeChangedImage* c = Images[size_t(index)];
      c->Picture.SetGraphic(std::move(meta));
      c->move(c->x() + 5, c->y() + 5);
      ImageRecs[size_t(index)] = TImageObjectRec{};
      ImageRecs[size_t(index)].Rect = TStoredRect::From(ImageObjectRect(index));
      SelectedImage = ImageCount;
      ++ImageCount;
      SetModified();
      SelectImage(SelectedImage);
    }
  } catch (...) {
    if (ImageCount != countBefore) {
      ImageCount = countBefore;
      delete Images[size_t(countBefore)];
      Images[size_t(countBefore)] = nullptr;
      ImageRecs[size_t(countBefore)] = TImageObjectRec{};
    }
  }
  QApplication::restoreOverrideCursor();
  SelectionRect = TRect();
}

void TForm1::ShowImageObjectName(int Index) {
  if (Index < 0 || Index >= ImageCount || !Images[size_t(Index)]) return;
  const std::string name = ImageRecs[size_t(Index)].Name();
  if (!name.empty()) {
    LastItemLabel->setText(QString::fromStdString(name));
  } else {
    std::string cls;
    GraphicClassName(Images[size_t(Index)]->Picture.Graphic(), cls);
    LastItemLabel->setText(QString::fromStdString(cls + " Object."));
  }
}

bool TForm1::PasteImageObject(QObject*, unsigned Format) {
  if (!MainImage) return false;
  if (ImageCount >= MaxImageObjects) {
    ShowMessage(ImageLimitMessage);
    return false;
  }
  TPoint p = CaretPoint;
  const QScrollBar* h = ScrollBox1->horizontalScrollBar();
  const QScrollBar* v = ScrollBox1->verticalScrollBar();
  const int vw = ScrollBox1->viewport()->width(), vh = ScrollBox1->viewport()->height();
  if (!(p.X - h->value() > 0 && p.X - h->value() < vw)) p.X = h->value() + vw / 2;
  if (!(p.Y - v->value() > 0 && p.Y - v->value() < vh)) p.Y = v->value() + vh / 2;
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data) return false;
  std::unique_ptr<TGraphic> g;
  bool autoSize = false;
  try {
    if ((Format == CF_ENHMETAFILE || Format == CF_METAFILEPICT) && data->hasFormat("image/emf")) {
      const QByteArray bytes = data->data("image/emf");
      auto m = std::make_unique<TMetafile>();
      m->LoadEnhanced(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
      g = std::move(m);
      autoSize = true;
    } else if ((Format == CF_BITMAP || Format == CF_DIB) && data->hasImage()) {
      const QImage image = qvariant_cast<QImage>(data->imageData());
      if (image.isNull()) return false;
      auto b = std::make_unique<TBitmap>();
      b->SetImage(image.convertToFormat(QImage::Format_RGB32));
      b->SetPixelFormat(pf24bit);
      g = std::move(b);
    }
  } catch (const std::exception&) {
    g.reset();
  }
  if (!g || g->Empty()) {
    ShowMessage("An error occurred trying to load the clipboard contents. Sorry :-(");
    return false;
  }
  DeselectImage(this, true);
  g->Transparent = TransparentOption();
  const int index = ImageCount;
  CreateImageObject(index, p.X, p.Y, g->Width(), g->Height(), autoSize, !autoSize);
  Images[size_t(index)]->resize(std::max(1, g->Width()), std::max(1, g->Height()));
  Images[size_t(index)]->Picture.SetGraphic(std::move(g));
  ImageRecs[size_t(index)] = TImageObjectRec{};
  ImageRecs[size_t(index)].Rect = TStoredRect::From(ImageObjectRect(index));
  SelectedImage = ImageCount;
  ++ImageCount;
  Images[size_t(index)]->SetDynamicResize(true);
  SelectImage(SelectedImage);
  Images[size_t(index)]->SetDynamicResize(false);
  SetModified();
  return false;
}

bool TForm1::DeleteSelectedImageObject() {
  // Delete with an image object under the frame deletes that object.
  if (!aDrag || SelectedImage < 0 || SelectedImage >= ImageCount) return false;
  DeleteImageFromArray(SelectedImage);
  return true;
}

bool TForm1::MoveImageFrameByKey(uint16_t key) {
  if (!aDrag || !aDrag->isVisible()) return false;
  int dx = 0, dy = 0;
  switch (key) {
    case vk::Left: dx = -1; break;
    case vk::Right: dx = 1; break;
    case vk::Up: dy = -1; break;
    case vk::Down: dy = 1; break;
    default: return false;
  }
  aDrag->move(aDrag->x() + dx, aDrag->y() + dy);
  aDrag->ApplyToImage();
  return true;
}

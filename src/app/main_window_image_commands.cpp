// The commands of an image object's context menu and of the Images menu: size handles, colour
// reduction, quarter turns, smoothing, animation, properties, delete, copy, cut, save, embedding
// and restacking; and the wiring of every picture command.
#include <QActionGroup>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMimeData>
#include <algorithm>

#include "app/main_window.h"
#include "app/window_hosts.h"
#include "dialogs/image_size_dialog.h"
#include "helpers/error_report.h"
#include "app/main_window_menu_items.h"
#include "codecs/color_reduction.h"
#include "codecs/gif_image.h"
#include "codecs/jpeg_image.h"
#include "codecs/png_image.h"
#include "dialogs/color_dialog.h"
#include "helpers/bitmap_rotation.h"
#include "helpers/drag_rect.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "helpers/resampler.h"
#include "helpers/small_helpers.h"
#include "helpers/zqv_gif.h"
#include "page/graphic_names.h"
#include "page/image_objects.h"
#include "page/process_files.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/metafile.h"
#include "platform/process_messages.h"
#include "platform/screen.h"
#include "platform/streams.h"

void InstallPageDropFilter(TForm1* f, QWidget* viewport);

namespace {
bool HasSelectedObject(const TForm1& f) {
  return f.ImageCount >= 1 && f.SelectedImage >= 0 && f.SelectedImage < f.ImageCount &&
         f.Images[size_t(f.SelectedImage)] != nullptr;
}

TGraphic* SelectedGraphic(const TForm1& f) {
  return HasSelectedObject(f) ? f.Images[size_t(f.SelectedImage)]->Picture.Graphic() : nullptr;
}

// The bytes a graphic writes in its own format.
std::vector<uint8_t> GraphicBytes(TGraphic& g) {
  TMemoryStream s;
  g.SaveToStream(s);
  return s.Data;
}
}  // namespace

// ---------------------------------------------------------------- tools

namespace {
// A selected object is a control of its own over the page: its new graphic is painted at once,
// with the frame over it, rather than at the next time it is uncovered.
void ShowChangedImageObject(TSizeChangedImage* c) {
  if (!c) return;
  c->update();
  if (c->parentWidget()) c->parentWidget()->update(c->geometry());
}
}  // namespace

void TForm1::SizeHandles2Click(QObject*, bool Dynamic) {
  if (!HasSelectedObject(*this)) return;
  Images[size_t(SelectedImage)]->SetDynamicResize(Dynamic);
  SelectImage(SelectedImage);
}

void TForm1::GreyScale1Click(QObject* Sender, int Position) {
  if (!HasSelectedObject(*this) || !IsMenuItem(Sender)) return;
  TSizeChangedImage* c = Images[size_t(SelectedImage)];
  if (auto* b = dynamic_cast<TBitmap*>(c->Picture.Graphic()); b && Position >= 1 && Position <= 4) {
    std::unique_ptr<TBitmap> reduced;
    const HPALETTE palette = ScreenColorDepth() <= 8 && !AppPalette.empty() ? CreatePalette(AppPalette) : nullptr;
    switch (Position) {
      case 1: reduced = ReduceColors(*b, rmWindows20, dkNearest, 0, nullptr); break;
      case 2:
        reduced = palette ? ReduceColors(*b, rmCustomPalette, dkNearest, 256, palette)
                          : ReduceColors(*b, rmOctreeWindows, dkNearest, 256, nullptr);
        break;
      case 3: reduced = ReduceColors(*b, rmWebSafe, dkNearest, 236, nullptr); break;
      case 4: reduced = ReduceColors(*b, rmGrayScale, dkNearest, 256, nullptr); break;
    }
    if (!reduced || reduced->Empty()) {
      ShowUnknownError("GreyScale1Click");
      return;
    }
    reduced->SetPixelFormat(Position == 1 ? pf4bit : pf8bit);
    reduced->Transparent = TransparentOption();
    c->Picture.SetGraphic(std::move(reduced));
    ImageRecs[size_t(SelectedImage)].SetName("");
    SetModified();
    ShowChangedImageObject(c);
  }
  RefreshAllImages(Sender, false);
}

void TForm1::N902Click(QObject* Sender, int Position) {
  if (HasSelectedObject(*this) && ImageHoldsBitmap(Images[size_t(SelectedImage)])) {
    TSizeChangedImage* c = Images[size_t(SelectedImage)];
    auto* b = static_cast<TBitmap*>(c->Picture.Graphic());
    const TColor transparent = b->TransparentColor;
    TBitmap work(*b);
    work.SetPixelFormat(pf24bit);
    std::unique_ptr<TBitmap> r = RotateBitmap(uint8_t(Position + 1), work);
    if (r) {
      if (TransparentOption()) r->TransparentColor = transparent;
      r->Transparent = TransparentOption();
      c->Picture.SetGraphic(std::move(r));
      TImageObjectRec& rec = ImageRecs[size_t(SelectedImage)];
      const TRect bounds = ImageObjectRect(SelectedImage);
      const TRect turned = QuarterTurnedBounds(bounds, Position);
      c->setGeometry(turned.Left, turned.Top, turned.Width(), turned.Height());
      if (aDrag && aDrag->Image() == c) aDrag->setGeometry(c->geometry());
      rec.SetName("");
      rec.Rect = TStoredRect::From(ImageObjectRect(SelectedImage));
      c->setProperty("Modified", true);
      ShowChangedImageObject(c);
    }
  }
  SetModified();
  RefreshAllImages(Sender, false);
}

void TForm1::Mitchell1Click(QObject* Sender, int Position) {
  if (!HasSelectedObject(*this) || !ImageHoldsBitmap(Images[size_t(SelectedImage)])) return;
  if (Position < 0 || Position > 5) return;
  TSizeChangedImage* c = Images[size_t(SelectedImage)];
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    auto* b = static_cast<TBitmap*>(c->Picture.Graphic());
    auto d = std::make_unique<TBitmap>();
    d->SetPixelFormat(pf24bit);
    b->SetPixelFormat(pf24bit);
    const TFilterChoice& f = FilterChoices[size_t(Position + 1)];
    ResampleBitmap(c->width(), c->height(), f.Filter, f.Support, *b, *d);
    d->Transparent = TransparentOption();
    c->Picture.SetGraphic(std::move(d));
    ImageRecs[size_t(SelectedImage)].SetName("");
    SetModified();
    ShowChangedImageObject(c);
    RefreshAllImages(Sender, false);
  } catch (...) {
    QApplication::restoreOverrideCursor();
    throw;
  }
  QApplication::restoreOverrideCursor();
}

void TForm1::Animate1Click(QObject*) {
  // The ON and OFF items show the animation's state; only they change it.
  auto* gif = dynamic_cast<TGIFImage*>(SelectedGraphic(*this));
  QAction* on = findChild<QAction*>("ON1");
  QAction* off = findChild<QAction*>("OFF4");
  const bool animated = gif && (gif->DrawOptions & gdoAnimate);
  if (on) on->setChecked(animated);
  if (off) off->setChecked(!animated);
}

void TForm1::OFF4Click(QObject* Sender) {
  auto* a = qobject_cast<QAction*>(Sender);
  if (a) a->setChecked(true);
  auto* gif = dynamic_cast<TZQVGif*>(SelectedGraphic(*this));
  QAction* off = findChild<QAction*>("OFF4");
  if (!gif || !off) return;
  const bool animate = !off->isChecked();
  gif->SetDrawOptions(animate ? TGIFDrawOptions(gif->DrawOptions | gdoAnimate)
                              : TGIFDrawOptions(gif->DrawOptions & ~gdoAnimate));
  RefreshAllImages(Sender, false);
}

void TForm1::Properties1Click(QObject*) {
  TGraphic* g = SelectedGraphic(*this);
  if (!g) return;
  // The facts of the graphic (this platform has no file property sheet to show instead), its
  // kind in the words of the information window.
  std::string name;
  GraphicClassName(g, name);
  const size_t size = GraphicBytes(*g).size();
  std::string text = "Picture format=" + name;
  if (auto* b = dynamic_cast<TBitmap*>(g)) {
    text += "\r\nColor bits=" + std::to_string(b->BitsPerPixel()) + "\r\nColor planes=1";
  }
  text += "\r\nHeight=" + std::to_string(g->Height()) + "\r\nWidth=" + std::to_string(g->Width()) +
          "\r\nSize=" + std::to_string(size) + " bytes";
  const std::string file = ImageRecs[size_t(SelectedImage)].Name();
  if (!file.empty() && FileExists(file)) text = "File=" + file + "\r\n" + text;
  ShowMessage(text);
}

void TForm1::SetSize1Click(QObject* Sender) {
  if (!HasSelectedObject(*this)) return;
  try {
    TSetImageSize* dialog =
        TSetImageSize::CreateFor(Hosts(), this, Images[size_t(SelectedImage)], &ImageRecs[size_t(SelectedImage)]);
    if (!dialog) return;
    if (dialog->exec() == QDialog::Accepted) RefreshAllImages(Sender, false);
  } catch (const std::exception& e) {
    ShowMessage(std::string("Unable to create form for setting image size ") + e.what() +
                "\rPlease report this error to " + SupportAddress);
  }
}

void TForm1::Images1Click(QObject*) {
  if (QAction* a = findChild<QAction*>("ConverttoImageObject2")) a->setEnabled(SelectionRectShown);
  const bool bitmap = HasSelectedObject(*this) && ImageHoldsBitmap(Images[size_t(SelectedImage)]);
  if (QMenu* m = findChild<QMenu*>("Modify2")) m->setEnabled(bitmap);
  if (QMenu* m = findChild<QMenu*>("Rotate2")) m->setEnabled(bitmap);
  if (QAction* a = findChild<QAction*>("SelectImageObject1")) a->setEnabled(ImageCount > 0);
}

void TForm1::Clipboard1Click(QObject*) {
  const QMimeData* d = QGuiApplication::clipboard()->mimeData();
  const bool bitmap = d && d->hasImage();
  PasteImageatCaret1->setEnabled(bitmap && !SelectionRectShown);
  if (QAction* a = findChild<QAction*>("PasteinSelection1")) a->setEnabled(bitmap && SelectionRectShown);
}

void TForm1::DisableImageSelection1Click(QObject*) {
  // The action's own check toggles; the page's mouse handlers read it.
}

void TForm1::MetaPopupPopup(QObject*) {
  const int n = ImageCount, s = SelectedImage;
  auto enable = [this](const char* name, bool on) {
    if (QAction* a = findChild<QAction*>(name)) a->setEnabled(on);
    if (QMenu* m = findChild<QMenu*>(name)) m->setEnabled(on);
  };
  enable("BringtoFront2", n >= 2 && s != n - 1);
  enable("SendtoBack1", n >= 2 && s != 0);
  const bool bitmap = HasSelectedObject(*this) && ImageHoldsBitmap(Images[size_t(s)]);
  enable("Modify1", bitmap);
  enable("Rotate1", bitmap);
  enable("Animate1", GifLzwAllowed() && dynamic_cast<TZQVGif*>(SelectedGraphic(*this)) != nullptr);
  if (QMenu* m = findChild<QMenu*>("Animate1"); m && m->isEnabled()) Animate1Click(m);
}

// ---------------------------------------------------------------- whole objects

void TForm1::Delete1Click(QObject*) { DeleteImageFromArray(SelectedImage); }

std::unique_ptr<TGraphic> TForm1::ImageObjectPicture(TSizeChangedImage* C) {
  if (!C) return nullptr;
  TGraphic* g = C->Picture.Graphic();
  if (!g || g->Empty()) return nullptr;
  const int W = C->width(), H = C->height();
  if (auto* m = dynamic_cast<TMetafile*>(g)) {
    auto out = std::make_unique<TMetafile>();
    if (C->SizeChanged()) {
      std::unique_ptr<TMetafileCanvas> canvas;
      if (!CreateMetafileCanvas(*out, canvas, W, H)) return nullptr;
      canvas->StretchDraw(TRect(0, 0, W, H), *m);
      canvas->Finish();
    } else {
      *out = *m;
    }
    return out;
  }
  // Rasters are the shown size exactly: a saved picture neither grows nor gains a border.
  if (dynamic_cast<TGIFImage*>(g)) {
    TBitmap b(W, H, pf24bit);
    b.Canvas().StretchDraw(TRect(0, 0, W, H), *g);
    auto out = std::make_unique<TZQVGif>();
    out->Assign(&b);
    return out;
  }
  if (dynamic_cast<TJPEGImage*>(g)) {
    TBitmap b(W, H, pf24bit);
    b.Canvas().StretchDraw(TRect(0, 0, W, H), *g);
    auto out = std::make_unique<TJPEGImage>();
    out->Assign(b);
    return out;
  }
  if (dynamic_cast<TBitmap*>(g)) {
    auto out = std::make_unique<TBitmap>(W, H, pf24bit);
    out->Transparent = true;
    out->Canvas().StretchDraw(TRect(0, 0, W, H), *g);
    return out;
  }
  return nullptr;
}

void TForm1::Copy2Click(QObject*) {
  TSizeChangedImage* c = HasSelectedObject(*this) ? Images[size_t(SelectedImage)] : nullptr;
  TGraphic* g = c ? c->Picture.Graphic() : nullptr;
  if (!g || g->Empty()) return;
  TBitmap b(std::max(1, c->width()), std::max(1, c->height()), pf24bit);
  b.Transparent = TransparentOption();
  std::unique_ptr<TGraphic> shown;
  TGraphic* source = g;
  if (c->SizeChanged()) {
    shown = ImageObjectPicture(c);
    if (shown) source = shown.get();
  }
  b.Canvas().StretchDraw(TRect(0, 0, b.Width(), b.Height()), *source);
  auto* data = new QMimeData();
  data->setImageData(b.ToRgbImage());
  if (auto* m = dynamic_cast<TMetafile*>(source); m && _SetCopyMetafileDefault->isChecked()) {
    const std::vector<uint8_t> bytes = GraphicBytes(*m);
    data->setData("image/emf", QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
  }
  if (auto* gif = dynamic_cast<TGIFImage*>(source); gif && c->SizeChanged()) {
    const std::vector<uint8_t> bytes = GraphicBytes(*gif);
    data->setData("image/gif", QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
  }
  QGuiApplication::clipboard()->setMimeData(data);
}

void TForm1::Cut1Click(QObject* Sender) {
  // Every class goes to the clipboard as Copy puts it, so nothing is lost by the deletion that
  // follows (deletion has no undo).
  if (!HasSelectedObject(*this)) return;
  Copy2Click(Sender);
  DeleteImageFromArray(SelectedImage);
}

void TForm1::SaveImage1Click(QObject* Sender) {
  if (!HasSelectedObject(*this)) return;
  TSizeChangedImage* c = Images[size_t(SelectedImage)];
  const std::string name = ImageRecs[size_t(SelectedImage)].Name();
  if (name.empty()) {
    gifjpgemfwmf1Click(Sender, -1);
    return;
  }
  if (!c->SizeChanged()) return;
  std::unique_ptr<TGraphic> p = ImageObjectPicture(c);
  if (!p || !ConfirmOverwrite(name, "Save Image")) return;
  // The file keeps its own format: the shown picture goes through the writer its extension names
  // (a JPEG at the current JPEG quality, a PNG through the PNG writer, ...). The file is replaced
  // only once the new one is complete.
  try {
    std::unique_ptr<TGraphic> out = ConvertGraphic(p.get(), ExtractFileExt(name), TransparentOption());
    if (!out || out->Empty()) throw EInvalidGraphic("no writer for " + name);
    out->SaveToFile(name);
    c->SetSizeChanged(false);
  } catch (const std::exception&) {
    ShowMessage("Save Picture Failed");
  }
}

bool TForm1::EmbedAsPaste(QObject* Sender, TSizeChangedImage* C) {
  if (PasteCount >= 255 || !C) return false;
  if (MessageDlg("The image you are about to embed does not belong to a file \rand will no longer be a part of the "
                 "file data. You will be \rable to undo the embedding but the image will have to be   \rrecreated if "
                 "you need it. Alternatively you can cancel and \rsave the image to a file name of your choice or save "
                 "your \rdocument from the main menu which will create a unique filename \rfor you. Click Cancel to "
                 "Exit or Ok to continue embedding.",
                 mtInformation, mbOK | mbCancel, 290) != mrOk)
    return false;
  const uint8_t before = PasteCount;
  try {
    const TRect r = ImageObjectRect(C->property("Tag").toInt());
    TBitmap b(std::max(1, C->width()), std::max(1, C->height()), PageBufferFormat);
    b.Transparent = TransparentOption();
    b.Canvas().Brush.Color = clWhite;
    b.Canvas().FillRect(TRect(0, 0, b.Width(), b.Height()));
    b.Canvas().StretchDraw(TRect(0, 0, b.Width(), b.Height()), *C->Picture.Graphic());
    // A name never given before in this run, so no live paste's file is overwritten.
    const std::string name = NewProcessFileName("TempPasteImage", ".bmp");
    if (name.empty()) throw EFCreateError("no temporary folder");
    b.SaveToFile(name);
    PushPasteUndo(Sender);
    TPasteRec& p = Pastes[PasteCount];
    p = TPasteRec{};
    p.SetName(name);
    p.Rect = TStoredRect::From(r);
    p.X = int16_t(r.Left);
    p.Y = int16_t(r.Top);
    ++PasteCount;
    if (TCanvas* page = PageCanvas()) b.Draw(*page, r);
    return true;
  } catch (const std::exception&) {
    if (PasteCount != before) {
      PasteCount = before;
      Pastes[PasteCount] = TPasteRec{};
    }
    return false;
  }
}

bool TForm1::EmbedAsPicture(QObject* Sender, TCanvas& Canvas, const std::string& FileName, const TRect& Rect) {
  if (PictureCount >= 255) return false;
  if (MessageDlg("Embedding of this picture can be undone but you will  \rneed to reload the picture if you still "
                 "need it.",
                 mtInformation, mbOK | mbCancel, 290) != mrOk)
    return false;
  if (!FileExists(FileName))
    throw EFOpenError("Sorry unable to load file: \r" + FileName + ". The picture must" +
                      "be missing or damaged. sorry:-(");
  std::unique_ptr<TGraphic> g = CreateGraphicForFile(FileName);
  try {
    if (!g) throw EInvalidGraphic("unknown");
    g->LoadFromFile(FileName);
    if (g->Empty()) throw EInvalidGraphic("empty");
  } catch (const std::exception&) {
    throw EInvalidGraphic("Sorry unable to load file: \r" + FileName + ". The picture must" +
                          "invalid or damaged. sorry:-(");
  }
  g->Transparent = TransparentOption();
  g->Draw(Canvas, Rect);
  PushPictureUndo(Sender);
  TPictureRec& p = Pictures[PictureCount];
  p = TPictureRec{};
  p.SetName(FileName);
  p.Rect = TStoredRect::From(Rect);
  ++PictureCount;
  return true;
}

void TForm1::EmbedImage1Click(QObject* Sender) {
  if (!HasSelectedObject(*this)) return;
  TSizeChangedImage* c = Images[size_t(SelectedImage)];
  TGraphic* g = c->Picture.Graphic();
  bool ok = false;
  const std::string name = ImageRecs[size_t(SelectedImage)].Name();
  if (g && !g->Empty()) {
    if (name.empty()) {
      ok = EmbedAsPaste(Sender, c);
    } else if (TCanvas* page = PageCanvas()) {
      ok = EmbedAsPicture(Sender, *page, name, ImageObjectRect(SelectedImage));
    }
  }
  ProcessMessages();
  if (ok) {
    SetModified();
    // The picture or paste now shows the content; the object goes without asking about its file.
    DeselectImage(this, false);
    delete Images[size_t(SelectedImage)];
    Images[size_t(SelectedImage)] = nullptr;
    RemoveImageObjectEntry({ImageRecs, Images, ImageCount, SelectedImage}, SelectedImage);
    for (int i = 0; i < ImageCount; ++i)
      if (Images[size_t(i)]) Images[size_t(i)]->setProperty("Tag", i);
    RefreshAllImages(Sender, false);
  } else {
    ShowMessage("User canceled or unable to embed graphic. Sorry:-(");
  }
}

void TForm1::BringtoFront2Click(QObject* Sender) {
  if (BringImageObjectToFront({ImageRecs, Images, ImageCount, SelectedImage})) ImageObjectsRestacked(Sender);
}

void TForm1::SendtoBack1Click(QObject* Sender) {
  if (SendImageObjectToBack({ImageRecs, Images, ImageCount, SelectedImage})) ImageObjectsRestacked(Sender);
}

void TForm1::ImageObjectsRestacked(QObject* Sender) {
  // The controls keep their index in their tag; the frame follows the selected object.
  for (int i = 0; i < ImageCount; ++i)
    if (Images[size_t(i)]) Images[size_t(i)]->setProperty("Tag", i);
  if (aDrag) FramedImage = SelectedImage;
  RestackImageObjects();
  SetModified();
  RefreshAllImages(Sender, false);
}

// ---------------------------------------------------------------- wiring

void TForm1::WirePictureCommands() {
  auto item = [this](QMenu* menu, const char* name, const char* text) {
    return FindOrAddMenuItem(*this, menu, name, text);
  };
  auto submenu = [this](QMenu* parent, const char* name, const char* title) {
    QMenu* m = findChild<QMenu*>(name);
    if (!m) {
      m = new QMenu(QString::fromUtf8(title), this);
      m->setObjectName(name);
      m->menuAction()->setObjectName(name);  // the menu states find the item by its name
      parent->addMenu(m);
    }
    return m;
  };
  // Smooth, colour reduction and rotation submenus, shared by the popup and the Images menu.
  auto modifyItems = [&](QMenu* modify, const std::string& suffix) {
    QMenu* smooth = submenu(modify, ("Smooth" + suffix).c_str(), "Smooth");
    const char* filters[] = {"Triangle", "Hermatite", "Bell", "Spline", "Lanczos3", "Mitchell"};
    for (int p = 0; p < 6; ++p) item(smooth, (std::string(filters[p]) + suffix).c_str(), filters[p]);
    const char* reductions[] = {"16 Colors", "256 Colors", "Netscape®", "Grey Scale"};
    const char* names[] = {"N16Colors", "N256Colors", "Netscape", "GreyScale"};
    for (int p = 1; p <= 4; ++p) item(modify, (std::string(names[p - 1]) + suffix).c_str(), reductions[p - 1]);
  };
  auto rotateItems = [&](QMenu* rotate, const std::string& suffix) {
    const char* turns[] = {"90°", "180°", "270°"};
    const char* names[] = {"N90", "N180", "N270"};
    for (int p = 0; p < 3; ++p) item(rotate, (std::string(names[p]) + suffix).c_str(), turns[p]);
  };

  // The image object's popup.
  QMenu* m = MetaPopup;
  item(m, "SizeHandles2", "Size Handles");
  item(m, "DynamicResize1", "Dynamic Resize");
  item(m, "SetSize1", "Set Size");
  m->addSeparator();
  item(m, "DeleteImage1", "Delete");
  item(m, "CopyImage1", "Copy");
  item(m, "CutImage1", "Cu&t");
  item(m, "SaveImage1", "Save");
  // Save As with its format and bitmap-variant items.
  if (SaveImageAs1) m->removeAction(SaveImageAs1);
  QMenu* saveAs = submenu(m, "SaveImageAs2", "Save As");
  const char* variants[] = {"*.gif *.jpg *.emf *.wmf *.png", "Full Color Bitmap", "16 Color Bitmap",
                            "256 Color Bitmap", "Netscape®", "256 Color Grey Scale"};
  const char* variantNames[] = {"gifjpgemfwmf1", "FullColorBitmap3", "N16ColorBitmap3", "N256ColorBitmap3",
                                "Netscape5", "N256ColorGreyScale3"};
  for (int k = 0; k < 6; ++k) item(saveAs, variantNames[k], variants[k]);
  connect(saveAs, &QMenu::aboutToShow, this, [this] { SaveImageAs1Click(this); });
  if (SaveImageAs1) SaveImageAs1->setVisible(false);
  item(m, "EmbedImage1", "Embed Image");
  m->addSeparator();
  item(m, "BringtoFront2", "Bring to Front");
  item(m, "SendtoBack1", "Send to Back");
  m->addSeparator();
  modifyItems(submenu(m, "Modify1", "Modify"), "1");
  rotateItems(submenu(m, "Rotate1", "Rotate"), "1");
  QMenu* animate = submenu(m, "Animate1", "Animate");
  QAction* on = item(animate, "ON1", "ON");
  QAction* off = item(animate, "OFF4", "OFF");
  on->setCheckable(true);
  off->setCheckable(true);
  auto* group = new QActionGroup(this);
  group->addAction(on);
  group->addAction(off);
  connect(animate, &QMenu::aboutToShow, this, [this] { Animate1Click(this); });
  item(m, "Properties1", "&Properties");
  connect(m, &QMenu::aboutToShow, this, [this] { Guarded("TForm1.MetaPopupPopup", [this] { MetaPopupPopup(MetaPopup); }); });

  // Edit > Images.
  QMenu* images = submenu(_Edit, "Images1", "&Images");
  item(images, "ConverttoImageObject2", "Con&vert to Image Object");
  modifyItems(submenu(images, "Modify2", "&Modify"), "2");
  rotateItems(submenu(images, "Rotate2", "&Rotate"), "2");
  item(images, "SelectImageObject1", "&Select Image Object");
  item(images, "Loadbmpjpgemf1", "&Load *.bmp *.jpg *.emf *.wmf");
  connect(images, &QMenu::aboutToShow, this, [this] { Images1Click(this); });
  // Edit's paste items for bitmaps.
  item(_Edit, "PasteinSelection1", "&Paste in Selection");
  connect(_Edit, &QMenu::aboutToShow, this, [this] { Clipboard1Click(this); });

  // The selection's popup (its items are enabled as it opens, PopupMenu2Popup).
  item(PopupMenu2, "PastePicture", "Paste Graphic from Clipboard");
  item(PopupMenu2, "LoadPicture", "Load Picture");
  item(PopupMenu2, "ConverttoImageObject3", "Convert to Image Object");
  InstallPageDropFilter(this, ScrollBox1->viewport());
}

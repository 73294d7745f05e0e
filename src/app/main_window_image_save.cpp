// Save As of an image object: its graphic converted into the class the chosen extension needs,
// optionally colour-reduced, written, and the object then refers to the new file.
#include <QDir>

#include "app/main_window.h"
#include "codecs/color_reduction.h"
#include "codecs/gif_image.h"
#include "codecs/jpeg_image.h"
#include "codecs/png_image.h"
#include "dialogs/color_dialog.h"
#include "helpers/drag_rect.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "helpers/picture_export.h"
#include "helpers/zqv_gif.h"
#include "page/image_objects.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/metafile.h"
#include "platform/process_messages.h"
#include "platform/screen.h"
#include "platform/streams.h"

std::string PictureFileDialog(QWidget* Parent, bool Save, const std::string& Title, const std::string& Folder,
                              const std::string& Filter, int& FilterIndex, const std::string& FileName);
std::string PictureDirectory();
void SetPictureDirectory(const std::string& FileName);

namespace {
const char* const SaveImageFilter =
    "Enhanced Metafile (*.emf)|*.emf|Windows Metafile (*.wmf)|*.wmf|Device Independant Bitmap (*.bmp)|*.bmp|JPeg "
    "Image (*.jpg *.jpeg)|*.jpg;*.jpeg|ZQVWare Image (*.zqg)|*.zqg|Gif Image (*.gif)|*.gif|PNG Image (*.png)|*.png";
const char* const FilterExtensions[] = {".emf", ".wmf", ".bmp", ".jpg", ".zqg", ".gif", ".png"};

HPALETTE ScreenPalette() {
  return ScreenColorDepth() <= 8 && !AppPalette.empty() ? CreatePalette(AppPalette) : nullptr;
}
}  // namespace

void TForm1::SaveImageAs1Click(QObject*) {
  if (QAction* a = findChild<QAction*>("gifjpgemfwmf1")) a->setText("gif,bmp,jpg,emf,wmf,png,zqg");
}

std::unique_ptr<TGraphic> TForm1::ConvertGraphic(TGraphic* Graphic, const std::string& Ext, bool Transparent) {
  if (!Graphic || Graphic->Empty()) return nullptr;
  const std::string ext = UpperCase(Ext);
  enum { None, Bmp, Meta, Jpeg, Gif, Png } target = None;
  if (ext == ".BMP") target = Bmp;
  else if (ext == ".EMF" || ext == ".WMF") target = Meta;
  else if (ext == ".JPG" || ext == ".JPEG") target = Jpeg;
  else if (ext == ".GIF" || ext == ".ZQG") target = Gif;
  else if (ext == ".PNG") target = Png;
  if (target == None) return nullptr;
  const int W = Graphic->Width(), H = Graphic->Height();
  const int quality = std::min(100, ExportJpegQuality());
  // The source's own size: a picture saved again and again in other formats keeps its size and
  // gains no border.
  auto raster = [&](bool transparent, TPixelFormat format = pf24bit) {
    auto b = std::make_unique<TBitmap>(W, H, format);
    b->Canvas().Brush.Color = clWhite;
    b->Canvas().FillRect(TRect(0, 0, W, H));
    b->Canvas().StretchDraw(TRect(0, 0, W, H), *Graphic);
    if (transparent) b->Transparent = Transparent;
    return b;
  };
  // The metafile follows the extension: old-style for ".WMF", so that other programs read it.
  auto metafile = [&]() {
    auto m = std::make_unique<TMetafile>();
    {
      TMetafileCanvas c(*m, W, H, ScreenPixelsPerInch());
      c.StretchDraw(TRect(0, 0, W, H), *Graphic);
      c.Finish();
    }
    m->Enhanced = ext == ".EMF";
    return m;
  };
  auto gifFrom = [&](const TBitmap& b) {
    auto g = std::make_unique<TZQVGif>();
    g->Assign(&b);
    return g;
  };
  auto pngFrom = [&](const TBitmap& b) {
    auto p = std::make_unique<TPNGImage>();
    p->Assign(b);
    p->Transparent = Transparent;
    return p;
  };
  std::unique_ptr<TGraphic> out;
  if (auto* m = dynamic_cast<TMetafile*>(Graphic)) {
    switch (target) {
      case Bmp: out = raster(true); break;
      case Meta: {
        auto copy = std::make_unique<TMetafile>(*m);
        copy->Enhanced = ext == ".EMF";
        out = std::move(copy);
        break;
      }
      case Jpeg: out = NewJpegFromBitmap(*raster(true), quality); break;
      case Gif: out = gifFrom(*raster(true)); break;
      case Png: out = pngFrom(*raster(true, PageBufferFormat)); break;
      default: break;
    }
  } else if (auto* j = dynamic_cast<TJPEGImage*>(Graphic)) {
    auto asBitmap = [&] {
      auto b = std::make_unique<TBitmap>();
      GraphicToBitmap(*j, *b);
      return b;
    };
    switch (target) {
      case Bmp: out = asBitmap(); break;
      case Meta: out = metafile(); break;
      case Jpeg: out = std::make_unique<TJPEGImage>(*j); break;
      case Gif: out = gifFrom(*asBitmap()); break;
      case Png: out = pngFrom(*asBitmap()); break;
      default: break;
    }
  } else if (auto* g = dynamic_cast<TZQVGif*>(Graphic)) {
    switch (target) {
      case Bmp: out = raster(true); break;
      case Meta: out = metafile(); break;
      case Jpeg: out = NewJpegFromBitmap(*raster(false), quality); break;
      case Gif: {
        auto copy = std::make_unique<TZQVGif>();
        copy->Assign(g);
        out = std::move(copy);
        break;
      }
      case Png: {
        TBitmap b;
        g->AssignTo(b);
        out = pngFrom(b);
        break;
      }
      default: break;
    }
  } else if (auto* p = dynamic_cast<TPNGImage*>(Graphic)) {
    switch (target) {
      case Bmp: out = raster(false); break;
      case Meta: out = metafile(); break;
      case Jpeg: out = NewJpegFromBitmap(*raster(false), quality); break;
      case Gif: out = gifFrom(*p); break;
      case Png: {
        auto copy = std::make_unique<TPNGImage>();
        copy->Assign(*p);
        out = std::move(copy);
        break;
      }
      default: break;
    }
  } else if (auto* b = dynamic_cast<TBitmap*>(Graphic)) {
    switch (target) {
      case Bmp: out = std::make_unique<TBitmap>(*b); break;
      case Meta: out = metafile(); break;
      case Jpeg: out = NewJpegFromBitmap(*b, quality); break;
      case Gif:
        try {
          out = gifFrom(*b);
        } catch (const std::exception&) {
          out = gifFrom(*b);
        }
        break;
      case Png:
        try {
          out = pngFrom(*b);
        } catch (const std::exception&) {
          out.reset();
        }
        break;
      default: break;
    }
  }
  return out;
}

void TForm1::gifjpgemfwmf1Click(QObject* Sender, int ItemIndex) {
  if (!IsMenuItem(Sender)) return;
  if (SelectedImage < 0 || SelectedImage >= ImageCount || !Images[size_t(SelectedImage)]) return;
  const std::string macroImages = UserDataDir() + "Macro Images";
  if (!QDir().exists(QString::fromStdString(macroImages)) && !QDir().mkdir(QString::fromStdString(macroImages))) {
    ShowMessage("Unable to find or create the directory " + UserDataDir() + "Macro Images." +
                " This needs to be corrected. Exiting Save Image");
    return;
  }
  TSizeChangedImage* c = Images[size_t(SelectedImage)];
  const std::string recName = ImageRecs[size_t(SelectedImage)].Name();
  std::string fileName;
  int filterIndex = 1;
  if (!recName.empty()) {
    FileBaseName(recName, fileName);
    if (ItemIndex >= 1 && ItemIndex <= 5) filterIndex = 3;
  } else {
    fileName = "Untitled";
    filterIndex = ItemIndex >= 1 && ItemIndex <= 5 ? 3 : 1;
  }
  const std::string chosen =
      PictureFileDialog(this, true, "Save Image As", PictureDirectory(), SaveImageFilter, filterIndex, fileName);
  if (!chosen.empty() && filterIndex >= 1 && filterIndex <= 7) {
    try {
      // A picture extension the user typed picks the format; any other name takes the filter's.
      const std::string target = KeepTypedPictureExtension(chosen, FilterExtensions[filterIndex - 1]);
      const bool bitmapFile = UpperCase(ExtractFileExt(target)) == ".BMP";
      TGraphic* source = c->Picture.Graphic();
      if (bitmapFile && (ItemIndex == 0 || ItemIndex == 1))
        if (auto* b = dynamic_cast<TBitmap*>(source); b && !dynamic_cast<TPNGImage*>(b)) b->SetPixelFormat(pf24bit);
      std::unique_ptr<TGraphic> converted = ConvertGraphic(source, ExtractFileExt(target), TransparentOption());
      if (bitmapFile && converted) {
        auto* work = dynamic_cast<TBitmap*>(converted.get());
        std::unique_ptr<TBitmap> reduced;
        const HPALETTE palette = ScreenPalette();
        if (work) switch (ItemIndex) {
            case 2:
              reduced = ReduceColors(*work, rmWindows20, dkNearest, 20, nullptr);
              if (reduced) reduced->SetPixelFormat(pf4bit);
              break;
            case 3:
              reduced = palette ? ReduceColors(*work, rmCustomPalette, dkNearest, 256, palette)
                                : ReduceColors(*work, rmOctreeWindows, dkNearest, 256, nullptr);
              if (reduced) reduced->SetPixelFormat(pf8bit);
              break;
            case 4:
              reduced = ReduceColors(*work, rmWebSafe, dkNearest, 236, nullptr);
              if (reduced) reduced->SetPixelFormat(pf8bit);
              break;
            case 5:
              reduced = ReduceColors(*work, rmGrayScale, dkNearest, 256, nullptr);
              if (reduced) reduced->SetPixelFormat(pf8bit);
              break;
            default: break;
          }
        if (reduced) converted = std::move(reduced);
      }
      if (ConfirmOverwrite(target, "Save Image As")) {
        // A failed or empty write leaves the object with its old graphic and file.
        bool written = false;
        if (converted && !converted->Empty()) {
          try {
            converted->SaveToFile(target);
            written = true;
          } catch (const std::exception&) {
          }
        }
        if (!written) {
          ShowMessage("Save Picture Failed");
        } else {
          ProcessMessages();
          std::unique_ptr<TGraphic> reloaded = NewImageObjectGraphic(target);
          if (!reloaded) reloaded = CreateGraphicForFile(target);
          if (reloaded) {
            reloaded->LoadFromFile(target);
            if (auto* jpeg = dynamic_cast<TJPEGImage*>(reloaded.get())) {
              auto b = std::make_unique<TBitmap>();
              GraphicToBitmap(*jpeg, *b);
              reloaded = std::move(b);
            }
            reloaded->Transparent = TransparentOption();
            c->Picture.SetGraphic(std::move(reloaded));
            c->SetSizeChanged(false);
          }
          ImageRecs[size_t(SelectedImage)].SetName(target);
          ImageRecs[size_t(SelectedImage)].Rect = TStoredRect::From(ImageObjectRect(SelectedImage));
          SetModified();
          SetPictureDirectory(target);
        }
      }
    } catch (const EInOutError&) {
      ShowMessage("Unable to save file");
    } catch (const std::exception&) {
      ShowUnknownError("gifjpgemfwmf1Click");
    }
  }
  RefreshAllImages(Sender, false);
}

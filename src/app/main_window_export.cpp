// The page, or the part of it inside the selection rectangle, written to a picture file: a bitmap
// (full colour or reduced), JPEG, GIF or ".zqg", PNG, or a metafile.
#include <QAction>

#include "app/main_window.h"
#include "cad/engine.h"
#include "dialogs/color_dialog.h"
#include "dialogs/jpeg_quality_dialog.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "helpers/picture_export.h"
#include "platform/canvas.h"
#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/metafile.h"
#include "platform/screen.h"
#include "platform/streams.h"
#include "text/text_glue.h"

void TForm1::RefreshRect(TCanvas& canvas, const TRect& r) {
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

void TForm1::SaveGraphic(const std::string& FileName, const TRect& Area, int VariantIndex) {
  if (FileName.empty()) return;
  const std::string ext = UpperCase(ExtractFileExt(FileName));
  TBitmap base;
  try {
    try {
      base = TBitmap(Area.Right - Area.Left + 1, Area.Bottom - Area.Top + 1, pf24bit);
    } catch (const std::bad_alloc& e) {
      ShowMessage(std::string("Your system is too low on resources to complete this\r"
                              "operation. Try shutting other running applications\r"
                              "down and trying again->") +
                  e.what());
    } catch (const std::exception& e) {
      ShowMessage(std::string("TForm1.SaveGraphic creating base bitmap->") + e.what());
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
          ShowMessage(std::string("TForm1.SaveGraphic saving JPEG->") + e.what());
        }
        break;
      case TRasterExportKind::Gif:
        try {
          WriteGifPicture(base, FileName);
        } catch (const std::exception& e) {
          ShowUnknownError(std::string("TForm1.SaveGraphic saving GIF->") + e.what());
        }
        break;
      case TRasterExportKind::Bitmap: {
        HPALETTE palette;
        if (!AppPalette.empty()) palette = std::make_shared<const TPaletteEntries>(AppPalette);
        std::unique_ptr<TBitmap> out = ExportBitmapVariant(base, VariantIndex, ScreenColorDepth() <= 8, palette);
        if (!out) throw Exception("TForm1.SaveGraphic: Bitmap unnassigned");
        if (FileName.size() > 2) {
          try {
            WriteBitmapPicture(*out, FileName);
          } catch (const std::exception& e) {
            ShowMessage(std::string("TForm1.SaveGraphic saving bitmap->") + e.what());
          }
        }
        break;
      }
      case TRasterExportKind::Png:
        try {
          WritePngPicture(base, FileName);
        } catch (const std::exception& e) {
          ShowMessage(std::string("TForm1.SaveGraphic saving PNG->") + e.what());
        }
        break;
      case TRasterExportKind::Metafile: {
        TMetafile metafile;
        metafile.Enhanced = ext == ".EMF";
        {
          TMetafileCanvas canvas(metafile, Area.Right - Area.Left, Area.Bottom - Area.Top);
          RefreshRect(canvas, Area);
          canvas.Finish();
        }
        try {
          metafile.SaveToFile(FileName);
        } catch (const std::exception& e) {
          ShowMessage(std::string("TForm1.SaveGraphic saving metafile->") + e.what());
        }
        break;
      }
      case TRasterExportKind::None: break;
    }
  } catch (const std::exception& e) {
    ShowUnknownError(std::string("TForm1.SaveGraphic->") + e.what());
  }
}

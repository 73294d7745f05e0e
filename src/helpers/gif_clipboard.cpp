#include "helpers/gif_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "codecs/gif_common.h"
#include "platform/bitmap.h"
#include "platform/clipboard_formats.h"
#include "platform/exceptions.h"
#include "platform/streams.h"

void GIFLoadFromClipboardFormat(TGIFImage& image, unsigned format, const QMimeData* data) {
  if (!data) data = QGuiApplication::clipboard()->mimeData();
  if (format == CF_GIF && CF_GIF != 0) {
    const QByteArray bytes = data ? data->data("image/gif") : QByteArray();
    TBytesStream stream(bytes.constData(), size_t(bytes.size()));
    image.LoadFromStream(stream);
    return;
  }
  if (format == CF_BITMAP) {
    TBitmap bitmap;
    if (data && data->hasImage()) bitmap.SetImage(qvariant_cast<QImage>(data->imageData()));
    image.Assign(&bitmap);
    return;
  }
  throw EInvalidGraphic("Unsupported clipboard format");
}

void GIFSaveToClipboardFormat(TGIFImage& image, unsigned& format, QMimeData& data) {
  if (image.Empty()) return;
  TBitmap* bitmap = image.GetBitmap();
  format = CF_BITMAP;
  if (bitmap) data.setImageData(bitmap->Image());
  TMemoryStream stream;
  image.SaveToStream(stream);
  data.setData("image/gif", QByteArray(reinterpret_cast<const char*>(stream.Memory()), qsizetype(stream.Size())));
  if (!data.hasFormat("image/gif")) RaiseGifError("Failed to store GIF on clipboard");
}

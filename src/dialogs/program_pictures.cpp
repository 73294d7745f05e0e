#include "dialogs/program_pictures.h"

#include <QFile>

#include "codecs/gif_image.h"
#include "platform/bitmap.h"
#include "platform/streams.h"

// The pictures live in the dialogs library and must be registered explicitly.
static void InitPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace {
// ":/pictures/<NAME>.<type>" with the name in upper case, as the resource script stores them.
QString ResourcePath(const std::string& Name, const std::string& Type) {
  InitPictureResources();
  return QString(":/pictures/%1.%2").arg(QString::fromStdString(Name).toUpper(), QString::fromStdString(Type).toLower());
}

QByteArray ReadResource(const std::string& Name, const std::string& Type) {
  QFile file(ResourcePath(Name, Type));
  if (Name.empty() || !file.open(QIODevice::ReadOnly)) throw EResNotFound("Resource " + Name + " not found");
  return file.readAll();
}
}  // namespace

bool HasProgramResource(const std::string& Name, const std::string& Type) {
  return !Name.empty() && QFile::exists(ResourcePath(Name, Type));
}

void LoadGifResource(const std::string& Name, TGIFImage& Gif) {
  const QByteArray bytes = ReadResource(Name, "gif");
  Gif.Clear();
  TBytesStream stream(bytes.constData(), size_t(bytes.size()));
  Gif.LoadFromStream(stream);
}

QPixmap GifPixmap(TGIFImage& Gif) {
  TBitmap* bitmap = Gif.GetBitmap();
  if (!bitmap || Gif.Empty()) return QPixmap();
  return QPixmap::fromImage(bitmap->ToRgbImage());
}

QPixmap LoadBitmapResource(const std::string& Name) {
  const QByteArray bytes = ReadResource(Name, "bmp");
  QPixmap pixmap;
  if (!pixmap.loadFromData(bytes, "BMP")) throw EResNotFound("Resource " + Name + " not found");
  return pixmap;
}

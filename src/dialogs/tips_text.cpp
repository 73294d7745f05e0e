#include "dialogs/tips_text.h"

#include <QStringDecoder>

#include "platform/exceptions.h"
#include "platform/font.h"
#include "platform/streams.h"

namespace {
bool ReadNumber(const QString& text, int& value) {
  bool ok = false;
  const QString t = text.trimmed();
  if (t.isEmpty()) return false;
  value = t.toInt(&ok, 10);
  return ok;
}
}  // namespace

TTipParts ParseTipLine(const QString& Line) {
  TTipParts parts;
  const qsizetype eq = Line.indexOf('=');
  if (eq < 0) {
    parts.Title = Line.trimmed();
    return parts;
  }
  parts.ResourceName = Line.left(eq).trimmed();
  const QString rest = Line.mid(eq + 1);
  const qsizetype dot = rest.indexOf('.');
  if (dot < 0) {
    parts.Title = rest.trimmed();
    return parts;
  }
  parts.Title = rest.left(dot + 1);
  const QString textPart = rest.mid(dot + 1).trimmed();
  const qsizetype last = textPart.lastIndexOf('.');
  int number = 0;
  if (last < 0) {
    if (ReadNumber(textPart, number)) parts.HelpContext = number;
    else parts.Text = textPart;
    return parts;
  }
  if (ReadNumber(textPart.mid(last + 1), number)) {
    parts.HelpContext = number;
    parts.Text = textPart.left(last + 1).trimmed();
  } else {
    parts.Text = textPart;
  }
  return parts;
}

QStringList ReadTipLines(const std::string& FileName) {
  if (!FileExists(FileName)) throw EFOpenError("Cannot open file \"" + FileName + "\"");
  const std::vector<uint8_t> bytes = ReadWholeFile(FileName, MaxTipsFileSize);
  const QByteArray raw(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(raw);
  if (utf8.hasError()) text = Win1252ToQString(std::string_view(raw.constData(), size_t(raw.size())));
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  QStringList lines = text.split('\n');
  for (QString& line : lines)
    if (line.endsWith('\r')) line.chop(1);
  // From the last line to the first, every line that is empty without its blanks goes.
  for (qsizetype i = lines.size() - 1; i >= 0; --i)
    if (lines[i].trimmed().isEmpty()) lines.removeAt(i);
  return lines;
}

// The symbol-font list: the names of the fonts whose characters are signs rather than letters,
// kept by the user in "MnSymFt.dat" in the program folder and loaded once at creation; when the
// file is missing or holds no font name, the user may take (and save) the built-in list.
#include <QString>

#include "app/main_window.h"
#include "helpers/error_report.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/font.h"
#include "platform/messages.h"
#include "platform/streams.h"

namespace {

constexpr const char* kSymbolFontFile = "MnSymFt.dat";
// A font list is a few names; a larger file is not one.
constexpr int64_t kMaxSymbolFontFile = 1 << 20;

// The file's text: UTF-8 when it is valid UTF-8, else Windows-1252.
QString FileText(const std::vector<uint8_t>& bytes) {
  const QByteArray raw(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  QString text = QString::fromUtf8(raw);
  if (text.contains(QChar::ReplacementCharacter))
    text = Win1252ToQString(std::string_view(raw.constData(), size_t(raw.size())));
  return text;
}

// The built-in list, in its order.
const std::vector<std::string> kBuiltInSymbolFonts = {"Symbol", "Period", "ZQVRelMath"};

}  // namespace

void TForm1::InitializeSymbolList() {
  SymbolFontList.clear();
  const std::string name = ProgramFile(kSymbolFontFile);
  bool usable = false;
  if (FileExists(name)) {
    try {
      // Comment lines start with ";". Blanks around a name and empty lines are dropped: no font
      // has an empty name, and a name is compared without its line ending.
      const QStringList lines = FileText(ReadWholeFile(name, kMaxSymbolFontFile)).split('\n');
      for (const QString& line : lines) {
        const QString entry = line.trimmed();
        if (entry.isEmpty() || entry.startsWith(';')) continue;
        SymbolFontList.push_back(entry.toStdString());
      }
      usable = !SymbolFontList.empty();
    } catch (...) {
      SymbolFontList.clear();
      usable = false;
    }
  }
  if (usable) return;
  if (MessageDlg("Unable to load Symbol font definitions or the definition file\r" + name +
                     ".\rThe file has been removed or is damaged\r\rLoad defaults?",
                 mtError, mbYes | mbNo, 1130) != mrYes)
    return;
  SymbolFontList = kBuiltInSymbolFonts;
  if (MessageDlg("Defaults loaded OK. You can save the defaults to prevent the\rerror message reappearing at start up.\r\rSave defaults?",
                 mtConfirmation, mbYes | mbNo, 1130) != mrYes)
    return;
  try {
    // CR LF line ends, so that the file reads the same wherever it is copied.
    std::string text;
    for (const std::string& font : SymbolFontList) text += font + "\r\n";
    // Saved as the user's own list, never over the shipped one.
    const std::string own = name.rfind(AppDir(), 0) == 0 ? name : AppDir() + kSymbolFontFile;
    WriteFileAtomically(own, text.data(), text.size());
  } catch (...) {
    ShowUnknownError("InitializeSymbolList");
  }
}

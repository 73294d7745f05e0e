#include "dialogs/about_box.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QPrinter>
#include <QRegularExpression>
#include <QScreen>
#include <QTextCursor>

#include "dialogs/program_pictures.h"
#include "helpers/zqv_gif.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/guarded.h"
#include "platform/streams.h"

#ifndef KV_VERSION_MAJOR
#define KV_VERSION_MAJOR 0
#endif
#ifndef KV_VERSION_MINOR
#define KV_VERSION_MINOR 0
#endif
#ifndef KV_VERSION_RELEASE
#define KV_VERSION_RELEASE 0
#endif
#ifndef KV_VERSION_BUILD
#define KV_VERSION_BUILD 0
#endif

TAboutBox* AboutBox = nullptr;
std::function<bool(TVersionRecord&)> VersionRecordSource;
std::function<void(QPrinter&)> AboutPrinterSetup;

namespace {
KV_DECLARE_EXCEPTION(EPrinter, Exception)

constexpr const char* kProductTitle = "Korvalis V(tm)";
constexpr const char* kPrintDocument = "About Korvalis V.txt";

QString Hex(uint64_t value, int digits) { return QString("%1").arg(value, digits, 16, QChar('0')).toUpper(); }

// The build date as YYYY-MM-DD, from the compiler's "Mmm dd yyyy".
std::string BuildDate() {
  const QDate date = QLocale(QLocale::C).toDate(QString(__DATE__).simplified(), "MMM d yyyy");
  return date.isValid() ? date.toString(Qt::ISODate).toStdString() : std::string(__DATE__);
}
}  // namespace

TVersionRecord ProgramVersionRecord() {
  TVersionRecord r;
  r.FileVersionMS = uint32_t(KV_VERSION_MAJOR) << 16 | uint32_t(KV_VERSION_MINOR);
  r.FileVersionLS = uint32_t(KV_VERSION_RELEASE) << 16 | uint32_t(KV_VERSION_BUILD);
#ifndef NDEBUG
  r.FileFlags |= VS_FF_DEBUG;
#endif
  const std::string version = std::to_string(KV_VERSION_MAJOR) + "." + std::to_string(KV_VERSION_MINOR) + "." +
                              std::to_string(KV_VERSION_RELEASE) + "." + std::to_string(KV_VERSION_BUILD);
  r.Strings[0] = "ZQVWare";
  r.Strings[1] = "Korvalis V equation and technical drawing editor";
  r.Strings[2] = version + ", built " + BuildDate();
  r.Strings[3] = "korvalis";
  r.Strings[4] = "Copyright (C) ZQVWare. All rights reserved.";
  r.Strings[5] = "korvalis";
  r.Strings[6] = "Korvalis V";
  r.Strings[7] = std::to_string(KV_VERSION_MAJOR) + "." + std::to_string(KV_VERSION_MINOR);
  return r;
}

QStringList VersionListing(const TVersionRecord& r) {
  QStringList lines;
  lines << "Signature: " + Hex(r.Signature, 16);
  lines << QString("Major version number: %1").arg(r.FileVersionMS >> 16);
  lines << QString("Minor version number: %1").arg(r.FileVersionMS & 0xFFFF);
  lines << QString("Release version number: %1").arg(r.FileVersionLS >> 16);
  lines << QString("Build version number: %1").arg(r.FileVersionLS & 0xFFFF);
  const uint32_t flags = r.FileFlags & r.FileFlagsMask;
  if (flags & VS_FF_DEBUG) lines << "Debug info included";
  if (flags & VS_FF_PRERELEASE) lines << "Pre-release (beta) version";
  if (flags & VS_FF_PRIVATEBUILD) lines << "Private Build";
  if (flags & VS_FF_SPECIALBUILD) lines << "Special Build";
  const QString translation = Hex(r.Language, 4) + Hex(r.CodePage, 4);
  static const char* const captions[8] = {"Company Name: ",  "File Description: ",   "File Version: ",  "Internal Name: ",
                                          "Legal Copyright: ", "Original File Name: ", "Product Name: ", "Product Version: "};
  for (int i = 0; i < 8; ++i) lines << QString(captions[i]) + QString::fromStdString(r.Strings[i]);
  lines << "Translation: " + translation;
  return lines;
}

bool ReadMemoryStatus(uint64_t& TotalKB, int& LoadPercent, const QString& MemInfo) {
  QString text = MemInfo;
  if (text.isEmpty()) {
    QFile file("/proc/meminfo");
    if (!file.open(QIODevice::ReadOnly)) return false;
    text = QString::fromLatin1(file.read(64 * 1024));
  }
  uint64_t total = 0, available = 0;
  bool haveTotal = false, haveAvailable = false;
  static const QRegularExpression line(R"(^(\w+):\s+(\d+)\s*kB)", QRegularExpression::MultilineOption);
  for (auto it = line.globalMatch(text); it.hasNext();) {
    const auto m = it.next();
    if (m.captured(1) == "MemTotal") haveTotal = true, total = m.captured(2).toULongLong();
    if (m.captured(1) == "MemAvailable") haveAvailable = true, available = m.captured(2).toULongLong();
  }
  if (!haveTotal || total == 0) return false;
  if (!haveAvailable || available > total) available = total;
  TotalKB = total;
  LoadPercent = int(((total - available) * 100 + total / 2) / total);
  return true;
}

QString PhysicalMemoryText(uint64_t TotalKB) {
  return "Physical memory: " + QLocale().toString(qulonglong(TotalKB)) + " KB";
}

QString MemoryLoadText(int LoadPercent) { return "Memory in use: " + QString("%1").arg(LoadPercent, 3) + " %"; }

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  RichEdit1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Guarded("TAboutBox.Button1Click", [this] { Button1Click(); }); });
  QFont title = Label3->font();
  title.setBold(true);
  title.setPixelSize(27);
  Label3->setFont(title);
  Label3->setStyleSheet("color: #800000;");
  try {
    TZQVGif logo;
    LoadGifResource("LOGO", logo);
    Image1->setPixmap(GifPixmap(logo));
  } catch (...) {
  }
  FormCreate();
}

TAboutBox::~TAboutBox() {
  if (AboutBox == this) AboutBox = nullptr;
}

void TAboutBox::FormCreate() {
  HelpFile = ShippedFile("zqveq6kv.hlp");
  uint64_t total = 0;
  int load = 0;
  if (ReadMemoryStatus(total, load)) {
    PhysMem->setText(PhysicalMemoryText(total));
    FreeRes->setText(MemoryLoadText(load));
  } else {
    PhysMem->setText("Physical memory: ");
    FreeRes->setText("Memory in use: ");
  }
}

void TAboutBox::FormShow() {
  Label3->setText(kProductTitle);
  setWindowTitle(QString("About ") + kProductTitle);
  Label3->setAlignment(Qt::AlignCenter);
  RichEdit1->clear();
  const std::string licence = FindFileNoCase(ShippedDataDir(), "docs/license.txt");
  QString text;
  bool loaded = false;
  if (!licence.empty()) {
    try {
      const auto bytes = ReadWholeFile(licence, 4 << 20);
      text = QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
      loaded = true;
    } catch (const Exception&) {
      loaded = false;
    }
  }
  if (!loaded) text = "MISSING LICENSE FILE. PLEASE READ THE RELEVANT SECTIONS IN THE HELP FILE FOR IMPORTANT INFORMATION";
  if (!text.endsWith('\n')) text += '\n';
  text += " \n";
  TVersionRecord record;
  const bool haveRecord = VersionRecordSource ? VersionRecordSource(record) : (record = ProgramVersionRecord(), true);
  if (haveRecord) text += VersionListing(record).join('\n') + '\n';
  RichEdit1->setPlainText(text);
  QTextCursor start = RichEdit1->textCursor();
  start.movePosition(QTextCursor::Start);
  RichEdit1->setTextCursor(start);
}

void TAboutBox::OKButtonClick() { close(); }

void TAboutBox::Button1Click() {
  QPrinter printer;
  printer.setDocName(kPrintDocument);
  if (AboutPrinterSetup) AboutPrinterSetup(printer);
  const QString error = QString("Unable to print \"%1\"").arg(kPrintDocument);
  // No printer: Qt falls back to writing a PDF, which without a file name goes nowhere.
  const bool nowhere = printer.outputFormat() == QPrinter::NativeFormat ? printer.printerName().isEmpty()
                                                                        : printer.outputFileName().isEmpty();
  if (!printer.isValid() || nowhere) throw EPrinter(error.toStdString());
  RichEdit1->document()->print(&printer);
  if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
    throw EPrinter(error.toStdString());
}

void TAboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!Shown) {
    Shown = true;
    FormShow();
    if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  }
}

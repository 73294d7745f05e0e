// The About box: the product title and logo, the machine's memory status, the licence document
// and the program's version record in a read-only viewer that can be printed. Modeless; one at a
// time; frees itself when closed.
#pragma once

#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>

#include "ui_about_box.h"

class QPrinter;

// The program file's version record, as the build writes it.
struct TVersionRecord {
  uint32_t Signature = 0xFEEF04BD;
  uint32_t FileVersionMS = 0;  // major << 16 | minor
  uint32_t FileVersionLS = 0;  // release << 16 | build
  uint32_t FileFlagsMask = 0x3F;
  uint32_t FileFlags = 0;
  uint16_t Language = 0x0409;  // US English
  uint16_t CodePage = 0x04E4;  // the Windows ANSI code page
  // CompanyName, FileDescription, FileVersion, InternalName, LegalCopyright, OriginalFileName,
  // ProductName, ProductVersion, in that order.
  std::string Strings[8];
};
// File flags of the record.
constexpr uint32_t VS_FF_DEBUG = 0x01;
constexpr uint32_t VS_FF_PRERELEASE = 0x02;
constexpr uint32_t VS_FF_PRIVATEBUILD = 0x08;
constexpr uint32_t VS_FF_SPECIALBUILD = 0x20;

// The record of this program (version and build date from the build).
TVersionRecord ProgramVersionRecord();
// The listing the About box adds after the licence.
QStringList VersionListing(const TVersionRecord& Record);

// Memory status: total physical memory in kilobytes and the percentage in use, from
// /proc/meminfo (or the text given). False when the status cannot be read.
bool ReadMemoryStatus(uint64_t& TotalKB, int& LoadPercent, const QString& MemInfo = QString());
// "Physical memory: 524,288 KB" in the locale's number format, and "Memory in use:  42 %".
QString PhysicalMemoryText(uint64_t TotalKB);
QString MemoryLoadText(int LoadPercent);

class TAboutBox : public QDialog, public Ui::TAboutBox {
  Q_OBJECT
public:
  explicit TAboutBox(QWidget* parent = nullptr);
  ~TAboutBox() override;
  int HelpContext = 10;
  std::string HelpFile;

  void FormCreate();
  void FormShow();
  void OKButtonClick();
  void Button1Click();

protected:
  void showEvent(QShowEvent* event) override;

private:
  bool Shown = false;
};

extern TAboutBox* AboutBox;
// The version record the About box lists (tests give one without a record, or another one).
extern std::function<bool(TVersionRecord&)> VersionRecordSource;
// Sets up the printer of the Print button before printing (tests print to a PDF file); without
// it the system's default printer is used.
extern std::function<void(QPrinter&)> AboutPrinterSetup;

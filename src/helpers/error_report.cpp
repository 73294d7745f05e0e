#include "helpers/error_report.h"

#include <QDateTime>
#include <QLocale>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/streams.h"

std::string LogFileName;
const char* const SupportAddress = "support@korvalis.example";
const char* const MakerWebAddress = "https://korvalis.example.org";

namespace {
constexpr int64_t kLogRestartSize = 60000;
}

void InitErrorReports(const std::string& programFolder) {
  if (!LogFileName.empty()) return;
  LogFileName = programFolder + "logfile.txt";
}

std::string SysErrorMessage(int errorCode) {
  if (errorCode == 0) return "The operation completed successfully.";
  return std::strerror(errorCode);
}

int GetLastError() { return errno; }

void ShowUnknownError(const std::string& RoutineName) {
  try {
    std::string reason;
    if (std::current_exception()) reason = CurrentExceptionMessage();
    else reason = SysErrorMessage(GetLastError());
    // The routine's name is the program's own: it goes to the debug log, not to the user.
    (void)RoutineName;
    ShowMessage("Unknown error. Possible reason: \r" + reason + "\rPlease report this to:" + SupportAddress +
                " if the problem recurrs.");
  } catch (...) {
    // The report is the last resort: a report that cannot be shown has nowhere else to go.
  }
}

// Log format, lines ended by CR LF with one more CR before the line end of each entry line:
//   the date (short format), written only for the first entry (ErrorCount 0)
//   "[Time]:Error Count:<n> - Time:<time>[Name]:<name>; error:<system message>;"
//   and, when SecondCode is not 0, "[Time]:<time>[Name]:<name><system message of SecondCode>".
// A log that has grown past 60000 bytes (counted in 128-byte units) is started afresh.
void LogError(const std::string& Name, int32_t ErrorCode, int32_t ShowLevel, int32_t SecondCode, int32_t& ErrorCount) {
  const int lastError = GetLastError();
  if (LogFileName.empty()) {
    ShowMessage("Unable to create log file for the following reason:\r\r" + SysErrorMessage(lastError));
    return;
  }
  FILE* file = nullptr;
  try {
    if (ShowLevel == 1)
      ShowMessage(SysErrorMessage(ErrorCode) + "\r\rError Count: " + std::to_string(ErrorCount));
    const bool exists = FileExists(LogFileName);
    bool restart = !exists;
    if (exists) {
      const int64_t size = FileSizeOf(LogFileName);
      if ((size / 128) * 128 > kLogRestartSize) restart = true;
    }
    // The log is written in place and appended to: it is a record of events, not a document, and
    // what was written before a failure is worth keeping.
    file = std::fopen(LogFileName.c_str(), restart ? "wb" : "ab");
    if (!file) throw EFOpenError(SysErrorMessage(errno));
    const QDateTime now = QDateTime::currentDateTime();
    const std::string time = QLocale::system().toString(now.time(), QLocale::LongFormat).toStdString();
    std::string text;
    if (ErrorCount == 0) text += QLocale::system().toString(now.date(), QLocale::ShortFormat).toStdString() + "\r\r\n";
    text += "[Time]:Error Count:" + std::to_string(ErrorCount) + " - Time:" + time + "[Name]:" + Name +
            "; error:" + SysErrorMessage(ErrorCode) + ";\r\r\n";
    if (SecondCode != 0) text += "[Time]:" + time + "[Name]:" + Name + SysErrorMessage(SecondCode) + "\r\r\n";
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) throw EWriteError(SysErrorMessage(errno));
    if (SecondCode != 0 && ShowLevel == 1)
      ShowMessage(SysErrorMessage(SecondCode) + "\r\rError Count: " + std::to_string(ErrorCount));
    if (std::fflush(file) != 0) throw EWriteError(SysErrorMessage(errno));
    ++ErrorCount;
    std::fclose(file);
  } catch (...) {
    if (file) std::fclose(file);
    try {
      ShowMessage(std::string("De Bugging Problem. Please contact: ") + SupportAddress + "\r\r" + CurrentExceptionMessage());
    } catch (...) {
      // Logging never raises: when even its own failure cannot be shown, the entry is lost.
    }
  }
}

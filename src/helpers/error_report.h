// Reports of unexpected failures: the "Unknown error in ..." box and the debug log "logfile.txt".
#pragma once

#include <cstdint>
#include <string>

// The program folder followed by "logfile.txt"; empty until InitErrorReports has run.
extern std::string LogFileName;
// Sets LogFileName from the program folder (with its trailing separator); later calls do nothing.
void InitErrorReports(const std::string& programFolder);

// The message text of a system error code.
std::string SysErrorMessage(int errorCode);
// The calling thread's last system error code.
int GetLastError();

// "Unknown error in <RoutineName>. Possible reason: ..." in a plain message box. Called inside a
// catch block, the possible reason is the exception's own text; otherwise the system message of
// the last error. Never fails towards its caller.
void ShowUnknownError(const std::string& RoutineName);

// Appends an entry to the debug log and increments ErrorCount; see the log format in the .cpp.
void LogError(const std::string& Name, int32_t ErrorCode, int32_t ShowLevel, int32_t SecondCode, int32_t& ErrorCount);

// The support address named in the error messages.
extern const char* const SupportAddress;
// The maker's web address named where a newer version is needed.
extern const char* const MakerWebAddress;

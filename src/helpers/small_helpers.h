// Small shared helpers: the recent-files list of a menu, long file names, keeping a window on the
// screen, rectangle and point scaling, name lists, colour texts, distances and the rescaling of
// the shape records of the older document format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/keys.h"
#include "platform/win_types.h"

class QMenu;
class QWidget;
class TSizeChangedImage;

// The service-pack notice of GetLongFileName was shown (never on this platform).
extern bool ServicePackWarned;

// The ini keys of the eight recent files, newest first.
extern const char* const RecentFileKeys[8];

// Puts FileName first in the menu's recent-file list (the menu's first eight actions) and writes
// the list to the "RecentFiles" section of the ini file IniFileName.
void AddRecentFile(const std::string& FileName, const std::string& IniFileName, QMenu* Menu);
// The menu part of AddRecentFile: returns False when nothing changed (FileName already first).
bool PutRecentFileFirst(const std::string& FileName, QMenu* Menu);
// The long form of a path (short 8.3 names exist only on other platforms; the path stays).
std::string GetLongFileName(const std::string& ShortName);
void KeepFormOnScreen(QWidget* Form);
// Asks "Show this message again?" (Yes and No, help context 20); True for Yes.
bool AskShowAgain();
void ScaleRect(TRect& R, long double Factor);
void ScalePointAbout(TPoint& P, TPoint Origin, long double FactorX, long double FactorY);
bool PtInRectInclusive(int32_t X, int32_t Y, const TRect& R);
bool IsInNameList(const std::string& Name, const std::vector<std::string>& Names, int High);
// "$RRGGBB" from an RGB colour value; "Error" for a system colour reference (a negative value).
void ColorToHexString(TColor Color, std::string& S);
long double Hypot(long double X, long double Y);
// True when the image control's picture holds a graphic that is a TBitmap; False for no control
// or an empty picture.
bool ImageHoldsBitmap(const TSizeChangedImage* Image);
// Copies the keyboard state into Saved, then switches the toggle of Key (a virtual-key code
// 0..255) on or off when it differs. The caller restores Saved with SetKeyboardState when done.
void SetToggleKey(int Key, bool TurnOn, TKeyboardState& Saved);

// Shape records of the older document format: 740 bytes each, points as pairs of 32-bit integers
// from offset 0, the kind at offset 145 and, for the multiline kinds, the index of the last used
// point at offset 120.
constexpr size_t OldFigureRecordSize = 740;
// Rescales the points of records First..Last (of Records, RecordSize bytes each) by
// ScreenDpi / FileDpi about (0, 0).
void ScaleFigureRecords(int32_t FileDpi, int32_t ScreenDpi, uint8_t* Records, size_t RecordsSize, int32_t Last,
                        int32_t First);

#include "helpers/zqv_gif.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>

#include "platform/streams.h"

namespace {
struct TCutOff {
  const char* Country;
  double Value;
};
// Local date-times after which LZW coding may be written in each region.
constexpr double CanadaCutOff = 38148.997;    // 10 June 2004, 23:55:40.8
constexpr double JapanCutOff = 38131.915;     // 24 May 2004, 21:57:36
constexpr double EuropeanCutOff = 38129.9805;  // 22 May 2004, 23:31:55.2
const TCutOff CutOffs[] = {
    {"CAN", CanadaCutOff},   {"JPN", JapanCutOff},    {"AUT", EuropeanCutOff}, {"BEL", EuropeanCutOff},
    {"DEU", EuropeanCutOff}, {"DNK", EuropeanCutOff}, {"GRC", EuropeanCutOff}, {"ESP", EuropeanCutOff},
    {"FIN", EuropeanCutOff}, {"FRA", EuropeanCutOff}, {"GBR", EuropeanCutOff}, {"IRL", EuropeanCutOff},
    {"ITA", EuropeanCutOff}, {"LUX", EuropeanCutOff}, {"NLD", EuropeanCutOff}, {"PRT", EuropeanCutOff},
    {"SWE", EuropeanCutOff}};

// Two-letter territory codes of the regions above and their three-letter abbreviations.
const char* const Alpha3[][2] = {{"CA", "CAN"}, {"JP", "JPN"}, {"AT", "AUT"}, {"BE", "BEL"}, {"DE", "DEU"},
                                  {"DK", "DNK"}, {"GR", "GRC"}, {"ES", "ESP"}, {"FI", "FIN"}, {"FR", "FRA"},
                                  {"GB", "GBR"}, {"IE", "IRL"}, {"IT", "ITA"}, {"LU", "LUX"}, {"NL", "NLD"},
                                  {"PT", "PRT"}, {"SE", "SWE"}, {"US", "USA"}};
}  // namespace

std::string SystemLocaleCountryAbbrev() {
  const QLocale locale = QLocale::system();
  if (locale.territory() == QLocale::AnyTerritory) return {};
  const std::string code = QLocale::territoryToCode(locale.territory()).toStdString();
  for (const auto& pair : Alpha3)
    if (code == pair[0]) return pair[1];
  return code;
}

double LocalNowAsDateTime() {
  const QDateTime now = QDateTime::currentDateTime();
  return double(QDate(1899, 12, 30).daysTo(now.date())) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

bool GifLzwAllowedAt(const std::string& country, double localNow) {
  if (country.empty()) return true;
  for (const TCutOff& c : CutOffs)
    if (SameText(country, c.Country)) return localNow > c.Value;
  return true;
}

bool GifLzwAllowed() { return GifLzwAllowedAt(SystemLocaleCountryAbbrev(), LocalNowAsDateTime()); }

TZQVGif::TZQVGif(bool lzwAllowed) {
  if (!lzwAllowed) Coding = gcRLE;
  ReductionBits = 8;
  ColorReduction = rmOctreeWindows;
  DitherMode = dkNearest;
}

void RegisterZQVGif() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterFileFormat(".zqg", "ZQVWare picture file", [] { return std::make_unique<TZQVGif>(); });
}

namespace {
struct TZQVGifRegistration {
  TZQVGifRegistration() { RegisterZQVGif(); }
} ZQVGifRegistration;
}  // namespace

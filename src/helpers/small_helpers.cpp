#include "helpers/small_helpers.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <limits>

#include "helpers/page_surface.h"
#include "platform/ini_file.h"
#include "platform/messages.h"

bool ServicePackWarned = false;

const char* const RecentFileKeys[8] = {"FirstFile", "SecondFile", "ThirdFile",   "FourthFile",
                                       "FifthFile", "SixthFile",  "SeventhFile", "EigthFile"};

namespace {
// Nearest integer with exact halves to the even neighbour, kept inside 32 bits.
int32_t RoundHalfEven32(long double v) {
  if (std::isnan(v)) return 0;
  const long double r = std::nearbyintl(v);
  if (r >= static_cast<long double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (r <= static_cast<long double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

QString ToQ(const std::string& s) { return QString::fromUtf8(s.c_str()); }
}  // namespace

bool PutRecentFileFirst(const std::string& FileName, QMenu* Menu) {
  if (Menu == nullptr) return false;
  const std::string name = FileName.find('~') != std::string::npos ? GetLongFileName(FileName) : FileName;
  const QString qname = ToQ(name);
  QList<QAction*> items = Menu->actions();
  while (items.size() > 8) items.removeLast();
  if (items.isEmpty()) return false;
  if (items[0]->text().compare(qname, Qt::CaseInsensitive) == 0) return false;
  QStringList list;
  for (QAction* a : items) list << a->text();
  int found = -1;
  for (int i = 1; i < list.size(); ++i)
    if (list[i].compare(qname, Qt::CaseInsensitive) == 0) {
      found = i;
      break;
    }
  if (found > 0)
    list.move(found, 0);
  else
    list.insert(0, qname);
  for (int i = 0; i < items.size(); ++i) {
    if (i >= list.size() || list[i].isEmpty()) break;
    items[i]->setText(list[i]);
    items[i]->setVisible(true);
  }
  return true;
}

void AddRecentFile(const std::string& FileName, const std::string& IniFileName, QMenu* Menu) {
  if (!PutRecentFileFirst(FileName, Menu)) return;
  const QList<QAction*> items = Menu->actions();
  TMemIniFile ini(IniFileName);
  for (int i = 0; i < 8; ++i) {
    const std::string caption = i < items.size() ? items[i]->text().toStdString() : std::string();
    ini.WriteString("RecentFiles", RecentFileKeys[i], caption);
  }
  ini.UpdateFile();
}

bool AskShowAgain() {
  return MessageDlg("Show this message again?", mtConfirmation, mbYes | mbNo, 20) == mrYes;
}

std::string GetLongFileName(const std::string& ShortName) { return ShortName; }

void KeepFormOnScreen(QWidget* Form) {
  if (Form == nullptr) return;
  const QScreen* screen = Form->screen() != nullptr ? Form->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect s = screen->geometry();
  int left = Form->x();
  int top = Form->y();
  const int width = Form->width();
  const int height = Form->height();
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  if (top > s.height() - height / 2) top = s.height() - height / 2;
  if (left + width / 2 > s.width()) left = s.width() - width / 2;
  Form->move(left, top);
}

void ScaleRect(TRect& R, long double Factor) {
  R.Left = RoundHalfEven32(R.Left * Factor);
  R.Top = RoundHalfEven32(R.Top * Factor);
  R.Right = RoundHalfEven32(R.Right * Factor);
  R.Bottom = RoundHalfEven32(R.Bottom * Factor);
}

void ScalePointAbout(TPoint& P, TPoint Origin, long double FactorX, long double FactorY) {
  P.X = Origin.X + RoundHalfEven32((static_cast<long double>(P.X) - Origin.X) * FactorX);
  P.Y = Origin.Y + RoundHalfEven32((static_cast<long double>(P.Y) - Origin.Y) * FactorY);
}

bool PtInRectInclusive(int32_t X, int32_t Y, const TRect& R) {
  return R.Left <= X && X <= R.Right && R.Top <= Y && Y <= R.Bottom;
}

bool IsInNameList(const std::string& Name, const std::vector<std::string>& Names, int High) {
  const QString q = ToQ(Name);
  for (int i = 0; i <= High && i < int(Names.size()); ++i)
    if (ToQ(Names[size_t(i)]).compare(q, Qt::CaseInsensitive) == 0) return true;
  return false;
}

void ColorToHexString(TColor Color, std::string& S) {
  // The colour value as a whole number in hexadecimal: an RGB value (top bit clear) has the eight
  // digits the components are taken from; a system colour reference is a negative number whose
  // digits are no colour.
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%08llX", static_cast<unsigned long long>(static_cast<long long>(Color)));
  const std::string digits = buffer;
  if (digits.size() != 8) {
    S = "Error";
    return;
  }
  S = "$" + digits.substr(6, 2) + digits.substr(4, 2) + digits.substr(2, 2);
}

long double Hypot(long double X, long double Y) { return std::sqrt(X * X + Y * Y); }

namespace {
int32_t ReadI32(const uint8_t* p) {
  return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
void WriteI32(uint8_t* p, int32_t v) {
  const uint32_t u = uint32_t(v);
  p[0] = uint8_t(u);
  p[1] = uint8_t(u >> 8);
  p[2] = uint8_t(u >> 16);
  p[3] = uint8_t(u >> 24);
}
}  // namespace

void ScaleFigureRecords(int32_t FileDpi, int32_t ScreenDpi, uint8_t* Records, size_t RecordsSize, int32_t Last,
                        int32_t First) {
  if (Records == nullptr || FileDpi == 0 || ScreenDpi == 0 || FileDpi == ScreenDpi || Last < First) return;
  const int64_t available = int64_t(RecordsSize / OldFigureRecordSize);
  if (First < 0) First = 0;
  if (Last >= available) Last = int32_t(available - 1);
  const long double factor = static_cast<long double>(ScreenDpi) / FileDpi;
  for (int32_t r = First; r <= Last; ++r) {
    uint8_t* rec = Records + size_t(r) * OldFigureRecordSize;
    const uint8_t kind = rec[145];
    int32_t lastPoint = 5;
    if (kind == 49 || kind == 50 || kind == 54) {  // the irregular polygons and the Bezier ellipse
      // The record holds 15 points whatever its count says.
      lastPoint = ReadI32(rec + 120);
      if (lastPoint > 14) lastPoint = 14;
    }
    for (int32_t i = 0; i <= lastPoint; ++i) {
      TPoint p(ReadI32(rec + i * 8), ReadI32(rec + i * 8 + 4));
      ScalePointAbout(p, TPoint(0, 0), factor, factor);
      WriteI32(rec + i * 8, p.X);
      WriteI32(rec + i * 8 + 4, p.Y);
    }
  }
}

bool ImageHoldsBitmap(const TSizeChangedImage* Image) {
  return Image && dynamic_cast<const TBitmap*>(Image->Picture.Graphic()) != nullptr;
}

void SetToggleKey(int Key, bool TurnOn, TKeyboardState& Saved) {
  GetKeyboardState(Saved);
  if (Key < 0 || Key >= int(Saved.size())) return;
  if (bool(Saved[size_t(Key)] & 1) == TurnOn) return;
  TKeyboardState state = Saved;
  state[size_t(Key)] ^= 1;
  SetKeyboardState(state);
}

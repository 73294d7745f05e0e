#include "dialogs/form_placement.h"

#include <QGuiApplication>
#include <algorithm>
#include <QScreen>
#include <QWidget>

#include "platform/exceptions.h"
#include "platform/zqv_ini_file.h"

namespace {
QRect DesktopRect(QWidget* Form) {
  QScreen* screen = Form->screen() ? Form->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->virtualGeometry() : QRect(0, 0, 1024, 768);
}
}  // namespace

void SaveFormPlacement(QWidget* Form, const std::string& IniFileName) {
  if (!Form) return;
  TZQVIniFile ini(IniFileName);
  const std::string section = Form->objectName().toStdString();
  const int state = Form->isMaximized() ? 2 : Form->isMinimized() ? 1 : 0;
  const QRect r = Form->geometry();
  ini.WriteInteger(section, "Window_State", state);
  ini.WriteInteger(section, "Width", r.width());
  ini.WriteInteger(section, "Height", r.height());
  ini.WriteInteger(section, "Left", r.left());
  ini.WriteInteger(section, "Top", r.top());
  ini.UpdateFile();
}

// No screen is larger; a stored position or size beyond it is no placement (and the sums below
// stay far from overflowing).
constexpr int MaxWindowExtent = 1 << 16;

void RestoreFormPlacement(QWidget* Form, const std::string& IniFileName) {
  if (!Form) return;
  const std::string section = Form->objectName().toStdString();
  const QRect desk = DesktopRect(Form);
  int state = 0, w = Form->width(), h = Form->height(), left = 0, top = 0;
  {
    TZQVIniFile ini(IniFileName);
    state = ini.ReadInteger(section, "Window_State", 0, 0, 2);
    w = ini.ReadInteger(section, "Width", Form->width(), 1, MaxWindowExtent);
    h = ini.ReadInteger(section, "Height", Form->height(), 1, MaxWindowExtent);
    left = ini.ReadInteger(section, "Left", (desk.width() - w) / 2, -MaxWindowExtent, MaxWindowExtent);
    top = ini.ReadInteger(section, "Top", (desk.height() - h) / 2, -MaxWindowExtent, MaxWindowExtent);
  }
  if (state == 2) {
    Form->setWindowState(Qt::WindowMaximized);
    return;
  }
  // A window closed minimised comes back as a normal window: started minimised it would not be
  // seen at all.
  // Sizes from a damaged file stay within the desktop and the window's own limits.
  w = std::clamp(w, std::max(1, Form->minimumWidth()), std::max(Form->minimumWidth(), desk.width()));
  h = std::clamp(h, std::max(1, Form->minimumHeight()), std::max(Form->minimumHeight(), desk.height()));
  if (top < 0) top = 1;
  if (top > desk.height() - h) top = desk.height() - h;
  if (w + left < 100) left = 1;
  if (left > desk.width() - w) left = desk.width() - w;
  Form->setGeometry(left, top, w, h);
}

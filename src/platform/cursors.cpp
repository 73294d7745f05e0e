#include "platform/cursors.h"

#include <map>

namespace {
std::map<int, QCursor>& Table() {
  static std::map<int, QCursor> table;
  return table;
}

Qt::CursorShape StandardShape(int slot, bool& known) {
  known = true;
  switch (slot) {
    case crDefault:
    case crArrow: return Qt::ArrowCursor;
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSize:
    case crSizeAll: return Qt::SizeAllCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait: return Qt::WaitCursor;
    case crDrag: return Qt::DragMoveCursor;
    case crNoDrop:
    case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crMultiDrag: return Qt::DragCopyCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    default: known = false; return Qt::ArrowCursor;
  }
}
}  // namespace

void SetScreenCursor(int slot, const QCursor& cursor) { Table()[slot] = cursor; }

QCursor ScreenCursor(int slot) {
  auto it = Table().find(slot);
  if (it != Table().end()) return it->second;
  bool known;
  return QCursor(StandardShape(slot, known));
}

bool HasScreenCursor(int slot) {
  bool known;
  StandardShape(slot, known);
  return known || Table().count(slot) > 0;
}

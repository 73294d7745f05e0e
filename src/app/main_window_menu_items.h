// The menu item of a command: the one the window layout has, or one made in the given menu.
#pragma once

#include <QAction>
#include <QMenu>

inline QAction* FindOrAddMenuItem(QWidget& Window, QMenu* Menu, const char* Name, const char* Text,
                                  bool Checkable = false, bool Checked = false) {
  QAction* a = Window.findChild<QAction*>(Name);
  if (!a) {
    a = new QAction(QString::fromUtf8(Text), &Window);
    a->setObjectName(Name);
    a->setCheckable(Checkable);
    a->setChecked(Checked);
    if (Menu) Menu->addAction(a);
  }
  return a;
}

// The clipboard holds shapes: of the engine's own unit system, or of either.
bool ClipboardHasShapes(bool currentUnitsOnly);

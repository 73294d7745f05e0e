// The command table: installing the rows, and running them.
#include "app/command_table.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QSet>
#include <algorithm>

#include "app/main_window.h"
#include "platform/guarded.h"

TCommandTable::TCommandTable(TForm1& Form) : F(Form) {}

TCommand& TCommandTable::Add(TCommand Row) {
  RowList.push_back(std::move(Row));
  return RowList.back();
}

const TCommand* TCommandTable::Find(const std::string& Name) const {
  for (const TCommand& r : RowList)
    if (r.Name == Name) return &r;
  return nullptr;
}

const TCommand* TCommandTable::RowOf(const QAction* Item) const {
  for (const TCommand& r : RowList)
    for (const QAction* a : r.Actions)
      if (a == Item) return &r;
  return nullptr;
}

void TCommandTable::Run(TCommand& Row, QObject* Sender) {
  // No command runs while a document file is read or written.
  if (F.FileBusy) return;
  if (Row.Enabled && !Row.Enabled(F)) {
    for (QAction* a : Row.Actions) a->setEnabled(false);
    return;
  }
  ++Row.Ran;
  Guarded(Row.Name.c_str(), [&] { Row.Handler(F, Sender); });
}

void TCommandTable::ApplyEnabling(QMenu* Menu) {
  for (QAction* a : Menu->actions())
    if (const TCommand* r = RowOf(a); r && r->Enabled) a->setEnabled(r->Enabled(F));
}

void TCommandTable::Install() {
  RowList.clear();
  FaultList.clear();
  AddRows();
  for (size_t i = 0; i < RowList.size(); ++i) {
    TCommand& r = RowList[i];
    if (!r.Handler) FaultList.push_back(r.Name + ": no handler");
    if (r.Family) continue;
    const QString name = QString::fromStdString(r.Name);
    if (r.Button) {
      auto* button = F.findChild<QAbstractButton*>(name);
      if (!button) {
        FaultList.push_back(r.Name + ": no tool button of this name");
        continue;
      }
      // The item that stands for the button presses it, as the user does.
      auto* item = new QAction(button->toolTip().isEmpty() ? name : button->toolTip(), &F);
      item->setObjectName(name);
      item->setProperty("ToolButton", true);
      r.Actions = {item};
      QObject::connect(button, &QAbstractButton::clicked, &F, [this, i, button] { Run(RowList[i], button); });
      QObject::connect(item, &QAction::triggered, button, [button] { button->click(); });
      continue;
    }
    QList<QAction*> items = F.findChildren<QAction*>(name);
    // Tool-button items are the table's own; a menu item of the same name is another thing.
    items.erase(std::remove_if(items.begin(), items.end(), [](QAction* a) { return a->property("ToolButton").toBool(); }),
                items.end());
    if (items.isEmpty() && r.Menu) {
      if (QMenu* menu = F.findChild<QMenu*>(r.Menu)) {
        auto* a = new QAction(QString::fromUtf8(r.Caption ? r.Caption : r.Name.c_str()), &F);
        a->setObjectName(name);
        a->setCheckable(r.Checkable);
        menu->addAction(a);
        items = {a};
      }
    }
    if (items.isEmpty()) {
      FaultList.push_back(r.Name + ": no menu item of this name");
      continue;
    }
    for (QAction* a : items) {
      r.Actions.push_back(a);
      if (!r.Keys.isEmpty()) {
        a->setShortcuts(r.Keys);
        // Keys work while the item's menu is closed too.
        F.addAction(a);
      }
      QObject::connect(a, &QAction::triggered, &F, [this, i, a] { Run(RowList[i], a); });
    }
  }
  // The families' members: items that name their row.
  for (QAction* a : F.findChildren<QAction*>()) {
    const QString command = a->property("Command").toString();
    if (command.isEmpty()) continue;
    auto row = std::find_if(RowList.begin(), RowList.end(),
                            [&](const TCommand& r) { return r.Family && r.Name == command.toStdString(); });
    if (row == RowList.end()) {
      FaultList.push_back(a->objectName().toStdString() + ": its command " + command.toStdString() + " has no row");
      continue;
    }
    row->Actions.push_back(a);
    const size_t i = size_t(row - RowList.begin());
    QObject::connect(a, &QAction::triggered, &F, [this, i, a] { Run(RowList[i], a); });
  }
  for (const TCommand& r : RowList)
    if (r.Family && r.Actions.empty()) FaultList.push_back(r.Name + ": no item names this family");
  // Every item of every menu of the window runs a row: submenus, separators and titles aside (the
  // dialogs' own menus are theirs).
  QSet<QAction*> seen;
  for (QMenu* menu : F.findChildren<QMenu*>()) {
    QWidget* owner = menu->parentWidget();
    while (owner && qobject_cast<QMenu*>(owner)) owner = owner->parentWidget();
    while (owner && owner != &F && !owner->isWindow()) owner = owner->parentWidget();
    if (owner != &F) continue;
    for (QAction* a : menu->actions()) {
      if (a->isSeparator() || a->menu() || a->property("Title").toBool() || seen.contains(a)) continue;
      seen.insert(a);
      if (!RowOf(a))
        FaultList.push_back((a->objectName().isEmpty() ? a->text() : a->objectName()).toStdString() + " in " +
                            menu->objectName().toStdString() + ": no row runs this item");
    }
    // The enabling rules decide when the menu opens, after its own opening handler.
    QObject::connect(menu, &QMenu::aboutToShow, &F, [this, menu] { ApplyEnabling(menu); });
  }
}

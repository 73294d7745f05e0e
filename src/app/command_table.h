// The main window's commands as one table. Each row is one command of a menu item, a pop-up item,
// a tool button or a shortcut: the component name of its item, the handler it runs, its keys, the
// rule that enables it, and what it changes on the page. The window wires its menus, tool buttons
// and keys from the rows and from nothing else; a row without its item or its handler, or a menu
// item without a row, is a fault that stops the program at start-up.
//
// Most rows name one item. A family row stands for a group of items that share one handler and
// differ by their place in their menu (the 26 line thicknesses, the zoom levels, the recent files):
// its name is the handler's, and the window's building code marks each member item with the
// property "Command" naming the row (and "Position", and whatever else the handler reads).
//
// A tool button row makes a hidden item of the button's name; triggering that item presses the
// button, so that the button's handler sees the button as its sender as when it is clicked.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QObject;
class TForm1;

// What a command changes. The page parts (text to image objects) are what the document holds and
// the undo gives back.
enum TCommandChange : unsigned {
  ccNothing = 0,
  ccText = 1,
  ccShapes = 2,
  ccPictures = 4,
  ccPastes = 8,
  ccImageObjects = 16,
  ccSettings = 32,  // the program's own settings, options and view, not the page
};
constexpr unsigned ccPage = ccText | ccShapes | ccPictures | ccPastes | ccImageObjects;

struct TCommand {
  std::string Name;  // the item's component name; for a family, the handler's name
  // Runs the command; Sender is the item chosen (or the tool button pressed).
  std::function<void(TForm1&, QObject*)> Handler;
  unsigned Changes = ccNothing;
  // Why a change of the page by this command is not given back by one Undo; null when it is.
  const char* NoUndo = nullptr;
  QList<QKeySequence> Keys = {};
  // Null: the item's own enabled state decides (set by its menu's opening handler).
  std::function<bool(TForm1&)> Enabled = {};
  const char* Menu = nullptr;     // the menu the item is added to when the layout has no such item
  const char* Caption = nullptr;  // its caption then
  bool Button = false;            // the name is a tool button's
  bool Family = false;
  bool Checkable = false;         // an item made here is checkable
  // Set when the table is installed: the row's item(s).
  std::vector<QAction*> Actions = {};
  int Ran = 0;  // how often its handler has run
};

class TCommandTable {
public:
  explicit TCommandTable(TForm1& Form);

  // Finds or makes every row's items and wires them; records the faults.
  void Install();
  // Rows whose item is missing and items of the window's menus that no row runs, one text each.
  const std::vector<std::string>& Faults() const { return FaultList; }
  const std::vector<TCommand>& Rows() const { return RowList; }
  const TCommand* Find(const std::string& Name) const;
  // The row an item belongs to; null when none.
  const TCommand* RowOf(const QAction* Item) const;
  // Applies the enabling rules of the rows whose items a menu holds (when it opens).
  void ApplyEnabling(QMenu* Menu);
  // Runs a row for an item: not when its rule says it is disabled, not while a document file is
  // read or written.
  void Run(TCommand& Row, QObject* Sender);

private:
  void AddRows();
  void AddFileRows();
  void AddEditRows();
  void AddOptionRows();
  void AddFormatRows();
  void AddSettingsRows();
  void AddZoomAndUndoRows();
  void AddToolsAndHelpRows();
  void AddPopupRows();
  void AddShapeToolRows();
  void AddImageRows();
  void AddButtonRows();
  TCommand& Add(TCommand Row);
  TForm1& F;
  std::vector<TCommand> RowList;
  std::vector<std::string> FaultList;
};

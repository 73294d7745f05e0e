// The column of macro lines of the macro text window: each line is a spin edit (blank lines sent
// after the macro), a check box (lines sent together) and an edit box (the description; the
// macro's formatted characters are kept behind it). The list holds the macros themselves in a
// TMacroList, so that the stream and file code of the page library reads and writes them; the
// controls show the description, spacing and check state of each line and hand them back before
// the list is written.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "page/macro_list.h"
#include "platform/font.h"

class TStream;
class TZQVCheckList;

class TZQVSpinEdit : public QSpinBox {
  Q_OBJECT
public:
  explicit TZQVSpinEdit(QWidget* parent);
};

class TZQVEdit : public QLineEdit {
  Q_OBJECT
public:
  TZQVEdit(TZQVCheckList* List, QWidget* parent);
  int LineNumber = 0;  // 1-based
  TMacroLineBuffer& Buffer();
  bool IsBlank() const;
  void ClearChars();
  // The description as the page's character bytes, and back.
  std::string DescriptionBytes() const;
  void SetDescriptionBytes(const std::string& Bytes);

protected:
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

private:
  TZQVCheckList* List;
  QPoint PressPoint;
};

class TZQVCheckEdit : public QWidget {
  Q_OBJECT
public:
  TZQVCheckEdit(TZQVCheckList* List, QWidget* parent);
  QCheckBox* CheckBox = nullptr;
  TZQVSpinEdit* SpinEdit = nullptr;
  TZQVEdit* Edit = nullptr;
  int LineNumber = 0;  // 1-based
  void SetSpacing(int Value);
  void SetChecked(bool On);

protected:
  void mousePressEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  TZQVCheckList* List;
};

class TZQVCheckList : public QWidget {
  Q_OBJECT
public:
  explicit TZQVCheckList(QWidget* parent);

  // The macros (characters, fonts, offsets; descriptions, spacings and checks as last synced).
  TMacroList Data{0};
  int CurrentLine = 0;  // 1-based; 0 until a line is touched
  uint16_t LastKey = 0;
  Qt::KeyboardModifiers LastShift;
  QMenu* PopupMenu = nullptr;
  // "Cut", "Copy", "Paste", "-", "Send to Editor", "Import Selection", "Stay on Top", "Clear",
  // "Clear All".
  std::array<QAction*, 9> PopupItems{};
  std::function<void()> OnLineDblClick;

  int LineCount() const { return int(Lines.size()); }
  void SetLineCount(int n);
  TZQVCheckEdit* GetLine(int n) const { return Lines[size_t(n)]; }
  bool Modified() const { return Data.Modified; }
  void SetModified(bool On) { Data.Modified = On; }

  uint8_t GetChar(int n, int i) const { return Data.Lines[size_t(n)].Buffer.Chars[size_t(i)]; }
  void SetChar(int n, int i, uint8_t c) { Data.Lines[size_t(n)].Buffer.Chars[size_t(i)] = c; }
  int16_t GetCharOffset(int n, int i) const { return Data.Lines[size_t(n)].Buffer.Offsets[size_t(i)]; }
  void SetCharOffset(int n, int i, int16_t v) { Data.Lines[size_t(n)].Buffer.Offsets[size_t(i)] = v; }
  // The font of a character, unpacked into one shared scratch font.
  const TFont& GetCharFont(int n, int i);
  void SetCharFont(int n, int i, const TFont& Font);
  // Out of range: "List Index out of bounds", 0 / False.
  int GetSpacing(int n) const;
  void SetSpacing(int n, int v);
  bool IsChecked(int n) const;
  bool AnyChecked() const { return FirstChecked() >= 0; }
  int FirstChecked() const;
  int LastChecked() const;
  void UncheckOthers(int Keep);
  void SetCurrentText(const std::string& Bytes);

  void ClearLine(int n);
  void ClearAll();
  void CopyLineData(TMacroLineBuffer& Dest, const TMacroLineBuffer& Source);
  // Moves the macro of position Source (0-based) to Target; the lines between shift by one.
  void MoveLine(int Target, int Source);
  // A line's edit dropped on another's: OK replaces (the source is cleared), No inserts, Cancel
  // leaves both.
  void DropLine(int Source, int Target);

  void SaveToStream(TStream& Stream);
  // Reads a whole stream; a damaged one raises and leaves every line as it was.
  void LoadFromStream(TStream& Stream);
  // Descriptions, spacings and checks of the controls into Data, and back.
  void SyncToData();
  void SyncFromData();
  void Touch(int LineNumber) { CurrentLine = LineNumber; }

protected:
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

private:
  friend class TZQVEdit;
  void PopupClick(int Item);
  std::vector<TZQVCheckEdit*> Lines;
  int NextTop = 4;
  TFont ScratchFont;
};

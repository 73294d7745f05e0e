// The object editor: inspects and adjusts the page's picture and paste table entries (file,
// position, size) with a preview of the file and two corner ticks on the page that follow the
// rectangle being edited. Edits reach the live tables only through Apply or the questions asked on
// leaving an entry or closing; on closing the user keeps or discards each table's changes whole.
//
// Contract
// - The window owns its boxes, its copies of both tables (taken at every show) and its flags.
// - The tables are the page's (`Pictures`, `Pastes` and the counts of TPagePart); the window writes
//   them only in WritePicture, WritePaste, Undo Changes and the close questions.
// - Everything else of the main window goes through TObjectEditorHost.
#pragma once

#include <QDialog>
#include <QWidget>
#include <array>
#include <string>

#include "page/page_tables.h"
#include "platform/win_types.h"
#include "ui_object_editor.h"

class QLabel;
class TPagePart;

class TObjectEditorHost {
public:
  virtual ~TObjectEditorHost() = default;
  virtual TPagePart& Page() = 0;
  // The widget the corner ticks are placed on, and the page's scroll position.
  virtual QWidget* PageArea() = 0;
  virtual TPoint ScrollOffset() = 0;
  virtual void RecomposePage() = 0;
  virtual void FlagDocumentModified() = 0;
  // Lengths in millimetres rather than inches.
  virtual bool MetricLengths() = 0;
  // The picture open dialog started on Start; empty for Cancel.
  virtual std::string ChoosePicture(const std::string& Start) = 0;
};

// A corner tick on the page.
class TTick : public QWidget {
  Q_OBJECT
public:
  TTick(QWidget* parent, bool TopLeft);
  bool TopLeft = false;
  void SetPosition(TPoint P);

protected:
  void paintEvent(QPaintEvent* e) override;
};

class TObjectEditor : public QDialog, public Ui::TObjectEditor {
  Q_OBJECT
public:
  TObjectEditor(TObjectEditorHost& Host, QWidget* parent = nullptr);
  ~TObjectEditor() override;

  struct TEntryFlags {
    bool Changed = false;
    bool Committed = false;
  };
  int PicIndexShown = 0;
  int PasteIndexShown = 0;
  TPictureTable PicBackup{};
  TPasteTable PasteBackup{};
  uint8_t PicCountBackup = 0;
  uint8_t PasteCountBackup = 0;
  TTick* Tick1 = nullptr;
  TTick* Tick2 = nullptr;
  int ActiveTab = 0;
  std::array<TEntryFlags, MaxPictures> PicFlags{};
  std::array<TEntryFlags, MaxPastes> PasteFlags{};
  bool EditTouched = false;
  bool IndexSettled = false;

  void ShowPicture(const TPictureRec& Entry);
  void ShowPaste(const TPasteRec& Entry);
  std::string LoadPreview(const std::string& FileName, QLabel* Image);
  void MoveTicks();
  void WritePicture(int Index);
  void WritePaste(int Index);
  void FlagPictureChanged();
  void FlagPasteChanged();
  void ShowChangedState(bool Changed);

  void PicIndexChange(int Index);
  void PasteIndexChange(int Index);
  void PageChange(int Index);
  void PositionChange();
  void PictureBoxLeft();
  void PasteBoxLeft();
  void NewPictureClick();
  void ApplyClick();
  void UndoBtnClick();
  void Update1Click();
  // The close questions; false when the user cancelled.
  bool FormCloseQuery();

protected:
  void showEvent(QShowEvent* e) override;
  void done(int r) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  TRect PictureBoxes() const;
  TRect PasteBoxes() const;
  std::string LengthText(int Pixels) const;
  void ShowSizeLabels();
  void ClearPreview(QLabel* Image);
  TObjectEditorHost& Host;
  bool Loading = false;
};

// The object editor while it is open, or null.
extern TObjectEditor* ObjectEditor;

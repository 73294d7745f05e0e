// The image-files window: a drive box, a folder list and a file list opened on the folder
// "Macro Images" in the program folder; files are dragged from the list onto the page, where the
// main window places them. Modeless, always on top, created once and freed on close.
#pragma once

#include <QDialog>
#include <QString>

#include "ui_image_files_window.h"

class QFileSystemModel;

class TEquationImageFiles1 : public QDialog, public Ui::TEquationImageFiles1 {
  Q_OBJECT
public:
  explicit TEquationImageFiles1(QWidget* parent = nullptr);
  ~TEquationImageFiles1() override;
  int HelpContext = 295;

  // The folder the file list shows.
  QString Directory() const { return Folder; }
  void SetDirectory(const QString& Folder);
  // The names the file list shows (folders and picture files), in its order.
  QStringList ListedNames() const;
  void FormCreate();
  void FormClose();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  QFileSystemModel* Folders = nullptr;
  QFileSystemModel* Files = nullptr;
  QString Folder;
};

extern TEquationImageFiles1* EquationImageFiles1;
// The file list's patterns.
extern const char* const ImageFilesMask;

#include "dialogs/image_files_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileSystemModel>
#include <QStorageInfo>

#include "dialogs/form_placement.h"
#include "dialogs/help_viewer.h"
#include "platform/app_dir.h"
#include "platform/messages.h"

TEquationImageFiles1* EquationImageFiles1 = nullptr;
const char* const ImageFilesMask = "*.emf;*.bmp;*.jpg;*.jpeg;*.zqg;*.png;*.zqs";

TEquationImageFiles1::TEquationImageFiles1(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  setObjectName("EquationImageFiles1");  // its placement section
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(false);
  EquationImageFiles1 = this;

  // Drives: the mounted file systems.
  for (const QStorageInfo& s : QStorageInfo::mountedVolumes())
    if (s.isValid() && s.isReady()) DriveComboBox1->addItem(s.rootPath());
  if (DriveComboBox1->findText("/") < 0) DriveComboBox1->insertItem(0, "/");

  Folders = new QFileSystemModel(this);
  Folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  Folders->setRootPath("/");
  DirectoryListBox1->setModel(Folders);
  for (int c = 1; c < Folders->columnCount(); ++c) DirectoryListBox1->hideColumn(c);
  DirectoryListBox1->setHeaderHidden(true);

  Files = new QFileSystemModel(this);
  Files->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDot);
  Files->setNameFilters(QString(ImageFilesMask).split(';'));
  Files->setNameFilterDisables(false);
  FileListBox1->setModel(Files);
  FileListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  FileListBox1->setDragEnabled(true);
  FileListBox1->setDragDropMode(QAbstractItemView::DragOnly);

  connect(DriveComboBox1, &QComboBox::textActivated, this, [this](const QString& drive) { SetDirectory(drive); });
  connect(DirectoryListBox1, &QTreeView::clicked, this,
          [this](const QModelIndex& i) { SetDirectory(Folders->filePath(i)); });
  connect(FileListBox1, &QListView::doubleClicked, this, [this](const QModelIndex& i) {
    if (Files->isDir(i)) SetDirectory(Files->filePath(i));
  });
  connect(CloseBtn, &QPushButton::clicked, this, &QDialog::close);
  connect(HelpBtn, &QPushButton::clicked, this, [this] { ShowHelpContext(HelpContext); });
  FormCreate();
}

TEquationImageFiles1::~TEquationImageFiles1() {
  if (EquationImageFiles1 == this) EquationImageFiles1 = nullptr;
}

void TEquationImageFiles1::FormCreate() {
  const QString folder = QString::fromStdString(UserDataDir()) + "Macro Images";
  if (QDir(folder).exists() || QDir().mkpath(folder)) {
    SetDirectory(folder);
    return;
  }
  ShowMessage("Unable to find or create the directory " + UserDataDir() + "Macro Images." +
              " This needs to be corrected. Exiting Save Image");
  // The lists start where the file list starts: the process's current folder.
  SetDirectory(QDir::currentPath());
}

void TEquationImageFiles1::SetDirectory(const QString& folder) {
  Folder = QDir(folder).absolutePath();
  const QModelIndex root = Files->setRootPath(Folder);
  FileListBox1->setRootIndex(root);
  const QModelIndex dir = Folders->index(Folder);
  DirectoryListBox1->setCurrentIndex(dir);
  DirectoryListBox1->scrollTo(dir);
  for (int i = 0; i < DriveComboBox1->count(); ++i)
    if (Folder.startsWith(DriveComboBox1->itemText(i))) DriveComboBox1->setCurrentIndex(i);
}

QStringList TEquationImageFiles1::ListedNames() const {
  // The folder read as the file list shows it (its model fills in the background).
  QDir dir(Folder);
  dir.setNameFilters(QString(ImageFilesMask).split(';'));
  dir.setFilter(QDir::AllDirs | QDir::Files | QDir::NoDot);
  dir.setSorting(QDir::DirsFirst | QDir::Name | QDir::IgnoreCase);
  QStringList names = dir.entryList();
  return names;
}

void TEquationImageFiles1::showEvent(QShowEvent* event) {
  RestoreFormPlacement(this, AppDir() + "ChildFms.ini");
  QDialog::showEvent(event);
}

void TEquationImageFiles1::FormClose() { SaveFormPlacement(this, AppDir() + "ChildFms.ini"); }

void TEquationImageFiles1::closeEvent(QCloseEvent* event) {
  FormClose();
  QDialog::closeEvent(event);
}

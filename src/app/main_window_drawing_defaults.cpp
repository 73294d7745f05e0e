// Drawing-defaults files: the property template saved as "User 1" ("UserDefs.zqt") or "User 2"
// ("ProgDefs.zqt") in the program folder and loaded back from the menu, by File > New and at
// start-up (the Set Default choice). A file is one figure record followed by a shapes header.
#include <QFileInfo>
#include <QMenu>

#include "app/main_window.h"
#include "app/main_window_menu_items.h"
#include "cad/engine.h"
#include "platform/app_dir.h"
#include "platform/exceptions.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"

namespace {
// The ".zqs" file of an older version takes the ".zqt" name when that name is free.
std::string DefaultsFile(const std::string& Base) {
  const std::string zqt = ProgramFile(Base + ".zqt"), zqs = ProgramFile(Base + ".zqs");
  if (FileExists(zqs) && !FileExists(zqt)) RenameFile(zqs, zqt);
  return zqt;
}
}  // namespace

bool IsDefaultsShapesFile(const std::string& FileName) {
  const QString name = QFileInfo(QString::fromStdString(FileName)).fileName();
  return name.compare("ProgDefs.zqs", Qt::CaseInsensitive) == 0 ||
         name.compare("UserDefs.zqs", Qt::CaseInsensitive) == 0;
}

QMenu* TForm1::DrawingDefaultsMenu() {
  QMenu* defaults = findChild<QMenu*>("LoadDrawingDefaults1");
  if (!defaults) {
    defaults = new QMenu("&Drawing Defaults", _File);
    defaults->setObjectName("LoadDrawingDefaults1");
    _File->insertMenu(Close1, defaults);
    connect(defaults, &QMenu::aboutToShow, this, [this, defaults] { LoadDrawingDefaults1Click(defaults); });
  }
  return defaults;
}

void TForm1::WireDrawingDefaultsCommands() {
  QMenu* defaults = DrawingDefaultsMenu();
  struct TEntry {
    const char* Menu;
    const char* Text;
    const char* Save;
    const char* Load;
    const char* Base;
  };
  for (const TEntry& e : {TEntry{"User2", "User 1", "Save1", "Load1", "UserDefs"},
                          TEntry{"User4", "User 2", "Save2", "Load2", "ProgDefs"}}) {
    QMenu* sub = defaults->addMenu(QString::fromUtf8(e.Text));
    sub->setObjectName(e.Menu);
    sub->menuAction()->setObjectName(e.Menu);
    FindOrAddMenuItem(*this, sub, e.Save, "&Save");
    QAction* load = FindOrAddMenuItem(*this, sub, e.Load, "&Load");
    const std::string base = e.Base;
    connect(sub, &QMenu::aboutToShow, this, [load, base] {
      load->setEnabled(FileExists(ProgramFile(base + ".zqs")) || FileExists(ProgramFile(base + ".zqt")));
    });
  }
  // Set Default: a radio pair.
  User3->setText("&User 1");
  Program2->setText("&User 2");
}

void TForm1::Save1Click(QObject* Sender) {
  if (!Figures) return;
  const bool user1 = Sender && Sender->objectName() == QLatin1String("Save1");
  const std::string fileName = ProgramFile(user1 ? "UserDefs.zqt" : "ProgDefs.zqt");
  TRealFig& t = *Figures->Template;
  TFigureChangeEvent changed = std::move(t.OnChange);
  t.OnChange = nullptr;
  // The file holds a line in copy mode; the template keeps the kind and mode the menus show.
  const TFigureKind kind = t.Kind;
  const uint8_t penMode = t.PenMode;
  try {
    t.Kind = fkLine;
    t.SetPenMode(4);
    TMemoryStream stream;
    t.SaveToStream(&stream);
    TShapesHeader header;
    Figures->GetShapesHeader(header);
    WriteShapesHeader(stream, header);
    WriteFileAtomically(fileName, stream.Memory(), size_t(stream.Size()));
  } catch (...) {
    t.Kind = kind;
    t.PenMode = penMode;
    t.OnChange = std::move(changed);
    throw;
  }
  t.Kind = kind;
  t.PenMode = penMode;
  t.OnChange = std::move(changed);
}

bool TForm1::ReadDefaultsFile(const std::string& FileName) {
  if (!Figures || !FileExists(FileName)) return false;
  TMemoryStream stream;
  stream.LoadFromFile(FileName);
  stream.SetPosition(0);
  // Read into a figure of its own first, so that a short or damaged file leaves the template.
  TStoredProperties loaded(Figures);
  loaded.LoadFromStream(stream);
  if (stream.Remaining() >= int64_t(ShapesHeaderSize)) ReadShapesHeader(stream);
  TRealFig& t = *Figures->Template;
  TFigureChangeEvent changed = std::move(t.OnChange);
  t.OnChange = nullptr;
  t.Assign(loaded);
  // Sizes of a file from the other unit system are rescaled to the engine's.
  t.SetMetric(Figures->Metric);
  t.OnChange = std::move(changed);
  On1->setChecked(t.WantDimensions);
  if (QAction* off = findChild<QAction*>("Off1")) off->setChecked(!t.WantDimensions);
  return true;
}

void TForm1::Program1Click(QObject* Sender) {
  const bool user1 = Sender && Sender->objectName() == QLatin1String("Load1");
  const std::string fileName = DefaultsFile(user1 ? "UserDefs" : "ProgDefs");
  if (FileExists(fileName)) ReadDefaultsFile(fileName);
  RefreshAllImages(Sender, true);
}

void TForm1::LoadStartupDrawingDefaults() {
  if (!Figures) return;
  const char* base = Program2->isChecked() ? "ProgDefs" : User3->isChecked() ? "UserDefs" : nullptr;
  if (!base) return;
  try {
    ReadDefaultsFile(DefaultsFile(base));
  } catch (const std::exception& e) {
    ShowMessage("Unable to load the drawing defaults " + DefaultsFile(base) + "\r" + e.what());
  }
}

void TForm1::LoadNewFileDrawingDefaults() {
  if (!Figures) return;
  // The background event stays quiet while the defaults are applied, and comes back whatever happens.
  auto event = std::move(Figures->OnBackgroundColorChange);
  Figures->OnBackgroundColorChange = nullptr;
  struct TAttachAgain {
    TCadNotifyEvent& Slot;
    TCadNotifyEvent Event;
    ~TAttachAgain() {
      if (Figures) Slot = std::move(Event);
    }
  } again{Figures->OnBackgroundColorChange, std::move(event)};
  if (User3->isChecked()) ReadDefaultsFile(DefaultsFile("UserDefs"));
  if (Program2->isChecked()) ReadDefaultsFile(DefaultsFile("ProgDefs"));
  Figures->Template->SetMetric(Figures->Metric);
  TZQVIniFile ini(PageIniName);
  BackgroundColor = TColor(ini.ReadColor("General", "Background_Color", int(clWindow)));
  Figures->SetBackgroundColor(BackgroundColor);
}

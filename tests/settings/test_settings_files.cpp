// The application settings across runs: every key LoadSettings, SaveSettings, the main font
// dialog's defaults and the custom palette dialog's sizes read, with its default, a valid value
// and malformed values; a save by one main window read back by the next one.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QScrollArea>
#include <functional>

#include "app/window_hosts.h"
#include "app/main_window.h"
#include "dialogs/define_font_dialog.h"
#include "dialogs/main_font_dialog.h"
#include "platform/exceptions.h"
#include "platform/ini_file.h"
#include "settings/settings_store.h"
#include "settings_fixture.h"
#include "text/page_geometry.h"

namespace {

struct SettingsFilesTest : SettingsFixture {};

// What a key sets in the running program, read back as text.
using TObserve = std::function<std::string(TForm1&)>;

std::string B(bool v) { return v ? "1" : "0"; }
std::string I(long long v) { return std::to_string(v); }

struct TKeyCase {
  const char* File;
  const char* Section;
  const char* Key;
  const char* Default;                // what the program shows without the key
  const char* Value;                  // a valid stored value
  const char* Shown;                  // what it shows for Value
  std::vector<const char*> OutOfRange;  // stored values that are kept to the default or a limit
  std::vector<const char*> Limited;     // ... and what each shows
  TObserve Observe;
  bool IsString = false;
};

std::vector<TKeyCase> KeyTable() {
  return {
      {"PageIni.ini", "General", "Hints", "1", "0", "0", {}, {}, [](TForm1& f) { return B(f.ShowHint); }},
      {"PageIni.ini", "General", "HorizontalScrollBar", "1", "0", "0", {}, {},
       [](TForm1& f) { return B(f.ScrollBox1->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff); }},
      {"PageIni.ini", "General", "VerticalScrollBar", "1", "0", "0", {}, {},
       [](TForm1& f) { return B(f.ScrollBox1->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff); }},
      {"PageIni.ini", "AppMenu", "AlwaysRefresh1", "1", "0", "0", {}, {}, [](TForm1& f) { return B(f.AlwaysRefresh1->isChecked()); }},
      {"PageIni.ini", "RecentFiles", "FirstFile", "", "/docs/a.zqv", "/docs/a.zqv", {}, {},
       [](TForm1& f) { return f.FirstFile->text().toStdString(); }, true},
      {"PageIni.ini", "RecentFiles", "EigthFile", "", "/docs/h.zqv", "/docs/h.zqv", {}, {},
       [](TForm1& f) { return f.EigthFile->text().toStdString(); }, true},
      {"PageIni.ini", "General", "Background_Color", "-2147483643", "255", "255", {}, {}, [](TForm1&) { return I(BackgroundColor); }},
      {"Main.Ini", "Main_Font", "Line_Spacing", "13", "20", "20", {"256", "0", "-1", "7"}, {"13", "13", "13", "13"},
       [](TForm1&) { return I(LineHeight); }},
      {"Main.Ini", "Form_Position", "DimensionFontDgSize", "10", "14", "14", {"1", "-5"}, {"2", "2"},
       [](TForm1& f) { return I(f.DimensionFontSize); }},
      {"Main.Ini", "Form_Position", "CheckBox4", "0", "1", "1", {}, {}, [](TForm1& f) { return B(f.DimensionTracking1->isEnabled()); }},
      {"Main.Ini", "Form_Position", "ShowSnapMessage", "1", "0", "0", {}, {}, [](TForm1& f) { return B(f.ShowSnapMessage); }},
      {"Main.Ini", "Form_Position", "Custom Set", "0", "3", "3", {"7", "-1", "255"}, {"0", "0", "0"},
       [](TForm1& f) { return I(f.CustomSet); }},
      {"Main.Ini", "Form_Position", "CustomSets1Checked", "0", "4", "4", {"9"}, {"0"},
       [](TForm1& f) { return I(CheckedSubItemIndex(f.CustomSets1)); }},
      {"Main.Ini", "Form_Position", "LargeBracketSize", "22", "30", "30", {"70", "3"}, {"60", "15"},
       [](TForm1&) { return I(DefineFontDg->SpinEdit1->AsInteger()); }},
      {"Main.Ini", "Form_Position", "LargeRootSize", "20", "33", "33", {}, {}, [](TForm1&) { return I(DefineFontDg->SpinEdit2->AsInteger()); }},
      {"Main.ini", "Main_Font", "Size", "12", "24", "24", {"100", "2"}, {"40", "6"},
       [](TForm1&) { return I(MainFontDlg->GetMainFont().Size()); }},
      {"Main.ini", "Main_Font", "Script_PC", "50", "80", "80", {"5", "150"}, {"20", "99"},
       [](TForm1&) { return I(MainFontDlg->GetScriptPercent()); }},
      {"Main.ini", "Main_Font", "Custom_Offset", "-4", "-10", "-10", {"50", "-99"}, {"20", "-20"},
       [](TForm1&) { return I(MainFontDlg->GetCustomOffset()); }},
      {"Main.ini", "Main_Font", "Charset", "1", "3", "77", {"40", "-1"}, {"0", "0"},
       [](TForm1&) { return I(MainFontDlg->GetMainFont().Charset); }},
      {"Main.ini", "Main_Font", "Style", "0", "2", "1", {"7", "-1"}, {"0", "0"},
       [](TForm1&) { return I(MainFontDlg->GetMainFont().Style); }},
      {"Main.ini", "Main_Font", "Name", "Times New Roman", "Arial", "Arial", {}, {},
       [](TForm1&) { return MainFontDlg->GetMainFont().Name; }, true},
      {"Main.ini", "Main_Font", "Color", "0", "255", "255", {}, {}, [](TForm1&) { return I(MainFontDlg->GetMainFont().Color); }},
  };
}

void WriteKey(const TKeyCase& c, const std::string& value) {
  TMemIniFile ini(ProgramFile(c.File));
  ini.WriteString(c.Section, c.Key, value);
  ini.UpdateFile();
}

}  // namespace

TEST_F(SettingsFilesTest, FirstRunReadsDefaultsAndCreatesNoFile) {
  TForm1* f = CreateStartupWindows();
  for (const TKeyCase& c : KeyTable()) EXPECT_EQ(c.Observe(*f), c.Default) << c.File << " " << c.Section << " " << c.Key;
  EXPECT_FALSE(f->DimensionTracking1->isChecked());
  EXPECT_TRUE(f->User1->isChecked()) << "the Various set's item is checked";
  EXPECT_TRUE(IniFiles().isEmpty()) << IniFiles().join(",").toStdString();
  EXPECT_TRUE(rec->Texts().empty()) << rec->Texts().front();
}

TEST_F(SettingsFilesTest, EveryKeyReadsItsValueAndMalformedValuesGiveTheDefault) {
  for (const TKeyCase& c : KeyTable()) {
    SCOPED_TRACE(std::string(c.File) + " [" + c.Section + "] " + c.Key);
    for (const char* name : {"PageIni.ini", "Main.Ini"}) DeleteFile(ProgramFile(name));
    WriteKey(c, c.Value);
    EXPECT_EQ(c.Observe(*Restart()), c.Shown);
    for (size_t i = 0; i < c.OutOfRange.size(); ++i) {
      WriteKey(c, c.OutOfRange[i]);
      EXPECT_EQ(c.Observe(*Restart()), c.Limited[i]) << "stored " << c.OutOfRange[i];
    }
    // Empty, text, a fraction and a number followed by text are no integers; an empty string is
    // no name.
    const std::vector<std::string> malformed =
        c.IsString ? std::vector<std::string>{""} : std::vector<std::string>{"", "abc", "1.5", "12abc", "0x"};
    for (const std::string& bad : malformed) {
      WriteKey(c, bad);
      EXPECT_EQ(c.Observe(*Restart()), c.Default) << "stored '" << bad << "'";
    }
  }
  EXPECT_TRUE(rec->Texts().empty());
}

TEST_F(SettingsFilesTest, SaveByOneWindowIsReadByTheNext) {
  TForm1* f = CreateStartupWindows();
  f->ShowHint = false;
  f->ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  f->AlwaysRefresh1->setChecked(false);
  f->DimensionFontSize = 14;
  f->DimensionTracking1->setChecked(true);
  DefineFontDg->SpinEdit1->SetValue(31);
  DefineFontDg->SpinEdit2->SetValue(27);
  f->User1Click(f->MathAccents1);
  SaveSettings(Form1->Hosts(), Form1->Hosts());
  // Dimension tracking is read only when the permissions dialog allows it.
  {
    TMemIniFile ini(ProgramFile("Main.Ini"));
    ini.WriteBool("Form_Position", "CheckBox4", true);
    ini.UpdateFile();
  }
  f = Restart();
  EXPECT_FALSE(f->ShowHint);
  EXPECT_EQ(f->ScrollBox1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_NE(f->ScrollBox1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_FALSE(f->AlwaysRefresh1->isChecked());
  EXPECT_EQ(f->DimensionFontSize, 14);
  EXPECT_TRUE(f->DimensionTracking1->isEnabled());
  EXPECT_TRUE(f->DimensionTracking1->isChecked());
  EXPECT_EQ(DefineFontDg->SpinEdit1->AsInteger(), 31);
  EXPECT_EQ(DefineFontDg->SpinEdit2->AsInteger(), 27);
  EXPECT_EQ(f->CustomSet, 3);
  EXPECT_TRUE(f->MathAccents1->isChecked());
  // The write-only keys are there too.
  TMemIniFile ini(ProgramFile("Main.Ini"));
  for (const char* key : {"_SetFont_Menu_Checked", "WantDimensions1", "CanHaveLength", "CanHaveAngle", "isMeasurementMetric"})
    EXPECT_TRUE(ini.ValueExists("Form_Position", key)) << key;
  EXPECT_TRUE(FileExists(ProgramFile("Buttons.Ini"))) << "the current set's buttons are saved";
}

TEST_F(SettingsFilesTest, DimensionKeysFollowThePermissions) {
  TForm1* f = CreateStartupWindows();
  f->On1->setChecked(true);
  f->DimensionTracking1->setChecked(true);
  {
    TMemIniFile ini(ProgramFile("Main.Ini"));
    ini.WriteBool("Form_Position", "CheckBox3", false);
    ini.WriteBool("Form_Position", "CheckBox4", false);
    ini.UpdateFile();
  }
  SaveSettings(Form1->Hosts(), Form1->Hosts());
  TMemIniFile ini(ProgramFile("Main.Ini"));
  EXPECT_EQ(ini.ReadString("Form_Position", "WantDimensions1", ""), "0");
  EXPECT_EQ(ini.ReadString("Form_Position", "DimensionTracking1", ""), "0");
}

TEST_F(SettingsFilesTest, NamesDifferingInCaseAreOneFile) {
  Write("MAIN.INI", "[Form_Position]\r\nDimensionFontDgSize=17\r\n");
  Write("pageini.INI", "[General]\r\nHints=0\r\n");
  TForm1* f = CreateStartupWindows();
  EXPECT_EQ(f->DimensionFontSize, 17);
  EXPECT_FALSE(f->ShowHint);
  f->DimensionFontSize = 19;
  SaveSettings(Form1->Hosts(), Form1->Hosts());
  EXPECT_EQ(IniFiles().filter("main", Qt::CaseInsensitive).size(), 1) << IniFiles().join(",").toStdString();
  EXPECT_NE(Read("MAIN.INI").find("DimensionFontDgSize=19"), std::string::npos);
}

TEST_F(SettingsFilesTest, UnreadableFileIsReportedAndStartUpGoesOn) {
  // A file far larger than any settings file is not read.
  {
    QFile big(QString::fromStdString(Path("Main.Ini")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(int64_t(17) << 20));
  }
  Write("PageIni.ini", "[General]\r\nHints=0\r\n");
  TForm1* f = CreateStartupWindows();
  ASSERT_FALSE(rec->Texts().empty());
  EXPECT_EQ(rec->Texts().front().rfind("Unable to read the settings file " + Path("Main.Ini"), 0), 0u) << rec->Texts().front();
  EXPECT_FALSE(f->ShowHint) << "the other files are still read";
  EXPECT_EQ(LineHeight, 13);
  EXPECT_TRUE(f->User1->isChecked());
  EXPECT_TRUE(f->TextPageReady()) << "start-up went on to the text page";
  std::string caption;
  TFont font;
  ASSERT_TRUE(Form1->Hosts().GetCustomButton(1, caption, font));
  EXPECT_EQ(caption, "\xA0") << "the factory palette is on the buttons";
}

TEST_F(SettingsFilesTest, FailedSaveIsReportedAndTheOtherFilesAreWritten) {
  TForm1* f = CreateStartupWindows();
  ForceDirectories(Path("Main.Ini"));
  f->ShowHint = false;
  rec->Clear();
  SaveSettings(Form1->Hosts(), Form1->Hosts());
  ASSERT_EQ(rec->Texts().size(), 1u);
  EXPECT_EQ(rec->Texts()[0].rfind("Unable to save the settings to " + Path("Main.Ini"), 0), 0u) << rec->Texts()[0];
  TMemIniFile page(ProgramFile("PageIni.ini"));
  EXPECT_EQ(page.ReadString("General", "Hints", ""), "0");
  EXPECT_TRUE(FileExists(ProgramFile("Buttons.Ini")));
}

TEST(CheckedSubItemIndex, FirstCheckedTopLevelItemOrZero) {
  QMenu menu;
  for (int i = 0; i < 4; ++i) menu.addAction(QString::number(i))->setCheckable(true);
  EXPECT_EQ(CheckedSubItemIndex(&menu), 0);
  menu.actions()[2]->setChecked(true);
  EXPECT_EQ(CheckedSubItemIndex(&menu), 2);
  menu.actions()[3]->setChecked(true);
  EXPECT_EQ(CheckedSubItemIndex(&menu), 2);
  EXPECT_EQ(CheckedSubItemIndex(nullptr), 0);
}

// Dimension tracking is read only while the Want Dimensions menu is enabled; the On item's state
// does not decide it.
TEST_F(SettingsFilesTest, TrackingIsReadOnlyWhileWantDimensionsIsEnabled) {
  TForm1* f = CreateStartupWindows();
  QAction* want = f->findChild<QAction*>("WantDimension1");
  ASSERT_NE(want, nullptr);
  {
    TMemIniFile ini(ProgramFile("Main.Ini"));
    ini.WriteBool("Form_Position", "CheckBox4", true);
    ini.WriteBool("Form_Position", "DimensionTracking1", true);
    ini.UpdateFile();
  }
  const struct {
    bool wantEnabled, onEnabled, checkedAfter;
  } cases[] = {{false, true, false}, {true, false, true}, {true, true, true}, {false, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "want " << c.wantEnabled << " on " << c.onEnabled);
    want->setEnabled(c.wantEnabled);
    f->On1->setEnabled(c.onEnabled);
    f->DimensionTracking1->setChecked(false);
    LoadSettings(Form1->Hosts(), Form1->Hosts());
    EXPECT_EQ(f->DimensionTracking1->isChecked(), c.checkedAfter);
  }
}

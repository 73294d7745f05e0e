// The CAD engine of the main window: its settings ("PageIni.ini" [General], "ChildFms.ini"
// [Main Form]) read and written, the engine's events bound, a new engine for a new page; and the
// symbol-font list loaded from "MnSymFt.dat".
#include <gtest/gtest.h>

#include <QLocale>
#include <cctype>
#include <cstdio>

#include "app/main_window.h"
#include "app/main_window_fixture.h"
#include "cad/engine.h"
#include "cad/selectors.h"
#include "platform/app_dir.h"
#include "platform/streams.h"
#include "platform/zqv_ini_file.h"

namespace {

void WriteText(const std::string& name, const std::string& text) {
  WriteFileAtomically(AppDir() + name, text.data(), text.size());
}

std::string ReadText(const std::string& name) {
  const auto bytes = ReadWholeFile(AppDir() + name);
  return std::string(bytes.begin(), bytes.end());
}

struct CadSettingsTest : MainWindowFixture {
  // Start-up ends with the window shown (which applies its kept settings once more).
  TForm1* Start() {
    TForm1* form = CreateStartupWindows();
    form->show();
    return form;
  }
  // Closes the window as the user does, No to every question: the close writes the settings.
  void CloseWindow(TForm1* form) {
    rec->DefaultAnswer = mrNo;
    ASSERT_TRUE(form->close());
    rec->DefaultAnswer = 0;
  }
  void SetUp() override {
    MainWindowFixture::SetUp();
    PageIniName = AppDir() + "PageIni.ini";  // the program folder of this test
    for (const char* f : {"PageIni.ini", "ChildFms.ini", "Main.Ini"}) std::remove((AppDir() + f).c_str());
  }
  QAction* Item(TForm1* form, const char* name) {
    auto* a = form->findChild<QAction*>(name);
    EXPECT_NE(a, nullptr) << name;
    return a;
  }
};

// No settings files: the documented defaults everywhere.
TEST_F(CadSettingsTest, DefaultsWithoutSettingsFiles) {
  TForm1* form = CreateStartupWindows();
  ASSERT_NE(Figures, nullptr);
  EXPECT_EQ(NodeCount, 16);
  EXPECT_EQ(Figures->Metric, QLocale::system().measurementSystem() == QLocale::MetricSystem);
  EXPECT_EQ(BackgroundColor, clWindow);
  EXPECT_EQ(Figures->BackgroundColor, clWindow);
  EXPECT_TRUE(Figures->ScanGrids);
  EXPECT_TRUE(Figures->DynamicGrids);
  EXPECT_TRUE(Figures->SameColorDivider);
  EXPECT_EQ(Figures->CopyMagnification, 1);
  EXPECT_EQ(Figures->Template->LineDivisions, 2);
  EXPECT_FALSE(Figures->Template->WantDimensions);
  EXPECT_FALSE(form->On1->isChecked());
  EXPECT_TRUE(Item(form, "Off1")->isChecked());
  EXPECT_TRUE(Figures->Ready);
  // The Zoom In submenu ticks the level in use, 100 %, whatever the settings' default says.
  for (const char* ticked : {"Z5", "LargeSnapArea1", "ToggleOnOff1", "WantTicks1", "TransparentImages1",
                             "NonFilledShapesOnly1", "Program2", "ToggleHints1", "Showpalettehints1"})
    EXPECT_TRUE(Item(form, ticked)->isChecked()) << ticked;
  for (const char* clear : {"Z1", "Z2", "Z12", "SmallSnapArea1", "User2", "User3", "User4", "AutoBringtoFront1",
                            "AutoRefreshShapes1", "ReduceFlicker1", "InPixels1", "BeepTicks1", "ShortMenus1"})
    EXPECT_FALSE(Item(form, clear)->isChecked()) << clear;
  EXPECT_EQ(form->DimensionFontDg.Font.Name, "Times New Roman");
  EXPECT_EQ(form->DimensionFontDg.Font.Charset, 1);
  std::string folder = AppDir();
  folder.pop_back();
  EXPECT_EQ(form->OpenDialog1.InitialDir, folder);
  EXPECT_EQ(form->OpenPictureDialog1.FilterIndex, 1);
  EXPECT_TRUE(rec->Texts().empty());
}

// Every "Main Form" key read into its property and written back from it, in the table's order.
TEST_F(CadSettingsTest, MainFormSectionReadAndWritten) {
  struct Key {
    const char* key;
    const char* stored;
  };
  const Key keys[] = {
      {"DimensionFontDg_FontName", "Courier New"},
      {"DimensionFontDg_FontStyle", "5"},
      {"DimensionFontDg_FontColor", "255"},
      {"DimensionFontDg_FontCharset", "0"},
      {"DimensionTracking1_Checked", "1"},
      {"ToggleOnOff1_Checked", "0"},
      {"OpenPictureDialog1.InitialDir", "/pictures"},
      {"OpenPictureDialog1_FilterIndex", "3"},
      {"LargeSnapArea1_Checked", "0"},
      {"SmallSnapArea1_Checked", "1"},
      {"_SetCopyMetafileDefault_Checked", "0"},
      {"WantTicks1_Checked", "0"},
      {"OpenDialog1_InitialDir", "/documents"},
      {"SaveDialog2_InitialDir", "/shapes"},
      {"TransparentImages1_Checked", "0"},
      {"NonFilledShapesOnly1_Checked", "0"},
      {"AutoBringtoFront1_Checked", "1"},
      {"AutoRefreshShapes1_Checked", "1"},
      {"IncDelandBackinUndo1_Checked", "1"},
      {"User4_Checked", "1"},
      {"User2_Checked", "1"},
      {"ReduceFlicker1_Checked", "1"},
      {"Z1_Checked", "0"},
      {"Z10_Checked", "0"},
      {"Z11_Checked", "0"},
      {"Z12_Checked", "0"},
      {"Z2_Checked", "0"},
      {"Z3_Checked", "0"},
      {"Z4_Checked", "0"},
      {"Z5_Checked", "0"},
      {"Z6_Checked", "0"},
      {"Z7_Checked", "1"},
      {"Z8_Checked", "0"},
      {"Z9_Checked", "0"},
      {"User3_Checked", "1"},
      {"Program2_Checked", "0"},
      {"ShortMenus1_Checked", "1"},
      {"InPixels1_Checked", "1"},
      {"StatusBar1_Enabled", "0"},
      {"ToggleHints1_Checked", "0"},
      {"Showpalettehints1_Checked", "0"},
      {"BeepTicks1_Checked", "1"},
  };
  std::string text = "[Main Form]\r\n";
  for (const Key& k : keys) text += std::string(k.key) + "=" + k.stored + "\r\n";
  WriteText("ChildFms.ini", text);
  TForm1* form = Start();
  EXPECT_EQ(form->DimensionFontDg.Font.Name, "Courier New");
  EXPECT_EQ(form->DimensionFontDg.Font.Style, fsBold | fsUnderline);
  EXPECT_EQ(form->DimensionFontDg.Font.Color, TColor(255));
  EXPECT_EQ(form->DimensionFontDg.Font.Charset, 0);
  EXPECT_EQ(form->OpenPictureDialog1.InitialDir, "/pictures");
  EXPECT_EQ(form->OpenPictureDialog1.FilterIndex, 3);
  EXPECT_EQ(form->OpenDialog1.InitialDir, "/documents");
  EXPECT_EQ(form->SaveDialog2.InitialDir, "/shapes");
  EXPECT_FALSE(form->StatusBar1->isEnabled());
  // The zoom items tick the level in use at start ("1"), not the stored tick; the others as stored.
  auto expected = [](const Key& k) {
    const std::string key = k.key;
    if (key.size() > 1 && key[0] == 'Z' && std::isdigit(uint8_t(key[1]))) return std::string(key == "Z5_Checked" ? "1" : "0");
    return std::string(k.stored);
  };
  for (const Key& k : keys) {
    const std::string key = k.key;
    const auto end = key.rfind("_Checked");
    if (end == std::string::npos) continue;
    EXPECT_EQ(Item(form, key.substr(0, end).c_str())->isChecked(), expected(k) == "1") << key;
  }
  // Written back unchanged by the close, key for key and in the same order.
  std::remove((AppDir() + "ChildFms.ini").c_str());
  CloseWindow(form);
  TZQVIniFile ini(AppDir() + "ChildFms.ini");
  std::vector<std::string> names;
  ini.ReadSection("Main Form", names);
  ASSERT_EQ(names.size(), std::size(keys));
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(names[i], keys[i].key);
    EXPECT_EQ(ini.ReadString("Main Form", keys[i].key, "?"), expected(keys[i])) << keys[i].key;
  }
}

// The zoom items are radio items: the last ticked key read wins.
TEST_F(CadSettingsTest, LastTickedZoomKeyWins) {
  WriteText("ChildFms.ini", "[Main Form]\r\nZ5_Checked=1\r\n");
  TForm1* form = CreateStartupWindows();
  EXPECT_TRUE(form->Z5->isChecked());
  EXPECT_FALSE(form->Z1->isChecked());
}

// The "General" keys: stored values, damaged values (the default), and the write.
TEST_F(CadSettingsTest, GeneralSectionReadAndWritten) {
  WriteText("PageIni.ini",
            "[General]\r\nScan_Grids=0\r\nDynamic_Grids=0\r\nLarge_Bitmaps=4\r\nWant_Dimensions=1\r\n"
            "Line_Divisions=5\r\nBackground_Color=65535\r\nSame_Color_Divider=0\r\n");
  WriteText("Main.Ini", "[General]\r\nMax_Nodes=20\r\n");
  TForm1* form = Start();
  EXPECT_EQ(NodeCount, 20);
  EXPECT_FALSE(Figures->ScanGrids);
  EXPECT_FALSE(Figures->DynamicGrids);
  EXPECT_EQ(Figures->CopyMagnification, 4);
  EXPECT_TRUE(Figures->Template->WantDimensions);
  EXPECT_TRUE(form->On1->isChecked());
  EXPECT_FALSE(Item(form, "Off1")->isChecked());
  EXPECT_EQ(Figures->Template->LineDivisions, 5);
  EXPECT_EQ(BackgroundColor, TColor(65535));
  EXPECT_EQ(Figures->BackgroundColor, TColor(65535));
  EXPECT_FALSE(Figures->SameColorDivider);
  EXPECT_FALSE(form->ScanGrids1->isChecked());

  std::remove((AppDir() + "PageIni.ini").c_str());
  std::remove((AppDir() + "ChildFms.ini").c_str());
  CloseWindow(form);
  TZQVIniFile ini(AppDir() + "PageIni.ini");
  std::vector<std::string> names;
  ini.ReadSection("General", names);
  EXPECT_EQ(names, (std::vector<std::string>{"Scan_Grids", "Dynamic_Grids", "Large_Bitmaps", "Want_Dimensions",
                                             "Line_Divisions", "Background_Color", "Same_Color_Divider"}));
  EXPECT_EQ(ini.ReadString("General", "Large_Bitmaps", ""), "4");
  EXPECT_EQ(ini.ReadString("General", "Line_Divisions", ""), "5");
  EXPECT_EQ(ini.ReadString("General", "Background_Color", ""), "65535");
  EXPECT_TRUE(FileExists(AppDir() + "ChildFms.ini"));  // the "Main Form" section with it

  // Text where a number belongs reads as the key's default.
  FreeStartupWindows();
  WriteText("PageIni.ini", "[General]\r\nLarge_Bitmaps=many\r\nLine_Divisions=x\r\nScan_Grids=yes\r\n");
  form = Start();
  EXPECT_EQ(Figures->CopyMagnification, 1);
  EXPECT_EQ(Figures->Template->LineDivisions, 2);
  EXPECT_TRUE(Figures->ScanGrids);
}

// A named document's background is not the default background; an untitled page's is.
TEST_F(CadSettingsTest, BackgroundColourSavedOnlyForUntitledPage) {
  WriteText("PageIni.ini", "[General]\r\nBackground_Color=16777215\r\n");
  TForm1* form = Start();
  const TColor yellow = RGBColor(255, 255, 0);
  Figures->SetBackgroundColor(yellow);
  EXPECT_EQ(BackgroundColor, yellow);  // through the engine's background event
  form->DocFileName = AppDir() + "named.zqv";
  CloseWindow(form);
  EXPECT_EQ(TZQVIniFile(AppDir() + "PageIni.ini").ReadInteger("General", "Background_Color", 0), 16777215);
  FreeStartupWindows();
  form = Start();
  Figures->SetBackgroundColor(yellow);
  CloseWindow(form);
  EXPECT_EQ(TZQVIniFile(AppDir() + "PageIni.ini").ReadInteger("General", "Background_Color", 0), int(yellow));
}

// Every event of the engine's table is bound, the others are not, and the bound ones reach the
// window.
TEST_F(CadSettingsTest, EngineEventsBound) {
  TForm1* form = CreateStartupWindows();
  ASSERT_NE(Figures, nullptr);
  EXPECT_TRUE(Figures->OnDeleteSelected);
  EXPECT_TRUE(Figures->OnZoomChange);
  EXPECT_TRUE(Figures->OnPaste);
  EXPECT_TRUE(Figures->OnSelectionMoved);
  EXPECT_TRUE(Figures->OnChange);
  EXPECT_TRUE(Figures->OnAfterDraw);
  EXPECT_TRUE(Figures->OnUnitsChange);
  EXPECT_TRUE(Figures->OnListChange);
  EXPECT_TRUE(Figures->OnBackgroundColorChange);
  EXPECT_FALSE(Figures->OnFigureEdited);
  EXPECT_FALSE(Figures->OnSelectRect);
  EXPECT_FALSE(Figures->OnDestroy);
  ASSERT_NE(Figures->Selector, nullptr);
  EXPECT_TRUE(Figures->Selector->OnMouseDown);
  EXPECT_TRUE(Figures->Selector->OnMouseUp);
  EXPECT_TRUE(Figures->Selector->OnNodeSnap);

  form->Modified = false;
  Figures->Changed();
  EXPECT_TRUE(form->Modified);
  // Deleting the selection reaches the window with the deleted indexes.
  TRealFig line;
  line.Kind = 1;
  Figures->AddFigure(&line);
  Figures->AddFigure(&line);
  Figures->Selection = {1};
  std::vector<int32_t> deleted;
  auto bound = Figures->OnDeleteSelected;
  Figures->OnDeleteSelected = [&](TZQVCad* s, const std::vector<int32_t>& sel) {
    deleted = sel;
    bound(s, sel);
  };
  Figures->DeleteSelected(true);
  EXPECT_EQ(deleted, std::vector<int32_t>{1});
  EXPECT_EQ(Figures->Count(), 1);
}

// A new engine (New) keeps the template's drawing properties and the user's current options; the
// settings files are not read again.
TEST_F(CadSettingsTest, NewEngineKeepsTemplateAndOptions) {
  TForm1* form = CreateStartupWindows();
  TZQVCad* first = Figures;
  const TColor red = RGBColor(255, 0, 0);
  Figures->Template->SetPenColor(red);
  Figures->Template->SetWantDimensions(true);
  Figures->ScanGrids = false;
  Figures->SetCopyMagnification(3);
  form->WantTicks1->setChecked(false);  // changed since the settings were written
  form->Modified = false;
  form->CreateCadEngine();
  ASSERT_NE(Figures, nullptr);
  EXPECT_NE(Figures, first);
  EXPECT_EQ(Figures->Template->PenColor, red);
  EXPECT_TRUE(Figures->Template->WantDimensions);
  EXPECT_TRUE(form->On1->isChecked());
  EXPECT_EQ(Figures->Template->NodeCountUsed, 0);
  EXPECT_FALSE(Figures->ScanGrids);
  EXPECT_EQ(Figures->CopyMagnification, 3);
  EXPECT_FALSE(form->WantTicks1->isChecked());
  EXPECT_TRUE(Figures->Ready);
  EXPECT_TRUE(Figures->OnChange);
  EXPECT_FALSE(form->Modified);
}

// The symbol-font list from "MnSymFt.dat": the file's cases, the questions and their answers.
TEST_F(CadSettingsTest, SymbolFontListCases) {
  struct Case {
    const char* name;
    const char* file;  // null: no file
    std::vector<int> answers;
    std::vector<std::string> list;
    int questions;
    const char* fileAfter;  // null: no file
  };
  const Case cases[] = {
      {"comments dropped", ";fonts\r\nSymbol\r\nMyMath\r\n", {}, {"Symbol", "MyMath"}, 0, ";fonts\r\nSymbol\r\nMyMath\r\n"},
      {"blanks and empty lines", "  Symbol \n\n;x\nPeriod\n", {}, {"Symbol", "Period"}, 0, "  Symbol \n\n;x\nPeriod\n"},
      {"only comments, No", ";a\r\n;b\r\n", {mrNo}, {}, 1, ";a\r\n;b\r\n"},
      {"empty file, Yes then No", "", {mrYes, mrNo}, {"Symbol", "Period", "ZQVRelMath"}, 2, ""},
      {"missing, No", nullptr, {mrNo}, {}, 1, nullptr},
      {"missing, Yes then Yes", nullptr, {mrYes, mrYes}, {"Symbol", "Period", "ZQVRelMath"}, 2,
       "Symbol\r\nPeriod\r\nZQVRelMath\r\n"},
  };
  TForm1* form = CreateStartupWindows();
  const std::string path = AppDir() + "MnSymFt.dat";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(path.c_str());
    if (c.file) WriteText("MnSymFt.dat", c.file);
    rec->Clear();
    for (int a : c.answers) rec->Answer(a);
    form->InitializeSymbolList();
    EXPECT_EQ(form->SymbolFontList, c.list);
    ASSERT_EQ(int(rec->Messages().size()), c.questions);
    if (c.questions > 0) {
      EXPECT_EQ(rec->Messages()[0].Text, "Unable to load Symbol font definitions or the definition file\r" + path +
                                             ".\rThe file has been removed or is damaged\r\rLoad defaults?");
      EXPECT_EQ(rec->Messages()[0].HelpCtx, 1130);
    }
    if (c.fileAfter) {
      ASSERT_TRUE(FileExists(path));
      EXPECT_EQ(ReadText("MnSymFt.dat"), c.fileAfter);
    } else {
      EXPECT_FALSE(FileExists(path));
    }
  }
  // The saved defaults load at the next start without a question.
  rec->Clear();
  form->InitializeSymbolList();
  EXPECT_TRUE(rec->Messages().empty());
  EXPECT_FALSE(form->SymbolFontList.empty());
  // The list decides which main font is a symbol font, without regard to case.
  EXPECT_TRUE(form->InSymbolFontList("symbol"));
  EXPECT_FALSE(form->InSymbolFontList("Times New Roman"));
}

}  // namespace

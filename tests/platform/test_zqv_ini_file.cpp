#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <memory>

#include "platform/streams.h"
#include "platform/zqv_ini_file.h"

namespace {
std::string ReadText(const std::string& name) {
  const auto b = ReadWholeFile(name);
  return std::string(b.begin(), b.end());
}
void WriteText(const std::string& name, const std::string& text) { WriteFileAtomically(name, text.data(), text.size()); }
}  // namespace

TEST(IniFile, CommentLinesSurviveOnlyInTheProgramsOwnClass) {
  QTemporaryDir dir;
  const std::string name = dir.filePath("ChildFms.ini").toStdString();
  WriteText(name, ";before\n[Tips]\n; keep me\nShow=1\n");
  {
    TZQVIniFile ini(name);
    ini.WriteBool("tips", "show", false);
    ini.UpdateFile();
  }
  EXPECT_EQ(ReadText(name), "[Tips]\r\n; keep me\r\nshow=0\r\n\r\n");  // the key line takes the writer's spelling

  WriteText(name, "[Tips]\r\n; keep me\r\nShow=1\r\n");
  TMemIniFile plain(name);
  plain.UpdateFile();
  EXPECT_EQ(ReadText(name), "[Tips]\r\nShow=1\r\n\r\n");
}

TEST(IniFile, ValueForms) {
  TZQVIniFile ini("");
  const struct { const char* text; int expect; } ints[] = {
      {"0x1F", 31}, {"$ff", 255}, {"-12", -12}, {"12abc", 7}, {"", 7}, {"0x", 7}, {"99999999999", 7}};
  for (const auto& c : ints) {
    ini.WriteString("S", "k", c.text);
    EXPECT_EQ(ini.ReadInteger("s", "K", 7), c.expect) << c.text;
  }
  ini.WriteBool("S", "b", true);
  EXPECT_EQ(ini.ReadString("S", "b", ""), "1");
  ini.WriteString("S", "b", "5");
  EXPECT_TRUE(ini.ReadBool("S", "b", false));
  ini.WriteFloat("S", "f", 0.1);
  EXPECT_EQ(ini.ReadString("S", "f", ""), "0.1");
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "f", 2), 0.1);
  ini.WriteString("S", "f", "x1");
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "f", 2), 2);
  EXPECT_EQ(ini.ReadString("Missing", "k", "def"), "def");
  ini.WriteString("S", "v", "a=b");
  EXPECT_EQ(ini.ReadString("S", "v", ""), "a=b");
}

TEST(IniFile, SectionsDuplicatesAndListing) {
  TZQVIniFile ini("");
  ini.SetStrings({"[A]", "x=1", ";note", "[B]", "y=2", "[a]", "x=3"});
  EXPECT_EQ(ini.ReadString("a", "X", ""), "1");  // the first of two like-named sections
  std::vector<std::string> names;
  ini.ReadSection("A", names);
  EXPECT_EQ(names, (std::vector<std::string>{"x", ""}));
  ini.ReadSections(names);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "a"}));
  ini.ReadSectionValues("A", names);
  EXPECT_EQ(names, (std::vector<std::string>{"x=1", ";note"}));
  ini.DeleteKey("A", "x");
  ini.EraseSection("B");
  ini.EraseSection("Nope");
  std::vector<std::string> lines;
  ini.GetStrings(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"[A]", ";note", "", "[a]", "x=3", ""}));
}

TEST(IniFile, MalformedFileGivesDefaults) {
  QTemporaryDir dir;
  const std::string name = dir.filePath("Main.Ini").toStdString();
  std::string junk("\0\xff[\r\n=\n[]\nkey\n\x01=\x02", 16);
  WriteText(name, junk);
  TZQVIniFile ini(name);
  EXPECT_EQ(ini.ReadInteger("General", "Max_Nodes", 16), 16);
  EXPECT_EQ(ini.ReadString("", "key", "d"), "d");
}

// Names and values that hold line breaks or the characters of the file's structure stay one
// entry: what is read back from the written file is one section with one key line.
TEST(IniFile, HostileNamesAndValuesStayOneEntry) {
  QTemporaryDir dir;
  const std::string name = dir.filePath("Main.Ini").toStdString();
  const struct { std::string section, key, value, readSection, readKey, readValue; } cases[] = {
      {"RecentFiles", "FirstFile", "a\n[Evil]\nx=1", "RecentFiles", "FirstFile", "a?[Evil]?x=1"},
      {"RecentFiles", "FirstFile", "a\r\n[Evil]\r\n", "RecentFiles", "FirstFile", "a??[Evil]??"},
      {"RecentFiles", "FirstFile", std::string("x\0y\x7f\tz\r", 7), "RecentFiles", "FirstFile", "x?y?\tz?"},
      {"S\n[Evil]", "k", "1", "S?[Evil]", "k", "1"},
      {"[S]", "k", "1", "[S]", "k", "1"},
      {"S", "[Evil", "x]", "S", "?Evil", "x]"},
      {"S", "a=b", "c", "S", "a?b", "c"},
      {"S", ";k", "v", "S", "?k", "v"},
      {"S", "k\n[Evil]\nx", "v", "S", "k?[Evil]?x", "v"},
  };
  for (const auto& c : cases) {
    for (const bool comments : {true, false}) {
      std::filesystem::remove(name);
      {
        std::unique_ptr<TMemIniFile> ini;
        if (comments) ini = std::make_unique<TZQVIniFile>(name);
        else ini = std::make_unique<TMemIniFile>(name);
        ini->WriteString(c.section, c.key, c.value);
        EXPECT_EQ(ini->ReadString(c.section, c.key, "missing"), c.readValue);  // found under the name it was written with
        ini->UpdateFile();
      }
      TZQVIniFile back(name);
      std::vector<std::string> list;
      back.ReadSections(list);
      EXPECT_EQ(list, std::vector<std::string>{c.readSection}) << c.value;
      back.ReadSectionValues(c.readSection, list);
      EXPECT_EQ(list, std::vector<std::string>{c.readKey + "=" + c.readValue}) << c.value;
      EXPECT_EQ(back.ReadString(c.section, c.key, "missing"), c.readValue);
      back.DeleteKey(c.section, c.key);
      back.ReadSectionValues(c.readSection, list);
      EXPECT_TRUE(list.empty()) << c.value;
    }
  }
}

TEST(IniFile, ManySectionsAreFoundUnderEveryFormOfTheirName) {
  // Sections of a big file, in upper, lower and non-ASCII letters, duplicates among them; lookups,
  // writes and erasures keep finding the first section of a name and keep the file's order.
  std::vector<std::string> lines;
  for (int i = 0; i < 3000; ++i) {
    lines.push_back("[Sect" + std::to_string(i) + "]");
    lines.push_back("v=" + std::to_string(i));
  }
  lines.insert(lines.end(), {"[\xC3\x89t\xC3\xA9]", "v=summer", "[sect7]", "v=second", "[\xC3\xA9T\xC3\x89]", "v=other"});
  TZQVIniFile ini("");
  ini.SetStrings(lines);
  for (int i = 0; i < 3000; i += 7) {
    EXPECT_EQ(ini.ReadInteger("SECT" + std::to_string(i), "V", -1), i);
    EXPECT_EQ(ini.ReadInteger("sect" + std::to_string(i), "v", -1), i);
  }
  EXPECT_EQ(ini.ReadString("\xC3\xA9t\xC3\xA9", "v", ""), "summer");
  EXPECT_EQ(ini.ReadString("sect7", "v", ""), "7");
  ini.EraseSection("SECT7");  // the first of the two goes; the second is found from now on
  EXPECT_EQ(ini.ReadString("Sect7", "v", ""), "second");
  ini.EraseSection("\xC3\x89T\xC3\x89");
  EXPECT_EQ(ini.ReadString("\xC3\xA9t\xC3\xA9", "v", ""), "other");
  ini.WriteString("Sect2999", "w", "x");
  ini.WriteString("New", "w", "y");
  EXPECT_EQ(ini.ReadString("new", "W", ""), "y");
  std::vector<std::string> names;
  ini.ReadSections(names);
  ASSERT_EQ(names.size(), 3002u);
  EXPECT_EQ(names[6], "Sect6");
  EXPECT_EQ(names[7], "Sect8");
  EXPECT_EQ(names[2999], "sect7");
  EXPECT_EQ(names.back(), "New");
  ini.ReadSectionValues("Sect2999", names);
  EXPECT_EQ(names, (std::vector<std::string>{"v=2999", "w=x"}));
}

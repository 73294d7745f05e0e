// Main-window tests over a program folder of their own: every test starts without settings files.
#pragma once

#include <QDir>
#include <QTemporaryDir>

#include "app/main_window_fixture.h"
#include "platform/app_dir.h"
#include "platform/streams.h"

struct SettingsFixture : MainWindowFixture {
  QTemporaryDir Home;
  void SetUp() override {
    qputenv("KORVALIS_HOME", Home.path().toUtf8());
    ResetAppDir();
    MainWindowFixture::SetUp();
  }
  static std::string Path(const std::string& name) { return AppDir() + name; }
  static void Write(const std::string& name, const std::string& text) { WriteFileAtomically(Path(name), text.data(), text.size()); }
  static std::string Read(const std::string& name) {
    const auto bytes = ReadWholeFile(ProgramFile(name));
    return std::string(bytes.begin(), bytes.end());
  }
  // The settings files of the application defaults and the button sets in the program folder.
  static QStringList IniFiles() {
    return QDir(QString::fromStdString(AppDir())).entryList({"PageIni.ini", "Main.ini", "Buttons.ini"}, QDir::Files);
  }
  // Frees the windows of the last start and starts again.
  static TForm1* Restart() {
    FreeStartupWindows();
    return CreateStartupWindows();
  }
};

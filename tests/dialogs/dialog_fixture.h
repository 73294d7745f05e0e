// Dialog tests: a program folder of their own, 96 pixels per inch, a message recorder, and hosts
// that stand in for the main window.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <map>
#include <string>

#include "dialogs/define_font_dialog.h"
#include "dialogs/main_font_dialog.h"
#include "platform/app_dir.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"

// The main window's palette as plain values.
class TFakePaletteHost : public TCustomPaletteHost, public TMainFontHost {
public:
  std::string Captions[43];
  TFont Fonts[43];
  bool Raised[43];
  uint8_t Set = 0;
  int Loads = 0;
  std::vector<int> Saves;  // Index of every SaveCustomButtons
  bool ToolsEnabled = true;
  int BracketSize = 0, RootSize = 0;
  TFakePaletteHost() {
    for (int k = 1; k <= 42; ++k) {
      Captions[k] = std::string(1, char('A' + (k - 1) % 26));
      Fonts[k] = TFont("Times New Roman", 8);
      Raised[k] = true;
    }
  }
  bool GetCustomButton(int N, std::string& Caption, TFont& Font) override {
    if (N < 1 || N > 42) return false;
    Caption = Captions[N];
    Font = Fonts[N];
    return true;
  }
  void SetCustomButton(int N, const std::string& Caption, const TFont& Font) override {
    Captions[N] = Caption;
    Fonts[N] = Font;
  }
  void SetCustomButtonFont(int N, const TFont& Font) override { Fonts[N] = Font; }
  void SetCustomButtonRaised(int N, bool R) override {
    if (N >= 1 && N <= 42) Raised[N] = R;
  }
  uint8_t CurrentCustomSet() override { return Set; }
  void LoadCustomButtonSet(uint8_t) override { ++Loads; }
  void SaveCustomButtons(uint8_t, int Index) override { Saves.push_back(Index); }
  void SetPaletteToolsEnabled(bool E) override { ToolsEnabled = E; }
  void SetLargeBracketPanelSize(int S) override { BracketSize = S; }
  void SetLargeRootPanelSize(int S) override { RootSize = S; }
  TTextPage* MainFontTextPage() override { return nullptr; }
  void RelayoutFromTopMargin() override {}
  void InvalidatePageImage() override {}
  TFontCharset MainWindowCharset() override { return DEFAULT_CHARSET; }
  void ResetEmptyCellFonts() override { ++EmptyCellResets; }
  int EmptyCellResets = 0;
};

struct DialogFixture : ::testing::Test {
  QTemporaryDir Home;
  QByteArray SavedHome = qgetenv("KORVALIS_HOME");
  TMessageRecorderScope rec;
  TFakePaletteHost Host;
  void SetUp() override {
    SetScreenPixelsPerInch(96);
    qputenv("KORVALIS_HOME", Home.path().toUtf8());
    ResetAppDir();
  }
  void TearDown() override {
    qputenv("KORVALIS_HOME", SavedHome);
    ResetAppDir();
  }
  static void Write(const std::string& name, const std::string& text) {
    WriteFileAtomically(AppDir() + name, text.data(), text.size());
  }
  static std::string Read(const std::string& name) {
    const auto bytes = ReadWholeFile(AppDir() + name);
    return std::string(bytes.begin(), bytes.end());
  }
};

// Window placement of the dialogs that keep it in "ChildFms.ini" under their own name: shown, they
// take the stored place; closed (whatever the way), they write where they are.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <functional>
#include <memory>

#include "dialog_fixture.h"
#include "dialogs/define_font_dialog.h"
#include "dialogs/main_font_dialog.h"
#include "dialogs/selection_offset_dialog.h"
#include "platform/zqv_ini_file.h"
#include "text/page_geometry.h"
#include "text/text_page.h"

namespace {

struct DialogPlacements : DialogFixture {
  TTextPage Page;
  std::unique_ptr<TDefineFontDg> Palette;  // the main font dialog sets its sizes
  void SetUp() override {
    DialogFixture::SetUp();
    Palette = std::make_unique<TDefineFontDg>(Host);
    DefineFontDg = Palette.get();
    LineHeight = 13;
  }
  void TearDown() override {
    DefineFontDg = nullptr;
    MainFontDlg = nullptr;
    Palette.reset();
    DialogFixture::TearDown();
  }
};

struct TPlacedDialog {
  const char* section;
  std::function<QDialog*(DialogPlacements&)> make;
  std::function<void(QDialog*)> close;
};

}  // namespace

TEST_F(DialogPlacements, EachDialogRestoresAndSavesItsOwnSection) {
  const QRect screen = QApplication::primaryScreen()->availableGeometry();
  ASSERT_GE(screen.width(), 400);
  ASSERT_GE(screen.height(), 400);
  const TPlacedDialog dialogs[] = {
      {"MainFontDlg",
       [](DialogPlacements& t) {
         auto* d = new TMainFontDlg(t.Host);
         MainFontDlg = d;
         return d;
       },
       [](QDialog* d) { static_cast<TMainFontDlg*>(d)->CancelBtn->click(); }},
      {"MainFontDlg",  // OK writes the place as well
       [](DialogPlacements& t) {
         auto* d = new TMainFontDlg(t.Host);
         MainFontDlg = d;
         return d;
       },
       [](QDialog* d) { static_cast<TMainFontDlg*>(d)->OKBtn->click(); }},
      {"DefineFontDg", [](DialogPlacements& t) { return static_cast<QDialog*>(t.Palette.get()); },
       [](QDialog* d) { static_cast<TDefineFontDg*>(d)->Close1->click(); }},
      {"SetSelectionOffset", [](DialogPlacements& t) { return new TSetSelectionOffset(t.Page); },
       [](QDialog* d) { static_cast<TSetSelectionOffset*>(d)->CancelBtn->click(); }},
  };
  for (const TPlacedDialog& c : dialogs) {
    SCOPED_TRACE(c.section);
    QFile::remove(QString::fromStdString(AppDir() + "ChildFms.ini"));
    {
      TZQVIniFile ini(AppDir() + "ChildFms.ini");
      ini.WriteInteger(c.section, "Left", screen.left() + 37);
      ini.WriteInteger(c.section, "Top", screen.top() + 41);
      ini.WriteInteger(c.section, "Window_State", 0);
      ini.UpdateFile();
    }
    QDialog* d = c.make(*this);
    EXPECT_EQ(d->objectName().toStdString(), c.section);
    d->show();
    QApplication::processEvents();
    EXPECT_EQ(d->geometry().topLeft(), QPoint(screen.left() + 37, screen.top() + 41));
    d->setGeometry(QRect(QPoint(screen.left() + 53, screen.top() + 59), d->size()));
    c.close(d);
    QApplication::processEvents();
    TZQVIniFile ini(AppDir() + "ChildFms.ini");
    EXPECT_EQ(ini.ReadInteger(c.section, "Left", -1), screen.left() + 53);
    EXPECT_EQ(ini.ReadInteger(c.section, "Top", -1), screen.top() + 59);
    if (d != Palette.get()) delete d;
    MainFontDlg = nullptr;
  }
}

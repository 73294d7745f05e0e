// The paste special dialog: the list follows the clipboard in the fixed order and captions, and OK
// hands the chosen format to the main window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>

#include "dialogs/paste_special_dialog.h"
#include "page/page_part.h"
#include "platform/clipboard_formats.h"
#include "platform/messages.h"

namespace {

class TFakePasteHost : public TPasteSpecialHost {
public:
  std::vector<std::string> Calls;
  bool PasteText(QObject*, TPasteKind Kind) override {
    Calls.push_back("text " + std::to_string(int(Kind)));
    return true;
  }
  void PasteShapes(QObject*) override { Calls.push_back("shapes"); }
  void PastePicture(QObject*, TPasteKind Kind) override { Calls.push_back("picture " + std::to_string(int(Kind))); }
  void SetPageImageEnabled(bool On) override { Calls.push_back(On ? "enable" : "disable"); }
  void PlaceCaret() override { Calls.push_back("caret"); }
  void RefreshAllImages(QObject*) override { Calls.push_back("refresh"); }
};

QString Registered(const char* Name) { return QString::fromStdString(ClipboardFormatMimeType(RegisterClipboardFormat(Name))); }

// Puts data of the named kinds on the clipboard.
void Put(std::initializer_list<const char*> Kinds) {
  auto* data = new QMimeData;
  for (std::string k : Kinds) {
    if (k == "text") data->setText("abc");
    if (k == "rtf") data->setData("text/rtf", "{\\rtf1 x}");
    if (k == "own") data->setData(Registered("ZQVWare Korvalis V formatted text"), "x");
    if (k == "bitmap") data->setImageData(QImage(4, 3, QImage::Format_RGB32));
    if (k == "dib") data->setData("image/bmp", "BM");
    if (k == "inch") data->setData(Registered("ZQVWare Inch shapes"), "x");
    if (k == "cm") data->setData(Registered("ZQVWare Centimetre shapes"), "x");
    if (k == "emf") data->setData("image/emf", "x");
    if (k == "wmf") data->setData("image/wmf", "x");
  }
  QApplication::clipboard()->setMimeData(data);
}

struct PasteSpecialTest : ::testing::Test {
  TMessageRecorderScope rec;
  TFakePasteHost host;
  TPasteSpecialDlg* dlg = nullptr;
  void SetUp() override { dlg = new TPasteSpecialDlg(host); }
  void TearDown() override { delete PasteSpecialDlg; }
};

TEST_F(PasteSpecialTest, TheListShowsTheFormatsOnTheClipboardInTheFixedOrder) {
  struct {
    std::initializer_list<const char*> Kinds;
    QStringList Captions;
  } cases[] = {
      {{"text"}, {"ASCII text formatted in current font"}},
      {{"rtf"}, {"Rich Text Format"}},
      {{"own"}, {"ZQVWare Korvalis V formatted text"}},
      {{"bitmap"}, {"Windows Bitmap"}},
      {{"wmf"}, {"Windows Enhanced Metafile."}},
      {{"inch"}, {"ZQVWare Inch shapes"}},
      {{"text", "bitmap"}, {"Windows Bitmap", "ASCII text formatted in current font"}},
      {{"rtf", "text", "own", "cm", "inch", "emf"},
       {"ZQVWare Inch shapes", "ZQVWare Centimetre shapes", "Windows Enhanced Metafile.",
        "ZQVWare Korvalis V formatted text", "ASCII text formatted in current font", "Rich Text Format"}},
  };
  for (const auto& c : cases) {
    Put(c.Kinds);
    dlg->ListFormats();
    EXPECT_EQ(dlg->Captions(), c.Captions) << c.Captions.join(",").toStdString();
  }
  // A DIB also decodes as a bitmap picture.
  Put({"dib"});
  dlg->ListFormats();
  EXPECT_TRUE(dlg->Captions().startsWith("Device Independant Bitmap"));
}

TEST_F(PasteSpecialTest, TheOpenDialogFollowsEveryClipboardChange) {
  Put({"text", "bitmap"});
  dlg->show();
  EXPECT_EQ(dlg->Captions().size(), 2);
  dlg->ClipBoardFormatList->setCurrentRow(0);
  Put({"text"});
  EXPECT_EQ(dlg->Captions(), QStringList{"ASCII text formatted in current font"});
  EXPECT_EQ(dlg->ClipBoardFormatList->currentItem(), nullptr) << "the selection goes with the old list";
  Put({});
  EXPECT_TRUE(dlg->Captions().isEmpty());
}

TEST_F(PasteSpecialTest, OkPastesTheChosenFormatOrOnlyHidesWithoutAChoice) {
  Put({"text", "bitmap"});
  dlg->show();
  dlg->OKBtnClick();
  EXPECT_TRUE(host.Calls.empty());
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(PasteSpecialDlg, dlg) << "hidden, not closed";
  struct {
    int Row;
    std::vector<std::string> Calls;
  } cases[] = {{0, {"disable", "picture 4", "enable", "caret"}},
               {1, {"disable", "text 6", "enable", "caret", "refresh"}}};
  for (const auto& c : cases) {
    dlg = PasteSpecialDlg ? PasteSpecialDlg : new TPasteSpecialDlg(host);
    dlg->show();
    dlg->ClipBoardFormatList->setCurrentRow(c.Row);
    host.Calls.clear();
    dlg->OKBtnClick();
    EXPECT_EQ(host.Calls, c.Calls);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(PasteSpecialDlg, nullptr) << "a paste closes and frees the dialog";
  }
}

}  // namespace

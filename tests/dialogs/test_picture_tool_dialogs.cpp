// The picture tools: the image size dialog on one image object, the image-object chooser over a
// fake page, the image-files window's folder and list, and the JPEG quality dialog.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "dialog_test_support.h"
#include "dialogs/image_chooser_dialog.h"
#include "dialogs/image_files_window.h"
#include "dialogs/image_object_host.h"
#include "dialogs/image_size_dialog.h"
#include "dialogs/jpeg_quality_dialog.h"
#include "helpers/page_surface.h"
#include "page/page_tables.h"
#include "platform/app_dir.h"
#include "platform/zqv_ini_file.h"

namespace {

class PictureToolDialogs : public DialogTestInOwnFolder {};

// A 192 x 96 pixel object at (10, 20) whose picture is 200 x 100.
struct TObject {
  TSizeChangedImage image;
  TImageObjectRec rec;
  TObject() {
    image.setGeometry(10, 20, 192, 96);
    image.Picture.SetGraphic(std::make_unique<TBitmap>(200, 100));
    rec.Rect = TStoredRect::From(TRect(10, 20, 202, 116));
  }
};

TEST_F(PictureToolDialogs, ImageSizeOpensWithTheObjectsSizeInTheUnit) {
  struct Case {
    bool metric;
    double width, height, min, max;
    const char* unit;
  };
  for (const Case& c : {Case{false, 2.0, 1.0, 0.05, 150, "Inches"}, Case{true, 5.08, 2.54, 0.15, 250, "CM"}}) {
    Engine->Metric = c.metric;
    TObject o;
    TSetImageSize* d = TSetImageSize::CreateFor(Host, nullptr, &o.image, &o.rec);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(SetImageSize, d);
    EXPECT_EQ(d->windowTitle(), "Set Image Size");
    EXPECT_NEAR(d->Width1->Value(), c.width, 0.0005);
    EXPECT_NEAR(d->Height1->Value(), c.height, 0.0005);
    EXPECT_EQ(d->Label3->text(), " (192 by 96 Pixels)");
    EXPECT_EQ(d->Label4->text(), c.unit);
    EXPECT_EQ(d->Width1->minimum(), c.min);
    EXPECT_EQ(d->Height1->maximum(), c.max);
    EXPECT_FLOAT_EQ(d->Aspect, 0.5f);
    EXPECT_TRUE(d->MaintainAspect1->isChecked());
    EXPECT_EQ(d->Width1->toolTip().toStdString(),
              "Old width/large bitmap = " + QString::number(c.width, 'f', 3).toStdString());
    delete d;
    EXPECT_EQ(SetImageSize, nullptr);
  }
  EXPECT_EQ(TSetImageSize::CreateFor(Host, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(PictureToolDialogs, ImageSizeEditsApplyCancelAndTheCloseQuestion) {
  TObject o;
  auto open = [&] { return TSetImageSize::CreateFor(Host, nullptr, &o.image, &o.rec); };
  // With the aspect kept the height follows the width; without it, it stays.
  TSetImageSize* d = open();
  d->Width1->SetValue(3);
  EXPECT_NEAR(d->Height1->Value(), 1.5, 0.0005);
  EXPECT_FALSE(d->SizeApplied);
  d->MaintainAspect1->setChecked(false);
  d->Width1->SetValue(2.5);
  EXPECT_NEAR(d->Height1->Value(), 1.5, 0.0005);
  // Apply resizes the object from its corner and recomposes the page.
  d->Apply1->click();
  EXPECT_EQ(o.image.width(), 240);
  EXPECT_EQ(o.image.height(), 144);
  EXPECT_EQ(o.rec.Rect.ToRect(), TRect(10, 20, 250, 164));
  EXPECT_EQ(Host.Refreshes, 1);
  // Cancel puts the opening size back and closes accepted (the page is composed again).
  d->CancelBtn->click();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_EQ(o.rec.Rect.ToRect(), TRect(10, 20, 202, 116));
  EXPECT_EQ(o.image.width(), 192);
  delete d;
  // OK with unapplied changes asks; No leaves the object, Yes applies.
  for (const int answer : {mrNo, mrYes}) {
    Messages().Clear();
    Messages().Answer(answer);
    d = open();
    d->Width1->SetValue(1);
    d->OKBtn->click();
    ASSERT_EQ(Messages().Texts(),
              std::vector<std::string>{"Changes have not been applied. Do you wish to make these changes?"});
    EXPECT_EQ(d->result(), answer == mrYes ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(o.image.width(), answer == mrYes ? 96 : 192);
    delete d;
    o.image.resize(192, 96);
    o.rec.Rect = TStoredRect::From(TRect(10, 20, 202, 116));
  }
  // Unchanged values (within 0.01) ask nothing; the placement is kept under the dialog's name.
  Messages().Clear();
  d = open();
  d->Width1->SetValue(2.004);
  d->OKBtn->click();
  EXPECT_TRUE(Messages().Texts().empty());
  delete d;
  EXPECT_TRUE(TZQVIniFile(AppDir() + "ChildFms.ini").SectionExists("SetImageSize"));
}

class FakeImageObjects : public TImageObjectHost {
public:
  int Count = 3;
  int Selected = -1;
  std::vector<std::string> Calls;
  int ImageObjectCount() override { return Count; }
  void SelectImageObject(int i) override {
    Selected = i;
    Calls.push_back("select " + std::to_string(i));
  }
  void DeselectImageObject() override {
    Calls.push_back("deselect " + std::to_string(Selected));
    Selected = -1;
  }
  void SetFrameDynamicResize(bool) override { Calls.push_back("dynamic"); }
  void RepaintFrame() override { Calls.push_back("repaint"); }
};

TEST_F(PictureToolDialogs, ChooserStepsTheFrameThroughTheObjects) {
  FakeImageObjects page;
  for (const bool ok : {true, false}) {
    page.Calls.clear();
    auto* d = new TSelectImageObject1(page);
    d->show();
    EXPECT_EQ(d->windowTitle(), "Select Image Object");
    EXPECT_EQ(d->ImageSpin1->maximum(), 2);
    EXPECT_FALSE(d->ImageSpin1->EditorEnabled());
    EXPECT_EQ(page.Selected, 0);
    d->ImageSpin1->SetValue(2);
    EXPECT_EQ(page.Selected, 2);
    (ok ? d->OKBtn : d->CancelBtn)->click();
    EXPECT_EQ(page.Selected, ok ? 2 : -1);
    EXPECT_EQ(page.Calls.back(), ok ? "repaint" : "deselect 2");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(SelectImageObject1, nullptr);
  }
}

TEST_F(PictureToolDialogs, ImageFilesWindowOpensOnTheMacroImagesFolder) {
  const QString folder = QString::fromStdString(AppDir()) + "Macro Images";
  ASSERT_FALSE(QDir(folder).exists());
  auto* w = new TEquationImageFiles1();
  EXPECT_EQ(EquationImageFiles1, w);
  EXPECT_EQ(w->windowTitle(), "Equation Image Files");
  EXPECT_EQ(w->Label1->text(), "Drag and drop files into workspace.");
  EXPECT_TRUE(QDir(folder).exists());
  EXPECT_EQ(w->Directory(), QDir(folder).absolutePath());
  for (const char* name : {"a.png", "b.zqs", "c.jpeg", "d.txt", "e.gif", "f.emf"}) {
    QFile f(folder + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  QDir(folder).mkdir("sub");
  EXPECT_EQ(w->ListedNames(), (QStringList{"..", "sub", "a.png", "b.zqs", "c.jpeg", "f.emf"}));
  EXPECT_TRUE(w->FileListBox1->dragEnabled());
  w->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(EquationImageFiles1, nullptr);
  EXPECT_TRUE(TZQVIniFile(AppDir() + "ChildFms.ini").SectionExists("EquationImageFiles1"));
}

TEST_F(PictureToolDialogs, JpegQualityCancelRestoresTheOpeningValue) {
  TJpegImageQuality1 d;
  EXPECT_EQ(d.windowTitle(), "JPeg Image Quality");
  EXPECT_EQ(d.JPegQ->Value(), 75);
  EXPECT_EQ(d.JPegQ->minimum(), 5);
  EXPECT_EQ(d.JPegQ->maximum(), 100);
  d.show();
  d.JPegQ->SetValue(40);
  d.CancelBtn->click();
  EXPECT_EQ(d.JPegQ->Value(), 75);
  d.show();
  d.JPegQ->SetValue(40);
  d.OKBtn->click();
  EXPECT_EQ(d.JPegQ->Value(), 40);
  d.show();
  EXPECT_EQ(SavedQuality, 40);
  d.JPegQ->SetValue(2);
  EXPECT_EQ(d.JPegQ->Value(), 5);
  d.reject();
  EXPECT_EQ(d.JPegQ->Value(), 40);
  EXPECT_TRUE(TZQVIniFile(AppDir() + "ChildFms.ini").SectionExists("JpegImageQuality1"));
}

}  // namespace

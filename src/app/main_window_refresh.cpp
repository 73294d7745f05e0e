// The page pop-up's Refresh Image submenu: the whole page (F9), the text only (F5), the pictures
// (F6) and the pastes (F7) one by one with a question for each, and the lines (F8). The keys are
// the text engine's; the menu shows them.
#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>

#include "app/main_window.h"
#include "app/main_window_menu_items.h"
#include "cad/engine.h"
#include "helpers/error_report.h"
#include "helpers/page_surface.h"
#include "platform/canvas.h"
#include "platform/exceptions.h"
#include "platform/graphic.h"
#include "platform/guarded.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/streams.h"

namespace {

// The hourglass for the length of a pass.
struct TWaitCursor {
  TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};

// The picture being asked about, shown at the top-left corner of the page's scroll box.
class TRefreshPreview {
public:
  explicit TRefreshPreview(QAbstractScrollArea* Box) : Label(new QLabel(Box)) {
    Label->setObjectName("RefreshPreview");
    Label->setFrameShape(QFrame::Box);
    Label->setGeometry(0, 0, 100, 100);
    Label->show();
  }
  ~TRefreshPreview() { delete Label; }
  // Sizes itself to the picture (at most the scroll box's size) and shows it.
  void Show(TGraphic* Graphic, bool Stretch) {
    QWidget* box = Label->parentWidget();
    if (!Graphic || Graphic->Empty()) {
      Label->clear();
      return;
    }
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(Graphic->Width(), Graphic->Height());
    b.Canvas().StretchDraw(TRect(0, 0, Graphic->Width(), Graphic->Height()), *Graphic);
    QPixmap p = QPixmap::fromImage(b.Image());
    const QSize most = box ? box->size() : QSize(400, 400);
    if (Stretch || p.width() > most.width() || p.height() > most.height())
      p = p.scaled(most.boundedTo(p.size().expandedTo(QSize(100, 100))), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    Label->setPixmap(p);
    Label->resize(p.size());
    Label->raise();
  }

private:
  QLabel* Label;
};

}  // namespace

void TForm1::WireRefreshCommands() {
  auto* menu = new QMenu(PopupMenu1);
  menu->setObjectName("RefreshImageMenu");
  RefreshImage1->setMenu(menu);
  struct Item {
    const char* name;
    const char* caption;
    Qt::Key key;
    uint16_t vkey;
  };
  const Item items[] = {{"All1", "All", Qt::Key_F9, vk::F9},
                        {"TextOnly1", "Text Only", Qt::Key_F5, vk::F5},
                        {"Pictures4", "Pictures", Qt::Key_F6, vk::F6},
                        {"Pastes4", "Pastes", Qt::Key_F7, vk::F7},
                        {"RefreshLines1", "Refresh Lines", Qt::Key_F8, vk::F8}};
  for (const Item& i : items) {
    QAction* a = FindOrAddMenuItem(*this, menu, i.name, i.caption);
    // Shown in the menu; the key itself reaches the page's key handler, which refreshes the same
    // way (the menu is only a window of its own while it is open).
    a->setShortcut(QKeySequence(i.key));
  }
}

void TForm1::RefreshImageKey(QObject* Sender, uint16_t Key) {
  if (!MainImage) return;
  TCanvas& canvas = MainImage->Canvas();
  switch (Key) {
    case vk::F9: RefreshAllImages(Sender, false); break;
    case vk::F5:
      RefreshText(&canvas, 1.0, 1.0, false, 1);
      MainImage->update();
      break;
    default: RefreshLayer(Sender, Key); break;
  }
}

void TForm1::RefreshLayer(QObject* Sender, uint16_t Key) {
  if (!MainImage) return;
  TCanvas& canvas = MainImage->Canvas();
  if (Key == vk::F8) {
    if (!Figures || Figures->Count() == 0) return;
    Figures->DrawAll(canvas, 0, 0, false);
    RefreshText(&canvas, 1.0, 1.0, false, 1);  // the text stays above the figures
    MainImage->update();
  } else if (Key == vk::F6) {
    if (PictureCount > 0) RefreshPictureFiles(Sender, canvas);
  } else if (Key == vk::F7) {
    if (PasteCount > 0) RefreshPasteFiles(Sender, canvas);
  } else {
    RefreshAllImages(Sender, false);
  }
}

// Draws picture Index as the page does: raster pictures stretched into their rectangle,
// metafiles at their own size inside it.
void TForm1::DrawPictureEntry(TCanvas& Canvas, int Index) {
  const TPictureRec& p = Pictures[size_t(Index)];
  const std::string name = p.Name();
  TGraphic* g = CachedPicture(name);
  if (!g) throw Exception("The picture " + name + " cannot be read");
  g->Transparent = TransparentOption();
  const TRect r = p.Rect.ToRect();
  Canvas.SetClipRect(TRect(r.Left, r.Top, r.Right + 1, r.Bottom + 1));
  try {
    g->Draw(Canvas, r);
  } catch (...) {
    Canvas.ClearClipRect();
    throw;
  }
  Canvas.ClearClipRect();
}

void TForm1::DrawPasteEntry(TCanvas& Canvas, int Index) {
  const TPasteRec& p = Pastes[size_t(Index)];
  const std::string name = p.Name();
  TGraphic* g = CachedPicture(name);
  if (!g) throw Exception("The paste " + name + " cannot be read");
  g->Transparent = TransparentOption();
  g->Draw(Canvas, TRect(p.X, p.Y, p.X + g->Width(), p.Y + g->Height()));
}

void TForm1::RefreshPictureFiles(QObject* Sender, TCanvas& Canvas) {
  TWaitCursor wait;
  TRefreshPreview preview(ScrollBox1);
  bool changed = false;
  bool removed = false;
  const std::string failure = "Refresh Pictures Error. If this problem persists please contact; email: " + std::string(SupportAddress);
  // Draws the entries From .. last without asking.
  auto drawFrom = [&](int From) {
    for (int k = From; k < PictureCount; ++k) {
      const TPictureRec& p = Pictures[size_t(k)];
      if (p.Missing || p.Name().empty() || !FileExists(p.Name())) continue;
      try {
        DrawPictureEntry(Canvas, k);
      } catch (const std::exception&) {
        ShowMessage(failure);
      }
    }
    MainImage->update();
  };
  for (int i = 0; i < PictureCount; ++i) {
    TPictureRec& p = Pictures[size_t(i)];
    std::string name = p.Name();
    if (!name.empty() && !p.Missing) {
      const int located = LocateMissingPicture(name, 255);
      if (located == 1) {
        p.SetName("");
        p.Missing = 1;
        changed = removed = true;
        continue;
      }
      p.SetName(name);
    }
    if (p.Missing || name.empty() || !FileExists(name)) continue;
    if (LastItemLabel) LastItemLabel->setText(QString::fromStdString("Picture: " + name));
    preview.Show(CachedPicture(name), false);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const TModalResult answer = MessageDlg("PICTURES:\r\r            Refresh this one ?", mtConfirmation,
                                           mbYes | mbNo | mbCancel | mbAll, 290);
    if (answer == mrYes) {
      try {
        DrawPictureEntry(Canvas, i);
        MainImage->update();
      } catch (const std::exception&) {
        ShowMessage(failure);
      }
    } else if (answer == mrNo) {
      PushPictureUndo(Sender);
      p.Missing = 1;
      p.Rect = TStoredRect();
      changed = removed = true;
    } else {
      drawFrom(i);
      changed = false;
      break;
    }
  }
  if (changed) CompactPictureList(Pictures, PictureCount);
  if (removed) {
    // A removed picture leaves the document and the page.
    SetDocumentModified();
    RefreshAllImages(Sender, false);
  }
}

void TForm1::RefreshPasteFiles(QObject* Sender, TCanvas& Canvas) {
  TWaitCursor wait;
  TRefreshPreview preview(ScrollBox1);
  bool changed = false;
  bool removed = false;
  auto failure = [](const std::string& name) {
    ShowMessage("An error occurred while trying to refresh temporary file \r" + name + " Sorry :-( " + "\r" +
                "If this problem persists please email support at " + "\r" + std::string(SupportAddress));
  };
  auto drawFrom = [&](int From) {
    for (int k = From; k < PasteCount; ++k) {
      const TPasteRec& p = Pastes[size_t(k)];
      if (p.NoFile || p.Name().empty() || !FileExists(p.Name())) continue;
      try {
        DrawPasteEntry(Canvas, k);
      } catch (const std::exception&) {
        failure(p.Name());
      }
    }
    MainImage->update();
  };
  for (int i = 0; i < PasteCount; ++i) {
    TPasteRec& p = Pastes[size_t(i)];
    std::string name = p.Name();
    if (!name.empty() && !p.NoFile) {
      const int located = LocateMissingPaste(name, 255);
      if (located == 1) {
        p.SetName("");
        p.NoFile = 1;
        changed = removed = true;
        continue;
      }
      p.SetName(name);
    }
    if (p.NoFile || name.empty() || !FileExists(name)) continue;
    TGraphic* g = CachedPicture(name);
    if (!g) {
      // The file is there but cannot be read: it is reported and left out, without a question.
      failure(name);
      p.NoFile = 1;
      changed = true;
      continue;
    }
    preview.Show(g, true);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const TModalResult answer = MessageDlg("PASTES:\r\r            Refresh this one ?", mtConfirmation,
                                           mbYes | mbNo | mbCancel | mbAll, 290);
    if (answer == mrYes) {
      try {
        DrawPasteEntry(Canvas, i);
        MainImage->update();
      } catch (const std::exception&) {
        ShowMessage("An error occurred while trying to refresh temporary file " + name + " Sorry :-(");
        p.NoFile = 1;
        changed = true;
      }
    } else if (answer == mrNo) {
      PushPasteUndo(Sender);
      p.NoFile = 1;
      p.Rect = TStoredRect();
      SetDocumentModified();
      changed = removed = true;
    } else {
      drawFrom(i);
      break;
    }
  }
  if (changed) CompactPasteList(Pastes, PasteCount);
  if (removed) RefreshAllImages(Sender, false);
}

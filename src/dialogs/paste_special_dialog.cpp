#include "dialogs/paste_special_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QMimeData>
#include <QShowEvent>

#include "dialogs/form_placement.h"
#include "dialogs/help_viewer.h"
#include "page/page_part.h"
#include "platform/app_dir.h"
#include "platform/clipboard_formats.h"
#include "platform/guarded.h"
#include "platform/process_messages.h"

TPasteSpecialDlg* PasteSpecialDlg = nullptr;

const char* const TPasteSpecialDlg::FormatCaptions[8] = {"ZQVWare Inch shapes",
                                                         "ZQVWare Centimetre shapes",
                                                         "Windows Enhanced Metafile.",
                                                         "Device Independant Bitmap",
                                                         "Windows Bitmap",
                                                         "ZQVWare Korvalis V formatted text",
                                                         "ASCII text formatted in current font",
                                                         "Rich Text Format"};

namespace {
QString MimeOfName(const char* Name) {
  return QString::fromStdString(ClipboardFormatMimeType(RegisterClipboardFormat(Name)));
}

bool HasAny(const QMimeData* Data, std::initializer_list<QString> Types) {
  for (const QString& t : Types)
    if (Data->hasFormat(t)) return true;
  return false;
}
}  // namespace

std::vector<TPasteKind> TPasteSpecialDlg::OfferedKinds(const QMimeData* Data) {
  std::vector<TPasteKind> kinds;
  if (!Data) return kinds;
  if (Data->hasFormat(MimeOfName("ZQVWare Inch shapes"))) kinds.push_back(TPasteKind::InchShapes);
  if (Data->hasFormat(MimeOfName("ZQVWare Centimetre shapes"))) kinds.push_back(TPasteKind::CentimetreShapes);
  if (HasAny(Data, {"image/emf", "image/x-emf", "image/wmf", "image/x-wmf"})) kinds.push_back(TPasteKind::Metafile);
  // A device-independent bitmap travels as BMP bytes; any picture the toolkit can read is a bitmap.
  if (HasAny(Data, {"image/bmp", "image/x-bmp"})) kinds.push_back(TPasteKind::Dib);
  if (Data->hasImage()) kinds.push_back(TPasteKind::Bitmap);
  if (Data->hasFormat(MimeOfName("ZQVWare Korvalis V formatted text"))) kinds.push_back(TPasteKind::FormattedText);
  if (Data->hasText()) kinds.push_back(TPasteKind::AsciiText);
  if (HasAny(Data, {"text/rtf", "application/rtf", MimeOfName("Rich Text Format")})) kinds.push_back(TPasteKind::RichText);
  return kinds;
}

TPasteSpecialDlg::TPasteSpecialDlg(TPasteSpecialHost& Host, QWidget* parent) : QDialog(parent), Host(Host) {
  setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  RestoreFormPlacement(this, ProgramFile("ChildFms.ini"));
  connect(OKBtn, &QPushButton::clicked, this, [this] { Guarded("TPasteSpecialDlg.OKBtnClick", [this] { OKBtnClick(); }); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { close(); });
  connect(Button1, &QPushButton::clicked, this, [] { ShowHelpContext(480); });
  // The list follows every change of the clipboard while the dialog exists.
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { ListFormats(); });
  PasteSpecialDlg = this;
}

TPasteSpecialDlg::~TPasteSpecialDlg() {
  if (PasteSpecialDlg == this) PasteSpecialDlg = nullptr;
}

void TPasteSpecialDlg::ListFormats() {
  ClipBoardFormatList->clear();
  for (TPasteKind k : OfferedKinds(QApplication::clipboard()->mimeData()))
    ClipBoardFormatList->addItem(FormatCaptions[int(k)]);
  Listing = false;
}

QStringList TPasteSpecialDlg::Captions() const {
  QStringList list;
  for (int i = 0; i < ClipBoardFormatList->count(); ++i) list << ClipBoardFormatList->item(i)->text();
  return list;
}

void TPasteSpecialDlg::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (e->spontaneous()) return;
  Listing = true;
  ListFormats();
}

void TPasteSpecialDlg::closeEvent(QCloseEvent* e) {
  SaveFormPlacement(this, ProgramFile("ChildFms.ini"));
  QDialog::closeEvent(e);
}

void TPasteSpecialDlg::OKBtnClick() {
  hide();
  QListWidgetItem* item = ClipBoardFormatList->currentItem();
  // Nothing chosen: the dialog stays, hidden, and shows a fresh list when opened again.
  if (!item || !item->isSelected()) return;
  const QString caption = item->text();
  int kind = -1;
  for (int i = 0; i < 8; ++i)
    if (caption.compare(FormatCaptions[i], Qt::CaseInsensitive) == 0) kind = i;
  bool recompose = false;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Host.SetPageImageEnabled(false);
  ProcessMessages();
  struct TRestore {
    TPasteSpecialHost& H;
    ~TRestore() {
      QApplication::restoreOverrideCursor();
      H.SetPageImageEnabled(true);
      H.PlaceCaret();
    }
  };
  {
    TRestore restore{Host};
    switch (TPasteKind(kind)) {
      case TPasteKind::Metafile:
      case TPasteKind::Dib:
      case TPasteKind::Bitmap: Host.PastePicture(this, TPasteKind(kind)); break;
      case TPasteKind::FormattedText:
      case TPasteKind::AsciiText:
      case TPasteKind::RichText: recompose = Host.PasteText(this, TPasteKind(kind)); break;
      case TPasteKind::InchShapes:
      case TPasteKind::CentimetreShapes: Host.PasteShapes(this); break;
    }
  }
  close();
  if (recompose) Host.RefreshAllImages(nullptr);
}

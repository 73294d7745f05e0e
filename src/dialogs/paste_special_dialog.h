// The "Paste Special" dialog: lists the clipboard formats the page can take that the clipboard
// holds now, in a fixed order with fixed captions, follows every clipboard change while it is
// open, and pastes the chosen format at the caret.
//
// Contract
// - The dialog owns its list; the clipboard is read through QClipboard.
// - The pasting itself is the main window's (TPasteSpecialHost): text into the cells, shapes into
//   the engine, pictures as new image objects at the caret.
#pragma once

#include <QDialog>
#include <QStringList>
#include <vector>

#include "ui_paste_special_dialog.h"

class QMimeData;

// What OK does with the chosen caption.
enum class TPasteKind { InchShapes, CentimetreShapes, Metafile, Dib, Bitmap, FormattedText, AsciiText, RichText };

class TPasteSpecialHost {
public:
  virtual ~TPasteSpecialHost() = default;
  // A text paste at the caret; true when the page must be recomposed.
  virtual bool PasteText(QObject* Sender, TPasteKind Kind) = 0;
  // Shapes at the engine's reference point.
  virtual void PasteShapes(QObject* Sender) = 0;
  // The clipboard's picture as a new selected image object at the caret (its own size).
  virtual void PastePicture(QObject* Sender, TPasteKind Kind) = 0;
  virtual void SetPageImageEnabled(bool On) = 0;
  virtual void PlaceCaret() = 0;
  virtual void RefreshAllImages(QObject* Sender) = 0;
};

class TPasteSpecialDlg : public QDialog, public Ui::TPasteSpecialDlg {
  Q_OBJECT
public:
  TPasteSpecialDlg(TPasteSpecialHost& Host, QWidget* parent = nullptr);
  ~TPasteSpecialDlg() override;

  bool Listing = false;
  // Clears the list and adds the caption of every format the clipboard holds, in table order.
  void ListFormats();
  QStringList Captions() const;
  void OKBtnClick();

  // The captions in list order, and which of them the data offers.
  static const char* const FormatCaptions[8];
  static std::vector<TPasteKind> OfferedKinds(const QMimeData* Data);

protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

private:
  TPasteSpecialHost& Host;
};

// The one paste special dialog, or null.
extern TPasteSpecialDlg* PasteSpecialDlg;

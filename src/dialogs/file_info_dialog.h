// The information window: shows the statistics of the current document that File > Information
// writes into its memo. Modeless; created on first use; OK only hides it, so the next Information
// command fills and shows the same window again.
//
// Contract
// - The window owns its memo; the lines come from the command that shows it.
// - Its caption names the document, which it asks of TFileInfoHost.
#pragma once

#include <QDialog>
#include <string>

#include "ui_file_info_dialog.h"

class TFileInfoHost {
public:
  virtual ~TFileInfoHost() = default;
  // The current document's path; empty for an untitled page.
  virtual std::string InformationFileName() = 0;
};

class TFileInfoDlg1 : public QDialog, public Ui::TFileInfoDlg1 {
  Q_OBJECT
public:
  explicit TFileInfoDlg1(TFileInfoHost& Host, QWidget* parent = nullptr);
  ~TFileInfoDlg1() override;
  int HelpContext = 10;

  void FormShow();
  void OKBtnClick();

protected:
  void showEvent(QShowEvent* event) override;

private:
  TFileInfoHost& Host;
};

extern TFileInfoDlg1* FileInfoDlg1;

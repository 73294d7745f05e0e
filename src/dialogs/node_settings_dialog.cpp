#include "dialogs/node_settings_dialog.h"

#include "cad/engine.h"
#include "dialogs/help_viewer.h"
#include "platform/app_dir.h"
#include "platform/messages.h"
#include "platform/zqv_ini_file.h"

TNodeSettings1::TNodeSettings1(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose, false);
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(HelpBtn, &QPushButton::clicked, this, [] { ShowHelpContext(1120); });
  connect(SetDefaultBtn, &QPushButton::clicked, this, [this] { SetDefaultBtnClick(); });
}

void TNodeSettings1::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TNodeSettings1::FormShow() {
  const int minimum = Figures ? Figures->MaxUsedNodeCount() : MinNodeCount;
  MinLbl1->setText(QStringLiteral("Minimum=%1").arg(minimum));
  MaxLbl1->setText(QStringLiteral("Maximum=%1").arg(MaxNodeCount));
  NodeSpin1->setRange(minimum, MaxNodeCount);
  NodeSpin1->setValue(NodeCount);
}

void TNodeSettings1::OKBtnClick() {
  if (Figures && Figures->SetNodeCount(NodeSpin1->value())) {
    accept();
    return;
  }
  if (MessageDlg("Unable to reset nodes, try again?", mtConfirmation, mbYes | mbNo, 980) != mrYes) reject();
}

void TNodeSettings1::SetDefaultBtnClick() {
  TZQVIniFile ini(ProgramFile("Main.Ini"));
  ini.WriteInteger("General", "Max_Nodes", NodeSpin1->value());
  ini.UpdateFile();
}

#include "dialogs/main_font_dialog.h"

#include <QFontDatabase>

TMainFontDlg* MainFontDlg = nullptr;
int32_t MainFontPercentAtShow = 50;
int32_t MainFontOffsetAtShow = -4;
int32_t MainFontLineSpacingAtShow = 13;
bool MainFontChanged = false;

namespace {
// The character-set names of the Charsets list; the item index is what is stored.
const char* const kCharsetNames[19] = {"ANSI_CHARSET",      "DEFAULT_CHARSET",  "SYMBOL_CHARSET",   "MAC_CHARSET",
                                       "SHIFTJIS_CHARSET",  "HANGEUL_CHARSET",  "JOHAB_CHARSET",    "GB2312_CHARSET",
                                       "CHINESEBIG5_CHARSET", "GREEK_CHARSET",  "TURKISH_CHARSET",  "VIETNAMESE_CHARSET",
                                       "HEBREW_CHARSET",    "ARABIC_CHARSET",   "BALTIC_CHARSET",   "RUSSIAN_CHARSET",
                                       "THAI_CHARSET",      "EASTEUROPE_CHARSET", "OEM_CHARSET"};
}  // namespace

TMainFontDlg::TMainFontDlg(QWidget* parent) : QDialog(parent), MainFont("Times New Roman", 12, 0, clBlack, ANSI_CHARSET) {
  setupUi(this);
  FontCombo->addItems(QFontDatabase::families());
  for (const char* name : kCharsetNames) Charsets->addItem(name);
  SpinEdit1->SetMinValue(6);
  SpinEdit1->SetMaxValue(40);
  SpinEdit1->SetIncrement(2);
  SpinEdit1->SetValue(12);
  Custom_Offset1->SetMinValue(-20);
  Custom_Offset1->SetMaxValue(20);
  Custom_Offset1->SetValue(-4);
  ScriptPercent1->SetMinValue(20);
  ScriptPercent1->SetMaxValue(99);
  ScriptPercent1->SetValue(50);
  Line_Spacing->SetMinValue(8);
  Line_Spacing->SetMaxValue(100);
  Line_Spacing->SetValue(15);
  connect(ButtonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(ButtonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
  ShowPreview();
}

int TMainFontDlg::GetScriptPercent() const { return ScriptPercent < 20 ? 20 : ScriptPercent; }

void TMainFontDlg::ShowPreview() {
  Label1->setText(QString::fromStdString(MainFont.Name) + " * / #");
  Label1->setFont(MainFont.ToQFont());
  const int index = FontCombo->findText(QString::fromStdString(MainFont.Name));
  if (index >= 0) FontCombo->setCurrentIndex(index);
}

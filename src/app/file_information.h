// File > Information: the lines of the information window, and the window.
#pragma once

#include <string>
#include <vector>

#include "dialogs/file_info_dialog.h"

class TForm1;
// The lines File > Information shows: the text statistics, then every image object, pasted
// bitmap and picture with its file and rectangle, the shapes, and the list of graphics files.
std::vector<std::string> FileInformationLines(TForm1& Form);
// The window, created when first asked for.
TFileInfoDlg1* GetFileInfoDlg();

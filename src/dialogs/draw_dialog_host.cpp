#include "dialogs/draw_dialog_host.h"

TDrawDialogHost* DrawDialogHost = nullptr;

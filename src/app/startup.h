// The windows that live for the whole run, created in their fixed order after the special-font
// check: the main window, then the dialogs the page state reads.
#pragma once

class TForm1;

TForm1* CreateStartupWindows();
// Frees them again (tests, and the end of the run).
void FreeStartupWindows();

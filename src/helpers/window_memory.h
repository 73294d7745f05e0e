// What hidden top-level windows keep: their window image.
#pragma once

class QApplication;
class QWidget;

// Every top-level window (dialog, menu, tool window, tip) that is hidden and still hidden when the
// event loop comes back gives up its window image (backing store: on X11 a shared-memory segment
// the size of the window) and what is left of its native window; showing it again makes new ones.
// The program keeps most of its dialogs and all of its menus for reuse, and Qt keeps the image of
// a hidden window (of a dialog even after its native window is gone), so each one visited held
// its image for the rest of the run. A minimised window counts as shown. Installed once on the
// application.
void ReleaseHiddenWindowImages(QApplication& app);

// The release itself, for one window: nothing when it is shown or holds nothing.
void ReleaseWindowImage(QWidget* window);

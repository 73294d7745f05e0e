// The keyboard's Insert toggle, kept by the program itself.
#pragma once

bool InsertModeOn();
void SetInsertMode(bool on);
void ToggleInsertMode();

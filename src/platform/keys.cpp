#include "platform/keys.h"

namespace {
bool InsertToggle = false;
}

bool InsertModeOn() { return InsertToggle; }
void SetInsertMode(bool on) { InsertToggle = on; }
void ToggleInsertMode() { InsertToggle = !InsertToggle; }

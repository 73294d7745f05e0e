#include "settings/settings_store.h"

// The settings keys are read by their owners for now; the full settings file set is loaded here
// once every window that keeps settings exists.
void LoadSettings() {}

void SaveSettings() {}

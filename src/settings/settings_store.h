// The application settings: loading at start-up and saving on request.
#pragma once

// Reads the application defaults from the settings files of the program folder.
void LoadSettings();
// Writes the application defaults, then every button of the current custom set.
void SaveSettings();

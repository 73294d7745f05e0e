// Window placement kept in an ini file: state, size and position under the window's name.
#pragma once

#include <string>

class QWidget;

// Writes "Window_State" (0 normal, 1 minimised, 2 maximised), "Width", "Height", "Left" and
// "Top" in the section named after the window's object name.
void SaveFormPlacement(QWidget* Form, const std::string& IniFileName);
// Reads them back: missing values keep the window's size and centre it on the screen; the
// position is held on the desktop; a maximised window keeps its state only.
void RestoreFormPlacement(QWidget* Form, const std::string& IniFileName);

// The settings-file commands of the main menu and the start-up command line
// (a settings file and a cycle word).
#pragma once

#include <windows.h>

namespace tarrowin {

// "設定ファイルを開く(&O)": loads a settings file chosen by the user.
void OpenSettingsFile(HWND mainWindow);

// "設定をファイルに保存する(&S)": saves the rules to a file chosen by the user.
void SaveSettingsFile(HWND mainWindow);

// Applies the command line held by the application object, once, after the
// engine has started and the tray icon exists.
void ApplyCommandLine(HWND mainWindow);

}  // namespace tarrowin

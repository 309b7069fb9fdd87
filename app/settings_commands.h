// The settings-file commands of the main menu and the start-up command line
// (a settings file and a cycle word).
#pragma once

#include <windows.h>

#include "settings/settings_document.h"

namespace tarrowin {

// "設定ファイルを開く(&O)": loads a settings file chosen by the user and
// replaces the rules with its rules; says "読み込みが完了しました。" or, when
// the file cannot be read, "読み込みに失敗しました。" and changes nothing.
// The check cycle is not touched. While one of the program's modal windows
// is open, that window comes forward instead.
void OpenSettingsFile(HWND mainWindow);

// "設定をファイルに保存する(&S)": writes the rules to a file chosen by the
// user (created or replaced) and says "保存が完了しました。" or
// "保存に失敗しました。". While one of the program's modal windows is open,
// that window comes forward instead.
void SaveSettingsFile(HWND mainWindow);

// Replaces the master rules, the rule list's rows and the engine's rules
// with the rules of a loaded document. Returns 1.
int ApplySettingsDocument(CSettingsDocument& document);

// Applies the command line held by the application object, once, after the
// engine has started and the tray icon exists: "file [normal|long|stop]"
// loads the file and selects the cycle; normal and long hide the window
// into the tray. Anything else, or a file that cannot be read, is ignored
// without a message.
void ApplyCommandLine(HWND mainWindow);

}  // namespace tarrowin

// The notification-area icon of the main window and its right-button menu.
#pragma once

#include <windows.h>

namespace tarrowin {

// Adds the icon (tip "Tarrowin", callback WM_TRAYICON). Returns 1 whatever
// the shell answers: without a tray the program runs without the icon.
int AddTrayIcon(HWND mainWindow);

// Removes the icon. Returns 1.
int RemoveTrayIcon(HWND mainWindow);

// Shows the tray menu at the cursor with the current cycle checked; the
// chosen item arrives at the main window as WM_COMMAND.
void ShowTrayMenu(HWND mainWindow);

}  // namespace tarrowin

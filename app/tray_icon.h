// The notification-area icon of the main window and its right-button menu.
// The icon outlives the shell: it is added again when a restarted taskbar
// announces itself, and retried for a while when the shell is not up yet.
#pragma once

#include <windows.h>
// windows.h first: shellapi.h relies on its types.
#include <shellapi.h>

namespace tarrowin {

// The main window's timer that retries adding the icon.
inline constexpr UINT_PTR kTrayRetryTimer = 1;

// Adds the icon (tip "Tarrowin", callback WM_TRAYICON) and lets the shell's
// "TaskbarCreated" broadcast through the window's message filter. When the
// shell does not take the icon yet (early in a logon), tries again on
// kTrayRetryTimer about once a second for five minutes. Returns 1.
int AddTrayIcon(HWND mainWindow);

// Removes the icon and ends any retrying. Returns 1.
int RemoveTrayIcon(HWND mainWindow);

// The message a (re)started taskbar sends to every top-level window; 0 if
// it could not be registered.
UINT TaskbarCreatedMessage();

// On "TaskbarCreated": adds the icon again. There is never a second icon: one
// that the shell still holds is only brought up to date.
void RestoreTrayIcon(HWND mainWindow);

// On kTrayRetryTimer: one more attempt to add the icon.
void RetryTrayIcon(HWND mainWindow);

// Shows the tray menu at the cursor with the current cycle checked; the
// chosen item arrives at the main window as WM_COMMAND.
void ShowTrayMenu(HWND mainWindow);

// The shell call the icon goes through (Shell_NotifyIconW), for tests that
// watch or refuse it. Returns the call it replaces.
using NotifyIconCall = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAW data);
NotifyIconCall SetNotifyIconCall(NotifyIconCall call);

}  // namespace tarrowin

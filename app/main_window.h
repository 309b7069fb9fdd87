// The main window: its class, title and procedure, and the check-cycle
// command shared by the menu bar, the tray menu and the command line.
#pragma once

#include <windows.h>

#include "app/version.h"

namespace tarrowin {

inline constexpr wchar_t kMainWindowClass[] = L"tarrowin";
inline constexpr wchar_t kMainWindowTitle[] = L"Tarrowin Ver " TARROWIN_TITLE_VERSION;
// Caption, system menu and minimize box: no sizing border, no maximize box.
inline constexpr DWORD kMainWindowStyle =
    WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
inline constexpr int kMainClientWidth = 640;
inline constexpr int kMainClientHeight = 300;

// The tray icon's callback message; its lParam is the mouse message.
inline constexpr UINT WM_TRAYICON = WM_APP + 1;

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Handles ID_CYCLE_STOP, ID_CYCLE_NORMAL and ID_CYCLE_LONG: moves the menu
// bar's check mark to `id` and sets the engine's check period, waking the
// engine for normal and long. Choosing the checked cycle changes nothing.
void SelectCheckCycle(HWND window, UINT id);

}  // namespace tarrowin

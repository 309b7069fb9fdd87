// Tray icon registration and the tray menu (resource 102).
#include "app/tray_icon.h"

#include <shellapi.h>

#include "app/main_window.h"
#include "app/resource.h"
#include "app/win_handle.h"

namespace tarrowin {
namespace {

// The record layout that ends with the balloon flags (936 bytes in a
// 32-bit build): understood by every shell since Windows 2000.
constexpr DWORD kNotifyIconDataSize = NOTIFYICONDATAW_V2_SIZE;
#if defined(_M_IX86) || defined(__i386__)
static_assert(kNotifyIconDataSize == 936);
#endif

NOTIFYICONDATAW IconRecord(HWND mainWindow) {
  NOTIFYICONDATAW data{};
  data.cbSize = kNotifyIconDataSize;
  data.hWnd = mainWindow;
  data.uID = 0;
  return data;
}

}  // namespace

int AddTrayIcon(HWND mainWindow) {
  NOTIFYICONDATAW data = IconRecord(mainWindow);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAYICON;
  data.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TARROWIN));
  lstrcpynW(data.szTip, L"Tarrowin", ARRAYSIZE(data.szTip));
  data.uTimeout = 3;
  Shell_NotifyIconW(NIM_ADD, &data);
  return 1;
}

int RemoveTrayIcon(HWND mainWindow) {
  NOTIFYICONDATAW data = IconRecord(mainWindow);
  Shell_NotifyIconW(NIM_DELETE, &data);
  return 1;
}

void ShowTrayMenu(HWND mainWindow) {
  UniqueMenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU)));
  if (!menu) return;
  HMENU popup = GetSubMenu(menu.get(), 0);

  // Copy the menu bar's check mark of the current cycle.
  HMENU bar = GetMenu(mainWindow);
  for (UINT id : {ID_CYCLE_STOP, ID_CYCLE_NORMAL, ID_CYCLE_LONG}) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    GetMenuItemInfoW(bar, id, FALSE, &item);
    if (item.fState & MFS_CHECKED) {
      SetMenuItemInfoW(popup, id, FALSE, &item);
      break;
    }
  }

  POINT cursor{};
  GetCursorPos(&cursor);
  // Without the foreground the popup would not close when the user clicks
  // elsewhere; the empty message afterwards lets a second click open it
  // again at once.
  SetForegroundWindow(mainWindow);
  TrackPopupMenu(popup, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, mainWindow,
                 nullptr);
  PostMessageW(mainWindow, WM_NULL, 0, 0);
}

}  // namespace tarrowin

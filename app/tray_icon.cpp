// Tray icon registration, its return after a shell restart, and the tray
// menu (resource 102).
#include "app/tray_icon.h"

#include "app/main_window.h"
#include "app/resource.h"
#include "engine/win32_handle.h"

namespace tarrowin {
namespace {

// The record layout that ends with the balloon flags (936 bytes in a
// 32-bit build): understood by every shell since Windows 2000.
constexpr DWORD kNotifyIconDataSize = NOTIFYICONDATAW_V2_SIZE;
#if defined(_M_IX86) || defined(__i386__)
static_assert(kNotifyIconDataSize == 936);
#endif

// Early in a logon the shell may take a while: once a second for five
// minutes.
constexpr UINT kRetryMilliseconds = 1000;
constexpr int kRetryAttempts = 300;

NotifyIconCall notify_icon = Shell_NotifyIconW;
// Attempts left while the retry timer runs; user-interface thread only.
int retries_left = 0;

NOTIFYICONDATAW IconRecord(HWND mainWindow) {
  NOTIFYICONDATAW data{};
  data.cbSize = kNotifyIconDataSize;
  data.hWnd = mainWindow;
  data.uID = 0;
  return data;
}

NOTIFYICONDATAW FullRecord(HWND mainWindow) {
  NOTIFYICONDATAW data = IconRecord(mainWindow);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAYICON;
  data.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TARROWIN));
  lstrcpynW(data.szTip, L"Tarrowin", ARRAYSIZE(data.szTip));
  data.uTimeout = 3;
  return data;
}

bool Notify(DWORD message, NOTIFYICONDATAW data) { return notify_icon(message, &data) != FALSE; }

void StartRetrying(HWND mainWindow) {
  retries_left = kRetryAttempts;
  SetTimer(mainWindow, kTrayRetryTimer, kRetryMilliseconds, nullptr);
}

void StopRetrying(HWND mainWindow) {
  retries_left = 0;
  KillTimer(mainWindow, kTrayRetryTimer);
}

}  // namespace

UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

int AddTrayIcon(HWND mainWindow) {
  // The program runs elevated: without this, a restarted shell that is not
  // elevated could not tell it that the taskbar is back.
  if (TaskbarCreatedMessage() != 0) {
    ChangeWindowMessageFilterEx(mainWindow, TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
  }
  if (!Notify(NIM_ADD, FullRecord(mainWindow))) StartRetrying(mainWindow);
  return 1;
}

int RemoveTrayIcon(HWND mainWindow) {
  StopRetrying(mainWindow);
  Notify(NIM_DELETE, IconRecord(mainWindow));
  return 1;
}

void RestoreTrayIcon(HWND mainWindow) {
  // The shell refuses a second icon of the same window and id, so a failed
  // add may mean that it still holds this one.
  if (Notify(NIM_ADD, FullRecord(mainWindow)) || Notify(NIM_MODIFY, FullRecord(mainWindow))) {
    StopRetrying(mainWindow);
  } else {
    StartRetrying(mainWindow);
  }
}

void RetryTrayIcon(HWND mainWindow) {
  if (Notify(NIM_ADD, FullRecord(mainWindow)) || --retries_left <= 0) StopRetrying(mainWindow);
}

NotifyIconCall SetNotifyIconCall(NotifyIconCall call) {
  const NotifyIconCall previous = notify_icon;
  notify_icon = call;
  return previous;
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

// The main window's procedure: menu commands, minimize to the tray, the
// tray icon's clicks, and the end of the program when the window goes.
#include "app/main_window.h"

#include "app/app_context.h"
#include "app/modal_windows.h"
#include "app/resource.h"
#include "app/settings_commands.h"
#include "app/tray_icon.h"

namespace tarrowin {
namespace {

void SetMenuItemState(HMENU menu, UINT id, UINT state) {
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STATE;
  item.fState = state;
  SetMenuItemInfoW(menu, id, FALSE, &item);
}

UINT MenuItemState(HMENU menu, UINT id) {
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STATE;
  GetMenuItemInfoW(menu, id, FALSE, &item);
  return item.fState;
}

// Passes a menu command on to a button of the rule-list dialog.
void PressListButton(int buttonId) {
  if (AppContext* context = CurrentAppContext()) {
    PostMessageW(context->ListDialog, WM_COMMAND, buttonId, 0);
  }
}

void OnDestroy() {
  if (AppContext* context = CurrentAppContext()) {
    DestroyWindow(context->ListDialog);
    context->ListDialog = nullptr;
  }
  PostQuitMessage(0);
}

// True when the command is one of the window's own.
bool OnCommand(HWND window, UINT id) {
  switch (id) {
    case ID_EXIT:
      // Destroying the window under a running modal loop would pull the
      // dialog away from the code still waiting on it.
      if (CModalScope::AnyOpen()) {
        ExitAfterModalWindows(window);
      } else {
        DestroyWindow(window);
      }
      return true;
    case ID_SAVE_SETTINGS:
      SaveSettingsFile(window);
      return true;
    case ID_OPEN_SETTINGS:
      OpenSettingsFile(window);
      return true;
    case ID_CYCLE_STOP:
    case ID_CYCLE_NORMAL:
    case ID_CYCLE_LONG:
      SelectCheckCycle(window, id);
      return true;
    case ID_ITEM_ADD:
      PressListButton(IDC_LIST_ADD);
      return true;
    case ID_ITEM_EDIT:
      PressListButton(IDC_LIST_MODIFY);
      return true;
    case ID_ITEM_DELETE:
      PressListButton(IDC_LIST_DELETE);
      return true;
    case ID_RESTORE:
      PostMessageW(window, WM_TRAYICON, 0, WM_LBUTTONDOWN);
      return true;
    default:
      return false;
  }
}

// A click on the tray icon, or "元に戻す(&R)". While a modal window is open
// its loop keeps the main window disabled: enabled, the menus and the list
// behind the dialog would work. The dialog comes forward instead.
void RestoreFromTray(HWND window) {
  if (CModalScope::AnyOpen()) {
    ShowWindow(window, SW_SHOWNORMAL);
    BringModalWindowForward(window);
    return;
  }
  if (!IsWindowEnabled(window)) EnableWindow(window, TRUE);
  ShowWindow(window, SW_SHOWNORMAL);
}

void OnTrayIcon(HWND window, LPARAM mouseMessage) {
  switch (mouseMessage) {
    case WM_LBUTTONDOWN:
      RestoreFromTray(window);
      break;
    case WM_RBUTTONDOWN:
      ShowTrayMenu(window);
      break;
    default:
      break;
  }
}

}  // namespace

void SelectCheckCycle(HWND window, UINT id) {
  HMENU menu = GetMenu(window);
  if (MenuItemState(menu, id) & MFS_CHECKED) return;
  for (UINT cycle : {ID_CYCLE_NORMAL, ID_CYCLE_LONG, ID_CYCLE_STOP})
    SetMenuItemState(menu, cycle, 0);
  SetMenuItemState(menu, id, MFS_CHECKED);

  // The engine wakes for normal and long; stop only changes the period, so
  // a wait in progress runs to its end. The same period again does nothing.
  AppContext* context = CurrentAppContext();
  if (context == nullptr || context->Engine == nullptr) return;
  context->Engine->SetCheckPeriod(id == ID_CYCLE_NORMAL ? CCPULimitThread::kNormalPeriod
                                  : id == ID_CYCLE_LONG ? CCPULimitThread::kLongPeriod
                                                        : CCPULimitThread::kStopPeriod);
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_COMMAND:
      if (OnCommand(window, LOWORD(wParam))) return 0;
      break;
    case WM_SYSCOMMAND:
      // Minimizing hides the window into the tray; the default handling
      // still minimizes it.
      if (wParam == SC_MINIMIZE) {
        ShowWindow(window, SW_HIDE);
        EnableWindow(window, FALSE);
      }
      break;
    case WM_TRAYICON:
      OnTrayIcon(window, lParam);
      return 0;
    case WM_TIMER:
      if (wParam == kTrayRetryTimer) {
        RetryTrayIcon(window);
        return 0;
      }
      break;
    default:
      // A registered message, so no case of its own.
      if (message == TaskbarCreatedMessage() && message != 0) {
        RestoreTrayIcon(window);
        return 0;
      }
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tarrowin

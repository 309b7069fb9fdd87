// Counting the open modal windows, finding the innermost one, and an exit
// that waits for all of them.
#include "app/modal_windows.h"

#include <string_view>

#include "app/resource.h"

namespace tarrowin {
namespace {

// User-interface thread only.
int open_count = 0;
// The main window to destroy once the last modal window has returned.
HWND exit_pending = nullptr;

bool IsDialog(HWND window) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  return std::wstring_view(name) == L"#32770";
}

bool IsOwnedBy(HWND window, HWND mainWindow) {
  for (HWND owner = GetWindow(window, GW_OWNER); owner != nullptr;
       owner = GetWindow(owner, GW_OWNER)) {
    if (owner == mainWindow) return true;
  }
  return false;
}

struct Search {
  HWND mainWindow;
  HWND found;
};

BOOL CALLBACK FindFront(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<Search*>(data);
  // An outer dialog is disabled by the modal loop of the one inside it.
  if (!IsDialog(window) || !IsWindowEnabled(window) || !IsOwnedBy(window, search.mainWindow)) {
    return TRUE;
  }
  search.found = window;
  return FALSE;
}

BOOL CALLBACK AskToClose(HWND window, LPARAM mainWindow) {
  if (IsDialog(window) && IsOwnedBy(window, reinterpret_cast<HWND>(mainWindow))) {
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

}  // namespace

CModalScope::CModalScope() { ++open_count; }

CModalScope::~CModalScope() {
  if (--open_count > 0 || exit_pending == nullptr) return;
  // Posted: the code after the modal call runs to its end first.
  PostMessageW(exit_pending, WM_COMMAND, ID_EXIT, 0);
  exit_pending = nullptr;
}

bool CModalScope::AnyOpen() { return open_count > 0; }

HWND FrontModalWindow(HWND mainWindow) {
  Search search{mainWindow, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindFront, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool BringModalWindowForward(HWND mainWindow) {
  HWND front = FrontModalWindow(mainWindow);
  if (front == nullptr) return false;
  SetForegroundWindow(front);
  return true;
}

void ExitAfterModalWindows(HWND mainWindow) {
  exit_pending = mainWindow;
  EnumThreadWindows(GetCurrentThreadId(), AskToClose, reinterpret_cast<LPARAM>(mainWindow));
}

}  // namespace tarrowin

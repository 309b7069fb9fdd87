// The application object around the main window: the module instance, the
// command line, the single-instance mutex, the window class and the main
// window itself.
#pragma once

#include <windows.h>

#include <string>

#include "engine/win32_handle.h"

namespace tarrowin {

class CApplication {
 public:
  // `commandLine` is the UTF-16 text after the program path (may be null);
  // it is copied.
  CApplication(HINSTANCE instance, HINSTANCE previousInstance, const wchar_t* commandLine,
               int showCommand);
  // Releases and closes the mutex. Neither unregisters the class nor
  // destroys a window.
  ~CApplication() = default;
  CApplication(const CApplication&) = delete;
  CApplication& operator=(const CApplication&) = delete;

  // Non-zero when this is the only running copy and the mutex is held. With
  // no `name`, the mutex is named after the program's full path (each
  // backslash replaced by "?"), so copies at other paths run side by side.
  // When a copy already runs, its window is brought forward.
  int CheckSingleInstance(const wchar_t* name);

  // Registers the main window class once and keeps `menu`, which is
  // attached to the window at creation; a refused menu is destroyed. No
  // style gives CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, no brush the white
  // stock brush, no icon the system application icon, no cursor the arrow.
  // Returns 0 when a class is already registered or registration fails.
  int RegisterWindowClass(const wchar_t* className, WNDPROC windowProc, const UINT* classStyle,
                          HBRUSH background, HICON icon, HCURSOR cursor, UniqueMenu menu);

  // Creates and shows the main window so that its client area is `width` x
  // `height` with its top-left corner at (`x`, `y`). Returns 0 without a
  // registered class, when a main window exists, or when creation fails.
  int CreateMainWindow(DWORD exStyle, DWORD style, int x, int y, int width, int height);

  HINSTANCE Instance() const { return instance_; }
  HWND MainWindow() const { return mainWindow_; }
  // The UTF-16 command line; null when the entry function had none.
  const wchar_t* CommandLine() const { return hasCommandLine_ ? commandLine_.c_str() : nullptr; }

 private:
  HINSTANCE instance_;
  std::wstring commandLine_;
  bool hasCommandLine_ = false;
  int showCommand_;
  HWND mainWindow_ = nullptr;
  UniqueMutex mutex_;
  UniqueMenu menu_;  // owned until the main window takes it
  ATOM classAtom_ = 0;
  std::wstring className_;
};

// EnumWindows callback: brings forward the main window of a running copy,
// found by the executable file name (`fileName`, a const wchar_t*) of the
// window's process. Returns FALSE to end the enumeration once it has.
BOOL CALLBACK ActivateRunningInstance(HWND window, LPARAM fileName);

}  // namespace tarrowin

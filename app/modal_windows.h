// The program's modal windows: the rule editor, the mask dialog, the file
// choosers and the message boxes. While one is open its modal loop keeps the
// main window disabled, and nothing may enable it behind the dialog; the
// program ends only once every one of them has returned.
#pragma once

#include <windows.h>

namespace tarrowin {

// Marks one modal window as open for as long as it lives: put one around
// every call that runs a modal loop.
class CModalScope {
 public:
  CModalScope();
  // The last one to close carries out an exit asked for while it was open.
  ~CModalScope();
  CModalScope(const CModalScope&) = delete;
  CModalScope& operator=(const CModalScope&) = delete;

  static bool AnyOpen();
};

// The innermost open modal window: the enabled dialog of this thread owned,
// directly or through others, by `mainWindow`. Null when there is none.
HWND FrontModalWindow(HWND mainWindow);

// Brings the innermost open modal window to the front. Returns whether
// there was one.
bool BringModalWindowForward(HWND mainWindow);

// Ends the program once no modal window is open any more: asks each open
// one to close, and destroys the main window when the last has returned.
void ExitAfterModalWindows(HWND mainWindow);

}  // namespace tarrowin

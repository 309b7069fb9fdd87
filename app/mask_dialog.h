// The processor-mask dialog (template IDD_CPU_MASK), opened modally by the
// rule editor with the mask to show (0: none). Ends with the chosen mask;
// 0 means no explicit mask: all of the system's processors ticked, or
// none. Cancelled or closed, it ends with the mask it was opened with.
#pragma once

#include <windows.h>

namespace tarrowin {

INT_PTR CALLBACK MaskDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tarrowin

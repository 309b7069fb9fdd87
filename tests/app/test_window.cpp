// The test programs' plain windows.
#include "tests/app/test_window.h"

namespace tarrowin::testing {

TestWindow::TestWindow(const wchar_t* className, DWORD style, int width, int height)
    : className_(className) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className_;
  RegisterClassW(&wc);
  window_ = CreateWindowExW(0, className_, L"", style, 0, 0, width, height, nullptr, nullptr,
                            wc.hInstance, nullptr);
}

TestWindow::~TestWindow() {
  DestroyWindow(window_);
  UnregisterClassW(className_, GetModuleHandleW(nullptr));
}

bool TestWindow::TakeForeground() const {
  return SetForegroundWindow(window_) && GetForegroundWindow() == window_;
}

}  // namespace tarrowin::testing

// A plain top-level window of a test program: something to take the
// foreground from a dialog, or to stand beside the main window.
#pragma once

#include <windows.h>

namespace tarrowin::testing {

// Registers its own window class and removes it again with the window.
class TestWindow {
 public:
  TestWindow(const wchar_t* className, DWORD style, int width, int height);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND window() const { return window_; }
  // True once the window holds the foreground.
  bool TakeForeground() const;

 private:
  const wchar_t* className_;
  HWND window_ = nullptr;
};

}  // namespace tarrowin::testing

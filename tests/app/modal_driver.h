// Drives the modal windows (dialogs, message boxes, file choosers) that a
// command opens, on the test's own thread and without sleeping: a thread
// timer, which every modal loop dispatches, finds the front window and
// hands it to the next expected step. A window that no step expects is
// reported and closed, and so is everything still open after a generous
// time limit, so a test fails instead of hanging.
#pragma once

#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tarrowin::testing {

class ModalDriver {
 public:
  using Action = std::function<void(HWND)>;

  ModalDriver();
  // Fails the test when expected windows never came.
  ~ModalDriver();
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;

  // The next window to come is a dialog captioned `caption`; `action` gets
  // it. An action must not send anything that opens a modal window (that
  // would run inside this step): it posts such commands (Click) and
  // leaves the rest to later steps.
  ModalDriver& Expect(std::wstring caption, Action action);

  // A window captioned `caption` may still be in front when no step expects
  // it (one that a step asked to close, or that closes by itself): it is
  // left alone instead of being reported and closed.
  ModalDriver& Tolerate(std::wstring caption);

  // Posts the message and dispatches messages until the command it starts
  // has returned. True when every expected window came and was handled.
  bool Run(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // Expected windows that have not come yet.
  std::size_t Pending() const { return steps_.size(); }

 private:
  struct Step {
    std::wstring caption;
    Action action;
  };
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void OnTick();

  std::deque<Step> steps_;
  std::vector<std::wstring> tolerated_;
  UINT_PTR timer_ = 0;
  std::chrono::steady_clock::time_point deadline_;
  static inline ModalDriver* current_ = nullptr;
};

// The enabled, visible dialog of this thread in front: the innermost modal
// window. Null when none is open.
HWND FrontDialog();

std::wstring WindowText(HWND window);
std::wstring ItemText(HWND dialog, int id);

// Posts a click of button `id` as the button itself would send it.
void Click(HWND dialog, int id);

// What a message box showed.
struct MessageBoxSeen {
  std::wstring caption;
  std::wstring text;
  HWND owner = nullptr;
  bool errorIcon = false;
  bool informationIcon = false;
};

// An action that records the message box and presses its OK.
ModalDriver::Action ReadMessageBox(MessageBoxSeen& seen);

// An action for a file chooser: records its title, owner, filter texts and
// initial file name, then types `path` into the file name and confirms (or
// cancels when `path` is empty).
struct FileChooserSeen {
  std::wstring title;
  HWND owner = nullptr;
  std::wstring initialName;
  std::vector<std::wstring> filters;
  int selectedFilter = -1;
};
ModalDriver::Action AnswerFileChooser(std::wstring path, FileChooserSeen* seen = nullptr);

}  // namespace tarrowin::testing

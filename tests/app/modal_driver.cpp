// The modal-window driver.
#include "tests/app/modal_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace tarrowin::testing {
namespace {

using namespace std::chrono_literals;

// Generous: a file chooser under Wine on a loaded machine takes a while.
constexpr auto kPatience = 60s;
constexpr UINT kTickMilliseconds = 20;

// Control ids of the system's dialogs.
constexpr int kMessageText = 0xFFFF;            // the message box's text
constexpr int kMessageIcons[] = {0x440, 0x14};  // the icon: Wine, Windows
constexpr int kFileName = 1148;
constexpr int kFileTypes = 1136;

BOOL CALLBACK FindFront(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"#32770" || !IsWindowVisible(window) || !IsWindowEnabled(window)) {
    return TRUE;
  }
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

HICON MessageIcon(HWND box) {
  for (int id : kMessageIcons) {
    if (HWND icon = GetDlgItem(box, id)) {
      return reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
    }
  }
  return nullptr;
}

}  // namespace

HWND FrontDialog() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindFront, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::wstring WindowText(HWND window) {
  std::vector<wchar_t> text(GetWindowTextLengthW(window) + 1);
  GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  return text.data();
}

std::wstring ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

void Click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

ModalDriver::ModalDriver() {
  EXPECT_EQ(current_, nullptr) << "one driver at a time";
  current_ = this;
  deadline_ = std::chrono::steady_clock::now() + kPatience;
  timer_ = SetTimer(nullptr, 0, kTickMilliseconds, Tick);
  EXPECT_NE(timer_, 0u);
}

ModalDriver::~ModalDriver() {
  KillTimer(nullptr, timer_);
  current_ = nullptr;
  for (const Step& step : steps_) ADD_FAILURE() << "never opened: \"" << step.caption << "\"";
}

ModalDriver& ModalDriver::Expect(std::wstring caption, Action action) {
  steps_.push_back({std::move(caption), std::move(action)});
  return *this;
}

ModalDriver& ModalDriver::Tolerate(std::wstring caption) {
  tolerated_.push_back(std::move(caption));
  return *this;
}

bool ModalDriver::Run(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  deadline_ = std::chrono::steady_clock::now() + kPatience;
  PostMessageW(window, message, wParam, lParam);
  // Every modal loop the command opens runs inside this dispatching; once
  // the queue is empty the command has returned.
  MSG queued;
  while (PeekMessageW(&queued, nullptr, 0, 0, PM_REMOVE)) {
    if (queued.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(queued.wParam));  // for the caller to see
      break;
    }
    TranslateMessage(&queued);
    DispatchMessageW(&queued);
  }
  return steps_.empty();
}

void CALLBACK ModalDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (current_ != nullptr) current_->OnTick();
}

void ModalDriver::OnTick() {
  HWND front = FrontDialog();
  if (front == nullptr) return;
  const std::wstring caption = WindowText(front);
  if (std::chrono::steady_clock::now() > deadline_) {
    ADD_FAILURE() << "still open after the time limit: \"" << caption << "\"";
    EndDialog(front, 0);
    return;
  }
  if (steps_.empty() || steps_.front().caption != caption) {
    if (std::find(tolerated_.begin(), tolerated_.end(), caption) != tolerated_.end()) return;
    ADD_FAILURE() << "unexpected window \"" << caption << "\" saying \""
                  << ItemText(front, kMessageText) << "\""
                  << (steps_.empty() ? std::wstring()
                                     : L", expected \"" + steps_.front().caption + L"\"");
    EndDialog(front, 0);
    return;
  }
  // Taken off first: the action's posted commands may open the next one.
  Step step = std::move(steps_.front());
  steps_.pop_front();
  step.action(front);
}

ModalDriver::Action ReadMessageBox(MessageBoxSeen& seen) {
  return [&seen](HWND box) {
    seen.caption = WindowText(box);
    seen.text = ItemText(box, kMessageText);
    seen.owner = GetWindow(box, GW_OWNER);
    const HICON icon = MessageIcon(box);
    seen.errorIcon = icon != nullptr && icon == LoadIconW(nullptr, IDI_ERROR);
    seen.informationIcon = icon != nullptr && icon == LoadIconW(nullptr, IDI_INFORMATION);
    Click(box, IDOK);
  };
}

ModalDriver::Action AnswerFileChooser(std::wstring path, FileChooserSeen* seen) {
  return [path = std::move(path), seen](HWND chooser) {
    if (seen != nullptr) {
      seen->title = WindowText(chooser);
      seen->owner = GetWindow(chooser, GW_OWNER);
      seen->initialName = ItemText(chooser, kFileName);
      HWND types = GetDlgItem(chooser, kFileTypes);
      const int count = static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0));
      for (int i = 0; i < count; ++i) {
        std::vector<wchar_t> text(SendMessageW(types, CB_GETLBTEXTLEN, i, 0) + 1);
        SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        seen->filters.emplace_back(text.data());
      }
      seen->selectedFilter = static_cast<int>(SendMessageW(types, CB_GETCURSEL, 0, 0));
    }
    if (path.empty()) {
      PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    SetDlgItemTextW(chooser, kFileName, path.c_str());
    PostMessageW(chooser, WM_COMMAND, IDOK, 0);
  };
}

}  // namespace tarrowin::testing

// The harness for the real program.
#include "tests/app/program_harness.h"

#include <gtest/gtest.h>

namespace tarrowin::testing {
namespace {

struct WindowSearch {
  DWORD processId;
  HWND found;
};

// EnumWindows callback: the main window of one process, with its title.
BOOL CALLBACK FindMainWindow(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<WindowSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  if (owner != search.processId || !IsMainWindow(window) ||
      std::wstring(title) != L"Tarrowin Ver 0.02") {
    return TRUE;
  }
  search.found = window;
  return FALSE;
}

// A path relative to this test program's folder, made full.
std::wstring BesideThisProgram(const wchar_t* relative) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path = Directory(self) + L"\\" + relative;
  wchar_t full[MAX_PATH] = {};
  GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  return full;
}

}  // namespace

bool PollUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(20);
  }
  return true;
}

std::wstring Directory(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring ProgramPath() {
  // The release package checks point the tests at a packaged or installed
  // copy of the program.
  wchar_t other[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"TARROWIN_PROGRAM", other, MAX_PATH);
  if (length > 0 && length < MAX_PATH) return other;
  return BesideThisProgram(TARROWIN_PROGRAM_FROM_TEST);
}

std::wstring HelperPath() { return BesideThisProgram(TARROWIN_HELPER_FROM_TEST); }

bool IsMainWindow(HWND window) {
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  return std::wstring(className) == L"tarrowin";
}

Program::Program(const std::wstring& path, const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + path + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  started_ = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &info) != FALSE;
  EXPECT_TRUE(started_) << "CreateProcessW failed: " << GetLastError();
  if (!started_) return;
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
}

Program::~Program() {
  if (process_ == nullptr) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    if (HWND window = MainWindow()) PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, 30000) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
  }
  CloseHandle(process_);
}

HWND Program::MainWindow() const {
  WindowSearch search{id_, nullptr};
  EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Program::WaitForMainWindow() const {
  HWND window = nullptr;
  EXPECT_TRUE(PollUntil([&] { return (window = MainWindow()) != nullptr; })) << "no main window";
  return window;
}

long Program::WaitForExit() const {
  if (WaitForSingleObject(process_, 60000) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<long>(code);
}

}  // namespace tarrowin::testing

// Running the real tarrowin.exe from a test: where it is, starting it with
// a command line, finding its main window, and waiting for things to happen
// in it without sleeping and hoping.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace tarrowin::testing {

// Generous: a Wine start under load can take seconds.
inline constexpr std::chrono::seconds kPatience{60};

// Polls `condition`, dispatching this thread's messages, until it holds
// (true) or kPatience has passed (false).
bool PollUntil(const std::function<bool()>& condition);

std::wstring Directory(const std::wstring& path);

// tarrowin.exe of the same build, found from this test program's path, or
// the one that the environment variable TARROWIN_PROGRAM names.
std::wstring ProgramPath();

// The engine tests' idle helper program of the same build.
std::wstring HelperPath();

// A window of the program's main window class.
bool IsMainWindow(HWND window);

// The program, started as a user starts it, with `arguments` after its
// path; closed (and, failing that, ended) on destruction.
class Program {
 public:
  explicit Program(const std::wstring& path, const std::wstring& arguments = {});
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool started() const { return started_; }
  DWORD id() const { return id_; }
  bool Running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

  // The process's main window once it has its final title, else null.
  HWND MainWindow() const;
  HWND WaitForMainWindow() const;

  // Waits for the end of the process; its exit code, or -1 on time-out.
  long WaitForExit() const;

 private:
  bool started_ = false;
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

}  // namespace tarrowin::testing

// A copy of the engine's helper program running as a real Windows process,
// for the tests that narrow processes (the engine's and tarrowin-cli's), and
// the masks read from a process.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/win32_handle.h"

namespace tarrowin::testing {

struct Masks {
  std::uint32_t process = 0, system = 0;
};

inline Masks MasksOf(HANDLE process) {
  DWORD_PTR p = 0, s = 0;
  if (!GetProcessAffinityMask(process, &p, &s)) return {};
  return {static_cast<std::uint32_t>(p), static_cast<std::uint32_t>(s)};
}

// `helper` copied to `path` and running with its standard input on a pipe
// (the child ends when the pipe closes, also if the test dies). Terminated
// and its copy deleted on destruction; process() is null when it did not
// start.
class HelperProcess {
 public:
  HelperProcess(const std::wstring& helper, const std::wstring& path) : path_(path) {
    if (!CopyFileW(helper.c_str(), path_.c_str(), TRUE)) return;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return;
    const UniqueHandle child_input(read_end);
    input_.reset(write_end);
    SetHandleInformation(write_end, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = read_end;
    // No console and none of this program's output handles: nothing of the
    // child (or of a console host that Wine would start for it) may keep the
    // test runner's output pipe open.
    std::wstring command = L"\"" + path_ + L"\"";
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(path_.c_str(), command.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS,
                        nullptr, nullptr, &startup, &info)) {
      return;
    }
    process_.reset(info.hProcess);
    const UniqueHandle thread(info.hThread);
    id_ = info.dwProcessId;
  }

  ~HelperProcess() {
    if (process_) {
      TerminateProcess(process_.get(), 1);
      WaitForSingleObject(process_.get(), 30000);
    }
    process_.reset();
    input_.reset();
    DeleteFileW(path_.c_str());
  }

  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;

  HANDLE process() const { return process_.get(); }
  DWORD id() const { return id_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  UniqueHandle input_;
  UniqueHandle process_;
  DWORD id_ = 0;
};

}  // namespace tarrowin::testing
